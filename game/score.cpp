// Score arithmetic and the pickup effects.
#include "game/score.h"

#include <cmath>

#include "game/forest.h"
#include "game/game_mode.h"
#include "game/run.h"
#include "game/run_stats.h"
#include "game/sound_settings.h"

void scoreReset(Score* score) {
    *score = Score{};
    score->multiplier = 1.0f;
}

void scoreAdd(Score* score, int32_t mode, int32_t kind, float amount) {
    if (!isGameMode(mode) || (kind != kScoreDistance && kind != kScorePickup)) return;
    const float p = kPointsPerUnit[mode][kind] * amount;
    const float q = (score->multiplier - 1.0f) * p;
    if (kind == kScoreDistance) {
        score->distancePoints += p;
        score->distanceBonus += q;
    } else {
        score->pickupPoints += p;
        score->pickupBonus += q;
    }
    score->total += p + q;
}

int32_t truncateToInt32(float value) {
    if (std::isnan(value)) return 0;
    // 2^31 is exact as a float; every float below it truncates into range.
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void applyPickupEffect(Run* run, const Pickup* pickup) {
    Runner& runner = run->runner;
    switch (pickup->type) {
        case kPickupCoin:
            runStatsCount(g_runStats, kCountCoins, runner.distance);
            scoreAdd(&runner.score, run->mode, kScorePickup, 1.0f);
            runnerStartPickupFlash(&runner, kFlashCoin);
            soundPlayEffect(g_soundSettings, kSoundKindPickup);
            break;
        case kPickupX2:
            runStatsCount(g_runStats, kCountX2, runner.distance);
            runnerStartEffect(&runner, kDoubleEffect);
            runnerStartPickupFlash(&runner, kFlashX2);
            soundPlayEffect(g_soundSettings, kSoundKindPickup);
            break;
        case kPickupX3:
            runStatsCount(g_runStats, kCountX3, runner.distance);
            runnerStartEffect(&runner, kTripleEffect);
            runnerStartPickupFlash(&runner, kFlashX3);
            soundPlayEffect(g_soundSettings, kSoundKindPickup);
            break;
        case kPickupShrub:
            runStatsCount(g_runStats, kCountShrubs, runner.distance);
            if (run->mode == kModeDistance)
                runner.speed *= kShrubSpeedFactor;
            else
                runnerStartEffect(&runner, kShrubEffect);
            runnerStartPickupFlash(&runner, kFlashShrub);
            soundPlayEffect(g_soundSettings, kSoundKindShrub);
            break;
        default:
            break;
    }
}
