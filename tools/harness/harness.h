// The harness: runs the real game in-process and headless on a virtual clock, feeds it timed
// device input (taps and drags at logical landscape points, tilt angles, minimise/restore, quit)
// and captures frames as upright 480 x 320 pictures. Used by the tests and zorvane-harness.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harness {

struct Options {
    std::string dataFolder;  // the game's install folder (data in, "info" out); made if missing
    uint32_t stepMs = 16;    // virtual time per frame
    uint32_t startMs = 1000; // virtual time at the first frame (as if start-up took a second)
    // Leaves Mesa's software rasteriser its worker threads, as the game has them when played.
    // Off by default: the harness then rasterises on its own thread (LP_NUM_THREADS=0, unless
    // the caller's environment names a count), because those threads sometimes unlock a fence
    // the main thread has already freed, which corrupts the heap once in many thousand frames.
    bool rasterThreads = false;
};

// Starts the game (once per process): headless video and audio, the virtual clock, start-up.
bool start(const Options& options);
bool started();
// Runs one main-loop pass (a frame unless paused, then the pending events) and advances the
// clock. False once the game has seen a quit.
bool step();
// Runs n passes; stops early at quit. Returns the passes run.
int run(int frames);
// Current virtual time (ms) and frames stepped.
uint32_t now();
int frame();
bool paused();

// Device input, delivered before the next pass. Points are logical landscape pixels.
void press(int x, int y);
void drag(int x, int y);
void release(int x, int y);
void tap(int x, int y);  // press, then release at the same point one pass later
void tilt(float degrees);
void minimise();
void restore();
void quit();

// The current picture, upright, RGBA rows top first (480 x 320 x 4 bytes).
std::vector<uint8_t> capture();
bool capturePng(const std::string& path);

// Records the pictures of frames from, from + every, ... up to to (frame numbers as frame()
// counts them), each shrunk by a box average of shrink x shrink pixels (1, 2, 4, 5 or 8), into
// an animated PNG whose frames last every x step ms: indexed with one palette of at most
// colours entries (2..255) made from all its frames, or truecolour RGB for colours 0. The file
// is written once frame to is captured, or with the frames so far when the game quits or the
// harness shuts down. One animation at a time; from must not have passed.
constexpr int kAnimationColours = 255;
bool animate(int from, int to, int every, int shrink, int colours, const std::string& path,
             std::string* error);
bool animating();
// Runs until the animation under way is written (at once when there is none); false with a
// message when the last animation could not be written.
bool finishAnimation(std::string* error);

// Runs a script (see zorvane-harness --help); false with a message on a bad line.
bool runScript(const std::string& text, std::string* error);

void shutDown();

}  // namespace harness
