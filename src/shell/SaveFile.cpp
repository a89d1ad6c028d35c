#include "shell/SaveFile.h"

#include <QFileInfo>
#include <QSaveFile>

QString SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1\nThis is a folder; choose a file name.").arg(path);
    QSaveFile file(path);
    // A writable file in a folder that cannot take the temporary is written in place.
    file.setDirectWriteFallback(true);
    // Unbuffered, so a short write (disk full, a file size limit) shows in the
    // count; a buffered flush can lose it and commit a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        const QString error = QStringLiteral("%1\n%2").arg(path, file.errorString());
        file.cancelWriting();
        return error;
    }
    return {};
}
