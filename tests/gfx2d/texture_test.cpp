// Textures on the real Mesa OpenGL ES 1.1 (headless): PNG, PVR and ATC loads and the data each
// needs, the 16-bit rule, mipmaps, the bind cache, names, the registry, pictures read back.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gfx2d/atc_file.h"
#include "gfx2d/gfx_fixture.h"
#include "gfx2d/pvr_file.h"
#include "support/screen_2d_fixture.h"
#include "tools/writers/png_writer.h"

namespace {

using gfxtest::Bytes;
using gfxtest::Picture;
using gfxtest::vectorBytes;
using zvtest::ScopedCaps;

// Red across, green down, blue scattered; opaque but for the last texel's alpha.
Picture makePicture(int w, int h, uint8_t lastAlpha = 255) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.rgba.insert(p.rgba.end(), {static_cast<uint8_t>(x * 255 / std::max(1, w - 1)),
                                         static_cast<uint8_t>(y * 255 / std::max(1, h - 1)),
                                         static_cast<uint8_t>(x * 71 + y * 113), 255});
    p.rgba.back() = lastAlpha;
    return p;
}

Bytes pngOf(const Picture& p) {
    Bytes png;
    EXPECT_TRUE(encodePngRgba(p.rgba.data(), p.width, p.height, &png));
    return png;
}

// A PNG in memory loaded through the game's loader; null on failure.
Texture* loadPng(Bytes png, bool mipmapped = false) {
    PngReader* reader = createPngReader();
    setPngData(reader, png.data(), png.size(), false);
    Texture* texture = parsePngHeader(reader) ? createTexture("test.png", kSourcePNG) : nullptr;
    if (texture && !loadPngTexture(texture, reader, mipmapped)) {
        destroyTexture(texture);
        texture = nullptr;
    }
    destroyPngReader(reader);
    return texture;
}

GLint texParameter(const Texture* t, GLenum name) {
    GLint v = 0;
    glBindTexture(GL_TEXTURE_2D, t->glName);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
    g_boundTexture2D = -1;
    return v;
}

class TextureTest : public zvtest::Screen2dTest {
protected:
    int worstError(const Picture& p, int x, int y) const {
        return Screen2dTest::worstError(p.rgba, p.width, p.height, x, y);
    }
};

TEST_F(TextureTest, PngIsPaddedToPowersOfTwoAndDrawsBackItsPixels) {
    const Picture picture = makePicture(300, 200);
    Texture* t = loadPng(pngOf(picture));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ((std::vector<int>{t->width, t->height, t->paddedWidth, t->paddedHeight}),
              (std::vector<int>{300, 200, 512, 256}));
    EXPECT_EQ(t->sourceKind, kSourcePNG);
    g_->drawImage(adopt(t), 0, 0, 0);
    capture();
    EXPECT_LE(worstError(picture, 0, 0), 1);
}

// An ATC file of w x h with dataBytes of data after the header.
Bytes atcFile(uint32_t w, uint32_t h, bool explicitAlpha, size_t dataBytes) {
    Bytes file(20 + dataBytes, 0x5A);
    const uint32_t words[5] = {0, w, h, explicitAlpha ? 2u : 0u, 20};
    std::memcpy(file.data(), words, sizeof words);
    return file;
}
Bytes cut(Bytes b, size_t bytesLess) {
    b.resize(b.size() > bytesLess ? b.size() - bytesLess : 0);
    return b;
}
Bytes withByte(Bytes b, size_t offset, uint8_t v) {
    if (offset < b.size()) b[offset] = v;
    return b;
}

TEST_F(TextureTest, CompressedFilesLoadByTheirFormatAndOnlyWithAllTheirData) {
    struct Case {
        const char* what;
        Bytes file;
        bool atc, pvrtcGl, mipmapped;
        int32_t format = 0;  // 0: the load fails
        uint32_t compressedFormat = 0;
    };
    const Bytes p01 = vectorBytes("p01_grad_64x64_4bpp_rgb.pvr");
    const Bytes p02 = vectorBytes("p02_terrain_128x128_4bpp_rgb_mips.pvr");
    const Bytes p03 = vectorBytes("p03_sprite_64x64_4bpp_alpha.pvr");
    const Bytes atc = atcFile(16, 8, true, 128);  // 8 blocks of 16 bytes
    const Case cases[] = {
        {"alpha: decoded where PVRTC is sampled too", p03, false, true, false, kFormatRGBA8888},
        {"no alpha: sent as it is", p01, false, true, false, kFormatPVRTC, kGlCompressedRgbPvrtc4},
        {"2 bpp", vectorBytes("p05_bark_64x16_2bpp_rgb.pvr"), false, true, false, kFormatPVRTC,
         kGlCompressedRgbPvrtc2},
        {"no PVRTC on the GL: decoded", p01, false, false, false, kFormatRGBA8888},
        {"mipmaps of a file of one level", p01, false, true, true},
        {"the whole chain", p02, false, true, true, kFormatPVRTC, kGlCompressedRgbPvrtc4},
        {"a byte short of the chain", cut(p02, 1), false, true, true},
        {"a byte short of level 0, sent", cut(p01, 1), false, true, false},
        {"a byte short of level 0, decoded", cut(p03, 1), false, true, false},
        {"shorter than the header", cut(p01, p01.size() - 51), false, false, false},
        {"width 0", withByte(p01, 8, 0), false, false, false},
        {"width 12", withByte(p01, 8, 12), false, false, false},
        {"height 12", withByte(p01, 4, 12), false, false, false},
        {"width 8192", withByte(withByte(p01, 8, 0), 9, 0x20), false, false, false},
        {"not PVRTC", withByte(p01, 16, 0x10), false, false, false},
        {"ATC", atc, true, false, false, kFormatATC, kGlAtcRgbaExplicitAlpha},
        {"ATC: a byte short", cut(atc, 1), true, false, false},
        {"ATC: the whole chain", atcFile(16, 8, true, 13 * 16), true, false, true, kFormatATC,
         kGlAtcRgbaExplicitAlpha},
        {"ATC: a byte short of the chain", atcFile(16, 8, true, 13 * 16 - 1), true, false, true},
        {"ATC RGB, padded to 16 x 16: 16 blocks of 8 bytes", atcFile(12, 12, false, 128), true,
         false, false, kFormatATC, kGlAtcRgb},
        {"ATC RGB, a byte short", atcFile(12, 12, false, 127), true, false, false},
        {"ATC: shorter than the header", Bytes(atc.begin(), atc.begin() + 19), true, false, false},
        {"ATC: 0 wide", withByte(atc, 4, 0), true, false, false},
        {"ATC: 0 high", withByte(atc, 8, 0), true, false, false},
        {"ATC: 4097 wide", atcFile(4097, 8, true, 1 << 20), true, false, false},
        {"ATC: 4097 high", atcFile(8, 4097, true, 1 << 20), true, false, false},
        {"ATC: data offset past the end", withByte(atc, 16, 200), true, false, false},
    };
    const int registered = registeredResourceCount();
    for (const Case& c : cases) {
        ScopedCaps caps(1.1f, c.pvrtcGl, c.atc);
        Texture* t = createTexture(c.what, c.atc ? kSourceATC : kSourcePVR);
        const bool ok = c.atc ? loadAtcTexture(t, c.file.data(), c.file.size(), c.mipmapped)
                              : loadPvrTexture(t, c.file.data(), c.file.size(), c.mipmapped);
        EXPECT_EQ(ok, c.format != 0) << c.what;
        EXPECT_EQ(t->format, c.format) << c.what;
        EXPECT_EQ(t->compressedFormat, c.compressedFormat) << c.what;
        EXPECT_EQ(t->glName != 0, ok) << c.what << ": a GL object exactly when loaded";
        destroyTexture(t);
    }
    EXPECT_EQ(registeredResourceCount(), registered);
}

TEST(TextureSixteenBit, OnlyTexelsInsideThePictureDecideAndAlpha240CountsAsOpaque) {
    ScopedCaps caps(1.0f, false, false);
    for (uint8_t alpha : {240, 239}) {
        Texture texture{};  // 4 x 2 in an 8 x 4 buffer whose padding is transparent
        texture.width = 4, texture.height = 2, texture.format = kFormatRGBA8888;
        texture.paddedWidth = 8, texture.paddedHeight = 4;
        Bytes pixels(8 * 4 * 4, 0);
        for (int i : {0, 1, 2, 8, 9, 10, 11}) pixels[i * 4 + 3] = 255;
        pixels[3 * 4 + 3] = alpha;
        applyTexture16BitRule(&texture, pixels.data());
        EXPECT_EQ(texture.format, alpha == 240 ? kFormatRGB565 : kFormatRGBA4444) << +alpha;
    }
}

TEST_F(TextureTest, TheGlDecidesTheTexelFormatAndWhoMakesTheMipmaps) {
    struct Case {
        float glVersion;
        int32_t memory;
        bool mipmapped;
        int32_t format;
        GLint minFilter;
    };
    // GL 1.0 packs 16 bits and makes mipmaps itself; GL 1.1 keeps 32 bits with more than 256.0
    // of texture memory and has GL make them.
    for (const Case& c : {Case{1.0f, 0x01400000, true, kFormatRGB565, GL_LINEAR_MIPMAP_NEAREST},
                          Case{1.1f, 0x01400000, false, kFormatRGBA8888, GL_LINEAR},
                          Case{1.1f, 0x01400000, true, kFormatRGBA8888, GL_LINEAR_MIPMAP_LINEAR},
                          Case{2.0f, 0x01000001, false, kFormatRGBA8888, GL_LINEAR},
                          Case{1.1f, 0x01000000, true, kFormatRGB565, GL_LINEAR_MIPMAP_LINEAR}}) {
        ScopedCaps caps(c.glVersion, false, false, c.memory);
        Texture* t = loadPng(pngOf(makePicture(4, 4)), c.mipmapped);
        ASSERT_NE(t, nullptr);
        const bool software = c.glVersion < 1.1f;
        EXPECT_EQ(t->format, c.format) << c.glVersion << " " << c.memory;
        EXPECT_EQ(t->softMipmaps * 10 + t->gpuMipmaps, software ? 10 : 1);
        EXPECT_EQ(texParameter(t, GL_TEXTURE_MIN_FILTER), c.minFilter);
        EXPECT_EQ(texParameter(t, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(texParameter(t, 0x8191), c.mipmapped && !software);  // GL_GENERATE_MIPMAP
        destroyTexture(t);
    }
}

TEST_F(TextureTest, SixteenBitTexturesAndSoftwareMipmapsDrawTheirTexels) {
    ScopedCaps caps(1.0f, false, false);
    glDisable(GL_BLEND);
    // One texel wide: 2-byte rows, which GL's default row alignment would misread; 3 wide:
    // padding at the end of each row.
    const Picture pictures[2] = {makePicture(1, 8), makePicture(3, 5, 100)};
    const Picture mip = makePicture(4, 4);
    Texture* t[3] = {loadPng(pngOf(pictures[0])), loadPng(pngOf(pictures[1])),
                     loadPng(pngOf(mip), true)};
    ASSERT_TRUE(t[0] && t[1] && t[2]);
    EXPECT_EQ(t[1]->format, kFormatRGBA4444);
    g_->drawImage(adopt(t[0]), 0, 0, 0);
    g_->drawImage(adopt(t[1]), 10, 0, 0);
    g_->drawRegionEx(adopt(t[2]), 0, 0, 4, 4, kTransformNone, 20, 0, 0, 0.5f, 0, 0, 1.0f);
    capture();
    for (int k = 0; k < 2; ++k) {
        Picture quantised = pictures[k];
        for (size_t i = 0; i < quantised.rgba.size(); ++i) {
            const int bits = k ? 4 : (i % 4 == 1 ? 6 : 5), v = quantised.rgba[i] >> (8 - bits);
            quantised.rgba[i] = static_cast<uint8_t>(v << (8 - bits) | v >> (2 * bits - 8));
        }
        EXPECT_LE(worstError(quantised, 10 * k, 0), 1) << "format " << t[k]->format;
    }
    // Drawn at half size, level 1 shows texels (0,0), (2,0), (0,2), (2,2) as they are (up to
    // the 5- and 6-bit fields): every other texel, not averages.
    Picture level1{2, 2, {}};
    for (int i : {0, 2, 8, 10})
        level1.rgba.insert(level1.rgba.end(), &mip.rgba[i * 4], &mip.rgba[i * 4 + 4]);
    EXPECT_LE(worstError(level1, 20, 0), 8);
}

TEST_F(TextureTest, NamesPickTheLoaderByExtensionAndAtcTwinsWhereAtcIsAvailable) {
    const Bytes p01 = vectorBytes("p01_grad_64x64_4bpp_rgb.pvr");
    zvtest::ScopedPack pack({{"tree.pvr", p01},
                             {"tree.atc", atcFile(64, 64, true, 16 * 2048)},
                             {"rock.pvr", vectorBytes("p07_noise_8x8_4bpp_rgb.pvr")},
                             {"logo.png", pngOf(makePicture(30, 17))},
                             {"bad.png", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}},
                             {"cut.png", cut(pngOf(makePicture(8, 8)), 20)},
                             {"short.pvr", cut(p01, 8)},
                             {"short.atc", atcFile(64, 64, false, 2047)}});
    struct Case {
        bool atc;
        const char* request;
        const char* loaded = nullptr;  // no texture
        int32_t sourceKind = 0;
    };
    const Case cases[] = {
        {false, "/tree.PVR", "/tree.pvr", kSourcePVR}, {false, "logo.PNG", "logo.png", kSourcePNG},
        {false, "Logo.png", nullptr},  // only the extension is lower-cased
        {false, "missing.pvr", nullptr}, {false, "missing.png", nullptr}, {false, nullptr},
        {false, "bad.png", nullptr},     {false, "cut.png", nullptr},
        {true, "tree.PVR", "tree.atc", kSourceATC},
        {true, "rock.pvr", "rock.pvr", kSourcePVR},  // no twin
        {true, "short.pvr", nullptr},                // the twin too short, the PVR too
    };
    const int registered = registeredResourceCount();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        ScopedCaps caps(1.1f, false, c.atc);
        Texture* t = loadTextureByName(c.request, c.atc);
        EXPECT_EQ(t != nullptr, c.loaded != nullptr) << (c.request ? c.request : "null");
        if (!t || !c.loaded) continue;
        EXPECT_STREQ(t->name, c.loaded);
        EXPECT_EQ(t->sourceKind, c.sourceKind) << c.request;
        destroyTexture(t);
    }
    Image* image = createImage("/logo.png");
    EXPECT_EQ(createImage("/nothing.png"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ((std::vector<int>{image->width, image->height, image->texture->paddedWidth}),
              (std::vector<int>{30, 17, 32}));
    destroyImage(image);
    EXPECT_EQ(registeredResourceCount(), registered);
}

bool isRegistered(const void* object, int32_t kind) {
    for (const RegistryEntry& e : g_resourceRegistry->slots)
        if (e.object == object) return e.kind == kind;
    return false;
}

TEST_F(TextureTest, UploadsRegisterOnceRestoreTheBindingAndDestroyingUndoesBoth) {
    const int before = registeredResourceCount();
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    g_boundTexture2D = 12345;  // stale on purpose
    const Bytes png = pngOf(makePicture(2, 2));
    Texture* t = loadPng(png);
    ASSERT_NE(t, nullptr);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(other));
    EXPECT_EQ(g_boundTexture2D, static_cast<int32_t>(other));
    glDeleteTextures(1, &other);
    EXPECT_TRUE(isRegistered(t, kResourceTexture));
    EXPECT_FALSE(registerResource(kResourceTexture, t)) << "no second entry";
    EXPECT_EQ(registeredResourceCount(), before + 1);
    const GLuint name = t->glName;
    bindTexture2D(name);
    destroyTexture(t);
    EXPECT_NE(g_boundTexture2D, static_cast<int32_t>(name));
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(registeredResourceCount(), before);

    // A full table is silent, and the texture works all the same.
    std::vector<int> dummies(kRegistrySlots);
    int added = 0;
    for (int& d : dummies) added += registerResource(kResourceVertexStore, &d);
    EXPECT_EQ(added, kRegistrySlots - before);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    t = loadPng(png);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(glIsTexture(t->glName));
    EXPECT_FALSE(isRegistered(t, kResourceTexture));
    for (int& d : dummies) unregisterResource(&d);
    destroyTexture(t);  // not registered: nothing else leaves the table
    EXPECT_EQ(registeredResourceCount(), before);
}

}  // namespace
