// The HUD's flashes and texts, and the number writer with its thousands separators.
#include "game/hud.h"

#include <cmath>

#include "game/game_mode.h"
#include "game/run.h"
#include "game/scene.h"
#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_sys.h"
#include "menu/text_tables.h"

namespace {

constexpr float kFlashWindow = 0.5f;  // s
constexpr const char* kHudFontFile = "/fsmall.spr";

// Distances beyond this many metres are shown as this (far past anything a run reaches).
constexpr double kMaxShownDistance = 1e15;

int32_t appendAscii(uint16_t* out, int32_t length, int32_t capacity, const char* text) {
    for (; *text && length < capacity; ++text) out[length++] = static_cast<uint16_t>(*text);
    if (length < capacity) out[length] = 0;
    return length;
}

void drawFlash(const Sprite* sprite, Graphics* g, int32_t frame, int32_t x, int32_t y,
               int32_t anchor, float timer) {
    paintFrameEx(sprite, g, x, y, frame, 0, anchor, kTransformNone, 1.0f, 0.0f, kAnchorTopLeft,
                 flashAlpha(timer));
}

void drawFlashes(const Runner& runner, const Sprite* sprite, Graphics* g) {
    if (runner.nearMissActive) {
        if (runner.nearMissSide < 0)
            drawFlash(sprite, g, kHudFrameNearMissLeft, 0, 0, kAnchorLeft | kAnchorTop,
                      runner.nearMissTimer);
        else
            drawFlash(sprite, g, kHudFrameNearMissRight, kLogicalScreenWidth, 0,
                      kAnchorRight | kAnchorTop, runner.nearMissTimer);
    }
    if (runner.pickupFlashActive) {
        const int32_t frame = pickupFlashFrame(runner.pickupFlashKind);
        if (frame >= 0)
            drawFlash(sprite, g, frame, 0, kLogicalScreenHeight, kAnchorLeft | kAnchorBottom,
                      runner.pickupFlashTimer);
    }
}

void drawTexts(const Run* run, ForestScene* scene, Graphics* g) {
    const Sprite* font = g_menuSys ? menuFont(g_menuSys, kHudFontFile) : nullptr;
    if (!font) return;
    uint16_t* text = scene->textBuffer;
    const Runner& runner = run->runner;
    if (run->mode != kModePoints) {
        const int32_t n = writeDistanceText(text, kHudTextChars, runner.distance);
        drawChars(font, g, text, 0, n, 0, kHudTextY, 0, kAnchorLeft | kAnchorVCenter, -1);
        return;
    }
    const int32_t n = writePointsText(text, kHudTextChars, truncateToInt32(runner.score.total));
    drawChars(font, g, text, 0, n, kPointsRightX, kHudTextY, 0, kAnchorRight | kAnchorVCenter,
              -1);
    // The multiplier rounded to the nearest whole number; only 2 and 3 have a text.
    const float rounded = runner.score.multiplier + 0.5f;
    if (!(rounded >= 2.0f && rounded < 4.0f)) return;
    const int32_t multiplier = static_cast<int32_t>(rounded);
    int length = 0;
    const uint16_t* label =
        getText(multiplier == 2 ? kMultiplierTextX2 : kMultiplierTextX3, 0, &length);
    drawChars(font, g, label, 0, length, kMultiplierX, kHudTextY, 0,
              kAnchorLeft | kAnchorVCenter, -1);
}

}  // namespace

float flashAlpha(float timer) {
    const float v = timer / kFlashWindow;
    float alpha = 2.0f * v;
    if (alpha > 1.0f) alpha = 2.0f - alpha;
    if (!(alpha > 0.0f)) return 0.0f;
    return alpha < 1.0f ? alpha : 1.0f;
}

int32_t pickupFlashFrame(int32_t kind) {
    switch (kind) {
        case kFlashCoin: return kHudFrameCoin;
        case kFlashX2: return kHudFrameX2;
        case kFlashX3: return kHudFrameX3;
        case kFlashShrub: return kHudFrameShrub;
        default: return -1;
    }
}

int32_t writeGroupedNumber(uint16_t* out, int32_t capacity, uint64_t value, int32_t minWidth) {
    int32_t digits = 1;
    for (uint64_t v = value / 10; v; v /= 10) ++digits;
    int32_t width = digits + (digits - 1) / 3;
    if (width < minWidth) width = minWidth;
    if (width > capacity) return 0;
    // Positions counted from the right end, from 1: every fourth holds a separator.
    uint64_t rest = value;
    for (int32_t p = 1; p <= width; ++p) {
        uint16_t& c = out[width - p];
        if (rest == 0) {
            c = (p == 1) ? '0' : ' ';
        } else if (p % 4 == 0) {
            c = ',';
        } else {
            c = static_cast<uint16_t>('0' + rest % 10);
            rest /= 10;
        }
    }
    return width;
}

int32_t writeDistanceText(uint16_t* out, int32_t capacity, float distance) {
    double metres = std::floor(static_cast<double>(distance));
    if (!(metres > 0.0)) metres = 0.0;
    if (metres > kMaxShownDistance) metres = kMaxShownDistance;
    const int32_t n = writeGroupedNumber(out, capacity, static_cast<uint64_t>(metres),
                                         kDistanceFieldWidth);
    return appendAscii(out, n, capacity, "m");
}

int32_t writePointsText(uint16_t* out, int32_t capacity, int32_t points) {
    const uint64_t value = points > 0 ? static_cast<uint64_t>(points) : 0;
    const int32_t n = writeGroupedNumber(out, capacity, value, kPointsFieldWidth);
    return appendAscii(out, n, capacity, "pts");
}

void hudDraw(const Run* run, ForestScene* scene, Graphics* g) {
    if (!run || !scene || !g) return;
    if (scene->hudSprite) drawFlashes(run->runner, scene->hudSprite, g);
    if (run->state == kRunStateStart || run->state == kRunStateRunning) drawTexts(run, scene, g);
}
