#pragma once

#include "base/ZeroedArray.h"
#include "model/Oklab.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
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
        std::uint16_t cube = std::uint16_t(~cubes_[at]);
        if (cube < kList)
            return cube;
        if (cube == kUnknown)
            cubes_[at] = std::uint16_t(~(cube = learn(a, b, c)));
        return cube < kList ? cube : nearestOf(query, listOf(cube, a, b, c));
    }

private:
    // What a cube holds: its sole nearest point, below kList; or kList and
    // the number of its list, the same for cubes with the same points; or
    // kLarge when the numbers ran out, for the large cube's list.
    static constexpr std::uint16_t kList = 0x8000, kLarge = 0xfffe, kUnknown = 0xffff;
    static constexpr int kNone = -1; // a large cube's list or a corner's point not yet found
    // The cubes and the corners are held inverted: fresh zeroed memory then
    // reads as not yet known, and only the pages of cubes met are touched.
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
    std::uint16_t learn(int a, int b, int c);
    std::size_t listOf(std::uint16_t cube, int a, int b, int c) const
    {
        return cube == kLarge ? std::size_t(large_[largeAt(a, b, c)])
                              : listStarts_[std::size_t(cube - kList)];
    }
    std::size_t largeAt(int a, int b, int c) const
    {
        return (std::size_t(a / kInLarge) * std::size_t(largeSide_[1]) +
                std::size_t(b / kInLarge)) *
                   std::size_t(largeSide_[2]) +
               std::size_t(c / kInLarge);
    }
    int nearestOf(Vec3 query, std::size_t list) const;
    float lo_[3], fine_[3];
    int side_[3], largeSide_[3];
    // Each axis's box borders, side_ + 1 of them, and each fine step's box.
    std::vector<float> bounds_[3];
    std::vector<std::uint8_t> cells_[3];
    // Small enough to stay in a processor's cache, with the lists: a picture
    // meets a few thousand different lists in a hundred thousand cubes.
    ZeroedArray<std::uint16_t> cubes_;
    std::vector<std::size_t> listStarts_;
    std::unordered_map<std::string, std::uint16_t> listNumbers_; // by their points' positions
    std::vector<std::int32_t> large_;   // where each large cube's list starts, or kNone
    ZeroedArray<std::int16_t> corners_; // the nearest at each cube's corner, or kNone
    std::vector<Block> lists_;          // the first: every point
    struct Near {
        Vec3 at;
        int position;
        bool kept;
    };
    std::vector<Near> near_; // keep's points, kept from call to call
};
