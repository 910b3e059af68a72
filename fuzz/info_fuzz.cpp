// Fuzz target of the saved record "info": the bytes as they are (mostly refused: short or foreign),
// then the same bytes with the right magic, so the field checks see every kind of value. Each
// version goes through the decoder alone and then through the game's own start-up path: written
// as the "info" file of a private install folder, read by the record store and applied to a
// game session, whose runs (one per mode, with the record markers ahead and a crash that gathers
// the record again) then use the values. An accepted record must hold every field in its
// documented range, and writing it out and reading it back must give the same values.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "game/forest.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/save_info.h"
#include "storage/record_store.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void checkRange(const SaveInfo& s) {
    for (int32_t best : s.bestPoints) check(best >= 0);
    for (const ModeRecords& r : s.records) {
        for (int i = 0; i < kRecordSlots; ++i) {
            check(std::isfinite(r.top[i]) && r.top[i] >= 0.0f);
            check(std::isfinite(r.ring[i]) && r.ring[i] >= 0.0f);
            if (i > 0) check(r.top[i - 1] >= r.top[i]);
        }
        check(r.ringIndex >= 0 && r.ringIndex < kRecordSlots);
    }
    for (float d : s.lastDistances) check(std::isfinite(d) && d >= 0.0f);
    check(s.lastIndex >= 0 && s.lastIndex < kLastDistances);
    check(s.runsCounted >= 0 && s.runsCounted <= kRunsForShortRuns);
    check(s.volume >= 0.0f && s.volume <= 1.0f);
}

void checkRoundTrip(const SaveInfo& s) {
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(s, bytes);
    SaveInfo back;
    check(decodeSaveInfo(bytes, sizeof bytes, &back));
    uint8_t again[kSaveInfoBytes];
    encodeSaveInfo(back, again);
    check(std::memcmp(bytes, again, sizeof bytes) == 0);
}

bool decode(const uint8_t* data, size_t size) {
    SaveInfo s;
    saveInfoDefaults(&s);
    if (!decodeSaveInfo(data, size, &s)) return false;
    checkRange(s);
    checkRoundTrip(s);
    return true;
}

// A game of its own in a private install folder; its saves stop quietly before the file opens
// (the fuzzer writes the record itself, and a synced write per input would be slow).
struct Game {
    std::string folder;  // ends with '/'
    std::string file;    // the folder's "info"
    GameSession* session;
};

Game* g_game = nullptr;

void removeFolder() {
    unlink(g_game->file.c_str());
    rmdir(g_game->folder.c_str());
}

Game& game() {
    if (g_game) return *g_game;
    char pattern[] = "/tmp/zv-info-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    g_game = new Game{std::string(pattern) + "/", std::string(pattern) + "/" + kSaveRecordName,
                      nullptr};
    setRecordBasePath(g_game->folder.c_str());
    setSaveFaultHook([](SaveStep step) {
        return step == SaveStep::kOpen ? SaveFault::kCrash : SaveFault::kNone;
    });
    g_game->session = new GameSession();
    gameSessionInitialise(g_game->session);
    atexit(removeFolder);
    return *g_game;
}

void checkGame(const GameFlow& flow) {
    SaveInfo now;
    gatherSaveInfo(const_cast<GameFlow*>(&flow), &now);
    checkRange(now);
    checkRoundTrip(now);
}

// The record as the game meets it at start: read from its file, applied, then used by a run of
// each mode that meets the record markers ahead and crashes.
void startGame(const uint8_t* data, size_t size, bool accepted) {
    Game& g = game();
    FILE* f = std::fopen(g.file.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    GameFlow& flow = g.session->flow;
    SaveInfo start;
    saveInfoDefaults(&start);
    applySaveInfo(&flow, start);
    const bool read = gameFlowLoadSaved(&flow);
    // The store reads at most the record's 236 bytes, so a longer file decodes as its start.
    check(read == (size >= kSaveInfoBytes && accepted));
    if (!read) return;
    checkRange(flow.saveInfo);
    checkGame(flow);
    Run& run = flow.run;
    for (int32_t mode : {kModeDistance, kModePoints}) {
        gameFlowStartRun(&flow, mode);
        run.runner.position = {0.0f, flow.saveInfo.records[mode].top[0] - 20.0f};
        run.generator.nextRowY = run.runner.position.y;
        generateRows(&run);
        runSetState(&run, kRunStateCrashed);
        checkGame(flow);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly size bytes, so that a read past the end is caught.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    startGame(copy, size, decode(copy, size));
    if (size >= 4) {
        const uint32_t magic = kSaveMagic;
        for (int i = 0; i < 4; ++i) copy[i] = static_cast<uint8_t>(magic >> (8 * i));
        startGame(copy, size, decode(copy, size));
    }
    delete[] copy;
    return 0;
}
