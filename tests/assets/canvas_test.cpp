// The painter and the sheet under the art: anti-aliased coverage is true to a shape's area,
// shadows keep their weight, transparent borders take their neighbours' colour, and a sheet's
// frames point at their own pictures in the atlas.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx2d/sprite.h"
#include "tools/assets/canvas.h"
#include "tools/assets/sprite_sheet.h"

namespace {

using namespace art;

double alphaSum(const Canvas& c) {
    double sum = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) sum += c.pixel(x, y).a;
    return sum;
}

TEST(Canvas, CoverageOfACircleMatchesItsAreaWithSoftEdges) {
    Canvas c(40, 40);
    c.fill(circle(20.3f, 19.6f, 12.3f), rgb(0xFFFFFF));
    EXPECT_NEAR(alphaSum(c), 3.14159265 * 12.3 * 12.3, 2.0);
    EXPECT_FLOAT_EQ(c.pixel(20, 20).a, 1.0f);
    EXPECT_EQ(c.pixel(2, 2).a, 0.0f);
    int partial = 0;
    for (int x = 0; x < 40; ++x) partial += c.pixel(x, 19).a > 0.05f && c.pixel(x, 19).a < 0.95f;
    EXPECT_GE(partial, 1) << "the edge is anti-aliased";
}

TEST(Canvas, ShapesCombineAndPolygonsFillTheirInside) {
    Canvas c(30, 30);
    c.fill(subtract(roundedRect(2, 2, 28, 28, 4), circle(15, 15, 6)), rgb(0xFF0000));
    EXPECT_EQ(c.pixel(15, 15).a, 0.0f) << "the hole";
    EXPECT_FLOAT_EQ(c.pixel(5, 15).a, 1.0f);
    Canvas t(30, 30);
    t.fill(polygon({5, 5, 25, 5, 5, 25}), rgb(0x00FF00));
    EXPECT_NEAR(alphaSum(t), 200.0, 1.5) << "a right triangle of legs 20";
    EXPECT_FLOAT_EQ(t.pixel(7, 7).a, 1.0f);
    EXPECT_EQ(t.pixel(22, 22).a, 0.0f);
}

TEST(Canvas, ASoftShadowSpreadsButKeepsItsWeight) {
    Canvas c(60, 60);
    c.softShadow(roundedRect(20, 20, 40, 40, 0), 3, 3, 3, rgb(0x000000, 1.0f));
    EXPECT_NEAR(alphaSum(c), 400.0, 4.0);
    EXPECT_GT(c.pixel(45, 30).a, 0.0f) << "it reaches past the moved shape";
    EXPECT_GT(c.pixel(33, 33).a, 0.9f);
}

TEST(Canvas, TransparentPixelsTakeTheColourOfTheirVisibleNeighbours) {
    Canvas c(20, 10);
    c.fill(roundedRect(0, 0, 6, 10, 0), rgb(0xFF8000));
    const std::vector<uint8_t> rgba = c.toRgba();
    const uint8_t* next = &rgba[(5 * 20 + 7) * 4];  // one pixel right of the square
    EXPECT_EQ(next[3], 0);
    EXPECT_EQ(next[0], 0xFF);
    EXPECT_EQ(next[1], 0x80);
    const uint8_t* far = &rgba[(5 * 20 + 18) * 4];
    EXPECT_EQ(far[0] + far[1] + far[2] + far[3], 0) << "only a few pixels around are touched";
}

TEST(SpriteSheet, ShelfPackingKeepsEveryPictureInsideAndApart) {
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < 40; ++i) sizes.push_back({5 + (i * 37) % 60, 3 + (i * 23) % 45});
    std::vector<std::pair<int, int>> at;
    int height = 0;
    ASSERT_TRUE(packShelves(sizes, 128, 2, &at, &height));
    for (size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_LE(at[i].first + sizes[i].first, 128);
        EXPECT_LE(at[i].second + sizes[i].second, height);
        for (size_t j = i + 1; j < sizes.size(); ++j) {
            const bool apart = at[i].first + sizes[i].first + 2 <= at[j].first ||
                               at[j].first + sizes[j].first + 2 <= at[i].first ||
                               at[i].second + sizes[i].second + 2 <= at[j].second ||
                               at[j].second + sizes[j].second + 2 <= at[i].second;
            EXPECT_TRUE(apart) << i << " and " << j;
        }
    }
    EXPECT_FALSE(packShelves({{129, 4}}, 128, 2, &at, &height));
}

TEST(SpriteSheet, FramesPointAtTheirPicturesWithTheirOffsets) {
    SpriteSheet sheet(64);
    Canvas red(10, 6), blue(4, 12);
    red.fill(roundedRect(0, 0, 10, 6, 0), rgb(0xFF0000));
    blue.fill(roundedRect(0, 0, 4, 12, 0), rgb(0x0000FF));
    const int r = sheet.addPicture(red), b = sheet.addPicture(blue);
    sheet.setFrame(0, r);
    sheet.setFrame(2, {{r, 0, 0}, {b, 12, -3}});  // frame 1 stays empty
    BuiltSprite built;
    std::string error;
    ASSERT_TRUE(sheet.build(&built, &error)) << error;
    uint8_t* data = new uint8_t[built.spr.size()];
    std::copy(built.spr.begin(), built.spr.end(), data);
    Sprite* s = parseSprite(data, built.spr.size());
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->frameCount, 3);
    EXPECT_EQ(frameModuleCount(s, 1), 0);
    ASSERT_EQ(frameModuleCount(s, 2), 2);
    SpriteModule m;
    ASSERT_TRUE(spriteModule(s, s->firstModule[2] + 1, &m));
    EXPECT_EQ(m.width, 4);
    EXPECT_EQ(m.height, 12);
    EXPECT_EQ(m.offsetX, 12);
    EXPECT_EQ(m.offsetY, -3);
    const uint8_t* pixel =
        &built.rgba[(static_cast<size_t>(m.sourceY + 5) * built.atlasWidth + m.sourceX + 2) * 4];
    EXPECT_EQ(pixel[2], 0xFF) << "the module cuts the blue picture out of the atlas";
    EXPECT_EQ(pixel[3], 0xFF);
    EXPECT_EQ(frameWidth(s, 2), 16);
    EXPECT_EQ(frameHeight(s, 2), 12);
    destroySprite(s);
}

}  // namespace
