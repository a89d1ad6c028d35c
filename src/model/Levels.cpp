#include "model/Levels.h"

#include <algorithm>

namespace {

int Bound(int levels)
{
    return std::clamp(levels, kMinLevels, kMaxLevels);
}

} // namespace

const std::array<Levels, kLevelsPresets> &LevelsPresets()
{
    static const std::array<Levels, kLevelsPresets> presets{{
        {{256, 256, 256}}, // no limit
        {{64, 64, 64}},    // VGA DAC
        {{16, 16, 16}},    // Amiga OCS/ECS
        {{8, 8, 8}},       // Atari ST
        {{16, 16, 16}},    // Atari STE
        {{8, 8, 8}},       // Mega Drive
        {{4, 4, 4}},       // Master System
        {{4, 4, 4}},       // EGA
        {{32, 32, 32}},    // SNES, GBA, GBC
        {{8, 8, 4}},       // 3-3-2
        {{32, 64, 32}},    // 5-6-5
        {{3, 3, 3}},       // Amstrad CPC
    }};
    return presets;
}

int LevelsPresetOf(const Levels &levels)
{
    const auto &presets = LevelsPresets();
    const auto *at = std::find(presets.begin(), presets.end(), levels);
    return at == presets.end() ? -1 : int(at - presets.begin());
}

// Integer halves-up rounding: floor((2n + d) / 2d) = round(n / d) for n, d >= 0.
int LevelValue(int levels, int k)
{
    const int steps = Bound(levels) - 1;
    k = std::clamp(k, 0, steps);
    return (2 * k * 255 + steps) / (2 * steps);
}

int LevelOf(int levels, int value)
{
    const int steps = Bound(levels) - 1;
    value = std::clamp(value, 0, 255);
    return (2 * value * steps + 255) / 510;
}

PalletEntry SnapEntry(const Levels &levels, const PalletEntry &entry)
{
    if (OnGrid(levels, entry))
        return entry;
    PalletEntry snapped = entry;
    snapped.set(quint8(SnapValue(levels.count[0], entry.R)),
                quint8(SnapValue(levels.count[1], entry.G)),
                quint8(SnapValue(levels.count[2], entry.B)));
    return snapped;
}

bool OnGrid(const Levels &levels, const PalletEntry &entry)
{
    for (int k = 0; k < 3; ++k)
        if (SnapValue(levels.count[k], entry.channel(k)) != entry.channel(k))
            return false;
    return true;
}

PalletArray SnapRange(const Levels &levels, const PalletArray &pallet, int s, int t)
{
    PalletArray after = pallet;
    for (int i = std::min(s, t); i <= std::max(s, t); ++i)
        after[i] = SnapEntry(levels, pallet[i]);
    return after;
}
