#include "convert/NearestCubes.h"

#include <algorithm>
#include <cmath>
#include <limits>

CubeNearest::CubeNearest(std::vector<Vec3> points, Vec3 lo, Vec3 hi) : lo_(lo)
{
    for (std::size_t i = 0; i < points.size(); ++i)
        points_.push_back({points[i], int(i)});
    // Cubes of 4 units (levels, in RGB), larger in a box so wide that there
    // would be more than 128 along it.
    const float widest = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 0.0f});
    edge_ = std::max(4.0f, widest / 127);
    scale_ = 1 / edge_;
    side_ = int(widest * scale_) + 1;
    largeSide_ = (side_ + kInLarge - 1) / kInLarge;
    cubes_.assign(std::size_t(side_) * std::size_t(side_) * std::size_t(side_), kUnknown);
    large_.assign(std::size_t(largeSide_) * std::size_t(largeSide_) * std::size_t(largeSide_),
                  kUnknown);
    const std::size_t corners = std::size_t(side_) + 1;
    corners_.assign(corners * corners * corners, kUnknown);
}

std::size_t CubeNearest::keep(Vec3 lo, Vec3 hi, const Listed *from, const Listed *end)
{
    const auto square = [](float x, float y, float z) { return x * x + y * y + z * z; };
    // No point is further from anywhere in the box than from its farthest
    // corner: the nearest anywhere in it is within the least such reach.
    const auto farthest = [](float v, float l, float h) { return std::max(v - l, h - v); };
    float reach = INFINITY;
    for (const Listed *p = from; p < end; ++p)
        reach = std::min(reach, square(farthest(p->at.x, lo.x, hi.x), farthest(p->at.y, lo.y, hi.y),
                                       farthest(p->at.z, lo.z, hi.z)));
    reach = reach * 1.001f + 1e-3f; // a little over, for rounding
    const auto gap = [](float v, float l, float h) { return v < l ? l - v : v > h ? v - h : 0; };
    const std::size_t list = lists_.size();
    lists_.push_back({});
    for (const Listed *p = from; p < end; ++p)
        if (square(gap(p->at.x, lo.x, hi.x), gap(p->at.y, lo.y, hi.y), gap(p->at.z, lo.z, hi.z)) <=
            reach)
            lists_.push_back(*p);
    lists_[list].position = int(lists_.size() - list - 1);
    return list;
}

std::int32_t CubeNearest::learn(int a, int b, int c)
{
    const int la = a / kInLarge, lb = b / kInLarge, lc = c / kInLarge;
    std::int32_t &large = large_[(std::size_t(la) * largeSide_ + lb) * largeSide_ + lc];
    if (large == kUnknown) {
        const Vec3 lo = lo_ + Vec3{float(la), float(lb), float(lc)} * (edge_ * kInLarge);
        large = std::int32_t(keep(lo, lo + Vec3{1, 1, 1} * (edge_ * kInLarge), points_.data(),
                                  points_.data() + points_.size()));
    }
    // Each corner is searched once, for the eight cubes around it.
    const auto corner = [&](int i, int j, int k) {
        const std::size_t side = std::size_t(side_) + 1;
        std::int16_t &found =
            corners_[(std::size_t(i) * side + std::size_t(j)) * side + std::size_t(k)];
        if (found == kUnknown)
            found = std::int16_t(
                nearestOf(lo_ + Vec3{float(i), float(j), float(k)} * edge_, std::size_t(large)));
        return found;
    };
    const Vec3 lo = lo_ + Vec3{float(a), float(b), float(c)} * edge_;
    const Vec3 hi = lo_ + Vec3{float(a + 1), float(b + 1), float(c + 1)} * edge_;
    int first = -1;
    bool shared = true;
    for (int at = 0; at < 8 && shared; ++at) {
        const int found = corner(a + (at & 1), b + (at >> 1 & 1), c + (at >> 2));
        shared = first < 0 || found == first;
        first = found;
    }
    if (shared)
        return first;
    // lists_ may move as it grows: the large cube's list is copied first.
    const std::vector<Listed> around(lists_.begin() + large + 1,
                                     lists_.begin() + large + 1 +
                                         lists_[std::size_t(large)].position);
    return -std::int32_t(keep(lo, hi, around.data(), around.data() + around.size())) - 2;
}

int CubeNearest::nearestOf(Vec3 query, std::size_t list) const
{
    const Listed *p = lists_.data() + list + 1, *end = p + lists_[list].position;
    int best = p->position;
    float least = Distance2(query, p->at);
    for (++p; p < end; ++p) {
        const float d = Distance2(query, p->at);
        best = d < least ? p->position : best;
        least = d < least ? d : least;
    }
    return best;
}
