// Graphics: the 2D drawing context over the landscape 480 x 320 logical screen (x right, y down),
// turned by 90 degrees onto the portrait display by its projection. Every primitive is one quad.
#pragma once

#include <cstdint>

struct GraphicsCaps;
struct Image;

class Graphics {
public:
    // A context for the screen (target null) or for an image (its size bounds the clip).
    Graphics(const GraphicsCaps* caps, Image* target, int targetWidth, int targetHeight);

    // The physical viewport every 2D quad is drawn into (origin and portrait size).
    static void setViewport(int x, int y, int width, int height);

    void setColorRgb(uint32_t rgb);     // alpha forced to 255
    void setColor(uint32_t argb);       // all four channels from the word
    void setColor(int r, int g, int b, int a);
    void setGrayScale(int v);
    void translate(int dx, int dy);
    void setClip(int x, int y, int w, int h);
    void fillRect(int x, int y, int w, int h);
    void drawRect(int x, int y, int w, int h);

    uint32_t color() const { return color_; }
    int clipX() const { return clipX_; }
    int clipY() const { return clipY_; }
    int clipWidth() const { return clipWidth_; }
    int clipHeight() const { return clipHeight_; }
    int translateX() const { return translateX_; }
    int translateY() const { return translateY_; }

    // Loads the rotated orthographic projection of the logical screen and an identity model-view.
    void applyProjection() const;
    // Clips (x, y, w, h) in place against the clip rectangle; both sizes 0 when nothing is left.
    void clipRect(int* x, int* y, int* w, int* h) const;

private:
    void sendQuad() const;

    const GraphicsCaps* caps_;
    Image* target_;
    int boundsWidth_, boundsHeight_;
    uint32_t color_;
    float red_, green_, blue_, alpha_;
    int clipX_, clipY_, clipWidth_, clipHeight_;
    int translateX_, translateY_;
};

// Column-major orthographic matrices: the plain form, and the rotated form that 2D drawing uses.
void orthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]);
void rotatedOrthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]);

// The program-wide screen context; null until start-up creates it.
extern Graphics* g_screenGraphics;
