#pragma once

#include "convert/Dither.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Whether RemapBands gives what Remap gives for these options: every mode
// but a refined error diffusion, whose refinement needs the whole picture.
bool RemapsInBands(const RemapOptions &options);

// Writes the next `rows` rows of the picture (width * 4 bytes each) at `to`;
// false stops the remapping.
using NextRows = std::function<bool(std::uint8_t *to, int rows)>;

// How much of a picture RemapBands holds by default: a picture no larger
// gains nothing from bands and is better decoded whole, on every core.
constexpr std::size_t kRemapBandBytes = std::size_t(64) << 20;
// Without dithering bands this large do as well: each colour is searched
// once for all of them, and only a band's memory is ever fresh.
constexpr std::size_t kPlainBandBytes = std::size_t(16) << 20;
// Of the two, the one for these options.
std::size_t RemapBandBytes(const RemapOptions &options);

// Remap, for a picture read band after band: about `bandBytes` of its rows
// are held at a time (error diffusion: a band of 512 rows more), never the
// whole. out: width * height entries. False when `next` stops or the
// options want Refine, else as Remap.
bool RemapBands(const NextRows &next, int width, int height, const Candidates &candidates,
                const RemapOptions &options, std::uint8_t *out,
                std::size_t bandBytes = kRemapBandBytes);
