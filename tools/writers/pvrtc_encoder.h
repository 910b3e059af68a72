// PVRTC 1 encoder for the asset tools: RGBA pictures to 2 or 4 bpp PVRTC data and to legacy
// .pvr files (optionally with the full mipmap chain the texture upload expects). Output is
// deterministic: the same picture and options always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PvrtcEncodeOptions {
    bool twoBit = false;          // 2 bpp (8 x 4 texel blocks) instead of 4 bpp (4 x 4)
    bool alpha = false;           // alpha format: translucent colours, 4 bpp punch-through
    bool mipmaps = false;         // .pvr files: every level down to 1 x 1, box-filtered
    bool weightColourByAlpha = false;  // colour errors count by (alpha / 255)^2: what blending shows
    int refinementPasses = 3;     // least-squares refits of the two colour images
    int polishRounds = 4;         // local searches over the quantised colour fields
};

// Encodes one level of width x height texels (powers of two, 1 to 4096; rows top first,
// R G B A) into PVRTC blocks in storage order: pvrtcLevelBytes(width, height, twoBit) bytes.
bool encodePvrtcLevel(const uint8_t* rgba, int width, int height, const PvrtcEncodeOptions& options,
                      std::vector<uint8_t>* blocks);

// A legacy .pvr file (52-byte header as the format owner's tool writes it, then the levels).
// False, with a one-line reason in *error, for sizes that are not powers of two from 1 to 4096.
bool encodePvrFile(const uint8_t* rgba, int width, int height, const PvrtcEncodeOptions& options,
                   std::vector<uint8_t>* file, std::string* error);

// The next mipmap level: each texel the average of the 2 x 2 (or 2 x 1) texels above it.
std::vector<uint8_t> halvePicture(const uint8_t* rgba, int width, int height);

// True when some texel has alpha below 255.
bool hasTranslucentTexels(const uint8_t* rgba, int width, int height);
