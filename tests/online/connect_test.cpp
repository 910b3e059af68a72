// The online handler and the usage tracker with a recording client, on the rules a whole game
// does not show (tests/game/online_flow_test.cpp plays those through): what registration sends,
// that nothing is posted before the player connects, the boards, indices and results left out,
// and the tracker's calls and opt-in flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "online/connect.h"
#include "online/usage_tracker.h"
#include "support/recording_client.h"

namespace {

using Calls = std::vector<std::string>;

class Online : public ::testing::Test {
protected:
    void SetUp() override {
        connect.connected = true;
        connect.registerHandler();
        connect.game = {&activity, flags, {&best[0], &best[1]}};
    }
    onlinetest::RecordingClient client;
    Connect connect;
    int32_t activity = 1, best[kLeaderboards] = {};
    bool flags[kOnlineAchievements] = {};
};

TEST_F(Online, RegistrationSendsTheGameAndEveryIdInTableOrder) {
    EXPECT_FALSE(connect.connected);
    ASSERT_EQ(client.calls.size(), 1u + 2u + 24u);
    EXPECT_EQ(client.calls[0], std::string("initialise Zorvane ") + kProductKey + " " +
                                   kProductSecret + " 2 24");
    for (const char* secret : {kProductKey, kProductSecret})
        EXPECT_TRUE(std::all_of(secret, secret + std::strlen(secret), isalnum)) << secret;
    EXPECT_EQ(client.calls[1] + client.calls[2],
              "registerLeaderboard 415844registerLeaderboard 418404");
    for (int i = 0; i < 24; ++i) {  // 496504 up in tens, with one step of twenty after 13
        const int id = 496504 + 10 * i + (i >= 14 ? 10 : 0);
        EXPECT_EQ(client.calls[3 + i], "registerAchievement " + std::to_string(id)) << i;
    }
}

// Nothing is posted or opened before the player connects; boards other than 0 and 1 and indices
// outside 0..23 are left out, one unlock sends no more than the 24 achievements, and a connect
// resubmits what is unlocked (an empty unlock when nothing is) and each best result above zero.
TEST_F(Online, OnlyAConnectedPlayerPostsAndOnlyWhatTheGameHas) {
    const int32_t list[] = {0, 23, 24, -1, 5};
    int32_t many[40];
    for (int32_t i = 0; i < 40; ++i) many[i] = i % 24;
    for (int round = 0; round < 2; ++round) {
        client.clear();
        connect.submitScore(1, 77);
        connect.unlockAchievements(list, 5);
        connect.openLeaderboard(0);
        connect.openDashboard();
        for (int32_t board : {2, -1}) {
            connect.submitScore(board, 5);
            connect.openLeaderboard(board);
        }
        connect.connect();
    }
    connect.unlockAchievements(many, 40);
    best[0] = -5;
    connect.onConnected();
    flags[2] = flags[14] = true;
    best[1] = 4321;
    connect.onConnected();
    ASSERT_EQ(client.calls.size(), 9u);
    EXPECT_EQ(client.calls[5].rfind("unlock 24 2000 2001", 0), 0u) << client.calls[5];
    client.calls.erase(client.calls.begin() + 5);
    EXPECT_EQ(client.calls, (Calls{"submitScore 1001 77", "unlock 3 2000 2023 2005",
                                   "openLeaderboard 1000", "openDashboard", "signIn", "unlock 0",
                                   "unlock 2 2002 2014", "submitScore 1001 4321"}));
}

TEST_F(Online, SuspendAndResumeTakeEffectOnlyWithTheirFlagAndOnALinkedHandler) {
    KVOpenFeintHandler* handler = &connect;  // as the service calls them
    handler->onSuspendRequest(false);
    handler->onResumeRequest(true);
    EXPECT_EQ(activity, 1);
    handler->onSuspendRequest(true);
    handler->onResumeRequest(true);
    EXPECT_EQ(activity, 2);
    handler->onResumeRequest(false);
    EXPECT_EQ(activity, 1);
    Connect unlinked;
    unlinked.onSuspendRequest(true);
    unlinked.onConnected();
}

TEST_F(Online, TheUsageTrackerStartsOptedInAndForwardsTheGamesReports) {
    client.clear();
    UsageTracker tracker("zorvane");
    EXPECT_TRUE(usageTrackerOptIn());  // without a tracker
    g_usageTracker = &tracker;
    usageTrackerSessionStart();
    usageTrackerGameStart(1);
    usageTrackerGameEnd(250, 3000, 2);
    usageTrackerLogScreen("MoreGames");
    usageTrackerFrame();
    EXPECT_TRUE(usageTrackerOptIn());
    usageTrackerSetOptIn(false);
    EXPECT_FALSE(usageTrackerOptIn());
    g_usageTracker = nullptr;
    EXPECT_EQ(client.calls, (Calls{"trackerStart", "gameStart 1 0 0", "gameEnd 250 3000 2",
                                   "screen MoreGames"}));
    EXPECT_EQ(client.frames, 1);
}

}  // namespace
