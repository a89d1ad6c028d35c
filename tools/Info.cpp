#include "Info.h"

#include "ToolFiles.h"
#include "base/FileBytes.h"
#include "formats/ImageFormats.h"
#include "formats/PcxReader.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextStream>

#include <cstdio>

namespace {

const char *FormatName(ImageFormat format)
{
    const ImageFormatRow *row = FormatRowOf(format);
    return row ? row->name : "PCX";
}

// A picture the editor opens only by converting it.
struct OtherKind {
    const char *name = nullptr;
    // Qt's name for the kind, which reads its size.
    const char *qt = nullptr;
};

OtherKind SniffOtherKind(QByteArrayView file)
{
    static const struct {
        QByteArrayView signature;
        OtherKind kind;
    } kSignatures[] = {{"\xFF\xD8\xFF", {"JPEG", "jpeg"}},
                       {QByteArrayView("II*\0", 4), {"TIFF", "tiff"}},
                       {QByteArrayView("MM\0*", 4), {"TIFF", "tiff"}},
                       {"/* XPM */", {"XPM", "xpm"}},
                       {"P1", {"PBM", "pbm"}},
                       {"P4", {"PBM", "pbm"}},
                       {"P2", {"PGM", "pgm"}},
                       {"P5", {"PGM", "pgm"}},
                       {"P3", {"PPM", "ppm"}},
                       {"P6", {"PPM", "ppm"}},
                       {"P7", {"PAM", nullptr}}};
    for (const auto &s : kSignatures) {
        // A netpbm magic number is followed by white space.
        const bool netpbm = s.signature.size() == 2;
        if (file.startsWith(s.signature) &&
            (!netpbm || (file.size() > 2 && QByteArrayView(" \t\r\n").contains(file[2]))))
            return s.kind;
    }
    if (file.size() >= 12 && file.startsWith("RIFF") && file.sliced(8, 4) == "WEBP")
        return {"WebP", "webp"};
    return {};
}

QSize HeaderSize(QByteArrayView file, const char *qtFormat)
{
    QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormat);
    return reader.size();
}

} // namespace

int Info(const QString &path)
{
    QByteArray file;
    DecodedPicture pcx;
    QString why;
    const bool ok = Open(path, file, pcx, why);
    const QByteArrayView bytes(file);
    if (pcx.refusal == PictureRefusal::Unreadable && bytes.isEmpty())
        return Fail(path, why);
    QTextStream out(stdout);
    const PcxHeader &h = pcx.header;
    const ImageFormat format = DetectImageFormat(bytes);
    out << "file: " << path << "\n"
        << "size: " << bytes.size() << " bytes\n";
    if (format == ImageFormat::Unknown) {
        const OtherKind other = SniffOtherKind(bytes);
        out << "format: " << (other.name ? other.name : "unknown") << "\n";
        const QSize size = other.qt ? HeaderSize(bytes, other.qt) : QSize();
        if (size.isValid())
            out << "image: " << size.width() << " x " << size.height() << "\n";
        if (other.name)
            why = QStringLiteral("%1 opens only through convert").arg(other.name);
        else if (!bytes.isEmpty())
            why = QStringLiteral("not a PCX, PNG, BMP or GIF file");
    } else {
        out << "format: " << FormatName(format) << "\n";
    }
    if (format != ImageFormat::Pcx && format != ImageFormat::Unknown && ok)
        out << "image: " << pcx.image.width() << " x " << pcx.image.height() << "\n";
    if (format == ImageFormat::Pcx && bytes.size() >= kHeaderSize) {
        out << "Manufacturer: " << h.Manufacturer() << "\n"
            << "Version: " << h.Version() << "\n"
            << "Encoding: " << h.Encoding() << "\n"
            << "BitsPerPixel: " << h.BitsPerPixel() << "\n"
            << "Xmin: " << h.Xmin() << "\n"
            << "Ymin: " << h.Ymin() << "\n"
            << "Xmax: " << h.Xmax() << "\n"
            << "Ymax: " << h.Ymax() << "\n"
            << "NPlanes: " << h.NPlanes() << "\n"
            << "BytesPerLine: " << h.BytesPerLine() << "\n"
            << "image: " << (h.Xmax() + 1) << " x " << (h.Ymax() + 1) << "\n";
    }
    out << "verdict: " << (ok ? QStringLiteral("accepted") : QStringLiteral("refused: ") + why)
        << "\n";
    out.flush();
    return ok ? 0 : Fail(path, QStringLiteral("refused: ") + why);
}
