// Fuzz target of the compressed texture files: any bytes as a .pvr (every level its header
// claims decoded in software) and as an .atc (its level chain measured against the data).
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "gfx2d/atc_file.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/texture.h"

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* copy = fuzzcheck::heapCopy(data, size);
    PvrHeader pvr;
    if (parsePvrHeader(copy, size, &pvr)) {
        const int levels = mipmapLevelCount(pvr.width, pvr.height);
        for (int k = 0; k < levels && k <= static_cast<int>(pvr.mipmapCount); ++k) {
            int32_t w = 0, h = 0;
            uint8_t* rgba = decodePvrLevel(pvr, k, &w, &h);
            require(!rgba || (w == mipmapLevelSide(pvr.width, k) &&
                              h == mipmapLevelSide(pvr.height, k)));
            delete[] rgba;
        }
    }
    AtcHeader atc;
    if (parseAtcHeader(copy, size, &atc)) {
        require(atc.data + atc.dataBytes == copy + size);
        const int32_t pw = nextPowerOfTwo(atc.width), ph = nextPowerOfTwo(atc.height);
        compressedChainBytes(atcCompressedFormat(atc), pw, ph, mipmapLevelCount(pw, ph));
    }
    delete[] copy;
    return 0;
}
