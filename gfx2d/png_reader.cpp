// The game's PNG decoder: signature test, chunk walk, IHDR/PLTE/tRNS, one-shot inflate of the
// first IDAT into the tail of the output buffer, unfiltering in place, and expansion of each
// row to R G B A at the front of the same buffer.
#include "gfx2d/png_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gfx2d/texture.h"
#include "storage/byte_reader.h"

namespace {

constexpr size_t kSignatureBytes = 8;  // the chunks start here; only the first 4 are tested

int paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// Unfilters one row in place (PNG filter method 0); prev is the unfiltered previous row, or null
// for the first row (whose missing neighbours count as 0).
void unfilterRow(int filter, uint8_t* cur, const uint8_t* prev, size_t rowBytes, size_t bpp) {
    const size_t lead = std::min(bpp, rowBytes);  // bytes with no left neighbour
    switch (filter) {
    case 1:  // Sub
        for (size_t x = bpp; x < rowBytes; ++x) cur[x] = static_cast<uint8_t>(cur[x] + cur[x - bpp]);
        break;
    case 2:  // Up
        if (prev)
            for (size_t x = 0; x < rowBytes; ++x) cur[x] = static_cast<uint8_t>(cur[x] + prev[x]);
        break;
    case 3:  // Average
        if (prev) {
            for (size_t x = 0; x < lead; ++x) cur[x] = static_cast<uint8_t>(cur[x] + (prev[x] >> 1));
            for (size_t x = lead; x < rowBytes; ++x)
                cur[x] = static_cast<uint8_t>(cur[x] + ((cur[x - bpp] + prev[x]) >> 1));
        } else {
            for (size_t x = lead; x < rowBytes; ++x) cur[x] = static_cast<uint8_t>(cur[x] + (cur[x - bpp] >> 1));
        }
        break;
    case 4:  // Paeth; without a previous row the predictor is always the left byte
        if (prev) {
            for (size_t x = 0; x < lead; ++x) cur[x] = static_cast<uint8_t>(cur[x] + prev[x]);
            for (size_t x = lead; x < rowBytes; ++x)
                cur[x] = static_cast<uint8_t>(cur[x] + paethPredictor(cur[x - bpp], prev[x], prev[x - bpp]));
        } else {
            for (size_t x = lead; x < rowBytes; ++x) cur[x] = static_cast<uint8_t>(cur[x] + cur[x - bpp]);
        }
        break;
    default:  // None, and unknown types: the row stays as it is
        break;
    }
}

void putColour(uint8_t* out, uint32_t argb) {
    out[0] = static_cast<uint8_t>(argb >> 16);
    out[1] = static_cast<uint8_t>(argb >> 8);
    out[2] = static_cast<uint8_t>(argb);
    out[3] = static_cast<uint8_t>(argb >> 24);
}

// Expands one indexed row of 1, 2, 4 or 8-bit indices (most significant bits first).
bool expandIndexedRow(const uint8_t* src, uint8_t* out, int width, int depth,
                      const uint32_t* palette, int paletteSize) {
    const int perByte = 8 / depth;
    const int mask = (1 << depth) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - depth * (x % perByte + 1);
        const int index = (src[x / perByte] >> shift) & mask;
        if (index >= paletteSize) return false;
        putColour(out + 4 * x, palette[index]);
    }
    return true;
}

// The staged rows are read while the output rows are written over the same buffer: an
// expanding row (indexed, RGB) must end before its own staged row starts, a copied RGBA row
// must start no later. Both sides grow linearly with the row, so the first and last rows
// decide.
bool rowsStayBehindStaging(size_t stagingStart, size_t stagedRow, size_t stride, size_t outRow,
                           int height, bool copied) {
    for (size_t y : {size_t{0}, static_cast<size_t>(height - 1)}) {
        const size_t dst = y * stride;
        const size_t src = stagingStart + y * stagedRow + 1;
        if (copied ? dst > src : dst + outRow > src) return false;
    }
    return true;
}

}  // namespace

bool isPngSignature(const uint8_t* data, size_t size) {
    return data && size >= 4 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' &&
           data[3] == 'G';
}

PngReader* createPngReader() { return new PngReader(); }

void resetPngReader(PngReader* reader) {
    if (!reader) return;
    if (reader->ownsData) delete[] reader->data;
    const uint32_t context = reader->context;
    *reader = PngReader();
    reader->context = context;
}

void destroyPngReader(PngReader* reader) {
    resetPngReader(reader);
    delete reader;
}

void setPngData(PngReader* reader, uint8_t* data, size_t size, bool ownsData) {
    resetPngReader(reader);
    reader->data = data;
    reader->dataSize = data ? size : 0;
    reader->ownsData = ownsData ? 1 : 0;
}

bool readPngFile(PngReader* reader, const char* name) {
    size_t size = 0;
    uint8_t* data = readTextureResource(name, &size);
    if (!data) return false;
    setPngData(reader, data, size, true);
    return true;
}

bool findPngChunk(const PngReader* reader, const char* type, ByteReader* chunk) {
    ByteReader r(reader->data, reader->dataSize);
    if (!r.skip(kSignatureBytes)) return false;
    while (r.remaining() >= 8) {
        const uint32_t length = r.u32be();
        const uint8_t* chunkType = r.take(4);
        if (std::memcmp(chunkType, type, 4) == 0) {
            *chunk = r.sub(length);
            return chunk->ok();
        }
        if (std::memcmp(chunkType, "IEND", 4) == 0) return false;
        if (!r.skip(size_t{length} + 4)) return false;  // data and CRC
    }
    return false;
}

bool parsePngHeader(PngReader* reader) {
    if (!isPngSignature(reader->data, reader->dataSize)) return false;
    ByteReader ihdr;
    if (!findPngChunk(reader, "IHDR", &ihdr)) return false;
    const uint32_t width = ihdr.u32be();
    const uint32_t height = ihdr.u32be();
    const int depth = ihdr.u8();
    const int colourType = ihdr.u8();
    if (ihdr.failed()) return false;
    if (width < 1 || width > kPngMaxSide || height < 1 || height > kPngMaxSide) return false;

    int bitsPerPixel;
    if (colourType == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8))
        bitsPerPixel = depth;
    else if (colourType == 2 && depth == 8)
        bitsPerPixel = 24;
    else if (colourType == 6 && depth == 8)
        bitsPerPixel = 32;
    else
        return false;  // greyscale, 16-bit channels, or a depth the colour type cannot have

    reader->width = static_cast<int32_t>(width);
    reader->height = static_cast<int32_t>(height);
    reader->bitsPerPixel = bitsPerPixel;
    reader->rowBytes = static_cast<int32_t>((width * bitsPerPixel + 7) / 8);
    reader->paletteSize = 0;
    if (bitsPerPixel <= 8) {
        ByteReader plte;
        if (findPngChunk(reader, "PLTE", &plte)) {
            if (plte.size() / 3 > kPngPaletteEntries) return false;
            reader->paletteSize = static_cast<int32_t>(plte.size() / 3);
        }
    }
    return true;
}

size_t pngUnfilteredSize(const PngReader* reader) {
    return static_cast<size_t>(reader->height) * (static_cast<size_t>(reader->rowBytes) + 1);
}

bool decodePngToRGBA(PngReader* reader, uint8_t* out, size_t outSize, int32_t stride,
                     int32_t outBitsPerPixel, uint32_t* palette) {
    if (!out || reader->width < 1 || reader->height < 1) return false;
    const bool indexed = reader->bitsPerPixel <= 8;
    if (indexed) {
        ByteReader plte;
        if (findPngChunk(reader, "PLTE", &plte)) {
            for (int i = 0; i < reader->paletteSize; ++i) {
                const uint32_t r = plte.u8(), g = plte.u8(), b = plte.u8();
                palette[i] = 0xFF000000u | r << 16 | g << 8 | b;
            }
        }
        ByteReader trns;
        if (findPngChunk(reader, "tRNS", &trns)) {
            if (trns.size() > static_cast<size_t>(reader->paletteSize)) return false;
            for (size_t i = 0; i < trns.size(); ++i)
                palette[i] = (palette[i] & 0x00FFFFFFu) | static_cast<uint32_t>(trns.u8()) << 24;
        }
    }

    ByteReader idat;
    if (!findPngChunk(reader, "IDAT", &idat)) return false;
    const size_t unfiltered = pngUnfilteredSize(reader);
    if (outSize < unfiltered) return false;
    const size_t stagingStart = outSize - unfiltered;
    const size_t rowBytes = static_cast<size_t>(reader->rowBytes);
    const size_t outRow = static_cast<size_t>(reader->width) * 4;
    const bool writes = outBitsPerPixel == 32;
    if (writes) {
        if (stride < 0 || static_cast<size_t>(stride) < outRow) return false;
        const size_t lastRowEnd = static_cast<size_t>(reader->height - 1) * stride + outRow;
        if (lastRowEnd > outSize ||
            !rowsStayBehindStaging(stagingStart, rowBytes + 1, stride, outRow, reader->height,
                                   reader->bitsPerPixel == 32))
            return false;
    }

    uint8_t* staging = out + stagingStart;
    uLongf inflated = static_cast<uLongf>(unfiltered);
    if (uncompress(staging, &inflated, idat.cursor(), static_cast<uLong>(idat.size())) != Z_OK ||
        inflated != unfiltered)
        return false;

    const size_t filterBpp = indexed ? 1 : static_cast<size_t>(reader->bitsPerPixel / 8);
    const uint8_t* prev = nullptr;
    for (int y = 0; y < reader->height; ++y) {
        uint8_t* row = staging + y * (rowBytes + 1);
        const int filter = row[0];
        row[0] = 0;
        unfilterRow(filter, row + 1, prev, rowBytes, filterBpp);
        prev = row + 1;
    }
    if (!writes) return true;

    for (int y = 0; y < reader->height; ++y) {
        const uint8_t* src = staging + y * (rowBytes + 1) + 1;
        uint8_t* dst = out + static_cast<size_t>(y) * stride;
        if (indexed) {
            if (!expandIndexedRow(src, dst, reader->width, reader->bitsPerPixel, palette,
                                  reader->paletteSize))
                return false;
        } else if (reader->bitsPerPixel == 24) {
            for (int x = 0; x < reader->width; ++x) {
                dst[4 * x] = src[3 * x];
                dst[4 * x + 1] = src[3 * x + 1];
                dst[4 * x + 2] = src[3 * x + 2];
                dst[4 * x + 3] = 255;
            }
        } else {
            std::memmove(dst, src, outRow);
        }
    }
    return true;
}

uint8_t* decodePngImage(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
    PngReader reader{};
    reader.data = const_cast<uint8_t*>(data);  // not owned, only read
    reader.dataSize = data ? size : 0;
    if (!parsePngHeader(&reader)) return nullptr;
    const size_t rowOut = static_cast<size_t>(reader.width) * 4;
    size_t pixelsBytes = 0;
    if (!checkedMul(rowOut, static_cast<size_t>(reader.height) + 1, &pixelsBytes)) return nullptr;
    const size_t bufferBytes = std::max(pixelsBytes, pngUnfilteredSize(&reader));
    uint8_t* pixels = new uint8_t[bufferBytes];
    uint32_t palette[kPngPaletteEntries] = {};
    if (!decodePngToRGBA(&reader, pixels, bufferBytes, static_cast<int32_t>(rowOut), 32,
                         palette)) {
        delete[] pixels;
        return nullptr;
    }
    *width = reader.width;
    *height = reader.height;
    return pixels;
}
