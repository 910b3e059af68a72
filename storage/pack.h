// The resource pack: every read-only asset of the game (models, textures, sprites, fonts, texts)
// lives in the one file "packres.bin" in the install folder. The pack is opened once at start-up,
// its directory stays in memory, and entries are handed out whole, inflated where compressed.
//
// Pack file, all integers little-endian:
//   0  'K' '0'                    magic
//   2  u32 header size            header plus directory; the first entry's data starts here
//   6  u16 entry count
//   8  directory, per entry:      name (without a leading '/') and its NUL, u24 stored size,
//                                 u8 flags (0x80 = stored as is, clear = zlib stream),
//                                 u24 unpacked size, u8 reserved
//   header size: the entries' data, back to back, in directory order.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kPackFileName = "packres.bin";
constexpr uint8_t kPackMagic0 = 0x4B;          // 'K'
constexpr uint8_t kPackMagic1 = 0x30;          // '0'
constexpr uint32_t kPackHeaderBytes = 8;       // magic, header size, entry count
constexpr uint8_t kPackFlagStored = 0x80;      // the data is the entry itself; clear: a zlib stream
constexpr uint32_t kPackMaxSize24 = 0xFFFFFF;  // largest stored or unpacked size of an entry
constexpr uint32_t kPackChunkBytes = 512;      // compressed input is streamed in chunks this big

// What a lookup tells about one entry.
struct PackEntry {
    uint32_t unpackedSize;  // bytes of the entry once loaded
    uint32_t storedSize;    // bytes of its data in the pack
    uint64_t dataOffset;    // from the start of the file
    uint8_t flags;          // kPackFlagStored or a zlib stream
};

// Opens the pack at path (the install folder followed by kPackFileName) and keeps its
// directory. A pack opened before is closed first.
// A missing file, a wrong magic or a directory that does not agree with the file leaves no pack
// loaded, quietly: every lookup then fails. Returns whether a directory was loaded.
bool openPack(const char* path);
// Forgets the directory and the path. The game keeps its pack for the whole process; tools and
// tests close theirs.
void closePack();

// Directory position (>= 0) of name, filling *out when out is not null; -1 when no pack is loaded
// or no entry has that name. One leading '/' of name is skipped; names match exactly.
int findEntry(const char* name, PackEntry* out);
// Unpacked size of the entry, or -1.
int32_t entrySize(const char* name);
// A new zero-filled buffer of the entry's unpacked size holding the entry (a zero-length buffer
// for an empty entry), or null when the entry is missing or its data is damaged. The caller owns
// it and releases it with delete[] (it comes from the tracked operator new[]).
uint8_t* loadEntry(const char* name);
// The same load under the names the asset loaders use.
inline uint8_t* loadFile(const char* name) { return loadEntry(name); }
inline uint8_t* loadResource(const char* name) { return loadEntry(name); }

// Reads length bytes of the pack file at offset into buffer. False
// when no pack path is known, the file cannot be opened or holds fewer bytes there.
bool readRange(void* buffer, uint64_t offset, size_t length);

// The directory in order, for tools that show or unpack a whole pack: the entry count (0 when no
// pack is loaded), and the name of entry index (null when out of range), filling *out.
int packEntryCount();
const char* packEntryName(int index, PackEntry* out);
