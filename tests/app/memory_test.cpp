// Tracked allocation: zero-filled blocks, recorded sizes, pointer-array release, the full table
// and concurrent use.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/memory.h"

namespace {

struct Record {
    int32_t a;
    double b;
    char text[61];
};

TEST(TrackedAllocation, ObjectsAndArraysComeBackZeroFilled) {
    for (int round = 0; round < 50; ++round) {
        // Dirty the heap first so that a non-zeroing allocator would show.
        auto* junk = new char[4096];
        for (int i = 0; i < 4096; ++i) junk[i] = static_cast<char>(0xA5);
        delete[] junk;
        auto* r = new Record;
        const auto* bytes = reinterpret_cast<const unsigned char*>(r);
        for (size_t i = 0; i < sizeof(Record); ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
        auto* arr = new uint32_t[1000];
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(arr[i], 0u);
        delete r;
        delete[] arr;
    }
}

TEST(TrackedAllocation, SizeOfLiveBlocksAndZeroAfterRelease) {
    char* p = new char[40];
    EXPECT_EQ(allocationSize(p), 40u);
    void* q = trackedAlloc(0);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(allocationSize(q), 0u);
    delete[] p;
    EXPECT_EQ(allocationSize(p), 0u);
    EXPECT_EQ(allocationSize(nullptr), 0u);
    int stackValue = 0;
    EXPECT_EQ(allocationSize(&stackValue), 0u);
    trackedFree(q);
    trackedFree(nullptr);  // harmless
}

TEST(TrackedAllocation, ReleasePointerArrayFreesNonNullElementsThenTheArray) {
    size_t before = trackedAllocationCount();
    void** array = static_cast<void**>(trackedAlloc(10 * sizeof(void*)));
    for (int i = 0; i < 10; ++i) array[i] = (i % 3 == 1) ? nullptr : trackedAlloc(16);
    // Elements 1, 4 and 7 are null: 7 objects and the array are live.
    EXPECT_EQ(trackedAllocationCount(), before + 8);
    releasePointerArray(array);
    EXPECT_EQ(trackedAllocationCount(), before);
    releasePointerArray(nullptr);
}

TEST(TrackedAllocation, ReleasePointerArray2ReleasesTwoLevels) {
    size_t before = trackedAllocationCount();
    void*** outer = static_cast<void***>(trackedAlloc(3 * sizeof(void**)));
    outer[0] = static_cast<void**>(trackedAlloc(2 * sizeof(void*)));
    outer[0][0] = trackedAlloc(8);
    outer[0][1] = nullptr;
    outer[2] = static_cast<void**>(trackedAlloc(4 * sizeof(void*)));
    for (int i = 0; i < 4; ++i) outer[2][i] = trackedAlloc(8);
    EXPECT_EQ(trackedAllocationCount(), before + 8);
    releasePointerArray2(outer);
    EXPECT_EQ(trackedAllocationCount(), before);
}

TEST(TrackedAllocation, FullTableStillAllocatesButRecordsNothing) {
    std::vector<void*> blocks;
    blocks.reserve(kAllocationTableEntries);
    while (trackedAllocationCount() < kAllocationTableEntries) blocks.push_back(trackedAlloc(24));
    void* extra = trackedAlloc(24);
    ASSERT_NE(extra, nullptr);
    static_cast<char*>(extra)[23] = 1;  // usable
    EXPECT_EQ(static_cast<char*>(extra)[0], 0);
    EXPECT_EQ(allocationSize(extra), 0u);
    EXPECT_EQ(allocationSize(blocks.back()), 24u);
    trackedFree(extra);  // unrecorded, still freed
    EXPECT_EQ(trackedAllocationCount(), kAllocationTableEntries);
    for (void* b : blocks) trackedFree(b);
    // Every slot is usable again and lookups still find survivors after the mass removal.
    void* again = trackedAlloc(33);
    EXPECT_EQ(allocationSize(again), 33u);
    trackedFree(again);
}

TEST(TrackedAllocation, ConcurrentAllocationKeepsEveryRecord) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::atomic<int> wrongSizes{0};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    size_t before = trackedAllocationCount();
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrongSizes] {
            std::vector<void*> mine;
            for (int i = 0; i < kRounds; ++i) {
                size_t size = 1 + static_cast<size_t>((i * 7 + t) % 200);
                void* p = trackedAlloc(size);
                if (allocationSize(p) != size) ++wrongSizes;
                mine.push_back(p);
                if (mine.size() > 64) {
                    trackedFree(mine.front());
                    mine.erase(mine.begin());
                }
            }
            for (void* p : mine) trackedFree(p);
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(wrongSizes.load(), 0);
    EXPECT_EQ(trackedAllocationCount(), before);
}

TEST(TrackedAllocation, ByteHelpers) {
    unsigned char a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8] = {};
    copyBytes(b, a, 8);
    EXPECT_EQ(0, memcmp(a, b, 8));
    fillBytes(b, 0x1FF, 4);  // only the low byte is used
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[3], 0xFF);
    EXPECT_EQ(b[4], 5);
}

}  // namespace
