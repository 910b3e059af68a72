// The main loop, focus handling and the application's frame timing, on the real game started
// headless through the harness with its virtual clock.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/input.h"
#include "app/platform_main.h"
#include "game/game_session.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::makeTempFolder();
            ASSERT_TRUE(harness::start(options));
        }
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
};

TEST_F(MainLoopTest, FirstFrameGetsTheClampedDeltaThenTheStep) {
    // Start-up ends with run state 1; the first update switches to 2 and updates at once. The
    // virtual clock starts at 1000 ms with the last stamp 0: the first delta is clamped to 100.
    if (g_gameSession->frames == 0) {  // the first test of this process
        harness::step();
        EXPECT_EQ(g_app.runState, kRunRunning);
        EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 100);
        EXPECT_FLOAT_EQ(g_gameSession->lastDelta.seconds, 0.1f);
    } else {
        harness::step();  // a frame after whatever clock the previous test left
    }
    harness::step();
    EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 16);
}

TEST_F(MainLoopTest, QuitWithOtherEventsQueuedDispatchesThemAll) {
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

TEST_F(MainLoopTest, LosingInputFocusAndActivityTogetherPausesAtOnce) {
    int frames = g_gameSession->frames;
    focus(0, 6);
    harness::step();
    EXPECT_TRUE(g_platform.paused);
    EXPECT_EQ(g_app.runState, kRunPaused);
    EXPECT_EQ(g_activeEventCode, 0);
    int during = g_gameSession->frames;
    EXPECT_EQ(during, frames + 1);  // the pass ran its frame before reading the event
    harness::run(20);
    EXPECT_EQ(g_gameSession->frames, during);  // no frames while paused
    focus(1, 7);
    harness::step();
    EXPECT_FALSE(g_platform.paused);
    EXPECT_EQ(g_app.runState, kRunRunning);
    harness::step();
    EXPECT_EQ(g_gameSession->frames, during + 1);
    // The first update after the pause gets the clamped delta, whatever the pause's length.
    EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 100);
}

TEST_F(MainLoopTest, SumOfNineAfterTwoEventsPausesThenResumesOnTheNextPass) {
    focus(1, 4);
    focus(0, 4);
    harness::step();
    EXPECT_TRUE(g_platform.paused);
    EXPECT_EQ(g_activeEventCode, 9);
    EXPECT_EQ(g_activeEventCounter, 2);
    harness::step();  // the resume test fires without reading an event
    EXPECT_FALSE(g_platform.paused);
    EXPECT_EQ(g_activeEventCode, 0);
    EXPECT_EQ(g_activeEventCounter, 0);
}

TEST_F(MainLoopTest, CodeEighteenKeepsTheCounter) {
    focus(1, 4);   // 5
    focus(1, 2);   // 8: resume, reset
    focus(1, 1);   // 2
    focus(1, 2);   // 5
    focus(0, 7);   // 12
    focus(0, 6);   // 18: pause, code 0, counter stays 4
    harness::step();
    EXPECT_TRUE(g_platform.paused);
    EXPECT_EQ(g_activeEventCode, 0);
    EXPECT_EQ(g_activeEventCounter, 4);
    // Code 0 after 4 events: the loop resumes by itself on its next pass.
    harness::step();
    EXPECT_FALSE(g_platform.paused);
    EXPECT_EQ(g_activeEventCounter, 0);
}

TEST_F(MainLoopTest, OtherSumsOnlyGrow) {
    focus(1, 1);
    focus(1, 1);
    harness::step();
    EXPECT_EQ(g_activeEventCode, 4);
    EXPECT_EQ(g_activeEventCounter, 2);
    EXPECT_FALSE(g_platform.paused);
}

TEST_F(MainLoopTest, DrawWhilePausedResumesFirst) {
    harness::step();
    applicationPause();
    EXPECT_EQ(g_app.runState, kRunPaused);
    applicationDraw(nullptr);
    EXPECT_EQ(g_app.runState, kRunRunning);
}

TEST_F(MainLoopTest, NameTables) {
    EXPECT_STREQ(soundFileName(0), "bush1");
    EXPECT_STREQ(soundFileName(2), "hittree");
    EXPECT_STREQ(soundFileName(3), "pickup");
    EXPECT_STREQ(soundFileName(20), "");
    EXPECT_STREQ(soundFileName(21), "");
    EXPECT_STREQ(soundFileName(-1), "");
    EXPECT_STREQ(musicFileName(0), "ambient_short2");
    EXPECT_STREQ(musicFileName(1), "");
    EXPECT_STREQ(applicationDeviceName(), "");  // "desktop" is not a recognised device
    EXPECT_EQ(applicationScreenWidth(), 320);
    EXPECT_EQ(applicationScreenHeight(), 480);
}

TEST_F(MainLoopTest, DeltaWithinOneMillisecondIsZero) {
    harness::step();
    const uint32_t stamp = g_app.lastFrameStamp;
    // Two updates at the same clock reading.
    g_app.lastFrameStamp = platform::ticks();
    runFrame();
    EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 0);
    // A stall longer than 100 ms is clamped.
    g_app.lastFrameStamp = platform::ticks() - 500;
    runFrame();
    EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 100);
    // A clock that went backwards gives 1.
    g_app.lastFrameStamp = platform::ticks() + 10;
    runFrame();
    EXPECT_EQ(g_gameSession->lastDelta.milliseconds, 1);
    g_app.lastFrameStamp = stamp;  // the next test's frames one step apart again
}

}  // namespace
