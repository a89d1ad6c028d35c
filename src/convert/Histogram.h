#pragma once

#include "model/Oklab.h"

#include <cstdint>
#include <unordered_map>
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

// Colours of many pictures, given one by one, in no more room than one
// picture's histogram: exact up to as many distinct colours as that, then
// in its cells for good.
class ColourTally {
public:
    // Each picture counts by its pixels, or as much as any other whatever its size.
    enum class Weighing { Pixels, Equal };
    explicit ColourTally(Weighing weighing = Weighing::Pixels) : weighing_(weighing) {}

    // An RGBA picture as CountColours takes it, rows of width * 4 bytes. False,
    // and nothing counted, for no picture.
    bool add(const std::uint8_t *rgba, int width, int height, bool skipTransparent);
    // Another tally's colours, their weights times `scale`: a picture counted
    // band by band into a tally of its own, or a thread's tally.
    void merge(const ColourTally &other, double scale = 1);
    Weighing weighing() const { return weighing_; }
    // The weight of everything counted.
    double total() const;
    // Points held.
    std::size_t size() const;
    Histogram histogram() const;

private:
    struct TallyCell {
        double w = 0, r = 0, g = 0, b = 0; // r, g, b: weighed sums
    };
    void put(Rgb8 c, double w);
    void toCells();

    Weighing weighing_;
    std::unordered_map<std::uint32_t, double> exact_; // colour: weight
    std::vector<TallyCell> cells_;                    // once exact_ is too large
};
