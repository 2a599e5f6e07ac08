// The heap counter behind the import's memory row: every allocation path is counted once and
// given back on release, and the peak holds the high-water mark.

#include "bench/HeapCounter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <vector>

namespace {

TEST(HeapCounter, CountsEveryAllocationPathAndGivesItBack) {
    size_t before = bench::heapInUse();
    void* a = std::malloc(1000);
    void* b = std::calloc(10, 100);
    void* c = nullptr;
    ASSERT_EQ(0, posix_memalign(&c, 64, 1000));
    size_t held = malloc_usable_size(a) + malloc_usable_size(b) + malloc_usable_size(c);
    EXPECT_EQ(before + held, bench::heapInUse());
    std::free(a);
    std::free(b);
    std::free(c);
    EXPECT_EQ(before, bench::heapInUse());
    std::free(nullptr);
    EXPECT_EQ(before, bench::heapInUse());
}

TEST(HeapCounter, ReallocCountsOnlyTheNewBlock) {
    size_t before = bench::heapInUse();
    void* p = std::malloc(16);
    p = std::realloc(p, 1 << 20); // moves: the old block must no longer count
    EXPECT_EQ(before + malloc_usable_size(p), bench::heapInUse());
    p = std::realloc(p, 32);
    EXPECT_EQ(before + malloc_usable_size(p), bench::heapInUse());
    std::free(p);
    EXPECT_EQ(before, bench::heapInUse());
}

TEST(HeapCounter, PeakKeepsTheHighWaterMarkUntilReset) {
    bench::resetHeapPeak();
    size_t before = bench::heapInUse();
    {
        // operator new goes through malloc, so containers are counted too.
        std::vector<char> big(4 << 20);
        EXPECT_GE(bench::heapInUse(), before + big.size());
    }
    EXPECT_EQ(before, bench::heapInUse());
    EXPECT_GE(bench::heapPeak(), before + (4 << 20));
    bench::resetHeapPeak();
    EXPECT_EQ(bench::heapInUse(), bench::heapPeak());
}

} // namespace
