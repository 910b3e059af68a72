// The game session.
#include "game/game_session.h"

#include "app/gl_state.h"

GameSession* g_gameSession = nullptr;

void gameSessionInitialise(GameSession* session) { session->frames = 0; }

void gameSessionEnter(GameSession* session) { session->frames = 0; }

void gameSessionUpdate(GameSession* session, const FrameDelta& delta) {
    ++session->frames;
    session->lastDelta = delta;
}

void gameSessionDraw(GameSession*, Graphics*) { clearBuffers(kClearColor | kClearDepth); }
