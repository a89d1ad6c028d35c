#include "ToolFiles.h"

#include "base/FileAccess.h"
#include "formats/ImageFormats.h"

#include <QFileInfo>

#include <cstdio>

int Fail(const QString &path, const QString &why)
{
    std::fprintf(stderr, "palmiro-tool: %s: %s\n", qPrintable(path), qPrintable(why));
    return 1;
}

QString WriteProblemText(const QString &path, const FileError &error)
{
    const QFileInfo folder(QFileInfo(path).path());
    if (error.problem != FileProblem::Missing || folder.isDir())
        return FileProblemText(error);
    return folder.exists() ? QStringLiteral("%1 is not a folder").arg(folder.filePath())
                           : QStringLiteral("the folder %1 is missing").arg(folder.filePath());
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
