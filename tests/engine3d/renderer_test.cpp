// The renderer: projection and camera rules, the pass caches and their counters, the GL state a
// pass leaves, and pictures of static meshes, geometry and skinned meshes read back from the real
// OpenGL ES 1.1 (Mesa, headless).
#include <cmath>
#include <cstring>
#include <limits>

#include "engine3d/skinning.h"
#include "gfx2d/graphics.h"
#include "sample_models.h"
#include "support/engine3d_fixture.h"

namespace {

using zvtest::Rgb;
constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kWhite{255, 255, 255};

std::vector<float> floats(const float* m, int n = 16) {
    return std::vector<float>(m, m + n);
}

using Camera = zvtest::EngineFixture;

TEST_F(Camera, ViewFallsBackToTheLastFrameAndObjectsMoveOnTheModelView) {
    const Vec3 eye{1, 2, 3};
    setCamera(engine, eye, {0, 3, 0}, {0, 0, 2});  // eye -z is world +y; the eye is the origin
    EXPECT_EQ(floats(engine->view.m),
              std::vector<float>({1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, -1, -3, 2, 1}));
    const struct {
        Vec3 forward, up;
        std::vector<float> frame;  // up, forward, side
    } steps[] = {{{1, 0, 0}, {0, 0, 1}, {0, 0, 1, 1, 0, 0, 0, -1, 0}},
                 {{0, 0, 0}, {0, 0, 1}, {0, 0, 1, 1, 0, 0, 0, -1, 0}},  // no forward: the last
                 {{0, 0, 1}, {0, 0, 1}, {-1, 0, 0, 0, 0, 1, 0, -1, 0}},  // up along it: last side
                 {{0, 1, 0}, {0, 0, 0.0005f}, {-1, 0, 0, 0, 1, 0, 0, 0, 1}}};  // up too short
    for (const auto& c : steps) {
        setCamera(engine, eye, c.forward, c.up);
        EXPECT_EQ(floats(&engine->cameraUp.x, 9), c.frame) << &c - steps;
    }
    setCamera(engine, {0, -5, 0}, {0, 1, 0}, {0, 0, 1});
    placeBillboard(engine, 1, 2, 3);  // the eye-space place without the camera's turn
    rotateZ(engine, 90);
    scale3(engine, 2, 3, 4);
    translate(engine, 1, 0, 0);  // x of the object is now screen y, doubled
    const float want[] = {0, 2, 0, 0, -3, 0, 0, 0, 0, 0, 4, 0, 1, 5, -7, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(engine->modelView[i], want[i], 1e-6f) << i;
}

using GlDraw = zvtest::GlSceneFixture;

TEST_F(GlDraw, PerspectiveRejectsBadArgumentsAndIsLoadedInsideAPass) {
    const Mat4 before = engine->projection;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[][3] = {{90, 1, 1},       {0, 0.1f, 100},   {176, 0.1f, 100}, {-10, 0.1f, 100},
                            {90, -0.1f, 100}, {90, 0.1f, -100}, {90, 5, 1},       {nan, 0.1f, 100}};
    for (const auto& b : bad) {
        EXPECT_EQ(setPerspective(engine, b[0], 1, b[1], b[2]), kErrorPerspective) << b[0];
        EXPECT_EQ(std::memcmp(&before, &engine->projection, sizeof before), 0) << b[0];
    }
    EXPECT_EQ(engine->lastError, 0);
    EXPECT_EQ(setPerspective(engine, 175, 1, 0.1f, 100), 0);
    // 90 degrees on the 320 x 480 screen: tan 45 = 1 across the landscape width.
    ASSERT_EQ(setPerspective(engine, 90, 1, 0.1f, 100), 0);
    const float want[] = {0, -1,  0, 0, 1.5f, 0, 0, 0, 0, 0, -100.1f / 99.9f, -1,
                          0, 0, -20.0f / 99.9f, 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(engine->projection[i], want[i], 1e-5f) << i;
    EXPECT_NEAR(engine->projScaleX, 1.0f, 1e-5f);
    EXPECT_NEAR(engine->projScaleY, 1.5f, 1e-5f);
    float gl[16];
    glGetFloatv(GL_PROJECTION_MATRIX, gl);
    EXPECT_NE(floats(gl), floats(engine->projection.m));  // outside a pass: at the next begin3D
    begin3D(engine);
    glGetFloatv(GL_PROJECTION_MATRIX, gl);
    EXPECT_EQ(floats(gl), floats(engine->projection.m));
    ASSERT_EQ(setPerspective(engine, 80, 1, 0.5f, 50), 0);  // inside: at once
    glGetFloatv(GL_PROJECTION_MATRIX, gl);
    EXPECT_EQ(floats(gl), floats(engine->projection.m));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(GlDraw, PassesSwitchBetweenTheThreeAndTwoDimensionalStates) {
    begin3D(engine);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 320, 480}));
    g_boundTexture2D = 3;
    end3D(engine);
    EXPECT_TRUE(!glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_BLEND) && glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(g_boundTexture2D, -1);
    float projection[16], expected[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    rotatedOrthoMatrix(0, 480, 320, 0, -1, 1, expected);
    EXPECT_EQ(floats(projection), floats(expected));
    setViewport(engine, 0, 0, 1, 1);  // outside a pass: stored only
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);

    // The 2D bind cache binds when it does not know, then skips what it holds, even when GL was
    // changed behind its back.
    GLuint names[2];
    GLint bound = 0;
    glGenTextures(2, names);
    g_boundTexture2D = -1;
    for (GLuint behind : {names[0], names[1]}) {
        bindTexture2D(names[0]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), behind);
        glBindTexture(GL_TEXTURE_2D, names[1]);
    }
    glDeleteTextures(2, names);
}

class GlDrawBuffers : public GlDraw, public ::testing::WithParamInterface<bool> {
protected:
    GlDrawBuffers() { glCaps.bufferObjects = GetParam(); }
};

// The sample triangle (world x 2..6, z 1..5 at y = 10) seen from the origin along +y with a 90
// degree field: landscape x = 240 + 24 x, y = 160 - 24 z, so its corners are at (288, 136),
// (384, 136) and (288, 40). Another model's white triangle lies far to the upper left.
TEST_P(GlDrawBuffers, MeshesLandWhereTheCameraPutsThemAndBindOnlyOnChange) {
    ModelWriter w;
    MeshSource a = samples::triangleMesh("a");
    a.texCoords = {0, 0, 1, 0, 0, 1};
    a.colours = {255, 0, 0, 255, 0, 0, 255, 0, 0};
    w.addMesh(a);
    a.name = "b";
    w.addMesh(a);
    const ObjectHandle model = load(w.build()), white = texture({kWhite});
    for (const char* name : {"a", "b"})
        ASSERT_EQ(setObjectTexture(engine, findObject(engine, model, name), 0, white), 0);
    StaticMesh* other = meshOf(loadMesh(samples::farTriangleMesh("c")));
    EXPECT_EQ(other->store->glBuffer != 0, GetParam());

    ASSERT_EQ(drawInPass(findObject(engine, model, "a")), 0);
    ASSERT_EQ(drawObject(engine, findObject(engine, model, "b")), 0);
    const int32_t counts[] = {engine->statBufferBinds, engine->statTextureBinds,
                              engine->statDrawCalls, engine->statTrianglesAll};
    EXPECT_EQ(std::vector<int32_t>(counts, counts + 4),
              std::vector<int32_t>({GetParam() ? 1 : 0, 1, 2, 2}));
    ASSERT_EQ(drawObject(engine, other->handle), 0);  // another model: another buffer
    EXPECT_EQ(engine->statBufferBinds, GetParam() ? 2 : 0);
    EXPECT_EQ(engine->statTextureBinds, 1);
    if (GetParam()) {
        bool registered = false;  // so that a lost context gets the buffer back
        for (const RegistryEntry& e : g_resourceRegistry->slots)
            registered |= e.object == other->store && e.kind == kResourceVertexStore;
        EXPECT_TRUE(registered);
        // A store that never got a buffer is read from its client copy, with buffer 0 bound.
        VertexStore unuploaded{};
        unuploaded.data = reinterpret_cast<uint8_t*>(&unuploaded);
        EXPECT_EQ(bindStore(engine, &unuploaded), reinterpret_cast<uintptr_t>(&unuploaded));
        GLint bound = -1;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0);
    }
    end3D(engine);
    expectPixels({{310, 115, kRed}, {292, 133, kRed},  // just inside the corner at (288, 136)
                  {286, 120, kBlack},                  // left of the edge x = 288
                  {300, 139, kBlack},                  // below the edge y = 136
                  {380, 50, kBlack},                   // beyond the long edge
                  {100, 50, kWhite}});
    begin3D(engine);  // a new pass counts afresh
    EXPECT_EQ(engine->statDrawCalls, 0);
    EXPECT_EQ(engine->boundTexture, -1);
}

INSTANTIATE_TEST_SUITE_P(BufferObjects, GlDrawBuffers, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "WithBuffers" : "ClientMemory";
                         });

TEST_F(GlDraw, ShortPositionsAreScaledOnTheGpu) {
    MeshSource source = samples::triangleMesh("short");
    source.colours = {0, 255, 0, 0, 255, 0, 0, 255, 0};
    const ObjectHandle handle = loadMesh(source);
    StaticMesh* m = meshOf(handle);
    // Re-lay the mesh as 8.8 positions in its own region: 6 + 4 bytes per vertex.
    setAttributeFormat(&m->attributes[kAttrPosition], kAttributeShort8_8, 3);
    m->stride = layoutAttributes(m->attributes, m->attributeMask);
    ASSERT_EQ(m->stride, 10);
    for (int v = 0; v < 3; ++v) {
        uint8_t* at = m->store->data + m->dataOffset + v * m->stride;
        int16_t p[3];
        for (int c = 0; c < 3; ++c) p[c] = int16_t(source.positions[3 * v + c] * 256);
        std::memcpy(at, p, sizeof p);
        std::memcpy(at + m->attributes[kAttrColour].offset, "\x00\xFF\x00\xFF", 4);
    }
    glDeleteBuffers(1, &m->store->glBuffer);
    uploadStore(m->store);
    ASSERT_EQ(drawInPass(handle), 0);
    end3D(engine);
    expectPixels({{310, 115, {0, 255, 0}}, {286, 120, kBlack}, {380, 50, kBlack}});
}

// Unit 0 cyan, unit 1 yellow: only both together give green; a constant colour modulates them.
TEST_F(GlDraw, TwoTextureUnitsAndAConstantColourModulate) {
    MeshSource source = samples::triangleMesh("two");
    source.texCoords = source.texCoords1 = {0.25f, 0.25f, 0.75f, 0.25f, 0.25f, 0.75f};
    const ObjectHandle handle = loadMesh(source);
    ASSERT_EQ(setObjectTexture(engine, handle, 0, texture({{0, 255, 255}})), 0);
    ASSERT_EQ(setObjectTexture(engine, handle, 1, texture({{255, 255, 0}})), 0);
    ASSERT_EQ(drawInPass(handle), 0);
    expectPixels({{310, 115, {0, 255, 0}}});
    GLint units[2] = {};
    glGetIntegerv(GL_ACTIVE_TEXTURE, &units[0]);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &units[1]);
    EXPECT_TRUE(units[0] == GL_TEXTURE0 && units[1] == GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);

    clear();
    ASSERT_EQ(setObjectColor(engine, handle, 0xFF808080u), 0);
    ASSERT_EQ(drawObject(engine, handle), 0);
    expectPixels({{310, 115, {0, 128, 0}}});
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(floats(colour, 4), std::vector<float>(4, 1.0f));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
}

TEST_F(GlDraw, GeometryDrawsFromClientMemoryAndOtherHandlesDrawNothing) {
    const uint16_t indices[3] = {0, 1, 2};
    const MeshSource t = samples::triangleMesh("");
    const ObjectHandle g = createGeometry(engine, t.positions.data(), nullptr, 3, indices, 3, 0);
    begin3D(engine);
    resetModelView(engine);
    const int64_t cases[][2] = {{0, 0},
                                {texture({kRed}), 0},
                                {kHandleModel, 0},
                                {kHandleStaticMesh | 64, kErrorBadSlot},
                                {kHandleSkinnedMesh | 1, kErrorBadSlot},
                                {kHandleGeometry | 1, kErrorEmptySlot}};
    for (const auto& c : cases) EXPECT_EQ(drawObject(engine, ObjectHandle(c[0])), c[1]) << c[0];
    EXPECT_EQ(engine->statDrawCalls, 0);
    ASSERT_EQ(drawObject(engine, g), 0);
    EXPECT_EQ(engine->textureMatrixId, 0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    end3D(engine);
    expectPixels({{310, 115, kWhite}, {380, 50, kBlack}});
}

TEST_F(GlDraw, OverlayPlacesObjectsInScreenUnits) {
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
    glDisable(GL_CULL_FACE);
    ASSERT_EQ(drawObject(engine, handle), 0);
    end3D(engine);
    // x and y grow right and down from the centre.
    expectPixels({{250, 170, {255, 255, 0}}, {280, 200, kBlack}, {230, 150, kBlack}});
}

// ---- Skinned meshes ---------------------------------------------------------------------------

// A blue static triangle far to the upper left, drawn first so that its model's buffer is bound
// when the skinned mesh draws; a bone whose one pose turns it 90 degrees about y and moves it 3
// along x; and a red strip in the x-z plane (x -1..1, z 0..0.5, facing the camera, u running
// 0..1 along x) bound to that bone. Posed 10 ahead (24 pixels a unit there), the strip turns to
// x 3..3.5, z -1..1: pixels x 312..324, y 136..184, u growing down the screen.
class GlSkin : public GlDraw {
protected:
    void SetUp() override {
        GlDraw::SetUp();
        if (HasFatalFailure()) return;
        MeshSource tri = samples::farTriangleMesh("tri");
        tri.colours = {0, 0, 255, 0, 0, 255, 0, 0, 255};
        SkeletonSource turn;
        turn.parents = {255};
        turn.clips = {{1, {BoneKey{{3, 0, 0}, {0, std::sqrt(0.5f), 0, std::sqrt(0.5f)}}}}};
        SkinSource s;
        s.name = "strip";
        s.positions = {-1, 0, 0, 1, 0, 0, 1, 0, 0.5f, -1, 0, 0.5f};
        s.triangles = {0, 1, 2, 0, 2, 3};
        s.colours = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
        s.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
        s.bindings = {{kIdentityMatrix, {0, 1, 2, 3}}};
        s.weighted = {{kIdentityMatrix, {{0, 1, 1.0f}, {1, 1, 1.0f}, {2, 1, 1.0f}, {3, 1, 1.0f}}}};
        ModelWriter w;
        w.addMesh(tri);
        w.addSkeleton(turn);
        w.addSkin(s);
        const ObjectHandle model = load(w.build());
        triangle = findObject(engine, model, "tri");
        strip = findObject(engine, model, "strip");
        skin = skinOf(strip);
        ASSERT_NE(skin, nullptr);
        ahead[13] = 10;
    }
    // Opens a pass and draws the static triangle, then the strip.
    int32_t drawBoth() {
        clear();
        EXPECT_EQ(drawInPass(triangle), 0);
        resetModelView(engine);
        return drawObject(engine, strip);
    }

    ObjectHandle triangle = 0, strip = 0;
    SkinnedMesh* skin = nullptr;
    Mat4 ahead = kIdentityMatrix;
};

TEST_F(GlSkin, OnlyAPosedStripDrawsAndLandsWhereItsBonePutsIt) {
    EXPECT_EQ(poseSkeleton(skin->skeleton, 1, 0, ahead), kErrorSkin);  // not a pose
    ASSERT_EQ(drawBoth(), 0);
    EXPECT_EQ(engine->statDrawCalls, 1);
    EXPECT_EQ(skin->deformed, 0);
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, ahead), 0);
    for (uint8_t weighted : {0, 1}) {
        setSkinningMode(skin, weighted);
        ASSERT_EQ(drawBoth(), 0);
        EXPECT_EQ(engine->statDrawCalls, 2);
        EXPECT_EQ(engine->statTrianglesAll, 1 + 2);
        end3D(engine);
        // Black left of x = 3, right of x = 3.5, above z = 1, where the strip would be unturned
        // and where it would be unposed.
        expectPixels({{318, 140, kRed}, {318, 180, kRed}, {314, 160, kRed}, {310, 160, kBlack},
                      {326, 160, kBlack}, {318, 132, kBlack}, {300, 155, kBlack},
                      {240, 160, kBlack}, {100, 50, {0, 0, 255}}});
    }
}

// Colours modulate the texture: red x green = black, red x white = red.
TEST_F(GlSkin, TextureScrollLoadsItsOwnMatrixAndZeroGivesTheScaleTableBack) {
    ASSERT_EQ(setObjectTexture(engine, strip, 0, texture({{0, 255, 0}, kWhite})), 0);
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, ahead), 0);
    float m[16];
    for (const float du : {0.5f, 0.0f}) {  // half a texture along u swaps the texels
        ASSERT_EQ(setTextureScroll(engine, strip, du, 0), 0);
        ASSERT_EQ(drawBoth(), 0);
        glGetFloatv(GL_TEXTURE_MATRIX, m);
        EXPECT_EQ(std::vector<float>({m[0], m[12]}), std::vector<float>({1.0f / 1024, du}));
        EXPECT_EQ(engine->textureMatrixId, du ? -1 : kScaleId1024);
        end3D(engine);
        expectPixels({{318, 140, du ? kRed : kBlack}, {318, 180, du ? kBlack : kRed}});
    }
    // Drawn twice in a pass, the own matrix is loaded each time.
    ASSERT_EQ(setTextureScroll(engine, strip, 0.5f, 0), 0);
    ASSERT_EQ(drawBoth(), 0);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    ASSERT_EQ(drawObject(engine, strip), 0);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.5f);
}

// GL's light 0 shines from the eye: diffuse 0.8 + ambient 0.2 x 0.2 = 0.84 (214). The CPU light
// (0, 0.707, 0.707) comes from behind the strip: ambient 0.3 alone (76). A constant colour
// takes the place of either.
TEST_F(GlSkin, GlLightingCpuLightingAndAConstantColour) {
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, ahead), 0);
    ASSERT_EQ(setSkinGlLighting(engine, strip, 1), 0);
    ASSERT_EQ(enableSkinLighting(engine, strip), 0);
    ASSERT_EQ(drawBoth(), 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_NORMAL_ARRAY));
    end3D(engine);
    expectPixels({{318, 160, {214, 214, 214}}, {100, 50, {0, 0, 255}}});  // the triangle unlit
    ASSERT_EQ(setSkinGlLighting(engine, strip, 0), 0);
    ASSERT_EQ(drawBoth(), 0);
    end3D(engine);
    expectPixels({{318, 160, {76, 76, 76}}});
    ASSERT_EQ(setObjectColor(engine, strip, 0x80FF8000u), 0);
    ASSERT_EQ(drawBoth(), 0);
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(floats(colour, 4), std::vector<float>(4, 1.0f));
    end3D(engine);
    expectPixels({{318, 160, {255, 128, 0}}});
}

}  // namespace
