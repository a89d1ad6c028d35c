#include "model/PcxAdjust.h"

#include <climits>

std::optional<int> AdjustedUB1(int ub1, int step)
{
    if (ub1 < 1)
        return std::nullopt;
    if (step == -1)
        return ub1 > 1 ? ub1 - 1 : ub1;
    if (step == 1 && ub1 < INT_MAX - 1)
        return ub1 + 1;
    return std::nullopt;
}

std::optional<PcxImage> AdjustPcxLayout(const PixelBuffer &decoded, const PcxImage &current,
                                        int step)
{
    const std::optional<int> ub1 = AdjustedUB1(current.UB1, step);
    if (!ub1)
        return std::nullopt;
    return LayOutPcxImage(decoded, *ub1, current.UB2);
}
