// The game session and its flow: staged loading, the menu calls (start, pause, resume, retry),
// suspension, game over, and the world resources loaded into the scene.
#include <gtest/gtest.h>

#include <string>

#include "app/graphics_caps.h"
#include "engine3d/model_loader.h"
#include "game/world_resources.h"
#include "game_fixture.h"
#include "gfx2d/texture.h"
#include "storage/pack.h"
#include "tools/writers/model_writer.h"
#include "tools/writers/pack_writer.h"

using gametest::placeObstacle;
using gametest::startBareRun;
using gametest::TestGame;

namespace {

// Updates until the flow leaves state 2 (at most limit frames); the frames it took.
int loadingFrames(TestGame& game, int32_t ms, int limit = 1000) {
    int frames = 0;
    while (game.flow().state == kFlowLoading && frames < limit) {
        game.update(ms);
        ++frames;
        if (frames < kLoadStages) {
            EXPECT_EQ(game.flow().loadStage, frames);
        }
    }
    return frames;
}

TEST(Loading, AFreshStartShowsTheLoadingScreenThenTheMainMenu) {
    TestGame game;
    gameSessionEnter(game.session.get());
    EXPECT_EQ(game.session->activity, kSessionActive);
    EXPECT_EQ(game.flow().state, kFlowLoading);  // state 1 passed straight on
    EXPECT_EQ(game.flow().loadStage, 0);
    EXPECT_EQ(game.session->menuRoot.current, kScreenLoading);
    // Quick loading: all 14 stages in 14 frames, yet the screen stays past 1.0 s (63 x 16 ms).
    EXPECT_EQ(loadingFrames(game, 16), 63);
    EXPECT_EQ(game.flow().loadStage, kLoadStages);
    EXPECT_EQ(game.flow().state, kFlowMainMenu);  // 3 and 4 passed on within the same frame
    EXPECT_EQ(game.session->menuRoot.current, kScreenMainMenu);
    EXPECT_FLOAT_EQ(game.flow().timeInState, 0.0f);
}

TEST(Loading, TheFrameOfTheLastStageEndsInTheMainMenu) {
    TestGame game;
    gameSessionEnter(game.session.get());
    // 100 ms frames pass 1.0 s at the 10th; the 14th runs stage 13 and leaves loading.
    EXPECT_EQ(loadingFrames(game, 100), kLoadStages);
    EXPECT_EQ(game.flow().state, kFlowMainMenu);
}

TEST(MenuCalls, PauseOutsideARunAndResumeOutsideAPauseChangeNothing) {
    TestGame game;
    gameSessionEnter(game.session.get());
    loadingFrames(game, 100);
    ASSERT_EQ(game.flow().state, kFlowMainMenu);
    gameFlowPause(&game.flow(), true);
    EXPECT_EQ(game.flow().state, kFlowMainMenu);
    EXPECT_EQ(game.session->menuRoot.current, kScreenMainMenu);

    startBareRun(game, kModeDistance);
    ASSERT_EQ(game.run().hud.state, kHudSteering);
    gameFlowPause(&game.flow(), false);  // not paused: nothing to resume
    EXPECT_EQ(game.flow().state, kFlowInRun);
    EXPECT_EQ(game.run().hud.state, kHudSteering);

    gameFlowPause(&game.flow(), true);
    EXPECT_EQ(game.flow().state, kFlowPaused);
    EXPECT_EQ(game.run().hud.state, kHudIdle);
    EXPECT_EQ(game.session->menuRoot.current, kScreenPause);
    EXPECT_FALSE(game.controls->zones->zones[0].used);
    const float y = game.runner().position.y;
    for (int i = 0; i < 30; ++i) game.update(16);  // frozen
    EXPECT_FLOAT_EQ(game.runner().position.y, y);
    gameFlowPause(&game.flow(), true);
    EXPECT_EQ(game.flow().state, kFlowPaused);

    gameFlowPause(&game.flow(), false);
    EXPECT_EQ(game.flow().state, kFlowInRun);
    EXPECT_EQ(game.run().hud.state, kHudSteering);
    EXPECT_TRUE(game.controls->zones->zones[0].used);  // the pause button is back
    EXPECT_TRUE(game.controls->tilt->steeringEnabled);
}

TEST(MenuCalls, RetryBeginsAFreshRunOfTheSameMode) {
    TestGame game;
    gameFlowStartRun(&game.flow(), kModePoints);
    EXPECT_EQ(game.session->menuRoot.current, kNoMenuScreen);
    gameSessionSetActivity(game.session.get(), kSessionActive);
    for (int i = 0; i < 200; ++i) game.update(16);
    EXPECT_GT(game.runner().position.y, 10.0f);
    gameFlowSetState(&game.flow(), kFlowGameOver);
    gameFlowRetry(&game.flow());
    EXPECT_EQ(game.flow().state, kFlowInRun);
    EXPECT_EQ(game.run().state, kRunStateStart);
    EXPECT_EQ(game.run().mode, kModePoints);
    EXPECT_FLOAT_EQ(game.runner().position.y, 0.0f);
    EXPECT_FLOAT_EQ(game.run().generator.nextRowY, 50.0f);
}

TEST(Activity, ASuspendedSessionUpdatesNothing) {
    TestGame game;
    gameSessionEnter(game.session.get());
    game.update(16);
    game.update(16);
    screenEffectStart(&game.flow().screenEffect, kEffectWhiteFade, false, 1.0f);
    gameSessionSetActivity(game.session.get(), kSessionSuspended);
    const float time = game.flow().timeInState;
    for (int i = 0; i < 100; ++i) game.update(16);
    EXPECT_EQ(game.flow().state, kFlowLoading);
    EXPECT_EQ(game.flow().loadStage, 2);
    EXPECT_FLOAT_EQ(game.flow().timeInState, time);
    EXPECT_FLOAT_EQ(game.flow().screenEffect.time, 0.0f);
    EXPECT_TRUE(game.flow().screenEffect.active);
    EXPECT_EQ(game.session->frames, 102);  // the updates arrived and were turned away

    // The draw keeps the frame's context for the scene and goes no further. The context is
    // only stored, never used, so any address will do.
    alignas(8) unsigned char context[64];
    Graphics* g = reinterpret_cast<Graphics*>(context);
    gameSessionDraw(game.session.get(), g);
    EXPECT_EQ(game.session->scene.graphics, g);

    gameSessionSetActivity(game.session.get(), kSessionActive);
    game.update(16);
    EXPECT_EQ(game.flow().loadStage, 3);
    EXPECT_GT(game.flow().screenEffect.time, 0.0f);
}

class GameOver : public ::testing::TestWithParam<int32_t> {};

TEST_P(GameOver, TheModeChoosesTheScreenAndTheFadeClearsIt) {
    const int32_t mode = GetParam();
    for (bool online : {false, true}) {
        TestGame game;
        gameSessionEnter(game.session.get());
        loadingFrames(game, 100);
        game.flow().online.connected = online;
        startBareRun(game, mode);
        game.runner().speed = 10.0f;
        placeObstacle(game.run(), kObstacleDeathMarker, 0.0f, 2.0f, 0.5f);
        int frames = 0;
        while (game.flow().state == kFlowInRun && frames < 500) {
            game.update(16);
            ++frames;
        }
        ASSERT_EQ(game.flow().state, kFlowGameOver);
        EXPECT_EQ(game.session->menuRoot.current,
                  mode == kModeDistance ? kScreenGameOverDistance : kScreenGameOverPoints);
        const ScreenEffect& fade = game.flow().screenEffect;
        EXPECT_TRUE(fade.active);
        EXPECT_EQ(fade.type, kEffectWhiteFade);
        EXPECT_FALSE(fade.forward);
        EXPECT_FLOAT_EQ(fade.rate, 1.0f);
        // The death marker unlocked 8; the menus' ticker took it from the queue at once and
        // announces it.
        EXPECT_TRUE(game.flow().runStats.unlocked[8]);
        EXPECT_EQ(game.flow().runStats.unlockQueueCount, 0);
        ASSERT_NE(game.session->menuRoot.ticker, nullptr);
        EXPECT_TRUE(game.session->menuRoot.ticker->showing);
        EXPECT_EQ(game.session->menuRoot.ticker->label->textParam, 8);
        for (int i = 0; i < 70; ++i) game.update(16);
        EXPECT_FALSE(fade.active);
        EXPECT_EQ(game.flow().state, kFlowGameOver);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, GameOver, ::testing::Values(kModeDistance, kModePoints));

TEST(WorldResources, TheNamedMeshesGetTheTexturesOfTheirTypes) {
    EXPECT_STREQ(kNamedMeshes[0].name, "grass");
    EXPECT_STREQ(kNamedMeshes[19].name, "mist");
    EXPECT_EQ(kNamedMeshes[19].textureType, kNoTexture);
    EXPECT_STREQ(kNamedMeshes[27].name, "menu_text_points");
    EXPECT_EQ(kTextureFiles[kNoTexture], nullptr);

    GraphicsCaps* savedCaps = g_graphicsCaps;
    g_graphicsCaps = nullptr;  // vertex data stays in client memory: no GL needed
    const std::string folder = zvtest::makeTempFolder();
    ModelWriter writer;
    for (const char* name : {"grass", "tree_3", "mist", "death"}) {
        MeshSource mesh;
        mesh.name = name;
        mesh.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        writer.addMesh(mesh);
    }
    std::string error;
    ASSERT_TRUE(writePackFile((folder + "packres.bin").c_str(),
                              {{"/world.kvm", writer.build()}}, &error))
        << error;
    ASSERT_TRUE(openPack((folder + "packres.bin").c_str()));

    Engine3D* engine = createEngine3D();
    ForestScene scene{};
    scene.renderer = engine;
    for (int step = 0; step < 7; ++step) loadWorldStep(&scene, step);
    EXPECT_NE(scene.worldModel, 0u);
    for (ObjectHandle t : scene.textures) EXPECT_EQ(t, 0u);  // no texture files in this pack
    // Texture records without pictures stand in for the grass and tree textures.
    scene.textures[0] = loadTexture(engine, new Texture());
    scene.textures[1] = loadTexture(engine, new Texture());
    loadWorldStep(&scene, 7);

    auto textureOf = [&](int index) -> Texture* {
        StaticMesh* mesh = nullptr;
        if (lookupMesh(engine, scene.meshes[index], &mesh) != 0) return nullptr;
        return mesh->textures[0];
    };
    EXPECT_NE(scene.meshes[0], 0u);
    EXPECT_NE(scene.meshes[5], 0u);   // "tree_3"
    EXPECT_NE(scene.meshes[19], 0u);  // "mist"
    EXPECT_NE(scene.meshes[25], 0u);  // "death"
    EXPECT_EQ(scene.meshes[3], 0u);   // "tree_1" is not in this model
    EXPECT_EQ(textureOf(0), lookupTexture(engine, scene.textures[0]));
    EXPECT_EQ(textureOf(5), lookupTexture(engine, scene.textures[1]));
    EXPECT_EQ(textureOf(25), lookupTexture(engine, scene.textures[1]));
    EXPECT_EQ(textureOf(19), nullptr);  // the mist keeps no texture

    destroyEngine3D(engine);
    closePack();
    g_graphicsCaps = savedCaps;
}

}  // namespace
