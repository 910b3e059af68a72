// The font builder over DejaVu Sans: every character it promises has a glyph frame standing on
// the baseline, the atlas holds white glyphs with coverage in alpha, and the game reads it all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "gfx2d/sprite.h"
#include "tools/writers/font_builder.h"

namespace {

TEST(FontBuilder, GlyphsForEveryPromisedCharacterStandOnTheBaselineInWhiteWithAlphaCoverage) {
    FontBuildOptions options;
    options.letterSpacing = -1;
    FontBuild built;
    std::string error;
    ASSERT_TRUE(buildFont(options, &built, &error)) << error;
    uint8_t* data = new uint8_t[built.spr.size()];
    std::copy(built.spr.begin(), built.spr.end(), data);
    Sprite* font = parseSprite(data, built.spr.size());
    ASSERT_TRUE(isFont(font));
    // The default set: printable ASCII and Latin-1, all of which DejaVu has.
    for (int c = 32; c <= 255; ++c) EXPECT_EQ(glyphFrame(font, c) >= 0, c <= 126 || c >= 160) << c;
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(glyphFrame(font, 10), kNoGlyph);
    EXPECT_EQ(letterSpacing(font), -1);
    EXPECT_GE(lineHeight(font), 16);
    EXPECT_GT(fontAscent(font), 10);
    EXPECT_LT(fontAscent(font), lineHeight(font));
    EXPECT_EQ(frameWidth(font, glyphFrame(font, ' ')), spaceAdvance(font));
    const uint16_t narrow[4] = {'i', 'i', 'i', 'i'}, wide[4] = {'M', 'M', 'M', 'M'};
    EXPECT_LT(stringWidth(font, narrow, 0, 4) * 2, stringWidth(font, wide, 0, 4));

    auto glyph = [font](int code) {
        SpriteModule m{};
        spriteModule(font, font->firstModule[glyphFrame(font, code)], &m);
        return m;
    };
    const SpriteModule x = glyph('x'), g = glyph('g'), h = glyph('H'), e = glyph(0xC9);
    destroySprite(font);
    EXPECT_EQ(x.offsetY + x.height, 0) << "'x' ends on the baseline";
    EXPECT_EQ(h.offsetY + h.height, 0);
    EXPECT_GT(g.offsetY + g.height, 2) << "'g' descends below it";
    EXPECT_LT(h.offsetY, x.offsetY) << "capitals rise above the x-height";
    EXPECT_LT(e.offsetY, h.offsetY) << "the accent of 0xC9 rises above the capital";

    int32_t w = 0, rows = 0;
    uint8_t* pixels = decodePngImage(built.png.data(), built.png.size(), &w, &rows);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w * 10000 + rows, built.atlasWidth * 10000 + built.atlasHeight);
    EXPECT_TRUE(std::equal(built.rgba.begin(), built.rgba.end(), pixels));
    delete[] pixels;
    int covered = 0, full = 0;
    for (int y = h.sourceY; y < h.sourceY + h.height; ++y)
        for (int px = h.sourceX; px < h.sourceX + h.width; ++px) {
            const uint8_t* p = &built.rgba[(static_cast<size_t>(y) * w + px) * 4];
            EXPECT_EQ(p[0] & p[1] & p[2], 255);
            covered += p[3] > 0;
            full += p[3] == 255;
        }
    EXPECT_GT(full, 2 * h.height) << "the two stems of 'H' are solid";
    EXPECT_LT(covered, h.width * h.height);
}

}  // namespace
