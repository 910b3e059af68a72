// The game session's update and draw order.
#include "game/game_session.h"

#include "engine3d/engine3d.h"
#include "game/game_controls.h"
#include "game/menu_link.h"
#include "online/connect.h"

GameSession* g_gameSession = nullptr;

void gameSessionInitialise(GameSession* session) {
    g_gameSession = session;
    session->scene.renderer = g_engine;
    g_forestScene = &session->scene;
    g_menuSys = &session->menuRoot;
    gameFlowInitialise(&session->flow, &session->menuRoot, g_gameControls);
    registerMenuGameLink();
    GameFlow& flow = session->flow;
    flow.online.game = {&session->activity, flow.runStats.unlocked,
                        {&flow.bestScores.modes[0].best, &flow.bestScores.modes[1].best}};
}

void gameSessionEnter(GameSession* session) {
    prepareScreen(&session->menuRoot, kScreenLoading);
    gameFlowSetState(&session->flow, kFlowStart);
    session->activity = kSessionActive;
    session->frames = 0;
}

void gameSessionUpdate(GameSession* session, const FrameDelta& delta) {
    const FrameDelta step{static_cast<float>(delta.milliseconds) * 0.001f, delta.milliseconds};
    ++session->frames;
    session->lastDelta = step;
    if (session->activity != kSessionActive) return;
    gameFlowUpdate(&session->flow, step);
    menuUpdate(&session->menuRoot, step.milliseconds);
    screenEffectUpdate(&session->flow.screenEffect, step);
    usageTrackerFrame();
}

void gameSessionDraw(GameSession* session, Graphics* g) {
    session->scene.graphics = g;
    if (session->activity != kSessionActive) return;
    switch (session->flow.state) {
        case kFlowInRun:
        case kFlowPaused:
            runDraw(&session->flow.run, &session->scene, g);
            break;
        case kFlowMoreGames:
            moreGamesDraw(g);
            break;
        default:
            break;
    }
    menuDraw(&session->menuRoot, g);
    if (g_gameControls) gameControlsDraw(g_gameControls, g);
    screenEffectDraw(&session->flow.screenEffect, &session->scene, g);
}

void gameSessionSetActivity(GameSession* session, int32_t activity) {
    session->activity = activity;
}
