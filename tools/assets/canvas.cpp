// Canvas: signed-distance shapes filled with coverage from their distance, premultiplied
// compositing, box-blurred shadows, and FreeType lettering.
#include "tools/assets/canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

#include "gfx2d/sprite.h"

namespace art {

namespace {

constexpr float kPi = 3.14159265358979f;

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float length(float x, float y) { return std::sqrt(x * x + y * y); }

// Distance from p to the segment a-b.
float segmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float ex = bx - ax, ey = by - ay;
    const float wx = px - ax, wy = py - ay;
    const float ee = ex * ex + ey * ey;
    const float t = ee > 0 ? clamp01((wx * ex + wy * ey) / ee) : 0.0f;
    return length(wx - ex * t, wy - ey * t);
}

// Three passes of a running box sum of half width k along rows, then along columns.
void boxBlur(std::vector<float>* mask, int width, int height, int k) {
    if (k <= 0) return;
    std::vector<float> line;
    const float scale = 1.0f / static_cast<float>(2 * k + 1);
    auto blurLine = [&](float* data, int count, int stride) {
        line.assign(static_cast<size_t>(count), 0.0f);
        for (int i = 0; i < count; ++i) line[static_cast<size_t>(i)] = data[i * stride];
        float sum = 0;
        for (int i = -k; i <= k; ++i)
            if (i >= 0 && i < count) sum += line[static_cast<size_t>(i)];
        for (int i = 0; i < count; ++i) {
            data[i * stride] = sum * scale;
            const int leaving = i - k, entering = i + k + 1;
            if (leaving >= 0) sum -= line[static_cast<size_t>(leaving)];
            if (entering < count) sum += line[static_cast<size_t>(entering)];
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y)
            blurLine(mask->data() + static_cast<size_t>(y) * width, width, 1);
        for (int x = 0; x < width; ++x) blurLine(mask->data() + x, height, width);
    }
}

// FreeType's handles for one font at one size, released whatever happens.
struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FontFace(const std::string& path, int pixelSize) {
        if (FT_Init_FreeType(&library) != 0) return;
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0 ||
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            if (face) FT_Done_Face(face);
            face = nullptr;
        }
    }
    ~FontFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

std::vector<uint16_t> decodeText(const std::string& text) {
    std::vector<uint16_t> codes;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
    size_t i = 0;
    while (i < text.size()) {
        size_t used = 1;
        codes.push_back(decodeUtf8Char(p + i, text.size() - i, &used));
        i += used;
    }
    return codes;
}

}  // namespace

Colour rgb(uint32_t hex, float alpha) {
    return {static_cast<float>((hex >> 16) & 0xFF) / 255.0f,
            static_cast<float>((hex >> 8) & 0xFF) / 255.0f, static_cast<float>(hex & 0xFF) / 255.0f,
            alpha};
}

Colour mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Colour withAlpha(const Colour& c, float alpha) { return {c.r, c.g, c.b, alpha}; }

// ---- Shapes ---------------------------------------------------------------------------------

Shape circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return length(x - cx, y - cy) - radius; };
}

Shape ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) {
        const float px = (x - cx) / rx, py = (y - cy) / ry;
        const float k0 = length(px, py);
        const float k1 = length(px / rx, py / ry);
        if (k1 < 1e-6f) return -std::min(rx, ry);
        return k0 * (k0 - 1.0f) / k1;
    };
}

Shape roundedRect(float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    const float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    return [=](float x, float y) {
        const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
        return length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
               radius;
    };
}

Shape capsule(float ax, float ay, float bx, float by, float radius) {
    return [=](float x, float y) { return segmentDistance(x, y, ax, ay, bx, by) - radius; };
}

Shape polygon(std::vector<float> xy) {
    return [xy = std::move(xy)](float x, float y) {
        const size_t n = xy.size() / 2;
        float best = 1e30f;
        bool inside = false;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
            best = std::min(best, segmentDistance(x, y, xi, yi, xj, yj));
            // Crossing test: the edge spans the point's row and crosses it to the right.
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside ? -best : best;
    };
}

Shape star(float cx, float cy, float outer, float inner, int points, float rotationDegrees) {
    std::vector<float> xy;
    for (int i = 0; i < points * 2; ++i) {
        const float r = (i % 2 == 0) ? outer : inner;
        const float a = (rotationDegrees - 90.0f) * kPi / 180.0f +
                        kPi * static_cast<float>(i) / static_cast<float>(points);
        xy.push_back(cx + r * std::cos(a));
        xy.push_back(cy + r * std::sin(a));
    }
    return polygon(std::move(xy));
}

Shape arc(float cx, float cy, float r, float halfWidth, float a0Degrees, float a1Degrees) {
    const float span = std::fmod(a1Degrees - a0Degrees + 720.0f, 360.0f);
    const float a0 = a0Degrees * kPi / 180.0f, a1 = a1Degrees * kPi / 180.0f;
    const float e0x = cx + r * std::cos(a0), e0y = cy + r * std::sin(a0);
    const float e1x = cx + r * std::cos(a1), e1y = cy + r * std::sin(a1);
    return [=](float x, float y) {
        const float angle = std::atan2(y - cy, x - cx) * 180.0f / kPi;
        const float along = std::fmod(angle - a0Degrees + 720.0f, 360.0f);
        if (along <= span) return std::fabs(length(x - cx, y - cy) - r) - halfWidth;
        return std::min(length(x - e0x, y - e0y), length(x - e1x, y - e1y)) - halfWidth;
    };
}

Shape unite(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::min(a(x, y), b(x, y));
    };
}

Shape intersect(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::max(a(x, y), b(x, y));
    };
}

Shape subtract(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::max(a(x, y), -b(x, y));
    };
}

Shape outline(Shape s, float halfWidth) {
    return
        [s = std::move(s), halfWidth](float x, float y) { return std::fabs(s(x, y)) - halfWidth; };
}

Shape grow(Shape s, float d) {
    return [s = std::move(s), d](float x, float y) { return s(x, y) - d; };
}

Shape translated(Shape s, float dx, float dy) {
    return [s = std::move(s), dx, dy](float x, float y) { return s(x - dx, y - dy); };
}

// ---- Paints ---------------------------------------------------------------------------------

Paint solid(const Colour& c) {
    return [c](float, float) { return c; };
}

Paint linear(float x0, float y0, const Colour& c0, float x1, float y1, const Colour& c1) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float dd = dx * dx + dy * dy;
    return [=](float x, float y) {
        const float t = dd > 0 ? clamp01(((x - x0) * dx + (y - y0) * dy) / dd) : 0.0f;
        return mix(c0, c1, t);
    };
}

Paint radial(float cx, float cy, float r, const Colour& c0, const Colour& c1) {
    return [=](float x, float y) { return mix(c0, c1, clamp01(length(x - cx, y - cy) / r)); };
}

// ---- The canvas ----------------------------------------------------------------------------

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0.0f) {}

void Canvas::blend(int x, int y, const Colour& c, float coverage) {
    const float a = clamp01(c.a * coverage);
    if (a <= 0) return;
    float* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    const float keep = 1.0f - a;
    p[0] = c.r * a + p[0] * keep;
    p[1] = c.g * a + p[1] * keep;
    p[2] = c.b * a + p[2] * keep;
    p[3] = a + p[3] * keep;
}

void Canvas::paintPixel(int x, int y, const Colour& colour, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    blend(x, y, colour, coverage);
}

void Canvas::fill(const Shape& shape, const Paint& paint, float opacity) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float coverage = clamp01(0.5f - shape(px, py)) * opacity;
            if (coverage > 0) blend(x, y, paint(px, py), coverage);
        }
    }
}

void Canvas::softShadow(const Shape& shape, float dx, float dy, float blurRadius,
                        const Colour& colour) {
    std::vector<float> mask(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float px = static_cast<float>(x) + 0.5f - dx,
                        py = static_cast<float>(y) + 0.5f - dy;
            mask[static_cast<size_t>(y) * width_ + x] = clamp01(0.5f - shape(px, py));
        }
    }
    boxBlur(&mask, width_, height_, static_cast<int>(std::lround(blurRadius)));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            blend(x, y, colour, mask[static_cast<size_t>(y) * width_ + x]);
}

void Canvas::draw(const Canvas& other, int x0, int y0, float opacity) {
    for (int y = 0; y < other.height_; ++y) {
        const int ty = y0 + y;
        if (ty < 0 || ty >= height_) continue;
        for (int x = 0; x < other.width_; ++x) {
            const int tx = x0 + x;
            if (tx < 0 || tx >= width_) continue;
            const float* s = &other.pixels_[(static_cast<size_t>(y) * other.width_ + x) * 4];
            float* d = &pixels_[(static_cast<size_t>(ty) * width_ + tx) * 4];
            const float keep = 1.0f - s[3] * opacity;
            for (int c = 0; c < 4; ++c) d[c] = s[c] * opacity + d[c] * keep;
        }
    }
}

Canvas Canvas::crop(int x0, int y0, int w, int h) const {
    Canvas out(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = x0 + x, sy = y0 + y;
            if (sx < 0 || sy < 0 || sx >= width_ || sy >= height_) continue;
            const float* s = &pixels_[(static_cast<size_t>(sy) * width_ + sx) * 4];
            std::copy(s, s + 4, &out.pixels_[(static_cast<size_t>(y) * w + x) * 4]);
        }
    }
    return out;
}

Colour Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const float* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    if (p[3] <= 0) return {};
    return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

std::vector<uint8_t> Canvas::toRgba() const {
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4, 0);
    auto toByte = [](float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); };
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const Colour c = pixel(x, y);
            uint8_t* o = &out[(static_cast<size_t>(y) * width_ + x) * 4];
            o[0] = toByte(c.r);
            o[1] = toByte(c.g);
            o[2] = toByte(c.b);
            o[3] = toByte(c.a);
        }
    }
    // Colour bleeding into the transparent border, ring by ring.
    constexpr int kBleedPasses = 4;
    std::vector<uint8_t> known(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < known.size(); ++i) known[i] = out[i * 4 + 3] != 0;
    for (int pass = 0; pass < kBleedPasses; ++pass) {
        std::vector<uint8_t> next = known;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const size_t i = static_cast<size_t>(y) * width_ + x;
                if (known[i]) continue;
                int sum[3] = {0, 0, 0}, count = 0;
                for (int ny = y - 1; ny <= y + 1; ++ny) {
                    for (int nx = x - 1; nx <= x + 1; ++nx) {
                        if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_) continue;
                        const size_t j = static_cast<size_t>(ny) * width_ + nx;
                        if (!known[j]) continue;
                        for (int c = 0; c < 3; ++c) sum[c] += out[j * 4 + c];
                        ++count;
                    }
                }
                if (count == 0) continue;
                for (int c = 0; c < 3; ++c)
                    out[i * 4 + c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
                next[i] = 1;
            }
        }
        known.swap(next);
    }
    return out;
}

// ---- Lettering --------------------------------------------------------------------------------

bool drawText(Canvas* canvas, const std::string& fontPath, int pixelSize, const std::string& text,
              float x, float y, const Paint& paint) {
    FontFace font(fontPath, pixelSize);
    if (!font.face) return false;
    int penX = static_cast<int>(std::lround(x));
    const int baseline = static_cast<int>(std::lround(y));
    for (uint16_t code : decodeText(text)) {
        if (FT_Load_Char(font.face, code, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = font.face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned col = 0; col < bitmap.width; ++col) {
                    const int px = penX + slot->bitmap_left + static_cast<int>(col);
                    const int py = baseline - slot->bitmap_top + static_cast<int>(row);
                    if (px < 0 || py < 0 || px >= canvas->width() || py >= canvas->height())
                        continue;
                    const float coverage =
                        bitmap.buffer[static_cast<ptrdiff_t>(row) * bitmap.pitch + col] / 255.0f;
                    canvas->paintPixel(px, py, paint(px + 0.5f, py + 0.5f), coverage);
                }
            }
        }
        penX += static_cast<int>((slot->advance.x + 32) >> 6);
    }
    return true;
}

float textWidth(const std::string& fontPath, int pixelSize, const std::string& text) {
    FontFace font(fontPath, pixelSize);
    if (!font.face) return 0;
    long advance = 0;
    for (uint16_t code : decodeText(text)) {
        if (FT_Load_Char(font.face, code, FT_LOAD_DEFAULT) == 0)
            advance += (font.face->glyph->advance.x + 32) >> 6;
    }
    return static_cast<float>(advance);
}

}  // namespace art
