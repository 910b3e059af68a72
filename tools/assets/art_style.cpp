// The shared button faces, backdrops and icon shapes of the game's 2D art.
#include "tools/assets/art_style.h"

#include <cmath>

namespace art {
namespace {

constexpr float kPi = 3.14159265358979f;

// Everything below the line y = top (negative below it).
Shape below(float top) {
    return [top](float, float y) { return top - y; };
}

}  // namespace

void paintRoundButton(Canvas* c, float cx, float cy, float r, bool pressed) {
    const float sink = pressed ? 1.0f : 0.0f;  // a pressed button sits a pixel lower
    cy += sink;
    c->softShadow(circle(cx, cy, r), 0, pressed ? 1.0f : 2.0f, 2, rgb(0x000000, 0.6f));
    c->fill(circle(cx, cy, r), linear(cx, cy - r, paleGold(), cx, cy + r, amber()));
    const float face = r - 2.5f;
    if (pressed) {
        c->fill(circle(cx, cy, face),
                radial(cx - face * 0.3f, cy - face * 0.4f, face * 1.5f, paleGold(), amber()));
    } else {
        c->fill(circle(cx, cy, face),
                radial(cx - face * 0.3f, cy - face * 0.4f, face * 1.6f, duskBlue(), midnight()));
    }
    // A soft gloss over the upper half.
    c->fill(intersect(circle(cx, cy, face - 1.0f),
                      ellipse(cx, cy - face * 0.55f, face * 0.75f, face * 0.45f)),
            linear(cx, cy - face, rgb(0xFFFFFF, 0.16f), cx, cy - face * 0.2f, rgb(0xFFFFFF, 0.0f)));
}

void paintPlate(Canvas* c, float x0, float y0, float x1, float y1, bool pressed) {
    const float sink = pressed ? 1.0f : 0.0f;
    y0 += sink;
    y1 += sink;
    const float radius = (y1 - y0) * 0.5f;
    c->fill(roundedRect(x0, y0, x1, y1, radius), linear(0, y0, paleGold(), 0, y1, amber()));
    const Shape face = roundedRect(x0 + 2.5f, y0 + 2.5f, x1 - 2.5f, y1 - 2.5f, radius - 2.5f);
    if (pressed) {
        c->fill(face, linear(0, y0, paleGold(), 0, y1, amber()));
    } else {
        c->fill(face, linear(0, y0, duskBlue(), 0, y1, midnight()));
    }
    const float mid = (y0 + y1) * 0.5f;
    c->fill(intersect(face, [mid](float, float y) { return y - mid; }),
            linear(0, y0, rgb(0xFFFFFF, 0.14f), 0, mid, rgb(0xFFFFFF, 0.02f)));
}

void paintPlateShadow(Canvas* c, float x0, float y0, float x1, float y1) {
    c->softShadow(roundedRect(x0, y0, x1, y1, (y1 - y0) * 0.5f), 0, 3, 2, rgb(0x000000, 0.55f));
}

Colour iconColour(bool pressed) { return pressed ? midnight() : ivory(); }

void paintHudBackdrop(Canvas* c, float cx, float cy, float r) {
    c->fill(circle(cx, cy, r), radial(cx, cy, r, rgb(0x07121D, 0.6f), rgb(0x07121D, 0.0f)));
}

void paintFireflyRing(Canvas* c, float cx, float cy, float r, float dotRadius, int dots) {
    c->fill(outline(circle(cx, cy, r), 0.6f), solid(withAlpha(gold(), 0.35f)));
    for (int i = 0; i < dots; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(dots);
        // Sizes follow a short uneven cycle, so the turning of the ring can be seen.
        const float size = dotRadius * (0.55f + 0.45f * static_cast<float>((i * 3) % 5) / 4.0f);
        const float x = cx + r * std::cos(a), y = cy + r * std::sin(a);
        c->softShadow(circle(x, y, size * 1.2f), 0, 0, 2, withAlpha(gold(), 0.8f));
        c->fill(circle(x, y, size), radial(x, y, size, rgb(0xFFFBE8), paleGold()));
    }
}

namespace icon {

Shape play(float cx, float cy, float s) {
    return grow(
        polygon({cx - 0.24f * s, cy - 0.3f * s, cx + 0.32f * s, cy, cx - 0.24f * s, cy + 0.3f * s}),
        0.04f * s);
}

Shape pause(float cx, float cy, float s) {
    return unite(
        capsule(cx - 0.15f * s, cy - 0.26f * s, cx - 0.15f * s, cy + 0.26f * s, 0.085f * s),
        capsule(cx + 0.15f * s, cy - 0.26f * s, cx + 0.15f * s, cy + 0.26f * s, 0.085f * s));
}

Shape home(float cx, float cy, float s) {
    const Shape roof = grow(
        polygon({cx - 0.4f * s, cy - 0.02f * s, cx, cy - 0.38f * s, cx + 0.4f * s, cy - 0.02f * s}),
        0.03f * s);
    const Shape body =
        roundedRect(cx - 0.27f * s, cy - 0.1f * s, cx + 0.27f * s, cy + 0.36f * s, 0.04f * s);
    const Shape door =
        roundedRect(cx - 0.08f * s, cy + 0.1f * s, cx + 0.08f * s, cy + 0.5f * s, 0.03f * s);
    return subtract(unite(roof, body), door);
}

Shape trophy(float cx, float cy, float s) {
    const float top = cy - 0.36f * s;
    const Shape bowl = intersect(ellipse(cx, top, 0.3f * s, 0.42f * s), below(top));
    const Shape handles = unite(arc(cx - 0.28f * s, cy - 0.2f * s, 0.12f * s, 0.035f * s, 90, 270),
                                arc(cx + 0.28f * s, cy - 0.2f * s, 0.12f * s, 0.035f * s, 270, 90));
    const Shape stem =
        roundedRect(cx - 0.05f * s, cy + 0.02f * s, cx + 0.05f * s, cy + 0.26f * s, 0.02f * s);
    const Shape base =
        roundedRect(cx - 0.22f * s, cy + 0.24f * s, cx + 0.22f * s, cy + 0.36f * s, 0.03f * s);
    return unite(unite(bowl, handles), unite(stem, base));
}

Shape question(float cx, float cy, float s) {
    const Shape hook = arc(cx, cy - 0.14f * s, 0.17f * s, 0.07f * s, 190, 90);
    const Shape stem = capsule(cx, cy + 0.03f * s, cx, cy + 0.1f * s, 0.07f * s);
    return unite(unite(hook, stem), circle(cx, cy + 0.3f * s, 0.08f * s));
}

Shape info(float cx, float cy, float s) {
    const Shape dot = circle(cx, cy - 0.27f * s, 0.085f * s);
    const Shape stem = capsule(cx, cy - 0.06f * s, cx, cy + 0.3f * s, 0.075f * s);
    const Shape serif = capsule(cx - 0.1f * s, cy - 0.07f * s, cx, cy - 0.07f * s, 0.055f * s);
    const Shape foot =
        capsule(cx - 0.13f * s, cy + 0.32f * s, cx + 0.13f * s, cy + 0.32f * s, 0.05f * s);
    return unite(unite(dot, stem), unite(serif, foot));
}

Shape speaker(float cx, float cy, float s, int waves) {
    Shape body = grow(polygon({cx - 0.36f * s, cy - 0.1f * s, cx - 0.2f * s, cy - 0.1f * s,
                               cx + 0.0f * s, cy - 0.3f * s, cx + 0.0f * s, cy + 0.3f * s,
                               cx - 0.2f * s, cy + 0.1f * s, cx - 0.36f * s, cy + 0.1f * s}),
                      0.025f * s);
    for (int i = 0; i < waves; ++i) {
        const float r = (0.16f + 0.15f * static_cast<float>(i)) * s;
        body = unite(body, arc(cx + 0.04f * s, cy, r, 0.045f * s, 310, 50));
    }
    return body;
}

Shape grid(float cx, float cy, float s) {
    Shape all;
    for (int i = 0; i < 4; ++i) {
        const float x = cx + (i % 2 == 0 ? -0.18f : 0.18f) * s;
        const float y = cy + (i < 2 ? -0.18f : 0.18f) * s;
        const Shape tile =
            roundedRect(x - 0.14f * s, y - 0.14f * s, x + 0.14f * s, y + 0.14f * s, 0.05f * s);
        all = all ? unite(all, tile) : tile;
    }
    return all;
}

Shape globe(float cx, float cy, float s) {
    const float r = 0.36f * s, w = 0.04f * s;
    Shape g = outline(circle(cx, cy, r), w);
    g = unite(g, outline(ellipse(cx, cy, 0.15f * s, r), w * 0.9f));
    g = unite(g, capsule(cx - r, cy, cx + r, cy, w * 0.9f));
    g = unite(g, capsule(cx, cy - r, cx, cy + r, w * 0.9f));
    const float half = std::sqrt(r * r - 0.18f * s * 0.18f * s);
    g = unite(g, capsule(cx - half, cy - 0.18f * s, cx + half, cy - 0.18f * s, w * 0.8f));
    g = unite(g, capsule(cx - half, cy + 0.18f * s, cx + half, cy + 0.18f * s, w * 0.8f));
    return g;
}

Shape retry(float cx, float cy, float s) {
    const float r = 0.27f * s;
    const Shape ring = arc(cx, cy + 0.04f * s, r, 0.07f * s, 330, 265);
    const float tipY = cy + 0.04f * s - r;
    const Shape head = grow(polygon({cx + 0.17f * s, tipY, cx - 0.03f * s, tipY - 0.19f * s,
                                     cx - 0.03f * s, tipY + 0.19f * s}),
                            0.02f * s);
    return unite(ring, head);
}

Shape podium(float cx, float cy, float s) {
    const float r = 0.03f * s;
    Shape p = roundedRect(cx - 0.37f * s, cy + 0.0f * s, cx - 0.135f * s, cy + 0.36f * s, r);
    p = unite(p, roundedRect(cx - 0.115f * s, cy - 0.16f * s, cx + 0.115f * s, cy + 0.36f * s, r));
    p = unite(p, roundedRect(cx + 0.135f * s, cy + 0.1f * s, cx + 0.37f * s, cy + 0.36f * s, r));
    return unite(p, star(cx, cy - 0.33f * s, 0.13f * s, 0.055f * s, 5, 0));
}

Shape check(float cx, float cy, float s) {
    const float r = 0.075f * s;
    return unite(capsule(cx - 0.3f * s, cy + 0.0f * s, cx - 0.08f * s, cy + 0.22f * s, r),
                 capsule(cx - 0.08f * s, cy + 0.22f * s, cx + 0.32f * s, cy - 0.22f * s, r));
}

Shape cross(float cx, float cy, float s) {
    const float d = 0.24f * s, r = 0.075f * s;
    return unite(capsule(cx - d, cy - d, cx + d, cy + d, r),
                 capsule(cx - d, cy + d, cx + d, cy - d, r));
}

Shape arrowLeft(float cx, float cy, float s) {
    const float r = 0.07f * s;
    const Shape shaft = capsule(cx - 0.26f * s, cy, cx + 0.3f * s, cy, r);
    const Shape head = unite(capsule(cx - 0.28f * s, cy, cx - 0.04f * s, cy - 0.24f * s, r),
                             capsule(cx - 0.28f * s, cy, cx - 0.04f * s, cy + 0.24f * s, r));
    return unite(shaft, head);
}

Shape chevron(float cx, float cy, float s, bool up) {
    const float dir = up ? 1.0f : -1.0f;
    const float r = 0.075f * s;
    const float tipY = cy - dir * 0.13f * s, endY = cy + dir * 0.13f * s;
    return unite(capsule(cx - 0.26f * s, endY, cx, tipY, r),
                 capsule(cx, tipY, cx + 0.26f * s, endY, r));
}

Shape download(float cx, float cy, float s) {
    const float r = 0.06f * s;
    Shape d = capsule(cx, cy - 0.34f * s, cx, cy + 0.1f * s, r);
    d = unite(d, capsule(cx - 0.18f * s, cy - 0.06f * s, cx, cy + 0.12f * s, r));
    d = unite(d, capsule(cx + 0.18f * s, cy - 0.06f * s, cx, cy + 0.12f * s, r));
    d = unite(d, capsule(cx - 0.34f * s, cy + 0.14f * s, cx - 0.34f * s, cy + 0.32f * s, r));
    d = unite(d, capsule(cx - 0.34f * s, cy + 0.32f * s, cx + 0.34f * s, cy + 0.32f * s, r));
    d = unite(d, capsule(cx + 0.34f * s, cy + 0.32f * s, cx + 0.34f * s, cy + 0.14f * s, r));
    return d;
}

}  // namespace icon
}  // namespace art
