#include "convert/ConvertCycles.h"

#include <algorithm>

TargetPalette MakeTargetOffCycles(const std::uint8_t *rgba, int width, int height,
                                  const std::array<Rgb8, 256> &palette, ConvertTarget target,
                                  int transparentEntry, const CycleRanges &ranges,
                                  Progress *progress)
{
    const auto cycled = CycledEntries(ranges);
    // Around marked entries, cycled ones are reserved in place.
    if (target.marks.any()) {
        for (int e = 0; e < kPalletEntries; ++e)
            if (cycled[std::size_t(e)])
                target.marks.reserved.set(std::size_t(e));
        return MakeTarget(rgba, width, height, palette, target, transparentEntry, progress);
    }
    std::vector<int> still;
    for (int e = std::clamp(target.first, 0, 255); e < kPalletEntries; ++e)
        if (!cycled[std::size_t(e)] && e != transparentEntry)
            still.push_back(e);
    const bool fresh = target.kind == ConvertTarget::Kind::NewPalette;
    if (fresh)
        target.count = std::min(target.count, int(still.size()));
    TargetPalette made =
        MakeTarget(rgba, width, height, palette, target, transparentEntry, progress);
    if (!fresh) {
        made.candidates.erase(
            std::remove_if(made.candidates.begin(), made.candidates.end(),
                           [&](const Candidate &c) { return cycled[std::size_t(c.entry)]; }),
            made.candidates.end());
        return made;
    }
    // Made for S.. on, in order; moved to the entries that stay still.
    if (made.candidates.size() > still.size())
        made.candidates.resize(still.size());
    made.palette = palette;
    for (std::size_t i = 0; i < made.candidates.size(); ++i) {
        made.candidates[i].entry = still[i];
        made.palette[std::size_t(still[i])] = made.candidates[i].colour;
    }
    return made;
}
