// Renumbering that merges values, kept so that it can be taken back: of a
// pixel whose new value several old ones share, only which of them it was
// (its rank among them) is kept: each bit of the rank in a stream of its
// own when groups are small, whole bytes when they are large.
#include "base/PixelKernels.h"
#include "base/RunTogether.h"
#include "model/PaletteTidy.h"

#include <cstring>
#include <type_traits>

namespace {

constexpr int kMaxPlanes = 8;

// By old value: its new value, 0x80 where several share that, and its rank
// among them. By new value: 0x80 where several share it, and where its old
// values start in `list`, the old values in order of new value then rank.
struct Tables {
    quint8 to[256], shared[256], rank[256];
    quint8 sharedBack[256], first[256], list[256];
    int planes = 0;
};

Tables TablesOf(const ValueMap &map)
{
    Tables t{};
    int sources[256] = {}, start[256] = {}, largest = 1;
    for (quint8 w : map)
        largest = std::max(largest, ++sources[w]);
    for (int w = 1; w < 256; ++w)
        start[w] = start[w - 1] + sources[w - 1];
    int seen[256] = {};
    for (int v = 0; v < 256; ++v) {
        const int w = map[v];
        t.to[v] = quint8(w);
        t.shared[v] = t.sharedBack[w] = sources[w] > 1 ? 0x80 : 0;
        t.rank[v] = quint8(seen[w]++);
        t.first[w] = quint8(start[w]);
        t.list[start[w] + t.rank[v]] = quint8(v);
    }
    while ((1 << t.planes) < largest)
        ++t.planes;
    // The counts of planes that have loops of their own; past four, whole
    // bytes are as small and quicker.
    t.planes = t.planes > 4 ? kMaxPlanes : t.planes;
    return t;
}

quint64 Load(const quint8 *p)
{
    quint64 w;
    std::memcpy(&w, p, 8);
    return w;
}

void Store(quint8 *p, quint64 w)
{
    std::memcpy(p, &w, 8);
}

// Appends `count` bits a plane, a word of each plane in turn as they fill.
struct PlanesOut {
    quint8 *out;
    int planes;
    quint64 acc[kMaxPlanes] = {};
    int fill = 0;

    template <int P> void put(const quint64 *bits, int count)
    {
        for (int p = 0; p < P; ++p)
            acc[p] |= bits[p] << fill;
        if (fill + count < 64) {
            fill += count;
            return;
        }
        const int used = 64 - fill;
        for (int p = 0; p < P; ++p, out += 8)
            Store(out, acc[p]), acc[p] = used == 64 ? 0 : bits[p] >> used;
        fill += count - 64;
    }
    void end()
    {
        for (int p = 0; p < planes && fill > 0; ++p, out += 8)
            Store(out, acc[p]);
    }
};

struct PlanesIn {
    const quint8 *in;
    int planes;
    quint64 cur[kMaxPlanes] = {};
    int pos = 64;

    template <int P> void take(quint64 *bits, int count)
    {
        const int have = 64 - pos;
        for (int p = 0; p < P; ++p)
            bits[p] = have > 0 ? cur[p] >> pos : 0;
        if (count > have) {
            for (int p = 0; p < P; ++p, in += 8)
                cur[p] = Load(in), bits[p] |= cur[p] << have;
            pos = count - have;
        } else {
            pos += count;
        }
        for (int p = 0; p < P && count < 64; ++p)
            bits[p] &= (quint64(1) << count) - 1;
    }
};

// Each number of planes its own loop, the planes unrolled.
template <typename Fn> std::size_t WithPlanes(int planes, const Fn &fn)
{
    switch (planes) {
    case 1:
        return fn(std::integral_constant<int, 1>());
    case 2:
        return fn(std::integral_constant<int, 2>());
    case 3:
        return fn(std::integral_constant<int, 3>());
    case 4:
        return fn(std::integral_constant<int, 4>());
    default:
        return fn(std::integral_constant<int, kMaxPlanes>());
    }
}

// Up to 64 pixels at a time, so that the wide steps and these write one
// stream.
template <int P>
void KeepNarrow(const quint8 *in, quint8 *out, std::size_t n, const Tables &t, PlanesOut &kept)
{
    for (std::size_t i = 0; i < n; i += 64) {
        quint64 bits[kMaxPlanes] = {};
        int c = 0;
        for (std::size_t j = i; j < std::min(n, i + 64); ++j) {
            const quint8 v = in[j];
            out[j] = t.to[v];
            if (!t.shared[v])
                continue;
            if constexpr (P == kMaxPlanes) {
                *kept.out++ = t.rank[v];
                continue;
            }
            for (int p = 0; p < P; ++p)
                bits[p] |= quint64((t.rank[v] >> p) & 1) << c;
            ++c;
        }
        if constexpr (P < kMaxPlanes)
            kept.put<P>(bits, c);
    }
}

template <int P>
void BackNarrow(const quint8 *in, quint8 *out, std::size_t n, const Tables &t, PlanesIn &kept)
{
    for (std::size_t i = 0; i < n; i += 64) {
        const std::size_t end = std::min(n, i + 64);
        int c = 0;
        for (std::size_t j = i; j < end; ++j)
            c += t.sharedBack[in[j]] >> 7;
        quint64 bits[kMaxPlanes] = {};
        if constexpr (P < kMaxPlanes)
            kept.take<P>(bits, c);
        c = 0;
        for (std::size_t j = i; j < end; ++j) {
            const quint8 w = in[j];
            int rank = 0;
            if (t.sharedBack[w] && P == kMaxPlanes)
                rank = *kept.in++;
            else if (t.sharedBack[w]) {
                for (int p = 0; p < P; ++p)
                    rank |= int((bits[p] >> c) & 1) << p;
                ++c;
            }
            out[j] = t.list[(t.first[w] + rank) & 255];
        }
    }
}

#ifdef PALMIRO_WIDE_BYTES
// The whole blocks of 64; returns how many pixels were done.
template <int P>
PALMIRO_WIDE std::size_t KeepWide(const quint8 *in, quint8 *out, std::size_t n, const Tables &t,
                                  PlanesOut &kept)
{
    const Wide256 to = Load256(t.to), shared = Load256(t.shared), rank = Load256(t.rank);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(in + i);
        _mm512_storeu_si512(out + i, LookUp64(x, to));
        const __mmask64 m = _mm512_movepi8_mask(LookUp64(x, shared));
        const __m512i r = LookUp64(x, rank);
        if constexpr (P == kMaxPlanes) {
            // Whole bytes: the ranks packed and written as one block.
            _mm512_storeu_si512(kept.out, _mm512_maskz_compress_epi8(m, r));
            kept.out += _mm_popcnt_u64(m);
            continue;
        }
        quint64 bits[kMaxPlanes];
        for (int p = 0; p < P; ++p)
            bits[p] = _pext_u64(_mm512_test_epi8_mask(r, _mm512_set1_epi8(char(1 << p))), m);
        kept.put<P>(bits, int(_mm_popcnt_u64(m)));
    }
    return i;
}

template <int P>
PALMIRO_WIDE std::size_t BackWide(const quint8 *in, quint8 *out, std::size_t n, const Tables &t,
                                  PlanesIn &kept)
{
    const Wide256 shared = Load256(t.sharedBack), first = Load256(t.first), list = Load256(t.list);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i w = _mm512_loadu_si512(in + i);
        const __mmask64 m = _mm512_movepi8_mask(LookUp64(w, shared));
        __m512i r = LookUp64(w, first);
        if constexpr (P == kMaxPlanes) {
            r = _mm512_add_epi8(r, _mm512_maskz_expandloadu_epi8(m, kept.in));
            kept.in += _mm_popcnt_u64(m);
            _mm512_storeu_si512(out + i, LookUp64(r, list));
            continue;
        }
        quint64 bits[kMaxPlanes];
        kept.take<P>(bits, int(_mm_popcnt_u64(m)));
        for (int p = 0; p < P; ++p)
            r = _mm512_mask_add_epi8(r, _pdep_u64(bits[p], m), r, _mm512_set1_epi8(char(1 << p)));
        _mm512_storeu_si512(out + i, LookUp64(r, list));
    }
    return i;
}

#endif

// Band b's bits: room for every pixel of the largest band in every plane,
// and for the last block of whole bytes written past the end.
std::size_t PlanesStart(std::size_t n, int bands, int planes, int b)
{
    return ((n / std::size_t(bands) + std::size_t(bands) + 64) / 64 * 8 * std::size_t(planes) +
            64) *
           std::size_t(b);
}

} // namespace

std::optional<PixelBuffer> RemapKeeping(const PixelBuffer &values, const ValueMap &map,
                                        RemapUndo &undo)
{
    const Tables t = TablesOf(map);
    if (t.planes == 0) {
        undo = {map, PixelBytes(), {}};
        return RemapStored(values, map);
    }
    const std::size_t n = values.size();
    const int bands = BandsFor(n);
    undo = {map, AllocatePixels(PlanesStart(n, bands, t.planes, bands)),
            std::vector<std::size_t>(std::size_t(bands))};
    PixelBytes out = AllocatePixels(n);
    if (!out || !undo.merged)
        return std::nullopt;
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        quint8 *bits = undo.merged.get() + PlanesStart(n, bands, t.planes, b);
        PlanesOut kept{bits, t.planes};
        WithPlanes(t.planes, [&](auto p) {
            std::size_t done = 0;
#ifdef PALMIRO_WIDE_BYTES
            if (WideBytes())
                done = KeepWide<p()>(values.data() + lo, out.get() + lo, hi - lo, t, kept);
#endif
            KeepNarrow<p()>(values.data() + lo + done, out.get() + lo + done, hi - lo - done, t,
                            kept);
            return done;
        });
        kept.end();
        undo.kept[std::size_t(b)] = std::size_t(kept.out - bits);
    });
    return PixelBuffer(std::move(out), n);
}

std::optional<PixelBuffer> RemapBack(const PixelBuffer &values, const RemapUndo &undo)
{
    const Tables t = TablesOf(undo.map);
    if (undo.kept.empty()) {
        ValueMap back{};
        for (int v = 0; v < 256; ++v)
            back[undo.map[v]] = quint8(v);
        return RemapStored(values, back);
    }
    PixelBytes out = AllocatePixels(values.size());
    if (!out)
        return std::nullopt;
    const std::size_t n = values.size();
    const int bands = int(undo.kept.size());
    RunTogether(bands, [&](int b) {
        const std::size_t lo = BandStart(n, bands, b), hi = BandStart(n, bands, b + 1);
        PlanesIn kept{undo.merged.get() + PlanesStart(n, bands, t.planes, b), t.planes};
        WithPlanes(t.planes, [&](auto p) {
            std::size_t done = 0;
#ifdef PALMIRO_WIDE_BYTES
            if (WideBytes())
                done = BackWide<p()>(values.data() + lo, out.get() + lo, hi - lo, t, kept);
#endif
            BackNarrow<p()>(values.data() + lo + done, out.get() + lo + done, hi - lo - done, t,
                            kept);
            return done;
        });
    });
    return PixelBuffer(std::move(out), n);
}
