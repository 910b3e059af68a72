// The run's states, its frame and the steering.
#include "game/run.h"

#include <cmath>

#include "game/game_controls.h"
#include "game/game_flow.h"
#include "game/records.h"
#include "game/run_stats.h"
#include "online/connect.h"

Run* g_run = nullptr;

namespace {

void enterStart(Run* run) {
    runStatsBeginRun(g_runStats, run->mode);
    Runner& r = run->runner;
    r.position = {0.0f, 0.0f};
    r.previousPosition = r.position;
    r.heading = {0.0f, 1.0f};
    r.speed = 0.0f;
    runnerReset(&r);
    // A retry may come before the runner stood up again after the crash.
    runnerSetState(&r, kRunnerStanding);
    runSteer(run, 0.0f);
    cameraFollow(&run->camera);
    // A run started from a menu is drawn before its first update: the camera must already
    // stand behind the runner, not where the last run ended.
    cameraUpdate(&run->camera, r.position);
    obstaclePoolEmpty(&run->obstacles);
    pickupPoolEmpty(&run->pickups);
    generatorReset(&run->generator);
    generatorStart(run);
    runHudSetState(&run->hud, kHudIdle);
}

void enterRunning(Run* run) {
    runnerSetState(&run->runner, kRunnerRunning);
    cameraFollow(&run->camera);
    runHudSetState(&run->hud, kHudSteering);
}

void enterCrashed(Run* run) {
    Runner& r = run->runner;
    const int32_t distance = truncateToInt32(r.distance);
    const int32_t points = truncateToInt32(r.score.total);
    usageTrackerGameEnd(distance, points, r.crashKind);
    if (g_runStats) runStatsEndRun(g_runStats, r.crashKind, r.distance, r.score);
    runRecordsAdd(&run->records, run->mode, r.distance);
    if (g_bestScores) bestScoresSet(g_bestScores, run->mode, points);
    if (g_gameFlow) gameFlowSaveNow(g_gameFlow);
    runnerSetState(&r, kRunnerCrashing);
    runHudSetState(&run->hud, kHudIdle);
    if (g_screenEffect) screenEffectStart(g_screenEffect, kEffectCrashZoom, true, kCrashZoomSeconds);
}

void readHud(Run* run) {
    GameControls* controls = run->hud.controls;
    if (!controls) return;
    if (run->hud.state == kHudSteering) {
        uint32_t values[kEventValues];
        if (gameControlsGetEvent(controls, kSteerEventId, values))
            runSteer(run, eventFloat(values[0]));
        if (gameControlsHasEvent(controls, kPauseEventId) && g_gameFlow)
            gameFlowPause(g_gameFlow, true);
    }
    gameControlsConsume(controls);
}

}  // namespace

void runStart(Run* run, int32_t mode) {
    run->mode = mode;
    run->runner.mode = mode;
    run->generator.mode = mode;
    runSetState(run, kRunStateStart);
}

void runSetState(Run* run, int32_t state) {
    switch (state) {
        case kRunStateStart: enterStart(run); break;
        case kRunStateRunning: enterRunning(run); break;
        case kRunStateCrashed: enterCrashed(run); break;
        default: break;
    }
    run->state = state;
    run->timeInState = 0.0f;
}

void runUpdate(Run* run, const FrameDelta& delta) {
    const float t = delta.seconds;
    readHud(run);
    runnerUpdate(&run->runner, g_runStats, t);
    obstaclesUpdate(run);
    pickupsUpdate(run, t);
    generatorUpdate(run);
    cameraUpdate(&run->camera, run->runner.position);
    if (run->state == kRunStateRunning) {
        collidePickups(run);
        collideObstacles(run);
    }
    run->timeInState += t;
    if (run->state == kRunStateStart && run->timeInState > kRunStartSeconds) {
        runSetState(run, kRunStateRunning);
    } else if (run->state == kRunStateCrashed && run->timeInState > kGameOverSeconds) {
        if (g_gameFlow) gameFlowSetState(g_gameFlow, kFlowGameOver);
    }
}

void runSteer(Run* run, float degrees) {
    if (!std::isfinite(degrees)) degrees = 0.0f;
    if (degrees > kMaxSteerDegrees) degrees = kMaxSteerDegrees;
    if (degrees < -kMaxSteerDegrees) degrees = -kMaxSteerDegrees;
    run->camera.roll = degrees * kRadiansPerDegree;
    const float theta = degrees * -kRadiansPerDegree + kHalfPi;
    run->runner.heading = {std::cos(theta), std::sin(theta)};
}

void runHudSetState(RunHud* hud, int32_t state) {
    hud->state = state;
    GameControls* controls = hud->controls;
    if (!controls) return;
    if (state == kHudIdle) {
        gameControlsReset(controls);
    } else if (state == kHudSteering) {
        gameControlsReset(controls);
        gameControlsEnableTilt(controls, kSteerEventId, kSteerRangeLow, kSteerRangeHigh);
        TouchZone* pause = gameControlsAddZone(controls, kPauseEventId, -1, -1);
        touchZoneSetRectangle(pause, kPauseButtonX, kPauseButtonY, kPauseButtonSize,
                              kPauseButtonSize);
        touchZoneSetImage(pause, kPauseButtonImage);
    }
}
