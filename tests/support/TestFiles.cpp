#include "TestFiles.h"

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
