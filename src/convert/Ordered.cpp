#include "convert/Ordered.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const std::array<int, 4> kBayer2{0, 2, 3, 1};
const std::array<int, 16> kBayer4{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
const std::array<int, 64> kBayer8{0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26,
                                  12, 44, 4,  36, 14, 46, 6,  38, 60, 28, 52, 20, 62, 30, 54, 22,
                                  3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27, 49, 17, 57, 25,
                                  15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

int BayerSize(Dither d)
{
    return d == Dither::Bayer2 ? 2 : d == Dither::Bayer4 ? 4 : d == Dither::Bayer8 ? 8 : 0;
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

float TypicalGap(const NearestFinder &finder)
{
    // Each colour once: entries repeated (an ACT file padded) leave no gap.
    std::vector<float> gaps;
    for (int i = 0; i < finder.size(); ++i) {
        float best = INFINITY;
        bool repeated = false;
        for (int j = 0; j < finder.size(); ++j) {
            const float d = Distance2(finder.point(i), finder.point(j));
            repeated = repeated || (j < i && d == 0);
            best = d > 0 ? std::min(best, d) : best;
        }
        if (!repeated && std::isfinite(best))
            gaps.push_back(std::sqrt(best));
    }
    if (gaps.empty())
        return 0;
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    return gaps[gaps.size() / 2];
}

void RemapOrdered(const std::uint8_t *rgba, int width, int y0, int y1, const Candidates &candidates,
                  NearestFinder &finder, float gap, const RemapOptions &o, std::uint8_t *out)
{
    const int n = BayerSize(o.dither);
    const std::vector<int> matrix = BayerMatrix(n);
    float spread = gap * float(o.strength) / 100.0f;
    // In RGB the step is spread over all three channels, in OKLab over lightness.
    if (o.space == ColourSpace::Rgb)
        spread /= std::sqrt(3.0f);
    PointCache seen;
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
