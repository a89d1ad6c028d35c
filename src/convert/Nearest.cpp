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

NearestFinder::NearestFinder(std::vector<Vec3> points, Grid grid) : points_(std::move(points))
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

    if (n < 2 || n > 65535 || grid == Grid::None)
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
        cells_ = ZeroedArray<Cell>(std::size_t(grid_) * std::size_t(grid_) * std::size_t(grid_));
}

int NearestFinder::cellOf(Vec3 q) const
{
    if (!cells_)
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
    if (cells_[std::size_t(cell)].count == 0)
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

ColourCache::ColourCache(int bits) : bits_(bits), slots_(1u << bits, 0)
{
    // Empty slots hold a colour that is never looked for there: black, whose
    // slot is the first, and colour 1 in that one.
    slots_[0] = 1u << 8;
}

int ColourCache::miss(NearestFinder &finder, ColourSpace space, Rgb8 c, int hint,
                      std::uint32_t slot)
{
    const int found = finder.find(PointOf(space, c), hint);
    // An answer past 255 (not an entry of one palette) is found afresh each time.
    if (found < 256)
        slots_[slot] =
            (std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b) << 8 | std::uint32_t(found);
    return found;
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
