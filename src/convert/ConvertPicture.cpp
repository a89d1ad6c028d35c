#include "convert/ConvertPicture.h"

#include "convert/Quantize.h"

#include <algorithm>

ConvertedPicture ConvertPicture(const std::uint8_t *rgba, int width, int height,
                                const std::array<Rgb8, 256> &palette, const ConvertTarget &target,
                                RemapOptions options)
{
    ConvertedPicture out;
    out.palette = palette;
    if (width < 1 || height < 1)
        return out;
    Candidates candidates;
    switch (target.kind) {
    case ConvertTarget::Kind::Whole:
        candidates = RangeCandidates(palette.data(), 0, 255);
        break;
    case ConvertTarget::Kind::Range:
        candidates = RangeCandidates(palette.data(), std::clamp(target.first, 0, 255),
                                     std::clamp(target.last, 0, 255));
        break;
    case ConvertTarget::Kind::NewPalette: {
        const int first = std::clamp(target.first, 0, 255);
        const int count = std::clamp(target.count, 2, 256 - first < 2 ? 2 : 256 - first);
        const NewPalette made =
            MakePalette(rgba, width, height, count, options.transparentEntry >= 0);
        if (made.colours.empty() || first + int(made.colours.size()) > 256)
            return out;
        std::copy(made.colours.begin(), made.colours.end(), out.palette.begin() + first);
        candidates =
            RangeCandidates(out.palette.data(), first, first + int(made.colours.size()) - 1);
        // Every colour has an entry of its own: dithering could only move pixels off it.
        if (made.exact)
            options.dither = Dither::None;
        break;
    }
    }
    out.entries.resize(std::size_t(width) * std::size_t(height));
    if (!Remap(rgba, width, height, candidates, options, out.entries.data()))
        out.entries.clear();
    return out;
}
