// The forest: rows of trees, death markers, shrubs and pickups generated 10 units apart ahead of
// the runner from the shared random generator, kept in two fixed pools and dropped once the runner
// is past them; and the swept test of the runner's path against them (crash, near miss, pickup).
#pragma once

#include <cstdint>

#include "game/vec2.h"

struct Run;

constexpr int32_t kMaxObstacles = 256;
constexpr int32_t kMaxPickups = 64;

constexpr float kFirstRowY = 20.0f;      // the first row of a run
constexpr float kRowSpacing = 10.0f;
constexpr float kGenerateAhead = 50.0f;  // rows exist up to this far ahead of the runner
// Half the width of a row: the float one step below the float nearest 31.2 (bits 0x41F99999).
constexpr float kRowHalfWidth = 0x1.f33332p+4f;
constexpr int32_t kBaseTreesPerRow = 7;
constexpr int32_t kMaxTreesPerRow = 20;  // reached from y = 2,600 on
constexpr float kMarkerHalfWidth = 2.5f;
constexpr float kMarkerRadius = 0.5f;
constexpr float kPassMargin = 1.0f;      // objects this far behind the runner are dropped

constexpr float kRunnerRadius = 0.3f;    // the runner is a circle swept along its frame's path
constexpr float kNearMissReach = 0.5f;   // a pass this close to an obstacle's edge is a near miss
constexpr float kPickupSweepThreshold = 1e-05f;    // squared path length below which the runner
constexpr float kObstacleSweepThreshold = 0.0001f; // counts as standing: tested at its position

// Obstacle types 0..5 are the six trees; 6 marks where an earlier run ended.
constexpr int32_t kTreeTypes = 6;
constexpr int32_t kObstacleDeathMarker = 6;

enum PickupType : int32_t { kPickupCoin = 1, kPickupX2 = 2, kPickupX3 = 3, kPickupShrub = 4 };
enum PickupState : int32_t { kPickupLying = 0, kPickupCollected = 2 };

struct ForestGenerator {
    bool active;     // rows are generated each frame
    float nextRowY;  // y of the next row to make
    int32_t mode;    // the run's mode
};

struct Obstacle {
    bool passed;      // the runner is past it
    int32_t type;     // 0..5 tree, 6 death marker
    Vec2 position;    // trunk centre on the ground
    float radius;     // collision radius, and the drawing scale
};

struct Pickup {
    int32_t state;        // PickupState
    int32_t type;         // PickupType
    Vec2 position;
    float radius;         // half the size given at creation
    bool remove;          // collected or passed: the next pickup update drops it
    float animationTime;  // s, drives the spin and pulse of its drawing
};

// Live objects are reached through the list, in creation order.
struct ObstaclePool {
    Obstacle slots[kMaxObstacles];
    bool used[kMaxObstacles];
    Obstacle* list[kMaxObstacles];
    int32_t count;
};

struct PickupPool {
    Pickup slots[kMaxPickups];
    bool used[kMaxPickups];
    Pickup* list[kMaxPickups];
    int32_t count;
};

void obstaclePoolEmpty(ObstaclePool* pool);
void pickupPoolEmpty(PickupPool* pool);
// The first free slot in slot order, zeroed, marked used and appended to the list; null when the
// pool is full (the caller then creates nothing).
Obstacle* obstacleAllocate(ObstaclePool* pool);
Pickup* pickupAllocate(PickupPool* pool);

// Next row at y = 20, inactive.
void generatorReset(ForestGenerator* generator);
// Generates the rows ahead of the runner, then makes the generator active.
void generatorStart(Run* run);
// Generates the rows ahead of the runner while the generator is active.
void generatorUpdate(Run* run);
// Makes every row with y below the runner's y + 50, each centred on the runner's x.
void generateRows(Run* run);
// Trees in a row at oy: 7 + one per 200 units, at most 20.
int32_t treesPerRow(float oy);

// Marks and drops what the runner has passed (obstacles), and advances, marks and drops pickups.
void obstaclesUpdate(Run* run);
void pickupsUpdate(Run* run, float seconds);

// The closest point Q of the segment p0..p1 to t (p0 itself when the squared length is at or below
// threshold) and the squared distance |t - Q|^2.
float sweptDistanceSquared(Vec2 p0, Vec2 p1, Vec2 t, float threshold, Vec2* closest);

// Every lying pickup the runner's path touches is taken.
void collidePickups(Run* run);
// The first obstacle in list order within crash distance ends the run; without a crash, the
// closest pass within near-miss distance starts a near miss.
void collideObstacles(Run* run);
