#include "base/SaveFile.h"

#include <QIODevice>

FileError SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    return SaveFileWith(path, [&](QIODevice &file) { return file.write(bytes) == bytes.size(); });
}
