#include "convert/Nearest.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

float &At(Vec3 &v, int k)
{
    return k == 0 ? v.x : k == 1 ? v.y : v.z;
}

float At(const Vec3 &v, int k)
{
    return k == 0 ? v.x : k == 1 ? v.y : v.z;
}

} // namespace

NearestFinder::NearestFinder(std::vector<Vec3> points) : points_(std::move(points))
{
    const int n = size();
    alone_.assign(n, std::numeric_limits<float>::infinity());
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            const float d = Distance2(points_[i], points_[j]);
            alone_[i] = std::min(alone_[i], d);
            alone_[j] = std::min(alone_[j], d);
        }
    for (float &a : alone_)
        a *= 0.2495f;

    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const Vec3 &p : points_) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const float spread[3] = {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    axis_ = int(std::max_element(spread, spread + 3) - spread);
    order_.resize(n);
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(),
                     [this](int a, int b) { return key(points_[a]) < key(points_[b]); });
    keys_.resize(n);
    for (int i = 0; i < n; ++i)
        keys_[i] = key(points_[order_[i]]);

    if (n < 2 || n > 65535)
        return;
    const float widest = *std::max_element(spread, spread + 3);
    grid_ = n >= 128 ? 64 : n >= 32 ? 32 : 16;
    for (int k = 0; k < 3; ++k) {
        const float extent = std::max(spread[k], widest * 0.01f) * 2.0f;
        At(origin_, k) = At(lo, k) - (extent - spread[k]) / 2;
        At(size_, k) = extent / grid_;
        At(scale_, k) = grid_ / extent;
    }
    if (widest > 0 && std::isfinite(widest))
        cells_.resize(std::size_t(grid_) * std::size_t(grid_) * std::size_t(grid_));
}

int NearestFinder::cellOf(Vec3 q) const
{
    if (cells_.empty())
        return -1;
    int cell = 0;
    for (int k = 0; k < 3; ++k) {
        const float f = (At(q, k) - At(origin_, k)) * At(scale_, k);
        if (!(f >= 0 && f < grid_))
            return -1;
        cell = cell * grid_ + int(f);
    }
    return cell;
}

void NearestFinder::fillCell(int cell)
{
    // The cell's box, a little larger so that a query rounded into the cell
    // from just outside is still inside it.
    Vec3 lo, hi;
    for (int k = 2, c = cell; k >= 0; --k, c /= grid_) {
        const float pad = At(size_, k) * 1e-3f;
        At(lo, k) = At(origin_, k) + float(c % grid_) * At(size_, k) - pad;
        At(hi, k) = At(lo, k) + At(size_, k) + 2 * pad;
    }
    const auto farthest = [&](const Vec3 &p) {
        float d = 0;
        for (int k = 0; k < 3; ++k) {
            const float e =
                std::max(std::abs(At(p, k) - At(lo, k)), std::abs(At(p, k) - At(hi, k)));
            d += e * e;
        }
        return d;
    };
    const auto nearest = [&](const Vec3 &p) {
        float d = 0;
        for (int k = 0; k < 3; ++k) {
            const float e = std::max({At(lo, k) - At(p, k), 0.0f, At(p, k) - At(hi, k)});
            d += e * e;
        }
        return d;
    };
    float bound = std::numeric_limits<float>::infinity();
    for (const Vec3 &p : points_)
        bound = std::min(bound, farthest(p));
    // Points farther than every point's farthest corner are never nearest;
    // the margin keeps equals and rounding on the safe side.
    bound = bound * 1.001f + 1e-30f;
    const auto add = [this](std::uint16_t pos, Vec3 p) {
        lists_.push_back(pos);
        xs_.push_back(p.x);
        ys_.push_back(p.y);
        zs_.push_back(p.z);
    };
    cells_[std::size_t(cell)].start = std::int32_t(lists_.size());
    for (int i = 0; i < size(); ++i)
        if (nearest(points_[i]) <= bound)
            add(std::uint16_t(i), points_[i]);
    // Whole blocks, filled up with a point too far to be chosen.
    while (lists_.size() % kBlock)
        add(0, {1e18f, 1e18f, 1e18f});
    cells_[std::size_t(cell)].count = std::int32_t(lists_.size()) - cells_[std::size_t(cell)].start;
}

int NearestFinder::find(Vec3 query, int hint)
{
    const int n = size();
    if (hint < 0 || hint >= n)
        hint = 0;
    if (n == 0)
        return -1;
    float best = Distance2(query, points_[hint]);
    if (best < alone_[hint])
        return hint;
    const int cell = cellOf(query);
    if (cell < 0)
        return walk(query, hint, best);
    if (cells_[std::size_t(cell)].start < 0)
        fillCell(cell);
    const Cell &c = cells_[std::size_t(cell)];
    int found = -1;
    best = std::numeric_limits<float>::infinity();
    // Each distance is still Distance2's sum in its order, so equal to it.
    for (std::size_t b = std::size_t(c.start), end = b + std::size_t(c.count); b < end;
         b += kBlock) {
        float d[kBlock];
        for (int j = 0; j < kBlock; ++j) {
            const float dx = query.x - xs_[b + j], dy = query.y - ys_[b + j],
                        dz = query.z - zs_[b + j];
            d[j] = dx * dx + dy * dy + dz * dz;
        }
        float least = d[0];
        for (int j = 1; j < kBlock; ++j)
            least = d[j] < least ? d[j] : least;
        if (least < best) {
            int j = 0;
            while (d[j] != least)
                ++j;
            best = least;
            found = lists_[b + std::size_t(j)];
        }
    }
    return found;
}

int NearestFinder::walk(Vec3 query, int found, float best) const
{
    const int n = size();
    const auto consider = [&](int pos) {
        const float d = Distance2(query, points_[pos]);
        if (d < best || (d == best && pos < found)) {
            best = d;
            found = pos;
        }
    };
    // Distance2 is at least the square of the one axis's difference, also
    // after rounding, so a walk may stop as soon as that alone exceeds the best.
    const float q = key(query);
    int up = int(std::lower_bound(keys_.begin(), keys_.end(), q) - keys_.begin());
    int down = up - 1;
    while (up < n || down >= 0) {
        if (up < n) {
            const float d = keys_[up] - q;
            if (d * d > best)
                up = n;
            else
                consider(order_[up++]);
        }
        if (down >= 0) {
            const float d = q - keys_[down];
            if (d * d > best)
                down = -1;
            else
                consider(order_[down--]);
        }
    }
    return found;
}

ColourCache::ColourCache(int bits)
    : bits_(bits), keys_(1u << bits, 0xffffffffu), found_(1u << bits, 0)
{
}

int ColourCache::miss(NearestFinder &finder, ColourSpace space, Rgb8 c, int hint,
                      std::uint32_t slot)
{
    keys_[slot] = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
    found_[slot] = std::uint16_t(finder.find(PointOf(space, c), hint));
    return found_[slot];
}

Candidates RangeCandidates(const Rgb8 *colours, int first, int last)
{
    Candidates out;
    for (int e = std::max(0, std::min(first, last)); e <= std::min(255, std::max(first, last)); ++e)
        out.push_back({e, colours[e]});
    return out;
}

Candidates TidyCandidates(Candidates candidates)
{
    candidates.erase(
        std::remove_if(candidates.begin(), candidates.end(),
                       [](const Candidate &c) { return c.entry < 0 || c.entry > 255; }),
        candidates.end());
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.entry < b.entry; });
    candidates.erase(
        std::unique(candidates.begin(), candidates.end(),
                    [](const Candidate &a, const Candidate &b) { return a.entry == b.entry; }),
        candidates.end());
    return candidates;
}

std::vector<Vec3> PointsOf(const Candidates &candidates, ColourSpace space)
{
    std::vector<Vec3> out;
    out.reserve(candidates.size());
    for (const Candidate &c : candidates)
        out.push_back(PointOf(space, c.colour));
    return out;
}

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
