#include "image/ImageFormats.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <gif_lib.h>

#include <cstring>

namespace {

constexpr int kEntries = 256;
// Larger pictures are refused before anything is allocated.
constexpr qint64 kMaxPixels = qint64(1) << 28;
// One LZW code of at most 12 bits yields at most 4096 pixels.
constexpr qint64 kMaxLzwRatio = 4096 * 8 / 2;

ImageRead Refuse(ImageRefusal why, const QString &detail)
{
    ImageRead r;
    r.refusal = why;
    r.detail = detail;
    return r;
}

QByteArray TableRgb(const QList<QRgb> &table)
{
    QByteArray rgb;
    for (qsizetype i = 0; i < table.size() && i < kEntries; ++i)
        rgb.append(char(qRed(table[i])))
            .append(char(qGreen(table[i])))
            .append(char(qBlue(table[i])));
    return rgb;
}

ImageRead ReadWithQt(QByteArrayView file, const char *format)
{
    QByteArray bytes = file.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        return Refuse(ImageRefusal::Unreadable, QStringLiteral("the picture is too large"));
    QImage image = reader.read();
    if (image.isNull())
        return Refuse(ImageRefusal::Unreadable, reader.errorString());
    ImageRead r;
    if (image.format() == QImage::Format_Grayscale8) {
        for (int i = 0; i < kEntries; ++i)
            r.image.palette.append(char(i)).append(char(i)).append(char(i));
    } else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
               image.format() == QImage::Format_Indexed8) {
        image = image.convertToFormat(QImage::Format_Indexed8);
        r.image.palette = TableRgb(image.colorTable());
    } else {
        return Refuse(ImageRefusal::NotIndexed,
                      QStringLiteral("no palette of 256 colours or fewer"));
    }
    r.image.width = image.width();
    r.image.height = image.height();
    r.image.pixels.resize(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(r.image.pixels.data() + std::size_t(y) * std::size_t(image.width()),
                    image.constScanLine(y), std::size_t(image.width()));
    return r;
}

struct GifSource {
    QByteArrayView bytes;
    qsizetype at = 0;
};

int ReadGifBytes(GifFileType *gif, GifByteType *out, int wanted)
{
    auto *src = static_cast<GifSource *>(gif->UserData);
    const int n = int(qMin<qsizetype>(wanted, src->bytes.size() - src->at));
    std::memcpy(out, src->bytes.data() + src->at, std::size_t(qMax(n, 0)));
    src->at += qMax(n, 0);
    return n;
}

struct GifCloser {
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};

QString GifError(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

// The first frame on the logical screen, as Pillow shows it: outside the
// frame the transparent index, else 0.
ImageRead ReadGif(QByteArrayView file)
{
    GifSource source{file, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
    if (!gif)
        return Refuse(ImageRefusal::Unreadable, GifError(error));
    GifFileType *g = gif.get();
    int transparent = -1;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(g, &record) == GIF_ERROR)
            return Refuse(ImageRefusal::Unreadable, GifError(g->Error));
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(g, &code, &block) == GIF_ERROR)
                return Refuse(ImageRefusal::Unreadable, GifError(g->Error));
            GraphicsControlBlock gcb;
            if (code == GRAPHICS_EXT_FUNC_CODE && block &&
                DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
            while (block) {
                if (DGifGetExtensionNext(g, &block) == GIF_ERROR)
                    return Refuse(ImageRefusal::Unreadable, GifError(g->Error));
            }
        } else if (record == TERMINATE_RECORD_TYPE) {
            return Refuse(ImageRefusal::Unreadable, QStringLiteral("no frame"));
        }
    } while (record != IMAGE_DESC_RECORD_TYPE);
    if (DGifGetImageDesc(g) == GIF_ERROR)
        return Refuse(ImageRefusal::Unreadable, GifError(g->Error));

    const GifImageDesc &d = g->Image;
    const ColorMapObject *map = d.ColorMap ? d.ColorMap : g->SColorMap;
    if (!map)
        return Refuse(ImageRefusal::Unreadable, QStringLiteral("no colour table"));
    const qint64 framePixels = qint64(d.Width) * d.Height;
    const qint64 screenPixels = qint64(g->SWidth) * g->SHeight;
    if (screenPixels <= 0 || screenPixels > kMaxPixels ||
        framePixels > kMaxLzwRatio * qMax<qint64>(file.size(), 64))
        return Refuse(ImageRefusal::Unreadable, QStringLiteral("the picture is too large"));

    ImageRead r;
    r.image.width = g->SWidth;
    r.image.height = g->SHeight;
    r.image.pixels.assign(std::size_t(screenPixels), quint8(transparent >= 0 ? transparent : 0));
    for (int i = 0; i < map->ColorCount && i < kEntries; ++i)
        r.image.palette.append(char(map->Colors[i].Red))
            .append(char(map->Colors[i].Green))
            .append(char(map->Colors[i].Blue));

    // Interlaced frames store rows in four passes.
    std::vector<int> order;
    if (d.Interlace) {
        for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = start; y < d.Height; y += step)
                order.push_back(y);
    } else {
        for (int y = 0; y < d.Height; ++y)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(std::size_t(qMax(d.Width, 1)));
    for (const int y : order) {
        if (DGifGetLine(g, line.data(), d.Width) == GIF_ERROR)
            return Refuse(ImageRefusal::Unreadable, GifError(g->Error));
        const int sy = d.Top + y;
        if (sy < 0 || sy >= r.image.height)
            continue;
        for (int x = 0; x < d.Width; ++x) {
            const int sx = d.Left + x;
            if (sx >= 0 && sx < r.image.width)
                r.image.pixels[std::size_t(sy) * std::size_t(r.image.width) + std::size_t(sx)] =
                    line[std::size_t(x)];
        }
    }
    return r;
}

} // namespace

ImageFormat DetectImageFormat(QByteArrayView file)
{
    if (file.startsWith("\x89PNG\r\n\x1a\n"))
        return ImageFormat::Png;
    if (file.startsWith("GIF87a") || file.startsWith("GIF89a"))
        return ImageFormat::Gif;
    if (file.startsWith("BM") && file.size() >= 26)
        return ImageFormat::Bmp;
    if (!file.isEmpty() && quint8(file[0]) == 10)
        return ImageFormat::Pcx;
    return ImageFormat::Unknown;
}

bool IsImageFile(QByteArrayView file, const QString &name)
{
    switch (DetectImageFormat(file)) {
    case ImageFormat::Png:
    case ImageFormat::Bmp:
    case ImageFormat::Gif:
        return true;
    case ImageFormat::Pcx:
        // The first four bytes as PCX writers set them; an ACT file can
        // start the same way only by chance, and then its name says so.
        return file.size() >= 4 && QByteArray("\0\2\3\4\5", 5).contains(file[1]) &&
               quint8(file[2]) <= 1 && QByteArray("\1\2\4\x8").contains(file[3]) &&
               !name.endsWith(QLatin1String(".act"), Qt::CaseInsensitive);
    case ImageFormat::Unknown:
        break;
    }
    return false;
}

ImageRead ReadIndexedImage(QByteArrayView file)
{
    switch (DetectImageFormat(file)) {
    case ImageFormat::Png:
        return ReadWithQt(file, "png");
    case ImageFormat::Bmp:
        return ReadWithQt(file, "bmp");
    case ImageFormat::Gif:
        return ReadGif(file);
    case ImageFormat::Pcx:
    case ImageFormat::Unknown:
        break;
    }
    return Refuse(ImageRefusal::Unreadable, QStringLiteral("not a PNG, BMP or GIF file"));
}

PcxFile ToPcxFile(IndexedImage image)
{
    PcxFile pcx;
    if (image.width < 1 || image.height < 1 || image.width > 65536 || image.height > 65536) {
        pcx.refusal = PcxRefusal::SizeBeyondData;
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
    pcx.palette = QByteArray(kPaletteSize, '\0');
    const qsizetype entries = qMin<qsizetype>(image.palette.size() / 3, kEntries);
    for (qsizetype i = 0; i < entries; ++i)
        for (int c = 0; c < 3; ++c)
            pcx.palette[3 * (kEntries - 1 - i) + c] = image.palette[3 * i + c];
    std::unique_ptr<quint8[]> bytes = AllocatePixels(image.pixels.size());
    if (!bytes) {
        pcx.refusal = PcxRefusal::OutOfMemory;
        return pcx;
    }
    std::copy(image.pixels.begin(), image.pixels.end(), bytes.get());
    pcx.decoded = PixelBuffer(std::move(bytes), image.pixels.size());
    pcx.image = PcxImage(pcx.decoded, image.width, image.height, std::size_t(image.width));
    return pcx;
}

AnyImage ReadAnyImage(QByteArrayView file)
{
    AnyImage any;
    const ImageFormat format = DetectImageFormat(file);
    if (format == ImageFormat::Pcx || format == ImageFormat::Unknown) {
        any.pcx = ReadPcx(file);
        if (!any.pcx.accepted()) {
            any.refusal = any.pcx.refusal == PcxRefusal::NotIndexed8 ? ImageRefusal::NotIndexed
                                                                     : ImageRefusal::Unreadable;
            any.detail = PcxRefusalText(any.pcx.refusal);
        }
        return any;
    }
    ImageRead read = ReadIndexedImage(file);
    any.refusal = read.refusal;
    any.detail = read.detail;
    if (read.refusal != ImageRefusal::None) {
        // The PCX side says refused too, for callers that only look there.
        any.pcx.refusal = read.refusal == ImageRefusal::NotIndexed ? PcxRefusal::NotIndexed8
                                                                   : PcxRefusal::Unreadable;
        return any;
    }
    any.pcx = ToPcxFile(std::move(read.image));
    if (!any.pcx.accepted()) {
        any.refusal = ImageRefusal::Unreadable;
        any.detail = QStringLiteral("the picture is too large");
    }
    return any;
}
