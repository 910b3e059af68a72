// The cross-promotion data and screen: reading the key/value list, the snapping icon list in
// 16.16 fixed point, the description panel and the two buttons.
#include "menu/more_games.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx2d/graphics.h"
#include "storage/kv_text.h"

namespace {

MoreGamesData g_data{};
MoreGamesScreen g_screen{};
Sprite* g_largeFont = nullptr;
Sprite* g_smallFont = nullptr;
const char kEmpty[] = "";

enum TextSlot : int32_t { kSlotTitle = 0, kSlotBack = 1, kFirstGameSlot = 2 };

// Frames of "/mgcomponents.spr".
constexpr int32_t kFrameBackPressed = 0, kFrameBack = 1, kFrameNoIcon = 3, kFrameGet = 6;
constexpr int32_t kFrameIconShadow = 10, kFrameShotBorder = 11;
constexpr int32_t kFrameColumnTop = 14, kFrameColumnMiddle = 15, kFrameColumnBottom = 16;
constexpr int32_t kPanelPadding = 10;  // px inside the right panel
constexpr int32_t kShotGap = 8;        // px between the two screenshots

const char* slotText(int32_t slot) {
    const char* s = g_data.strings[slot];
    return s ? s : kEmpty;
}

int32_t floorDiv(int32_t a, int32_t b) {
    int32_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int32_t itemAt(int32_t position, int32_t pitch) {
    return floorDiv((position >> 16) + pitch / 2, pitch);
}

int32_t clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool hasLink(int32_t game) {
    return game >= 0 && game < g_data.count && g_data.games[game].link[0] != 0;
}

void finish() {
    g_screen.active = false;
    g_screen.finished = true;
}

void touchAt(int x, int y) {
    MoreGamesScreen& s = g_screen;
    if (!s.active) return;
    if (s.failure != kMoreGamesOk) {
        s.result = 0;
        return;
    }
    if (s.dragging) {
        s.latestY = y;
        s.latestMs = s.clockMs;
        return;
    }
    if (s.pressed >= 0) return;
    if (x >= s.areaX && x < s.areaX + s.areaWidth && y >= s.areaY && y < s.areaY + s.areaHeight) {
        s.dragging = true;
        s.dragStartPosition = s.position;
        s.dragStartY = s.latestY = y;
        s.dragStartMs = s.latestMs = s.clockMs;
        s.velocity = 0;
        return;
    }
    for (int32_t i = 0; i < 2; ++i) {
        const FlowButton& b = s.buttons[i];
        if (b.shown && x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) {
            s.pressed = i;
            return;
        }
    }
}

}  // namespace

void openPlatformLink(const char*) {}

bool loadMoreGames() {
    unloadMoreGames();
    g_data.components = loadSprite(kMoreGamesComponents);
    g_data.title = g_data.backText = kEmpty;
    bindMoreGamesStrings(g_data.strings, kMoreGamesTextSlots);
    if (!loadText(kMoreGamesFile)) {
        bindMoreGamesStrings(nullptr, 0);
        return false;
    }
    int32_t count = textInteger("mg_numgames");
    if (count > kMaxMoreGames) count = kMaxMoreGames;
    if (count < 0) count = 0;
    g_data.count = count;
    textString("mg_text_title_en", kSlotTitle);
    textString("mg_text_back_en", kSlotBack);
    char key[64];
    char value[kTextFieldBytes];
    for (int32_t i = 0; i < count; ++i) {
        MoreGame& game = g_data.games[i];
        std::snprintf(key, sizeof key, "mg_game%d_icon", static_cast<int>(i));
        textValue(key, value);
        game.icon = value[0] ? loadSprite(value) : nullptr;
        const int32_t slot = kFirstGameSlot + 3 * i;
        std::snprintf(key, sizeof key, "mg_game%d_name_en", static_cast<int>(i));
        textString(key, slot);
        std::snprintf(key, sizeof key, "mg_game%d_description_en", static_cast<int>(i));
        textString(key, slot + 1);
        std::snprintf(key, sizeof key, "mg_game%d_link", static_cast<int>(i));
        textString(key, slot + 2);
        std::snprintf(key, sizeof key, "mg_game%d_numscreens", static_cast<int>(i));
        game.screenCount = textInteger(key);
        const int32_t shots = game.screenCount < kMaxMoreGamesShots ? game.screenCount
                                                                    : kMaxMoreGamesShots;
        for (int32_t j = 0; j < shots; ++j) {
            std::snprintf(key, sizeof key, "mg_game%d_screen%d", static_cast<int>(i),
                          static_cast<int>(j));
            textValue(key, value);
            game.screens[j] = value[0] ? loadSprite(value) : nullptr;
        }
    }
    unloadText();
    bindMoreGamesStrings(nullptr, 0);
    g_data.title = slotText(kSlotTitle);
    g_data.backText = slotText(kSlotBack);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t slot = kFirstGameSlot + 3 * i;
        g_data.games[i].name = slotText(slot);
        g_data.games[i].description = slotText(slot + 1);
        g_data.games[i].link = slotText(slot + 2);
    }
    return true;
}

void unloadMoreGames() {
    for (int32_t i = 0; i < kMaxMoreGames; ++i) {
        destroySprite(g_data.games[i].icon);
        for (Sprite* shot : g_data.games[i].screens) destroySprite(shot);
    }
    destroySprite(g_data.components);
    for (char*& s : g_data.strings) {
        delete[] s;  // textString makes its copies with new[]
        s = nullptr;
    }
    g_data = MoreGamesData{};
    g_data.title = g_data.backText = kEmpty;
}

const MoreGamesData* moreGamesData() { return &g_data; }
const MoreGamesScreen* moreGamesScreen() { return &g_screen; }

void moreGamesSetFonts(Sprite* large, Sprite* small) {
    g_largeFont = large;
    g_smallFont = small;
}

void moreGamesStart() {
    MoreGamesScreen& s = g_screen;
    const int32_t clock = s.clockMs;
    const int32_t requests = s.linkRequests;
    s = MoreGamesScreen{};
    s.clockMs = clock;
    s.linkRequests = requests;
    s.startMs = s.lastUpdateMs = clock;
    s.pressed = s.result = -1;
    s.iconWidth = s.iconHeight = kDefaultIconSize;
    if (g_data.count > 0 && g_data.games[0].icon) {
        s.iconWidth = frameWidth(g_data.games[0].icon, 0);
        s.iconHeight = frameHeight(g_data.games[0].icon, 0);
        if (s.iconHeight < 1) s.iconHeight = kDefaultIconSize;
    }
    if (!g_data.components) s.failure = kMoreGamesNoComponents;
    else if (!g_largeFont) s.failure = kMoreGamesNoLargeFont;
    else if (!g_smallFont) s.failure = kMoreGamesNoSmallFont;
    if (s.failure == kMoreGamesOk) {
        s.titleHeight = lineHeight(g_largeFont) + 2;
        s.pitch = s.iconHeight * 9 / 8;
        if (s.pitch < 1) s.pitch = 1;
        s.areaX = 0;
        s.areaY = s.titleHeight;
        s.areaWidth = s.iconWidth * 14 / 8;
        s.areaHeight = kLogicalScreenHeight - s.titleHeight;
        FlowButton& back = s.buttons[0];
        back.width = frameWidth(g_data.components, kFrameBack);
        back.height = frameHeight(g_data.components, kFrameBack);
        back.normalFrame = kFrameBack;
        back.pressedFrame = kFrameBackPressed;
        back.textIndex = 1;
        back.x = 8;
        back.y = (s.titleHeight - back.height) / 2;
        back.shown = 1;
        FlowButton& get = s.buttons[1];
        get.width = frameWidth(g_data.components, kFrameGet);
        get.height = frameHeight(g_data.components, kFrameGet);
        get.normalFrame = get.pressedFrame = kFrameGet;
        get.textIndex = -1;
        get.x = 456 - get.width;
        get.y = 296 - get.height;
        get.shown = hasLink(0) ? 1 : 0;
    }
    s.active = true;
}

bool moreGamesFinished() { return g_screen.finished && !g_screen.active; }

void moreGamesScrollStep(MoreGamesScreen* s, int32_t count, int32_t dt) {
    const int32_t pitch = s->pitch > 0 ? s->pitch : 1;
    const int32_t half = pitch / 2;
    if (s->dragging) {
        s->position = clamp32(static_cast<int64_t>(s->dragStartPosition) -
                              static_cast<int64_t>(s->latestY - s->dragStartY) * 65536);
    } else {
        const int32_t before = itemAt(s->position, pitch);
        int32_t offset = ((s->position >> 16) + half) % pitch;
        if (offset < 0) offset += pitch;
        const int32_t push = offset < half ? -kScrollPush : (offset > half ? kScrollPush : 0);
        // 64-bit steps: a fast fling times 60 would not fit 32 bits.
        int64_t v = s->velocity + static_cast<int64_t>(dt) * push / 33;
        v = v * 60 / 64;
        s->position = clamp32(s->position - static_cast<int64_t>(dt) * v / 33);
        if (itemAt(s->position, pitch) != before) {
            v = v * 16 / 64;
            if (v > -0x10000 && v < 0x10000) {
                v = 0;
                const int64_t step = static_cast<int64_t>(pitch) << 16;
                int64_t p = s->position;
                int64_t n = (p >= 0 ? p + step / 2 : p - step / 2) / step;
                s->position = clamp32(n * step);
            }
        }
        s->velocity = clamp32(v);
    }
    const int64_t low = -(static_cast<int64_t>(half) << 16);
    if (static_cast<int64_t>(s->position) + (static_cast<int64_t>(half) << 16) < 0) {
        s->position = clamp32(low);
        if (s->velocity > 0) s->velocity = 0;
    }
    const int64_t end = static_cast<int64_t>(pitch) * count;
    if ((static_cast<int64_t>(s->position) >> 16) + half >= end) {
        s->position = clamp32((end - half) * 65536 - 1);
        if (s->velocity < 0) s->velocity = 0;
    }
    int32_t item = itemAt(s->position, pitch);
    if (item > count - 1) item = count - 1;
    if (item < 0) item = 0;
    s->current = item;
}

void moreGamesUpdate(int32_t milliseconds) {
    MoreGamesScreen& s = g_screen;
    if (milliseconds > 0) s.clockMs += milliseconds;
    if (!s.active) return;
    int32_t dt = s.clockMs - s.lastUpdateMs;
    if (dt > kMaxFrameStepMs) dt = kMaxFrameStepMs;
    s.lastUpdateMs = s.clockMs;
    if (s.failure != kMoreGamesOk) {
        if (s.result >= 0) finish();
        return;
    }
    moreGamesScrollStep(&s, g_data.count, dt);
    s.buttons[1].shown = hasLink(s.current) ? 1 : 0;
    if (s.result == 0) {
        finish();
    } else if (s.result == 1) {
        // Asked once per press of the get button.
        if (hasLink(s.current)) {
            openPlatformLink(g_data.games[s.current].link);
            ++s.linkRequests;
        }
        s.result = -1;
    }
}

void moreGamesPointerPress(int x, int y) { touchAt(x, y); }
void moreGamesPointerDrag(int x, int y) { touchAt(x, y); }

void moreGamesPointerRelease(int, int) {
    MoreGamesScreen& s = g_screen;
    if (!s.active) return;
    if (s.pressed >= 0) {
        s.result = s.pressed;
        s.pressed = -1;
    }
    if (s.dragging) {
        s.dragging = false;
        const int32_t elapsed = s.latestMs - s.dragStartMs;
        if (elapsed > 0)
            s.velocity = clamp32(1000000LL * (s.latestY - s.dragStartY) / elapsed);
    }
}

void moreGamesDraw(Graphics* g) {
    const MoreGamesScreen& s = g_screen;
    if (!g || !s.active) return;
    const uint32_t saved = g->color();
    g->setColor(0xFF0B1424u);
    g->fillRect(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    g->setColor(saved);
    if (s.failure != kMoreGamesOk) {
        if (g_largeFont) drawString(g_largeFont, g, "...", 240, 160, kAnchorCenter);
        return;
    }
    Sprite* parts = g_data.components;

    // The icon list, clipped to its area.
    g->setClip(s.areaX, s.areaY, s.areaWidth, s.areaHeight);
    const int32_t centreX = s.areaX + s.areaWidth / 2;
    const int32_t centreY = s.areaY + s.areaHeight / 2;
    const float scrolled = static_cast<float>(s.position) / 65536.0f;
    for (int32_t i = 0; i < g_data.count; ++i) {
        const float along = static_cast<float>(i * s.pitch) - scrolled;
        const float d = std::fabs(along) / static_cast<float>(s.pitch);
        float scale = 1.0f - 0.1f * d;
        float alpha = 1.0f - 0.35f * d;
        if (scale <= 0.0f || alpha <= 0.0f) continue;
        const int32_t x = centreX + static_cast<int32_t>(140.0f * std::sin(0.1f * d));
        const int32_t y = centreY + static_cast<int32_t>(along);
        paintFrameEx(parts, g, x + 2, y + 2, kFrameIconShadow, 0, kAnchorCenter, 0, scale, 0.0f,
                     kAnchorCenter, alpha);
        const Sprite* icon = g_data.games[i].icon;
        if (icon)
            paintFrameEx(icon, g, x, y, 0, 0, kAnchorCenter, 0, scale, 0.0f, kAnchorCenter, alpha);
        else
            paintFrameEx(parts, g, x, y, kFrameNoIcon, 0, kAnchorCenter, 0, scale, 0.0f,
                         kAnchorCenter, alpha);
    }
    g->setClip(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);

    drawString(g_largeFont, g, g_data.title, 240, 1, kAnchorTop | kAnchorHCenter);

    // The right panel: the chosen game's name, two screenshots, the description.
    const int32_t panelX = 468 - frameWidth(parts, kFrameColumnTop);
    const int32_t panelWidth = frameWidth(parts, kFrameColumnTop);
    drawColumn(parts, g, panelX, s.titleHeight, 308 - s.titleHeight, kFrameColumnTop,
               kFrameColumnMiddle, kFrameColumnBottom);
    if (g_data.count > 0) {
        const MoreGame& game = g_data.games[s.current];
        const int32_t left = panelX + kPanelPadding;
        int32_t y = s.titleHeight + kPanelPadding;
        y += drawString(g_largeFont, g, game.name, left, y, kAnchorTopLeft);
        const int32_t shotWidth = frameWidth(parts, kFrameShotBorder) - 7;
        int32_t shotHeight = 0;
        int32_t shotX = left + 4;
        const int32_t shots = game.screenCount < 2 ? game.screenCount : 2;
        for (int32_t j = 0; j < shots; ++j) {
            const Sprite* shot = game.screens[j];
            // The border sits 4 pixels up and left of its screenshot.
            paintFrame(parts, g, shotX - 4, y, kFrameShotBorder, 0, kAnchorTopLeft, 0);
            const int32_t w = shot ? frameWidth(shot, 0) : 0;
            if (shot && w > 0 && shotWidth > 0) {
                const float scale = static_cast<float>(shotWidth) / static_cast<float>(w);
                paintFrameEx(shot, g, shotX, y + 4, 0, 0, kAnchorTopLeft, 0, scale, 0.0f,
                             kAnchorTopLeft, 1.0f);
                const int32_t h = static_cast<int32_t>(static_cast<float>(frameHeight(shot, 0)) *
                                                       scale);
                if (h > shotHeight) shotHeight = h;
            }
            shotX += shotWidth + kShotGap;
        }
        if (shots > 0) {
            const int32_t border = frameHeight(parts, kFrameShotBorder);
            y += 4 + (shotHeight > border ? shotHeight : border) + kPanelPadding;
        }
        const bool link = s.buttons[1].shown != 0;
        drawWrapped(g_smallFont, g, game.description, left, y, panelWidth - 2 * kPanelPadding,
                    link ? 1 : -1, s.buttons, 2);
    }
    for (int32_t i = 0; i < 2; ++i) {
        const FlowButton& b = s.buttons[i];
        if (!b.shown) continue;
        paintFrame(parts, g, b.x, b.y, s.pressed == i ? b.pressedFrame : b.normalFrame, 0,
                   kAnchorTopLeft, 0);
        if (b.textIndex == 1)
            drawString(g_smallFont, g, g_data.backText, b.x + b.width / 2, b.y + b.height / 2,
                       kAnchorCenter);
    }
}
