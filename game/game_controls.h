// GameControls: turns the raw input the application keeps (pointer records and the filtered
// accelerometer) into a short list of numbered input events each frame. Two sources feed it: up
// to 16 touch zones (rectangles or polygons, such as the pause button) and the tilt sensor, which
// turns the device's attitude into a steering angle. Created once by the application.
#pragma once

#include <cstdint>
#include <cstring>

class Graphics;
struct GameControls;
struct PointerRecord;

constexpr int32_t kMaxInputEvents = 64;
constexpr int32_t kMaxTouchZones = 16;
constexpr int32_t kMaxZoneVertices = 8;
constexpr int32_t kEventValues = 6;
constexpr int kKeyStates = 13;

// Polygon flips: bit 0 negates x, bit 1 negates y.
constexpr int32_t kFlipX = 1;
constexpr int32_t kFlipY = 2;

struct InputEvent {
    int32_t id;
    bool oneShot;                    // removed by a consume; others live until the next update
    uint32_t values[kEventValues];   // a to f; the tilt event holds a float in a
};

enum ZoneShape : int32_t { kZoneRectangle = 0, kZonePolygon = 1 };

struct ZoneVertex {
    int32_t x, y;
};

struct TouchZone {
    bool used;
    bool enabled;      // reacts to touches; a disabled zone draws as disabled
    int32_t pressed;   // 1 while held down
    int32_t centreX, centreY;  // logical screen pixels
    int32_t pressId;   // sent when a finger goes down inside; -1 for none
    int32_t heldId;    // sent every frame a finger stays down inside
    int32_t releaseId; // sent when a finger is lifted inside
    int32_t image;     // button image (0: the HUD's pause button)
    int32_t shape;     // ZoneShape
    int32_t left, top, right, bottom;  // rectangle, inclusive
    ZoneVertex vertices[kMaxZoneVertices];  // polygon corners, absolute
    int32_t vertexCount;
};

struct TouchZoneSet {
    GameControls* controls;
    TouchZone zones[kMaxTouchZones];
};

// One plane of the attitude: atan2f of two axes, and the sum of their squares.
struct TiltPlane {
    float angle;      // radians
    float magnitude;  // squared
};

struct TiltSensor {
    GameControls* controls;
    TiltPlane planes[3];       // y-z, z-x, x-y
    bool steeringEnabled;
    int32_t steeringEventId;
    float rangeHigh;           // scales the y-z tilt (the device lying flat)
    float rangeLow;            // scales the x-y roll (the device held upright)
    float referenceYZ;         // atan2f(0, -1)
    float referenceXY;         // atan2f(-1, 0)
};

struct GameControls {
    TouchZoneSet* zones;
    TiltSensor* tilt;
    InputEvent events[kMaxInputEvents];
    int32_t eventCount;  // 0..64
    bool clearPending;   // the events were consumed: the next update empties the list
};

extern GameControls* g_gameControls;
// The key-state table the controls could read; key events are never dispatched, so all stay up.
extern bool g_keyStates[kKeyStates];

// Allocates the controls and their parts, zeroed, and registers them globally.
GameControls* createGameControls();
void clearKeyStates();

// Once per frame before the session update: empties a consumed list, then the zones from the
// application's pointer records, then the tilt from its filtered accelerometer.
void gameControlsUpdate(GameControls* controls);
// The same two steps from given input (count pointer records; accelerometer x, y, z).
void gameControlsZoneUpdate(GameControls* controls, const PointerRecord* pointers, int count);
void gameControlsTiltUpdate(GameControls* controls, float x, float y, float z);

// Ids below 0 emit nothing. An event with the same id is overwritten; otherwise one is appended,
// and with all 64 in use the last entry is reused. values may be null (all 0).
void gameControlsEmit(GameControls* controls, int32_t id, bool oneShot, const uint32_t* values);
// Removes the one-shot events (each replaced by the last), then marks the list for clearing.
void gameControlsConsume(GameControls* controls);
bool gameControlsHasEvent(const GameControls* controls, int32_t id);
// As has event, copying the six values.
bool gameControlsGetEvent(const GameControls* controls, int32_t id, uint32_t out[kEventValues]);
// Empties all zones and turns the tilt steering off.
void gameControlsReset(GameControls* controls);

// Takes the first free zone slot, zeroed, used and enabled, with the three ids; null when all 16
// are taken, and the set-up calls below then do nothing.
TouchZone* gameControlsAddZone(GameControls* controls, int32_t pressId, int32_t heldId,
                               int32_t releaseId);
// Rectangle of w x h centred at (cx, cy): left = cx - (w >> 1), right = cx + (w >> 1), likewise
// top and bottom.
void touchZoneSetRectangle(TouchZone* zone, int32_t cx, int32_t cy, int32_t w, int32_t h);
// Rectangle from its corners; the centre is their midpoint.
void touchZoneSetCorners(TouchZone* zone, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Polygon of up to 8 points relative to (cx, cy), each mirrored by the flip bits; with exactly
// one flip the points are taken in reverse so that the winding stays the same.
void touchZoneSetPolygon(TouchZone* zone, int32_t cx, int32_t cy, int32_t count,
                         const ZoneVertex* points, int32_t flip);
void touchZoneSetImage(TouchZone* zone, int32_t image);
void touchZoneSetEnabled(TouchZone* zone, bool enabled);
void touchZoneSetCentre(TouchZone* zone, int32_t cx, int32_t cy);
// Rectangle: inside or on the edge. Polygon: on the inner side of every edge (n = 0: anywhere).
bool touchZoneContains(const TouchZone* zone, int32_t x, int32_t y);

// Stores the steering event and ranges, turns the steering on and takes the reference angles of
// the upright (gravity along -x) and flat (gravity along -z) attitudes.
void gameControlsEnableTilt(GameControls* controls, int32_t eventId, float rangeLow,
                            float rangeHigh);

// Draws each used zone's button image centred on it with the HUD sprite: frame 0 up, 1 held; a
// disabled zone has no frame. Only image 0 has frames.
void gameControlsDraw(const GameControls* controls, Graphics* g);

// The float an event carries in a value.
inline float eventFloat(uint32_t value) {
    float f;
    std::memcpy(&f, &value, sizeof f);
    return f;
}
inline uint32_t floatEventValue(float f) {
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    return v;
}
