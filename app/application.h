// The application object: builds the long-lived game objects in a fixed order, keeps the run
// state and the current screen, and turns the platform's frames into timed updates and draws.
#pragma once

#include <cstdint>

class Graphics;

constexpr int kScreenGameSession = 6;
constexpr int kSoundNames = 24;

enum RunState : int32_t { kRunNone = 0, kRunStart = 1, kRunRunning = 2, kRunPaused = 3 };

struct AppState {
    int32_t runState;        // RunState
    bool started;            // run state has been 1: drawing may begin
    int32_t screenId;        // 6 (game session) once constructed
    bool drawing;            // guards against a nested draw
    uint32_t lastFrameStamp; // clock at the end of the previous update, ms
    int32_t frameCounter;    // frames so far; the time stamp of touch events
    int32_t deviceArgument;
    char deviceName[8];      // "pre", "pixi" or ""
    int32_t screenWidth, screenHeight;  // portrait device size
    const char* const* soundNames;      // 24 entries
    const char* const* musicNames;      // 1 entry
    float accelerometer[3];  // filtered x, y, z
};

extern AppState g_app;

// Start-up hands these over before construction.
void applicationSetDevice(const char* hardwareName, int32_t width, int32_t height);
void applicationConstruct(int32_t deviceArgument);
void applicationUpdate();
void applicationDraw(Graphics* graphics);
void applicationPause();
void applicationResume();
void applicationSetRunState(int32_t state);
void applicationSetScreen(int32_t id);
void applicationSetAccelerometer(float x, float y, float z);

int32_t applicationScreenWidth();
int32_t applicationScreenHeight();
const char* applicationDeviceName();
// Sound file name for index 0..20, "" for any other.
const char* soundFileName(int index);
// Music file name (index 0 is the only entry).
const char* musicFileName(int index);

// The game's hooks into the platform: run start/menu (keep the screen lit) and the switch from
// run state 1 to 2. They have nothing to do on a desktop.
void platformStartHook();
void platformInGameHook(bool inGame);
