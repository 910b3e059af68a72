// The world's data: every named mesh and texture loads through the game's own code; the meshes
// have the sizes the game draws them at, tile without seams, turn their front faces to the camera
// and fill its view at every bank; the pictures' colours suit their use; and the game's scene
// drawn from the run camera shows lit ground fading ahead and a dark trunk.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "game/scene.h"
#include "game/world_resources.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "support/zvtool_run.h"
#include "tools/assets/world_assets.h"
#include "tools/assets/world_layout.h"
#include "tools/assets/world_meshes.h"

namespace {

constexpr float kPi = 3.14159265f;

const std::vector<PackInput>& worldEntries() {
    static const auto* entries = [] {
        auto* e = new std::vector<PackInput>();
        addWorldAssets(*e);
        return e;
    }();
    return *entries;
}

const std::vector<uint8_t>& entryBytes(const std::string& name) {
    for (const PackInput& e : worldEntries())
        if (e.name == name) return e.bytes;
    static const std::vector<uint8_t> none;
    ADD_FAILURE() << name << " is not among the world's entries";
    return none;
}

Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Corner {
    Vec3 p;
    float u, v;
};
using Triangle = std::array<Corner, 3>;

// The named mesh's triangles, each axis scaled by stretch and then moved by offset.
std::vector<Triangle> triangles(const std::string& name, Vec3 offset = {0, 0, 0},
                                Vec3 stretch = {1, 1, 1}) {
    static const std::vector<MeshSource> meshes = buildWorldMeshes();
    std::vector<Triangle> out;
    for (const MeshSource& m : meshes) {
        if (m.name != name) continue;
        for (size_t v = 0; v + 2 < m.positions.size() / 3; v += 3) {
            Triangle t;
            for (size_t k = 0; k < 3; ++k) {
                const float* p = &m.positions[(v + k) * 3];
                t[k] = {{offset.x + p[0] * stretch.x, offset.y + p[1] * stretch.y,
                         offset.z + p[2] * stretch.z},
                        m.texCoords[(v + k) * 2], m.texCoords[(v + k) * 2 + 1]};
            }
            out.push_back(t);
        }
        return out;
    }
    ADD_FAILURE() << "no mesh " << name;
    return out;
}

// What the ray from `from` along d meets first among the triangles (edges included): 1 a front
// face (counter-clockwise as seen from `from`), -1 a back face, 0 nothing.
int firstHit(const std::vector<Triangle>& tris, Vec3 from, Vec3 d) {
    float nearest = INFINITY;
    int facing = 0;
    for (const Triangle& t : tris) {
        const Vec3 e1 = t[1].p - t[0].p, e2 = t[2].p - t[0].p, p = cross(d, e2);
        const float det = dot(e1, p);
        if (std::fabs(det) < 1e-12f) continue;
        const Vec3 s = from - t[0].p, q = cross(s, e1);
        const float u = dot(s, p) / det, v = dot(d, q) / det, at = dot(e2, q) / det;
        if (u > -1e-4f && v > -1e-4f && u + v < 1 + 1e-4f && at > 0 && at < nearest)
            nearest = at, facing = det > 0 ? 1 : -1;
    }
    return facing;
}

// The game's run camera for a runner at (x, y) banked by roll degrees, set up in an engine.
struct View {
    Engine3D* engine = createEngine3D();
    RunCamera camera{};
    View(float x, float y, float roll) {
        cameraFollow(&camera);
        camera.roll = roll * kPi / 180;
        cameraUpdate(&camera, {x, y});
        setPerspective(engine, camera.fieldOfView, 0, kNearPlane, kFarPlane);
        setCamera(engine, camera.eye, camera.forward, camera.up);
    }
    View(const View&) = delete;
    ~View() { destroyEngine3D(engine); }
    Vec3 eye() const { return camera.eye; }
    // The direction through a landscape picture point (-1..1, x right, y up).
    Vec3 ray(float x, float y) const {
        const Vec3 s = engine->cameraSide, u = engine->cameraUp, f = engine->cameraForward;
        const float ex = x / engine->projScaleX, ey = y / engine->projScaleY;
        return {s.x * ex + u.x * ey + f.x, s.y * ex + u.y * ey + f.y, s.z * ex + u.z * ey + f.z};
    }
    float ahead(Vec3 p) const { return dot(p - eye(), engine->cameraForward); }
    // Where a point lands on the landscape picture: -1..1 across, x right and y up.
    float screenX(Vec3 p) const {
        return dot(p - eye(), engine->cameraSide) / ahead(p) * engine->projScaleX;
    }
    float screenY(Vec3 p) const {
        return dot(p - eye(), engine->cameraUp) / ahead(p) * engine->projScaleY;
    }
};

TEST(WorldShapes, ObjectsHaveTheSizesTheGameDrawsThemAt) {
    enum Measure { kFoot, kTop, kHeight, kWidth, kMiddleZ, kRadius };
    struct Size {
        std::vector<std::string> meshes;
        Measure measure;
        float scale, lift, low, high;  // measure x scale + lift lies within low..high
        const char* why;
    };
    const std::vector<std::string> trees = {"tree_1", "tree_2", "tree_3",
                                            "tree_4", "tree_5", "tree_6"};
    const std::vector<std::string> shrubs = {"shrub_1", "shrub_2", "shrub_3", "shrub_4"};
    const std::vector<std::string> pickups = {"pickup_coin_1", "pickup_coin_2", "pickup_x2_1",
                                              "pickup_x2_2",   "pickup_x3_1",   "pickup_x3_2"};
    const Size sizes[] = {
        {trees, kFoot, 1, 0, -1e-4f, 1e-4f, "stands on the ground"},
        {trees, kTop, kSmallestTreeScale, 0, kLeavesHeight + 0.5f, 1e9f, "reaches the canopy"},
        {shrubs, kFoot, 1, 0, -1e-4f, 1e-4f, "stands on the ground"},
        {shrubs, kRadius, 1, 0, 0.8f, 1.2f, "fills its collision circle"},
        {{"death"}, kFoot, 1, 0, -1e-4f, 1e-4f, "stands on the ground"},
        {{"death"}, kTop, kDeathMarkerScale, 0, 1.75f, 2.25f, "a marker about 2 m tall"},
        {pickups, kWidth, 1, 0, 0.6f, 1.4f, "about 1 unit across"},
        {pickups, kHeight, 1, 0, 0.6f, 1.4f, "about 1 unit high"},
        {pickups, kMiddleZ, 1, 0, -0.025f, 0.025f, "centred on the point drawn 1.5 up"},
        {{"menu_text_distance", "menu_text_points"}, kFoot, kSignScale, kSignLift, -0.02f, 0.02f,
         "stands on the ground"},
        {{"crash"}, kRadius, 1, 0, 0, 1.05f, "a small shape in screen units"},
    };
    for (const Size& s : sizes)
        for (const std::string& name : s.meshes) {
            float lo = 1e9f, hi = -1e9f, left = 1e9f, right = -1e9f, radius = 0;
            for (const Triangle& t : triangles(name))
                for (const Corner& c : t) {
                    lo = std::min(lo, c.p.z), hi = std::max(hi, c.p.z);
                    left = std::min(left, c.p.x), right = std::max(right, c.p.x);
                    radius = std::max(radius, std::hypot(c.p.x, c.p.y));
                }
            const float value =
                std::array{lo, hi, hi - lo, right - left, (hi + lo) / 2, radius}[s.measure] *
                    s.scale + s.lift;
            EXPECT_TRUE(value >= s.low && value <= s.high) << name << ' ' << value << ' ' << s.why;
        }

    // Each trunk's foot is a ring on its collision circle (radius 1); six different trunks.
    std::set<std::vector<float>> shapes;
    for (const std::string& name : trees) {
        std::vector<float> shape;
        int foot = 0;
        for (const Triangle& t : triangles(name))
            for (const Corner& c : t) {
                shape.insert(shape.end(), {c.p.x, c.p.y, c.p.z});
                if (std::fabs(c.p.z) > 1e-4f) continue;
                ++foot;
                EXPECT_NEAR(std::hypot(c.p.x, c.p.y), 1.0f, 0.05f) << name;
            }
        EXPECT_GE(foot, 12) << name << " has no ring at its foot";
        shapes.insert(shape);
    }
    EXPECT_EQ(shapes.size(), trees.size());

    // At the full zoom the flash's solid middle covers the whole 480 x 320 screen.
    const float needed = 1.5f * std::hypot(240.0f, 160.0f) / kCrashZoomScale;
    for (int k = 0; k < 36; ++k) {
        const Vec3 at = {needed * std::cos(k * kPi / 18), needed * std::sin(k * kPi / 18), 1};
        EXPECT_NE(firstHit(triangles("crash"), at, {0, 0, -1}), 0) << k * 10 << " degrees";
    }
}

TEST(WorldShapes, GroundAndCanopyCellsTileExactly) {
    struct Cell {
        const char* name;
        float x0, x1, y0, y1;
    };
    for (const Cell& cell : {Cell{"grass", -20, 20, 0, 10}, Cell{"leaves_1", -10, 10, 0, 20}}) {
        float area = 0, lo = 1e9f, hi = -1e9f;
        Corner first{{0, 0, 0}, NAN, NAN}, last = first;  // at (x0, y0) and at (x1, y1)
        for (const Triangle& t : triangles(cell.name)) {
            area += std::fabs(cross(t[1].p - t[0].p, t[2].p - t[0].p).z) / 2;
            for (const Corner& c : t) {
                EXPECT_EQ(c.p.z, 0) << cell.name;
                lo = std::min({lo, c.p.x - cell.x0, c.p.y - cell.y0});
                hi = std::max({hi, c.p.x - cell.x1, c.p.y - cell.y1});
                if (c.p.x == cell.x0 && c.p.y == cell.y0) first = c;
                if (c.p.x == cell.x1 && c.p.y == cell.y1) last = c;
            }
        }
        EXPECT_EQ(lo, 0) << cell.name << " does not fill its cell exactly";
        EXPECT_EQ(hi, 0) << cell.name << " does not fill its cell exactly";
        EXPECT_NEAR(area, (cell.x1 - cell.x0) * (cell.y1 - cell.y0), 0.01f) << cell.name;
        // Opposite edges sit a whole number of picture repeats apart, so neighbours continue it.
        const float du = last.u - first.u, dv = last.v - first.v;
        EXPECT_NEAR(du, std::round(du), 1e-3f) << cell.name;
        EXPECT_NEAR(dv, std::round(dv), 1e-3f) << cell.name;
        EXPECT_GE(std::fabs(du), 1.0f) << cell.name;
    }
}

// Everything the run camera sees, at every bank, is a front face and the view has no holes: the
// sky everywhere, the tree line at eye level, the ground tiles as the game lays them and their
// light over all the ground drawn (50 ahead, 40 to either side), the canopy tiles overhead, and
// the near side of each trunk. The backdrops stand beyond the objects, short of the far plane.
TEST(WorldShapes, TheRunCameraSeesOnlyFrontFacesAndNoHolesAtEveryRoll) {
    int trunkHits[6] = {};
    for (float roll : {-kRunMaxRoll, -20.0f, -10.0f, 0.0f, 10.0f, 20.0f, kRunMaxRoll}) {
        const View view(3, 40, roll);
        const Vec3 eye = view.eye(), at = {eye.x, eye.y, 0}, stretch = {kBackdropStretch, 1, 1};
        const std::vector<Triangle> sky = triangles("sky", at, stretch),
                                    horizon = triangles("horizon", at, stretch),
                                    light = triangles("shading", at, stretch);
        for (const auto* backdrop : {&sky, &horizon})
            for (const Triangle& t : *backdrop)
                for (const Corner& c : t) {
                    EXPECT_GT(view.ahead(c.p), kDrawRange) << "a backdrop among the objects";
                    EXPECT_LT(view.ahead(c.p), kFarPlane) << "a backdrop cut by the far plane";
                }
        std::vector<Triangle> ground, canopy, trunks[6];
        for (int i = 0; i < kGroundRows; ++i)
            for (int j = -1; j <= 1; ++j) {
                const Vec2 tile = groundTile(eye, i, j);
                const std::vector<Triangle> more = triangles("grass", {tile.x, tile.y, 0});
                ground.insert(ground.end(), more.begin(), more.end());
            }
        for (int i = 0; i < 4; ++i)
            for (int j = -3; j <= 3; ++j) {
                const Vec2 tile = leavesTile(eye, i, j);
                const auto more = triangles("leaves_1", {tile.x, tile.y, kCanopyHeight});
                canopy.insert(canopy.end(), more.begin(), more.end());
            }
        for (int k = 0; k < 6; ++k)  // the largest trunks, side by side 8 ahead
            trunks[k] = triangles("tree_" + std::to_string(k + 1),
                                  {eye.x - 5 + 2.0f * k, eye.y + 8, 0},
                                  {kLargestTreeScale, kLargestTreeScale, kLargestTreeScale});
        for (int i = 0; i <= 24; ++i)
            for (int j = 0; j <= 24; ++j) {
                SCOPED_TRACE(testing::Message() << "roll " << roll << " at " << i << ", " << j);
                const Vec3 d = view.ray(-1 + i / 12.0f, -1 + j / 12.0f);
                EXPECT_EQ(firstHit(sky, eye, d), 1) << "the sky";
                const float elevation = std::atan2(d.z, std::hypot(d.x, d.y)) * 180 / kPi;
                if (elevation > -2.0f && elevation < 1.0f) {
                    EXPECT_EQ(firstHit(horizon, eye, d), 1) << "the tree line";
                }
                const float down = -eye.z / d.z, up = (kCanopyHeight - eye.z) / d.z;
                if (d.z < 0 && down * d.y < 50 && std::fabs(down * d.x) < 40) {
                    EXPECT_EQ(firstHit(ground, eye, d), 1) << "the ground";
                    EXPECT_EQ(firstHit(light, eye, d), 1) << "the ground's light";
                }
                if (d.z > 0 && up * d.y < 60 && std::fabs(up * d.x) < 40) {
                    EXPECT_EQ(firstHit(canopy, eye, d), 1) << "the canopy";
                }
                for (int k = 0; k < 6; ++k) {
                    const int hit = firstHit(trunks[k], eye, d);
                    EXPECT_NE(hit, -1) << "tree_" << k + 1 << " shows its far side";
                    trunkHits[k] += hit;
                }
            }
    }
    for (int hits : trunkHits) EXPECT_GT(hits, 20);
}

// The signs' lettered boards, seen from the menu eye (the run camera at the start, signs 7 ahead
// and 3 to either side), turn their fronts to it, read left to right and are whole on screen.
TEST(WorldShapes, MenuSignsFaceTheMenuEyeAndReadLeftToRight) {
    const View menu(0, 0, 0);
    for (const auto& [name, board, side] : {std::tuple{"menu_text_distance", kDistanceBoardRect,
                                                       -kSignSideX},
                                            std::tuple{"menu_text_points", kPointsBoardRect,
                                                       kSignSideX}}) {
        int lettered = 0;
        for (const Triangle& t : triangles(name, {side, menu.eye().y + kSignAheadY, kSignLift},
                                           {kSignScale, kSignScale, kSignScale})) {
            bool onBoard = true;
            for (const Corner& k : t) {
                const float u = k.u * kAtlasSize, v = k.v * kAtlasSize;
                onBoard &= u >= board.x && u <= board.x + board.w && v >= board.y &&
                           v <= board.y + board.h;
            }
            if (!onBoard) continue;
            ++lettered;
            EXPECT_GT(dot(cross(t[1].p - t[0].p, t[2].p - t[0].p), menu.eye() - t[0].p), 0)
                << name << " turns its letters away";
            for (int k = 0; k < 3; ++k) {
                const Corner &a = t[k], &b = t[(k + 1) % 3];
                const float du = b.u - a.u, dx = menu.screenX(b.p) - menu.screenX(a.p);
                EXPECT_TRUE(std::fabs(du) < 1e-3f || du * dx > 0) << name << " reads mirrored";
                EXPECT_LT(std::fabs(menu.screenX(a.p)), 1.0f) << name << " is cut off";
            }
        }
        EXPECT_EQ(lettered, 2) << name;
    }
}

// A decoded texture and measures over its rectangles: 0..3 a channel's mean; kMin the least of
// the four; shares (0..1) of texels that are see-through (alpha < 32), pale or dark (by red).
struct Picture {
    enum { kMin = 4, kClear, kPale, kDark };
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    explicit Picture(int type) {
        const std::vector<uint8_t>& bytes = entryBytes(kWorldTextureFiles[type]);
        PvrHeader header;
        uint8_t* pixels = parsePvrHeader(bytes.data(), bytes.size(), &header)
                              ? decodePvrLevel(header, 0, &width, &height) : nullptr;
        if (pixels) rgba.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
        delete[] pixels;
    }
    float measure(int what, const AtlasRect& r) const {
        double sums[8] = {};
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) {
                const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
                for (int c = 0; c < 4; ++c) sums[c] += p[c];
                sums[kClear] += p[3] < 32;
                sums[kPale] += p[0] > 190;
                sums[kDark] += p[0] < 90;
            }
        sums[kMin] = *std::min_element(sums, sums + 4);
        return static_cast<float>(sums[what] / (r.w * r.h));
    }
    // How much the colour jumps across the wrap-around edge, against the mean jump between
    // neighbouring 8-texel strips inside, compared in 8 x 8 blocks so that fine detail averages
    // out and a broken pattern shows.
    float seamRatio(bool acrossX) const {
        const int n = acrossX ? width : height, m = acrossX ? height : width;
        auto block = [&](int k, int band, int c) {
            return measure(c, acrossX ? AtlasRect{k, band, 8, 8} : AtlasRect{band, k, 8, 8});
        };
        double seam = 0, inside = 0;
        for (int band = 0; band + 8 <= m; band += 8)
            for (int c = 0; c < 4; ++c) {
                seam += std::fabs(block(n - 8, band, c) - block(0, band, c));
                for (int k = 8; k < n; k += 8)
                    inside += std::fabs(block(k - 8, band, c) - block(k, band, c)) / (n / 8 - 1);
            }
        return static_cast<float>(seam / std::max(inside, 1.0));
    }
};

TEST(WorldPictures, ColoursSuitTheirUseAndTilesMeetWithoutASeam) {
    const Picture grass(kTexGrass), trees(kTexTrees), shading(kTexShading), crash(kTexCrash),
        leaves(kTexLeaves), signs(kTexMenuText);
    for (const Picture* p : {&trees, &shading, &signs}) ASSERT_EQ(p->width, kAtlasSize);
    ASSERT_GE(std::min({grass.width, crash.width, leaves.width}), 64);
    struct Colour {
        const Picture& picture;
        AtlasRect rect;
        int what, minus;  // measure what less measure minus of the rectangle (-1: nothing)
        float low, high;
        const char* why;
    };
    const AtlasRect skyTop = {0, 0, kAtlasSize, 16}, skyLow = {0, kSkyRect.h - 16, kAtlasSize, 16};
    const AtlasRect flash = {crash.width / 2 - 8, crash.height / 2 - 8, 16, 16};
    std::vector<Colour> colours = {
        {grass, {0, 0, grass.width, grass.height}, 1, 0, 15, 255, "moss green, not red"},
        {grass, {0, 0, grass.width, grass.height}, 1, 2, 15, 255, "moss green, not blue"},
        {leaves, {0, 0, leaves.width, leaves.height}, Picture::kClear, -1, 0.2f, 0.75f,
         "the sky shows through the canopy"},
        {trees, {kWhiteRect.x + 8, kWhiteRect.y + 8, 16, 16}, Picture::kMin, -1, 245, 255,
         "shadows are tinted over a white patch"},
        {trees, {0, 0, 6 * 32, 128}, 3, -1, 250, 255, "bark is opaque"},
        {trees, kCoinFaceRect, 0, 2, 60, 255, "coins are gold"},
        {shading, skyTop, 2, 0, 0, 255, "a deep blue sky"},
        {shading, {0, kHorizonRect.y, kAtlasSize, 4}, 3, -1, 0, 60, "open sky over the trees"},
        {shading, {0, kHorizonRect.y + kHorizonRect.h - 16, kAtlasSize, 4}, 3, -1, 240, 255,
         "a solid foot below the tree line"},
        {shading, kDappleRect, Picture::kMin, -1, 190, 255, "light patches stay near white"},
        {crash, flash, 3, -1, 250, 255, "the flash's middle is solid"},
        {crash, flash, 1, -1, 240, 255, "the flash's middle is bright"},
        {crash, {1, 1, 1, 1}, 3, -1, 0, 20, "the flash fades out at its corners"},
    };
    for (const AtlasRect& s : kShrubRects) {
        colours.push_back({trees, {s.x + 2, s.y + 2, 1, 1}, 3, -1, 0, 40, "bushes are cut out"});
        colours.push_back({trees, {s.x + s.w / 2, s.y + s.h - 12, 1, 1}, 3, -1, 200, 255,
                           "bushes are solid in their middle"});
    }
    for (const AtlasRect& b : {kDistanceBoardRect, kPointsBoardRect}) {
        const AtlasRect inner = {b.x + 8, b.y + 8, b.w - 16, b.h - 16};
        colours.push_back({signs, inner, Picture::kPale, -1, 0.035f, 1, "pale letters"});
        colours.push_back({signs, inner, Picture::kDark, -1, 0.174f, 1, "on dark wood"});
    }
    for (const Colour& c : colours) {
        const float value = c.picture.measure(c.what, c.rect) -
                            (c.minus < 0 ? 0 : c.picture.measure(c.minus, c.rect));
        EXPECT_TRUE(value >= c.low && value <= c.high) << c.why << ": " << value;
    }
    EXPECT_LT(shading.measure(2, skyTop), shading.measure(2, skyLow)) << "lighter to the horizon";
    for (const Picture* tile : {&grass, &leaves}) {
        EXPECT_LT(tile->seamRatio(true), 1.5f) << (tile == &grass ? "grass" : "leaves") << " x";
        EXPECT_LT(tile->seamRatio(false), 1.5f) << (tile == &grass ? "grass" : "leaves") << " y";
    }
}

// A GL context with the capability record of its Mesa GL, the world's entries as the pack and
// the game's scene on an engine.
class WorldOnGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        saved_ = g_graphicsCaps;
        buildGraphicsCaps(&caps_, reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                          reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
        g_graphicsCaps = &caps_;
        createResourceRegistry();
        scene_.renderer = createEngine3D();
        const std::string path = zvtest::makeTempFolder() + "world.bin";
        std::string error;
        ASSERT_TRUE(writePackFile(path.c_str(), worldEntries(), &error)) << error;
        ASSERT_TRUE(openPack(path.c_str()));
        for (int step = 0; step < kWorldResourceSteps; ++step) loadWorldStep(&scene_, step);
    }
    void TearDown() override {
        closePack();
        destroyEngine3D(scene_.renderer);
        g_graphicsCaps = saved_;
    }
    ForestScene scene_{};

private:
    GraphicsCaps caps_{};
    GraphicsCaps* saved_ = nullptr;
};

TEST_F(WorldOnGl, EveryNamedMeshAndTextureLoadsThroughTheGame) {
    ASSERT_NE(scene_.worldModel, 0u) << scene_.renderer->lastError;
    std::set<ObjectHandle> handles;
    for (int i = 0; i < kNamedMeshCount; ++i) {
        StaticMesh* mesh = nullptr;
        EXPECT_STREQ(kNamedMeshes[i].name, kWorldMeshes[i].name) << "the game's row " << i;
        ASSERT_EQ(lookupMesh(scene_.renderer, scene_.meshes[i], &mesh), 0) << kNamedMeshes[i].name;
        handles.insert(scene_.meshes[i]);
        EXPECT_GT(mesh->vertexCount, 0) << kNamedMeshes[i].name;
        EXPECT_EQ(mesh->vertexCount % 3, 0) << kNamedMeshes[i].name;
        EXPECT_TRUE(mesh->attributeMask & kMaskTexture0) << kNamedMeshes[i].name << ": no uv";
    }
    EXPECT_EQ(handles.size(), static_cast<size_t>(kNamedMeshCount)) << "two names share a mesh";
    int textures = 0;
    for (int type = 0; type < kTextureSlots; ++type) {
        if (!kTextureFiles[type]) continue;
        ++textures;
        EXPECT_NE(scene_.textures[type], 0u) << kTextureFiles[type] << " does not load";
        // Square PVRTC of at least 128 texels with a whole mipmap chain, and alpha exactly where
        // blending needs it.
        const std::vector<uint8_t>& bytes = entryBytes(kTextureFiles[type]);
        PvrHeader header;
        ASSERT_TRUE(parsePvrHeader(bytes.data(), bytes.size(), &header)) << kTextureFiles[type];
        EXPECT_TRUE(header.width == header.height && header.width >= 128) << kTextureFiles[type];
        EXPECT_EQ(header.mipmapCount + 1u, mipmapLevelCount(header.width, header.height));
        EXPECT_EQ(header.pixelFormat, kPvrFormatPvrtc4) << kTextureFiles[type];
        EXPECT_EQ(header.alphaMask != 0, type == kTexTrees || type == kTexShading ||
                                             type == kTexCrash || type == kTexLeaves)
            << kTextureFiles[type];
    }
    EXPECT_EQ(textures, 6);
    EXPECT_EQ(worldEntries().size(), 8u) << "the model, six textures and the loading picture";
    Image* logo = createImage(kLoadingPictureFile);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->width, platform::kLandscapeWidth);
    EXPECT_EQ(logo->height, platform::kLandscapeHeight);
    destroyImage(logo);
}

TEST_F(WorldOnGl, RunCameraSeesLitGroundFadingAheadAndADarkTrunk) {
    const View view(0, 50, 0);
    const Vec3 eye = view.eye(), tree = {-2.0f, eye.y + 8, 0.5f};
    sceneBeginFrame(&scene_);
    sceneSetCamera(&scene_, &view.camera);
    ASSERT_TRUE(sceneSubmitObstacle(&scene_, 0, tree.x, tree.y, 0.5f));
    sceneDraw(&scene_);
    const int w = platform::kLandscapeWidth, h = platform::kLandscapeHeight;
    std::vector<uint8_t> picture(w * h * 4);
    ASSERT_TRUE(platform::readLandscape(picture.data()));
    // Mean red, green, blue and luminance of a 15 x 7 patch round a picture point (x right, y
    // down): single texels of litter and moss vary a lot.
    auto patch = [&](int x, int y) {
        std::array<float, 4> sum = {0, 0, 0, 0};
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -7; dx <= 7; ++dx) {
                const uint8_t* p = &picture[(std::clamp(y + dy, 0, h - 1) * w +
                                             std::clamp(x + dx, 0, w - 1)) * 4];
                for (int k = 0; k < 3; ++k) sum[k] += p[k] / 105.0f;
                sum[3] += (0.3f * p[0] + 0.59f * p[1] + 0.11f * p[2]) / 105.0f;
            }
        return sum;
    };
    auto at = [&](Vec3 p, int dx = 0, int dy = 0) {
        return patch(static_cast<int>((view.screenX(p) + 1) * 0.5f * w) + dx,
                     static_cast<int>((1 - view.screenY(p)) * 0.5f * h) + dy);
    };
    const std::array<float, 4> near = at({0, eye.y + 4, 0});
    EXPECT_GT(near[1], near[0] + 10) << "green ground by the runner";
    EXPECT_GT(near[1], near[2] + 10);
    EXPECT_GT(near[1], 50);
    EXPECT_LT(at({0, eye.y + 36, 0})[3], 0.35f * near[3]) << "the ground fades ahead";
    // The trunk near its foot is dark against the lit ground on either side of it.
    EXPECT_LT(at(tree)[3], 0.5f * at(tree, -40, 6)[3]);
    EXPECT_LT(at(tree)[3], 0.5f * at(tree, 40, 6)[3]);
    // The top of the picture (canopy and night sky) is darker than the lit ground.
    float top = 0, bottom = 0;
    for (int x = 0; x < w; x += 4) top += patch(x, 10)[3], bottom += patch(x, h - 10)[3];
    EXPECT_LT(top, 0.6f * bottom);
}

// zvtool's contact sheet of the model: every mesh drawn in its own labelled cell.
TEST(WorldContactSheet, DrawsEveryMeshInALabelledCell) {
    const std::string dir = zvtest::makeTempFolder();
    for (const PackInput& e : worldEntries())
        ASSERT_TRUE(zvtest::writeFile(dir + e.name.substr(1), {e.bytes.begin(), e.bytes.end()}));
    const zvtest::ToolRun run = zvtest::runZvtool(
        dir, {"model", "render", dir + "world.kvm", dir + "sheet.png", "--cell", "120"});
    ASSERT_EQ(run.status, 0) << run.err;
    const zvtest::Picture sheet = zvtest::readPngFile(dir + "sheet.png");
    const int columns = 7, cellW = 120, cellH = sheet.height / 4;
    ASSERT_EQ(sheet.width, columns * cellW);
    for (int cell = 0; cell < kWorldMeshCount; ++cell) {  // more than a background in each
        std::set<int> seen;
        for (int y = cellH / 4; y < cellH; y += 2)
            for (int x = 0; x < cellW; x += 2) {
                const uint8_t* p = sheet.at(cell % columns * cellW + x, cell / columns * cellH + y);
                seen.insert(p[0] / 16 << 8 | p[1] / 16 << 4 | p[2] / 16);
            }
        EXPECT_GT(seen.size(), 3u) << "cell " << cell << " (" << kWorldMeshes[cell].name << ")";
    }
}

}  // namespace
