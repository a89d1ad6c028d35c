#pragma once

#include "model/PcxImage.h"

#include <optional>

// The largest x index after an adjust by step (-1 or +1) from W: W - 1 while
// W > 1, W + 1 for +1. Empty when W < 1 (nothing to adjust) or for any other
// step.
std::optional<int> AdjustedUB1(int ub1, int step);

// The decoded stream laid out again with the adjusted width and the same
// height: pixel (x, y) = decoded[y * (newUB1 + 1) + x], capped at the last
// element. A new view of the same bytes; empty when the layout stays as it
// is (see AdjustedUB1).
std::optional<PcxImage> AdjustPcxLayout(const PixelBuffer &decoded, const PcxImage &current,
                                        int step);
