// Per-run statistics, the end of a run and the achievement table.
#include "game/run_stats.h"

#include <cstdint>

#include "game/game_mode.h"
#include "game/score.h"

RunStats* g_runStats = nullptr;

namespace {

constexpr int32_t kAnyMode = -1;

// One row of the achievement table: checked in table order, in the named mode only.
struct Achievement {
    int32_t index;
    int32_t mode;  // kModeDistance, kModePoints or kAnyMode
    bool (*holds)(const RunStats& s);
};

const Achievement kAchievementTable[kAchievements] = {
    {0, kModeDistance, [](const RunStats& s) { return s.distance >= 100.0f; }},
    {1, kModeDistance, [](const RunStats& s) { return s.distance >= 1000.0f; }},
    {2, kModeDistance, [](const RunStats& s) { return s.distance >= 2000.0f; }},
    {3, kModeDistance, [](const RunStats& s) { return s.distance >= 5000.0f; }},
    {4, kModePoints, [](const RunStats& s) { return s.points > 999; }},
    {5, kModePoints, [](const RunStats& s) { return s.points > 9999; }},
    {6, kModePoints, [](const RunStats& s) { return s.points > 49999; }},
    {7, kModePoints, [](const RunStats& s) { return s.points > 149999; }},
    {20, kModePoints, [](const RunStats& s) { return s.bonusPoints > 9999; }},
    {21, kModePoints, [](const RunStats& s) { return s.bonusPoints > 19999; }},
    {22, kModePoints, [](const RunStats& s) { return s.bonusPoints > 39999; }},
    {23, kModePoints, [](const RunStats& s) { return s.bonusPoints > 59999; }},
    {10, kModeDistance, [](const RunStats& s) { return s.counts[kCountShrubs] > 29; }},
    {11, kModeDistance, [](const RunStats& s) { return s.firstAt[kCountShrubs] >= 750.0f; }},
    {12, kModeDistance, [](const RunStats& s) { return s.firstAt[kCountShrubs] >= 1000.0f; }},
    {13, kModeDistance, [](const RunStats& s) { return s.firstAt[kCountShrubs] >= 1500.0f; }},
    {14, kModeDistance, [](const RunStats& s) { return s.firstAt[kCountShrubs] >= 2000.0f; }},
    {16, kAnyMode, [](const RunStats& s) { return s.firstAt[kCountNearMisses] >= 1000.0f; }},
    {17, kAnyMode, [](const RunStats& s) { return s.counts[kCountNearMisses] > 9; }},
    {18, kAnyMode, [](const RunStats& s) { return s.counts[kCountX2] > 9; }},
    {19, kAnyMode, [](const RunStats& s) { return s.counts[kCountX3] > 9; }},
    {15, kAnyMode,
     [](const RunStats& s) {
         return s.counts[kCountCoins] + s.counts[kCountX2] + s.counts[kCountX3] > 49;
     }},
    {8, kAnyMode, [](const RunStats& s) { return s.crashKind == 2; }},
    {9, kAnyMode,
     [](const RunStats& s) {
         if (s.runsCounted < kRunsForShortRuns) return false;
         for (float d : s.lastDistances)
             if (!(d <= kShortRunDistance)) return false;
         return true;
     }},
};

void unlock(RunStats* stats, int32_t index) {
    if (stats->unlocked[index]) return;
    stats->unlocked[index] = true;
    if (stats->unlockQueueCount < kAchievements)
        stats->unlockQueue[stats->unlockQueueCount++] = index;
}

}  // namespace

void runStatsInitialise(RunStats* stats) {
    *stats = RunStats{};
    g_runStats = stats;
}

void runStatsBeginRun(RunStats* stats, int32_t mode) {
    stats->unlockQueueCount = 0;
    stats->mode = 0;
    for (int i = 0; i < kStatCounts; ++i) {
        stats->counts[i] = 0;
        stats->firstAt[i] = 0.0f;
    }
    stats->crashKind = 0;
    stats->points = 0;
    stats->bonusPoints = 0;
    stats->distance = 0.0f;
    stats->mode = mode;
}

void runStatsCount(RunStats* stats, int32_t index, float distance) {
    if (!stats || index < 0 || index >= kStatCounts) return;
    stats->counts[index] += 1;
    if (stats->firstAt[index] == 0.0f) stats->firstAt[index] = distance;
}

void runStatsEndRun(RunStats* stats, int32_t crashKind, float distance, const Score& score) {
    stats->crashKind = crashKind;
    stats->distance = distance;
    stats->points = truncateToInt32(score.total);
    // Each bonus is truncated on its own, as the results screen shows them.
    int64_t bonus = static_cast<int64_t>(truncateToInt32(score.distanceBonus)) +
                    truncateToInt32(score.pickupBonus);
    if (bonus > INT32_MAX) bonus = INT32_MAX;
    if (bonus < INT32_MIN) bonus = INT32_MIN;
    stats->bonusPoints = static_cast<int32_t>(bonus);

    // A saved record may hold any index; the slot written is always one of the three.
    if (stats->lastIndex < 0 || stats->lastIndex >= kLastDistances) stats->lastIndex = 0;
    stats->lastDistances[stats->lastIndex] = distance;
    if (stats->runsCounted < 0) stats->runsCounted = 0;
    if (stats->runsCounted < kRunsForShortRuns) ++stats->runsCounted;

    // What never happened in this run counts as having happened at its end.
    for (int i = 0; i < kStatCounts; ++i)
        if (stats->firstAt[i] == 0.0f) stats->firstAt[i] = distance;

    for (const Achievement& a : kAchievementTable) {
        if (a.mode != kAnyMode && a.mode != stats->mode) continue;
        if (a.holds(*stats)) unlock(stats, a.index);
    }

    stats->lastIndex = (stats->lastIndex + 1) % kLastDistances;
}

int32_t runStatsTakeNextUnlock(RunStats* stats) {
    if (stats->unlockQueueCount <= 0) return -1;
    const int32_t index = stats->unlockQueue[0];
    for (int32_t i = 1; i < stats->unlockQueueCount; ++i)
        stats->unlockQueue[i - 1] = stats->unlockQueue[i];
    --stats->unlockQueueCount;
    return index;
}

const int32_t* runStatsUnlockedList(RunStats* stats, int32_t* count) {
    int32_t n = 0;
    for (int32_t i = 0; i < kAchievements; ++i)
        if (stats->unlocked[i]) stats->unlockedList[n++] = i;
    if (count) *count = n;
    return stats->unlockedList;
}

void runStatsEmptyUnlockQueue(RunStats* stats) { stats->unlockQueueCount = 0; }
