// Frame benchmark: whole frames of the real game (update, draw and the swap's wait for the
// picture, no read-back) headless through the harness on the real Mesa OpenGL ES 1.1, at the
// device's 320 x 480, in a distance run and in a points run, both in the densest forest. Prints
// the median and 95th percentile frame time, the GL work of a frame (draw calls, texture and buffer
// binds, triangles, distinct textures), and the cost of the draw alone three ways: as is, with a
// 1 x 1 viewport (the driver's rasterising gone), and with the GL calls not made at all (the
// game's own drawing code).
//
//   frame_bench [frames]       (600 by default; needs packres.bin in the build folder)
//   frame_bench --table [frames]
//                              (300 by default) rows for bench/run_all.sh: frame times, the
//                              game's own code per frame with the GL calls not made against
//                              the whole frame's CPU time, and the peak resident memory
#include <GLES/gl.h>
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/platform_main.h"
#include "bench/bench_table.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/random.h"
#include "gfx2d/graphics.h"
#include "storage/record_store.h"
#include "tools/harness/harness.h"

// ---- GL entry points, wrapped at link time: counted, and skipped while the GL is "off" ------
namespace {

struct GlCounts {
    long drawCalls = 0, textureBinds = 0, bufferBinds = 0, triangles = 0;
    std::set<GLuint> textures;  // names bound this frame
};
GlCounts g_counts;
bool g_glOff = false;        // the calls return at once (the game's own code is all that runs)
bool g_tinyViewport = false; // every viewport is 1 x 1

long trianglesOf(GLenum mode, GLsizei count) {
    if (mode == GL_TRIANGLES) return count / 3;
    if (mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN) return count > 2 ? count - 2 : 0;
    return 0;
}

}  // namespace

extern "C" {
#define ZV_WRAP(ret, name, params, args)   \
    ret __real_##name params;              \
    ret __wrap_##name params {             \
        if (g_glOff) return;               \
        __real_##name args;                \
    }
ZV_WRAP(void, glEnable, (GLenum c), (c))
ZV_WRAP(void, glDisable, (GLenum c), (c))
ZV_WRAP(void, glBlendFunc, (GLenum s, GLenum d), (s, d))
ZV_WRAP(void, glLoadMatrixf, (const GLfloat* m), (m))
ZV_WRAP(void, glLoadMatrixx, (const GLfixed* m), (m))
ZV_WRAP(void, glMultMatrixx, (const GLfixed* m), (m))
ZV_WRAP(void, glMatrixMode, (GLenum m), (m))
ZV_WRAP(void, glLoadIdentity, (), ())
ZV_WRAP(void, glEnableClientState, (GLenum a), (a))
ZV_WRAP(void, glDisableClientState, (GLenum a), (a))
ZV_WRAP(void, glVertexPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_WRAP(void, glTexCoordPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_WRAP(void, glColorPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_WRAP(void, glColor4x, (GLfixed r, GLfixed g, GLfixed b, GLfixed a), (r, g, b, a))
ZV_WRAP(void, glTexEnvi, (GLenum t, GLenum p, GLint v), (t, p, v))
ZV_WRAP(void, glClear, (GLbitfield m), (m))
#undef ZV_WRAP

void __real_glViewport(GLint x, GLint y, GLsizei w, GLsizei h);
void __wrap_glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (g_glOff) return;
    if (g_tinyViewport) __real_glViewport(0, 0, 1, 1);
    else __real_glViewport(x, y, w, h);
}
void __real_glBindTexture(GLenum target, GLuint name);
void __wrap_glBindTexture(GLenum target, GLuint name) {
    ++g_counts.textureBinds;
    g_counts.textures.insert(name);
    if (!g_glOff) __real_glBindTexture(target, name);
}
void __real_glBindBuffer(GLenum target, GLuint name);
void __wrap_glBindBuffer(GLenum target, GLuint name) {
    ++g_counts.bufferBinds;
    if (!g_glOff) __real_glBindBuffer(target, name);
}
void __real_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void __wrap_glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    ++g_counts.drawCalls;
    g_counts.triangles += trianglesOf(mode, count);
    if (!g_glOff) __real_glDrawArrays(mode, first, count);
}
void __real_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
void __wrap_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    ++g_counts.drawCalls;
    g_counts.triangles += trianglesOf(mode, count);
    if (!g_glOff) __real_glDrawElements(mode, count, type, indices);
}
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kDenseY = 3000.0f;  // twenty trees a row from y = 2,600 on
constexpr int kWarmUpFrames = 60;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process (the game's thread and the driver's rasteriser threads), in ms:
// on a shared machine the wall time also counts what other programs took.
double processCpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}
double g_frameCpuMs;

struct Stats {
    double median, p95, mean;
};

Stats statsOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v) sum += x;
    const size_t n = v.size();
    return {v[n / 2], v[std::min(n - 1, static_cast<size_t>(std::ceil(n * 0.95)) - 1)],
            sum / static_cast<double>(n)};
}

// The game's data from the build folder, linked into a fresh install folder.
std::string installFolder() {
    const std::string build = ZV_BUILD_DIR "/";
    char folder[] = "/tmp/zv-frame-bench-XXXXXX";
    if (!mkdtemp(folder)) return "";
    const std::string out = std::string(folder) + "/";
    DIR* dir = opendir(build.c_str());
    if (!dir) return out;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "packres.bin" ||
            (name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0))
            symlink((build + name).c_str(), (out + name).c_str());
    }
    closedir(dir);
    return out;
}

// A perfect player: whatever stands on the runner's line ahead is moved aside (the count of
// objects, and so the frame's work, stays the same).
void clearTheWay(Run& run) {
    const Vec2 r = run.runner.position;
    for (int32_t i = 0; i < run.obstacles.count; ++i) {
        Obstacle* o = run.obstacles.list[i];
        const float reach = o->radius + kRunnerRadius + kNearMissReach + 0.2f;
        if (o->position.y < r.y - 1.0f || std::fabs(o->position.x - r.x) >= reach) continue;
        o->position.x = r.x + (o->position.x < r.x ? -reach : reach);
    }
}

// A run of the mode, running, at the densest part of the forest.
void startRun(int32_t mode) {
    g_randomState = 0;
    g_gameFlow->run.records = RunRecords{};
    gameFlowStartRun(g_gameFlow, mode);
    Run& run = g_gameFlow->run;
    run.runner.position = {0.0f, kDenseY};
    run.runner.previousPosition = run.runner.position;
    if (mode == kModeDistance) run.runner.speed = 22.0f;  // about distance mode's speed by then
    obstaclePoolEmpty(&run.obstacles);
    pickupPoolEmpty(&run.pickups);
    run.generator.nextRowY = kDenseY - kRowSpacing;
    generateRows(&run);
    runSetState(&run, kRunStateRunning);
    cameraUpdate(&run.camera, run.runner.position);
}

// One whole frame, as the main loop makes it, waiting for the picture like a swap would.
double timedFrame() {
    clearTheWay(g_gameFlow->run);
    g_counts = GlCounts{};
    const double cpu = processCpuMs();
    const Clock::time_point start = Clock::now();
    harness::step();
    glFinish();
    const double wall = msSince(start);
    g_frameCpuMs = processCpuMs() - cpu;
    return wall;
}

// The session's draw of the current state only (no update), done n times: the median wall
// time and the median CPU time of the process (all threads).
struct DrawCost {
    double wall, cpu;
    double cpuBest;  // the least CPU time of one draw: the work itself, whatever else runs
};

DrawCost timedDraws(int n, bool glOff, bool tinyViewport) {
    std::vector<double> wall, cpu;
    g_glOff = glOff;
    g_tinyViewport = tinyViewport;
    for (int i = 0; i < n; ++i) {
        const double c = processCpuMs();
        const Clock::time_point start = Clock::now();
        gameSessionDraw(g_gameSession, g_screenGraphics);
        if (!glOff) glFinish();
        wall.push_back(msSince(start));
        cpu.push_back(processCpuMs() - c);
    }
    g_glOff = false;
    g_tinyViewport = false;
    glFinish();
    return {statsOf(wall).median, statsOf(cpu).median, *std::min_element(cpu.begin(), cpu.end())};
}

void benchmark(const char* title, int32_t mode, int frames) {
    startRun(mode);
    for (int i = 0; i < kWarmUpFrames; ++i) timedFrame();
    std::vector<double> times, cpuTimes;
    double drawCalls = 0, textureBinds = 0, bufferBinds = 0, triangles = 0, textures = 0;
    double engineDraws = 0, engineBinds = 0, engineBuffers = 0, engineTriangles = 0;
    int items = 0, crashes = 0;
    for (int i = 0; i < frames; ++i) {
        if (g_gameFlow->state != kFlowInRun || g_gameFlow->run.state != kRunStateRunning) {
            ++crashes;
            startRun(mode);
        }
        times.push_back(timedFrame());
        cpuTimes.push_back(g_frameCpuMs);
        drawCalls += g_counts.drawCalls;
        textureBinds += g_counts.textureBinds;
        bufferBinds += g_counts.bufferBinds;
        triangles += g_counts.triangles;
        textures += static_cast<double>(g_counts.textures.size());
        engineDraws += g_engine->statDrawCalls;
        engineBinds += g_engine->statTextureBinds;
        engineBuffers += g_engine->statBufferBinds;
        engineTriangles += g_engine->statTriangles;
        items += g_forestScene->drawCount;
    }
    const Stats s = statsOf(times);
    const Stats c = statsOf(cpuTimes);
    const double n = frames;
    std::printf("\n%s: %d frames (y %.0f to %.0f, %d restarts)\n", title, frames,
                g_gameFlow->run.runner.position.y - g_gameFlow->run.runner.distance,
                g_gameFlow->run.runner.position.y, crashes);
    std::printf("  frame (update + draw + swap wait): median %.2f ms, p95 %.2f ms, mean %.2f ms\n",
                s.median, s.p95, s.mean);
    std::printf("  CPU time of the process per frame (all threads): median %.2f ms, p95 %.2f ms\n",
                c.median, c.p95);
    std::printf("  per frame, whole frame GL: %.1f draw calls, %.1f texture binds (%.1f distinct "
                "textures), %.1f buffer binds, %.0f triangles\n",
                drawCalls / n, textureBinds / n, textures / n, bufferBinds / n, triangles / n);
    std::printf("  per frame, the world's 3D pass: %.1f draw calls, %.1f texture binds, %.1f "
                "buffer binds, %.0f triangles; %.1f draw items\n",
                engineDraws / n, engineBinds / n, engineBuffers / n, engineTriangles / n,
                items / n);

    const int draws = std::max(100, frames / 2);
    const DrawCost full = timedDraws(draws, false, false);
    const DrawCost tiny = timedDraws(draws, false, true);
    const DrawCost own = timedDraws(draws, true, false);
    std::printf("  draw only, median wall / CPU: %.2f / %.2f ms as is, %.2f / %.2f ms with a 1 x 1 "
                "viewport, %.3f / %.3f ms of the game's own code (GL calls not made)\n",
                full.wall, full.cpu, tiny.wall, tiny.cpu, own.wall, own.cpu);
    std::printf("  so, in CPU time (best of %d): %.2f ms in all, rasterising about %.2f ms, the "
                "driver's vertex and state work about %.2f ms, the game's drawing code about "
                "%.3f ms\n",
                draws, full.cpuBest, full.cpuBest - tiny.cpuBest, tiny.cpuBest - own.cpuBest,
                own.cpuBest);

    // What each layer of the world costs: the draw without its meshes.
    struct Layer {
        const char* name;
        std::vector<int32_t> meshes;
    };
    const Layer layers[] = {
        {"ground and shading", {kMeshGrass, kMeshShading}},
        {"shadows", {kMeshTreeShadow}},
        {"sky and horizon", {kMeshSky, kMeshHorizon}},
        {"objects", {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20, 21, 22, 23, 25}},
        {"leaves", {kMeshLeaves}},
    };
    std::printf("  layers (draw only, best CPU time saved without them):");
    for (const Layer& layer : layers) {
        ObjectHandle saved[kNamedMeshCount];
        std::copy(g_forestScene->meshes, g_forestScene->meshes + kNamedMeshCount, saved);
        for (int32_t m : layer.meshes) g_forestScene->meshes[m] = 0;
        const DrawCost without = timedDraws(draws / 2, false, false);
        std::copy(saved, saved + kNamedMeshCount, g_forestScene->meshes);
        std::printf(" %s %.2f ms;", layer.name, full.cpuBest - without.cpuBest);
    }
    std::printf("\n");
}

// The process's peak resident set so far (VmHWM), in MiB; -1 when it cannot be read.
double peakResidentMiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    double kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %lf kB", &kib) == 1) break;
    std::fclose(f);
    return kib < 0 ? -1 : kib / 1024.0;
}

// The rows of one run: frame times, and the game's own code per frame (the same frames with no
// GL call made, so neither the driver nor the rasteriser works) against the whole frame's CPU.
void tableRows(const char* run, int32_t mode, int frames) {
    startRun(mode);
    for (int i = 0; i < kWarmUpFrames; ++i) timedFrame();
    std::vector<double> times, cpuTimes, ownTimes;
    auto frame = [&](std::vector<double>* wall, std::vector<double>* cpu) {
        if (g_gameFlow->state != kFlowInRun || g_gameFlow->run.state != kRunStateRunning)
            startRun(mode);
        const double ms = timedFrame();
        if (wall) wall->push_back(ms);
        cpu->push_back(g_frameCpuMs);
    };
    for (int i = 0; i < frames; ++i) frame(&times, &cpuTimes);
    // Done last, so that no GL state the game keeps between frames is stale in the frames above.
    g_glOff = true;
    for (int i = 0; i < std::max(100, frames / 2); ++i) frame(nullptr, &ownTimes);
    g_glOff = false;

    const Stats wall = statsOf(times);
    char figure[128];
    std::snprintf(figure, sizeof figure, "frame, %s: median", run);
    bench::tableRow(figure, wall.median, "ms");
    std::snprintf(figure, sizeof figure, "frame, %s: 95th percentile", run);
    bench::tableRow(figure, wall.p95, "ms");
    std::snprintf(figure, sizeof figure, "frame, %s: game's own code (GL calls not made)", run);
    bench::tableRow(figure, statsOf(ownTimes).median, "ms", statsOf(cpuTimes).median,
                    "CPU of the whole frame, all threads");
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = bench::tableMode(argc, argv);
    const int first = table ? 2 : 1;
    const int frames = argc > first ? std::max(10, std::atoi(argv[first])) : table ? 300 : 600;
    struct stat st;
    if (stat(ZV_BUILD_DIR "/packres.bin", &st) != 0) {
        std::fprintf(stderr, "frame_bench: no packres.bin in %s (build the game data first)\n",
                     ZV_BUILD_DIR);
        return 1;
    }
    harness::Options options;
    options.dataFolder = installFolder();
    options.rasterThreads = true;  // the frames as the game draws them when played
    if (!harness::start(options)) return 1;
    setRecordBasePath(g_platform.basePath);
    for (int i = 0; i < 600 && g_gameFlow->state < kFlowMainMenu; ++i) harness::step();
    if (g_gameFlow->state < kFlowMainMenu) {
        std::fprintf(stderr, "frame_bench: the game did not finish loading\n");
        return 1;
    }
    if (table) {
        const double atMenu = peakResidentMiB();
        tableRows("distance run, densest forest", kModeDistance, frames);
        tableRows("points run, densest forest", kModePoints, frames);
        bench::tableRow("peak resident memory (VmHWM) over both runs", peakResidentMiB(), "MiB",
                        atMenu, "VmHWM at the main menu");
        harness::shutDown();
        return 0;
    }
    std::printf("frame_bench: %d x %d headless, %s\n", g_platform.screenWidth,
                g_platform.screenHeight, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark("Distance run, densest forest", kModeDistance, frames);
    benchmark("Points run, densest forest", kModePoints, frames);
    harness::shutDown();
    return 0;
}
