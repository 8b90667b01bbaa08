// Growable arrays: a header in front of the elements, grown by doubling.
#include "runtime/dyna.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/exit.h"
#include "runtime/msg.h"
#include "runtime/str.h"

int64_t dyna_alloc_sizeG = 0;
int64_t dyna_realloc_sizeG = 0;
int64_t dyna_free_sizeG = 0;

namespace {

constexpr int kDefaultDelta = 1024;
constexpr int kLargeDelta = 65536;
constexpr uint64_t kLargeBlock = 0x7FFFFFFEu;

int global_delta = kDefaultDelta;
bool accounting = false;

// One-entry cache of the last handle met and its checked header.
const void* cached_handle = nullptr;
DynaHeader* cached_header = nullptr;
// The handle most recently freed, so that freeing it again at once is
// harmless.
const void* last_freed = nullptr;

// Magic words of a heap block and of an array mapped from a file.
constexpr char kHeapMagic[4] = {'L', 'T', 'A', 0};
constexpr char kMappedMagic[4] = {'L', 'T', 'M', 0};

bool mapped(const DynaHeader* h) { return std::memcmp(h->magic, kMappedMagic, 4) == 0; }

DynaHeader* header_of(void* handle) {
    if (handle == cached_handle && handle) return cached_header;
    DynaHeader* h = DYNA_header(handle);
    if (std::memcmp(h->magic, kHeapMagic, 4) != 0 && !mapped(h)) MSG_fatal_error(3);
    cached_handle = handle;
    cached_header = h;
    return h;
}

void** slot(void* handle_ptr) { return static_cast<void**>(handle_ptr); }

char* elements(DynaHeader* h) { return reinterpret_cast<char*>(h) + sizeof(DynaHeader); }

// Block size for a capacity, or 0 when it cannot be represented.
uint64_t block_size(uint64_t capacity, uint64_t elem_size) {
    if (capacity > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return 0;
    uint64_t bytes = capacity * elem_size + sizeof(DynaHeader);
    if (bytes > std::numeric_limits<size_t>::max() / 2) return 0;
    return bytes;
}

uint64_t page_size() {
    static const uint64_t size = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

// The pages of a mapped array: from the page of its header to the end of
// its last element.  Its capacity never changes while it is mapped.
void unmap(DynaHeader* h) {
    const uint64_t ps = page_size();
    const uint64_t lo = reinterpret_cast<uintptr_t>(h) & ~(ps - 1);
    const uint64_t end = reinterpret_cast<uintptr_t>(elements(h)) + uint64_t{h->capacity} * h->elem_size;
    ::munmap(reinterpret_cast<void*>(lo), ((end + ps - 1) & ~(ps - 1)) - lo);
}

// A mapped array moved into a heap block of its capacity.
DynaHeader* to_heap(DynaHeader* h) {
    const uint64_t bytes = uint64_t{h->capacity} * h->elem_size + sizeof(DynaHeader);
    auto* nh = static_cast<DynaHeader*>(std::malloc(bytes));
    if (!nh) MSG_fatal_error(1);
    std::memcpy(nh, h, bytes);
    std::memcpy(nh->magic, kHeapMagic, 4);
    unmap(h);
    if (accounting) dyna_alloc_sizeG += static_cast<int64_t>(bytes);
    return nh;
}

}  // namespace

void DYNA_reset_globals() {
    global_delta = kDefaultDelta;
    accounting = false;
    cached_handle = nullptr;
    cached_header = nullptr;
    last_freed = nullptr;
    dyna_alloc_sizeG = dyna_realloc_sizeG = dyna_free_sizeG = 0;
}

void* DYNA_init(int n, int elem_size) {
    if (n < 0 || elem_size <= 0) MSG_fatal_error(1);
    uint32_t cap = n == 0 ? 16u : static_cast<uint32_t>(n);
    uint64_t bytes = block_size(cap, static_cast<uint64_t>(elem_size));
    if (bytes == 0) MSG_fatal_error(1);
    auto* h = static_cast<DynaHeader*>(std::calloc(1, bytes));
    if (!h) MSG_fatal_error(1);
    std::memcpy(h->magic, kHeapMagic, 4);
    h->delta = global_delta;
    h->elem_size = static_cast<uint32_t>(elem_size);
    h->fixed = static_cast<uint32_t>(n);
    h->capacity = cap;
    if (accounting) dyna_alloc_sizeG += static_cast<int64_t>(bytes);
    if (last_freed == elements(h)) last_freed = nullptr;
    cached_handle = elements(h);
    cached_header = h;
    return elements(h);
}

void* DYNA_map(int fd, int64_t file_size, int64_t offset, int count, int elem_size) {
    constexpr auto kHead = static_cast<int64_t>(sizeof(DynaHeader));
    if (fd < 0 || count < 0 || elem_size <= 0 || offset < kHead || offset % 4 != 0 || elem_size % 4 != 0)
        return nullptr;
    const uint64_t cap = static_cast<uint64_t>(count) + 1;
    if (block_size(cap, static_cast<uint64_t>(elem_size)) == 0) return nullptr;
    if (offset > file_size || static_cast<uint64_t>(count) * static_cast<uint64_t>(elem_size) >
                                  static_cast<uint64_t>(file_size - offset))
        return nullptr;
    const auto ps = static_cast<int64_t>(page_size());
    const int64_t lo = (offset - kHead) / ps * ps;
    const int64_t hi = (offset + static_cast<int64_t>(cap) * elem_size + ps - 1) / ps * ps;
    const int64_t file_hi = std::min(hi, (file_size + ps - 1) / ps * ps);
    // The whole span is reserved first: the element behind the last may
    // lie past the file's last page, where a file mapping cannot be read.
    void* span = ::mmap(nullptr, static_cast<size_t>(hi - lo), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (span == MAP_FAILED) return nullptr;
    // A read brings in the page cache's own page; a write copies it.
    const auto file_bytes = static_cast<size_t>(file_hi - lo);
    if (::mmap(span, file_bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, static_cast<off_t>(lo)) ==
        MAP_FAILED) {
        ::munmap(span, static_cast<size_t>(hi - lo));
        return nullptr;
    }
    auto* h = reinterpret_cast<DynaHeader*>(static_cast<char*>(span) + (offset - lo) - kHead);
    std::memset(static_cast<void*>(h), 0, sizeof(DynaHeader));
    std::memcpy(h->magic, kMappedMagic, 4);
    h->delta = global_delta;
    h->elem_size = static_cast<uint32_t>(elem_size);
    h->capacity = static_cast<uint32_t>(cap);
    h->count = count;
    if (last_freed == elements(h)) last_freed = nullptr;
    cached_handle = elements(h);
    cached_header = h;
    return elements(h);
}

bool DYNA_is_mapped(const void* handle) { return handle && mapped(DYNA_header(handle)); }

int DYNA_free(void* handle_ptr) {
    if (!handle_ptr) return -1;
    void* handle = *slot(handle_ptr);
    if (!handle) return -1;
    if (handle == last_freed) return 0;
    DynaHeader* h = header_of(handle);
    if (mapped(h)) {
        unmap(h);
    } else {
        std::memset(h->magic, 0, 4);
        std::free(h);
    }
    cached_handle = nullptr;
    cached_header = nullptr;
    last_freed = handle;
    return 0;
}

int DYNA_resize(void* handle_ptr, int delta) {
    if (!handle_ptr || !*slot(handle_ptr)) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    if (mapped(h)) h = to_heap(h);
    int64_t wanted = static_cast<int64_t>(h->capacity) + delta;
    if (wanted < 0) wanted = 0;
    uint64_t bytes = block_size(static_cast<uint64_t>(wanted), h->elem_size);
    if (bytes == 0) {
        std::fprintf(stderr, "\n%%FATAL%% DYNA resize failed!\n");
        std::fprintf(stderr, "            [element size: %u] [array length: %lld]\n\n", h->elem_size,
                     static_cast<long long>(wanted));
        MSG_fatal_error(1);
    }
    uint32_t cap = static_cast<uint32_t>(wanted);
    if (h->count > static_cast<int32_t>(cap)) h->count = static_cast<int32_t>(cap);
    if (bytes > kLargeBlock) {
        std::fprintf(stderr, "\n%%WARNING%% DYNA acquiring memory larger than 2GB!\n");
        std::fprintf(stderr, "            [element size: %u] [array length: %u]\n\n", h->elem_size, cap);
        h->delta = kLargeDelta;
    }
    uint64_t old_bytes = static_cast<uint64_t>(h->capacity) * h->elem_size + sizeof(DynaHeader);
    auto* nh = static_cast<DynaHeader*>(std::realloc(h, bytes));
    if (!nh) {
        std::fprintf(stderr, "\n%%FATAL%% DYNA resize failed!\n");
        std::fprintf(stderr, "            [element size: %u] [array length: %u]\n\n", h->elem_size, cap);
        MSG_fatal_error(1);
    }
    if (accounting) {
        dyna_free_sizeG += static_cast<int64_t>(old_bytes);
        dyna_realloc_sizeG += static_cast<int64_t>(bytes);
    }
    if (nh->fixed) nh->fixed = cap;
    nh->capacity = cap;
    *slot(handle_ptr) = elements(nh);
    if (last_freed == elements(nh)) last_freed = nullptr;
    cached_handle = elements(nh);
    cached_header = nh;
    return nh->count;
}

int DYNA_add(void* handle_ptr, int n) {
    if (!handle_ptr || !*slot(handle_ptr) || n < 0) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    int64_t shortfall = static_cast<int64_t>(n) + h->count - static_cast<int64_t>(h->capacity);
    if (shortfall > 0) {
        if (h->fixed == 0) {
            int64_t grow = shortfall + h->delta;
            if (grow > std::numeric_limits<int32_t>::max()) MSG_fatal_error(1);
            DYNA_resize(handle_ptr, static_cast<int>(grow));
            h = header_of(*slot(handle_ptr));
        } else {
            // A fixed array keeps its capacity and drops its oldest entries;
            // more new elements than it can hold at all are refused.
            if (n > static_cast<int64_t>(h->capacity)) return -1;
            char* e = elements(h);
            std::memmove(e, e + static_cast<size_t>(shortfall) * h->elem_size,
                         static_cast<size_t>(h->count - shortfall) * h->elem_size);
            h->count -= static_cast<int32_t>(shortfall);
        }
    }
    h->count += n;
    h->sorted = 0;
    return h->count - n;
}

int DYNA_insert(void* handle_ptr, int n, int index) {
    if (!handle_ptr || !*slot(handle_ptr) || n < 0) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    if (index >= h->count) return DYNA_add(handle_ptr, n);
    // -1 means "none" throughout the system: a negative index is refused
    // rather than taken as element 0.
    if (index < 0 || index + n > h->count) return -1;
    char* e = elements(h);
    size_t sz = h->elem_size;
    std::memmove(e + (static_cast<size_t>(index) + n) * sz, e + static_cast<size_t>(index) * sz,
                 static_cast<size_t>(h->count - n - index) * sz);
    h->sorted = 0;
    return index;
}

int DYNA_delete(void* handle_ptr, int index) {
    if (!handle_ptr || !*slot(handle_ptr)) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    if (index >= h->count || index < 0) return -1;
    char* e = elements(h);
    size_t sz = h->elem_size;
    std::memmove(e + static_cast<size_t>(index) * sz, e + (static_cast<size_t>(index) + 1) * sz,
                 static_cast<size_t>(h->count - index - 1) * sz);
    h->count -= 1;
    return 1;
}

int DYNA_reset(void* handle_ptr) {
    if (!handle_ptr || !*slot(handle_ptr)) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    h->count = 0;
    h->reserved[0] = 0;
    h->reserved[1] = 0;
    return 0;
}

int DYNA_sort(void* handle_ptr, DynaCompare cmp) {
    if (!handle_ptr || !*slot(handle_ptr)) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    if (h->count > 1) std::qsort(elements(h), static_cast<size_t>(h->count), h->elem_size, cmp);
    h->sorted |= 1u;
    return 0;
}

int DYNA_search(void* handle_ptr, const void* key, DynaCompare cmp) {
    if (!handle_ptr || !*slot(handle_ptr)) return -1;
    DynaHeader* h = header_of(*slot(handle_ptr));
    char* e = elements(h);
    size_t sz = h->elem_size;
    if (h->sorted & 1u) {
        int lo = 0, hi = h->count - 1;
        while (lo <= hi) {
            int mid = lo + (hi - lo) / 2;
            int c = cmp(key, e + static_cast<size_t>(mid) * sz);
            if (c == 0) return mid;
            if (c < 0)
                hi = mid - 1;
            else
                lo = mid + 1;
        }
        return -1;
    }
    for (int i = 0; i < h->count; ++i)
        if (cmp(key, e + static_cast<size_t>(i) * sz) == 0) return i;
    return -1;
}

int DYNA_setup(void* handle_ptr, const void* key, DynaCompare cmp) {
    int i = DYNA_search(handle_ptr, key, cmp);
    if (i >= 0) return i;
    return DYNA_add(handle_ptr, 1);
}

int DYNA_set_global_delta(int step) {
    global_delta = step;
    return 0;
}

int DYNA_memory_debug(int mode) {
    accounting = mode != 0;
    if (mode == 1) dyna_alloc_sizeG = dyna_realloc_sizeG = dyna_free_sizeG = 0;
    return 0;
}

void DYNA_error() { MSG_fatal_error(3); }

int DYNA_scomp(const void* a, const void* b) {
    return std::strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}
int DYNA_ucomp(const void* a, const void* b) {
    return STR_ucomp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}
int DYNA_lcomp(const void* a, const void* b) {
    int64_t d = static_cast<int64_t>(*static_cast<const int32_t*>(a)) - *static_cast<const int32_t*>(b);
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}
int DYNA_icomp(const void* a, const void* b) {
    return *static_cast<const int16_t*>(a) - *static_cast<const int16_t*>(b);
}
int DYNA_wcomp(const void* a, const void* b) {
    return *static_cast<const uint16_t*>(a) - *static_cast<const uint16_t*>(b);
}
int DYNA_bcomp(const void* a, const void* b) {
    return *static_cast<const uint8_t*>(a) - *static_cast<const uint8_t*>(b);
}
int DYNA_fcomp(const void* a, const void* b) {
    return static_cast<int>(*static_cast<const float*>(a) - *static_cast<const float*>(b));
}

char* qdx_strdup(const char* s) {
    if (!s) return nullptr;
    char* c = strdup(s);
    if (!c) {
        // Below the program frame: the message goes to the screen only.
        std::fputs("ERROR: (S0-00-0001) Not enough memory.  Please add more swap space.\n", stdout);
        qdx_exit(-1);
    }
    return c;
}
