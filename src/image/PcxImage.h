#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

// Stored pixel values indexed (x, y); UB1 and UB2 are the highest column and
// row index and the only record of the size. Kept row-major so that drawing
// walks memory in order.
struct PcxImage {
    int UB1 = 0;
    int UB2 = 0;
    std::vector<quint8> pixels = std::vector<quint8>(1, 0);

    int width() const { return UB1 + 1; }
    int height() const { return UB2 + 1; }
    quint8 at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width() + x]; }
    const quint8 *row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width(); }
    // The 1 x 1 start image, and any one-pixel-wide image, does not count.
    bool isLoaded() const { return UB1 > 0; }
};
