// The host heap: one allocator for every module, so memory may change hands between them.
#include "host/MaxHeap.h"

#include <cstdlib>

namespace {
void* allocateOrThrow(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
} // namespace

void* MaxHeapOperators::operator new(size_t size) {
    return allocateOrThrow(size);
}
void* MaxHeapOperators::operator new(size_t size, const std::nothrow_t&) {
    return std::malloc(size ? size : 1);
}
void* MaxHeapOperators::operator new(size_t size, const char*, int) {
    return allocateOrThrow(size);
}
void* MaxHeapOperators::operator new[](size_t size) {
    return allocateOrThrow(size);
}
void* MaxHeapOperators::operator new[](size_t size, const std::nothrow_t&) {
    return std::malloc(size ? size : 1);
}
void MaxHeapOperators::operator delete(void* ptr) {
    std::free(ptr);
}
void MaxHeapOperators::operator delete(void* ptr, const std::nothrow_t&) {
    std::free(ptr);
}
void MaxHeapOperators::operator delete(void* ptr, const char*, int) {
    std::free(ptr);
}
void MaxHeapOperators::operator delete[](void* ptr) {
    std::free(ptr);
}
void MaxHeapOperators::operator delete[](void* ptr, const std::nothrow_t&) {
    std::free(ptr);
}
