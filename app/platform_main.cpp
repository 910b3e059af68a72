// Start-up in its fixed order, the main loop (one frame per buffer swap, blocked while the
// platform holds the focus), event dispatch, focus handling and shutdown.
#include "app/platform_main.h"

#include <GLES/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/application.h"
#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "app/input.h"
#include "audio/audio_device.h"
#include "game/game_flow.h"
#include "gfx2d/graphics.h"
#include "gfx2d/resource_registry.h"
#include "platform/platform.h"
#include "storage/record_store.h"

PlatformState g_platform;
int32_t g_activeEventCode;
int32_t g_activeEventCounter;

namespace {

constexpr size_t kPathSize = 256;
constexpr uint32_t kInitFlags = 0x00100220;     // video | joystick | no parachute
constexpr uint32_t kVideoFlags = 0x40000003;    // double buffer | OpenGL | hardware surface

// The screen metrics record: made before main, filled by the platform.
PDL_ScreenMetrics* g_screenMetrics = new PDL_ScreenMetrics();

// ZV_EXIT_AT_MENU set (and not "0"): the real program reports how long after its start the main
// menu was first on screen, then ends there as on a quit. The start-up benchmark reads the line.
bool g_exitAtMenu;

bool platformReady() { return true; }

void focusEvent(const SDL_ActiveEvent& e) {
    g_activeEventCode += e.gain + e.state;
    g_activeEventCounter += 1;
    std::fprintf(stderr, "\ng_activeEventCode: %d     g_activeEventCounter: %d\n",
                 g_activeEventCode, g_activeEventCounter);
    switch (g_activeEventCode) {
    case 6:
        g_activeEventCode = g_activeEventCounter = 0;
        applicationPause();
        g_platform.paused = true;
        break;
    case 8:
        g_activeEventCode = g_activeEventCounter = 0;
        applicationResume();
        g_platform.paused = false;
        break;
    case 9:
        if (g_activeEventCounter == 2) {
            applicationPause();
            g_platform.paused = true;
        } else if (g_activeEventCounter == 6) {
            g_activeEventCode = g_activeEventCounter = 0;
            applicationResume();
            g_platform.paused = false;
        }
        break;
    case 18:
        g_activeEventCode = 0;
        applicationPause();
        g_platform.paused = true;
        break;
    default:
        break;
    }
}

void setUpGraphicsAndApplication(int width, int height, int x, int y) {
    g_platform.viewportX = x;
    g_platform.viewportY = y;
    g_platform.viewportWidth = width;
    g_platform.viewportHeight = height;
    g_platform.joystick = SDL_JoystickOpen(0);

    g_platform.packPath = new char[kPathSize];
    g_platform.basePath = new char[kPathSize];
    PDL_GetCallingPath(g_platform.packPath, kPathSize);
    std::snprintf(g_platform.basePath, kPathSize, "%s", g_platform.packPath);
    // Bounded: a folder too long for the buffer leaves a path that simply does not open.
    std::snprintf(g_platform.packPath, kPathSize, "%s%s", g_platform.basePath, "packres.bin");
    setRecordBasePath(g_platform.basePath);
    g_platform.paused = false;

    applyInitialGlState(width, height);
    g_graphicsCaps = new GraphicsCaps();
    buildGraphicsCaps(g_graphicsCaps, reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                      reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    resetTouchSlots();
    createResourceRegistry();
    Graphics::setViewport(x, y, width, height);
    g_screenGraphics = new Graphics(g_graphicsCaps, nullptr, 480, 320);
    applicationConstruct(0);
}

}  // namespace

int startUp() {
    platform::init(kInitFlags);
    platform::glSetAttribute(17, 1);
    const char* hardware = PDL_GetHardware();
    if (PDL_GetScreenMetrics(g_screenMetrics) != 0) {
        std::fprintf(stderr, "\nPDL_GetScreenMetrics error: %s\n", SDL_GetError());
        std::exit(1);
    }
    g_platform.screenWidth = g_screenMetrics->horizontalPixels;
    g_platform.screenHeight = g_screenMetrics->verticalPixels;
    applicationSetDevice(hardware, g_platform.screenWidth, g_platform.screenHeight);
    g_platform.screen = platform::setVideoMode(0, 0, 0, kVideoFlags);
    if (!platformReady()) return -1;
    setUpGraphicsAndApplication(g_platform.screenWidth, g_platform.screenHeight, 0, 0);
    return 0;
}

void runFrame() {
    glClear(GL_DEPTH_BUFFER_BIT);
    accelerometerStep();
    applicationUpdate();
    applicationDraw(g_screenGraphics);
}

int dispatchEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_ACTIVEEVENT: focusEvent(event.active); break;
    case SDL_MOUSEMOTION: touchMove(event.motion, g_app.frameCounter); break;
    case SDL_MOUSEBUTTONDOWN: touchPress(event.button, g_app.frameCounter); break;
    case SDL_MOUSEBUTTONUP: touchRelease(event.button, g_app.frameCounter); break;
    case SDL_JOYAXISMOTION: axisEvent(event.jaxis); break;
    case SDL_QUIT: return -1;
    default: break;  // keys and everything else: the game has no use for them
    }
    return 0;
}

bool mainLoopPass() {
    if (!g_platform.paused) {
        runFrame();
        platform::swapBuffers();
    }
    SDL_Event ev;
    int have = 0;
    if (!g_platform.paused) {
        have = platform::pollEvent(&ev);
    } else if ((g_activeEventCode == 0 && g_activeEventCounter == 4) ||
               (g_activeEventCode == 9 && g_activeEventCounter == 2)) {
        g_activeEventCode = g_activeEventCounter = 0;
        g_platform.paused = false;
        applicationResume();
    } else {
        have = platform::waitEvent(&ev);
    }
    while (have == 1) {
        if (dispatchEvent(ev) < 0) g_platform.running = false;
        have = platform::pollEvent(&ev);
    }
    return g_platform.running;
}

int mainLoop() {
    g_platform.running = true;
    while (mainLoopPass()) {
        if (g_exitAtMenu && g_gameFlow && g_gameFlow->state == kFlowMainMenu) {
            std::printf("zorvane: main menu after %.0f ms\n",
                        platform::millisecondsSinceProcessStart());
            std::fflush(stdout);
            break;
        }
    }
    return 0;
}

void shutDown() {
    g_input.activeTouches = 0;
    delete[] g_platform.packPath;
    delete[] g_platform.basePath;
    g_platform.packPath = g_platform.basePath = nullptr;
    releaseObtainedAudioSpec();
    SDL_CloseAudio();
    if (g_platform.joystick) SDL_JoystickClose(g_platform.joystick);
    g_platform.joystick = nullptr;
    PDL_Quit();
}

int platformMain() {
    const char* exitAtMenu = std::getenv("ZV_EXIT_AT_MENU");
    g_exitAtMenu = exitAtMenu && *exitAtMenu && std::strcmp(exitAtMenu, "0") != 0;
    int status = startUp();
    if (status < 0) return status;
    mainLoop();
    shutDown();
    return 0;
}
