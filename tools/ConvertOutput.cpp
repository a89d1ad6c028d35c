#include "ConvertOutput.h"

#include <QFileInfo>

QLatin1String ExtensionOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Pcx:
        return QLatin1String("pcx");
    case ExportFormat::Bmp:
        return QLatin1String("bmp");
    case ExportFormat::Gif:
        return QLatin1String("gif");
    case ExportFormat::Png:
        break;
    }
    return QLatin1String("png");
}

std::variant<ConvertOutput, QString>
PlanConvertOutput(const QString &out, std::optional<ExportFormat> format, int pictures)
{
    ConvertOutput o;
    o.folder = QFileInfo(out).isDir() || out.endsWith(QLatin1Char('/'));
    o.format = format.value_or(ExportFormat::Png);
    if (o.folder)
        return o;
    if (pictures > 1)
        return QStringLiteral("-o %1 is one file, not a folder, and %2 pictures are given "
                              "(a folder's name ends in /)")
            .arg(out)
            .arg(pictures);
    if (QFileInfo(out).suffix().isEmpty())
        return o;
    // Bytes of one format under another's name would mislead every reader.
    const std::optional<ExportFormat> named = ExportFormatForName(out);
    if (!named)
        return QStringLiteral("-o %1: the extension must be png, pcx, bmp or gif "
                              "(or none, with --format)")
            .arg(out);
    if (format && *format != *named)
        return QStringLiteral("-o %1 is a %2 file, but --format says %3")
            .arg(out, ExtensionOf(*named), ExtensionOf(*format));
    o.format = *named;
    return o;
}
