// Touch slots, pointer records and the accelerometer filter.
#include <gtest/gtest.h>

#include <cstring>

#include "app/application.h"
#include "app/input.h"

namespace {

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&g_input, 0, sizeof g_input);
        resetTouchSlots();
        applicationSetDevice("desktop", 320, 480);
        g_app.screenId = kScreenGameSession;
    }
    // A button or motion event of finger at logical (x, y); devices report portrait coordinates,
    // logical (x, y) being raw (W - 1 - y, x).
    template <typename Event>
    static Event at(int finger, int x, int y) {
        Event e{};
        e.which = static_cast<Uint8>(finger);
        e.x = static_cast<Uint16>(319 - y);
        e.y = static_cast<Uint16>(x);
        return e;
    }
    static void press(int finger, int x, int y) {
        touchPress(at<SDL_MouseButtonEvent>(finger, x, y), 0);
    }
    static void move(int finger, int x, int y, int frame) {
        touchMove(at<SDL_MouseMotionEvent>(finger, x, y), frame);
    }
    const TouchSlot* slots = g_input.slots;
    const PointerRecord* pointers = g_input.pointers;
};

TEST_F(Input, APressFillsTheSlotAndTheRecordInLandscapeCoordinates) {
    touchPress(at<SDL_MouseButtonEvent>(0, 200, 150), 7);
    EXPECT_EQ(std::make_tuple(slots[0].x, slots[0].y, slots[0].pressX, slots[0].stamp),
              std::make_tuple(200, 150, 200, 7));
    EXPECT_EQ(g_input.activeTouches, 1);
    EXPECT_EQ(std::make_tuple(pointers[0].down, pointers[0].phase, pointers[0].historyCount),
              std::make_tuple(1, kPhasePressed, 1));
    advancePointerPhases();
    EXPECT_EQ(pointers[0].phase, kPhaseIdle);
    applicationSetDevice("pixi", 320, 400);  // the long side scales to 480
    SDL_MouseButtonEvent corner{};
    corner.which = 1;
    corner.y = 400;
    touchPress(corner, 0);
    EXPECT_EQ(std::make_pair(slots[1].x, slots[1].y), std::make_pair(480, 319));
}

// Only a finger's first move in a frame counts; the history keeps the press and the first 198
// moves, and its last point follows the finger.
TEST_F(Input, MovesOncePerFrameIntoTwoHundredPointsOfHistory) {
    press(0, 100, 100);
    move(0, 120, 100, 2);
    move(0, 140, 100, 2);
    EXPECT_EQ(slots[0].x, 120);
    EXPECT_EQ(pointers[0].historyCount, 2);
    for (int f = 3; f <= 500; ++f) move(0, 100 + f % 50, 100 + f % 30, f);
    EXPECT_EQ(slots[0].previousX, 100 + 500 % 50);
    EXPECT_EQ(pointers[0].historyCount, kPointerHistory);
    EXPECT_EQ(pointers[0].history[0].x, 100);
    EXPECT_EQ(pointers[0].history[198].x, 100 + 199 % 50);
    EXPECT_EQ(pointers[0].history[199].y, 100 + 500 % 30);
}

// Four slots: a fifth finger is dropped, finger 3 cannot move; releasing finger 0 moves finger
// 1 down into slot 0.
TEST_F(Input, FourFingersAtMostAndAReleaseShiftsTheOthersDown) {
    for (int f = 0; f < 4; ++f) press(f, 50 + f * 40, 100);
    press(0, 300, 100);
    move(3, 60, 60, 5);
    EXPECT_EQ(g_input.activeTouches, 4);
    EXPECT_EQ(std::make_pair(slots[0].x, slots[3].x), std::make_pair(50, 170));
    touchRelease(at<SDL_MouseButtonEvent>(0, 50, 100), 1);
    EXPECT_EQ(g_input.activeTouches, 3);
    EXPECT_EQ(std::make_pair(slots[0].finger, slots[0].x), std::make_pair(1, 90));
    EXPECT_EQ(std::make_tuple(pointers[0].down, pointers[0].phase, pointers[1].down),
              std::make_tuple(0, kPhaseReleased, 1));
}

// In a game session a finger moved into the 10-pixel bands of the portrait size is let go: on
// 320 x 480 the right band starts at x = 310. Elsewhere there is no edge release.
TEST_F(Input, AMoveIntoTheEdgeBandReleasesTheFingerInAGameSession) {
    press(0, 100, 100);
    move(0, 309, 100, 1);
    EXPECT_EQ(g_input.activeTouches, 1);
    move(0, 310, 100, 2);
    EXPECT_EQ(g_input.activeTouches, 0);
    EXPECT_EQ(pointers[0].phase, kPhaseReleased);
    g_app.screenId = 0;
    press(0, 100, 100);
    move(0, 400, 5, 3);
    EXPECT_EQ(g_input.activeTouches, 1);
}

// Nothing is filtered until all three axes have reported; then each step moves a quarter of the
// way; axis 1 is negated.
TEST_F(Input, TheAccelerometerWaitsForAllThreeAxesThenFilters) {
    for (const auto& [axis, value] : {std::pair{0, -32768}, {1, 16384}, {5, 100}, {2, 0}}) {
        accelerometerStep();
        EXPECT_EQ(g_input.filteredX, 0.0f) << axis;
        SDL_JoyAxisEvent e{};
        e.axis = static_cast<Uint8>(axis);
        e.value = static_cast<Sint16>(value);
        axisEvent(e);
    }
    EXPECT_EQ(g_input.axisMask, 7u);
    accelerometerStep();
    EXPECT_FLOAT_EQ(g_input.filteredY, -0.125f);
    accelerometerStep();
    EXPECT_FLOAT_EQ(g_input.filteredX, -0.25f - 0.75f * 0.25f);
    EXPECT_FLOAT_EQ(g_app.accelerometer[0], g_input.filteredX);
}

}  // namespace
