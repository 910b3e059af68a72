// PVR files: the legacy 52-byte header of little-endian words, then PVRTC 1 data at 2 or 4
// bits per pixel, level 0 first and any smaller levels after it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kPvrHeaderBytes = 52;
constexpr uint32_t kPvrFormatPvrtc2 = 0x18;  // low byte of the flags word: PVRTC 2 bpp
constexpr uint32_t kPvrFormatPvrtc4 = 0x19;  // PVRTC 4 bpp
constexpr uint32_t kPvrFlagMipmaps = 0x100;  // levels follow level 0
constexpr uint32_t kPvrFlagAlpha = 0x8000;
constexpr uint32_t kPvrMagic = 0x21525650;   // "PVR!"

// What the game reads of a PVR header (and what the tools show besides).
struct PvrHeader {
    int32_t width, height;  // level 0, in texels
    uint32_t mipmapCount;   // levels after level 0, as written (the game does not rely on it)
    uint32_t pixelFormat;   // kPvrFormatPvrtc2 or kPvrFormatPvrtc4
    uint32_t flags;         // the whole flags word
    uint32_t alphaMask;     // non-zero: the texture has alpha
    const uint8_t* data;    // the compressed levels, inside the file
    size_t dataBytes;       // bytes from data to the end of the file
};

// Reads the header of a PVR file in memory. False when the file is shorter than the header,
// the pixel format is not PVRTC 2 or 4 bpp, or a side is not a power of two from 1 to 4096.
bool parsePvrHeader(const uint8_t* file, size_t size, PvrHeader* header);

// Offset of level k from the start of the data.
size_t pvrLevelOffset(const PvrHeader& header, int level);
// Level k decoded to a new[] buffer of RGBA texels, its size in *width x *height; null when the
// file is too short for it.
uint8_t* decodePvrLevel(const PvrHeader& header, int level, int32_t* width, int32_t* height);
