// Software PVRTC 1 decompression. A texel's colour is a mix of two low-resolution images, A and
// B (one colour each per block), upscaled bilinearly with wrap-around, weighted by the texel's
// modulation value from its own block. Blocks are 8 bytes: 32 modulation bits, then the colour
// word, stored in twiddled (Morton) order.
#include "gfx2d/pvrtc_decompress.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int kMaxSide = 4096;

// Colours A and B of one block at working precision: red, green, blue 5 bits, alpha 4 bits.
struct BlockColours {
    int a[4];
    int b[4];
};

bool isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

int log2Of(uint32_t v) {
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

// Widens a stored field to working precision by repeating its top bits.
int widen4to5(int v) { return (v << 1) | (v >> 3); }
int widen3to5(int v) { return (v << 2) | (v >> 1); }

uint32_t readWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

BlockColours unpackColours(uint32_t c) {
    BlockColours k;
    if (c & 0x8000u) {  // colour A opaque: 5 5 4
        k.a[0] = (c >> 10) & 31;
        k.a[1] = (c >> 5) & 31;
        k.a[2] = widen4to5((c >> 1) & 15);
        k.a[3] = 15;
    } else {  // colour A translucent: 3 4 4 3
        k.a[0] = widen4to5((c >> 8) & 15);
        k.a[1] = widen4to5((c >> 4) & 15);
        k.a[2] = widen3to5((c >> 1) & 7);
        k.a[3] = static_cast<int>((c >> 12) & 7) << 1;
    }
    if (c & 0x80000000u) {  // colour B opaque: 5 5 5
        k.b[0] = (c >> 26) & 31;
        k.b[1] = (c >> 21) & 31;
        k.b[2] = (c >> 16) & 31;
        k.b[3] = 15;
    } else {  // colour B translucent: 3 4 4 4
        k.b[0] = widen4to5((c >> 24) & 15);
        k.b[1] = widen4to5((c >> 20) & 15);
        k.b[2] = widen4to5((c >> 16) & 15);
        k.b[3] = static_cast<int>((c >> 28) & 7) << 1;
    }
    return k;
}

constexpr uint8_t kStoredWeight[4] = {0, 3, 5, 8};
constexpr uint8_t kPunchModeWeight[4] = {0, 4, 4, 8};
constexpr uint8_t kPunchThrough = 0x80;  // flag beside the weight in the modulation image

// Fills the modulation image (one byte per texel of the padded area: weight 0..8, plus the
// punch-through flag) from the blocks' modulation words and mode bits.
void buildModulation(const uint32_t* modWords, const uint8_t* modes, bool twoBit, int padW,
                     int padH, uint8_t* mod) {
    const int bw = twoBit ? 8 : 4;
    const int blocksX = padW / bw, blocksY = padH / 4;
    for (int by = 0; by < blocksY; ++by) {
        for (int bx = 0; bx < blocksX; ++bx) {
            const uint32_t m = modWords[by * blocksX + bx];
            const bool mode = modes[by * blocksX + bx] != 0;
            for (int ly = 0; ly < 4; ++ly) {
                uint8_t* row = mod + (by * 4 + ly) * padW + bx * bw;
                for (int lx = 0; lx < bw; ++lx) {
                    uint8_t w;
                    if (!twoBit) {
                        const uint32_t code = (m >> (2 * (4 * ly + lx))) & 3u;
                        w = mode ? kPunchModeWeight[code] : kStoredWeight[code];
                        if (mode && code == 2) w |= kPunchThrough;
                    } else if (!mode) {
                        w = ((m >> (8 * ly + lx)) & 1u) ? 8 : 0;
                    } else if (((lx + ly) & 1) == 0) {
                        const int slot = (8 * ly + lx) >> 1;
                        uint32_t code = (m >> (2 * slot)) & 3u;
                        if (slot == 0) code = (m & 2u) ? 3 : 0;
                        if (slot == 10 && (m & 1u)) code = ((m >> 21) & 1u) ? 3 : 0;
                        w = kStoredWeight[code];
                    } else {
                        w = 0;  // reconstructed below, once every stored value is known
                    }
                    row[lx] = w;
                }
            }
        }
    }
    if (!twoBit) return;
    // Interpolated texels of 2 bpp blocks: their neighbours are stored or single-bit texels,
    // possibly in the next block over and wrapping around the padded area.
    for (int by = 0; by < blocksY; ++by) {
        for (int bx = 0; bx < blocksX; ++bx) {
            if (!modes[by * blocksX + bx]) continue;
            const uint32_t m = modWords[by * blocksX + bx];
            fillInterpolatedModulation(mod, padW, padH, bx, by, m);
        }
    }
}

}  // namespace

uint32_t pvrtcTwiddledIndex(uint32_t x, uint32_t y, uint32_t blocksX, uint32_t blocksY) {
    const uint32_t smaller = std::min(blocksX, blocksY);
    const int pairs = log2Of(smaller);
    uint32_t index = 0;
    for (int i = 0; i < pairs; ++i) {
        index |= ((y >> i) & 1u) << (2 * i);
        index |= ((x >> i) & 1u) << (2 * i + 1);
    }
    if (blocksX > blocksY) index |= (x >> pairs) << (2 * pairs);
    if (blocksY > blocksX) index |= (y >> pairs) << (2 * pairs);
    return index;
}

size_t pvrtcLevelBytes(int width, int height, bool twoBit) {
    if (width < 1 || height < 1) return 0;
    const int bw = twoBit ? 8 : 4;
    return 8 * static_cast<size_t>(std::max(2, width / bw)) *
           static_cast<size_t>(std::max(2, height / 4));
}

bool decompressPVRTC(const uint8_t* data, bool twoBit, int width, int height, uint8_t* rgba) {
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height) || width > kMaxSide || height > kMaxSide)
        return false;
    const int bw = twoBit ? 8 : 4;
    const int padW = std::max(width, 2 * bw), padH = std::max(height, 8);
    const int blocksX = padW / bw, blocksY = padH / 4;
    const size_t blockCount = static_cast<size_t>(blocksX) * blocksY;

    std::unique_ptr<BlockColours[]> colours(new BlockColours[blockCount]);
    std::unique_ptr<uint32_t[]> modWords(new uint32_t[blockCount]);
    std::unique_ptr<uint8_t[]> modes(new uint8_t[blockCount]);
    for (int by = 0; by < blocksY; ++by) {
        for (int bx = 0; bx < blocksX; ++bx) {
            const uint8_t* block = data + 8 * size_t{pvrtcTwiddledIndex(bx, by, blocksX, blocksY)};
            const uint32_t c = readWord(block + 4);
            const size_t i = static_cast<size_t>(by) * blocksX + bx;
            modWords[i] = readWord(block);
            modes[i] = c & 1u;
            colours[i] = unpackColours(c);
        }
    }
    std::unique_ptr<uint8_t[]> mod(new uint8_t[static_cast<size_t>(padW) * padH]);
    buildModulation(modWords.get(), modes.get(), twoBit, padW, padH, mod.get());

    // Sums of the bilinear weights are 16 (4 bpp) or 32 (2 bpp) times the working value; two
    // truncating shifts turn them into 8 bits exactly as the reference does. The sums are built
    // in two steps, down the block columns once per row and then across, which is exact too.
    const int rgbShift1 = twoBit ? 2 : 1, rgbShift2 = twoBit ? 7 : 6;
    const int alphaShift1 = twoBit ? 1 : 0, alphaShift2 = twoBit ? 5 : 4;
    std::unique_ptr<int[]> column(new int[static_cast<size_t>(blocksX) * 8]);  // A then B, 4 each
    // Per texel column: the two block columns around it and the weight of the right one.
    std::unique_ptr<int[]> across(new int[static_cast<size_t>(width) * 3]);
    for (int x = 0; x < width; ++x) {
        const int x0 = (x + bw / 2) / bw - 1;  // block column of the colour sample at or left of x
        across[3 * x] = ((x0 + blocksX) % blocksX) * 8;
        across[3 * x + 1] = ((x0 + 1) % blocksX) * 8;
        across[3 * x + 2] = x - bw / 2 - bw * x0;
    }
    for (int y = 0; y < height; ++y) {
        const int y0 = (y + 2) / 4 - 1;  // block row of the colour sample at or above y
        const int fy = y - 2 - 4 * y0;
        const int row0 = (y0 + blocksY) % blocksY, row1 = (y0 + 1) % blocksY;
        for (int bx = 0; bx < blocksX; ++bx) {
            const BlockColours& top = colours[row0 * blocksX + bx];
            const BlockColours& bottom = colours[row1 * blocksX + bx];
            int* v = &column[bx * 8];
            for (int c = 0; c < 4; ++c) {
                v[c] = top.a[c] * (4 - fy) + bottom.a[c] * fy;
                v[4 + c] = top.b[c] * (4 - fy) + bottom.b[c] * fy;
            }
        }
        const uint8_t* modRow = mod.get() + static_cast<size_t>(y) * padW;
        uint8_t* out = rgba + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const int* left = &column[across[3 * x]];
            const int* right = &column[across[3 * x + 1]];
            const int fx = across[3 * x + 2];
            const int m = modRow[x];
            const int weight = m & 0x0F;
            for (int c = 0; c < 4; ++c) {
                const int sumA = left[c] * (bw - fx) + right[c] * fx;
                const int sumB = left[4 + c] * (bw - fx) + right[4 + c] * fx;
                int a8, b8;
                if (c < 3) {
                    a8 = (sumA >> rgbShift1) + (sumA >> rgbShift2);
                    b8 = (sumB >> rgbShift1) + (sumB >> rgbShift2);
                } else {
                    a8 = (sumA >> alphaShift1) + (sumA >> alphaShift2);
                    b8 = (sumB >> alphaShift1) + (sumB >> alphaShift2);
                }
                out[c] = static_cast<uint8_t>((a8 * (8 - weight) + b8 * weight) >> 3);
            }
            if (m & kPunchThrough) out[3] = 0;
            out += 4;
        }
    }
    return true;
}

void fillInterpolatedModulation(uint8_t* weights, int padW, int padH, int bx, int by,
                                uint32_t modulation) {
    for (int ly = 0; ly < 4; ++ly) {
        const int y = by * 4 + ly;
        const int up = (y + padH - 1) % padH, down = (y + 1) % padH;
        for (int lx = (ly & 1) ? 0 : 1; lx < 8; lx += 2) {
            const int x = bx * 8 + lx;
            const int left = (x + padW - 1) % padW, right = (x + 1) % padW;
            const int l = weights[y * padW + left], r = weights[y * padW + right];
            const int u = weights[up * padW + x], d = weights[down * padW + x];
            int w;
            if (!(modulation & 1u)) w = (l + r + u + d + 2) >> 2;
            else if (!((modulation >> 20) & 1u)) w = (l + r + 1) >> 1;
            else w = (u + d + 1) >> 1;
            weights[y * padW + x] = static_cast<uint8_t>(w);
        }
    }
}
