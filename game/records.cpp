// Best points and distance records.
#include "game/records.h"

#include "game/game_mode.h"

BestScores* g_bestScores = nullptr;

void bestScoresSet(BestScores* scores, int32_t mode, int32_t value) {
    if (!isGameMode(mode)) return;
    BestScore& s = scores->modes[mode];
    s.previousBest = s.best;
    s.newBest = false;
    s.last = value;
    if (s.best < value) {
        s.best = value;
        s.newBest = true;
    }
}

void runRecordsAdd(RunRecords* records, int32_t mode, float distance) {
    if (!isGameMode(mode)) return;
    ModeRecords& r = records->modes[mode];
    for (int32_t i = 0; i < kRecordSlots; ++i) {
        if (r.top[i] <= distance) {
            for (int32_t j = kRecordSlots - 1; j > i; --j) r.top[j] = r.top[j - 1];
            r.top[i] = distance;
            break;
        }
    }
    if (r.ringIndex < 0 || r.ringIndex >= kRecordSlots) r.ringIndex = 0;
    r.ring[r.ringIndex] = distance;
    r.ringIndex = (r.ringIndex + 1) % kRecordSlots;
}

bool findNextRecord(const RunRecords* records, int32_t mode, float lo, float hi, float* out) {
    if (!isGameMode(mode)) return false;
    const ModeRecords& r = records->modes[mode];
    bool found = false;
    float best = 0.0f;
    auto consider = [&](float d) {
        if (d != 0.0f && lo < d && d <= hi && (!found || d < best)) {
            best = d;
            found = true;
        }
    };
    for (int32_t i = 0; i < kRecordSlots; ++i) {
        consider(r.top[i]);
        consider(r.ring[i]);
    }
    if (found) *out = best;
    return found;
}

float nextRecord(const RunRecords* records, int32_t mode, float lo, float hi) {
    float d;
    return findNextRecord(records, mode, lo, hi, &d) ? d : hi + 1.0f;
}
