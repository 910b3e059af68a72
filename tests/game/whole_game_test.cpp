// The whole game headless through the harness on its virtual clock: loading, a distance-mode run
// steered by tilting the device, the crash, game over, and the saved record it leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/platform_main.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/save_info.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

class WholeGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::makeTempFolder();
            ASSERT_TRUE(harness::start(options));
        }
        // Another test of this process may have pointed the record store elsewhere.
        setRecordBasePath(g_platform.basePath);
        ASSERT_NE(g_gameFlow, nullptr);
    }
    // Steps until the flow reaches state (or the limit); false when it did not.
    static bool runUntilFlow(int32_t state, int limit) {
        for (int i = 0; i < limit && g_gameFlow->state != state; ++i) harness::step();
        return g_gameFlow->state == state;
    }
};

TEST_F(WholeGame, ATiltedDistanceRunCrashesAndIsSaved) {
    ASSERT_TRUE(runUntilFlow(kFlowMainMenu, 200));
    EXPECT_EQ(g_gameFlow->loadStage, kLoadStages);

    harness::tilt(20.0f);
    gameFlowStartRun(g_gameFlow, kModeDistance);
    const ::Run& run = g_gameFlow->run;
    for (int i = 0; i < 100 && run.state != kRunStateRunning; ++i) harness::step();
    ASSERT_EQ(run.state, kRunStateRunning);
    // The tilt reaches the runner through the accelerometer filter and the controls.
    // The first row lies 20 units ahead: nothing is in the way yet.
    harness::run(40);
    ASSERT_EQ(run.state, kRunStateRunning);
    EXPECT_NEAR(run.camera.roll, 20.0f * 0.017453292f, 0.01f);
    EXPECT_GT(run.runner.heading.x, 0.3f);  // turned towards +x
    // 20 degrees off the straight line, through an ever thicker forest: a crash comes.
    for (int i = 0; i < 20000 && run.state == kRunStateRunning; ++i) harness::step();
    ASSERT_EQ(run.state, kRunStateCrashed);
    const float distance = run.runner.distance;
    EXPECT_GT(distance, 20.0f);

    ASSERT_TRUE(runUntilFlow(kFlowGameOver, 100));
    EXPECT_EQ(g_menuSys->current, kScreenGameOverDistance);
    EXPECT_TRUE(g_screenEffect->active);
    EXPECT_EQ(g_screenEffect->type, kEffectWhiteFade);

    int32_t size = 1000;
    uint8_t* bytes = readRecord(kSaveRecordName, &size);
    ASSERT_NE(bytes, nullptr);
    ASSERT_EQ(size, 236);
    SaveInfo saved;
    const bool read = decodeSaveInfo(bytes, static_cast<size_t>(size), &saved);
    delete[] bytes;
    ASSERT_TRUE(read);
    EXPECT_FLOAT_EQ(saved.records[kModeDistance].top[0], distance);
    EXPECT_FLOAT_EQ(saved.records[kModeDistance].ring[0], distance);
    EXPECT_EQ(saved.records[kModeDistance].ringIndex, 1);
    EXPECT_EQ(saved.bestPoints[kModeDistance], static_cast<int32_t>(distance));
    EXPECT_FLOAT_EQ(saved.lastDistances[0], distance);
    EXPECT_EQ(saved.runsCounted, 1);
    EXPECT_TRUE(saved.achievements[0] == (distance >= 100.0f));
    harness::tilt(0.0f);
}

}  // namespace
