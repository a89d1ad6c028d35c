#include "image/FileBytes.h"

#include "image/PcxReader.h"

std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error)
{
    std::optional<QByteArray> read = ReadWholeFile(path, error);
    if (!read)
        return std::nullopt;
    return FileBytes(std::move(*read));
}
