#include "formats/PcxReader.h"

#include <climits>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMaxRun = 63;

// The most pixels `dataBytes` bytes of run-length data can yield.
qint64 MaxPixelsFrom(qint64 dataBytes)
{
    return dataBytes / 2 * kMaxRun + dataBytes % 2;
}

// Writes one run of `count` (1..63) into a span known to have 64 bytes of
// room: fixed-size stores whatever the count, so flat areas take no branch
// per pixel.
inline void WriteRun(quint8 *out, quint8 value, unsigned count)
{
    std::memset(out, value, 16);
    if (count > 16)
        std::memset(out + 16, value, 48);
}

// Runs the stream until n pixels are written; false when the data runs out.
bool DecodeRuns(const quint8 *in, qint64 len, quint8 *out, qint64 n)
{
    qint64 p = 0;
    qint64 o = 0;
#if defined(__SSE2__)
    // The bytes above 0xC0 of a 64-byte window are found by vector compares
    // and then walked as bits: a byte-at-a-time loop must wait for each load
    // to know where the next token starts, which is what limits noisy images.
    // Room needed per window: 64 input bytes plus one value and one 16-byte
    // over-read; 32 runs of 63 plus one 64-byte run store of output.
    const __m128i flip = _mm_set1_epi8(char(0x80));
    const __m128i literalMax = _mm_set1_epi8(char(0xC0 ^ 0x80));
    auto countBytes = [&](const quint8 *s) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
        return quint64(
            unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_xor_si128(v, flip), literalMax))));
    };
    while (p + 128 <= len && o + 32 * 63 + 64 <= n) {
        const quint8 *w = in + p;
        const quint64 mask = countBytes(w) | countBytes(w + 16) << 16 | countBytes(w + 32) << 32 |
                             countBytes(w + 48) << 48;
        unsigned pos = 0;
        while (pos < 64) {
            const quint64 rest = mask >> pos;
            const unsigned literals = rest ? unsigned(__builtin_ctzll(rest)) : 64 - pos;
            // One store whatever the count, so short and empty spans take
            // no branch.
            unsigned i = 0;
            do {
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + o + i),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i *>(w + pos + i)));
                i += 16;
            } while (i < literals);
            o += literals;
            pos += literals;
            if (pos >= 64)
                break;
            const unsigned count = w[pos] & 0x3Fu;
            WriteRun(out + o, w[pos + 1], count);
            o += count;
            pos += 2;
        }
        p += pos;
    }
#endif
    while (o + 64 <= n && p + 1 < len) {
        const unsigned b = in[p];
        const bool run = b > 0xC0; // 0xC0 is a count of zero: a literal pixel
        const unsigned count = run ? (b & 0x3F) : 1;
        WriteRun(out + o, quint8(run ? in[p + 1] : b), count);
        o += count;
        p += run ? 2 : 1;
    }
    while (o < n) {
        if (p >= len)
            return false;
        const unsigned b = in[p];
        if (b > 0xC0) {
            if (p + 1 >= len)
                return false;
            const qint64 count = qMin<qint64>(b & 0x3F, n - o);
            std::memset(out + o, in[p + 1], std::size_t(count));
            o += count;
            p += 2;
        } else {
            out[o++] = quint8(b);
            ++p;
        }
    }
    return true;
}

} // namespace

QString PictureRefusalText(PictureRefusal refusal)
{
    switch (refusal) {
    case PictureRefusal::None:
        return QStringLiteral("accepted");
    case PictureRefusal::Unreadable:
        return QStringLiteral("the file cannot be read");
    case PictureRefusal::TooShort:
        return QStringLiteral("shorter than a 128-byte header and a 768-byte palette");
    case PictureRefusal::NotRunLength:
        return QStringLiteral("not a run-length PCX (Manufacturer must be 10 and Encoding 1)");
    case PictureRefusal::NotIndexed8:
        return QStringLiteral("not an 8-bit single-plane image (BitsPerPixel must be 8 and "
                              "NPlanes 1)");
    case PictureRefusal::SizeBeyondData:
        return QStringLiteral("the image size is larger than the pixel data could ever fill");
    case PictureRefusal::DataEndsEarly:
        return QStringLiteral("the run-length data ends before the image is full");
    case PictureRefusal::OutOfMemory:
        return QStringLiteral("not enough memory for the image");
    }
    return {};
}

PictureRefusal CheckPcxFile(QByteArrayView file)
{
    if (file.size() < kHeaderSize + kPaletteSize)
        return PictureRefusal::TooShort;
    const PcxHeader h = ReadPcxHeader(file);
    if (h.Manufacturer() != 10 || h.Encoding() != 1)
        return PictureRefusal::NotRunLength;
    if (h.NPlanes() != 1 || h.BitsPerPixel() != 8)
        return PictureRefusal::NotIndexed8;
    return PictureRefusal::None;
}

QByteArray PcxPaletteBytes(QByteArrayView file)
{
    const qsizetype len = file.size();
    if (len < kPaletteSize)
        return {};
    QByteArray out(kPaletteSize, Qt::Uninitialized);
    for (qsizetype k = 0; k < 256; ++k) {
        const qsizetype from = len - 3 - 3 * k;
        out[3 * k] = file[from];
        out[3 * k + 1] = file[from + 1];
        out[3 * k + 2] = file[from + 2];
    }
    return out;
}

PcxStream DecodePcxStream(QByteArrayView file)
{
    PcxStream result;
    if (file.size() < kHeaderSize + kPaletteSize) {
        result.refusal = PictureRefusal::TooShort;
        return result;
    }
    const PcxHeader h = ReadPcxHeader(file);
    const qint64 n = h.pixelCount();
    const qint64 dataLen = file.size() - kHeaderSize - kPaletteSize;
    // A hostile header must not make us allocate what the data cannot fill.
    if (n > MaxPixelsFrom(dataLen)) {
        result.refusal = PictureRefusal::SizeBeyondData;
        return result;
    }
    PixelBytes pixels = AllocatePixels(std::size_t(n));
    if (!pixels) {
        result.refusal = PictureRefusal::OutOfMemory;
        return result;
    }
    const auto *in = reinterpret_cast<const quint8 *>(file.data()) + kHeaderSize;
    // Only a stream that filled every byte is handed over: nothing can read
    // what the decoder did not write.
    if (DecodeRuns(in, dataLen, pixels.get(), n))
        result.pixels = PixelBuffer(std::move(pixels), std::size_t(n));
    else
        result.refusal = PictureRefusal::DataEndsEarly;
    return result;
}

DecodedPicture ReadPcx(QByteArrayView file)
{
    DecodedPicture result;
    result.header = ReadPcxHeader(file);
    result.refusal = CheckPcxFile(file);
    if (!result.accepted())
        return result;
    PcxStream stream = DecodePcxStream(file);
    if (stream.refusal != PictureRefusal::None) {
        result.refusal = stream.refusal;
        return result;
    }
    result.palette = PcxPaletteBytes(file);
    result.image = PcxImage(stream.pixels, result.header.Xmax() + 1, result.header.Ymax() + 1,
                            std::size_t(result.header.Xmax()) + 1);
    result.decoded = std::move(stream.pixels);
    return result;
}
