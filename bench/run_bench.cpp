// Run benchmark: what one frame of a run costs without its drawing (HUD input and steering,
// runner, passing, pickups, generation, camera, collisions, timer) in the densest forest: distance
// mode beyond y = 2,600, twenty trees a row, the pools as full as the rows ahead make them.
// Frames are timed one by one; a frame that ends in a crash (which writes the saved record) is
// left out, and the run is set up again at the dense part. Prints its figures.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/application.h"
#include "app/input.h"
#include "game/game_controls.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/random.h"
#include "game/save_info.h"
#include "storage/record_store.h"

namespace {

constexpr float kStartY = 3000.0f;
constexpr int32_t kFrameMs = 16;
constexpr int kMeasuredFrames = 200000;

// A running distance-mode run at the dense part, with the rows the game would hold there.
void placeAtDenseForest(GameFlow* flow) {
    gameFlowStartRun(flow, kModeDistance);
    Run& run = flow->run;
    run.runner.position = {0.0f, kStartY};
    run.runner.previousPosition = run.runner.position;
    run.runner.speed = 22.0f;  // about what distance mode runs at by then
    obstaclePoolEmpty(&run.obstacles);
    pickupPoolEmpty(&run.pickups);
    run.generator.nextRowY = kStartY - kRowSpacing;  // the row the runner stands in, and on
    generateRows(&run);
    runSetState(&run, kRunStateRunning);
}

}  // namespace

int main() {
    char folder[] = "/tmp/zv-run-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string base = std::string(folder) + "/";
    setRecordBasePath(base.c_str());
    // The controls read the application's input; the benchmark feeds them a device held upright.
    g_input = InputState{};
    for (PointerRecord& p : g_input.pointers) p.phase = kPhaseIdle;

    GameControls* controls = createGameControls();
    GameSession* session = new GameSession();
    gameSessionInitialise(session);
    GameFlow* flow = &session->flow;
    g_randomState = 0;
    placeAtDenseForest(flow);

    std::vector<double> micros;
    micros.reserve(kMeasuredFrames);
    long obstacles = 0, pickups = 0, restarts = 0;
    const FrameDelta delta{kFrameMs * 0.001f, kFrameMs};
    float phase = 0.0f;
    while (static_cast<int>(micros.size()) < kMeasuredFrames) {
        // The application's part of the frame, untimed: a slow weave of +-25 degrees.
        phase += 0.016f;
        const float roll = 25.0f * std::sin(phase) * 0.017453292f;
        applicationSetAccelerometer(std::sin(-1.5707964f - roll), std::cos(-1.5707964f - roll),
                                    0.0f);
        gameControlsUpdate(controls);

        const auto t0 = std::chrono::steady_clock::now();
        runUpdate(&flow->run, delta);
        const auto t1 = std::chrono::steady_clock::now();
        if (flow->run.state != kRunStateRunning || flow->state != kFlowInRun) {
            ++restarts;
            gameFlowSetState(flow, kFlowMainMenu);
            placeAtDenseForest(flow);
            continue;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        obstacles += flow->run.obstacles.count;
        pickups += flow->run.pickups.count;
    }

    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0.0;
    for (double m : micros) sum += m;
    const double n = static_cast<double>(micros.size());
    std::printf("run frame without drawing, distance mode at y > %.0f (20 trees a row)\n", kStartY);
    std::printf("  frames timed          %zu (%ld crash frames left out)\n", micros.size(),
                restarts);
    std::printf("  live obstacles        %.1f on average (pool of %d)\n", obstacles / n,
                kMaxObstacles);
    std::printf("  live pickups          %.1f on average (pool of %d)\n", pickups / n,
                kMaxPickups);
    std::printf("  mean                  %.3f us\n", sum / n);
    std::printf("  median                %.3f us\n", sorted[sorted.size() / 2]);
    std::printf("  99th percentile       %.3f us\n", sorted[sorted.size() * 99 / 100]);
    std::printf("  target                under 20 us\n");
    std::remove((base + kSaveRecordName).c_str());
    std::remove((base + kSaveRecordName + kRecordTempSuffix).c_str());
    rmdir(folder);
    return 0;
}
