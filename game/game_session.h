// The game session: the one screen the application enters. It owns the game's flow; until the
// flow exists it only clears the picture each frame.
#pragma once

#include <cstdint>

class Graphics;

// The time step every game update receives.
struct FrameDelta {
    float seconds;
    int32_t milliseconds;
};

struct GameSession {
    int32_t frames;        // frames updated since the session was entered
    FrameDelta lastDelta;  // the step of the latest update
};

extern GameSession* g_gameSession;

void gameSessionInitialise(GameSession* session);
void gameSessionEnter(GameSession* session);
void gameSessionUpdate(GameSession* session, const FrameDelta& delta);
void gameSessionDraw(GameSession* session, Graphics* graphics);
