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

// Room for n elements in v, asked for in huge pages when it is large: a
// table of a large design is filled at once, and a page fault per 4 KiB
// of it costs more than the writing.
template <class V>
void RT_reserve_huge(V& v, std::size_t n) {
    v.reserve(n);
    RT_advise_huge_pages(v.data(), n * sizeof(typename V::value_type));
}
