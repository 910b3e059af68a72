// PngReader: the game's own PNG decoder. It reads the non-interlaced 8-bit RGB and RGBA
// pictures and the 1, 2, 4 and 8-bit indexed ones the game ships, inflating the first IDAT
// chunk with zlib straight into the tail of the caller's pixel buffer. CRCs are not checked.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteReader;

constexpr int kPngPaletteEntries = 256;  // PNG's limit, and the size of the palette scratch
constexpr int kPngMaxSide = 4096;        // larger pictures are refused

struct PngReader {
    uint32_t context;      // resource context the reader was made in (the game has only one, 0)
    uint8_t* data;         // the whole PNG file
    size_t dataSize;       // bytes of data
    uint8_t ownsData;      // data is freed (delete[]) when the reader is reset or destroyed
    int32_t width, height; // from IHDR, in pixels
    int32_t bitsPerPixel;  // 1, 2, 4, 8 (indexed), 24 (RGB) or 32 (RGBA)
    int32_t rowBytes;      // one unfiltered row, without its filter byte
    int32_t paletteSize;   // PLTE entries (indexed pictures), 0 without PLTE
};

// True when data starts with the bytes 0x89 'P' 'N' 'G' (the only bytes tested).
bool isPngSignature(const uint8_t* data, size_t size);

PngReader* createPngReader();
// Frees the data if owned and forgets everything read so far.
void resetPngReader(PngReader* reader);
void destroyPngReader(PngReader* reader);
// Gives the reader a file in memory; with ownsData it takes over the buffer (new[]).
void setPngData(PngReader* reader, uint8_t* data, size_t size, bool ownsData);
// Reads the named resource into the reader (owned). False when it is missing.
bool readPngFile(PngReader* reader, const char* name);

// The data of the first chunk of the given type (4 characters), searched from byte 8 up to
// "IEND". False when there is none or its length runs past the end of the file.
bool findPngChunk(const PngReader* reader, const char* type, ByteReader* chunk);

// Checks the signature and reads IHDR (and the palette size). False for a missing IHDR, a
// colour type other than indexed, RGB or RGBA, a depth other than 1/2/4/8 (indexed) or 8
// (RGB, RGBA), a side of 0 or above kPngMaxSide, or a PLTE above 256 entries.
bool parsePngHeader(PngReader* reader);

// Unfiltered image data: height x (rowBytes + 1) bytes, the size of the inflate staging area.
size_t pngUnfilteredSize(const PngReader* reader);

// Decodes a parsed picture into out (outSize bytes), row y at y * stride bytes, R G B A per
// pixel. The inflated data is staged in the last pngUnfilteredSize() bytes of out, so the
// buffer must hold that much and the rows must not run ahead of the staging area (the texture
// loader's buffer of paddedWidth x 4 x (paddedHeight + 1) bytes is always enough). Only
// outBitsPerPixel 32 writes pixels; other values step over the rows and write nothing.
// palette is scratch for 256 0xAARRGGBB entries. False for a missing IDAT, an IDAT that does
// not inflate to exactly the unfiltered size, a palette index past the palette or a tRNS
// longer than the palette.
bool decodePngToRGBA(PngReader* reader, uint8_t* out, size_t outSize, int32_t stride,
                     int32_t outBitsPerPixel, uint32_t* palette);

// A whole PNG in memory decoded to a new[] buffer of width x height RGBA pixels (no padding),
// for tools and tests. Null on any failure.
uint8_t* decodePngImage(const uint8_t* data, size_t size, int32_t* width, int32_t* height);
