#include "model/Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint32 kBlack = 0;
constexpr qint32 kWhite = 0xffffff;
constexpr double kLeastRatio = 3.0;

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(qint32 packed)
{
    return 0.2126 * linear(packed & 0xff) + 0.7152 * linear((packed >> 8) & 0xff) +
           0.0722 * linear((packed >> 16) & 0xff);
}

} // namespace

double ContrastRatio(qint32 a, qint32 b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

qint32 ReadableTextColor(qint32 background)
{
    const qint32 complement = kWhite - (background & kWhite);
    if (ContrastRatio(complement, background) >= kLeastRatio)
        return complement;
    return ContrastRatio(kBlack, background) >= ContrastRatio(kWhite, background) ? kBlack : kWhite;
}
