// The shared random generator, forest generation and the object pools, and the swept collision
// test: crashes, near misses and pickups.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game_fixture.h"

using gametest::placeObstacle;
using gametest::placePickup;
using gametest::startBareRun;
using gametest::TestGame;

namespace {

std::vector<float> markerRows(const ::Run& run) {
    std::vector<float> ys;
    for (int i = 0; i < run.obstacles.count; ++i)
        if (run.obstacles.list[i]->type == kObstacleDeathMarker)
            ys.push_back(run.obstacles.list[i]->position.y);
    return ys;
}

TEST(RandomGenerator, SeedZeroGivesZeroThenTheCongruentialSequence) {
    g_randomState = 0;
    EXPECT_EQ(randNext(), 0);
    EXPECT_EQ(g_randomState, 12345u);
    // Worked out by hand from state * 1103515245 + 12345 modulo 2^32, upper half signed.
    for (int32_t expected : {-11300, -22780, -10651, 3498}) EXPECT_EQ(randNext(), expected);
    EXPECT_EQ(g_randomState, 229283573u);
    // randInt takes the size of a negative value; randFloat the low 16 bits.
    g_randomState = 0;
    std::vector<int32_t> picks;
    for (int i = 0; i < 6; ++i) picks.push_back(randInt(6));
    EXPECT_EQ(picks, (std::vector<int32_t>{0, 2, 4, 1, 0, 1}));
    EXPECT_EQ(randInt(-1), 0);
    EXPECT_EQ(randInt(0), 0);  // no range to pick from
    g_randomState = 12345;     // next rand() is -11300: low bits 54236
    EXPECT_FLOAT_EQ(randFloat(65536.0f), 54236.0f);
}

TEST(ForestGeneration, SeedZeroAlwaysBuildsTheSameFirstRows) {
    uint32_t bits;
    std::memcpy(&bits, &kRowHalfWidth, sizeof bits);
    EXPECT_EQ(bits, 0x41F99999u);
    // Expected values from an independent float32 model of the generator and its call order.
    struct Tree {
        int32_t type;
        float x, y, radius;
    };
    const Tree pinned[4] = {{1, -31.1999989f, 28.2757568f, 0.443582177f},   // row 20, first
                            {4, 11.5419445f, 21.2832642f, 0.459189624f},    // row 20, third
                            {5, -6.78405762f, 30.2059937f, 0.509417772f},   // row 30, first
                            {3, -29.5708733f, 44.9560547f, 0.156852722f}};  // row 40, last
    const int pinnedIndex[4] = {0, 2, 7, 20};
    for (int attempt = 0; attempt < 2; ++attempt) {
        TestGame game;
        g_randomState = 0;
        gameFlowStartRun(&game.flow(), kModeDistance);  // rows at 20, 30 and 40
        const ObstaclePool& obstacles = game.run().obstacles;
        ASSERT_EQ(obstacles.count, 21);
        for (int i = 0; i < 4; ++i) {
            const Obstacle& o = *obstacles.list[pinnedIndex[i]];
            EXPECT_EQ(o.type, pinned[i].type) << i;
            EXPECT_FLOAT_EQ(o.position.x, pinned[i].x) << i;
            EXPECT_FLOAT_EQ(o.position.y, pinned[i].y) << i;
            EXPECT_FLOAT_EQ(o.radius, pinned[i].radius) << i;
        }
        // Each row's shrub chance came up: one shrub per row, after that row's trees.
        const PickupPool& pickups = game.run().pickups;
        ASSERT_EQ(pickups.count, 3);
        EXPECT_FLOAT_EQ(pickups.list[0]->position.x, 5.39011192f);
        EXPECT_FLOAT_EQ(pickups.list[2]->position.y, 40.1959229f);
        EXPECT_EQ(pickups.list[2]->type, kPickupShrub);
        EXPECT_EQ(g_randomState, 84176861u);
        EXPECT_FLOAT_EQ(game.run().generator.nextRowY, 50.0f);
    }
}

TEST(ForestGeneration, DensityGrowsOneTreeEveryTwoHundredUnitsUpToTwenty) {
    const std::pair<float, int32_t> rows[] = {{20, 7},    {190, 7},    {200, 8},  {2590, 19},
                                              {2600, 20}, {1.0e9f, 20}, {3.0e38f, 20}};
    for (const auto& row : rows) EXPECT_EQ(treesPerRow(row.first), row.second) << row.first;
    TestGame game;
    startBareRun(game, kModeDistance);
    game.runner().position = {0.0f, 2600.0f};
    game.run().generator.nextRowY = 2600.0f;
    generateRows(&game.run());  // rows 2600 .. 2640
    EXPECT_EQ(game.run().obstacles.count, 5 * 20);
}

TEST(ForestGeneration, RowsAreCentredOnTheRunnerWhereverItIs) {
    TestGame game;
    startBareRun(game, kModePoints);
    game.runner().position = {500.0f, 100.0f};
    game.run().generator.nextRowY = 100.0f;
    generateRows(&game.run());
    ASSERT_GT(game.run().obstacles.count, 0);
    for (int i = 0; i < game.run().obstacles.count; ++i) {
        const Vec2 p = game.run().obstacles.list[i]->position;
        EXPECT_TRUE(p.x >= 500.0f - kRowHalfWidth && p.x < 500.0f + kRowHalfWidth) << p.x;
        EXPECT_TRUE(p.y >= 100.0f && p.y < 150.0f) << p.y;
    }
}

TEST(ForestGeneration, DistanceModeHasNoCoinsAndPointsModeACoinInEveryRow) {
    for (int32_t mode : {kModeDistance, kModePoints}) {
        TestGame game;
        startBareRun(game, mode);
        ::Run& run = game.run();
        int coins = 0, multipliers = 0;
        for (int row = 0; row < 40; ++row) {
            pickupPoolEmpty(&run.pickups);
            run.runner.position = {0.0f, run.generator.nextRowY - 49.0f};  // one new row
            generateRows(&run);
            for (int i = 0; i < run.pickups.count; ++i) {
                const int32_t type = run.pickups.list[i]->type;
                coins += type == kPickupCoin;
                multipliers += type == kPickupX2 || type == kPickupX3;
            }
            if (mode == kModePoints) {
                EXPECT_EQ(run.pickups.list[0]->type, kPickupCoin);
            }
        }
        EXPECT_EQ(coins, mode == kModePoints ? 40 : 0);
        EXPECT_EQ(multipliers > 0, mode == kModePoints);
    }
}

TEST(ForestGeneration, RecordedDistancesPlaceOneMarkerEachInTheirRow) {
    TestGame game;
    startBareRun(game, kModeDistance);
    ::Run& run = game.run();
    runRecordsAdd(&run.records, kModeDistance, 61.0f);
    runRecordsAdd(&run.records, kModeDistance, 57.3f);  // both lists hold 57.3, twice
    runRecordsAdd(&run.records, kModeDistance, 57.3f);
    runRecordsAdd(&run.records, kModePoints, 55.0f);    // another mode's record places nothing
    run.runner.position = {0.0f, 10.0f};
    run.generator.nextRowY = 50.0f;
    generateRows(&run);  // the row from 50 to 60
    EXPECT_EQ(markerRows(run), std::vector<float>{57.3f});
    obstaclePoolEmpty(&run.obstacles);
    run.runner.position = {0.0f, 20.0f};
    generateRows(&run);  // the row from 60 to 70
    EXPECT_EQ(markerRows(run), std::vector<float>{61.0f});
    EXPECT_FLOAT_EQ(nextRecord(&run.records, kModeDistance, 61.0f, 70.0f), 71.0f);

    // Past 2^24 a float has no room for hi + 1: a row there must still end, with its marker.
    obstaclePoolEmpty(&run.obstacles);
    runRecordsAdd(&run.records, kModeDistance, 40000005.0f);
    run.runner.position = {0.0f, 40000000.0f - 40.0f};
    run.generator.nextRowY = 40000000.0f;
    generateRows(&run);
    EXPECT_EQ(markerRows(run).size(), 1u);
    // Further out still, y + 10 is y again: the rows stop rather than repeat for ever.
    run.runner.position = {0.0f, 3.0e8f};
    run.generator.nextRowY = 3.0e8f;
    generateRows(&run);
    EXPECT_EQ(run.generator.nextRowY, 3.0e8f);
}

TEST(ObjectPools, PassedObjectsLeaveTheRestKeepOrderAndAFullPoolGivesNothing) {
    TestGame game;
    startBareRun(game, kModePoints);
    ::Run& run = game.run();
    for (int i = 0; i < kMaxObstacles; ++i) placeObstacle(run, i % 6, 0.0f, 8.0f + i * 0.5f, 0.5f);
    EXPECT_EQ(obstacleAllocate(&run.obstacles), nullptr);
    run.generator.nextRowY = 20.0f;
    generateRows(&run);  // a full pool: the rows get no trees
    EXPECT_EQ(run.obstacles.count, kMaxObstacles);
    pickupPoolEmpty(&run.pickups);
    Pickup* behind = placePickup(run, kPickupCoin, 0.0f, 5.0f, 0.5f);
    Pickup* ahead = placePickup(run, kPickupX2, 0.0f, 15.0f, 0.5f);

    run.runner.position = {0.0f, 10.0f};  // 8.0 and 8.5 are more than one unit behind; 9.0 stays
    obstaclesUpdate(&run);
    ASSERT_EQ(run.obstacles.count, kMaxObstacles - 2);
    EXPECT_FLOAT_EQ(run.obstacles.list[0]->position.y, 9.0f);
    EXPECT_FLOAT_EQ(run.obstacles.list[1]->position.y, 9.5f);
    EXPECT_EQ(obstacleAllocate(&run.obstacles), &run.obstacles.slots[0]);  // first free slot

    pickupsUpdate(&run, 0.25f);
    ASSERT_EQ(run.pickups.count, 1);
    EXPECT_EQ(run.pickups.list[0], ahead);
    EXPECT_FLOAT_EQ(ahead->animationTime, 0.25f);
    EXPECT_FALSE(run.pickups.used[behind - run.pickups.slots]);
}

// ---- Collisions ---------------------------------------------------------------------------

class Collision : public ::testing::Test {
protected:
    void SetUp() override { startBareRun(game_, kModePoints); }
    ::Run& path(Vec2 from, Vec2 to) {
        game_.runner().previousPosition = from;
        game_.runner().position = to;
        return game_.run();
    }
    TestGame game_;
};

TEST_F(Collision, AStandingRunnerIsTestedAtItsPositionOnly) {
    // The runner moved 0.009: below the obstacle threshold (squared 1e-4), above the pickup one
    // (1e-5). A tree whose reach the end point enters but the start point does not is missed; a
    // pickup in the same place is swept and taken.
    ::Run& run = path({0.0f, 0.0f}, {0.009f, 0.0f});
    placeObstacle(run, 0, 0.805f, 0.0f, 0.5f);  // reach 0.8: 0.805 from the start
    collideObstacles(&run);
    EXPECT_EQ(run.state, kRunStateRunning);
    EXPECT_TRUE(run.runner.nearMissActive);  // still within 1.0 of the tree
    Pickup* coin = placePickup(run, kPickupCoin, 0.805f, 0.0f, 0.5f);
    collidePickups(&run);
    EXPECT_EQ(coin->state, kPickupCollected);
    EXPECT_TRUE(coin->remove);
}

TEST_F(Collision, APathThroughATreeCrashesThoughBothEndsAreClear) {
    ::Run& run = path({0.0f, 0.0f}, {0.0f, 10.0f});
    placeObstacle(run, 2, 0.5f, 5.0f, 0.3f);  // 0.5 from the path, crash reach 0.6
    collideObstacles(&run);
    EXPECT_EQ(run.state, kRunStateCrashed);
    EXPECT_EQ(run.runner.crashKind, kCrashTree);
}

TEST_F(Collision, TheFirstCrashObstacleInTheListDecides) {
    ::Run& run = path({0.0f, 0.0f}, {0.0f, 1.0f});
    placeObstacle(run, kObstacleDeathMarker, 0.0f, 0.5f, 0.5f);
    placeObstacle(run, 1, 0.0f, 0.6f, 0.5f);
    collideObstacles(&run);
    EXPECT_EQ(run.runner.crashKind, kCrashDeathMarker);
    runSetState(&run, kRunStateRunning);
    std::swap(run.obstacles.list[0], run.obstacles.list[1]);
    collideObstacles(&run);
    EXPECT_EQ(run.runner.crashKind, kCrashTree);
}

TEST_F(Collision, ACrashBeatsANearMissAndTheClosestPassGivesTheSide) {
    ::Run& run = path({0.0f, 0.0f}, {0.0f, 4.0f});
    placeObstacle(run, 0, -0.95f, 1.0f, 0.5f);  // left, margin 0.45
    placeObstacle(run, 0, 0.85f, 2.0f, 0.5f);   // right, margin 0.35: the closer one
    collideObstacles(&run);
    EXPECT_EQ(run.state, kRunStateRunning);
    ASSERT_TRUE(run.runner.nearMissActive);
    EXPECT_EQ(run.runner.nearMissSide, 1);

    run.runner.nearMissActive = false;
    placeObstacle(run, 0, 0.2f, 3.0f, 0.5f);  // 0.2 from the path: a crash
    collideObstacles(&run);
    EXPECT_EQ(run.state, kRunStateCrashed);
    EXPECT_FALSE(run.runner.nearMissActive);
}

}  // namespace
