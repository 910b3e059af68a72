// What the platform layer's own files share: the window controls the simulator triggers and the
// PNG writer behind screenshots.
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

namespace platform {

void toggleFullscreen();
// Turns one desktop event into the device's events (queued for pollEvent).
void translateDesktopEvent(const SDL_Event& event);
// Writes rgba (width x height, rows top first) as a PNG file. False on any failure.
bool writePng(const char* path, const uint8_t* rgba, int width, int height);
// The folder PDL_GetCallingPath reports (with a trailing '/'), made on first use.
const char* dataFolder();

}  // namespace platform
