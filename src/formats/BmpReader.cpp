#include "base/ByteSource.h"
#include "formats/ImageRead.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qsizetype kFileHeader = 14;

enum Compression : quint32 { kRgb = 0, kRle8 = 1, kRle4 = 2 };

quint32 U16(QByteArrayView f, qsizetype at)
{
    return qFromLittleEndian<quint16>(f.data() + at);
}

quint32 U32(QByteArrayView f, qsizetype at)
{
    return qFromLittleEndian<quint32>(f.data() + at);
}

// Where file row r lands: bottom-up files start with the lowest row.
struct Rows {
    quint8 *pixels;
    int width;
    int height;
    bool topDown;

    quint8 *row(int fileRow) const
    {
        const int y = topDown ? fileRow : height - 1 - fileRow;
        return pixels + std::size_t(y) * std::size_t(width);
    }
};

// Pixels of 1, 2 or 4 bits: one table lookup per file byte, already stored
// as 255 - index.
template <int Bits>
void UnpackPacked(const uchar *data, qsizetype stride, const Rows &rows, int first, int count)
{
    constexpr int perByte = 8 / Bits;
    constexpr int mask = (1 << Bits) - 1;
    std::array<quint8, 256 * perByte> table;
    for (int b = 0; b < 256; ++b)
        for (int k = 0; k < perByte; ++k)
            table[std::size_t(b * perByte + k)] =
                quint8(255 - ((b >> (8 - Bits * (k + 1))) & mask));
    const int whole = rows.width / perByte;
    const int rest = rows.width % perByte;
    for (int r = 0; r < count; ++r) {
        const uchar *in = data + qsizetype(r) * stride;
        quint8 *out = rows.row(first + r);
        for (int i = 0; i < whole; ++i)
            std::memcpy(out + i * perByte, &table[std::size_t(in[i]) * perByte], perByte);
        if (rest)
            std::memcpy(out + whole * perByte, &table[std::size_t(in[whole]) * perByte],
                        std::size_t(rest));
    }
}

// 255 - i is ~i: eight pixels a word, as fast as a copy.
void Unpack8(const uchar *data, qsizetype stride, const Rows &rows, int first, int count)
{
    const int words = rows.width / 8;
    for (int r = 0; r < count; ++r) {
        const uchar *in = data + qsizetype(r) * stride;
        quint8 *out = rows.row(first + r);
        for (int i = 0; i < words; ++i) {
            quint64 v;
            std::memcpy(&v, in + 8 * i, 8);
            v = ~v;
            std::memcpy(out + 8 * i, &v, 8);
        }
        for (int x = words * 8; x < rows.width; ++x)
            out[x] = quint8(~in[x]);
    }
}

// Runs past a row and jumps out of the picture are clipped; pixels the
// stream skips keep index 0. False when the data ends before the last row.
bool DecodeRle(const uchar *p, const uchar *end, bool four, const Rows &rows)
{
    const int w = rows.width;
    const int h = rows.height;
    std::memset(rows.pixels, 255, std::size_t(w) * std::size_t(h));
    int x = 0;
    int y = 0;
    quint8 *row = rows.row(0);
    const auto complete = [&] { return y >= h || (y == h - 1 && x >= w); };
    while (y < h) {
        if (end - p < 2)
            return complete();
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            const int n = std::min(count, w - x);
            if (four) {
                const quint8 pair[2] = {quint8(255 - (value >> 4)), quint8(255 - (value & 15))};
                for (int i = 0; i < n; ++i)
                    row[x + i] = pair[i & 1];
            } else {
                std::memset(row + x, 255 - value, std::size_t(n));
            }
            x += n;
        } else if (value == 0 || value == 2) {
            // End of line, or a jump right and up.
            if (value == 0) {
                x = 0;
                ++y;
            } else if (end - p < 2) {
                return complete();
            } else {
                x = std::min(w, x + p[0]);
                y += p[1];
                p += 2;
            }
            if (y < h)
                row = rows.row(y);
        } else if (value == 1) {
            return true;
        } else {
            // Absolute: `value` pixels, padded to a 16-bit boundary.
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            if (end - p < bytes)
                return complete();
            const int n = std::min(value, w - x);
            if (four) {
                for (int i = 0; i < n; ++i)
                    row[x + i] = quint8(255 - (i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4));
            } else {
                for (int i = 0; i < n; ++i)
                    row[x + i] = quint8(~p[i]);
            }
            x += n;
            p += std::min<qsizetype>(end - p, bytes + (bytes & 1));
        }
    }
    return true;
}

} // namespace

ImageRead ReadBmp(QByteArrayView file)
{
    ByteSource source(file);
    return ReadBmp(source);
}

ImageRead ReadBmp(ByteSource &source)
{
    // The headers and the largest colour table right after them; the
    // pixels are read a band of rows at a time.
    constexpr qint64 kHeadBytes = kFileHeader + 124 + 256 * 4;
    const QByteArray head = source.peek(kHeadBytes).toByteArray();
    const QByteArrayView file = head;
    const qint64 size = head.size() < kHeadBytes ? head.size() : source.size();
    if (size < kFileHeader + 12)
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the file ends inside its headers (%1 bytes)").arg(size));
    const quint32 headerSize = U32(file, 14);
    const bool core = headerSize == 12;
    if (!core && headerSize != 16 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 64 && headerSize != 108 && headerSize != 124)
        return RefuseImage(ImageRefusal::Unsupported,
                           QStringLiteral("an unknown header of %1 bytes").arg(headerSize));
    if (size < kFileHeader + qsizetype(headerSize))
        return RefuseImage(
            ImageRefusal::Truncated,
            QStringLiteral("the file ends inside its %1-byte header").arg(headerSize));

    // OS/2 1.x sizes are unsigned 16-bit; the others signed, a negative
    // height meaning top-down. Short OS/2 2.x headers stop after the bit count.
    const qint64 width = core ? qint64(U16(file, 18)) : qint32(U32(file, 18));
    const qint64 height = core ? qint64(U16(file, 20)) : qint32(U32(file, 22));
    const int bits = int(U16(file, core ? 24 : 28));
    const quint32 compression = headerSize >= 20 ? U32(file, 30) : kRgb;
    const quint32 used = headerSize >= 36 ? U32(file, 46) : 0;
    if (width < 0)
        return RefuseImage(ImageRefusal::Unreadable,
                           QStringLiteral("a negative width (%1)").arg(width));
    if (const ImageRefusal why = CheckOpenedSize(width, std::abs(height));
        why != ImageRefusal::None)
        return RefuseImage(why, why == ImageRefusal::Empty
                                    ? QStringLiteral("a picture of %1 x %2 pixels is empty")
                                          .arg(width)
                                          .arg(std::abs(height))
                                    : TooLargeText(width, std::abs(height), true));
    if (bits == 16 || bits == 24 || bits == 32)
        return RefuseImage(ImageRefusal::NotIndexed,
                           QStringLiteral("%1 bits per pixel: truecolour, no palette").arg(bits));
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8)
        return RefuseImage(ImageRefusal::Unreadable, QStringLiteral("a bit count of %1").arg(bits));
    if (compression != kRgb && compression != kRle8 && compression != kRle4)
        return RefuseImage(ImageRefusal::Unsupported,
                           QStringLiteral("compression %1 is not read").arg(compression));
    if ((compression == kRle8 && bits != 8) || (compression == kRle4 && bits != 4))
        return RefuseImage(ImageRefusal::Unreadable, QStringLiteral("RLE%1 with %2 bits per pixel")
                                                         .arg(compression == kRle8 ? 8 : 4)
                                                         .arg(bits));

    const qint64 dataOffset = U32(file, 10);
    const qint64 tableOffset = kFileHeader + headerSize;
    if (dataOffset < tableOffset)
        return RefuseImage(ImageRefusal::Unreadable,
                           QStringLiteral("the pixel data would start inside the headers"));
    if (dataOffset > size)
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the pixel data would start at byte %1 of a %2-byte file")
                               .arg(dataOffset)
                               .arg(size));

    // The table ends where the pixels start; a count of 0 means all 2^bits.
    const int entrySize = core ? 3 : 4;
    const qint64 colours =
        std::min<qint64>(used == 0 || used > (1u << bits) ? qint64(1) << bits : qint64(used),
                         (qMin<qint64>(dataOffset, head.size()) - tableOffset) / entrySize);
    ImageRead r;
    r.width = int(width);
    r.height = int(std::abs(height));
    r.palette.resize(3 * colours);
    for (qint64 i = 0; i < colours; ++i) {
        const char *e = file.data() + tableOffset + i * entrySize;
        r.palette[3 * i] = e[2];
        r.palette[3 * i + 1] = e[1];
        r.palette[3 * i + 2] = e[0];
    }

    const qint64 present = size - dataOffset;
    const qint64 stride = (width * bits + 31) / 32 * 4;
    const qint64 needed = stride * (r.height - 1) + (width * bits + 7) / 8;
    const auto cut = [&](qint64 got) {
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("%1 bytes of pixel data for %2 rows that need %3")
                               .arg(got)
                               .arg(r.height)
                               .arg(needed));
    };
    if (compression == kRgb && present < needed)
        return cut(present);
    const std::size_t n = std::size_t(r.width) * std::size_t(r.height);
    PixelBytes pixels = AllocatePixels(n);
    if (!pixels)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    const Rows rows{pixels.get(), r.width, r.height, height < 0};
    if (source.skip(dataOffset) < dataOffset)
        return cut(0);
    if (compression != kRgb) {
        const QByteArrayView data = source.next(present);
        const auto *p = reinterpret_cast<const uchar *>(data.data());
        if (!DecodeRle(p, p + data.size(), compression == kRle4, rows))
            return RefuseImage(ImageRefusal::Truncated,
                               QStringLiteral("the run-length data ends before the last row"));
        r.pixels = PixelBuffer(std::move(pixels), n);
        return r;
    }
    const int band = int(std::clamp<qint64>((qint64(1) << 18) / stride, 1, r.height));
    for (int first = 0; first < r.height; first += band) {
        const int count = qMin(band, r.height - first);
        const qint64 wanted = qMin(stride * count, needed - stride * first);
        const QByteArrayView part = source.next(wanted);
        if (part.size() < wanted)
            return cut(stride * first + part.size());
        const auto *data = reinterpret_cast<const uchar *>(part.data());
        if (bits == 8)
            Unpack8(data, stride, rows, first, count);
        else if (bits == 4)
            UnpackPacked<4>(data, stride, rows, first, count);
        else if (bits == 2)
            UnpackPacked<2>(data, stride, rows, first, count);
        else
            UnpackPacked<1>(data, stride, rows, first, count);
    }
    r.pixels = PixelBuffer(std::move(pixels), n);
    return r;
}
