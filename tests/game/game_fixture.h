// A private game for one test: its own controls and session with every global of the game pointed
// at them, and the previous globals (those of a game the harness may have started in this
// process) put back afterwards. Saved records go to a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "game/game_controls.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/random.h"
#include "storage/record_store.h"
#include "support/test_support.h"

namespace gametest {

class TestGame {
public:
    TestGame() {
        folder = zvtest::makeTempFolder();
        setRecordBasePath(folder.c_str());
        controls = createGameControls();
        session = std::make_unique<GameSession>();
        gameSessionInitialise(session.get());
    }
    ~TestGame() {
        delete controls->zones;
        delete controls->tilt;
        delete controls;
        g_gameSession = saved_.session;
        g_gameFlow = saved_.flow;
        g_run = saved_.run;
        g_forestScene = saved_.scene;
        g_runStats = saved_.stats;
        g_bestScores = saved_.best;
        g_screenEffect = saved_.effect;
        g_soundSettings = saved_.sound;
        g_connect = saved_.connect;
        g_gameControls = saved_.controls;
        g_menuSys = saved_.menus;
        g_randomState = saved_.random;
    }
    TestGame(const TestGame&) = delete;
    TestGame& operator=(const TestGame&) = delete;

    GameFlow& flow() { return session->flow; }
    Run& run() { return session->flow.run; }
    Runner& runner() { return session->flow.run.runner; }

    // One session update of ms milliseconds.
    void update(int32_t ms) { gameSessionUpdate(session.get(), FrameDelta{ms * 0.001f, ms}); }
    // The run's own frame, as the flow gives it in its run state.
    void runFrame(int32_t ms) { runUpdate(&run(), FrameDelta{ms * 0.001f, ms}); }

    std::string folder;  // where this game's "info" goes, with a trailing '/'
    GameControls* controls = nullptr;
    std::unique_ptr<GameSession> session;

private:
    struct Globals {
        GameSession* session = g_gameSession;
        GameFlow* flow = g_gameFlow;
        Run* run = g_run;
        ForestScene* scene = g_forestScene;
        RunStats* stats = g_runStats;
        BestScores* best = g_bestScores;
        ScreenEffect* effect = g_screenEffect;
        SoundSettings* sound = g_soundSettings;
        Connect* connect = g_connect;
        GameControls* controls = g_gameControls;
        MenuSys* menus = g_menuSys;
        uint32_t random = g_randomState;
    } saved_;
};

// Empties the run's pools and places a tree (or any obstacle type) at (x, y).
inline Obstacle* placeObstacle(Run& run, int32_t type, float x, float y, float radius) {
    Obstacle* o = obstacleAllocate(&run.obstacles);
    o->type = type;
    o->position = {x, y};
    o->radius = radius;
    return o;
}

inline Pickup* placePickup(Run& run, int32_t type, float x, float y, float radius) {
    Pickup* p = pickupAllocate(&run.pickups);
    p->type = type;
    p->position = {x, y};
    p->radius = radius;
    return p;
}

// A run in progress (run state 2, flow state 6) with empty pools and a stopped generator.
inline void startBareRun(TestGame& game, int32_t mode) {
    gameFlowStartRun(&game.flow(), mode);
    runSetState(&game.run(), kRunStateRunning);
    obstaclePoolEmpty(&game.run().obstacles);
    pickupPoolEmpty(&game.run().pickups);
    game.run().generator.active = false;
}

}  // namespace gametest
