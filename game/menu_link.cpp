// What the menus ask of the game: the flow's requests, the settings the sound page edits, the
// achievements page's unlocked states and the last run's result for the game-over pages.
#include "game/menu_link.h"

#include "game/game_flow.h"
#include "game/scene.h"
#include "menu/menu_sys.h"

namespace {

GameFlow* flow() { return g_gameFlow; }

void startRun(int32_t mode) {
    if (flow()) gameFlowStartRun(flow(), mode);
}
void resume() {
    if (flow()) gameFlowPause(flow(), false);
}
void retry() {
    if (flow()) gameFlowRetry(flow());
}
void setFlowState(int32_t state) {
    if (flow()) gameFlowSetState(flow(), state);
}
void requestSkip() {
    if (flow()) gameFlowRequestSkip(flow());
}
void saveNow() {
    if (flow()) gameFlowSaveNow(flow());
}
float volume() { return flow() ? flow()->soundSettings.volume : 0.0f; }
void setVolume(float v) {
    if (flow()) soundSetVolume(&flow()->soundSettings, v);
}
bool onlineOption() { return flow() && flow()->online.enabled(); }
void setOnlineOption(bool on) {
    if (!flow()) return;
    flow()->saveInfo.online = on;
    // The save takes the handler's enabled flag, so switching off must disable the handler too,
    // or the next save would write the option back as on.
    if (on && !flow()->online.enabled()) flow()->online.connect();
    if (!on) flow()->online.disconnect();
    gameFlowSaveNow(flow());
}
int32_t gameMode() { return flow() ? flow()->run.mode : 0; }
bool achievementUnlocked(int32_t index) {
    return flow() && index >= 0 && index < kAchievements && flow()->runStats.unlocked[index];
}
int32_t nextUnlock() { return flow() ? runStatsTakeNextUnlock(&flow()->runStats) : -1; }
bool runResult(MenuRunResult* out) {
    if (!flow()) return false;
    const GameFlow& f = *flow();
    const RunStats& stats = f.runStats;
    const int32_t mode = f.run.mode == 1 ? 1 : 0;
    out->mode = mode;
    out->distance = stats.distance;
    out->points = stats.points;
    out->best = f.bestScores.modes[mode].best;
    out->newBest = f.bestScores.modes[mode].newBest;
    out->bonusPoints = stats.bonusPoints;
    out->coins = stats.counts[kCountCoins];
    out->nearMisses = stats.counts[kCountNearMisses];
    out->shrubs = stats.counts[kCountShrubs];
    out->crashKind = stats.crashKind;
    return true;
}

// The menus' background: the forest from their own camera, with the mode signs on the main screen.
void drawMenuBackground(const MenuCamera& c, int32_t variant, Graphics*) {
    if (!g_forestScene || !g_forestScene->renderer) return;
    sceneDrawBackground(g_forestScene, {c.eye[0], c.eye[1], c.eye[2]},
                        {c.target[0], c.target[1], c.target[2]}, {c.up[0], c.up[1], c.up[2]},
                        c.fieldOfView, variant == 1);
}

}  // namespace

void registerMenuGameLink() {
    MenuGameLink link{};
    link.startRun = startRun;
    link.resume = resume;
    link.retry = retry;
    link.setFlowState = setFlowState;
    link.requestSkip = requestSkip;
    link.saveNow = saveNow;
    link.volume = volume;
    link.setVolume = setVolume;
    link.onlineOption = onlineOption;
    link.setOnlineOption = setOnlineOption;
    link.gameMode = gameMode;
    link.achievementUnlocked = achievementUnlocked;
    link.nextUnlock = nextUnlock;
    link.runResult = runResult;
    setMenuGameLink(link);
    setMenuBackgroundDrawer(drawMenuBackground);
}
