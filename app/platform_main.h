// The process entry beneath the application: start-up, the main loop with its pause handling,
// event dispatch and shutdown.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

struct PlatformState {
    int32_t screenWidth, screenHeight;  // portrait device size
    int32_t viewportX, viewportY, viewportWidth, viewportHeight;
    SDL_Joystick* joystick;             // joystick 0: the accelerometer
    char* packPath;                     // install folder + "packres.bin" (256 bytes)
    char* basePath;                     // install folder with its trailing '/' (256 bytes)
    bool paused;                        // the platform has taken the focus away
    SDL_Surface* screen;
    bool running;                       // the main loop goes on
};

extern PlatformState g_platform;
// Running sum of the focus events' gain and state bytes, and how many were summed.
extern int32_t g_activeEventCode;
extern int32_t g_activeEventCounter;

int platformMain();
// 0, or -1 when the platform is not ready.
int startUp();
// Runs until a quit event (or, with ZV_EXIT_AT_MENU set, the first main menu frame); returns 0.
int mainLoop();
// One pass of the main loop: a frame (unless paused) and the pending events. False once quit.
bool mainLoopPass();
void shutDown();
// Clears depth, steps the accelerometer, updates and draws the application (no swap).
void runFrame();
// 0 to go on, -1 to end the loop.
int dispatchEvent(const SDL_Event& event);
