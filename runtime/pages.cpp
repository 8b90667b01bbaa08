// Memory-page advice for large tables.
#include "runtime/pages.h"

#include <sys/mman.h>

#include <cstdint>

void RT_advise_huge_pages(void* p, std::size_t bytes) {
    if (bytes < 2 * kHugePageBytes) return;
    const std::uintptr_t huge = kHugePageBytes;
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t lo = (a + huge - 1) & ~(huge - 1), hi = (a + bytes) & ~(huge - 1);
    if (hi > lo) ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
}
