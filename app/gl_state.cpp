// The fixed GL state set at start-up.
#include "app/gl_state.h"

#include <GLES/gl.h>

void clearBuffers(int flags) {
    GLbitfield mask = 0;
    if (flags & kClearColor) mask += GL_COLOR_BUFFER_BIT;
    if (flags & kClearDepth) mask += GL_DEPTH_BUFFER_BIT;
    glClear(mask);
}

void applyInitialGlState(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, static_cast<float>(width), static_cast<float>(height), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glColorMask(1, 1, 1, 0);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
}
