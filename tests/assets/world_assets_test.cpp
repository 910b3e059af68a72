// The world's data as the game reads it: every named mesh and texture loads through the game's
// own code, the meshes have the shapes the world drawing relies on (trunk radius, ground cell,
// backdrops filling every view, winding towards the camera, sizes), the build is reproducible,
// and a frame drawn by the renderer from the run camera shows lit ground and a dark trunk.
#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/assets/world_assets.h"
#include "tools/assets/world_layout.h"
#include "tools/assets/world_preview.h"
#include "tools/writers/pack_writer.h"

namespace {

constexpr float kPi = 3.14159265f;

// ---- The build, made once ---------------------------------------------------------------------

const std::vector<PackInput>& worldEntries() {
    static const std::vector<PackInput>* entries = [] {
        auto* e = new std::vector<PackInput>();
        addWorldAssets(*e);
        return e;
    }();
    return *entries;
}

const std::vector<uint8_t>& entryBytes(const std::string& name) {
    static const std::vector<uint8_t> none;
    for (const PackInput& e : worldEntries())
        if (e.name == name) return e.bytes;
    ADD_FAILURE() << name << " is not among the world's entries";
    return none;
}

// The build written as a pack file, once per process.
const std::string& worldPackPath() {
    static const std::string path = [] {
        const std::string p = zvtest::makeTempFolder() + "world.bin";
        std::string error;
        EXPECT_TRUE(writePackFile(p.c_str(), worldEntries(), &error)) << error;
        return p;
    }();
    return path;
}

// ---- Meshes as the game's parser reads them ---------------------------------------------------

struct Corner {
    Vec3 p;
    float u, v;
};
using Triangle = std::array<Corner, 3>;

struct ParsedWorld {
    ModelParse model;
    ParsedWorld() {
        const std::vector<uint8_t>& bytes = entryBytes(kWorldModelFile);
        EXPECT_EQ(parseModel(bytes.data(), bytes.size(), &model), 0) << model.reason;
    }
    const StaticMesh* mesh(const char* name) const {
        for (const StaticMesh* m : model.meshes)
            if (!std::strncmp(m->name, name, 32)) return m;
        ADD_FAILURE() << "no mesh " << name;
        return nullptr;
    }
    std::vector<Triangle> triangles(const char* name) const {
        std::vector<Triangle> out;
        const StaticMesh* m = mesh(name);
        if (!m) return out;
        const VertexAttribute& pos = m->attributes[kAttrPosition];
        const VertexAttribute& tex = m->attributes[kAttrTexture0];
        EXPECT_EQ(pos.format, kAttributeFloat) << name;
        for (int32_t t = 0; t + 2 < m->vertexCount; t += 3) {
            Triangle tri;
            for (int k = 0; k < 3; ++k) {
                const uint8_t* v =
                    model.store->data + m->dataOffset + static_cast<size_t>(t + k) * m->stride;
                std::memcpy(&tri[k].p, v + pos.offset, sizeof(Vec3));
                int16_t uv[2] = {0, 0};
                if (m->attributeMask & kMaskTexture0) std::memcpy(uv, v + tex.offset, 4);
                tri[k].u = uv[0] / 1024.0f;
                tri[k].v = uv[1] / 1024.0f;
            }
            out.push_back(tri);
        }
        return out;
    }
};

const ParsedWorld& world() {
    static const ParsedWorld* parsed = new ParsedWorld();
    return *parsed;
}

Vec3 transformPoint(const Mat4& m, Vec3 p, float* w = nullptr) {
    const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    if (w) *w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    return {x, y, z};
}

// The run's camera set up in the engine (eye 2 behind and 2 above the runner, looking at a point
// 10 ahead of the eye and 1 below it, banked by the roll, 75 degrees across, near 0.1, far 100),
// and projections through it onto the landscape picture.
class RunView {
public:
    RunView(float runnerX, float runnerY, float rollDegrees)
        : engine_(createEngine3D()), eye_{runnerX, runnerY - 2, 2} {
        const float roll = rollDegrees * kPi / 180;
        Vec3 forward = {0, 10, -1};
        normalize(forward);
        EXPECT_EQ(setPerspective(engine_, 75, 1.5f, 0.1f, 100), 0);
        setCamera(engine_, eye_, forward, {std::sin(roll), 0, std::cos(roll)});
    }
    RunView(const RunView&) = delete;
    RunView& operator=(const RunView&) = delete;
    ~RunView() { destroyEngine3D(engine_); }
    Vec3 eye() const { return eye_; }
    // Landscape picture coordinates in -1..1 (x right, y up) and the distance ahead of the eye;
    // false behind the near plane.
    bool project(Vec3 world, float* x, float* y, float* ahead) const {
        float w;
        const Vec3 eyeSpace = transformPoint(engine_->view, world);
        const Vec3 clip = transformPoint(engine_->projection, eyeSpace, &w);
        *ahead = -eyeSpace.z;
        if (w <= kRunNearPlane) return false;
        *x = -clip.y / w;
        *y = clip.x / w;
        return true;
    }
    // The direction through a landscape picture point (-1..1, y up).
    Vec3 ray(float x, float y) const {
        const float ex = x / engine_->projScaleX, ey = y / engine_->projScaleY;
        const Vec3 s = engine_->cameraSide, u = engine_->cameraUp, f = engine_->cameraForward;
        return {s.x * ex + u.x * ey + f.x, s.y * ex + u.y * ey + f.y, s.z * ex + u.z * ey + f.z};
    }

private:
    Engine3D* engine_;
    Vec3 eye_;
};

Vec3 placed(Vec3 p, Vec3 offset, Vec3 scaleBy) {
    return {offset.x + p.x * scaleBy.x, offset.y + p.y * scaleBy.y, offset.z + p.z * scaleBy.z};
}

float cross2(float ax, float ay, float bx, float by) {
    return ax * by - ay * bx;
}

bool insideTriangle(float px, float py, const float x[3], const float y[3]) {
    const float d0 = cross2(x[1] - x[0], y[1] - y[0], px - x[0], py - y[0]);
    const float d1 = cross2(x[2] - x[1], y[2] - y[1], px - x[1], py - y[1]);
    const float d2 = cross2(x[0] - x[2], y[0] - y[2], px - x[2], py - y[2]);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

// Signed area of a placed triangle on the picture (positive: counter-clockwise, a front face);
// NaN when a corner is behind the near plane.
float screenArea(const RunView& view, const Triangle& t, Vec3 offset, Vec3 scaleBy) {
    float x[3], y[3], ahead;
    for (int k = 0; k < 3; ++k)
        if (!view.project(placed(t[k].p, offset, scaleBy), &x[k], &y[k], &ahead)) return NAN;
    return cross2(x[1] - x[0], y[1] - y[0], x[2] - x[0], y[2] - y[0]);
}

struct Bounds {
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    float radius = 0;  // largest distance from the z axis
};
Bounds boundsOf(const std::vector<Triangle>& tris) {
    Bounds b;
    for (const Triangle& t : tris)
        for (const Corner& c : t) {
            b.lo = {std::min(b.lo.x, c.p.x), std::min(b.lo.y, c.p.y), std::min(b.lo.z, c.p.z)};
            b.hi = {std::max(b.hi.x, c.p.x), std::max(b.hi.y, c.p.y), std::max(b.hi.z, c.p.z)};
            b.radius = std::max(b.radius, std::hypot(c.p.x, c.p.y));
        }
    return b;
}

// A GL context with the capability record of its Mesa GL, for loading and drawing.
class WorldOnGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        saved_ = g_graphicsCaps;
        buildGraphicsCaps(&caps_, reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                          reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
        g_graphicsCaps = &caps_;
        createResourceRegistry();
        engine = createEngine3D();
        ASSERT_TRUE(openPack(worldPackPath().c_str()));
    }
    void TearDown() override {
        closePack();
        destroyEngine3D(engine);
        g_graphicsCaps = saved_;
    }
    Engine3D* engine = nullptr;

private:
    GraphicsCaps caps_{};
    GraphicsCaps* saved_ = nullptr;
};

// ---- Loading through the game ----------------------------------------------------------------

TEST_F(WorldOnGl, EveryNamedMeshIsFoundInTheWorldModel) {
    const ObjectHandle model = loadModel(engine, kWorldModelFile);
    ASSERT_NE(model, 0u) << engine->lastError;
    std::set<ObjectHandle> handles;
    for (const WorldMeshEntry& e : kWorldMeshes) {
        const ObjectHandle h = findObject(engine, model, e.name);
        ASSERT_EQ(handleType(h), kHandleStaticMesh) << e.name;
        handles.insert(h);
        StaticMesh* mesh = nullptr;
        ASSERT_EQ(lookupMesh(engine, h, &mesh), 0);
        EXPECT_GT(mesh->vertexCount, 0) << e.name;
        EXPECT_EQ(mesh->vertexCount % 3, 0) << e.name;
        EXPECT_TRUE(mesh->attributeMask & kMaskTexture0) << e.name << " has no texture coordinates";
    }
    EXPECT_EQ(handles.size(), static_cast<size_t>(kWorldMeshCount)) << "two names share a mesh";
    EXPECT_EQ(world().model.meshes.size(), static_cast<size_t>(kWorldMeshCount));
}

TEST_F(WorldOnGl, EveryTextureLoadsThroughTheGamesTextureCode) {
    for (int type = 0; type < kWorldTextureTypes; ++type) {
        const char* name = kWorldTextureFiles[type];
        if (!name) continue;
        Texture* texture = loadTextureByName(name, true);
        ASSERT_NE(texture, nullptr) << name;
        EXPECT_EQ(texture->width & (texture->width - 1), 0) << name;
        EXPECT_EQ(texture->width, texture->height) << name;
        EXPECT_GE(texture->width, 128) << name;
        destroyTexture(texture);

        // A whole mipmap chain, and alpha exactly where blending needs it.
        const std::vector<uint8_t>& bytes = entryBytes(name);
        PvrHeader header;
        ASSERT_TRUE(parsePvrHeader(bytes.data(), bytes.size(), &header)) << name;
        EXPECT_EQ(static_cast<int>(header.mipmapCount) + 1,
                  mipmapLevelCount(header.width, header.height));
        EXPECT_EQ(header.pixelFormat, kPvrFormatPvrtc4) << name;
        const bool wantsAlpha =
            type == kTexTrees || type == kTexShading || type == kTexCrash || type == kTexLeaves;
        EXPECT_EQ(header.alphaMask != 0, wantsAlpha) << name;
    }
    Image* logo = createImage(kLoadingPictureFile);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->width, platform::kLandscapeWidth);
    EXPECT_EQ(logo->height, platform::kLandscapeHeight);
    destroyImage(logo);
}

// ---- Pictures ---------------------------------------------------------------------------------

struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    // Mean of channel c over a rectangle.
    float mean(int c, int x0, int y0, int w, int h) const {
        double sum = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) sum += at(x, y)[c];
        return static_cast<float>(sum / (w * h));
    }
    float mean(int c, const AtlasRect& r) const { return mean(c, r.x, r.y, r.w, r.h); }
    // How much the colour jumps across the wrap-around edge, against the mean jump between
    // neighbouring strips inside: strips 8 texels wide, compared band by band (8 texels), so
    // that fine detail averages out and a broken pattern shows.
    float seamRatio(bool acrossX) const {
        const int n = acrossX ? width : height, m = acrossX ? height : width;
        auto strip = [&](int first, int band, int c) {
            double sum = 0;
            for (int k = first; k < first + 8; ++k)
                for (int i = band; i < band + 8; ++i) sum += acrossX ? at(k, i)[c] : at(i, k)[c];
            return sum / 64;
        };
        double seam = 0, inside = 0;
        for (int band = 0; band + 8 <= m; band += 8)
            for (int c = 0; c < 4; ++c) {
                seam += std::fabs(strip(n - 8, band, c) - strip(0, band, c));
                for (int k = 8; k < n; k += 8)
                    inside += std::fabs(strip(k - 8, band, c) - strip(k, band, c)) / (n / 8 - 1);
            }
        return static_cast<float>(seam / std::max(inside, 1.0));
    }
};

Decoded decodeTexture(const char* name) {
    Decoded d;
    const std::vector<uint8_t>& bytes = entryBytes(name);
    PvrHeader header;
    if (!parsePvrHeader(bytes.data(), bytes.size(), &header)) return d;
    uint8_t* rgba = decodePvrLevel(header, 0, &d.width, &d.height);
    if (rgba) d.rgba.assign(rgba, rgba + static_cast<size_t>(d.width) * d.height * 4);
    delete[] rgba;
    return d;
}

TEST(WorldPictures, TilesMeetTheirNeighboursWithoutASeam) {
    for (const char* name : {kWorldTextureFiles[kTexGrass], kWorldTextureFiles[kTexLeaves]}) {
        const Decoded d = decodeTexture(name);
        ASSERT_GT(d.width, 0) << name;
        EXPECT_LT(d.seamRatio(true), 1.5f) << name << " across x";
        EXPECT_LT(d.seamRatio(false), 1.5f) << name << " across y";
    }
}

TEST(WorldPictures, ColoursAndCoverageSuitTheirUse) {
    const Decoded grass = decodeTexture(kWorldTextureFiles[kTexGrass]);
    ASSERT_GT(grass.width, 0);
    const float gr = grass.mean(0, 0, 0, grass.width, grass.height);
    const float gg = grass.mean(1, 0, 0, grass.width, grass.height);
    const float gb = grass.mean(2, 0, 0, grass.width, grass.height);
    EXPECT_GT(gg, gr + 15) << "the ground is moss green";
    EXPECT_GT(gg, gb + 15);

    const Decoded leaves = decodeTexture(kWorldTextureFiles[kTexLeaves]);
    ASSERT_GT(leaves.width, 0);
    int holes = 0;
    for (int i = 0; i < leaves.width * leaves.height; ++i) holes += leaves.rgba[i * 4 + 3] < 32;
    const float holeShare = static_cast<float>(holes) / (leaves.width * leaves.height);
    EXPECT_GT(holeShare, 0.2f) << "the sky shows through the canopy";
    EXPECT_LT(holeShare, 0.75f);

    const Decoded trees = decodeTexture(kWorldTextureFiles[kTexTrees]);
    ASSERT_GT(trees.width, 0);
    // The shadow multiplies by vertex colours over the white patch: it must stay white.
    for (int c = 0; c < 4; ++c)
        EXPECT_GT(trees.mean(c, kWhiteRect.x + 8, kWhiteRect.y + 8, 16, 16), 245);
    for (const AtlasRect& bark : kBarkRects)
        EXPECT_GT(trees.mean(3, bark), 250) << "bark is opaque";
    for (const AtlasRect& shrub : kShrubRects) {
        EXPECT_LT(trees.at(shrub.x + 2, shrub.y + 2)[3], 40) << "bushes are cut out";
        EXPECT_GT(trees.at(shrub.x + shrub.w / 2, shrub.y + shrub.h - 12)[3], 200);
    }
    EXPECT_GT(trees.mean(0, kCoinFaceRect), trees.mean(2, kCoinFaceRect) + 60) << "coins are gold";

    const Decoded shading = decodeTexture(kWorldTextureFiles[kTexShading]);
    ASSERT_GT(shading.width, 0);
    const AtlasRect skyTop = {kSkyRect.x, kSkyRect.y, kSkyRect.w, 16};
    const AtlasRect skyLow = {kSkyRect.x, kSkyRect.y + kSkyRect.h - 16, kSkyRect.w, 16};
    EXPECT_LT(shading.mean(2, skyTop), shading.mean(2, skyLow))
        << "the sky lightens to the horizon";
    EXPECT_GT(shading.mean(2, skyTop), shading.mean(0, skyTop)) << "a deep blue sky";
    EXPECT_LT(shading.mean(3, kHorizonRect.x, kHorizonRect.y, kHorizonRect.w, 4), 60)
        << "open sky above the tree line";
    EXPECT_GT(
        shading.mean(3, kHorizonRect.x, kHorizonRect.y + kHorizonRect.h - 16, kHorizonRect.w, 4),
        240)
        << "a solid foot below it";
    for (int c = 0; c < 3; ++c)
        EXPECT_GT(shading.mean(c, kDappleRect), 190) << "light patches stay near white";

    const Decoded crash = decodeTexture(kWorldTextureFiles[kTexCrash]);
    ASSERT_GT(crash.width, 0);
    EXPECT_GT(crash.mean(3, crash.width / 2 - 8, crash.height / 2 - 8, 16, 16), 250);
    EXPECT_GT(crash.mean(1, crash.width / 2 - 8, crash.height / 2 - 8, 16, 16), 240);
    EXPECT_LT(crash.at(1, 1)[3], 20);

    // Pale letters on dark wood.
    const Decoded signs = decodeTexture(kWorldTextureFiles[kTexMenuText]);
    ASSERT_GT(signs.width, 0);
    for (const AtlasRect& board : {kDistanceBoardRect, kPointsBoardRect}) {
        int light = 0, dark = 0;
        for (int y = board.y + 8; y < board.y + board.h - 8; ++y)
            for (int x = board.x + 8; x < board.x + board.w - 8; ++x) {
                light += signs.at(x, y)[0] > 190;
                dark += signs.at(x, y)[0] < 90;
            }
        EXPECT_GT(light, 400);
        EXPECT_GT(dark, 2000);
    }

    const std::vector<uint8_t>& png = entryBytes(kLoadingPictureFile);
    int32_t w = 0, h = 0;
    uint8_t* logo = decodePngImage(png.data(), png.size(), &w, &h);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(w, platform::kLandscapeWidth);
    EXPECT_EQ(h, platform::kLandscapeHeight);
    delete[] logo;
}

// ---- Shapes -----------------------------------------------------------------------------------

TEST(WorldShapes, TrunksStandOnTheirCollisionCircleAndReachTheCanopy) {
    std::set<std::vector<float>> distinct;
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "tree_" + std::to_string(i);
        const std::vector<Triangle> tris = world().triangles(name.c_str());
        const Bounds b = boundsOf(tris);
        int base = 0;
        for (const Triangle& t : tris)
            for (const Corner& c : t) {
                if (std::fabs(c.p.z) > 1e-4f) continue;
                ++base;
                EXPECT_NEAR(std::hypot(c.p.x, c.p.y), 1.0f, 0.05f) << name;
            }
        EXPECT_GE(base, 12) << name << " has no ring at its foot";
        EXPECT_NEAR(b.lo.z, 0.0f, 1e-4f) << name;
        EXPECT_GT(b.hi.z * kSmallestTreeScale, kLeavesHeight + 0.5f)
            << name << " ends below the canopy";
        std::vector<float> shape;
        for (const Triangle& t : tris)
            for (const Corner& c : t) shape.insert(shape.end(), {c.p.x, c.p.y, c.p.z});
        distinct.insert(shape);
    }
    EXPECT_EQ(distinct.size(), 6u) << "six different trunks";
}

TEST(WorldShapes, GroundAndCanopyCellsTileExactly) {
    struct Cell {
        const char* name;
        float x0, x1, y0, y1;
    };
    for (const Cell& cell : {Cell{"grass", -20, 20, 0, 10}, Cell{"leaves_1", -10, 10, 0, 20}}) {
        const std::vector<Triangle> tris = world().triangles(cell.name);
        const Bounds b = boundsOf(tris);
        EXPECT_FLOAT_EQ(b.lo.x, cell.x0);
        EXPECT_FLOAT_EQ(b.hi.x, cell.x1);
        EXPECT_FLOAT_EQ(b.lo.y, cell.y0);
        EXPECT_FLOAT_EQ(b.hi.y, cell.y1);
        EXPECT_FLOAT_EQ(b.lo.z, 0);
        EXPECT_FLOAT_EQ(b.hi.z, 0);
        float area = 0;
        for (const Triangle& t : tris)
            area += std::fabs(cross2(t[1].p.x - t[0].p.x, t[1].p.y - t[0].p.y, t[2].p.x - t[0].p.x,
                                     t[2].p.y - t[0].p.y)) /
                    2;
        EXPECT_NEAR(area, (cell.x1 - cell.x0) * (cell.y1 - cell.y0), 0.01f) << cell.name;
        // Opposite edges sit a whole number of picture repeats apart, so neighbours continue it.
        float uAt0 = NAN, uAt1 = NAN, vAt0 = NAN, vAt1 = NAN;
        for (const Triangle& t : tris)
            for (const Corner& c : t) {
                if (c.p.x == cell.x0 && c.p.y == cell.y0) uAt0 = c.u, vAt0 = c.v;
                if (c.p.x == cell.x1 && c.p.y == cell.y1) uAt1 = c.u, vAt1 = c.v;
            }
        ASSERT_FALSE(std::isnan(uAt0 + uAt1 + vAt0 + vAt1)) << cell.name;
        EXPECT_NEAR(uAt1 - uAt0, std::round(uAt1 - uAt0), 1e-3f) << cell.name;
        EXPECT_NEAR(vAt1 - vAt0, std::round(vAt1 - vAt0), 1e-3f) << cell.name;
        EXPECT_GE(std::fabs(uAt1 - uAt0), 1.0f) << cell.name;
    }
}

// Sky and tree line are drawn at the eye stretched 1.3 across; the camera banks up to 30 degrees.
TEST(WorldShapes, SkyAndTreeLineFillTheViewAtEveryRoll) {
    for (float roll : {-kRunMaxRoll, -20.0f, -10.0f, 0.0f, 10.0f, 20.0f, kRunMaxRoll}) {
        const RunView view(3, 40, roll);
        const Vec3 eye = view.eye();
        const Vec3 offset = {eye.x, eye.y, 0}, stretch = {kBackdropStretchX, 1, 1};
        for (const char* name : {"sky", "horizon"}) {
            struct Flat {
                float x[3], y[3];
            };
            std::vector<Flat> flats;
            for (const Triangle& t : world().triangles(name)) {
                Flat f;
                for (int k = 0; k < 3; ++k) {
                    float ahead;
                    ASSERT_TRUE(
                        view.project(placed(t[k].p, offset, stretch), &f.x[k], &f.y[k], &ahead));
                    EXPECT_GT(ahead, kObjectRange) << name << " stands among the objects";
                    EXPECT_LT(ahead, kRunFarPlane) << name << " is cut by the far plane";
                }
                flats.push_back(f);
            }
            for (int i = 0; i <= 24; ++i)
                for (int j = 0; j <= 24; ++j) {
                    const float sx = -1 + i / 12.0f, sy = -1 + j / 12.0f;
                    if (!std::strcmp(name, "horizon")) {
                        // The tree line must cover the far edge of the ground and eye level.
                        const Vec3 d = view.ray(sx, sy);
                        const float elevation = std::atan2(d.z, std::hypot(d.x, d.y)) * 180 / kPi;
                        if (elevation < -2.0f || elevation > 1.0f) continue;
                    }
                    const bool covered = std::any_of(
                        flats.begin(), flats.end(),
                        [&](const Flat& f) { return insideTriangle(sx, sy, f.x, f.y); });
                    EXPECT_TRUE(covered)
                        << name << " leaves (" << sx << ", " << sy << ") open at roll " << roll;
                }
        }
    }
}

TEST(WorldShapes, GroundLightCoversAllGroundInView) {
    const std::vector<Triangle> tris = world().triangles("shading");
    for (float roll : {-kRunMaxRoll, 0.0f, kRunMaxRoll}) {
        const RunView view(-7, 63, roll);
        const Vec3 eye = view.eye();
        for (int i = 0; i <= 30; ++i)
            for (int j = 0; j <= 20; ++j) {
                const Vec3 d = view.ray(-1 + i / 15.0f, -1 + j / 10.0f);
                if (d.z >= 0) continue;
                const float t = -eye.z / d.z;
                const float gx = eye.x + d.x * t - eye.x, gy = eye.y + d.y * t - eye.y;
                if (gy > 50 || std::fabs(gx) > 40) continue;  // beyond the ground cells drawn
                const float mx = gx / kBackdropStretchX;
                bool covered = false;
                for (const Triangle& tri : tris) {
                    const float x[3] = {tri[0].p.x, tri[1].p.x, tri[2].p.x};
                    const float y[3] = {tri[0].p.y, tri[1].p.y, tri[2].p.y};
                    if (insideTriangle(mx, gy, x, y)) {
                        covered = true;
                        break;
                    }
                }
                EXPECT_TRUE(covered) << "ground at (" << gx << ", " << gy << ") is left unlit-dark";
            }
    }
}

TEST(WorldShapes, FacesTheCameraSeesAreFrontFaces) {
    const RunView run(0, 0, 0);
    const Vec3 eye = run.eye();
    // Ground cells and the light on them, as the rows in front of the eye are drawn.
    int front = 0;
    for (int row = 0; row < 6; ++row)
        for (int column = -1; column <= 1; ++column)
            for (const Triangle& t : world().triangles("grass")) {
                const float a = screenArea(run, t, {column * 40.0f, row * 10.0f, 0}, {1, 1, 1});
                if (std::isnan(a)) continue;
                EXPECT_GT(a, 0) << "a ground triangle faces away";
                ++front;
            }
    EXPECT_GT(front, 20);
    for (const char* name : {"shading", "sky", "horizon"})
        for (const Triangle& t : world().triangles(name)) {
            const float a = screenArea(run, t, {eye.x, eye.y, 0}, {kBackdropStretchX, 1, 1});
            if (!std::isnan(a)) {
                EXPECT_GT(a, 0) << name;
            }
        }
    for (int row = 0; row < 4; ++row)
        for (const Triangle& t : world().triangles("leaves_1")) {
            const float a = screenArea(run, t, {0, row * 20.0f, kLeavesHeight}, {1, 1, 1});
            if (!std::isnan(a)) {
                EXPECT_GT(a, 0) << "the canopy is seen from below";
            }
        }

    // Trunks: sides turned towards the eye are front faces, the far sides are culled.
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "tree_" + std::to_string(i);
        const Vec3 at = {1.5f, 9, 0};
        const float s = 0.4f;
        int seen = 0, culled = 0;
        for (const Triangle& t : world().triangles(name.c_str())) {
            Vec3 c = {0, 0, 0};
            for (const Corner& k : t) c = {c.x + k.p.x / 3, c.y + k.p.y / 3, c.z + k.p.z / 3};
            // Near the foot, where a trunk's lean has not yet moved its axis off the origin.
            if (c.z > 7) continue;
            const float ox = c.x, oy = c.y;
            const Vec3 w = placed(c, at, {s, s, s});
            const float towards = ox * (eye.x - w.x) + oy * (eye.y - w.y);
            const float len = std::hypot(ox, oy) * std::hypot(eye.x - w.x, eye.y - w.y);
            const float a = screenArea(run, t, at, {s, s, s});
            if (std::isnan(a) || std::fabs(towards) < 0.3f * len) continue;
            if (towards > 0) {
                EXPECT_GT(a, 0) << name << " shows a side it should hide";
                ++seen;
            } else {
                EXPECT_LT(a, 0) << name << " hides a side it should show";
                ++culled;
            }
        }
        EXPECT_GE(seen, 4) << name;
        EXPECT_GE(culled, 4) << name;
    }

    // Signs, from the menu camera: the lettered faces turn to it and read left to right.
    for (const auto& [name, board, side] :
         {std::tuple<const char*, AtlasRect, float>{"menu_text_distance", kDistanceBoardRect,
                                                    -kSignSideX},
          std::tuple<const char*, AtlasRect, float>{"menu_text_points", kPointsBoardRect,
                                                    kSignSideX}}) {
        const Vec3 at = {eye.x + side, eye.y + kSignAheadY, kSignLift};
        const Vec3 s = {kSignScale, kSignScale, kSignScale};
        int lettered = 0;
        for (const Triangle& t : world().triangles(name)) {
            bool onBoard = true;
            for (const Corner& c : t)
                onBoard &= c.u * kAtlasSize >= board.x && c.u * kAtlasSize <= board.x + board.w &&
                           c.v * kAtlasSize >= board.y && c.v * kAtlasSize <= board.y + board.h;
            if (!onBoard) continue;
            ++lettered;
            EXPECT_GT(screenArea(run, t, at, s), 0) << name;
            // Along u the picture runs rightwards on the screen.
            float x[3], y[3], ahead;
            for (int k = 0; k < 3; ++k) run.project(placed(t[k].p, at, s), &x[k], &y[k], &ahead);
            const float du = t[1].u - t[0].u, dx = x[1] - x[0];
            if (std::fabs(du) > 1e-3f) {
                EXPECT_GT(du * dx, 0) << name << " reads mirrored";
            }
            for (int k = 0; k < 3; ++k) {
                EXPECT_GT(x[k], -1.0f) << name << " is cut off at the side";
                EXPECT_LT(x[k], 1.0f) << name << " is cut off at the side";
            }
        }
        EXPECT_EQ(lettered, 2) << name;
    }
}

TEST(WorldShapes, ObjectsHaveTheSizesTheGameDrawsThemAt) {
    const Bounds death = boundsOf(world().triangles("death"));
    EXPECT_NEAR(death.hi.z * kDeathMarkerScale, 2.0f, 0.25f) << "a marker about 2 m tall";
    EXPECT_NEAR(death.lo.z, 0.0f, 1e-4f);
    for (const char* name : {"shrub_1", "shrub_2", "shrub_3", "shrub_4"}) {
        const Bounds b = boundsOf(world().triangles(name));
        EXPECT_NEAR(b.radius, 1.0f, 0.2f) << name;
        EXPECT_NEAR(b.lo.z, 0.0f, 1e-4f) << name;
    }
    for (const char* name : {"pickup_coin_1", "pickup_coin_2", "pickup_x2_1", "pickup_x2_2",
                             "pickup_x3_1", "pickup_x3_2"}) {
        const Bounds b = boundsOf(world().triangles(name));
        EXPECT_NEAR(b.hi.x - b.lo.x, 1.0f, 0.4f) << name << " is about 1 unit across";
        EXPECT_NEAR(b.hi.z - b.lo.z, 1.0f, 0.4f) << name;
        // Centred on the point drawn 1.5 up, so it floats clear of the ground.
        EXPECT_NEAR(b.hi.z + b.lo.z, 0.0f, 0.05f) << name;
    }
    for (const char* name : {"menu_text_distance", "menu_text_points"}) {
        const Bounds b = boundsOf(world().triangles(name));
        EXPECT_NEAR(kSignLift + kSignScale * b.lo.z, 0.0f, 0.02f)
            << name << " stands on the ground";
    }
    // At the full zoom (x 4080) the flash's solid middle covers the whole 480 x 320 screen.
    const float needed = std::hypot(240.0f, 160.0f) / 4080.0f;
    const std::vector<Triangle> crash = world().triangles("crash");
    EXPECT_LE(boundsOf(crash).radius, 1.05f) << "a small shape in screen units";
    for (int k = 0; k < 36; ++k) {
        const float px = needed * 1.5f * std::cos(k * kPi / 18),
                    py = needed * 1.5f * std::sin(k * kPi / 18);
        const bool covered = std::any_of(crash.begin(), crash.end(), [&](const Triangle& t) {
            const float x[3] = {t[0].p.x, t[1].p.x, t[2].p.x},
                        y[3] = {t[0].p.y, t[1].p.y, t[2].p.y};
            return insideTriangle(px, py, x, y);
        });
        EXPECT_TRUE(covered);
    }
}

// ---- Reproducible ----------------------------------------------------------------------------

TEST(WorldBuild, TwoBuildsGiveTheSameBytes) {
    std::vector<PackInput> again;
    addWorldAssets(again);
    const std::vector<PackInput>& first = worldEntries();
    ASSERT_EQ(again.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(again[i].name, first[i].name);
        EXPECT_TRUE(again[i].bytes == first[i].bytes) << first[i].name;
    }
    std::string error;
    std::vector<uint8_t> pack;
    EXPECT_TRUE(buildPack(first, &pack, &error)) << error;
    EXPECT_LT(pack.size(), 4u << 20);
}

// ---- A frame from the run camera ---------------------------------------------------------------

TEST_F(WorldOnGl, RunCameraSeesLitGroundFadingAheadAndADarkTrunk) {
    WorldPreviewAssets assets;
    ASSERT_TRUE(loadWorldPreviewAssets(engine, kWorldModelFile, &assets));
    WorldPreviewFrame frame;
    frame.runnerX = 0;
    frame.runnerY = 50;
    const float eyeY = frame.runnerY - kRunEyeBehind;
    const Vec3 tree = {-2.0f, eyeY + 8, 0};
    frame.items.push_back({tree.x, tree.y, 0.5f, 3});
    drawWorldPreview(engine, assets, frame);
    std::vector<uint8_t> picture(platform::kLandscapeWidth * platform::kLandscapeHeight * 4);
    ASSERT_TRUE(platform::readLandscape(picture.data()));
    auto pixel = [&](int x, int y) {
        x = std::clamp(x, 0, platform::kLandscapeWidth - 1);
        y = std::clamp(y, 0, platform::kLandscapeHeight - 1);
        return &picture[(static_cast<size_t>(y) * platform::kLandscapeWidth + x) * 4];
    };
    // Mean colour of a 15 x 7 patch round (x, y): single texels of litter and moss vary a lot.
    auto patch = [&](int x, int y) {
        std::array<float, 3> sum = {0, 0, 0};
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -7; dx <= 7; ++dx)
                for (int k = 0; k < 3; ++k) sum[k] += pixel(x + dx, y + dy)[k] / 105.0f;
        return sum;
    };
    auto luminance = [&](int x, int y) {
        const std::array<float, 3> p = patch(x, y);
        return 0.3f * p[0] + 0.59f * p[1] + 0.11f * p[2];
    };
    // Where ground points land on the picture.
    const RunView view(frame.runnerX, frame.runnerY, 0);
    auto screenOf = [&](Vec3 p, int* x, int* y) {
        float sx, sy, ahead;
        ASSERT_TRUE(view.project(p, &sx, &sy, &ahead));
        *x = static_cast<int>((sx + 1) * 0.5f * platform::kLandscapeWidth);
        *y = static_cast<int>((1 - sy) * 0.5f * platform::kLandscapeHeight);
    };
    int nearX, nearY, farX, farY;
    screenOf({0, eyeY + 4, 0}, &nearX, &nearY);
    screenOf({0, eyeY + 36, 0}, &farX, &farY);
    const std::array<float, 3> nearGround = patch(nearX, nearY);
    EXPECT_GT(nearGround[1], nearGround[0] + 10) << "green ground by the runner";
    EXPECT_GT(nearGround[1], nearGround[2] + 10);
    EXPECT_GT(nearGround[1], 50);
    EXPECT_LT(luminance(farX, farY), 0.35f * luminance(nearX, nearY)) << "the ground fades ahead";

    // The trunk near its foot is dark against the lit ground on either side of it.
    int treeX, treeY;
    screenOf({tree.x, tree.y, 0.5f}, &treeX, &treeY);
    const float trunk = luminance(treeX, treeY);
    EXPECT_LT(trunk, 0.5f * luminance(treeX - 40, treeY + 6)) << "at " << treeX << "," << treeY;
    EXPECT_LT(trunk, 0.5f * luminance(treeX + 40, treeY + 6));

    // The top of the picture (canopy and night sky) is darker than the lit ground.
    float top = 0, bottom = 0;
    for (int x = 0; x < platform::kLandscapeWidth; x += 4) {
        top += luminance(x, 10);
        bottom += luminance(x, platform::kLandscapeHeight - 10);
    }
    EXPECT_LT(top, 0.6f * bottom);
}

// ---- The contact sheet ------------------------------------------------------------------------

TEST(WorldContactSheet, DrawsEveryMeshInALabelledCell) {
    const std::string zvtool = ZV_BINARY_DIR "/tools/zvtool";
    ASSERT_TRUE(std::filesystem::exists(zvtool)) << "zvtool is not built";
    const std::string dir = zvtest::makeTempFolder();
    for (const PackInput& e : worldEntries())
        ASSERT_TRUE(
            zvtest::writeFile(dir + e.name.substr(1), std::string(e.bytes.begin(), e.bytes.end())));
    const std::string out = dir + "sheet.png";
    const std::string command = "SDL_VIDEODRIVER=dummy '" + zvtool + "' model render '" + dir +
                                "world.kvm' '" + out + "' --cell 120 > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string png = zvtest::readFile(out);
    int32_t w = 0, h = 0;
    uint8_t* rgba =
        decodePngImage(reinterpret_cast<const uint8_t*>(png.data()), png.size(), &w, &h);
    ASSERT_NE(rgba, nullptr);
    const int columns = 7, cellW = 120, rows = 4;
    ASSERT_EQ(w, columns * cellW);
    const int cellH = h / rows;
    // Every cell holds something besides its background: a mesh was drawn in it.
    for (int cell = 0; cell < kWorldMeshCount; ++cell) {
        const int x0 = (cell % columns) * cellW, y0 = (cell / columns) * cellH;
        std::set<uint32_t> colours;
        for (int y = y0 + cellH / 4; y < y0 + cellH; y += 2)
            for (int x = x0; x < x0 + cellW; x += 2) {
                const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
                colours.insert(static_cast<uint32_t>(p[0] / 16) << 8 | (p[1] / 16) << 4 |
                               p[2] / 16);
            }
        EXPECT_GT(colours.size(), 3u)
            << "cell " << cell << " (" << kWorldMeshes[cell].name << ") is empty";
    }
    delete[] rgba;
}

}  // namespace
