#include "formats/GifLzw.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxBits = 12;

struct BitReader {
    const quint8 *file;
    qsizetype size;
    qsizetype at;
    qsizetype blockEnd;
    quint64 bits = 0;
    int count = 0;

    // At least n bits, reading the next sub-block only when the current one
    // is spent, so an error shows only when its bytes are really needed.
    GifLzwEnd fill(int n)
    {
        while (count < n) {
            if (at == blockEnd) {
                if (at >= size)
                    return GifLzwEnd::Cut;
                const int length = file[at];
                if (length == 0)
                    return GifLzwEnd::Damaged;
                if (length > size - at - 1)
                    return GifLzwEnd::Cut;
                blockEnd = at + 1 + length;
                ++at;
            }
            if (blockEnd - at >= 8) {
                bits |= qFromLittleEndian<quint64>(file + at) << count;
                at += (63 - count) >> 3;
                count |= 56;
            } else {
                bits |= quint64(file[at++]) << count;
                count += 8;
            }
        }
        return GifLzwEnd::Full;
    }
};

// Copies a string of earlier output that ends at or before dst. Short ones
// move as whole words: the bytes written past len are output still to come.
inline void CopyString(quint8 *dst, const quint8 *src, std::size_t len, const quint8 *end)
{
    if (len <= 8 && end - dst >= 8) {
        quint64 a;
        std::memcpy(&a, src, 8);
        std::memcpy(dst, &a, 8);
    } else if (len <= 16 && end - dst >= 16) {
        quint64 a, b;
        std::memcpy(&a, src, 8);
        std::memcpy(&b, src + 8, 8);
        std::memcpy(dst, &a, 8);
        std::memcpy(dst + 8, &b, 8);
    } else {
        std::memcpy(dst, src, len);
    }
}

} // namespace

// Every code past the literals stands for a string that is already in the
// output: where the previous code's string starts, one byte longer. So the
// table holds only offsets and lengths, and a string is one copy.
GifLzwResult DecodeGifLzw(QByteArrayView file, qsizetype at, qsizetype blockEnd, int minCodeSize,
                          quint8 *out, std::size_t n)
{
    BitReader in{reinterpret_cast<const quint8 *>(file.data()), file.size(), at, blockEnd};
    const int clear = 1 << minCodeSize;
    const int endCode = clear + 1;
    quint32 start[kMaxCodes];
    quint16 length[kMaxCodes];
    // giflib's counting: the code width grows once `running` passes 1 << width.
    int running = clear + 2;
    int width = minCodeSize + 1;
    int next = clear + 2;
    bool haveLast = false;
    std::size_t lastPos = 0;
    std::size_t lastLen = 0;
    std::size_t pos = 0;
    const quint8 *const end = out + n;
    while (pos < n) {
        if (in.count < width) {
            const GifLzwEnd e = in.fill(width);
            if (e != GifLzwEnd::Full)
                return {e, in.blockEnd};
        }
        const int code = int(in.bits & ((1u << width) - 1));
        in.bits >>= width;
        in.count -= width;
        if (running < kMaxCodes + 1 && ++running > (1 << width) && width < kMaxBits)
            ++width;
        if (code == clear) {
            running = clear + 2;
            width = minCodeSize + 1;
            next = clear + 2;
            haveLast = false;
            continue;
        }
        if (code == endCode)
            return {GifLzwEnd::EndCode, in.blockEnd};
        std::size_t len;
        if (code < clear) {
            // Codes past 8 bits leave room for indices no colour table has.
            if (code > 255)
                return {GifLzwEnd::Damaged, in.blockEnd};
            out[pos] = quint8(255 - code);
            len = 1;
        } else if (code < next) {
            len = length[code];
            CopyString(out + pos, out + start[code], qMin(len, n - pos), end);
        } else if (code == next && haveLast) {
            // The string being made: the last one and its own first byte.
            len = lastLen + 1;
            CopyString(out + pos, out + lastPos, qMin(lastLen, n - pos), end);
            if (lastLen < n - pos)
                out[pos + lastLen] = out[lastPos];
        } else {
            return {GifLzwEnd::Damaged, in.blockEnd};
        }
        if (haveLast && next < kMaxCodes) {
            start[next] = quint32(lastPos);
            length[next] = quint16(lastLen + 1);
            ++next;
        }
        haveLast = true;
        lastPos = pos;
        lastLen = len;
        pos += len;
    }
    return {GifLzwEnd::Full, in.blockEnd};
}

bool SkipGifBlocks(QByteArrayView file, qsizetype blockEnd)
{
    for (qsizetype at = blockEnd;;) {
        if (at >= file.size())
            return false;
        const int length = quint8(file[at]);
        if (length == 0)
            return true;
        if (length > file.size() - at - 1)
            return false;
        at += 1 + length;
    }
}
