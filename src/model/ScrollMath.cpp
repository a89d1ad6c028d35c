#include "model/ScrollMath.h"

#include "base/Numbers.h"
#include "model/Render.h"

#include <algorithm>
#include <climits>

namespace {

int ClampToInt(long long v)
{
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

int ScrollMaximum(int ub, int f, int inner)
{
    const long long zoomed = (long long)ub * f;
    const long long area = (long long)inner - kScrollBarThickness;
    return ClampToInt(area <= zoomed ? zoomed - area : zoomed);
}

int RescaledScroll(int pos, int oldF, int newF, int back, int maximum)
{
    if (oldF == newF || oldF < 1)
        return std::clamp(pos, 0, std::max(0, maximum));
    const long long n =
        std::max<long long>(0, DivRoundHalfEven((long long)pos * newF, oldF) - back);
    if (n + back >= maximum)
        return maximum;
    return ClampToInt(n);
}

int ScrollLimit(int ub, int f, int inner)
{
    const long long limit = (long long)ub * f - ((long long)inner - kScrollBarThickness);
    return ClampToInt(std::max<long long>(0, limit));
}

int AnchoredScroll(int pos, int pointer, ZoomScale from, ZoomScale to, int limit)
{
    const int oldF = std::max(1, from.f);
    // From the whole pixel the drawing starts at, not the position itself,
    // so that repeated zooms do not drift.
    const long long under = (long long)DrawOffset(pos, oldF) * oldF + pointer;
    const long long n = DivRoundHalfEven(under * std::max(1, from.n) * std::max(1, to.f),
                                         (long long)oldF * std::max(1, to.n)) -
                        pointer;
    return ClampToInt(std::clamp<long long>(n, 0, std::max(0, limit)));
}

int ClampScroll(int pos, int limit)
{
    return limit <= pos ? limit : pos;
}

std::optional<HitPixel> HitTest(int ub1, int ub2, ZoomScale scale, int scrollH, int scrollV, int x,
                                int y, int innerWidth, int innerHeight)
{
    if ((ub1 == 0 && ub2 == 0) || ub1 < 0 || ub2 < 0)
        return std::nullopt;
    // Below 100 % the blocks of n stand for the pixels.
    const int n = std::max(1, scale.n);
    ub1 /= n;
    ub2 /= n;
    const int f = std::max(1, scale.f);
    // The last block is drawn whole, f pixels wide, so its every pixel names
    // the last column (and row).
    if ((long long)x >= ((long long)ub1 + 1) * f || (long long)y >= ((long long)ub2 + 1) * f)
        return std::nullopt;
    if ((long long)x > (long long)innerWidth - kScrollBarThickness ||
        (long long)y > (long long)innerHeight - kScrollBarThickness)
        return std::nullopt;
    if (x < 0 || y < 0)
        return std::nullopt;
    const long long column = (long long)DrawOffset(scrollH, f) + x / f;
    const long long row = (long long)DrawOffset(scrollV, f) + y / f;
    return HitPixel{int(std::clamp<long long>(column, 0, ub1) * n),
                    int(std::clamp<long long>(row, 0, ub2) * n)};
}
