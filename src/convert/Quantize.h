#pragma once

#include "model/Oklab.h"

#include <cstdint>
#include <vector>

class Progress;

struct NewPalette {
    std::vector<Rgb8> colours;
    // Exactly the picture's colours: remapped without dithering, no pixel changes.
    bool exact = false;
};

// A palette of at most n colours (2..256) for an RGBA picture (4 bytes a
// pixel, rows of width * 4 bytes), chosen in OKLab. Pixels of alpha under 128
// are left out when skipTransparent, else composited over black as Remap
// draws them. A picture of n colours or fewer gets exactly its colours.
// The colours go dark to light (OKLab L). No colour when n is out of range or no pixel counts,
// or when stopped. progress: told of width * height units in all.
NewPalette MakePalette(const std::uint8_t *rgba, int width, int height, int n, bool skipTransparent,
                       Progress *progress = nullptr);
