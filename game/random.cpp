// The shared linear congruential generator.
#include "game/random.h"

uint32_t g_randomState = 0;

int32_t randNext() {
    g_randomState = g_randomState * 1103515245u + 12345u;
    // Arithmetic shift of the state read as a signed word.
    return static_cast<int32_t>(g_randomState) >> 16;
}

int32_t randInt(int32_t n) {
    int32_t r = randNext();
    if (r < 0) r = -r;  // r >= -32768, so the negation cannot overflow
    if (n == 0) return 0;
    return r % n;
}

float randFloat(float x) {
    return static_cast<float>(randNext() & 0xFFFF) * x * 1.5258789e-05f;
}

float randRange(float a, float b) { return a + randFloat(b - a); }
