// The online handler: registration, the calls it makes while connected, the service's callbacks,
// and the usage tracker calls.
#include "online/connect.h"

#include "online/usage_tracker.h"

Connect* g_connect = nullptr;

const char* const kLeaderboardIds[kLeaderboards] = {"415844", "418404"};
// The ids step by 10, except from index 13 to 14 (20).
const char* const kAchievementIds[kOnlineAchievements] = {
    "496504", "496514", "496524", "496534", "496544", "496554", "496564", "496574",
    "496584", "496594", "496604", "496614", "496624", "496634", "496654", "496664",
    "496674", "496684", "496694", "496704", "496714", "496724", "496734", "496744",
};
const char kProductKey[] = "M1eWrP3uIZ35wyVpbDO0t";
const char kProductSecret[] = "dDFPu2OOjUz597TYG1TRtznn2keSriyRPwHaEbUOolL";
static_assert(sizeof kProductKey == 21 + 1, "the product key has 21 characters");
static_assert(sizeof kProductSecret == 43 + 1, "the product secret has 43 characters");

void KVOpenFeintHandler::onConnected() {}
void KVOpenFeintHandler::onSuspendRequest(bool) {}
void KVOpenFeintHandler::onResumeRequest(bool) {}

void Connect::registerHandler() {
    connected = false;
    client = createHandlerClient(this);
    client->initialise(kOnlineGameName, kProductKey, kProductSecret, kLeaderboards,
                       kOnlineAchievements);
    for (int32_t i = 0; i < kLeaderboards; ++i)
        leaderboards[i] = client->registerLeaderboard(kLeaderboardIds[i]);
    for (int32_t i = 0; i < kOnlineAchievements; ++i)
        achievements[i] = client->registerAchievement(kAchievementIds[i]);
}

void Connect::connect() {
    connected = true;
    if (client) client->signIn();
}

void Connect::openDashboard() {
    if (connected && client) client->openDashboard();
}

void Connect::openLeaderboard(int32_t board) {
    if (connected && client && board >= 0 && board < kLeaderboards)
        client->openLeaderboard(leaderboards[board]);
}

void Connect::submitScore(int32_t board, int32_t score) {
    if (connected && client && board >= 0 && board < kLeaderboards)
        client->submitScore(leaderboards[board], score);
}

void Connect::unlockAchievements(const int32_t* indices, int32_t count) {
    if (!connected || !client) return;
    int32_t n = 0;
    for (int32_t i = 0; indices && i < count && n < kOnlineAchievements; ++i) {
        const int32_t index = indices[i];
        if (index >= 0 && index < kOnlineAchievements) submission[n++] = achievements[index];
    }
    client->unlockAchievements(submission, n);
}

void Connect::onConnected() {
    int32_t unlocked[kOnlineAchievements];
    int32_t count = 0;
    for (int32_t i = 0; game.achievementFlags && i < kOnlineAchievements; ++i)
        if (game.achievementFlags[i]) unlocked[count++] = i;
    unlockAchievements(unlocked, count);
    for (int32_t board = 0; board < kLeaderboards; ++board) {
        const int32_t* best = game.bestResults[board];
        if (best && *best > 0) submitScore(board, *best);
    }
}

void Connect::onSuspendRequest(bool flag) {
    if (flag && game.activity) *game.activity = 2;
}

void Connect::onResumeRequest(bool flag) {
    if (!flag && game.activity) *game.activity = 1;
}

// ---- Usage tracker ----------------------------------------------------------------------------

void usageTrackerSessionStart() {
    if (g_usageTracker) g_usageTracker->client->trackerStart();
}

void usageTrackerGameStart(int32_t mode) {
    if (g_usageTracker) g_usageTracker->client->trackerLogGameStart(mode, 0, 0);
}

void usageTrackerGameEnd(int32_t distance, int32_t points, int32_t crashKind) {
    if (g_usageTracker) g_usageTracker->client->trackerLogGameEnd(distance, points, crashKind);
}

void usageTrackerFrame() {
    if (g_usageTracker) g_usageTracker->client->trackerFrame();
}

void usageTrackerLogScreen(const char* name) {
    if (g_usageTracker) g_usageTracker->client->trackerLogScreen(name);
}

bool usageTrackerOptIn() { return g_usageTracker ? g_usageTracker->optIn : true; }

void usageTrackerSetOptIn(bool optIn) {
    if (g_usageTracker) g_usageTracker->optIn = optIn;
}
