// The GLES picture on the desktop: an EGL OpenGL ES 1.1 context that draws into a portrait
// framebuffer object, shown upright in an SDL window through a second context that shares its
// colour texture (so presenting never touches the game's GL state), or kept offscreen headless.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {
namespace {

// The framebuffer is a power-of-two texture so that no GLES extension for other sizes is needed;
// the game's W x H picture occupies its lower-left corner.
constexpr int kTargetSize = 512;

struct Video {
    bool open;
    bool headless;
    EGLDisplay display;
    EGLConfig config;
    EGLContext gameContext;     // the game draws here, always into the framebuffer object
    EGLSurface gameSurface;     // 1 x 1 pbuffer or EGL_NO_SURFACE
    EGLContext presentContext;  // windowed only: draws the picture into the window
    EGLSurface windowSurface;
    GLuint colourTexture;
    GLuint depthBuffer;
    GLuint framebuffer;
    SDL_Surface* screen;
    int scale;        // integer scale of the landscape picture in the window
    bool fullscreen;
    int desktopWidth, desktopHeight;
    int windowWidth, windowHeight;
};
Video g_video;

PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers;
PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer;
PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D;
PFNGLGENRENDERBUFFERSOESPROC genRenderbuffers;
PFNGLBINDRENDERBUFFEROESPROC bindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage;
PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr,
                 "zorvane: %s (EGL error 0x%04X). The game needs OpenGL ES 1.1 through EGL: "
                 "install the Debian packages libegl1, libegl-mesa0, libgles1 and libgl1-mesa-dri.\n",
                 what, eglGetError());
    std::exit(1);
}

template <typename T>
void loadProc(T& fn, const char* name) {
    fn = reinterpret_cast<T>(eglGetProcAddress(name));
    if (!fn) fail("the OpenGL ES framebuffer-object functions are missing");
}

EGLConfig chooseConfig(EGLDisplay display, EGLint surfaceType) {
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
                                 EGL_SURFACE_TYPE,    surfaceType,
                                 EGL_RED_SIZE,        8,
                                 EGL_GREEN_SIZE,      8,
                                 EGL_BLUE_SIZE,       8,
                                 EGL_DEPTH_SIZE,      16,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return nullptr;
    return config;
}

EGLContext makeContext(EGLContext share) {
    const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    return eglCreateContext(g_video.display, g_video.config, share, attributes);
}

void createFramebuffer() {
    loadProc(genFramebuffers, "glGenFramebuffersOES");
    loadProc(bindFramebuffer, "glBindFramebufferOES");
    loadProc(framebufferTexture2D, "glFramebufferTexture2DOES");
    loadProc(genRenderbuffers, "glGenRenderbuffersOES");
    loadProc(bindRenderbuffer, "glBindRenderbufferOES");
    loadProc(renderbufferStorage, "glRenderbufferStorageOES");
    loadProc(framebufferRenderbuffer, "glFramebufferRenderbufferOES");
    loadProc(checkFramebufferStatus, "glCheckFramebufferStatusOES");

    glGenTextures(1, &g_video.colourTexture);
    glBindTexture(GL_TEXTURE_2D, g_video.colourTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTargetSize, kTargetSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);

    genRenderbuffers(1, &g_video.depthBuffer);
    bindRenderbuffer(GL_RENDERBUFFER_OES, g_video.depthBuffer);
    renderbufferStorage(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, kTargetSize, kTargetSize);
    bindRenderbuffer(GL_RENDERBUFFER_OES, 0);

    genFramebuffers(1, &g_video.framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER_OES, g_video.framebuffer);
    framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                         g_video.colourTexture, 0);
    framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                            g_video.depthBuffer);
    if (checkFramebufferStatus(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES)
        fail("the portrait framebuffer could not be made");
    // A defined first picture: black, opaque.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
}

void chooseWindowScale() {
    int s = 1;
    while (kLandscapeWidth * (s + 1) * 10 <= g_video.desktopWidth * 9 &&
           kLandscapeHeight * (s + 1) * 10 <= g_video.desktopHeight * 9)
        ++s;
    g_video.scale = s;
}

// (Re)opens the SDL window and the EGL window surface on it.
void openWindow() {
    if (g_video.windowSurface != EGL_NO_SURFACE) {
        eglMakeCurrent(g_video.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(g_video.display, g_video.windowSurface);
        g_video.windowSurface = EGL_NO_SURFACE;
    }
    if (g_video.fullscreen) {
        g_video.windowWidth = g_video.desktopWidth;
        g_video.windowHeight = g_video.desktopHeight;
    } else {
        g_video.windowWidth = kLandscapeWidth * g_video.scale;
        g_video.windowHeight = kLandscapeHeight * g_video.scale;
    }
    g_video.screen = SDL_SetVideoMode(g_video.windowWidth, g_video.windowHeight, 0,
                                      SDL_SWSURFACE | (g_video.fullscreen ? SDL_FULLSCREEN : 0));
    if (!g_video.screen) fail("the window could not be opened");
    SDL_WM_SetCaption("Zorvane", "Zorvane");
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0) fail("the window system is not X11");
    g_video.windowSurface = eglCreateWindowSurface(
        g_video.display, g_video.config, static_cast<EGLNativeWindowType>(info.info.x11.window),
        nullptr);
    if (g_video.windowSurface == EGL_NO_SURFACE) fail("no EGL surface for the window");
    eglMakeCurrent(g_video.display, g_video.windowSurface, g_video.windowSurface,
                   g_video.presentContext);
    eglSwapInterval(g_video.display, 1);
    eglMakeCurrent(g_video.display, g_video.gameSurface, g_video.gameSurface, g_video.gameContext);
}

void makeGameCurrent() {
    if (!eglMakeCurrent(g_video.display, g_video.gameSurface, g_video.gameSurface,
                        g_video.gameContext))
        fail("the OpenGL ES context could not be made current");
}

}  // namespace

bool headless() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver && !std::strcmp(driver, "dummy");
}

SDL_Surface* setVideoMode(int, int, int, uint32_t) {
    if (g_video.open) return g_video.screen;
    g_video.headless = headless();
    g_video.windowSurface = EGL_NO_SURFACE;
    g_video.gameSurface = EGL_NO_SURFACE;

    if (g_video.headless) {
        g_video.display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                                nullptr);
    } else {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        // The window system's display is known only once SDL has a window; SDL_GetWMInfo works
        // after SDL_Init with the x11 driver.
        const SDL_VideoInfo* vi = SDL_GetVideoInfo();
        g_video.desktopWidth = vi && vi->current_w > 0 ? vi->current_w : 1024;
        g_video.desktopHeight = vi && vi->current_h > 0 ? vi->current_h : 768;
        chooseWindowScale();
        g_video.screen = SDL_SetVideoMode(kLandscapeWidth * g_video.scale,
                                          kLandscapeHeight * g_video.scale, 0, SDL_SWSURFACE);
        if (!g_video.screen || SDL_GetWMInfo(&info) <= 0) fail("the window could not be opened");
        g_video.display = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, info.info.x11.display,
                                                nullptr);
    }
    if (g_video.display == EGL_NO_DISPLAY) fail("no EGL display");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(g_video.display, &major, &minor)) fail("EGL could not be initialised");
    eglBindAPI(EGL_OPENGL_ES_API);

    g_video.config = chooseConfig(g_video.display, g_video.headless
                                                       ? EGL_PBUFFER_BIT
                                                       : (EGL_WINDOW_BIT | EGL_PBUFFER_BIT));
    if (!g_video.config) fail("no EGL configuration for OpenGL ES 1.x");
    g_video.gameContext = makeContext(EGL_NO_CONTEXT);
    if (g_video.gameContext == EGL_NO_CONTEXT) fail("no OpenGL ES 1.x context");
    const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    g_video.gameSurface = eglCreatePbufferSurface(g_video.display, g_video.config, pbufferAttributes);
    makeGameCurrent();
    createFramebuffer();

    if (!g_video.headless) {
        g_video.presentContext = makeContext(g_video.gameContext);
        if (g_video.presentContext == EGL_NO_CONTEXT) fail("no second OpenGL ES context");
        openWindow();
    } else if (!g_video.screen) {
        // The dummy driver gives a plain surface; the game only keeps the pointer.
        g_video.screen = SDL_SetVideoMode(kLandscapeWidth, kLandscapeHeight, 0, SDL_SWSURFACE);
    }
    makeGameCurrent();
    g_video.open = true;
    return g_video.screen;
}

void swapBuffers() {
    if (!g_video.open) return;
    if (g_video.headless) {
        glFlush();
        return;
    }
    // The present context has its own matrices, bindings and switches: nothing here reaches
    // the game's context.
    eglMakeCurrent(g_video.display, g_video.windowSurface, g_video.windowSurface,
                   g_video.presentContext);
    const int pw = kLandscapeWidth * g_video.scale;
    const int ph = kLandscapeHeight * g_video.scale;
    int scale = g_video.scale;
    if (g_video.fullscreen) {
        scale = 1;
        while (kLandscapeWidth * (scale + 1) <= g_video.windowWidth &&
               kLandscapeHeight * (scale + 1) <= g_video.windowHeight)
            ++scale;
    }
    const int w = g_video.fullscreen ? kLandscapeWidth * scale : pw;
    const int h = g_video.fullscreen ? kLandscapeHeight * scale : ph;
    glViewport(0, 0, g_video.windowWidth, g_video.windowHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport((g_video.windowWidth - w) / 2, (g_video.windowHeight - h) / 2, w, h);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, g_video.colourTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // Window corner -> portrait texel: the landscape top-left is the portrait top-right.
    const float s = static_cast<float>(kScreenWidth) / kTargetSize;
    const float t = static_cast<float>(kScreenHeight) / kTargetSize;
    const GLfloat vertices[] = {-1, 1, 1, 1, -1, -1, 1, -1};
    const GLfloat texcoords[] = {s, t, s, 0, 0, t, 0, 0};
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    eglSwapBuffers(g_video.display, g_video.windowSurface);
    makeGameCurrent();
}

void toggleFullscreen() {
    if (!g_video.open || g_video.headless) return;
    g_video.fullscreen = !g_video.fullscreen;
    openWindow();
}

bool readLandscape(uint8_t* rgba) {
    if (!g_video.open) return false;
    // Read in the game's context (its framebuffer is bound there); the pack alignment is the
    // default and tightly packed RGBA rows need no other.
    static uint8_t portrait[kScreenWidth * kScreenHeight * 4];
    glReadPixels(0, 0, kScreenWidth, kScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, portrait);
    for (int ly = 0; ly < kLandscapeHeight; ++ly) {
        for (int lx = 0; lx < kLandscapeWidth; ++lx) {
            // Landscape (lx, ly) is device (rx, ry) = (W - 1 - ly, lx); GL rows start at the bottom.
            const int rx = kScreenWidth - 1 - ly;
            const int row = kScreenHeight - 1 - lx;
            const uint8_t* src = portrait + (row * kScreenWidth + rx) * 4;
            uint8_t* dst = rgba + (ly * kLandscapeWidth + lx) * 4;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = 255;
        }
    }
    return true;
}

void closeVideo() {
    if (!g_video.open) return;
    eglMakeCurrent(g_video.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_video.presentContext) eglDestroyContext(g_video.display, g_video.presentContext);
    if (g_video.windowSurface != EGL_NO_SURFACE)
        eglDestroySurface(g_video.display, g_video.windowSurface);
    if (g_video.gameSurface != EGL_NO_SURFACE) eglDestroySurface(g_video.display, g_video.gameSurface);
    eglDestroyContext(g_video.display, g_video.gameContext);
    // No eglTerminate: the process is ending, and terminating unloads the driver with some of
    // its allocations still held, which leak checkers then report against an unknown module.
    eglReleaseThread();
    g_video = Video{};
}

}  // namespace platform
