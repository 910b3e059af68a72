// The online handler with a recording client: what registration sends, that nothing is posted
// before the player connects, what a connect resubmits, the suspend and resume callbacks, and the
// usage tracker's calls and opt-in flag.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "online/connect.h"
#include "online/recording_client.h"
#include "online/usage_tracker.h"

namespace {

using Calls = std::vector<std::string>;
using onlinetest::RecordingClient;

bool lettersAndDigits(const char* s) {
    for (; *s; ++s)
        if (!std::isalnum(static_cast<unsigned char>(*s))) return false;
    return true;
}

struct Game {
    int32_t activity = 1;
    bool flags[kOnlineAchievements] = {};
    int32_t best[kLeaderboards] = {};
    void link(Connect* c) { c->game = {&activity, flags, {&best[0], &best[1]}}; }
};

TEST(Connect, RegistrationSendsTheGameAndEveryIdInTableOrder) {
    RecordingClient client;
    Connect connect;
    connect.connected = true;
    connect.registerHandler();
    EXPECT_FALSE(connect.connected);
    EXPECT_EQ(connect.client, &client);
    ASSERT_EQ(client.calls.size(), 1u + 2u + 24u);
    EXPECT_EQ(client.calls[0], std::string("initialise Zorvane ") + kProductKey + " " +
                                   kProductSecret + " 2 24");
    EXPECT_EQ(client.calls[1], "registerLeaderboard 415844");
    EXPECT_EQ(client.calls[2], "registerLeaderboard 418404");
    for (int i = 0; i < 24; ++i) {
        // 496504 up in tens, with one step of twenty between 13 and 14.
        const int id = 496504 + 10 * i + (i >= 14 ? 10 : 0);
        EXPECT_EQ(client.calls[3 + i], "registerAchievement " + std::to_string(id)) << i;
        EXPECT_EQ(connect.achievements[i], 2000u + i);
    }
    EXPECT_EQ(connect.leaderboards[1], 1001u);
    EXPECT_EQ(std::string(kProductKey).size(), 21u);
    EXPECT_EQ(std::string(kProductSecret).size(), 43u);
    EXPECT_TRUE(lettersAndDigits(kProductKey));
    EXPECT_TRUE(lettersAndDigits(kProductSecret));
}

TEST(Connect, NothingIsPostedOrOpenedBeforeThePlayerConnects) {
    RecordingClient client;
    Connect connect;
    connect.registerHandler();
    client.clear();
    const int32_t list[] = {0, 5};
    connect.submitScore(0, 1234);
    connect.unlockAchievements(list, 2);
    connect.openDashboard();
    connect.openLeaderboard(1);
    EXPECT_EQ(client.calls, Calls{});

    connect.connect();
    connect.submitScore(1, 77);
    connect.unlockAchievements(list, 2);
    connect.openLeaderboard(0);
    connect.openDashboard();
    EXPECT_EQ(client.calls, (Calls{"signIn", "submitScore 1001 77", "unlock 2 2000 2005",
                                   "openLeaderboard 1000", "openDashboard"}));
}

TEST(Connect, BadBoardsAndIndicesAreLeftOut) {
    RecordingClient client;
    Connect connect;
    connect.registerHandler();
    connect.connect();
    client.clear();
    connect.submitScore(2, 5);
    connect.submitScore(-1, 5);
    connect.openLeaderboard(7);
    const int32_t list[] = {23, 24, -1, 3};
    connect.unlockAchievements(list, 4);
    int32_t many[40];
    for (int32_t i = 0; i < 40; ++i) many[i] = i % 24;
    connect.unlockAchievements(many, 40);  // no more than the submission list holds
    ASSERT_EQ(client.calls.size(), 2u);
    EXPECT_EQ(client.calls[0], "unlock 2 2023 2003");
    EXPECT_EQ(client.calls[1].rfind("unlock 24 2000 2001", 0), 0u);
}

TEST(Connect, OnConnectedResubmitsUnlockedAchievementsAndBestResultsAboveZero) {
    RecordingClient client;
    Connect connect;
    connect.registerHandler();
    Game game;
    game.link(&connect);
    game.flags[2] = game.flags[13] = game.flags[14] = true;
    game.best[0] = 0;  // nothing to post for distance mode
    game.best[1] = 4321;
    connect.connect();
    client.clear();
    connect.onConnected();
    EXPECT_EQ(client.calls, (Calls{"unlock 3 2002 2013 2014", "submitScore 1001 4321"}));
}

TEST(Connect, OnConnectedWithNothingUnlockedMakesOneEmptyUnlockCall) {
    RecordingClient client;
    Connect connect;
    connect.registerHandler();
    Game game;
    game.link(&connect);
    game.best[0] = -5;
    connect.connect();
    client.clear();
    connect.onConnected();
    EXPECT_EQ(client.calls, Calls{"unlock 0"});
}

TEST(Connect, SuspendAndResumeRequestsSetTheSessionsActivity) {
    Connect connect;
    Game game;
    game.link(&connect);
    connect.onSuspendRequest(false);
    EXPECT_EQ(game.activity, 1);
    connect.onSuspendRequest(true);
    EXPECT_EQ(game.activity, 2);
    connect.onResumeRequest(true);
    EXPECT_EQ(game.activity, 2);
    connect.onResumeRequest(false);
    EXPECT_EQ(game.activity, 1);
    // Through the base class, as the service calls them.
    KVOpenFeintHandler* handler = &connect;
    handler->onSuspendRequest(true);
    EXPECT_EQ(game.activity, 2);
    Connect unlinked;  // a handler not yet given to a session ignores them
    unlinked.onSuspendRequest(true);
    unlinked.onConnected();
}

TEST(UsageTracker, StartsOptedInAndForwardsTheGamesReports) {
    RecordingClient client;
    UsageTracker tracker("zorvane");
    EXPECT_TRUE(tracker.optIn);
    EXPECT_STREQ(tracker.appId, "zorvane");
    UsageTracker* saved = g_usageTracker;
    g_usageTracker = &tracker;
    usageTrackerSessionStart();
    usageTrackerGameStart(1);
    usageTrackerGameEnd(250, 3000, 2);
    usageTrackerLogScreen("MoreGames");
    usageTrackerFrame();
    usageTrackerFrame();
    usageTrackerSetOptIn(false);
    EXPECT_FALSE(usageTrackerOptIn());
    EXPECT_FALSE(tracker.optIn);
    g_usageTracker = saved;
    EXPECT_EQ(client.calls, (Calls{"trackerStart", "gameStart 1 0 0", "gameEnd 250 3000 2",
                                   "screen MoreGames"}));
    EXPECT_EQ(client.frames, 2);
}

}  // namespace
