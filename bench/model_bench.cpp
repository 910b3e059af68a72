// Model benchmark: how long a world-sized model file takes to load (against a plain copy of its
// bytes), and what drawing 300 static meshes of one model costs per drawObject, in CPU time and
// in GL calls, with the pass caches keeping redundant binds at zero. Prints its figures.
//
// GL calls are counted by wrapping the GL entry points at link time (-Wl,--wrap=...), so the
// renderer runs unchanged. With --table, the load alone, as one row for bench/run_all.sh.
#include <GLES/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/graphics_caps.h"
#include "bench/bench_table.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "tools/writers/model_writer.h"

namespace {

struct GlCounts {
    long calls, bufferBinds, textureBinds, draws;
};
GlCounts g_counts;

}  // namespace

#define ZV_COUNTED(ret, name, params, args, counter) \
    extern "C" ret __real_##name params;             \
    extern "C" ret __wrap_##name params {            \
        ++g_counts.calls;                            \
        counter;                                     \
        return __real_##name args;                   \
    }

ZV_COUNTED(void, glLoadMatrixf, (const GLfloat* m), (m), )
ZV_COUNTED(void, glLoadMatrixx, (const GLfixed* m), (m), )
ZV_COUNTED(void, glMultMatrixx, (const GLfixed* m), (m), )
ZV_COUNTED(void, glMatrixMode, (GLenum mode), (mode), )
ZV_COUNTED(void, glLoadIdentity, (void), (), )
ZV_COUNTED(void, glBindBuffer, (GLenum t, GLuint b), (t, b), ++g_counts.bufferBinds)
ZV_COUNTED(void, glBindTexture, (GLenum t, GLuint n), (t, n), ++g_counts.textureBinds)
ZV_COUNTED(void, glEnableClientState, (GLenum a), (a), )
ZV_COUNTED(void, glDisableClientState, (GLenum a), (a), )
ZV_COUNTED(void, glColorPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p), )
ZV_COUNTED(void, glVertexPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p), )
ZV_COUNTED(void, glTexCoordPointer, (GLint s, GLenum t, GLsizei st, const void* p), (s, t, st, p), )
ZV_COUNTED(void, glColor4x, (GLfixed r, GLfixed g, GLfixed b, GLfixed a), (r, g, b, a), )
ZV_COUNTED(void, glTexEnvi, (GLenum t, GLenum p, GLint v), (t, p, v), )
ZV_COUNTED(void, glTexEnvx, (GLenum t, GLenum p, GLfixed v), (t, p, v), )
ZV_COUNTED(void, glActiveTexture, (GLenum u), (u), )
ZV_COUNTED(void, glClientActiveTexture, (GLenum u), (u), )
ZV_COUNTED(void, glEnable, (GLenum c), (c), )
ZV_COUNTED(void, glDisable, (GLenum c), (c), )
ZV_COUNTED(void, glDrawArrays, (GLenum m, GLint f, GLsizei n), (m, f, n), ++g_counts.draws)
ZV_COUNTED(void, glDrawElements, (GLenum m, GLsizei n, GLenum t, const void* i), (m, n, t, i),
           ++g_counts.draws)
ZV_COUNTED(void, glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h), )
ZV_COUNTED(void, glBlendFunc, (GLenum s, GLenum d), (s, d), )

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A mesh of `vertices` vertices (a multiple of 3) with positions, coordinates and colours.
MeshSource benchMesh(const std::string& name, int vertices, float z) {
    MeshSource m;
    m.name = name;
    for (int v = 0; v < vertices; ++v) {
        const float x = static_cast<float>(v % 7) * 0.3f, y = static_cast<float>(v / 7) * 0.1f;
        m.positions.insert(m.positions.end(), {x, y + 10, z});
        m.texCoords.insert(m.texCoords.end(), {x * 0.1f, y * 0.1f});
        m.colours.insert(m.colours.end(), {static_cast<uint8_t>(v), 128, 200});
    }
    return m;
}

void benchLoad(bool table) {
    // 29 meshes of 669 vertices and one of 606: 20,007 vertices, 6,669 triangles.
    ModelWriter w;
    for (int i = 0; i < 30; ++i)
        w.addMesh(benchMesh("mesh_" + std::to_string(i), i < 29 ? 669 : 606, 0));
    const ModelBytes file = w.build();
    std::vector<uint8_t> copy(file.size());

    const int rounds = 200;
    std::vector<double> loadMs, copyMs;
    for (int r = 0; r < rounds; ++r) {
        Engine3D* engine = createEngine3D();
        Clock::time_point start = Clock::now();
        const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
        loadMs.push_back(msSince(start));
        if (!model) std::printf("load failed: %d\n", engine->lastError);
        destroyEngine3D(engine);

        start = Clock::now();
        std::memcpy(copy.data(), file.data(), file.size());
        copyMs.push_back(msSince(start));
        asm volatile("" : : "r"(copy.data()) : "memory");
    }
    const double load = median(loadMs), plain = median(copyMs);
    if (table) {
        char figure[96];
        std::snprintf(figure, sizeof figure,
                      "model load: %.0f KiB file, 30 meshes, 20,007 vertices",
                      file.size() / 1024.0);
        bench::tableRow(figure, load, "ms", plain, "memcpy of the file");
        return;
    }
    std::printf("load: %zu-byte file, 30 meshes, 20007 vertices\n", file.size());
    std::printf("  loadModelFromMemory (no GL upload): %.3f ms (median of %d)\n", load, rounds);
    std::printf("  memcpy of the file:                 %.4f ms\n", plain);
    std::printf("  ratio load / memcpy:                %.0f\n", load / plain);
}

// Draws `meshes` of the model in one pass into a 1 x 1 viewport; returns microseconds per draw.
double drawPass(Engine3D* engine, const std::vector<ObjectHandle>& meshes, GlCounts* counts) {
    begin3D(engine);
    setViewport(engine, 0, 0, 1, 1);
    g_counts = GlCounts{};
    const Clock::time_point start = Clock::now();
    for (size_t i = 0; i < meshes.size(); ++i) {
        resetModelView(engine);
        translate(engine, static_cast<float>(i % 10), 0, static_cast<float>(i / 10));
        drawObject(engine, meshes[i]);
    }
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    *counts = g_counts;
    end3D(engine);
    glFinish();
    return us / static_cast<double>(meshes.size());
}

void benchDraw(bool bufferObjects) {
    GraphicsCaps caps{};
    caps.glVersion = 1.1f;
    caps.bufferObjects = bufferObjects;
    g_graphicsCaps = &caps;
    Engine3D* engine = createEngine3D();
    ModelWriter w;
    for (int i = 0; i < 300; ++i) w.addMesh(benchMesh("m" + std::to_string(i), 36, 0));
    const ModelBytes file = w.build();
    const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());

    // Two textures, each shared by half of the meshes, drawn in runs of 150: two binds needed.
    ObjectHandle textures[2];
    for (ObjectHandle& t : textures) {
        Texture* texture = new Texture();
        const uint8_t pixels[16] = {255, 255, 255, 255, 0,   0,   0,   255,
                                    0,   0,   0,   255, 255, 255, 255, 255};
        glGenTextures(1, &texture->glName);
        glBindTexture(GL_TEXTURE_2D, texture->glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        t = loadTexture(engine, texture);
    }
    std::vector<ObjectHandle> meshes;
    for (int i = 0; i < 300; ++i) {
        const ObjectHandle mesh = findObject(engine, model, ("m" + std::to_string(i)).c_str());
        setObjectTexture(engine, mesh, 0, textures[i < 150 ? 0 : 1]);
        meshes.push_back(mesh);
    }
    setPerspective(engine, 60, 1.5f, 0.1f, 100);
    setCamera(engine, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});

    GlCounts counts{};
    for (int warm = 0; warm < 20; ++warm) drawPass(engine, meshes, &counts);
    std::vector<double> perDraw;
    for (int r = 0; r < 200; ++r) perDraw.push_back(drawPass(engine, meshes, &counts));
    std::printf("draw: 300 static meshes of one model, one pass, %s\n",
                bufferObjects ? "vertex buffer objects" : "client memory");
    std::printf("  CPU time per drawObject:   %.3f us (median of 200 passes)\n", median(perDraw));
    std::printf("  GL calls per drawObject:   %.2f (%ld in the pass)\n",
                static_cast<double>(counts.calls) / 300.0, counts.calls);
    std::printf("  glBindBuffer in the pass:  %ld (stores changed: %d)\n", counts.bufferBinds,
                bufferObjects ? 1 : 0);
    std::printf("  glBindTexture in the pass: %ld (textures changed: 2)\n", counts.textureBinds);
    std::printf("  draw calls: %ld, engine counters: %d draws, %d texture binds, %d buffer binds\n",
                counts.draws, engine->statDrawCalls, engine->statTextureBinds,
                engine->statBufferBinds);
    destroyEngine3D(engine);
    g_graphicsCaps = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = bench::tableMode(argc, argv);
    benchLoad(table);
    if (table) return 0;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    platform::init(SDL_INIT_VIDEO);
    platform::setVideoMode(0, 0, 0, 0);
    benchDraw(true);
    benchDraw(false);
    platform::closeVideo();
    return 0;
}
