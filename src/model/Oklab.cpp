#include "model/Oklab.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The cube root of v starts from a guess from its exponent's bits, then two
// of Halley's steps: within a few units of the last place of the exact one,
// at a fraction of its cost.
inline std::uint32_t RootGuess(std::uint32_t bits)
{
    return bits / 3 + 709921077u;
}
inline float Closer(float y, float v)
{
    const float y3 = y * y * y;
    return y * ((y3 + 2 * v) / (2 * y3 + v));
}

// Only positive values reach it from colours in the gamut.
float Cbrt(float v)
{
    if (!(v > 0))
        return v < 0 ? -Cbrt(-v) : 0.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    bits = RootGuess(bits);
    float y = 0;
    std::memcpy(&y, &bits, sizeof y);
    return Closer(Closer(y, v), v);
}

// Linear light to the cone responses OKLab takes the cube roots of, and
// those roots to OKLab.
inline Vec3 Cones(Vec3 c)
{
    return {0.4122214708f * c.x + 0.5363325363f * c.y + 0.0514459929f * c.z,
            0.2119034982f * c.x + 0.6806995451f * c.y + 0.1073969566f * c.z,
            0.0883024619f * c.x + 0.2817188376f * c.y + 0.6299787005f * c.z};
}
inline Vec3 LabOfRoots(float l, float m, float s)
{
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

std::array<float, 256> MakeLinearTable()
{
    std::array<float, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[std::size_t(v)] = SrgbToLinear(float(v) / 255.0f);
    return t;
}

} // namespace

const std::array<float, 256> kSrgbLinear = MakeLinearTable();

float SrgbToLinear(float c)
{
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float LinearToSrgb(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

std::uint8_t LinearToSrgb8(float v)
{
    return std::uint8_t(std::lround(LinearToSrgb(v) * 255.0f));
}

Vec3 LinearToOklab(Vec3 c)
{
    const Vec3 cones = Cones(c);
    return LabOfRoots(Cbrt(cones.x), Cbrt(cones.y), Cbrt(cones.z));
}

__attribute__((target_clones("avx2", "default"))) void OklabOfColours(const Rgb8 *in, std::size_t n,
                                                                      Vec3 *out)
{
    // In runs the compiler can keep in vectors: the same steps as
    // LinearToOklab, so the same points to the last bit.
    constexpr std::size_t kRun = 64;
    float lms[3][kRun];
    std::uint32_t bits[kRun];
    for (std::size_t at = 0; at < n; at += kRun) {
        const std::size_t m = std::min(kRun, n - at);
        for (std::size_t i = 0; i < m; ++i) {
            const Vec3 c = Cones(LinearOf(in[at + i]));
            lms[0][i] = c.x;
            lms[1][i] = c.y;
            lms[2][i] = c.z;
        }
        for (float *v : lms)
            std::fill(v + m, v + kRun, 0.0f);
        for (float *v : lms) {
            std::memcpy(bits, v, sizeof bits);
            for (std::size_t i = 0; i < kRun; ++i)
                bits[i] = RootGuess(bits[i]);
            float y[kRun];
            std::memcpy(y, bits, sizeof y);
            for (std::size_t i = 0; i < kRun; ++i) {
                y[i] = Closer(Closer(y[i], v[i]), v[i]);
                v[i] = v[i] > 0 ? y[i] : 0.0f;
            }
        }
        for (std::size_t i = 0; i < m; ++i)
            out[at + i] = LabOfRoots(lms[0][i], lms[1][i], lms[2][i]);
    }
}

Vec3 OklabToLinear(Vec3 c)
{
    const float l = c.x + 0.3963377774f * c.y + 0.2158037573f * c.z;
    const float m = c.x - 0.1055613458f * c.y - 0.0638541728f * c.z;
    const float s = c.x - 0.0894841775f * c.y - 1.2914855480f * c.z;
    const float l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
    return {4.0767416621f * l3 - 3.3077115913f * m3 + 0.2309699292f * s3,
            -1.2684380046f * l3 + 2.6097574011f * m3 - 0.3413193965f * s3,
            -0.0041960863f * l3 - 0.7034186147f * m3 + 1.7076147010f * s3};
}

Vec3 OklabOf(Rgb8 c)
{
    return LinearToOklab(LinearOf(c));
}

Rgb8 Rgb8OfOklab(Vec3 lab)
{
    const Vec3 c = OklabToLinear(lab);
    return {LinearToSrgb8(c.x), LinearToSrgb8(c.y), LinearToSrgb8(c.z)};
}

const OklabSlope *OklabSlopeGrid()
{
    // Every 16 levels (and 255): the slope changes little between them but
    // near black, where a step of a few levels already moves OKLab far.
    constexpr int kSide = kOklabSlopeSide;
    static const std::vector<OklabSlope> grid = [] {
        std::vector<OklabSlope> g(kSide * kSide * kSide);
        const auto at = [](int i) { return std::min(255, i * 16); };
        const auto lab = [](int r, int gg, int b) {
            return OklabOf({std::uint8_t(r), std::uint8_t(gg), std::uint8_t(b)});
        };
        for (int i = 0; i < kSide; ++i)
            for (int j = 0; j < kSide; ++j)
                for (int k = 0; k < kSide; ++k) {
                    const int r = at(i), gg = at(j), b = at(k);
                    // Over a step of 4 levels, inside the cube.
                    const auto slope = [](int v, auto shifted) {
                        const int lo = std::max(0, v - 2), hi = std::min(255, lo + 4);
                        return (shifted(hi) - shifted(hi - 4)) * 0.25f;
                    };
                    OklabSlope &s = g[std::size_t((i * kSide + j) * kSide + k)];
                    s.r = slope(r, [&](int v) { return lab(v, gg, b); });
                    s.g = slope(gg, [&](int v) { return lab(r, v, b); });
                    s.b = slope(b, [&](int v) { return lab(r, gg, v); });
                }
        return g;
    }();
    return grid.data();
}

const OklabSlope *LightSlopeGrid(ColourSpace space)
{
    constexpr int kSide = kOklabSlopeSide;
    const auto make = [](ColourSpace in) {
        std::vector<OklabSlope> g(kSide * kSide * kSide);
        const auto at = [](int i) { return std::min(255, i * 16); };
        const auto point = [in](int r, int gg, int b) {
            return PointOf(in, {std::uint8_t(r), std::uint8_t(gg), std::uint8_t(b)});
        };
        const std::array<float, 256> &lin = kSrgbLinear;
        for (int i = 0; i < kSide; ++i)
            for (int j = 0; j < kSide; ++j)
                for (int k = 0; k < kSide; ++k) {
                    const int r = at(i), gg = at(j), b = at(k);
                    // A secant over 8 levels: at black the tangent of a cube root is infinite.
                    const auto slope = [&lin](int v, auto shifted) {
                        const int lo = std::max(0, v - 4), hi = std::min(255, lo + 8);
                        return (shifted(hi) - shifted(hi - 8)) *
                               (1.0f / (lin[std::size_t(hi)] - lin[std::size_t(hi - 8)]));
                    };
                    OklabSlope &s = g[std::size_t((i * kSide + j) * kSide + k)];
                    s.r = slope(r, [&](int v) { return point(v, gg, b); });
                    s.g = slope(gg, [&](int v) { return point(r, v, b); });
                    s.b = slope(b, [&](int v) { return point(r, gg, v); });
                }
        return g;
    };
    static const std::vector<OklabSlope> oklab = make(ColourSpace::Oklab),
                                         rgb = make(ColourSpace::Rgb);
    return space == ColourSpace::Oklab ? oklab.data() : rgb.data();
}
