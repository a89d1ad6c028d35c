#include "palette/PaletteTidy.h"

#include "convert/Oklab.h"

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

// The entries of the range, reordered: order[k] goes to slot lo + k.
Tidied Permuted(const PalletArray &pallet, Range r, const std::vector<int> &order)
{
    EntryMap to = Identity();
    for (std::size_t k = 0; k < order.size(); ++k)
        to[order[k]] = quint8(r.lo + int(k));
    return {to, MoveEntries(pallet, to)};
}

std::vector<int> Entries(Range r)
{
    std::vector<int> order(std::size_t(r.hi - r.lo + 1));
    std::iota(order.begin(), order.end(), r.lo);
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

} // namespace

Tidied MergeDuplicates(const PalletArray &pallet, int s, int t)
{
    const Range r = RangeOf(s, t);
    Tidied out{Identity(), pallet};
    for (int e = r.lo + 1; e <= r.hi; ++e)
        for (int k = r.lo; k < e; ++k) {
            const PalletEntry &a = pallet[k], &b = pallet[e];
            if (a.R == b.R && a.G == b.G && a.B == b.B) {
                out.to[e] = out.to[k];
                break;
            }
        }
    return out;
}

Tidied MergeSimilar(const PalletArray &pallet, const UsageCounts &usage, int s, int t,
                    double tolerance)
{
    const Range r = RangeOf(s, t);
    std::array<Vec3, kPalletEntries> lab{};
    for (int e = r.lo; e <= r.hi; ++e)
        lab[e] = Lab(pallet[e]);
    std::vector<bool> taken(kPalletEntries, false);
    std::vector<Group> groups;
    for (int seed = r.lo; seed <= r.hi; ++seed) {
        if (taken[seed])
            continue;
        Group g;
        g.add(seed, lab[seed], double(usage[seed]));
        // A candidate joins only if every member, itself included, stays
        // within reach of the mean it would make: no chains.
        for (int e = seed + 1; e <= r.hi; ++e) {
            if (taken[e] || Apart(lab[e], lab[seed]) > 2 * tolerance)
                continue;
            Group trial = g;
            trial.add(e, lab[e], double(usage[e]));
            const Vec3 m = trial.mean();
            if (std::all_of(trial.members.begin(), trial.members.end(),
                            [&](int k) { return Apart(lab[k], m) <= tolerance; }))
                g = std::move(trial);
        }
        for (int e : g.members)
            taken[e] = true;
        groups.push_back(std::move(g));
    }
    return Merged(pallet, groups);
}

Tidied UnusedToEnd(const PalletArray &pallet, const UsageCounts &usage, int s, int t)
{
    const Range r = RangeOf(s, t);
    std::vector<int> order = Entries(r);
    std::stable_partition(order.begin(), order.end(), [&](int e) { return usage[e] != 0; });
    return Permuted(pallet, r, order);
}

Tidied SortEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, TidyKey key)
{
    const Range r = RangeOf(s, t);
    std::vector<int> order = Entries(r);
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
    return Permuted(pallet, r, order);
}

Tidied ReduceEntries(const PalletArray &pallet, const UsageCounts &usage, int s, int t, int colours)
{
    const Range r = RangeOf(s, t);
    std::vector<Group> groups;
    for (int e = r.lo; e <= r.hi; ++e)
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
        const double a = groups[i].weight, b = groups[j].weight;
        return a * b / (a + b) * double(Distance2(means[i], means[j]));
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
