// Canvas: the small painter the game's pictures are drawn with. Shapes are signed distance
// functions (negative inside, in pixels), so every edge gets exact anti-aliasing from its
// distance; paints give each pixel a colour (flat, linear or radial gradients). Pixels are kept
// as premultiplied floats and composited "source over". Depends on FreeType only for lettering.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace art {

// A colour with straight (not premultiplied) alpha, every channel 0..1.
struct Colour {
    float r = 0, g = 0, b = 0, a = 0;
};
// 0xRRGGBB with an alpha of 0..1.
Colour rgb(uint32_t hex, float alpha = 1.0f);
Colour mix(const Colour& a, const Colour& b, float t);  // t = 0 gives a
Colour withAlpha(const Colour& c, float alpha);

// Signed distance of a pixel-space point (x right, y down) to a shape's edge.
using Shape = std::function<float(float x, float y)>;
// The colour a shape is filled with at a point.
using Paint = std::function<Colour(float x, float y)>;

// ---- Shapes ---------------------------------------------------------------------------------

Shape circle(float cx, float cy, float radius);
Shape ellipse(float cx, float cy, float rx, float ry);  // close to exact for mild ellipses
Shape roundedRect(float x0, float y0, float x1, float y1, float radius);
// A segment with round ends, radius the half thickness.
Shape capsule(float ax, float ay, float bx, float by, float radius);
// A closed polygon, corners in order (either winding).
Shape polygon(std::vector<float> xy);
// A regular star of `points` points; rotation in degrees (0: a point straight up).
Shape star(float cx, float cy, float outer, float inner, int points, float rotationDegrees);
// A stroke of thickness 2 x halfWidth along the circle of radius r, from angle a0 to a1
// (degrees, clockwise on screen from the +x axis), with round ends.
Shape arc(float cx, float cy, float r, float halfWidth, float a0Degrees, float a1Degrees);

Shape unite(Shape a, Shape b);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);
// The band of thickness 2 x halfWidth around a shape's edge.
Shape outline(Shape s, float halfWidth);
// The shape grown (positive) or shrunk (negative) by d pixels.
Shape grow(Shape s, float d);
Shape translated(Shape s, float dx, float dy);

// ---- Paints ---------------------------------------------------------------------------------

Paint solid(const Colour& c);
// From c0 at (x0, y0) to c1 at (x1, y1), held beyond the ends.
Paint linear(float x0, float y0, const Colour& c0, float x1, float y1, const Colour& c1);
// From c0 at the centre to c1 at radius r and beyond.
Paint radial(float cx, float cy, float r, const Colour& c0, const Colour& c1);

// ---- The canvas ----------------------------------------------------------------------------

class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Fills a shape with a paint, scaled by opacity (0..1).
    void fill(const Shape& shape, const Paint& paint, float opacity = 1.0f);
    void fill(const Shape& shape, const Colour& colour) { fill(shape, solid(colour)); }
    // A blurred copy of the shape's coverage in one colour, moved by (dx, dy): shadows and
    // glows. Three box passes of half width blurRadius pixels (close to a Gaussian).
    void softShadow(const Shape& shape, float dx, float dy, float blurRadius, const Colour& colour);
    // Another canvas laid over this one with its top-left at (x, y), scaled by opacity.
    void draw(const Canvas& other, int x, int y, float opacity = 1.0f);
    // The rectangle (x, y, w, h) as a canvas of its own.
    Canvas crop(int x, int y, int w, int h) const;
    // One pixel covered by `coverage` (0..1) of a colour; points outside are ignored.
    void paintPixel(int x, int y, const Colour& colour, float coverage);

    // The pixels as 8-bit straight-alpha RGBA, rows top first. Fully transparent pixels take
    // the colour of their nearest visible neighbour (within a few pixels), so that filtering
    // at an edge, scaled or turned, does not pull in black.
    std::vector<uint8_t> toRgba() const;

    // The colour of one pixel with straight alpha; (0, 0, 0, 0) outside.
    Colour pixel(int x, int y) const;

private:
    void blend(int x, int y, const Colour& c, float coverage);

    int width_ = 0, height_ = 0;
    std::vector<float> pixels_;  // premultiplied RGBA, 4 floats per pixel
};

// ---- Lettering --------------------------------------------------------------------------------

// Text set in a TrueType font at pixelSize, its left end at x and its baseline at y, filled with
// a paint (hinting as FreeType renders it). False when the font cannot be opened.
bool drawText(Canvas* canvas, const std::string& fontPath, int pixelSize, const std::string& text,
              float x, float y, const Paint& paint);
// The advance width of the text in pixels (0 when the font cannot be opened).
float textWidth(const std::string& fontPath, int pixelSize, const std::string& text);

constexpr const char* kSansFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kSansBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

}  // namespace art
