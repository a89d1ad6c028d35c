#pragma once

// The refinement's vectors: eight floats, which one AVX register holds and
// the baseline's two SSE registers do.

#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

constexpr int kVector = 8;
typedef float Lane __attribute__((vector_size(kVector * sizeof(float)), __may_alias__));
typedef std::int32_t Mask __attribute__((vector_size(kVector * sizeof(float))));
typedef float Loose
    __attribute__((vector_size(kVector * sizeof(float)), aligned(4), __may_alias__));

// The first of 2 * kVector distances (two lanes) under `least`, or -1: the
// least of them by a tree of minimums, then where it lies. Which one wins is
// anybody's guess, so the search takes no branch on the way.
inline int Nearest(const Lane &low, const Lane &high, float least)
{
#if defined(__SSE2__)
    const __m128 *l = reinterpret_cast<const __m128 *>(&low),
                 *h = reinterpret_cast<const __m128 *>(&high);
    const __m128 a = l[0], b = l[1], c = h[0], e = h[1];
    __m128 m = _mm_min_ps(_mm_min_ps(a, b), _mm_min_ps(c, e));
    m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
    if (!(_mm_cvtss_f32(m) < least))
        return -1;
    const unsigned at = unsigned(_mm_movemask_ps(_mm_cmpeq_ps(a, m))) |
                        unsigned(_mm_movemask_ps(_mm_cmpeq_ps(b, m))) << 4 |
                        unsigned(_mm_movemask_ps(_mm_cmpeq_ps(c, m))) << 8 |
                        unsigned(_mm_movemask_ps(_mm_cmpeq_ps(e, m))) << 12;
    return __builtin_ctz(at);
#else
    int pick = -1;
    for (int j = 0; j < 2 * kVector; ++j) {
        const float d = j < kVector ? low[j] : high[j - kVector];
        const bool nearer = d < least;
        pick = nearer ? j : pick;
        least = nearer ? d : least;
    }
    return pick;
#endif
}
