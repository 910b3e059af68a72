// What the fuzz targets share beside the sanitizers: a condition that must hold, every byte of a
// buffer read (so that the sanitizers see any part of it lying outside its allocation), exact
// heap copies of the input, and a scratch folder for the files a target hands to the game.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

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

// A new[] copy of exactly size bytes (one for none), so that a read past the end is caught.
inline uint8_t* heapCopy(const uint8_t* data, size_t size) {
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    return copy;
}

// The path of name in a private folder made on first use and removed with its files at exit.
inline std::string scratchPath(const char* name) {
    static char folder[] = "/tmp/zv-fuzz-XXXXXX";
    [[maybe_unused]] static const bool made = [] {
        require(mkdtemp(folder) != nullptr);
        return std::atexit([] { std::filesystem::remove_all(folder); }) == 0;
    }();
    return std::string(folder) + "/" + name;
}

// The bytes as the whole file at path.
inline void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    require(f != nullptr);
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace fuzzcheck
