#include "convert/Histogram.h"

#include <algorithm>

namespace {

// Above this many distinct colours the histogram counts cells of 6 bits a
// channel instead: as many points as that, and bounded memory.
constexpr std::size_t kExactLimit = std::size_t(1) << 18;
constexpr std::uint32_t kEmpty = 0xffffffffu;

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

} // namespace

Histogram CountColours(const std::uint8_t *rgba, std::size_t count, bool skipTransparent)
{
    Histogram out;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exact;
    if (!CountExact(rgba, count, skipTransparent, exact)) {
        out.points = CountCells(rgba, count, skipTransparent);
        return out;
    }
    for (const auto &[key, n] : exact) {
        const Rgb8 c{std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)};
        out.colours.push_back(c);
        out.points.push_back({OklabOf(c), double(n)});
    }
    return out;
}
