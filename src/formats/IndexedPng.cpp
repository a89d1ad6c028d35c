#include "formats/IndexedPng.h"

#include "base/PixelBuffer.h"
#include "base/RunTogether.h"
#include "formats/Crc32.h"
#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kChunkData = 256 * 1024;
// From this many pixels the deflating is shared out over the cores.
constexpr qint64 kBandsFrom = 1 << 22;

void PutBigEndian(std::vector<quint8> &out, quint32 v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(quint8(v >> shift));
}

bool WriteChunk(QIODevice &out, const char *type, const quint8 *data, std::size_t n)
{
    std::vector<quint8> head;
    PutBigEndian(head, quint32(n));
    head.insert(head.end(), type, type + 4);
    quint32 crc = Crc32(0, reinterpret_cast<const quint8 *>(type), 4);
    if (n > 0) // zlib takes no data at all as a call for its first value
        crc = Crc32(crc, data, n);
    std::vector<quint8> tail;
    PutBigEndian(tail, quint32(crc));
    return out.write(reinterpret_cast<const char *>(head.data()), qint64(head.size())) == 8 &&
           (n == 0 || out.write(reinterpret_cast<const char *>(data), qint64(n)) == qint64(n)) &&
           out.write(reinterpret_cast<const char *>(tail.data()), 4) == 4;
}

// Rows in, IDAT chunks out.
class PixelDeflater {
public:
    explicit PixelDeflater(QIODevice &out) : out(out), buffer(kChunkData)
    {
        // Indexed pictures are mostly runs of one value: run-length matching
        // finds those at a fraction of the cost of the full match search, and
        // noise, which nothing compresses, goes through quickly.
        ok = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
        z.next_out = buffer.data();
        z.avail_out = uInt(buffer.size());
    }
    ~PixelDeflater() { deflateEnd(&z); }

    bool feed(const quint8 *data, std::size_t n, int flush = Z_NO_FLUSH)
    {
        z.next_in = const_cast<Bytef *>(data);
        z.avail_in = uInt(n);
        while (ok) {
            const int rc = deflate(&z, flush);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                ok = false;
            if (z.avail_out == 0 || (rc == Z_STREAM_END && z.avail_out < buffer.size()))
                ok = ok && writeOut();
            if (rc == Z_STREAM_END || (flush == Z_NO_FLUSH && z.avail_in == 0))
                break;
        }
        return ok;
    }

private:
    bool writeOut()
    {
        const std::size_t n = buffer.size() - z.avail_out;
        z.next_out = buffer.data();
        z.avail_out = uInt(buffer.size());
        return WriteChunk(out, "IDAT", buffer.data(), n);
    }

    QIODevice &out;
    std::vector<quint8> buffer;
    z_stream z{};
    bool ok = false;
};

// Deflate data, written into memory no bigger than it can grow: only the
// pages it fills are ever touched.
struct Deflated {
    PixelBytes bytes;
    std::size_t used = 0;
};

// One band of rows as raw deflate data that a later band can follow: it
// ends on a byte boundary, or closes the stream when it is the last. room:
// bytes left free before it.
bool DeflateRows(const PcxImage &image, int y0, int y1, bool last, std::size_t room, Deflated &out,
                 uLong &adler)
{
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK)
        return false;
    std::vector<quint8> line(std::size_t(image.width()) + 1, 0);
    // Each flush can add a few bytes beyond the bound of the data; four more
    // for the stream's check value after the last band.
    const std::size_t bound = room + deflateBound(&z, uLong(line.size()) * uLong(y1 - y0)) + 64 + 4;
    out.bytes = AllocatePixels(bound);
    out.used = room;
    adler = adler32(0, nullptr, 0);
    bool ok = bool(out.bytes);
    for (int y = y0; y < y1 && ok; ++y) {
        const PixelRow row = image.row(y);
        std::transform(row.data, row.data + row.held, line.begin() + 1,
                       [](quint8 v) { return quint8(255 - v); });
        std::fill(line.begin() + 1 + qint64(row.held), line.end(), quint8(255 - row.rest));
        adler = adler32(adler, line.data(), uInt(line.size()));
        z.next_in = line.data();
        z.avail_in = uInt(line.size());
        const int flush = y + 1 < y1 ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        z.next_out = out.bytes.get() + out.used;
        z.avail_out = uInt(bound - 4 - out.used);
        const int rc = deflate(&z, flush);
        ok = (rc == Z_OK || rc == Z_STREAM_END) && z.avail_in == 0;
        out.used = bound - 4 - z.avail_out;
    }
    deflateEnd(&z);
    return ok;
}

// The whole zlib stream of a large picture as IDAT chunks, its bands
// deflated at once on every core: run-length matches never reach back past a
// band's start anyway.
bool DeflateInBands(QIODevice &device, const PcxImage &image, int bands)
{
    const int height = image.height();
    std::vector<Deflated> parts(static_cast<std::size_t>(bands));
    std::vector<uLong> adlers(static_cast<std::size_t>(bands));
    std::vector<char> ok(static_cast<std::size_t>(bands));
    const auto work = [&](int b) {
        const std::size_t k = std::size_t(b);
        ok[k] = DeflateRows(image, int(qint64(height) * b / bands),
                            int(qint64(height) * (b + 1) / bands), b + 1 == bands, b ? 0 : 2,
                            parts[k], adlers[k]);
    };
    RunTogether(bands, work);
    if (std::find(ok.begin(), ok.end(), 0) != ok.end())
        return false;
    parts.front().bytes[0] = 0x78;
    parts.front().bytes[1] = 0x01;
    uLong adler = adler32(0, nullptr, 0);
    for (int b = 0; b < bands; ++b) {
        const qint64 rows = qint64(height) * (b + 1) / bands - qint64(height) * b / bands;
        adler = adler32_combine(adler, adlers[std::size_t(b)], z_off_t(rows * (image.width() + 1)));
    }
    Deflated &end = parts.back();
    qToBigEndian(quint32(adler), end.bytes.get() + end.used);
    end.used += 4;
    for (const Deflated &part : parts)
        for (std::size_t at = 0; at < part.used; at += kChunkData)
            if (!WriteChunk(device, "IDAT", part.bytes.get() + at,
                            std::min(kChunkData, part.used - at)))
                return false;
    return true;
}

} // namespace

bool WriteIndexedPng(QIODevice &out, const PcxImage &image, int f, const ColorTable &colours,
                     PngTable table)
{
    f = std::max(1, f);
    const qint64 width = qint64(image.width()) * f;
    const qint64 height = qint64(image.height()) * f;
    if (image.UB1 < 0 || image.UB2 < 0 || width > 0x7fffffff || height > 0x7fffffff)
        return false;

    static const quint8 signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<quint8> header;
    PutBigEndian(header, quint32(width));
    PutBigEndian(header, quint32(height));
    header.insert(header.end(), {8, 3, 0, 0, 0}); // 8 bits, indexed, no interlace
    // Index i is entry i, as other programs number a palette: stored value v
    // is written as 255 - v.
    std::vector<quint8> palette;
    const int entries = std::clamp(table.entries, 1, int(colours.size()));
    for (auto c = colours.rbegin(); c != colours.rbegin() + entries; ++c)
        palette.insert(palette.end(), {quint8(*c >> 16), quint8(*c >> 8), quint8(*c)});
    std::vector<quint8> alpha;
    if (table.transparent >= 0 && table.transparent < entries) {
        alpha.assign(std::size_t(table.transparent) + 1, 255);
        alpha.back() = 0;
    }
    if (out.write(reinterpret_cast<const char *>(signature), 8) != 8 ||
        !WriteChunk(out, "IHDR", header.data(), header.size()) ||
        !WriteChunk(out, "PLTE", palette.data(), palette.size()) ||
        (!alpha.empty() && !WriteChunk(out, "tRNS", alpha.data(), alpha.size())) ||
        // Where GrafX2 writes its ranges: after the colour table, before the pixels.
        (!table.cycleRecords.isEmpty() &&
         !WriteChunk(out, "crNg", reinterpret_cast<const quint8 *>(table.cycleRecords.constData()),
                     std::size_t(table.cycleRecords.size()))) ||
        (!table.marksRecord.isEmpty() &&
         !WriteChunk(out, "pmLk", reinterpret_cast<const quint8 *>(table.marksRecord.constData()),
                     std::size_t(table.marksRecord.size()))))
        return false;

    const int cores = int(std::thread::hardware_concurrency());
    if (f == 1 && cores > 1 && qint64(image.width()) * image.height() >= kBandsFrom) {
        return DeflateInBands(out, image, std::min(cores, image.height())) &&
               WriteChunk(out, "IEND", nullptr, 0);
    }
    PixelDeflater deflater(out);
    // Each row: filter type 0, then the pixels.
    const quint8 noFilter = 0;
    std::vector<quint8> line(static_cast<std::size_t>(width));
    for (int y = 0; y < image.height(); ++y) {
        const PixelRow row = image.row(y);
        if (f == 1) {
            std::transform(row.data, row.data + row.held, line.begin(),
                           [](quint8 v) { return quint8(255 - v); });
            std::fill(line.begin() + qint64(row.held), line.end(), quint8(255 - row.rest));
        } else {
            for (qint64 x = 0; x < image.width(); ++x)
                std::fill_n(line.begin() + x * f, f,
                            quint8(255 - (std::size_t(x) < row.held ? row.data[x] : row.rest)));
        }
        for (int k = 0; k < f; ++k)
            if (!deflater.feed(&noFilter, 1) || !deflater.feed(line.data(), line.size()))
                return false;
    }
    return deflater.feed(nullptr, 0, Z_FINISH) && WriteChunk(out, "IEND", nullptr, 0);
}
