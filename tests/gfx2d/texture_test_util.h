// Helpers of the texture tests: files, pictures, a pretend GPU (GraphicsCaps), test packs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/graphics_caps.h"
#include "gfx2d/png_reader.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace textest {

inline std::string pvrtcVector(const std::string& name) {
    return std::string(ZV_TESTDATA) + "/pvrtc/" + name;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    const std::string s = zvtest::readFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows top first, R G B A
};

// A PNG decoded by the game's reader; an empty picture when it fails.
inline Picture decodeWithGameReader(const std::vector<uint8_t>& png) {
    Picture p;
    int32_t w = 0, h = 0;
    uint8_t* pixels = decodePngImage(png.data(), png.size(), &w, &h);
    if (!pixels) return p;
    p.width = w;
    p.height = h;
    p.rgba.assign(pixels, pixels + size_t{static_cast<size_t>(w)} * h * 4);
    delete[] pixels;
    return p;
}

// Deterministic bytes for pictures and corruption sweeps.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint8_t byte() { return static_cast<uint8_t>(next() >> 24); }

private:
    uint32_t state_;
};

// Points g_graphicsCaps at a record of the test's own for the life of the object.
class ScopedCaps {
public:
    ScopedCaps(float glVersion, bool pvrtc, bool atitc, int32_t textureMemory = 0x01400000)
        : previous_(g_graphicsCaps) {
        caps_.textureMemory = textureMemory;
        caps_.glVersion = glVersion;
        caps_.bufferObjects = glVersion >= 1.1f;
        caps_.pvrtc = pvrtc;
        caps_.atitc = atitc;
        g_graphicsCaps = &caps_;
    }
    ~ScopedCaps() { g_graphicsCaps = previous_; }
    ScopedCaps(const ScopedCaps&) = delete;
    ScopedCaps& operator=(const ScopedCaps&) = delete;

private:
    GraphicsCaps caps_{};
    GraphicsCaps* previous_;
};

// A resource pack holding the given entries, open for the life of the object.
class ScopedPack {
public:
    explicit ScopedPack(std::vector<std::pair<std::string, std::vector<uint8_t>>> entries) {
        std::vector<PackInput> inputs;
        for (auto& e : entries) inputs.push_back({e.first, std::move(e.second)});
        const std::string path = zvtest::makeTempFolder() + "packres.bin";
        std::string error;
        EXPECT_TRUE(writePackFile(path.c_str(), inputs, &error)) << error;
        EXPECT_TRUE(openPack(path.c_str()));
    }
    ~ScopedPack() { closePack(); }
    ScopedPack(const ScopedPack&) = delete;
    ScopedPack& operator=(const ScopedPack&) = delete;
};

}  // namespace textest
