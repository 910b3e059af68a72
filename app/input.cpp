// Touch slots, pointer records and the accelerometer filter.
#include "app/input.h"

#include <cstring>

#include "app/application.h"
#include "menu/pointer_events.h"
#include "platform/platform.h"

InputState g_input;

namespace {

void mapPoint(int rx, int ry, int32_t* x, int32_t* y) {
    const AppState& app = g_app;
    *x = ry;
    if (!std::strcmp(app.deviceName, "pixi") && app.screenHeight > 0)
        *x = ry * 480 / app.screenHeight;
    *y = app.screenWidth - rx - 1;
}

void removeSlot(int finger) {
    if (g_input.activeTouches <= 0) return;
    --g_input.activeTouches;
    for (int i = finger; i < g_input.activeTouches && i + 1 < kTouchSlots; ++i)
        g_input.slots[i] = g_input.slots[i + 1];
}

void appendPoint(PointerRecord& p, int x, int y) {
    p.latest = {x, y, platform::ticks()};
    if (p.historyCount > kPointerHistory - 1) p.historyCount = kPointerHistory - 1;
    p.history[p.historyCount] = p.latest;
    ++p.historyCount;
}

}  // namespace

void resetTouchSlots() {
    std::memset(g_input.slots, 0xFF, sizeof g_input.slots);  // every field -1
    g_input.activeTouches = 0;
}

void touchPress(const SDL_MouseButtonEvent& event, int32_t frame) {
    int finger = event.which;
    if (finger >= kTouchSlots || g_input.activeTouches == kTouchSlots) return;
    TouchSlot& s = g_input.slots[finger];
    int32_t x, y;
    mapPoint(event.x, event.y, &x, &y);
    s.x = s.pressX = s.previousX = x;
    s.y = s.pressY = s.previousY = y;
    s.stamp = frame;
    s.finger = finger;
    pointerDown(finger, x, y);
    ++g_input.activeTouches;
}

void touchMove(const SDL_MouseMotionEvent& event, int32_t frame) {
    int finger = event.which;
    if (finger > 2) return;
    TouchSlot& s = g_input.slots[finger];
    if (s.stamp == frame) return;  // one move per finger per frame
    mapPoint(event.x, event.y, &s.x, &s.y);
    s.stamp = frame;
    pointerMoved(finger, s.x, s.y);
    s.previousX = s.x;
    s.previousY = s.y;
    if (g_app.screenId == kScreenGameSession) {
        // Near the edge of the device the finger is let go (the bands use the portrait size).
        const int w = g_app.screenWidth, h = g_app.screenHeight;
        if (s.x <= 10 || s.x >= w - 10 || s.y <= 10 || s.y >= h - 10) {
            pointerUp(finger, s.x, s.y);
            removeSlot(finger);
        }
    }
}

void touchRelease(const SDL_MouseButtonEvent& event, int32_t) {
    int finger = event.which;
    if (finger >= kTouchSlots) return;
    const TouchSlot& s = g_input.slots[finger];
    pointerUp(s.finger, s.x, s.y);
    removeSlot(finger);
}

void axisEvent(const SDL_JoyAxisEvent& event) {
    float v = static_cast<float>(event.value);
    switch (event.axis) {
    case 0: g_input.rawX = v / 32768.0f; g_input.axisMask |= 1; break;
    case 1: g_input.rawY = -v / 32768.0f; g_input.axisMask |= 2; break;
    case 2: g_input.rawZ = v / 32768.0f; g_input.axisMask |= 4; break;
    default: break;
    }
}

void accelerometerStep() {
    if (g_input.axisMask != 7) return;
    g_input.filteredX = 0.25f * g_input.rawX + 0.75f * g_input.filteredX;
    g_input.filteredY = 0.25f * g_input.rawY + 0.75f * g_input.filteredY;
    g_input.filteredZ = 0.25f * g_input.rawZ + 0.75f * g_input.filteredZ;
    applicationSetAccelerometer(g_input.filteredX, g_input.filteredY, g_input.filteredZ);
}

void pointerDown(int finger, int x, int y) {
    if (finger < 0 || finger >= kPointerRecords) return;
    PointerRecord& p = g_input.pointers[finger];
    p.press = p.latest = {x, y, platform::ticks()};
    p.history[0] = p.press;
    p.historyCount = 1;
    p.down = 1;
    p.phase = kPhasePressed;
    if (finger == 0) {
        moreGamesPointerPress(x, y);
        menuPointerPress(x, y);
    }
}

void pointerMoved(int finger, int x, int y) {
    if (finger < 0 || finger >= kPointerRecords) return;
    PointerRecord& p = g_input.pointers[finger];
    appendPoint(p, x, y);
    p.down = 1;
    if (finger == 0) {
        moreGamesPointerDrag(x, y);
        menuPointerMove(x, y);
    }
}

void pointerUp(int finger, int x, int y) {
    if (finger < 0 || finger >= kPointerRecords) return;
    PointerRecord& p = g_input.pointers[finger];
    appendPoint(p, x, y);
    p.down = 0;
    p.phase = kPhaseReleased;
    if (finger == 0) {
        menuPointerRelease(x, y);
        moreGamesPointerRelease(x, y);
    }
}

void advancePointerPhases() {
    for (PointerRecord& p : g_input.pointers) {
        if (p.phase == kPhasePressed || p.phase == kPhaseReleased) p.phase = kPhaseIdle;
    }
}
