// The game's one random generator: a linear congruential sequence shared by the forest, the choice
// of the shrub sound and the menus' decorations. Its state is 0 at program start and nothing ever
// reseeds it, so every start of the program builds the same sequence of forests. The order of the
// calls is part of the game: a given state always yields the same forest.
#pragma once

#include <cstdint>

// The generator's state word; tests and the benchmark may set it to replay a forest.
extern uint32_t g_randomState;

// Advances the state (state * 1103515245 + 12345, modulo 2^32) and returns its upper 16 bits as a
// signed value, -32768..32767.
int32_t randNext();
// |randNext()| mod n, so 0..|n|-1; n = 0 draws a value and gives 0 (there is no range to pick from).
int32_t randInt(int32_t n);
// (randNext() & 0xFFFF) * x / 65536: a float in [0, x) for a positive x.
float randFloat(float x);
// a + randFloat(b - a).
float randRange(float a, float b);
