// The menu sprite "/menu_main.spr" and its picture: round icon buttons with their turning firefly
// rings, plate buttons for the pause, game-over and question screens, the achievement stars,
// the volume slider, the checkbox, arrows, separators and panels (frames in menu_frames.h).
#pragma once

#include <string>

#include "tools/assets/sprite_sheet.h"

bool buildMenuSprite(art::BuiltSprite* out, std::string* error);
