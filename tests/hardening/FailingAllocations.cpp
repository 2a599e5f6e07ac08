#include "FailingAllocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace hardening {
namespace {

std::atomic<long> countdown(0); // allocations left before the failing one; 0: disarmed
std::atomic<bool> failed(false);

bool failThisOne() {
    long left = countdown.load();
    if (left == 0)
        return false;
    countdown.store(left - 1);
    if (left != 1)
        return false;
    failed.store(true);
    return true;
}

void* allocate(std::size_t size) {
    return failThisOne() ? nullptr : std::malloc(size ? size : 1);
}

void* allocateOrThrow(std::size_t size) {
    void* block = allocate(size);
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace

void failAllocation(long n) {
    failed.store(false);
    countdown.store(n);
}

bool allocationFailed() {
    return failed.load();
}

} // namespace hardening

void* operator new(std::size_t size) {
    return hardening::allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return hardening::allocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return hardening::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return hardening::allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
