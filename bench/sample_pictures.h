// Procedural pictures for the texture benchmarks: smooth and busy, opaque and with alpha, like
// the game's forest textures, sprites and text. Same name and size, same pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace samples {

struct SamplePicture {
    std::string name;
    int width, height;
    bool alpha;
    std::vector<uint8_t> rgba;
};

inline uint32_t hash2(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Smooth value noise in 0..1 with the given cell size, wrapping at period cells.
inline float valueNoise(float x, float y, float cell, uint32_t seed) {
    const float fx = x / cell, fy = y / cell;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    const float tx = fx - ix, ty = fy - iy;
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    auto at = [&](int a, int b) { return (hash2(a, b, seed) & 0xFFFF) / 65535.0f; };
    const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
    const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

inline float fractalNoise(float x, float y, float cell, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(x, y, cell, seed + o);
        total += amplitude;
        cell *= 0.5f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

inline uint8_t clampByte(float v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5f); }

template <typename Shade>
SamplePicture make(const std::string& name, int w, int h, bool alpha, Shade shade) {
    SamplePicture p{name, w, h, alpha, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float c[4] = {0, 0, 0, 255};
            shade(static_cast<float>(x), static_cast<float>(y), c);
            uint8_t* t = &p.rgba[(static_cast<size_t>(y) * w + x) * 4];
            for (int i = 0; i < 4; ++i) t[i] = clampByte(c[i]);
            if (!alpha) t[3] = 255;
        }
    return p;
}

// A blocky 5 x 7 font for the text pictures: one bit per pixel, rows of 5 bits.
inline bool glyphPixel(int glyph, int gx, int gy) {
    static const uint8_t kGlyphs[10][7] = {
        {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},  {14, 17, 1, 2, 4, 8, 31},
        {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2}, {31, 16, 30, 1, 1, 17, 14},
        {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},   {14, 17, 17, 14, 17, 17, 14},
        {14, 17, 17, 15, 1, 2, 12}};
    if (gx < 0 || gx >= 5 || gy < 0 || gy >= 7) return false;
    return (kGlyphs[glyph % 10][gy] >> (4 - gx)) & 1;
}

// Opaque pictures: what the 4 bpp and 2 bpp RGB formats are measured on.
inline std::vector<SamplePicture> opaquePictures() {
    std::vector<SamplePicture> v;
    v.push_back(make("linear_gradient", 128, 128, false, [](float x, float y, float* c) {
        c[0] = x * 2;
        c[1] = y * 2;
        c[2] = 255 - (x + y);
    }));
    v.push_back(make("radial_gradient", 64, 64, false, [](float x, float y, float* c) {
        const float d = std::sqrt((x - 30) * (x - 30) + (y - 36) * (y - 36)) / 45;
        c[0] = 250 - 200 * d;
        c[1] = 180 - 120 * d;
        c[2] = 60 + 150 * d;
    }));
    v.push_back(make("terrain", 128, 128, false, [](float x, float y, float* c) {
        const float n = fractalNoise(x, y, 64, 5, 11);
        const float m = fractalNoise(x, y, 16, 3, 12);
        c[0] = 40 + 120 * n + 30 * m;
        c[1] = 70 + 110 * n;
        c[2] = 30 + 50 * m;
    }));
    v.push_back(make("bark", 64, 256, false, [](float x, float y, float* c) {
        const float ridges = 0.5f + 0.5f * std::sin(x * 0.9f + 3 * fractalNoise(x, y, 32, 3, 21));
        const float grain = fractalNoise(x * 4, y * 0.5f, 16, 3, 22);
        const float shade = 40 + 70 * ridges * grain + 30 * grain;
        c[0] = shade * 1.1f;
        c[1] = shade * 0.8f;
        c[2] = shade * 0.55f;
    }));
    v.push_back(make("grass", 128, 128, false, [](float x, float y, float* c) {
        const float blades = fractalNoise(x * 3, y * 0.4f, 8, 2, 31);
        const float light = fractalNoise(x, y, 48, 2, 32);
        c[0] = 30 + 60 * blades * light;
        c[1] = 60 + 150 * blades;
        c[2] = 20 + 40 * light;
    }));
    v.push_back(make("noise", 64, 64, false, [](float x, float y, float* c) {
        for (int i = 0; i < 3; ++i) c[i] = fractalNoise(x, y, 8, 2, 41 + i) * 255;
    }));
    v.push_back(make("text", 256, 64, false, [](float x, float y, float* c) {
        const int gx = static_cast<int>(x) / 2 % 7, gy = static_cast<int>(y) / 2 % 9 - 1;
        const int glyph = static_cast<int>(x) / 14 + static_cast<int>(y) / 18 * 3;
        const bool ink = glyphPixel(glyph, gx, gy);
        c[0] = ink ? 250 : 30;
        c[1] = ink ? 240 : 40 + y * 0.5f;
        c[2] = ink ? 200 : 90;
    }));
    v.push_back(make("rings_and_rects", 128, 64, false, [](float x, float y, float* c) {
        const float d = std::sqrt((x - 40) * (x - 40) + (y - 32) * (y - 32));
        const bool ring = static_cast<int>(d / 6) % 2 == 0;
        const bool rect = x > 80 && x < 120 && y > 10 && y < 50;
        c[0] = rect ? 220 : (ring ? 200 : 50);
        c[1] = rect ? 60 : (ring ? 120 : 80);
        c[2] = rect ? 40 : (ring ? 30 : 160);
    }));
    v.push_back(make("light_map", 128, 128, false, [](float x, float y, float* c) {
        float l = 30;
        const float lights[3][3] = {{30, 40, 25}, {90, 80, 35}, {64, 110, 20}};
        for (const auto& s : lights) {
            const float d2 = (x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1]);
            l += 220 * std::exp(-d2 / (2 * s[2] * s[2]));
        }
        c[0] = l;
        c[1] = l * 0.9f;
        c[2] = l * 0.7f;
    }));
    return v;
}

// Pictures with alpha: sprites, cut-out foliage, smoke, glyphs.
inline std::vector<SamplePicture> alphaPictures() {
    std::vector<SamplePicture> v;
    v.push_back(make("sprite", 64, 64, true, [](float x, float y, float* c) {
        const float d = std::sqrt((x - 32) * (x - 32) + (y - 32) * (y - 32));
        c[0] = 230 - 2 * d;
        c[1] = 150 + d;
        c[2] = 40;
        c[3] = d < 24 ? 255 : d < 28 ? (28 - d) * 64 : 0;
    }));
    v.push_back(make("foliage", 128, 128, true, [](float x, float y, float* c) {
        const float n = fractalNoise(x, y, 16, 3, 51);
        c[0] = 30 + 50 * n;
        c[1] = 90 + 120 * n;
        c[2] = 30;
        c[3] = n > 0.5f ? 255 : 0;
    }));
    v.push_back(make("smoke", 64, 64, true, [](float x, float y, float* c) {
        const float n = fractalNoise(x, y, 24, 4, 61);
        const float d = std::sqrt((x - 32) * (x - 32) + (y - 32) * (y - 32)) / 32;
        c[0] = c[1] = c[2] = 180 + 60 * n;
        c[3] = std::max(0.0f, 1 - d) * 255 * n;
    }));
    v.push_back(make("glyphs", 128, 32, true, [](float x, float y, float* c) {
        const int gx = static_cast<int>(x) / 2 % 7, gy = static_cast<int>(y) / 2 % 9 - 1;
        const int glyph = static_cast<int>(x) / 14;
        const bool ink = glyphPixel(glyph, gx, gy);
        const bool shadow = glyphPixel(glyph, gx - 1, gy - 1);
        c[0] = ink ? 250 - 3 * y : 0;
        c[1] = ink ? 120 + x : 0;
        c[2] = ink ? 60 : 20;
        c[3] = ink ? 255 : shadow ? 110 : 0;
    }));
    return v;
}

}  // namespace samples
