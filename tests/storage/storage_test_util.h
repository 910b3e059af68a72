// Helpers of the storage tests: a scratch folder, whole-file I/O, reproducible bytes, and a raw
// pack layout for packs whose directory lies (the pack writer only makes honest ones).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace storage_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zv-storage-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
        EXPECT_FALSE(path_.empty()) << "cannot make a temporary folder";
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // The folder with its trailing separator, as the record store's base path.
    std::string base() const { return path_ + "/"; }

private:
    std::string path_;
};

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

// Bytes from a small linear congruential generator: the same seed gives the same bytes.
// compressible = true gives text-like bytes drawn from a few words, else noise.
inline std::vector<uint8_t> testBytes(size_t size, uint32_t seed, bool compressible) {
    static const char* const kWords[] = {"tree ", "shrub ", "coin ", "night ", "forest ", "run\n"};
    std::vector<uint8_t> bytes;
    bytes.reserve(size);
    uint32_t state = seed * 2654435761u + 1;
    while (bytes.size() < size) {
        state = state * 1664525u + 1013904223u;
        if (compressible) {
            for (const char* w = kWords[(state >> 16) % 6]; *w && bytes.size() < size; ++w) {
                bytes.push_back(static_cast<uint8_t>(*w));
            }
        } else {
            bytes.push_back(static_cast<uint8_t>(state >> 24));
        }
    }
    return bytes;
}

// One directory entry written exactly as given, true or not.
struct RawEntry {
    std::string name;
    uint32_t storedSize;
    uint8_t flags;
    uint32_t unpackedSize;
};

inline void putLE(std::vector<uint8_t>* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Header, directory and data; the header size is the true one unless headerSize is given.
inline std::vector<uint8_t> rawPack(const std::vector<RawEntry>& entries,
                                    const std::vector<uint8_t>& data, uint16_t entryCount,
                                    int64_t headerSize = -1) {
    std::vector<uint8_t> directory;
    for (const RawEntry& e : entries) {
        directory.insert(directory.end(), e.name.begin(), e.name.end());
        directory.push_back(0);
        putLE(&directory, e.storedSize, 3);
        directory.push_back(e.flags);
        putLE(&directory, e.unpackedSize, 3);
        directory.push_back(0);
    }
    std::vector<uint8_t> pack = {'K', '0'};
    putLE(&pack,
          headerSize >= 0 ? static_cast<uint32_t>(headerSize)
                          : static_cast<uint32_t>(8 + directory.size()),
          4);
    putLE(&pack, entryCount, 2);
    pack.insert(pack.end(), directory.begin(), directory.end());
    pack.insert(pack.end(), data.begin(), data.end());
    return pack;
}

}  // namespace storage_test
