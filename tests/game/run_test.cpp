// The run and the runner: the start, the steering from the tilt event, both speed models, the
// speed effects and the near-miss window across the crash.
#include <gtest/gtest.h>

#include <cmath>

#include "game_fixture.h"

using gametest::placeObstacle;
using gametest::placePickup;
using gametest::startBareRun;
using gametest::TestGame;

namespace {

// The runner alone for the given seconds in frames of 16 ms.
void runFor(Runner& runner, float seconds) {
    const int frames = static_cast<int>(std::lround(seconds / 0.016f));
    for (int i = 0; i < frames; ++i) runnerUpdate(&runner, nullptr, 0.016f);
}

Runner runningRunner(int32_t mode) {
    Runner r{};
    r.mode = mode;
    r.heading = {0.0f, 1.0f};
    runnerReset(&r);
    runnerSetState(&r, kRunnerRunning);
    return r;
}

TEST(RunStart, TheRunnerStandsHalfASecondWithoutMovingOrColliding) {
    TestGame game;
    gameFlowStartRun(&game.flow(), kModeDistance);
    ::Run& run = game.run();
    EXPECT_EQ(run.state, kRunStateStart);
    EXPECT_EQ(run.hud.state, kHudIdle);
    placeObstacle(run, 0, 0.0f, 0.5f, 0.5f);  // right where the runner stands
    int frames = 0;
    while (run.state == kRunStateStart && frames < 100) {
        game.runFrame(16);
        ++frames;
        EXPECT_FLOAT_EQ(run.runner.position.y, 0.0f);
    }
    EXPECT_EQ(frames, 32);  // 31 x 16 ms = 0.496 s; the 32nd frame passes 0.5 s
    EXPECT_EQ(run.runner.state, kRunnerRunning);
    EXPECT_EQ(run.hud.state, kHudSteering);
    game.runFrame(16);  // collisions are tested from now on
    EXPECT_EQ(run.state, kRunStateCrashed);
}

TEST(Steering, TheTiltEventSteersClampedToThirtyDegrees) {
    TestGame game;
    startBareRun(game, kModeDistance);
    ::Run& run = game.run();
    const float cases[][2] = {{90.0f, 30.0f}, {-45.0f, -30.0f}, {12.0f, 12.0f}};
    for (const auto& c : cases) {
        const uint32_t values[kEventValues] = {floatEventValue(c[0]), 0, 0, 0, 0, 0};
        gameControlsEmit(game.controls, kSteerEventId, false, values);
        game.runFrame(16);
        const float theta = (90.0f - c[1]) * 3.14159265f / 180.0f;  // positive turns to +x
        EXPECT_NEAR(run.runner.heading.x, std::cos(theta), 1e-6f) << c[0];
        EXPECT_NEAR(run.runner.heading.y, std::sin(theta), 1e-6f) << c[0];
        EXPECT_NEAR(run.camera.roll, c[1] * 3.14159265f / 180.0f, 1e-6f) << c[0];
    }
    runSteer(&run, std::nanf(""));  // a broken angle runs straight rather than nowhere
    EXPECT_FLOAT_EQ(run.runner.heading.y, 1.0f);
    // The pause button's event pauses the flow and takes the button away.
    gameControlsEmit(game.controls, kPauseEventId, true, nullptr);
    game.runFrame(16);
    EXPECT_EQ(game.flow().state, kFlowPaused);
    EXPECT_EQ(run.hud.state, kHudIdle);
    EXPECT_FALSE(game.controls->zones->zones[0].used);
}

TEST(SpeedModels, PointsModeSettlesAtSixteenWithoutOvershoot) {
    Runner r = runningRunner(kModePoints);
    float highest = 0.0f;
    for (int i = 0; i < 400; ++i) {
        runnerUpdate(&r, nullptr, 0.016f);
        highest = std::fmax(highest, r.speed);
    }
    EXPECT_FLOAT_EQ(r.speed, 16.0f);
    EXPECT_FLOAT_EQ(highest, 16.0f);
    EXPECT_NEAR(r.score.total, r.distance * 10.0f, r.distance * 1e-4f);  // 10 points a unit
}

TEST(SpeedModels, DistanceModeReachesFifteenInAboutOnePointSevenSecondsAndNeverStops) {
    Runner r = runningRunner(kModeDistance);
    float t = 0.0f;
    for (; r.speed < 15.0f && t < 5.0f; t += 0.016f) runnerUpdate(&r, nullptr, 0.016f);
    EXPECT_GT(t, 1.6f);
    EXPECT_LT(t, 1.8f);
    runFor(r, 10.0f);
    EXPECT_NEAR(r.speed, 20.0f, 0.2f);  // 10 s more at 0.5
    float before = r.speed;
    runFor(r, 60.0f);
    EXPECT_GT(r.speed, before + 6.0f);
    before = r.speed;
    runFor(r, 600.0f);
    EXPECT_GT(r.speed, before + 30.0f);  // past 40 it still gains 0.1 a second
    EXPECT_FLOAT_EQ(r.acceleration, 0.1f);
    EXPECT_FLOAT_EQ(distanceModeAcceleration(-3.0f), 15.0f);  // clamped at the table's ends
    EXPECT_FLOAT_EQ(distanceModeAcceleration(30.0f), 0.3f);
}

TEST(SpeedModels, AShrubBrakesToElevenPointTwoHoldsAndClimbsBack) {
    TestGame game;
    startBareRun(game, kModePoints);
    Runner& r = game.runner();
    r.speed = 16.0f;
    applyPickupEffect(&game.run(), placePickup(game.run(), kPickupShrub, 0, 0, 1.0f));
    EXPECT_EQ(g_runStats->counts[kCountShrubs], 1);
    runFor(r, 0.112f);  // 4.8 at 50 a second takes 0.096 s
    EXPECT_FLOAT_EQ(r.speed, 11.2f);
    runFor(r, 2.144f);  // 2.256 s in all
    EXPECT_FLOAT_EQ(r.speed, 11.2f);
    runFor(r, 0.096f);  // past 2.3 s: back towards 16 at 5 a second
    EXPECT_GT(r.speed, 11.2f);
    EXPECT_LT(r.speed, 11.6f);
    runFor(r, 1.0f);
    EXPECT_FLOAT_EQ(r.speed, 16.0f);

    // In distance mode a shrub takes a quarter off the speed once, and nothing else.
    TestGame distance;
    startBareRun(distance, kModeDistance);
    distance.runner().speed = 20.0f;
    applyPickupEffect(&distance.run(), placePickup(distance.run(), kPickupShrub, 0, 0, 1.0f));
    EXPECT_FLOAT_EQ(distance.runner().speed, 15.0f);
    EXPECT_FLOAT_EQ(distance.runner().effectTimer, 0.0f);
}

TEST(SpeedModels, ALaterEffectReplacesTheEarlierOne) {
    TestGame game;
    startBareRun(game, kModePoints);
    ::Run& run = game.run();
    applyPickupEffect(&run, placePickup(run, kPickupX2, 0.0f, 0.0f, 0.5f));
    runFor(run.runner, 1.0f);
    applyPickupEffect(&run, placePickup(run, kPickupX3, 0.0f, 0.0f, 0.5f));
    EXPECT_FLOAT_EQ(run.runner.score.multiplier, 3.0f);
    EXPECT_FLOAT_EQ(run.runner.targetSpeed, 28.8f);
    EXPECT_FLOAT_EQ(run.runner.acceleration, 10.0f);
    runFor(run.runner, 4.96f);  // the x3 timer still runs where the x2 one would have ended
    EXPECT_FLOAT_EQ(run.runner.score.multiplier, 3.0f);
    runFor(run.runner, 0.064f);
    EXPECT_FLOAT_EQ(run.runner.score.multiplier, 1.0f);
    EXPECT_FLOAT_EQ(run.runner.targetSpeed, 16.0f);
}

TEST(Crash, ANearMissRunningAtTheCrashIsStillCounted) {
    TestGame game;
    startBareRun(game, kModeDistance);
    ::Run& run = game.run();
    run.runner.speed = 10.0f;
    placeObstacle(run, 0, 0.95f, 0.5f, 0.5f);  // passed closely in the second frame
    placeObstacle(run, 3, 0.0f, 1.5f, 0.5f);   // straight ahead
    for (int i = 0; i < 100 && run.state == kRunStateRunning; ++i) game.runFrame(16);
    ASSERT_EQ(run.state, kRunStateCrashed);
    EXPECT_TRUE(run.runner.nearMissActive);
    EXPECT_EQ(g_runStats->crashKind, kCrashTree);
    EXPECT_FLOAT_EQ(g_runStats->distance, run.runner.distance);
    EXPECT_EQ(g_runStats->counts[kCountNearMisses], 0);
    EXPECT_TRUE(g_screenEffect->active);  // the crash zoom
    // The runner keeps updating after the crash: the window closes and counts.
    for (int i = 0; i < 40; ++i) game.runFrame(16);
    EXPECT_EQ(g_runStats->counts[kCountNearMisses], 1);
    EXPECT_EQ(run.runner.state, kRunnerStanding);  // up again 0.2 s after the crash
    // 0.9 s after the crash the flow goes to game over (the crash frame counted 16 ms).
    for (int i = 0; i < 15; ++i) game.runFrame(16);
    EXPECT_EQ(game.flow().state, kFlowInRun);
    game.runFrame(16);
    EXPECT_EQ(game.flow().state, kFlowGameOver);
}

}  // namespace
