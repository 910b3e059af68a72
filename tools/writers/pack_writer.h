// Pack writer: builds the resource pack "packres.bin" from named entries. Each entry is
// compressed with zlib at level 9 when that makes it smaller and stored as is otherwise; the same
// entries always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How an entry's data is kept in the pack.
enum class PackStorage {
    kAuto,    // zlib when the stream is smaller than the entry, stored otherwise
    kStored,  // always as is
    kZlib,    // always as a zlib stream (test packs need compressed entries of chosen sizes)
};

struct PackInput {
    std::string name;  // one leading '/' is dropped; the rest is the entry name
    std::vector<uint8_t> bytes;
    PackStorage storage = PackStorage::kAuto;
};

// The pack holding entries in the order given. False, with a one-line reason in *error, when a
// name is empty, holds a NUL or appears twice, an entry or its stream is larger than
// 16 MiB - 1 byte, there are more than 65535 entries, or the directory outgrows its 32-bit size.
bool buildPack(const std::vector<PackInput>& entries, std::vector<uint8_t>* pack,
               std::string* error);
// buildPack, then the bytes written to path.
bool writePackFile(const char* path, const std::vector<PackInput>& entries, std::string* error);
