#pragma once

#include <QtGlobal>

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
