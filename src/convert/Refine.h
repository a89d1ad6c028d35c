#pragma once

#include "convert/Nearest.h"

#include <cstdint>

// Changes entries of a dithered picture, one pixel at a time, wherever that
// brings the picture as a blur of sigma 1 shows it (how a dithered picture
// is seen from a normal distance) nearer the original: the error a pixel
// cannot reach on its own is spread among its neighbours, as no single pass
// of error diffusion can. The error is weighed in OKLab around each pixel's
// colour, or in plain RGB. Transparent pixels (alpha under 128, when they
// take an entry) keep it.
struct RefineOptions {
    ColourSpace space = ColourSpace::Oklab;
    int transparentEntry = -1;
    int passes = 8; // at most: they stop once nothing moves
    int threads = 1;
};

// entries: the picture's entries, each one of the candidates'; changed in place.
void Refine(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
            const RefineOptions &options, std::uint8_t *entries);
