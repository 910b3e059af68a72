// The 2D drawing context: colour, translation, clip, anchors, the projection, images, regions
// with their eight transforms, and rectangles. One shared set of quad arrays serves every draw.
#include "gfx2d/graphics.h"

#include <GLES/gl.h>

#include <cstdio>
#include <cstring>

#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/texture.h"

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

// Corners of a source rectangle, in the order of kCornerAt's entries.
enum Corner { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3 };

// Per transform, the source corner shown at the destination's top-left, top-right, bottom-left
// and bottom-right.
const uint8_t kCornerAt[8][4] = {
    {kTopLeft, kTopRight, kBottomLeft, kBottomRight},      // 0 none
    {kBottomLeft, kBottomRight, kTopLeft, kTopRight},      // 1 vertical flip
    {kTopRight, kTopLeft, kBottomRight, kBottomLeft},      // 2 horizontal flip
    {kBottomRight, kBottomLeft, kTopRight, kTopLeft},      // 3 half turn
    {kTopLeft, kBottomLeft, kTopRight, kBottomRight},      // 4 transpose
    {kBottomLeft, kTopLeft, kBottomRight, kTopRight},      // 5 quarter turn clockwise
    {kTopRight, kBottomRight, kTopLeft, kBottomLeft},      // 6 quarter turn anticlockwise
    {kBottomRight, kTopRight, kBottomLeft, kTopLeft},      // 7 anti-transpose
};

bool turnsOnSide(int transform) { return transform >= kTransformTranspose; }

void reportBadTransform(int transform) {
    std::printf("illegal argument for the draw region method. Bad Transform %d", transform);
}

void setQuadPositions(float x, float y, float w, float h) {
    const float x1 = x + w, y1 = y + h;
    const float p[12] = {x, y1, 0, x1, y1, 0, x, y, 0, x1, y, 0};
    std::memcpy(g_quad.positions, p, sizeof p);
}

// Texture coordinates of the source rectangle [u0, u1] x [v0, v1] (top to bottom) as the
// transform maps its corners onto the quad.
void setQuadTexcoords(int transform, float u0, float v0, float u1, float v1) {
    const float corner[4][2] = {{u0, v0}, {u1, v0}, {u0, v1}, {u1, v1}};
    const uint8_t* at = kCornerAt[transform];
    // Quad vertex k shows the destination corner: bottom-left, bottom-right, top-left, top-right.
    const int destCorner[4] = {kBottomLeft, kBottomRight, kTopLeft, kTopRight};
    for (int k = 0; k < 4; ++k) {
        const float* c = corner[at[destCorner[k]]];
        g_quad.texcoords[k * 2 + 0] = c[0];
        g_quad.texcoords[k * 2 + 1] = c[1];
    }
}

void setQuadColors(float r, float g, float b, float a) {
    for (int i = 0; i < 4; ++i) {
        g_quad.colors[i * 4 + 0] = r;
        g_quad.colors[i * 4 + 1] = g;
        g_quad.colors[i * 4 + 2] = b;
        g_quad.colors[i * 4 + 3] = a;
    }
}

float paddedSide(int32_t padded, int32_t side) {
    return static_cast<float>(padded > 0 ? padded : (side > 0 ? side : 1));
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

void pushNormalizedProjection() {
    float m[16];
    rotatedOrthoMatrix(-1, 1, -1, 1, -1, 1, m);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
}

void popNormalizedProjection() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

Graphics* imageGraphics(Image* image) {
    if (!image) return nullptr;
    if (!image->graphics) {
        image->graphics = new Graphics(g_graphicsCaps, image, image->width, image->height);
    }
    return image->graphics;
}

Graphics::Graphics(const GraphicsCaps* caps, Image* target, int targetWidth, int targetHeight)
    : caps_(caps), target_(target),
      boundsWidth_(target ? targetWidth : kLogicalScreenWidth),
      boundsHeight_(target ? targetHeight : kLogicalScreenHeight),
      color_(0), red_(0), green_(0), blue_(0), alpha_(1.0f),
      clipX_(0), clipY_(0), clipWidth_(kLogicalScreenWidth), clipHeight_(kLogicalScreenHeight),
      translateX_(0), translateY_(0) {
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

bool Graphics::resolveAnchor(int* x, int* y, int w, int h, int anchor) {
    if (anchor == 0) anchor = kAnchorTopLeft;
    bool bad = (anchor & ~0x7F) != 0 || (anchor & kAnchorBaseline) != 0;
    if (!bad) {
        if (anchor & kAnchorTop) {
            bad = (anchor & (kAnchorBottom | kAnchorVCenter)) != 0;
        } else if (anchor & kAnchorBottom) {
            if (anchor & kAnchorVCenter) bad = true;
            else *y -= h;
        } else if (anchor & kAnchorVCenter) {
            *y -= h >> 1;
        } else {
            bad = true;
        }
    }
    if (!bad) {
        if (anchor & kAnchorLeft) {
            bad = (anchor & (kAnchorRight | kAnchorHCenter)) != 0;
        } else if (anchor & kAnchorRight) {
            if (anchor & kAnchorHCenter) bad = true;
            else *x -= w;
        } else if (anchor & kAnchorHCenter) {
            *x -= w >> 1;
        } else {
            bad = true;
        }
    }
    if (bad) std::printf("\nError!!! Bad Anchor");
    return !bad;
}

void Graphics::applyProjection() const {
    glViewport(g_viewportX, g_viewportY, g_viewportWidth, g_viewportHeight);
    float m[16];
    rotatedOrthoMatrix(0, kLogicalScreenWidth, kLogicalScreenHeight, 0, -1, 1, m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The 3D pass points the arrays elsewhere, so every quad sets them again.
void Graphics::sendQuad() const {
    glVertexPointer(3, GL_FLOAT, 0, g_quad.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, g_quad.texcoords);
    glColorPointer(4, GL_FLOAT, 0, g_quad.colors);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

bool Graphics::bindImage(const Image* image) const {
    if (!image || !image->texture) return false;
    bindTexture2D(image->texture->glName);
    return true;
}

void Graphics::fillRect(int x, int y, int w, int h) {
    clipRect(&x, &y, &w, &h);
    applyProjection();
    setQuadPositions(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                     static_cast<float>(h));
    setQuadColors(red_, green_, blue_, alpha_);
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

void Graphics::drawImage(const Image* image, int x, int y, int anchor) {
    if (!image || !image->texture) return;
    x += translateX_;
    y += translateY_;
    resolveAnchor(&x, &y, image->width, image->height, anchor);
    int cx = x, cy = y, cw = image->width, ch = image->height;
    clipRect(&cx, &cy, &cw, &ch);
    const int left = cx - x > 0 ? cx - x : 0;
    const int top = cy - y > 0 ? cy - y : 0;
    const float pw = paddedSide(image->texture->paddedWidth, image->width);
    const float ph = paddedSide(image->texture->paddedHeight, image->height);

    applyProjection();
    bindImage(image);
    setQuadPositions(static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(cw),
                     static_cast<float>(ch));
    setQuadTexcoords(kTransformNone, left / pw, top / ph, (left + cw) / pw, (top + ch) / ph);
    sendQuad();
}

void Graphics::drawRegion(const Image* image, int srcX, int srcY, int srcWidth, int srcHeight,
                          int transform, int x, int y, int anchor) {
    if (transform < 0 || transform > kTransformAntiTranspose) {
        reportBadTransform(transform);
        return;
    }
    if (!image || !image->texture) return;
    x += translateX_;
    y += translateY_;
    resolveAnchor(&x, &y, srcWidth, srcHeight, anchor);
    const int destWidth = turnsOnSide(transform) ? srcHeight : srcWidth;
    const int destHeight = turnsOnSide(transform) ? srcWidth : srcHeight;

    // Source rectangle [sx0, sx1) x [sy0, sy1) and destination rectangle, after clipping.
    int sx0 = srcX, sy0 = srcY, sx1 = srcX + srcWidth, sy1 = srcY + srcHeight;
    int dx = x, dy = y, dw = destWidth, dh = destHeight;
    if (transform == kTransformNone || transform == kTransformFlipHorizontal ||
        transform == kTransformQuarterClockwise) {
        clipRect(&dx, &dy, &dw, &dh);
        // Amounts cut away from the destination's left, top, right and bottom.
        const int cutLeft = dx - x, cutTop = dy - y;
        const int cutRight = (x + destWidth) - (dx + dw), cutBottom = (y + destHeight) - (dy + dh);
        if (transform == kTransformNone) {
            sx0 += cutLeft; sx1 -= cutRight; sy0 += cutTop; sy1 -= cutBottom;
        } else if (transform == kTransformFlipHorizontal) {
            sx0 += cutRight; sx1 -= cutLeft; sy0 += cutTop; sy1 -= cutBottom;
        } else {  // quarter turn: destination x runs up the source, destination y along it
            sx0 += cutTop; sx1 -= cutBottom; sy0 += cutRight; sy1 -= cutLeft;
        }
    }
    const float pw = paddedSide(image->texture->paddedWidth, image->width);
    const float ph = paddedSide(image->texture->paddedHeight, image->height);
    // Transform 0 pulls its right and bottom edges in by half a texel so that the neighbours of
    // a region in an atlas do not bleed in.
    const float pull = transform == kTransformNone ? 0.5f : 0.0f;

    applyProjection();
    bindImage(image);
    setQuadPositions(static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dw),
                     static_cast<float>(dh));
    setQuadTexcoords(transform, sx0 / pw, sy0 / ph, (sx1 - pull) / pw, (sy1 - pull) / ph);
    sendQuad();
}

void Graphics::drawRegionEx(const Image* image, int srcX, int srcY, int srcWidth, int srcHeight,
                            int transform, int x, int y, int anchor, float scale, float angle,
                            int pivot, float alpha) {
    if (scale == 0.0f) return;
    if (transform < 0 || transform > kTransformAntiTranspose) {
        reportBadTransform(transform);
        return;
    }
    if (!image || !image->texture) return;
    x += translateX_;
    y += translateY_;
    const int scaledWidth = static_cast<int>(static_cast<float>(srcWidth) * scale);
    const int scaledHeight = static_cast<int>(static_cast<float>(srcHeight) * scale);
    resolveAnchor(&x, &y, scaledWidth, scaledHeight, anchor);
    // The quad itself lies on its side for transforms 4 to 7, as drawRegion's does.
    const int destWidth = turnsOnSide(transform) ? scaledHeight : scaledWidth;
    const int destHeight = turnsOnSide(transform) ? scaledWidth : scaledHeight;

    if (pivot == 0) pivot = kAnchorTopLeft;
    float px = static_cast<float>(x), py = static_cast<float>(y);
    if (pivot & kAnchorRight) px += static_cast<float>(destWidth);
    else if (pivot & kAnchorHCenter) px += static_cast<float>(destWidth) * 0.5f;
    if (pivot & kAnchorBottom) py += static_cast<float>(destHeight);
    else if (pivot & kAnchorVCenter) py += static_cast<float>(destHeight) * 0.5f;

    const float pw = paddedSide(image->texture->paddedWidth, image->width);
    const float ph = paddedSide(image->texture->paddedHeight, image->height);

    applyProjection();
    bindImage(image);
    glPushMatrix();
    glTranslatef(px, py, 0);
    glRotatef(angle, 0, 0, 1);
    glTranslatef(-px, -py, 0);
    setQuadPositions(static_cast<float>(x), static_cast<float>(y), static_cast<float>(destWidth),
                     static_cast<float>(destHeight));
    setQuadTexcoords(transform, srcX / pw, srcY / ph, (srcX + srcWidth) / pw,
                     (srcY + srcHeight) / ph);
    const bool faded = alpha != 1.0f;
    if (faded) {
        setQuadColors(1, 1, 1, alpha);
        glEnableClientState(GL_COLOR_ARRAY);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    sendQuad();
    if (faded) {
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glPopMatrix();
}
