// The fixed GL state the game's drawing relies on, and the buffer clear the world drawing uses.
#pragma once

constexpr int kClearColor = 1;  // bit 0: colour buffer
constexpr int kClearDepth = 2;  // bit 1: depth buffer

// One glClear with the buffers named by flags.
void clearBuffers(int flags);
// Viewport, projection, colour mask, clear colour, texturing, arrays and blending, in the order
// the game expects, for a portrait screen of width x height.
void applyInitialGlState(int width, int height);
