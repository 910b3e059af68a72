// The PVRTC test vectors of tests/data/pvrtc and pictures decoded by the game's PNG reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"

namespace gfxtest {

using Bytes = std::vector<uint8_t>;

// 14 vectors NAME.pvr, each with the tool's decoding of every level (NAME.dec.png, then
// NAME.dec.L<k>.png) and, for all but the two of random bits, its source NAME.src.png.
constexpr int kVectorCount = 14;
inline std::string vectorPath(const std::string& file) {
    return std::string(ZV_TESTDATA) + "/pvrtc/" + file;
}
inline Bytes readBytes(const std::string& path) {
    const std::string s = zvtest::readFile(path);
    return Bytes(s.begin(), s.end());
}
inline Bytes vectorBytes(const std::string& file) {
    const Bytes bytes = readBytes(vectorPath(file));
    EXPECT_FALSE(bytes.empty()) << file << " is missing from tests/data/pvrtc";
    return bytes;
}

struct Picture {
    int width = 0, height = 0;
    Bytes rgba;  // rows top first, R G B A
};
// A PNG decoded by the game's reader; an empty picture when it fails.
inline Picture decodePng(const Bytes& png) {
    int32_t w = 0, h = 0;
    uint8_t* pixels = decodePngImage(png.data(), png.size(), &w, &h);
    Picture p;
    if (pixels) p = {w, h, Bytes(pixels, pixels + static_cast<size_t>(w) * h * 4)};
    delete[] pixels;
    return p;
}
inline Picture vectorPicture(const std::string& file) { return decodePng(vectorBytes(file)); }

}  // namespace gfxtest
