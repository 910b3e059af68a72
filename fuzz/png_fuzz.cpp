// Fuzz target of the PNG reader: any bytes as a PNG, decoded both into a tight buffer and into
// the padded texture buffer the loader uses. Whatever decodes must stay inside its buffer.
#include <algorithm>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* copy = fuzzcheck::heapCopy(data, size);
    int32_t w = 0, h = 0;
    uint8_t* pixels = decodePngImage(copy, size, &w, &h);
    fuzzcheck::require(!pixels || (w >= 1 && h >= 1 && w <= kPngMaxSide && h <= kPngMaxSide));
    delete[] pixels;

    PngReader* reader = createPngReader();
    setPngData(reader, copy, size, true);
    if (parsePngHeader(reader)) {
        const size_t stride = static_cast<size_t>(nextPowerOfTwo(reader->width)) * 4;
        const size_t bytes =
            std::max(stride * (nextPowerOfTwo(reader->height) + 1), pngUnfilteredSize(reader));
        uint8_t* buffer = new uint8_t[bytes];
        uint32_t palette[kPngPaletteEntries] = {};
        decodePngToRGBA(reader, buffer, bytes, static_cast<int32_t>(stride), 32, palette);
        delete[] buffer;
    }
    destroyPngReader(reader);  // frees copy
    return 0;
}
