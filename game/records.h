// Results kept across runs: the best points of each mode, and per mode the ten longest distances
// and a ring of the last ten, which place the death markers of later forests.
#pragma once

#include <cstdint>

constexpr int32_t kRecordSlots = 10;

struct BestScore {
    int32_t best;
    int32_t previousBest;  // best before the last set
    bool newBest;          // the last set raised the best
    int32_t last;          // the value of the last set
};

struct BestScores {
    BestScore modes[2];  // by game mode
};

extern BestScores* g_bestScores;

// previous best = best, last = value; the best rises to value when below it.
void bestScoresSet(BestScores* scores, int32_t mode, int32_t value);

struct ModeRecords {
    float top[kRecordSlots];   // largest first, 0 = empty
    float ring[kRecordSlots];  // the last ten distances
    int32_t ringIndex;         // next ring slot, 0..9
};

struct RunRecords {
    ModeRecords modes[2];  // by game mode
};

// A new distance enters the top ten before the first entry it is not below (an equal entry moves
// down; the tenth drops out) and always takes the next ring slot.
void runRecordsAdd(RunRecords* records, int32_t mode, float distance);
// The smallest recorded distance d of the mode, over both lists, with lo < d <= hi and d != 0;
// hi + 1 when there is none.
float nextRecord(const RunRecords* records, int32_t mode, float lo, float hi);
// The same search telling "none" apart from a distance (hi + 1 cannot be told from hi once hi is
// large enough for the float to have no room for the 1).
bool findNextRecord(const RunRecords* records, int32_t mode, float lo, float hi, float* out);
