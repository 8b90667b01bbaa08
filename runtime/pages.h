// Memory-page advice for large tables.
#pragma once

#include <cstddef>

// The size of a huge page on the machines we run on.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Asks the kernel for huge pages for the whole huge pages inside the
// bytes at p, which spares most of the page faults of filling a large
// table and the TLB misses of reading it at random.  Tables under two
// huge pages are left alone.  The kernel may refuse; nothing else
// changes.
void RT_advise_huge_pages(void* p, std::size_t bytes);
