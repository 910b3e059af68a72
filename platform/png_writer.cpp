// A small PNG writer (8-bit RGBA, one IDAT compressed with zlib) for screenshots and captures.
#include <zlib.h>

#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    put32(out, static_cast<uint32_t>(size));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(size + 4));
    put32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool writePng(const char* path, const uint8_t* rgba, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> raw((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw[y * (rowBytes + 1)] = 0;  // filter: none
        std::copy(rgba + y * rowBytes, rgba + (y + 1) * rowBytes, raw.begin() + y * (rowBytes + 1) + 1);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        return false;

    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> out(kSignature, kSignature + 8);
    uint8_t header[13];
    const uint32_t w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(w >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(h >> (24 - 8 * i));
    }
    header[8] = 8;   // bit depth
    header[9] = 6;   // colour type: RGBA
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering
    header[12] = 0;  // no interlace
    chunk(out, "IHDR", header, sizeof header);
    chunk(out, "IDAT", packed.data(), packedSize);
    chunk(out, "IEND", nullptr, 0);

    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool saveScreenshot(const char* path) {
    static uint8_t rgba[kLandscapeWidth * kLandscapeHeight * 4];
    return readLandscape(rgba) && writePng(path, rgba, kLandscapeWidth, kLandscapeHeight);
}

}  // namespace platform
