// Textures on the real Mesa OpenGL ES 1.1 (headless): PNG and PVR loading, the 16-bit rule,
// software mipmaps, the bind cache, loading by name from a pack, and pictures read back.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "gfx2d/texture_test_util.h"
#include "platform/platform.h"
#include "tools/writers/png_writer.h"

namespace {

using textest::Picture;
using textest::ScopedCaps;
using textest::ScopedPack;

// The desktop's GL: ES 1.1 with plenty of texture memory, neither PVRTC nor ATC.
constexpr float kGl11 = 1.1f, kGl10 = 1.0f;

Picture makePicture(int w, int h, uint32_t seed, bool withAlpha) {
    Picture p;
    p.width = w;
    p.height = h;
    p.rgba.resize(size_t{static_cast<size_t>(w)} * h * 4);
    textest::Random random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* t = &p.rgba[(y * w + x) * 4];
            t[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
            t[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
            t[2] = random.byte();
            t[3] = withAlpha ? random.byte() : 255;
        }
    return p;
}

std::vector<uint8_t> pngOf(const Picture& p) {
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePngRgba(p.rgba.data(), p.width, p.height, &png));
    return png;
}

// Loads a PNG in memory as a texture through the game's loader (no pack involved).
Texture* loadPngBytes(const std::vector<uint8_t>& png, bool mipmapped) {
    PngReader* reader = createPngReader();
    setPngData(reader, const_cast<uint8_t*>(png.data()), png.size(), false);
    Texture* texture = nullptr;
    if (parsePngHeader(reader)) {
        texture = createTexture("test.png", kSourcePNG);
        if (!loadPngTexture(texture, reader, mipmapped)) {
            destroyTexture(texture);
            texture = nullptr;
        }
    }
    destroyPngReader(reader);
    return texture;
}

// Draws the texture's texel rectangle (0, 0, u1 * padded, v1 * padded) over the logical
// rectangle (x, y, w, h) of the landscape screen, unblended, and reads the screen back.
std::vector<uint8_t> drawAndRead(const Texture* texture, float x, float y, float w, float h,
                                 float u1, float v1) {
    glViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
    float projection[16];
    rotatedOrthoMatrix(0, 480, 320, 0, -1, 1, projection);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColorMask(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, texture->glName);
    g_boundTexture2D = static_cast<int32_t>(texture->glName);
    const float positions[] = {x, y + h, x + w, y + h, x, y, x + w, y};
    const float texcoords[] = {0, v1, u1, v1, 0, 0, u1, 0};
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, positions);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    std::vector<uint8_t> screen(480 * 320 * 4);
    EXPECT_TRUE(platform::readLandscape(screen.data()));
    return screen;
}

// Largest difference of red, green and blue between the screen at (sx, sy) and an RGB colour.
int colourError(const std::vector<uint8_t>& screen, int sx, int sy, const uint8_t* rgb) {
    const uint8_t* s = &screen[(sy * 480 + sx) * 4];
    return std::max({std::abs(s[0] - rgb[0]), std::abs(s[1] - rgb[1]), std::abs(s[2] - rgb[2])});
}

class TextureGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        createResourceRegistry();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(TextureGl, PngIsPaddedToPowersOfTwoAndKeepsItsPictureSize) {
    ScopedCaps caps(kGl11, false, false);
    Texture* t = loadPngBytes(pngOf(makePicture(100, 60, 1, false)), false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 100);
    EXPECT_EQ(t->height, 60);
    EXPECT_EQ(t->paddedWidth, 128);
    EXPECT_EQ(t->paddedHeight, 64);
    EXPECT_EQ(t->format, kFormatRGBA8888);
    EXPECT_EQ(t->sourceKind, kSourcePNG);
    EXPECT_NE(t->glName, 0u);
    EXPECT_TRUE(glIsTexture(t->glName));
    destroyTexture(t);
}

TEST_F(TextureGl, DecodedPngDrawnFullScreenReadsBackTheSamePixels) {
    ScopedCaps caps(kGl11, false, false);
    const Picture picture = makePicture(480, 320, 2, false);
    Texture* t = loadPngBytes(pngOf(picture), false);
    ASSERT_NE(t, nullptr);
    const std::vector<uint8_t> screen =
        drawAndRead(t, 0, 0, 480, 320, 480.0f / t->paddedWidth, 320.0f / t->paddedHeight);
    int worst = 0;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 480; ++x)
            worst = std::max(worst, colourError(screen, x, y, &picture.rgba[(y * 480 + x) * 4]));
    EXPECT_LE(worst, 1);
    destroyTexture(t);
}

TEST_F(TextureGl, SoftwareDecodedPvrDrawsAsTheReferenceDecompression) {
    ScopedCaps caps(kGl11, false, false);
    const std::vector<uint8_t> pvr =
        textest::readBytes(textest::pvrtcVector("p02_terrain_128x128_4bpp_rgb_mips.pvr"));
    const Picture expected = textest::decodeWithGameReader(
        textest::readBytes(textest::pvrtcVector("p02_terrain_128x128_4bpp_rgb_mips.dec.png")));
    Texture* t = createTexture("terrain.pvr", kSourcePVR);
    ASSERT_TRUE(loadPvrTexture(t, pvr.data(), pvr.size(), false));
    EXPECT_EQ(t->format, kFormatRGBA8888);
    const std::vector<uint8_t> screen = drawAndRead(t, 10, 20, 128, 128, 1, 1);
    int worst = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            worst = std::max(worst, colourError(screen, 10 + x, 20 + y, &expected.rgba[(y * 128 + x) * 4]));
    EXPECT_LE(worst, 1);
    destroyTexture(t);
}

TEST_F(TextureGl, AlphaPvrIsDecodedInSoftwareEvenWherePvrtcIsSupported) {
    ScopedCaps caps(kGl11, true, false);
    const std::vector<uint8_t> alpha =
        textest::readBytes(textest::pvrtcVector("p03_sprite_64x64_4bpp_alpha.pvr"));
    Texture* t = createTexture("sprite.pvr", kSourcePVR);
    ASSERT_TRUE(loadPvrTexture(t, alpha.data(), alpha.size(), false));
    EXPECT_EQ(t->format, kFormatRGBA8888);
    EXPECT_EQ(t->width, 64);
    destroyTexture(t);

    // Without alpha, the data goes to GL as it is (Mesa cannot sample it; the record tells).
    for (const char* name : {"p01_grad_64x64_4bpp_rgb.pvr", "p05_bark_64x16_2bpp_rgb.pvr"}) {
        const std::vector<uint8_t> rgb = textest::readBytes(textest::pvrtcVector(name));
        t = createTexture(name, kSourcePVR);
        ASSERT_TRUE(loadPvrTexture(t, rgb.data(), rgb.size(), false));
        EXPECT_EQ(t->format, kFormatPVRTC);
        EXPECT_EQ(t->compressedFormat,
                  name[1] == '0' && name[2] == '1' ? kGlCompressedRgbPvrtc4 : kGlCompressedRgbPvrtc2);
        destroyTexture(t);
    }
}

TEST_F(TextureGl, MipmappedCompressedTextureNeedsTheWholeChain) {
    ScopedCaps caps(kGl11, true, false);
    // p01 has level 0 only: fine without mipmaps, refused with them.
    const std::vector<uint8_t> single =
        textest::readBytes(textest::pvrtcVector("p01_grad_64x64_4bpp_rgb.pvr"));
    Texture* t = createTexture("a.pvr", kSourcePVR);
    EXPECT_FALSE(loadPvrTexture(t, single.data(), single.size(), true));
    EXPECT_EQ(t->glName, 0u);
    destroyTexture(t);
    const std::vector<uint8_t> chain =
        textest::readBytes(textest::pvrtcVector("p02_terrain_128x128_4bpp_rgb_mips.pvr"));
    t = createTexture("b.pvr", kSourcePVR);
    EXPECT_TRUE(loadPvrTexture(t, chain.data(), chain.size(), true));
    EXPECT_EQ(t->gpuMipmaps, 1);
    destroyTexture(t);
    // One byte short of the chain.
    t = createTexture("c.pvr", kSourcePVR);
    EXPECT_FALSE(loadPvrTexture(t, chain.data(), chain.size() - 1, true));
    destroyTexture(t);
}

// ---- 16-bit rule ------------------------------------------------------------------------------

// A 4 x 2 picture in an 8 x 4 padded buffer whose padding is fully transparent.
struct SixteenBitCase {
    Texture texture{};
    std::vector<uint8_t> pixels;
    SixteenBitCase() {
        texture.width = 4;
        texture.height = 2;
        texture.paddedWidth = 8;
        texture.paddedHeight = 4;
        texture.format = kFormatRGBA8888;
        pixels.assign(8 * 4 * 4, 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                uint8_t* t = &pixels[(y * 8 + x) * 4];
                t[0] = 0xFF;
                t[1] = 0x84;
                t[2] = 0x2F;
                t[3] = 255;
            }
    }
    uint16_t word(int x, int y) const {
        uint16_t w;
        std::memcpy(&w, &pixels[(y * 8 + x) * 2], 2);
        return w;
    }
};

TEST(TextureSixteenBit, OnlyTexelsInsideThePictureDecideAboutAlpha) {
    ScopedCaps caps(kGl10, false, false);
    SixteenBitCase c;  // transparent padding, opaque picture
    applyTexture16BitRule(&c.texture, c.pixels.data());
    EXPECT_EQ(c.texture.format, kFormatRGB565);
    EXPECT_EQ(c.word(0, 0), (0xF8 << 8) | (0x84 << 3) | (0x2F >> 3));
    EXPECT_EQ(c.word(3, 1), c.word(0, 0));
    EXPECT_EQ(c.word(4, 0), 0) << "padding converts too";
}

TEST(TextureSixteenBit, AlphaBelow240MakesRgba4444And240CountsAsOpaque) {
    ScopedCaps caps(kGl10, false, false);
    SixteenBitCase opaque;
    opaque.pixels[(1 * 8 + 3) * 4 + 3] = 240;
    applyTexture16BitRule(&opaque.texture, opaque.pixels.data());
    EXPECT_EQ(opaque.texture.format, kFormatRGB565);

    SixteenBitCase translucent;
    translucent.pixels[(1 * 8 + 3) * 4 + 3] = 239;
    applyTexture16BitRule(&translucent.texture, translucent.pixels.data());
    EXPECT_EQ(translucent.texture.format, kFormatRGBA4444);
    EXPECT_EQ(translucent.word(0, 0), 0xF82F);
    EXPECT_EQ(translucent.word(3, 1), 0xF82E);  // alpha 239 >> 4 = 14
}

TEST(TextureSixteenBit, ThirtyTwoBitsStayOnlyWithGl11AndEnoughTextureMemory) {
    struct Case {
        float version;
        int32_t memory;
        int32_t format;
    };
    for (const Case& k : {Case{1.1f, 0x01400000, kFormatRGBA8888},
                          Case{2.0f, 0x01000001, kFormatRGBA8888},
                          Case{1.1f, 0x01000000, kFormatRGB565},  // 256.0 is not above 256.0
                          Case{1.0f, 0x01400000, kFormatRGB565}}) {
        ScopedCaps caps(k.version, false, false, k.memory);
        SixteenBitCase c;
        applyTexture16BitRule(&c.texture, c.pixels.data());
        EXPECT_EQ(c.texture.format, k.format) << k.version << " " << k.memory;
    }
}

TEST_F(TextureGl, SixteenBitTexturesDrawTheirQuantisedColours) {
    ScopedCaps caps(kGl10, false, false);
    for (bool withAlpha : {false, true}) {
        SCOPED_TRACE(withAlpha ? "RGBA4444" : "RGB565");
        // One texel wide: 2-byte rows, which GL's default row alignment would misread.
        const Picture picture = makePicture(1, 8, 3, withAlpha);
        Texture* t = loadPngBytes(pngOf(picture), false);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->format, withAlpha ? kFormatRGBA4444 : kFormatRGB565);
        // Drawn 1:1, so every pixel samples a texel centre.
        const std::vector<uint8_t> screen = drawAndRead(t, 0, 0, 1, 8, 1, 1);
        for (int y = 0; y < 8; ++y) {
            const uint8_t* src = &picture.rgba[y * 4];
            uint8_t quantised[3];
            for (int c = 0; c < 3; ++c) {
                const int bits = withAlpha ? 4 : (c == 1 ? 6 : 5);
                const int v = src[c] >> (8 - bits);
                quantised[c] = static_cast<uint8_t>((v << (8 - bits)) | (v >> (2 * bits - 8)));
            }
            EXPECT_LE(colourError(screen, 0, y, quantised), 1) << "row " << y;
        }
        destroyTexture(t);
    }
}

// ---- Mipmaps ----------------------------------------------------------------------------------

TEST(TextureMipmaps, LevelListsHalveUntilBothSidesReachOne) {
    EXPECT_EQ(mipmapLevelCount(4, 4), 3);
    EXPECT_EQ(mipmapLevelCount(8, 2), 4);
    EXPECT_EQ(mipmapLevelCount(1, 1), 1);
    EXPECT_EQ(mipmapLevelCount(64, 16), 7);
    EXPECT_EQ(mipmapLevelCount(128, 128), 8);
    const int expected8x2[4][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(mipmapLevelSide(8, k), expected8x2[k][0]);
        EXPECT_EQ(mipmapLevelSide(2, k), expected8x2[k][1]);
    }
}

TEST(TextureMipmaps, SoftwareReductionPicksEveryOtherTexelWithoutAveraging) {
    // 4 x 4 texels numbered 0..15, one byte each as a stand-in for a texel.
    std::vector<uint8_t> texels(16);
    for (int i = 0; i < 16; ++i) texels[i] = static_cast<uint8_t>(i);
    reduceMipmapLevel(texels.data(), 4, 4, 1);
    EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + 4),
              (std::vector<uint8_t>{0, 2, 8, 10}));
    reduceMipmapLevel(texels.data(), 2, 2, 1);
    EXPECT_EQ(texels[0], 0);
    // 8 x 2 with 2-byte texels: to 4 x 1, texels 0, 2, 4, 6 of the first row.
    std::vector<uint16_t> wide(16);
    for (int i = 0; i < 16; ++i) wide[i] = static_cast<uint16_t>(0x100 + i);
    reduceMipmapLevel(reinterpret_cast<uint8_t*>(wide.data()), 8, 2, 2);
    EXPECT_EQ(std::vector<uint16_t>(wide.begin(), wide.begin() + 4),
              (std::vector<uint16_t>{0x100, 0x102, 0x104, 0x106}));
}

TEST_F(TextureGl, Gl10MakesMipmapsInSoftwareAndGl11LeavesThemToGl) {
    const Picture picture = makePicture(4, 4, 4, false);
    const std::vector<uint8_t> png = pngOf(picture);
    {
        ScopedCaps caps(kGl10, false, false);
        Texture* t = loadPngBytes(png, true);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->softMipmaps, 1);
        EXPECT_EQ(t->gpuMipmaps, 0);
        EXPECT_EQ(t->format, kFormatRGB565);  // GL 1.0 always takes the 16-bit rule
        glBindTexture(GL_TEXTURE_2D, t->glName);
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
        // Drawn at half size, level 1 shows texels (0,0), (2,0), (0,2), (2,2) as they are (up to
        // the 5- and 6-bit quantisation of RGB565).
        const std::vector<uint8_t> screen = drawAndRead(t, 0, 0, 2, 2, 1, 1);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                const uint8_t* src = &picture.rgba[((2 * y) * 4 + 2 * x) * 4];
                EXPECT_LE(colourError(screen, x, y, src), 8) << x << "," << y;
            }
        destroyTexture(t);
    }
    {
        ScopedCaps caps(kGl11, false, false);
        Texture* t = loadPngBytes(png, true);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->softMipmaps, 0);
        EXPECT_EQ(t->gpuMipmaps, 1);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        GLint minFilter = 0, generate = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, 0x8191, &generate);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(generate, 1);
        destroyTexture(t);
    }
    {
        ScopedCaps caps(kGl11, false, false);
        Texture* t = loadPngBytes(png, false);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        GLint minFilter = 0, magFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);
        destroyTexture(t);
    }
}

// ---- Binding ----------------------------------------------------------------------------------

TEST_F(TextureGl, UploadRestoresTheBindingAndTellsTheCache) {
    ScopedCaps caps(kGl11, false, false);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    g_boundTexture2D = 12345;  // stale on purpose
    Texture* t = loadPngBytes(pngOf(makePicture(8, 8, 5, false)), false);
    ASSERT_NE(t, nullptr);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(other));
    EXPECT_EQ(g_boundTexture2D, static_cast<int32_t>(other));
    glDeleteTextures(1, &other);
    destroyTexture(t);
}

TEST_F(TextureGl, DestroyingTheBoundTextureForgetsItInTheCache) {
    ScopedCaps caps(kGl11, false, false);
    Texture* t = loadPngBytes(pngOf(makePicture(8, 8, 6, false)), false);
    ASSERT_NE(t, nullptr);
    const GLuint name = t->glName;
    bindTexture2D(name);
    EXPECT_EQ(g_boundTexture2D, static_cast<int32_t>(name));
    destroyTexture(t);
    EXPECT_NE(g_boundTexture2D, static_cast<int32_t>(name));
    EXPECT_FALSE(glIsTexture(name));
}

// ---- Loading by name --------------------------------------------------------------------------

// An ATC file of w x h with enough (zero) data for every level.
std::vector<uint8_t> atcFile(int w, int h, bool explicitAlpha) {
    std::vector<uint8_t> file(20 + 16 * 2048, 0);
    const uint32_t words[5] = {0, static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                               explicitAlpha ? 2u : 0u, 20};
    std::memcpy(file.data(), words, sizeof words);
    return file;
}

TEST_F(TextureGl, NameExtensionIsLowerCasedBeforeTheLookup) {
    ScopedCaps caps(kGl11, false, false);
    ScopedPack pack({{"tree.pvr", textest::readBytes(textest::pvrtcVector("p01_grad_64x64_4bpp_rgb.pvr"))},
                     {"logo.png", pngOf(makePicture(20, 10, 7, true))}});
    Texture* t = loadTextureByName("/tree.PVR", true);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "/tree.pvr");
    EXPECT_EQ(t->sourceKind, kSourcePVR);
    EXPECT_EQ(t->format, kFormatRGBA8888);  // no PVRTC on this GL: decoded in software
    destroyTexture(t);
    t = loadTextureByName("logo.PNG", false);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "logo.png");
    EXPECT_EQ(t->sourceKind, kSourcePNG);
    destroyTexture(t);
    EXPECT_EQ(loadTextureByName("Logo.png", false), nullptr) << "only the extension is lower-cased";
    EXPECT_EQ(loadTextureByName("missing.pvr", false), nullptr);
    EXPECT_EQ(loadTextureByName("missing.png", false), nullptr);
    EXPECT_EQ(loadTextureByName(nullptr, false), nullptr);
}

TEST_F(TextureGl, AtcTwinIsPreferredWhereAtcIsAvailable) {
    ScopedPack pack({{"tree.pvr", textest::readBytes(textest::pvrtcVector("p01_grad_64x64_4bpp_rgb.pvr"))},
                     {"tree.atc", atcFile(64, 64, true)},
                     {"rock.pvr", textest::readBytes(textest::pvrtcVector("p07_noise_8x8_4bpp_rgb.pvr"))}});
    {
        ScopedCaps caps(kGl11, false, true);  // pretend ATI texture compression
        Texture* t = loadTextureByName("tree.PVR", true);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->name, "tree.atc");
        EXPECT_EQ(t->sourceKind, kSourceATC);
        EXPECT_EQ(t->format, kFormatATC);
        EXPECT_EQ(t->compressedFormat, kGlAtcRgbaExplicitAlpha);
        destroyTexture(t);
        // No twin: the PVR is used.
        t = loadTextureByName("rock.pvr", false);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->name, "rock.pvr");
        EXPECT_EQ(t->sourceKind, kSourcePVR);
        destroyTexture(t);
    }
    {
        ScopedCaps caps(kGl11, false, false);
        Texture* t = loadTextureByName("tree.pvr", false);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->name, "tree.pvr");
        EXPECT_EQ(t->sourceKind, kSourcePVR);
        destroyTexture(t);
    }
}

TEST_F(TextureGl, ImageTakesItsSizeFromTheTextureAndFailsWithoutOne) {
    ScopedCaps caps(kGl11, false, false);
    ScopedPack pack({{"logo.png", pngOf(makePicture(30, 17, 8, false))}});
    Image* image = createImage("/logo.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 30);
    EXPECT_EQ(image->height, 17);
    EXPECT_EQ(image->texture->paddedWidth, 32);
    destroyImage(image);
    EXPECT_EQ(createImage("/nothing.png"), nullptr);
}

// Texture names GL has handed out above `after` and that now name a texture object.
int liveTexturesAbove(GLuint after) {
    int live = 0;
    for (GLuint n = after + 1; n <= after + 64; ++n) live += glIsTexture(n) ? 1 : 0;
    return live;
}

TEST_F(TextureGl, FailedLoadsLeaveNoGlObjectNoRegistrationAndPrintNothing) {
    ScopedCaps caps(kGl11, true, true);
    std::vector<uint8_t> greyPng;
    const uint8_t grey[4] = {1, 2, 3, 4};
    PngWriteOptions options;
    options.colourType = kPngGrey;
    ASSERT_TRUE(encodePng(grey, 2, 2, options, &greyPng));
    std::vector<uint8_t> shortPvr = textest::readBytes(textest::pvrtcVector("p03_sprite_64x64_4bpp_alpha.pvr"));
    shortPvr.resize(shortPvr.size() - 8);
    std::vector<uint8_t> shortAtc = atcFile(64, 64, false);
    shortAtc.resize(20 + 8 * 16 * 16 - 1);
    std::vector<uint8_t> zeroPvr = textest::readBytes(textest::pvrtcVector("p07_noise_8x8_4bpp_rgb.pvr"));
    zeroPvr[8] = 0;  // width 0
    ScopedPack pack({{"grey.png", greyPng},
                     {"short.pvr", shortPvr},
                     {"short.atc", shortAtc},
                     {"zero.pvr", zeroPvr},
                     {"notpng.png", {1, 2, 3, 4, 5, 6, 7, 8, 9}}});

    GLuint marker = 0;
    glGenTextures(1, &marker);
    glDeleteTextures(1, &marker);
    const int registered = registeredResourceCount();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadTextureByName("grey.png", false), nullptr);
    EXPECT_EQ(loadTextureByName("short.pvr", false), nullptr);  // ATC twin too short, PVR too
    EXPECT_EQ(loadTextureByName("zero.pvr", false), nullptr);
    EXPECT_EQ(loadTextureByName("notpng.png", false), nullptr);
    EXPECT_EQ(loadTextureByName("absent.png", true), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(registeredResourceCount(), registered);
    EXPECT_EQ(liveTexturesAbove(marker), 0);
}

}  // namespace
