// The online score service as the game sees it: the handler base class whose three operations the
// service calls, and Connect, the game's handler, which registers the game's leaderboards and
// achievements, posts results and unlocks achievements while the player is connected. Also the
// usage tracker's calls. The service and the tracker are outside components reached through the
// client layer of online_client.h.
#pragma once

#include <cstdint>

#include "online/online_client.h"

constexpr int32_t kLeaderboards = 2;        // "415844" distance mode, "418404" points mode
constexpr int32_t kOnlineAchievements = 24;

constexpr const char* kOnlineGameName = "Zorvane";
extern const char* const kLeaderboardIds[kLeaderboards];
extern const char* const kAchievementIds[kOnlineAchievements];
// What identifies the game to the service: 21 and 43 letters and digits.
extern const char kProductKey[];
extern const char kProductSecret[];

class KVOpenFeintHandler {
public:
    virtual ~KVOpenFeintHandler() = default;
    // The service has connected the player.
    virtual void onConnected();
    virtual void onSuspendRequest(bool flag);
    virtual void onResumeRequest(bool flag);
};

// What the handler reads and changes in the game; the game session fills it in when it is set up.
struct OnlineGameLink {
    int32_t* activity;                   // the session's activity: 1 active, 2 suspended
    const bool* achievementFlags;        // the game's 24 achievement flags
    const int32_t* bestResults[kLeaderboards];  // best result of each game mode
};

class Connect : public KVOpenFeintHandler {
public:
    bool connected = false;            // true once the player has asked to connect
    OnlineClient* client = nullptr;    // the service client, made at registration
    OnlineHandle leaderboards[kLeaderboards] = {};
    OnlineHandle achievements[kOnlineAchievements] = {};
    OnlineHandle submission[kOnlineAchievements] = {};  // scratch list of one unlock batch
    OnlineGameLink game = {};

    // connected = false; creates and initialises the client and registers both leaderboards and
    // the 24 achievements, keeping their handles.
    void registerHandler();
    // connected = true; signs the player in. Runs whether connected or not.
    void connect();
    // connected = false: the player switched the service off, so nothing is posted and the saved
    // option says off.
    void disconnect() { connected = false; }
    // Posting happens only while enabled.
    bool enabled() const { return connected; }
    // The rest do nothing unless connected.
    void openDashboard();
    // board: 0 distance mode, 1 points mode; any other board is ignored.
    void openLeaderboard(int32_t board);
    void submitScore(int32_t board, int32_t score);
    // Unlocks the achievements with these indices in one call (indices outside 0..23 are left
    // out, at most 24 are sent).
    void unlockAchievements(const int32_t* indices, int32_t count);

    // Unlocks every achievement whose flag is set, then posts each mode's best result above 0.
    void onConnected() override;
    // A set flag suspends the game session (activity 2).
    void onSuspendRequest(bool flag) override;
    // A clear flag resumes the game session (activity 1).
    void onResumeRequest(bool flag) override;
};

// The game's handler, registered by the game session's initialisation.
extern Connect* g_connect;

// ---- Usage tracker (reaches the tracker of usage_tracker.h; nothing without one) --------------
void usageTrackerSessionStart();
void usageTrackerGameStart(int32_t mode);
void usageTrackerGameEnd(int32_t distance, int32_t points, int32_t crashKind);
void usageTrackerFrame();
// Screens: "MoreGames", "OpenFeintScores", "OpenFeint", "Achievements".
void usageTrackerLogScreen(const char* name);
// The tracker's opt-in flag, which the saved record keeps (true without a tracker, as a new
// tracker starts).
bool usageTrackerOptIn();
void usageTrackerSetOptIn(bool optIn);
