// Animated PNG writer for the harness's moving pictures: equal-sized RGBA frames in, one APNG
// out (acTL, then fcTL with IDAT for the first frame and fcTL with fdAT for the others), in
// truecolour or with one palette for all frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ApngWriteOptions {
    uint16_t delayNumerator = 1;     // every frame stays delayNumerator / delayDenominator s
    uint16_t delayDenominator = 20;  // 0 counts as 100, as APNG reads it
    uint32_t plays = 0;              // 0 = repeat for ever
    // 0: 8-bit RGB (RGBA with keepAlpha). 2..255: an indexed picture whose palette of at most
    // that many colours is made from all frames; entry 0 is then kept transparent, so that a
    // later frame leaves the pixels it does not change as they were.
    int paletteColours = 0;
    bool keepAlpha = false;
    int compressionLevel = 9;
};

class ApngWriter {
public:
    // Frames of width x height pixels (1..32767 each way).
    ApngWriter(int width, int height, const ApngWriteOptions& options);

    // Adds a picture of tightly packed RGBA pixels (kept until finish).
    void addFrame(const uint8_t* rgba);
    int frames() const { return static_cast<int>(frames_.size()); }

    // The whole file. After the first frame each frame covers only the rectangle that differs
    // from the frame before (a 1 x 1 corner when nothing does). False without a frame, with a
    // size out of range or options APNG cannot hold.
    bool finish(std::vector<uint8_t>* png);
    bool writeFile(const char* path, std::string* error);

private:
    int width_, height_;
    ApngWriteOptions options_;
    std::vector<std::vector<uint8_t>> frames_;
};
