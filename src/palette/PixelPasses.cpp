// The passes over every pixel that palette edits take: counting the values
// and renumbering them. Big pictures are cut into bands, one a core; where
// the processor permutes bytes 64 at a time, a look-up is one such step.
#include "palette/PaletteOps.h"
#include "palette/PaletteTidy.h"
#include "shell/RunTogether.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PALMIRO_WIDE_LOOKUP 1
#include <immintrin.h>
#endif

namespace {

// Below this many pixels a band, starting a thread costs more than it saves.
constexpr std::size_t kBandPixels = std::size_t(1) << 20;
// Room after each band's kept values: a wide step writes a whole block.
constexpr std::size_t kSpare = 64;

int BandsFor(std::size_t pixels)
{
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
    return int(std::clamp<std::size_t>(pixels / kBandPixels, 1, std::size_t(cores)));
}

std::size_t BandStart(std::size_t n, int bands, int b)
{
    return b == bands ? n : n / std::size_t(bands) * std::size_t(b);
}

// Each value's new value, and a flag (0x80) where several old values share
// its new one: old values that only a kept copy can tell apart.
struct Tables {
    alignas(64) quint8 to[256];
    alignas(64) quint8 shared[256];
};

// Eight tables, so that a run of one value does not wait on its own
// count's store a byte at a time; 32-bit counts, emptied into the totals
// long before they could wrap.
struct Counts {
    quint32 t[8][256] = {};
    qint64 total[256] = {};
    std::size_t since = 0;

    void add(const quint8 *p, std::size_t n)
    {
        if ((since += n) > (std::size_t(1) << 30))
            flush(), since = n;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int j = 0; j < 8; ++j)
                ++t[j][p[i + std::size_t(j)]];
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

void LookUpNarrow(const quint8 *in, quint8 *out, std::size_t n, const quint8 *to)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = to[in[i]];
}

// Every old value is written and only a shared one counted: no branch a
// pixel. Returns how many were kept.
std::size_t KeepNarrow(const quint8 *in, quint8 *out, quint8 *kept, std::size_t n, const Tables &t)
{
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const quint8 v = in[i];
        out[i] = t.to[v];
        kept[k] = v;
        k += t.shared[v] >> 7;
    }
    return k;
}

// Without a branch a pixel either: which way one goes cannot be foreseen.
std::size_t BackNarrow(const quint8 *in, quint8 *out, const quint8 *kept, std::size_t n,
                       const Tables &t)
{
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const quint8 w = in[i], m = quint8(t.shared[w] >> 7), a = kept[k], b = t.to[w];
        out[i] = quint8(b ^ ((a ^ b) & -m));
        k += m;
    }
    return k;
}

#ifdef PALMIRO_WIDE_LOOKUP
#define PALMIRO_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt")))

bool Wide()
{
    static const bool wide = __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi") &&
                             __builtin_cpu_supports("avx512vbmi2");
    return wide;
}

struct Wide256 {
    __m512i q[4];
};

PALMIRO_WIDE inline Wide256 Load256(const quint8 *table)
{
    return {{_mm512_load_si512(table), _mm512_load_si512(table + 64),
             _mm512_load_si512(table + 128), _mm512_load_si512(table + 192)}};
}

// 64 bytes looked up at once: two 128-byte halves, picked by the top bit.
PALMIRO_WIDE inline __m512i LookUp64(__m512i x, const Wide256 &t)
{
    const __m512i lo = _mm512_permutex2var_epi8(t.q[0], x, t.q[1]);
    const __m512i hi = _mm512_permutex2var_epi8(t.q[2], x, t.q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

PALMIRO_WIDE void LookUpWide(const quint8 *in, quint8 *out, std::size_t n, const quint8 *to)
{
    const Wide256 t = Load256(to);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64)
        _mm512_storeu_si512(out + i, LookUp64(_mm512_loadu_si512(in + i), t));
    LookUpNarrow(in + i, out + i, n - i, to);
}

// The shared ones packed into a register and written whole: the next block
// writes over what is past them.
PALMIRO_WIDE std::size_t KeepWide(const quint8 *in, quint8 *out, quint8 *kept, std::size_t n,
                                  const Tables &t)
{
    const Wide256 to = Load256(t.to), shared = Load256(t.shared);
    std::size_t i = 0, k = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(in + i);
        _mm512_storeu_si512(out + i, LookUp64(x, to));
        const __mmask64 m = _mm512_movepi8_mask(LookUp64(x, shared));
        _mm512_storeu_si512(kept + k, _mm512_maskz_compress_epi8(m, x));
        k += std::size_t(_mm_popcnt_u64(m));
    }
    return k + KeepNarrow(in + i, out + i, kept + k, n - i, t);
}

PALMIRO_WIDE std::size_t BackWide(const quint8 *in, quint8 *out, const quint8 *kept, std::size_t n,
                                  const Tables &t)
{
    const Wide256 to = Load256(t.to), shared = Load256(t.shared);
    std::size_t i = 0, k = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i w = _mm512_loadu_si512(in + i);
        const __mmask64 m = _mm512_movepi8_mask(LookUp64(w, shared));
        _mm512_storeu_si512(out + i, _mm512_mask_expandloadu_epi8(LookUp64(w, to), m, kept + k));
        k += std::size_t(_mm_popcnt_u64(m));
    }
    return k + BackNarrow(in + i, out + i, kept + k, n - i, t);
}
#endif

void LookUp(const quint8 *in, quint8 *out, std::size_t n, const quint8 *to)
{
#ifdef PALMIRO_WIDE_LOOKUP
    if (Wide())
        return LookUpWide(in, out, n, to);
#endif
    LookUpNarrow(in, out, n, to);
}

std::size_t Keep(const quint8 *in, quint8 *out, quint8 *kept, std::size_t n, const Tables &t)
{
#ifdef PALMIRO_WIDE_LOOKUP
    if (Wide())
        return KeepWide(in, out, kept, n, t);
#endif
    return KeepNarrow(in, out, kept, n, t);
}

void Back(const quint8 *in, quint8 *out, const quint8 *kept, std::size_t n, const Tables &t)
{
#ifdef PALMIRO_WIDE_LOOKUP
    if (Wide())
        return void(BackWide(in, out, kept, n, t));
#endif
    BackNarrow(in, out, kept, n, t);
}

Tables TablesOf(const ValueMap &map)
{
    std::array<int, 256> sources{};
    for (quint8 w : map)
        ++sources[w];
    Tables t{};
    for (int v = 0; v < 256; ++v)
        t.to[v] = map[v], t.shared[v] = sources[map[v]] > 1 ? 0x80 : 0;
    return t;
}

// Band b's kept values start at its first pixel's place, past the spare
// room of the bands before it.
std::size_t KeptStart(std::size_t n, int bands, int b)
{
    return BandStart(n, bands, b) + kSpare * std::size_t(b);
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
    const Tables t = TablesOf(map);
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        LookUp(values.data() + lo, out.get() + lo, hi - lo, t.to);
    });
    return PixelBuffer(std::move(out), n);
}

std::optional<PixelBuffer> RemapKeeping(const PixelBuffer &values, const ValueMap &map,
                                        RemapUndo &undo)
{
    const Tables t = TablesOf(map);
    if (std::none_of(std::begin(t.shared), std::end(t.shared), [](quint8 s) { return s; })) {
        undo = {map, PixelBytes(), {}};
        return RemapStored(values, map);
    }
    const std::size_t n = values.size();
    const int bands = BandsFor(n);
    undo = {map, AllocatePixels(KeptStart(n, bands, bands) + kSpare),
            std::vector<std::size_t>(std::size_t(bands))};
    PixelBytes out = AllocatePixels(n);
    if (!out || !undo.merged)
        return std::nullopt;
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        undo.kept[std::size_t(b)] = Keep(values.data() + lo, out.get() + lo,
                                         undo.merged.get() + KeptStart(n, bands, b), hi - lo, t);
    });
    return PixelBuffer(std::move(out), n);
}

std::optional<PixelBuffer> RemapBack(const PixelBuffer &values, const RemapUndo &undo)
{
    // A value one old value went to goes back to it; one several went to
    // reads the next old value kept.
    ValueMap back{};
    for (int v = 0; v < 256; ++v)
        back[undo.map[v]] = quint8(v);
    if (undo.kept.empty())
        return RemapStored(values, back);
    Tables t = TablesOf(undo.map), tb{};
    for (int v = 0; v < 256; ++v)
        tb.to[undo.map[v]] = back[undo.map[v]], tb.shared[undo.map[v]] = t.shared[v];
    PixelBytes out = AllocatePixels(values.size());
    if (!out)
        return std::nullopt;
    const std::size_t n = values.size();
    const int bands = int(undo.kept.size());
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        Back(values.data() + lo, out.get() + lo, undo.merged.get() + KeptStart(n, bands, b),
             hi - lo, tb);
    });
    return PixelBuffer(std::move(out), n);
}
