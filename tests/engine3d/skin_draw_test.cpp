// Skinned meshes drawn by the renderer on the real OpenGL ES 1.1 (Mesa, headless), pictures read
// back upright: a posed mesh lands where its bones put it, an unposed one draws nothing, texture
// scrolling owns the texture matrix, and GL and CPU lighting light it.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "sample_models.h"
#include "support/test_support.h"

namespace {

struct Rgb {
    int r, g, b;
};

// One root bone: clip 0 turns it 90 degrees about y and moves it 3 along x.
SkeletonSource turnSkeleton() {
    SkeletonSource s;
    s.parents = {255};
    const float h = std::sqrt(0.5f);
    s.clips = {{1, {BoneKey{{3, 0, 0}, {0, h, 0, h}}}}};
    return s;
}

// A red strip in the x-z plane, x -1..1, z 0..0.5, facing -y (the camera), bound to the bone.
// Texture coordinates: u runs 0..1 along x.
SkinSource stripSkin() {
    SkinSource s;
    s.name = "strip";
    s.positions = {-1, 0, 0, 1, 0, 0, 1, 0, 0.5f, -1, 0, 0.5f};
    s.triangles = {0, 1, 2, 0, 2, 3};
    s.colours = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    s.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    s.bindings = {{kIdentityMatrix, {0, 1, 2, 3}}};
    s.weighted = {{kIdentityMatrix, {{0, 1, 1.0f}, {1, 1, 1.0f}, {2, 1, 1.0f}, {3, 1, 1.0f}}}};
    return s;
}

Mat4 forward10() {
    Mat4 m = kIdentityMatrix;
    m[13] = 10;
    return m;
}

class SkinDraw : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        savedCaps_ = g_graphicsCaps;
        caps_ = GraphicsCaps{};
        caps_.glVersion = 1.1f;
        caps_.bufferObjects = GetParam();
        g_graphicsCaps = &caps_;
        createResourceRegistry();
        engine = createEngine3D();
        ASSERT_EQ(setPerspective(engine, 90, 1.5f, 0.1f, 100), 0);
        setCamera(engine, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});
        glBindTexture(GL_TEXTURE_2D, 0);
        g_boundTexture2D = 0;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

        // A static mesh of the same model comes first in the file, so that with buffer objects
        // the model's buffer is bound when the skinned mesh draws.
        ModelWriter w;
        MeshSource tri = samples::triangleMesh("tri");
        tri.positions = {-6, 10, 3, -4, 10, 3, -6, 10, 5};  // far to the upper left
        tri.colours = {0, 0, 255, 0, 0, 255, 0, 0, 255};
        w.addMesh(tri);
        w.addSkeleton(turnSkeleton());
        w.addSkin(stripSkin());
        const ModelBytes file = w.build();
        const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
        ASSERT_NE(model, 0u);
        triangle = findObject(engine, model, "tri");
        strip = findObject(engine, model, "strip");
        ASSERT_EQ(lookupSkin(engine, strip, &skin), 0);
    }
    void TearDown() override {
        if (engine && engine->in3D) end3D(engine);
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }

    // One pass: the static triangle, then the strip.
    int32_t drawBoth() {
        begin3D(engine);
        resetModelView(engine);
        EXPECT_EQ(drawObject(engine, triangle), 0);
        resetModelView(engine);
        return drawObject(engine, strip);
    }
    // A 2 x 1 texture: left texel `left`, right texel `right`.
    ObjectHandle twoTexels(Rgb left, Rgb right) {
        Texture* t = new Texture();
        t->width = t->paddedWidth = 2;
        t->height = t->paddedHeight = 1;
        t->format = kFormatRGBA8888;
        const uint8_t pixels[8] = {static_cast<uint8_t>(left.r),  static_cast<uint8_t>(left.g),
                                   static_cast<uint8_t>(left.b),  255,
                                   static_cast<uint8_t>(right.r), static_cast<uint8_t>(right.g),
                                   static_cast<uint8_t>(right.b), 255};
        glGenTextures(1, &t->glName);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glBindTexture(GL_TEXTURE_2D, 0);
        return loadTexture(engine, t);
    }
    Rgb pixel(int x, int y) {
        picture_.resize(platform::kLandscapeWidth * platform::kLandscapeHeight * 4);
        EXPECT_TRUE(platform::readLandscape(picture_.data()));
        const uint8_t* p = &picture_[(y * platform::kLandscapeWidth + x) * 4];
        return {p[0], p[1], p[2]};
    }
    void expectPixel(int x, int y, Rgb want) {
        const Rgb got = pixel(x, y);
        EXPECT_NEAR(got.r, want.r, 3) << "at " << x << "," << y;
        EXPECT_NEAR(got.g, want.g, 3) << "at " << x << "," << y;
        EXPECT_NEAR(got.b, want.b, 3) << "at " << x << "," << y;
    }

    Engine3D* engine = nullptr;
    ObjectHandle triangle = 0, strip = 0;
    SkinnedMesh* skin = nullptr;

private:
    GraphicsCaps caps_{};
    GraphicsCaps* savedCaps_ = nullptr;
    std::vector<uint8_t> picture_;
};

// At distance 10 one world unit is 24 pixels; the screen centre (240, 160) is straight ahead.
// Posed, the strip turns to x 0..0.5 -> 3..3.5 and z -1..1: pixels x 312..324, y 136..184.
TEST_P(SkinDraw, PosedStripLandsWhereItsBonePutsIt) {
    for (uint8_t weighted : {0, 1}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        setSkinningMode(skin, weighted);
        ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, forward10()), 0);
        ASSERT_EQ(drawBoth(), 0);
        EXPECT_EQ(skin->deformed, 1);
        EXPECT_EQ(engine->statDrawCalls, 2);
        EXPECT_EQ(engine->statTrianglesAll, 1 + 2);
        end3D(engine);
        const int mode = weighted;
        SCOPED_TRACE(mode);
        expectPixel(318, 140, {255, 0, 0});
        expectPixel(318, 180, {255, 0, 0});
        expectPixel(314, 160, {255, 0, 0});
        expectPixel(310, 160, {0, 0, 0});  // left of x = 3
        expectPixel(326, 160, {0, 0, 0});  // right of x = 3.5
        expectPixel(318, 132, {0, 0, 0});  // above z = 1
        expectPixel(300, 155, {0, 0, 0});  // where the strip would be unturned
        expectPixel(240, 160, {0, 0, 0});  // where it would be unposed
        expectPixel(100, 50, {0, 0, 255});  // the static triangle drew as well
    }
}

TEST_P(SkinDraw, UnposedSkinnedMeshDrawsNothing) {
    ASSERT_FALSE(skin->skeleton->posed);
    ASSERT_EQ(drawBoth(), 0);
    EXPECT_EQ(skin->deformed, 0);
    EXPECT_EQ(engine->statDrawCalls, 1);
    end3D(engine);
    for (int x = 200; x < 360; x += 4)
        for (int y = 100; y < 220; y += 4) {
            const Rgb p = pixel(x, y);
            ASSERT_EQ(p.r + p.g + p.b, 0) << x << "," << y;
        }
    // A bad clip does not count as a pose.
    EXPECT_EQ(poseSkeleton(skin->skeleton, 1, 0, forward10()), kErrorSkin);
    EXPECT_FALSE(skin->skeleton->posed);
}

TEST_P(SkinDraw, TextureScrollLoadsItsOwnMatrixAndZeroGivesTheScaleTableBack) {
    ASSERT_EQ(setObjectTexture(engine, strip, 0, twoTexels({0, 255, 0}, {255, 255, 255})), 0);
    clearObjectColor(engine, strip);
    // Colours modulate the texture: red x green = black, red x white = red. Turned, model x runs
    // down the screen: the upper half (u 0..0.5) shows the left texel, the lower the right one.
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, forward10()), 0);
    ASSERT_EQ(drawBoth(), 0);
    float m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 1.0f / 1024);
    EXPECT_EQ(engine->textureMatrixId, kScaleId1024);
    end3D(engine);
    expectPixel(318, 140, {0, 0, 0});
    expectPixel(318, 180, {255, 0, 0});

    // Half a texture along u swaps the texels.
    ASSERT_EQ(setTextureScroll(engine, strip, 0.5f, 0), 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ASSERT_EQ(drawBoth(), 0);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.5f);
    EXPECT_FLOAT_EQ(m[0], 1.0f / 1024);
    EXPECT_EQ(engine->textureMatrixId, -1);
    // Drawn again in the same pass, the own matrix is loaded again.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    resetModelView(engine);
    ASSERT_EQ(drawObject(engine, strip), 0);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.5f);
    end3D(engine);
    expectPixel(318, 140, {255, 0, 0});
    expectPixel(318, 180, {0, 0, 0});

    // Scrolled back to zero: the next draw reloads the 1/1024 table.
    ASSERT_EQ(setTextureScroll(engine, strip, 0, 0), 0);
    begin3D(engine);
    resetModelView(engine);
    ASSERT_EQ(drawObject(engine, strip), 0);
    EXPECT_EQ(engine->textureMatrixId, kScaleId1024);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0);
    EXPECT_FLOAT_EQ(m[0], 1.0f / 1024);
    end3D(engine);
}

// The strip faces the camera. GL's light 0 shines from the eye: diffuse 0.8 + ambient 0.2 x 0.2
// = 0.84 (214). The CPU light (0, 0.707, 0.707) comes from behind it: ambient 0.3 alone (76).
TEST_P(SkinDraw, GlLightingAndCpuLighting) {
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, forward10()), 0);
    ASSERT_EQ(setSkinGlLighting(engine, strip, 1), 0);
    ASSERT_EQ(enableSkinLighting(engine, strip), 0);
    ASSERT_TRUE(skin->attributeMask & kMaskNormal);
    ASSERT_EQ(drawBoth(), 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    end3D(engine);
    expectPixel(318, 160, {214, 214, 214});
    expectPixel(100, 50, {0, 0, 255});  // the static triangle is not lit

    ASSERT_EQ(setSkinGlLighting(engine, strip, 0), 0);
    ASSERT_EQ(enableSkinLighting(engine, strip), 0);  // adds the colours' place (already there)
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ASSERT_EQ(drawBoth(), 0);
    end3D(engine);
    expectPixel(318, 160, {76, 76, 76});
}

INSTANTIATE_TEST_SUITE_P(BufferObjects, SkinDraw, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "WithBuffers" : "ClientMemory";
                         });

}  // namespace
