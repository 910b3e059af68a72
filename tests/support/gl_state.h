// The GL state the game's caches rely on, taken whole so that a test can show that presenting a
// frame leaves it as it was, and a way to set every part of it to something unusual.
#pragma once

#include <GLES/gl.h>

#include <cstring>

namespace zvtest {

struct GlState {
    GLfloat modelview[16], projection[16], texture[16];
    GLint boundTexture, blendSrc, blendDst, envMode, matrixMode, viewport[4];
    GLboolean colourMask[4];
    GLboolean enabled[7];

    static GlState take() {
        GlState s{};
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
        glGetFloatv(GL_TEXTURE_MATRIX, s.texture);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
        glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
        glGetIntegerv(GL_BLEND_DST, &s.blendDst);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.envMode);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_VIEWPORT, s.viewport);
        glGetBooleanv(GL_COLOR_WRITEMASK, s.colourMask);
        const GLenum caps[] = {GL_TEXTURE_2D, GL_BLEND,         GL_DEPTH_TEST,         GL_CULL_FACE,
                               GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY};
        for (int i = 0; i < 7; ++i) s.enabled[i] = glIsEnabled(caps[i]);
        return s;
    }
    bool operator==(const GlState& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

// Something unusual in every part of the state; returns the texture it binds.
inline GLuint disturbGlState() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glMatrixMode(GL_TEXTURE);
    glTranslatef(0.5f, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(30, 0, 0, 1);
    glBlendFunc(GL_ONE, GL_ONE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_DEPTH_TEST);
    glEnableClientState(GL_COLOR_ARRAY);
    glViewport(3, 4, 100, 200);
    return texture;
}

}  // namespace zvtest
