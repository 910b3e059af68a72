// Graphics: the 2D drawing context over the landscape 480 x 320 logical screen (x right, y down),
// turned by 90 degrees onto the portrait display by its projection. A current colour, a
// translation, a clip rectangle, images and image regions placed by an anchor and drawn with one
// of eight transforms, and rectangles. Every primitive is one quad (a 4-vertex triangle strip)
// sent on its own; textures are bound through the renderer's 2D bind cache.
#pragma once

#include <cstdint>

struct GraphicsCaps;
struct Image;

// Anchor bits: which point of a drawn rectangle (x, y) names. 0 means kAnchorTopLeft.
constexpr int kAnchorHCenter = 1;
constexpr int kAnchorVCenter = 2;
constexpr int kAnchorLeft = 4;
constexpr int kAnchorRight = 8;
constexpr int kAnchorTop = 16;
constexpr int kAnchorBottom = 32;
constexpr int kAnchorBaseline = 64;  // not supported: reported as a bad anchor
constexpr int kAnchorTopLeft = kAnchorTop | kAnchorLeft;  // 20
constexpr int kAnchorCenter = kAnchorHCenter | kAnchorVCenter;  // 3

// Region transforms. 4 to 7 turn the region on its side (the destination is srcHeight wide).
constexpr int kTransformNone = 0;
constexpr int kTransformFlipVertical = 1;
constexpr int kTransformFlipHorizontal = 2;
constexpr int kTransformHalfTurn = 3;
constexpr int kTransformTranspose = 4;        // flip about the main diagonal
constexpr int kTransformQuarterClockwise = 5;
constexpr int kTransformQuarterAnticlockwise = 6;
constexpr int kTransformAntiTranspose = 7;    // flip about the other diagonal

constexpr int kLogicalScreenWidth = 480;
constexpr int kLogicalScreenHeight = 320;

class Graphics {
public:
    // A context for the screen (target null: the bounds are 480 x 320) or for an image, whose
    // targetWidth x targetHeight bound the clip. Drawing always reaches the screen. Sets the
    // shared quad arrays as the GL vertex, texture-coordinate and colour pointers.
    Graphics(const GraphicsCaps* caps, Image* target, int targetWidth, int targetHeight);

    // The physical viewport every 2D quad is drawn into (origin and portrait size).
    static void setViewport(int x, int y, int width, int height);

    void setColorRgb(uint32_t rgb);     // alpha forced to 255
    void setColor(uint32_t argb);       // all four channels from the word
    void setColor(int r, int g, int b, int a);
    void setGrayScale(int v);
    void translate(int dx, int dy);
    // The clip, in translated coordinates, cut to the bounds; empty when it misses them.
    void setClip(int x, int y, int w, int h);

    void fillRect(int x, int y, int w, int h);  // the translation is not added
    void drawRect(int x, int y, int w, int h);  // one pixel just outside (x, y, w, h)

    // The whole image with its anchor point at (x, y), clipped.
    void drawImage(const Image* image, int x, int y, int anchor);
    // The source rectangle of image drawn with a transform (0 to 7), its anchor resolved on
    // (srcWidth, srcHeight) whatever the transform. Transforms 0, 2 and 5 are clipped; the others
    // draw whole even outside the clip. Any other transform is reported and draws nothing.
    void drawRegion(const Image* image, int srcX, int srcY, int srcWidth, int srcHeight,
                    int transform, int x, int y, int anchor);
    // drawRegion scaled (a scale of 0 draws nothing), turned by angle degrees about the pivot
    // (an anchor naming a point of the drawn rectangle, 0 = top-left) and faded by alpha (0..1),
    // never clipped.
    void drawRegionEx(const Image* image, int srcX, int srcY, int srcWidth, int srcHeight,
                      int transform, int x, int y, int anchor, float scale, float angle, int pivot,
                      float alpha);

    uint32_t color() const { return color_; }
    float alpha() const { return alpha_; }
    int clipX() const { return clipX_; }
    int clipY() const { return clipY_; }
    int clipWidth() const { return clipWidth_; }
    int clipHeight() const { return clipHeight_; }
    int translateX() const { return translateX_; }
    int translateY() const { return translateY_; }
    const Image* target() const { return target_; }
    const GraphicsCaps* caps() const { return caps_; }

    // Moves (x, y) from the anchor point of a w x h rectangle to its top-left. A bad anchor
    // prints "\nError!!! Bad Anchor" on stdout; the adjustments made before the fault stay.
    // Returns false for a bad anchor.
    static bool resolveAnchor(int* x, int* y, int w, int h, int anchor);

    // Loads the rotated orthographic projection of the logical screen and an identity model-view.
    void applyProjection() const;
    // Clips (x, y, w, h) in place against the clip rectangle; both sizes 0 when nothing is left.
    void clipRect(int* x, int* y, int* w, int* h) const;

private:
    void sendQuad() const;
    bool bindImage(const Image* image) const;

    const GraphicsCaps* caps_;
    Image* target_;
    int boundsWidth_, boundsHeight_;  // clip bounds: the target's size, or the logical screen
    uint32_t color_;                  // 0xAARRGGBB
    float red_, green_, blue_, alpha_;
    int clipX_, clipY_, clipWidth_, clipHeight_;
    int translateX_, translateY_;
};

// The drawing context of an image, made on its first request and destroyed with the image.
// Only the image's size is used (for the clip bounds); drawing still reaches the screen.
Graphics* imageGraphics(Image* image);

// Drawing in normalised coordinates: pushes the projection matrix and loads the rotated form for
// (-1, 1, -1, 1, -1, 1), so (-1, -1) is the logical screen's bottom-left and (1, 1) its top-right.
// The model-view matrix mode is current afterwards. Pop restores the pushed projection.
void pushNormalizedProjection();
void popNormalizedProjection();

// Column-major orthographic matrices: the plain form, and the rotated form that 2D drawing uses.
void orthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]);
void rotatedOrthoMatrix(float l, float r, float b, float t, float n, float f, float out[16]);

// The program-wide screen context; null until start-up creates it.
extern Graphics* g_screenGraphics;
