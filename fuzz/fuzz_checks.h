// What the fuzz targets check beside the sanitizers: a condition that must hold, and every byte of
// a buffer read (so that the sanitizers see any part of it lying outside its allocation).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzzcheck {

inline volatile uint32_t g_sink;

// Ends the run as a finding when the condition does not hold.
inline void require(bool condition) {
    if (!condition) std::abort();
}

// Reads every byte of [data, data + bytes).
inline void touch(const void* data, size_t bytes) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += p[i];
    g_sink = sum;
}

}  // namespace fuzzcheck
