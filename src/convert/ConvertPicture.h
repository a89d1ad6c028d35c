#pragma once

#include "convert/Dither.h"

#include <array>
#include <cstdint>
#include <vector>

// Where a picture's colours go.
struct ConvertTarget {
    enum class Kind { Whole, NewPalette, Range } kind = Kind::Whole;
    // NewPalette: `count` colours written from entry `first` on (as many as fit).
    // Range: the entries first..last, either order.
    int first = 0;
    int last = 255;
    int count = 256;
};

struct ConvertedPicture {
    // The palette the picture is drawn through: the given one, or with the new
    // entries written.
    std::array<Rgb8, 256> palette{};
    // Entry of each pixel, row after row; empty when nothing could be converted.
    std::vector<std::uint8_t> entries;
};

// An RGBA picture (rows of width * 4 bytes) onto a 256-entry palette.
ConvertedPicture ConvertPicture(const std::uint8_t *rgba, int width, int height,
                                const std::array<Rgb8, 256> &palette, const ConvertTarget &target,
                                RemapOptions options);
