// Linked into every test program: headless video and audio, and Mesa's software rasteriser drawing
// on the calling thread, set before main so that a test program runs the same from CTest, by hand
// or as the parent of the game programs it starts.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // The rasteriser's worker threads sometimes unlock a fence that the drawing thread has
        // already freed (Mesa 22.3), a heap corruption that crashes a test now and then. A count
        // given by the caller is kept.
        setenv("LP_NUM_THREADS", "0", 0);
    }
};

const TestEnvironment g_testEnvironment;

}  // namespace
