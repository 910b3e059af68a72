// Points and multipliers, the run statistics with their achievements and unlock queue, best
// points and the distance records.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game_fixture.h"

using gametest::placePickup;
using gametest::startBareRun;
using gametest::TestGame;

namespace {

// Ends a run of the mode at distance d with the given total and bonus points; the queue it left.
std::vector<int32_t> endRun(RunStats& stats, int32_t mode, float d, float total = 0.0f,
                            float bonus = 0.0f, int32_t crashKind = kCrashTree) {
    runStatsBeginRun(&stats, mode);
    Score s;
    scoreReset(&s);
    s.total = total;
    s.pickupBonus = bonus;
    runStatsEndRun(&stats, crashKind, d, s);
    std::vector<int32_t> queue;
    for (int32_t i; (i = runStatsTakeNextUnlock(&stats)) >= 0;) queue.push_back(i);
    return queue;
}

TEST(Score, ACoinUnderTripleScoresThreeThousand) {
    TestGame game;
    startBareRun(game, kModePoints);
    ::Run& run = game.run();
    applyPickupEffect(&run, placePickup(run, kPickupX3, 0.0f, 0.0f, 0.5f));
    const Score before = run.runner.score;
    applyPickupEffect(&run, placePickup(run, kPickupCoin, 0.0f, 0.0f, 0.5f));
    const Score& s = run.runner.score;
    EXPECT_FLOAT_EQ(s.pickupPoints - before.pickupPoints, 1000.0f);
    EXPECT_FLOAT_EQ(s.pickupBonus - before.pickupBonus, 2000.0f);
    EXPECT_FLOAT_EQ(s.total - before.total, 3000.0f);
    EXPECT_EQ(g_runStats->counts[kCountCoins], 1);
    EXPECT_EQ(g_runStats->counts[kCountX3], 1);
}

TEST(Score, InDistanceModeTheTotalIsTheDistance) {
    TestGame game;
    startBareRun(game, kModeDistance);
    ::Run& run = game.run();
    run.generator.active = true;  // a real forest, shrubs included
    for (int i = 0; i < 600 && run.state == kRunStateRunning; ++i) {
        runSteer(&run, (i / 40) % 2 ? 25.0f : -25.0f);
        game.runFrame(16);
    }
    EXPECT_GT(run.runner.distance, 5.0f);
    EXPECT_EQ(run.runner.score.total, run.runner.distance);
    // Points saturate instead of overflowing the int.
    EXPECT_EQ(truncateToInt32(3.0e9f), INT32_MAX);
    EXPECT_EQ(truncateToInt32(std::nanf("")), 0);
}

TEST(RunStats, ARunOfTwelveHundredWithoutShrubsUnlocksElevenAndTwelve) {
    // What never happened counts as having happened at the end: first shrub and first near
    // miss at 1,200.
    RunStats stats{};
    EXPECT_EQ(endRun(stats, kModeDistance, 1200.0f), (std::vector<int32_t>{0, 1, 11, 12, 16}));
    EXPECT_FLOAT_EQ(stats.firstAt[kCountCoins], 1200.0f);
    RunStats points{};
    EXPECT_EQ(endRun(points, kModePoints, 1200.0f), std::vector<int32_t>{16});
}

TEST(RunStats, ShortRunsUnlockNineOnlyWhenAllOfTheLastThreeAreShort) {
    RunStats stats{};
    endRun(stats, kModeDistance, 50.0f);
    endRun(stats, kModePoints, 200.0f);
    EXPECT_FALSE(stats.unlocked[9]);
    EXPECT_EQ(endRun(stats, kModeDistance, 250.0f), (std::vector<int32_t>{0, 9}));

    RunStats blocked{};
    for (float d : {100.0f, 300.0f, 100.0f, 100.0f}) endRun(blocked, kModeDistance, d);
    EXPECT_FALSE(blocked.unlocked[9]);  // the 300 is still one of the last three
    endRun(blocked, kModeDistance, 100.0f);
    EXPECT_TRUE(blocked.unlocked[9]);
    EXPECT_EQ(blocked.runsCounted, 3);
    EXPECT_EQ(blocked.lastIndex, 2);
}

TEST(RunStats, AchievementsUnlockOnceInTheTablesOrder) {
    RunStats stats{};
    EXPECT_EQ(endRun(stats, kModeDistance, 150.0f, 0.0f, 0.0f, kCrashDeathMarker),
              (std::vector<int32_t>{0, 8}));
    EXPECT_TRUE(endRun(stats, kModeDistance, 150.0f, 0.0f, 0.0f, kCrashDeathMarker).empty());

    RunStats points{};
    runStatsBeginRun(&points, kModePoints);
    for (int i = 0; i < 10; ++i) {
        runStatsCount(&points, kCountX2, 10.0f);
        runStatsCount(&points, kCountX3, 10.0f);
        runStatsCount(&points, kCountNearMisses, 10.0f);
    }
    for (int i = 0; i < 30; ++i) runStatsCount(&points, kCountCoins, 10.0f);
    Score s;
    scoreReset(&s);
    s.total = 160000.0f;
    s.pickupBonus = 70000.0f;
    runStatsEndRun(&points, kCrashTree, 60.0f, s);
    const std::vector<int32_t> order = {4, 5, 6, 7, 20, 21, 22, 23, 17, 18, 19, 15};
    for (int32_t expected : order) EXPECT_EQ(runStatsTakeNextUnlock(&points), expected);
    int32_t count = 0;
    const int32_t* list = runStatsUnlockedList(&points, &count);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(list[4], 15);  // the list goes by index
}

TEST(BestScores, OnlyAHigherValueIsANewBest) {
    BestScores scores{};
    bestScoresSet(&scores, kModePoints, 500);
    EXPECT_TRUE(scores.modes[1].newBest);
    bestScoresSet(&scores, kModePoints, 200);
    EXPECT_EQ(scores.modes[1].best, 500);
    EXPECT_EQ(scores.modes[1].previousBest, 500);
    EXPECT_EQ(scores.modes[1].last, 200);
    EXPECT_FALSE(scores.modes[1].newBest);
    EXPECT_EQ(scores.modes[0].best, 0);
}

TEST(RunRecords, EqualDistancesGoFirstAndAFullTopTenKeepsItsEntries) {
    RunRecords records{};
    for (float d : {100.0f, 50.0f, 75.0f, 50.0f}) runRecordsAdd(&records, kModeDistance, d);
    const ModeRecords& r = records.modes[0];
    EXPECT_EQ(std::vector<float>(r.top, r.top + 5),
              (std::vector<float>{100.0f, 75.0f, 50.0f, 50.0f, 0.0f}));
    EXPECT_EQ(std::vector<float>(r.ring, r.ring + 4),
              (std::vector<float>{100.0f, 50.0f, 75.0f, 50.0f}));

    for (int i = 0; i < 10; ++i) runRecordsAdd(&records, kModePoints, 1000.0f - i);
    runRecordsAdd(&records, kModePoints, 5.0f);
    const ModeRecords& p = records.modes[1];
    EXPECT_FLOAT_EQ(p.top[9], 991.0f);  // 5 did not get in
    EXPECT_FLOAT_EQ(p.ring[0], 5.0f);   // the ring wrapped and took it
    EXPECT_EQ(p.ringIndex, 1);
}

TEST(Sound, AShrubDrawsItsBushSoundFromTheSharedGenerator) {
    g_randomState = 0;  // rand() = 0, -11300, -22780, -10651: even, even, even, odd
    for (int32_t expected : {kSoundBush2, kSoundBush2, kSoundBush2, kSoundBush1})
        EXPECT_EQ(soundEffectForKind(kSoundKindShrub), expected);
    EXPECT_EQ(soundEffectForKind(kSoundKindHitTree), kSoundHitTree);
    EXPECT_EQ(soundEffectForKind(kSoundKindPickup), kSoundPickup);
    EXPECT_EQ(soundEffectForKind(7), -1);
    EXPECT_EQ(volumePercent(0.75f), 75);
    EXPECT_EQ(volumePercent(std::nanf("")), 0);
}

}  // namespace
