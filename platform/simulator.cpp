// The device simulator: turns the desktop's mouse, keyboard, gamepad and window events into the
// events the phone delivers (finger 0 in portrait coordinates, the accelerometer as joystick-0
// axes, the phone's focus sequences), and handles the desktop-only keys F11 and F12.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {
namespace {

constexpr float kMaxTilt = 35.0f;       // degrees either way
constexpr float kTiltRate = 140.0f;     // degrees per second while a key is held or released
constexpr int kQueueSize = 64;

struct Simulator {
    SDL_Event queue[kQueueSize];  // device events waiting to be delivered, oldest first
    int head, count;
    bool axesSent;                // the first three axis events have gone out
    float keyTilt;                // degrees from the keyboard
    float padTilt;                // degrees from a real stick
    float fixedTilt;              // degrees set by setTiltAngle
    bool fixed;                   // setTiltAngle decides the roll
    float sentTilt;               // roll of the last axes sent
    bool leftHeld, rightHeld;
    uint32_t lastTick;
    bool buttonDown;              // left button held: finger 0 is on the screen
    bool focused;                 // the game has been told it has the focus
    int screenshotNumber;
};
Simulator g_sim = [] {
    Simulator s{};
    s.focused = true;
    return s;
}();

void enqueue(const SDL_Event& e) {
    if (g_sim.count == kQueueSize) return;  // the device drops what it cannot hold
    g_sim.queue[(g_sim.head + g_sim.count) % kQueueSize] = e;
    ++g_sim.count;
}

bool dequeue(SDL_Event* e) {
    if (g_sim.count == 0) return false;
    *e = g_sim.queue[g_sim.head];
    g_sim.head = (g_sim.head + 1) % kQueueSize;
    --g_sim.count;
    return true;
}

float currentTilt() {
    if (g_sim.fixed) return g_sim.fixedTilt;
    float t = g_sim.keyTilt + g_sim.padTilt;
    return t > kMaxTilt ? kMaxTilt : (t < -kMaxTilt ? -kMaxTilt : t);
}

void sendAxes(float degrees) {
    int16_t axes[3];
    tiltAxes(degrees, axes);
    for (int i = 0; i < 3; ++i) {
        SDL_Event e{};
        e.jaxis.type = SDL_JOYAXISMOTION;
        e.jaxis.which = 0;
        e.jaxis.axis = static_cast<Uint8>(i);
        e.jaxis.value = axes[i];
        enqueue(e);
    }
    g_sim.sentTilt = degrees;
    g_sim.axesSent = true;
}

// Moves the keyboard roll toward where the held keys put it and sends axes when it changed.
void stepTilt() {
    uint32_t now = ticks();
    float dt = g_sim.lastTick ? (now - g_sim.lastTick) * 0.001f : 0.0f;
    if (dt > 0.1f) dt = 0.1f;
    g_sim.lastTick = now;
    int dir = (g_sim.rightHeld ? 1 : 0) - (g_sim.leftHeld ? 1 : 0);
    float target = dir * kMaxTilt;
    float step = kTiltRate * dt;
    if (g_sim.keyTilt < target) g_sim.keyTilt = std::fmin(target, g_sim.keyTilt + step);
    else if (g_sim.keyTilt > target) g_sim.keyTilt = std::fmax(target, g_sim.keyTilt - step);
    float tilt = currentTilt();
    if (!g_sim.axesSent || tilt != g_sim.sentTilt) sendAxes(tilt);
}

// Window pixel -> logical landscape point, through the presentation's scale and letterbox.
void windowToLogical(int wx, int wy, int* lx, int* ly) {
    SDL_Surface* s = SDL_GetVideoSurface();
    int ww = s ? s->w : kLandscapeWidth, wh = s ? s->h : kLandscapeHeight;
    int scale = 1;
    while (kLandscapeWidth * (scale + 1) <= ww && kLandscapeHeight * (scale + 1) <= wh) ++scale;
    int x = (wx - (ww - kLandscapeWidth * scale) / 2) / scale;
    int y = (wy - (wh - kLandscapeHeight * scale) / 2) / scale;
    *lx = x < 0 ? 0 : (x >= kLandscapeWidth ? kLandscapeWidth - 1 : x);
    *ly = y < 0 ? 0 : (y >= kLandscapeHeight ? kLandscapeHeight - 1 : y);
}

void sendFocus(bool gain) {
    if (g_sim.focused == gain) return;  // never two pauses or two resumes in a row
    g_sim.focused = gain;
    SDL_Event e{};
    e.active.type = SDL_ACTIVEEVENT;
    e.active.gain = gain ? 1 : 0;
    e.active.state = gain ? 7 : 6;
    enqueue(e);
}

void screenshot() {
    char name[64];
    std::time_t now = std::time(nullptr);
    std::strftime(name, sizeof name, "zorvane-%Y%m%d-%H%M%S", std::localtime(&now));
    std::string path = std::string(dataFolder()) + name + "-" +
                       std::to_string(g_sim.screenshotNumber++) + ".png";
    if (saveScreenshot(path.c_str())) std::printf("screenshot: %s\n", path.c_str());
    else std::fprintf(stderr, "zorvane: the screenshot could not be written to %s\n", path.c_str());
}

}  // namespace

// One desktop event: queues what the device would have sent (some have no device form).
void translateDesktopEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (e.button.button != SDL_BUTTON_LEFT) return;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (down == g_sim.buttonDown) return;
        g_sim.buttonDown = down;
        int lx, ly, rx, ry;
        windowToLogical(e.button.x, e.button.y, &lx, &ly);
        logicalToDevice(lx, ly, &rx, &ry);
        SDL_Event d = e;
        d.button.which = 0;
        d.button.button = SDL_BUTTON_LEFT;
        d.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        d.button.x = static_cast<Uint16>(rx);
        d.button.y = static_cast<Uint16>(ry);
        enqueue(d);
        return;
    }
    case SDL_MOUSEMOTION: {
        if (!g_sim.buttonDown) return;  // a touch screen has no hover
        int lx, ly, rx, ry;
        windowToLogical(e.motion.x, e.motion.y, &lx, &ly);
        logicalToDevice(lx, ly, &rx, &ry);
        SDL_Event d = e;
        d.motion.which = 0;
        d.motion.x = static_cast<Uint16>(rx);
        d.motion.y = static_cast<Uint16>(ry);
        enqueue(d);
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        bool down = e.type == SDL_KEYDOWN;
        SDLKey k = e.key.keysym.sym;
        if (k == SDLK_LEFT || k == SDLK_a) g_sim.leftHeld = down;
        else if (k == SDLK_RIGHT || k == SDLK_d) g_sim.rightHeld = down;
        else if (k == SDLK_F11 && down) { toggleFullscreen(); return; }
        else if (k == SDLK_F12 && down) { screenshot(); return; }
        enqueue(e);  // the game receives its key events and ignores them
        return;
    }
    case SDL_JOYAXISMOTION:
        // A real stick's first axis rolls the simulated device; its raw axes never reach the game.
        if (e.jaxis.axis == 0) g_sim.padTilt = e.jaxis.value / 32767.0f * kMaxTilt;
        return;
    case SDL_ACTIVEEVENT:
        if (e.active.state & (SDL_APPACTIVE | SDL_APPINPUTFOCUS)) {
            if (!e.active.gain) sendFocus(false);
            else if ((SDL_GetAppState() & (SDL_APPACTIVE | SDL_APPINPUTFOCUS)) ==
                     (SDL_APPACTIVE | SDL_APPINPUTFOCUS))
                sendFocus(true);
        }
        return;
    case SDL_QUIT:
        enqueue(e);
        return;
    default:
        return;
    }
}

namespace {

// Moves every pending desktop event through the simulator.
void pumpDesktop() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) translateDesktopEvent(e);
}

}  // namespace

void tiltAxes(float degrees, int16_t axes[3]) {
    // Gravity of a device rolled by theta: (sin a, cos a, 0) with a = -90 - theta degrees. The
    // game negates axis 1.
    double a = (-90.0 - degrees) * M_PI / 180.0;
    double gx = std::sin(a), gy = std::cos(a);
    axes[0] = static_cast<int16_t>(std::lround(gx * 32767.0));
    axes[1] = static_cast<int16_t>(std::lround(-gy * 32767.0));
    axes[2] = 0;
}

void logicalToDevice(int lx, int ly, int* rx, int* ry) {
    *ry = lx;
    *rx = kScreenWidth - 1 - ly;
}

void setTiltAngle(float degrees) {
    g_sim.fixed = true;
    g_sim.fixedTilt = degrees > kMaxTilt ? kMaxTilt : (degrees < -kMaxTilt ? -kMaxTilt : degrees);
    sendAxes(g_sim.fixedTilt);
}

float tiltAngle() { return currentTilt(); }

void pushDeviceEvent(const SDL_Event& event) { enqueue(event); }

int pendingDeviceEvents() { return g_sim.count; }

int pollEvent(SDL_Event* event) {
    pumpDesktop();  // headless this still brings the quit that SIGINT/SIGTERM raise
    stepTilt();
    return dequeue(event) ? 1 : 0;
}

int waitEvent(SDL_Event* event) {
    for (;;) {
        if (dequeue(event)) return 1;
        if (headless()) {
            // No window: only the device queue or a quit signal can wake the game.
            pumpDesktop();
            if (g_sim.count == 0) SDL_Delay(10);
            continue;
        }
        SDL_Event e;
        if (!SDL_WaitEvent(&e)) return 0;
        translateDesktopEvent(e);
    }
}

}  // namespace platform
