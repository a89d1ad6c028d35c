#include "convert/NearestCubes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Appends points to a list of blocks, the last filled out as it goes.
class ListWriter {
public:
    template <class Block> ListWriter(std::vector<Block> &to) : start(to.size()) {}
    template <class Block> void add(std::vector<Block> &to, float x, float y, float z, int position)
    {
        constexpr int lanes = int(sizeof(Block::x) / sizeof(float));
        if (used % lanes == 0) {
            if (used > 0)
                to.back().position[lanes - 1] += Block::kMore;
            to.push_back({});
        }
        Block &b = to.back();
        for (int l = used % lanes; l < lanes; ++l) {
            b.x[l] = x;
            b.y[l] = y;
            b.z[l] = z;
            b.position[l] = float(position);
        }
        ++used;
    }
    std::size_t start;
    int used = 0;
};

inline int PositionOf(float held)
{
    return int(held) & 0xffff;
}

// The width of four sRGB levels from linear light v (0..255).
float FourLevels(float v)
{
    const float s = LinearToSrgb(v / 255);
    return 255 * (SrgbToLinear(s + 4.0f / 255) - SrgbToLinear(s));
}

} // namespace

CubeNearest::CubeNearest(std::vector<Vec3> points, Vec3 lo, Vec3 hi, bool light)
{
    ListWriter all(lists_);
    for (std::size_t i = 0; i < points.size(); ++i)
        all.add(lists_, points[i].x, points[i].y, points[i].z, int(i));
    const float from[3] = {lo.x, lo.y, lo.z}, to[3] = {hi.x, hi.y, hi.z};
    const float widest = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 0.0f});
    for (int k = 0; k < 3; ++k) {
        // Boxes of 4 units (levels, in RGB) or of four sRGB levels in light,
        // larger in a box so wide that there would be more than 128 along it.
        const float span = std::max(to[k] - from[k], 0.0f);
        const auto edge = [&](float v) {
            return std::max(light ? std::max(0.5f, FourLevels(v)) : 4.0f, widest / 127);
        };
        // Borders fall on the look-up's steps, so a step lies in one box.
        fine_[k] = std::min(kFine, 16384 / std::max(span, 1.0f));
        const float step = 1 / fine_[k];
        lo_[k] = from[k];
        std::vector<float> &bounds = bounds_[k];
        bounds.push_back(from[k]);
        while (bounds.back() <= to[k] && bounds.size() < 255) {
            const float b = bounds.back() - from[k];
            bounds.push_back(from[k] + std::ceil((b + edge(bounds.back())) * fine_[k]) * step);
        }
        side_[k] = int(bounds.size()) - 1;
        largeSide_[k] = (side_[k] + kInLarge - 1) / kInLarge;
        const std::size_t steps = std::size_t(span * fine_[k]) + 1;
        std::vector<std::uint8_t> &cells = cells_[k];
        for (std::size_t q = 0, a = 0; q < steps; ++q) {
            while (a + 1 < std::size_t(side_[k]) && from[k] + float(q) * step >= bounds[a + 1])
                ++a;
            cells.push_back(std::uint8_t(a));
        }
    }
    cubes_ = ZeroedArray<std::uint16_t>(std::size_t(side_[0]) * std::size_t(side_[1]) *
                                        std::size_t(side_[2]));
    large_.assign(std::size_t(largeSide_[0]) * std::size_t(largeSide_[1]) *
                      std::size_t(largeSide_[2]),
                  kNone);
    corners_ = ZeroedArray<std::int16_t>(std::size_t(side_[0] + 1) * std::size_t(side_[1] + 1) *
                                         std::size_t(side_[2] + 1));
}

std::size_t CubeNearest::keep(Vec3 lo, Vec3 hi, std::size_t from)
{
    const auto square = [](float x, float y, float z) { return x * x + y * y + z * z; };
    // No point is further from anywhere in the box than from its farthest
    // corner: the nearest anywhere in it is within the least such reach.
    const auto farthest = [](float v, float l, float h) { return std::max(v - l, h - v); };
    float reach = INFINITY;
    for (std::size_t b = from;; ++b) {
        for (int l = 0; l < kLanes; ++l)
            reach = std::min(reach, square(farthest(lists_[b].x[l], lo.x, hi.x),
                                           farthest(lists_[b].y[l], lo.y, hi.y),
                                           farthest(lists_[b].z[l], lo.z, hi.z)));
        if (!lists_[b].more())
            break;
    }
    reach = reach * 1.001f + 1e-3f; // a little over, for rounding
    const auto gap = [](float v, float l, float h) { return v < l ? l - v : v > h ? v - h : 0; };
    std::vector<Near> &near = near_;
    near.clear();
    for (std::size_t b = from;; ++b) {
        for (int l = 0; l < kLanes; ++l) {
            const Block &p = lists_[b];
            // A copy filling out the last block is no point of its own.
            if ((l > 0 && PositionOf(p.position[l]) == PositionOf(p.position[l - 1])) ||
                square(gap(p.x[l], lo.x, hi.x), gap(p.y[l], lo.y, hi.y), gap(p.z[l], lo.z, hi.z)) >
                    reach)
                continue;
            near.push_back({{p.x[l], p.y[l], p.z[l]}, PositionOf(p.position[l]), true});
        }
        if (!lists_[b].more())
            break;
    }
    // A point another is nearer than everywhere in the box is never nearest
    // there: the whole box lies on the other's side of the plane halfway
    // between them. Its corner furthest toward the point tells, with a
    // margin for rounding.
    for (Near &p : near) {
        const float margin = square(farthest(p.at.x, lo.x, hi.x), farthest(p.at.y, lo.y, hi.y),
                                    farthest(p.at.z, lo.z, hi.z)) *
                                 1e-4f +
                             1e-2f;
        for (const Near &q : near) {
            const Vec3 n = p.at - q.at, m = (p.at + q.at) * 0.5f;
            const Vec3 c{n.x > 0 ? hi.x : lo.x, n.y > 0 ? hi.y : lo.y, n.z > 0 ? hi.z : lo.z};
            const float toward = (c.x - m.x) * n.x + (c.y - m.y) * n.y + (c.z - m.z) * n.z;
            if (&p != &q && 2 * toward < -margin) {
                p.kept = false;
                break;
            }
        }
    }
    ListWriter kept(lists_);
    for (const Near &p : near)
        if (p.kept)
            kept.add(lists_, p.at.x, p.at.y, p.at.z, p.position);
    return kept.start;
}

std::uint16_t CubeNearest::learn(int a, int b, int c)
{
    const int la = a / kInLarge, lb = b / kInLarge, lc = c / kInLarge;
    std::int32_t &large = large_[largeAt(a, b, c)];
    if (large == kNone) {
        const Vec3 lo = cornerAt(la * kInLarge, lb * kInLarge, lc * kInLarge);
        const Vec3 hi = cornerAt(std::min(side_[0], (la + 1) * kInLarge),
                                 std::min(side_[1], (lb + 1) * kInLarge),
                                 std::min(side_[2], (lc + 1) * kInLarge));
        large = std::int32_t(keep(lo, hi, 0));
    }
    // Each corner is searched once, for the eight cubes around it.
    const auto corner = [&](int i, int j, int k) {
        std::int16_t &held =
            corners_[(std::size_t(i) * std::size_t(side_[1] + 1) + std::size_t(j)) *
                         std::size_t(side_[2] + 1) +
                     std::size_t(k)];
        if (~held == kNone)
            held = std::int16_t(~nearestOf(cornerAt(i, j, k), std::size_t(large)));
        return ~held;
    };
    const Vec3 lo = cornerAt(a, b, c), hi = cornerAt(a + 1, b + 1, c + 1);
    int first = -1;
    bool shared = true;
    for (int at = 0; at < 8 && shared; ++at) {
        const int found = corner(a + (at & 1), b + (at >> 1 & 1), c + (at >> 2));
        shared = first < 0 || found == first;
        first = found;
    }
    if (shared)
        return std::uint16_t(first);
    // A list met before is taken back off the end and the first one used.
    const std::size_t start = keep(lo, hi, std::size_t(large));
    std::string key;
    for (std::size_t b = start; b < lists_.size(); ++b)
        key.append(reinterpret_cast<const char *>(lists_[b].position), sizeof(Block::position));
    const auto known = listNumbers_.find(key);
    if (known != listNumbers_.end()) {
        lists_.resize(start);
        return known->second;
    }
    if (listStarts_.size() >= std::size_t(kLarge - kList)) {
        lists_.resize(start);
        return kLarge;
    }
    const auto number = std::uint16_t(kList + listStarts_.size());
    listStarts_.push_back(start);
    listNumbers_.emplace(std::move(key), number);
    return number;
}

int CubeNearest::nearestOf(Vec3 query, std::size_t list) const
{
    const Block *b = lists_.data() + list;
#if defined(__SSE2__)
    // As Distance2 adds them up, so that ties fall as they do there; each
    // lane keeps the first of its equals.
    const __m128 qx = _mm_set1_ps(query.x), qy = _mm_set1_ps(query.y), qz = _mm_set1_ps(query.z);
    __m128 least = _mm_set1_ps(INFINITY), best = _mm_setzero_ps();
    for (;; ++b) {
        const __m128 dx = _mm_sub_ps(qx, _mm_load_ps(b->x)), dy = _mm_sub_ps(qy, _mm_load_ps(b->y)),
                     dz = _mm_sub_ps(qz, _mm_load_ps(b->z));
        const __m128 d =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
        const __m128 nearer = _mm_cmplt_ps(d, least);
        least = _mm_min_ps(d, least);
        best = _mm_or_ps(_mm_and_ps(nearer, _mm_load_ps(b->position)), _mm_andnot_ps(nearer, best));
        if (!b->more())
            break;
    }
    // The least distance in every lane, then the lowest position holding it.
    __m128 m = _mm_min_ps(least, _mm_shuffle_ps(least, least, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128 more = _mm_set1_ps(Block::kMore);
    best = _mm_sub_ps(best, _mm_and_ps(_mm_cmpge_ps(best, more), more));
    const __m128 equal = _mm_cmpeq_ps(least, m);
    __m128 p = _mm_or_ps(_mm_and_ps(equal, best), _mm_andnot_ps(equal, _mm_set1_ps(1e9f)));
    p = _mm_min_ps(p, _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 3, 0, 1)));
    p = _mm_min_ps(p, _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 0, 3, 2)));
    return int(_mm_cvtss_f32(p));
#else
    float least = INFINITY;
    int best = 0;
    for (;; ++b) {
        for (int l = 0; l < kLanes; ++l) {
            const float d = Distance2(query, {b->x[l], b->y[l], b->z[l]});
            best = d < least ? PositionOf(b->position[l]) : best;
            least = d < least ? d : least;
        }
        if (!b->more())
            break;
    }
    return best;
#endif
}
