// The flow's states and loading stages, game over, the menu calls and the saved record.
#include "game/game_flow.h"

#include "game/game_mode.h"
#include "game/world_resources.h"
#include "gfx2d/sprite.h"
#include "menu/menu_sys.h"
#include "menu/text_tables.h"
#include "storage/record_store.h"

GameFlow* g_gameFlow = nullptr;

namespace {

constexpr int32_t kFirstWorldStage = 5;   // stages 5..12 are the world resource steps 0..7
constexpr int32_t kHudSpriteStage = 13;

void showMenuScreen(GameFlow* flow, int32_t screen, bool immediate) {
    if (flow->menus) showScreen(flow->menus, screen, immediate);
}

void enterGameOver(GameFlow* flow) {
    Connect& online = flow->online;
    online.submitScore(flow->run.mode, flow->runStats.points);
    int32_t count = 0;
    const int32_t* unlocked = runStatsUnlockedList(&flow->runStats, &count);
    online.unlockAchievements(unlocked, count);
    if (online.enabled()) runStatsEmptyUnlockQueue(&flow->runStats);
    showMenuScreen(flow, flow->run.mode == kModePoints ? kScreenGameOverPoints
                                                         : kScreenGameOverDistance,
                   false);
    screenEffectStart(&flow->screenEffect, kEffectWhiteFade, false, kWhiteFadeSeconds);
}

void enterState(GameFlow* flow, int32_t state) {
    switch (state) {
        case kFlowStart:
            flow->loadStage = 0;
            gameFlowSetState(flow, kFlowLoading);
            break;
        case kFlowLoading:
            showMenuScreen(flow, kScreenLoading, true);
            break;
        case kFlowLoaded:
            usageTrackerSessionStart();
            soundStartMusic(&flow->soundSettings);
            gameFlowSetState(flow, kFlowOnline);
            break;
        case kFlowOnline:
            if (flow->saveInfo.online) flow->online.connect();
            gameFlowSetState(flow, kFlowMainMenu);
            break;
        case kFlowMainMenu:
            showMenuScreen(flow, kScreenMainMenu, false);
            break;
        case kFlowInRun:
            showMenuScreen(flow, kNoMenuScreen, true);
            break;
        case kFlowPaused:
            showMenuScreen(flow, kScreenPause, false);
            break;
        case kFlowGameOver:
            enterGameOver(flow);
            break;
        case kFlowMoreGames:
            showMenuScreen(flow, kNoMenuScreen, true);
            moreGamesStart();
            break;
        default:
            break;
    }
}

}  // namespace

void gameFlowInitialise(GameFlow* flow, MenuSys* menus, GameControls* controls) {
    g_gameFlow = flow;
    flow->menus = menus;
    g_bestScores = &flow->bestScores;
    g_screenEffect = &flow->screenEffect;
    g_run = &flow->run;
    flow->run.hud.controls = controls;
    saveInfoDefaults(&flow->saveInfo);
    flow->online.registerHandler();
    g_connect = &flow->online;
    runStatsInitialise(&flow->runStats);
    soundSettingsInitialise(&flow->soundSettings);
}

void gameFlowSetState(GameFlow* flow, int32_t state) {
    flow->state = state;
    flow->timeInState = 0.0f;
    enterState(flow, state);
}

void gameFlowUpdate(GameFlow* flow, const FrameDelta& delta) {
    flow->timeInState += delta.seconds;
    switch (flow->state) {
        case kFlowLoading:
            if (flow->loadStage < kLoadStages) {
                gameFlowLoadStage(flow, flow->loadStage);
                ++flow->loadStage;
            }
            if (flow->loadStage > kLoadStages - 1 && flow->timeInState > kMinLoadingSeconds)
                gameFlowSetState(flow, kFlowLoaded);
            break;
        case kFlowInRun:
            runUpdate(&flow->run, delta);
            break;
        case kFlowMoreGames:
            if (moreGamesFinished()) gameFlowSetState(flow, kFlowMainMenu);
            break;
        default:
            break;
    }
}

void gameFlowLoadStage(GameFlow* flow, int32_t stage) {
    if (stage == 0) {
        gameFlowLoadSaved(flow);
        loadTexts();
        soundLoadEffects(&flow->soundSettings);
    } else if (stage >= 1 && stage <= 3) {
        if (flow->menus) buildMenus(flow->menus, stage - 1);
    } else if (stage == 4) {
        loadMoreGames();
        if (flow->menus)
            moreGamesSetFonts(menuFont(flow->menus, "/flarge.spr"),
                              menuFont(flow->menus, "/fsmall.spr"));
    } else if (stage >= kFirstWorldStage && stage < kFirstWorldStage + kWorldResourceSteps) {
        if (g_forestScene) loadWorldStep(g_forestScene, stage - kFirstWorldStage);
    } else if (stage == kHudSpriteStage) {
        if (g_forestScene) g_forestScene->hudSprite = loadSprite("/hud.spr");
    }
}

void gameFlowStartRun(GameFlow* flow, int32_t mode) {
    usageTrackerGameStart(mode);
    gameFlowSetState(flow, kFlowInRun);
    runStart(&flow->run, mode);
}

void gameFlowPause(GameFlow* flow, bool pause) {
    if (pause && flow->state == kFlowInRun) {
        runHudSetState(&flow->run.hud, kHudIdle);
        gameFlowSetState(flow, kFlowPaused);
    } else if (!pause && flow->state == kFlowPaused) {
        runHudSetState(&flow->run.hud, kHudSteering);
        gameFlowSetState(flow, kFlowInRun);
    }
}

void gameFlowRetry(GameFlow* flow) {
    runSetState(&flow->run, kRunStateStart);
    gameFlowSetState(flow, kFlowInRun);
}

void gameFlowRequestSkip(GameFlow* flow) { flow->skip = true; }

void gatherSaveInfo(GameFlow* flow, SaveInfo* info) {
    for (int32_t mode = 0; mode < kGameModes; ++mode) {
        info->bestPoints[mode] = flow->bestScores.modes[mode].best;
        info->records[mode] = flow->run.records.modes[mode];
    }
    info->online = flow->online.enabled();
    const RunStats& stats = flow->runStats;
    for (int32_t i = 0; i < kAchievements; ++i) info->achievements[i] = stats.unlocked[i];
    for (int32_t i = 0; i < kLastDistances; ++i) info->lastDistances[i] = stats.lastDistances[i];
    info->lastIndex = stats.lastIndex;
    info->runsCounted = stats.runsCounted;
    info->volume = flow->soundSettings.volume;
    info->usageTracking = usageTrackerOptIn();
}

void applySaveInfo(GameFlow* flow, const SaveInfo& info) {
    flow->saveInfo = info;
    for (int32_t mode = 0; mode < kGameModes; ++mode) {
        flow->bestScores.modes[mode].best = info.bestPoints[mode];
        flow->run.records.modes[mode] = info.records[mode];
    }
    RunStats& stats = flow->runStats;
    for (int32_t i = 0; i < kAchievements; ++i) stats.unlocked[i] = info.achievements[i];
    for (int32_t i = 0; i < kLastDistances; ++i) stats.lastDistances[i] = info.lastDistances[i];
    stats.lastIndex = info.lastIndex;
    stats.runsCounted = info.runsCounted;
    soundSetVolume(&flow->soundSettings, info.volume);
    usageTrackerSetOptIn(info.usageTracking);
}

void gameFlowSaveNow(GameFlow* flow) {
    gatherSaveInfo(flow, &flow->saveInfo);
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(flow->saveInfo, bytes);
    writeRecord(kSaveRecordName, bytes, sizeof bytes);  // a failed write keeps the values in memory
}

bool gameFlowLoadSaved(GameFlow* flow) {
    int32_t size = static_cast<int32_t>(kSaveInfoBytes);
    uint8_t* bytes = readRecord(kSaveRecordName, &size);
    SaveInfo info;
    const bool read = bytes && size >= 0 &&
                      decodeSaveInfo(bytes, static_cast<size_t>(size), &info);
    delete[] bytes;
    if (read) applySaveInfo(flow, info);
    return read;
}
