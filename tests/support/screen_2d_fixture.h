// A 2D screen on the real Mesa OpenGL ES 1.1 (headless) for tests that draw and read back, with
// a pretend GPU record and packs of test files to load from.
#pragma once

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace zvtest {

// Points g_graphicsCaps at a record of the test's own for the life of the object.
class ScopedCaps {
public:
    ScopedCaps(float glVersion, bool pvrtc, bool atitc, int32_t textureMemory = 0x01400000)
        : caps_{textureMemory, glVersion, glVersion >= 1.1f, pvrtc, atitc},
          previous_(g_graphicsCaps) {
        g_graphicsCaps = &caps_;
    }
    ~ScopedCaps() { g_graphicsCaps = previous_; }
    ScopedCaps(const ScopedCaps&) = delete;
    ScopedCaps& operator=(const ScopedCaps&) = delete;

private:
    GraphicsCaps caps_;
    GraphicsCaps* previous_;
};

// A resource pack holding the given entries, open for the life of the object.
class ScopedPack {
public:
    explicit ScopedPack(const std::vector<PackInput>& entries) {
        const std::string path = makeTempFolder() + "packres.bin";
        std::string error;
        EXPECT_TRUE(writePackFile(path.c_str(), entries, &error)) << error;
        EXPECT_TRUE(openPack(path.c_str()));
    }
    ~ScopedPack() { closePack(); }
    ScopedPack(const ScopedPack&) = delete;
    ScopedPack& operator=(const ScopedPack&) = delete;
};

// A rectangle of pixels: x0, y0, x1, y1, inclusive; x1 is -1 for none.
using Box = std::array<int, 4>;

// The landscape 480 x 320 screen (a GL 1.1 with plenty of texture memory and no compression)
// cleared to black through a 2D context, read back as 0xRRGGBB pixels.
class Screen2dTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ensureGlContext());
        applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
        Graphics::setViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
        createResourceRegistry();
        g_boundTexture2D = -1;
        g_ = new Graphics(g_graphicsCaps, nullptr, 0, 0);
        clear();
    }
    void TearDown() override {
        for (Image* image : images_) destroyImage(image);
        delete g_;
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    void clear() {
        g_->setClip(0, 0, 480, 320);
        g_->setColor(0xFF000000u);
        g_->fillRect(0, 0, 480, 320);
    }
    void capture() {
        screen_.resize(480 * 320 * 4);
        ASSERT_TRUE(platform::readLandscape(screen_.data()));
    }
    uint32_t pixel(int x, int y) const {
        const uint8_t* p = &screen_[(static_cast<size_t>(y) * 480 + x) * 4];
        return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
    // The bounding box of the pixels that are not black.
    Box litBox() const {
        Box b{100000, 100000, -1, -1};
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 480; ++x)
                if (pixel(x, y) != 0)
                    b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x),
                         std::max(b[3], y)};
        return b;
    }
    // The largest difference of red, green or blue between an RGBA picture of w x h and the
    // captured screen where it was drawn 1:1 at (x, y); 256 for an empty picture.
    int worstError(const std::vector<uint8_t>& rgba, int w, int h, int x, int y) const {
        int worst = w * h > 0 ? 0 : 256;
        for (int i = 0; i < w * h; ++i) {
            const int s = static_cast<int>(pixel(x + i % w, y + i / w));
            const int rgb[3] = {s >> 16, s >> 8 & 0xFF, s & 0xFF};
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(rgb[c] - rgba[i * 4 + c]));
        }
        return worst;
    }
    // Captures the screen and expects each {x, y, 0xRRGGBB} with every channel taken as full or
    // none, for pictures drawn with linear filtering, whose edges blend.
    void expectSnappedColours(const std::vector<std::array<uint32_t, 3>>& expected) {
        capture();
        for (const auto& [x, y, colour] : expected) {
            const uint32_t p = pixel(x, y);
            uint32_t snapped = 0;
            for (int shift : {0, 8, 16})
                snapped |= ((p >> shift & 0xFF) >= 128 ? 0xFFu : 0) << shift;
            EXPECT_EQ(snapped, colour) << std::hex << p << std::dec << " at " << x << ", " << y;
        }
    }
    // An opaque w x h picture sent straight to GL (nearest filtering, padded to powers of 2).
    Image* makeImage(int w, int h, const std::function<uint32_t(int x, int y)>& rgb) {
        Texture* t = createTexture("made", kSourcePNG);
        t->width = w, t->height = h, t->format = kFormatRGBA8888;
        t->paddedWidth = nextPowerOfTwo(w), t->paddedHeight = nextPowerOfTwo(h);
        std::vector<uint8_t> pixels(static_cast<size_t>(t->paddedWidth) * t->paddedHeight * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = rgb(x, y);
                uint8_t* p = &pixels[(static_cast<size_t>(y) * t->paddedWidth + x) * 4];
                p[0] = c >> 16, p[1] = c >> 8, p[2] = c, p[3] = 255;
            }
        glGenTextures(1, &t->glName);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t->paddedWidth, t->paddedHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, pixels.data());
        g_boundTexture2D = -1;  // bound behind the cache's back
        return adopt(t);
    }
    Image* solidImage(int w, int h, uint32_t rgb) {
        return makeImage(w, h, [rgb](int, int) { return rgb; });
    }
    // An image over a texture; both are destroyed with the test.
    Image* adopt(Texture* t) {
        images_.push_back(new Image{t, nullptr, t->width, t->height});
        return images_.back();
    }

    ScopedCaps caps_{1.1f, false, false};
    Graphics* g_ = nullptr;
    std::vector<Image*> images_;
    std::vector<uint8_t> screen_;
};

}  // namespace zvtest
