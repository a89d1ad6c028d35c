#pragma once

// Large PCX files for the benchmarks, made by our own encoder: runs never
// cross a scan line and 0xC0 and above always go as runs, so other decoders
// read them the same way.

#include "formats/PcxHeader.h"
#include "model/PcxImage.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace bench {

constexpr int kBigSide = 4096;

// Pixel values row after row, as the benchmarks make them.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<quint8> bytes;

    const quint8 *row(int y) const { return bytes.data() + std::size_t(y) * width; }
};

// Random values everywhere: almost no runs.
inline Pixels NoiseImage(int width, int height, std::uint32_t seed = 0x9e3779b9u)
{
    Pixels img{width, height, std::vector<quint8>(std::size_t(width) * height)};
    std::uint32_t s = seed;
    for (auto &p : img.bytes) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        p = quint8(s >> 24);
    }
    return img;
}

// 256 x 256 squares of one value each.
inline Pixels FlatImage(int width, int height)
{
    Pixels img{width, height, std::vector<quint8>(std::size_t(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.bytes[std::size_t(y) * width + x] = quint8((x / 256 * 37 + y / 256 * 11) & 0xff);
    return img;
}

inline PcxImage ToPcxImage(const Pixels &img)
{
    PixelBytes bytes = AllocatePixels(img.bytes.size());
    std::copy(img.bytes.begin(), img.bytes.end(), bytes.get());
    return PcxImage(PixelBuffer(std::move(bytes), img.bytes.size()), img.width, img.height,
                    std::size_t(img.width));
}

inline QByteArray EncodePcx(const Pixels &img)
{
    QByteArray out(kHeaderSize, '\0');
    const int width = img.width;
    auto word = [&](int at, int v) {
        out[at] = char(v & 0xff);
        out[at + 1] = char(v >> 8);
    };
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    word(8, img.width - 1);
    word(10, img.height - 1);
    word(12, 72);
    word(14, 72);
    out[65] = 1;
    word(66, width);
    word(68, 1);
    out.reserve(out.size() + qsizetype(img.bytes.size()) * 5 / 4 + 1024);
    for (int y = 0; y < img.height; ++y) {
        const quint8 *row = img.row(y);
        for (int x = 0; x < width;) {
            int n = 1;
            while (x + n < width && n < 63 && row[x + n] == row[x])
                ++n;
            if (n > 1 || row[x] >= 0xC0)
                out += char(0xC0 | n);
            out += char(row[x]);
            x += n;
        }
    }
    out += char(0x0C);
    for (int i = 0; i < 256; ++i) {
        out += char(i);
        out += char(255 - i);
        out += char(i * 3);
    }
    return out;
}

} // namespace bench
