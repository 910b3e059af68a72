// The online handler and the usage tracker calls. The service client layer is not in yet: the
// handler's operations and the tracker calls reach nothing until it is.
#include "online/connect.h"

Connect* g_connect = nullptr;

void KVOpenFeintHandler::onConnected() {}
void KVOpenFeintHandler::onSuspendRequest(bool) {}
void KVOpenFeintHandler::onResumeRequest(bool) {}

void Connect::registerHandler() {}                       // the client layer registers the ids here
void Connect::connect() {}                               // the client layer signs the player in
void Connect::openDashboard() {}                         // the client layer opens its dashboard
void Connect::openLeaderboard(int32_t) {}                // the client layer opens the board
void Connect::submitScore(int32_t, int32_t) {}           // the client layer posts the score
void Connect::unlockAchievements(const int32_t*, int32_t) {}  // the client layer unlocks them
void Connect::onConnected() {}       // the handler resubmits achievements and best points here
void Connect::onSuspendRequest(bool) {}  // the handler suspends the game session here
void Connect::onResumeRequest(bool) {}   // the handler resumes the game session here

void usageTrackerSessionStart() {}             // the tracker's client reports the session start
void usageTrackerGameStart(int32_t) {}         // the tracker's client reports a game start
void usageTrackerGameEnd(int32_t, int32_t, int32_t) {}  // the tracker's client reports the result
void usageTrackerFrame() {}                    // the tracker's client gets its frame call
// A new tracker is opted in; the tracker's own flag answers this once it keeps one.
bool usageTrackerOptIn() { return true; }
void usageTrackerSetOptIn(bool) {}             // the tracker keeps the flag here
