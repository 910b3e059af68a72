// libpng as the reference PNG codec of the texture tests, loaded at run time so that the game's
// libraries never link it: it writes PNGs in every layout the game's reader takes, and decodes
// PNGs to RGBA to compare with the game's reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace libpng {

// True when the shared libpng could be loaded; the first call loads it.
bool available();

struct WriteRequest {
    int width = 0, height = 0;
    int colourType = 6;  // PNG colour type: 0 grey, 2 RGB, 3 indexed, 6 RGBA
    int bitDepth = 8;
    int filter = -1;     // 0..4: that filter for every row; -1: libpng's own choice
    std::vector<uint8_t> palette;       // R G B triplets
    std::vector<uint8_t> transparency;  // tRNS alphas of the first palette entries
    std::vector<uint8_t> rows;          // unfiltered rows, packed as PNG stores them
};

// The PNG libpng writes for request, with all image data in one IDAT chunk. False on error.
bool write(const WriteRequest& request, std::vector<uint8_t>* png);

// libpng's decoding of a PNG to 8-bit RGBA (palette and tRNS expanded, RGB given alpha 255).
bool decodeRgba(const std::vector<uint8_t>& png, int* width, int* height,
                std::vector<uint8_t>* rgba);

}  // namespace libpng
