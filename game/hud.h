// The run's HUD over the world: the near-miss and pickup flashes in every run state, and while
// the runner stands or runs the distance (distance mode) or the points and the active multiplier
// (points mode) at the top left. The pause button is a touch zone the game controls draw.
#pragma once

#include <cstdint>

class Graphics;
struct ForestScene;
struct Run;

// HUD sprite frames ("/hud.spr").
enum HudFrame : int32_t {
    kHudFramePauseUp = 0,
    kHudFramePauseHeld = 1,
    kHudFrameNearMissLeft = 2,
    kHudFrameNearMissRight = 3,
    kHudFrameShrub = 4,
    kHudFrameCoin = 5,
    kHudFrameX2 = 6,
    kHudFrameX3 = 7,
};

constexpr int32_t kDistanceFieldWidth = 6;  // at least this many characters before "m"
constexpr int32_t kPointsFieldWidth = 8;    // at least this many characters before "pts"
constexpr int32_t kHudTextY = 20;           // vertical centre of the texts
constexpr int32_t kPointsRightX = 100;      // the points end here...
constexpr int32_t kMultiplierX = 110;       // ...and the multiplier text starts here
constexpr int32_t kMultiplierTextX2 = 6;    // menu text tables of the x2 and x3 texts (entry 0)
constexpr int32_t kMultiplierTextX3 = 7;

// Draws the flashes, then (run states 1 and 2 only) the texts.
void hudDraw(const Run* run, ForestScene* scene, Graphics* g);

// Alpha of a flash `timer` seconds into its 0.5 s window: up from 0 to 1 by 0.25 s, back to 0 by
// 0.5 s (clamped to 0..1).
float flashAlpha(float timer);
// HUD frame of a pickup flash kind (coin, x2, x3, shrub); -1 for an unknown kind.
int32_t pickupFlashFrame(int32_t kind);

// Writes value right-aligned in at least minWidth characters with a "," before every group of
// three digits, spaces in front, and a lone "0" for zero. Returns the characters written (never
// more than capacity; nothing when the field does not fit).
int32_t writeGroupedNumber(uint16_t* out, int32_t capacity, uint64_t value, int32_t minWidth);
// "    42m": the whole metres of a distance (negative and NaN count as 0) in at least 6
// characters, then "m". Returns the length; out is terminated by a 0 when there is room.
int32_t writeDistanceText(uint16_t* out, int32_t capacity, float distance);
// "  12,345pts": the points (negative count as 0) in at least 8 characters, then "pts".
int32_t writePointsText(uint16_t* out, int32_t capacity, int32_t points);
