// A run: one attempt from standing at the origin to the crash. Its three states, the fixed order of
// a frame (HUD input and steering, runner, passing, pickups, generation, camera, collisions,
// timer), the steering from the tilt event, and the HUD's two control states.
#pragma once

#include <cstdint>

#include "game/forest.h"
#include "game/frame_delta.h"
#include "game/records.h"
#include "game/runner.h"
#include "game/scene.h"

struct GameControls;

enum RunStateNumber : int32_t { kRunStateStart = 1, kRunStateRunning = 2, kRunStateCrashed = 3 };
enum HudState : int32_t { kHudIdle = 1, kHudSteering = 2 };

constexpr float kRunStartSeconds = 0.5f;  // standing before the runner sets off
constexpr float kGameOverSeconds = 0.9f;  // from the crash to the game-over screen
constexpr float kCrashZoomSeconds = 0.9f;
constexpr float kMaxSteerDegrees = 30.0f;
constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kHalfPi = 1.5707964f;

// Control events the run reads, and the pause button's zone.
constexpr int32_t kSteerEventId = 0;
constexpr int32_t kPauseEventId = 2;
constexpr float kSteerRangeLow = -180.0f;
constexpr float kSteerRangeHigh = 180.0f;
constexpr int32_t kPauseButtonX = 460, kPauseButtonY = 20;  // centre, logical pixels
constexpr int32_t kPauseButtonSize = 40;
constexpr int32_t kPauseButtonImage = 0;

struct RunHud {
    int32_t state;           // HudState
    GameControls* controls;  // the application's controls
};

struct Run {
    int32_t state;      // RunStateNumber
    float timeInState;  // s
    int32_t mode;       // GameMode
    Runner runner;
    RunCamera camera;
    ForestGenerator generator;
    ObstaclePool obstacles;
    RunHud hud;
    PickupPool pickups;
    RunRecords records;
};

extern Run* g_run;

// From the session's start run: the mode goes to the run, the runner and the generator; state 1.
void runStart(Run* run, int32_t mode);
// The enter action of n runs first (it still sees the old state), then state = n, timer 0.
void runSetState(Run* run, int32_t state);
// One frame while the flow is in its run state.
void runUpdate(Run* run, const FrameDelta& delta);
// Clamps to +-30 degrees (a non-finite angle steers straight), rolls the camera and turns the
// runner: 0 runs along +y, positive angles turn towards +x.
void runSteer(Run* run, float degrees);
// 1: controls reset. 2: controls reset, tilt steering on, the pause button added.
void runHudSetState(RunHud* hud, int32_t state);
