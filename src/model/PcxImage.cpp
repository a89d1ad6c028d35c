#include "model/PcxImage.h"

#include <climits>

PixelBuffer PcxImage::OneBlackPixel()
{
    static const PixelBuffer pixel(std::unique_ptr<quint8[]>(new quint8[1]{0}), 1);
    return pixel;
}

std::optional<PcxImage> LayOutPcxImage(const PixelBuffer &decoded, int ub1, int ub2)
{
    if (decoded.empty() || ub1 < 0 || ub2 < 0 || ub1 == INT_MAX || ub2 == INT_MAX)
        return std::nullopt;
    return PcxImage(decoded, ub1 + 1, ub2 + 1, std::size_t(ub1) + 1);
}
