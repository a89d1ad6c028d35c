#include "formats/GifWriter.h"

#include "base/ByteOrder.h"

#include <gif_lib.h>

#include <memory>
#include <vector>

namespace {

constexpr int kEntries = 256;
// What giflib writes before the pixel data of one frame with no extension:
// the header, the screen, its 256 colours and the image descriptor.
constexpr qsizetype kLeadBytes = 6 + 7 + 3 * kEntries + 10;

int AppendGifBytes(GifFileType *gif, const GifByteType *bytes, int n)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(bytes), n);
    return n;
}

struct MapFree {
    void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFree>;

ColourMap MapOf(const PalletArray &pallet)
{
    ColourMap map(GifMakeMapObject(kEntries, nullptr));
    for (int i = 0; map && i < kEntries; ++i)
        map->Colors[i] = {pallet[std::size_t(i)].R, pallet[std::size_t(i)].G,
                          pallet[std::size_t(i)].B};
    return map;
}

bool Fits(const PcxImage &image)
{
    return image.width() <= 0xFFFF && image.height() <= 0xFFFF;
}

// giflib's close frees the file whatever it returns, so it is called once,
// here, and its answer kept.
std::optional<QByteArray> WriteWithGiflib(const PcxImage &image, const PalletArray &pallet,
                                          const QByteArray &records)
{
    QByteArray bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, AppendGifBytes, &error);
    if (!gif)
        return std::nullopt;
    EGifSetGifVersion(gif, true);
    const ColourMap map = MapOf(pallet);
    bool ok =
        map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map.get()) == GIF_OK;
    static const GifByteType kApp[] = {'C', 'R', 'N', 'G', 0, 0, 0, 0, '1', '.', '0'};
    if (ok && !records.isEmpty())
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, sizeof kApp, kApp) == GIF_OK &&
             EGifPutExtensionBlock(gif, int(records.size()), records.constData()) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(std::size_t(image.width()));
    for (int y = 0; ok && y < image.height(); ++y) {
        image.copyRow(y, row.data());
        for (GifPixelType &v : row)
            v = GifPixelType(255 - v);
        ok = EGifPutLine(gif, row.data(), image.width()) == GIF_OK;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        return std::nullopt;
    return bytes;
}

void AppendColours(QByteArray &out, const PalletArray &pallet)
{
    for (int i = 0; i < kEntries; ++i) {
        const PalletEntry &e = pallet[std::size_t(i)];
        out.append(char(e.R)).append(char(e.G)).append(char(e.B));
    }
}

} // namespace

std::optional<QByteArray> EncodeGif(const PcxImage &image, const PalletArray &pallet,
                                    const CycleRanges &cycles)
{
    if (!Fits(image))
        return std::nullopt;
    return WriteWithGiflib(image, pallet, CycleRecords(cycles));
}

std::optional<QByteArray> EncodeCycleGif(const PcxImage &image, const PalletArray &pallet,
                                         const CycleRanges &cycles, const CycleFrames &frames)
{
    if (!Fits(image) || frames.frames.empty())
        return std::nullopt;
    // Every frame holds the same pixels: giflib compresses them once and the
    // frames differ only in their tables.
    const std::optional<QByteArray> single = WriteWithGiflib(image, pallet, {});
    if (!single || single->size() <= kLeadBytes)
        return std::nullopt;
    const QByteArrayView pixels =
        QByteArrayView(*single).sliced(kLeadBytes, single->size() - kLeadBytes - 1);
    const qint64 size = qint64(frames.frames.size()) * (kLeadBytes + 8 + pixels.size());
    if (size > kMaxCycleGifBytes)
        return std::nullopt;

    QByteArray out("GIF89a");
    out.reserve(size);
    AppendLe16(out, image.width());
    AppendLe16(out, image.height());
    out.append(char(0xF7)).append(char(0)).append(char(0));
    AppendColours(out, pallet);
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const CycleFrame &frame : frames.frames) {
        // Each frame replaces the last whole: nothing to dispose of.
        out.append("\x21\xF9\x04\x04", 4);
        AppendLe16(out, qMin(frame.delay, 0xFFFF));
        out.append('\0').append('\0');
        out.append(char(0x2C));
        AppendLe16(out, 0);
        AppendLe16(out, 0);
        AppendLe16(out, image.width());
        AppendLe16(out, image.height());
        out.append(char(0x87));
        AppendColours(out, RotatePallet(pallet, cycles, frame.steps));
        out.append(pixels.data(), pixels.size());
    }
    out.append(char(0x3B));
    return out;
}
