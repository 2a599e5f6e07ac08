#include "HeapUse.h"

#include <atomic>

#if defined(__SANITIZE_ADDRESS__)
#define MSH_HEAP_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MSH_HEAP_HOOKS 1
#endif
#endif

#ifdef MSH_HEAP_HOOKS
// The sanitizer runtime's allocator interface (gcc ships no header for it).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, size_t),
                                              void (*freeHook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* pointer);
}
#endif

namespace hardening {
namespace {

// Signed: blocks allocated before the hooks were installed are freed without being counted.
std::atomic<long long> inUse(0);
std::atomic<long long> peak(0);

#ifdef MSH_HEAP_HOOKS
void onMalloc(const volatile void* pointer, size_t size) {
    (void)pointer;
    long long now = inUse.fetch_add((long long)size) + (long long)size;
    long long seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void onFree(const volatile void* pointer) {
    if (pointer)
        inUse.fetch_sub((long long)__sanitizer_get_allocated_size(pointer));
}

bool installHooks() {
    return __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
}
#else
bool installHooks() {
    return false;
}
#endif

bool hooksInstalled() {
    static bool installed = installHooks();
    return installed;
}

} // namespace

bool heapUseAvailable() {
    return hooksInstalled();
}

HeapWatch::HeapWatch() {
    hooksInstalled();
    baseline = inUse.load();
    peak.store(baseline);
}

size_t HeapWatch::peakAbove() const {
    long long top = peak.load();
    return top > baseline ? size_t(top - baseline) : 0;
}

size_t HeapWatch::nowAbove() const {
    long long now = inUse.load();
    return now > baseline ? size_t(now - baseline) : 0;
}

} // namespace hardening
