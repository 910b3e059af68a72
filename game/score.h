// The points of a run: distance and pickup points, the bonus the multiplier adds to each, and the
// per-mode value of one unit of each kind. Also what each pickup does when the runner takes it.
#pragma once

#include <cstdint>

struct Run;
struct Pickup;

enum ScoreKind : int32_t { kScoreDistance = 0, kScorePickup = 1 };

struct Score {
    float distancePoints;
    float pickupPoints;
    float distanceBonus;  // what the multiplier added to the distance points
    float pickupBonus;    // what the multiplier added to the pickup points
    float total;          // all of the above
    float multiplier;     // 1.0 outside a points-mode speed effect
};

// Points per unit, [mode][kind]: distance mode counts distance only; points mode 10 a unit run
// and 1000 a coin.
constexpr float kPointsPerUnit[2][2] = {{1.0f, 0.0f}, {10.0f, 1000.0f}};

// All 0, multiplier 1.0.
void scoreReset(Score* score);
// p = points per unit [mode][kind] * amount and q = (multiplier - 1) * p go to the kind's points
// and bonus, p + q to the total. An unknown mode or kind scores nothing.
void scoreAdd(Score* score, int32_t mode, int32_t kind, float amount);

// A float score or distance as an int32, truncated toward zero; values beyond the int32 range
// saturate and NaN gives 0 (a plain cast would be undefined there).
int32_t truncateToInt32(float value);

// Effects, in points mode: multiplier, the rate at which the speed approaches the target, target
// speed (units/s) and how long the effect lasts (s).
struct SpeedEffect {
    float multiplier;
    float rate;
    float targetSpeed;
    float seconds;
};
constexpr SpeedEffect kDoubleEffect = {2.0f, 10.0f, 22.4f, 6.0f};
constexpr SpeedEffect kTripleEffect = {3.0f, 10.0f, 28.8f, 5.0f};
constexpr SpeedEffect kShrubEffect = {1.0f, 50.0f, 11.2f, 2.3f};
// In distance mode a shrub only takes a quarter off the speed, once.
constexpr float kShrubSpeedFactor = 0.75f;

// What taking the pickup does: the run stats count (at the runner's distance), points, the
// runner's speed effect, the pickup flash and the sound. Types outside 1..4 do nothing.
void applyPickupEffect(Run* run, const Pickup* pickup);
