#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

QString TestDataDir()
{
    return QStringLiteral(PALMIRO_TESTDATA);
}

QByteArray ReadTestFile(const QString &relativePath)
{
    QFile f(TestDataDir() + QLatin1Char('/') + relativePath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray Sha1(const QByteArray &bytes)
{
    return bytes.isEmpty() ? "-"
                           : QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}
