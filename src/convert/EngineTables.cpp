#include "convert/EngineTables.h"

#include "convert/Nearest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int kRow = 256;

// Channels 0..255, between the bytes too.
Vec3 LinearOfFloat(double r, double g, double b)
{
    return {SrgbToLinear(float(r / 255)), SrgbToLinear(float(g / 255)),
            SrgbToLinear(float(b / 255))};
}

// The level's share of light taken to the power 2.2, so that a fade to black
// is as bright as the engine's own level; the mix itself is of light.
float LightWeight(double light)
{
    return float(std::pow(light, 2.2));
}

Vec3 LinearShade(Rgb8 c, Rgb8 fade, float w)
{
    const Vec3 f = LinearOf(fade);
    const Vec3 v = f + (LinearOf(c) - f) * w;
    return {std::clamp(v.x, 0.0f, 1.0f), std::clamp(v.y, 0.0f, 1.0f), std::clamp(v.z, 0.0f, 1.0f)};
}

// The entries a table may choose, ascending.
std::vector<int> Allowed(const TableEntries &reserved, const TableEntries &fullbright,
                         bool fullbrightCandidates)
{
    std::vector<int> out;
    for (int e = 0; e < kRow; ++e)
        if (!reserved[std::size_t(e)] && (fullbrightCandidates || !fullbright[std::size_t(e)]))
            out.push_back(e);
    if (out.empty())
        for (int e = 0; e < kRow; ++e)
            out.push_back(e);
    return out;
}

// The plain generators' search: squared RGB, the lowest entry among equals.
struct ClassicNearest {
    const EnginePalette &palette;
    const std::vector<int> &allowed;

    int operator()(double r, double g, double b) const
    {
        int found = allowed.front();
        double best = std::numeric_limits<double>::infinity();
        for (const int e : allowed) {
            const Rgb8 c = palette[std::size_t(e)];
            const double dr = c.r - r, dg = c.g - g, db = c.b - b;
            const double d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                found = e;
            }
        }
        return found;
    }
};

struct OklabNearest {
    std::vector<int> entries;
    NearestFinder finder;
    int hint = 0;

    OklabNearest(const EnginePalette &palette, std::vector<int> allowed,
                 NearestFinder::Grid grid = NearestFinder::Grid::None)
        : entries(std::move(allowed)), finder(Points(palette, entries), grid)
    {
    }
    static std::vector<Vec3> Points(const EnginePalette &palette, const std::vector<int> &entries)
    {
        std::vector<Vec3> points;
        for (const int e : entries)
            points.push_back(OklabOf(palette[std::size_t(e)]));
        return points;
    }
    int operator()(Vec3 linear)
    {
        hint = finder.find(LinearToOklab(linear), hint);
        return entries[std::size_t(hint)];
    }
};

// Rows at the given shares of full light; Quake's classic rows round as its
// generator does, the others keep the exact target.
TableRows Shades(const EnginePalette &palette, const ShadeSettings &s,
                 const std::vector<double> &light, bool quakeRounding)
{
    const std::vector<int> allowed = Allowed(s.reserved, s.fullbright, s.fullbrightCandidates);
    TableRows rows(light.size() * kRow);
    const ClassicNearest classic{palette, allowed};
    OklabNearest oklab(palette, allowed);
    std::vector<float> weight;
    for (const double l : light)
        weight.push_back(LightWeight(l));
    // An entry down its levels, so each search starts from the shade before.
    for (int e = 0; e < kRow; ++e)
        for (std::size_t i = 0; i < light.size(); ++i) {
            std::uint8_t &out = rows[i * kRow + std::size_t(e)];
            const Rgb8 c = palette[std::size_t(e)];
            if (s.fullbright[std::size_t(e)]) {
                out = std::uint8_t(e);
            } else if (s.match == TableMatch::Oklab) {
                out = std::uint8_t(oklab(LinearShade(c, s.fade, weight[i])));
            } else if (quakeRounding) {
                const int k = int(std::lround(light[i] * 32));
                const auto ch = [k](int v, int f) {
                    return std::clamp(f + (((v - f) * k + 16) >> 5), 0, 255);
                };
                out =
                    std::uint8_t(classic(ch(c.r, s.fade.r), ch(c.g, s.fade.g), ch(c.b, s.fade.b)));
            } else {
                const double f = light[i];
                const auto ch = [f](int v, int d) { return d * (1 - f) + v * f; };
                out =
                    std::uint8_t(classic(ch(c.r, s.fade.r), ch(c.g, s.fade.g), ch(c.b, s.fade.b)));
            }
        }
    return rows;
}

std::vector<double> DoomLight(int levels)
{
    std::vector<double> light;
    for (int i = 0; i < levels; ++i)
        light.push_back(double(levels - i) / levels);
    return light;
}

} // namespace

TableRows ShadeRows(const EnginePalette &palette, const ShadeSettings &s)
{
    return Shades(palette, s, DoomLight(std::max(1, s.levels)), false);
}

TableRows DoomColormap(const EnginePalette &palette, const ShadeSettings &s)
{
    TableRows rows = ShadeRows(palette, s);
    // Fullbright entries too turn grey under invulnerability and fade out.
    const std::vector<int> allowed = Allowed(s.reserved, s.fullbright, s.fullbrightCandidates);
    const ClassicNearest classic{palette, allowed};
    OklabNearest oklab(palette, allowed);
    const auto nearest = [&](double r, double g, double b) {
        return std::uint8_t(s.match == TableMatch::Classic ? classic(r, g, b)
                                                           : oklab(LinearOfFloat(r, g, b)));
    };
    for (int e = 0; e < kRow; ++e) {
        const Rgb8 c = palette[std::size_t(e)];
        // Rounded half to even, as the generator's Python does.
        const double grey = 255 - std::nearbyint(0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b);
        rows.push_back(nearest(grey, grey, grey));
    }
    const std::uint8_t fade = nearest(s.fade.r, s.fade.g, s.fade.b);
    rows.insert(rows.end(), kRow, fade);
    return rows;
}

TableRows QuakeColormap(const EnginePalette &palette, const ShadeSettings &s)
{
    std::vector<double> light;
    for (int y = 0; y < 64; ++y)
        light.push_back((63 - y) / 32.0);
    return Shades(palette, s, light, true);
}

TableRows BlendTable(const EnginePalette &palette, const BlendSettings &s)
{
    const std::vector<int> allowed = Allowed(s.reserved, {}, true);
    TableRows rows(std::size_t(kRow) * kRow);
    const int percent = std::clamp(s.percent, 0, 100);
    if (s.match == TableMatch::Oklab) {
        OklabNearest oklab(palette, allowed, NearestFinder::Grid::Used);
        const float p = float(percent) / 100;
        for (int bg = 0; bg < kRow; ++bg)
            for (int fg = 0; fg < kRow; ++fg) {
                const Vec3 b = LinearOf(palette[std::size_t(bg)]),
                           f = LinearOf(palette[std::size_t(fg)]);
                Vec3 v = s.additive ? b + f * p : b * (1 - p) + f * p;
                v = {std::min(v.x, 1.0f), std::min(v.y, 1.0f), std::min(v.z, 1.0f)};
                rows[std::size_t(bg * kRow + fg)] = std::uint8_t(oklab(v));
            }
        return rows;
    }
    if (s.additive) {
        const ClassicNearest classic{palette, allowed};
        for (int bg = 0; bg < kRow; ++bg)
            for (int fg = 0; fg < kRow; ++fg) {
                const Rgb8 b = palette[std::size_t(bg)], f = palette[std::size_t(fg)];
                const auto ch = [&](int x, int y) {
                    return std::min(255.0, x + y * percent / 100.0);
                };
                rows[std::size_t(bg * kRow + fg)] =
                    std::uint8_t(classic(ch(b.r, f.r), ch(b.g, f.g), ch(b.b, f.b)));
            }
        return rows;
    }
    // Boom's: the mix kept scaled by 4096, |c|^2 * 2048 - c.m the same order
    // as the distance; tried from the last entry, so ties go to the highest.
    const std::int64_t w1 = (std::int64_t(percent) << 12) / 100, w2 = 4096 - w1;
    for (int bg = 0; bg < kRow; ++bg)
        for (int fg = 0; fg < kRow; ++fg) {
            const Rgb8 b = palette[std::size_t(bg)], f = palette[std::size_t(fg)];
            const std::int64_t mr = b.r * w2 + f.r * w1, mg = b.g * w2 + f.g * w1,
                               mb = b.b * w2 + f.b * w1;
            std::int64_t best = std::numeric_limits<std::int64_t>::max();
            int found = allowed.back();
            for (auto e = allowed.rbegin(); e != allowed.rend(); ++e) {
                const Rgb8 c = palette[std::size_t(*e)];
                const std::int64_t err = ((std::int64_t(c.r) * c.r + c.g * c.g + c.b * c.b) << 11) -
                                         (c.r * mr + c.g * mg + c.b * mb);
                if (err < best) {
                    best = err;
                    found = *e;
                }
            }
            rows[std::size_t(bg * kRow + fg)] = std::uint8_t(found);
        }
    return rows;
}

std::vector<EnginePalette> Playpal(const EnginePalette &base, PlaypalTints tints)
{
    struct Tint {
        Rgb8 colour;
        double share;
    };
    std::vector<Tint> list;
    const bool doom = tints == PlaypalTints::Doom;
    for (int k = 1; k <= 8; ++k)
        list.push_back({{255, 0, 0}, doom ? k / 9.0 : 0.9 * k / 8});
    for (int k = 1; k <= 4; ++k)
        list.push_back(doom ? Tint{{215, 186, 69}, k / 8.0} : Tint{{128, 128, 128}, 0.1 * k});
    list.push_back({{0, 255, 0}, doom ? 0.125 : 0.2});
    std::vector<EnginePalette> out{base};
    for (const Tint &t : list) {
        EnginePalette p;
        const auto ch = [&](int c, int to) {
            return std::uint8_t(std::clamp(c * (1 - t.share) + to * t.share, 0.0, 255.0));
        };
        for (int e = 0; e < kRow; ++e) {
            const Rgb8 c = base[std::size_t(e)];
            p[std::size_t(e)] = {ch(c.r, t.colour.r), ch(c.g, t.colour.g), ch(c.b, t.colour.b)};
        }
        out.push_back(p);
    }
    return out;
}

Vec3 IdealShade(Rgb8 c, Rgb8 fade, double light, TableMatch match)
{
    if (match == TableMatch::Oklab)
        return LinearToOklab(LinearShade(c, fade, LightWeight(light)));
    const auto ch = [light](int v, int d) {
        return std::clamp(d * (1 - light) + v * light, 0.0, 255.0);
    };
    return LinearToOklab(LinearOfFloat(ch(c.r, fade.r), ch(c.g, fade.g), ch(c.b, fade.b)));
}

ShadeReport ReportShades(const EnginePalette &palette, const TableRows &rows,
                         const ShadeSettings &s)
{
    ShadeReport report;
    const std::vector<double> light = DoomLight(std::max(1, s.levels));
    Vec3 points[kRow];
    OklabOfColours(palette.data(), kRow, points);
    for (std::size_t i = 0; i < light.size() && (i + 1) * kRow <= rows.size(); ++i) {
        double sum = 0;
        float worst = 0;
        int counted = 0;
        for (int e = 0; e < kRow; ++e) {
            if (s.fullbright[std::size_t(e)])
                continue;
            const Vec3 ideal = IdealShade(palette[std::size_t(e)], s.fade, light[i], s.match);
            const float d =
                std::sqrt(Distance2(ideal, points[rows[i * kRow + std::size_t(e)]])) * 100;
            sum += d;
            worst = std::max(worst, d);
            report.entryWorst[std::size_t(e)] = std::max(report.entryWorst[std::size_t(e)], d);
            ++counted;
        }
        report.levelMean.push_back(counted ? float(sum / counted) : 0.0f);
        report.levelWorst.push_back(worst);
    }
    return report;
}
