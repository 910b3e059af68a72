// Runner movement, the two speed models and the flash timers.
#include "game/runner.h"

#include "game/game_mode.h"
#include "game/run_stats.h"

namespace {

// y0 + (y1 - y0) * (speed - x0) / (x1 - x0), held between y1 and y0 (y0 >= y1).
float interpolateClamped(float speed, float x0, float x1, float y0, float y1) {
    float v = y0 + (y1 - y0) * (speed - x0) / (x1 - x0);
    if (v > y0) v = y0;
    if (v < y1) v = y1;
    return v;
}

void moveAlongHeading(Runner* runner, float step) {
    runner->position.x += runner->heading.x * step;
    runner->position.y += runner->heading.y * step;
}

void moveDistanceMode(Runner* runner, float t) {
    const float step = runner->speed * t;  // the speed before this frame's change
    moveAlongHeading(runner, step);
    runner->distance += step;
    scoreAdd(&runner->score, runner->mode, kScoreDistance, step);
    runner->speed += runner->acceleration * t;
    runner->acceleration = distanceModeAcceleration(runner->speed);
}

void movePointsMode(Runner* runner, float t) {
    const float step = runner->speed * t;
    moveAlongHeading(runner, step);
    runner->speed = approachSpeed(runner->speed, runner->targetSpeed, runner->acceleration * t);
    runner->distance += step;
    scoreAdd(&runner->score, runner->mode, kScoreDistance, step);
    runner->effectTimer -= t;
    if (runner->effectTimer < 0.0f) {
        // Holds every frame once the effect has run out.
        runner->targetSpeed = kBaseTargetSpeed;
        runner->acceleration = kBaseAcceleration;
        runner->score.multiplier = 1.0f;
    }
}

}  // namespace

float distanceModeAcceleration(float speed) {
    if (speed < 15.0f) return interpolateClamped(speed, 0.0f, 15.0f, 15.0f, 5.0f);
    if (speed < 20.0f) return 0.5f;
    return interpolateClamped(speed, 20.0f, 40.0f, 0.5f, 0.1f);
}

float approachSpeed(float speed, float target, float step) {
    if (speed >= target) {
        speed -= step;
        if (speed < target) speed = target;
    } else {
        speed += step;
        if (speed > target) speed = target;
    }
    return speed;
}

void runnerReset(Runner* runner) {
    runner->targetSpeed = kBaseTargetSpeed;
    runner->acceleration = kBaseAcceleration;
    runner->effectTimer = 0.0f;
    runner->distance = 0.0f;
    scoreReset(&runner->score);
    runner->nearMissActive = false;
    runner->pickupFlashActive = false;
}

void runnerSetState(Runner* runner, int32_t state) {
    runner->state = state;
    runner->timeInState = 0.0f;
}

void runnerUpdate(Runner* runner, RunStats* stats, float t) {
    runner->previousPosition = runner->position;
    runner->timeInState += t;
    if (runner->state == kRunnerRunning) {
        if (runner->mode == kModeDistance)
            moveDistanceMode(runner, t);
        else
            movePointsMode(runner, t);
    } else if (runner->state == kRunnerCrashing) {
        if (runner->timeInState > kCrashStandSeconds) runnerSetState(runner, kRunnerStanding);
    }
    if (runner->nearMissActive) {
        runner->nearMissTimer += t;
        if (runner->nearMissTimer > kFlashSeconds) {
            runStatsCount(stats, kCountNearMisses, runner->distance);
            runner->nearMissActive = false;
        }
    }
    if (runner->pickupFlashActive) {
        runner->pickupFlashTimer += t;
        if (runner->pickupFlashTimer > kFlashSeconds) runner->pickupFlashActive = false;
    }
}

void runnerStartEffect(Runner* runner, const SpeedEffect& effect) {
    runner->score.multiplier = effect.multiplier;
    runner->acceleration = effect.rate;
    runner->targetSpeed = effect.targetSpeed;
    runner->effectTimer = effect.seconds;
}

void runnerStartPickupFlash(Runner* runner, int32_t kind) {
    runner->pickupFlashActive = true;
    runner->pickupFlashKind = kind;
    runner->pickupFlashTimer = 0.0f;
}

void runnerStartNearMiss(Runner* runner, int32_t side) {
    if (runner->nearMissActive) return;
    runner->nearMissActive = true;
    runner->nearMissSide = side;
    runner->nearMissTimer = 0.0f;
}
