// The world drawing's rules that need no picture: the following camera, the 45-unit submission
// limit and the full list, the far-to-near order, the distance colour, the ground and canopy
// grids, and the screen effect's values.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "game/forest.h"
#include "game/game_fixture.h"
#include "game/game_mode.h"
#include "game/run.h"
#include "game/scene.h"

namespace {

std::unique_ptr<ForestScene> sceneWithEye(float x, float y) {
    auto scene = std::make_unique<ForestScene>();
    sceneSetView(scene.get(), {x, y, 2.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, 75.0f);
    sceneBeginFrame(scene.get());
    return scene;
}

TEST(RunCamera, FollowsTwoBehindAndTwoAboveLookingTenAheadAndOneDown) {
    RunCamera camera{};
    cameraFollow(&camera);
    cameraUpdate(&camera, {3.0f, 50.0f});
    EXPECT_FLOAT_EQ(camera.eye.x, 3.0f);
    EXPECT_FLOAT_EQ(camera.eye.y, 48.0f);
    EXPECT_FLOAT_EQ(camera.eye.z, 2.0f);
    const float l = std::sqrt(101.0f);
    EXPECT_FLOAT_EQ(camera.forward.x, 0.0f);
    EXPECT_NEAR(camera.forward.y, 10.0f / l, 1e-6f);
    EXPECT_NEAR(camera.forward.z, -1.0f / l, 1e-6f);
    EXPECT_FLOAT_EQ(camera.fieldOfView, 75.0f);
    EXPECT_FLOAT_EQ(camera.up.z, 1.0f);
}

TEST(RunCamera, SteeringAtThirtyDegreesRollsTheUpVector) {
    auto run = std::make_unique<::Run>();
    cameraFollow(&run->camera);
    runSteer(run.get(), 45.0f);  // clamped to 30
    cameraUpdate(&run->camera, {0.0f, 0.0f});
    EXPECT_NEAR(run->camera.up.x, 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(run->camera.up.y, 0.0f);
    EXPECT_NEAR(run->camera.up.z, 0.866f, 1e-3f);
}

TEST(RunCamera, StaysWhereItIsUnlessFollowing) {
    RunCamera camera{};
    camera.eye = {1.0f, 2.0f, 3.0f};
    cameraUpdate(&camera, {10.0f, 10.0f});
    EXPECT_FLOAT_EQ(camera.eye.x, 1.0f);
    EXPECT_FLOAT_EQ(camera.eye.y, 2.0f);
}

TEST(RunCamera, AStartedOrRetriedRunIsSeenFromBehindItsRunnerBeforeItsFirstUpdate) {
    gametest::TestGame game;
    gameFlowStartRun(&game.flow(), kModeDistance);
    EXPECT_FLOAT_EQ(game.run().camera.eye.y, -2.0f);
    EXPECT_FLOAT_EQ(game.run().camera.eye.z, 2.0f);
    EXPECT_GT(game.run().camera.forward.y, 0.99f);
    // A retry after a run that ended far out.
    game.run().runner.position = {6.0f, 420.0f};
    cameraUpdate(&game.run().camera, game.run().runner.position);
    gameFlowRetry(&game.flow());
    EXPECT_FLOAT_EQ(game.run().camera.eye.x, 0.0f);
    EXPECT_FLOAT_EQ(game.run().camera.eye.y, -2.0f);
}

TEST(SceneSubmissions, AnObjectJustUnderFortyFiveAheadIsKeptAndOneAtFortyFiveIsNot) {
    auto scene = sceneWithEye(0.0f, 100.0f);
    EXPECT_TRUE(sceneSubmitObstacle(scene.get(), 2, 1.0f, 144.9f, 0.4f));
    EXPECT_FALSE(sceneSubmitObstacle(scene.get(), 2, 1.0f, 145.0f, 0.4f));
    EXPECT_FALSE(sceneSubmitPickup(scene.get(), kPickupCoin, 0.0f, 145.0f, 0.5f, 0.0f));
    EXPECT_FALSE(sceneSubmitObstacle(scene.get(), 0, 0.0f, NAN, 0.4f));
    ASSERT_EQ(scene->drawCount, 1);
    EXPECT_EQ(scene->drawList[0]->mesh, kMeshFirstTree + 2);
    EXPECT_FLOAT_EQ(scene->drawList[0]->scale, 0.4f);
}

TEST(SceneSubmissions, EachKindGetsItsMeshScaleAndAnimation) {
    auto scene = sceneWithEye(0.0f, 0.0f);
    sceneSubmitObstacle(scene.get(), 5, 0.0f, 10.0f, 0.6f);
    sceneSubmitObstacle(scene.get(), kObstacleDeathMarker, 0.0f, 10.0f, 0.5f);
    sceneSubmitPickup(scene.get(), kPickupCoin, 0.0f, 10.0f, 0.5f, 0.25f);
    sceneSubmitPickup(scene.get(), kPickupX2, 0.0f, 10.0f, 0.5f, 0.5f);
    sceneSubmitPickup(scene.get(), kPickupX3, 0.0f, 10.0f, 0.5f, 0.75f);
    sceneSubmitPickup(scene.get(), kPickupShrub, 0.0f, 10.0f, 1.0f, 0.3f);
    EXPECT_FALSE(sceneSubmitObstacle(scene.get(), 7, 0.0f, 10.0f, 0.5f));
    EXPECT_FALSE(sceneSubmitPickup(scene.get(), 0, 0.0f, 10.0f, 0.5f, 0.0f));
    ASSERT_EQ(scene->drawCount, 6);
    const int32_t meshes[6] = {8, 25, 9, 11, 13, 20};
    const float scales[6] = {0.6f, 0.5f, 1.0f, 1.0f, 1.0f, 1.0f};
    const float times[6] = {0.0f, 0.0f, 0.25f, 0.5f, 0.75f, 0.0f};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(scene->items[i].mesh, meshes[i]) << i;
        EXPECT_FLOAT_EQ(scene->items[i].scale, scales[i]) << i;
        EXPECT_FLOAT_EQ(scene->items[i].animationTime, times[i]) << i;
    }
}

TEST(SceneSubmissions, TheTwoHundredAndFiftySeventhItemIsNotStored) {
    auto scene = sceneWithEye(0.0f, 0.0f);
    for (int i = 0; i < kMaxDrawItems; ++i)
        ASSERT_TRUE(sceneSubmitObstacle(scene.get(), 0, 0.0f, 1.0f + i * 0.1f, 0.3f));
    EXPECT_FALSE(sceneSubmitObstacle(scene.get(), 0, 0.0f, 1.0f, 0.3f));
    scenePlaceModeSigns(scene.get());
    EXPECT_EQ(scene->drawCount, kMaxDrawItems);
    sceneBeginFrame(scene.get());
    EXPECT_EQ(scene->drawCount, 0);
}

TEST(SceneSubmissions, ModeSignsStandSevenAheadAndThreeToEitherSideWithoutTheRangeTest) {
    auto scene = sceneWithEye(4.0f, 20.0f);
    scenePlaceModeSigns(scene.get());
    ASSERT_EQ(scene->drawCount, 2);
    EXPECT_EQ(scene->items[0].mesh, kMeshSignDistance);
    EXPECT_FLOAT_EQ(scene->items[0].x, 1.0f);
    EXPECT_FLOAT_EQ(scene->items[0].y, 27.0f);
    EXPECT_EQ(scene->items[1].mesh, kMeshSignPoints);
    EXPECT_FLOAT_EQ(scene->items[1].x, 7.0f);
}

TEST(SceneSort, FarToNearAndItemsOfEqualDistanceKeepTheirOrder) {
    auto scene = sceneWithEye(0.0f, 0.0f);
    const float ys[8] = {5.0f, 20.0f, 5.0f, 30.0f, 20.0f, 5.0f, 1.0f, 30.0f};
    for (int i = 0; i < 8; ++i) sceneSubmit(scene.get(), 3, static_cast<float>(i), ys[i], 1, 0);
    sceneSortDrawList(scene.get());
    // x records the submission order.
    const float expectedX[8] = {3, 7, 1, 4, 0, 2, 5, 6};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(scene->drawList[i]->x, expectedX[i]) << i;
}

TEST(SceneColour, NearObjectsAreDarkAndBrightenTowardsTheLimit) {
    EXPECT_FLOAT_EQ(objectBrightness(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(objectBrightness(33.75f), 0.5f);  // d = 0.75
    EXPECT_FLOAT_EQ(objectBrightness(45.0f), 1.0f);
    EXPECT_FLOAT_EQ(objectBrightness(-3.0f), 0.0f);
    EXPECT_NEAR(objectBrightness(22.5f), 0.3333333f, 1e-6f);
    EXPECT_NEAR(objectBrightness(39.375f), 0.75f, 1e-6f);
    // Red is the brightness of 248, green and blue of 255, each truncated.
    EXPECT_EQ(objectColour(33.75f), 0xFF7C7F7Fu);
    EXPECT_EQ(objectColour(45.0f), 0xFFF8FFFFu);
    EXPECT_EQ(objectColour(0.0f), 0xFF000000u);
}

TEST(SceneGrids, TheGroundMovesInStepsOfTenAndFortyAndTheCanopyInStepsOfTwenty) {
    EXPECT_FLOAT_EQ(groundTile({0.0f, 0.0f, 2.0f}, 0, 0).y, 0.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, 9.99f, 2.0f}, 0, 0).y, 0.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, 10.0f, 2.0f}, 0, 0).y, 10.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, -0.5f, 2.0f}, 0, 0).y, -10.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, 10.0f, 2.0f}, 5, 0).y, 60.0f);
    EXPECT_FLOAT_EQ(groundTile({19.9f, 0.0f, 2.0f}, 0, 0).x, 0.0f);
    EXPECT_FLOAT_EQ(groundTile({20.0f, 0.0f, 2.0f}, 0, 0).x, 40.0f);
    EXPECT_FLOAT_EQ(groundTile({-20.0f, 0.0f, 2.0f}, 0, 0).x, 0.0f);
    EXPECT_FLOAT_EQ(groundTile({-20.1f, 0.0f, 2.0f}, 0, 0).x, -40.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, 0.0f, 2.0f}, 0, -1).x, -40.0f);
    EXPECT_FLOAT_EQ(groundTile({0.0f, 0.0f, 2.0f}, 0, 1).x, 40.0f);

    EXPECT_FLOAT_EQ(leavesTile({0.0f, 19.9f, 2.0f}, 0, 0).y, 0.0f);
    EXPECT_FLOAT_EQ(leavesTile({0.0f, 20.0f, 2.0f}, 0, 0).y, 20.0f);
    EXPECT_FLOAT_EQ(leavesTile({0.0f, 20.0f, 2.0f}, 3, 0).y, 80.0f);
    EXPECT_FLOAT_EQ(leavesTile({9.9f, 0.0f, 2.0f}, 0, 0).x, 0.0f);
    EXPECT_FLOAT_EQ(leavesTile({10.0f, 0.0f, 2.0f}, 0, 0).x, 20.0f);
    EXPECT_FLOAT_EQ(leavesTile({0.0f, 0.0f, 2.0f}, 0, -3).x, -60.0f);
}

TEST(SceneGrids, CanopyRowsFadeInBetweenFortyFiveAndThirtyFiveAhead) {
    EXPECT_FLOAT_EQ(leavesAlpha(45.0f), 0.0f);
    EXPECT_FLOAT_EQ(leavesAlpha(50.0f), 0.0f);
    EXPECT_FLOAT_EQ(leavesAlpha(40.0f), 0.5f);
    EXPECT_FLOAT_EQ(leavesAlpha(35.0f), 1.0f);
    EXPECT_FLOAT_EQ(leavesAlpha(0.0f), 1.0f);
}

TEST(ScreenEffect, TheCrashZoomAtHalfTimeIsDrawnAtAboutSevenHundredTimesItsSize) {
    ScreenEffect effect{};
    screenEffectStart(&effect, kEffectCrashZoom, true, 0.9f);
    screenEffectUpdate(&effect, {0.45f, 450});
    EXPECT_NEAR(effect.time, 0.5f, 1e-6f);
    EXPECT_NEAR(screenEffectValue(&effect), 0.75f, 1e-6f);
    EXPECT_NEAR(crashZoomScale(screenEffectValue(&effect)), 701.6f, 0.1f);
    EXPECT_FLOAT_EQ(crashZoomScale(0.0f), 0.0f);
    EXPECT_NEAR(crashZoomScale(1.0f), 4080.0f, 0.01f);
    EXPECT_NEAR(crashZoomScale(1.5f), 4080.0f, 0.01f);  // clamped: done at 2/3 of the effect
}

TEST(ScreenEffect, TheWhiteFadeColourCarriesItsValueInTheAlpha) {
    EXPECT_EQ(whiteFadeColour(1.0f), 0xFFE4ECECu);
    EXPECT_EQ(whiteFadeColour(0.0f), 0x00E4ECECu);
    EXPECT_EQ(whiteFadeColour(0.5f), 0x7FE4ECECu);
    EXPECT_EQ(whiteFadeColour(2.0f), 0xFFE4ECECu);
    EXPECT_EQ(whiteFadeColour(-1.0f), 0x00E4ECECu);
    // Game over runs it backwards: fully pale at the start, clear after a second.
    ScreenEffect effect{};
    screenEffectStart(&effect, kEffectWhiteFade, false, 1.0f);
    EXPECT_FLOAT_EQ(screenEffectValue(&effect), 1.0f);
    screenEffectUpdate(&effect, {0.25f, 250});
    EXPECT_FLOAT_EQ(screenEffectValue(&effect), 0.75f);
    screenEffectUpdate(&effect, {1.0f, 1000});
    EXPECT_FALSE(effect.active);
    EXPECT_FLOAT_EQ(effect.time, 1.0f);
}

}  // namespace
