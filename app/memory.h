// Tracked allocation: every block comes back zero-filled and its byte size can be asked later.
// The global operator new/delete and zlib's allocation hooks all go through here.
#pragma once

#include <cstddef>

// Capacity of the allocation table: allocations beyond this many live ones still succeed,
// but are not recorded (their size reads as 0).
constexpr size_t kAllocationTableEntries = 32768;

void* trackedAlloc(size_t size);
void trackedFree(void* ptr);
// Recorded byte size of a live allocation, 0 for null, unknown or unrecorded pointers.
size_t allocationSize(const void* ptr);
// Releases every non-null element of a tracked pointer array (its length is taken from its
// allocation size), then the array itself.
void releasePointerArray(void** array);
// The same one level deeper: each element is itself a tracked pointer array.
void releasePointerArray2(void*** array);
// Releases every allocation still recorded in the table.
void releaseAllTracked();
// Number of allocations currently recorded in the table.
size_t trackedAllocationCount();

void copyBytes(void* dst, const void* src, size_t n);
void fillBytes(void* dst, int value, size_t n);

// zlib's zalloc/zfree signatures (opaque, items, size) / (opaque, address).
void* zlibTrackedAlloc(void* opaque, unsigned items, unsigned size);
void zlibTrackedFree(void* opaque, void* address);
