// Ground-plane vectors: the runner, the trees and the pickups live on the x-y plane (x lateral,
// y the running direction), in world units shown to the player as metres.
#pragma once

struct Vec2 {
    float x, y;
};

inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
