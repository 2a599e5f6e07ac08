#pragma once
// Counts the bytes the process holds on the heap, through replacements of malloc and its kin
// that forward to the C library's own allocator. Linked only into the programs that measure
// memory; every allocation of the process (operator new included) passes through them.

#include <cstddef>

namespace bench {

/// Bytes allocated and not yet freed.
size_t heapInUse();
/// The most `heapInUse` has been since the last `resetHeapPeak`.
size_t heapPeak();
/// Starts a new peak from the current use.
void resetHeapPeak();

} // namespace bench
