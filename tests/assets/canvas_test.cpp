// The painter and the sheet under the art: anti-aliased coverage is true to a shape's area,
// shadows keep their weight, transparent borders take their neighbours' colour, shelves keep
// pictures apart, and a sheet's frames point at their own pictures in the atlas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx2d/sprite.h"
#include "tools/assets/canvas.h"
#include "tools/assets/sprite_sheet.h"

namespace {

using namespace art;

TEST(Canvas, CoverageIsTrueToEachShapesAreaWithSoftEdgesAndShadowsKeepTheirWeight) {
    const float pi = 3.14159265f, rounded = 26 * 26 - (4 - pi) * 16;  // 26 square, corners r 4
    struct Case {
        Shape shape;
        float area, tolerance;
        int fullX, fullY, clearX, clearY;
    } cases[] = {
        {circle(20.3f, 19.6f, 12.3f), pi * 12.3f * 12.3f, 2, 20, 20, 2, 2},
        {subtract(roundedRect(2, 2, 28, 28, 4), circle(15, 15, 6)), rounded - pi * 36, 2, 5, 15,
         15, 15},
        {polygon({5, 5, 25, 5, 5, 25}), 200, 1.5f, 7, 7, 22, 22},  // a right triangle, legs 20
        {nullptr, 400, 4, 33, 33, 2, 2},  // a 20 square's shadow, 3 down and right, softened 3
    };
    for (const Case& c : cases) {
        Canvas canvas(60, 60);
        if (c.shape) canvas.fill(c.shape, rgb(0xFFFFFF));
        else canvas.softShadow(roundedRect(20, 20, 40, 40, 0), 3, 3, 3, rgb(0x000000, 1.0f));
        double sum = 0;
        int soft = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                sum += canvas.pixel(x, y).a;
                soft += canvas.pixel(x, y).a > 0.05f && canvas.pixel(x, y).a < 0.95f;
            }
        EXPECT_NEAR(sum, c.area, c.tolerance);
        EXPECT_GT(canvas.pixel(c.fullX, c.fullY).a, c.shape ? 0.999f : 0.9f);
        EXPECT_EQ(canvas.pixel(c.clearX, c.clearY).a, 0.0f);
        EXPECT_GT(soft, 4) << "edges are anti-aliased";
        if (!c.shape) {
            EXPECT_GT(canvas.pixel(45, 30).a, 0.0f) << "the shadow reaches past the shape";
        }
    }

    // Transparent pixels next to visible ones take their colour; a few pixels away none do.
    Canvas c(20, 10);
    c.fill(roundedRect(0, 0, 6, 10, 0), rgb(0xFF8000));
    const std::vector<uint8_t> rgba = c.toRgba();
    EXPECT_EQ(std::vector<uint8_t>(&rgba[(5 * 20 + 7) * 4], &rgba[(5 * 20 + 8) * 4]),
              (std::vector<uint8_t>{0xFF, 0x80, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(&rgba[(5 * 20 + 18) * 4], &rgba[(5 * 20 + 19) * 4]),
              (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(SpriteSheet, ShelvesKeepPicturesInsideAndApartAndFramesPointAtTheirOwn) {
    std::vector<std::pair<int, int>> sizes, at;
    for (int i = 0; i < 40; ++i) sizes.push_back({5 + (i * 37) % 60, 3 + (i * 23) % 45});
    int height = 0;
    ASSERT_TRUE(packShelves(sizes, 128, 2, &at, &height));
    for (size_t i = 0; i < sizes.size(); ++i) {
        const auto [x, y] = at[i];
        const auto [w, h] = sizes[i];
        EXPECT_TRUE(x + w <= 128 && y + h <= height) << i;
        for (size_t j = i + 1; j < sizes.size(); ++j)
            EXPECT_TRUE(x + w + 2 <= at[j].first || at[j].first + sizes[j].first + 2 <= x ||
                        y + h + 2 <= at[j].second || at[j].second + sizes[j].second + 2 <= y)
                << i << " and " << j << " are closer than the gap";
    }
    EXPECT_FALSE(packShelves({{129, 4}}, 128, 2, &at, &height));

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
    EXPECT_EQ(s->frameCount, 3);
    EXPECT_EQ(frameModuleCount(s, 1), 0);
    EXPECT_EQ(frameModuleCount(s, 2), 2);
    SpriteModule m{};
    EXPECT_TRUE(spriteModule(s, s->firstModule[2] + 1, &m));
    EXPECT_EQ(std::vector<int>({m.width, m.height, m.offsetX, m.offsetY}),
              std::vector<int>({4, 12, 12, -3}));
    EXPECT_EQ(frameWidth(s, 2) * 100 + frameHeight(s, 2), 16 * 100 + 12);
    destroySprite(s);
    const size_t blueAt = (static_cast<size_t>(m.sourceY + 5) * built.atlasWidth + m.sourceX + 2);
    EXPECT_EQ(built.rgba[blueAt * 4 + 2], 0xFF) << "the module cuts the blue picture out";
    EXPECT_EQ(built.rgba[blueAt * 4 + 3], 0xFF);
}

}  // namespace
