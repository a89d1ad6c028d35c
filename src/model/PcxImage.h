#pragma once

#include "base/PixelBuffer.h"

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>

// One row of an image: `held` pixels from `data` on, and every pixel after
// them reads `rest`.
struct PixelRow {
    const quint8 *data = nullptr;
    std::size_t held = 0;
    quint8 rest = 0;
};

// A view of pixel bytes, indexed (x, y): pixel (x, y) is byte y * stride + x,
// and a byte past the end reads as the last one, so one decoded stream can be
// laid out at any width without a copy. UB1 and UB2 are the highest column
// and row index and the only record of the size.
struct PcxImage {
    int UB1 = 0;
    int UB2 = 0;
    std::size_t stride = 1;
    // The start image: 1 x 1 with value 0.
    PixelBuffer pixels = OneBlackPixel();

    PcxImage() = default;
    PcxImage(PixelBuffer bytes, int width, int height, std::size_t rowStride)
        : UB1(width - 1), UB2(height - 1), stride(rowStride), pixels(std::move(bytes))
    {
    }

    int width() const { return UB1 + 1; }
    int height() const { return UB2 + 1; }
    quint8 at(int x, int y) const
    {
        const std::size_t n = pixels.size();
        const std::size_t i = std::size_t(y) * stride + std::size_t(x);
        return n ? pixels.data()[std::min(i, n - 1)] : 0;
    }
    PixelRow row(int y) const
    {
        const std::size_t n = pixels.size();
        const std::size_t start = std::size_t(y) * stride;
        if (n == 0)
            return {};
        if (start >= n)
            return {pixels.data() + n - 1, 0, pixels.data()[n - 1]};
        return {pixels.data() + start, std::min(n - start, std::size_t(width())),
                pixels.data()[n - 1]};
    }
    // The width() pixels of row y, written to out.
    void copyRow(int y, quint8 *out) const
    {
        const PixelRow r = row(y);
        std::copy(r.data, r.data + r.held, out);
        std::fill(out + r.held, out + width(), r.rest);
    }
    // The 1 x 1 start image, and any one-pixel-wide image, does not count.
    bool isLoaded() const { return UB1 > 0; }

private:
    static PixelBuffer OneBlackPixel();
};

// Lays the decoded stream out with largest indices ub1, ub2: pixel (x, y) is
// decoded[y * (ub1 + 1) + x], capped at the last element. A view of the same
// bytes; empty when decoded is empty or an index is negative.
std::optional<PcxImage> LayOutPcxImage(const PixelBuffer &decoded, int ub1, int ub2);
