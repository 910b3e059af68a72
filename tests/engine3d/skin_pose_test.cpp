// Skeletal animation on the CPU, on models made with the model writer and read by the loader:
// the time and weight clamps of posing, a two-bone arm whose vertices land where trigonometry
// puts them (rigid and weighted), normals across creases, the two kinds of lighting, the
// relayout of the vertex array, texture scrolling and region selection. No GL here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "sample_models.h"

namespace {

constexpr float kPi = 3.14159265358979f;

BoneKey key(float tx, float ty, float tz, float degreesAboutZ = 0) {
    const float half = degreesAboutZ * kPi / 360.0f;
    return {{tx, ty, tz}, {0, 0, std::sin(half), std::cos(half)}};
}

Mat4 translation(float x, float y, float z) {
    Mat4 m = kIdentityMatrix;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// Clip 0 "arm": shoulder (bone 0, a root) and elbow (bone 1, two units along the upper arm),
//   frame 0 straight, frame 1 shoulder 30 degrees and elbow 60, frame 2 shoulder 90, elbow -45.
// Clip 1 "slide": bone 0 moves along x by one unit per 1/256 frame (0, 256, 512), no rotation.
// Clip 2 "still": a single frame, bone 0 at x = 7.
SkeletonSource armSkeleton() {
    SkeletonSource s;
    s.parents = {255, 0};
    ClipSource arm{3, {key(0, 0, 0, 0), key(0, 0, 0, 30), key(0, 0, 0, 90),  // shoulder
                       key(2, 0, 0, 0), key(2, 0, 0, 60), key(2, 0, 0, -45)}};
    ClipSource slide{3, {key(0, 0, 0), key(256, 0, 0), key(512, 0, 0),  // bone 0
                         key(2, 0, 0), key(2, 0, 0), key(2, 0, 0)}};
    ClipSource still{1, {key(7, 0, 0), key(2, 0, 0)}};
    s.clips = {arm, slide, still};
    return s;
}

// Three positions along the arm: 0 at (1, 0, 0) on the upper arm, 1 at (3, 0, 0) on the forearm
// and 2 at (2.5, 0, 0), which the weighted binding shares half and half between the bones.
SkinSource armSkin() {
    SkinSource s;
    s.name = "arm";
    s.positions = {1, 0, 0, 3, 0, 0, 2.5f, 0, 0};
    s.triangles = {0, 1, 2};
    const Mat4 elbowBind = translation(-2, 0, 0);  // the inverse of the elbow's rest place
    s.bindings = {{kIdentityMatrix, {0}}, {elbowBind, {1, 2}}};
    s.weighted = {{kIdentityMatrix, {{0, 1, 1.0f}, {2, 1, 0.5f}}},
                  {elbowBind, {{1, 1, 1.0f}, {2, 0, 0.5f}}}};
    return s;
}

// Where trigonometry puts a point `along` units out on the upper arm, or `along` units past the
// elbow on the forearm, with the shoulder at a degrees and the elbow at b.
Vec3 onUpperArm(float along, float a) {
    const float r = a * kPi / 180;
    return {along * std::cos(r), along * std::sin(r), 0};
}
Vec3 onForearm(float along, float a, float b) {
    const float r = (a + b) * kPi / 180;
    const Vec3 elbow = onUpperArm(2, a);
    return {elbow.x + along * std::cos(r), elbow.y + along * std::sin(r), 0};
}

class SkinPose : public ::testing::Test {
protected:
    void SetUp() override {
        savedCaps_ = g_graphicsCaps;
        g_graphicsCaps = nullptr;
        engine = createEngine3D();
    }
    void TearDown() override {
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }

    // Loads a model of one skeleton and one skinned mesh; the mesh's handle.
    ObjectHandle loadSkin(const SkeletonSource& skeleton, const SkinSource& skin) {
        ModelWriter w;
        w.addSkeleton(skeleton);
        w.addSkin(skin);
        const ModelBytes file = w.build();
        const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
        EXPECT_NE(model, 0u) << engine->lastError;
        const ObjectHandle handle = findObject(engine, model, skin.name.c_str());
        EXPECT_EQ(handleType(handle), kHandleSkinnedMesh);
        return handle;
    }
    SkinnedMesh* skinOf(ObjectHandle handle) {
        SkinnedMesh* s = nullptr;
        EXPECT_EQ(lookupSkin(engine, handle, &s), 0);
        return s;
    }
    SkinnedMesh* loadArm() { return skinOf(loadSkin(armSkeleton(), armSkin())); }

    static Vec3 vertexPosition(const SkinnedMesh* s, int v) {
        float p[3];
        std::memcpy(p, s->vertices + v * s->stride + s->attributes[kAttrPosition].offset,
                    sizeof p);
        return {p[0], p[1], p[2]};
    }
    static void expectNear(Vec3 got, Vec3 want, const char* what) {
        EXPECT_NEAR(got.x, want.x, 1e-4f) << what;
        EXPECT_NEAR(got.y, want.y, 1e-4f) << what;
        EXPECT_NEAR(got.z, want.z, 1e-4f) << what;
    }
    static const uint8_t* colourOf(const SkinnedMesh* s, int v) {
        return s->vertices + v * s->stride + s->attributes[kAttrColour].offset;
    }

    Engine3D* engine = nullptr;

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

TEST_F(SkinPose, TimeIsClampedToTheClip) {
    SkinnedMesh* s = loadArm();
    Skeleton* k = s->skeleton;
    const struct {
        int32_t time;
        float x;
    } cases[] = {{-5, 0},      {0, 0},      {300, 300}, {510, 510}, {511, 511},
                 {512, 511},   {10000, 511}, {INT32_MAX, 511}, {INT32_MIN, 0}};
    for (const auto& c : cases) {
        ASSERT_EQ(poseSkeleton(k, 1, c.time, kIdentityMatrix), 0);
        // The last pair of frames at 255/256: 256 + 256 x 255/256 = 511.
        EXPECT_FLOAT_EQ(k->bones[0].matrix[12], c.x) << "time " << c.time;
        EXPECT_FLOAT_EQ(k->bones[1].matrix[12], c.x + 2) << "time " << c.time;
        EXPECT_FLOAT_EQ(k->bones[1].matrix[15], 1) << "time " << c.time;
    }
    // A single-frame clip holds its one pose at any time.
    for (int32_t time : {-5, 0, 255, 256, 100000}) {
        ASSERT_EQ(poseSkeleton(k, 2, time, kIdentityMatrix), 0);
        EXPECT_FLOAT_EQ(k->bones[0].matrix[12], 7) << time;
        EXPECT_FLOAT_EQ(k->bones[1].matrix[12], 9) << time;
    }
}

TEST_F(SkinPose, RootMatrixCarriesRootBonesAndTheirChildren) {
    Skeleton* k = loadArm()->skeleton;
    ASSERT_EQ(poseSkeleton(k, 0, 256, translation(0, 10, 5)), 0);
    const Vec3 elbow = onUpperArm(2, 30);
    EXPECT_NEAR(k->bones[1].matrix[12], elbow.x, 1e-5f);
    EXPECT_NEAR(k->bones[1].matrix[13], elbow.y + 10, 1e-5f);
    EXPECT_NEAR(k->bones[1].matrix[14], 5, 1e-5f);
    // Row 3 of every bone is 0, 0, 0, 1.
    for (int b = 0; b < 2; ++b) {
        EXPECT_EQ(k->bones[b].matrix[3], 0);
        EXPECT_EQ(k->bones[b].matrix[7], 0);
        EXPECT_EQ(k->bones[b].matrix[11], 0);
        EXPECT_EQ(k->bones[b].matrix[15], 1);
    }
}

TEST_F(SkinPose, BadClipsFailAndLeaveTheBones) {
    Skeleton* k = loadArm()->skeleton;
    ASSERT_EQ(poseSkeleton(k, 1, 300, kIdentityMatrix), 0);
    Bone before[2];
    std::memcpy(before, k->bones, sizeof before);
    for (int32_t clip : {-1, 3, 255, INT32_MIN}) {
        engine->lastError = 0;
        EXPECT_EQ(poseSkeleton(k, clip, 0, kIdentityMatrix), kErrorSkin) << clip;
        EXPECT_EQ(engine->lastError, kErrorSkin);
        EXPECT_EQ(poseSkeletonBlend(k, clip, 0, 0, 0, 128), kErrorSkin) << clip;
        EXPECT_EQ(poseSkeletonBlend(k, 0, 0, clip, 0, 128), kErrorSkin) << clip;
        EXPECT_EQ(std::memcmp(before, k->bones, sizeof before), 0) << clip;
    }
    EXPECT_EQ(poseSkeleton(nullptr, 0, 0, kIdentityMatrix), kErrorSkin);
}

TEST_F(SkinPose, BlendWeightIsClampedAndMixesTheTwoClips) {
    Skeleton* k = loadArm()->skeleton;
    auto bone0X = [&](int32_t weight) {
        EXPECT_EQ(poseSkeletonBlend(k, 1, 100, 2, 0, weight), 0);
        return k->bones[0].matrix[12];
    };
    EXPECT_FLOAT_EQ(bone0X(0), 100);    // slide alone
    EXPECT_FLOAT_EQ(bone0X(-20), 100);  // as 0
    EXPECT_FLOAT_EQ(bone0X(256), 7);    // still alone
    EXPECT_FLOAT_EQ(bone0X(128), 53.5f);
    EXPECT_FLOAT_EQ(bone0X(64), 100 + (7 - 100) * 0.25f);
    // 300 behaves as 256 bone for bone, and root bones take no root matrix.
    ASSERT_EQ(poseSkeletonBlend(k, 0, 300, 0, 256, 256), 0);
    Bone at256[2];
    std::memcpy(at256, k->bones, sizeof at256);
    ASSERT_EQ(poseSkeletonBlend(k, 0, 300, 0, 256, 300), 0);
    EXPECT_EQ(std::memcmp(at256, k->bones, sizeof at256), 0);
    ASSERT_EQ(poseSkeleton(k, 0, 256, kIdentityMatrix), 0);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(k->bones[1].matrix[i], at256[1].matrix[i]) << i;
    // Blend times are clamped per clip too.
    EXPECT_EQ(poseSkeletonBlend(k, 1, -50, 1, 9999, 128), 0);
    EXPECT_FLOAT_EQ(k->bones[0].matrix[12], 255.5f);
}

TEST_F(SkinPose, ArmVerticesLandWhereTrigonometrySays) {
    SkinnedMesh* s = loadArm();
    const struct {
        int32_t time;
        float a, b;
    } poses[] = {{0, 0, 0}, {256, 30, 60}};
    for (const auto& p : poses) {
        ASSERT_EQ(poseSkeleton(s->skeleton, 0, p.time, kIdentityMatrix), 0);
        setSkinningMode(s, 0);
        deformSkin(s);
        expectNear(vertexPosition(s, 0), onUpperArm(1, p.a), "rigid upper arm");
        expectNear(vertexPosition(s, 1), onForearm(1, p.a, p.b), "rigid hand");
        expectNear(vertexPosition(s, 2), onForearm(0.5f, p.a, p.b), "rigid forearm");

        setSkinningMode(s, 1);
        for (int twice = 0; twice < 2; ++twice) {  // the same every draw: nothing accumulates
            deformSkin(s);
            expectNear(vertexPosition(s, 0), onUpperArm(1, p.a), "weighted upper arm");
            expectNear(vertexPosition(s, 1), onForearm(1, p.a, p.b), "weighted hand");
            const Vec3 u = onUpperArm(2.5f, p.a), f = onForearm(0.5f, p.a, p.b);
            expectNear(vertexPosition(s, 2), {(u.x + f.x) / 2, (u.y + f.y) / 2, 0}, "shared");
        }
    }
    // The shared vertex really is between two places once the elbow bends.
    const Vec3 u = onUpperArm(2.5f, 30), f = onForearm(0.5f, 30, 60);
    EXPECT_GT(std::fabs(u.y - f.y), 0.1f);
}

TEST_F(SkinPose, WeightedVertexAddedToBeforeItIsSetDoesNotAccumulate) {
    SkinSource source = armSkin();
    // Vertex 2 is only ever added to.
    source.weighted[0].entries[1].flags = 0;
    source.weighted[0].entries = {source.weighted[0].entries[0], source.weighted[0].entries[1]};
    SkinnedMesh* s = skinOf(loadSkin(armSkeleton(), source));
    ASSERT_EQ(s->weightedBindings[0].firstCount, 1);
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 256, kIdentityMatrix), 0);
    setSkinningMode(s, 1);
    const Vec3 u = onUpperArm(2.5f, 30), f = onForearm(0.5f, 30, 60);
    for (int draw = 0; draw < 3; ++draw) {
        deformSkin(s);
        expectNear(vertexPosition(s, 2), {(u.x + f.x) / 2, (u.y + f.y) / 2, 0}, "added only");
    }
}

TEST_F(SkinPose, WeightedModeWithoutWeightedBindingsSkinsRigidly) {
    SkinSource source = armSkin();
    source.weighted.clear();
    SkinnedMesh* s = skinOf(loadSkin(armSkeleton(), source));
    ASSERT_EQ(s->weightedBindings, nullptr);
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 256, kIdentityMatrix), 0);
    setSkinningMode(s, 1);
    deformSkin(s);
    expectNear(vertexPosition(s, 1), onForearm(1, 30, 60), "hand");
}

// Two triangles meeting at a crease (+z face and +x face) through separate but exactly equal
// positions, one of them written as -0; a third triangle has a corner a hair away from them.
SkinSource creaseSkin() {
    SkinSource s;
    s.name = "crease";
    const float tiny = std::nextafter(0.0f, 1.0f);
    s.positions = {0, 0, 0,    1, 0, 0,  0, 1, 0,   // triangle A, face +z
                   -0.0f, 0, 0, 0, 1, 0,  0, 0, 1,   // triangle B, face +x
                   tiny, 0, 0,  0, -1, 0, 1, 0, 0};  // triangle C, face -z, corner near 0
    s.triangles = {0, 1, 2, 3, 4, 5, 6, 8, 7};
    std::vector<uint16_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    s.bindings = {{kIdentityMatrix, all}};
    return s;
}

SkeletonSource stillSkeleton() {
    SkeletonSource s;
    s.parents = {255};
    s.clips = {{1, {key(0, 0, 0)}}};
    return s;
}

TEST_F(SkinPose, NormalsAreSummedOnlyOverExactlyEqualPositions) {
    SkinnedMesh* s = skinOf(loadSkin(stillSkeleton(), creaseSkin()));
    computeSkinNormals(s);
    ASSERT_TRUE(s->normalsReady);
    const float h = std::sqrt(0.5f);
    const struct {
        int position;
        Vec3 normal;
    } want[] = {{0, {h, 0, h}},  {3, {h, 0, h}},  // the crease, -0 equal to +0
                {2, {h, 0, h}},  {4, {h, 0, h}},  // the other end of the crease
                {1, {0, 0, 1}},  {5, {1, 0, 0}},  // A and B alone
                {6, {0, 0, -1}}, {7, {0, 0, -1}}, {8, {0, 0, -1}}};  // C, not merged with A's
    // Position 8, (1, 0, 0), equals A's corner 1: those two share the sum of +z and -z.
    for (const auto& w : want) {
        const SkinPosition& p = s->positions[w.position];
        if (w.position == 1 || w.position == 8) {
            EXPECT_EQ(p.nx, 0) << w.position;
            EXPECT_EQ(p.nz, 0) << w.position;
            continue;
        }
        EXPECT_NEAR(p.nx, w.normal.x, 1e-6f) << w.position;
        EXPECT_NEAR(p.ny, w.normal.y, 1e-6f) << w.position;
        EXPECT_NEAR(p.nz, w.normal.z, 1e-6f) << w.position;
    }
}

TEST_F(SkinPose, GroupedNormalsEqualTheDirectComparisonBitForBit) {
    // A bumpy grid whose rows repeat their seam positions, with a NaN and a triangle using a
    // vertex that is not a position (VRTs gives more vertices than positions).
    SkinSource source;
    source.name = "grid";
    const int n = 12;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int sx = x == n - 1 ? 0 : x;  // the last column repeats the first
            source.positions.insert(source.positions.end(),
                                    {static_cast<float>(sx), static_cast<float>(y),
                                     std::sin(0.7f * sx) * std::cos(0.3f * y)});
        }
    source.positions[3 * 17 + 2] = NAN;
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x) {
            const uint16_t a = static_cast<uint16_t>(y * n + x);
            source.triangles.insert(source.triangles.end(),
                                    {a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + n),
                                     static_cast<uint16_t>(a + 1),
                                     static_cast<uint16_t>(a + n + 1),
                                     static_cast<uint16_t>(a + n)});
        }
    source.vertexEntries.assign(3 * (n * n + 2), 0);
    source.triangles.insert(source.triangles.end(), {0, static_cast<uint16_t>(n * n + 1), 1});
    SkinnedMesh* s = skinOf(loadSkin(stillSkeleton(), source));
    ASSERT_EQ(s->vertexCount, n * n + 2);
    ASSERT_EQ(s->positionCount, n * n);

    computeSkinNormalsDirect(s);
    std::vector<SkinPosition> direct(s->positions, s->positions + s->positionCount);
    computeSkinNormals(s);
    EXPECT_EQ(std::memcmp(direct.data(), s->positions, direct.size() * sizeof(SkinPosition)), 0);
    // The repeated seam shares one normal; the NaN position gets none.
    EXPECT_EQ(s->positions[n].nz, s->positions[2 * n - 1].nz);
    EXPECT_EQ(s->positions[17].nx, 0);
    EXPECT_NEAR(std::hypot(s->positions[30].nx, s->positions[30].ny, s->positions[30].nz), 1,
                1e-5f);
}

TEST_F(SkinPose, CpuLightingWritesGreyLevelsEachDeform) {
    SkinnedMesh* s = skinOf(loadSkin(stillSkeleton(), creaseSkin()));
    ASSERT_FALSE(s->attributeMask & kMaskColour);
    enableSkinLighting(s);
    ASSERT_TRUE(s->attributeMask & kMaskColour);
    ASSERT_TRUE(s->normalsReady && s->lightingOn);
    EXPECT_EQ(colourOf(s, 0)[3], 255);  // the new colour starts opaque white
    EXPECT_EQ(colourOf(s, 0)[0], 255);
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 0, kIdentityMatrix), 0);
    deformRigid(s);
    // s = 0.3 + max(0, dot((0, 0.707, 0.707), n)), at most 1, x 255 truncated.
    EXPECT_EQ(colourOf(s, 5)[1], 76);   // +x: 0.3
    EXPECT_EQ(colourOf(s, 0)[2], 203);  // (h, 0, h): 0.3 + 0.707 x 0.7071 = 0.7999
    EXPECT_EQ(colourOf(s, 1)[0], 76);   // no normal (+z and -z cancel): ambient alone
    EXPECT_EQ(colourOf(s, 6)[0], 76);   // -z: nothing from the light
    EXPECT_EQ(colourOf(s, 6)[3], 255);  // alpha untouched

    // The light follows the pose: turned 90 degrees about x, -z faces +y (towards the light)
    // and the crease (h, 0, h) turns to (h, -h, 0), away from it.
    Mat4 turn = kIdentityMatrix;
    turn[5] = 0;
    turn[6] = 1;
    turn[9] = -1;
    turn[10] = 0;
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 0, turn), 0);
    deformRigid(s);
    EXPECT_EQ(colourOf(s, 6)[0], 255);
    EXPECT_EQ(colourOf(s, 0)[0], 76);
    EXPECT_EQ(colourOf(s, 5)[0], 76);  // +x stays +x
}

TEST_F(SkinPose, BakedLightingUsesTwoLightsOnTheRestNormals) {
    const ObjectHandle h = loadSkin(stillSkeleton(), creaseSkin());
    SkinnedMesh* s = skinOf(h);
    EXPECT_EQ(bakeSkinLighting(engine, h), 0);
    ASSERT_TRUE(s->attributeMask & kMaskColour);
    EXPECT_TRUE(s->normalsReady);
    EXPECT_FALSE(s->lightingOn);
    // s = 0.2 + 0.7 x (max(0, n . (0, -h, h)) + max(0, n . (0, h, h))), at most 1.
    EXPECT_EQ(colourOf(s, 5)[0], 51);   // +x: 0.2
    EXPECT_EQ(colourOf(s, 0)[1], 229);  // (h, 0, h): 0.2 + 0.7 x (0.5 + 0.5) = 0.9
    EXPECT_EQ(colourOf(s, 7)[2], 51);   // -z
    EXPECT_EQ(colourOf(s, 7)[3], 255);
    // Posed and drawn without lighting switched on, the baked colours stay.
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 0, kIdentityMatrix), 0);
    deformSkin(s);
    EXPECT_EQ(colourOf(s, 0)[1], 229);
}

TEST_F(SkinPose, LightingRelayoutKeepsEveryValue) {
    SkinSource source = samples::quadSkin("q");
    source.texCoords1 = {0.25f, 0, 0.25f, 0.5f, 0.75f, 1, 1, 1};
    const ObjectHandle h = loadSkin(samples::twoBoneSkeleton(), source);
    SkinnedMesh* s = skinOf(h);
    ASSERT_EQ(s->attributeMask, kMaskPosition | kMaskTexture0 | kMaskTexture1 | kMaskColour);
    ASSERT_EQ(s->stride, 24);
    const std::vector<uint8_t> before(s->vertices, s->vertices + 4 * s->stride);
    const VertexAttribute old[kAttributeCount] = {s->attributes[0], s->attributes[1],
                                                  s->attributes[2], s->attributes[3],
                                                  s->attributes[4]};
    // GL lighting asks for normals: twelve more bytes at the end of each vertex.
    EXPECT_EQ(setSkinGlLighting(engine, h, 1), 0);
    EXPECT_EQ(s->stride, 24);  // normals are not ready yet: nothing to add
    EXPECT_EQ(enableSkinLighting(engine, h), 0);
    ASSERT_EQ(s->stride, 36);
    EXPECT_EQ(s->attributes[kAttrNormal].offset, 24);
    EXPECT_TRUE(s->attributeMask & kMaskNormal);
    for (int v = 0; v < 4; ++v)
        for (int a = 0; a < kAttrNormal; ++a)
            EXPECT_EQ(std::memcmp(s->vertices + v * 36 + s->attributes[a].offset,
                                  before.data() + v * 24 + old[a].offset,
                                  static_cast<size_t>(old[a].byteSize)),
                      0)
                << "vertex " << v << " attribute " << a;
    // Posed, the normal attribute carries the turned normals for GL.
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 0, kIdentityMatrix), 0);
    deformSkin(s);
    float n[3];
    std::memcpy(n, s->vertices + 2 * 36 + 24, sizeof n);
    EXPECT_NEAR(n[1], -1, 1e-5f);  // the quad lies in the x-z plane, wound towards -y
    EXPECT_FLOAT_EQ(n[1], s->rotatedNormals[4 * 2 + 1]);
}

TEST_F(SkinPose, TextureScrollOwnsAMatrixUntilScrolledToZero) {
    const ObjectHandle h = loadSkin(samples::twoBoneSkeleton(), samples::quadSkin("q"));
    SkinnedMesh* s = skinOf(h);
    EXPECT_EQ(setTextureScroll(engine, h, 0.25f, -0.5f), 0);
    EXPECT_EQ(s->ownTextureMatrix, 1);
    EXPECT_EQ(s->textureMatrix.m[0], 0x40);  // the 1/1024 table underneath
    EXPECT_EQ(s->textureMatrix.m[15], 0x10000);
    EXPECT_EQ(s->textureMatrix.m[12], 0x4000);
    EXPECT_EQ(s->textureMatrix.m[13], -0x8000);
    setTextureScroll(s, 1.0f / 3, 0);
    EXPECT_EQ(s->textureMatrix.m[12], 21845);  // truncated
    EXPECT_EQ(s->textureMatrix.m[13], 0);
    EXPECT_EQ(setTextureScroll(engine, h, 0, 0), 0);
    EXPECT_EQ(s->ownTextureMatrix, 0);
    EXPECT_EQ(s->textureMatrix.m[12], 0);
}

std::vector<int32_t> selected(const SkinnedMesh* s, int entries) {
    return std::vector<int32_t>(s->selection, s->selection + entries);
}

TEST_F(SkinPose, RegionSelectionCountsItselfAndListsVertices) {
    const ObjectHandle h = loadSkin(samples::twoBoneSkeleton(), samples::quadSkin("q"));
    SkinnedMesh* s = skinOf(h);
    // Coordinates: (0, 0), (1, 0), (1, 1), (0, 0.5); the upper bounds are left out.
    EXPECT_EQ(selectTextureRegion(engine, h, 0, 0, 1, 1), 0);
    ASSERT_NE(s->selection, nullptr);
    EXPECT_EQ(selected(s, 3), (std::vector<int32_t>{3, 0, 3}));
    selectTextureRegion(s, 0, 0.5f, 2, 2);
    EXPECT_EQ(selected(s, 3), (std::vector<int32_t>{3, 2, 3}));
    selectTextureRegion(s, -1, -1, 2, 2);
    EXPECT_EQ(selected(s, 5), (std::vector<int32_t>{5, 0, 1, 2, 3}));
    selectTextureRegion(s, 0.1f, 0.1f, 0.2f, 0.2f);
    EXPECT_EQ(s->selection[0], 1);

    // A TX2 chunk read after the unit-0 one does not take its place.
    SkinSource two = samples::quadSkin("two");
    two.texTag = "TX1";
    two.texCoords1 = {5, 5, 5, 5, 5, 5, 5, 5};
    SkinnedMesh* t = skinOf(loadSkin(samples::twoBoneSkeleton(), two));
    selectTextureRegion(t, 0, 0.5f, 2, 2);
    EXPECT_EQ(selected(t, 3), (std::vector<int32_t>{3, 2, 3}));

    // Without unit-0 coordinates nothing is selected.
    SkinSource bare = samples::quadSkin("bare");
    bare.texCoords.clear();
    SkinnedMesh* b = skinOf(loadSkin(samples::twoBoneSkeleton(), bare));
    selectTextureRegion(b, -1, -1, 2, 2);
    EXPECT_EQ(b->selection, nullptr);
}

TEST_F(SkinPose, HandleOperationsIgnoreOtherTypesAndReportEmptySlots) {
    const ObjectHandle h = loadSkin(samples::twoBoneSkeleton(), samples::quadSkin("q"));
    SkinnedMesh* s = skinOf(h);
    const ObjectHandle missing = kHandleSkinnedMesh | 5;
    const ObjectHandle beyond = kHandleSkinnedMesh | 0x100000;
    for (ObjectHandle other : {ObjectHandle{0}, kHandleStaticMesh | 0, kHandleModel | 0}) {
        EXPECT_EQ(setSkinningMode(engine, other, 1), 0);
        EXPECT_EQ(enableSkinLighting(engine, other), 0);
        EXPECT_EQ(setTextureScroll(engine, other, 1, 1), 0);
    }
    EXPECT_EQ(s->weightedMode, 0);
    EXPECT_EQ(s->ownTextureMatrix, 0);
    EXPECT_EQ(s->lightingOn, 0);
    EXPECT_EQ(setSkinningMode(engine, missing, 1), kErrorEmptySlot);
    EXPECT_EQ(bakeSkinLighting(engine, beyond), kErrorBadSlot);
    EXPECT_EQ(selectTextureRegion(engine, missing, 0, 0, 1, 1), kErrorEmptySlot);
    EXPECT_EQ(setSkinGlLighting(engine, beyond, 1), kErrorBadSlot);
    EXPECT_EQ(setSkinningMode(engine, h, 7), 0);
    EXPECT_EQ(s->weightedMode, 1);
}

}  // namespace
