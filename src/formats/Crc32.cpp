#include "formats/Crc32.h"

#include <zlib.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PALMIRO_CLMUL_CRC 1
#include <immintrin.h>
#endif

#ifdef PALMIRO_CLMUL_CRC
namespace {

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const quint8 *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// Folds whole 16-byte blocks of at least 64 bytes into 16 bytes with the same
// remainder: the sum of those 16 bytes, begun from a zero state, is the sum
// of the blocks begun from crc. The constants are x^d mod P, bit-reversed,
// for the distances folded, 512 and 128 bits. Returns the bytes consumed.
__attribute__((target("pclmul,sse2"))) std::size_t FoldBlocks(quint32 crc, const quint8 *p,
                                                              std::size_t n, quint8 *folded)
{
    const __m128i k512 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i k128 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(~crc)));
    __m128i x1 = Load(p + 16);
    __m128i x2 = Load(p + 32);
    __m128i x3 = Load(p + 48);
    std::size_t i = 64;
    for (; i + 64 <= n; i += 64) {
        x0 = Fold(x0, k512, Load(p + i));
        x1 = Fold(x1, k512, Load(p + i + 16));
        x2 = Fold(x2, k512, Load(p + i + 32));
        x3 = Fold(x3, k512, Load(p + i + 48));
    }
    x0 = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
    for (; i + 16 <= n; i += 16)
        x0 = Fold(x0, k128, Load(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(folded), x0);
    return i;
}

} // namespace
#endif

quint32 Crc32(quint32 crc, const quint8 *data, std::size_t n)
{
#ifdef PALMIRO_CLMUL_CRC
    static const bool clmul = __builtin_cpu_supports("pclmul");
    if (clmul && n >= 64) {
        quint8 folded[16];
        const std::size_t done = FoldBlocks(crc, data, n, folded);
        // zlib begun from all ones starts from a zero state.
        crc = quint32(crc32_z(0xffffffffu, folded, sizeof folded));
        data += done;
        n -= done;
    }
#endif
    return quint32(crc32_z(crc, data, n));
}
