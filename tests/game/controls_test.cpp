// The game controls: the event list, touch zones of both shapes fed by pointer records, and the
// tilt sensor's steering angle.
#include <gtest/gtest.h>

#include <cmath>

#include "app/input.h"
#include "game/game_controls.h"

namespace {

constexpr float kPi = 3.14159265f;

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        savedControls_ = g_gameControls;
        savedInput_ = g_input;
        g_input = InputState{};
        for (PointerRecord& p : g_input.pointers) p.phase = kPhaseIdle;
        controls_ = createGameControls();
    }
    void TearDown() override {
        delete controls_->zones;
        delete controls_->tilt;
        delete controls_;
        g_gameControls = savedControls_;
        g_input = savedInput_;
    }
    // Finger 0 in a phase at (x, y), then the controls' update; the events it left.
    int finger(int32_t phase, int x, int y, bool down) {
        PointerRecord& p = g_input.pointers[0];
        p.phase = phase;
        p.down = down ? 1 : 0;
        p.latest = {x, y, 0};
        gameControlsUpdate(controls_);
        return controls_->eventCount;
    }
    // The run reads and consumes; the next update starts from an empty list.
    void nextFrame() { gameControlsConsume(controls_); }
    float steeringAngle() {
        uint32_t values[kEventValues] = {};
        EXPECT_TRUE(gameControlsGetEvent(controls_, 0, values));
        return eventFloat(values[0]);
    }

    GameControls* controls_ = nullptr;
    GameControls* savedControls_ = nullptr;
    InputState savedInput_;
};

TEST_F(Controls, APressOnTheRectangleEdgeIsInside) {
    TouchZone* zone = gameControlsAddZone(controls_, 2, -1, -1);
    touchZoneSetRectangle(zone, 460, 20, 40, 40);  // 440..480 x 0..40, edges included
    for (auto p : {std::pair{440, 20}, {480, 20}, {460, 0}, {460, 40}, {440, 40}})
        EXPECT_TRUE(touchZoneContains(zone, p.first, p.second)) << p.first << "," << p.second;
    for (auto p : {std::pair{439, 20}, {481, 20}, {460, -1}, {460, 41}})
        EXPECT_FALSE(touchZoneContains(zone, p.first, p.second)) << p.first << "," << p.second;
    EXPECT_EQ(finger(kPhasePressed, 440, 40, true), 1);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 2));
    EXPECT_EQ(zone->pressed, 1);
}

TEST_F(Controls, PressHoldAndReleaseInsideSendTheirIdsButSlidingOnSendsNoPress) {
    TouchZone* zone = gameControlsAddZone(controls_, 5, 6, 7);
    touchZoneSetCorners(zone, 100, 100, 200, 150);
    EXPECT_EQ(zone->centreX, 150);
    finger(kPhasePressed, 120, 120, true);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 5));
    nextFrame();
    finger(kPhaseIdle, 130, 120, true);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 6));
    nextFrame();
    finger(kPhaseReleased, 130, 120, false);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 7));
    EXPECT_EQ(zone->pressed, 0);
    nextFrame();

    TouchZone* pause = gameControlsAddZone(controls_, 2, -1, -1);
    touchZoneSetRectangle(pause, 460, 20, 40, 40);
    EXPECT_EQ(finger(kPhasePressed, 300, 20, true), 0);  // down outside
    nextFrame();
    EXPECT_EQ(finger(kPhaseIdle, 460, 20, true), 0);  // slid on: only the held id, none here
    EXPECT_EQ(pause->pressed, 1);
    nextFrame();
    EXPECT_EQ(finger(kPhaseIdle, 300, 20, true), 0);  // slid off: pressed until released inside
    EXPECT_EQ(pause->pressed, 1);
}

TEST_F(Controls, PolygonZonesKeepTheirInsideUnderEveryFlip) {
    const ZoneVertex triangle[3] = {{0, 0}, {30, 0}, {0, 30}};  // inside on the positive side
    for (int32_t flip = 0; flip < 4; ++flip) {
        gameControlsReset(controls_);
        TouchZone* zone = gameControlsAddZone(controls_, 3, -1, -1);
        touchZoneSetPolygon(zone, 100, 100, 3, triangle, flip);
        const int sx = flip & kFlipX ? -1 : 1;
        const int sy = flip & kFlipY ? -1 : 1;
        EXPECT_TRUE(touchZoneContains(zone, 100 + sx * 5, 100 + sy * 5)) << "flip " << flip;
        EXPECT_TRUE(touchZoneContains(zone, 100 + sx * 14, 100 + sy * 14)) << "flip " << flip;
        EXPECT_FALSE(touchZoneContains(zone, 100 + sx * 20, 100 + sy * 20)) << "flip " << flip;
        EXPECT_FALSE(touchZoneContains(zone, 100 - sx * 5, 100 + sy * 5)) << "flip " << flip;
        EXPECT_EQ(finger(kPhasePressed, 100 + sx * 5, 100 + sy * 5, true), 1) << "flip " << flip;
        nextFrame();
    }
    TouchZone* empty = gameControlsAddZone(controls_, 4, -1, -1);
    touchZoneSetPolygon(empty, 0, 0, 0, triangle, 0);
    EXPECT_TRUE(touchZoneContains(empty, -5000, 7000));  // no corners: everywhere
}

TEST_F(Controls, ASeventeenthZoneIsNotMadeAndDisabledZonesIgnoreFingers) {
    for (int i = 0; i < kMaxTouchZones; ++i) {
        TouchZone* zone = gameControlsAddZone(controls_, 10 + i, -1, -1);
        touchZoneSetRectangle(zone, 50, 50, 10, 10);
        touchZoneSetEnabled(zone, i == 0);
    }
    TouchZone* extra = gameControlsAddZone(controls_, 40, -1, -1);
    EXPECT_EQ(extra, nullptr);
    touchZoneSetRectangle(extra, 50, 50, 10, 10);  // ignored
    EXPECT_EQ(finger(kPhasePressed, 50, 50, true), 1);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 10));
}

TEST_F(Controls, OneIdInOneFrameLeavesOneEntryAndTheSixtyFifthTakesTheLast) {
    const uint32_t first[kEventValues] = {1, 2, 3, 4, 5, 6};
    const uint32_t last[kEventValues] = {9, 8, 7, 6, 5, 4};
    gameControlsEmit(controls_, 4, false, first);
    gameControlsEmit(controls_, 9, true, nullptr);
    gameControlsEmit(controls_, 4, true, last);
    gameControlsEmit(controls_, -1, true, nullptr);  // negative ids emit nothing
    ASSERT_EQ(controls_->eventCount, 2);
    uint32_t out[kEventValues];
    ASSERT_TRUE(gameControlsGetEvent(controls_, 4, out));
    EXPECT_EQ(out[0], 9u);
    EXPECT_EQ(out[5], 4u);
    // Consume drops the one-shots, each replaced by the last entry; the update empties the rest.
    gameControlsEmit(controls_, 11, false, nullptr);
    gameControlsConsume(controls_);
    ASSERT_EQ(controls_->eventCount, 1);
    EXPECT_EQ(controls_->events[0].id, 11);
    gameControlsUpdate(controls_);
    EXPECT_FALSE(gameControlsHasEvent(controls_, 11));

    controls_->eventCount = 0;
    for (int id = 0; id < kMaxInputEvents; ++id) gameControlsEmit(controls_, id, false, nullptr);
    gameControlsEmit(controls_, 500, false, nullptr);
    EXPECT_EQ(controls_->eventCount, kMaxInputEvents);
    EXPECT_TRUE(gameControlsHasEvent(controls_, 500));
    EXPECT_FALSE(gameControlsHasEvent(controls_, kMaxInputEvents - 1));
}

TEST_F(Controls, GravityAlongMinusXAndMinusZBothSteerStraight) {
    gameControlsTiltUpdate(controls_, -1.0f, 0.0f, 0.0f);
    EXPECT_EQ(controls_->eventCount, 0);  // no steering asked for
    gameControlsEnableTilt(controls_, 0, -180.0f, 180.0f);
    // Upright: the x-y roll counts fully (weight 1).
    gameControlsTiltUpdate(controls_, -1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(steeringAngle(), 0.0f);
    // Flat: the y-z tilt counts fully (weight 0); the x-y angle, here -90, not at all.
    gameControlsTiltUpdate(controls_, 0.0f, 0.0f, -1.0f);
    EXPECT_FLOAT_EQ(steeringAngle(), 0.0f);
    // Rolled 20 degrees upright: gravity (sin -110, cos -110).
    gameControlsTiltUpdate(controls_, std::sin(-110 * kPi / 180), std::cos(-110 * kPi / 180), 0);
    EXPECT_NEAR(steeringAngle(), 20.0f, 1e-3f);
    // m2 = 0.45: an even blend of the -20 degree roll and the flat tilt.
    const float r = std::sqrt(0.45f), roll = -70.0f * kPi / 180.0f;
    const float y = r * std::cos(roll), z = -std::sqrt(0.55f);
    gameControlsTiltUpdate(controls_, r * std::sin(roll), y, z);
    const float flat = (std::atan2(y, z) - kPi) / kPi * 180.0f;
    EXPECT_LT(flat, -10.0f);
    EXPECT_NEAR(steeringAngle(), 0.5f * -20.0f + 0.5f * flat, 0.05f);
    EXPECT_EQ(controls_->eventCount, 1);  // one steering entry, overwritten by each update
    gameControlsReset(controls_);
    controls_->eventCount = 0;
    gameControlsTiltUpdate(controls_, -1.0f, 0.0f, 0.0f);
    EXPECT_EQ(controls_->eventCount, 0);  // a reset turns the steering off
}

}  // namespace
