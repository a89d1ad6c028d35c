#pragma once

#include "convert/Histogram.h"
#include "convert/Nearest.h"

#include <array>
#include <bitset>

class Progress;

// What a palette made for many pictures must keep. Entries first..first+count-1
// are the palette's; of them, locked ones keep their colour and pixels may
// take them, reserved ones keep it and no pixel takes them, and the rest are
// free for new colours. Entries outside that span are left alone.
struct PaletteGoal {
    int first = 0, count = 256;
    std::array<Rgb8, 256> start{};
    std::bitset<256> locked, reserved; // reserved wins where both are set
};

struct SharedPalette {
    std::array<Rgb8, 256> colours{};
    // The entries a remap may use: the locked ones and the new colours', by entry.
    Candidates candidates;
    // Every colour counted is among the candidates.
    bool exact = false;
};

// No new colour comes nearer a locked one than this (OKLab): the locked
// entry serves its pixels already.
constexpr float kLockedRoom = 0.01f;

// The free entries take new colours dark to light, chosen as MakePalette
// chooses them, with the locked colours among the centres; free entries
// left over keep their colour. No candidate when the span is out of
// 0..255, nothing was counted, or when stopped. progress: told of
// tally.size() units in all.
SharedPalette MakeSharedPalette(const ColourTally &tally, const PaletteGoal &goal,
                                Progress *progress = nullptr);
