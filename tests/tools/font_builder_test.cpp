// The font builder over DejaVu Sans: every character it promises has a glyph frame standing on
// the baseline, the atlas holds white glyphs with coverage in alpha, and the game reads it all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "gfx2d/sprite.h"
#include "tools/writers/font_builder.h"

namespace {

class FontBuilder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FontBuildOptions options;
        options.pixelSize = 16;
        options.letterSpacing = -1;
        std::string error;
        built_ = new FontBuild();
        ok_ = buildFont(options, built_, &error);
        EXPECT_TRUE(ok_) << error;
    }
    static void TearDownTestSuite() { delete built_; }
    void SetUp() override {
        ASSERT_TRUE(ok_);
        uint8_t* data = new uint8_t[built_->spr.size()];
        std::copy(built_->spr.begin(), built_->spr.end(), data);
        font_ = parseSprite(data, built_->spr.size());
        ASSERT_NE(font_, nullptr);
    }
    void TearDown() override { destroySprite(font_); }

    // The module of a character's glyph frame.
    SpriteModule glyph(int code) const {
        SpriteModule m{};
        const int frame = glyphFrame(font_, code);
        EXPECT_GE(frame, 0) << code;
        if (frame >= 0) spriteModule(font_, font_->firstModule[frame], &m);
        return m;
    }

    static FontBuild* built_;
    static bool ok_;
    Sprite* font_ = nullptr;
};
FontBuild* FontBuilder::built_ = nullptr;
bool FontBuilder::ok_ = false;

TEST_F(FontBuilder, CoversAsciiAndLatin1Letters) {
    ASSERT_TRUE(isFont(font_));
    for (int c = 32; c <= 126; ++c) EXPECT_GE(glyphFrame(font_, c), 0) << c;
    for (int c = 0xC0; c <= 0xFF; ++c) EXPECT_GE(glyphFrame(font_, c), 0) << c;
    EXPECT_EQ(glyphFrame(font_, 10), kNoGlyph);
    EXPECT_EQ(letterSpacing(font_), -1);
    EXPECT_GE(lineHeight(font_), 16);
    EXPECT_GT(fontAscent(font_), 10);
    EXPECT_LT(fontAscent(font_), lineHeight(font_));
    EXPECT_EQ(frameWidth(font_, glyphFrame(font_, ' ')), spaceAdvance(font_));
}

TEST_F(FontBuilder, GlyphsStandOnTheBaseline) {
    const SpriteModule x = glyph('x'), g = glyph('g'), h = glyph('H'), e = glyph(0xC9);
    EXPECT_EQ(x.offsetY + x.height, 0) << "'x' ends on the baseline";
    EXPECT_GT(g.offsetY + g.height, 2) << "'g' descends below it";
    EXPECT_LT(h.offsetY, x.offsetY) << "capitals rise above the x-height";
    EXPECT_LT(e.offsetY, h.offsetY) << "the accent of 0xC9 rises above the capital";
    EXPECT_EQ(h.offsetY + h.height, 0);
    const uint16_t narrow[4] = {'i', 'i', 'i', 'i'}, wide[4] = {'M', 'M', 'M', 'M'};
    EXPECT_LT(stringWidth(font_, narrow, 0, 4) * 2, stringWidth(font_, wide, 0, 4));
}

TEST_F(FontBuilder, TheAtlasHoldsWhiteGlyphsWithCoverageInAlpha) {
    int32_t w = 0, h = 0;
    uint8_t* pixels = decodePngImage(built_->png.data(), built_->png.size(), &w, &h);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(w, built_->atlasWidth);
    ASSERT_EQ(h, built_->atlasHeight);
    EXPECT_TRUE(std::equal(built_->rgba.begin(), built_->rgba.end(), pixels));
    delete[] pixels;

    const SpriteModule m = glyph('H');
    int covered = 0, full = 0;
    for (int y = m.sourceY; y < m.sourceY + m.height; ++y) {
        for (int x = m.sourceX; x < m.sourceX + m.width; ++x) {
            const uint8_t* p = &built_->rgba[(static_cast<size_t>(y) * w + x) * 4];
            EXPECT_EQ(p[0] & p[1] & p[2], 255);
            covered += p[3] > 0;
            full += p[3] == 255;
        }
    }
    EXPECT_GT(full, 2 * m.height) << "the two stems of 'H' are solid";
    EXPECT_LT(covered, m.width * m.height);
}

}  // namespace
