#pragma once

// Levels per channel of palette hardware that cannot show every 8-bit value.
// With L levels, level k is round(k * 255 / (L - 1)) and a value v belongs to
// level round(v * (L - 1) / 255), halves rounded up: 0 and 255 are always
// levels, and neighbouring levels are as evenly spread as 8 bits allow.
#include "model/PalletEntry.h"

#include <array>

constexpr int kMinLevels = 2;
constexpr int kMaxLevels = 256;

struct Levels {
    std::array<int, 3> count{kMaxLevels, kMaxLevels, kMaxLevels};

    bool any() const { return count != Levels{}.count; }
    bool operator==(const Levels &o) const { return count == o.count; }
    bool operator!=(const Levels &o) const { return count != o.count; }
};

// The dialog's presets, "no limit" first; their names are the catalogue's.
constexpr int kLevelsPresets = 12;
const std::array<Levels, kLevelsPresets> &LevelsPresets();
// The preset with these counts, or -1.
int LevelsPresetOf(const Levels &levels);

// Counts out of 2..256 are taken as the nearest bound.
int LevelValue(int levels, int k);
int LevelOf(int levels, int value);
inline int SnapValue(int levels, int value)
{
    return LevelValue(levels, LevelOf(levels, value));
}

// An entry already on the grid comes back as it was, a never written one too.
PalletEntry SnapEntry(const Levels &levels, const PalletEntry &entry);
bool OnGrid(const Levels &levels, const PalletEntry &entry);
// Entries first..last (either order) snapped; the rest as they were.
PalletArray SnapRange(const Levels &levels, const PalletArray &pallet, int s, int t);
