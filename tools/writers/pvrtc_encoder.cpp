// PVRTC 1 encoder. A decoded texel mixes two smooth images, A and B (one colour per block,
// upscaled bilinearly with wrap-around), by a per-texel weight. The encoder guesses A and B
// from the principal axis of each block's neighbourhood, then alternates: choose the weights
// given the exact decoded A and B; refit A and B by least squares given the weights; and
// finally nudges each quantised colour field up or down while the exact decoded error drops.
#include "tools/writers/pvrtc_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/pvr_file.h"

namespace {

constexpr int kAlpha = 3;
constexpr int kMaxSide = 4096;

// ---- Colour fields ----------------------------------------------------------------------------

// One stored colour of a block: the field codes as stored, and whether it is the opaque layout.
struct Colour {
    bool opaque;
    int code[4];  // red, green, blue, alpha (alpha unused when opaque)
};

// Bits of a stored field (0: the opaque colour's alpha, which is not stored).
int fieldBits(bool isB, bool opaque, int ch) {
    if (ch == kAlpha) return opaque ? 0 : 3;
    if (opaque) return (ch == 2 && !isB) ? 4 : 5;
    return (ch == 2 && !isB) ? 3 : 4;
}

// Working precision of a stored field: 5 bits for colour, 4 for alpha.
int workingValue(int bits, int code, bool alphaChannel) {
    if (alphaChannel) return bits == 0 ? 15 : code << 1;
    switch (bits) {
    case 5: return code;
    case 4: return (code << 1) | (code >> 3);
    default: return (code << 2) | (code >> 1);
    }
}

int working(bool isB, const Colour& c, int ch) {
    return workingValue(fieldBits(isB, c.opaque, ch), c.code[ch], ch == kAlpha);
}

// The 8-bit value a flat area of one working value decodes to.
int flatEightBit(int w, bool alphaChannel) { return alphaChannel ? w * 17 : (w << 3) | (w >> 2); }

Colour quantise(const float v[4], bool isB, bool allowTranslucent) {
    Colour c{};
    c.opaque = !allowTranslucent || v[kAlpha] >= 246.5f;  // nearer 255 than 238
    for (int ch = 0; ch < 4; ++ch) {
        const int bits = fieldBits(isB, c.opaque, ch);
        float best = 1e30f;
        for (int code = 0; code < (1 << bits); ++code) {
            const float d = std::fabs(
                static_cast<float>(flatEightBit(workingValue(bits, code, ch == kAlpha), ch == kAlpha)) - v[ch]);
            if (d < best) {
                best = d;
                c.code[ch] = code;
            }
        }
    }
    return c;
}

uint32_t packColours(const Colour& a, const Colour& b, bool mode) {
    uint32_t word = mode ? 1u : 0u;
    if (a.opaque)
        word |= 0x8000u | a.code[0] << 10 | a.code[1] << 5 | a.code[2] << 1;
    else
        word |= static_cast<uint32_t>(a.code[3]) << 12 | a.code[0] << 8 | a.code[1] << 4 | a.code[2] << 1;
    if (b.opaque)
        word |= 0x80000000u | static_cast<uint32_t>(b.code[0]) << 26 | b.code[1] << 21 | b.code[2] << 16;
    else
        word |= static_cast<uint32_t>(b.code[3]) << 28 | static_cast<uint32_t>(b.code[0]) << 24 |
                b.code[1] << 20 | b.code[2] << 16;
    return word;
}

bool isPowerOfTwoSide(int v) { return v >= 1 && v <= kMaxSide && (v & (v - 1)) == 0; }

// ---- One level --------------------------------------------------------------------------------

constexpr uint8_t kStoredWeight[4] = {0, 3, 5, 8};
constexpr int kPunchEntry = 9;     // index of the punch-through error beside weights 0..8
constexpr int kErrorEntries = 10;

// 2 bpp interpolated variants: how the texels without a stored value are rebuilt.
enum Variant { kFourNeighbours = 0, kHorizontal = 1, kVertical = 2 };

class LevelEncoder {
public:
    LevelEncoder(const uint8_t* rgba, int width, int height, const PvrtcEncodeOptions& options);
    void encode(std::vector<uint8_t>* out);

private:
    struct Block {
        float a[4], b[4];  // unquantised colours A and B, 8-bit scale
        Colour qa, qb;     // quantised
        int wa[4], wb[4];  // working values of qa, qb
        bool mode;
        uint32_t modulation;
    };
    // The four blocks whose colours reach a texel, and their integer weights (P, Q, R, S).
    struct Cell {
        int block[4];
        int weight[4];
    };

    Cell cellOf(int x, int y) const;
    int toEightBit(int sum, int ch) const;
    float channelWeight(int texel, int ch) const { return ch == kAlpha ? 1.0f : omega_[texel]; }
    template <typename Visit> void forFootprint(int blockIndex, Visit visit) const;

    void initialColours();
    void quantiseAll();
    void computeSums();
    void computeErrors();
    void chooseModulation();
    void chooseModulation4();
    void chooseModulation2();
    float evaluateVariant(int bx, int by, Variant v, int codes[16], uint8_t local[4][8]) const;
    void rebuildInterpolatedWeights();
    void refit(int sweeps);
    void polish();
    float fieldTrial(int blockIndex, bool isB, int ch, int delta) const;
    void applyField(int blockIndex, bool isB, int ch, int delta);

    int bw_, padW_, padH_, blocksX_, blocksY_;
    bool twoBit_, alpha_;
    int channels_;                 // 3 (opaque formats) or 4
    PvrtcEncodeOptions options_;
    std::vector<float> target_;    // padded area x 4
    std::vector<float> omega_;     // colour error weight per texel
    std::vector<Block> blocks_;
    std::vector<uint8_t> weight_;  // modulation weight 0..8 per texel
    std::vector<uint8_t> punch_;   // 1: punch-through texel
    std::vector<int32_t> sumA_, sumB_;  // bilinear sums of the working values, per texel x 4
    std::vector<float> errors_;    // per texel: squared error at weights 0..8, then punch-through
};

LevelEncoder::LevelEncoder(const uint8_t* rgba, int width, int height,
                           const PvrtcEncodeOptions& options)
    : bw_(options.twoBit ? 8 : 4),
      padW_(std::max(width, 2 * bw_)),
      padH_(std::max(height, 8)),
      blocksX_(padW_ / bw_),
      blocksY_(padH_ / 4),
      twoBit_(options.twoBit),
      alpha_(options.alpha),
      channels_(options.alpha ? 4 : 3),
      options_(options) {
    const size_t texels = static_cast<size_t>(padW_) * padH_;
    target_.resize(texels * 4);
    omega_.assign(texels, 1.0f);
    // Levels below the two-block minimum repeat the picture: the wrap-around feeds the copies
    // into the visible texels.
    for (int y = 0; y < padH_; ++y)
        for (int x = 0; x < padW_; ++x) {
            const uint8_t* src = rgba + (static_cast<size_t>(y % height) * width + x % width) * 4;
            float* t = &target_[(static_cast<size_t>(y) * padW_ + x) * 4];
            for (int c = 0; c < 4; ++c) t[c] = src[c];
            if (!alpha_) t[kAlpha] = 255;
            if (alpha_ && options.weightColourByAlpha) {
                const float a = src[kAlpha] / 255.0f;
                omega_[static_cast<size_t>(y) * padW_ + x] = std::max(a * a, 1.0f / 256);
            }
        }
    blocks_.resize(static_cast<size_t>(blocksX_) * blocksY_);
    weight_.assign(texels, 0);
    punch_.assign(texels, 0);
    sumA_.assign(texels * 4, 0);
    sumB_.assign(texels * 4, 0);
    errors_.assign(texels * kErrorEntries, 0);
}

LevelEncoder::Cell LevelEncoder::cellOf(int x, int y) const {
    const int x0 = (x + bw_ / 2) / bw_ - 1, fx = x - bw_ / 2 - bw_ * x0;
    const int y0 = (y + 2) / 4 - 1, fy = y - 2 - 4 * y0;
    const int c0 = (x0 + blocksX_) % blocksX_, c1 = (x0 + 1) % blocksX_;
    const int r0 = (y0 + blocksY_) % blocksY_, r1 = (y0 + 1) % blocksY_;
    return Cell{{r0 * blocksX_ + c0, r0 * blocksX_ + c1, r1 * blocksX_ + c0, r1 * blocksX_ + c1},
                {(bw_ - fx) * (4 - fy), fx * (4 - fy), (bw_ - fx) * fy, fx * fy}};
}

int LevelEncoder::toEightBit(int sum, int ch) const {
    if (ch == kAlpha) return twoBit_ ? (sum >> 1) + (sum >> 5) : sum + (sum >> 4);
    return twoBit_ ? (sum >> 2) + (sum >> 7) : (sum >> 1) + (sum >> 6);
}

// Calls visit(texel index, integer weight of the block there) for every texel the block's
// colours reach: (2 bw - 1) x 7 texels around its colour position, wrapping around.
template <typename Visit>
void LevelEncoder::forFootprint(int blockIndex, Visit visit) const {
    const int cx = (blockIndex % blocksX_) * bw_ + bw_ / 2;
    const int cy = (blockIndex / blocksX_) * 4 + 2;
    for (int dy = -3; dy <= 3; ++dy) {
        const int y = (cy + dy + padH_) % padH_;
        const int wy = 4 - std::abs(dy);
        for (int dx = -bw_ + 1; dx < bw_; ++dx) {
            const int x = (cx + dx + padW_) % padW_;
            visit(y * padW_ + x, (bw_ - std::abs(dx)) * wy);
        }
    }
}

void LevelEncoder::initialColours() {
    for (int by = 0; by < blocksY_; ++by) {
        for (int bx = 0; bx < blocksX_; ++bx) {
            const int index = by * blocksX_ + bx;
            Block& block = blocks_[index];
            double mean[4] = {}, total = 0;
            forFootprint(index, [&](int texel, int w) {
                for (int c = 0; c < 4; ++c) mean[c] += w * target_[texel * 4 + c];
                total += w;
            });
            for (double& m : mean) m /= total;
            double cov[4][4] = {};
            forFootprint(index, [&](int texel, int w) {
                double d[4];
                for (int c = 0; c < 4; ++c) d[c] = target_[texel * 4 + c] - mean[c];
                for (int i = 0; i < channels_; ++i)
                    for (int k = 0; k < channels_; ++k) cov[i][k] += w * d[i] * d[k];
            });
            // Principal axis by power iteration, oriented so that B is the brighter end.
            double axis[4] = {1, 1, 1, alpha_ ? 1.0 : 0.0};
            for (int iteration = 0; iteration < 6; ++iteration) {
                double next[4] = {};
                for (int i = 0; i < channels_; ++i)
                    for (int k = 0; k < channels_; ++k) next[i] += cov[i][k] * axis[k];
                double length = 0;
                for (int i = 0; i < channels_; ++i) length += next[i] * next[i];
                length = std::sqrt(length);
                if (length < 1e-9) break;
                for (int i = 0; i < channels_; ++i) axis[i] = next[i] / length;
            }
            const double brightness = 0.3 * axis[0] + 0.59 * axis[1] + 0.11 * axis[2] + 0.5 * axis[3];
            if (brightness < 0)
                for (double& a : axis) a = -a;
            double low = 0, high = 0;
            forFootprint(index, [&](int texel, int) {
                double p = 0;
                for (int c = 0; c < channels_; ++c) p += (target_[texel * 4 + c] - mean[c]) * axis[c];
                low = std::min(low, p);
                high = std::max(high, p);
            });
            for (int c = 0; c < 4; ++c) {
                block.a[c] = static_cast<float>(std::clamp(mean[c] + low * axis[c], 0.0, 255.0));
                block.b[c] = static_cast<float>(std::clamp(mean[c] + high * axis[c], 0.0, 255.0));
            }
            if (!alpha_) block.a[kAlpha] = block.b[kAlpha] = 255;
        }
    }
}

void LevelEncoder::quantiseAll() {
    for (Block& block : blocks_) {
        block.qa = quantise(block.a, false, alpha_);
        block.qb = quantise(block.b, true, alpha_);
        for (int c = 0; c < 4; ++c) {
            block.wa[c] = working(false, block.qa, c);
            block.wb[c] = working(true, block.qb, c);
        }
    }
}

void LevelEncoder::computeSums() {
    for (int y = 0; y < padH_; ++y)
        for (int x = 0; x < padW_; ++x) {
            const Cell cell = cellOf(x, y);
            const size_t t = (static_cast<size_t>(y) * padW_ + x) * 4;
            for (int c = 0; c < 4; ++c) {
                int sa = 0, sb = 0;
                for (int k = 0; k < 4; ++k) {
                    sa += cell.weight[k] * blocks_[cell.block[k]].wa[c];
                    sb += cell.weight[k] * blocks_[cell.block[k]].wb[c];
                }
                sumA_[t + c] = sa;
                sumB_[t + c] = sb;
            }
        }
}

void LevelEncoder::computeErrors() {
    const size_t texels = static_cast<size_t>(padW_) * padH_;
    for (size_t t = 0; t < texels; ++t) {
        float* e = &errors_[t * kErrorEntries];
        std::fill(e, e + kErrorEntries, 0.0f);
        for (int c = 0; c < channels_; ++c) {
            const int a8 = toEightBit(sumA_[t * 4 + c], c), b8 = toEightBit(sumB_[t * 4 + c], c);
            const float target = target_[t * 4 + c], omega = channelWeight(static_cast<int>(t), c);
            for (int w = 0; w <= 8; ++w) {
                const float d = static_cast<float>((a8 * (8 - w) + b8 * w) >> 3) - target;
                e[w] += omega * d * d;
            }
            const float dp = (c == kAlpha ? 0.0f : static_cast<float>((a8 * 4 + b8 * 4) >> 3)) - target;
            e[kPunchEntry] += omega * dp * dp;
        }
    }
}

void LevelEncoder::chooseModulation() {
    computeSums();
    computeErrors();
    if (twoBit_) chooseModulation2();
    else chooseModulation4();
}

void LevelEncoder::chooseModulation4() {
    static const int kMode0Weights[4] = {0, 3, 5, 8};
    static const int kMode1Entries[4] = {0, 4, kPunchEntry, 8};  // by code
    for (int by = 0; by < blocksY_; ++by)
        for (int bx = 0; bx < blocksX_; ++bx) {
            Block& block = blocks_[by * blocksX_ + bx];
            float cost[2] = {0, 0};
            uint32_t words[2] = {0, 0};
            for (int ly = 0; ly < 4; ++ly)
                for (int lx = 0; lx < 4; ++lx) {
                    const float* e = &errors_[((by * 4 + ly) * padW_ + bx * 4 + lx) * kErrorEntries];
                    const int shift = 2 * (4 * ly + lx);
                    int best0 = 0, best1 = 0;
                    for (int code = 1; code < 4; ++code) {
                        if (e[kMode0Weights[code]] < e[kMode0Weights[best0]]) best0 = code;
                        if (code == 2 && !alpha_) continue;
                        if (e[kMode1Entries[code]] < e[kMode1Entries[best1]]) best1 = code;
                    }
                    cost[0] += e[kMode0Weights[best0]];
                    cost[1] += e[kMode1Entries[best1]];
                    words[0] |= static_cast<uint32_t>(best0) << shift;
                    words[1] |= static_cast<uint32_t>(best1) << shift;
                }
            block.mode = cost[1] < cost[0];
            block.modulation = words[block.mode ? 1 : 0];
            for (int ly = 0; ly < 4; ++ly)
                for (int lx = 0; lx < 4; ++lx) {
                    const size_t t = static_cast<size_t>(by * 4 + ly) * padW_ + bx * 4 + lx;
                    const int code = (block.modulation >> (2 * (4 * ly + lx))) & 3;
                    punch_[t] = block.mode && code == 2;
                    weight_[t] = static_cast<uint8_t>(block.mode ? (code == 3 ? 8 : code == 0 ? 0 : 4)
                                                                 : kMode0Weights[code]);
                }
        }
}

// Cost of one 2 bpp interpolated variant of block (bx, by), choosing its stored codes: first
// each on its own, then revisited counting the rebuilt texels of the block that use it.
float LevelEncoder::evaluateVariant(int bx, int by, Variant v, int codes[16],
                                    uint8_t local[4][8]) const {
    // The block's weights with a border of one texel from the neighbouring blocks as they stand:
    // grid[ly + 1][lx + 1].
    uint8_t grid[6][10];
    for (int gy = 0; gy < 6; ++gy) {
        const int y = (by * 4 + gy - 1 + padH_) % padH_;
        for (int gx = 0; gx < 10; ++gx) {
            const int x = (bx * 8 + gx - 1 + padW_) % padW_;
            grid[gy][gx] = weight_[static_cast<size_t>(y) * padW_ + x];
        }
    }
    const float* blockErrors = &errors_[(static_cast<size_t>(by * 4) * padW_ + bx * 8) * kErrorEntries];
    auto errorAt = [&](int lx, int ly, int w) {
        return blockErrors[(static_cast<size_t>(ly) * padW_ + lx) * kErrorEntries + w];
    };
    auto rebuilt = [&](int lx, int ly) -> uint8_t {
        const int gx = lx + 1, gy = ly + 1;
        const int l = grid[gy][gx - 1], r = grid[gy][gx + 1], u = grid[gy - 1][gx], d = grid[gy + 1][gx];
        if (v == kFourNeighbours) return static_cast<uint8_t>((l + r + u + d + 2) >> 2);
        if (v == kHorizontal) return static_cast<uint8_t>((l + r + 1) >> 1);
        return static_cast<uint8_t>((u + d + 1) >> 1);
    };
    auto restricted = [&](int slot) { return slot == 0 || (slot == 10 && v != kFourNeighbours); };

    for (int slot = 0; slot < 16; ++slot) {
        const int ly = slot / 4, lx = 2 * (slot % 4) + (ly & 1);
        int best = 0;
        for (int code = 1; code < 4; ++code) {
            if (restricted(slot) && code != 3) continue;
            if (errorAt(lx, ly, kStoredWeight[code]) < errorAt(lx, ly, kStoredWeight[best])) best = code;
        }
        codes[slot] = best;
        grid[ly + 1][lx + 1] = kStoredWeight[best];
    }
    for (int ly = 0; ly < 4; ++ly)
        for (int lx = 1 - (ly & 1); lx < 8; lx += 2) grid[ly + 1][lx + 1] = rebuilt(lx, ly);

    static const int kAround[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (int round = 0; round < 2; ++round) {
        for (int slot = 0; slot < 16; ++slot) {
            const int ly = slot / 4, lx = 2 * (slot % 4) + (ly & 1);
            // The rebuilt texels of this block next to the stored one.
            int around[4][2], count = 0;
            for (const auto& a : kAround) {
                const int nx = lx + a[0], ny = ly + a[1];
                if (nx < 0 || nx >= 8 || ny < 0 || ny >= 4) continue;
                around[count][0] = nx;
                around[count][1] = ny;
                ++count;
            }
            auto costWith = [&](int code) {
                grid[ly + 1][lx + 1] = kStoredWeight[code];
                float cost = errorAt(lx, ly, kStoredWeight[code]);
                for (int i = 0; i < count; ++i) {
                    const uint8_t w = rebuilt(around[i][0], around[i][1]);
                    grid[around[i][1] + 1][around[i][0] + 1] = w;
                    cost += errorAt(around[i][0], around[i][1], w);
                }
                return cost;
            };
            int best = codes[slot];
            float bestCost = costWith(best);
            for (int code = 0; code < 4; ++code) {
                if (code == codes[slot] || (restricted(slot) && code != 0 && code != 3)) continue;
                const float cost = costWith(code);
                if (cost < bestCost) {
                    bestCost = cost;
                    best = code;
                }
            }
            codes[slot] = best;
            costWith(best);
        }
    }
    float total = 0;
    for (int ly = 0; ly < 4; ++ly)
        for (int lx = 0; lx < 8; ++lx) {
            local[ly][lx] = grid[ly + 1][lx + 1];
            total += errorAt(lx, ly, local[ly][lx]);
        }
    return total;
}

void LevelEncoder::chooseModulation2() {
    // Start from whatever the blocks hold (single bits on the first call), then sweep twice so
    // that neighbouring blocks see each other's choices.
    for (int sweep = 0; sweep < 2; ++sweep) {
        for (int by = 0; by < blocksY_; ++by)
            for (int bx = 0; bx < blocksX_; ++bx) {
                Block& block = blocks_[by * blocksX_ + bx];
                // Mode 0: one bit per texel.
                uint8_t bits[4][8];
                uint32_t bitWord = 0;
                float bitCost = 0;
                for (int ly = 0; ly < 4; ++ly)
                    for (int lx = 0; lx < 8; ++lx) {
                        const float* e =
                            &errors_[(static_cast<size_t>(by * 4 + ly) * padW_ + bx * 8 + lx) * kErrorEntries];
                        const bool one = e[8] < e[0];
                        bits[ly][lx] = one ? 8 : 0;
                        bitCost += one ? e[8] : e[0];
                        if (one) bitWord |= 1u << (8 * ly + lx);
                    }
                float bestCost = bitCost;
                int bestVariant = -1;
                int bestCodes[16];
                uint8_t bestLocal[4][8];
                std::memcpy(bestLocal, bits, sizeof bits);
                for (int v = kFourNeighbours; v <= kVertical; ++v) {
                    int codes[16];
                    uint8_t local[4][8];
                    const float cost = evaluateVariant(bx, by, static_cast<Variant>(v), codes, local);
                    if (cost < bestCost) {
                        bestCost = cost;
                        bestVariant = v;
                        std::memcpy(bestCodes, codes, sizeof codes);
                        std::memcpy(bestLocal, local, sizeof local);
                    }
                }
                block.mode = bestVariant >= 0;
                if (!block.mode) {
                    block.modulation = bitWord;
                } else {
                    uint32_t m = 0;
                    for (int slot = 0; slot < 16; ++slot) m |= static_cast<uint32_t>(bestCodes[slot]) << (2 * slot);
                    // Bit 0 and, for the two-neighbour variants, bit 20 are flags (the slots
                    // they sit in were limited to codes 0 and 3, whose high bit stays).
                    if (bestVariant == kFourNeighbours) {
                        m &= ~1u;
                    } else {
                        m &= ~(1u | (1u << 20));
                        m |= 1u | (bestVariant == kVertical ? 1u << 20 : 0);
                    }
                    block.modulation = m;
                }
                for (int ly = 0; ly < 4; ++ly)
                    std::memcpy(&weight_[static_cast<size_t>(by * 4 + ly) * padW_ + bx * 8], bestLocal[ly], 8);
            }
    }
    rebuildInterpolatedWeights();
}

// Texels without a stored value, rebuilt from the final neighbours exactly as a decoder does.
void LevelEncoder::rebuildInterpolatedWeights() {
    for (int by = 0; by < blocksY_; ++by)
        for (int bx = 0; bx < blocksX_; ++bx) {
            const Block& block = blocks_[by * blocksX_ + bx];
            if (!block.mode) continue;
            const uint32_t m = block.modulation;
            fillInterpolatedModulation(weight_.data(), padW_, padH_, bx, by, m);
        }
}

// Least squares, one block at a time with its neighbours held: every texel of the footprint
// is linear in the block's A and B given the weights.
void LevelEncoder::refit(int sweeps) {
    const float cellTotal = 4.0f * bw_;
    for (int sweep = 0; sweep < sweeps; ++sweep) {
        for (int j = 0; j < static_cast<int>(blocks_.size()); ++j) {
            Block& block = blocks_[j];
            // Normal equations per channel: [saa sab; sab sbb] (A, B) = (ra, rb).
            double saa[2] = {}, sab[2] = {}, sbb[2] = {};  // [0] colour, [1] alpha
            double ra[4] = {}, rb[4] = {};
            forFootprint(j, [&](int texel, int) {
                const Cell cell = cellOf(texel % padW_, texel / padW_);
                const bool punched = punch_[texel] != 0;
                const float m = punched ? 0.5f : weight_[texel] / 8.0f;
                float phi = 0, other[4] = {};
                for (int k = 0; k < 4; ++k) {
                    const float f = cell.weight[k] / cellTotal;
                    if (cell.block[k] == j) {
                        phi += f;
                        continue;
                    }
                    const Block& o = blocks_[cell.block[k]];
                    for (int c = 0; c < 4; ++c) other[c] += f * ((1 - m) * o.a[c] + m * o.b[c]);
                }
                const float ca = phi * (1 - m), cb = phi * m;
                for (int group = 0; group < 2; ++group) {
                    if (group == 1 && (!alpha_ || punched)) continue;
                    const float omega = group == 0 ? omega_[texel] : 1.0f;
                    saa[group] += omega * ca * ca;
                    sab[group] += omega * ca * cb;
                    sbb[group] += omega * cb * cb;
                }
                for (int c = 0; c < channels_; ++c) {
                    if (c == kAlpha && punched) continue;
                    const float omega = channelWeight(texel, c);
                    const float r = target_[texel * 4 + c] - other[c];
                    ra[c] += omega * ca * r;
                    rb[c] += omega * cb * r;
                }
            });
            for (int c = 0; c < channels_; ++c) {
                const int g = c == kAlpha ? 1 : 0;
                // A light pull towards the current colours keeps one-sided blocks (every weight
                // 0 or every weight 8) well posed.
                const double lambda = 1e-3 * (saa[g] + sbb[g]) + 1e-6;
                const double m00 = saa[g] + lambda, m01 = sab[g], m11 = sbb[g] + lambda;
                const double r0 = ra[c] + lambda * block.a[c], r1 = rb[c] + lambda * block.b[c];
                const double det = m00 * m11 - m01 * m01;
                if (std::fabs(det) < 1e-12) continue;
                block.a[c] = static_cast<float>(std::clamp((r0 * m11 - r1 * m01) / det, 0.0, 255.0));
                block.b[c] = static_cast<float>(std::clamp((r1 * m00 - r0 * m01) / det, 0.0, 255.0));
            }
        }
    }
}

// Change of the footprint's exact error when one working value of a block moves by delta.
float LevelEncoder::fieldTrial(int j, bool isB, int ch, int delta) const {
    float change = 0;
    const std::vector<int32_t>& own = isB ? sumB_ : sumA_;
    const std::vector<int32_t>& other = isB ? sumA_ : sumB_;
    forFootprint(j, [&](int texel, int w) {
        if (ch == kAlpha && punch_[texel]) return;  // alpha is 0 whatever the colours
        const size_t i = static_cast<size_t>(texel) * 4 + ch;
        const int mine = toEightBit(own[i], ch), mineNew = toEightBit(own[i] + delta * w, ch);
        const int theirs = toEightBit(other[i], ch);
        const int m = punch_[texel] ? 4 : weight_[texel];
        int before, after;
        if (isB) {
            before = (theirs * (8 - m) + mine * m) >> 3;
            after = (theirs * (8 - m) + mineNew * m) >> 3;
        } else {
            before = (mine * (8 - m) + theirs * m) >> 3;
            after = (mineNew * (8 - m) + theirs * m) >> 3;
        }
        const float t = target_[i];
        change += channelWeight(texel, ch) * ((after - t) * (after - t) - (before - t) * (before - t));
    });
    return change;
}

void LevelEncoder::applyField(int j, bool isB, int ch, int delta) {
    std::vector<int32_t>& own = isB ? sumB_ : sumA_;
    forFootprint(j, [&](int texel, int w) { own[static_cast<size_t>(texel) * 4 + ch] += delta * w; });
}

void LevelEncoder::polish() {
    for (int j = 0; j < static_cast<int>(blocks_.size()); ++j) {
        Block& block = blocks_[j];
        for (int side = 0; side < 2; ++side) {
            const bool isB = side == 1;
            Colour& colour = isB ? block.qb : block.qa;
            int* work = isB ? block.wb : block.wa;
            for (int ch = 0; ch < channels_; ++ch) {
                const int bits = fieldBits(isB, colour.opaque, ch);
                if (bits == 0) continue;
                int bestStep = 0;
                float bestChange = -1e-3f;
                for (int step : {-1, 1}) {
                    const int code = colour.code[ch] + step;
                    if (code < 0 || code >= (1 << bits)) continue;
                    const int delta = workingValue(bits, code, ch == kAlpha) - work[ch];
                    const float change = fieldTrial(j, isB, ch, delta);
                    if (change < bestChange) {
                        bestChange = change;
                        bestStep = step;
                    }
                }
                if (!bestStep) continue;
                colour.code[ch] += bestStep;
                const int newWork = workingValue(bits, colour.code[ch], ch == kAlpha);
                applyField(j, isB, ch, newWork - work[ch]);
                work[ch] = newWork;
            }
        }
    }
}

void LevelEncoder::encode(std::vector<uint8_t>* out) {
    initialColours();
    quantiseAll();
    chooseModulation();
    for (int pass = 0; pass < options_.refinementPasses; ++pass) {
        refit(2);
        quantiseAll();
        chooseModulation();
    }
    for (int round = 0; round < options_.polishRounds; ++round) {
        polish();
        chooseModulation();
    }
    out->assign(blocks_.size() * 8, 0);
    for (int by = 0; by < blocksY_; ++by)
        for (int bx = 0; bx < blocksX_; ++bx) {
            const Block& block = blocks_[by * blocksX_ + bx];
            uint8_t* dst = out->data() + 8 * size_t{pvrtcTwiddledIndex(bx, by, blocksX_, blocksY_)};
            const uint32_t words[2] = {block.modulation, packColours(block.qa, block.qb, block.mode)};
            for (int w = 0; w < 2; ++w)
                for (int b = 0; b < 4; ++b) dst[4 * w + b] = static_cast<uint8_t>(words[w] >> (8 * b));
        }
}

void putWord(std::vector<uint8_t>* out, uint32_t v) {
    for (int b = 0; b < 4; ++b) out->push_back(static_cast<uint8_t>(v >> (8 * b)));
}

}  // namespace

bool encodePvrtcLevel(const uint8_t* rgba, int width, int height, const PvrtcEncodeOptions& options,
                      std::vector<uint8_t>* blocks) {
    if (!rgba || !isPowerOfTwoSide(width) || !isPowerOfTwoSide(height)) return false;
    LevelEncoder encoder(rgba, width, height, options);
    encoder.encode(blocks);
    return true;
}

std::vector<uint8_t> halvePicture(const uint8_t* rgba, int width, int height) {
    const int w = std::max(1, width / 2), h = std::max(1, height / 2);
    const int sx = width > 1 ? 2 : 1, sy = height > 1 ? 2 : 1;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < sy; ++dy)
                    for (int dx = 0; dx < sx; ++dx)
                        sum += rgba[((static_cast<size_t>(y) * sy + dy) * width + x * sx + dx) * 4 + c];
                const int n = sx * sy;
                out[(static_cast<size_t>(y) * w + x) * 4 + c] = static_cast<uint8_t>((sum + n / 2) / n);
            }
    return out;
}

bool hasTranslucentTexels(const uint8_t* rgba, int width, int height) {
    const size_t texels = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < texels; ++i)
        if (rgba[4 * i + 3] != 255) return true;
    return false;
}

bool encodePvrFile(const uint8_t* rgba, int width, int height, const PvrtcEncodeOptions& options,
                   std::vector<uint8_t>* file, std::string* error) {
    if (!rgba || !isPowerOfTwoSide(width) || !isPowerOfTwoSide(height)) {
        if (error) *error = "PVRTC needs sides that are powers of two from 1 to 4096";
        return false;
    }
    std::vector<uint8_t> data, level;
    std::vector<uint8_t> picture(rgba, rgba + static_cast<size_t>(width) * height * 4);
    int w = width, h = height, levels = 0;
    for (;;) {
        encodePvrtcLevel(picture.data(), w, h, options, &level);
        data.insert(data.end(), level.begin(), level.end());
        ++levels;
        if (!options.mipmaps || (w == 1 && h == 1)) break;
        picture = halvePicture(picture.data(), w, h);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    const uint32_t format = options.twoBit ? kPvrFormatPvrtc2 : kPvrFormatPvrtc4;
    const uint32_t flags = format | (levels > 1 ? kPvrFlagMipmaps : 0) | (options.alpha ? kPvrFlagAlpha : 0);
    file->clear();
    const uint32_t header[13] = {static_cast<uint32_t>(kPvrHeaderBytes),
                                 static_cast<uint32_t>(height),
                                 static_cast<uint32_t>(width),
                                 static_cast<uint32_t>(levels - 1),
                                 flags,
                                 static_cast<uint32_t>(data.size()),
                                 options.twoBit ? 2u : 4u,
                                 0,
                                 0,
                                 0,
                                 options.alpha ? 1u : 0u,
                                 kPvrMagic,
                                 1};
    for (uint32_t word : header) putWord(file, word);
    file->insert(file->end(), data.begin(), data.end());
    return true;
}
