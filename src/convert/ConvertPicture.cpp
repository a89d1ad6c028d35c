#include "convert/ConvertPicture.h"

#include "model/Levels.h"

#include "convert/Quantize.h"
#include "convert/SharedPalette.h"

#include "base/Progress.h"

#include <algorithm>

namespace {

// A target around locked and reserved entries; the transparent entry is one of the reserved.
TargetPalette MakeMarkedTarget(const std::uint8_t *rgba, int width, int height,
                               const std::array<Rgb8, 256> &palette, ConvertTarget target,
                               int transparentEntry, Progress *progress)
{
    EntrySet reserved = target.marks.reserved;
    if (transparentEntry >= 0 && transparentEntry < 256)
        reserved.set(std::size_t(transparentEntry));
    const EntrySet locked = target.marks.locked & ~reserved;
    target.marks = {};
    TargetPalette out;
    if (target.kind != ConvertTarget::Kind::NewPalette) {
        out = MakeTarget(rgba, width, height, palette, target, transparentEntry, progress);
        out.candidates.erase(
            std::remove_if(out.candidates.begin(), out.candidates.end(),
                           [&](const Candidate &c) { return reserved[std::size_t(c.entry)]; }),
            out.candidates.end());
    } else {
        out.palette = palette;
        ColourTally tally;
        if (!tally.add(rgba, width, height, transparentEntry >= 0))
            return out;
        PaletteGoal goal;
        goal.first = std::clamp(target.first, 0, 255);
        goal.count = std::clamp(target.count, 1, 256 - goal.first);
        goal.start = palette;
        goal.locked = locked;
        goal.reserved = reserved;
        SharedPalette made = MakeSharedPalette(tally, goal);
        Add(progress, TargetUnits(width, height, target));
        if (Stopped(progress))
            return out;
        out.palette = made.colours;
        out.candidates = std::move(made.candidates);
        out.exact = made.exact;
    }
    out.locked = locked;
    return out;
}

} // namespace

TargetPalette MakeTarget(const std::uint8_t *rgba, int width, int height,
                         const std::array<Rgb8, 256> &palette, const ConvertTarget &target,
                         int transparentEntry, Progress *progress)
{
    if (target.marks.any())
        return MakeMarkedTarget(rgba, width, height, palette, target, transparentEntry, progress);
    TargetPalette out;
    out.palette = palette;
    const int first = std::clamp(target.first, 0, 255);
    switch (target.kind) {
    case ConvertTarget::Kind::Whole:
        out.candidates = RangeCandidates(palette.data(), 0, 255);
        break;
    case ConvertTarget::Kind::Range:
        out.candidates = RangeCandidates(palette.data(), first, std::clamp(target.last, 0, 255));
        break;
    case ConvertTarget::Kind::NewPalette: {
        std::vector<int> room;
        for (int e = first; e < 256; ++e)
            if (e != transparentEntry)
                room.push_back(e);
        if (room.size() < 2 || width < 1 || height < 1)
            break;
        const NewPalette made =
            MakePalette(rgba, width, height, std::clamp(target.count, 2, int(room.size())),
                        transparentEntry >= 0, progress);
        for (std::size_t i = 0; i < made.colours.size(); ++i) {
            out.palette[std::size_t(room[i])] = made.colours[i];
            out.candidates.push_back({room[i], made.colours[i]});
        }
        out.exact = made.exact;
        break;
    }
    }
    out.candidates.erase(std::remove_if(out.candidates.begin(), out.candidates.end(),
                                        [transparentEntry](const Candidate &c) {
                                            return c.entry == transparentEntry;
                                        }),
                         out.candidates.end());
    return out;
}

std::int64_t TargetUnits(int width, int height, const ConvertTarget &target)
{
    return target.kind == ConvertTarget::Kind::NewPalette
               ? std::int64_t(std::max(width, 0)) * std::max(height, 0)
               : 0;
}

ConvertedPicture ConvertPicture(const std::uint8_t *rgba, int width, int height,
                                const TargetPalette &target, RemapOptions options)
{
    ConvertedPicture out;
    out.palette = target.palette;
    if (width < 1 || height < 1 || target.candidates.empty())
        return out;
    if (target.exact)
        options.dither = Dither::None;
    out.entries.resize(std::size_t(width) * std::size_t(height));
    if (!Remap(rgba, width, height, target.candidates, options, out.entries.data()))
        out.entries.clear();
    return out;
}

void SnapTarget(TargetPalette &target, const Levels &levels)
{
    for (Candidate &c : target.candidates) {
        if (target.locked[std::size_t(c.entry)])
            continue;
        PalletEntry e;
        e.set(c.colour.r, c.colour.g, c.colour.b);
        e = SnapEntry(levels, e);
        const Rgb8 snapped{e.R, e.G, e.B};
        // Colours moved: the picture's own colours are no longer all there.
        target.exact = target.exact && snapped == c.colour;
        c.colour = snapped;
        target.palette[std::size_t(c.entry)] = snapped;
    }
}
