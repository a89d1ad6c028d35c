#pragma once

#include "convert/Oklab.h"

#include <cstdint>
#include <vector>

// A palette of at most n colours (2..256) for an RGBA picture (4 bytes a
// pixel, rows of width * 4 bytes), chosen in OKLab. Pixels of alpha under 128
// are left out when skipTransparent, else composited over black as Remap
// draws them. A picture of n colours or fewer gets exactly its colours.
// Empty when n is out of range or no pixel counts.
std::vector<Rgb8> MakePalette(const std::uint8_t *rgba, int width, int height, int n,
                              bool skipTransparent);
