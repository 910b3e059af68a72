// The game session: the one screen the application runs. It holds the flow with the game's
// long-lived objects, the world scene and the menu root, and hands each frame's update and draw
// to them in a fixed order while it is active.
#pragma once

#include <cstdint>

#include "game/frame_delta.h"
#include "game/game_flow.h"
#include "game/scene.h"
#include "menu/menu_sys.h"

class Graphics;

enum SessionActivity : int32_t { kSessionActive = 1, kSessionSuspended = 2 };

struct GameSession {
    int32_t activity;     // 1 updated and drawn, 2 neither
    GameFlow flow;
    ForestScene scene;
    MenuSys menuRoot;
    int32_t frames;       // updates received since the session was entered
    FrameDelta lastDelta; // the step of the latest update
};

extern GameSession* g_gameSession;

// Once, at application construction: registers the session, the scene and the menu root, gives
// the scene the application's renderer and initialises the flow with the application's controls.
void gameSessionInitialise(GameSession* session);
// When the application shows the session: the loading screen made ready, flow state 1, active.
void gameSessionEnter(GameSession* session);
// The delta's milliseconds (0..100) form the frame step; while active: the flow, the menus, the
// screen effect, the usage tracker.
void gameSessionUpdate(GameSession* session, const FrameDelta& delta);
// Stores the context in the scene; while active: the run or the cross-promotion screen, the menus,
// the controls' buttons, the screen effect.
void gameSessionDraw(GameSession* session, Graphics* g);
// The online service's suspend and resume requests.
void gameSessionSetActivity(GameSession* session, int32_t activity);
