// The HUD sprite: small, high-contrast pieces that read over the moving forest at a glance.
#include "tools/assets/hud_sprite.h"

#include <cmath>
#include <vector>

#include "tools/assets/art_style.h"

namespace {

using namespace art;

constexpr int kPauseSide = 36;  // the pause zone is 40 x 40 around (460, 20)
constexpr int kIconSide = 56;   // pickup icons, drawn from the bottom-left corner
constexpr int kFlashWidth = 200;
constexpr int kFlashHeight = 44;

Canvas pauseButton(bool held) {
    Canvas c(kPauseSide, kPauseSide);
    const float mid = kPauseSide * 0.5f, r = 15.5f;
    c.softShadow(circle(mid, mid, r), 0, 1, 2, rgb(0x000000, 0.5f));
    if (held) {
        c.fill(circle(mid, mid, r), radial(mid - 4, mid - 5, r * 1.5f, paleGold(), amber()));
    } else {
        c.fill(circle(mid, mid, r), solid(withAlpha(midnight(), 0.62f)));
        c.fill(outline(circle(mid, mid, r - 0.75f), 0.75f), solid(gold()));
    }
    c.fill(icon::pause(mid, mid, 22), solid(iconColour(held)));
    return c;
}

// A warm glow spreading from a top corner along the top edge, with three speed streaks.
Canvas nearMissFlash(bool right) {
    Canvas c(kFlashWidth, kFlashHeight);
    const float w = kFlashWidth, h = kFlashHeight;
    auto mirrorX = [=](float x) { return right ? w - x : x; };
    c.fill([](float, float) { return -1.0f; },
           [=](float x, float y) {
               const float u = mirrorX(x) / w, v = y / h;
               const float d = std::sqrt(u * u + v * v);
               const float fall = d >= 1 ? 0.0f : (1 - d) * (1 - d);
               return withAlpha(paleGold(), 0.8f * fall);
           });
    const float rows[3] = {7, 15, 23};
    const float lengths[3] = {150, 112, 74};
    for (int i = 0; i < 3; ++i) {
        const float x0 = mirrorX(10), x1 = mirrorX(10 + lengths[i]);
        c.fill(capsule(x0, rows[i], x1, rows[i], 1.6f - 0.3f * static_cast<float>(i)),
               linear(x0, 0, rgb(0xFFFFFF, 0.95f), x1, 0, rgb(0xFFFFFF, 0.0f)));
    }
    return c;
}

Canvas shrubIcon() {
    Canvas c(kIconSide, kIconSide);
    paintHudBackdrop(&c, 28, 28, 27);
    Shape bush = circle(19, 33, 10);
    bush = unite(bush, circle(28, 24, 12));
    bush = unite(bush, circle(38, 32, 10));
    bush = unite(bush, circle(28, 35, 11));
    c.softShadow(bush, 0, 2, 2, rgb(0x000000, 0.5f));
    c.fill(bush, radial(24, 20, 26, fern(), pine()));
    // Leaf highlights.
    const float leaves[5][3] = {
        {22, 22, 3}, {31, 18, 3.5f}, {36, 27, 3}, {17, 30, 2.5f}, {27, 29, 2.5f}};
    for (const auto& l : leaves)
        c.fill(ellipse(l[0], l[1], l[2], l[2] * 0.6f), solid(withAlpha(rgb(0xB9E39A), 0.7f)));
    // A small amber brake mark under the bush: slowing down.
    c.fill(icon::chevron(28, 47, 12, false), solid(amber()));
    return c;
}

Canvas coinIcon() {
    Canvas c(kIconSide, kIconSide);
    paintHudBackdrop(&c, 28, 28, 27);
    c.softShadow(circle(28, 28, 16), 0, 2, 2, rgb(0x000000, 0.5f));
    c.fill(circle(28, 28, 16), linear(28, 12, paleGold(), 28, 44, ember()));
    c.fill(circle(28, 28, 12.5f), radial(24, 23, 16, rgb(0xFFF1C4), gold()));
    c.fill(star(28, 28.5f, 8, 3.4f, 5, 0), solid(amber()));
    c.fill(intersect(circle(28, 28, 12), ellipse(24, 21, 8, 4)), solid(rgb(0xFFFFFF, 0.35f)));
    return c;
}

// The x2 and x3 tokens in the shapes and colours of the pickups in the forest: a blue hexagon
// and a magenta octagon, the number set in bold.
Canvas multiplierIcon(int times) {
    Canvas c(kIconSide, kIconSide);
    paintHudBackdrop(&c, 28, 28, 27);
    const int corners = times == 2 ? 6 : 8;
    std::vector<float> outer, inner;
    for (int i = 0; i < corners; ++i) {
        const float a = 2.0f * 3.14159265f * (static_cast<float>(i) + (times == 2 ? 0.0f : 0.5f)) /
                        static_cast<float>(corners);
        outer.push_back(28 + 19 * std::cos(a));
        outer.push_back(28 + 19 * std::sin(a));
        inner.push_back(28 + 15.5f * std::cos(a));
        inner.push_back(28 + 15.5f * std::sin(a));
    }
    const Colour light = times == 2 ? rgb(0x8ADCFF) : rgb(0xFF8ADF);
    const Colour dark = times == 2 ? rgb(0x1C6FB8) : rgb(0xA0267E);
    const Shape token = grow(polygon(outer), 1.0f);
    c.softShadow(token, 0, 2, 2, rgb(0x000000, 0.5f));
    c.fill(token, solid(rgb(0xF4F8FF)));
    c.fill(polygon(inner), linear(28, 10, light, 28, 46, dark));
    const std::string label = times == 2 ? "x2" : "x3";
    const int size = 18;
    const float width = textWidth(kSansBoldFont, size, label);
    drawText(&c, kSansBoldFont, size, label, 28 - width * 0.5f + 1, 29 + size * 0.36f + 1,
             solid(rgb(0x000000, 0.45f)));
    drawText(&c, kSansBoldFont, size, label, 28 - width * 0.5f, 28 + size * 0.36f,
             solid(rgb(0xFFFFFF)));
    return c;
}

}  // namespace

bool buildHudSprite(art::BuiltSprite* out, std::string* error) {
    art::SpriteSheet sheet(256);
    sheet.setFrame(kHudPauseUp, sheet.addPicture(pauseButton(false)));
    sheet.setFrame(kHudPauseHeld, sheet.addPicture(pauseButton(true)));
    sheet.setFrame(kHudNearMissLeft, sheet.addPicture(nearMissFlash(false)));
    sheet.setFrame(kHudNearMissRight, sheet.addPicture(nearMissFlash(true)));
    sheet.setFrame(kHudShrub, sheet.addPicture(shrubIcon()));
    sheet.setFrame(kHudCoin, sheet.addPicture(coinIcon()));
    sheet.setFrame(kHudTimesTwo, sheet.addPicture(multiplierIcon(2)));
    sheet.setFrame(kHudTimesThree, sheet.addPicture(multiplierIcon(3)));
    return sheet.build(out, error);
}
