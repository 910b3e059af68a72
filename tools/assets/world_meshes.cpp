// The world model's meshes. Conventions: x right, y ahead, z up; one unit is a metre; a face is
// seen from where its corners run counter-clockwise. Objects that the world drawing paints with
// the depth test off keep their triangles ordered far (large y) to near, so that parts nearer the
// camera are painted last.
#include "tools/assets/world_meshes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "tools/assets/world_layout.h"
#include "tools/assets/world_paint.h"

namespace {

using world::clamp01;
using world::smoothStep;
using world::WorldRandom;

constexpr float kPi = 3.14159265358979f;

struct Vertex {
    float x, y, z;
    float u, v;  // texture coordinates (0..1 over the picture)
    uint8_t r = 255, g = 255, b = 255;
};

struct Triangle {
    Vertex v[3];
};

// Texture coordinates of a point of an atlas rectangle: fx across, fy down (0..1 each), kept
// `inset` texels inside its edges so that filtering does not reach the neighbours.
struct AtlasUv {
    float u, v;
};
AtlasUv atlasUv(const AtlasRect& r, float fx, float fy, float inset = 1.5f) {
    const float x = r.x + inset + fx * (r.w - 2 * inset);
    const float y = r.y + inset + fy * (r.h - 2 * inset);
    return {x / kAtlasSize, y / kAtlasSize};
}

Vertex vertexAt(float x, float y, float z, AtlasUv uv) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.u = uv.u;
    v.v = uv.v;
    return v;
}

class MeshBuilder {
public:
    explicit MeshBuilder(std::string name, bool colours = false)
        : name_(std::move(name)), colours_(colours) {}

    void triangle(const Vertex& a, const Vertex& b, const Vertex& c) {
        triangles_.push_back({{a, b, c}});
    }
    // a, b, c, d counter-clockwise seen from the front.
    void quad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
        triangle(a, b, c);
        triangle(a, c, d);
    }
    // A quad seen from both sides (the back side shows the same picture, mirrored).
    void doubleQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
        quad(a, b, c, d);
        quad(b, a, d, c);
    }
    // Corners of a rectangular face counter-clockwise seen from outside (p0 bottom-left, p1
    // bottom-right, p2 top-right, p3 top-left), textured with the whole of rect.
    void face(const float p0[3], const float p1[3], const float p2[3], const float p3[3],
              const AtlasRect& rect, float inset = 1.5f) {
        quad(vertexAt(p0[0], p0[1], p0[2], atlasUv(rect, 0, 1, inset)),
             vertexAt(p1[0], p1[1], p1[2], atlasUv(rect, 1, 1, inset)),
             vertexAt(p2[0], p2[1], p2[2], atlasUv(rect, 1, 0, inset)),
             vertexAt(p3[0], p3[1], p3[2], atlasUv(rect, 0, 0, inset)));
    }
    // An upright box without a bottom; front and back take `front`, the rest `sides`.
    void box(float x0, float x1, float y0, float y1, float z0, float z1, const AtlasRect& front,
             const AtlasRect& sides) {
        const float a[3] = {x0, y0, z0}, b[3] = {x1, y0, z0}, c[3] = {x1, y1, z0},
                    d[3] = {x0, y1, z0};
        const float e[3] = {x0, y0, z1}, f[3] = {x1, y0, z1}, g[3] = {x1, y1, z1},
                    h[3] = {x0, y1, z1};
        face(a, b, f, e, front);  // -y
        face(c, d, h, g, front);  // +y
        face(b, c, g, f, sides);  // +x
        face(d, a, e, h, sides);  // -x
        face(e, f, g, h, sides);  // +z
    }
    void paint(uint8_t r, uint8_t g, uint8_t b) {
        for (Triangle& t : triangles_)
            for (Vertex& v : t.v) {
                v.r = r;
                v.g = g;
                v.b = b;
            }
    }
    // Turns everything built so far about z by degrees (counter-clockwise seen from above).
    void turn(float degrees) {
        const float c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
        for (Triangle& t : triangles_)
            for (Vertex& v : t.v) {
                const float x = v.x * c - v.y * s, y = v.x * s + v.y * c;
                v.x = x;
                v.y = y;
            }
    }
    // Far triangles first (by the y of their centres; ties keep their order).
    void sortFarToNear() {
        std::stable_sort(triangles_.begin(), triangles_.end(),
                         [](const Triangle& a, const Triangle& b) {
                             return a.v[0].y + a.v[1].y + a.v[2].y > b.v[0].y + b.v[1].y + b.v[2].y;
                         });
    }
    MeshSource finish() const {
        MeshSource m;
        m.name = name_;
        m.positionEncoding = 'f';
        m.texEncoding = 's';
        for (const Triangle& t : triangles_)
            for (const Vertex& v : t.v) {
                m.positions.insert(m.positions.end(), {v.x, v.y, v.z});
                m.texCoords.insert(m.texCoords.end(), {v.u, v.v});
                if (colours_) m.colours.insert(m.colours.end(), {v.r, v.g, v.b});
            }
        return m;
    }

private:
    std::string name_;
    bool colours_;
    std::vector<Triangle> triangles_;
};

uint8_t colourByte(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

// ---- Ground, canopy and backdrops -------------------------------------------------------------

// One ground cell: x -20..20, y 0..10; the picture repeats every 5 units, so its edges meet the
// neighbouring cells' on whole repeats.
MeshSource buildGrass() {
    MeshBuilder mb("grass");
    const int columns = 4, rows = 2;
    auto at = [](float x, float y) {
        return vertexAt(x, y, 0, {(x + kGrassTileHalfWidth) / kGrassRepeat, y / kGrassRepeat});
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const float x0 = -kGrassTileHalfWidth + i * 2 * kGrassTileHalfWidth / columns;
            const float x1 = x0 + 2 * kGrassTileHalfWidth / columns;
            const float y0 = j * kGrassTileDepth / rows, y1 = y0 + kGrassTileDepth / rows;
            mb.quad(at(x0, y0), at(x1, y0), at(x1, y1), at(x0, y1));
        }
    return mb.finish();
}

// How much of the ground's own colour is left at a point (x across, y ahead of the eye, world
// units): a pool of light round the runner, who stands 2 ahead of the eye.
void groundLight(float x, float y, float* r, float* g, float* b) {
    const float ahead = std::pow(1.0f - smoothStep(3.0f, 32.0f, y), 1.6f);
    const float width = 6.0f + 0.25f * std::max(y, 0.0f);
    const float side = 0.04f + 0.96f * std::exp(-(x * x) / (width * width));
    const float light = ahead * side;
    // Moonlight: what light is left is cold.
    *r = std::pow(light, 1.25f);
    *g = std::pow(light, 1.08f);
    *b = std::pow(light, 0.9f);
}

// Multiplied onto the ground round the eye (the game stretches it 1.3 across): white near the
// runner, darkening to the sides and to black ahead; the picture adds soft moonlight patches.
MeshSource buildShading() {
    MeshBuilder mb("shading", true);
    const float xs[] = {-75,  -50, -35, -25, -18, -12, -7, -3.5f, 0,
                        3.5f, 7,   12,  18,  25,  35,  50, 75};
    const float ys[] = {-3, 0, 2, 4, 6, 9, 12, 16, 20, 25, 30, 36, 42, 50, 66};
    const int nx = sizeof xs / sizeof xs[0], ny = sizeof ys / sizeof ys[0];
    auto at = [&](int i, int j) {
        const float x = xs[i], y = ys[j];
        Vertex v = vertexAt(x / kBackdropStretchX, y, 0,
                            atlasUv(kDappleRect, (x - xs[0]) / (xs[nx - 1] - xs[0]),
                                    1 - (y - ys[0]) / (ys[ny - 1] - ys[0]), 3));
        float r, g, b;
        groundLight(x, y, &r, &g, &b);
        v.r = colourByte(r);
        v.g = colourByte(g);
        v.b = colourByte(b);
        return v;
    };
    for (int j = 0; j + 1 < ny; ++j)
        for (int i = 0; i + 1 < nx; ++i)
            mb.quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    return mb.finish();
}

// A wall far ahead (inside the far plane) that fills every view the camera can have; the sky
// picture spans heights kSkyBottom..kSkyTop over the middle kSkySpan units, its edges stretched
// out.
MeshSource buildSky() {
    MeshBuilder mb("sky");
    const float xs[] = {-130, -100, -80, -40, 0, 40, 80, 100, 130};
    const float hs[] = {-95, kSkyBottom, 0, 4, 10, 18, 28, kSkyTop, 72};
    const int nx = sizeof xs / sizeof xs[0], nh = sizeof hs / sizeof hs[0];
    auto at = [&](int i, int j) {
        const float fx = clamp01(xs[i] / kSkySpan + 0.5f);
        const float fy = 1 - clamp01((hs[j] - kSkyBottom) / (kSkyTop - kSkyBottom));
        return vertexAt(xs[i] / kBackdropStretchX, kSkyDistance, kRunEyeHeight + hs[j],
                        atlasUv(kSkyRect, fx, fy, 2));
    };
    for (int j = 0; j + 1 < nh; ++j)
        for (int i = 0; i + 1 < nx; ++i)
            mb.quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    return mb.finish();
}

// The distant tree line: a strip round eye level in front of the sky, its picture repeating
// across (the rectangle spans the whole width of the atlas, so it wraps).
MeshSource buildHorizon() {
    MeshBuilder mb("horizon");
    const float halfWidth = 100;
    const int columns = 8;
    const AtlasUv top = atlasUv(kHorizonRect, 0, 0, 2), bottom = atlasUv(kHorizonRect, 0, 1, 2);
    auto at = [&](float x, bool upper) {
        return vertexAt(x / kBackdropStretchX, kHorizonDistance,
                        kRunEyeHeight + (upper ? kHorizonTop : kHorizonBottom),
                        {(x + halfWidth) / kHorizonPeriod, upper ? top.v : bottom.v});
    };
    for (int i = 0; i < columns; ++i) {
        const float x0 = -halfWidth + i * 2 * halfWidth / columns;
        const float x1 = x0 + 2 * halfWidth / columns;
        mb.quad(at(x0, false), at(x1, false), at(x1, true), at(x0, true));
    }
    return mb.finish();
}

// One canopy cell (x -10..10, y 0..20), drawn 7 up and seen from below.
MeshSource buildLeaves() {
    MeshBuilder mb("leaves_1");
    auto at = [](float x, float y) {
        return vertexAt(x, y, 0, {(x + kLeavesTileHalf) / kLeavesRepeat, y / kLeavesRepeat});
    };
    const int cells = 2;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const float x0 = -kLeavesTileHalf + i * 2 * kLeavesTileHalf / cells;
            const float x1 = x0 + 2 * kLeavesTileHalf / cells;
            const float y0 = j * kLeavesTileDepth / cells, y1 = y0 + kLeavesTileDepth / cells;
            // Counter-clockwise from below.
            mb.quad(at(x0, y0), at(x0, y1), at(x1, y1), at(x1, y0));
        }
    return mb.finish();
}

// ---- Trees ------------------------------------------------------------------------------------

struct TrunkStyle {
    int sides;
    float height;        // at scale 1; the smallest trees are drawn at 0.15 of it
    float topRadius;     // the base radius is 1
    float taper;         // radius(z) = 1 - (1 - topRadius) (z / height)^taper; >= 1 keeps it convex
    float leanX, leanY;  // units of sideways shift per unit of height
    float roughness;     // radial irregularity above the base ring
    uint32_t seed;
};

const TrunkStyle kTrunks[6] = {
    {9, 56, 0.55f, 1.0f, 0.020f, 0.000f, 0.035f, 11},
    {8, 60, 0.45f, 1.4f, -0.015f, 0.010f, 0.020f, 12},
    {10, 52, 0.70f, 2.0f, 0.000f, 0.000f, 0.045f, 13},
    {12, 58, 0.60f, 1.2f, 0.010f, -0.010f, 0.015f, 14},
    {7, 54, 0.50f, 1.0f, -0.025f, 0.000f, 0.040f, 15},
    {11, 62, 0.40f, 1.6f, 0.015f, 0.015f, 0.025f, 16},
};
constexpr float kBarkPeriod = 20.0f;  // units of height per repeat of a bark picture

MeshSource buildTrunk(int index) {
    const TrunkStyle& s = kTrunks[index];
    MeshBuilder mb("tree_" + std::to_string(index + 1));
    WorldRandom random(s.seed);
    // Rings every half bark period; the picture restarts at every whole period.
    std::vector<float> zs;
    for (float z = 0; z < s.height - 0.01f; z += kBarkPeriod / 2) zs.push_back(z);
    zs.push_back(s.height);
    std::vector<std::vector<float>> bumps(zs.size(), std::vector<float>(s.sides));
    for (size_t k = 1; k < zs.size(); ++k)
        for (int i = 0; i < s.sides; ++i) bumps[k][i] = random.range(-s.roughness, s.roughness);
    const AtlasRect& bark = kBarkRects[index];
    auto at = [&](size_t ring, int side, float v) {
        const float z = zs[ring];
        const int wrapped = side % s.sides;
        // Side 0 (the picture's seam) is at the back, away from the camera.
        const float angle = kPi / 2 + 2 * kPi * wrapped / s.sides;
        const float radius =
            (1 - (1 - s.topRadius) * std::pow(z / s.height, s.taper)) * (1 + bumps[ring][wrapped]);
        return vertexAt(radius * std::cos(angle) + s.leanX * z,
                        radius * std::sin(angle) + s.leanY * z, z,
                        atlasUv(bark, static_cast<float>(side) / s.sides, v, 1.0f));
    };
    for (size_t k = 0; k + 1 < zs.size(); ++k) {
        const float period = std::floor(zs[k] / kBarkPeriod + 1e-4f) * kBarkPeriod;
        const float v0 = 1 - (zs[k] - period) / kBarkPeriod;
        const float v1 = 1 - (zs[k + 1] - period) / kBarkPeriod;
        for (int i = 0; i < s.sides; ++i)
            mb.quad(at(k, i, v0), at(k, i + 1, v0), at(k + 1, i + 1, v1), at(k + 1, i, v1));
    }
    mb.sortFarToNear();
    return mb.finish();
}

// A soft dark blob multiplied onto the ground, stretched towards the camera (the moon is ahead).
MeshSource buildTreeShadow() {
    MeshBuilder mb("tree_shadow", true);
    const int sectors = 20;
    const float rings[] = {0, 0.3f, 0.6f, 0.85f, 1.0f};
    const float shade[] = {0.34f, 0.40f, 0.58f, 0.85f, 1.0f};
    const float cx = 0, cy = -0.9f, rx = 1.55f, ry = 2.3f;
    const AtlasUv white = atlasUv(kWhiteRect, 0.5f, 0.5f);
    auto at = [&](int ring, int sector) {
        const float a = 2 * kPi * sector / sectors;
        Vertex v = vertexAt(cx + rx * rings[ring] * std::cos(a),
                            cy + ry * rings[ring] * std::sin(a), 0, white);
        v.r = colourByte(shade[ring] * 0.95f);
        v.g = colourByte(shade[ring] * 0.97f);
        v.b = colourByte(shade[ring]);
        return v;
    };
    for (int i = 0; i < sectors; ++i) {
        mb.triangle(at(0, 0), at(1, i), at(1, i + 1));
        for (int r = 1; r + 1 < 5; ++r)
            mb.quad(at(r, i), at(r + 1, i), at(r + 1, i + 1), at(r, i + 1));
    }
    return mb.finish();
}

// A wooden cross with a red band on a small cairn: 3.8 units tall at scale 1, so about 1.9 at
// the scale it is drawn with.
MeshSource buildDeathMarker() {
    MeshBuilder mb("death");
    // Cairn: a six-sided frustum.
    const int sides = 6;
    const float r0 = 0.7f, r1 = 0.3f, h = 0.45f;
    for (int i = 0; i < sides; ++i) {
        const float a0 = 2 * kPi * i / sides + 0.3f, a1 = 2 * kPi * (i + 1) / sides + 0.3f;
        const float p0[3] = {r0 * std::cos(a0), r0 * std::sin(a0), 0};
        const float p1[3] = {r0 * std::cos(a1), r0 * std::sin(a1), 0};
        const float p2[3] = {r1 * std::cos(a1), r1 * std::sin(a1), h};
        const float p3[3] = {r1 * std::cos(a0), r1 * std::sin(a0), h};
        mb.face(p0, p1, p2, p3, kStoneRect);
    }
    mb.box(-0.13f, 0.13f, -0.13f, 0.13f, 0.3f, 3.5f, kMarkerWoodRect, kMarkerWoodRect);
    // Pointed cap.
    const float cap[4][3] = {
        {-0.13f, -0.13f, 3.5f}, {0.13f, -0.13f, 3.5f}, {0.13f, 0.13f, 3.5f}, {-0.13f, 0.13f, 3.5f}};
    const Vertex tip = vertexAt(0, 0, 3.8f, atlasUv(kMarkerWoodRect, 0.5f, 0));
    for (int i = 0; i < 4; ++i) {
        const float* a = cap[i];
        const float* b = cap[(i + 1) % 4];
        mb.triangle(vertexAt(a[0], a[1], a[2], atlasUv(kMarkerWoodRect, 0, 0.15f)),
                    vertexAt(b[0], b[1], b[2], atlasUv(kMarkerWoodRect, 1, 0.15f)), tip);
    }
    mb.box(-0.95f, 0.95f, -0.27f, -0.13f, 2.45f, 2.75f, kMarkerWoodRect, kMarkerWoodRect);
    mb.box(-0.16f, 0.16f, -0.16f, 0.16f, 1.9f, 2.2f, kClothRect, kClothRect);
    // A strip of the cloth hanging from the crossbar.
    mb.doubleQuad(vertexAt(0.62f, -0.3f, 1.65f, atlasUv(kClothRect, 0, 1)),
                  vertexAt(0.78f, -0.33f, 1.7f, atlasUv(kClothRect, 1, 1)),
                  vertexAt(0.8f, -0.28f, 2.45f, atlasUv(kClothRect, 1, 0)),
                  vertexAt(0.66f, -0.28f, 2.45f, atlasUv(kClothRect, 0, 0)));
    mb.sortFarToNear();
    return mb.finish();
}

// ---- Shrubs -----------------------------------------------------------------------------------

struct ShrubStyle {
    int cards;
    float radius, height;
    float firstYaw;  // degrees
    uint32_t seed;
};

const ShrubStyle kShrubs[4] = {
    {4, 1.0f, 1.15f, 0, 21},
    {3, 1.05f, 0.95f, 15, 22},
    {4, 0.95f, 1.25f, 30, 23},
    {5, 0.9f, 0.9f, 10, 24},
};

// Upright leafy cards crossing at the centre, each cut in two at the centre so that the halves
// sort on their own.
MeshSource buildShrub(int index) {
    const ShrubStyle& s = kShrubs[index];
    MeshBuilder mb("shrub_" + std::to_string(index + 1));
    WorldRandom random(s.seed);
    const AtlasRect& rect = kShrubRects[index];
    for (int c = 0; c < s.cards; ++c) {
        const float yaw = (s.firstYaw + 180.0f * c / s.cards + random.range(-8, 8)) * kPi / 180;
        const float r = s.radius * random.range(0.9f, 1.0f);
        const float h = s.height * random.range(0.88f, 1.0f);
        const float dx = std::cos(yaw) * r, dy = std::sin(yaw) * r;
        const float ox = random.range(-0.08f, 0.08f), oy = random.range(-0.08f, 0.08f);
        for (int half = 0; half < 2; ++half) {
            const float sign = half ? 1.0f : -1.0f;
            const float fx0 = 0.5f, fx1 = half ? 1.0f : 0.0f;
            const Vertex a = vertexAt(ox, oy, 0, atlasUv(rect, fx0, 1));
            const Vertex b = vertexAt(ox + sign * dx, oy + sign * dy, 0, atlasUv(rect, fx1, 1));
            const Vertex t = vertexAt(ox + sign * dx, oy + sign * dy, h, atlasUv(rect, fx1, 0));
            const Vertex d = vertexAt(ox, oy, h, atlasUv(rect, fx0, 0));
            if (half)
                mb.doubleQuad(a, b, t, d);
            else
                mb.doubleQuad(b, a, d, t);
        }
    }
    mb.sortFarToNear();
    return mb.finish();
}

// ---- Pickups ----------------------------------------------------------------------------------

// An upright picture facing the camera, centred on the origin, tinted by vertex colours.
void addFacingCard(MeshBuilder& mb, float size, float y, const AtlasRect& rect) {
    const float h = size / 2;
    mb.quad(vertexAt(-h, y, -h, atlasUv(rect, 0, 1)), vertexAt(h, y, -h, atlasUv(rect, 1, 1)),
            vertexAt(h, y, h, atlasUv(rect, 1, 0)), vertexAt(-h, y, h, atlasUv(rect, 0, 0)));
}

// A plate standing in the x-z plane: a prism of `sides` sides along y, both faces showing the
// face picture the right way round, the rim textured with rimRect.
void addPlate(MeshBuilder& mb, int sides, float radius, float halfThickness, float firstAngle,
              const AtlasRect& faceRect, const AtlasRect& rimRect) {
    auto ring = [&](int i) {
        const float a = firstAngle + 2 * kPi * i / sides;
        return std::pair<float, float>(radius * std::cos(a), radius * std::sin(a));
    };
    auto faceVertex = [&](float x, float y, float z, bool back) {
        const float fx = 0.5f + (back ? -x : x) / (2 * radius);
        return vertexAt(x, y, z, atlasUv(faceRect, fx, 0.5f - z / (2 * radius)));
    };
    for (int i = 0; i < sides; ++i) {
        const auto [x0, z0] = ring(i);
        const auto [x1, z1] = ring(i + 1);
        // Front (-y) and back (+y) faces as fans.
        mb.triangle(faceVertex(0, -halfThickness, 0, false),
                    faceVertex(x0, -halfThickness, z0, false),
                    faceVertex(x1, -halfThickness, z1, false));
        mb.triangle(faceVertex(0, halfThickness, 0, true), faceVertex(x1, halfThickness, z1, true),
                    faceVertex(x0, halfThickness, z0, true));
        // Rim.
        const float u0 = static_cast<float>(i) / sides, u1 = static_cast<float>(i + 1) / sides;
        mb.quad(vertexAt(x0, -halfThickness, z0, atlasUv(rimRect, u0, 1)),
                vertexAt(x0, halfThickness, z0, atlasUv(rimRect, u0, 0)),
                vertexAt(x1, halfThickness, z1, atlasUv(rimRect, u1, 0)),
                vertexAt(x1, -halfThickness, z1, atlasUv(rimRect, u1, 1)));
    }
}

MeshSource buildGlow(const char* name, const AtlasRect& rect, float size, uint8_t r, uint8_t g,
                     uint8_t b) {
    MeshBuilder mb(name, true);
    addFacingCard(mb, size, 0.05f, rect);
    mb.paint(r, g, b);
    return mb.finish();
}

MeshSource buildPlate(const char* name, int sides, float radius, float firstAngle,
                      const AtlasRect& faceRect, const AtlasRect& rimRect) {
    MeshBuilder mb(name);
    addPlate(mb, sides, radius, 0.045f, firstAngle, faceRect, rimRect);
    mb.sortFarToNear();
    return mb.finish();
}

// Never drawn by the game: a blue clock token on a glow.
MeshSource buildSlowPickup() {
    MeshBuilder glow("pickup_slow", true);
    addFacingCard(glow, 1.1f, 0.12f, kGlowRect);
    glow.paint(110, 170, 255);
    MeshBuilder plate("pickup_slow", true);
    addPlate(plate, 16, 0.38f, 0.045f, 0, kClockRect, kBlueRimRect);
    plate.sortFarToNear();
    MeshSource m = glow.finish();
    const MeshSource p = plate.finish();
    m.positions.insert(m.positions.end(), p.positions.begin(), p.positions.end());
    m.texCoords.insert(m.texCoords.end(), p.texCoords.begin(), p.texCoords.end());
    m.colours.insert(m.colours.end(), p.colours.begin(), p.colours.end());
    return m;
}

// Never drawn by the game (it has no picture): low bands of pale mist across the way ahead.
MeshSource buildMist() {
    MeshBuilder mb("mist", true);
    const float bands[][3] = {{18, 0.9f, 0.35f}, {28, 1.3f, 0.45f}, {40, 1.8f, 0.6f}};
    for (const auto& band : bands) {
        const float y = band[0], h = band[1];
        const int columns = 6;
        for (int i = 0; i < columns; ++i) {
            const float x0 = -30 + 60.0f * i / columns, x1 = x0 + 60.0f / columns;
            Vertex a = vertexAt(x0, y, 0, {0, 1}), b = vertexAt(x1, y, 0, {1, 1});
            Vertex c = vertexAt(x1, y, h, {1, 0}), d = vertexAt(x0, y, h, {0, 0});
            const uint8_t low = colourByte(band[2]), high = colourByte(band[2] * 0.55f);
            for (Vertex* v : {&a, &b}) {
                v->r = static_cast<uint8_t>(low * 0.85f);
                v->g = static_cast<uint8_t>(low * 0.92f);
                v->b = low;
            }
            for (Vertex* v : {&c, &d}) {
                v->r = static_cast<uint8_t>(high * 0.85f);
                v->g = static_cast<uint8_t>(high * 0.92f);
                v->b = high;
            }
            mb.quad(a, b, c, d);
        }
    }
    mb.sortFarToNear();
    return mb.finish();
}

// ---- Screen flash and signs -------------------------------------------------------------------

// A jagged burst about the origin in the x-y plane, radius up to 1 (screen pixels before the
// game's zoom); its solid core reaches 0.42, far beyond what the full zoom needs to cover the
// screen.
MeshSource buildCrash() {
    MeshBuilder mb("crash");
    WorldRandom random(31);
    const int spikes = 14;
    std::vector<std::pair<float, float>> rim;
    for (int i = 0; i < spikes * 2; ++i) {
        const float a = kPi * i / spikes + random.range(-0.06f, 0.06f);
        const float r = (i % 2) ? random.range(0.42f, 0.5f) : random.range(0.72f, 1.0f);
        rim.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    auto at = [](float x, float y) {
        return vertexAt(x, y, 0, {0.5f + x * 0.5f, 0.5f + y * 0.5f});
    };
    for (size_t i = 0; i < rim.size(); ++i) {
        const auto& p = rim[i];
        const auto& q = rim[(i + 1) % rim.size()];
        mb.triangle(at(0, 0), at(p.first, p.second), at(q.first, q.second));
    }
    return mb.finish();
}

// A signboard on two posts, standing on the ground when drawn 1 up at scale 2, turned a little
// towards the camera that looks at it from the middle of the way. Built in painting order for a
// camera in front: posts, then the board's back and edges, the lettered face last.
MeshSource buildSign(const char* name, const AtlasRect& board, float turnDegrees) {
    MeshBuilder mb(name);
    const float halfWidth = 0.9f, bottom = 0.05f, top = 0.5f, halfDepth = 0.02f;
    // Posts behind the board reaching down to the ground (-0.5 before the lift and scale).
    const float ground = -kSignLift / kSignScale;
    for (float px : {-0.62f, 0.62f})
        mb.box(px - 0.035f, px + 0.035f, halfDepth, halfDepth + 0.07f, ground, top - 0.04f,
               kSignWoodRect, kSignWoodRect);
    const float a[3] = {-halfWidth, -halfDepth, bottom}, b[3] = {halfWidth, -halfDepth, bottom};
    const float c[3] = {halfWidth, halfDepth, bottom}, d[3] = {-halfWidth, halfDepth, bottom};
    const float e[3] = {-halfWidth, -halfDepth, top}, f[3] = {halfWidth, -halfDepth, top};
    const float g[3] = {halfWidth, halfDepth, top}, h[3] = {-halfWidth, halfDepth, top};
    mb.face(c, d, h, g, kSignBackRect);
    mb.face(b, c, g, f, kSignWoodRect);
    mb.face(d, a, e, h, kSignWoodRect);
    mb.face(e, f, g, h, kSignWoodRect);
    mb.face(d, c, b, a, kSignWoodRect);
    mb.face(a, b, f, e, board, 1.0f);
    mb.turn(turnDegrees);
    return mb.finish();
}

}  // namespace

std::vector<MeshSource> buildWorldMeshes() {
    std::vector<MeshSource> meshes;
    meshes.reserve(kWorldMeshCount);
    for (const WorldMeshEntry& entry : kWorldMeshes) {
        const std::string name = entry.name;
        if (name == "grass") {
            meshes.push_back(buildGrass());
        } else if (name == "shading") {
            meshes.push_back(buildShading());
        } else if (name == "sky") {
            meshes.push_back(buildSky());
        } else if (name.rfind("tree_", 0) == 0 && name != "tree_shadow") {
            meshes.push_back(buildTrunk(name[5] - '1'));
        } else if (name == "pickup_coin_1") {
            meshes.push_back(buildGlow(entry.name, kGlowRect, 1.2f, 255, 200, 80));
        } else if (name == "pickup_coin_2") {
            meshes.push_back(buildPlate(entry.name, 20, 0.36f, 0, kCoinFaceRect, kGoldRimRect));
        } else if (name == "pickup_x2_1") {
            meshes.push_back(buildGlow(entry.name, kRingRect, 1.15f, 80, 230, 255));
        } else if (name == "pickup_x2_2") {
            meshes.push_back(buildPlate(entry.name, 6, 0.42f, kPi / 2, kX2BadgeRect, kCyanRimRect));
        } else if (name == "pickup_x3_1") {
            meshes.push_back(buildGlow(entry.name, kRingRect, 1.15f, 255, 90, 215));
        } else if (name == "pickup_x3_2") {
            meshes.push_back(
                buildPlate(entry.name, 8, 0.44f, kPi / 8, kX3BadgeRect, kMagentaRimRect));
        } else if (name == "pickup_slow") {
            meshes.push_back(buildSlowPickup());
        } else if (name == "tree_shadow") {
            meshes.push_back(buildTreeShadow());
        } else if (name == "crash") {
            meshes.push_back(buildCrash());
        } else if (name == "horizon") {
            meshes.push_back(buildHorizon());
        } else if (name == "mist") {
            meshes.push_back(buildMist());
        } else if (name.rfind("shrub_", 0) == 0) {
            meshes.push_back(buildShrub(name[6] - '1'));
        } else if (name == "leaves_1") {
            meshes.push_back(buildLeaves());
        } else if (name == "death") {
            meshes.push_back(buildDeathMarker());
        } else if (name == "menu_text_distance") {
            meshes.push_back(buildSign(entry.name, kDistanceBoardRect, 12));
        } else if (name == "menu_text_points") {
            meshes.push_back(buildSign(entry.name, kPointsBoardRect, -12));
        }
    }
    return meshes;
}

ModelBytes buildWorldModel() {
    ModelWriter writer;
    for (const MeshSource& mesh : buildWorldMeshes()) writer.addMesh(mesh);
    return writer.build();
}
