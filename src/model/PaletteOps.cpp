#include "model/PaletteOps.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

struct Hsv {
    double h = 0; // degrees, 0 <= h < 360
    double s = 0;
    double v = 0;
};

Hsv toHsv(const PalletEntry &e)
{
    const double r = e.R / 255.0, g = e.G / 255.0, b = e.B / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    Hsv c{0, hi > 0 ? d / hi : 0, hi};
    if (d > 0) {
        if (hi == r)
            c.h = 60 * std::fmod((g - b) / d + 6, 6);
        else if (hi == g)
            c.h = 60 * ((b - r) / d + 2);
        else
            c.h = 60 * ((r - g) / d + 4);
    }
    return c;
}

quint8 unit(double x)
{
    return static_cast<quint8>(std::clamp(RoundHalfEven(255 * x), 0.0, 255.0));
}

PalletEntry fromHsv(const Hsv &c)
{
    const double hh = c.h / 60;
    const int sector = static_cast<int>(std::floor(hh)) % 6;
    const double f = hh - std::floor(hh);
    const double p = c.v * (1 - c.s), q = c.v * (1 - c.s * f), t = c.v * (1 - c.s * (1 - f));
    const double rgb[6][3] = {{c.v, t, p}, {q, c.v, p}, {p, c.v, t},
                              {p, q, c.v}, {t, p, c.v}, {c.v, p, q}};
    PalletEntry e;
    e.set(unit(rgb[sector][0]), unit(rgb[sector][1]), unit(rgb[sector][2]));
    return e;
}

// A grey has no hue and black no saturation either; they borrow the other
// end's, so a ramp from black to red stays red instead of passing through
// an arbitrary hue or greying out.
void borrowUndefined(Hsv &c, const Hsv &other)
{
    if (c.v == 0)
        c.s = other.s;
    if (c.s == 0 || c.v == 0)
        c.h = other.h;
}

bool validEntry(int i)
{
    return i >= 0 && i < kPalletEntries;
}

} // namespace

PalletArray RampRgb(const PalletArray &pallet, int s, int t)
{
    PalletArray out = pallet;
    if (!validEntry(s) || !validEntry(t))
        return out;
    const int lo = std::min(s, t), hi = std::max(s, t), n = hi - lo;
    for (int i = lo + 1; i < hi; ++i) {
        quint8 c[3];
        for (int k = 0; k < 3; ++k) {
            // Rounded as a whole: halves to even are not the same after a shift.
            const long long a = pallet[lo].channel(k), b = pallet[hi].channel(k);
            c[k] = static_cast<quint8>(DivRoundHalfEven(a * (hi - i) + b * (i - lo), n));
        }
        out[i].set(c[0], c[1], c[2]);
    }
    return out;
}

PalletArray RampHsv(const PalletArray &pallet, int s, int t)
{
    PalletArray out = pallet;
    if (!validEntry(s) || !validEntry(t))
        return out;
    const int lo = std::min(s, t), hi = std::max(s, t), n = hi - lo;
    Hsv a = toHsv(pallet[lo]), b = toHsv(pallet[hi]);
    borrowUndefined(a, b);
    borrowUndefined(b, a);
    double dh = b.h - a.h;
    if (dh > 180)
        dh -= 360;
    else if (dh <= -180)
        dh += 360;
    for (int i = lo + 1; i < hi; ++i) {
        const double k = double(i - lo) / n;
        const Hsv c{std::fmod(a.h + dh * k + 360, 360), a.s + (b.s - a.s) * k,
                    a.v + (b.v - a.v) * k};
        out[i] = fromHsv(c);
    }
    return out;
}

EntryMap SwapMap(int s, int t)
{
    EntryMap map;
    std::iota(map.begin(), map.end(), 0);
    if (validEntry(s) && validEntry(t))
        std::swap(map[s], map[t]);
    return map;
}

EntryMap ReverseMap(int s, int t)
{
    EntryMap map;
    std::iota(map.begin(), map.end(), 0);
    if (validEntry(s) && validEntry(t))
        std::reverse(map.begin() + std::min(s, t), map.begin() + std::max(s, t) + 1);
    return map;
}

PalletArray MoveEntries(const PalletArray &pallet, const EntryMap &map)
{
    PalletArray out = pallet;
    for (int e = 0; e < kPalletEntries; ++e)
        out[map[e]] = pallet[e];
    return out;
}

ValueMap StoredValueMap(const EntryMap &map)
{
    ValueMap values;
    for (int v = 0; v < 256; ++v)
        values[v] = static_cast<quint8>(255 - map[255 - v]);
    return values;
}
