#include "convert/RemapBands.h"

#include "convert/Diffusion.h"

#include "base/PixelBuffer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// A call over rows that start a band of error diffusion before one of these
// bands gives that band as the whole picture's call does.
bool Diffuses(const RemapOptions &o)
{
    return o.strength > 0 && Diffuses(o.dither);
}

// Pixels as Remap draws them when no entry is transparent: laid over black.
void OverBlackInPlace(std::uint8_t *rgba, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, rgba += 4)
        if (rgba[3] != 255) {
            const Rgb8 c = OverBlack(rgba);
            rgba[0] = c.r;
            rgba[1] = c.g;
            rgba[2] = c.b;
            rgba[3] = 255;
        }
}

} // namespace

std::size_t RemapBandBytes(const RemapOptions &options)
{
    return RemapsPlain(options) ? kPlainBandBytes : kRemapBandBytes;
}

bool RemapsInBands(const RemapOptions &options)
{
    return !Refines(options);
}

bool RemapBands(const NextRows &next, int width, int height, const Candidates &candidates,
                const RemapOptions &options, std::uint8_t *out, std::size_t bandBytes)
{
    if (!RemapsInBands(options) || width <= 0 || height <= 0)
        return false;
    const std::size_t w = std::size_t(width), stride = 4 * w;
    const int bands = int(std::clamp<std::size_t>(bandBytes / (stride * kBandRows), 1,
                                                  std::size_t(height) / kBandRows + 1));
    const int chunk = std::min(height, bands * kBandRows);
    // Error diffusion starts each chunk after the first one band early: a
    // band of see-through pixels, which cost nothing, ending in the rows that
    // prime the chunk's first band. Its entries are thrown away.
    const bool diffuses = Diffuses(options);
    const int lead = diffuses && chunk < height ? kBandRows : 0;
    RemapOptions o = options;
    if (lead && o.transparentEntry < 0)
        o.transparentEntry = 0; // the picture's own pixels are laid over black first
    const PixelBytes rows = AllocatePixels(stride * std::size_t(lead + chunk));
    const std::unique_ptr<std::uint8_t[]> kept(new (std::nothrow) std::uint8_t[w * lead + 1]);
    if (!rows || !kept)
        return false;
    // Without dithering each colour is searched once for all the bands.
    const std::unique_ptr<ColourTable> table =
        RemapsPlain(o) && chunk < height ? NewColourTable() : nullptr;
    std::uint8_t *const fresh = rows.get() + stride * std::size_t(lead);
    for (int y = 0; y < height;) {
        const int n = std::min(chunk, height - y);
        if (!next(fresh, n))
            return false;
        if (lead && options.transparentEntry < 0)
            OverBlackInPlace(fresh, w * std::size_t(n));
        const int before = y > 0 ? lead : 0;
        std::uint8_t *const at = out + w * std::size_t(y - before);
        std::memcpy(kept.get(), at, w * std::size_t(before));
        if (!Remap(fresh - stride * std::size_t(before), width, before + n, candidates, o, at,
                   table.get()))
            return false;
        std::memcpy(at, kept.get(), w * std::size_t(before));
        y += n;
        if (lead && y < height) {
            std::memset(rows.get(), 0, stride * std::size_t(lead - kPrimeRows));
            std::memcpy(fresh - stride * kPrimeRows, fresh + stride * std::size_t(n - kPrimeRows),
                        stride * kPrimeRows);
        }
    }
    return true;
}
