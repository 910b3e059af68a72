// Run statistics and achievements: what one run counted (shrubs, pickups, near misses and the
// distance each first happened at), how it ended, the last three distances of any mode, and the 24
// achievements that the end of a run unlocks for good.
#pragma once

#include <cstdint>

struct Score;

constexpr int32_t kAchievements = 24;
constexpr int32_t kLastDistances = 3;
constexpr int32_t kRunsForShortRuns = 3;     // achievement 9 looks at the last three runs
constexpr float kShortRunDistance = 250.0f;  // ... each of them this short or shorter

enum StatCount : int32_t {
    kCountShrubs = 0,
    kCountX2 = 1,
    kCountX3 = 2,
    kCountCoins = 3,
    kCountNearMisses = 4,
    kStatCounts = 5,
};

struct RunStats {
    bool unlocked[kAchievements];  // kept for ever (saved)
    int32_t mode;                  // of the current run
    int32_t counts[kStatCounts];   // per run
    float firstAt[kStatCounts];    // distance at which each count first rose; 0 = not yet
    int32_t crashKind;             // 1 tree, 2 death marker
    int32_t points;                // total points of the run
    int32_t bonusPoints;           // the part of them the multiplier gave
    float distance;                // of the run
    float lastDistances[kLastDistances];  // last three runs of any mode (saved)
    int32_t lastIndex;                    // next slot of lastDistances, 0..2 (saved)
    int32_t runsCounted;                  // 0..3 (saved)
    int32_t unlockQueue[kAchievements];   // unlocked since last emptied, oldest first
    int32_t unlockQueueCount;
    int32_t unlockedList[kAchievements];  // all unlocked indices, rebuilt on demand
};

extern RunStats* g_runStats;

// All zero; registers the stats globally.
void runStatsInitialise(RunStats* stats);
// Empties the unlock queue, zeroes the per-run values and sets the mode.
void runStatsBeginRun(RunStats* stats, int32_t mode);
// counts[index] += 1; the first rise records the distance. Null stats or a bad index: nothing.
void runStatsCount(RunStats* stats, int32_t index, float distance);
// Closes the run: result, last distances, the first-at fill of what never happened, then the
// achievements in their fixed order.
void runStatsEndRun(RunStats* stats, int32_t crashKind, float distance, const Score& score);
// Removes and returns the oldest queued achievement, -1 when the queue is empty.
int32_t runStatsTakeNextUnlock(RunStats* stats);
// Rebuilds the list of every unlocked achievement in index order; *count gets its length.
const int32_t* runStatsUnlockedList(RunStats* stats, int32_t* count);
void runStatsEmptyUnlockQueue(RunStats* stats);
