#include "convert/Histogram.h"

#include <algorithm>
#include <cmath>

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

struct Cell {
    std::uint64_t n = 0, r = 0, g = 0, b = 0;
};

std::size_t CellOf(Rgb8 c)
{
    return std::size_t(c.r >> 2) << 12 | std::size_t(c.g >> 2) << 6 | (c.b >> 2);
}

// Cells of 6 bits a channel, each standing for the mean of its pixels.
std::vector<Cell> CountCells(const std::uint8_t *rgba, std::size_t count, bool skipTransparent)
{
    std::vector<Cell> cells(std::size_t(1) << 18);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *p = rgba + 4 * i;
        if (!Counted(p, skipTransparent))
            continue;
        const Rgb8 c = Drawn(p);
        Cell &cell = cells[CellOf(c)];
        ++cell.n;
        cell.r += c.r;
        cell.g += c.g;
        cell.b += c.b;
    }
    return cells;
}

Rgb8 ColourOf(std::uint32_t key)
{
    return {std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)};
}

} // namespace

Histogram CountColours(const std::uint8_t *rgba, std::size_t count, bool skipTransparent)
{
    Histogram out;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exact;
    if (!CountExact(rgba, count, skipTransparent, exact)) {
        for (const Cell &cell : CountCells(rgba, count, skipTransparent))
            if (cell.n > 0) {
                const auto mean = [&cell](std::uint64_t s) {
                    return std::uint8_t((s + cell.n / 2) / cell.n);
                };
                out.points.push_back(
                    {OklabOf({mean(cell.r), mean(cell.g), mean(cell.b)}), double(cell.n)});
            }
        return out;
    }
    for (const auto &[key, n] : exact) {
        const Rgb8 c = ColourOf(key);
        out.colours.push_back(c);
        out.points.push_back({OklabOf(c), double(n)});
    }
    return out;
}

bool ColourTally::add(const std::uint8_t *rgba, int width, int height, bool skipTransparent)
{
    if (!rgba || width <= 0 || height <= 0)
        return false;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exact;
    std::vector<Cell> cells;
    std::uint64_t counted = 0;
    if (CountExact(rgba, count, skipTransparent, exact))
        for (const auto &e : exact)
            counted += e.second;
    else {
        cells = CountCells(rgba, count, skipTransparent);
        for (const Cell &cell : cells)
            counted += cell.n;
    }
    if (counted == 0)
        return true;
    const double each = weighing_ == Weighing::Pixels ? 1.0 : 1.0 / double(counted);
    if (cells_.empty()) {
        if (cells.empty()) {
            for (const auto &[key, n] : exact)
                exact_[key] += double(n) * each;
            if (exact_.size() <= kExactLimit)
                return true;
            exact.clear();
        }
        toCells();
    }
    for (const auto &[key, n] : exact)
        put(ColourOf(key), double(n) * each);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        TallyCell &to = cells_[i];
        to.w += double(cells[i].n) * each;
        to.r += double(cells[i].r) * each;
        to.g += double(cells[i].g) * each;
        to.b += double(cells[i].b) * each;
    }
    return true;
}

// Past the exact limit for good: every colour from here on goes to its cell.
void ColourTally::toCells()
{
    cells_.resize(std::size_t(1) << 18);
    for (const auto &[key, w] : exact_)
        put(ColourOf(key), w);
    std::unordered_map<std::uint32_t, double>().swap(exact_);
}

void ColourTally::merge(const ColourTally &other, double scale)
{
    if (cells_.empty() && other.cells_.empty()) {
        for (const auto &[key, w] : other.exact_)
            exact_[key] += w * scale;
        if (exact_.size() > kExactLimit)
            toCells();
        return;
    }
    if (cells_.empty())
        toCells();
    for (const auto &[key, w] : other.exact_)
        put(ColourOf(key), w * scale);
    for (std::size_t i = 0; i < other.cells_.size(); ++i) {
        const TallyCell &from = other.cells_[i];
        TallyCell &to = cells_[i];
        to.w += from.w * scale;
        to.r += from.r * scale;
        to.g += from.g * scale;
        to.b += from.b * scale;
    }
}

double ColourTally::total() const
{
    double sum = 0;
    for (const auto &e : exact_)
        sum += e.second;
    for (const TallyCell &c : cells_)
        sum += c.w;
    return sum;
}

void ColourTally::put(Rgb8 c, double w)
{
    TallyCell &to = cells_[CellOf(c)];
    to.w += w;
    to.r += c.r * w;
    to.g += c.g * w;
    to.b += c.b * w;
}

std::size_t ColourTally::size() const
{
    if (cells_.empty())
        return exact_.size();
    return std::size_t(
        std::count_if(cells_.begin(), cells_.end(), [](const TallyCell &c) { return c.w > 0; }));
}

Histogram ColourTally::histogram() const
{
    Histogram out;
    if (cells_.empty()) {
        std::vector<std::pair<std::uint32_t, double>> sorted(exact_.begin(), exact_.end());
        std::sort(sorted.begin(), sorted.end());
        for (const auto &[key, w] : sorted) {
            out.colours.push_back(ColourOf(key));
            out.points.push_back({OklabOf(out.colours.back()), w});
        }
        return out;
    }
    for (const TallyCell &c : cells_)
        if (c.w > 0) {
            const auto mean = [&c](double s) {
                return std::uint8_t(std::clamp(std::lround(s / c.w), 0l, 255l));
            };
            out.points.push_back({OklabOf({mean(c.r), mean(c.g), mean(c.b)}), c.w});
        }
    return out;
}
