// GameControls: turns pointer records and the filtered accelerometer into the game's input
// events (touch zones and the tilt steering angle). Created once by the application.
#pragma once

#include <cstdint>

constexpr int kKeyStates = 13;

struct GameControls {
    int32_t eventCount;  // events in this frame's list
};

extern GameControls* g_gameControls;
// The key-state table GameControls reads; key events are never dispatched, so all stay up.
extern bool g_keyStates[kKeyStates];

GameControls* createGameControls();
void gameControlsUpdate(GameControls* controls);
void clearKeyStates();
