// The thin layer between the game and the outside online score service and usage tracker. The
// service's client library is not part of the game: the client here does nothing and returns 0
// (handles included), which is all the game relies on. A real service layer, or a test, installs
// a client of its own.
#pragma once

#include <cstdint>

class KVOpenFeintHandler;

// Opaque handle given by the service client.
using OnlineHandle = uint32_t;

class OnlineClient {
public:
    virtual ~OnlineClient() = default;

    // ---- Score and achievement service ----
    // gameName, the product key (21 letters and digits) and secret (43), then the numbers of
    // leaderboards and achievements.
    virtual void initialise(const char* gameName, const char* productKey,
                            const char* productSecret, int32_t leaderboards,
                            int32_t achievements);
    virtual OnlineHandle registerLeaderboard(const char* id);
    virtual OnlineHandle registerAchievement(const char* id);
    virtual void signIn();
    virtual void openDashboard();
    virtual void openLeaderboard(OnlineHandle board);
    virtual void submitScore(OnlineHandle board, int32_t score);
    // The list is only read during the call.
    virtual void unlockAchievements(const OnlineHandle* achievements, int32_t count);

    // ---- Usage tracker ----
    virtual void trackerStart();
    virtual void trackerLogScreen(const char* name);
    virtual void trackerLogGameStart(int32_t mode, int32_t a, int32_t b);
    virtual void trackerLogGameEnd(int32_t distance, int32_t points, int32_t crashKind);
    virtual int32_t trackerFrame();
};

// "create handler client": the client for a handler (or the usage tracker, with a null handler).
// The installed client, else the empty one; never null.
OnlineClient* createHandlerClient(KVOpenFeintHandler* handler);
// The client that handlers and trackers created from now on get; null puts back the empty one.
void installOnlineClient(OnlineClient* client);
