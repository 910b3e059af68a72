// The two game modes. Every per-mode table of the game is indexed by the mode number.
#pragma once

#include <cstdint>

constexpr int32_t kModeDistance = 0;  // the score is the distance run
constexpr int32_t kModePoints = 1;    // distance, coins and the x2 / x3 multipliers count
constexpr int32_t kGameModes = 2;

inline bool isGameMode(int32_t mode) { return mode == kModeDistance || mode == kModePoints; }
