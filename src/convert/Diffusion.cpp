#include "convert/Diffusion.h"

#include "convert/NearestCubes.h"
#include "convert/Refine.h"

#include "base/Progress.h"
#include "base/RunTogether.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

struct Tap {
    int dx, dy, weight;
};

struct Kernel {
    int divisor;
    std::vector<Tap> taps;
};

// Atkinson passes on only 6/8 of the error on purpose: it trades the mean of
// light and dark areas for crisper detail.
const Kernel kFloydSteinberg{16, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};
const Kernel kAtkinson{8, {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}};
const Kernel kSierraLite{4, {{1, 0, 2}, {-1, 1, 1}, {0, 1, 1}}};
const Kernel kJarvisJudiceNinke{48,
                                {{1, 0, 7},
                                 {2, 0, 5},
                                 {-2, 1, 3},
                                 {-1, 1, 5},
                                 {0, 1, 7},
                                 {1, 1, 5},
                                 {2, 1, 3},
                                 {-2, 2, 1},
                                 {-1, 2, 3},
                                 {0, 2, 5},
                                 {1, 2, 3},
                                 {2, 2, 1}}};

const Kernel *KernelOf(Dither d)
{
    switch (d) {
    case Dither::FloydSteinberg:
        return &kFloydSteinberg;
    case Dither::Atkinson:
        return &kAtkinson;
    case Dither::SierraLite:
        return &kSierraLite;
    case Dither::JarvisJudiceNinke:
        return &kJarvisJudiceNinke;
    default:
        return nullptr;
    }
}

inline Vec3 Bytes(Rgb8 c)
{
    return {float(c.r), float(c.g), float(c.b)};
}

// What the error is carried in: sRGB values, or linear light on the same scale.
inline Vec3 Carried(Rgb8 c, bool light)
{
    return light ? LinearOf(c) * 255.0f : Bytes(c);
}

// Where error diffusion keeps the carried colours: inside the candidates'
// box widened by a quarter of its size either way, so that colours no entry
// reaches cannot pile up error without end, while the error of a colour near
// the box's edge is still passed on whole.
std::pair<Vec3, Vec3> CarriedBox(const Candidates &candidates, bool light)
{
    Vec3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    for (const Candidate &c : candidates) {
        const Vec3 w = Carried(c.colour, light);
        lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
        hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
    }
    const Vec3 margin = (hi - lo) * 0.25f;
    return {lo - margin, hi + margin};
}

// Keeps error diffusion from leaving specks: a pixel whose pick lies
// farther than kSpeck from its own colour takes its nearest entry instead,
// unless even that is far, as with a sparse palette. Then the pick may lie
// up to twice as far as the nearest, or the nearest's own gap beyond it,
// whichever is less: far enough to mix two entries, not a third.
class Specks {
public:
    explicit Specks(const Candidates &candidates)
        : points_(PointsOf(candidates, ColourSpace::Oklab))
    {
        // An entry of the same colour leaves no gap: a palette padded with
        // black would hold every dark pixel to its nearest entry.
        for (const Vec3 &p : points_) {
            float gap = INFINITY;
            for (const Vec3 &q : points_)
                if (const float d = Distance2(p, q); d > 0)
                    gap = std::min(gap, d);
            gaps_.push_back(std::sqrt(gap));
        }
    }
    // lab: the pixel's own colour.
    int mend(Vec3 lab, int pick)
    {
        const float strays = Distance2(lab, points_[std::size_t(pick)]);
        if (strays <= kSpeck * kSpeck)
            return pick;
        // Most pictures never get here: the search is built on first need.
        // Searched from the pixel's point, which the row holds already, its
        // cells lie together for pixels alike, where a cache by colour
        // scatters them.
        if (!finder_)
            finder_.emplace(points_);
        const int nearest = finder_->find(lab, pick);
        const float near = Distance2(lab, points_[std::size_t(nearest)]);
        const float beside = std::sqrt(near) + gaps_[std::size_t(nearest)];
        return strays > std::min(4 * near, beside * beside) ? nearest : pick;
    }

private:
    std::vector<Vec3> points_;
    std::vector<float> gaps_;
    std::optional<NearestFinder> finder_;
};

// Error diffusion over bands of rows, each band after priming rows above it.
// A thread takes several bands at once, a pixel of each in turn: each pixel
// waits on the error of the one before it, and several such chains keep the
// processor busy where one leaves it waiting.
class Diffusion {
public:
    // At most this many bands at once: more fill the caches without gain.
    static constexpr int kChains = 4;

    // light: the error carried in linear light and entries picked in it by
    // cubes, as the refinement that follows sees a picture; else in sRGB
    // values, picked by the finder (in OKLab, moved by the error as OKLab
    // bends around the pixel) or by cubes in RGB. One of finder and cubes.
    Diffusion(const std::uint8_t *rgba, int width, const Candidates &candidates,
              NearestFinder *finder, CubeNearest *cubes, bool light, const RemapOptions &o,
              std::uint8_t *out)
        : rgba_(rgba), width_(width), candidates_(candidates), finder_(finder), cubes_(cubes),
          light_(light), o_(o), out_(out), kernel_(*KernelOf(o.dither))
    {
        for (const Candidate &c : candidates)
            target_.push_back(Carried(c.colour, light_));
        std::tie(lo_, hi_) = CarriedBox(candidates, light_);
        // Alone, diffusion keeps the mean of a palette too sparse for the
        // rule; refined, it starts what the refinement keeps to.
        if (light_)
            specks_.emplace(candidates);
        scale_ = float(o.strength) / 100.0f / float(kernel_.divisor);
    }

    // Rows first..end-1 of each of up to kChains bands, all at once.
    void run(const std::pair<int, int> *rows, int count)
    {
        Band *bands[kChains];
        for (int b = 0; b < count; ++b) {
            band(chains_[std::size_t(b)], rows[b].first, rows[b].second);
            bands[b] = &chains_[std::size_t(b)];
        }
        for (int live = count; live > 0;) {
            // A row at a time: a band takes long on a wide picture.
            if (Stopped(o_.progress))
                return;
            for (int b = 0; b < live; ++b)
                startRow(*bands[b]);
            Add(o_.progress, std::int64_t(live) * width_);
            // Floyd-Steinberg's four taps, the common kernel, as constants.
            if (kernel_.taps.size() == 4)
                acrossBands<4>(bands, live);
            else
                acrossBands<0>(bands, live);
            for (int b = 0; b < live; ++b)
                ++bands[b]->y;
            // A band done leaves the others to go on; its place keeps the order.
            live = int(
                std::remove_if(bands, bands + live, [](const Band *b) { return b->y >= b->y1; }) -
                bands);
        }
    }

private:
    // One row of error for each kernel line, two pixels of margin either side.
    static constexpr int kRows = 3, kMargin = 2, kMaxTaps = 12;

    struct Band {
        int y = 0, y0 = 0, y1 = 0;
        std::vector<Vec3> errors;
        int last = 0;
        // The row under way.
        bool keep = false;
        int x = 0, step = 1;
        Vec3 *here = nullptr;
        // The row's colours as points, when picks or the speck rule need them.
        std::vector<Rgb8> colours;
        std::vector<Vec3> labs;
        std::ptrdiff_t offsets[kMaxTaps];
        float weights[kMaxTaps];
    };

    void band(Band &b, int y0, int y1) const
    {
        b.y0 = y0;
        b.y1 = y1;
        b.y = std::max(0, y0 - kPrimeRows);
        b.last = 0;
        b.errors.assign(kRows * stride(), Vec3{});
    }
    std::size_t stride() const { return std::size_t(width_) + 2 * kMargin; }
    Vec3 *row(Band &b, int y) const
    {
        return b.errors.data() + std::size_t(y % kRows) * stride() + kMargin;
    }

    void startRow(Band &b)
    {
        std::fill_n(row(b, b.y + kRows - 1) - kMargin, stride(), Vec3{});
        b.keep = b.y >= b.y0;
        const bool back = o_.serpentine && (b.y % 2 == 1);
        b.step = back ? -1 : 1;
        b.x = back ? width_ - 1 : 0;
        Vec3 *const rows[kRows] = {row(b, b.y), row(b, b.y + 1), row(b, b.y + 2)};
        b.here = rows[0] + b.x;
        if (specks_ || !cubes_) {
            b.colours.resize(std::size_t(width_));
            b.labs.resize(std::size_t(width_));
            const std::uint8_t *p = rgba_ + 4 * std::size_t(b.y) * std::size_t(width_);
            for (std::size_t x = 0; x < b.colours.size(); ++x)
                b.colours[x] = OverBlack(p + 4 * x);
            OklabOfColours(b.colours.data(), b.colours.size(), b.labs.data());
        }
        // Where each tap lands from x, and its weight times the scale.
        for (std::size_t t = 0; t < kernel_.taps.size(); ++t) {
            const Tap &tap = kernel_.taps[t];
            b.offsets[t] = (rows[tap.dy] - rows[0]) + tap.dx * b.step;
            b.weights[t] = float(tap.weight) * scale_;
        }
    }

    // A row of each of `live` bands, a pixel of each in turn. kTaps: the
    // kernel's taps, or 0 for any.
    template <int kTaps> void acrossBands(Band *const *bands, int live)
    {
        if (live == 2)
            for (int k = 0; k < width_; ++k) {
                pixel<kTaps>(*bands[0]);
                pixel<kTaps>(*bands[1]);
            }
        else if (live == 3)
            for (int k = 0; k < width_; ++k) {
                pixel<kTaps>(*bands[0]);
                pixel<kTaps>(*bands[1]);
                pixel<kTaps>(*bands[2]);
            }
        else
            for (int k = 0; k < width_; ++k)
                for (int b = 0; b < live; ++b)
                    pixel<kTaps>(*bands[b]);
    }

    template <int kTaps> void pixel(Band &b)
    {
        const std::size_t i = std::size_t(b.y) * std::size_t(width_) + std::size_t(b.x);
        const Vec3 *const lab = b.labs.empty() ? nullptr : b.labs.data() + b.x;
        Vec3 *const here = b.here;
        b.x += b.step;
        b.here += b.step;
        const Pixel px = PixelAt(rgba_ + 4 * i, o_.transparentEntry);
        if (px.transparent) {
            if (b.keep)
                out_[i] = std::uint8_t(o_.transparentEntry);
            return;
        }
        const Vec3 in = Carried(px.colour, light_);
        Vec3 v = in + *here;
        v = {std::clamp(v.x, lo_.x, hi_.x), std::clamp(v.y, lo_.y, hi_.y),
             std::clamp(v.z, lo_.z, hi_.z)};
        b.last = cubes_ ? cubes_->find(v)
                        : finder_->find(*lab + OklabSlopeNear(px.colour)(v - in), b.last);
        if (specks_)
            b.last = specks_->mend(*lab, b.last);
        if (b.keep)
            out_[i] = std::uint8_t(candidates_[std::size_t(b.last)].entry);
        const Vec3 e = v - target_[std::size_t(b.last)];
        const int taps = kTaps ? kTaps : int(kernel_.taps.size());
        for (int t = 0; t < taps; ++t)
            here[b.offsets[t]] = here[b.offsets[t]] + e * b.weights[t];
    }

    const std::uint8_t *rgba_;
    int width_;
    const Candidates &candidates_;
    NearestFinder *finder_;
    CubeNearest *cubes_;
    bool light_;
    const RemapOptions &o_;
    std::uint8_t *out_;
    const Kernel &kernel_;
    std::vector<Vec3> target_;
    Vec3 lo_, hi_;
    float scale_ = 0;
    std::optional<Specks> specks_;
    std::array<Band, kChains> chains_;
};

} // namespace

bool Diffuses(Dither d)
{
    return KernelOf(d) != nullptr;
}

void Diffuse(const std::uint8_t *rgba, int width, int height, const Candidates &tidy,
             const RemapOptions &o, std::uint8_t *out)
{
    const int bands = (height + kBandRows - 1) / kBandRows;
    // The bands in runs of at most kChains, as many runs as threads or a
    // multiple of it: each thread ends with the others.
    const int threads = std::clamp(o.threads, 1, bands);
    const int runs = (bands + Diffusion::kChains - 1) / Diffusion::kChains;
    const int groups = std::min(bands, (runs + threads - 1) / threads * threads);
    std::atomic<int> next{0};
    // Refined, the picture is diffused in linear light, as the refinement
    // weighs it, which leaves it less to mend. Alone, the error is carried
    // in sRGB values and entries are picked in OKLab: a dithered area then
    // keeps the hues of the picture, where linear light mixes far-apart
    // entries into them (a warm cast over skin and wood with the VGA palette).
    const bool light = Refines(o);
    std::vector<Vec3> diffused = PointsOf(tidy, o.space);
    if (light)
        for (std::size_t k = 0; k < tidy.size(); ++k)
            diffused[k] = Carried(tidy[k].colour, true);
    const std::pair<Vec3, Vec3> box = CarriedBox(tidy, light);
    // Refined, tiles are refined as the bands within their reach are done;
    // each thread that diffused joins in once no band is left.
    RefineOptions r;
    r.progress = o.progress;
    r.space = o.space;
    r.transparentEntry = o.transparentEntry;
    r.threads = std::max(1, o.threads);
    const int diffusing = std::min(threads, groups);
    std::optional<Refinement> refinement;
    if (light)
        refinement.emplace(rgba, width, height, tidy, r, out, r.threads);
    const auto work = [&] {
        std::optional<NearestFinder> own;
        std::optional<CubeNearest> cubes;
        if (light || o.space == ColourSpace::Rgb)
            cubes.emplace(diffused, box.first, box.second, light);
        else
            own.emplace(diffused);
        Diffusion diffusion(rgba, width, tidy, own ? &*own : nullptr, cubes ? &*cubes : nullptr,
                            light, o, out);
        std::pair<int, int> rows[Diffusion::kChains];
        for (int g; !Stopped(o.progress) && (g = next++) < groups;) {
            const int b0 = bands * g / groups, b1 = bands * (g + 1) / groups;
            for (int b = b0; b < b1; ++b)
                rows[b - b0] = {b * kBandRows, std::min(height, (b + 1) * kBandRows)};
            diffusion.run(rows, b1 - b0);
            if (refinement && !Stopped(o.progress))
                refinement->ready(rows[0].first, rows[b1 - b0 - 1].second);
        }
    };
    RunTogether(light ? r.threads : diffusing, [&](int k) {
        if (k < diffusing)
            work();
        if (refinement) {
            refinement->made();
            refinement->work(k);
        }
    });
}
