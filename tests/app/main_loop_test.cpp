// The main loop, focus handling and the application's frame timing, on the real game started
// headless through the harness with its virtual clock.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/input.h"
#include "app/platform_main.h"
#include "game/game_session.h"
#include "platform/platform.h"
#include "support/harness_fixture.h"

namespace {

class MainLoop : public zvtest::HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        g_activeEventCode = g_activeEventCounter = 0;
        g_platform.paused = false;
        applicationResume();
        while (platform::pendingDeviceEvents() > 0) harness::step();
    }
    static void focus(int gain, int state) {
        SDL_Event e{};
        e.active.type = SDL_ACTIVEEVENT;
        e.active.gain = static_cast<Uint8>(gain);
        e.active.state = static_cast<Uint8>(state);
        platform::pushDeviceEvent(e);
    }
    static int32_t delta() { return g_gameSession->lastDelta.milliseconds; }
};

// The virtual clock starts at 1000 ms with the last stamp 0: the first update's delta is clamped
// to 100 ms, then frames are 16 ms apart. Two updates at one clock reading are 0 ms apart, a
// stall is clamped to 100 and a clock that went backwards gives 1.
TEST_F(MainLoop, FrameDeltasAreTheClockStepClampedTo100) {
    const bool first = g_gameSession->frames == 0;
    harness::step();
    EXPECT_EQ(g_app.runState, kRunRunning);
    if (first) {
        EXPECT_EQ(delta(), 100);
        EXPECT_FLOAT_EQ(g_gameSession->lastDelta.seconds, 0.1f);
    }
    harness::step();
    EXPECT_EQ(delta(), 16);
    const uint32_t stamp = g_app.lastFrameStamp;
    for (const auto& [behind, expected] : {std::pair{0, 0}, {500, 100}, {-10, 1}}) {
        g_app.lastFrameStamp = platform::ticks() - behind;
        runFrame();
        EXPECT_EQ(delta(), expected) << behind;
    }
    g_app.lastFrameStamp = stamp;  // the next test's frames one step apart again
}

TEST_F(MainLoop, AQuitWithOtherEventsQueuedDispatchesThemAll) {
    harness::step();
    harness::press(100, 100);
    harness::quit();
    SDL_Event axis{};
    axis.jaxis.type = SDL_JOYAXISMOTION;
    axis.jaxis.axis = 2;
    axis.jaxis.value = 1000;
    platform::pushDeviceEvent(axis);
    EXPECT_FALSE(mainLoopPass());
    EXPECT_FLOAT_EQ(g_input.rawZ, 1000.0f / 32768.0f);  // queued after the quit, still dispatched
    EXPECT_EQ(g_input.pointers[0].down, 1);
    g_platform.running = true;
}

// Losing focus pauses: the pass that reads it still ran its frame, and no frames run until the
// focus comes back; the first update after a pause gets the clamped delta. Drawing while paused
// resumes first.
TEST_F(MainLoop, LosingFocusPausesTheGameUntilItComesBack) {
    focus(0, 6);
    harness::step();
    EXPECT_TRUE(g_platform.paused);
    EXPECT_EQ(g_app.runState, kRunPaused);
    const int frames = g_gameSession->frames;
    harness::run(20);
    EXPECT_EQ(g_gameSession->frames, frames);
    focus(1, 7);
    harness::run(2);
    EXPECT_FALSE(g_platform.paused);
    EXPECT_EQ(g_gameSession->frames, frames + 1);
    EXPECT_EQ(delta(), 100);
    applicationPause();
    applicationDraw(nullptr);
    EXPECT_EQ(g_app.runState, kRunRunning);
}

// The phone's focus events add their gain and state into a code: 6 pauses, 8 resumes, 9 after
// two events pauses and the next pass resumes, 18 pauses keeping the count (after 4 events the
// next pass resumes), other sums only grow.
TEST_F(MainLoop, FocusEventCodesPauseAndResumeByTheirSum) {
    const std::vector<std::pair<int, int>> sequences[] = {
        {{1, 4}, {0, 4}}, {{1, 4}, {1, 2}, {1, 1}, {1, 2}, {0, 7}, {0, 6}}, {{1, 1}, {1, 1}}};
    const int expected[][3] = {{1, 9, 2}, {1, 0, 4}, {0, 4, 2}};  // paused, code, counter
    for (int i = 0; i < 3; ++i) {
        for (const auto& [gain, state] : sequences[i]) focus(gain, state);
        harness::step();
        EXPECT_EQ(g_platform.paused, expected[i][0] == 1) << i;
        EXPECT_EQ(g_activeEventCode * 100 + g_activeEventCounter,
                  expected[i][1] * 100 + expected[i][2]) << i;
        harness::step();
        EXPECT_FALSE(g_platform.paused) << i;
        g_activeEventCode = g_activeEventCounter = 0;
    }
}

TEST_F(MainLoop, NameTablesReadNothingPastTheirEnds) {
    const std::pair<int, const char*> sounds[] = {
        {0, "bush1"}, {2, "hittree"}, {3, "pickup"}, {20, ""}, {21, ""}, {-1, ""}};
    for (const auto& [index, name] : sounds) EXPECT_STREQ(soundFileName(index), name) << index;
    EXPECT_STREQ(musicFileName(0), "ambient_short2");
    EXPECT_STREQ(musicFileName(1), "");
    EXPECT_STREQ(applicationDeviceName(), "");  // "desktop" is not a recognised device
    EXPECT_EQ(applicationScreenWidth() * 1000 + applicationScreenHeight(), 320480);
}

}  // namespace
