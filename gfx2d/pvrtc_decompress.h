// Software PVRTC 1 decompression (2 and 4 bits per pixel) for devices whose GL cannot sample
// PVRTC, and for textures with alpha, which the game always decodes itself. The result matches
// the format owner's reference decompression bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of one PVRTC level of width x height texels: 8-byte blocks of 8 x 4 (2 bpp) or 4 x 4
// (4 bpp) texels, never fewer than 2 blocks in either direction. 0 for sizes below 1.
size_t pvrtcLevelBytes(int width, int height, bool twoBit);

// Decodes one level of width x height texels (powers of two, 1 to 4096) from data, which must
// hold pvrtcLevelBytes(width, height, twoBit) bytes, into rgba: width x height texels, rows top
// first, R G B A bytes. False (nothing written) for sizes that are not powers of two in range.
bool decompressPVRTC(const uint8_t* data, bool twoBit, int width, int height, uint8_t* rgba);

// Index of block (x, y) in storage order, blocksX x blocksY blocks (powers of two): the low bits
// of both coordinates interleaved, y in the lower bit of each pair, over the smaller block count;
// the rest of the longer coordinate above them.
uint32_t pvrtcTwiddledIndex(uint32_t x, uint32_t y, uint32_t blocksX, uint32_t blocksY);

// Fills the texels of a 2 bpp interpolated-mode block (bx, by) that hold no stored modulation
// value from their four neighbours (weights 0..8, padW x padH, wrapping), as decoding does.
void fillInterpolatedModulation(uint8_t* weights, int padW, int padH, int bx, int by,
                                uint32_t modulation);
