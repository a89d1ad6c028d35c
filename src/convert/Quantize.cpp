#include "convert/Quantize.h"

#include "convert/Histogram.h"
#include "convert/Nearest.h"
#include "convert/QuantizeSteps.h"

#include "base/Progress.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <utility>

namespace {

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

} // namespace

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

namespace {

// The nearest of the centres to q (the lowest index of equals) and the distance
// to the next nearest.
std::pair<int, float> NearestTwo(const std::vector<Vec3> &centres, Vec3 q)
{
    float best = INFINITY, second = INFINITY;
    int found = 0;
    for (std::size_t c = 0; c < centres.size(); ++c) {
        const float d = Distance2(q, centres[c]);
        if (d < best) {
            second = best;
            best = d;
            found = int(c);
        } else if (d < second) {
            second = d;
        }
    }
    return {found, std::sqrt(second)};
}

} // namespace

std::vector<Vec3> RefineCentres(const std::vector<Weighted> &points, std::vector<Vec3> centres,
                                int meanPasses, int medianPasses, Progress *progress,
                                std::int64_t units, std::size_t fixed)
{
    std::vector<int> owner(points.size(), 0);
    // No other centre is nearer a point than this (Hamerly's bound): a point
    // whose own centre is nearer keeps it without a search. The bound shrinks
    // by the farthest a centre moved, and a little more for rounding.
    std::vector<float> others(points.size(), -1);
    double previous = INFINITY;
    const int passes = meanPasses + medianPasses;
    std::int64_t told = 0;
    for (int pass = 0; pass < passes && !Stopped(progress); ++pass) {
        const bool median = pass >= meanPasses;
        std::vector<Sums> sums(centres.size());
        double total = 0, worstCost = -1;
        std::size_t worst = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            float own = Distance2(points[i].lab, centres[std::size_t(owner[i])]);
            if (!(std::sqrt(own) * 1.0001f + 1e-6f < others[i])) {
                std::tie(owner[i], others[i]) = NearestTwo(centres, points[i].lab);
                own = Distance2(points[i].lab, centres[std::size_t(owner[i])]);
            }
            const double d2 = own;
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
        float moved = 0;
        for (std::size_t c = fixed; c < centres.size(); ++c) {
            const Vec3 was = centres[c];
            centres[c] = sums[c].w > 0 ? sums[c].mean() : points[worst].lab;
            moved = std::max(moved, std::sqrt(Distance2(was, centres[c])));
        }
        for (float &o : others)
            o -= moved;
        if (!median && total >= previous * 0.9999)
            pass = meanPasses - 1;
        previous = total;
        const std::int64_t now = pass + 1 >= passes ? units : units * (pass + 1) / passes;
        Add(progress, now - told);
        told = now;
    }
    return centres;
}

namespace {

double MeanDistance(const std::vector<Weighted> &points, const std::vector<Vec3> &centres)
{
    NearestFinder finder(centres);
    double sum = 0, weight = 0;
    int last = 0;
    for (const Weighted &p : points) {
        last = finder.find(p.lab, last);
        sum += p.weight * std::sqrt(double(Distance2(p.lab, centres[std::size_t(last)])));
        weight += p.weight;
    }
    return weight > 0 ? sum / weight : 0;
}

// A small spot of a colour unlike the rest (an iris, a light, a badge) is
// worth an entry that the mean error alone would never give it: it is one
// of the first things an eye looks for. Points this far from every centre
// (OKLab) can form such a spot; within kSpotRadius of each other they count
// as one, worth an entry from kSpotShare of the picture on.
constexpr float kSpotFar = 0.08f, kSpotRadius = 0.05f;
// Less of the picture than the spot itself lies from kSpotRadius to this.
constexpr float kSpotAlone = 0.12f;
constexpr std::size_t kSpotsWeighed = 64;
constexpr double kSpotShare = 0.0005;
// All spots together may cost the rest this much of the mean error.
constexpr double kSpotsCost = 1.03;

// Spots left without an entry, heaviest first, as their means.
std::vector<Vec3> FindSpots(const std::vector<Weighted> &points, const std::vector<Vec3> &centres)
{
    NearestFinder finder(centres);
    std::vector<const Weighted *> far;
    double total = 0;
    int last = 0;
    for (const Weighted &p : points) {
        total += p.weight;
        last = finder.find(p.lab, last);
        if (Distance2(p.lab, centres[std::size_t(last)]) > kSpotFar * kSpotFar)
            far.push_back(&p);
    }
    std::sort(far.begin(), far.end(),
              [](const Weighted *a, const Weighted *b) { return a->weight > b->weight; });
    std::vector<std::pair<double, Vec3>> spots;
    std::vector<bool> taken(far.size(), false);
    for (std::size_t i = 0; i < far.size(); ++i) {
        if (taken[i])
            continue;
        Sums sums;
        for (std::size_t j = i; j < far.size(); ++j)
            if (!taken[j] && Distance2(far[j]->lab, far[i]->lab) <= kSpotRadius * kSpotRadius) {
                taken[j] = true;
                sums.add(*far[j]);
            }
        if (sums.w >= kSpotShare * total)
            spots.push_back({sums.w, sums.mean()});
    }
    // Only a colour unlike the rest is a spot: the edge of a broad region
    // far from every centre has more of its kind just around it.
    std::stable_sort(spots.begin(), spots.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    spots.resize(std::min(spots.size(), kSpotsWeighed));
    constexpr float kInner = kSpotRadius * kSpotRadius, kOuter = kSpotAlone * kSpotAlone;
    for (auto &[weight, at] : spots) {
        double around = 0;
        for (const Weighted &p : points) {
            const float d = Distance2(p.lab, at);
            around += d > kInner && d <= kOuter ? p.weight : 0;
        }
        if (around > weight)
            weight = 0;
    }
    spots.erase(
        std::remove_if(spots.begin(), spots.end(), [](const auto &s) { return s.first == 0; }),
        spots.end());
    std::vector<Vec3> out;
    for (std::size_t i = 0; i < spots.size(); ++i)
        out.push_back(spots[i].second);
    return out;
}

// The centre whose pixels lose least by going to their neighbours: the
// weight it draws times the way to its closest other; none of the first
// `kept`, which hold spots.
std::size_t Cheapest(const std::vector<Weighted> &points, const std::vector<Vec3> &centres,
                     std::size_t kept)
{
    NearestFinder finder(centres);
    std::vector<double> drawn(centres.size(), 0);
    int last = 0;
    for (const Weighted &p : points)
        drawn[std::size_t(last = finder.find(p.lab, last))] += p.weight;
    std::size_t cheapest = kept;
    double least = INFINITY;
    for (std::size_t c = kept; c < centres.size(); ++c) {
        float gap = INFINITY;
        for (std::size_t d = 0; d < centres.size(); ++d)
            if (d != c)
                gap = std::min(gap, Distance2(centres[c], centres[d]));
        const double cost = drawn[c] * std::sqrt(double(gap));
        if (cost < least) {
            least = cost;
            cheapest = c;
        }
    }
    return cheapest;
}

} // namespace

std::vector<Vec3> KeepSpots(std::vector<Weighted> &points, std::vector<Vec3> centres,
                            std::size_t fixed)
{
    const std::size_t n = centres.size() - fixed;
    if (n < 16)
        return centres;
    std::vector<Vec3> spots = FindSpots(points, centres);
    spots.resize(std::min(spots.size(), n / 8));
    if (spots.empty())
        return centres;
    // Made again from fewer boxes, or with the centres that cost least put
    // on the spots: whichever comes nearer the picture.
    std::vector<Vec3> seeds = SplitBoxes(points, int(n - spots.size()));
    seeds.insert(seeds.begin(), centres.begin(), centres.begin() + std::ptrdiff_t(fixed));
    seeds.insert(seeds.end(), spots.begin(), spots.end());
    std::vector<Vec3> moved = centres;
    for (std::size_t k = 0; k < spots.size(); ++k) {
        const std::size_t cheapest = Cheapest(points, moved, fixed + k);
        std::swap(moved[cheapest], moved[fixed + k]);
        moved[fixed + k] = spots[k];
    }
    double best = MeanDistance(points, centres) * kSpotsCost;
    for (std::vector<Vec3> *start : {&seeds, &moved}) {
        std::vector<Vec3> kept =
            RefineCentres(points, std::move(*start), kMeanPasses, kMedianPasses, nullptr, 0, fixed);
        const double d = MeanDistance(points, kept);
        if (d <= best) {
            best = d;
            centres = std::move(kept);
        }
    }
    return centres;
}

void OrderByLightness(std::vector<Rgb8> &colours)
{
    std::vector<std::pair<Vec3, Rgb8>> keyed;
    keyed.reserve(colours.size());
    for (const Rgb8 &c : colours)
        keyed.push_back({OklabOf(c), c});
    std::sort(keyed.begin(), keyed.end(), [](const auto &p, const auto &q) {
        const auto key = [](const auto &k) {
            return std::tuple(k.first.x, k.first.y, k.first.z, k.second.r, k.second.g, k.second.b);
        };
        return key(p) < key(q);
    });
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = keyed[i].second;
}

NewPalette MakePalette(const std::uint8_t *rgba, int width, int height, int n, bool skipTransparent,
                       Progress *progress)
{
    if (n < 2 || n > 256 || width <= 0 || height <= 0)
        return {};
    const std::int64_t pixels = std::int64_t(width) * height;
    Histogram counted =
        CountColours(rgba, std::size_t(width) * std::size_t(height), skipTransparent);
    // Counting takes about as long as the rest.
    Add(progress, pixels / 2);
    if (!counted.colours.empty() && counted.colours.size() <= std::size_t(n)) {
        Add(progress, pixels - pixels / 2);
        OrderByLightness(counted.colours);
        return {std::move(counted.colours), true};
    }
    std::vector<Weighted> &points = counted.points;
    NewPalette out;
    const std::vector<Vec3> centres = RefineCentres(points, SplitBoxes(points, n), kMeanPasses,
                                                    kMedianPasses, progress, pixels - pixels / 2);
    if (Stopped(progress))
        return {};
    for (const Vec3 &c : KeepSpots(points, centres)) {
        const Rgb8 rgb = Rgb8OfOklab(c);
        if (std::find(out.colours.begin(), out.colours.end(), rgb) == out.colours.end())
            out.colours.push_back(rgb);
    }
    OrderByLightness(out.colours);
    return out;
}
