#include "convert/Dither.h"

#include "convert/Refine.h"

#include "shell/RunTogether.h"
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
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

const std::array<int, 4> kBayer2{0, 2, 3, 1};
const std::array<int, 16> kBayer4{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
const std::array<int, 64> kBayer8{0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26,
                                  12, 44, 4,  36, 14, 46, 6,  38, 60, 28, 52, 20, 62, 30, 54, 22,
                                  3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27, 49, 17, 57, 25,
                                  15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

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

int BayerSize(Dither d)
{
    return d == Dither::Bayer2 ? 2 : d == Dither::Bayer4 ? 4 : d == Dither::Bayer8 ? 8 : 0;
}

// The pixel as drawn, or transparent when it takes the chosen entry.
struct Pixel {
    Rgb8 colour;
    bool transparent = false;
};

inline Pixel PixelAt(const std::uint8_t *p, int transparentEntry)
{
    if (p[3] < 128 && transparentEntry >= 0)
        return {{}, true};
    return {OverBlack(p)};
}

// Working-space colours of the last byte colours met, direct-mapped.
class WorkCache {
public:
    template <class Convert> Vec3 find(Rgb8 c, const Convert &convert)
    {
        const std::uint32_t rgb = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
        Slot &s = slots_[(rgb * 2654435761u) >> (32 - kBits)];
        if (s.key != rgb) {
            s.key = rgb;
            s.value = convert(c);
        }
        return s.value;
    }

private:
    static constexpr int kBits = 14;
    struct Slot {
        std::uint32_t key = 0xffffffffu;
        Vec3 value;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(std::size_t(1) << kBits);
};

void RemapPlain(const std::uint8_t *rgba, std::size_t count, const Candidates &candidates,
                NearestFinder &finder, const RemapOptions &o, std::uint8_t *out)
{
    ColourCache cache;
    int last = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Runs of one colour are common and cost a comparison.
        if (i > 0 && std::memcmp(rgba + 4 * i, rgba + 4 * i - 4, 4) == 0) {
            out[i] = out[i - 1];
            continue;
        }
        const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
        if (px.transparent) {
            out[i] = std::uint8_t(o.transparentEntry);
            continue;
        }
        last = cache.find(finder, o.space, px.colour, last);
        out[i] = std::uint8_t(candidates[last].entry);
    }
}

// From this many pixels a table over every colour costs less than the cache's misses.
constexpr std::size_t kTableAt = std::size_t(1) << 21;

inline std::uint32_t KeyOf(Rgb8 c)
{
    return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

// Runs work(y0, y1) over bands of rows, one band a thread.
template <class Work> void InBands(int height, int threads, const Work &work)
{
    const int bands = std::clamp(threads, 1, std::max(1, height / 16));
    RunTogether(bands, [&](int b) {
        work(int(std::int64_t(height) * b / bands), int(std::int64_t(height) * (b + 1) / bands));
    });
}

// A large picture: each distinct colour is searched once, into a table over
// every byte colour (16 MiB), and the pixels then only look it up.
bool RemapByTable(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
                  const std::vector<Vec3> &points, const RemapOptions &o, std::uint8_t *out)
{
    constexpr std::size_t kColours = std::size_t(1) << 24, kWords = kColours / 64;
    const int threads = std::clamp(o.threads, 1, 16);
    const std::size_t w = std::size_t(width);
    // Which colours occur: one bit set a thread, then joined.
    std::vector<std::vector<std::uint64_t>> seen(static_cast<std::size_t>(threads));
    const auto split = [threads](std::size_t n, int k) {
        return n * std::size_t(k) / std::size_t(threads);
    };
    const auto inParallel = [&](const auto &work) { RunTogether(threads, work); };
    inParallel([&](int k) {
        std::vector<std::uint64_t> &bits = seen[std::size_t(k)];
        bits.assign(kWords, 0);
        std::uint32_t previous = 0xffffffffu;
        for (std::size_t i = split(std::size_t(height), k) * w,
                         end = split(std::size_t(height), k + 1) * w;
             i < end; ++i) {
            const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
            const std::uint32_t key = KeyOf(px.colour);
            if (px.transparent || key == previous)
                continue;
            previous = key;
            bits[key >> 6] |= std::uint64_t(1) << (key & 63);
        }
    });
    const std::unique_ptr<std::uint8_t[]> table(new (std::nothrow) std::uint8_t[kColours]);
    if (!table)
        return false;
    // In slices taken in turn: a picture's colours crowd into parts of the cube.
    constexpr std::size_t kSliceWords = 1024;
    std::atomic<std::size_t> nextSlice{0};
    inParallel([&](int) {
        NearestFinder finder(points);
        int last = 0;
        for (std::size_t from; (from = kSliceWords * nextSlice++) < kWords;)
            for (std::size_t word = from; word < from + kSliceWords; ++word) {
                std::uint64_t bits = 0;
                for (const std::vector<std::uint64_t> &s : seen)
                    bits |= s[word];
                for (; bits; bits &= bits - 1) {
                    const std::uint32_t key =
                        std::uint32_t(word * 64) + std::uint32_t(__builtin_ctzll(bits));
                    const Rgb8 c{std::uint8_t(key >> 16), std::uint8_t(key >> 8),
                                 std::uint8_t(key)};
                    last = finder.find(PointOf(o.space, c), last);
                    table[key] = std::uint8_t(candidates[std::size_t(last)].entry);
                }
            }
    });
    inParallel([&](int k) {
        for (std::size_t i = split(std::size_t(height), k) * w,
                         end = split(std::size_t(height), k + 1) * w;
             i < end; ++i) {
            const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
            out[i] = px.transparent ? std::uint8_t(o.transparentEntry) : table[KeyOf(px.colour)];
        }
    });
    return true;
}

// A typical gap between neighbouring candidates: the ordered pattern spreads
// a pixel over about that much so that it can reach the next entry.
float TypicalGap(const NearestFinder &finder)
{
    std::vector<float> gaps;
    for (int i = 0; i < finder.size(); ++i) {
        float best = INFINITY;
        for (int j = 0; j < finder.size(); ++j)
            if (j != i)
                best = std::min(best, Distance2(finder.point(i), finder.point(j)));
        if (std::isfinite(best))
            gaps.push_back(std::sqrt(best));
    }
    if (gaps.empty())
        return 0;
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    return gaps[gaps.size() / 2];
}

// Rows y0..y1-1 only: bands of rows are independent.
void RemapOrdered(const std::uint8_t *rgba, int width, int y0, int y1, const Candidates &candidates,
                  NearestFinder &finder, float gap, const RemapOptions &o, std::uint8_t *out)
{
    const int n = BayerSize(o.dither);
    const std::vector<int> matrix = BayerMatrix(n);
    float spread = gap * float(o.strength) / 100.0f;
    // In RGB the step is spread over all three channels, in OKLab over lightness.
    if (o.space == ColourSpace::Rgb)
        spread /= std::sqrt(3.0f);
    WorkCache seen;
    int last = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
            if (px.transparent) {
                out[i] = std::uint8_t(o.transparentEntry);
                continue;
            }
            const float t = (float(matrix[(y % n) * n + x % n]) + 0.5f) / float(n * n) - 0.5f;
            Vec3 q = seen.find(px.colour, [&o](Rgb8 c) { return PointOf(o.space, c); });
            q.x += t * spread;
            if (o.space == ColourSpace::Rgb) {
                q.y += t * spread;
                q.z += t * spread;
            }
            last = finder.find(q, last);
            out[i] = std::uint8_t(candidates[last].entry);
        }
}

// Error diffusion runs down a tall picture in bands of this many rows, which
// threads can take apart: the same bands, so the same result, on any machine.
constexpr int kBandRows = 512;
// Each band first diffuses this many rows above it without writing them, so
// that its top row meets error as it would inside one pass and shows no seam.
constexpr int kPrimeRows = 32;

inline Vec3 Bytes(Rgb8 c)
{
    return {float(c.r), float(c.g), float(c.b)};
}

// Where error diffusion keeps the carried colours: inside the candidates'
// box widened by a quarter of its size either way, so that colours no entry
// reaches cannot pile up error without end, while the error of a colour near
// the box's edge is still passed on whole.
std::pair<Vec3, Vec3> CarriedBox(const Candidates &candidates)
{
    Vec3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    for (const Candidate &c : candidates) {
        const Vec3 w = Bytes(c.colour);
        lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
        hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
    }
    const Vec3 margin = (hi - lo) * 0.25f;
    return {lo - margin, hi + margin};
}

// Error diffusion over bands of rows, each band after priming rows above it.
// A thread takes two bands at once, a pixel of each in turn: each pixel
// waits on the error of the one before it, and two such chains keep the
// processor busy where one leaves it waiting.
class Diffusion {
public:
    Diffusion(const std::uint8_t *rgba, int width, const Candidates &candidates,
              NearestFinder &finder, CubeNearest *cubes, const RemapOptions &o, std::uint8_t *out)
        : rgba_(rgba), width_(width), candidates_(candidates), finder_(finder), cubes_(cubes),
          o_(o), out_(out), kernel_(*KernelOf(o.dither))
    {
        // The error is carried in sRGB values: a dithered area then keeps the
        // picture's average as a blur of the screen shows it. Carried in OKLab
        // or linear light, that average drifts wherever far-apart entries mix
        // (a warm cast over skin and wood with the VGA palette).
        for (const Candidate &c : candidates)
            target_.push_back(Bytes(c.colour));
        std::tie(lo_, hi_) = CarriedBox(candidates);
        scale_ = float(o.strength) / 100.0f / float(kernel_.divisor);
    }

    // Rows y0..y1-1 of one band and, when y2 < y3, rows y2..y3-1 of another.
    void run(int y0, int y1, int y2, int y3)
    {
        Band bands[2] = {band(y0, y1), band(y2, y3)};
        const int count = y2 < y3 ? 2 : 1;
        for (;;) {
            int live = 0;
            for (int b = 0; b < count; ++b)
                if (bands[b].y < bands[b].y1) {
                    startRow(bands[b]);
                    ++live;
                }
            if (live == 0)
                return;
            if (live == 2)
                for (int k = 0; k < width_; ++k) {
                    pixel(bands[0]);
                    pixel(bands[1]);
                }
            else
                for (Band &b : bands)
                    if (b.inRow)
                        for (int k = 0; k < width_; ++k)
                            pixel(b);
            for (int b = 0; b < count; ++b)
                if (bands[b].inRow) {
                    bands[b].inRow = false;
                    ++bands[b].y;
                }
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
        bool inRow = false, keep = false;
        int x = 0, step = 1;
        Vec3 *here = nullptr;
        std::ptrdiff_t offsets[kMaxTaps];
        float weights[kMaxTaps];
    };

    Band band(int y0, int y1) const
    {
        Band b;
        b.y0 = y0;
        b.y1 = y1;
        b.y = std::max(0, y0 - kPrimeRows);
        b.errors.assign(kRows * stride(), Vec3{});
        return b;
    }
    std::size_t stride() const { return std::size_t(width_) + 2 * kMargin; }
    Vec3 *row(Band &b, int y) const
    {
        return b.errors.data() + std::size_t(y % kRows) * stride() + kMargin;
    }

    void startRow(Band &b) const
    {
        std::fill_n(row(b, b.y + kRows - 1) - kMargin, stride(), Vec3{});
        b.inRow = true;
        b.keep = b.y >= b.y0;
        const bool back = o_.serpentine && (b.y % 2 == 1);
        b.step = back ? -1 : 1;
        b.x = back ? width_ - 1 : 0;
        Vec3 *const rows[kRows] = {row(b, b.y), row(b, b.y + 1), row(b, b.y + 2)};
        b.here = rows[0] + b.x;
        // Where each tap lands from x, and its weight times the scale.
        for (std::size_t t = 0; t < kernel_.taps.size(); ++t) {
            const Tap &tap = kernel_.taps[t];
            b.offsets[t] = (rows[tap.dy] - rows[0]) + tap.dx * b.step;
            b.weights[t] = float(tap.weight) * scale_;
        }
    }

    void pixel(Band &b)
    {
        const std::size_t i = std::size_t(b.y) * std::size_t(width_) + std::size_t(b.x);
        Vec3 *const here = b.here;
        b.x += b.step;
        b.here += b.step;
        const Pixel px = PixelAt(rgba_ + 4 * i, o_.transparentEntry);
        if (px.transparent) {
            if (b.keep)
                out_[i] = std::uint8_t(o_.transparentEntry);
            return;
        }
        const Vec3 in = Bytes(px.colour);
        Vec3 v = in + *here;
        v = {std::clamp(v.x, lo_.x, hi_.x), std::clamp(v.y, lo_.y, hi_.y),
             std::clamp(v.z, lo_.z, hi_.z)};
        // In OKLab the nearest entry is sought from the pixel's own place,
        // moved by the error as OKLab bends around it.
        b.last =
            cubes_
                ? cubes_->find(v)
                : finder_.find(labs_.find(px.colour, OklabOf) + OklabSlopeNear(px.colour)(v - in),
                               b.last);
        if (b.keep)
            out_[i] = std::uint8_t(candidates_[std::size_t(b.last)].entry);
        const Vec3 e = v - target_[std::size_t(b.last)];
        const int taps = int(kernel_.taps.size());
        for (int t = 0; t < taps; ++t)
            here[b.offsets[t]] = here[b.offsets[t]] + e * b.weights[t];
    }

    const std::uint8_t *rgba_;
    int width_;
    const Candidates &candidates_;
    NearestFinder &finder_;
    CubeNearest *cubes_;
    const RemapOptions &o_;
    std::uint8_t *out_;
    const Kernel &kernel_;
    std::vector<Vec3> target_;
    Vec3 lo_, hi_;
    float scale_ = 0;
    WorkCache labs_;
};

} // namespace

std::vector<int> BayerMatrix(int size)
{
    switch (size) {
    case 2:
        return {kBayer2.begin(), kBayer2.end()};
    case 4:
        return {kBayer4.begin(), kBayer4.end()};
    case 8:
        return {kBayer8.begin(), kBayer8.end()};
    default:
        return {};
    }
}

bool Refines(const RemapOptions &o)
{
    return o.refine && o.strength >= 100 && KernelOf(o.dither) && o.dither != Dither::Atkinson;
}

bool Remap(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
           const RemapOptions &options, std::uint8_t *out)
{
    const Candidates tidy = TidyCandidates(candidates);
    if (tidy.empty() || width <= 0 || height <= 0)
        return false;
    RemapOptions o = options;
    o.strength = std::clamp(o.strength, 0, 100);
    if (o.transparentEntry > 255)
        o.transparentEntry = -1;
    const std::vector<Vec3> points = PointsOf(tidy, o.space);
    NearestFinder finder(points);
    const bool plain = o.strength == 0 || o.dither == Dither::None;
    if (!plain && !KernelOf(o.dither)) {
        const float gap = TypicalGap(finder);
        InBands(height, o.threads, [&](int y0, int y1) {
            NearestFinder own(points);
            RemapOrdered(rgba, width, y0, y1, tidy, own, gap, o, out);
        });
    } else if (plain && std::size_t(width) * std::size_t(height) >= kTableAt &&
               RemapByTable(rgba, width, height, tidy, points, o, out)) {
        // Done; without the memory for its table, as a small picture is.
    } else if (plain) {
        InBands(height, o.threads, [&](int y0, int y1) {
            NearestFinder own(points);
            const std::size_t from = std::size_t(y0) * std::size_t(width);
            RemapPlain(rgba + 4 * from, std::size_t(y1 - y0) * std::size_t(width), tidy, own, o,
                       out + from);
        });
    } else {
        const int bands = (height + kBandRows - 1) / kBandRows;
        std::atomic<int> next{0};
        // Refined, the picture is diffused in RGB, the space its error is
        // carried in, which leaves less for the refinement to mend: that then
        // weighs the error as OKLab sees it.
        const bool refined = Refines(o);
        RemapOptions d = o;
        if (refined)
            d.space = ColourSpace::Rgb;
        const std::vector<Vec3> diffused = PointsOf(tidy, d.space);
        const std::pair<Vec3, Vec3> box = CarriedBox(tidy);
        const auto work = [&] {
            NearestFinder own(diffused);
            std::optional<CubeNearest> cubes;
            if (d.space == ColourSpace::Rgb)
                cubes.emplace(diffused, box.first, box.second);
            Diffusion diffusion(rgba, width, tidy, own, cubes ? &*cubes : nullptr, d, out);
            const auto rows = [&](int b) {
                return std::pair(b * kBandRows, std::min(height, (b + 1) * kBandRows));
            };
            for (int b; (b = next.fetch_add(2)) < bands;) {
                const auto [y0, y1] = rows(b);
                const auto [y2, y3] = b + 1 < bands ? rows(b + 1) : std::pair(0, 0);
                diffusion.run(y0, y1, y2, y3);
            }
        };
        RunTogether(std::min(o.threads, (bands + 1) / 2), [&](int) { work(); });
        if (refined) {
            RefineOptions r;
            r.space = o.space;
            r.transparentEntry = o.transparentEntry;
            r.threads = o.threads;
            Refine(rgba, width, height, tidy, r, out);
        }
    }
    return true;
}
