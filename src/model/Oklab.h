#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Colours as the converter measures them: OKLab (L about 0..1, a and b about
// -0.4..0.4) after Björn Ottosson, or plain RGB with channels 0..255.

struct Vec3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

struct Rgb8 {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

inline bool operator==(Rgb8 p, Rgb8 q)
{
    return p.r == q.r && p.g == q.g && p.b == q.b;
}

enum class ColourSpace { Oklab, Rgb };

// Every distance in the converter is this one, so that a search and an
// exhaustive check compare the same rounded numbers.
inline float Distance2(Vec3 p, Vec3 q)
{
    const float dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    return dx * dx + dy * dy + dz * dz;
}

// sRGB byte to linear light 0..1.
extern const std::array<float, 256> kSrgbLinear;
// An sRGB channel 0..1 to linear light, for values between the bytes.
float SrgbToLinear(float c);
// Linear light to an sRGB channel 0..1 (clamped), and rounded to a byte.
float LinearToSrgb(float v);
std::uint8_t LinearToSrgb8(float v);

Vec3 LinearToOklab(Vec3 linear);
Vec3 OklabToLinear(Vec3 lab);
// OklabOf for many colours at once, several times as fast.
void OklabOfColours(const Rgb8 *colours, std::size_t n, Vec3 *out);
Vec3 OklabOf(Rgb8 c);
// The nearest byte colour of an OKLab point, each channel clamped.
Rgb8 Rgb8OfOklab(Vec3 lab);

inline Vec3 LinearOf(Rgb8 c)
{
    return {kSrgbLinear[c.r], kSrgbLinear[c.g], kSrgbLinear[c.b]};
}

inline Vec3 operator+(Vec3 p, Vec3 q)
{
    return {p.x + q.x, p.y + q.y, p.z + q.z};
}
inline Vec3 operator-(Vec3 p, Vec3 q)
{
    return {p.x - q.x, p.y - q.y, p.z - q.z};
}
inline Vec3 operator*(Vec3 p, float k)
{
    return {p.x * k, p.y * k, p.z * k};
}

// How OKLab moves for a step of 1 in each sRGB channel (0..255) near a
// colour: the columns of its derivative there, from a grid over the cube.
struct OklabSlope {
    Vec3 r, g, b;
    Vec3 operator()(Vec3 step) const { return r * step.x + g * step.y + b * step.z; }
};
// Every 16 levels (and 255) of each channel, red slowest.
constexpr int kOklabSlopeSide = 17;
const OklabSlope *OklabSlopeGrid();
inline const OklabSlope &OklabSlopeNear(const OklabSlope *grid, Rgb8 c)
{
    const auto index = [](std::uint8_t v) { return (int(v) + 8) >> 4; };
    return grid[(index(c.r) * kOklabSlopeSide + index(c.g)) * kOklabSlopeSide + index(c.b)];
}
inline const OklabSlope &OklabSlopeNear(Rgb8 c)
{
    return OklabSlopeNear(OklabSlopeGrid(), c);
}

// How a space's points move for a step of 1 in each channel of linear light
// near a colour: light from neighbouring pixels mixes linearly, and this
// weighs such a mix as the space measures it. The same grid as above.
const OklabSlope *LightSlopeGrid(ColourSpace space);

// Where a byte colour sits in the space distances are measured in.
inline Vec3 PointOf(ColourSpace space, Rgb8 c)
{
    return space == ColourSpace::Oklab ? OklabOf(c) : Vec3{float(c.r), float(c.g), float(c.b)};
}
