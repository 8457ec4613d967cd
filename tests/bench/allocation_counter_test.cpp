// The benchmark's allocation counter: every form of operator new counts once, storage it
// hands out is usable and given back through the matching delete, and code that allocates
// nothing reads as zero (the figure the frame loop is held to).
#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

struct alignas(64) Wide {
    char bytes[64];
};

// Keeps the optimiser from removing a new/delete pair whose result is never looked at.
template <typename T>
T* keep(T* p) {
    asm volatile("" : : "g"(p) : "memory");
    return p;
}

}  // namespace

TEST(AllocationCounterTest, EveryFormOfNewCountsOnceAndItsStorageIsUsable) {
    uint64_t before = allocationCount();
    int* one = keep(new int(7));
    EXPECT_EQ(before + 1, allocationCount());
    EXPECT_EQ(7, *one);
    delete one;

    before = allocationCount();
    char* block = keep(new char[4096]);
    std::memset(block, 0xAB, 4096);
    delete[] block;
    int* quiet = keep(new (std::nothrow) int(3));
    ASSERT_NE(nullptr, quiet);
    delete quiet;
    Wide* wide = keep(new Wide);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(wide) % 64);
    delete wide;
    Wide* wides = keep(new Wide[3]);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(wides) % 64);
    delete[] wides;
    EXPECT_EQ(before + 4, allocationCount());
}

TEST(AllocationCounterTest, ContainersCountTheirGrowthAndNothingElse) {
    std::vector<int> values;
    values.reserve(16);
    const uint64_t before = allocationCount();
    for (int i = 0; i < 16; ++i) values.push_back(i);  // within the reserve: no allocation
    EXPECT_EQ(before, allocationCount());
    values.push_back(16);  // past it: exactly one reallocation
    EXPECT_EQ(before + 1, allocationCount());

    const uint64_t shared = allocationCount();
    auto pointer = std::make_shared<std::string>(100, 'x');
    EXPECT_EQ(shared + 2, allocationCount());  // the control block with the string, and its text
    EXPECT_EQ(100u, pointer->size());
}
