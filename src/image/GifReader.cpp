#include "image/ImageRead.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// One LZW code of at most 12 bits yields at most 4096 pixels.
constexpr qint64 kMaxLzwRatio = 4096 * 8 / 2;

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

} // namespace

// As Pillow shows the first frame: outside the frame the transparent index,
// else 0.
ImageRead ReadGif(QByteArrayView file)
{
    GifSource source{file, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
    if (!gif)
        return RefuseImage(ImageRefusal::Unreadable, GifError(error));
    GifFileType *g = gif.get();
    int transparent = -1;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(g, &record) == GIF_ERROR)
            return RefuseImage(ImageRefusal::Unreadable, GifError(g->Error));
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(g, &code, &block) == GIF_ERROR)
                return RefuseImage(ImageRefusal::Unreadable, GifError(g->Error));
            GraphicsControlBlock gcb;
            if (code == GRAPHICS_EXT_FUNC_CODE && block &&
                DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
            while (block) {
                if (DGifGetExtensionNext(g, &block) == GIF_ERROR)
                    return RefuseImage(ImageRefusal::Unreadable, GifError(g->Error));
            }
        } else if (record == TERMINATE_RECORD_TYPE) {
            return RefuseImage(ImageRefusal::Unreadable, QStringLiteral("no frame"));
        }
    } while (record != IMAGE_DESC_RECORD_TYPE);
    if (DGifGetImageDesc(g) == GIF_ERROR)
        return RefuseImage(ImageRefusal::Unreadable, GifError(g->Error));

    const GifImageDesc &d = g->Image;
    const ColorMapObject *map = d.ColorMap ? d.ColorMap : g->SColorMap;
    if (!map)
        return RefuseImage(ImageRefusal::Unreadable, QStringLiteral("no colour table"));
    const qint64 framePixels = qint64(d.Width) * d.Height;
    const qint64 screenPixels = qint64(g->SWidth) * g->SHeight;
    if (const ImageRefusal size = CheckImageSize(g->SWidth, g->SHeight); size != ImageRefusal::None)
        return RefuseImage(
            size, QStringLiteral("a logical screen of %1 x %2").arg(g->SWidth).arg(g->SHeight));
    if (framePixels > kMaxLzwRatio * qMax<qint64>(file.size(), 64))
        return RefuseImage(ImageRefusal::TooLarge,
                           QStringLiteral("the frame is larger than its data can fill"));

    ImageRead r;
    r.width = g->SWidth;
    r.height = g->SHeight;
    std::unique_ptr<quint8[]> pixels = AllocatePixels(std::size_t(screenPixels));
    if (!pixels)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    std::fill_n(pixels.get(), screenPixels, quint8(255 - (transparent >= 0 ? transparent : 0)));
    for (int i = 0; i < map->ColorCount && i < 256; ++i)
        r.palette.append(char(map->Colors[i].Red))
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
            return RefuseImage(ImageRefusal::Unreadable, GifError(g->Error));
        const int sy = d.Top + y;
        if (sy < 0 || sy >= r.height)
            continue;
        for (int x = 0; x < d.Width; ++x) {
            const int sx = d.Left + x;
            if (sx >= 0 && sx < r.width)
                pixels[std::size_t(sy) * std::size_t(r.width) + std::size_t(sx)] =
                    quint8(255 - line[std::size_t(x)]);
        }
    }
    r.pixels = PixelBuffer(std::move(pixels), std::size_t(screenPixels));
    return r;
}
