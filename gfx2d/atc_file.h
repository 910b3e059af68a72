// ATC files (the ".atc" twins of ".pvr" textures, for GPUs with ATI texture compression): a
// small header of little-endian words, then the compressed levels at the data offset.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kAtcHeaderBytes = 20;
constexpr uint32_t kAtcFlagExplicitAlpha = 0x2;  // bit 1 of the flags word

struct AtcHeader {
    int32_t width, height;  // picture size in texels
    uint32_t flags;
    uint32_t dataOffset;    // from the start of the file
    const uint8_t* data;    // the compressed levels, inside the file
    size_t dataBytes;       // bytes from data to the end of the file
};

// Reads the header of an ATC file in memory. False when the file is shorter than the header,
// a side is 0 or above 4096, or the data offset lies past the end of the file.
bool parseAtcHeader(const uint8_t* file, size_t size, AtcHeader* header);
// GL format of the file: explicit alpha (16-byte blocks) or RGB (8-byte blocks).
uint32_t atcCompressedFormat(const AtcHeader& header);
