#pragma once

#include "model/Render.h"

#include <optional>

// Both scroll bars of the screen window are this many pixels thick.
constexpr int kScrollBarThickness = 17;

// The scroll maximum for an axis of inner size `inner`: with Z = ub * f and
// the area inner - 17, Z - area when the area fits in Z, else Z.
int ScrollMaximum(int ub, int f, int inner);

// The position after a layout. At the same zoom (a resize) it stays, within
// the maximum. A new zoom rescales it by newF / oldF (to the nearest whole
// number, halves to even) less back (newF horizontally, 2 newF vertically),
// negatives 0, and gives the maximum itself once that plus back reaches it.
int RescaledScroll(int pos, int oldF, int newF, int back, int maximum);
inline int RescaledScrollH(int pos, int oldF, int newF, int maximum)
{
    return RescaledScroll(pos, oldF, newF, newF, maximum);
}
inline int RescaledScrollV(int pos, int oldF, int newF, int maximum)
{
    return RescaledScroll(pos, oldF, newF, 2 * newF, maximum);
}

// The largest useful position: ub * f - (inner - 17), negatives 0.
int ScrollLimit(int ub, int f, int inner);

// The position after the zoom went from oldF to newF with the pointer at
// `pointer` of the inner area, so that the image point under it stays under
// it; within 0..limit.
int AnchoredScroll(int pos, int pointer, ZoomScale from, ZoomScale to, int limit);
inline int AnchoredScroll(int pos, int pointer, int oldF, int newF, int limit)
{
    return AnchoredScroll(pos, pointer, ZoomScale{oldF, 1}, ZoomScale{newF, 1}, limit);
}

// A changed position is pulled back to the limit once it reaches it.
int ClampScroll(int pos, int limit);

// The image pixel drawn under the pointer at (x, y) of the inner area, from
// the scroll positions and the zoom as the drawing uses them. Empty for the
// 1 x 1 image, right of or below the image, and over a scroll bar. Below
// 100 % it is the top-left pixel of the block under the pointer.
struct HitPixel {
    int column = 0;
    int row = 0;
};
std::optional<HitPixel> HitTest(int ub1, int ub2, ZoomScale scale, int scrollH, int scrollV, int x,
                                int y, int innerWidth, int innerHeight);
inline std::optional<HitPixel> HitTest(int ub1, int ub2, int f, int scrollH, int scrollV, int x,
                                       int y, int innerWidth, int innerHeight)
{
    return HitTest(ub1, ub2, ZoomScale{f, 1}, scrollH, scrollV, x, y, innerWidth, innerHeight);
}
