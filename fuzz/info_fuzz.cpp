// Fuzz target of the saved record "info": the bytes as they are (mostly refused: short or foreign),
// then the same bytes with the right magic, so the field checks see every kind of value. Each
// version goes through the decoder alone and then through the game's own start-up path: written
// as the "info" file of a private install folder, read by the record store and applied to a
// game session, whose runs (one per mode, with the record markers ahead and a crash that gathers
// the record again) then use the values. An accepted record must hold every field in its
// documented range, and writing it out and reading it back must give the same values.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "game/forest.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/save_info.h"
#include "storage/record_store.h"

namespace {

using fuzzcheck::require;

bool finiteAndNotNegative(float v) { return std::isfinite(v) && v >= 0.0f; }

void checkRecord(const SaveInfo& s) {
    for (int32_t best : s.bestPoints) require(best >= 0);
    for (const ModeRecords& r : s.records) {
        for (int i = 0; i < kRecordSlots; ++i) {
            require(finiteAndNotNegative(r.top[i]) && finiteAndNotNegative(r.ring[i]));
            require(i == 0 || r.top[i - 1] >= r.top[i]);
        }
        require(r.ringIndex >= 0 && r.ringIndex < kRecordSlots);
    }
    for (float d : s.lastDistances) require(finiteAndNotNegative(d));
    require(s.lastIndex >= 0 && s.lastIndex < kLastDistances);
    require(s.runsCounted >= 0 && s.runsCounted <= kRunsForShortRuns);
    require(s.volume >= 0.0f && s.volume <= 1.0f);
    // Written out and read back, the record gives the same bytes again.
    uint8_t bytes[kSaveInfoBytes], again[kSaveInfoBytes];
    encodeSaveInfo(s, bytes);
    SaveInfo back;
    require(decodeSaveInfo(bytes, sizeof bytes, &back));
    encodeSaveInfo(back, again);
    require(std::memcmp(bytes, again, sizeof bytes) == 0);
}

bool decode(const uint8_t* data, size_t size) {
    SaveInfo s;
    saveInfoDefaults(&s);
    if (!decodeSaveInfo(data, size, &s)) return false;
    checkRecord(s);
    return true;
}

void checkGame(GameFlow* flow) {
    SaveInfo now;
    gatherSaveInfo(flow, &now);
    checkRecord(now);
}

// A game of its own whose install folder is the scratch folder; its saves stop quietly before the
// file opens (the fuzzer writes the record itself, and a synced write per input would be slow).
GameFlow& game() {
    static GameSession* session = nullptr;
    if (!session) {
        setRecordBasePath(fuzzcheck::scratchPath("").c_str());
        setSaveFaultHook([](SaveStep step) {
            return step == SaveStep::kOpen ? SaveFault::kCrash : SaveFault::kNone;
        });
        session = new GameSession();
        gameSessionInitialise(session);
    }
    return session->flow;
}

// The record as the game meets it at start: read from its file, applied, then used by a run of
// each mode that meets the record markers ahead and crashes.
void startGame(const uint8_t* data, size_t size, bool accepted) {
    GameFlow& flow = game();
    fuzzcheck::writeFile(fuzzcheck::scratchPath(kSaveRecordName), data, size);
    SaveInfo start;
    saveInfoDefaults(&start);
    applySaveInfo(&flow, start);
    const bool read = gameFlowLoadSaved(&flow);
    // The store reads at most the record's 236 bytes, so a longer file decodes as its start.
    require(read == (size >= kSaveInfoBytes && accepted));
    if (!read) return;
    checkRecord(flow.saveInfo);
    checkGame(&flow);
    Run& run = flow.run;
    for (int32_t mode : {kModeDistance, kModePoints}) {
        gameFlowStartRun(&flow, mode);
        run.runner.position = {0.0f, flow.saveInfo.records[mode].top[0] - 20.0f};
        run.generator.nextRowY = run.runner.position.y;
        generateRows(&run);
        runSetState(&run, kRunStateCrashed);
        checkGame(&flow);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* copy = fuzzcheck::heapCopy(data, size);
    startGame(copy, size, decode(copy, size));
    if (size >= 4) {
        for (int i = 0; i < 4; ++i) copy[i] = static_cast<uint8_t>(kSaveMagic >> (8 * i));
        startGame(copy, size, decode(copy, size));
    }
    delete[] copy;
    return 0;
}
