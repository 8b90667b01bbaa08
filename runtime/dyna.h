// Growable arrays.
//
// A DynaArray is one heap block (or one private mapping of a file, see
// DYNA_map): a 48-byte header of twelve 32-bit words followed by the
// elements.  The caller keeps a pointer to element 0 (the
// handle) and indexes it like a plain array; operations that may move the
// block take the address of the handle and update it.  Other code reads
// the count (and some writes the count, the fixed capacity and the growth
// step) straight from the header, so its layout is part of the interface.
#pragma once

#include <cstdint>

struct DynaHeader {
    char magic[4];        // "LTA" and a zero byte ("LTM" for elements mapped from a file)
    int32_t reserved1;    // never written
    int32_t delta;        // growth step on top of the shortfall
    uint32_t sorted;      // bit 0: sorted by DYNA_sort
    uint32_t elem_size;   // bytes per element
    uint32_t fixed;       // fixed capacity; 0 = grows without bound
    uint32_t capacity;    // elements the block can hold
    int32_t count;        // elements in use
    int32_t reserved[4];  // zero at creation; word 9 is the command queue cursor
};
static_assert(sizeof(DynaHeader) == 48, "the header is twelve 32-bit words");

using DynaCompare = int (*)(const void*, const void*);

// Header of a handle (the handle must be a live DynaArray).
inline DynaHeader* DYNA_header(const void* handle) {
    return reinterpret_cast<DynaHeader*>(static_cast<char*>(const_cast<void*>(handle)) - sizeof(DynaHeader));
}
// Element count of a handle; 0 for a null handle.
inline int DYNA_count(const void* handle) { return handle ? DYNA_header(handle)->count : 0; }
inline void DYNA_set_count(void* handle, int n) { DYNA_header(handle)->count = n; }
inline int DYNA_capacity(const void* handle) {
    return handle ? static_cast<int>(DYNA_header(handle)->capacity) : 0;
}

// The untyped operations take the address of the caller's handle.
void* DYNA_init(int n, int elem_size);
// A DynaArray over count elements that lie in a file at byte offset, the
// file mapped privately in place of a copy: the pages are shared with the
// page cache until written, and a write changes only this process's
// copy.  Its capacity is count + 1; growing it moves it to the heap, and
// DYNA_free unmaps it.  Null (nothing mapped) when the elements are not
// aligned for 32-bit words, lie outside the file, or the mapping fails.
void* DYNA_map(int fd, int64_t file_size, int64_t offset, int count, int elem_size);
// True when the handle's elements are mapped from a file (DYNA_map).
bool DYNA_is_mapped(const void* handle);
int DYNA_free(void* handle_ptr);
int DYNA_resize(void* handle_ptr, int delta);
// Adds n elements at the end and returns the index of the first: a
// growable array grows, a fixed one drops its oldest elements to make
// room.  -1 (nothing changed) for a null handle, a negative n, or more
// elements than a fixed array's capacity.
int DYNA_add(void* handle_ptr, int n);
int DYNA_insert(void* handle_ptr, int n, int index);
int DYNA_delete(void* handle_ptr, int index);
int DYNA_reset(void* handle_ptr);
int DYNA_sort(void* handle_ptr, DynaCompare cmp);
int DYNA_search(void* handle_ptr, const void* key, DynaCompare cmp);
int DYNA_setup(void* handle_ptr, const void* key, DynaCompare cmp);
int DYNA_set_global_delta(int step);
int DYNA_memory_debug(int mode);
[[noreturn]] void DYNA_error();

// Typed creation: a DynaArray of n elements of T (see DYNA_init).
template <class T>
inline T* DYNA_new(int n = 0) {
    return static_cast<T*>(DYNA_init(n, static_cast<int>(sizeof(T))));
}

// Appends one element and returns its index.  (Writing `h[DYNA_add(&h, 1)]
// = v` is wrong: the handle is read before DYNA_add can move the block.)
template <class T>
inline int DYNA_append(T** handle, const T& value) {
    int i = DYNA_add(handle, 1);
    if (i >= 0) (*handle)[i] = value;
    return i;
}

// Memory accounting totals (with DYNA_memory_debug on).
extern int64_t dyna_alloc_sizeG;
extern int64_t dyna_realloc_sizeG;
extern int64_t dyna_free_sizeG;

// Comparators for DYNA_sort and DYNA_search.
int DYNA_scomp(const void* a, const void* b);  // pointers to strings, strcmp
int DYNA_ucomp(const void* a, const void* b);  // pointers to strings, case-insensitive
int DYNA_lcomp(const void* a, const void* b);  // int32
int DYNA_icomp(const void* a, const void* b);  // int16
int DYNA_wcomp(const void* a, const void* b);  // uint16
int DYNA_bcomp(const void* a, const void* b);  // uint8
int DYNA_fcomp(const void* a, const void* b);  // float, difference truncated

// A heap copy of a string (free it with free()); ends the run with the
// out-of-memory message when none is left.
char* qdx_strdup(const char* s);

// Returns the module to its start-up state (growth step, cache, totals).
void DYNA_reset_globals();
