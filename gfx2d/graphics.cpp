// The 2D drawing context: colour, translation, clip, projection and rectangles.
#include "gfx2d/graphics.h"

#include <GLES/gl.h>

#include <cstring>

Graphics* g_screenGraphics = nullptr;

namespace {

// One set of vertex arrays for the whole program. Vertex order of every quad: 0 bottom-left,
// 1 bottom-right, 2 top-left, 3 top-right (a triangle strip).
struct QuadArrays {
    float positions[4 * 3];
    float texcoords[4 * 2];
    float colors[4 * 4];
};
QuadArrays g_quad;

int g_viewportX, g_viewportY, g_viewportWidth = 320, g_viewportHeight = 480;

void setQuadPositions(int x, int y, int w, int h) {
    const float x0 = static_cast<float>(x), x1 = static_cast<float>(x + w);
    const float y0 = static_cast<float>(y), y1 = static_cast<float>(y + h);
    const float p[12] = {x0, y1, 0, x1, y1, 0, x0, y0, 0, x1, y0, 0};
    std::memcpy(g_quad.positions, p, sizeof p);
}

}  // namespace

void orthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]) {
    std::memset(out, 0, 16 * sizeof(float));
    out[0] = 2 / (r - l);
    out[5] = 2 / (t - b);
    out[10] = -2 / (f - n);
    out[12] = -(r + l) / (r - l);
    out[13] = -(t + b) / (t - b);
    out[14] = -(f + n) / (f - n);
    out[15] = 1;
}

void rotatedOrthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]) {
    std::memset(out, 0, 16 * sizeof(float));
    out[1] = -2 / (r - l);
    out[4] = 2 / (t - b);
    out[10] = -2 / (f - n);
    out[12] = -(t + b) / (t - b);
    out[13] = (r + l) / (r - l);
    out[14] = -(f + n) / (f - n);
    out[15] = 1;
}

Graphics::Graphics(const GraphicsCaps* caps, Image* target, int targetWidth, int targetHeight)
    : caps_(caps), target_(target),
      boundsWidth_(target ? targetWidth : 480), boundsHeight_(target ? targetHeight : 320),
      color_(0), red_(0), green_(0), blue_(0), alpha_(1.0f),
      clipX_(0), clipY_(0), clipWidth_(480), clipHeight_(320), translateX_(0), translateY_(0) {
    glVertexPointer(3, GL_FLOAT, 0, g_quad.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, g_quad.texcoords);
    glColorPointer(4, GL_FLOAT, 0, g_quad.colors);
}

void Graphics::setViewport(int x, int y, int width, int height) {
    g_viewportX = x;
    g_viewportY = y;
    g_viewportWidth = width;
    g_viewportHeight = height;
}

void Graphics::setColorRgb(uint32_t rgb) { setColor(0xFF000000u | rgb); }

void Graphics::setColor(uint32_t argb) {
    color_ = argb;
    alpha_ = static_cast<float>((argb >> 24) & 0xFF) / 255.0f;
    red_ = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    green_ = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    blue_ = static_cast<float>(argb & 0xFF) / 255.0f;
}

void Graphics::setColor(int r, int g, int b, int a) {
    setColor((static_cast<uint32_t>(a & 0xFF) << 24) | (static_cast<uint32_t>(r & 0xFF) << 16) |
             (static_cast<uint32_t>(g & 0xFF) << 8) | static_cast<uint32_t>(b & 0xFF));
}

void Graphics::setGrayScale(int v) { setColor(v, v, v, 255); }

void Graphics::translate(int dx, int dy) {
    translateX_ += dx;
    translateY_ += dy;
}

void Graphics::setClip(int x, int y, int w, int h) {
    x += translateX_;
    y += translateY_;
    if (x <= boundsWidth_ && y <= boundsHeight_ && x + w >= 0 && y + h >= 0 && w != 0 && h != 0) {
        if (x < 0) { w += x; x = 0; }
        if (y < 0) { h += y; y = 0; }
        if (x + w > boundsWidth_) w = boundsWidth_ - x;
        if (y + h > boundsHeight_) h = boundsHeight_ - y;
        clipX_ = x;
        clipY_ = y;
        clipWidth_ = w;
        clipHeight_ = h;
    } else {
        clipX_ = clipY_ = clipWidth_ = clipHeight_ = 0;
    }
}

void Graphics::clipRect(int* x, int* y, int* w, int* h) const {
    if (*x < clipX_) { *w -= clipX_ - *x; *x = clipX_; }
    if (*y < clipY_) { *h -= clipY_ - *y; *y = clipY_; }
    if (*x + *w > clipX_ + clipWidth_) *w = clipX_ + clipWidth_ - *x;
    if (*y + *h > clipY_ + clipHeight_) *h = clipY_ + clipHeight_ - *y;
    if (*w <= 0 || *h <= 0) *w = *h = 0;
}

void Graphics::applyProjection() const {
    glViewport(g_viewportX, g_viewportY, g_viewportWidth, g_viewportHeight);
    float m[16];
    rotatedOrthoMatrix(0, 480, 320, 0, -1, 1, m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Graphics::sendQuad() const {
    glVertexPointer(3, GL_FLOAT, 0, g_quad.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, g_quad.texcoords);
    glColorPointer(4, GL_FLOAT, 0, g_quad.colors);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Graphics::fillRect(int x, int y, int w, int h) {
    clipRect(&x, &y, &w, &h);
    applyProjection();
    setQuadPositions(x, y, w, h);
    for (int i = 0; i < 4; ++i) {
        g_quad.colors[i * 4 + 0] = red_;
        g_quad.colors[i * 4 + 1] = green_;
        g_quad.colors[i * 4 + 2] = blue_;
        g_quad.colors[i * 4 + 3] = alpha_;
    }
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_COLOR_ARRAY);
    sendQuad();
    glEnable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
}

void Graphics::drawRect(int x, int y, int w, int h) {
    fillRect(x - 1, y - 1, w + 2, 1);
    fillRect(x - 1, y + h + 1, w + 2, 1);
    fillRect(x - 1, y - 1, 1, h + 2);
    fillRect(x + w + 1, y - 1, 1, h + 2);
}
