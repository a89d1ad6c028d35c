#include "convert/SharedPalette.h"

#include "convert/QuantizeSteps.h"

#include "base/Progress.h"

#include <algorithm>

namespace {

// Rounds of moving the centres that settled too near a locked colour: one
// nearly always does.
constexpr int kMoves = 3;

bool NearLocked(Vec3 p, const std::vector<Vec3> &locked)
{
    return std::any_of(locked.begin(), locked.end(),
                       [p](const Vec3 &l) { return Distance2(p, l) < kLockedRoom * kLockedRoom; });
}

// Free centres whose byte colour lands too near a locked one.
std::vector<std::size_t> Crowded(const std::vector<Vec3> &centres, const std::vector<Vec3> &locked)
{
    std::vector<std::size_t> out;
    for (std::size_t c = locked.size(); c < centres.size(); ++c)
        if (NearLocked(OklabOf(Rgb8OfOklab(centres[c])), locked))
            out.push_back(c);
    return out;
}

// The n points that cost most where they are, costliest first; none a
// locked colour serves already.
std::vector<Vec3> Costliest(const std::vector<Weighted> &points, const std::vector<Vec3> &centres,
                            const std::vector<Vec3> &locked, std::size_t n)
{
    NearestFinder finder(centres);
    std::vector<std::pair<double, std::size_t>> costs;
    int last = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        last = finder.find(points[i].lab, last);
        if (!NearLocked(points[i].lab, locked))
            costs.push_back(
                {points[i].weight * Distance2(points[i].lab, centres[std::size_t(last)]), i});
    }
    n = std::min(n, costs.size());
    std::partial_sort(costs.begin(), costs.begin() + std::ptrdiff_t(n), costs.end(),
                      [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<Vec3> out;
    for (std::size_t k = 0; k < n; ++k)
        out.push_back(points[costs[k].second].lab);
    return out;
}

// New colours for `free` entries around the locked ones, none too near them.
std::vector<Rgb8> Quantize(std::vector<Weighted> &points, const std::vector<Vec3> &locked,
                           std::size_t free, Progress *progress, std::int64_t units)
{
    std::vector<Vec3> centres = locked;
    for (const Vec3 &seed : SplitBoxes(points, int(free)))
        centres.push_back(seed);
    const std::size_t fixed = locked.size();
    centres = RefineCentres(points, std::move(centres), kMeanPasses, kMedianPasses, progress, units,
                            fixed);
    if (Stopped(progress))
        return {};
    centres = KeepSpots(points, std::move(centres), fixed);
    for (int round = 0; round < kMoves && !Stopped(progress); ++round) {
        const std::vector<std::size_t> crowded = Crowded(centres, locked);
        if (crowded.empty())
            break;
        const std::vector<Vec3> seeds = Costliest(points, centres, locked, crowded.size());
        for (std::size_t k = 0; k < seeds.size(); ++k)
            centres[crowded[k]] = seeds[k];
        centres = RefineCentres(points, std::move(centres), kMeanPasses, kMedianPasses, progress, 0,
                                fixed);
    }
    std::vector<Rgb8> out;
    for (std::size_t c = fixed; c < centres.size(); ++c) {
        const Rgb8 rgb = Rgb8OfOklab(centres[c]);
        // Those still too near are dropped: their entries keep their colour.
        if (!NearLocked(OklabOf(rgb), locked) &&
            std::find(out.begin(), out.end(), rgb) == out.end())
            out.push_back(rgb);
    }
    return out;
}

} // namespace

SharedPalette MakeSharedPalette(const ColourTally &tally, const PaletteGoal &goal,
                                Progress *progress)
{
    SharedPalette out;
    out.colours = goal.start;
    if (goal.first < 0 || goal.count < 1 || goal.first + goal.count > 256)
        return out;
    std::vector<int> free;
    Candidates kept;
    std::vector<Vec3> locked; // each colour once
    for (int e = goal.first; e < goal.first + goal.count; ++e) {
        const std::size_t i = std::size_t(e);
        if (goal.reserved[i])
            continue;
        if (!goal.locked[i]) {
            free.push_back(e);
            continue;
        }
        kept.push_back({e, goal.start[i]});
        const Vec3 lab = OklabOf(goal.start[i]);
        if (std::find_if(locked.begin(), locked.end(),
                         [lab](const Vec3 &l) { return Distance2(l, lab) == 0; }) == locked.end())
            locked.push_back(lab);
    }
    Histogram counted = tally.histogram();
    const std::int64_t units = std::int64_t(counted.points.size());
    if (counted.points.empty() || (free.empty() && kept.empty()))
        return out;
    std::vector<Rgb8> made;
    bool done = false;
    if (!counted.colours.empty()) {
        // Few colours: each its own entry, unless a locked colour serves it.
        bool all = true;
        for (const Rgb8 &c : counted.colours) {
            if (!NearLocked(OklabOf(c), locked))
                made.push_back(c);
            else
                all = all && std::any_of(kept.begin(), kept.end(),
                                         [c](const Candidate &k) { return k.colour == c; });
        }
        done = made.size() <= free.size();
        out.exact = done && all;
        if (!done)
            made.clear();
    }
    if (!done && !free.empty())
        made = Quantize(counted.points, locked, free.size(), progress, units);
    else
        Add(progress, units);
    if (Stopped(progress))
        return {goal.start, {}, false};
    OrderByLightness(made);
    for (std::size_t i = 0; i < made.size(); ++i) {
        out.colours[std::size_t(free[i])] = made[i];
        kept.push_back({free[i], made[i]});
    }
    out.candidates = TidyCandidates(std::move(kept));
    return out;
}
