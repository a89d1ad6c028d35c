#include "palette/ActFile.h"

#include "shell/SaveFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString describe(const QFileDevice &file, const QString &path)
{
    return QStringLiteral("%1\n%2").arg(path, file.errorString());
}

} // namespace

ActReadResult ReadActFile(const QString &path)
{
    ActReadResult result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.error = QStringLiteral("%1\nThis is a folder, not an ACT file.").arg(path);
        return result;
    }
    QFile file(path);
    if (!info.exists()) {
        if (!file.open(QIODevice::WriteOnly)) {
            result.error = describe(file, path);
            return result;
        }
        file.close();
        result.ok = true;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = describe(file, path);
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = describe(file, path);
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    return result;
}

QByteArray BuildActBytes(const PalletArray &pallet)
{
    QByteArray bytes(kActFileBytes, '\0');
    for (int i = 0; i < kPalletEntries; ++i) {
        bytes[3 * i] = static_cast<char>(pallet[i].R);
        bytes[3 * i + 1] = static_cast<char>(pallet[i].G);
        bytes[3 * i + 2] = static_cast<char>(pallet[i].B);
    }
    return bytes;
}

ActSaveResult SaveActFile(const QString &path, const PalletArray &pallet)
{
    ActSaveResult result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.error = QStringLiteral("%1\nThis is a folder; choose a file name.").arg(path);
        return result;
    }
    QByteArray content = BuildActBytes(pallet);
    if (info.exists()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly)) {
            result.error = describe(old, path);
            return result;
        }
        const QByteArray previous = old.readAll();
        if (old.error() != QFileDevice::NoError) {
            result.error = describe(old, path);
            return result;
        }
        if (previous.size() > kActFileBytes)
            content += previous.mid(kActFileBytes);
    }
    result.error = SaveWholeFile(path, content);
    result.ok = result.error.isEmpty();
    return result;
}
