// Input events, touch zones and the tilt sensor.
#include "game/game_controls.h"

#include <cmath>

#include "app/application.h"
#include "app/input.h"
#include "game/scene.h"
#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"

GameControls* g_gameControls = nullptr;
bool g_keyStates[kKeyStates];

namespace {

constexpr float kInversePi = 0.31831926f;
constexpr float kUprightWeightStart = 0.4f;  // m2 at or below this: the device lies flat
constexpr float kUprightWeightSpan = 0.1f;   // ... at or above 0.5: it is held upright
constexpr int32_t kNoFrame = -1;
// Frames of button image 0 in the HUD sprite, by zone look: up, held, disabled.
constexpr int32_t kPauseButtonFrames[3] = {0, 1, kNoFrame};

// The attitude difference in half-turns, wrapped to [-1, 1).
float halfTurns(float angle, float reference) {
    return std::fmod((angle - reference) * kInversePi + 1.0f + 2.0f, 2.0f) - 1.0f;
}

}  // namespace

GameControls* createGameControls() {
    GameControls* controls = new GameControls();
    controls->zones = new TouchZoneSet();
    controls->zones->controls = controls;
    controls->tilt = new TiltSensor();
    controls->tilt->controls = controls;
    g_gameControls = controls;
    return controls;
}

void clearKeyStates() {
    for (bool& k : g_keyStates) k = false;
}

void gameControlsUpdate(GameControls* controls) {
    if (controls->clearPending) {
        controls->eventCount = 0;
        controls->clearPending = false;
    }
    gameControlsZoneUpdate(controls, g_input.pointers, kPointerRecords);
    gameControlsTiltUpdate(controls, g_app.accelerometer[0], g_app.accelerometer[1],
                           g_app.accelerometer[2]);
}

void gameControlsZoneUpdate(GameControls* controls, const PointerRecord* pointers, int count) {
    TouchZone* zones = controls->zones->zones;
    for (int p = 0; p < count; ++p) {
        const PointerRecord& pointer = pointers[p];
        if (pointer.phase == kPhaseIdle && !pointer.down) continue;
        const int32_t x = pointer.latest.x, y = pointer.latest.y;
        for (int32_t z = 0; z < kMaxTouchZones; ++z) {
            TouchZone& zone = zones[z];
            if (!zone.used || !zone.enabled || !touchZoneContains(&zone, x, y)) continue;
            if (pointer.phase == kPhasePressed) {
                zone.pressed = 1;
                gameControlsEmit(controls, zone.pressId, true, nullptr);
            } else if (pointer.phase == kPhaseReleased) {
                zone.pressed = 0;
                gameControlsEmit(controls, zone.releaseId, true, nullptr);
            } else if (pointer.phase == kPhaseIdle && pointer.down) {
                // A finger that slid in from outside is held, never pressed.
                zone.pressed = 1;
                gameControlsEmit(controls, zone.heldId, false, nullptr);
            }
        }
    }
}

void gameControlsTiltUpdate(GameControls* controls, float x, float y, float z) {
    TiltSensor& tilt = *controls->tilt;
    tilt.planes[0] = {std::atan2(y, z), y * y + z * z};
    tilt.planes[1] = {std::atan2(z, x), z * z + x * x};
    tilt.planes[2] = {std::atan2(x, y), x * x + y * y};
    if (!tilt.steeringEnabled) return;
    const float a = halfTurns(tilt.planes[2].angle, tilt.referenceXY) * tilt.rangeLow;
    const float b = halfTurns(tilt.planes[0].angle, tilt.referenceYZ) * tilt.rangeHigh;
    float w = (tilt.planes[2].magnitude - kUprightWeightStart) / kUprightWeightSpan;
    if (w < 0.0f) w = 0.0f;
    if (w > 1.0f) w = 1.0f;
    const float angle = a * w + b * (1.0f - w);
    const uint32_t values[kEventValues] = {floatEventValue(angle), 0, 0, 0, 0, 0};
    gameControlsEmit(controls, tilt.steeringEventId, false, values);
}

void gameControlsEmit(GameControls* controls, int32_t id, bool oneShot, const uint32_t* values) {
    if (id < 0) return;
    InputEvent* event = nullptr;
    for (int32_t i = 0; i < controls->eventCount; ++i) {
        if (controls->events[i].id == id) {
            event = &controls->events[i];
            break;
        }
    }
    if (!event) {
        if (controls->eventCount < kMaxInputEvents)
            event = &controls->events[controls->eventCount++];
        else
            event = &controls->events[kMaxInputEvents - 1];
    }
    event->id = id;
    event->oneShot = oneShot;
    for (int32_t i = 0; i < kEventValues; ++i) event->values[i] = values ? values[i] : 0;
}

void gameControlsConsume(GameControls* controls) {
    int32_t i = 0;
    while (i < controls->eventCount) {
        if (controls->events[i].oneShot) {
            controls->events[i] = controls->events[controls->eventCount - 1];
            --controls->eventCount;
        } else {
            ++i;
        }
    }
    controls->clearPending = true;
}

bool gameControlsHasEvent(const GameControls* controls, int32_t id) {
    for (int32_t i = 0; i < controls->eventCount; ++i)
        if (controls->events[i].id == id) return true;
    return false;
}

bool gameControlsGetEvent(const GameControls* controls, int32_t id, uint32_t out[kEventValues]) {
    for (int32_t i = 0; i < controls->eventCount; ++i) {
        if (controls->events[i].id != id) continue;
        for (int32_t v = 0; v < kEventValues; ++v) out[v] = controls->events[i].values[v];
        return true;
    }
    return false;
}

void gameControlsReset(GameControls* controls) {
    for (TouchZone& zone : controls->zones->zones) zone = TouchZone{};
    controls->tilt->steeringEnabled = false;
}

TouchZone* gameControlsAddZone(GameControls* controls, int32_t pressId, int32_t heldId,
                               int32_t releaseId) {
    for (TouchZone& zone : controls->zones->zones) {
        if (zone.used) continue;
        zone = TouchZone{};
        zone.used = true;
        zone.enabled = true;
        zone.pressId = pressId;
        zone.heldId = heldId;
        zone.releaseId = releaseId;
        return &zone;
    }
    return nullptr;
}

void touchZoneSetRectangle(TouchZone* zone, int32_t cx, int32_t cy, int32_t w, int32_t h) {
    if (!zone) return;
    zone->shape = kZoneRectangle;
    zone->left = cx - (w >> 1);
    zone->right = cx + (w >> 1);
    zone->top = cy - (h >> 1);
    zone->bottom = cy + (h >> 1);
    zone->centreX = cx;
    zone->centreY = cy;
}

void touchZoneSetCorners(TouchZone* zone, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!zone) return;
    zone->shape = kZoneRectangle;
    zone->left = x0;
    zone->top = y0;
    zone->right = x1;
    zone->bottom = y1;
    zone->centreX = (x0 + x1) >> 1;
    zone->centreY = (y0 + y1) >> 1;
}

void touchZoneSetPolygon(TouchZone* zone, int32_t cx, int32_t cy, int32_t count,
                         const ZoneVertex* points, int32_t flip) {
    if (!zone) return;
    if (count < 0 || !points) count = 0;
    if (count > kMaxZoneVertices) count = kMaxZoneVertices;
    const bool reverse = ((flip & kFlipX) != 0) != ((flip & kFlipY) != 0);
    for (int32_t i = 0; i < count; ++i) {
        ZoneVertex p = points[reverse ? count - 1 - i : i];
        if (flip & kFlipX) p.x = -p.x;
        if (flip & kFlipY) p.y = -p.y;
        zone->vertices[i] = {p.x + cx, p.y + cy};
    }
    zone->vertexCount = count;
    zone->shape = kZonePolygon;
    zone->centreX = cx;
    zone->centreY = cy;
}

void touchZoneSetImage(TouchZone* zone, int32_t image) {
    if (zone) zone->image = image;
}

void touchZoneSetEnabled(TouchZone* zone, bool enabled) {
    if (zone) zone->enabled = enabled;
}

void touchZoneSetCentre(TouchZone* zone, int32_t cx, int32_t cy) {
    if (!zone) return;
    zone->centreX = cx;
    zone->centreY = cy;
}

bool touchZoneContains(const TouchZone* zone, int32_t x, int32_t y) {
    if (zone->shape == kZoneRectangle)
        return zone->left <= x && x <= zone->right && zone->top <= y && y <= zone->bottom;
    const int32_t n = zone->vertexCount;
    for (int32_t i = 0; i < n; ++i) {
        const ZoneVertex& a = zone->vertices[i];
        const ZoneVertex& b = zone->vertices[(i + 1) % n];
        // 64-bit products: the corners and the pointer may lie anywhere in int32.
        const int64_t side = (static_cast<int64_t>(y) - a.y) * (static_cast<int64_t>(b.x) - a.x) -
                             (static_cast<int64_t>(x) - a.x) * (static_cast<int64_t>(b.y) - a.y);
        if (side < 0) return false;
    }
    return true;
}

void gameControlsEnableTilt(GameControls* controls, int32_t eventId, float rangeLow,
                            float rangeHigh) {
    TiltSensor& tilt = *controls->tilt;
    tilt.steeringEventId = eventId;
    tilt.rangeLow = rangeLow;
    tilt.rangeHigh = rangeHigh;
    tilt.steeringEnabled = true;
    tilt.referenceXY = std::atan2(-1.0f, 0.0f);
    tilt.referenceYZ = std::atan2(0.0f, -1.0f);
}

void gameControlsDraw(const GameControls* controls, Graphics* g) {
    const Sprite* hud = g_forestScene ? g_forestScene->hudSprite : nullptr;
    if (!hud || !g) return;
    for (const TouchZone& zone : controls->zones->zones) {
        if (!zone.used || zone.image != 0) continue;
        const int32_t look = !zone.enabled ? 2 : (zone.pressed ? 1 : 0);
        const int32_t frame = kPauseButtonFrames[look];
        if (frame == kNoFrame) continue;
        paintFrame(hud, g, zone.centreX, zone.centreY, frame, 0, kAnchorCenter, kTransformNone);
    }
}
