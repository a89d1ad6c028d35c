#pragma once

// Pieces the passes over every pixel share: the bands a picture is cut into,
// one a core, and 64 bytes looked up in a 256-byte table at once where the
// processor permutes bytes.

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <thread>

// Below this many pixels a band, starting a thread costs more than it saves.
inline int BandsFor(std::size_t pixels)
{
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
    return int(std::clamp<std::size_t>(pixels >> 20, 1, std::size_t(cores)));
}

inline std::size_t BandStart(std::size_t n, int bands, int b)
{
    return b == bands ? n : n / std::size_t(bands) * std::size_t(b);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PALMIRO_WIDE_BYTES 1
#include <immintrin.h>
#define PALMIRO_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")))

inline bool WideBytes()
{
    static const bool wide = __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi") &&
                             __builtin_cpu_supports("avx512vbmi2") &&
                             __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return wide;
}

struct Wide256 {
    __m512i q[4];
};

PALMIRO_WIDE inline Wide256 Load256(const quint8 *table)
{
    return {{_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64),
             _mm512_loadu_si512(table + 128), _mm512_loadu_si512(table + 192)}};
}

// Two 128-byte halves, picked by each byte's top bit.
PALMIRO_WIDE inline __m512i LookUp64(__m512i x, const Wide256 &t)
{
    const __m512i lo = _mm512_permutex2var_epi8(t.q[0], x, t.q[1]);
    const __m512i hi = _mm512_permutex2var_epi8(t.q[2], x, t.q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}
#endif
