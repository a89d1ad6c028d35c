#pragma once

#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QtGlobal>

#include <array>

// Percentage / 100 rounded half to even: 149 -> 1, 150 and 250 -> 2, 350 -> 4.
int ZoomFactor(int percent);

// The screen window's scale: f x f screen pixels for a picture pixel, or
// with n > 1 (and f 1) one screen pixel for n x n picture pixels.
struct ZoomScale {
    int f = 1;
    int n = 1;
    bool operator==(const ZoomScale &o) const { return f == o.f && n == o.n; }
    bool operator!=(const ZoomScale &o) const { return !(*this == o); }
};

// Packed colour of stored value v: entry 255 - v, or while a search is shown
// (searchId >= 0) the complement of the searched entry for every entry that is
// neither the searched one nor 255.
qint32 GetPixelColor(const PalletArray &pallet, int searchId, quint8 v);

// 0xffRRGGBB for every stored value.
using ColorTable = std::array<quint32, 256>;
ColorTable BuildColorTable(const PalletArray &pallet, int searchId);

// The first drawing step for one axis: the scroll position goes to 0 when the
// drawing area (inner size - 17) is at least ub * f.
bool DrawResetsScroll(int ub, int f, int area);

// Image column (or row) at the top-left: position / f rounded half to even.
int DrawOffset(int scrollPos, int f);

// The offset and the last window column (or row) to draw, inclusive, from
// the scroll position as it stands after DrawResetsScroll. When the image
// does not reach past the area the bar becomes unusable, its position must go
// to 0, and the offset is 0.
struct DrawAxis {
    int offset = 0;
    int last = 0;
    bool usable = false;
};
DrawAxis PlanDrawAxis(int ub, int f, int area, int scrollPos);

// What one drawing shows: image column ox and row oy at the top-left, window
// columns 0..w and rows 0..h (inclusive) covered by f x f blocks.
struct DrawView {
    int ox = 0;
    int oy = 0;
    int w = 0;
    int h = 0;
    int f = 1;
};

// Clears a 32-bit raster to black and draws the view into it, clipped to the
// raster. A block whose start lies within 0..w is drawn whole, so the last
// block may reach past w. Blocks beyond the image stay black.
void FillView(uchar *bits, qsizetype bytesPerLine, int width, int height, const PcxImage &image,
              const ColorTable &table, const DrawView &view);
