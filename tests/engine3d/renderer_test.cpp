// The renderer on the real OpenGL ES 1.1 (Mesa, headless): projection and camera rules, the pass
// caches and their counters, the GL state a draw leaves, and pictures read back upright.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "sample_models.h"
#include "support/test_support.h"

namespace {

struct Rgb {
    int r, g, b;
};

class GlRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        savedCaps_ = g_graphicsCaps;
        caps_ = GraphicsCaps{};
        caps_.glVersion = 1.1f;
        caps_.bufferObjects = bufferObjects();
        g_graphicsCaps = &caps_;
        createResourceRegistry();
        engine = createEngine3D();
        ASSERT_EQ(setPerspective(engine, 90, 1.5f, 0.1f, 100), 0);
        setCamera(engine, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});
        glBindTexture(GL_TEXTURE_2D, 0);
        g_boundTexture2D = 0;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        if (engine && engine->in3D) end3D(engine);
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }
    virtual bool bufferObjects() const { return true; }

    ObjectHandle load(const ModelBytes& file) {
        const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
        EXPECT_NE(model, 0u) << engine->lastError;
        return model;
    }
    ObjectHandle loadMesh(const MeshSource& source) {
        ModelWriter w;
        w.addMesh(source);
        return findObject(engine, load(w.build()), source.name.c_str());
    }
    // A 2 x 2 texture of one colour, in a free texture slot.
    ObjectHandle solidTexture(uint8_t r, uint8_t g, uint8_t b) {
        Texture* t = new Texture();
        t->width = t->height = t->paddedWidth = t->paddedHeight = 2;
        t->format = kFormatRGBA8888;
        const uint8_t pixels[16] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
        glGenTextures(1, &t->glName);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return loadTexture(engine, t);
    }
    // Landscape pixel (x, y), rows from the top.
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
    // One pass that draws the handle with the camera's transform.
    int32_t drawInPass(ObjectHandle handle) {
        begin3D(engine);
        resetModelView(engine);
        const int32_t status = drawObject(engine, handle);
        return status;
    }

    Engine3D* engine = nullptr;

private:
    GraphicsCaps caps_{};
    GraphicsCaps* savedCaps_ = nullptr;
    std::vector<uint8_t> picture_;
};

// The same checks with and without vertex buffer objects.
class GlPicture : public GlRenderer, public ::testing::WithParamInterface<bool> {
protected:
    bool bufferObjects() const override { return GetParam(); }
};

TEST_F(GlRenderer, PerspectiveRejectsBadArgumentsAndChangesNothing) {
    const Mat4 before = engine->projection;
    const float scaleX = engine->projScaleX;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[][3] = {{90, 1, 1},       {0, 0.1f, 100},   {176, 0.1f, 100}, {-10, 0.1f, 100},
                            {90, -0.1f, 100}, {90, 0.1f, -100}, {90, 5, 1},       {nan, 0.1f, 100}};
    for (const auto& b : bad) {
        EXPECT_EQ(setPerspective(engine, b[0], 1, b[1], b[2]), kErrorPerspective)
            << b[0] << " " << b[1];
        EXPECT_EQ(std::memcmp(&before, &engine->projection, sizeof before), 0);
        EXPECT_EQ(engine->projScaleX, scaleX);
    }
    EXPECT_EQ(engine->lastError, 0);
    EXPECT_EQ(setPerspective(engine, 175, 1, 0.1f, 100), 0);
    EXPECT_NE(std::memcmp(&before, &engine->projection, sizeof before), 0);

    // 90 degrees on the 320 x 480 screen: tan 45 = 1 across the landscape width.
    ASSERT_EQ(setPerspective(engine, 90, 1, 0.1f, 100), 0);
    const Mat4& p = engine->projection;
    EXPECT_NEAR(p[1], -1.0f, 1e-5f);
    EXPECT_NEAR(p[4], 1.5f, 1e-5f);
    EXPECT_FLOAT_EQ(p[11], -1);
    EXPECT_FLOAT_EQ(p[10], -100.1f / 99.9f);
    EXPECT_FLOAT_EQ(p[14], -20.0f / 99.9f);
    EXPECT_EQ(p[0], 0);
    EXPECT_NEAR(engine->projScaleX, 1.0f, 1e-5f);
    EXPECT_NEAR(engine->projScaleY, 1.5f, 1e-5f);
}

TEST_F(GlRenderer, PerspectiveOutsideAPassWaitsForBegin3D) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    ASSERT_EQ(setPerspective(engine, 60, 1, 0.5f, 50), 0);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[1], 0.0f);
    begin3D(engine);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[1], engine->projection[1]);
    ASSERT_EQ(setPerspective(engine, 80, 1, 0.5f, 50), 0);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[4], engine->projection[4]);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(GlRenderer, CameraKeepsItsFrameForDegenerateDirections) {
    const Vec3 eye{1, 2, 3};
    setCamera(engine, eye, {0, 3, 0}, {0, 0, 2});
    const Mat4& v = engine->view;
    for (int r = 0; r < 3; ++r)  // the eye lands on the origin
        EXPECT_NEAR(v[r] * eye.x + v[4 + r] * eye.y + v[8 + r] * eye.z + v[12 + r], 0, 1e-5f);
    EXPECT_FLOAT_EQ(v[10], 0);  // eye -z is world +y
    EXPECT_FLOAT_EQ(v[6], -1);

    setCamera(engine, eye, {1, 0, 0}, {0, 0, 1});
    EXPECT_FLOAT_EQ(engine->cameraSide.y, -1);
    setCamera(engine, eye, {0, 0, 0}, {0, 0, 1});  // no forward: the last one stays
    EXPECT_FLOAT_EQ(engine->cameraForward.x, 1);
    // Up along forward: no side vector to be had, so the last one is used.
    setCamera(engine, eye, {0, 0, 1}, {0, 0, 1});
    EXPECT_FLOAT_EQ(engine->cameraForward.z, 1);
    EXPECT_FLOAT_EQ(engine->cameraSide.y, -1);
    EXPECT_FLOAT_EQ(engine->cameraUp.x, -1);
    setCamera(engine, eye, {0, 1, 0}, {0, 0, 0.0005f});  // too short an up
    EXPECT_FLOAT_EQ(engine->cameraUp.x, -1);
    for (float f : engine->view.m) EXPECT_FALSE(std::isnan(f));
}

TEST_F(GlRenderer, BillboardsAndRotationsOnTheModelView) {
    setCamera(engine, {0, -5, 0}, {0, 1, 0}, {0, 0, 1});
    placeBillboard(engine, 1, 2, 3);
    const Mat4& m = engine->modelView;
    EXPECT_FLOAT_EQ(m[12], 1);
    EXPECT_FLOAT_EQ(m[13], 3);
    EXPECT_FLOAT_EQ(m[14], -7);
    EXPECT_FLOAT_EQ(m[0], 1);
    EXPECT_FLOAT_EQ(m[5], 1);  // no camera rotation
    rotateZ(engine, 90);
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], 1, 1e-6f);
    EXPECT_NEAR(m[4], -1, 1e-6f);
    EXPECT_FLOAT_EQ(m[12], 1);
    scale3(engine, 2, 3, 4);
    translate(engine, 1, 0, 0);  // x of the object is now screen y, doubled
    EXPECT_NEAR(m[12], 1, 1e-5f);
    EXPECT_NEAR(m[13], 5, 1e-5f);
}

TEST_F(GlRenderer, BindTexture2DSkipsWhatTheCacheHolds) {
    GLuint names[2];
    glGenTextures(2, names);
    g_boundTexture2D = -1;
    bindTexture2D(names[0]);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), names[0]);
    glBindTexture(GL_TEXTURE_2D, names[1]);  // behind the cache's back
    bindTexture2D(names[0]);                 // the cache says it is bound: no call
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), names[1]);
    g_boundTexture2D = -1;
    bindTexture2D(names[0]);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), names[0]);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(2, names);
}

TEST_F(GlRenderer, UploadedStoresAreBoundOnlyWhenTheyChange) {
    const ObjectHandle mesh = loadMesh(samples::triangleMesh("a"));
    StaticMesh* m;
    ASSERT_EQ(lookupMesh(engine, mesh, &m), 0);
    VertexStore* store = m->store;
    ASSERT_NE(store->glBuffer, 0u);
    bool registered = false;
    for (const RegistryEntry& e : g_resourceRegistry->slots)
        registered |= e.object == store && e.kind == kResourceVertexStore;
    EXPECT_TRUE(registered);

    begin3D(engine);
    EXPECT_EQ(bindStore(engine, store), 0u);
    EXPECT_EQ(bindStore(engine, store), 0u);
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), store->glBuffer);
    EXPECT_EQ(engine->statBufferBinds, 1);
    unbindStore(engine);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(engine->boundArrayBuffer, 0u);

    // A store that never got a buffer is read from its client copy, with buffer 0 bound.
    VertexStore unuploaded{};
    uint8_t bytes[4];
    unuploaded.data = bytes;
    EXPECT_EQ(bindStore(engine, store), 0u);
    EXPECT_EQ(bindStore(engine, &unuploaded), reinterpret_cast<uintptr_t>(bytes));
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    end3D(engine);
}

TEST_F(GlRenderer, End3DLeavesTheTwoDimensionalState) {
    begin3D(engine);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 480);
    g_boundTexture2D = 3;
    end3D(engine);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(g_boundTexture2D, -1);
    EXPECT_EQ(engine->in3D, 0);
    float projection[16], expected[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    rotatedOrthoMatrix(0, 480, 320, 0, -1, 1, expected);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], expected[i]);
    setViewport(engine, 0, 0, 1, 1);  // outside a pass: stored only
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
}

// The sample triangle (world x 2..6, z 1..5 at y = 10) seen from the origin along +y with a 90
// degree field: landscape x = 240 + 24 x, y = 160 - 24 z, so its corners are at (288, 136),
// (384, 136) and (288, 40).
TEST_P(GlPicture, ColouredTriangleLandsWhereTheCameraPutsIt) {
    MeshSource source = samples::triangleMesh("red");
    source.colours = {255, 0, 0, 255, 0, 0, 255, 0, 0};
    ASSERT_EQ(drawInPass(loadMesh(source)), 0);
    EXPECT_EQ(engine->statDrawCalls, 1);
    EXPECT_EQ(engine->statTriangles, 1);
    end3D(engine);
    expectPixel(310, 115, {255, 0, 0});
    expectPixel(292, 133, {255, 0, 0});  // just inside the corner at (288, 136)
    expectPixel(286, 120, {0, 0, 0});    // left of the edge x = 288
    expectPixel(300, 139, {0, 0, 0});    // below the edge y = 136
    expectPixel(380, 50, {0, 0, 0});     // beyond the long edge
    expectPixel(240, 160, {0, 0, 0});
}

TEST_P(GlPicture, ShortPositionsAreScaledOnTheGpu) {
    MeshSource source = samples::triangleMesh("short");
    source.colours = {0, 255, 0, 0, 255, 0, 0, 255, 0};
    const ObjectHandle handle = loadMesh(source);
    StaticMesh* m;
    ASSERT_EQ(lookupMesh(engine, handle, &m), 0);
    // Re-lay the mesh as 8.8 positions in its own region: 6 + 4 bytes per vertex.
    setAttributeFormat(&m->attributes[kAttrPosition], kAttributeShort8_8, 3);
    m->stride = layoutAttributes(m->attributes, m->attributeMask);
    ASSERT_EQ(m->stride, 10);
    for (int v = 0; v < 3; ++v) {
        uint8_t* at = m->store->data + m->dataOffset + v * m->stride;
        const int16_t p[3] = {static_cast<int16_t>(source.positions[3 * v] * 256),
                              static_cast<int16_t>(source.positions[3 * v + 1] * 256),
                              static_cast<int16_t>(source.positions[3 * v + 2] * 256)};
        std::memcpy(at, p, sizeof p);
        const uint8_t c[4] = {0, 255, 0, 255};
        std::memcpy(at + m->attributes[kAttrColour].offset, c, sizeof c);
    }
    if (m->store->glBuffer) {
        glDeleteBuffers(1, &m->store->glBuffer);
        uploadStore(m->store);
    }
    ASSERT_EQ(drawInPass(handle), 0);
    end3D(engine);
    expectPixel(310, 115, {0, 255, 0});
    expectPixel(286, 120, {0, 0, 0});
    expectPixel(380, 50, {0, 0, 0});
}

TEST_P(GlPicture, TextureReplacesAndAConstantColourModulates) {
    MeshSource source = samples::triangleMesh("textured");
    source.texCoords = {0.25f, 0.25f, 0.75f, 0.25f, 0.25f, 0.75f};
    const ObjectHandle handle = loadMesh(source);
    ASSERT_EQ(setObjectTexture(engine, handle, 0, solidTexture(0, 0, 255)), 0);
    ASSERT_EQ(drawInPass(handle), 0);
    expectPixel(310, 115, {0, 0, 255});

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ASSERT_EQ(setObjectColor(engine, handle, 0xFF808080u), 0);
    ASSERT_EQ(drawObject(engine, handle), 0);
    expectPixel(310, 115, {0, 0, 128});
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_FLOAT_EQ(c, 1.0f);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    end3D(engine);
}

TEST_P(GlPicture, SecondTextureUnitModulatesTheFirstAndIsSwitchedOffAfter) {
    MeshSource source = samples::triangleMesh("two");
    source.texCoords = {0.25f, 0.25f, 0.75f, 0.25f, 0.25f, 0.75f};
    source.texCoords1 = source.texCoords;
    const ObjectHandle handle = loadMesh(source);
    ASSERT_EQ(setObjectTexture(engine, handle, 0, solidTexture(255, 255, 255)), 0);
    ASSERT_EQ(setObjectTexture(engine, handle, 1, solidTexture(0, 255, 0)), 0);
    ASSERT_EQ(drawInPass(handle), 0);
    expectPixel(310, 115, {0, 255, 0});
    GLint active = 0, clientActive = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientActive);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(clientActive, GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
    end3D(engine);
}

TEST_P(GlPicture, TwoMeshesOfOneModelBindTheBufferAndASharedTextureOnce) {
    ModelWriter w;
    MeshSource a = samples::triangleMesh("a");
    a.texCoords = {0, 0, 1, 0, 0, 1};
    MeshSource b = a;
    b.name = "b";
    w.addMesh(a);
    w.addMesh(b);
    const ObjectHandle model = load(w.build());
    const ObjectHandle texture = solidTexture(9, 9, 9);
    ASSERT_EQ(setObjectTexture(engine, findObject(engine, model, "a"), 0, texture), 0);
    ASSERT_EQ(setObjectTexture(engine, findObject(engine, model, "b"), 0, texture), 0);
    const ObjectHandle other = loadMesh(samples::triangleMesh("c"));

    begin3D(engine);
    resetModelView(engine);
    ASSERT_EQ(drawObject(engine, findObject(engine, model, "a")), 0);
    ASSERT_EQ(drawObject(engine, findObject(engine, model, "b")), 0);
    EXPECT_EQ(engine->statBufferBinds, GetParam() ? 1 : 0);
    EXPECT_EQ(engine->statTextureBinds, 1);
    EXPECT_EQ(engine->statDrawCalls, 2);
    EXPECT_EQ(engine->statTrianglesAll, 2);
    ASSERT_EQ(drawObject(engine, other), 0);  // another model: another buffer
    EXPECT_EQ(engine->statBufferBinds, GetParam() ? 2 : 0);
    EXPECT_EQ(engine->statTextureBinds, 1);
    end3D(engine);
    begin3D(engine);  // a new pass counts afresh
    EXPECT_EQ(engine->statDrawCalls, 0);
    EXPECT_EQ(engine->boundTexture, -1);
    end3D(engine);
}

TEST_P(GlPicture, OtherHandleTypesDrawNothing) {
    const ObjectHandle texture = solidTexture(255, 255, 255);
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(samples::quadSkin("runner"));
    const ObjectHandle skin = findObject(engine, load(w.build()), "runner");
    begin3D(engine);
    EXPECT_EQ(drawObject(engine, texture), 0);
    EXPECT_EQ(drawObject(engine, 0), 0);
    EXPECT_EQ(drawObject(engine, skin), 0);
    EXPECT_EQ(drawObject(engine, kHandleStaticMesh | 64), kErrorBadSlot);
    EXPECT_EQ(drawObject(engine, kHandleSkinnedMesh | 1), kErrorEmptySlot);
    EXPECT_EQ(engine->statDrawCalls, 0);
    end3D(engine);
    expectPixel(310, 115, {0, 0, 0});
}

TEST_P(GlPicture, GeometryObjectsDrawFromClientMemory) {
    const float positions[9] = {2, 10, 1, 6, 10, 1, 2, 10, 5};
    const uint16_t indices[3] = {0, 1, 2};
    const ObjectHandle g = createGeometry(engine, positions, nullptr, 3, indices, 3, 0);
    ASSERT_NE(g, 0u);
    ASSERT_EQ(drawInPass(g), 0);
    EXPECT_EQ(engine->textureMatrixId, 0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    end3D(engine);
    expectPixel(310, 115, {255, 255, 255});
    expectPixel(380, 50, {0, 0, 0});
}

TEST_P(GlPicture, OverlayPlacesObjectsInScreenUnits) {
    MeshSource source;
    source.name = "flash";
    source.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    source.colours = {255, 255, 0, 255, 255, 0, 255, 255, 0};
    const ObjectHandle handle = loadMesh(source);
    begin3D(engine);
    beginOverlay(engine);
    resetModelView(engine);
    translate(engine, 240, 160, 0);
    scale(engine, 50);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    ASSERT_EQ(drawObject(engine, handle), 0);
    glEnable(GL_CULL_FACE);
    end3D(engine);
    expectPixel(250, 170, {255, 255, 0});  // x and y grow right and down from the centre
    expectPixel(280, 200, {0, 0, 0});
    expectPixel(230, 150, {0, 0, 0});
}

INSTANTIATE_TEST_SUITE_P(BufferObjects, GlPicture, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "WithBuffers" : "ClientMemory";
                         });

}  // namespace
