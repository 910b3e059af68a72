// Procedural painting for the world's pictures: a floating-point RGBA canvas (optionally wrapping,
// for tiles), anti-aliased shapes, tileable value noise, a seeded generator and FreeType text.
// Everything is deterministic: the same calls give the same pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace world {

struct Colour {
    float r, g, b, a;  // 0..1, straight (not premultiplied) alpha
};

inline Colour rgb(int r, int g, int b, float a = 1.0f) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}
Colour mixColour(const Colour& a, const Colour& b, float t);
Colour scaleColour(const Colour& c, float k);  // rgb times k, alpha kept

// A small generator with a fixed seed (splitmix64): the asset builder never reads the clock.
class WorldRandom {
public:
    explicit WorldRandom(uint64_t seed) : state_(seed) {}
    uint32_t next();
    float uniform();                  // [0, 1)
    float range(float lo, float hi);  // [lo, hi)
    int below(int n);                 // 0 .. n - 1

private:
    uint64_t state_;
};

// Smooth value noise in [0, 1] on a lattice of period (px, py) cells, so that a picture sampled
// over whole periods tiles; fbm adds octaves of doubling frequency and period.
float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed);
float fbm(float x, float y, int octaves, int periodX, int periodY, uint32_t seed);
float smoothStep(float edge0, float edge1, float x);
float clamp01(float v);

class Canvas {
public:
    // wrap: both directions tile (coordinates outside the canvas fold back in).
    Canvas(int width, int height, Colour fill, bool wrap = false);
    void setWrap(bool acrossX, bool acrossY) {
        wrapX_ = acrossX;
        wrapY_ = acrossY;
    }
    int width() const { return width_; }
    int height() const { return height_; }
    bool wrapsX() const { return wrapX_; }
    bool wrapsY() const { return wrapY_; }
    Colour get(int x, int y) const;
    void set(int x, int y, const Colour& c);
    // Paints c over pixel (x, y) with the given coverage (0..1); outside the canvas it wraps or
    // is dropped.
    void blend(int x, int y, const Colour& c, float coverage);
    // Calls shade(px, py) for every pixel centre of the box [x0, x1) x [y0, y1) (canvas units,
    // may run past the edges) and paints what it returns over the pixel.
    void paint(float x0, float y0, float x1, float y1,
               const std::function<Colour(float, float)>& shade);
    // Each pixel replaced by what fn makes of it (x, y, old colour).
    void apply(const std::function<Colour(int, int, const Colour&)>& fn);
    // RGBA bytes, rows top first.
    std::vector<uint8_t> toRgba8() const;
    // The region [x, x + w) x [y, y + h) of another canvas copied in at (x, y) of this one.
    void copyFrom(const Canvas& from, int fromX, int fromY, int w, int h, int toX, int toY);

private:
    int width_, height_;
    bool wrapX_, wrapY_;
    std::vector<Colour> pixels_;
};

// ---- Shapes (soft edges of `soft` pixels) ---------------------------------------------------
void fillDisc(Canvas& c, float cx, float cy, float radius, const Colour& colour, float soft = 1.0f);
void fillEllipse(Canvas& c, float cx, float cy, float rx, float ry, float angle,
                 const Colour& colour, float soft = 1.0f);
// A segment from a to b whose radius goes from ra to rb.
void fillCapsule(Canvas& c, float ax, float ay, float bx, float by, float ra, float rb,
                 const Colour& colour, float soft = 1.0f);
// A leaf: pointed at both ends, length along angle (radians), widest in the middle.
void fillLeaf(Canvas& c, float cx, float cy, float length, float width, float angle,
              const Colour& colour, float soft = 1.0f);
// A glow: colour with alpha falling from `alpha` at the centre to 0 at radius.
void fillGlow(Canvas& c, float cx, float cy, float radius, const Colour& colour, float alpha,
              float exponent = 2.0f);
// Any simple polygon given as x, y pairs (even-odd rule), 4 x 4 samples per pixel.
void fillPolygon(Canvas& c, const std::vector<float>& xy, const Colour& colour);
bool insidePolygon(const std::vector<float>& xy, float x, float y);

// Transparent pixels take the colour of their nearest painted neighbours, so that filtering and
// mipmaps do not pull dark or stray colours into the edges of cut-out shapes.
void bleedIntoTransparent(Canvas& c);

// ---- Text -----------------------------------------------------------------------------------
struct TextMask {
    int width = 0, height = 0;
    int baseline = 0;             // rows from the top to the baseline
    std::vector<float> coverage;  // width x height, 0..1
};

constexpr const char* kWorldFontBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kWorldFontCondensedBold =
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
constexpr const char* kWorldFontSerifBold = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";

// Renders one line of text with FreeType at pixelSize, with `tracking` extra pixels between
// letters and a margin of `pad` empty pixels all round. False when the font cannot be used.
bool renderText(const char* fontPath, const std::string& text, int pixelSize, int tracking, int pad,
                TextMask* out);
// The largest size from maxSize down at which text fits maxWidth x maxHeight (0 when none).
int fitTextSize(const char* fontPath, const std::string& text, int tracking, int maxWidth,
                int maxHeight, int maxSize);
// A blurred copy (three box passes of the given radius) and a grown copy (the maximum over a
// disc of the given radius).
TextMask blurMask(const TextMask& mask, int radius);
TextMask growMask(const TextMask& mask, int radius);
// Paints colour over the canvas through the mask placed with its top-left at (x, y); shade,
// when given, picks the colour per mask pixel (mask x, mask y).
void drawMask(Canvas& c, const TextMask& mask, int x, int y, const Colour& colour, float alpha = 1,
              const std::function<Colour(int, int)>& shade = nullptr);

}  // namespace world
