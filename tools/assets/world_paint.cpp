// Procedural painting for the world's pictures: canvas, shapes, noise and text.
#include "tools/assets/world_paint.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace world {

Colour mixColour(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Colour scaleColour(const Colour& c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

// ---- Random and noise -------------------------------------------------------------------------

uint32_t WorldRandom::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

float WorldRandom::uniform() {
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

float WorldRandom::range(float lo, float hi) {
    return lo + (hi - lo) * uniform();
}

int WorldRandom::below(int n) {
    return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint32_t>(n));
}

namespace {

uint32_t hash3(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float lattice(int x, int y, int px, int py, uint32_t seed) {
    x %= px;
    y %= py;
    if (x < 0) x += px;
    if (y < 0) y += py;
    return static_cast<float>(hash3(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed) >>
                              8) *
           (1.0f / 16777216.0f);
}

float fade(float t) {
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const float a = lattice(ix, iy, periodX, periodY, seed);
    const float b = lattice(ix + 1, iy, periodX, periodY, seed);
    const float c = lattice(ix, iy + 1, periodX, periodY, seed);
    const float d = lattice(ix + 1, iy + 1, periodX, periodY, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(float x, float y, int octaves, int periodX, int periodY, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(x, y, periodX, periodY, seed + static_cast<uint32_t>(o) * 101u);
        total += weight;
        x *= 2;
        y *= 2;
        periodX *= 2;
        periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float smoothStep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

// ---- Canvas -----------------------------------------------------------------------------------

Canvas::Canvas(int width, int height, Colour fill, bool wrap)
    : width_(width),
      height_(height),
      wrapX_(wrap),
      wrapY_(wrap),
      pixels_(static_cast<size_t>(width) * height, fill) {}

Colour Canvas::get(int x, int y) const {
    x = wrapX_ ? ((x % width_) + width_) % width_ : std::clamp(x, 0, width_ - 1);
    y = wrapY_ ? ((y % height_) + height_) % height_ : std::clamp(y, 0, height_ - 1);
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::set(int x, int y, const Colour& c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Canvas::blend(int x, int y, const Colour& c, float coverage) {
    if (wrapX_) x = ((x % width_) + width_) % width_;
    if (wrapY_) y = ((y % height_) + height_) % height_;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const float sa = clamp01(c.a * coverage);
    if (sa <= 0) return;
    Colour& d = pixels_[static_cast<size_t>(y) * width_ + x];
    const float outA = sa + d.a * (1 - sa);
    if (outA <= 0) return;
    const float keep = d.a * (1 - sa);
    d.r = (c.r * sa + d.r * keep) / outA;
    d.g = (c.g * sa + d.g * keep) / outA;
    d.b = (c.b * sa + d.b * keep) / outA;
    d.a = outA;
}

void Canvas::paint(float x0, float y0, float x1, float y1,
                   const std::function<Colour(float, float)>& shade) {
    int ix0 = static_cast<int>(std::floor(x0)), iy0 = static_cast<int>(std::floor(y0));
    int ix1 = static_cast<int>(std::ceil(x1)), iy1 = static_cast<int>(std::ceil(y1));
    // Along a wrapping direction a shape larger than the canvas would paint pixels twice.
    if (wrapX_) {
        ix1 = std::min(ix1, ix0 + width_);
    } else {
        ix0 = std::max(ix0, 0);
        ix1 = std::min(ix1, width_);
    }
    if (wrapY_) {
        iy1 = std::min(iy1, iy0 + height_);
    } else {
        iy0 = std::max(iy0, 0);
        iy1 = std::min(iy1, height_);
    }
    for (int y = iy0; y < iy1; ++y) {
        for (int x = ix0; x < ix1; ++x) {
            const Colour c = shade(x + 0.5f, y + 0.5f);
            if (c.a > 0) blend(x, y, c, 1.0f);
        }
    }
}

void Canvas::apply(const std::function<Colour(int, int, const Colour&)>& fn) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            Colour& p = pixels_[static_cast<size_t>(y) * width_ + x];
            p = fn(x, y, p);
        }
}

std::vector<uint8_t> Canvas::toRgba8() const {
    std::vector<uint8_t> out(pixels_.size() * 4);
    auto byte = [](float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); };
    for (size_t i = 0; i < pixels_.size(); ++i) {
        out[i * 4 + 0] = byte(pixels_[i].r);
        out[i * 4 + 1] = byte(pixels_[i].g);
        out[i * 4 + 2] = byte(pixels_[i].b);
        out[i * 4 + 3] = byte(pixels_[i].a);
    }
    return out;
}

void Canvas::copyFrom(const Canvas& from, int fromX, int fromY, int w, int h, int toX, int toY) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) set(toX + x, toY + y, from.get(fromX + x, fromY + y));
}

// ---- Shapes -----------------------------------------------------------------------------------

namespace {

// Coverage of a pixel whose centre lies `distance` inside an edge (negative: outside).
float edgeCoverage(float distance, float soft) {
    return clamp01(distance / std::max(soft, 0.01f) + 0.5f);
}

Colour withAlpha(const Colour& c, float coverage) {
    return {c.r, c.g, c.b, c.a * coverage};
}

}  // namespace

void fillDisc(Canvas& c, float cx, float cy, float radius, const Colour& colour, float soft) {
    const float m = radius + soft;
    c.paint(cx - m, cy - m, cx + m, cy + m, [&](float x, float y) {
        const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
        return withAlpha(colour, edgeCoverage(radius - d, soft));
    });
}

void fillEllipse(Canvas& c, float cx, float cy, float rx, float ry, float angle,
                 const Colour& colour, float soft) {
    const float m = std::max(rx, ry) + soft;
    const float ca = std::cos(angle), sa = std::sin(angle);
    const float rmin = std::min(rx, ry);
    c.paint(cx - m, cy - m, cx + m, cy + m, [&](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        const float u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
        const float k = std::sqrt(u * u + v * v);
        return withAlpha(colour, edgeCoverage((1 - k) * rmin, soft));
    });
}

void fillCapsule(Canvas& c, float ax, float ay, float bx, float by, float ra, float rb,
                 const Colour& colour, float soft) {
    const float m = std::max(ra, rb) + soft;
    const float dx = bx - ax, dy = by - ay;
    const float len2 = std::max(dx * dx + dy * dy, 1e-6f);
    c.paint(std::min(ax, bx) - m, std::min(ay, by) - m, std::max(ax, bx) + m, std::max(ay, by) + m,
            [&](float x, float y) {
                const float t = clamp01(((x - ax) * dx + (y - ay) * dy) / len2);
                const float px = ax + dx * t - x, py = ay + dy * t - y;
                const float r = ra + (rb - ra) * t;
                return withAlpha(colour, edgeCoverage(r - std::sqrt(px * px + py * py), soft));
            });
}

void fillLeaf(Canvas& c, float cx, float cy, float length, float width, float angle,
              const Colour& colour, float soft) {
    const float ca = std::cos(angle), sa = std::sin(angle);
    const float m = length * 0.5f + soft;
    c.paint(cx - m, cy - m, cx + m, cy + m, [&](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        const float u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
        const float t = u / length + 0.5f;
        if (t <= 0 || t >= 1) return Colour{0, 0, 0, 0};
        const float half = 0.5f * width * std::pow(std::sin(3.14159265f * t), 0.75f);
        return withAlpha(colour, edgeCoverage(half - std::fabs(v), soft));
    });
}

void fillGlow(Canvas& c, float cx, float cy, float radius, const Colour& colour, float alpha,
              float exponent) {
    c.paint(cx - radius, cy - radius, cx + radius, cy + radius, [&](float x, float y) {
        const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / radius;
        if (d >= 1) return Colour{0, 0, 0, 0};
        return withAlpha(colour, alpha * std::pow(1 - d, exponent));
    });
}

bool insidePolygon(const std::vector<float>& xy, float x, float y) {
    const size_t n = xy.size() / 2;
    bool in = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

void fillPolygon(Canvas& c, const std::vector<float>& xy, const Colour& colour) {
    const size_t n = xy.size() / 2;
    if (n < 3) return;
    float x0 = xy[0], x1 = xy[0], y0 = xy[1], y1 = xy[1];
    for (size_t i = 1; i < n; ++i) {
        x0 = std::min(x0, xy[2 * i]);
        x1 = std::max(x1, xy[2 * i]);
        y0 = std::min(y0, xy[2 * i + 1]);
        y1 = std::max(y1, xy[2 * i + 1]);
    }
    c.paint(x0 - 1, y0 - 1, x1 + 1, y1 + 1, [&](float x, float y) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
            for (int sx = 0; sx < 4; ++sx)
                hits += insidePolygon(xy, x - 0.375f + sx * 0.25f, y - 0.375f + sy * 0.25f);
        return withAlpha(colour, hits / 16.0f);
    });
}

void bleedIntoTransparent(Canvas& c) {
    const int w = c.width(), h = c.height();
    std::vector<uint8_t> known(static_cast<size_t>(w) * h);
    float sum[3] = {0, 0, 0};
    float weight = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Colour p = c.get(x, y);
            known[static_cast<size_t>(y) * w + x] = p.a > 0.02f;
            sum[0] += p.r * p.a;
            sum[1] += p.g * p.a;
            sum[2] += p.b * p.a;
            weight += p.a;
        }
    // Rings of pixels grow outwards from the painted ones, each taking its painted neighbours'
    // average; the few that no ring reaches take the picture's average colour.
    for (int pass = 0; pass < 24; ++pass) {
        std::vector<uint8_t> next = known;
        bool changed = false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (known[static_cast<size_t>(y) * w + x]) continue;
                float r = 0, g = 0, b = 0;
                int count = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (c.wrapsX()) nx = (nx + w) % w;
                        if (c.wrapsY()) ny = (ny + h) % h;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        if (!known[static_cast<size_t>(ny) * w + nx]) continue;
                        const Colour q = c.get(nx, ny);
                        r += q.r;
                        g += q.g;
                        b += q.b;
                        ++count;
                    }
                if (!count) continue;
                const Colour old = c.get(x, y);
                c.set(x, y, {r / count, g / count, b / count, old.a});
                next[static_cast<size_t>(y) * w + x] = 1;
                changed = true;
            }
        known.swap(next);
        if (!changed) break;
    }
    if (weight <= 0) return;
    const Colour average{sum[0] / weight, sum[1] / weight, sum[2] / weight, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!known[static_cast<size_t>(y) * w + x]) {
                Colour p = average;
                p.a = c.get(x, y).a;
                c.set(x, y, p);
            }
}

// ---- Text -------------------------------------------------------------------------------------

namespace {

struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
    bool open(const char* path, int pixelSize) {
        return FT_Init_FreeType(&library) == 0 && FT_New_Face(library, path, 0, &face) == 0 &&
               FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0;
    }
};

}  // namespace

bool renderText(const char* fontPath, const std::string& text, int pixelSize, int tracking, int pad,
                TextMask* out) {
    FreeTypeFace ft;
    if (pixelSize < 1 || !ft.open(fontPath, pixelSize)) return false;
    struct Placed {
        int x, top;
        int w, h;
        std::vector<float> cov;
    };
    std::vector<Placed> glyphs;
    const bool kerning = FT_HAS_KERNING(ft.face);
    FT_UInt previous = 0;
    long pen = 0;  // 26.6
    int minX = 0, maxX = 0, minTop = 0, maxBottom = 0;
    bool any = false;
    for (unsigned char ch : text) {
        const FT_UInt index = FT_Get_Char_Index(ft.face, ch);
        if (kerning && previous && index) {
            FT_Vector k;
            if (FT_Get_Kerning(ft.face, previous, index, FT_KERNING_DEFAULT, &k) == 0) pen += k.x;
        }
        if (FT_Load_Glyph(ft.face, index, FT_LOAD_RENDER) != 0) return false;
        const FT_GlyphSlot slot = ft.face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        Placed p;
        p.x = static_cast<int>((pen + 32) >> 6) + slot->bitmap_left;
        p.top = -slot->bitmap_top;
        p.w = static_cast<int>(bm.width);
        p.h = static_cast<int>(bm.rows);
        p.cov.resize(static_cast<size_t>(p.w) * p.h);
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                p.cov[static_cast<size_t>(y) * p.w + x] = bm.buffer[y * bm.pitch + x] / 255.0f;
        if (p.w > 0 && p.h > 0) {
            if (!any) {
                minX = p.x;
                maxX = p.x + p.w;
                minTop = p.top;
                maxBottom = p.top + p.h;
                any = true;
            }
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x + p.w);
            minTop = std::min(minTop, p.top);
            maxBottom = std::max(maxBottom, p.top + p.h);
        }
        glyphs.push_back(std::move(p));
        pen += slot->advance.x + tracking * 64;
        previous = index;
    }
    if (!any) return false;
    out->width = maxX - minX + 2 * pad;
    out->height = maxBottom - minTop + 2 * pad;
    out->baseline = -minTop + pad;
    out->coverage.assign(static_cast<size_t>(out->width) * out->height, 0.0f);
    for (const Placed& p : glyphs)
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x) {
                const int ox = p.x - minX + pad + x, oy = p.top - minTop + pad + y;
                float& dst = out->coverage[static_cast<size_t>(oy) * out->width + ox];
                dst = std::max(dst, p.cov[static_cast<size_t>(y) * p.w + x]);
            }
    return true;
}

int fitTextSize(const char* fontPath, const std::string& text, int tracking, int maxWidth,
                int maxHeight, int maxSize) {
    for (int size = maxSize; size >= 4; --size) {
        TextMask m;
        if (renderText(fontPath, text, size, tracking, 0, &m) && m.width <= maxWidth &&
            m.height <= maxHeight)
            return size;
    }
    return 0;
}

TextMask blurMask(const TextMask& mask, int radius) {
    TextMask out = mask;
    if (radius <= 0) return out;
    std::vector<float> tmp(out.coverage.size());
    const int w = out.width, h = out.height;
    const float norm = 1.0f / (2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = x + k;
                    if (xx >= 0 && xx < w) s += out.coverage[static_cast<size_t>(y) * w + xx];
                }
                tmp[static_cast<size_t>(y) * w + x] = s * norm;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < h) s += tmp[static_cast<size_t>(yy) * w + x];
                }
                out.coverage[static_cast<size_t>(y) * w + x] = s * norm;
            }
    }
    return out;
}

TextMask growMask(const TextMask& mask, int radius) {
    TextMask out = mask;
    const int w = mask.width, h = mask.height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float m = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    if (dx * dx + dy * dy > radius * radius) continue;
                    const int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                    m = std::max(m, mask.coverage[static_cast<size_t>(yy) * w + xx]);
                }
            out.coverage[static_cast<size_t>(y) * w + x] = m;
        }
    return out;
}

void drawMask(Canvas& c, const TextMask& mask, int x, int y, const Colour& colour, float alpha,
              const std::function<Colour(int, int)>& shade) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            const float cov = mask.coverage[static_cast<size_t>(my) * mask.width + mx] * alpha;
            if (cov <= 0) continue;
            c.blend(x + mx, y + my, shade ? shade(mx, my) : colour, cov);
        }
}

}  // namespace world
