#include "convert/Dither.h"

#include "convert/Diffusion.h"
#include "convert/Ordered.h"

#include "base/PixelBuffer.h"
#include "base/Progress.h"
#include "base/RunTogether.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <tuple>

namespace {

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

constexpr std::size_t kColours = std::size_t(1) << 24, kWords = kColours / 64;

// A large picture, or a band of one: each distinct colour is searched once,
// into a table over every byte colour (16 MiB), and the pixels then only
// look it up. Colours the table knows from earlier bands are not searched.
void RemapByTable(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
                  const std::vector<Vec3> &points, const RemapOptions &o, std::uint8_t *out,
                  ColourTable &table)
{
    const int threads = std::clamp(o.threads, 1, 16);
    const std::size_t w = std::size_t(width);
    // Which colours occur: one bit set a thread, then joined.
    std::vector<std::vector<std::uint64_t>> &seen = table.seen;
    seen.resize(static_cast<std::size_t>(threads));
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
    std::uint64_t *const known = table.known.empty() ? nullptr : table.known.data();
    // In slices taken in turn: a picture's colours crowd into parts of the cube.
    constexpr std::size_t kSliceWords = 1024;
    std::atomic<std::size_t> nextSlice{0};
    table.finders.resize(static_cast<std::size_t>(threads));
    inParallel([&](int k) {
        std::optional<NearestFinder> &held = table.finders[std::size_t(k)];
        if (!held)
            held.emplace(points);
        NearestFinder &finder = *held;
        int last = 0;
        for (std::size_t from; (from = kSliceWords * nextSlice++) < kWords;)
            for (std::size_t word = from; word < from + kSliceWords; ++word) {
                std::uint64_t bits = 0;
                for (const std::vector<std::uint64_t> &s : seen)
                    bits |= s[word];
                if (known) {
                    bits &= ~known[word];
                    known[word] |= bits;
                }
                for (; bits; bits &= bits - 1) {
                    const std::uint32_t key =
                        std::uint32_t(word * 64) + std::uint32_t(__builtin_ctzll(bits));
                    const Rgb8 c{std::uint8_t(key >> 16), std::uint8_t(key >> 8),
                                 std::uint8_t(key)};
                    last = finder.find(PointOf(o.space, c), last);
                    table.entries[key] = std::uint8_t(candidates[std::size_t(last)].entry);
                }
            }
    });
    inParallel([&](int k) {
        for (std::size_t i = split(std::size_t(height), k) * w,
                         end = split(std::size_t(height), k + 1) * w;
             i < end; ++i) {
            const Pixel px = PixelAt(rgba + 4 * i, o.transparentEntry);
            out[i] =
                px.transparent ? std::uint8_t(o.transparentEntry) : table.entries[KeyOf(px.colour)];
        }
    });
}

} // namespace

bool Refines(const RemapOptions &o)
{
    return o.refine && o.strength >= 100 && Diffuses(o.dither) && o.dither != Dither::Atkinson;
}

bool RemapsPlain(const RemapOptions &o)
{
    return o.strength <= 0 || o.dither == Dither::None;
}

std::int64_t RemapUnits(int width, int height, const RemapOptions &options)
{
    return std::int64_t(std::max(width, 0)) * std::max(height, 0) * (Refines(options) ? 2 : 1);
}

std::unique_ptr<ColourTable> NewColourTable()
{
    auto table = std::make_unique<ColourTable>();
    // In large pages: small ones would fault 4096 times.
    table->entries = AllocatePixels(kColours);
    try {
        table->known.assign(kWords, 0);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return table->entries ? std::move(table) : nullptr;
}

bool Remap(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
           const RemapOptions &options, std::uint8_t *out, ColourTable *table)
{
    const Candidates tidy = TidyCandidates(candidates);
    if (tidy.empty() || width <= 0 || height <= 0)
        return false;
    RemapOptions o = options;
    o.strength = std::clamp(o.strength, 0, 100);
    if (o.transparentEntry > 255)
        o.transparentEntry = -1;
    const std::vector<Vec3> points = PointsOf(tidy, o.space);
    const bool plain = RemapsPlain(o);
    ColourTable own;
    if (!plain && !Diffuses(o.dither)) {
        NearestFinder finder(points);
        const float gap = TypicalGap(finder);
        InBands(height, o.threads, [&](int y0, int y1) {
            NearestFinder own(points);
            RemapOrdered(rgba, width, y0, y1, tidy, own, gap, o, out);
            Add(o.progress, std::int64_t(y1 - y0) * width);
        });
    } else if (plain && (table || (std::size_t(width) * std::size_t(height) >= kTableAt &&
                                   (own.entries = AllocatePixels(kColours))))) {
        // Without the memory for its table, a picture goes as a small one does.
        RemapByTable(rgba, width, height, tidy, points, o, out, table ? *table : own);
        Add(o.progress, std::int64_t(width) * height);
    } else if (plain) {
        InBands(height, o.threads, [&](int y0, int y1) {
            NearestFinder own(points);
            const std::size_t from = std::size_t(y0) * std::size_t(width);
            RemapPlain(rgba + 4 * from, std::size_t(y1 - y0) * std::size_t(width), tidy, own, o,
                       out + from);
            Add(o.progress, std::int64_t(y1 - y0) * width);
        });
    } else {
        Diffuse(rgba, width, height, tidy, o, out);
    }
    return !Stopped(o.progress);
}
