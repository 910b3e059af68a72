// Skeletal animation on the CPU (no GL): posing and its clamps, an arm whose vertices land where
// trigonometry puts them, normals and both kinds of lighting worked out by hand, the relayout of
// the vertex array, texture scrolling and region selection.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine3d/skinning.h"
#include "sample_models.h"
#include "support/engine3d_fixture.h"

namespace {

constexpr float kPi = 3.14159265358979f;

BoneKey key(float x, float degreesAboutZ = 0) {
    const float half = degreesAboutZ * kPi / 360.0f;
    return {{x, 0, 0}, {0, 0, std::sin(half), std::cos(half)}};
}

// Shoulder (bone 0, a root) and elbow (bone 1, two units along the upper arm). Clip 0 "arm":
// straight, then shoulder 30 degrees and elbow 60, then 90 and -45. Clip 1 "slide": bone 0 at
// x = 0, 256, 512 (one unit per 1/256 frame). Clip 2 "still": one frame, bone 0 at x = 7.
SkeletonSource armSkeleton() {
    SkeletonSource s;
    s.parents = {255, 0};
    s.clips = {{3, {key(0, 0), key(0, 30), key(0, 90), key(2, 0), key(2, 60), key(2, -45)}},
               {3, {key(0), key(256), key(512), key(2), key(2), key(2)}},
               {1, {key(7), key(2)}}};
    return s;
}

// Position 0 at x = 1 on the upper arm, 1 at x = 3 on the forearm, and 2 at x = 2.5, which the
// weighted binding shares half and half between the bones.
SkinSource armSkin() {
    SkinSource s;
    s.name = "arm";
    s.positions = {1, 0, 0, 3, 0, 0, 2.5f, 0, 0};
    s.triangles = {0, 1, 2};
    Mat4 elbowBind = kIdentityMatrix;  // the inverse of the elbow's rest place
    elbowBind[12] = -2;
    s.bindings = {{kIdentityMatrix, {0}}, {elbowBind, {1, 2}}};
    s.weighted = {{kIdentityMatrix, {{0, 1, 1.0f}, {2, 1, 0.5f}}},
                  {elbowBind, {{1, 1, 1.0f}, {2, 0, 0.5f}}}};
    return s;
}

// `along` units from `from` at `degrees` in the x-y plane.
Vec3 out(const Vec3& from, float along, float degrees) {
    const float r = degrees * kPi / 180;
    return {from.x + along * std::cos(r), from.y + along * std::sin(r), from.z};
}

void expectNear(const void* got, const Vec3& want, const std::string& what) {
    Vec3 v;
    std::memcpy(&v, got, sizeof v);
    EXPECT_NEAR(v.x, want.x, 1e-4f) << what;
    EXPECT_NEAR(v.y, want.y, 1e-4f) << what;
    EXPECT_NEAR(v.z, want.z, 1e-4f) << what;
}

class SkinPose : public zvtest::EngineFixture {
protected:
    SkinnedMesh* loadSkin(const SkeletonSource& k, const SkinSource& s, ObjectHandle* h = nullptr) {
        const ObjectHandle skin = findObject(engine, load(samples::skinFile(k, s)), s.name.c_str());
        if (h) *h = skin;
        return skinOf(skin);
    }
    static const uint8_t* vertexOf(const SkinnedMesh* s, int v, int attribute) {
        return s->vertices + v * s->stride + s->attributes[attribute].offset;
    }
};

TEST_F(SkinPose, TimeAndWeightAreClampedAndBadClipsLeaveTheBones) {
    Skeleton* k = loadSkin(armSkeleton(), armSkin())->skeleton;
    // The last pair of frames holds at 255/256: 256 + 256 x 255/256 = 511.
    const int32_t times[][3] = {{1, -5, 0},   {1, 300, 300},     {1, 511, 511},     {1, 512, 511},
                                {1, 99999, 511}, {1, INT32_MAX, 511}, {1, INT32_MIN, 0},
                                {2, -5, 7},   {2, 99999, 7}};  // clip, time, x of bone 0
    for (const auto& c : times) {
        ASSERT_EQ(poseSkeleton(k, c[0], c[1], kIdentityMatrix), 0);
        EXPECT_FLOAT_EQ(k->bones[0].matrix[12], c[2]) << c[0] << " at " << c[1];
        EXPECT_FLOAT_EQ(k->bones[1].matrix[12], c[2] + 2) << c[0] << " at " << c[1];
    }
    // Slide (clip 1) at 100 mixed with still (clip 2) by weight / 256; each time is clamped in
    // its own clip.
    const float weights[][5] = {{100, 2, 0, 0, 100},     {100, 2, 0, -20, 100},
                                {100, 2, 0, 256, 7},     {100, 2, 0, 300, 7},
                                {100, 2, 0, 128, 53.5f}, {100, 2, 0, 64, 76.75f},
                                {-50, 1, 9999, 128, 255.5f}};  // time A, clip B, time B, weight, x
    for (const auto& c : weights) {
        ASSERT_EQ(poseSkeletonBlend(k, 1, int32_t(c[0]), int32_t(c[1]), int32_t(c[2]),
                                    int32_t(c[3])), 0);
        EXPECT_FLOAT_EQ(k->bones[0].matrix[12], c[4]) << c[3];
        for (int i : {3, 7, 11}) EXPECT_EQ(k->bones[0].matrix[i], 0);
    }
    // Blended root bones take no root matrix: clip B alone is clip B posed under the identity.
    Bone blended[2];
    ASSERT_EQ(poseSkeletonBlend(k, 1, 300, 0, 256, 256), 0);
    std::memcpy(blended, k->bones, sizeof blended);
    ASSERT_EQ(poseSkeleton(k, 0, 256, kIdentityMatrix), 0);
    EXPECT_EQ(std::memcmp(blended, k->bones, sizeof blended), 0);
    for (int32_t clip : {-1, 3, INT32_MIN}) {
        engine->lastError = 0;
        EXPECT_EQ(poseSkeleton(k, clip, 0, kIdentityMatrix), kErrorSkin) << clip;
        EXPECT_EQ(engine->lastError, kErrorSkin);
        EXPECT_EQ(poseSkeletonBlend(k, clip, 0, 0, 0, 128), kErrorSkin) << clip;
        EXPECT_EQ(poseSkeletonBlend(k, 0, 0, clip, 0, 128), kErrorSkin) << clip;
    }
    EXPECT_EQ(std::memcmp(blended, k->bones, sizeof blended), 0);
    EXPECT_EQ(poseSkeleton(nullptr, 0, 0, kIdentityMatrix), kErrorSkin);
}

// Every way of skinning the arm puts its vertices in the same places, draw after draw.
TEST_F(SkinPose, ArmVerticesLandWhereTrigonometrySays) {
    const struct {
        const char* what;
        uint8_t weighted;
        std::function<void(SkinSource&)> change;
    } ways[] = {{"rigid", 0, [](SkinSource&) {}},
                {"weighted", 1, [](SkinSource&) {}},
                {"vertex 2 only added to", 1,
                 [](SkinSource& s) { s.weighted[0].entries[1].flags = 0; }},
                {"no weighted bindings", 1, [](SkinSource& s) { s.weighted.clear(); }}};
    Mat4 root = kIdentityMatrix;
    root[13] = 10;
    root[14] = 5;
    const Vec3 shoulder{0, 10, 5};
    const float poses[][3] = {{0, 0, 0}, {256, 30, 60}};  // time, shoulder, elbow
    for (const auto& way : ways) {
        SkinSource source = armSkin();
        way.change(source);
        SkinnedMesh* s = loadSkin(armSkeleton(), source);
        setSkinningMode(s, way.weighted);
        for (const auto& p : poses) {
            ASSERT_EQ(poseSkeleton(s->skeleton, 0, int32_t(p[0]), root), 0);
            const Vec3 elbow = out(shoulder, 2, p[1]), u = out(shoulder, 2.5f, p[1]);
            const Vec3 f = out(elbow, 0.5f, p[1] + p[2]);
            const Vec3 shared = s->weightedMode && s->weightedBindings
                                    ? Vec3{(u.x + f.x) / 2, (u.y + f.y) / 2, (u.z + f.z) / 2}
                                    : f;
            for (int draw = 0; draw < 2; ++draw) {  // nothing accumulates
                deformSkin(s);
                expectNear(vertexOf(s, 0, kAttrPosition), out(shoulder, 1, p[1]), way.what);
                expectNear(vertexOf(s, 1, kAttrPosition), out(elbow, 1, p[1] + p[2]), way.what);
                expectNear(vertexOf(s, 2, kAttrPosition), shared, way.what);
            }
        }
    }
}

// Triangles A (face +z) and B (face +x) meet at a crease through separate but equal positions,
// one written as -0; C (face -z) has a corner a hair from them and one equal to A's corner 1.
// Position 9 is not a number (triangle E uses it); triangle D uses vertex 10, which is not a
// position (the mesh has 11 vertices and 10 positions). The skeleton's second bone binds none.
class Crease : public SkinPose {
protected:
    void SetUp() override {
        SkinPose::SetUp();
        SkinSource s;
        s.name = "crease";
        const float tiny = std::nextafter(0.0f, 1.0f);
        s.positions = {0,    0, 0, 1, 0,  0, 0, 1, 0,   // A
                       -0.0f, 0, 0, 0, 1,  0, 0, 0, 1,  // B
                       tiny, 0, 0, 0, -1, 0, 1, 0, 0,   // C
                       NAN,  0, 0};
        s.vertexEntries.assign(33, 0);
        s.triangles = {0, 1, 2, 3, 4, 5, 6, 8, 7, 1, 10, 2, 9, 0, 1};
        s.bindings = {{kIdentityMatrix, {0, 1, 2, 3, 4, 5, 6, 7, 8}}};
        SkeletonSource still;
        still.parents = {255, 0};
        still.clips = {{1, {key(0), key(0)}}};
        skin = loadSkin(still, s, &handle);
        ASSERT_NE(skin, nullptr);
        turn[5] = turn[10] = 0;  // 90 degrees about x: -z to +y, (h, 0, h) to (h, -h, 0)
        turn[6] = 1;
        turn[9] = -1;
    }
    // The grey level of vertex v, alpha 255.
    void expectGrey(int v, int grey) {
        const uint8_t* c = vertexOf(skin, v, kAttrColour);
        EXPECT_EQ(std::vector<int>(c, c + 4), std::vector<int>({grey, grey, grey, 255})) << v;
    }

    SkinnedMesh* skin = nullptr;
    ObjectHandle handle = 0;
    Mat4 turn = kIdentityMatrix;
};

TEST_F(Crease, NormalsAreSummedOnlyOverExactlyEqualPositions) {
    computeSkinNormals(skin);
    ASSERT_TRUE(skin->normalsReady);
    const float h = std::sqrt(0.5f);
    const Vec3 want[10] = {{h, 0, h},  {0, 0, 0},  {h, 0, h},  // A: 1 is C's too, +z - z = 0
                           {h, 0, h},  {h, 0, h},  {1, 0, 0},  // B: 3 equals 0, 4 equals 2
                           {0, 0, -1}, {0, 0, -1}, {0, 0, 0},  // C: 6 stays apart, 8 is 1
                           {0, 0, 0}};                         // not a number: none
    for (int i = 0; i < 10; ++i) expectNear(&skin->positions[i].nx, want[i], std::to_string(i));
}

// Per draw: s = 0.3 + max(0, dot((0, 0.707, 0.707), turned normal)), at most 1, x 255 truncated.
TEST_F(Crease, CpuLightingFollowsThePose) {
    enableSkinLighting(skin);
    ASSERT_TRUE(skin->normalsReady && skin->lightingOn);
    expectGrey(0, 255);  // the colour added starts opaque white
    const struct {
        const Mat4& root;
        int vertex, grey;
    } cases[] = {{kIdentityMatrix, 5, 76},   // +x: 0.3
                 {kIdentityMatrix, 0, 203},  // (h, 0, h): 0.3 + 0.707 x 0.7071 = 0.7999
                 {kIdentityMatrix, 1, 76},   // no normal
                 {kIdentityMatrix, 6, 76},   // -z: nothing from the light
                 {turn, 6, 255},  {turn, 0, 76}, {turn, 5, 76}};
    for (const auto& c : cases) {
        ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, c.root), 0);
        deformRigid(skin);
        expectGrey(c.vertex, c.grey);
    }
}

// Baked once, on the rest normals whatever the pose: s = 0.2 + 0.7 x (max(0, n . (0, -h, h)) +
// max(0, n . (0, h, h))), at most 1.
TEST_F(Crease, BakedLightingStaysWhileLightingIsOff) {
    EXPECT_EQ(bakeSkinLighting(engine, handle), 0);  // unposed: nothing is skinned first
    ASSERT_EQ(poseSkeleton(skin->skeleton, 0, 0, turn), 0);
    EXPECT_EQ(bakeSkinLighting(engine, handle), 0);
    EXPECT_TRUE(skin->normalsReady && !skin->lightingOn);
    deformSkin(skin);
    const int baked[][2] = {{5, 51}, {0, 229}, {7, 51}};  // +x 0.2, (h, 0, h) 0.9, -z 0.2
    for (const auto& c : baked) expectGrey(c[0], c[1]);
}

TEST_F(SkinPose, LightingRelayoutKeepsEveryValueAndTurnsNormals) {
    SkinSource source = samples::quadSkin("q");
    source.texCoords1 = {0.25f, 0, 0.25f, 0.5f, 0.75f, 1, 1, 1};
    ObjectHandle h;
    SkinnedMesh* s = loadSkin(samples::twoBoneSkeleton(), source, &h);
    ASSERT_EQ(s->stride, 24);  // position, two units of coordinates, colour
    const std::vector<uint8_t> before(s->vertices, s->vertices + 4 * s->stride);
    VertexAttribute old[kAttributeCount];
    std::memcpy(old, s->attributes, sizeof old);
    // GL lighting asks for normals: twelve more bytes at the end of each vertex, at once when
    // the normals are ready, else when lighting is switched on.
    EXPECT_EQ(setSkinGlLighting(engine, h, 1), 0);
    EXPECT_EQ(s->stride, 24);
    EXPECT_EQ(setSkinGlLighting(engine, h, 0), 0);
    EXPECT_EQ(enableSkinLighting(engine, h), 0);  // CPU lighting: the colours are there
    EXPECT_EQ(s->stride, 24);
    EXPECT_EQ(setSkinGlLighting(engine, h, 1), 0);
    EXPECT_EQ(enableSkinLighting(engine, h), 0);  // again: nothing more to add
    EXPECT_EQ(bakeSkinLighting(engine, h), 0);    // with GL lighting: nothing to bake
    ASSERT_EQ(s->stride, 36);
    EXPECT_EQ(s->attributes[kAttrNormal].offset, 24);
    for (int v = 0; v < 4; ++v)
        for (int a = 0; a < kAttrNormal; ++a)
            EXPECT_EQ(std::memcmp(vertexOf(s, v, a), &before[v * 24 + old[a].offset],
                                  old[a].byteSize), 0) << "vertex " << v << " attribute " << a;
    // Posed, the normal attribute carries the turned normals, weighted as positions are.
    ASSERT_EQ(poseSkeleton(s->skeleton, 0, 0, kIdentityMatrix), 0);
    for (const float weight : {1.0f, 0.25f}) {  // the quad faces -y; vertex 2 weighs 0.25
        setSkinningMode(s, weight != 1);
        deformSkin(s);
        expectNear(vertexOf(s, 2, kAttrNormal), {0, -weight, 0}, "normal attribute");
        expectNear(&s->rotatedNormals[4 * 2], {0, -weight, 0}, "turned normal");
    }
}

TEST_F(SkinPose, TextureScrollAndRegionSelection) {
    SkinnedMesh* s = loadSkin(samples::twoBoneSkeleton(), samples::quadSkin("q"));
    // The 1/1024 table moved by (du, dv) in 16.16, truncated; (0, 0) switches it off.
    setTextureScroll(s, 1.0f / 3, -0.5f);
    const int32_t* m = s->textureMatrix.m;
    EXPECT_EQ(std::vector<int32_t>({m[0], m[10], m[15], m[12], m[13], s->ownTextureMatrix}),
              std::vector<int32_t>({0x40, 0x40, 0x10000, 21845, -0x8000, 1}));
    setTextureScroll(s, 0, 0);
    EXPECT_EQ(s->ownTextureMatrix, 0);

    // Coordinates (0, 0), (1, 0), (1, 1), (0, 0.5), upper bounds left out; the count counts
    // itself. A TX2 chunk after the unit-0 one does not take its place.
    SkinSource two = samples::quadSkin("two");
    two.texTag = "TX1";
    two.texCoords1 = std::vector<float>(8, 5);
    const struct {
        float box[4];
        std::vector<int32_t> want;
    } cases[] = {{{0, 0, 1, 1}, {3, 0, 3}},    {{0, 0.5f, 2, 2}, {3, 2, 3}},
                 {{0, 0, 2, 0.5f}, {3, 0, 1}}, {{-1, -1, 2, 2}, {5, 0, 1, 2, 3}},
                 {{0.1f, 0.1f, 0.2f, 0.2f}, {1}}};
    for (SkinnedMesh* mesh : {s, loadSkin(samples::twoBoneSkeleton(), two)})
        for (const auto& c : cases) {
            selectTextureRegion(mesh, c.box[0], c.box[1], c.box[2], c.box[3]);
            ASSERT_NE(mesh->selection, nullptr);
            EXPECT_EQ(std::vector<int32_t>(mesh->selection, mesh->selection + c.want.size()),
                      c.want);
        }
    SkinSource bare = samples::quadSkin("bare");  // without unit-0 coordinates: no selection
    bare.texCoords.clear();
    bare.triangles.clear();  // and without triangles, no normals
    SkinnedMesh* b = loadSkin(samples::twoBoneSkeleton(), bare);
    selectTextureRegion(b, -1, -1, 2, 2);
    computeSkinNormals(b);
    EXPECT_EQ(b->selection, nullptr);
    expectNear(&b->positions[1].nx, {0, 0, 0}, "no triangles");
}

}  // namespace
