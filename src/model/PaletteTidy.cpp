#include "model/PaletteTidy.h"

#include "model/Oklab.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Range {
    int lo = 0;
    int hi = kPalletEntries - 1;
};

Range RangeOf(int s, int t)
{
    const auto clamp = [](int i) { return std::clamp(i, 0, kPalletEntries - 1); };
    if (s == t)
        return {};
    return {clamp(std::min(s, t)), clamp(std::max(s, t))};
}

EntryMap Identity()
{
    EntryMap map;
    std::iota(map.begin(), map.end(), 0);
    return map;
}

Vec3 Lab(const PalletEntry &e)
{
    return OklabOf({e.R, e.G, e.B});
}

// OKLab distance in the units tolerances are given in.
double Apart(Vec3 p, Vec3 q)
{
    return 100.0 * std::sqrt(double(Distance2(p, q)));
}

// The entries `places` reordered: order[k] goes to places[k].
Tidied Permuted(const PalletArray &pallet, const std::vector<int> &places,
                const std::vector<int> &order)
{
    EntryMap to = Identity();
    for (std::size_t k = 0; k < order.size(); ++k)
        to[order[k]] = quint8(places[k]);
    return {to, MoveEntries(pallet, to)};
}

// The entries of the range a tool may touch, in order: a cycling range's
// stay where they are, so that its colours keep turning.
std::vector<int> Entries(Range r, const CycleRanges &held)
{
    std::array<bool, kPalletEntries> fixed{};
    for (const CycleRange &c : held)
        std::fill(fixed.begin() + c.first, fixed.begin() + c.last + 1, true);
    std::vector<int> order;
    for (int e = r.lo; e <= r.hi; ++e)
        if (!fixed[e])
            order.push_back(e);
    return order;
}

// A group of entries merged into its lowest, weighted by usage (plainly
// when none of them is drawn). Sums in doubles: weights reach billions.
struct Group {
    std::vector<int> members;
    std::array<double, 3> sum{}, plainSum{};
    double weight = 0;

    Vec3 mean() const
    {
        const auto &v = weight > 0 ? sum : plainSum;
        const double w = weight > 0 ? weight : double(members.size());
        return {float(v[0] / w), float(v[1] / w), float(v[2] / w)};
    }
    void add(int e, Vec3 lab, double w)
    {
        members.push_back(e);
        const double c[3] = {lab.x, lab.y, lab.z};
        for (int k = 0; k < 3; ++k)
            sum[k] += c[k] * w, plainSum[k] += c[k];
        weight += w;
    }
    void take(const Group &other)
    {
        members.insert(members.end(), other.members.begin(), other.members.end());
        for (int k = 0; k < 3; ++k)
            sum[k] += other.sum[k], plainSum[k] += other.plainSum[k];
        weight += other.weight;
    }
};

// Writes each group of several into its lowest member, rounded to bytes.
Tidied Merged(const PalletArray &pallet, const std::vector<Group> &groups)
{
    Tidied out{Identity(), pallet};
    for (const Group &g : groups) {
        if (g.members.size() < 2)
            continue;
        const int keep = *std::min_element(g.members.begin(), g.members.end());
        for (int e : g.members)
            out.to[e] = quint8(keep);
        const Rgb8 c = Rgb8OfOklab(g.mean());
        out.pallet[keep].set(c.r, c.g, c.b);
    }
    return out;
}

// The squared error a merge adds to the pixels of groups of weights a and b
// and means p and q: their usage times their squared move.
double MergeCost(double a, double b, Vec3 p, Vec3 q)
{
    return a + b > 0 ? a * b / (a + b) * double(Distance2(p, q)) : 0.0;
}

} // namespace

Tidied MergeDuplicates(const PalletArray &pallet, int s, int t, const CycleRanges &held)
{
    const std::vector<int> entries = Entries(RangeOf(s, t), held);
    Tidied out{Identity(), pallet};
    for (std::size_t i = 1; i < entries.size(); ++i)
        for (std::size_t j = 0; j < i; ++j) {
            const PalletEntry &a = pallet[entries[j]], &b = pallet[entries[i]];
            if (a.R == b.R && a.G == b.G && a.B == b.B) {
                out.to[entries[i]] = out.to[entries[j]];
                break;
            }
        }
    return out;
}

Tidied MergeSimilar(const PalletArray &pallet, const UsageCounts &usage, int s, int t,
                    double tolerance, const CycleRanges &held)
{
    const std::vector<int> entries = Entries(RangeOf(s, t), held);
    const std::size_t n = entries.size();
    std::vector<Group> groups(n);
    std::vector<Vec3> means(n);
    for (std::size_t i = 0; i < n; ++i) {
        groups[i].add(entries[i], Lab(pallet[entries[i]]), double(usage[entries[i]]));
        means[i] = groups[i].mean();
    }
    // The distance of the two furthest colours of two groups: a merge never
    // brings together colours further apart than the tolerance, however the
    // groups grew.
    std::vector<double> far(n * n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            far[i * n + j] = Apart(means[i], means[j]);
    // The cheapest merge in reach, then the closest, then the lowest
    // entries: the entry numbers choose only among equals. Each group keeps
    // its best merge with a later one, so that a merge rescans a few rows.
    using Key = std::pair<double, double>;
    const Key never{std::numeric_limits<double>::infinity(), 0.0};
    const auto keyOf = [&](std::size_t i, std::size_t j) {
        if (far[i * n + j] > tolerance)
            return never;
        return Key{MergeCost(groups[i].weight, groups[j].weight, means[i], means[j]),
                   double(Distance2(means[i], means[j]))};
    };
    std::vector<bool> alive(n, true);
    std::vector<Key> best(n, never);
    std::vector<std::size_t> partner(n, n);
    const auto scan = [&](std::size_t i) {
        best[i] = never, partner[i] = n;
        for (std::size_t j = i + 1; j < n; ++j)
            if (alive[j])
                if (const Key k = keyOf(i, j); k < best[i])
                    best[i] = k, partner[i] = j;
    };
    for (std::size_t i = 0; i < n; ++i)
        scan(i);
    for (;;) {
        std::size_t a = n;
        for (std::size_t i = 0; i < n; ++i)
            if (alive[i] && partner[i] < n && (a == n || best[i] < best[a]))
                a = i;
        if (a == n)
            break;
        const std::size_t b = partner[a];
        groups[a].take(groups[b]);
        means[a] = groups[a].mean();
        alive[b] = false;
        for (std::size_t k = 0; k < n; ++k)
            far[a * n + k] = far[k * n + a] = std::max(far[a * n + k], far[b * n + k]);
        for (std::size_t i = 0; i < n; ++i) {
            if (!alive[i] || i == a)
                continue;
            if (partner[i] == a || partner[i] == b)
                scan(i);
            else if (i < a)
                if (const Key k = keyOf(i, a);
                    k < best[i] || (k != never && k == best[i] && a < partner[i]))
                    best[i] = k, partner[i] = a;
        }
        scan(a);
    }
    std::vector<Group> kept;
    for (std::size_t i = 0; i < n; ++i)
        if (alive[i])
            kept.push_back(std::move(groups[i]));
    return Merged(pallet, kept);
}

Tidied UnusedToEnd(const PalletArray &pallet, const UsageCounts &usage, int s, int t,
                   const CycleRanges &held)
{
    const std::vector<int> places = Entries(RangeOf(s, t), held);
    std::vector<int> order = places;
    std::stable_partition(order.begin(), order.end(), [&](int e) { return usage[e] != 0; });
    return Permuted(pallet, places, order);
}

Tidied SortEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, TidyKey key,
                   const CycleRanges &held)
{
    const std::vector<int> places = Entries(RangeOf(s, t), held);
    std::vector<int> order = places;
    // Keys as pairs: greys sort before any hue, by their lightness.
    std::vector<std::pair<double, double>> keys(kPalletEntries);
    for (int e : order) {
        const Vec3 lab = Lab(pallet[e]);
        // To a ten-thousandth: greys are then all of chroma 0, not of the
        // noise of their conversion.
        const double chroma = std::round(std::hypot(double(lab.y), double(lab.z)) * 1e4) / 1e4;
        double hue = std::atan2(double(lab.z), double(lab.y)) * 180 / kPi;
        hue = hue < 0 ? hue + 360 : hue;
        switch (key) {
        case TidyKey::Hue:
            keys[e] = chroma < 0.02 ? std::pair{0.0, double(lab.x)} : std::pair{1.0, hue};
            break;
        case TidyKey::Lightness:
            keys[e] = {lab.x, 0};
            break;
        case TidyKey::Chroma:
            keys[e] = {chroma, 0};
            break;
        case TidyKey::Usage:
            keys[e] = {-double(usage[e]), 0};
            break;
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    return Permuted(pallet, places, order);
}

Tidied ReduceEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, int colours,
                     const CycleRanges &held)
{
    std::vector<Group> groups;
    for (int e : Entries(RangeOf(s, t), held))
        if (usage[e] != 0) {
            groups.emplace_back();
            groups.back().add(e, Lab(pallet[e]), double(usage[e]));
        }
    const int n = int(groups.size());
    std::vector<Vec3> means(std::size_t(n), Vec3{});
    for (int i = 0; i < n; ++i)
        means[i] = groups[i].mean();
    // The squared error a merge adds: the pair's distance weighted as
    // w1 w2 / (w1 + w2). Groups stay in the order of their lowest entries.
    const auto cost = [&](int i, int j) {
        return MergeCost(groups[i].weight, groups[j].weight, means[i], means[j]);
    };
    // Each group's cheapest merge with a later one (the first on ties), kept
    // up to date so that a merge costs a few rows, not the whole table.
    std::vector<bool> alive(std::size_t(n), true);
    std::vector<int> partner(std::size_t(n), -1);
    std::vector<double> best(std::size_t(n), std::numeric_limits<double>::infinity());
    const auto scan = [&](int i) {
        partner[i] = -1, best[i] = std::numeric_limits<double>::infinity();
        for (int j = i + 1; j < n; ++j)
            if (alive[j])
                if (const double c = cost(i, j); c < best[i])
                    best[i] = c, partner[i] = j;
    };
    for (int i = 0; i < n; ++i)
        scan(i);
    for (int left = n; left > std::max(colours, 1); --left) {
        int a = -1;
        for (int i = 0; i < n; ++i)
            if (alive[i] && partner[i] >= 0 && (a < 0 || best[i] < best[a]))
                a = i;
        const int b = partner[a];
        groups[a].take(groups[b]);
        means[a] = groups[a].mean();
        alive[b] = false;
        scan(a);
        for (int i = 0; i < n; ++i) {
            if (!alive[i] || i == a)
                continue;
            if (partner[i] == a || partner[i] == b)
                scan(i);
            else if (i < a)
                if (const double c = cost(i, a); c < best[i] || (c == best[i] && a < partner[i]))
                    best[i] = c, partner[i] = a;
        }
    }
    std::vector<Group> kept;
    for (int i = 0; i < n; ++i)
        if (alive[i])
            kept.push_back(std::move(groups[i]));
    return Merged(pallet, kept);
}

UsageCounts MovedUsage(const UsageCounts &usage, const EntryMap &to)
{
    UsageCounts out{};
    for (int e = 0; e < kPalletEntries; ++e)
        out[to[e]] += usage[e];
    return out;
}
