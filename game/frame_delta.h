// The time step every update of the game receives, formed once per frame by the session from the
// application's delta in milliseconds (0 to 100).
#pragma once

#include <cstdint>

struct FrameDelta {
    float seconds;         // milliseconds * 0.001
    int32_t milliseconds;  // 0..100
};
