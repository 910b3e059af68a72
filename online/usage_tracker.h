// UsageTracker: the usage-statistics client of the online service, created once with the
// application id. Its outside component is reached through an empty client layer.
#pragma once

struct UsageTracker {
    explicit UsageTracker(const char* id) : appId(id) {}
    const char* appId;
};

extern UsageTracker* g_usageTracker;
