// Colour quantizer for the animated PNG writer: one palette of up to 256 colours for a set of
// RGB pictures by median cut over a 6-bit-per-channel histogram, and the map from pixels to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ColourQuantizer {
public:
    ColourQuantizer();

    // Counts the pixels of an RGBA picture (alpha is ignored).
    void add(const uint8_t* rgba, size_t pixels);
    // Makes the palette of at most colours entries (1..256) from everything added: boxes of the
    // histogram are halved at their weighted median along their widest channel, the box with
    // the largest squared error first; each entry is its box's mean. Every pixel then maps to
    // the nearest entry. False with nothing added or colours out of range.
    bool build(int colours);

    int size() const { return static_cast<int>(palette_.size() / 3); }
    const std::vector<uint8_t>& palette() const { return palette_; }  // R G B per entry
    // The entry of a pixel's colour; only for colours of added pictures after build.
    uint8_t index(const uint8_t* rgb) const { return map_[cell(rgb)]; }

    static constexpr int kLevels = 64;  // histogram cells per channel
    static uint32_t cell(const uint8_t* rgb) {
        return static_cast<uint32_t>(rgb[0] >> 2) << 12 | static_cast<uint32_t>(rgb[1] >> 2) << 6 |
               rgb[2] >> 2;
    }

private:
    std::vector<uint32_t> count_;  // pixels per cell, kLevels^3
    std::vector<uint64_t> sum_;    // per cell, the sums of the 8-bit R, G and B values
    std::vector<uint8_t> map_;     // entry per cell
    std::vector<uint8_t> palette_;
};
