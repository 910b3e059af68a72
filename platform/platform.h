// The desktop platform layer: the one narrow interface through which the game reaches what the
// phone's vendor pieces gave it (device metrics and paths, the GLES window, the buffer swap, the
// device's input events and the clock). Nothing else in the game knows it runs on a desktop.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// ---- Stand-ins for the phone's PDL library -------------------------------------------------
struct PDL_ScreenMetrics {
    int32_t horizontalPixels;
    int32_t verticalPixels;
    int32_t horizontalDPI;
    int32_t verticalDPI;
    double aspectRatio;
};
static_assert(sizeof(PDL_ScreenMetrics) == 24, "the screen metrics record is 24 bytes");

// Device name: "desktop" on a desktop (the game recognises only "pre" and "pixi").
const char* PDL_GetHardware();
// 0 on success, filling the first two fields with the portrait screen size (320 x 480).
int PDL_GetScreenMetrics(PDL_ScreenMetrics* metrics);
// Writes the folder the game reads its data from and keeps its record in, with a trailing '/'.
int PDL_GetCallingPath(char* buffer, int bufferLength);
void PDL_Quit();

namespace platform {

// Portrait device size.
constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 480;
// Upright (landscape) picture size.
constexpr int kLandscapeWidth = 480;
constexpr int kLandscapeHeight = 320;

// SDL_Init with the given flags, after making sure a usable video driver will be chosen: with no
// display and no SDL_VIDEODRIVER=dummy it prints how to run headless and exits with status 1.
int init(uint32_t sdlFlags);
// Stands in for the vendor SDL's GL attribute (17 = OpenGL ES major version).
int glSetAttribute(int attribute, int value);
// Opens the picture: a window (or nothing, headless) with an OpenGL ES 1.1 context drawing into
// the portrait framebuffer. Exits with status 1 and one line when no GLES 1.x context can be had.
SDL_Surface* setVideoMode(int width, int height, int bpp, uint32_t flags);
// Presents the portrait picture upright (windowed) and paces the loop; leaves the game's GL
// state as it was.
void swapBuffers();
// True when running without a display (SDL's dummy video driver).
bool headless();
// Closes the GL contexts and the window.
void closeVideo();

// Reads the current picture back as an upright 480 x 320 RGBA image (alpha 255), rows top
// first. rgba must hold 480 * 320 * 4 bytes. False when no picture exists.
bool readLandscape(uint8_t* rgba);
// Writes the current picture as an upright PNG. False on failure.
bool saveScreenshot(const char* path);

// ---- Events: the device simulator ----------------------------------------------------------
// The game's SDL_PollEvent/SDL_WaitEvent: desktop events come out as the device's events
// (mouse in portrait device coordinates, tilt as joystick-0 axes, focus as the phone's focus
// sequences); events queued with pushDeviceEvent come first, as they are.
int pollEvent(SDL_Event* event);
int waitEvent(SDL_Event* event);
// Queues an event exactly as the device would deliver it (used by the harness and tests).
void pushDeviceEvent(const SDL_Event& event);
// Device events queued and not yet delivered.
int pendingDeviceEvents();
// Sets the simulated roll angle in degrees (positive steers right, limited to +-35) and queues
// the three axis events of its gravity vector.
void setTiltAngle(float degrees);
float tiltAngle();
// The joystick axis values (axis 0, 1, 2) the simulator sends for a roll angle.
void tiltAxes(float degrees, int16_t axes[3]);
// Device (portrait) coordinates of a logical landscape point.
void logicalToDevice(int lx, int ly, int* rx, int* ry);

// ---- Time and folders -----------------------------------------------------------------------
// Milliseconds since start: SDL_GetTicks, or the clock installed by setClock.
uint32_t ticks();
void setClock(uint32_t (*clock)());
// Makes PDL_GetCallingPath return this folder (no data linking) instead of the user folder.
void setDataFolder(const char* path);
// Milliseconds of real time since the process started, by the kernel's record of its start
// (which counts in 10 ms steps); -1 when that record cannot be read.
double millisecondsSinceProcessStart();
// Links the game's data into folder as the user folder gets it: from beside the program (a
// build) or from <prefix>/share/zorvane/ (an install), replacing older links. False when the
// data is in neither place.
bool linkGameDataInto(const char* folder);

}  // namespace platform
