// The HUD sprite "/hud.spr" and its picture: the pause button, the near-miss flashes at the top
// corners and the pickup icons shown in the bottom-left corner.
#pragma once

#include <string>

#include "tools/assets/sprite_sheet.h"

// Frames of "/hud.spr", as the HUD and the game controls draw them.
enum HudFrame : int {
    kHudPauseUp = 0,
    kHudPauseHeld = 1,
    kHudNearMissLeft = 2,   // drawn at the top-left corner
    kHudNearMissRight = 3,  // drawn at the top-right corner
    kHudShrub = 4,
    kHudCoin = 5,
    kHudTimesTwo = 6,
    kHudTimesThree = 7,
    kHudFrameCount = 8,
};

bool buildHudSprite(art::BuiltSprite* out, std::string* error);
