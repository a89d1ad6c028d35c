#pragma once

#include "model/Render.h"

#include <QString>

// Below 100 %: one screen pixel shows n x n picture pixels, n a power of two.
// The wheel stops at 1/16 (6.25 %); fitting goes down to 1/256, so that a
// side of 65536 pixels fits.
constexpr int kWheelReductionMost = 16;
constexpr int kReductionMost = 256;

// The smallest n of 1, 2, 4 ... 256 at which the whole picture (highest
// indices ub1, ub2) shows in an area of areaW x areaH pixels with no scroll
// bar needed; 256 when none does.
int FitReduction(int ub1, int ub2, int areaW, int areaH);

// The zoom box's text at 1/n: "50", "12.5", "0.390625".
QString ReducedZoomText(int n);

// Draws the picture at 1/view.f into a 32-bit raster: window pixel (c, r),
// c <= view.w and r <= view.h, shows the block of picture pixels
// [(ox + c) n, (ox + c + 1) n) x [(oy + r) n, (oy + r + 1) n), cut at the
// picture's edge, as the mean of the table's colours in linear light. A block
// holding stored value `marked` (>= 0) shows table[marked] instead, so that
// a searched entry stays in sight. Pixels beyond the picture are black.
void FillReducedView(uchar *bits, qsizetype bytesPerLine, int width, int height,
                     const PcxImage &image, const ColorTable &table, const DrawView &view,
                     int marked);
