// Text drawing benchmark: a 40-character string in a small font (DejaVu Sans at 10 pixels, built
// with the font builder) drawn 1,000 times through the game's font code on the headless Mesa
// GLES 1.1 context, with a 1 x 1 viewport so that rasterising is left out. Prints the CPU time
// per string, the GL calls per glyph, and the cost of measuring a string.
//
// GL calls are counted by wrapping the entry points the 2D context uses at link time
// (-Wl,--wrap=..., see bench/CMakeLists.txt).
#include <GLES/gl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/sprite.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "tools/writers/font_builder.h"
#include "tools/writers/pack_writer.h"

namespace {
long g_glCalls = 0;
}

#define ZV_COUNT_GL(ret, name, params, args)         \
    extern "C" ret __real_##name params;             \
    extern "C" ret __wrap_##name params {            \
        ++g_glCalls;                                 \
        return __real_##name args;                   \
    }
ZV_COUNT_GL(void, glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))
ZV_COUNT_GL(void, glMatrixMode, (GLenum m), (m))
ZV_COUNT_GL(void, glLoadMatrixf, (const GLfloat* m), (m))
ZV_COUNT_GL(void, glLoadIdentity, (void), ())
ZV_COUNT_GL(void, glBindTexture, (GLenum t, GLuint n), (t, n))
ZV_COUNT_GL(void, glVertexPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_COUNT_GL(void, glTexCoordPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_COUNT_GL(void, glColorPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p))
ZV_COUNT_GL(void, glDrawArrays, (GLenum m, GLint f, GLsizei c), (m, f, c))
ZV_COUNT_GL(void, glEnable, (GLenum c), (c))
ZV_COUNT_GL(void, glDisable, (GLenum c), (c))
ZV_COUNT_GL(void, glEnableClientState, (GLenum a), (a))
ZV_COUNT_GL(void, glDisableClientState, (GLenum a), (a))
ZV_COUNT_GL(void, glTexEnvf, (GLenum t, GLenum p, GLfloat v), (t, p, v))
ZV_COUNT_GL(void, glPushMatrix, (void), ())
ZV_COUNT_GL(void, glPopMatrix, (void), ())
ZV_COUNT_GL(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
ZV_COUNT_GL(void, glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z))

namespace {

constexpr int kRepeats = 1000;
const char kText[] = "Distance 1234 m, coins 56: best run yet!";  // 40 characters

double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}
double wallSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

Sprite* loadBenchFont() {
    FontBuildOptions options;
    options.pixelSize = 10;
    FontBuild font;
    std::string error;
    if (!buildFont(options, &font, &error)) {
        std::fprintf(stderr, "text_bench: %s\n", error.c_str());
        return nullptr;
    }
    char path[] = "/tmp/zv-text-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return nullptr;
    close(fd);
    Sprite* sprite = nullptr;
    if (writePackFile(path, {{"/fsmall.spr", font.spr}, {"/fsmall.png", font.png}}, &error) &&
        openPack(path)) {
        sprite = loadSprite("/fsmall.spr");
    }
    closePack();
    unlink(path);
    return sprite;
}

}  // namespace

int main() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (platform::init(SDL_INIT_VIDEO) != 0 || !platform::setVideoMode(0, 0, 0, 0)) {
        std::fprintf(stderr, "text_bench: no headless OpenGL ES context\n");
        return 1;
    }
    applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
    g_graphicsCaps = new GraphicsCaps();
    buildGraphicsCaps(g_graphicsCaps, reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                      reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    createResourceRegistry();
    Sprite* font = loadBenchFont();
    if (!font || !font->pictures[0][0]) {
        std::fprintf(stderr, "text_bench: the font did not load\n");
        return 1;
    }
    Graphics::setViewport(0, 0, 1, 1);
    Graphics g(g_graphicsCaps, nullptr, 0, 0);

    uint16_t chars[64];
    const int count = decodeUtf8(kText, chars, 64);
    int glyphs = 0;
    for (int i = 0; i < count; ++i) {
        const int frame = glyphFrame(font, chars[i]);
        if (frame >= 0 && frameHeight(font, frame) > 0) ++glyphs;
    }

    g_glCalls = 0;
    drawString(font, &g, kText, 0, 0, kAnchorTopLeft);
    const long callsPerString = g_glCalls;
    glFinish();

    const double cpu0 = cpuSeconds(), wall0 = wallSeconds();
    for (int r = 0; r < kRepeats; ++r) drawString(font, &g, kText, 0, 0, kAnchorTopLeft);
    const double cpuIssue = cpuSeconds() - cpu0;
    glFinish();
    const double cpu = cpuSeconds() - cpu0, wall = wallSeconds() - wall0;

    constexpr int kMeasures = 1000000;
    volatile int sink = 0;
    const double m0 = cpuSeconds();
    for (int r = 0; r < kMeasures; ++r) sink = sink + stringWidth(font, chars, 0, count);
    const double measure = cpuSeconds() - m0;

    std::printf("text_bench: \"%s\" (%d characters, %d drawn glyphs), %d strings, viewport 1 x 1\n",
                kText, count, glyphs, kRepeats);
    std::printf("  draw:    %.1f us CPU per string (%.1f us until the last call returns, "
                "%.1f us wall with glFinish)\n",
                cpu * 1e6 / kRepeats, cpuIssue * 1e6 / kRepeats, wall * 1e6 / kRepeats);
    std::printf("           %.2f us CPU per glyph\n", cpu * 1e6 / kRepeats / glyphs);
    std::printf("  GL:      %ld calls per string, %.2f per drawn glyph\n", callsPerString,
                static_cast<double>(callsPerString) / glyphs);
    std::printf("  measure: %.1f ns per string, %.2f ns per character (width %d)\n",
                measure * 1e9 / kMeasures, measure * 1e9 / kMeasures / count,
                stringWidth(font, chars, 0, count));
    destroySprite(font);
    return 0;
}
