#pragma once

#include "model/Cycling.h"
#include "model/PaletteOps.h"

// Tidying a range of entries without repainting the picture: each result
// says where every entry's pixels go (several entries may go to one) and
// what the palette becomes. Entries outside the range keep their place and
// colour, and so do those of the cycling ranges `held`, on or off, so that
// each range keeps turning its own colours. The range is s..t in either
// order, or every entry when s == t.

struct Tidied {
    EntryMap to;
    PalletArray pallet;
};

// Entries of one colour become the lowest of them; the others keep their
// colour, no longer drawn.
Tidied MergeDuplicates(const PalletArray &pallet, int s, int t, const CycleRanges &held = {});
// Groups in which no two colours lie further apart than `tolerance` (OKLab
// distance x 100), each become its usage-weighted mean in its lowest entry.
// Of the merges in reach the cheapest (usage times squared move) goes first.
Tidied MergeSimilar(const PalletArray &pallet, const UsageCounts &usage, int s, int t,
                    double tolerance, const CycleRanges &held = {});
// The used entries in their order, then the unused ones.
Tidied UnusedToEnd(const PalletArray &pallet, const UsageCounts &usage, int s, int t,
                   const CycleRanges &held = {});

enum class TidyKey { Hue, Lightness, Chroma, Usage };
Tidied SortEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, TidyKey key,
                   const CycleRanges &held = {});
// Merges the closest used pair, by the cost in error the merge adds, until
// at most `colours` used entries remain.
Tidied ReduceEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, int colours,
                     const CycleRanges &held = {});

// Pixels drawn through each entry after the entries' pixels moved by `to`.
UsageCounts MovedUsage(const UsageCounts &usage, const EntryMap &to);

// Renumbering that can be taken back: of each pixel that landed on a value
// several old ones share, which of them it was, as nothing else can tell.
struct RemapUndo {
    ValueMap map{};
    // A rank in as few bits as the largest group needs; room for every
    // pixel, only as much of it written (and so held) as pixels merged.
    PixelBytes merged;
    // The bytes each band of the picture wrote, the bands cut as the
    // renumbering cut them; none when nothing merged.
    std::vector<std::size_t> kept;
};
// The renumbered buffer and what takes it back; nothing when memory runs out.
std::optional<PixelBuffer> RemapKeeping(const PixelBuffer &values, const ValueMap &map,
                                        RemapUndo &undo);
std::optional<PixelBuffer> RemapBack(const PixelBuffer &values, const RemapUndo &undo);
