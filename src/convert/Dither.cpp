#include "convert/Dither.h"

#include "convert/Refine.h"

#include "shell/RunTogether.h"
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>

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
    const int a = p[3];
    if (a < 128 && transparentEntry >= 0)
        return {{}, true};
    if (a == 255)
        return {{p[0], p[1], p[2]}};
    const auto over = [a](int c) { return std::uint8_t((c * a + 127) / 255); };
    return {{over(p[0]), over(p[1]), over(p[2])}};
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
void RemapByTable(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
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
    std::unique_ptr<std::uint8_t[]> table(new std::uint8_t[kColours]);
    inParallel([&](int k) {
        NearestFinder finder(points);
        int last = 0;
        for (std::size_t word = split(kWords, k); word < split(kWords, k + 1); ++word) {
            std::uint64_t bits = 0;
            for (const std::vector<std::uint64_t> &s : seen)
                bits |= s[word];
            for (; bits; bits &= bits - 1) {
                const std::uint32_t key =
                    std::uint32_t(word * 64) + std::uint32_t(__builtin_ctzll(bits));
                const Rgb8 c{std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)};
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

// Rows y0..y1-1, after the priming rows above y0.
void RemapDiffused(const std::uint8_t *rgba, int width, int y0, int y1,
                   const Candidates &candidates, NearestFinder &finder, const RemapOptions &o,
                   std::uint8_t *out)
{
    const Kernel &kernel = *KernelOf(o.dither);
    const bool oklab = o.space == ColourSpace::Oklab;
    // The error is carried in sRGB values: a dithered area then keeps the
    // picture's average as a blur of the screen shows it. Carried in OKLab or
    // linear light, that average drifts wherever far-apart entries mix (a
    // warm cast over skin and wood with the VGA palette).
    const auto bytes = [](Rgb8 c) { return Vec3{float(c.r), float(c.g), float(c.b)}; };
    WorkCache labs;
    std::vector<Vec3> target;
    Vec3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    for (const Candidate &c : candidates) {
        const Vec3 w = bytes(c.colour);
        target.push_back(w);
        lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
        hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
    }
    // Kept inside the candidates' box widened by a quarter of its size either
    // way: colours no entry reaches cannot pile up error without end, while
    // the error of a colour near the box's edge is still passed on whole.
    const Vec3 margin = (hi - lo) * 0.25f;
    lo = lo - margin;
    hi = hi + margin;
    const float scale = float(o.strength) / 100.0f / float(kernel.divisor);
    // One row of error for each kernel line, two pixels of margin either side.
    constexpr int kRows = 3, kMargin = 2, kMaxTaps = 12;
    const std::size_t stride = std::size_t(width) + 2 * kMargin;
    std::vector<Vec3> errors(kRows * stride);
    const auto row = [&](int y) {
        return errors.data() + std::size_t(y % kRows) * stride + kMargin;
    };
    int last = 0;
    std::fill(errors.begin(), errors.end(), Vec3{});
    for (int y = std::max(0, y0 - kPrimeRows); y < y1; ++y) {
        std::fill_n(row(y + kRows - 1) - kMargin, stride, Vec3{});
        const bool keep = y >= y0;
        const bool back = o.serpentine && (y % 2 == 1);
        const int step = back ? -1 : 1;
        Vec3 *const rows[kRows] = {row(y), row(y + 1), row(y + 2)};
        // Where each tap lands from x, and its weight times the scale.
        std::ptrdiff_t offsets[kMaxTaps];
        float weights[kMaxTaps];
        const int taps = int(kernel.taps.size());
        for (int t = 0; t < taps; ++t) {
            const Tap &tap = kernel.taps[std::size_t(t)];
            offsets[t] = (rows[tap.dy] - rows[0]) + tap.dx * step;
            weights[t] = float(tap.weight) * scale;
        }
        for (int k = 0, x = back ? width - 1 : 0; k < width; ++k, x += step) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
            if (px.transparent) {
                if (keep)
                    out[i] = std::uint8_t(o.transparentEntry);
                continue;
            }
            const Vec3 in = bytes(px.colour);
            Vec3 v = in + rows[0][x];
            v = {std::clamp(v.x, lo.x, hi.x), std::clamp(v.y, lo.y, hi.y),
                 std::clamp(v.z, lo.z, hi.z)};
            // In OKLab the nearest entry is sought from the pixel's own place,
            // moved by the error as OKLab bends around it.
            const Vec3 q =
                oklab ? labs.find(px.colour, OklabOf) + OklabSlopeNear(px.colour)(v - in) : v;
            last = finder.find(q, last);
            if (keep)
                out[i] = std::uint8_t(candidates[last].entry);
            const Vec3 e = v - target[last];
            Vec3 *const here = rows[0] + x;
            for (int t = 0; t < taps; ++t)
                here[offsets[t]] = here[offsets[t]] + e * weights[t];
        }
    }
}

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
    } else if (plain && std::size_t(width) * std::size_t(height) >= kTableAt) {
        RemapByTable(rgba, width, height, tidy, points, o, out);
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
        const auto work = [&] {
            NearestFinder own(points);
            for (int b; (b = next++) < bands;)
                RemapDiffused(rgba, width, b * kBandRows, std::min(height, (b + 1) * kBandRows),
                              tidy, own, o, out);
        };
        RunTogether(std::min(o.threads, bands), [&](int) { work(); });
        if (o.refine)
            Refine(rgba, width, height, tidy, {o.space, o.transparentEntry, 6, o.threads}, out);
    }
    return true;
}
