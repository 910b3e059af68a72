// Test sounds: PCM WAV files of any rate, channel count and width, written here chunk by chunk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace soundtest {

using Bytes = std::vector<uint8_t>;

// Sample i of channel c: a ramp that differs per channel and never repeats within a file.
inline int16_t sampleAt(uint32_t i, uint32_t c) {
    return static_cast<int16_t>((i * 37 + c * 1000) % 20000 - 10000);
}

// bytes with a little-endian value written at `at`, which may be the end.
inline Bytes withLE(Bytes bytes, size_t at, uint32_t value, size_t width) {
    bytes.resize(std::max(bytes.size(), at + width));
    for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}
// A chunk of size bytes whose header says declared.
inline Bytes chunk(const char* tag, uint32_t size, uint32_t declared) {
    Bytes c = withLE(Bytes(tag, tag + 4), 4, declared, 4);
    c.resize(8 + size, 0x5A);
    return c;
}

// A PCM WAV of `frames` frames of sampleAt; extra (whole chunks) goes between fmt and data.
inline Bytes makeWav(uint32_t rate, uint32_t channels, uint32_t bits, uint32_t frames,
                     const Bytes& extra = {}) {
    const uint32_t align = channels * bits / 8, dataBytes = frames * align;
    const uint32_t riffBytes = 36 + static_cast<uint32_t>(extra.size()) + dataBytes;
    Bytes out = chunk("RIFF", 0, riffBytes + (dataBytes & 1));
    // "WAVE", then "fmt " of 16 bytes: PCM, channels, rate, byte rate, block align, bits.
    const uint32_t format[][2] = {{0x45564157, 4}, {0x20746D66, 4}, {16, 4},
                                  {1, 2},          {channels, 2},   {rate, 4},
                                  {rate * align, 4}, {align, 2},    {bits, 2}};
    for (const auto& [value, width] : format) out = withLE(out, out.size(), value, width);
    const Bytes data = chunk("data", 0, dataBytes);
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), data.begin(), data.end());
    for (uint32_t i = 0; i < frames * channels; ++i) {
        const int16_t s = sampleAt(i / channels, i % channels);
        out = withLE(out, out.size(), bits == 16 ? s : (s >> 8) + 128, bits / 8);
    }
    return withLE(out, out.size(), 0, dataBytes & 1);  // the pad byte of an odd data chunk
}

}  // namespace soundtest
