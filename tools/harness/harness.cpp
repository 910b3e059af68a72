// The harness: the game's own start-up and main-loop pass, driven frame by frame.
#include "tools/harness/harness.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/platform_main.h"
#include "platform/platform.h"

namespace harness {
namespace {

uint32_t g_now;
uint32_t g_step = 16;
int g_frame;
bool g_started;
bool g_quit;
bool g_pendingTapRelease;
int g_tapX, g_tapY;

uint32_t virtualClock() { return g_now; }

void mouse(Uint8 type, int x, int y) {
    int rx, ry;
    platform::logicalToDevice(x, y, &rx, &ry);
    SDL_Event e{};
    if (type == SDL_MOUSEMOTION) {
        e.motion.type = type;
        e.motion.which = 0;
        e.motion.state = SDL_BUTTON(1);
        e.motion.x = static_cast<Uint16>(rx);
        e.motion.y = static_cast<Uint16>(ry);
    } else {
        e.button.type = type;
        e.button.which = 0;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = static_cast<Uint16>(rx);
        e.button.y = static_cast<Uint16>(ry);
    }
    platform::pushDeviceEvent(e);
}

void focus(bool gain) {
    SDL_Event e{};
    e.active.type = SDL_ACTIVEEVENT;
    e.active.gain = gain ? 1 : 0;
    e.active.state = gain ? 7 : 6;
    platform::pushDeviceEvent(e);
}

}  // namespace

bool start(const Options& options) {
    if (g_started) return true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!options.dataFolder.empty()) {
        mkdir(options.dataFolder.c_str(), 0755);
        platform::setDataFolder(options.dataFolder.c_str());
    }
    g_step = options.stepMs ? options.stepMs : 16;
    g_now = options.startMs;
    g_frame = 0;
    platform::setClock(virtualClock);
    if (startUp() < 0) return false;
    g_platform.running = true;
    g_started = true;
    return true;
}

bool started() { return g_started; }

bool step() {
    if (!g_started || g_quit) return false;
    // While paused the real loop would block until the platform sends something; here time
    // simply passes until the script does.
    bool resumesByItself = (g_activeEventCode == 0 && g_activeEventCounter == 4) ||
                           (g_activeEventCode == 9 && g_activeEventCounter == 2);
    if (!g_platform.paused || resumesByItself || platform::pendingDeviceEvents() > 0) {
        if (!mainLoopPass()) g_quit = true;
    }
    g_now += g_step;
    ++g_frame;
    if (g_pendingTapRelease) {
        g_pendingTapRelease = false;
        release(g_tapX, g_tapY);
    }
    return !g_quit;
}

int run(int frames) {
    int n = 0;
    while (n < frames && step()) ++n;
    return n;
}

uint32_t now() { return g_now; }
int frame() { return g_frame; }
bool paused() { return g_platform.paused; }

void press(int x, int y) { mouse(SDL_MOUSEBUTTONDOWN, x, y); }
void drag(int x, int y) { mouse(SDL_MOUSEMOTION, x, y); }
void release(int x, int y) { mouse(SDL_MOUSEBUTTONUP, x, y); }

void tap(int x, int y) {
    press(x, y);
    g_pendingTapRelease = true;
    g_tapX = x;
    g_tapY = y;
}

void tilt(float degrees) { platform::setTiltAngle(degrees); }
void minimise() { focus(false); }
void restore() { focus(true); }

void quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    platform::pushDeviceEvent(e);
}

std::vector<uint8_t> capture() {
    std::vector<uint8_t> rgba(platform::kLandscapeWidth * platform::kLandscapeHeight * 4);
    if (!platform::readLandscape(rgba.data())) rgba.clear();
    return rgba;
}

bool capturePng(const std::string& path) { return platform::saveScreenshot(path.c_str()); }

bool runScript(const std::string& text, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        int at = -1;
        if (first == "at") {
            if (!(words >> at) || !(words >> first)) return fail("expected 'at FRAME COMMAND'");
            if (at < g_frame) return fail("frame " + std::to_string(at) + " has already passed");
            while (g_frame < at)
                if (!step()) return true;  // the game quit
        }
        const std::string& cmd = first;
        int x = 0, y = 0;
        float angle = 0;
        std::string path;
        if (cmd == "tap" || cmd == "press" || cmd == "drag" || cmd == "release") {
            if (!(words >> x >> y)) return fail(cmd + " needs X Y");
            if (x < 0 || x >= 480 || y < 0 || y >= 320) return fail("point outside 480 x 320");
            if (cmd == "tap") tap(x, y);
            else if (cmd == "press") press(x, y);
            else if (cmd == "drag") drag(x, y);
            else release(x, y);
        } else if (cmd == "tilt") {
            if (!(words >> angle)) return fail("tilt needs DEGREES");
            tilt(angle);
        } else if (cmd == "minimise" || cmd == "minimize") {
            minimise();
        } else if (cmd == "restore") {
            restore();
        } else if (cmd == "quit") {
            quit();
        } else if (cmd == "capture") {
            if (!(words >> path)) return fail("capture needs PATH");
            if (!capturePng(path)) return fail("cannot write " + path);
        } else if (cmd == "run") {
            int n = 0;
            if (!(words >> n) || n < 0) return fail("run needs a frame count");
            run(n);
        } else {
            return fail("unknown command '" + cmd + "'");
        }
    }
    return true;
}

void shutDown() {
    if (!g_started) return;
    ::shutDown();
    g_started = false;
}

}  // namespace harness
