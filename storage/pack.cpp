// The resource pack: opening, the directory walk and the loads. Compressed entries are inflated
// through one fixed 512-byte input buffer straight into the caller's buffer, so a load needs no
// memory beyond the entry itself.
#include "storage/pack.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "app/memory.h"
#include "storage/byte_reader.h"

namespace {

struct ResourcePack {
    char* path;           // heap copy of the pack's file path; null before opening
    uint8_t* directory;   // header size - 8 bytes; null when no pack is loaded
    uint32_t headerSize;  // header plus directory: the first entry's data offset
    uint32_t entryCount;
    uint8_t scratch[kPackChunkBytes];  // compressed input on its way to inflate
};

ResourcePack g_pack;

uint32_t readU24(ByteReader& r) {
    uint32_t low = r.u16();
    return low | static_cast<uint32_t>(r.u8()) << 16;
}

// One directory entry read from the cursor; false when the directory ends inside it.
bool readDirectoryEntry(ByteReader& r, const char** name, size_t* nameLength, PackEntry* entry) {
    if (r.failed() || r.atEnd()) return false;
    const void* nul = std::memchr(r.cursor(), 0, r.remaining());
    if (!nul) return false;
    *name = reinterpret_cast<const char*>(r.cursor());
    *nameLength = static_cast<size_t>(static_cast<const uint8_t*>(nul) - r.cursor());
    r.skip(*nameLength + 1);
    entry->storedSize = readU24(r);
    entry->flags = r.u8();
    entry->unpackedSize = readU24(r);
    r.u8();  // reserved
    return r.ok();
}

// Opens the pack file positioned at offset, or null.
FILE* openAt(uint64_t offset) {
    if (!g_pack.path) return nullptr;
    FILE* f = std::fopen(g_pack.path, "rb");
    if (f && fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) {
        std::fclose(f);
        f = nullptr;
    }
    return f;
}

// Checks every directory entry against the directory and the file: each name ends inside the
// directory, each entry's 8 bytes follow, the data of all entries lies within the file, and a
// stored entry fits the buffer it is loaded into. A pack that fails is not trusted at all.
bool directoryAgreesWithFile(uint64_t packBytes) {
    ByteReader r(g_pack.directory, g_pack.headerSize - kPackHeaderBytes);
    uint64_t dataEnd = g_pack.headerSize;
    for (uint32_t i = 0; i < g_pack.entryCount; ++i) {
        const char* name;
        size_t nameLength;
        PackEntry entry;
        if (!readDirectoryEntry(r, &name, &nameLength, &entry)) return false;
        if ((entry.flags & kPackFlagStored) && entry.storedSize > entry.unpackedSize) return false;
        dataEnd += entry.storedSize;
    }
    return dataEnd <= packBytes;
}

bool loadDirectory(FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return false;
    off_t fileBytes = ftello(f);
    if (fileBytes < 0) return false;
    uint64_t packBytes = static_cast<uint64_t>(fileBytes);

    uint8_t header[kPackHeaderBytes];
    if (fseeko(f, 0, SEEK_SET) != 0) return false;
    if (std::fread(header, 1, sizeof header, f) != sizeof header) return false;
    ByteReader h(header, sizeof header);
    if (h.u8() != kPackMagic0 || h.u8() != kPackMagic1) return false;
    uint32_t headerSize = h.u32();
    uint32_t entryCount = h.u16();
    if (headerSize < kPackHeaderBytes || headerSize > packBytes) return false;

    size_t directoryBytes = headerSize - kPackHeaderBytes;
    auto* directory = static_cast<uint8_t*>(trackedAlloc(directoryBytes));
    if (std::fread(directory, 1, directoryBytes, f) != directoryBytes) {
        trackedFree(directory);
        return false;
    }
    g_pack.directory = directory;
    g_pack.headerSize = headerSize;
    g_pack.entryCount = entryCount;
    if (!directoryAgreesWithFile(packBytes)) {
        trackedFree(g_pack.directory);
        g_pack.directory = nullptr;
        g_pack.entryCount = 0;
        return false;
    }
    return true;
}

// Walks the directory to entry number index (when name is null) or to the entry called name.
int walkDirectory(const char* name, int index, PackEntry* out, const char** foundName) {
    if (!g_pack.directory) return -1;
    size_t wantedLength = name ? std::strlen(name) : 0;
    ByteReader r(g_pack.directory, g_pack.headerSize - kPackHeaderBytes);
    uint64_t offset = g_pack.headerSize;
    for (uint32_t i = 0; i < g_pack.entryCount; ++i) {
        const char* entryName;
        size_t nameLength;
        PackEntry entry;
        if (!readDirectoryEntry(r, &entryName, &nameLength, &entry)) return -1;
        bool match = name ? nameLength == wantedLength && !std::memcmp(entryName, name, nameLength)
                          : static_cast<int>(i) == index;
        if (match) {
            entry.dataOffset = offset;
            if (out) *out = entry;
            if (foundName) *foundName = entryName;
            return static_cast<int>(i);
        }
        offset += entry.storedSize;
    }
    return -1;
}

// Inflates the entry's zlib stream into buffer, which holds exactly its unpacked size. Success
// needs the stream to end and to fill the buffer: a stream that stops short, or wants to write
// past the end, or is damaged fails.
bool inflateEntry(FILE* f, const PackEntry& entry, uint8_t* buffer) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    stream.zalloc = zlibTrackedAlloc;
    stream.zfree = zlibTrackedFree;
    // The stream size argument is this build's z_stream, not the fixed 56 bytes of a 32-bit one.
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_out = buffer;
    stream.avail_out = entry.unpackedSize;

    bool ended = false;
    bool failed = false;
    uint32_t remaining = entry.storedSize;
    while (remaining > 0 && !ended && !failed) {
        uint32_t chunk = remaining < kPackChunkBytes ? remaining : kPackChunkBytes;
        if (std::fread(g_pack.scratch, 1, chunk, f) != chunk) {
            failed = true;
            break;
        }
        stream.next_in = g_pack.scratch;
        stream.avail_in = chunk;
        int result = inflate(&stream, Z_FINISH);
        // Z_BUF_ERROR with all input taken means "give me more"; with input left over, the
        // output is full before the stream ends.
        if (result == Z_STREAM_END) {
            ended = true;
        } else if (result != Z_BUF_ERROR || stream.avail_in != 0) {
            failed = true;
        }
        remaining -= chunk;
    }
    inflateEnd(&stream);
    return ended && !failed && stream.avail_out == 0;
}

}  // namespace

bool openPack(const char* path) {
    closePack();
    if (!path) return false;
    size_t length = std::strlen(path);
    g_pack.path = static_cast<char*>(trackedAlloc(length + 1));
    std::memcpy(g_pack.path, path, length + 1);

    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bool loaded = loadDirectory(f);
    std::fclose(f);
    return loaded;
}

void closePack() {
    trackedFree(g_pack.directory);
    trackedFree(g_pack.path);
    g_pack.directory = nullptr;
    g_pack.path = nullptr;
    g_pack.headerSize = 0;
    g_pack.entryCount = 0;
}

int findEntry(const char* name, PackEntry* out) {
    if (!name) return -1;
    if (name[0] == '/') ++name;
    return walkDirectory(name, -1, out, nullptr);
}

int32_t entrySize(const char* name) {
    PackEntry entry;
    if (findEntry(name, &entry) < 0) return -1;
    return static_cast<int32_t>(entry.unpackedSize);
}

uint8_t* loadEntry(const char* name) {
    PackEntry entry;
    if (findEntry(name, &entry) < 0) return nullptr;
    FILE* f = openAt(entry.dataOffset);
    if (!f) return nullptr;

    auto* buffer = new uint8_t[entry.unpackedSize];  // zero-filled by the tracked allocator
    bool loaded = (entry.flags & kPackFlagStored)
                      ? std::fread(buffer, 1, entry.storedSize, f) == entry.storedSize
                      : inflateEntry(f, entry, buffer);
    std::fclose(f);
    if (!loaded) {
        delete[] buffer;
        return nullptr;
    }
    return buffer;
}

bool readRange(void* buffer, uint64_t offset, size_t length) {
    FILE* f = openAt(offset);
    if (!f) return false;
    bool complete = length == 0 || std::fread(buffer, 1, length, f) == length;
    std::fclose(f);
    return complete;
}

int packEntryCount() { return g_pack.directory ? static_cast<int>(g_pack.entryCount) : 0; }

const char* packEntryName(int index, PackEntry* out) {
    const char* name = nullptr;
    if (index < 0 || walkDirectory(nullptr, index, out, &name) < 0) return nullptr;
    return name;
}
