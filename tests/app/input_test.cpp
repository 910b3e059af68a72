// Touch slots, pointer records and the accelerometer filter.
#include <gtest/gtest.h>

#include <cstring>

#include "app/application.h"
#include "app/input.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&g_input, 0, sizeof g_input);
        std::memset(g_app.accelerometer, 0, sizeof g_app.accelerometer);
        resetTouchSlots();
        applicationSetDevice("desktop", 320, 480);
        g_app.screenId = kScreenGameSession;
    }

    // Device events carry portrait coordinates: logical (x, y) is raw (W - 1 - y, x).
    static SDL_MouseButtonEvent button(int finger, int lx, int ly) {
        SDL_MouseButtonEvent e{};
        e.which = static_cast<Uint8>(finger);
        e.x = static_cast<Uint16>(319 - ly);
        e.y = static_cast<Uint16>(lx);
        return e;
    }
    static SDL_MouseMotionEvent motion(int finger, int lx, int ly) {
        SDL_MouseMotionEvent e{};
        e.which = static_cast<Uint8>(finger);
        e.x = static_cast<Uint16>(319 - ly);
        e.y = static_cast<Uint16>(lx);
        return e;
    }
};

TEST_F(InputTest, PressMapsPortraitToLandscapeAndFillsSlotAndRecord) {
    touchPress(button(0, 200, 150), 7);
    const TouchSlot& s = g_input.slots[0];
    EXPECT_EQ(s.x, 200);
    EXPECT_EQ(s.y, 150);
    EXPECT_EQ(s.pressX, 200);
    EXPECT_EQ(s.stamp, 7);
    EXPECT_EQ(g_input.activeTouches, 1);
    const PointerRecord& p = g_input.pointers[0];
    EXPECT_EQ(p.down, 1);
    EXPECT_EQ(p.phase, kPhasePressed);
    EXPECT_EQ(p.historyCount, 1);
    advancePointerPhases();
    EXPECT_EQ(p.phase, kPhaseIdle);
}

TEST_F(InputTest, OnlyTheFirstMoveOfAFingerInAFrameCounts) {
    touchPress(button(0, 100, 100), 1);
    touchMove(motion(0, 120, 100), 2);
    touchMove(motion(0, 140, 100), 2);  // same frame: dropped
    EXPECT_EQ(g_input.slots[0].x, 120);
    EXPECT_EQ(g_input.pointers[0].historyCount, 2);
    touchMove(motion(0, 140, 100), 3);
    EXPECT_EQ(g_input.slots[0].x, 140);
    EXPECT_EQ(g_input.slots[0].previousX, 140);
}

TEST_F(InputTest, HistoryHoldsTwoHundredPointsAndTheLastFollowsTheFinger) {
    touchPress(button(0, 100, 100), 0);
    for (int f = 1; f <= 500; ++f) touchMove(motion(0, 100 + f % 50, 100 + f % 30), f);
    const PointerRecord& p = g_input.pointers[0];
    EXPECT_EQ(p.historyCount, kPointerHistory);
    EXPECT_EQ(p.history[kPointerHistory - 1].x, 100 + 500 % 50);
    EXPECT_EQ(p.history[kPointerHistory - 1].y, 100 + 500 % 30);
    EXPECT_EQ(p.history[0].x, 100);  // the press stays first
    EXPECT_EQ(p.history[198].x, 100 + 198 % 50);
}

TEST_F(InputTest, PixiScalesTheLongSide) {
    applicationSetDevice("pixi", 320, 400);
    SDL_MouseButtonEvent e{};
    e.x = 0;
    e.y = 400;
    touchPress(e, 0);
    EXPECT_EQ(g_input.slots[0].x, 480);
    EXPECT_EQ(g_input.slots[0].y, 319);
}

TEST_F(InputTest, FifthFingerAndHighFingersAreDropped) {
    for (int f = 0; f < 4; ++f) touchPress(button(f, 50 + f * 40, 100), 0);
    EXPECT_EQ(g_input.activeTouches, 4);
    touchPress(button(0, 300, 100), 0);
    EXPECT_EQ(g_input.activeTouches, 4);
    EXPECT_EQ(g_input.slots[0].x, 50);
    touchMove(motion(3, 60, 60), 5);  // finger 3 cannot move
    EXPECT_EQ(g_input.slots[3].x, 170);
}

TEST_F(InputTest, ReleasingFingerZeroMovesFingerOneDown) {
    touchPress(button(0, 100, 100), 0);
    touchPress(button(1, 300, 200), 0);
    touchRelease(button(0, 100, 100), 1);
    EXPECT_EQ(g_input.activeTouches, 1);
    EXPECT_EQ(g_input.slots[0].finger, 1);
    EXPECT_EQ(g_input.slots[0].x, 300);
    EXPECT_EQ(g_input.pointers[0].down, 0);
    EXPECT_EQ(g_input.pointers[0].phase, kPhaseReleased);
    EXPECT_EQ(g_input.pointers[1].down, 1);
}

TEST_F(InputTest, MoveIntoTheEdgeBandReleasesTheFinger) {
    touchPress(button(0, 100, 100), 0);
    // The bands use the portrait size: on 320 x 480 the right band starts at x = 310.
    touchMove(motion(0, 310, 100), 1);
    EXPECT_EQ(g_input.activeTouches, 0);
    EXPECT_EQ(g_input.pointers[0].phase, kPhaseReleased);
    // Outside the game session there is no edge release.
    g_app.screenId = 0;
    touchPress(button(0, 100, 100), 2);
    touchMove(motion(0, 400, 5), 3);
    EXPECT_EQ(g_input.activeTouches, 1);
}

TEST_F(InputTest, AccelerometerWaitsForAllThreeAxesThenFilters) {
    SDL_JoyAxisEvent e{};
    e.axis = 0;
    e.value = -32768;
    axisEvent(e);
    e.axis = 1;
    e.value = 16384;
    axisEvent(e);
    accelerometerStep();
    EXPECT_EQ(g_input.filteredX, 0.0f);
    EXPECT_EQ(g_app.accelerometer[0], 0.0f);
    e.axis = 5;  // other axes are ignored
    axisEvent(e);
    EXPECT_EQ(g_input.axisMask, 3u);
    e.axis = 2;
    e.value = 0;
    axisEvent(e);
    accelerometerStep();
    EXPECT_FLOAT_EQ(g_input.filteredX, -0.25f);
    EXPECT_FLOAT_EQ(g_input.filteredY, -0.125f);  // axis 1 is negated
    accelerometerStep();
    EXPECT_FLOAT_EQ(g_input.filteredX, -0.25f - 0.75f * 0.25f);
    EXPECT_FLOAT_EQ(g_app.accelerometer[0], g_input.filteredX);
}

}  // namespace
