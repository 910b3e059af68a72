// The 2D drawing context on the real Mesa OpenGL ES 1.1, headless: anchors, clipping, the eight
// region transforms, scaled and rotated regions, rectangles, read back as upright pictures.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/gl_state.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

using PixelFn = std::function<uint32_t(int x, int y)>;  // 0xRRGGBB of texel (x, y)

constexpr uint32_t kBlack = 0x000000;

// A picture whose texels name themselves: red = 4 x column, green = 4 x row.
uint32_t coordinateTexel(int x, int y) {
    return static_cast<uint32_t>(x * 4) << 16 | (y * 4) << 8 | 0x40;
}

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
        Graphics::setViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
        g_ = new Graphics(nullptr, nullptr, 0, 0);
        clear();
    }
    void TearDown() override {
        for (Image* image : images_) destroyImage(image);
        delete g_;
    }

    // An opaque w x h picture uploaded straight to GL (nearest filtering, padded to powers of 2).
    Image* makeImage(int w, int h, const PixelFn& texel) {
        Texture* t = new Texture();
        t->width = w;
        t->height = h;
        t->paddedWidth = nextPowerOfTwo(w);
        t->paddedHeight = nextPowerOfTwo(h);
        t->format = kFormatRGBA8888;
        std::vector<uint8_t> pixels(static_cast<size_t>(t->paddedWidth) * t->paddedHeight * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t c = texel(x, y);
                uint8_t* p = &pixels[(static_cast<size_t>(y) * t->paddedWidth + x) * 4];
                p[0] = c >> 16; p[1] = c >> 8; p[2] = c; p[3] = 255;
            }
        }
        glGenTextures(1, &t->glName);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t->paddedWidth, t->paddedHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, pixels.data());
        g_boundTexture2D = -1;  // bound behind the cache's back
        Image* image = new Image();
        image->texture = t;
        image->width = w;
        image->height = h;
        images_.push_back(image);
        return image;
    }
    Image* solidImage(int w, int h, uint32_t rgb) {
        return makeImage(w, h, [rgb](int, int) { return rgb; });
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
    void litBox(int* x0, int* y0, int* x1, int* y1) const {
        *x0 = *y0 = 100000;
        *x1 = *y1 = -1;
        for (int y = 0; y < 320; ++y) {
            for (int x = 0; x < 480; ++x) {
                if (pixel(x, y) == kBlack) continue;
                *x0 = std::min(*x0, x); *y0 = std::min(*y0, y);
                *x1 = std::max(*x1, x); *y1 = std::max(*y1, y);
            }
        }
    }

    Graphics* g_ = nullptr;
    std::vector<Image*> images_;
    std::vector<uint8_t> screen_;
};

// ---- Anchors ----------------------------------------------------------------------------------

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
        EXPECT_EQ(x, c.x) << "anchor " << c.anchor;
        EXPECT_EQ(y, c.y) << "anchor " << c.anchor;
    }
}

TEST_F(GraphicsTest, AnchorZeroIsTopLeftAndThreeCentres) {
    g_->drawImage(solidImage(16, 16, 0xFF0000), 100, 100, 0);
    Image* green = solidImage(20, 10, 0x00FF00);
    g_->drawImage(green, 300, 200, kAnchorCenter);
    EXPECT_EQ(g_boundTexture2D, static_cast<int32_t>(green->texture->glName))
        << "bound through the cache";
    capture();
    EXPECT_EQ(pixel(100, 100), 0xFF0000u);
    EXPECT_EQ(pixel(115, 115), 0xFF0000u);
    EXPECT_EQ(pixel(99, 100), kBlack);
    EXPECT_EQ(pixel(116, 115), kBlack);
    EXPECT_EQ(pixel(290, 195), 0x00FF00u);
    EXPECT_EQ(pixel(309, 204), 0x00FF00u);
    EXPECT_EQ(pixel(289, 195), kBlack);
    EXPECT_EQ(pixel(290, 194), kBlack);
}

TEST_F(GraphicsTest, BadAnchorIsReportedAndTheImageStillDrawn) {
    testing::internal::CaptureStdout();
    g_->drawImage(solidImage(16, 16, 0xFFFFFF), 100, 100, kAnchorLeft | kAnchorRight);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nError!!! Bad Anchor");
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 100);
    EXPECT_EQ(y0, 100);
    EXPECT_EQ(x1, 115);
    EXPECT_EQ(y1, 115);
}

// ---- Clipping ---------------------------------------------------------------------------------

TEST_F(GraphicsTest, ClipShowsOnlyTheInsidePartOfAnImage) {
    g_->setClip(100, 100, 50, 50);
    g_->drawImage(makeImage(64, 64, coordinateTexel), 80, 80, 0);
    capture();
    EXPECT_EQ(pixel(100, 100), coordinateTexel(20, 20));
    EXPECT_EQ(pixel(143, 143), coordinateTexel(63, 63));
    EXPECT_EQ(pixel(120, 137), coordinateTexel(40, 57));
    EXPECT_EQ(pixel(99, 120), kBlack);
    EXPECT_EQ(pixel(120, 99), kBlack);
    EXPECT_EQ(pixel(144, 120), kBlack);
}

TEST_F(GraphicsTest, SetClipCutsToTheBoundsOrEmpties) {
    g_->setClip(-10, 0, 20, 320);
    EXPECT_EQ(g_->clipX(), 0);
    EXPECT_EQ(g_->clipWidth(), 10);
    EXPECT_EQ(g_->clipHeight(), 320);
    g_->setClip(470, 300, 30, 40);
    EXPECT_EQ(g_->clipWidth(), 10);
    EXPECT_EQ(g_->clipHeight(), 20);
    g_->translate(5, 7);
    g_->setClip(0, 0, 10, 10);
    EXPECT_EQ(g_->clipX(), 5);
    EXPECT_EQ(g_->clipY(), 7);
    g_->translate(-5, -7);

    g_->setClip(500, 0, 10, 10);
    EXPECT_EQ(g_->clipX() | g_->clipY() | g_->clipWidth() | g_->clipHeight(), 0);
    g_->setColor(0xFFFFFFFFu);
    g_->fillRect(0, 0, 480, 320);
    g_->drawImage(solidImage(8, 8, 0xFFFFFF), 0, 0, 0);
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x1, -1) << "nothing may be drawn through an empty clip";
}

TEST_F(GraphicsTest, AnImageContextBoundsItsClipByTheImageSize) {
    Image* target = solidImage(100, 50, 0);
    Graphics* ig = imageGraphics(target);
    ASSERT_NE(ig, nullptr);
    EXPECT_EQ(imageGraphics(target), ig) << "made once";
    ig->setClip(0, 0, 480, 320);
    EXPECT_EQ(ig->clipWidth(), 100);
    EXPECT_EQ(ig->clipHeight(), 50);
    ig->setClip(101, 0, 5, 5);
    EXPECT_EQ(ig->clipWidth(), 0);
}

// ---- Regions and transforms -------------------------------------------------------------------

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

TEST_F(GraphicsTest, EachTransformPutsTheSourceCornersWhereTheTableSays) {
    // A 12 x 6 region at (4, 2) of a larger picture, its corner texels coloured apart.
    const uint32_t corner[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    Image* image = makeImage(20, 10, [&](int x, int y) -> uint32_t {
        if (x == 4 && y == 2) return corner[0];
        if (x == 15 && y == 2) return corner[1];
        if (x == 4 && y == 7) return corner[2];
        if (x == 15 && y == 7) return corner[3];
        return (x >= 4 && x < 16 && y >= 2 && y < 8) ? 0x808080 : 0xFF00FF;
    });
    for (const TransformCase& c : kTransforms) {
        clear();
        g_->drawRegion(image, 4, 2, 12, 6, c.transform, 200, 100, 0);
        capture();
        const bool onSide = c.transform >= 4;
        const int w = onSide ? 6 : 12, h = onSide ? 12 : 6;
        const int destX[4] = {200, 200 + w - 1, 200, 200 + w - 1};
        const int destY[4] = {100, 100, 100 + h - 1, 100 + h - 1};
        const int reach[4] = {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(pixel(destX[reach[k]], destY[reach[k]]), corner[k])
                << "transform " << c.transform << ", source corner " << k;
        }
        int x0, y0, x1, y1;
        litBox(&x0, &y0, &x1, &y1);
        EXPECT_EQ(x1 - x0 + 1, w) << "transform " << c.transform;
        EXPECT_EQ(y1 - y0 + 1, h) << "transform " << c.transform;
    }
}

TEST_F(GraphicsTest, ClippedTransformsKeepTheirMappingWhereTheOthersIgnoreTheClip) {
    Image* image = makeImage(40, 24, coordinateTexel);
    for (int t = 0; t < 8; ++t) {
        // The whole region drawn without a clip is the reference...
        clear();
        g_->drawRegion(image, 3, 2, 30, 20, t, 150, 100, 0);
        capture();
        const std::vector<uint8_t> whole = screen_;
        // ...then cut on all four sides.
        clear();
        g_->setClip(155, 104, 14, 12);
        g_->drawRegion(image, 3, 2, 30, 20, t, 150, 100, 0);
        g_->setClip(0, 0, 480, 320);
        capture();
        const bool clipped = t == 0 || t == 2 || t == 5;
        int mismatches = 0, outside = 0;
        for (int y = 95; y < 135; ++y) {
            for (int x = 145; x < 185; ++x) {
                const bool inClip = x >= 155 && x < 169 && y >= 104 && y < 116;
                const uint8_t* ref = &whole[(static_cast<size_t>(y) * 480 + x) * 4];
                const uint32_t expected = (clipped && !inClip) ? kBlack
                    : static_cast<uint32_t>(ref[0]) << 16 | ref[1] << 8 | ref[2];
                if (pixel(x, y) != expected) ++mismatches;
                if (!inClip && pixel(x, y) != kBlack) ++outside;
            }
        }
        EXPECT_EQ(mismatches, 0) << "transform " << t;
        EXPECT_EQ(outside > 0, !clipped) << "transform " << t;
    }
}

TEST_F(GraphicsTest, QuarterTurnOfA40By10RegionCovers10By40) {
    g_->drawRegion(solidImage(64, 16, 0xFFFFFF), 0, 0, 40, 10, kTransformQuarterClockwise, 200,
                   100, 0);
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 200);
    EXPECT_EQ(y0, 100);
    EXPECT_EQ(x1, 209);
    EXPECT_EQ(y1, 139);
}

TEST_F(GraphicsTest, BadTransformIsReportedAndDrawsNothing) {
    Image* image = solidImage(8, 8, 0xFFFFFF);
    testing::internal::CaptureStdout();
    g_->drawRegion(image, 0, 0, 8, 8, 8, 10, 10, 0);
    g_->drawRegionEx(image, 0, 0, 8, 8, -1, 10, 10, 0, 1.0f, 0, 0, 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "illegal argument for the draw region method. Bad Transform 8"
              "illegal argument for the draw region method. Bad Transform -1");
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x1, -1);
}

// ---- Scaled, turned and faded regions ----------------------------------------------------------

TEST_F(GraphicsTest, DrawRegionExFadesThroughModulateAndRestoresTheState) {
    g_->drawRegionEx(solidImage(16, 16, 0xFFFFFF), 0, 0, 16, 16, 0, 100, 100, 0, 1.0f, 0, 0, 0.5f);
    capture();
    const uint32_t c = pixel(108, 108);
    EXPECT_NEAR(static_cast<int>(c >> 16), 128, 2);
    EXPECT_NEAR(static_cast<int>(c & 0xFF), 128, 2);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
}

TEST_F(GraphicsTest, DrawRegionExScalesAboutTheAnchorAndTurnsAboutThePivot) {
    // Left half red, right half green: a quarter turn about the centre (positive angles turn
    // clockwise on the screen, y being down) puts red on top.
    Image* image = makeImage(40, 10, [](int x, int) { return x < 20 ? 0xFF0000u : 0x00FF00u; });
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 200, 100, 0, 1.0f, 90.0f, kAnchorCenter, 1.0f);
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 215);
    EXPECT_EQ(x1, 224);
    EXPECT_EQ(y0, 85);
    EXPECT_EQ(y1, 124);
    EXPECT_EQ(pixel(220, 90), 0xFF0000u);
    EXPECT_EQ(pixel(220, 120), 0x00FF00u);

    clear();
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 240, 160, kAnchorCenter, 2.0f, 0, 0, 1.0f);
    g_->drawRegionEx(image, 0, 0, 40, 10, 0, 10, 10, 0, 0.0f, 0, 0, 1.0f);  // scale 0: nothing
    capture();
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 200);
    EXPECT_EQ(x1, 279);
    EXPECT_EQ(y0, 150);
    EXPECT_EQ(y1, 169);
}

// ---- Projections ------------------------------------------------------------------

TEST_F(GraphicsTest, NormalisedProjectionMapsTheSquareOntoTheScreenAndPops) {
    float before[16];
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
    float after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], before[i]);
    capture();
    int x0, y0, x1, y1;
    litBox(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(x1, 239);
    EXPECT_EQ(y1, 159);
}

}  // namespace
