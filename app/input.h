// Touch and accelerometer input: four touch slots fed by the device's mouse events (finger number
// in `which`), ten pointer records with a 200-point history that the game steers by, and the
// low-pass filtered three-axis accelerometer.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

constexpr int kTouchSlots = 4;
constexpr int kPointerRecords = 10;
constexpr int kPointerHistory = 200;

struct TouchSlot {
    int32_t x, y;                  // latest logical position
    int32_t stamp;                 // frame counter at the last accepted event
    int32_t pressX, pressY;        // logical position of the press
    int32_t finger;
    int32_t previousX, previousY;  // position before the latest accepted move
};

struct PointerPoint {
    int32_t x, y;
    uint32_t time;  // platform clock, ms
};

enum PointerPhase : int32_t { kPhasePressed = 0, kPhaseReleased = 1, kPhaseIdle = 2 };

struct PointerRecord {
    PointerPoint press;
    PointerPoint latest;
    int32_t down;   // 1 while the finger is on the screen
    int32_t phase;  // PointerPhase
    PointerPoint history[kPointerHistory];  // points since the press, oldest first
    int32_t historyCount;                   // 1..200 once pressed
};

struct InputState {
    TouchSlot slots[kTouchSlots];
    int32_t activeTouches;  // 0..4
    PointerRecord pointers[kPointerRecords];
    float rawX, rawY, rawZ;
    float filteredX, filteredY, filteredZ;
    uint32_t axisMask;  // bit 0 x, bit 1 y, bit 2 z reported at least once
};

extern InputState g_input;

// Sets every touch slot field to -1 and the count to 0 (start-up).
void resetTouchSlots();
void touchPress(const SDL_MouseButtonEvent& event, int32_t frame);
void touchMove(const SDL_MouseMotionEvent& event, int32_t frame);
void touchRelease(const SDL_MouseButtonEvent& event, int32_t frame);
void axisEvent(const SDL_JoyAxisEvent& event);
// Once per frame before the application update: filters and hands the values on.
void accelerometerStep();
void pointerDown(int finger, int x, int y);
void pointerMoved(int finger, int x, int y);
void pointerUp(int finger, int x, int y);
// After each game update: pressed/released phases become idle.
void advancePointerPhases();
