#pragma once
// Counts the heap bytes in use through the sanitizer allocator's hooks, so a test can tell the
// peak an operation reached. Only in sanitizer builds (the hooks come with the sanitizer).

#include <cstddef>

namespace hardening {

/// True when the build can count heap use.
bool heapUseAvailable();

/// Watches the heap from its construction: the peak and the current bytes above what was in
/// use when it began.
class HeapWatch {
public:
    HeapWatch();
    size_t peakAbove() const;
    size_t nowAbove() const;

private:
    long long baseline;
};

} // namespace hardening
