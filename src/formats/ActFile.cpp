#include "formats/ActFile.h"

#include "base/FileBytes.h"
#include "base/SaveFile.h"

#include <QFile>

PaletteRead ReadPaletteAt(const QString &path, bool createMissing, std::optional<PaletteFormat> raw)
{
    PaletteRead read;
    QFile file;
    read.file = OpenRegularFile(path, file);
    if (read.file.problem == FileProblem::Missing && createMissing) {
        read.file = CreateEmptyFile(path);
        return read;
    }
    if (read.file)
        return read;
    return raw && IsRawFormat(*raw) ? ReadRawPalette(file, *raw) : ReadPalette(file, path);
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

FileError SaveActFile(const QString &path, const PalletArray &pallet)
{
    if (FileError kind = CheckWriteTarget(path))
        return kind;
    QByteArray content = BuildActBytes(pallet);
    if (QFile::exists(path)) {
        FileError error;
        const std::optional<QByteArray> previous = ReadWholeFile(path, &error);
        if (!previous)
            return error;
        if (previous->size() > kActFileBytes)
            content += previous->mid(kActFileBytes);
    }
    return SaveWholeFile(path, content);
}
