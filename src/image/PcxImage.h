#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <memory>

// Pixel bytes that any number of images can show: copying one copies a
// handle, and the bytes are never written once handed over.
// Frees what AllocatePixels gave: a large block is aligned to large pages.
struct PixelDeleter {
    bool aligned = false;
    void operator()(quint8 *bytes) const;
};
using PixelBytes = std::unique_ptr<quint8[], PixelDeleter>;

class PixelBuffer {
public:
    PixelBuffer() = default;
    // Takes `size` bytes, every one of them already written.
    PixelBuffer(std::unique_ptr<quint8[]> bytes, std::size_t size)
        : bytes_(std::move(bytes)), size_(bytes_ ? size : 0)
    {
    }
    PixelBuffer(PixelBytes bytes, std::size_t size)
        : bytes_(std::move(bytes)), size_(bytes_ ? size : 0)
    {
    }

    const quint8 *data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const quint8 *begin() const { return data(); }
    const quint8 *end() const { return data() + size_; }

    // The same bytes, whether or not they are the same buffer.
    friend bool operator==(const PixelBuffer &a, const PixelBuffer &b);
    friend bool operator!=(const PixelBuffer &a, const PixelBuffer &b) { return !(a == b); }

private:
    std::shared_ptr<const quint8[]> bytes_;
    std::size_t size_ = 0;
};

// Room for n pixels, not initialised: the caller writes every byte before it
// hands them to a PixelBuffer. Null when memory runs out.
PixelBytes AllocatePixels(std::size_t n);

// Asks for large pages under a big block before its first write.
void AdviseHugePages(void *bytes, std::size_t n);

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
