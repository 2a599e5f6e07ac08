#include "bench/HeapCounter.h"

#include <cstring>
#include <malloc.h>

// The C library's allocator under its internal names; the public names below replace it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {
// Single-threaded programs only: plain counters keep the replacements cheap.
size_t inUse = 0;
size_t peak = 0;

void added(void* ptr) {
    if (!ptr)
        return;
    inUse += malloc_usable_size(ptr);
    if (inUse > peak)
        peak = inUse;
}

void removed(void* ptr) {
    if (ptr)
        inUse -= malloc_usable_size(ptr);
}
} // namespace

extern "C" {
void* malloc(size_t size) {
    void* ptr = __libc_malloc(size);
    added(ptr);
    return ptr;
}

void* calloc(size_t count, size_t size) {
    void* ptr = __libc_calloc(count, size);
    added(ptr);
    return ptr;
}

void* realloc(void* ptr, size_t size) {
    removed(ptr);
    void* moved = __libc_realloc(ptr, size);
    // A failed realloc leaves the old block in place.
    added(moved ? moved : (size ? ptr : nullptr));
    return moved;
}

void free(void* ptr) {
    removed(ptr);
    __libc_free(ptr);
}

void* memalign(size_t alignment, size_t size) {
    void* ptr = __libc_memalign(alignment, size);
    added(ptr);
    return ptr;
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    void* ptr = memalign(alignment, size);
    if (!ptr)
        return 12; // ENOMEM
    *out = ptr;
    return 0;
}
}

namespace bench {

size_t heapInUse() {
    return inUse;
}

size_t heapPeak() {
    return peak;
}

void resetHeapPeak() {
    peak = inUse;
}

} // namespace bench
