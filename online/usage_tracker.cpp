// The usage tracker singleton.
#include "online/usage_tracker.h"

UsageTracker* g_usageTracker = nullptr;
