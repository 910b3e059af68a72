// Tracked allocation: zero-filled blocks, recorded sizes, pointer-array release, the full table
// and concurrent use.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "app/memory.h"

namespace {

// Every way of allocating gives zero-filled memory, even over bytes a block left dirty, and
// records its size until it is released.
TEST(TrackedAllocation, BlocksComeBackZeroFilledAndKnowTheirSize) {
    struct alignas(64) Wide {
        char bytes[100];
    };
    for (int round = 0; round < 20; ++round) {
        char* junk = new char[4096];
        std::fill(junk, junk + 4096, '\xA5');
        delete[] junk;
        const auto* a = new uint32_t[1000];
        const auto* w = new Wide;
        const auto* z = static_cast<const char*>(zlibTrackedAlloc(nullptr, 7, 9));
        EXPECT_TRUE(std::all_of(a, a + 1000, [](uint32_t v) { return v == 0; }));
        EXPECT_TRUE(std::all_of(w->bytes, w->bytes + 100, [](char c) { return c == 0; }));
        EXPECT_TRUE(std::all_of(z, z + 63, [](char c) { return c == 0; }));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(w) % 64, 0u);
        EXPECT_EQ(allocationSize(a) + allocationSize(w) + allocationSize(z), 4000u + 128 + 63);
        delete[] a;
        delete w;
        zlibTrackedFree(nullptr, const_cast<char*>(z));
        EXPECT_EQ(allocationSize(z), 0u);
    }
    void* empty = trackedAlloc(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(allocationSize(empty), 0u);
    trackedFree(empty);
    int onTheStack = 0;
    EXPECT_EQ(allocationSize(&onTheStack) + allocationSize(nullptr), 0u);
    trackedFree(nullptr);  // harmless
}

TEST(TrackedAllocation, PointerArraysReleaseTheirNonNullElementsOnOneOrTwoLevels) {
    const size_t before = trackedAllocationCount();
    void** array = static_cast<void**>(trackedAlloc(10 * sizeof(void*)));
    for (int i = 0; i < 10; ++i) array[i] = i % 3 == 1 ? nullptr : trackedAlloc(16);
    EXPECT_EQ(trackedAllocationCount(), before + 8);  // 7 elements and the array
    releasePointerArray(array);
    EXPECT_EQ(trackedAllocationCount(), before);
    void*** outer = static_cast<void***>(trackedAlloc(3 * sizeof(void**)));
    outer[0] = static_cast<void**>(trackedAlloc(2 * sizeof(void*)));
    outer[0][0] = trackedAlloc(8);
    outer[2] = static_cast<void**>(trackedAlloc(4 * sizeof(void*)));
    for (int i = 0; i < 4; ++i) outer[2][i] = trackedAlloc(8);
    EXPECT_EQ(trackedAllocationCount(), before + 8);
    releasePointerArray2(outer);
    EXPECT_EQ(trackedAllocationCount(), before);
    releasePointerArray(nullptr);
    releasePointerArray2(nullptr);
}

// Beyond the table's capacity blocks are still given (zeroed, usable) but not recorded; after the
// mass release every slot is usable again.
TEST(TrackedAllocation, AFullTableStillAllocatesButRecordsNothing) {
    std::vector<void*> blocks;
    while (trackedAllocationCount() < kAllocationTableEntries) blocks.push_back(trackedAlloc(24));
    char* extra = static_cast<char*>(trackedAlloc(24));
    extra[23] = 1;
    EXPECT_EQ(extra[0], 0);
    EXPECT_EQ(allocationSize(extra), 0u);
    EXPECT_EQ(allocationSize(blocks.back()), 24u);
    trackedFree(extra);  // unrecorded, still freed
    EXPECT_EQ(trackedAllocationCount(), kAllocationTableEntries);
    for (void* b : blocks) trackedFree(b);
    void* again = trackedAlloc(33);
    EXPECT_EQ(allocationSize(again), 33u);
    trackedFree(again);
}

TEST(TrackedAllocation, ConcurrentAllocationKeepsEveryRecord) {
    std::vector<std::thread> threads;
    std::vector<int> wrongSizes(4);
    threads.reserve(4);
    const size_t before = trackedAllocationCount();
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrongSizes] {
            std::vector<void*> mine;
            for (int i = 0; i < 20000; ++i) {
                const size_t size = 1 + static_cast<size_t>((i * 7 + t) % 200);
                mine.push_back(trackedAlloc(size));
                wrongSizes[t] += allocationSize(mine.back()) != size;
                if (mine.size() > 64) trackedFree(mine[mine.size() - 65]);
            }
            for (size_t i = mine.size() - 64; i < mine.size(); ++i) trackedFree(mine[i]);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrongSizes, std::vector<int>(4, 0));
    EXPECT_EQ(trackedAllocationCount(), before);
}

TEST(TrackedAllocation, ByteHelpersCopyAndFillWithTheLowByte) {
    unsigned char a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8] = {};
    copyBytes(b, a, 8);
    fillBytes(b, 0x1FF, 4);
    EXPECT_EQ(std::vector<unsigned char>(b, b + 8),
              (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF, 5, 6, 7, 8}));
}

}  // namespace
