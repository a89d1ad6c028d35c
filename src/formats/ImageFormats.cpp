#include "formats/ImageFormats.h"

#include "base/ByteSource.h"

#include <QtEndian>

#include <algorithm>

namespace {

// A reader's result as opening takes it.
AnyImage FromImageRead(ImageRead read)
{
    AnyImage any;
    any.refusal = read.refusal;
    any.detail = read.detail;
    if (read.refusal != ImageRefusal::None) {
        // The PCX side says refused too, for callers that only look there.
        any.pcx.refusal = read.refusal == ImageRefusal::NotIndexed ? PictureRefusal::NotIndexed8
                                                                   : PictureRefusal::Unreadable;
        return any;
    }
    any.colours = int(std::clamp<qsizetype>(read.palette.size() / 3, 1, 256));
    any.pcx = ToDecodedPicture(std::move(read));
    if (!any.pcx.accepted()) {
        any.refusal = ImageRefusal::TooLarge;
        any.detail = QStringLiteral("a PCX holds at most 65536 x 65536 pixels");
    }
    return any;
}

bool IsPng(QByteArrayView file)
{
    return file.startsWith("\x89PNG\r\n\x1a\n");
}

bool IsGif(QByteArrayView file)
{
    return file.startsWith("GIF87a") || file.startsWith("GIF89a");
}

bool IsBmp(QByteArrayView file)
{
    return file.startsWith("BM");
}

bool IsPcx(QByteArrayView file)
{
    return !file.isEmpty() && quint8(file[0]) == 10;
}

// Two letters are a weak sign: an ACT may start with them. The size of the
// header after the file header says it is a BMP.
bool IsBmpPicture(QByteArrayView file, const QString &)
{
    if (file.size() < 18)
        return false;
    const quint32 info = qFromLittleEndian<quint32>(file.data() + 14);
    return info == 12 || info == 16 || info == 40 || info == 52 || info == 56 || info == 64 ||
           info == 108 || info == 124;
}

// The first four bytes as PCX writers set them; an ACT file can start the
// same way only by chance, and then its name says so.
bool IsPcxPicture(QByteArrayView file, const QString &name)
{
    return file.size() >= 4 && QByteArray("\0\2\3\4\5", 5).contains(file[1]) &&
           quint8(file[2]) <= 1 && QByteArray("\1\2\4\x8").contains(file[3]) &&
           !name.endsWith(QLatin1String(".act"), Qt::CaseInsensitive);
}

} // namespace

const std::array<ImageFormatRow, 4> &ImageFormatRows()
{
    static const std::array<ImageFormatRow, 4> rows{{
        {ImageFormat::Pcx, ExportFormat::Pcx, "PCX", ".pcx", IsPcx, IsPcxPicture, nullptr, nullptr,
         EncodeAsPcx},
        {ImageFormat::Png, ExportFormat::Png, "PNG", ".png", IsPng, nullptr, ReadPng, ReadPng,
         EncodeAsPng},
        {ImageFormat::Bmp, ExportFormat::Bmp, "BMP", ".bmp", IsBmp, IsBmpPicture, ReadBmp, ReadBmp,
         EncodeAsBmp},
        {ImageFormat::Gif, ExportFormat::Gif, "GIF", ".gif", IsGif, nullptr, ReadGif, nullptr,
         EncodeAsGif},
    }};
    return rows;
}

ImageRead RefuseImage(ImageRefusal why, const QString &detail)
{
    ImageRead r;
    r.refusal = why;
    r.detail = detail;
    return r;
}

ImageRefusal CheckImageSize(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return ImageRefusal::Empty;
    return width * height > kMaxImagePixels ? ImageRefusal::TooLarge : ImageRefusal::None;
}

ImageRefusal CheckOpenedSize(qint64 width, qint64 height)
{
    const ImageRefusal why = CheckImageSize(width, height);
    return why == ImageRefusal::None && (width > kMaxOpenedSide || height > kMaxOpenedSide)
               ? ImageRefusal::TooLarge
               : why;
}

QString TooLargeText(qint64 width, qint64 height, bool opened)
{
    return QStringLiteral("a picture of %1 x %2 pixels is too large: at most %3 pixels (%4 x %4)%5")
        .arg(width)
        .arg(height)
        .arg(kMaxImagePixels)
        .arg(1 << 14)
        .arg(opened ? QStringLiteral(" and %1 a side").arg(kMaxOpenedSide) : QString());
}

ImageFormat DetectImageFormat(QByteArrayView file)
{
    const ImageFormatRow *row =
        std::find_if(ImageFormatRows().begin(), ImageFormatRows().end(),
                     [&](const ImageFormatRow &r) { return r.sniff(file); });
    return row == ImageFormatRows().end() ? ImageFormat::Unknown : row->format;
}

const ImageFormatRow *FormatRowOf(ImageFormat format)
{
    for (const ImageFormatRow &row : ImageFormatRows())
        if (row.format == format)
            return &row;
    return nullptr;
}

const ImageFormatRow &FormatRowOf(ExportFormat format)
{
    for (const ImageFormatRow &row : ImageFormatRows())
        if (row.exported == format)
            return row;
    return ImageFormatRows().front();
}

QString PictureKindOfName(const QString &name)
{
    static const char *const kinds[][2] = {{"png", "PNG"},   {"jpg", "JPEG"},  {"jpeg", "JPEG"},
                                           {"jpe", "JPEG"},  {"jfif", "JPEG"}, {"bmp", "BMP"},
                                           {"dib", "BMP"},   {"gif", "GIF"},   {"tif", "TIFF"},
                                           {"tiff", "TIFF"}, {"webp", "WebP"}};
    if (!name.contains(QLatin1Char('.')))
        return {};
    const QString suffix = name.section(QLatin1Char('.'), -1).toLower();
    for (const auto &kind : kinds)
        if (suffix == QLatin1String(kind[0]))
            return QLatin1String(kind[1]);
    return {};
}

bool IsImageFile(QByteArrayView file, const QString &name)
{
    // Nothing left of a picture but its name.
    if (file.isEmpty())
        return !PictureKindOfName(name).isEmpty();
    if (const ImageFormatRow *row = FormatRowOf(DetectImageFormat(file)))
        return !row->isPicture || row->isPicture(file, name);
    // Truecolour kinds only Qt's readers open, told by their own marks;
    // a palette's first colours could match them, its name not.
    return !name.endsWith(QLatin1String(".act"), Qt::CaseInsensitive) &&
           (file.startsWith("\xFF\xD8\xFF") || file.startsWith(QByteArrayView("II*\0", 4)) ||
            file.startsWith(QByteArrayView("MM\0*", 4)) ||
            (file.startsWith("RIFF") && file.size() >= 12 && file.sliced(8, 4) == "WEBP"));
}

ImageRead ReadIndexedImage(QByteArrayView file)
{
    const ImageFormatRow *row = FormatRowOf(DetectImageFormat(file));
    if (row && row->read)
        return row->read(file);
    return RefuseImage(ImageRefusal::Unsupported, QStringLiteral("not a PNG, BMP or GIF file"));
}

DecodedPicture ToDecodedPicture(ImageRead image)
{
    DecodedPicture pcx;
    if (image.width < 1 || image.height < 1 || image.width > kMaxOpenedSide ||
        image.height > kMaxOpenedSide ||
        image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
        pcx.refusal = PictureRefusal::SizeBeyondData;
        return pcx;
    }
    // The header a PCX of this picture would carry, for whoever reads it.
    auto &h = pcx.header.bytes;
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    h[8] = quint8((image.width - 1) & 0xFF);
    h[9] = quint8((image.width - 1) >> 8);
    h[10] = quint8((image.height - 1) & 0xFF);
    h[11] = quint8((image.height - 1) >> 8);
    h[65] = 1;
    h[66] = quint8(image.width & 0xFF);
    h[67] = quint8((image.width >> 8) & 0xFF);
    pcx.palette = image.palette.left(kPaletteSize);
    pcx.palette.append(QByteArray(kPaletteSize - pcx.palette.size(), '\0'));
    pcx.decoded = std::move(image.pixels);
    pcx.cycles = std::move(image.cycles);
    pcx.marks = image.marks;
    pcx.image = PcxImage(pcx.decoded, image.width, image.height, std::size_t(image.width));
    return pcx;
}

AnyImage ReadAnyImage(QByteArrayView file)
{
    AnyImage any;
    const ImageFormat format = DetectImageFormat(file);
    if (file.isEmpty()) {
        any.pcx = ReadPcx(file);
        any.refusal = ImageRefusal::Truncated;
        any.detail = QStringLiteral("the file is empty");
        return any;
    }
    if (format == ImageFormat::Pcx || format == ImageFormat::Unknown) {
        any.pcx = ReadPcx(file);
        if (!any.pcx.accepted()) {
            any.refusal = any.pcx.refusal == PictureRefusal::NotIndexed8 ? ImageRefusal::NotIndexed
                                                                         : ImageRefusal::Unreadable;
            any.detail = PictureRefusalText(any.pcx.refusal);
        }
        return any;
    }
    return FromImageRead(ReadIndexedImage(file));
}

AnyImage ReadStreamedImage(ByteSource &source)
{
    const ImageFormatRow *row = FormatRowOf(DetectImageFormat(source.peek(8)));
    if (row && row->stream)
        return FromImageRead(row->stream(source));
    return FromImageRead(
        RefuseImage(ImageRefusal::Unsupported, QStringLiteral("not a PNG or BMP file")));
}
