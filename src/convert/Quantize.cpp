#include "convert/Quantize.h"

#include "convert/Nearest.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Weighted {
    Vec3 lab;
    double weight = 0;
};

// Above this many distinct colours the histogram counts cells of 6 bits a
// channel instead: as many points as that, and bounded memory.
constexpr std::size_t kExactLimit = std::size_t(1) << 18;
constexpr std::uint32_t kEmpty = 0xffffffffu;
// Passes of the refinement: more of either gains less than 0.5 % on photographs.
constexpr int kMeanPasses = 10, kMedianPasses = 10;

bool Counted(const std::uint8_t *p, bool skipTransparent)
{
    return !(skipTransparent && p[3] < 128);
}

Rgb8 Drawn(const std::uint8_t *p)
{
    const int a = p[3];
    const auto over = [a](int c) { return std::uint8_t((c * a + 127) / 255); };
    return a == 255 ? Rgb8{p[0], p[1], p[2]} : Rgb8{over(p[0]), over(p[1]), over(p[2])};
}

std::uint32_t Key(Rgb8 c)
{
    return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

// Distinct colours and their counts in an open-addressed table; false once
// there are more than kExactLimit.
bool CountExact(const std::uint8_t *rgba, std::size_t count, bool skipTransparent,
                std::vector<std::pair<std::uint32_t, std::uint32_t>> &out)
{
    std::vector<std::uint32_t> keys(1 << 12, kEmpty), counts(1 << 12, 0);
    std::size_t used = 0;
    const auto slotOf = [](const std::vector<std::uint32_t> &k, std::uint32_t key) {
        const std::size_t mask = k.size() - 1;
        std::size_t s = (key * 2654435761u) & mask;
        while (k[s] != kEmpty && k[s] != key)
            s = (s + 1) & mask;
        return s;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *p = rgba + 4 * i;
        if (!Counted(p, skipTransparent))
            continue;
        const std::uint32_t key = Key(Drawn(p));
        const std::size_t s = slotOf(keys, key);
        if (keys[s] == kEmpty) {
            if (++used > kExactLimit)
                return false;
            keys[s] = key;
            if (used * 2 > keys.size()) {
                std::vector<std::uint32_t> k2(keys.size() * 2, kEmpty), c2(keys.size() * 2, 0);
                for (std::size_t j = 0; j < keys.size(); ++j)
                    if (keys[j] != kEmpty) {
                        const std::size_t t = slotOf(k2, keys[j]);
                        k2[t] = keys[j];
                        c2[t] = counts[j] + (keys[j] == key);
                    }
                keys.swap(k2);
                counts.swap(c2);
                continue;
            }
        }
        ++counts[s];
    }
    out.clear();
    for (std::size_t j = 0; j < keys.size(); ++j)
        if (keys[j] != kEmpty)
            out.push_back({keys[j], counts[j]});
    std::sort(out.begin(), out.end());
    return true;
}

// Cells of 6 bits a channel, each standing for the mean of its pixels.
std::vector<Weighted> CountCells(const std::uint8_t *rgba, std::size_t count, bool skipTransparent)
{
    struct Cell {
        std::uint64_t n = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Cell> cells(std::size_t(1) << 18);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *p = rgba + 4 * i;
        if (!Counted(p, skipTransparent))
            continue;
        const Rgb8 c = Drawn(p);
        Cell &cell = cells[std::size_t(c.r >> 2) << 12 | std::size_t(c.g >> 2) << 6 | (c.b >> 2)];
        ++cell.n;
        cell.r += c.r;
        cell.g += c.g;
        cell.b += c.b;
    }
    std::vector<Weighted> out;
    for (const Cell &cell : cells)
        if (cell.n > 0) {
            const auto mean = [&cell](std::uint64_t s) {
                return std::uint8_t((s + cell.n / 2) / cell.n);
            };
            out.push_back({OklabOf({mean(cell.r), mean(cell.g), mean(cell.b)}), double(cell.n)});
        }
    return out;
}

struct Sums {
    double w = 0;
    std::array<double, 3> s{}, q{};

    void add(const Weighted &p)
    {
        const double c[3] = {p.lab.x, p.lab.y, p.lab.z};
        w += p.weight;
        for (int k = 0; k < 3; ++k) {
            s[k] += p.weight * c[k];
            q[k] += p.weight * c[k] * c[k];
        }
    }
    double sse(int k) const { return w > 0 ? q[k] - s[k] * s[k] / w : 0; }
    double sse() const { return sse(0) + sse(1) + sse(2); }
    Vec3 mean() const { return {float(s[0] / w), float(s[1] / w), float(s[2] / w)}; }
};

float Coord(const Vec3 &v, int k)
{
    return k == 0 ? v.x : k == 1 ? v.y : v.z;
}

struct Box {
    std::size_t begin = 0, end = 0;
    Sums sums;
};

Box MakeBox(const std::vector<Weighted> &points, std::size_t begin, std::size_t end)
{
    Box b{begin, end, {}};
    for (std::size_t i = begin; i < end; ++i)
        b.sums.add(points[i]);
    return b;
}

// Boxes split where the two halves' summed squared error is least, the box of
// most error first: the means of the boxes seed the refinement.
std::vector<Vec3> SplitBoxes(std::vector<Weighted> &points, int n)
{
    std::vector<Box> boxes{MakeBox(points, 0, points.size())};
    while (int(boxes.size()) < n) {
        std::size_t worst = 0;
        for (std::size_t i = 1; i < boxes.size(); ++i)
            if (boxes[i].sums.sse() > boxes[worst].sums.sse())
                worst = i;
        Box &box = boxes[worst];
        if (box.end - box.begin < 2 || box.sums.sse() <= 0)
            break;
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (box.sums.sse(k) > box.sums.sse(axis))
                axis = k;
        std::sort(points.begin() + std::ptrdiff_t(box.begin),
                  points.begin() + std::ptrdiff_t(box.end),
                  [axis](const Weighted &a, const Weighted &b) {
                      return Coord(a.lab, axis) < Coord(b.lab, axis);
                  });
        Sums left;
        double best = INFINITY;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            left.add(points[i]);
            Sums right = box.sums;
            right.w -= left.w;
            for (int k = 0; k < 3; ++k) {
                right.s[k] -= left.s[k];
                right.q[k] -= left.q[k];
            }
            const double e = left.sse() + right.sse();
            if (e < best) {
                best = e;
                cut = i + 1;
            }
        }
        const Box low = MakeBox(points, box.begin, cut), high = MakeBox(points, cut, box.end);
        boxes[worst] = low;
        boxes.push_back(high);
    }
    std::vector<Vec3> seeds;
    for (const Box &b : boxes)
        seeds.push_back(b.sums.mean());
    return seeds;
}

// Lloyd's passes weighted by the counts; an emptied centre moves to the
// point that costs the most. The later passes weigh each point by the inverse
// of its distance (Weiszfeld's step), which moves a centre towards its
// cluster's geometric median: the figure that counts is the mean distance,
// not the mean squared one.
std::vector<Vec3> Refine(const std::vector<Weighted> &points, std::vector<Vec3> centres,
                         int meanPasses, int medianPasses)
{
    std::vector<int> owner(points.size(), 0);
    double previous = INFINITY;
    for (int pass = 0; pass < meanPasses + medianPasses; ++pass) {
        const bool median = pass >= meanPasses;
        NearestFinder finder(centres);
        std::vector<Sums> sums(centres.size());
        double total = 0, worstCost = -1;
        std::size_t worst = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            owner[i] = finder.find(points[i].lab, owner[i]);
            const double d2 = Distance2(points[i].lab, centres[std::size_t(owner[i])]);
            Weighted p = points[i];
            if (median)
                p.weight /= std::max(std::sqrt(d2), 1e-4);
            sums[std::size_t(owner[i])].add(p);
            const double cost = points[i].weight * d2;
            total += cost;
            if (cost > worstCost) {
                worstCost = cost;
                worst = i;
            }
        }
        for (std::size_t c = 0; c < centres.size(); ++c)
            centres[c] = sums[c].w > 0 ? sums[c].mean() : points[worst].lab;
        if (!median && total >= previous * 0.9999)
            pass = meanPasses - 1;
        previous = total;
    }
    return centres;
}

} // namespace

NewPalette MakePalette(const std::uint8_t *rgba, int width, int height, int n, bool skipTransparent)
{
    if (n < 2 || n > 256 || width <= 0 || height <= 0)
        return {};
    const std::size_t count = std::size_t(width) * std::size_t(height);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exact;
    std::vector<Weighted> points;
    if (CountExact(rgba, count, skipTransparent, exact)) {
        const auto rgbOf = [](std::uint32_t k) {
            return Rgb8{std::uint8_t(k >> 16), std::uint8_t(k >> 8), std::uint8_t(k)};
        };
        if (exact.size() <= std::size_t(n)) {
            NewPalette out{{}, true};
            for (const auto &[key, c] : exact)
                out.colours.push_back(rgbOf(key));
            return out;
        }
        for (const auto &[key, c] : exact)
            points.push_back({OklabOf(rgbOf(key)), double(c)});
    } else {
        points = CountCells(rgba, count, skipTransparent);
    }
    NewPalette out;
    for (const Vec3 &c : Refine(points, SplitBoxes(points, n), kMeanPasses, kMedianPasses)) {
        const Rgb8 rgb = Rgb8OfOklab(c);
        if (std::find(out.colours.begin(), out.colours.end(), rgb) == out.colours.end())
            out.colours.push_back(rgb);
    }
    return out;
}
