#pragma once

#include "base/ZeroedArray.h"
#include "model/Oklab.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The nearest of a fixed set of points to a query, exactly: the same answer
// as comparing every point with Distance2, the lowest position among equals.
// It learns the space as it is asked, so one finder serves one thread.
class NearestFinder {
public:
    // Without a grid the finder walks the sorted points for every query: a
    // few thousand queries cost less so than setting out the grid's cells.
    enum class Grid { Used, None };
    explicit NearestFinder(std::vector<Vec3> points, Grid grid = Grid::Used);

    // hint: a position likely to be the answer, such as the last one found.
    int find(Vec3 query, int hint = 0);
    int size() const { return int(points_.size()); }
    const Vec3 &point(int pos) const { return points_[pos]; }

private:
    float key(Vec3 p) const { return axis_ == 0 ? p.x : axis_ == 1 ? p.y : p.z; }

    std::vector<Vec3> points_;
    // A query nearer a point than this (a quarter of the squared distance to
    // its closest other point, less a margin for rounding) needs no search.
    std::vector<float> alone_;
    // Positions sorted along the axis of widest spread, for a walk outwards
    // from the query that stops once that axis alone is too far.
    int axis_ = 0;
    std::vector<float> keys_;
    std::vector<int> order_;

    // A grid over the points' box (and a margin): each cell, on its first
    // query, lists the points that can be nearest anywhere inside it.
    // No count yet: not yet listed (a listed cell holds a point at least).
    struct Cell {
        std::int32_t start;
        std::int32_t count;
    };
    // Cells along each side: fewer for few points, which would leave most
    // cells empty and cost more to set out than to search.
    int grid_ = 64;
    // A cell's points in whole blocks, whose distances are computed together.
    static constexpr int kBlock = 8;
    int cellOf(Vec3 query) const;
    void fillCell(int cell);
    int walk(Vec3 query, int found, float best) const;
    Vec3 origin_, size_, scale_;
    ZeroedArray<Cell> cells_;
    std::vector<std::uint16_t> lists_;
    std::vector<float> xs_, ys_, zs_;
};

// Answers for byte colours already asked: pictures repeat their colours.
// Direct-mapped on the whole colour, so a hit is the exact answer; a slot
// holds colour and answer together, so a look-up costs one cache line.
class ColourCache {
public:
    // bits: of the slots' count, at most 24; fewer for a small picture.
    explicit ColourCache(int bits = 18);
    int find(NearestFinder &finder, ColourSpace space, Rgb8 c, int hint)
    {
        const std::uint32_t rgb = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
        const std::uint32_t slot = (rgb * 2654435761u) >> (32 - bits_);
        const std::uint32_t held = slots_[slot];
        return held >> 8 == rgb ? int(held & 0xff) : miss(finder, space, c, hint, slot);
    }

private:
    int miss(NearestFinder &finder, ColourSpace space, Rgb8 c, int hint, std::uint32_t slot);

    int bits_;
    std::vector<std::uint32_t> slots_; // colour << 8 | answer
};

// Points of the last byte colours met, direct-mapped: pictures repeat
// their colours, and a point costs three cube roots.
class PointCache {
public:
    template <class Convert> Vec3 find(Rgb8 c, const Convert &convert)
    {
        const std::uint32_t rgb = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
        Slot &s = slots_[(rgb * 2654435761u) >> (32 - kBits)];
        if (s.key != rgb) {
            s.key = rgb;
            s.value = convert(c);
        }
        return s.value;
    }

private:
    static constexpr int kBits = 14;
    struct Slot {
        std::uint32_t key = 0xffffffffu;
        Vec3 value;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(std::size_t(1) << kBits);
};

// What a pixel of an RGBA picture shows when laid over black.
inline Rgb8 OverBlack(const std::uint8_t *p)
{
    const int a = p[3];
    if (a == 255)
        return {p[0], p[1], p[2]};
    const auto over = [a](int c) { return std::uint8_t((c * a + 127) / 255); };
    return {over(p[0]), over(p[1]), over(p[2])};
}

// The pixel as drawn, or transparent when it takes the chosen entry.
struct Pixel {
    Rgb8 colour;
    bool transparent = false;
};

inline Pixel PixelAt(const std::uint8_t *p, int transparentEntry)
{
    if (p[3] < 128 && transparentEntry >= 0)
        return {{}, true};
    return {OverBlack(p)};
}

// A palette entry a picture may use.
struct Candidate {
    int entry = 0;
    Rgb8 colour;
};
using Candidates = std::vector<Candidate>;

// Entries first..last of a 256-entry table, either order.
Candidates RangeCandidates(const Rgb8 *colours, int first, int last);
// Sorted by entry, each entry once (its first colour), entries outside 0..255 dropped.
Candidates TidyCandidates(Candidates candidates);
std::vector<Vec3> PointsOf(const Candidates &candidates, ColourSpace space);
