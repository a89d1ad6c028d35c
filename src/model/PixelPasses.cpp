// The passes over every pixel that palette edits take: counting the values
// and looking each up in a table.
#include "base/PixelKernels.h"
#include "base/RunTogether.h"
#include "model/PaletteOps.h"

#include <cstring>
#include <vector>

namespace {

// Four tables, so that a run of one value does not wait on its own count's
// store a byte at a time (more gain nothing); 32-bit counts, emptied into
// the totals long before they could wrap.
struct Counts {
    quint32 t[4][256] = {};
    qint64 total[256] = {};
    std::size_t since = 0;

    void add(const quint8 *p, std::size_t n)
    {
        if ((since += n) > (std::size_t(1) << 30))
            flush(), since = n;
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4)
            ++t[0][p[i]], ++t[1][p[i + 1]], ++t[2][p[i + 2]], ++t[3][p[i + 3]];
        for (; i < n; ++i)
            ++t[0][p[i]];
    }
    void flush()
    {
        for (auto &table : t)
            for (int v = 0; v < 256; ++v)
                total[v] += table[v], table[v] = 0;
    }
};

#ifdef PALMIRO_WIDE_BYTES
// The whole blocks of 64; returns how many pixels were done.
PALMIRO_WIDE std::size_t LookUpWide(const quint8 *in, quint8 *out, std::size_t n, const quint8 *to)
{
    const Wide256 t = Load256(to);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64)
        _mm512_storeu_si512(out + i, LookUp64(_mm512_loadu_si512(in + i), t));
    return i;
}
#endif

void LookUp(const quint8 *in, quint8 *out, std::size_t n, const ValueMap &map)
{
    std::size_t i = 0;
#ifdef PALMIRO_WIDE_BYTES
    if (WideBytes())
        i = LookUpWide(in, out, n, map.data());
#endif
    for (; i < n; ++i)
        out[i] = map[in[i]];
}

} // namespace

UsageCounts CountUsage(const PcxImage &image)
{
    const int height = image.height(), bands = std::min(BandsFor(image.pixels.size()), height);
    std::vector<Counts> counts(static_cast<std::size_t>(bands));
    std::vector<UsageCounts> rest(std::size_t(bands), UsageCounts{});
    RunTogether(bands, [&](int b) {
        Counts &c = counts[std::size_t(b)];
        for (int y = height * b / bands; y < height * (b + 1) / bands; ++y) {
            // Past the bytes a row holds, every pixel reads the last byte.
            const PixelRow row = image.row(y);
            c.add(row.data, row.held);
            rest[std::size_t(b)][row.rest] += qint64(image.width()) - qint64(row.held);
        }
        c.flush();
    });
    UsageCounts byEntry{};
    for (int b = 0; b < bands; ++b)
        for (int v = 0; v < 256; ++v)
            byEntry[255 - v] += counts[std::size_t(b)].total[v] + rest[std::size_t(b)][v];
    return byEntry;
}

std::optional<PixelBuffer> RemapStored(const PixelBuffer &values, const ValueMap &map)
{
    PixelBytes out = AllocatePixels(values.size());
    if (!out)
        return std::nullopt;
    const std::size_t n = values.size();
    const int bands = BandsFor(n);
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        LookUp(values.data() + lo, out.get() + lo, hi - lo, map);
    });
    return PixelBuffer(std::move(out), n);
}
