// The 2D drawing context on the real Mesa OpenGL ES 1.1, headless: anchors, clipping, the eight
// region transforms, scaled, turned and faded regions, read back as upright pictures.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/screen_2d_fixture.h"

namespace {

using GraphicsTest = zvtest::Screen2dTest;
using zvtest::Box;

// A picture whose texels name themselves: red = 4 x column, green = 4 x row.
uint32_t coordinateTexel(int x, int y) {
    return static_cast<uint32_t>(x * 4) << 16 | (y * 4) << 8 | 0x40;
}

TEST(GraphicsAnchor, ResolvesEachEdgeAndRejectsContradictions) {
    struct Case { int anchor; int x, y; bool ok; };
    const Case cases[] = {
        {0, 100, 50, true},     {20, 100, 50, true},   {3, 80, 45, true},  {40, 60, 40, true},
        {36, 100, 40, true},    {17, 80, 50, true},    {24, 60, 50, true}, {48, 100, 50, false},
        {18, 100, 50, false},   {34, 100, 50, false},  {21, 100, 50, false}, {10, 60, 45, true},
        {7, 100, 45, false},    {11, 100, 45, false},  {1, 100, 50, false},
        {12, 100, 50, false},   {84, 100, 50, false},  {0x94, 100, 50, false}, {4, 100, 50, false},
    };
    for (const Case& c : cases) {
        int x = 100, y = 50;
        testing::internal::CaptureStdout();
        const bool ok = Graphics::resolveAnchor(&x, &y, 40, 10, c.anchor);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ok, c.ok) << "anchor " << c.anchor;
        EXPECT_EQ(out, c.ok ? "" : "\nError!!! Bad Anchor") << "anchor " << c.anchor;
        EXPECT_EQ(x * 1000 + y, c.x * 1000 + c.y) << "anchor " << c.anchor;
    }
}

TEST_F(GraphicsTest, ClipsCutToTheBoundsAndImagesStandOnTheirAnchorInsideThem) {
    Image* target = solidImage(100, 50, 0);
    Graphics* ig = imageGraphics(target);
    ASSERT_NE(ig, nullptr);
    EXPECT_EQ(imageGraphics(target), ig) << "made once";
    // On the screen or on the image, translated by: x, y, w, h given; the clip x, y, w, h made.
    const int cases[][10] = {
        {0, 0, -10, 0, 20, 320, 0, 0, 10, 320}, {0, 0, 470, 300, 30, 40, 470, 300, 10, 20},
        {0, 5, 0, 0, 10, 10, 5, 5, 10, 10},     {0, 0, 500, 0, 10, 10, 0, 0, 0, 0},
        {1, 0, 0, 0, 480, 320, 0, 0, 100, 50},  {1, 0, 101, 0, 5, 5, 0, 0, 0, 0},
    };
    for (const int* c : cases) {
        Graphics* g = c[0] ? ig : g_;
        g->translate(c[1], c[1]);
        g->setClip(c[2], c[3], c[4], c[5]);
        g->translate(-c[1], -c[1]);
        EXPECT_EQ((Box{g->clipX(), g->clipY(), g->clipWidth(), g->clipHeight()}),
                  (Box{c[6], c[7], c[8], c[9]})) << c[2] << ", " << c[3];
    }
    // Nothing is drawn through an empty clip; a centred image shows its inside part only.
    Image* image = makeImage(64, 64, coordinateTexel);
    g_->setColor(0xFFFFFFFFu);
    g_->fillRect(0, 0, 480, 320);
    g_->drawImage(image, 0, 0, 0);
    g_->setClip(100, 100, 50, 50);
    g_->drawImage(image, 125, 125, kAnchorCenter);
    EXPECT_EQ(g_boundTexture2D, static_cast<int32_t>(image->texture->glName))
        << "bound through the cache";
    capture();
    EXPECT_EQ(litBox(), (Box{100, 100, 149, 149}));
    EXPECT_EQ(pixel(100, 100), coordinateTexel(7, 7));
    EXPECT_EQ(pixel(149, 130), coordinateTexel(56, 37));
}

// Destination corner that each source corner reaches (0 TL, 1 TR, 2 BL, 3 BR), per transform.
// Written from the picture's point of view: where does the source's top-left end up, ...
struct TransformCase { int transform; int topLeft, topRight, bottomLeft, bottomRight; };
const TransformCase kTransforms[] = {
    {0, 0, 1, 2, 3},  // none
    {1, 2, 3, 0, 1},  // vertical flip: top row goes to the bottom
    {2, 1, 0, 3, 2},  // horizontal flip
    {3, 3, 2, 1, 0},  // half turn
    {4, 0, 2, 1, 3},  // transpose: top-right goes to bottom-left
    {5, 1, 3, 0, 2},  // quarter clockwise: top-left goes to top-right
    {6, 2, 0, 3, 1},  // quarter anticlockwise: top-left goes to bottom-left
    {7, 3, 1, 2, 0},  // anti-transpose: top-left goes to bottom-right
};

TEST_F(GraphicsTest, TransformsPutTheSourceCornersWhereTheTableSaysAndOnlySomeClip) {
    // A 30 x 20 region at (3, 2).
    Image* image = makeImage(40, 24, coordinateTexel);
    const uint32_t corner[4] = {coordinateTexel(3, 2), coordinateTexel(32, 2),
                                coordinateTexel(3, 21), coordinateTexel(32, 21)};
    for (const TransformCase& c : kTransforms) {
        clear();
        g_->drawRegion(image, 3, 2, 30, 20, c.transform, 150, 100, 0);
        capture();
        const int w = c.transform >= 4 ? 20 : 30, h = 50 - w;
        const int reach[4] = {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(pixel(150 + (reach[k] & 1) * (w - 1), 100 + (reach[k] >> 1) * (h - 1)),
                      corner[k]) << "transform " << c.transform << ", source corner " << k;
        }
        EXPECT_EQ(litBox(), (Box{150, 100, 150 + w - 1, 100 + h - 1})) << c.transform;
        // Cut on all four sides, transforms 0, 2 and 5 show the same pixels inside the clip and
        // none outside it; the others draw whole.
        const std::vector<uint8_t> whole = screen_;
        clear();
        g_->setClip(155, 104, 14, 12);
        g_->drawRegion(image, 3, 2, 30, 20, c.transform, 150, 100, 0);
        g_->setClip(0, 0, 480, 320);
        capture();
        const bool clipped = c.transform == 0 || c.transform == 2 || c.transform == 5;
        int mismatches = 0;
        for (int y = 100; y < 130; ++y)
            for (int x = 150; x < 180; ++x) {
                const bool inClip = x >= 155 && x < 169 && y >= 104 && y < 116;
                const uint8_t* ref = &whole[(static_cast<size_t>(y) * 480 + x) * 4];
                mismatches += pixel(x, y) != ((clipped && !inClip) ? 0u : static_cast<uint32_t>(
                                                  ref[0] << 16 | ref[1] << 8 | ref[2]));
            }
        EXPECT_EQ(mismatches, 0) << "transform " << c.transform;
    }
    // Any other transform is reported and draws nothing.
    clear();
    testing::internal::CaptureStdout();
    g_->drawRegion(image, 0, 0, 8, 8, 8, 10, 10, 0);
    g_->drawRegionEx(image, 0, 0, 8, 8, -1, 10, 10, 0, 1.0f, 0, 0, 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "illegal argument for the draw region method. Bad Transform 8"
              "illegal argument for the draw region method. Bad Transform -1");
    capture();
    EXPECT_EQ(litBox()[2], -1);
}

TEST_F(GraphicsTest, RegionsScaleAboutTheAnchorTurnAboutThePivotAndFade) {
    // Left half red, right half green: a quarter turn about the centre (positive angles turn
    // clockwise on the screen, y being down) puts red on top.
    Image* image = makeImage(40, 10, [](int x, int) { return x < 20 ? 0xFF0000u : 0x00FF00u; });
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 200, 100, 0, 1.0f, 90.0f, kAnchorCenter, 1.0f);
    capture();
    EXPECT_EQ(litBox(), (Box{215, 85, 224, 124}));
    EXPECT_EQ(pixel(220, 90), 0xFF0000u);
    EXPECT_EQ(pixel(220, 120), 0x00FF00u);

    clear();
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 240, 160, kAnchorCenter, 2.0f, 0, 0, 1.0f);
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 10, 10, 0, 0.0f, 0, 0, 1.0f);  // scale 0: nothing
    capture();
    EXPECT_EQ(litBox(), (Box{200, 150, 279, 169}));

    // Faded through the texture environment, which is put back afterwards.
    clear();
    g_->drawRegionEx(solidImage(16, 16, 0xFFFFFF), 0, 0, 16, 16, 0, 100, 100, 0, 1.0f, 0, 0, 0.5f);
    capture();
    EXPECT_NEAR(static_cast<int>(pixel(108, 108) >> 16), 128, 2);
    EXPECT_NEAR(static_cast<int>(pixel(108, 108) & 0xFF), 128, 2);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
}

TEST_F(GraphicsTest, NormalisedProjectionMapsTheSquareOntoTheScreenAndPops) {
    float before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    pushNormalizedProjection();
    // The top-left quarter of the normalised square: x -1..0, y 0..1 (y up).
    const float quad[8] = {-1, 0, 0, 0, -1, 1, 0, 1};
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    popNormalizedProjection();
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_TRUE(std::equal(before, before + 16, after));
    capture();
    EXPECT_EQ(litBox(), (Box{0, 0, 239, 159}));
}

}  // namespace
