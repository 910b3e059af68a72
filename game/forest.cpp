// Forest generation, the two object pools, passing and removal, and the swept collision test.
#include "game/forest.h"

#include <cmath>

#include "game/game_mode.h"
#include "game/random.h"
#include "game/records.h"
#include "game/run.h"
#include "game/score.h"
#include "game/sound_settings.h"

namespace {

template <typename T, int32_t N>
T* allocateFrom(T (&slots)[N], bool (&used)[N], T* (&list)[N], int32_t& count) {
    for (int32_t i = 0; i < N; ++i) {
        if (used[i]) continue;
        used[i] = true;
        slots[i] = T{};
        list[count++] = &slots[i];
        return &slots[i];
    }
    return nullptr;
}

// Drops the listed objects for which drop() holds, freeing their slots; the rest keep their order.
template <typename T, int32_t N, typename Drop>
void removeFrom(T (&slots)[N], bool (&used)[N], T* (&list)[N], int32_t& count, Drop drop) {
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        T* object = list[i];
        if (drop(*object)) {
            used[object - slots] = false;
        } else {
            list[kept++] = object;
        }
    }
    count = kept;
}

Vec2 randomPlaceInRow(float ox, float oy) {
    Vec2 p;
    p.x = ox + randRange(-kRowHalfWidth, kRowHalfWidth);
    p.y = oy + randRange(0.0f, kRowSpacing);
    return p;
}

void placeTrees(Run* run, float ox, float oy) {
    const int32_t n = treesPerRow(oy);
    for (int32_t i = 0; i < n; ++i) {
        const Vec2 p = randomPlaceInRow(ox, oy);
        const float size = randRange(0.3f, 1.2f);
        Obstacle* tree = obstacleAllocate(&run->obstacles);
        if (!tree) continue;
        tree->type = randInt(kTreeTypes);
        tree->position = p;
        tree->radius = size * 0.5f;
    }
}

void placeDeathMarkers(Run* run, float ox, float oy) {
    const float hi = oy + kRowSpacing;
    float v;
    // The search reports "none" itself rather than through hi + 1, which far out along the run
    // would equal hi and never end the loop.
    if (!findNextRecord(&run->records, run->generator.mode, oy, hi, &v)) return;
    for (;;) {
        const float x = ox + randRange(-kMarkerHalfWidth, kMarkerHalfWidth);
        Obstacle* marker = obstacleAllocate(&run->obstacles);
        if (marker) {
            marker->type = kObstacleDeathMarker;
            marker->position = {x, v};
            marker->radius = kMarkerRadius;
        }
        if (!findNextRecord(&run->records, run->generator.mode, v, hi, &v)) return;
    }
}

void placePickup(Run* run, float ox, float oy, int32_t type, float radius) {
    Pickup* pickup = pickupAllocate(&run->pickups);
    if (!pickup) return;
    pickup->position = randomPlaceInRow(ox, oy);
    pickup->type = type;
    pickup->radius = radius;
}

void generateRow(Run* run, float ox, float oy) {
    placeTrees(run, ox, oy);
    placeDeathMarkers(run, ox, oy);
    if (run->generator.mode == kModeDistance) {
        if (randInt(2) == 0) placePickup(run, ox, oy, kPickupShrub, 1.0f);
    } else {
        placePickup(run, ox, oy, kPickupCoin, 0.5f);
        const int32_t r = randInt(4);
        if (r == 0) placePickup(run, ox, oy, kPickupX2, 0.5f);
        else if (r == 1) placePickup(run, ox, oy, kPickupX3, 0.5f);
        else if (r == 2) placePickup(run, ox, oy, kPickupShrub, 1.0f);
    }
}

}  // namespace

void obstaclePoolEmpty(ObstaclePool* pool) {
    pool->count = 0;
    for (bool& u : pool->used) u = false;
}

void pickupPoolEmpty(PickupPool* pool) {
    pool->count = 0;
    for (bool& u : pool->used) u = false;
}

Obstacle* obstacleAllocate(ObstaclePool* pool) {
    return allocateFrom(pool->slots, pool->used, pool->list, pool->count);
}

Pickup* pickupAllocate(PickupPool* pool) {
    // Zeroing leaves remove = false and animation time 0.
    return allocateFrom(pool->slots, pool->used, pool->list, pool->count);
}

void generatorReset(ForestGenerator* generator) {
    generator->nextRowY = kFirstRowY;
    generator->active = false;
}

void generatorStart(Run* run) {
    generateRows(run);
    run->generator.active = true;
}

void generatorUpdate(Run* run) {
    if (run->generator.active) generateRows(run);
}

int32_t treesPerRow(float oy) {
    const double k = (oy * 0.05) / 10.0;
    // Compared before the cast so that a far-out or broken y cannot overflow the int.
    if (!(k < kMaxTreesPerRow - kBaseTreesPerRow)) return kMaxTreesPerRow;
    if (k <= -kBaseTreesPerRow) return 0;
    return kBaseTreesPerRow + static_cast<int32_t>(k);
}

void generateRows(Run* run) {
    const Vec2 runner = run->runner.position;
    const float limit = runner.y + kGenerateAhead;
    ForestGenerator& g = run->generator;
    while (g.nextRowY < limit) {
        const float before = g.nextRowY;
        generateRow(run, runner.x, g.nextRowY);
        g.nextRowY += kRowSpacing;
        if (!(g.nextRowY > before)) break;  // a y too large for the step to register
    }
}

void obstaclesUpdate(Run* run) {
    const float behind = run->runner.position.y - kPassMargin;
    ObstaclePool& p = run->obstacles;
    for (int32_t i = 0; i < p.count; ++i)
        if (p.list[i]->position.y < behind) p.list[i]->passed = true;
    removeFrom(p.slots, p.used, p.list, p.count, [](const Obstacle& o) { return o.passed; });
}

void pickupsUpdate(Run* run, float seconds) {
    const float behind = run->runner.position.y - kPassMargin;
    PickupPool& p = run->pickups;
    for (int32_t i = 0; i < p.count; ++i) {
        Pickup* pickup = p.list[i];
        pickup->animationTime += seconds;
        if (pickup->position.y < behind) pickup->remove = true;
    }
    removeFrom(p.slots, p.used, p.list, p.count, [](const Pickup& o) { return o.remove; });
}

float sweptDistanceSquared(Vec2 p0, Vec2 p1, Vec2 t, float threshold, Vec2* closest) {
    const Vec2 d = {p1.x - p0.x, p1.y - p0.y};
    const float length2 = dot(d, d);
    Vec2 q = p0;
    if (length2 > threshold) {
        float s = dot({t.x - p0.x, t.y - p0.y}, d) / length2;
        if (s < 0.0f) s = 0.0f;
        if (s > 1.0f) s = 1.0f;
        q = {p0.x + d.x * s, p0.y + d.y * s};
    }
    if (closest) *closest = q;
    const Vec2 e = {t.x - q.x, t.y - q.y};
    return dot(e, e);
}

void collidePickups(Run* run) {
    const Runner& runner = run->runner;
    PickupPool& p = run->pickups;
    for (int32_t i = 0; i < p.count; ++i) {
        Pickup* pickup = p.list[i];
        const float reach = pickup->radius + kRunnerRadius;
        const float d2 = sweptDistanceSquared(runner.previousPosition, runner.position,
                                              pickup->position, kPickupSweepThreshold, nullptr);
        if (d2 < reach * reach) {
            applyPickupEffect(run, pickup);
            pickup->state = kPickupCollected;
            pickup->remove = true;
        }
    }
}

void collideObstacles(Run* run) {
    Runner& runner = run->runner;
    const ObstaclePool& p = run->obstacles;
    const Obstacle* crash = nullptr;
    float best = -1.0f;
    int32_t side = 0;
    for (int32_t i = 0; i < p.count; ++i) {
        const Obstacle* o = p.list[i];
        Vec2 q;
        const float d2 = sweptDistanceSquared(runner.previousPosition, runner.position,
                                              o->position, kObstacleSweepThreshold, &q);
        const float crashReach = o->radius + kRunnerRadius;
        const float nearReach = o->radius + kNearMissReach;
        if (d2 < crashReach * crashReach) {
            crash = o;
            break;
        }
        if (d2 < nearReach * nearReach) {
            const float margin = std::sqrt(d2) - o->radius;
            if (margin < best || best < 0.0f) {
                best = margin;
                side = q.x <= o->position.x ? 1 : -1;
            }
        }
    }
    if (crash) {
        runner.crashKind = crash->type == kObstacleDeathMarker ? kCrashDeathMarker : kCrashTree;
        soundPlayEffect(g_soundSettings, kSoundKindHitTree);
        runSetState(run, kRunStateCrashed);
    } else if (best >= 0.0f) {
        runnerStartNearMiss(&runner, side);
    }
}
