// GameFlow: the screen flow of the whole game (start, staged loading, main menu, a run, pause,
// game over, the cross-promotion screen) and the long-lived game objects it holds: the run, the
// results, the saved record, the online handler and the sound settings. The menu screens call
// into it to start, pause, resume or retry a run.
#pragma once

#include <cstdint>

#include "game/frame_delta.h"
#include "game/records.h"
#include "game/run.h"
#include "game/run_stats.h"
#include "game/save_info.h"
#include "game/scene.h"
#include "game/sound_settings.h"
#include "online/connect.h"

class MenuSys;
struct GameControls;

enum FlowState : int32_t {
    kFlowStart = 1,
    kFlowLoading = 2,
    kFlowLoaded = 3,
    kFlowOnline = 4,
    kFlowMainMenu = 5,
    kFlowInRun = 6,
    kFlowPaused = 7,
    kFlowGameOver = 8,
    kFlowMoreGames = 9,
};

constexpr int32_t kLoadStages = 14;          // one per frame
constexpr float kMinLoadingSeconds = 1.0f;   // the loading screen stays at least this long
constexpr float kWhiteFadeSeconds = 1.0f;

struct GameFlow {
    int32_t state;       // FlowState
    float timeInState;   // s; advanced before the state's update
    Run run;
    MenuSys* menus;      // the session's menu root
    ScreenEffect screenEffect;
    BestScores bestScores;
    SaveInfo saveInfo;   // the record as last read or written
    Connect online;
    int32_t loadStage;   // next loading stage, 0..14
    bool skip;           // asked for by the loading screen; nothing acts on it
    RunStats runStats;
    SoundSettings soundSettings;
};

extern GameFlow* g_gameFlow;

// Takes the menu root, registers the flow's global objects, hands the controls to the run's HUD
// and initialises the online handler, the run stats and the sound settings.
void gameFlowInitialise(GameFlow* flow, MenuSys* menus, GameControls* controls);
// state = n, timer 0, then the enter action of n (which may set another state at once).
void gameFlowSetState(GameFlow* flow, int32_t state);
// Timer, then the state's update.
void gameFlowUpdate(GameFlow* flow, const FrameDelta& delta);
// One loading stage (0..13).
void gameFlowLoadStage(GameFlow* flow, int32_t stage);

// ---- Called by the menu screens ------------------------------------------------------------
void gameFlowStartRun(GameFlow* flow, int32_t mode);
// Set: pause a run in progress (flow 6). Clear: resume a paused run (flow 7). Otherwise nothing.
void gameFlowPause(GameFlow* flow, bool pause);
void gameFlowRetry(GameFlow* flow);
// Writes "info" from the game's current values.
void gameFlowSaveNow(GameFlow* flow);
void gameFlowRequestSkip(GameFlow* flow);

// ---- The saved record -----------------------------------------------------------------------
// Collects what "info" keeps from the game objects.
void gatherSaveInfo(GameFlow* flow, SaveInfo* info);
// Gives the game objects the values of a record read from "info".
void applySaveInfo(GameFlow* flow, const SaveInfo& info);
// Reads "info" and applies it; false when it is missing, short or foreign (nothing applied).
bool gameFlowLoadSaved(GameFlow* flow);
