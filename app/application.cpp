// The application object and its state record.
#include "app/application.h"

#include <cstring>

#include "app/input.h"
#include "app/platform_main.h"
#include "engine3d/engine3d.h"
#include "game/game_controls.h"
#include "game/game_session.h"
#include "gfx2d/graphics.h"
#include "menu/pointer_events.h"
#include "online/usage_tracker.h"
#include "platform/platform.h"
#include "storage/pack.h"

AppState g_app;

namespace {

const char* const kSoundNameTable[kSoundNames] = {
    "bush1", "bush2", "hittree", "pickup", "", "", "", "", "", "", "", "",
    "",      "",      "",        "",       "", "", "", "", "", "", "", ""};
const char* const kMusicNameTable[1] = {"ambient_short2"};

void gameUpdate() {
    uint32_t now = platform::ticks();
    int64_t delta = static_cast<int64_t>(now) - static_cast<int64_t>(g_app.lastFrameStamp);
    if (delta < 0) delta = 1;
    if (delta > 100) delta = 100;
    if (g_gameControls) gameControlsUpdate(g_gameControls);
    if (g_app.screenId == kScreenGameSession && g_gameSession) {
        FrameDelta d{static_cast<float>(delta) * 0.001f, static_cast<int32_t>(delta)};
        gameSessionUpdate(g_gameSession, d);
    }
    advancePointerPhases();
}

}  // namespace

void applicationSetDevice(const char* hardwareName, int32_t width, int32_t height) {
    const char* name = hardwareName && (!std::strcmp(hardwareName, "pre") ||
                                        !std::strcmp(hardwareName, "pixi"))
                           ? hardwareName
                           : "";
    std::strncpy(g_app.deviceName, name, sizeof g_app.deviceName - 1);
    g_app.screenWidth = width;
    g_app.screenHeight = height;
}

void applicationConstruct(int32_t deviceArgument) {
    g_app.deviceArgument = deviceArgument;
    openPack(g_platform.packPath);
    g_engine = createEngine3D();
    g_app.soundNames = kSoundNameTable;
    g_app.musicNames = kMusicNameTable;
    g_app.runState = kRunNone;
    g_app.screenId = 0;
    g_app.drawing = false;
    g_app.started = false;
    g_app.lastFrameStamp = 0;
    g_app.frameCounter = 0;
    g_gameControls = createGameControls();
    menuResetPointerState();
    clearKeyStates();
    g_usageTracker = new UsageTracker("zorvane");
    g_gameSession = new GameSession();
    gameSessionInitialise(g_gameSession);
    applicationSetScreen(kScreenGameSession);
    applicationSetRunState(kRunStart);
}

void applicationUpdate() {
    if (g_app.runState == kRunStart) {
        platformStartHook();
        applicationSetRunState(kRunRunning);
    }
    if (g_app.runState == kRunRunning) gameUpdate();
    g_app.lastFrameStamp = platform::ticks();
    ++g_app.frameCounter;
}

void applicationDraw(Graphics* graphics) {
    if (!g_app.started) return;
    if (g_app.runState == kRunPaused) applicationResume();
    if (g_app.drawing) return;
    g_app.drawing = true;
    if (g_app.runState == kRunRunning) {
        if (g_app.screenId == kScreenGameSession && g_gameSession)
            gameSessionDraw(g_gameSession, graphics);
    } else if (graphics) {
        graphics->setColor(0xFF000000u);
        graphics->setClip(0, 0, 480, 320);
        graphics->fillRect(0, 0, 480, 320);
    }
    g_app.drawing = false;
}

void applicationPause() {
    if (g_app.runState == kRunRunning) g_app.runState = kRunPaused;
}

void applicationResume() {
    if (g_app.runState == kRunPaused) g_app.runState = kRunRunning;
}

void applicationSetRunState(int32_t state) {
    g_app.runState = state;
    if (state == kRunStart) g_app.started = true;
}

void applicationSetScreen(int32_t id) {
    g_app.screenId = id;
    if (id == kScreenGameSession && g_gameSession) gameSessionEnter(g_gameSession);
}

void applicationSetAccelerometer(float x, float y, float z) {
    g_app.accelerometer[0] = x;
    g_app.accelerometer[1] = y;
    g_app.accelerometer[2] = z;
}

int32_t applicationScreenWidth() { return g_app.screenWidth; }
int32_t applicationScreenHeight() { return g_app.screenHeight; }
const char* applicationDeviceName() { return g_app.deviceName; }

const char* soundFileName(int index) {
    if (index < 0 || index > 20 || !g_app.soundNames) return "";
    return g_app.soundNames[index];
}

const char* musicFileName(int index) {
    // The table has one entry; other indexes read nothing rather than past its end.
    return g_app.musicNames && index == 0 ? g_app.musicNames[0] : "";
}

void platformStartHook() {}
void platformInGameHook(bool) {}
