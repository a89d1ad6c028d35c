#pragma once

#include "model/Oklab.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The nearest of a set of points to queries inside a box, exactly (the same
// as NearestFinder's), by small cubes learnt as they are met. A cube whose
// eight corners share their nearest point has it everywhere inside, as the
// places nearest one point make a convex region; a cube astride a border
// keeps the few points that can be nearest in it. Each cube learns from a
// larger one around it, which keeps the points that can be nearest there.
// The cubes are boxes, in fact: with `light` (linear light on a scale of
// 0..255) each spans about four sRGB levels, so that the dark colours a
// palette holds many of fall in small boxes, seldom astride a border.
class CubeNearest {
public:
    // points: at least one, at most 32767.
    CubeNearest(std::vector<Vec3> points, Vec3 lo, Vec3 hi, bool light = false);
    // query: inside the box.
    int find(Vec3 query)
    {
        const int a = cellOf(0, query.x), b = cellOf(1, query.y), c = cellOf(2, query.z);
        const std::size_t at = (std::size_t(a) * side_[1] + b) * side_[2] + c;
        if (const int one = sole_[at]; one != kNotSole)
            return one;
        std::int32_t &cube = cubes_[at];
        if (cube == kUnknown) {
            cube = learn(a, b, c);
            if (cube >= 0 && cube < kNotSole)
                sole_[at] = std::uint8_t(cube);
        }
        return cube >= 0 ? cube : nearestOf(query, std::size_t(-cube - 2));
    }

private:
    static constexpr std::int32_t kUnknown = -1;
    static constexpr int kNotSole = 255;
    // Small cubes along a large one's edge.
    static constexpr int kInLarge = 8;
    // Each axis is looked up in steps of 1/kFine, each step's box in a table.
    static constexpr float kFine = 4;
    int cellOf(int axis, float v) const
    {
        const std::vector<std::uint8_t> &cells = cells_[std::size_t(axis)];
        const float f = (v - lo_[axis]) * fine_[axis];
        return cells[std::size_t(std::clamp(int(f), 0, int(cells.size()) - 1))];
    }
    Vec3 cornerAt(int a, int b, int c) const
    {
        return {bounds_[0][std::size_t(a)], bounds_[1][std::size_t(b)], bounds_[2][std::size_t(c)]};
    }
    // A list of points in blocks of kLanes, whose distances are found at
    // once; the last block is filled out with copies of its last point.
    static constexpr int kLanes = 4;
    struct alignas(64) Block {
        static constexpr float kMore = 65536;
        float x[kLanes], y[kLanes], z[kLanes];
        // Whole numbers, as floats to be compared with the distances; the
        // last lane holds kMore more when the list goes on in the next block.
        float position[kLanes];
        bool more() const { return position[kLanes - 1] >= kMore; }
    };
    // The points that can be nearest somewhere in lo..hi, lowest position
    // first, of the list starting at block `from`; returns where it starts.
    std::size_t keep(Vec3 lo, Vec3 hi, std::size_t from);
    std::int32_t learn(int a, int b, int c);
    int nearestOf(Vec3 query, std::size_t list) const;
    float lo_[3], fine_[3];
    int side_[3], largeSide_[3];
    // Each axis's box borders, side_ + 1 of them, and each fine step's box.
    std::vector<float> bounds_[3];
    std::vector<std::uint8_t> cells_[3];
    std::vector<std::int32_t> cubes_;
    // Each cube's sole nearest point when it has one below kNotSole, in a
    // table small enough to stay in a processor's cache; else kNotSole.
    std::vector<std::uint8_t> sole_;
    std::vector<std::int32_t> large_;   // where each large cube's list starts, or kUnknown
    std::vector<std::int16_t> corners_; // the nearest at each cube's corner, or kUnknown
    std::vector<Block> lists_;          // the first: every point
    struct Near {
        Vec3 at;
        int position;
        bool kept;
    };
    std::vector<Near> near_; // keep's points, kept from call to call
};
