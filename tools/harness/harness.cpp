// The harness: the game's own start-up and main-loop pass, driven frame by frame.
#include "tools/harness/harness.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "app/platform_main.h"
#include "platform/platform.h"
#include "tools/writers/apng_writer.h"

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

// The animation under way: which frames it takes and the writer holding those taken so far.
struct Animation {
    bool active = false;
    int from = 0, to = 0, every = 1, shrink = 1;
    std::string path;
    std::unique_ptr<ApngWriter> writer;
};
Animation g_animation;
std::string g_animationError;  // why the last animation could not be written, empty when it was

void writeAnimation() {
    if (!g_animation.active) return;
    g_animationError.clear();
    if (!g_animation.writer->writeFile(g_animation.path.c_str(), &g_animationError))
        g_animationError = g_animation.path + ": " + g_animationError;
    g_animation = Animation();
}

// Takes the current picture when the animation wants this frame; writes the file after its last.
void recordAnimation() {
    if (!g_animation.active || g_frame < g_animation.from ||
        (g_frame - g_animation.from) % g_animation.every != 0)
        return;
    const std::vector<uint8_t> picture = capture();
    if (picture.empty()) {
        g_animationError = g_animation.path + ": cannot read frame " + std::to_string(g_frame);
        g_animation = Animation();
        return;
    }
    const int n = g_animation.shrink, width = platform::kLandscapeWidth;
    const int w = width / n, h = platform::kLandscapeHeight / n;
    std::vector<uint8_t> small(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < n; ++dy)
                    for (int dx = 0; dx < n; ++dx)
                        sum += picture[((y * n + dy) * width + x * n + dx) * 4 + c];
                small[(y * w + x) * 4 + c] = static_cast<uint8_t>((sum + n * n / 2) / (n * n));
            }
    g_animation.writer->addFrame(small.data());
    if (g_frame + g_animation.every > g_animation.to) writeAnimation();
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
    if (!options.rasterThreads) setenv("LP_NUM_THREADS", "0", 0);
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
    if (g_quit) writeAnimation();
    else recordAnimation();
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

bool animate(int from, int to, int every, int shrink, int colours, const std::string& path,
             std::string* error) {
    auto refuse = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (g_animation.active) return refuse("an animation is already being recorded");
    if (from < g_frame) return refuse("frame " + std::to_string(from) + " has already passed");
    if (to < from || every < 1) return refuse("TO comes before FROM, or EVERY is below 1");
    if (shrink < 1 || shrink > 8 || platform::kLandscapeWidth % shrink ||
        platform::kLandscapeHeight % shrink)
        return refuse("shrink by 1, 2, 4, 5 or 8");
    if (colours != 0 && (colours < 2 || colours > 255))
        return refuse("colours: 0 (truecolour) or 2 to 255");
    const uint32_t delayMs = static_cast<uint32_t>(every) * g_step;
    if (delayMs > 0xFFFF) return refuse("frames longer than 65 s");
    ApngWriteOptions options;
    options.delayNumerator = static_cast<uint16_t>(delayMs);
    options.delayDenominator = 1000;
    options.paletteColours = colours;
    g_animation.active = true;
    g_animation.from = from;
    g_animation.to = to;
    g_animation.every = every;
    g_animation.shrink = shrink;
    g_animation.path = path;
    g_animation.writer.reset(new ApngWriter(platform::kLandscapeWidth / shrink,
                                            platform::kLandscapeHeight / shrink, options));
    g_animationError.clear();
    if (g_started && g_frame == from) recordAnimation();
    return true;
}

bool animating() { return g_animation.active; }

bool finishAnimation(std::string* error) {
    while (g_animation.active && step()) {
    }
    writeAnimation();  // the game has quit: the frames so far
    if (!g_animationError.empty()) {
        if (error) *error = g_animationError;
        return false;
    }
    return true;
}

bool runScript(const std::string& text, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    g_animationError.clear();
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
                if (!step()) return g_animationError.empty() || fail(g_animationError);  // quit
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
        } else if (cmd == "animate") {
            int from = 0, to = 0, every = 0;
            if (!(words >> from >> to >> every >> path))
                return fail("animate needs FROM TO EVERY FILE.png [SHRINK [COLOURS]]");
            int optional[2] = {1, kAnimationColours};  // shrink, colours
            std::string extra;
            for (int k = 0; k < 2 && words >> extra; ++k) {
                char* end = nullptr;
                optional[k] = static_cast<int>(std::strtol(extra.c_str(), &end, 10));
                if (*end || extra.empty()) return fail("SHRINK and COLOURS are numbers");
            }
            std::string why;
            if (!animate(from, to, every, optional[0], optional[1], path, &why)) return fail(why);
        } else if (cmd == "run") {
            int n = 0;
            if (!(words >> n) || n < 0) return fail("run needs a frame count");
            run(n);
        } else {
            return fail("unknown command '" + cmd + "'");
        }
        if (!g_animationError.empty()) return fail(g_animationError);
    }
    // The script ends once its animation has its last frame.
    std::string why;
    if (!finishAnimation(&why)) return fail(why);
    return true;
}

void shutDown() {
    writeAnimation();
    if (!g_started) return;
    ::shutDown();
    g_started = false;
}

}  // namespace harness
