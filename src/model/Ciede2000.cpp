#include "model/Ciede2000.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees)
{
    return degrees * kPi / 180;
}

double LabCurve(double t)
{
    constexpr double e = 216.0 / 24389, k = 24389.0 / 27;
    return t > e ? std::cbrt(t) : (k * t + 16) / 116;
}

// Hue in degrees 0..360, 0 for a grey.
double Hue(double b, double a)
{
    if (a == 0 && b == 0)
        return 0;
    const double h = std::atan2(b, a) * 180 / kPi;
    return h < 0 ? h + 360 : h;
}

} // namespace

Lab LabOfLinear(double r, double g, double b)
{
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = LabCurve(x), fy = LabCurve(y), fz = LabCurve(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Lab LabOf(Rgb8 c)
{
    const Vec3 v = LinearOf(c);
    return LabOfLinear(v.x, v.y, v.z);
}

double Ciede2000(const Lab &one, const Lab &two)
{
    const double pow25 = std::pow(25.0, 7);
    const double meanC = (std::hypot(one.a, one.b) + std::hypot(two.a, two.b)) / 2;
    const double g = 0.5 * (1 - std::sqrt(std::pow(meanC, 7) / (std::pow(meanC, 7) + pow25)));
    const double a1 = (1 + g) * one.a, a2 = (1 + g) * two.a;
    const double c1 = std::hypot(a1, one.b), c2 = std::hypot(a2, two.b);
    const double h1 = Hue(one.b, a1), h2 = Hue(two.b, a2);

    double dh = 0;
    if (c1 * c2 != 0) {
        dh = h2 - h1;
        dh += dh > 180 ? -360 : dh < -180 ? 360 : 0;
    }
    const double dL = two.l - one.l, dC = c2 - c1;
    const double dH = 2 * std::sqrt(c1 * c2) * std::sin(Radians(dh / 2));

    const double meanL = (one.l + two.l) / 2, meanC2 = (c1 + c2) / 2;
    double meanH = h1 + h2;
    if (c1 * c2 != 0)
        meanH = std::abs(h1 - h2) <= 180 ? meanH / 2
                : meanH < 360            ? (meanH + 360) / 2
                                         : (meanH - 360) / 2;
    const double t = 1 - 0.17 * std::cos(Radians(meanH - 30)) +
                     0.24 * std::cos(Radians(2 * meanH)) + 0.32 * std::cos(Radians(3 * meanH + 6)) -
                     0.20 * std::cos(Radians(4 * meanH - 63));
    const double theta = 30 * std::exp(-std::pow((meanH - 275) / 25, 2));
    const double rc = 2 * std::sqrt(std::pow(meanC2, 7) / (std::pow(meanC2, 7) + pow25));
    const double l50 = (meanL - 50) * (meanL - 50);
    const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sc = 1 + 0.045 * meanC2, sh = 1 + 0.015 * meanC2 * t;
    const double rt = -std::sin(Radians(2 * theta)) * rc;
    const double l = dL / sl, c = dC / sc, h = dH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}
