#include "base/PixelBuffer.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

} // namespace

bool operator==(const PixelBuffer &a, const PixelBuffer &b)
{
    return a.size() == b.size() &&
           (a.data() == b.data() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

void PixelDeleter::operator()(quint8 *bytes) const
{
    if (aligned)
        ::operator delete[](bytes, std::align_val_t(kHugePage));
    else
        delete[] bytes;
}

PixelBytes AllocatePixels(std::size_t n)
{
    // Aligned and in whole large pages, a large block is large pages from
    // end to end: else its first and last megabytes or so would fault a small
    // page at a time.
    if (n >= 2 * kHugePage) {
        const std::size_t whole = (n + kHugePage - 1) / kHugePage * kHugePage;
        PixelBytes bytes(static_cast<quint8 *>(
                             ::operator new[](whole, std::align_val_t(kHugePage), std::nothrow)),
                         PixelDeleter{true});
        AdviseHugePages(bytes.get(), whole);
        return bytes;
    }
    return PixelBytes(new (std::nothrow) quint8[n == 0 ? 1 : n]);
}

void AdviseHugePages(void *bytes, std::size_t n)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // A big image on fresh memory costs a page fault every 4 KiB; large
    // pages cut that 512-fold. Only whole large pages inside the block.
    if (!bytes || n < 2 * kHugePage)
        return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(bytes) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(bytes) + n) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)bytes;
    (void)n;
#endif
}
