#include "formats/GifLzw.h"
#include "formats/ImageRead.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Longest LZW string a 12-bit code can stand for: the data's pixels are at
// most 4096 for every 12 bits.
constexpr qint64 kMaxPixelsPer12Bits = 4096;

// A frame is decoded a whole line at a time, so a frame overhanging its
// screen costs the needed rows times its full width, in time and in memory
// for its rows, not the pixels kept. A frame inside the screen costs at most
// the screen's pixels, so the same limit keeps any frame's cost to that of
// the largest picture that opens.
constexpr qint64 kMaxDecodedPixels = kMaxImagePixels;

// GrafX2's application extension for colour cycling ranges.
constexpr char kCycleApp[] = "CRNG\0\0\0\0"
                             "1.0";

// giflib sets up its own decoder for codes of 9 bits at most, though a
// frame's codes may grow to 12 bits from any size: ours decodes the data,
// and giflib is shown a size it takes in place of the frame's.
constexpr int kMaxCodeSize = 11;
constexpr int kGiflibCodeSize = 8;

struct GifSource {
    QByteArrayView bytes;
    qsizetype at = 0;
    qsizetype codeSizeAt = -1;
};

int ReadGifBytes(GifFileType *gif, GifByteType *out, int wanted)
{
    auto *src = static_cast<GifSource *>(gif->UserData);
    const int n = int(qMin<qsizetype>(wanted, src->bytes.size() - src->at));
    std::memcpy(out, src->bytes.data() + src->at, std::size_t(qMax(n, 0)));
    if (src->codeSizeAt >= src->at && src->codeSizeAt < src->at + n)
        out[src->codeSizeAt - src->at] = kGiflibCodeSize;
    src->at += qMax(n, 0);
    return n;
}

// The frame's LZW code size, after its descriptor and colour table; -1 when
// the file ends first.
int FrameCodeSize(GifSource &source)
{
    const QByteArrayView f = source.bytes;
    if (f.size() - source.at < 10)
        return -1;
    const int flags = quint8(f[source.at + 8]);
    const qsizetype at = source.at + 9 + (flags & 0x80 ? 3 << ((flags & 7) + 1) : 0);
    if (at >= f.size())
        return -1;
    const int size = quint8(f[at]);
    if (size > kGiflibCodeSize)
        source.codeSizeAt = at;
    return size;
}

struct GifCloser {
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};

ImageRead RefuseGif(int code)
{
    switch (code) {
    case D_GIF_ERR_NO_SCRN_DSCR: // DGifOpen's name for a read failing in the header
    case D_GIF_ERR_READ_FAILED:
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the file ends before the picture is complete"));
    case D_GIF_ERR_EOF_TOO_SOON:
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the image data ends before the last pixel"));
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    default:
        break;
    }
    const char *text = GifErrorString(code);
    return RefuseImage(ImageRefusal::Unreadable,
                       text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code));
}

// Frame rows in the order the data holds them: interlaced frames in four
// passes.
std::vector<int> RowOrder(const GifImageDesc &d)
{
    std::vector<int> order;
    order.reserve(std::size_t(qMax(d.Height, 0)));
    for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int y = d.Interlace ? start : 0; y < d.Height; y += d.Interlace ? step : 1)
            order.push_back(y);
        if (!d.Interlace)
            break;
    }
    return order;
}

// Puts rows decoded in the data's order where they belong, each moved once.
void PlaceRows(quint8 *rows, std::size_t width, const std::vector<int> &order)
{
    std::vector<std::size_t> from(order.size()); // the data row that row y shows
    for (std::size_t i = 0; i < order.size(); ++i)
        from[std::size_t(order[i])] = i;
    std::vector<quint8> held(width);
    std::vector<bool> done(order.size());
    for (std::size_t first = 0; first < order.size(); ++first) {
        if (done[first] || from[first] == first)
            continue;
        std::memcpy(held.data(), rows + first * width, width);
        std::size_t y = first;
        for (; from[y] != first; y = from[y]) {
            std::memcpy(rows + y * width, rows + from[y] * width, width);
            done[y] = true;
        }
        std::memcpy(rows + y * width, held.data(), width);
        done[y] = true;
    }
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
        return RefuseGif(error);
    GifFileType *g = gif.get();
    if (const ImageRefusal size = CheckOpenedSize(g->SWidth, g->SHeight);
        size != ImageRefusal::None)
        return RefuseImage(size, size == ImageRefusal::Empty
                                     ? QStringLiteral("the logical screen has no pixel")
                                     : TooLargeText(g->SWidth, g->SHeight, true));
    int transparent = -1;
    CycleRanges cycles;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(g, &record) == GIF_ERROR)
            return RefuseGif(g->Error);
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(g, &code, &block) == GIF_ERROR)
                return RefuseGif(g->Error);
            GraphicsControlBlock gcb;
            if (code == GRAPHICS_EXT_FUNC_CODE && block &&
                DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
            const bool cycling = code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11 &&
                                 std::memcmp(block + 1, kCycleApp, 11) == 0;
            QByteArray records;
            for (;;) {
                if (DGifGetExtensionNext(g, &block) == GIF_ERROR)
                    return RefuseGif(g->Error);
                if (!block)
                    break;
                if (cycling)
                    records.append(reinterpret_cast<const char *>(block + 1), block[0]);
            }
            if (cycling)
                cycles = ReadCycleRecords(records);
        } else if (record == TERMINATE_RECORD_TYPE) {
            return RefuseImage(ImageRefusal::Unreadable, QStringLiteral("no picture in the file"));
        }
    } while (record != IMAGE_DESC_RECORD_TYPE);
    const int codeSize = FrameCodeSize(source);
    if (codeSize > kMaxCodeSize)
        return RefuseImage(ImageRefusal::Unreadable,
                           QStringLiteral("an LZW code size of %1, where codes of 12 bits allow "
                                          "at most %2")
                               .arg(codeSize)
                               .arg(kMaxCodeSize));
    if (DGifGetImageDesc(g) == GIF_ERROR)
        return RefuseGif(g->Error);

    // Only the rows up to the last one on the screen are decoded.
    const GifImageDesc &d = g->Image;
    const std::vector<int> order = RowOrder(d);
    const int shown = qBound(0, g->SWidth - d.Left, d.Width);
    std::size_t needed = 0;
    for (std::size_t i = 0; i < order.size() && shown > 0; ++i)
        if (d.Top + order[i] < g->SHeight)
            needed = i + 1;
    const qint64 work = qint64(needed) * qMax(d.Width, 0);
    if (work > kMaxDecodedPixels)
        return RefuseImage(
            ImageRefusal::TooLarge,
            QStringLiteral("a frame of %1 x %2 far beyond its screen").arg(d.Width).arg(d.Height));
    // Data that could never fill the frame is a cut file.
    if (work * 12 > kMaxPixelsPer12Bits * 8 * (file.size() - source.at))
        return RefuseGif(D_GIF_ERR_READ_FAILED);

    ImageRead r;
    r.width = g->SWidth;
    r.height = g->SHeight;
    const std::size_t screenPixels = std::size_t(r.width) * std::size_t(r.height);
    PixelBytes pixels = AllocatePixels(screenPixels);
    if (!pixels)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    // Without any colour table the indices are grey levels, as Pillow shows them.
    const ColorMapObject *map = d.ColorMap ? d.ColorMap : g->SColorMap;
    for (int i = 0; i < (map ? qMin(map->ColorCount, 256) : 256); ++i) {
        const GifColorType c = map ? map->Colors[i] : GifColorType{quint8(i), quint8(i), quint8(i)};
        r.palette.append(char(c.Red)).append(char(c.Green)).append(char(c.Blue));
    }

    // A frame as wide as the screen is decoded in place when its rows fit
    // there, interlaced ones then put in order; any other into rows of its
    // own, then placed.
    const std::size_t width = std::size_t(r.width);
    const bool inPlace = needed > 0 && d.Left == 0 && d.Width == r.width &&
                         (!d.Interlace || d.Top + d.Height <= r.height);
    const std::size_t firstRow = inPlace ? std::size_t(d.Top) : 0;
    const std::size_t placedRows = inPlace ? needed : 0;
    const quint8 background = quint8(255 - (transparent >= 0 ? transparent : 0));
    std::fill_n(pixels.get(), firstRow * width, background);
    std::fill_n(pixels.get() + (firstRow + placedRows) * width,
                screenPixels - (firstRow + placedRows) * width, background);
    if (needed > 0) {
        const std::size_t frameWidth = std::size_t(d.Width);
        PixelBytes rows;
        if (!inPlace && !(rows = AllocatePixels(needed * frameWidth)))
            return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
        int giflibSize = 0;
        GifByteType *block = nullptr;
        if (DGifGetCode(g, &giflibSize, &block) == GIF_ERROR)
            return RefuseGif(g->Error);
        if (!block)
            return RefuseGif(D_GIF_ERR_IMAGE_DEFECT);
        quint8 *out = inPlace ? pixels.get() + firstRow * width : rows.get();
        const GifLzwResult decoded =
            DecodeGifLzw(file, source.at - block[0], source.at, codeSize, out, needed * frameWidth);
        switch (decoded.end) {
        case GifLzwEnd::Full:
            break;
        case GifLzwEnd::Cut:
            return RefuseGif(D_GIF_ERR_READ_FAILED);
        case GifLzwEnd::EndCode:
            return RefuseGif(D_GIF_ERR_EOF_TOO_SOON);
        case GifLzwEnd::Damaged:
            return RefuseGif(D_GIF_ERR_IMAGE_DEFECT);
        }
        // A frame read to its last row is read on to its end, as giflib does.
        if (needed == order.size() && !SkipGifBlocks(file, decoded.next))
            return RefuseGif(D_GIF_ERR_READ_FAILED);
        if (inPlace && d.Interlace)
            PlaceRows(out, width, order);
        for (std::size_t i = 0; i < needed && !inPlace; ++i) {
            const int sy = d.Top + order[i];
            if (sy < r.height)
                std::memcpy(pixels.get() + std::size_t(sy) * width + std::size_t(d.Left),
                            rows.get() + i * frameWidth, std::size_t(shown));
        }
    }
    r.pixels = PixelBuffer(std::move(pixels), screenPixels);
    r.cycles = std::move(cycles);
    return r;
}
