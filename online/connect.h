// The online score service as the game sees it: the handler base class whose three operations the
// service calls, and Connect, the game's handler, which posts results and unlocks achievements
// while the player is connected. Also the usage tracker's calls. The service and the tracker are
// outside components reached through an empty client layer.
#pragma once

#include <cstdint>

// Opaque handle given by the service client.
using OnlineHandle = uint32_t;

constexpr int32_t kLeaderboards = 2;        // "415844" distance mode, "418404" points mode
constexpr int32_t kOnlineAchievements = 24;

class KVOpenFeintHandler {
public:
    virtual ~KVOpenFeintHandler() = default;
    // The service has connected the player.
    virtual void onConnected();
    virtual void onSuspendRequest(bool flag);
    virtual void onResumeRequest(bool flag);
};

class Connect : public KVOpenFeintHandler {
public:
    bool connected = false;   // true once the player has asked to connect
    void* client = nullptr;   // the service client (outside component)
    OnlineHandle leaderboards[kLeaderboards] = {};
    OnlineHandle achievements[kOnlineAchievements] = {};
    OnlineHandle submission[kOnlineAchievements] = {};  // scratch list of one unlock batch

    // Creates the client and registers the leaderboards and achievements.
    void registerHandler();
    // connected = true; signs the player in.
    void connect();
    // Posting happens only while enabled.
    bool enabled() const { return connected; }
    void openDashboard();
    void openLeaderboard(int32_t board);
    void submitScore(int32_t board, int32_t score);
    // Unlocks the achievements with these indices (0..23) in one call.
    void unlockAchievements(const int32_t* indices, int32_t count);

    void onConnected() override;
    // A set flag suspends the game session (activity 2).
    void onSuspendRequest(bool flag) override;
    // A flag other than 1 resumes the game session (activity 1).
    void onResumeRequest(bool flag) override;
};

// The game's handler, registered by the game session's initialisation.
extern Connect* g_connect;

// ---- Usage tracker --------------------------------------------------------------------------
void usageTrackerSessionStart();
void usageTrackerGameStart(int32_t mode);
void usageTrackerGameEnd(int32_t distance, int32_t points, int32_t crashKind);
void usageTrackerFrame();
// The tracker's opt-in flag, which the saved record keeps.
bool usageTrackerOptIn();
void usageTrackerSetOptIn(bool optIn);
