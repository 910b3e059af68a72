// The empty client layer.
#include "online/online_client.h"

namespace {
OnlineClient g_emptyClient;
OnlineClient* g_installedClient = nullptr;
}  // namespace

void OnlineClient::initialise(const char*, const char*, const char*, int32_t, int32_t) {}
OnlineHandle OnlineClient::registerLeaderboard(const char*) { return 0; }
OnlineHandle OnlineClient::registerAchievement(const char*) { return 0; }
void OnlineClient::signIn() {}
void OnlineClient::openDashboard() {}
void OnlineClient::openLeaderboard(OnlineHandle) {}
void OnlineClient::submitScore(OnlineHandle, int32_t) {}
void OnlineClient::unlockAchievements(const OnlineHandle*, int32_t) {}
void OnlineClient::trackerStart() {}
void OnlineClient::trackerLogScreen(const char*) {}
void OnlineClient::trackerLogGameStart(int32_t, int32_t, int32_t) {}
void OnlineClient::trackerLogGameEnd(int32_t, int32_t, int32_t) {}
int32_t OnlineClient::trackerFrame() { return 0; }

OnlineClient* createHandlerClient(KVOpenFeintHandler*) {
    return g_installedClient ? g_installedClient : &g_emptyClient;
}

void installOnlineClient(OnlineClient* client) { g_installedClient = client; }
