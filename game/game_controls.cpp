// GameControls: creation and the per-frame update.
#include "game/game_controls.h"

GameControls* g_gameControls = nullptr;
bool g_keyStates[kKeyStates];

GameControls* createGameControls() { return new GameControls(); }

void gameControlsUpdate(GameControls* controls) { controls->eventCount = 0; }

void clearKeyStates() {
    for (bool& k : g_keyStates) k = false;
}
