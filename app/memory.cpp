// Tracked allocation: a fixed table of live blocks keyed by address (open addressing, so
// registration, lookup and removal cost O(1) on average), guarded by a lock because libraries
// may allocate on the audio thread.
#include "app/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

// Twice as many slots as recordable entries keeps probe runs short at full load.
constexpr size_t kSlots = kAllocationTableEntries * 2;
static_assert((kSlots & (kSlots - 1)) == 0, "slot count must be a power of two");

struct Entry {
    uintptr_t address;  // 0 = free slot
    size_t size;        // bytes requested
};

// Static storage, zero at process start: usable before any constructor has run.
Entry g_table[kSlots];
size_t g_live;  // recorded entries
std::mutex g_lock;

size_t slotOf(uintptr_t address) {
    uint64_t h = static_cast<uint64_t>(address) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> 40) & (kSlots - 1);
}

// Index of the slot that holds address, or kSlots.
size_t findSlot(uintptr_t address) {
    for (size_t i = slotOf(address);; i = (i + 1) & (kSlots - 1)) {
        if (g_table[i].address == address) return i;
        if (g_table[i].address == 0) return kSlots;
    }
}

void record(uintptr_t address, size_t size) {
    if (g_live >= kAllocationTableEntries) return;  // full table: returned unrecorded
    size_t i = slotOf(address);
    while (g_table[i].address != 0) i = (i + 1) & (kSlots - 1);
    g_table[i] = {address, size};
    ++g_live;
}

// Removes slot i and shifts later members of its probe run back, so no tombstones build up.
void removeSlot(size_t i) {
    g_table[i].address = 0;
    --g_live;
    for (size_t j = (i + 1) & (kSlots - 1); g_table[j].address != 0; j = (j + 1) & (kSlots - 1)) {
        size_t home = slotOf(g_table[j].address);
        // Move j into the hole at i when its home slot does not lie cyclically in (i, j].
        bool homeInRange = (i < j) ? (home > i && home <= j) : (home > i || home <= j);
        if (!homeInRange) {
            g_table[i] = g_table[j];
            g_table[j].address = 0;
            i = j;
        }
    }
}

[[noreturn]] void outOfMemory(size_t size) {
    std::fprintf(stderr, "zorvane: out of memory (a request for %zu bytes failed)\n", size);
    std::abort();
}

void* allocateZeroed(size_t size, size_t alignment) {
    size_t bytes = size ? size : 1;
    void* p;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::calloc(1, bytes);
    } else {
        size_t rounded = (bytes + alignment - 1) / alignment * alignment;
        p = std::aligned_alloc(alignment, rounded);
        if (p) std::memset(p, 0, rounded);
    }
    if (!p) outOfMemory(size);
    std::lock_guard<std::mutex> guard(g_lock);
    record(reinterpret_cast<uintptr_t>(p), size);
    return p;
}

}  // namespace

void* trackedAlloc(size_t size) { return allocateZeroed(size, 0); }

void trackedFree(void* ptr) {
    if (!ptr) return;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        size_t i = findSlot(reinterpret_cast<uintptr_t>(ptr));
        if (i != kSlots) removeSlot(i);
    }
    std::free(ptr);
}

size_t allocationSize(const void* ptr) {
    if (!ptr) return 0;
    std::lock_guard<std::mutex> guard(g_lock);
    size_t i = findSlot(reinterpret_cast<uintptr_t>(ptr));
    return i == kSlots ? 0 : g_table[i].size;
}

size_t trackedAllocationCount() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_live;
}

void releasePointerArray(void** array) {
    if (!array) return;
    // The element count comes from the array's recorded size, in pointers of this machine.
    size_t count = allocationSize(array) / sizeof(void*);
    for (size_t i = 0; i < count; ++i) {
        if (array[i]) {
            trackedFree(array[i]);
            array[i] = nullptr;
        }
    }
    trackedFree(array);
}

void releasePointerArray2(void*** array) {
    if (!array) return;
    size_t count = allocationSize(array) / sizeof(void**);
    for (size_t i = 0; i < count; ++i) {
        if (array[i]) {
            releasePointerArray(array[i]);
            array[i] = nullptr;
        }
    }
    trackedFree(array);
}

void releaseAllTracked() {
    std::lock_guard<std::mutex> guard(g_lock);
    for (size_t i = 0; i < kSlots; ++i) {
        if (g_table[i].address != 0) {
            std::free(reinterpret_cast<void*>(g_table[i].address));
            g_table[i].address = 0;
        }
    }
    g_live = 0;
}

void copyBytes(void* dst, const void* src, size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
}

void fillBytes(void* dst, int value, size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(value);
}

void* zlibTrackedAlloc(void*, unsigned items, unsigned size) {
    size_t bytes = static_cast<size_t>(items) * size;  // both 32-bit: cannot overflow 64 bits
    return trackedAlloc(bytes);
}

void zlibTrackedFree(void*, void* address) { trackedFree(address); }

// The program-wide allocation operators.
void* operator new(size_t size) { return allocateZeroed(size, 0); }
void* operator new[](size_t size) { return allocateZeroed(size, 0); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocateZeroed(size, 0); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocateZeroed(size, 0); }
void* operator new(size_t size, std::align_val_t a) { return allocateZeroed(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a) { return allocateZeroed(size, static_cast<size_t>(a)); }
void operator delete(void* p) noexcept { trackedFree(p); }
void operator delete[](void* p) noexcept { trackedFree(p); }
void operator delete(void* p, size_t) noexcept { trackedFree(p); }
void operator delete[](void* p, size_t) noexcept { trackedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { trackedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { trackedFree(p); }
void operator delete(void* p, std::align_val_t) noexcept { trackedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { trackedFree(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { trackedFree(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { trackedFree(p); }
