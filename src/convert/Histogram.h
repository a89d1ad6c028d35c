#pragma once

#include "model/Oklab.h"

#include <cstdint>
#include <vector>

// A colour of a picture in OKLab, weighed by its pixels.
struct Weighted {
    Vec3 lab;
    double weight = 0;
};

struct Histogram {
    std::vector<Weighted> points;
    // The distinct colours, in the order of points, when there are few
    // enough to count exactly; else empty, and each point stands for the
    // mean of a cell of colours.
    std::vector<Rgb8> colours;
};

// The colours of an RGBA picture (4 bytes a pixel), alpha under 128 left out
// when skipTransparent, else laid over black.
Histogram CountColours(const std::uint8_t *rgba, std::size_t count, bool skipTransparent);
