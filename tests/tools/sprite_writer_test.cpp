// The sprite writer: what it writes is what the game's reader reads back, in byte or 16-bit
// sections as the values need, and what cannot be written is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/sprite.h"
#include "tools/writers/sprite_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Sprite* parseCopy(const Bytes& bytes) {
    uint8_t* data = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    return parseSprite(data, bytes.size());
}

bool hasSection(const Bytes& bytes, const char* tag) {
    for (size_t i = 4; i + 4 <= bytes.size(); i += 4 + (bytes[i + 2] | bytes[i + 3] << 8)) {
        if (bytes[i] == tag[0] && bytes[i + 1] == tag[1]) return true;
    }
    return false;
}

SpriteDef sampleDef() {
    SpriteDef def;
    for (int f = 0; f < 6; ++f) {
        SpriteFrameDef frame;
        for (int m = 0; m <= f % 3; ++m) {
            SpriteModuleDef module;
            module.sourceX = f * 20 + m;
            module.sourceY = m * 9;
            module.width = 3 + f;
            module.height = 2 + m;
            module.picture = (f + m) % 4;
            module.offsetX = m * 4 - 6;
            module.offsetY = -f;
            frame.modules.push_back(module);
        }
        frame.mirrored = f % 2 == 1;
        frame.referenceX = f;
        frame.referenceY = 2 * f;
        def.frames.push_back(frame);
    }
    def.frames[4].modules.clear();
    def.frames[4].aliasOf = 2;
    def.imageCount = 4;
    return def;
}

TEST(SpriteWriter, TheReaderGetsBackEveryFrameAndModule) {
    const SpriteDef def = sampleDef();
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(buildSprite(def, &bytes, &error)) << error;
    Sprite* s = parseCopy(bytes);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->frameCount, 6);
    EXPECT_EQ(s->imageCount, 4);
    for (int f = 0; f < 6; ++f) {
        const SpriteFrameDef& owner =
            def.frames[def.frames[f].aliasOf >= 0 ? def.frames[f].aliasOf : f];
        ASSERT_EQ(frameModuleCount(s, f), static_cast<int>(owner.modules.size())) << f;
        EXPECT_EQ(frameMirrored(s, f), def.frames[f].mirrored) << f;
        for (size_t i = 0; i < owner.modules.size(); ++i) {
            SpriteModule m;
            ASSERT_TRUE(spriteModule(s, s->firstModule[f] + static_cast<int>(i), &m));
            const SpriteModuleDef& d = owner.modules[i];
            EXPECT_EQ(std::vector<int>({m.sourceX, m.sourceY, m.width, m.height, m.picture,
                                        m.offsetX, m.offsetY}),
                      std::vector<int>({d.sourceX, d.sourceY, d.width, d.height, d.picture,
                                        d.offsetX, d.offsetY}))
                << "frame " << f << " module " << i;
        }
        int left, top, right, bottom;
        if (frameBounds(s, f, &left, &top, &right, &bottom) && !def.frames[f].mirrored) {
            EXPECT_EQ(left, owner.modules[0].offsetX - def.frames[f].referenceX) << f;
        }
    }
    destroySprite(s);
}

TEST(SpriteWriter, SectionsUseBytesUntilAValueNeedsMore) {
    SpriteDef def = sampleDef();
    Bytes bytes;
    ASSERT_TRUE(buildSprite(def, &bytes, nullptr));
    for (const char* tag : {"Fb", "Sb", "Db", "Ob", "FM"}) {
        EXPECT_TRUE(hasSection(bytes, tag)) << tag;
    }

    // Frame 0: modules at offsets (-6, 0) 3 x 2 and (-200, 0) 128 x 3: one value too large for
    // a byte in each section.
    def.frames[0].modules.push_back(def.frames[0].modules[0]);
    SpriteModuleDef& big = def.frames[0].modules[1];
    big.sourceX = 256;
    big.offsetX = -200;
    big.width = 128;  // d0 = 256
    big.height = 3;
    def.frames[0].referenceY = 300;
    ASSERT_TRUE(buildSprite(def, &bytes, nullptr));
    for (const char* tag : {"Fs", "Ss", "Ds", "Os"}) EXPECT_TRUE(hasSection(bytes, tag)) << tag;
    Sprite* s = parseCopy(bytes);
    ASSERT_NE(s, nullptr);
    SpriteModule m;
    spriteModule(s, 1, &m);
    EXPECT_EQ(m.sourceX, 256);
    EXPECT_EQ(m.offsetX, -200);
    EXPECT_EQ(m.width, 128);
    EXPECT_EQ(frameWidth(s, 0), 200 - 6 + 3);  // from ox -200 to -6 + 3
    EXPECT_EQ(frameHeight(s, 0), 3);
    int left, top, right, bottom;
    ASSERT_TRUE(frameBounds(s, 0, &left, &top, &right, &bottom));
    EXPECT_EQ(top, -300) << "oy - fy";
    destroySprite(s);

    SpriteDef zeros;
    zeros.frames.resize(1);
    zeros.frames[0].modules.resize(1);
    ASSERT_TRUE(buildSprite(zeros, &bytes, nullptr));
    EXPECT_FALSE(hasSection(bytes, "Fb")) << "all-zero reference points are left out";
    EXPECT_FALSE(hasSection(bytes, "Ob"));
}

TEST(SpriteWriter, RefusesWhatTheFormatCannotHold) {
    Bytes bytes;
    std::string error;
    SpriteDef def = sampleDef();
    def.frames[0].modules.resize(32);
    EXPECT_FALSE(buildSprite(def, &bytes, &error));
    EXPECT_NE(error.find("31"), std::string::npos) << error;

    def = sampleDef();
    def.frames[5].aliasOf = 4;  // 4 is itself an alias
    EXPECT_FALSE(buildSprite(def, &bytes, &error));

    def = sampleDef();
    def.frames[1].modules[0].offsetY = 40000;
    EXPECT_FALSE(buildSprite(def, &bytes, &error));

    def = sampleDef();
    def.frames.resize(2);
    def.frames[1].modules.resize(31);
    for (int i = 0; i < 700; ++i) def.frames.push_back(def.frames[1]);  // ~700 x 31 modules
    EXPECT_FALSE(buildSprite(def, &bytes, &error));
    EXPECT_NE(error.find("64 KiB"), std::string::npos) << error;
}

}  // namespace
