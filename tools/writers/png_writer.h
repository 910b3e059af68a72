// PNG writer for the tools and tests: any colour type and bit depth PNG allows, a chosen filter
// (or one per row by the usual minimum-sum heuristic), optional PLTE and tRNS, and the zlib
// stream in one IDAT chunk or split over several.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum PngColourType : int { kPngGrey = 0, kPngRgb = 2, kPngIndexed = 3, kPngGreyAlpha = 4, kPngRgba = 6 };

enum PngFilterChoice : int {
    kPngFilterNone = 0,
    kPngFilterSub = 1,
    kPngFilterUp = 2,
    kPngFilterAverage = 3,
    kPngFilterPaeth = 4,
    kPngFilterCycle = 5,     // row y uses filter y % 5
    kPngFilterAdaptive = 6,  // per row, the filter with the smallest sum of absolute bytes
};

struct PngWriteOptions {
    int colourType = kPngRgba;
    int bitDepth = 8;
    int filter = kPngFilterAdaptive;
    std::vector<uint8_t> palette;       // PLTE: R G B per entry (indexed pictures)
    std::vector<uint8_t> transparency;  // tRNS bytes as stored
    int idatChunks = 1;                 // the zlib stream cut into this many IDAT chunks
    int compressionLevel = 6;
};

// Bytes of one unfiltered row of width pixels in the given colour type and depth.
size_t pngRowBytes(int width, int colourType, int bitDepth);

// A PNG of width x height pixels from unfiltered rows packed as PNG stores them (rowBytes
// each, samples big-endian, sub-byte pixels from the most significant bits). False for a
// colour type and depth PNG does not allow or sizes below 1.
bool encodePng(const uint8_t* rows, int width, int height, const PngWriteOptions& options,
               std::vector<uint8_t>* png);
// The zlib stream of the filtered rows, as the IDAT chunks (or an animation's fdAT chunks)
// carry it; the same checks as encodePng.
bool pngImageStream(const uint8_t* rows, int width, int height, const PngWriteOptions& options,
                    std::vector<uint8_t>* stream);
// Appends one chunk: length, type (4 characters), data and the CRC of type and data.
void putPngChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size);
// An 8-bit RGBA PNG of tightly packed RGBA pixels, adaptive filters, one IDAT.
bool encodePngRgba(const uint8_t* rgba, int width, int height, std::vector<uint8_t>* png);
bool writePngRgbaFile(const char* path, const uint8_t* rgba, int width, int height,
                      std::string* error);
