// The desktop icon: a square night scene painted with the world's painter (the loading picture's
// sky, moon, trunks, canopy and lettering), brought to each size by area averaging and cut to a
// rounded square.
#include "tools/assets/app_icon.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/assets/world_paint.h"

namespace world {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kMargin = 8;         // master pixels of clear border round the rounded square
constexpr float kCornerRadius = 44;  // master pixels

void trunk(Canvas& c, float x, float top, float bottom, float r0, float r1, const Colour& colour) {
    fillCapsule(c, x, bottom, x, top, r0, r1, colour, 1.0f);
}

Canvas paintMaster() {
    const int n = kAppIconPaintSize;
    Canvas c(n, n, rgb(0, 0, 0));
    const float horizonY = 176;
    const float moonX = 184, moonY = 68;
    c.apply([&](int x, int y, const Colour&) {
        if (y < horizonY) {
            const float t = y / horizonY;
            const Colour sky = t < 0.6f
                                   ? mixColour(rgb(4, 7, 22), rgb(12, 22, 50), t / 0.6f)
                                   : mixColour(rgb(12, 22, 50), rgb(34, 52, 82), (t - 0.6f) / 0.4f);
            return scaleColour(sky, 0.94f + 0.12f * fbm(x / 40.0f, y / 20.0f, 4, 12, 16, 901));
        }
        // The lit path, narrowing towards the horizon.
        const float t = (y - horizonY) / (n - horizonY);
        const float half = 6 + t * 110;
        const float path = 1 - smoothStep(half * 0.6f, half, std::fabs(x - n / 2.0f));
        const Colour ground = mixColour(rgb(6, 12, 8), rgb(30, 58, 28), t);
        const Colour lit = mixColour(rgb(14, 24, 18), rgb(84, 128, 60), t * t);
        return scaleColour(mixColour(ground, lit, path * (0.4f + 0.6f * t)),
                           0.85f + 0.3f * fbm(x / 8.0f, y / 4.0f, 3, 40, 20, 902));
    });
    c.paint(0, 0, n, horizonY, [&](float x, float y) {
        const float d = std::hypot(x - moonX, y - moonY);
        return Colour{0.72f, 0.8f, 0.95f,
                      clamp01(0.6f * std::exp(-d / 30) + 0.3f * std::exp(-d / 90))};
    });
    fillDisc(c, moonX, moonY, 24, rgb(238, 240, 228), 1.2f);
    fillDisc(c, moonX + 7, moonY - 6, 5.5f, rgb(206, 210, 200, 0.6f), 2);
    fillDisc(c, moonX - 8, moonY + 7, 4, rgb(206, 210, 200, 0.5f), 2);
    WorldRandom random(0x1C07);
    for (int i = 0; i < 70; ++i) {
        const float x = random.range(0, n), y = random.range(0, horizonY - 40);
        if (std::hypot(x - moonX, y - moonY) < 48) continue;
        const float r = random.uniform() < 0.15f ? 1.3f : 0.8f;
        fillDisc(c, x, y, r, rgb(220, 228, 255, random.range(0.45f, 1.0f)), 0.8f);
    }
    // Far tree line, near trunks framing the scene, then the canopy across the top.
    c.paint(0, 120, n, horizonY + 4, [&](float x, float y) {
        const float top = 152 + 18 * (fbm(x / 20.0f, 0.5f, 4, 13, 4, 903) - 0.5f);
        return Colour{0.10f, 0.14f, 0.22f, smoothStep(top - 1, top + 1, y)};
    });
    for (int i = 0; i < 26; ++i) {
        const float x = random.range(0, n);
        trunk(c, x, 126, horizonY + 2, random.range(1.0f, 2.0f), 0.7f, rgb(24, 32, 50));
    }
    const Colour nearDark = rgb(5, 7, 10);
    const float trunks[][3] = {{14, 24, 20}, {64, 11, 9}, {226, 13, 11}, {252, 22, 19}, {110, 4, 3}};
    for (const auto& t : trunks) trunk(c, t[0], -10, n + 10, t[1], t[2], nearDark);
    c.paint(0, 0, n, 64, [&](float x, float y) {
        const float edge = 22 + 26 * fbm(x / 20.0f, y / 20.0f, 4, 13, 4, 904);
        return Colour{0.02f, 0.035f, 0.03f, 1 - smoothStep(edge - 2, edge + 2, y)};
    });
    for (int i = 0; i < 130; ++i) {
        const float x = random.range(0, n), y = random.range(0, 44);
        fillLeaf(c, x, y, random.range(10, 18), random.range(4, 8), random.range(0, kPi),
                 rgb(8, 18, 12), 0.9f);
    }
    // The initial, in the loading picture's gold with a dark edge and a pale glow.
    const int size = fitTextSize(kWorldFontSerifBold, "Z", 0, 124, 124, 200);
    TextMask mask;
    if (size && renderText(kWorldFontSerifBold, "Z", size, 0, 12, &mask)) {
        const int x = 112 - mask.width / 2, y = 226 - mask.baseline;
        drawMask(c, blurMask(growMask(mask, 4), 8), x, y, rgb(120, 170, 255), 0.6f);
        drawMask(c, growMask(mask, 4), x, y + 3, rgb(10, 8, 6), 0.95f);
        const float top = static_cast<float>(mask.baseline) - size * 0.75f;
        drawMask(c, mask, x, y, rgb(255, 255, 255), 1.0f, [&](int, int my) {
            const float t = clamp01((my - top) / (mask.baseline - top));
            return mixColour(rgb(255, 240, 180), rgb(226, 160, 52), t);
        });
    }
    return c;
}

// For each output pixel along one axis, the master pixels it covers and how much of each.
struct Span {
    int first = 0;
    std::vector<float> weights;  // sum to 1
};

std::vector<Span> areaSpans(int from, int to) {
    std::vector<Span> spans(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double a = i * step, b = (i + 1) * step;
        Span& s = spans[static_cast<size_t>(i)];
        s.first = static_cast<int>(std::floor(a));
        for (int k = s.first; k < from && k < b; ++k) {
            const double covered = std::min<double>(k + 1, b) - std::max<double>(k, a);
            s.weights.push_back(static_cast<float>(covered / step));
        }
    }
    return spans;
}

// How much of the output pixel centred at (px, py) the rounded square covers, from the centre's
// signed distance to its edge in output pixels.
float roundedSquareCoverage(float px, float py, float size) {
    const float scale = size / kAppIconPaintSize;
    const float half = size / 2 - kMargin * scale, radius = kCornerRadius * scale;
    const float qx = std::fabs(px - size / 2) - (half - radius);
    const float qy = std::fabs(py - size / 2) - (half - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    const float d = outside + std::min(std::max(qx, qy), 0.0f) - radius;
    return clamp01(0.5f - d);
}

}  // namespace

WorldPicture paintAppIcon(int size) {
    WorldPicture picture;
    if (size < kAppIconMinSize || size > kAppIconMaxSize) return picture;
    const Canvas master = paintMaster();
    const int n = kAppIconPaintSize;
    const std::vector<Span> spans = areaSpans(n, size);
    picture.width = picture.height = size;
    picture.alpha = true;
    picture.rgba.resize(static_cast<size_t>(size) * size * 4);
    // The master is opaque, so its colours average without weighting by alpha.
    std::vector<Colour> rows(static_cast<size_t>(size) * n);  // averaged across, full height
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < size; ++x) {
            const Span& s = spans[static_cast<size_t>(x)];
            Colour sum{0, 0, 0, 1};
            for (size_t k = 0; k < s.weights.size(); ++k) {
                const Colour p = master.get(s.first + static_cast<int>(k), y);
                sum.r += p.r * s.weights[k];
                sum.g += p.g * s.weights[k];
                sum.b += p.b * s.weights[k];
            }
            rows[static_cast<size_t>(y) * size + x] = sum;
        }
    }
    for (int y = 0; y < size; ++y) {
        const Span& s = spans[static_cast<size_t>(y)];
        for (int x = 0; x < size; ++x) {
            float r = 0, g = 0, b = 0;
            for (size_t k = 0; k < s.weights.size(); ++k) {
                const Colour& p = rows[static_cast<size_t>(s.first + static_cast<int>(k)) * size + x];
                r += p.r * s.weights[k];
                g += p.g * s.weights[k];
                b += p.b * s.weights[k];
            }
            const float a = roundedSquareCoverage(x + 0.5f, y + 0.5f, static_cast<float>(size));
            uint8_t* out = &picture.rgba[(static_cast<size_t>(y) * size + x) * 4];
            out[0] = static_cast<uint8_t>(std::lround(clamp01(r) * 255));
            out[1] = static_cast<uint8_t>(std::lround(clamp01(g) * 255));
            out[2] = static_cast<uint8_t>(std::lround(clamp01(b) * 255));
            out[3] = static_cast<uint8_t>(std::lround(a * 255));
        }
    }
    return picture;
}

}  // namespace world
