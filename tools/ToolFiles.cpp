#include "ToolFiles.h"

#include "base/FileAccess.h"
#include "formats/ImageFormats.h"

#include <cstdio>

int Fail(const QString &path, const QString &why)
{
    std::fprintf(stderr, "palmiro-tool: %s: %s\n", qPrintable(path), qPrintable(why));
    return 1;
}

bool Open(const QString &path, QByteArray &bytes, DecodedPicture &pcx, QString &why)
{
    FileError error;
    std::optional<QByteArray> read = ReadWholeFile(path, &error);
    if (!read) {
        pcx.refusal = PictureRefusal::Unreadable;
        why = FileProblemText(error);
        return false;
    }
    bytes = std::move(*read);
    AnyImage image = ReadAnyImage(bytes);
    pcx = std::move(image.pcx);
    why = image.detail;
    return image.refusal == ImageRefusal::None;
}
