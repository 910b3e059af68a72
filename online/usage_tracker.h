// UsageTracker: the usage-statistics client of the online service, created once with the
// application id. It keeps the player's opt-in flag, which the saved record carries; its reports
// go out through the client layer.
#pragma once

#include "online/online_client.h"

struct UsageTracker {
    explicit UsageTracker(const char* id)
        : optIn(true), appId(id), client(createHandlerClient(nullptr)) {}
    bool optIn;             // first field: the player lets the tracker report
    const char* appId;      // "zorvane"
    OnlineClient* client;   // never null
};

extern UsageTracker* g_usageTracker;
