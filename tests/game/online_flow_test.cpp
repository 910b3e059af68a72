// The game's online calls through a recording client: the game-over posting of each mode, the
// connect at start-up from the saved flag, what a connect resubmits from the game's own results,
// the service's suspend and resume requests, the usage tracker's run reports and its saved flag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/save_info.h"
#include "menu/menu_sys.h"
#include "game_fixture.h"
#include "online/recording_client.h"
#include "online/usage_tracker.h"
#include "storage/record_store.h"

namespace {

using Calls = std::vector<std::string>;
using gametest::placeObstacle;
using gametest::startBareRun;
using gametest::TestGame;
using onlinetest::RecordingClient;

// A usage tracker of the test's own for the life of the object.
class TestTracker {
public:
    TestTracker() : saved_(g_usageTracker) { g_usageTracker = &tracker; }
    ~TestTracker() { g_usageTracker = saved_; }
    UsageTracker tracker{"zorvane"};

private:
    UsageTracker* saved_;
};

void loadFully(TestGame& game) {
    gameSessionEnter(game.session.get());
    for (int i = 0; i < 1000 && game.flow().state == kFlowLoading; ++i) game.update(16);
}

// Runs the flow from a crash into a death marker to game over.
void crashIntoGameOver(TestGame& game) {
    game.runner().speed = 10.0f;
    placeObstacle(game.run(), kObstacleDeathMarker, 0.0f, 2.0f, 0.5f);
    for (int i = 0; i < 500 && game.flow().state == kFlowInRun; ++i) game.update(16);
}

class GameOverPosting : public ::testing::TestWithParam<int32_t> {};

TEST_P(GameOverPosting, TheResultGoesToTheLeaderboardOfTheModeWithEveryUnlockedAchievement) {
    const int32_t mode = GetParam();
    RecordingClient client;
    TestGame game;
    loadFully(game);
    game.flow().online.connect();
    game.flow().runStats.unlocked[3] = true;  // from an earlier run
    startBareRun(game, mode);
    client.clear();
    crashIntoGameOver(game);
    ASSERT_EQ(game.flow().state, kFlowGameOver);
    const int32_t points = game.flow().runStats.points;
    ASSERT_GE(client.calls.size(), 2u);
    // 1000 is "415844" (distance mode), 1001 "418404" (points mode).
    EXPECT_EQ(client.calls[0], "submitScore " + std::to_string(1000 + mode) + " " +
                                   std::to_string(points));
    EXPECT_EQ(client.calls[1], "unlock 2 2003 2008");  // the earlier one and the death marker's
    EXPECT_EQ(game.flow().runStats.unlockQueueCount, 0);
}

INSTANTIATE_TEST_SUITE_P(BothModes, GameOverPosting, ::testing::Values(kModeDistance, kModePoints));

TEST(OnlineFlow, TheSavedOnlineFlagConnectsAtStartUp) {
    for (bool online : {false, true}) {
        RecordingClient client;
        TestGame game;
        SaveInfo info;
        saveInfoDefaults(&info);
        info.online = online;
        uint8_t bytes[kSaveInfoBytes];
        encodeSaveInfo(info, bytes);
        ASSERT_TRUE(writeRecord(kSaveRecordName, bytes, sizeof bytes));
        client.clear();
        loadFully(game);
        EXPECT_EQ(game.flow().online.enabled(), online);
        int signIns = 0;
        for (const std::string& call : client.calls) signIns += call == "signIn";
        EXPECT_EQ(signIns, online ? 1 : 0);
    }
}

TEST(OnlineFlow, SwitchingTheOptionOffStopsPostingAndIsSavedAsOff) {
    RecordingClient client;
    TestGame game;
    const MenuGameLink& link = menuGameLink();
    ASSERT_NE(link.setOnlineOption, nullptr);
    link.setOnlineOption(true);
    EXPECT_TRUE(link.onlineOption());
    link.setOnlineOption(false);
    EXPECT_FALSE(link.onlineOption());
    client.clear();
    game.flow().online.submitScore(kModeDistance, 500);
    EXPECT_TRUE(client.calls.empty());
    // The option as saved and read back: off.
    game.flow().saveInfo.online = true;
    ASSERT_TRUE(gameFlowLoadSaved(&game.flow()));
    EXPECT_FALSE(game.flow().saveInfo.online);
}

TEST(OnlineFlow, AConnectResubmitsTheGamesAchievementsAndBestResults) {
    RecordingClient client;
    TestGame game;
    game.flow().runStats.unlocked[0] = true;
    game.flow().runStats.unlocked[23] = true;
    game.flow().bestScores.modes[kModeDistance].best = 812;
    game.flow().bestScores.modes[kModePoints].best = 0;
    game.flow().online.connect();
    client.clear();
    g_connect->onConnected();
    EXPECT_EQ(client.calls, (Calls{"unlock 2 2000 2023", "submitScore 1000 812"}));
}

TEST(OnlineFlow, TheServiceSuspendsAndResumesTheSession) {
    TestGame game;
    loadFully(game);
    const int32_t stage = game.flow().state;
    const float time = game.flow().timeInState;
    g_connect->onSuspendRequest(true);
    EXPECT_EQ(game.session->activity, kSessionSuspended);
    game.update(16);
    EXPECT_EQ(game.flow().state, stage);
    EXPECT_FLOAT_EQ(game.flow().timeInState, time);
    g_connect->onResumeRequest(false);
    EXPECT_EQ(game.session->activity, kSessionActive);
    game.update(16);
    EXPECT_GT(game.flow().timeInState, time);
}

TEST(UsageTracking, ARunReportsItsStartAndItsEnd) {
    RecordingClient client;
    TestTracker tracker;
    TestGame game;
    loadFully(game);
    EXPECT_GT(client.frames, 10);  // one call per session update
    client.clear();
    startBareRun(game, kModePoints);
    crashIntoGameOver(game);
    ASSERT_GE(client.calls.size(), 2u);
    EXPECT_EQ(client.calls[0], "gameStart 1 0 0");
    const RunStats& stats = game.flow().runStats;
    EXPECT_EQ(client.calls[1], "gameEnd " + std::to_string(static_cast<int32_t>(stats.distance)) +
                                   " " + std::to_string(stats.points) + " 2");
}

TEST(UsageTracking, TheOptInFlagIsSavedInTheRecord) {
    TestTracker tracker;
    TestGame game;
    usageTrackerSetOptIn(false);
    gameFlowSaveNow(&game.flow());
    usageTrackerSetOptIn(true);
    ASSERT_TRUE(gameFlowLoadSaved(&game.flow()));
    EXPECT_FALSE(tracker.tracker.optIn);
    EXPECT_FALSE(game.flow().saveInfo.usageTracking);
}

}  // namespace
