#pragma once

#include "convert/Nearest.h"

#include "base/PixelBuffer.h"

class Progress;

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

enum class Dither {
    None,
    FloydSteinberg,
    Atkinson,
    SierraLite,
    JarvisJudiceNinke,
    Bayer2,
    Bayer4,
    Bayer8,
};

struct RemapOptions {
    Dither dither = Dither::FloydSteinberg;
    int strength = 100; // percent of the error passed on, or of the ordered spread
    bool serpentine = true;
    ColourSpace space = ColourSpace::Oklab;
    // Taken by pixels of alpha under 128; with none, alpha is composited over black.
    int transparentEntry = -1;
    // Without error diffusion, rows are shared out over this many threads.
    int threads = 1;
    // Error diffusion followed by Refine (convert/Refine.h), nearer the
    // picture as it is seen, where Refines says so.
    bool refine = true;
    // Told of each band done, in pixels (RemapUnits in all), and asked
    // whether to stop: Remap then gives false.
    Progress *progress = nullptr;
};

// The units of work Remap tells its progress of.
std::int64_t RemapUnits(int width, int height, const RemapOptions &options);

// Whether Remap refines after error diffusion: only at full strength (a
// weaker one asks for less dithering) and not after Atkinson's, whose lost
// error is its look.
bool Refines(const RemapOptions &options);

// Whether Remap only takes each pixel's nearest candidate: no dithering.
bool RemapsPlain(const RemapOptions &options);

// The entry of each pixel of an RGBA picture (4 bytes a pixel, rows of
// width * 4 bytes), one byte a pixel into out. Error diffusion carries the
// error in sRGB values. Of equally near candidates the lowest entry is taken.
// False when there is no candidate or no pixel, or when stopped.
// table: kept from call to call without dithering, for one set of
// candidates and options, so that no colour is searched twice.
struct ColourTable;
bool Remap(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
           const RemapOptions &options, std::uint8_t *out, ColourTable *table = nullptr);

// The entry of each byte colour met so far, over every colour (16 MiB).
struct ColourTable {
    PixelBytes entries;
    std::vector<std::uint64_t> known; // a bit a colour held
    // A bit a colour of the pixels in hand, a set a thread, kept for the next call.
    std::vector<std::vector<std::uint64_t>> seen;
    std::vector<std::optional<NearestFinder>> finders; // a thread's, its cells set out as met
};
// Null without the memory for it.
std::unique_ptr<ColourTable> NewColourTable();
