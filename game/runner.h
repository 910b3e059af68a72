// The runner: where it is, where it heads and how fast it goes. Distance mode accelerates for ever
// along a fixed table; points mode approaches a target speed that pickups change for a while. The
// runner also times the near-miss and pickup flashes that the HUD shows.
#pragma once

#include <cstdint>

#include "game/score.h"
#include "game/vec2.h"

struct RunStats;

enum RunnerState : int32_t { kRunnerStanding = 1, kRunnerRunning = 2, kRunnerCrashing = 3 };
enum CrashKind : int32_t { kCrashTree = 1, kCrashDeathMarker = 2 };
enum FlashKind : int32_t { kFlashCoin = 0, kFlashX2 = 1, kFlashX3 = 2, kFlashShrub = 3 };

constexpr float kBaseTargetSpeed = 16.0f;   // units/s, points mode without an effect
constexpr float kBaseAcceleration = 5.0f;   // units/s^2
constexpr float kCrashStandSeconds = 0.2f;  // crashing, then standing again
constexpr float kFlashSeconds = 0.5f;       // near-miss and pickup flash windows

struct Runner {
    int32_t state;           // RunnerState
    float timeInState;       // s
    int32_t mode;            // copy of the run's mode
    Vec2 position;
    Vec2 heading;            // unit vector of the running direction
    float speed;             // units/s
    Vec2 previousPosition;   // position at the start of this frame's update: the sweeps start here
    float acceleration;      // distance mode: units/s^2; points mode: rate towards the target
    float targetSpeed;       // units/s, points mode
    float effectTimer;       // s left of the points-mode speed effect; below 0 when none runs
    float distance;          // run in this run
    Score score;
    bool nearMissActive;
    int32_t nearMissSide;    // -1 obstacle on the left, +1 on the right
    float nearMissTimer;     // s
    bool pickupFlashActive;
    int32_t pickupFlashKind; // FlashKind
    float pickupFlashTimer;  // s
    int32_t crashKind;       // CrashKind of the last crash
};

// Target speed 16, acceleration 5, no effect, distance 0, score reset, flashes off.
void runnerReset(Runner* runner);
void runnerSetState(Runner* runner, int32_t state);
// One frame of t seconds: movement in state 2, the crash stand-still in state 3, the flash timers
// in every state. A near miss whose window ends is counted in stats (which may be null).
void runnerUpdate(Runner* runner, RunStats* stats, float t);

// Distance mode: the acceleration for a speed, by the clamped interpolation table (15 at rest down
// to 5 at 15; 0.5 up to 20; 0.5 at 20 down to 0.1 at 40 and beyond).
float distanceModeAcceleration(float speed);
// Points mode: speed moved towards target by step without passing it.
float approachSpeed(float speed, float target, float step);

// A points-mode effect replaces whatever effect runs: multiplier, rate, target and timer together.
void runnerStartEffect(Runner* runner, const SpeedEffect& effect);
void runnerStartPickupFlash(Runner* runner, int32_t kind);
// A near miss begins unless one is already running.
void runnerStartNearMiss(Runner* runner, int32_t side);
