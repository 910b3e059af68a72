// The world's pictures. Each painter seeds its own generator, so a picture never depends on
// which others were painted before it. Atlas parts are painted on canvases of their own (tiling
// where the meshes repeat them) and copied into place.
#include "tools/assets/world_textures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/assets/world_layout.h"
#include "tools/assets/world_paint.h"

namespace world {

namespace {

constexpr float kPi = 3.14159265358979f;
const Colour kClear = {0, 0, 0, 0};

WorldPicture finish(const Canvas& c, bool alpha) {
    WorldPicture p;
    p.width = c.width();
    p.height = c.height();
    p.rgba = c.toRgba8();
    p.alpha = alpha;
    return p;
}

void place(Canvas& atlas, const Canvas& part, const AtlasRect& r) {
    atlas.copyFrom(part, 0, 0, r.w, r.h, r.x, r.y);
}

// A colour between a and b picked by t, then brightened or darkened by k.
Colour tone(const Colour& a, const Colour& b, float t, float k = 1.0f) {
    return scaleColour(mixColour(a, b, clamp01(t)), k);
}

// ---- Ground -----------------------------------------------------------------------------------

Canvas grassCanvas() {
    const int n = 256;
    Canvas c(n, n, rgb(0, 0, 0), true);
    const Colour dark = rgb(22, 46, 22), moss = rgb(52, 96, 38);
    const Colour soil = rgb(46, 38, 28);
    c.apply([&](int x, int y, const Colour&) {
        const float broad = fbm(x / 32.0f, y / 32.0f, 4, 8, 8, 101);
        const float fine = fbm(x / 8.0f, y / 8.0f, 3, 32, 32, 102);
        Colour p = tone(dark, moss, smoothStep(0.3f, 0.68f, broad));
        p = mixColour(p, soil, 0.55f * (1 - smoothStep(0.22f, 0.36f, broad)));
        return scaleColour(p, 0.8f + 0.4f * fine);
    });
    WorldRandom random(0x6A55);
    // Short blades and moss strands everywhere, denser where the moss is thick.
    for (int i = 0; i < 5200; ++i) {
        const float x = random.range(0, n), y = random.range(0, n);
        const float thick = fbm(x / 32.0f, y / 32.0f, 4, 8, 8, 101);
        if (random.uniform() > 0.25f + thick) continue;
        const float a = random.range(0, 2 * kPi), len = random.range(1.5f, 4.0f);
        const Colour blade =
            tone(rgb(40, 80, 30), rgb(108, 154, 62), random.uniform(), 0.8f + 0.4f * thick);
        fillCapsule(c, x, y, x + std::cos(a) * len, y + std::sin(a) * len, 0.55f, 0.3f,
                    {blade.r, blade.g, blade.b, 0.8f}, 0.7f);
    }
    // Leaf litter, twigs and pebbles.
    for (int i = 0; i < 130; ++i) {
        const Colour leaf =
            tone(rgb(62, 48, 28), rgb(118, 86, 42), random.uniform(), random.range(0.8f, 1.1f));
        fillLeaf(c, random.range(0, n), random.range(0, n), random.range(6, 12),
                 random.range(3, 5.5f), random.range(0, kPi), {leaf.r, leaf.g, leaf.b, 0.85f});
    }
    for (int i = 0; i < 22; ++i) {
        float x = random.range(0, n), y = random.range(0, n), a = random.range(0, kPi);
        float radius = random.range(0.9f, 1.4f);
        for (int s = 0; s < 3; ++s) {
            const float len = random.range(5, 10);
            const float nx = x + std::cos(a) * len, ny = y + std::sin(a) * len;
            fillCapsule(c, x, y, nx, ny, radius, radius * 0.8f, rgb(46, 34, 24), 0.8f);
            x = nx;
            y = ny;
            radius *= 0.8f;
            a += random.range(-0.5f, 0.5f);
        }
    }
    for (int i = 0; i < 22; ++i) {
        const float x = random.range(0, n), y = random.range(0, n), r = random.range(1.5f, 3.2f);
        fillDisc(c, x, y, r, tone(rgb(78, 80, 74), rgb(118, 118, 108), random.uniform()));
        fillDisc(c, x - r * 0.3f, y - r * 0.3f, r * 0.4f, rgb(150, 150, 140, 0.5f));
    }
    return c;
}

// The canopy from below: clusters of dark leaves on a few branches, sky showing between them.
Canvas leavesCanvas() {
    const int n = 256;
    Canvas c(n, n, kClear, true);
    WorldRandom random(0x1EAF);
    const Colour bark = rgb(14, 13, 12);
    for (int b = 0; b < 6; ++b) {
        float x = random.range(0, n), y = random.range(0, n), a = random.range(0, 2 * kPi);
        float radius = random.range(2.2f, 3.0f);
        for (int s = 0; s < 14; ++s) {
            const float len = random.range(12, 20);
            const float nx = x + std::cos(a) * len, ny = y + std::sin(a) * len;
            const float nr = std::max(0.8f, radius * 0.93f);
            fillCapsule(c, x, y, nx, ny, radius, nr, bark, 0.8f);
            if (random.uniform() < 0.35f) {
                const float ta = a + random.range(0.5f, 1.1f) * (random.uniform() < 0.5f ? -1 : 1);
                const float tl = random.range(10, 22);
                fillCapsule(c, nx, ny, nx + std::cos(ta) * tl, ny + std::sin(ta) * tl, nr * 0.6f,
                            0.5f, bark, 0.8f);
            }
            x = nx;
            y = ny;
            radius = nr;
            a += random.range(-0.35f, 0.35f);
        }
    }
    for (int k = 0; k < 64; ++k) {
        const float cx = random.range(0, n), cy = random.range(0, n);
        const int count = 10 + random.below(12);
        const float shade = random.range(0.75f, 1.15f);
        for (int i = 0; i < count; ++i) {
            const float a = random.range(0, 2 * kPi), d = random.range(2, 15);
            const float lx = cx + std::cos(a) * d, ly = cy + std::sin(a) * d;
            const float angle = a + random.range(-0.5f, 0.5f);
            const float len = random.range(9, 16), wid = random.range(4, 7);
            const Colour leaf = tone(rgb(4, 10, 7), rgb(14, 28, 17), random.uniform(), shade);
            fillLeaf(c, lx, ly, len, wid, angle, leaf, 0.9f);
            // Moonlight catching the far edge of some leaves.
            if (random.uniform() < 0.3f)
                fillLeaf(c, lx - 0.6f, ly - 0.6f, len * 0.7f, wid * 0.35f, angle,
                         rgb(34, 54, 58, 0.45f), 0.8f);
            fillCapsule(c, lx - std::cos(angle) * len * 0.4f, ly - std::sin(angle) * len * 0.4f,
                        lx + std::cos(angle) * len * 0.4f, ly + std::sin(angle) * len * 0.4f, 0.45f,
                        0.3f, rgb(12, 26, 16, 0.7f), 0.6f);
        }
    }
    bleedIntoTransparent(c);
    return c;
}

// ---- Bark -------------------------------------------------------------------------------------

// Distances to the nearest and second-nearest of points in a wrapping w x h field, with y counted
// at `squash` (plates longer than wide when below 1).
void cellDistances(const std::vector<float>& pts, float x, float y, float w, float h, float squash,
                   float* d1, float* d2) {
    *d1 = *d2 = 1e9f;
    for (size_t i = 0; i + 1 < pts.size(); i += 2) {
        float dx = std::fabs(x - pts[i]), dy = std::fabs(y - pts[i + 1]);
        dx = std::min(dx, w - dx);
        dy = std::min(dy, h - dy) * squash;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d < *d1) {
            *d2 = *d1;
            *d1 = d;
        } else if (d < *d2) {
            *d2 = d;
        }
    }
}

Canvas barkCanvas(int style) {
    const int w = 32, h = 128;
    Canvas c(w, h, rgb(0, 0, 0), true);
    WorldRandom random(0xBA4C + style);
    const uint32_t seed = 200 + static_cast<uint32_t>(style) * 10;
    switch (style) {
        case 0:    // deep vertical fissures
        case 4: {  // the same, paler, with moss
            const Colour ridge = style ? rgb(104, 96, 80) : rgb(100, 90, 78);
            const Colour fissure = style ? rgb(44, 40, 32) : rgb(34, 28, 24);
            c.apply([&](int x, int y, const Colour&) {
                const float warp = 3 * fbm(x / 16.0f, y / 16.0f, 2, 2, 8, seed);
                const float ridges = fbm((x + warp) / 4.0f, y / 32.0f, 3, 8, 4, seed + 1);
                const float fine = fbm(x / 4.0f, y / 4.0f, 2, 8, 32, seed + 2);
                Colour p = mixColour(fissure, ridge, smoothStep(0.34f, 0.46f, ridges));
                p = scaleColour(p, 0.85f + 0.3f * smoothStep(0.5f, 0.8f, ridges));
                p = scaleColour(p, 0.8f + 0.4f * fine);
                if (style == 4) {
                    const float moss = fbm(x / 8.0f, y / 16.0f, 3, 4, 8, seed + 3);
                    p = mixColour(p, tone(rgb(58, 88, 40), rgb(92, 120, 58), fine),
                                  smoothStep(0.52f, 0.62f, moss));
                }
                return p;
            });
            break;
        }
        case 1: {  // pale papery bark with dark marks
            c.apply([&](int x, int y, const Colour&) {
                const float m = fbm(x / 8.0f, y / 16.0f, 3, 4, 8, seed);
                return scaleColour(rgb(156, 156, 150), 0.85f + 0.2f * m);
            });
            for (int i = 0; i < 46; ++i) {
                const float x = random.range(0, w), y = random.range(0, h),
                            len = random.range(3, 9);
                fillCapsule(c, x, y, x + len, y + random.range(-0.4f, 0.4f),
                            random.range(0.5f, 0.9f), 0.4f, rgb(58, 54, 50, 0.9f), 0.7f);
            }
            for (int i = 0; i < 5; ++i) {
                fillEllipse(c, random.range(0, w), random.range(0, h), random.range(3, 6),
                            random.range(2, 4), random.range(-0.3f, 0.3f), rgb(40, 38, 36, 0.9f));
            }
            break;
        }
        case 2: {  // reddish plates split by dark cracks
            std::vector<float> pts;
            for (int i = 0; i < 36; ++i) {
                pts.push_back(random.range(0, w));
                pts.push_back(random.range(0, h));
            }
            c.apply([&](int x, int y, const Colour&) {
                float d1, d2;
                cellDistances(pts, x + 0.5f, y + 0.5f, w, h, 0.55f, &d1, &d2);
                const float fine = fbm(x / 4.0f, y / 8.0f, 2, 8, 16, seed);
                const Colour plate = scaleColour(rgb(126, 78, 54), 0.75f + 0.4f * fine);
                return mixColour(rgb(40, 28, 22), plate, smoothStep(0.6f, 2.2f, d2 - d1));
            });
            break;
        }
        case 3: {  // smooth grey with lichen
            c.apply([&](int x, int y, const Colour&) {
                const float m = fbm(x / 8.0f, y / 32.0f, 4, 4, 4, seed);
                return scaleColour(rgb(132, 136, 130), 0.82f + 0.3f * m);
            });
            for (int i = 0; i < 7; ++i) {
                const float y = random.range(0, h);
                fillCapsule(c, -2, y, w + 2, y + random.range(-1, 1), 0.5f, 0.5f,
                            rgb(80, 82, 78, 0.5f));
            }
            for (int i = 0; i < 14; ++i) {
                fillDisc(c, random.range(0, w), random.range(0, h), random.range(1.5f, 3.5f),
                         rgb(150, 166, 138, 0.5f), 1.5f);
            }
            break;
        }
        default: {  // dark flaking scales
            c.apply([&](int x, int y, const Colour&) {
                return scaleColour(rgb(52, 44, 38),
                                   0.85f + 0.3f * fbm(x / 8.0f, y / 8.0f, 2, 4, 16, seed));
            });
            for (int i = 0; i < 150; ++i) {
                const Colour flake = tone(rgb(62, 52, 44), rgb(100, 86, 72), random.uniform());
                fillEllipse(c, random.range(0, w), random.range(0, h), random.range(2.5f, 4.5f),
                            random.range(1.5f, 2.5f), random.range(-0.4f, 0.4f), flake, 1.0f);
            }
            break;
        }
    }
    return c;
}

// ---- Small parts of the trees atlas -----------------------------------------------------------

Canvas markerWoodCanvas() {
    Canvas c(32, 64, rgb(0, 0, 0));
    c.apply([](int x, int y, const Colour&) {
        const float grain = fbm(x / 4.0f, y / 32.0f, 4, 8, 2, 301);
        const float fine = valueNoise(x / 2.0f, y / 8.0f, 16, 8, 302);
        return scaleColour(rgb(156, 140, 116), 0.7f + 0.45f * grain + 0.1f * fine);
    });
    fillEllipse(c, 12, 20, 2.5f, 3.5f, 0, rgb(60, 48, 36));
    fillEllipse(c, 22, 46, 2, 3, 0, rgb(60, 48, 36));
    return c;
}

Canvas stoneCanvas() {
    Canvas c(32, 32, rgb(36, 36, 34));
    WorldRandom random(0x570E);
    for (int i = 0; i < 14; ++i) {
        const float x = random.range(2, 30), y = random.range(2, 30), r = random.range(4, 8);
        fillEllipse(c, x, y, r, r * random.range(0.6f, 0.9f), random.range(0, kPi),
                    tone(rgb(80, 82, 80), rgb(132, 130, 122), random.uniform()), 1.2f);
        fillEllipse(c, x - r * 0.25f, y - r * 0.3f, r * 0.5f, r * 0.3f, 0,
                    rgb(160, 160, 152, 0.35f));
    }
    return c;
}

Canvas clothCanvas() {
    Canvas c(32, 32, rgb(0, 0, 0));
    c.apply([](int x, int y, const Colour&) {
        const float fold =
            0.5f + 0.5f * std::sin(x * 0.7f + 2 * fbm(x / 8.0f, y / 8.0f, 2, 4, 4, 311));
        return mixColour(rgb(150, 20, 26), rgb(236, 44, 46), fold);
    });
    return c;
}

Canvas glowCanvas() {
    Canvas c(32, 32, {1, 1, 1, 0});
    fillGlow(c, 16, 16, 15.5f, {1, 1, 1, 1}, 1.0f, 1.6f);
    fillGlow(c, 16, 16, 7, {1, 1, 1, 1}, 0.6f, 1.0f);
    return c;
}

Canvas ringCanvas() {
    Canvas c(32, 32, {1, 1, 1, 0});
    c.paint(0, 0, 32, 32, [](float x, float y) {
        const float r = std::sqrt((x - 16) * (x - 16) + (y - 16) * (y - 16)) / 15.5f;
        const float ring = std::exp(-((r - 0.7f) / 0.11f) * ((r - 0.7f) / 0.11f));
        const float inner = 0.4f * std::pow(clamp01(1 - r), 1.5f);
        return Colour{1, 1, 1, clamp01(ring + inner) * (r < 1 ? 1.0f : 0.0f)};
    });
    // Sparkles on the ring.
    for (int i = 0; i < 4; ++i) {
        const float a = kPi / 4 + i * kPi / 2;
        fillGlow(c, 16 + std::cos(a) * 10.8f, 16 + std::sin(a) * 10.8f, 4, {1, 1, 1, 1}, 1.0f,
                 1.5f);
    }
    return c;
}

Canvas clockCanvas() {
    Canvas c(32, 32, rgb(40, 86, 200));
    fillDisc(c, 16, 16, 14, rgb(230, 240, 255));
    fillDisc(c, 16, 16, 12, rgb(46, 100, 214));
    for (int i = 0; i < 12; ++i) {
        const float a = i * kPi / 6;
        fillCapsule(c, 16 + std::cos(a) * 9, 16 + std::sin(a) * 9, 16 + std::cos(a) * 11,
                    16 + std::sin(a) * 11, 0.7f, 0.7f, rgb(220, 235, 255));
    }
    fillCapsule(c, 16, 16, 16, 8, 1.1f, 0.8f, rgb(255, 255, 255));
    fillCapsule(c, 16, 16, 21, 18, 1.1f, 0.8f, rgb(255, 255, 255));
    return c;
}

// A bush seen from the side: leaves filling a dome, the outer ones lighter, with the extra
// features of each kind (ferns, berries, flowers).
Canvas shrubCanvas(int style) {
    const int n = 64;
    Canvas c(n, n, kClear);
    WorldRandom random(0x5B0B + style);
    // Light greens: the run draws bushes darkened by nearness, so they must start bright.
    const Colour dark[4] = {rgb(40, 80, 36), rgb(56, 98, 42), rgb(32, 66, 34), rgb(46, 90, 40)};
    const Colour bright[4] = {rgb(116, 178, 76), rgb(150, 206, 92), rgb(88, 150, 68),
                              rgb(128, 188, 86)};
    // Stems.
    for (int i = 0; i < 7; ++i) {
        const float a = kPi * (0.2f + 0.6f * i / 6.0f);
        fillCapsule(c, 32, 63, 32 + std::cos(a) * 26, 63 - std::sin(a) * 46, 1.3f, 0.5f,
                    rgb(50, 40, 30), 0.8f);
    }
    if (style == 1) {
        // Fern fronds fanning out from the root.
        for (int f = 0; f < 13; ++f) {
            const float a = kPi * (0.08f + 0.84f * f / 12.0f) + random.range(-0.05f, 0.05f);
            const float len = random.range(34, 56);
            const int pairs = 9;
            for (int k = 1; k <= pairs; ++k) {
                const float t = static_cast<float>(k) / (pairs + 1);
                const float px = 32 + std::cos(a) * len * t, py = 63 - std::sin(a) * len * t;
                const float leaflet = (1 - t) * 9 + 2;
                const Colour col = tone(dark[1], bright[1], t * 0.8f + random.range(0, 0.3f));
                for (int side = -1; side <= 1; side += 2) {
                    const float la = -a + side * 1.1f;
                    fillLeaf(c, px + std::cos(la) * leaflet * 0.5f,
                             py + std::sin(la) * leaflet * 0.5f, leaflet, leaflet * 0.38f, la, col,
                             0.8f);
                }
            }
            fillCapsule(c, 32, 63, 32 + std::cos(a) * len, 63 - std::sin(a) * len, 0.9f, 0.3f,
                        tone(dark[1], bright[1], 0.3f), 0.7f);
        }
    } else {
        struct Leaf {
            float x, y, r, a;
        };
        std::vector<Leaf> leaves;
        const int count = 230;
        for (int i = 0; i < count; ++i) {
            const float a = random.range(0.05f, kPi - 0.05f);
            const float r = std::sqrt(random.uniform());
            leaves.push_back({32 + std::cos(a) * r * 28, 63 - std::sin(a) * r * 56, r,
                              a + random.range(-0.6f, 0.6f)});
        }
        std::stable_sort(leaves.begin(), leaves.end(),
                         [](const Leaf& p, const Leaf& q) { return p.r < q.r; });
        for (const Leaf& l : leaves) {
            const Colour col =
                tone(dark[style], bright[style], l.r * 0.85f + random.range(0, 0.25f));
            fillLeaf(c, l.x, l.y, random.range(7, 11), random.range(3.5f, 5.5f), -l.a, col, 0.8f);
        }
        if (style == 2) {
            for (int i = 0; i < 26; ++i) {
                const float a = random.range(0.2f, kPi - 0.2f), r = random.range(0.3f, 0.9f);
                const float x = 32 + std::cos(a) * r * 26, y = 63 - std::sin(a) * r * 52;
                fillDisc(c, x, y, random.range(1.4f, 2.1f), rgb(196, 36, 48), 0.8f);
                fillDisc(c, x - 0.5f, y - 0.5f, 0.6f, rgb(255, 170, 170, 0.8f), 0.6f);
            }
        } else if (style == 3) {
            for (int i = 0; i < 18; ++i) {
                const float a = random.range(0.2f, kPi - 0.2f), r = random.range(0.45f, 0.95f);
                const float x = 32 + std::cos(a) * r * 26, y = 63 - std::sin(a) * r * 52;
                for (int p = 0; p < 5; ++p) {
                    const float pa = p * 2 * kPi / 5 + a;
                    fillEllipse(c, x + std::cos(pa) * 1.6f, y + std::sin(pa) * 1.6f, 1.6f, 1.0f, pa,
                                rgb(232, 222, 246), 0.7f);
                }
                fillDisc(c, x, y, 0.9f, rgb(250, 210, 80), 0.6f);
            }
        }
    }
    return c;
}

// A gold coin face: rim, field and a raised star.
Canvas coinFaceCanvas() {
    Canvas c(64, 64, rgb(210, 150, 36));
    c.paint(0, 0, 64, 64, [](float x, float y) {
        const float r = std::sqrt((x - 32) * (x - 32) + (y - 32) * (y - 32)) / 31.0f;
        const float light = 1 - 0.55f * clamp01((x + y) / 128.0f);
        Colour field = tone(rgb(255, 226, 110), rgb(214, 150, 34), r, 0.9f + 0.2f * light);
        if (r > 0.8f && r < 0.93f)
            field = tone(rgb(255, 236, 150), rgb(196, 132, 28), (r - 0.8f) / 0.13f);
        return field;
    });
    std::vector<float> star, shadow;
    for (int i = 0; i < 10; ++i) {
        const float a = -kPi / 2 + i * kPi / 5;
        const float r = (i % 2) ? 7.0f : 17.0f;
        star.push_back(32 + std::cos(a) * r);
        star.push_back(32 + std::sin(a) * r);
        shadow.push_back(33.5f + std::cos(a) * r);
        shadow.push_back(33.5f + std::sin(a) * r);
    }
    fillPolygon(c, shadow, rgb(150, 96, 20));
    fillPolygon(c, star, rgb(255, 244, 176));
    return c;
}

// A badge: a coloured polygon plate with a light border and the multiplier written on it.
Canvas badgeCanvas(int sides, float firstAngle, const Colour& light, const Colour& deep,
                   const char* text) {
    Canvas c(64, 64, deep);
    auto polygon = [&](float radius) {
        std::vector<float> xy;
        for (int i = 0; i < sides; ++i) {
            const float a = firstAngle + 2 * kPi * i / sides;
            xy.push_back(32 + std::cos(a) * radius);
            xy.push_back(32 - std::sin(a) * radius);
        }
        return xy;
    };
    fillPolygon(c, polygon(31), rgb(255, 255, 255));
    const std::vector<float> inner = polygon(27);
    c.paint(0, 0, 64, 64, [&](float x, float y) {
        Colour p = mixColour(light, deep, clamp01((y - 4) / 56.0f));
        p.a = insidePolygon(inner, x, y) ? 1.0f : 0.0f;
        return p;
    });
    TextMask mask;
    const int size = fitTextSize(kWorldFontBold, text, 0, 40, 34, 40);
    if (size && renderText(kWorldFontBold, text, size, 0, 3, &mask)) {
        const int x = 32 - mask.width / 2, y = 33 - mask.height / 2;
        drawMask(c, growMask(mask, 2), x, y, scaleColour(deep, 0.35f));
        drawMask(c, mask, x, y, rgb(255, 255, 255));
    }
    return c;
}

// A rim strip with reeding.
Canvas rimCanvas(const Colour& light, const Colour& dark) {
    Canvas c(64, 16, light);
    c.apply([&](int x, int y, const Colour&) {
        const float ridge = (x % 4) < 2 ? 1.0f : 0.6f;
        const float edge = 1 - 0.35f * std::fabs(y - 7.5f) / 7.5f;
        return scaleColour(mixColour(dark, light, ridge), edge);
    });
    return c;
}

// ---- Sky, tree line and ground light ----------------------------------------------------------

// Height above eye level (units at the sky's distance) shown by row r of the sky picture, and
// the units across shown by one column: the sky mesh's mapping, rectangle inset included.
float skyRowHeight(float row) {
    return kSkyTop - (row - 2) / (kSkyRect.h - 4) * (kSkyTop - kSkyBottom);
}
constexpr float kSkyUnitsPerColumn = kSkySpan / (kSkyRect.w - 4);
constexpr float kSkyUnitsPerRow = (kSkyTop - kSkyBottom) / (kSkyRect.h - 4);

Canvas skyCanvas() {
    const int w = kSkyRect.w, h = kSkyRect.h;
    Canvas c(w, h, rgb(0, 0, 0));
    const Colour haze = rgb(34, 50, 76), low = rgb(18, 28, 56), high = rgb(8, 13, 34),
                 zenith = rgb(3, 6, 20);
    c.apply([&](int x, int y, const Colour&) {
        const float hgt = skyRowHeight(y + 0.5f);
        Colour p;
        if (hgt < 2)
            p = mixColour(haze, low, smoothStep(-2, 2, hgt));
        else if (hgt < 14)
            p = mixColour(low, high, smoothStep(2, 14, hgt));
        else
            p = mixColour(high, zenith, smoothStep(14, 40, hgt));
        // Faint cloud, left out of the outer rows, which the sky mesh stretches.
        const float cloud = fbm(x / 32.0f, y / 16.0f, 4, 8, 8, 401) - 0.5f;
        const float keep = smoothStep(-3.4f, -1.0f, hgt) * (1 - smoothStep(40.0f, 43.5f, hgt));
        return scaleColour(p, 1.0f + 0.16f * cloud * keep);
    });
    // Moon glow ahead, just above the tree line; round in the world, so wider in rows here.
    const float moonX = w / 2.0f, moonY = 2 + (kSkyTop - 1.6f) / kSkyUnitsPerRow;
    const float sx = 1 / kSkyUnitsPerColumn, sy = 1 / kSkyUnitsPerRow;
    // The glow fades out before the bottom rows, which the sky mesh stretches far below.
    c.paint(0, 0, w, h, [&](float x, float y) {
        const float dx = (x - moonX) / sx, dy = (y - moonY) / sy;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float glow = 0.55f * std::exp(-d / 7.0f) + 0.25f * std::exp(-d / 20.0f);
        const float fade = 1 - smoothStep(-2.0f, -3.6f, skyRowHeight(y));
        return Colour{0.72f, 0.8f, 0.94f, clamp01(glow) * fade};
    });
    fillEllipse(c, moonX, moonY, 1.8f * sx, 1.8f * sy, 0, rgb(236, 238, 226), 1.0f);
    fillEllipse(c, moonX + 0.5f * sx, moonY - 0.4f * sy, 0.5f * sx, 0.45f * sy, 0,
                rgb(200, 204, 196, 0.6f), 1.0f);
    WorldRandom random(0x57A4);
    for (int i = 0; i < 170; ++i) {
        // Not on the outer rows and columns, which the sky mesh stretches.
        const float x = random.range(4, w - 4), y = random.range(4, h * 0.85f);
        const float hgt = skyRowHeight(y);
        const float dm = std::hypot((x - moonX) / sx, (y - moonY) / sy);
        if (hgt < 1.5f || dm < 9) continue;
        const float bright = random.range(0.35f, 1.0f) * smoothStep(1.5f, 8, hgt);
        const Colour star = mixColour(rgb(190, 205, 255), rgb(255, 246, 220), random.uniform());
        const float size = random.uniform() < 0.12f ? 1.0f : 0.6f;
        fillEllipse(c, x, y, size * 0.8f, size * 1.1f, 0, {star.r, star.g, star.b, bright}, 0.8f);
    }
    return c;
}

// The tree line: a far hazy row of trunks under a band of crowns, a near black row in front of
// it, undergrowth, and a solid foot fading out below the far edge of the ground. Between the
// undergrowth and the crowns the sky (and the low moon) shows through.
Canvas horizonCanvas() {
    const int w = kHorizonRect.w, h = kHorizonRect.h;
    Canvas c(w, h, kClear);
    c.setWrap(true, false);
    const float unitsPerRow = (kHorizonTop - kHorizonBottom) / (h - 4);
    const float unitsPerColumn = kHorizonPeriod / w;
    const float rowOf0 = 2 + kHorizonTop / unitsPerRow;  // eye level
    auto rowAt = [&](float height) { return rowOf0 - height / unitsPerRow; };
    WorldRandom random(0x4021);
    struct Layer {
        Colour colour;
        float trunkFoot, crownBase, crownTop;  // heights
        int trunks;
        float trunkWidth;  // units
        int crowns;
        uint32_t seed;
    };
    const Layer layers[2] = {
        {rgb(17, 24, 38), -1.5f, 2.6f, 5.6f, 64, 0.45f, 46, 511},
        {rgb(7, 9, 14), -3.0f, 4.4f, 8.8f, 18, 1.1f, 34, 521},
    };
    for (const Layer& layer : layers) {
        const Colour& col = layer.colour;
        // The crowns' ragged underside, filled up to their middle line...
        const float middle = rowAt((layer.crownBase + layer.crownTop) / 2);
        c.paint(0, 0, w, h, [&](float x, float y) {
            const float edge =
                rowAt(layer.crownBase) +
                3.5f * (fbm(x / 8.0f, 0.5f, 3, 32, 4, layer.seed) - 0.5f) / unitsPerRow;
            const float holes = fbm(x / 8.0f, y / 4.0f, 3, 32, 32, layer.seed + 1);
            float a =
                (1 - smoothStep(edge - 0.7f, edge + 0.7f, y)) * smoothStep(middle - 1, middle, y);
            a *= smoothStep(0.22f, 0.3f, holes);
            return Colour{col.r, col.g, col.b, a};
        });
        // ...topped by rounded crowns...
        for (int i = 0; i < layer.crowns; ++i) {
            const float x = random.range(0, w);
            const float top = random.range(layer.crownTop - 1.6f, layer.crownTop);
            const float ry = (top - (layer.crownBase + layer.crownTop) / 2) / unitsPerRow + 1;
            const float rx = random.range(1.2f, 2.6f) / unitsPerColumn;
            fillEllipse(c, x, rowAt(top) + ry, rx, ry, 0, col, 0.8f);
        }
        // ...on trunks standing in the undergrowth.
        for (int i = 0; i < layer.trunks; ++i) {
            const float x = random.range(0, w);
            const float r = layer.trunkWidth * random.range(0.6f, 1.2f) / unitsPerColumn / 2;
            fillCapsule(c, x, rowAt(layer.trunkFoot), x + random.range(-0.8f, 0.8f),
                        rowAt(layer.crownBase + 0.8f), std::max(r, 0.55f),
                        std::max(r * 0.75f, 0.5f), col, 0.8f);
        }
    }
    // Undergrowth with a ragged top, then the solid foot fading out at the bottom.
    const float bushTop = rowAt(-0.4f), footEnd = rowAt(kHorizonBottom + 0.3f);
    const float fadeFrom = rowAt(-3.0f);
    c.paint(0, 0, w, h, [&](float x, float y) {
        const float top =
            bushTop + 1.4f * (fbm(x / 4.0f, 0.5f, 3, 64, 4, 503) - 0.5f) / unitsPerRow;
        float a = smoothStep(top - 0.8f, top + 0.8f, y);
        a *= 1 - smoothStep(fadeFrom, footEnd, y);
        return Colour{0.03f, 0.045f, 0.06f, a};
    });
    bleedIntoTransparent(c);
    return c;
}

// Soft patches of moonlight on the ground: a multiplier near white.
Canvas dappleCanvas() {
    Canvas c(kDappleRect.w, kDappleRect.h, rgb(255, 255, 255));
    c.setWrap(true, false);
    c.apply([](int x, int y, const Colour&) {
        const float n = fbm(x / 32.0f, y / 16.0f, 4, 8, 64, 601);
        const float k = 0.8f + 0.2f * smoothStep(0.35f, 0.7f, n);
        return Colour{k * 0.98f, k, k, 1};
    });
    return c;
}

// ---- Sign boards ------------------------------------------------------------------------------

Canvas woodCanvas(int w, int h, uint32_t seed, bool planks) {
    Canvas c(w, h, rgb(0, 0, 0));
    c.apply([&](int x, int y, const Colour&) {
        const float grain = fbm(x / 32.0f, y / 4.0f, 4, 8, 16, seed);
        const float fine = valueNoise(x / 2.0f, y / 1.0f, 128, 64, seed + 1);
        Colour p = scaleColour(rgb(66, 48, 34), 0.7f + 0.5f * grain + 0.12f * fine);
        if (planks && (y == h / 2 || y == h / 2 - 1)) p = scaleColour(p, 0.45f);
        return p;
    });
    return c;
}

// A board with a bevelled frame, two nails and the word in pale paint with a faint glow.
Canvas boardCanvas(const char* word, uint32_t seed) {
    const int w = kDistanceBoardRect.w, h = kDistanceBoardRect.h;
    Canvas c = woodCanvas(w, h, seed, false);
    c.apply([&](int x, int y, const Colour& p) {
        const int edge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
        if (edge < 2) return scaleColour(p, 0.55f);
        if (edge < 5) return scaleColour(p, (y < h / 2) ? 1.25f : 0.8f);
        return p;
    });
    for (float nx : {10.0f, w - 10.0f}) {
        fillDisc(c, nx, h / 2.0f, 2.2f, rgb(40, 38, 36));
        fillDisc(c, nx - 0.6f, h / 2.0f - 0.6f, 0.8f, rgb(150, 146, 140));
    }
    const int size = fitTextSize(kWorldFontCondensedBold, word, 2, w - 36, h - 16, 60);
    TextMask mask;
    if (size && renderText(kWorldFontCondensedBold, word, size, 2, 6, &mask)) {
        const int x = (w - mask.width) / 2, y = (h - mask.height) / 2;
        drawMask(c, blurMask(growMask(mask, 1), 3), x, y, rgb(255, 206, 120), 0.45f);
        drawMask(c, mask, x + 1, y + 1, rgb(20, 12, 8), 0.9f);
        drawMask(c, mask, x, y, rgb(238, 230, 204));
    }
    return c;
}

// ---- Loading picture --------------------------------------------------------------------------

void trunkSilhouette(Canvas& c, float x, float top, float bottom, float r0, float r1,
                     const Colour& colour) {
    fillCapsule(c, x, bottom, x, top, r0, r1, colour, 1.0f);
}

}  // namespace

WorldPicture paintGrass() {
    return finish(grassCanvas(), false);
}

WorldPicture paintLeaves() {
    return finish(leavesCanvas(), true);
}

WorldPicture paintTreesAtlas() {
    Canvas atlas(kAtlasSize, kAtlasSize, kClear);
    for (int i = 0; i < 6; ++i) place(atlas, barkCanvas(i), kBarkRects[i]);
    place(atlas, markerWoodCanvas(), kMarkerWoodRect);
    place(atlas, stoneCanvas(), kStoneRect);
    place(atlas, clothCanvas(), kClothRect);
    place(atlas, Canvas(32, 32, rgb(255, 255, 255)), kWhiteRect);
    place(atlas, glowCanvas(), kGlowRect);
    place(atlas, ringCanvas(), kRingRect);
    place(atlas, clockCanvas(), kClockRect);
    for (int i = 0; i < 4; ++i) place(atlas, shrubCanvas(i), kShrubRects[i]);
    place(atlas, coinFaceCanvas(), kCoinFaceRect);
    place(atlas, badgeCanvas(6, kPi / 2, rgb(150, 240, 255), rgb(20, 150, 230), "x2"),
          kX2BadgeRect);
    place(atlas, badgeCanvas(8, kPi / 8, rgb(255, 170, 240), rgb(210, 30, 170), "x3"),
          kX3BadgeRect);
    place(atlas, rimCanvas(rgb(255, 214, 96), rgb(170, 110, 20)), kGoldRimRect);
    place(atlas, rimCanvas(rgb(150, 240, 255), rgb(20, 120, 200)), kCyanRimRect);
    place(atlas, rimCanvas(rgb(255, 160, 236), rgb(170, 20, 140)), kMagentaRimRect);
    place(atlas, rimCanvas(rgb(160, 200, 255), rgb(30, 70, 180)), kBlueRimRect);
    bleedIntoTransparent(atlas);
    return finish(atlas, true);
}

WorldPicture paintShadingAtlas() {
    Canvas atlas(kAtlasSize, kAtlasSize, kClear);
    place(atlas, skyCanvas(), kSkyRect);
    place(atlas, horizonCanvas(), kHorizonRect);
    place(atlas, dappleCanvas(), kDappleRect);
    return finish(atlas, true);
}

WorldPicture paintCrash() {
    const int n = 128;
    Canvas c(n, n, {1, 1, 1, 0});
    WorldRandom random(0xC4A5);
    float freq[5], phase[5];
    for (int i = 0; i < 5; ++i) {
        freq[i] = static_cast<float>(5 + random.below(9));
        phase[i] = random.range(0, 2 * kPi);
    }
    c.paint(0, 0, n, n, [&](float x, float y) {
        const float dx = (x - n / 2.0f) / (n / 2.0f), dy = (y - n / 2.0f) / (n / 2.0f);
        const float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        float streak = 0;
        for (int i = 0; i < 5; ++i) streak += std::cos(a * freq[i] + phase[i]);
        const float reach = 0.6f + 0.09f * streak;
        const float alpha =
            r < 0.45f ? 1.0f : clamp01(1 - (r - 0.45f) / std::max(reach - 0.45f + 0.3f, 0.1f));
        const float warm = clamp01(r * 1.2f);
        return Colour{1, 1 - 0.04f * warm, 1 - 0.12f * warm, alpha};
    });
    return finish(c, true);
}

WorldPicture paintMenuText() {
    Canvas atlas(kAtlasSize, kAtlasSize, rgb(0, 0, 0));
    place(atlas, boardCanvas("DISTANCE", 701), kDistanceBoardRect);
    place(atlas, boardCanvas("POINTS", 711), kPointsBoardRect);
    place(atlas, woodCanvas(kSignWoodRect.w, kSignWoodRect.h, 721, false), kSignWoodRect);
    place(atlas, woodCanvas(kSignBackRect.w, kSignBackRect.h, 731, true), kSignBackRect);
    return finish(atlas, false);
}

WorldPicture paintLoadingPicture() {
    const int w = 480, h = 320;
    Canvas c(w, h, rgb(0, 0, 0));
    const float horizonY = 214;
    const float moonX = 384, moonY = 98;
    // Sky and ground.
    c.apply([&](int x, int y, const Colour&) {
        if (y < horizonY) {
            const float t = y / horizonY;
            const Colour sky = t < 0.6f
                                   ? mixColour(rgb(4, 7, 22), rgb(12, 22, 50), t / 0.6f)
                                   : mixColour(rgb(12, 22, 50), rgb(34, 52, 82), (t - 0.6f) / 0.4f);
            return scaleColour(sky, 0.94f + 0.12f * fbm(x / 40.0f, y / 20.0f, 4, 12, 16, 801));
        }
        const float t = (y - horizonY) / (h - horizonY);
        // A lit path narrowing towards the horizon.
        const float half = 6 + t * 170;
        const float path = 1 - smoothStep(half * 0.6f, half, std::fabs(x - 240.0f));
        const Colour ground = mixColour(rgb(6, 12, 8), rgb(30, 58, 28), t);
        const Colour lit = mixColour(rgb(14, 24, 18), rgb(84, 128, 60), t * t);
        return scaleColour(mixColour(ground, lit, path * (0.4f + 0.6f * t)),
                           0.85f + 0.3f * fbm(x / 8.0f, y / 4.0f, 3, 60, 80, 802));
    });
    // Moon with its glow.
    c.paint(0, 0, w, horizonY, [&](float x, float y) {
        const float d = std::hypot(x - moonX, y - moonY);
        return Colour{0.72f, 0.8f, 0.95f,
                      clamp01(0.6f * std::exp(-d / 26) + 0.3f * std::exp(-d / 80))};
    });
    fillDisc(c, moonX, moonY, 17, rgb(238, 240, 228), 1.2f);
    fillDisc(c, moonX + 5, moonY - 4, 4, rgb(206, 210, 200, 0.6f), 2);
    fillDisc(c, moonX - 6, moonY + 5, 3, rgb(206, 210, 200, 0.5f), 2);
    WorldRandom random(0x1060);
    for (int i = 0; i < 160; ++i) {
        const float x = random.range(0, w), y = random.range(0, horizonY - 30);
        if (std::hypot(x - moonX, y - moonY) < 40) continue;
        const float r = random.uniform() < 0.1f ? 1.1f : 0.6f;
        fillDisc(c, x, y, r, rgb(220, 228, 255, random.range(0.35f, 1.0f)), 0.8f);
    }
    // Far tree line, then near trunks framing the picture, then the canopy across the top.
    c.paint(0, 150, w, horizonY + 4, [&](float x, float y) {
        const float top = 188 + 22 * (fbm(x / 24.0f, 0.5f, 4, 20, 4, 803) - 0.5f);
        return Colour{0.10f, 0.14f, 0.22f, smoothStep(top - 1, top + 1, y)};
    });
    for (int i = 0; i < 50; ++i) {
        const float x = random.range(0, w);
        trunkSilhouette(c, x, 150, horizonY + 2, random.range(0.8f, 1.8f), 0.6f, rgb(24, 32, 50));
    }
    const Colour nearDark = rgb(5, 7, 10);
    const float trunks[][3] = {{18, 26, 22},  {78, 14, 12},  {128, 8, 7}, {336, 10, 8},
                               {446, 16, 13}, {470, 28, 24}, {176, 5, 4}, {300, 5, 4}};
    for (const auto& t : trunks) trunkSilhouette(c, t[0], -10, h + 10, t[1], t[2], nearDark);
    c.paint(0, 0, w, 80, [&](float x, float y) {
        const float edge = 30 + 34 * fbm(x / 24.0f, y / 24.0f, 4, 20, 4, 804);
        return Colour{0.02f, 0.035f, 0.03f, 1 - smoothStep(edge - 2, edge + 2, y)};
    });
    for (int i = 0; i < 240; ++i) {
        const float x = random.range(0, w), y = random.range(0, 58);
        fillLeaf(c, x, y, random.range(9, 16), random.range(4, 7), random.range(0, kPi),
                 rgb(8, 18, 12), 0.9f);
    }
    // The name, in warm gold with a dark edge and a pale glow.
    const char* name = "Zorvane";
    const int size = fitTextSize(kWorldFontSerifBold, name, 2, 340, 96, 84);
    TextMask mask;
    if (size && renderText(kWorldFontSerifBold, name, size, 2, 12, &mask)) {
        const int x = (w - mask.width) / 2, y = 212 - mask.baseline;
        drawMask(c, blurMask(growMask(mask, 3), 6), x, y, rgb(120, 170, 255), 0.55f);
        drawMask(c, growMask(mask, 3), x, y + 2, rgb(10, 8, 6), 0.95f);
        const float top = static_cast<float>(mask.baseline) - size * 0.75f;
        drawMask(c, mask, x, y, rgb(255, 255, 255), 1.0f, [&](int, int my) {
            const float t = clamp01((my - top) / (mask.baseline - top));
            return mixColour(rgb(255, 240, 180), rgb(226, 160, 52), t);
        });
    }
    return finish(c, false);
}

}  // namespace world
