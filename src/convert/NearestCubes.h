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
class CubeNearest {
public:
    // points: at least one, at most 32767.
    CubeNearest(std::vector<Vec3> points, Vec3 lo, Vec3 hi);
    // query: inside the box.
    int find(Vec3 query)
    {
        const int a = std::clamp(int((query.x - lo_.x) * scale_), 0, side_ - 1);
        const int b = std::clamp(int((query.y - lo_.y) * scale_), 0, side_ - 1);
        const int c = std::clamp(int((query.z - lo_.z) * scale_), 0, side_ - 1);
        const std::size_t at = (std::size_t(a) * side_ + b) * side_ + c;
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
    Vec3 lo_;
    float edge_, scale_;
    int side_, largeSide_;
    std::vector<std::int32_t> cubes_;
    // Each cube's sole nearest point when it has one below kNotSole, in a
    // table small enough to stay in a processor's cache; else kNotSole.
    std::vector<std::uint8_t> sole_;
    std::vector<std::int32_t> large_;   // where each large cube's list starts, or kUnknown
    std::vector<std::int16_t> corners_; // the nearest at each cube's corner, or kUnknown
    std::vector<Block> lists_;          // the first: every point
};
