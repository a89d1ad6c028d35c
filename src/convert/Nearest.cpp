#include "convert/Nearest.h"

#include <algorithm>
#include <limits>
#include <numeric>

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
}

int NearestFinder::find(Vec3 query, int hint) const
{
    const int n = size();
    if (hint < 0 || hint >= n)
        hint = 0;
    if (n == 0)
        return -1;
    float best = Distance2(query, points_[hint]);
    if (best < alone_[hint])
        return hint;
    int found = hint;
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

ColourCache::ColourCache() : keys_(1u << kBits, 0xffffffffu), found_(1u << kBits, 0) {}

int ColourCache::find(const NearestFinder &finder, ColourSpace space, Rgb8 c, int hint)
{
    const std::uint32_t rgb = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
    const std::uint32_t slot = (rgb * 2654435761u) >> (32 - kBits);
    if (keys_[slot] != rgb) {
        keys_[slot] = rgb;
        found_[slot] = std::uint16_t(finder.find(PointOf(space, c), hint));
    }
    return found_[slot];
}

Candidates RangeCandidates(const Rgb8 *colours, int first, int last)
{
    Candidates out;
    for (int e = std::max(0, std::min(first, last)); e <= std::min(255, std::max(first, last)); ++e)
        out.push_back({e, colours[e]});
    return out;
}

Candidates Tidy(Candidates candidates)
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
