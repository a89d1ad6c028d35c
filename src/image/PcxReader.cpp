#include "image/PcxReader.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <new>
#include <stdexcept>

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

QString PcxRefusalText(PcxRefusal refusal)
{
    switch (refusal) {
    case PcxRefusal::None:
        return QStringLiteral("accepted");
    case PcxRefusal::Unreadable:
        return QStringLiteral("the file cannot be read");
    case PcxRefusal::TooShort:
        return QStringLiteral("shorter than a 128-byte header and a 768-byte palette");
    case PcxRefusal::NotRunLength:
        return QStringLiteral("not a run-length PCX (Manufacturer must be 10 and Encoding 1)");
    case PcxRefusal::NotIndexed8:
        return QStringLiteral("not an 8-bit single-plane image (BitsPerPixel must be 8 and "
                              "NPlanes 1)");
    case PcxRefusal::SizeBeyondData:
        return QStringLiteral("the image size is larger than the pixel data could ever fill");
    case PcxRefusal::DataEndsEarly:
        return QStringLiteral("the run-length data ends before the image is full");
    case PcxRefusal::OutOfMemory:
        return QStringLiteral("not enough memory for the image");
    }
    return {};
}

PcxRefusal CheckPcxFile(QByteArrayView file)
{
    if (file.size() < kHeaderSize + kPaletteSize)
        return PcxRefusal::TooShort;
    const PcxHeader h = ReadPcxHeader(file);
    if (h.Manufacturer() != 10 || h.Encoding() != 1)
        return PcxRefusal::NotRunLength;
    if (h.NPlanes() != 1 || h.BitsPerPixel() != 8)
        return PcxRefusal::NotIndexed8;
    return PcxRefusal::None;
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
        result.refusal = PcxRefusal::TooShort;
        return result;
    }
    const PcxHeader h = ReadPcxHeader(file);
    const qint64 n = h.pixelCount();
    const qint64 dataLen = file.size() - kHeaderSize - kPaletteSize;
    // A hostile header must not make us allocate what the data cannot fill.
    if (n > MaxPixelsFrom(dataLen)) {
        result.refusal = PcxRefusal::SizeBeyondData;
        return result;
    }
    try {
        result.pixels.resize(std::size_t(n));
    } catch (const std::bad_alloc &) {
        result.refusal = PcxRefusal::OutOfMemory;
        return result;
    } catch (const std::length_error &) {
        result.refusal = PcxRefusal::OutOfMemory;
        return result;
    }
    const auto *in = reinterpret_cast<const quint8 *>(file.data()) + kHeaderSize;
    if (!DecodeRuns(in, dataLen, result.pixels.data(), n)) {
        result.pixels = {};
        result.refusal = PcxRefusal::DataEndsEarly;
    }
    return result;
}

std::optional<PcxImage> LayOutPcxImage(const std::vector<quint8> &decoded, int ub1, int ub2)
{
    if (decoded.empty() || ub1 < 0 || ub2 < 0)
        return std::nullopt;
    const std::size_t width = std::size_t(ub1) + 1;
    const std::size_t height = std::size_t(ub2) + 1;
    const std::size_t total = decoded.size();
    const quint8 last = decoded.back();
    PcxImage image;
    image.UB1 = ub1;
    image.UB2 = ub2;
    try {
        if (width * height == total) {
            image.pixels.assign(decoded.begin(), decoded.end());
            return image;
        }
        image.pixels.clear();
        image.pixels.reserve(width * height);
        for (std::size_t y = 0; y < height; ++y) {
            const std::size_t start = y * width;
            const std::size_t have = start < total ? qMin(width, total - start) : 0;
            image.pixels.insert(image.pixels.end(), decoded.begin() + qsizetype(start),
                                decoded.begin() + qsizetype(start + have));
            image.pixels.insert(image.pixels.end(), width - have, last);
        }
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    } catch (const std::length_error &) {
        return std::nullopt;
    }
    return image;
}

PcxFile ReadPcx(QByteArrayView file)
{
    PcxFile result;
    result.header = ReadPcxHeader(file);
    result.refusal = CheckPcxFile(file);
    if (!result.accepted())
        return result;
    PcxStream stream = DecodePcxStream(file);
    if (stream.refusal != PcxRefusal::None) {
        result.refusal = stream.refusal;
        return result;
    }
    std::optional<PcxImage> image =
        LayOutPcxImage(stream.pixels, result.header.Xmax(), result.header.Ymax());
    if (!image) {
        result.refusal = PcxRefusal::OutOfMemory;
        return result;
    }
    result.palette = PcxPaletteBytes(file);
    result.decoded = std::move(stream.pixels);
    result.image = std::move(*image);
    return result;
}

std::optional<QByteArray> ReadWholeFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    try {
        QByteArray bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    }
}
