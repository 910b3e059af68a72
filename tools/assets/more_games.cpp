// The cross-promotion page: its sprite, and the icons and screenshots of three little games of our
// own, painted as small scenes in the style of the rest of the art.
#include "tools/assets/more_games.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "storage/kv_text.h"
#include "tools/assets/art_style.h"
#include "tools/assets/menu_frames.h"
#include "tools/writers/png_writer.h"

namespace {

using namespace art;

constexpr int kPromotedGames = 3;  // games there are paintings for
constexpr int kShotsPerGame = 2;

// The right panel: 300 pixels wide, cut from one painting into top, middle and bottom.
constexpr int kColumnWidth = 300;
constexpr int kColumnCap = 20;     // height of the top and the bottom piece
constexpr int kColumnMiddle = 16;  // height of the repeated middle piece

// A small deterministic generator for scattered details (stars, grass).
class Scatter {
public:
    explicit Scatter(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    float next() {  // [0, 1)
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ >> 8) / 16777216.0f;
    }
    float range(float lo, float hi) { return lo + (hi - lo) * next(); }

private:
    uint32_t state_;
};

Shape everywhere() {
    return [](float, float) { return -1.0f; };
}

void stars(Canvas* c, uint32_t seed, int count, float maxY) {
    Scatter s(seed);
    for (int i = 0; i < count; ++i) {
        const float x = s.range(0, static_cast<float>(c->width())), y = s.range(0, maxY);
        const float r = s.range(0.4f, 1.1f);
        c->fill(circle(x, y, r), solid(rgb(0xFFF8E0, s.range(0.4f, 0.9f))));
    }
}

void glow(Canvas* c, float x, float y, float r, const Colour& colour, float strength) {
    c->fill(circle(x, y, r), radial(x, y, r, withAlpha(colour, strength), withAlpha(colour, 0.0f)));
}

// ---- Lantern Moth Drift: a moth of light in crystal caves ------------------------------------

void moth(Canvas* c, float x, float y, float s) {
    glow(c, x, y, 26 * s, paleGold(), 0.55f);
    const Colour wing = rgb(0xFFF1CF, 0.92f);
    c->fill(ellipse(x - 7 * s, y - 3 * s, 8 * s, 5.5f * s), solid(wing));
    c->fill(ellipse(x + 7 * s, y - 3 * s, 8 * s, 5.5f * s), solid(wing));
    c->fill(ellipse(x - 5 * s, y + 5 * s, 5 * s, 4 * s), solid(rgb(0xF6D9A0, 0.9f)));
    c->fill(ellipse(x + 5 * s, y + 5 * s, 5 * s, 4 * s), solid(rgb(0xF6D9A0, 0.9f)));
    c->fill(capsule(x, y - 6 * s, x, y + 8 * s, 1.8f * s), solid(rgb(0x5A3B22)));
    c->fill(capsule(x - 0.5f * s, y - 6 * s, x - 4 * s, y - 12 * s, 0.6f * s),
            solid(rgb(0x5A3B22)));
    c->fill(capsule(x + 0.5f * s, y - 6 * s, x + 4 * s, y - 12 * s, 0.6f * s),
            solid(rgb(0x5A3B22)));
}

void crystal(Canvas* c, float x, float baseY, float h, float lean) {
    const Shape shape =
        polygon({x - h * 0.18f, baseY, x + lean - h * 0.08f, baseY - h * 0.8f, x + lean, baseY - h,
                 x + lean + h * 0.08f, baseY - h * 0.8f, x + h * 0.18f, baseY});
    glow(c, x + lean * 0.5f, baseY - h * 0.5f, h * 0.9f, rgb(0x4FD1C5), 0.25f);
    c->fill(shape, linear(x, baseY - h, rgb(0xB8FFF5), x, baseY, rgb(0x2A9D96)));
}

Canvas mothIcon() {
    Canvas c(kPromotedIconSide, kPromotedIconSide);
    const Shape box = roundedRect(0, 0, 57, 57, 11);
    c.fill(box, radial(28, 32, 40, rgb(0x3A2A6A), rgb(0x0B0F24)));
    crystal(&c, 10, 57, 16, -2);
    crystal(&c, 47, 57, 20, 2);
    moth(&c, 28.5f, 27, 1.25f);
    return c;
}

Canvas mothShot(int n) {
    Canvas c(kScreenshotWidth, kScreenshotHeight);
    c.fill(everywhere(), linear(0, 0, rgb(n == 0 ? 0x14283A : 0x1E1C44), 0, 160, rgb(0x060B14)));
    Scatter s(11 + static_cast<uint32_t>(n));
    for (int i = 0; i < 9; ++i) {  // stalactites
        const float x = s.range(0, 240), w = s.range(10, 22), h = s.range(18, 50);
        c.fill(polygon({x - w, 0, x + w, 0, x + s.range(-3, 3), h}), solid(rgb(0x1B3346)));
    }
    for (int i = 0; i < 6; ++i) {
        // One draw per statement: the order of a call's arguments is not fixed.
        const float x = s.range(10, 230), h = s.range(18, 42), lean = s.range(-5, 5);
        crystal(&c, x, 160, h, lean);
    }
    if (n == 1) {  // lanterns on chains, and still water below
        for (float x : {60.0f, 120.0f, 180.0f}) {
            c.fill(capsule(x, 0, x, 48, 0.6f), solid(rgb(0x8A7A5A)));
            glow(&c, x, 54, 22, gold(), 0.5f);
            c.fill(roundedRect(x - 5, 48, x + 5, 60, 2), solid(paleGold()));
        }
        for (int i = 0; i < 6; ++i) {
            const float y = 132 + 4.0f * static_cast<float>(i);
            const float x0 = s.range(20, 120), x1 = s.range(130, 220);
            c.fill(capsule(x0, y, x1, y, 0.5f), solid(rgb(0x7FE3D8, 0.3f)));
        }
    }
    // The moth and the trail of light it leaves.
    const float mx = n == 0 ? 150.0f : 100.0f, my = n == 0 ? 82.0f : 92.0f;
    for (int i = 1; i <= 7; ++i) {
        const float t = static_cast<float>(i);
        c.fill(circle(mx - 13 * t, my + 10 * std::sin(t * 0.8f), 2.2f - 0.22f * t),
               solid(rgb(0xFFE9B0, 0.8f - 0.1f * t)));
    }
    moth(&c, mx, my, 1.0f);
    c.fill(roundedRect(8, 8, 70, 15, 3.5f), solid(rgb(0x000000, 0.45f)));  // the glow meter
    c.fill(roundedRect(9, 9, n == 0 ? 58.0f : 34.0f, 14, 2.5f),
           linear(9, 0, gold(), 60, 0, paleGold()));
    return c;
}

// ---- Owlkeep Orchard: apples at dusk, owls in the branches -----------------------------------

void owl(Canvas* c, float x, float y, float s) {
    const Colour feathers = rgb(0x6B4A2E), face = rgb(0xC9A27A);
    c->fill(polygon({x - 12 * s, y - 10 * s, x - 9 * s, y - 21 * s, x - 3 * s, y - 12 * s}),
            solid(feathers));
    c->fill(polygon({x + 12 * s, y - 10 * s, x + 9 * s, y - 21 * s, x + 3 * s, y - 12 * s}),
            solid(feathers));
    c->fill(ellipse(x, y, 14 * s, 15 * s),
            linear(x, y - 15 * s, rgb(0x8A6440), x, y + 15 * s, feathers));
    c->fill(ellipse(x, y - 3 * s, 11 * s, 8 * s), solid(face));
    for (float side : {-1.0f, 1.0f}) {
        c->fill(circle(x + side * 5 * s, y - 4 * s, 4.6f * s), solid(ivory()));
        c->fill(circle(x + side * 5 * s, y - 3.5f * s, 2.4f * s), solid(ink()));
        c->fill(circle(x + side * 5 * s + 0.8f * s, y - 4.6f * s, 0.8f * s), solid(rgb(0xFFFFFF)));
    }
    c->fill(polygon({x - 2 * s, y + 0.5f * s, x + 2 * s, y + 0.5f * s, x, y + 4.5f * s}),
            solid(amber()));
}

void appleTree(Canvas* c, float x, float ground, float s, Scatter* r) {
    c->fill(roundedRect(x - 3 * s, ground - 30 * s, x + 3 * s, ground, 2 * s),
            solid(rgb(0x4A3020)));
    const Shape canopy = unite(unite(circle(x - 12 * s, ground - 36 * s, 14 * s),
                                     circle(x + 12 * s, ground - 36 * s, 14 * s)),
                               circle(x, ground - 48 * s, 17 * s));
    c->fill(canopy, radial(x - 6 * s, ground - 56 * s, 40 * s, moss(), pine()));
    for (int i = 0; i < 6; ++i) {
        const float ax = x + r->range(-20, 20) * s, ay = ground - r->range(28, 58) * s;
        c->fill(circle(ax, ay, 2.6f * s), solid(rgb(0xD9483B)));
    }
}

Canvas owlIcon() {
    Canvas c(kPromotedIconSide, kPromotedIconSide);
    c.fill(roundedRect(0, 0, 57, 57, 11), linear(0, 0, rgb(0xF29E4C), 0, 57, rgb(0x7A3E6E)));
    c.fill(intersect(roundedRect(0, 0, 57, 57, 11), circle(28, 75, 30)), solid(rgb(0x2F4A2C)));
    owl(&c, 28.5f, 31, 1.35f);
    return c;
}

Canvas owlShot(int n) {
    Canvas c(kScreenshotWidth, kScreenshotHeight);
    if (n == 0)
        c.fill(everywhere(), linear(0, 0, rgb(0xF2A65A), 0, 120, rgb(0x8A4A78)));
    else
        c.fill(everywhere(), linear(0, 0, rgb(0x2A2350), 0, 120, rgb(0x5A3A6E)));
    if (n == 1) {
        stars(&c, 21, 30, 70);
        glow(&c, 196, 30, 26, paleGold(), 0.4f);
        c.fill(circle(196, 30, 11), solid(rgb(0xFFF3D0)));
    }
    c.fill(ellipse(60, 168, 130, 50), solid(rgb(0x3E5A34)));
    c.fill(ellipse(200, 172, 120, 44), solid(rgb(0x2F4A2C)));
    Scatter r(31 + static_cast<uint32_t>(n));
    appleTree(&c, 40, 140, 1.0f, &r);
    appleTree(&c, 200, 146, 1.1f, &r);
    owl(&c, 200, 86, 0.7f);
    // The basket and apples on their way down.
    c.fill(roundedRect(100, 128, 140, 150, 5),
           linear(0, 128, rgb(0xB07A3E), 0, 150, rgb(0x6E4A24)));
    for (int i = 0; i < 3; ++i)
        c.fill(capsule(102, 134 + 5.0f * static_cast<float>(i), 138,
                       134 + 5.0f * static_cast<float>(i), 0.6f),
               solid(rgb(0x4A3018, 0.7f)));
    c.fill(circle(116, 92, 3.2f), solid(rgb(0xD9483B)));
    c.fill(circle(128, 60, 3.2f), solid(rgb(0xD9483B)));
    // Apples in the cellar so far.
    c.fill(circle(14, 12, 4.5f), solid(rgb(0xD9483B)));
    c.fill(roundedRect(22, 9, 22 + (n == 0 ? 40.0f : 66.0f), 15, 3), solid(rgb(0xFFF1D0, 0.85f)));
    return c;
}

// ---- Tidewhistle Ferry: a lamp-lit ferry on a moonlit river ---------------------------------

void ferry(Canvas* c, float x, float y, float s) {
    glow(c, x + 6 * s, y - 14 * s, 24 * s, gold(), 0.45f);
    c->fill(polygon({x - 18 * s, y - 4 * s, x + 18 * s, y - 4 * s, x + 13 * s, y + 5 * s,
                     x - 13 * s, y + 5 * s}),
            linear(x, y - 4 * s, rgb(0x8A5A34), x, y + 5 * s, rgb(0x4A2E1A)));
    c->fill(roundedRect(x - 9 * s, y - 13 * s, x + 5 * s, y - 4 * s, 1.5f * s),
            solid(rgb(0xE8D6B0)));
    c->fill(roundedRect(x - 7 * s, y - 11 * s, x - 3 * s, y - 7 * s, 0.8f * s),
            solid(rgb(0xFFD36B)));
    c->fill(capsule(x + 8 * s, y - 4 * s, x + 8 * s, y - 18 * s, 0.8f * s), solid(rgb(0x3A2A1A)));
    c->fill(circle(x + 8 * s, y - 19 * s, 2.2f * s), solid(paleGold()));
}

void waves(Canvas* c, float top, float bottom, uint32_t seed) {
    Scatter r(seed);
    for (int i = 0; i < 14; ++i) {
        const float x = r.range(0, static_cast<float>(c->width())), y = r.range(top, bottom);
        const float w = r.range(6, 16);
        c->fill(capsule(x - w, y, x + w, y, 0.6f), solid(rgb(0xBFE6F2, r.range(0.2f, 0.5f))));
    }
}

Canvas ferryIcon() {
    Canvas c(kPromotedIconSide, kPromotedIconSide);
    const Shape box = roundedRect(0, 0, 57, 57, 11);
    c.fill(box, linear(0, 0, rgb(0x1A4A66), 0, 57, rgb(0x071A26)));
    c.fill(intersect(box, [](float, float y) { return 36 - y; }),
           linear(0, 36, rgb(0x0F3A52), 0, 57, rgb(0x06202E)));
    glow(&c, 41, 15, 14, paleGold(), 0.4f);
    c.fill(circle(41, 15, 6.5f), solid(rgb(0xFFF3D0)));
    waves(&c, 40, 54, 7);
    ferry(&c, 27, 38, 1.05f);
    return c;
}

Canvas ferryShot(int n) {
    Canvas c(kScreenshotWidth, kScreenshotHeight);
    c.fill(everywhere(), linear(0, 0, rgb(0x102A44), 0, 160, rgb(0x06121E)));
    stars(&c, 41 + static_cast<uint32_t>(n), 40, 40);
    c.fill(roundedRect(-10, 22, 250, 44, 10), solid(rgb(0x1F3B2A)));    // far bank
    c.fill(roundedRect(-10, 136, 250, 170, 10), solid(rgb(0x25452E)));  // near bank
    c.fill(roundedRect(-10, 40, 250, 138, 4), linear(0, 40, rgb(0x12405A), 0, 138, rgb(0x0A2A3E)));
    if (n == 1) {  // the moon's road on the water
        glow(&c, 182, 16, 18, paleGold(), 0.4f);
        c.fill(circle(182, 16, 8), solid(rgb(0xFFF3D0)));
        for (int i = 0; i < 8; ++i) {
            const float y = 48 + 11.0f * static_cast<float>(i),
                        w = 10 - static_cast<float>(i % 3) * 2;
            c.fill(capsule(182 - w, y, 182 + w, y, 1.0f), solid(rgb(0xFFE9B0, 0.45f)));
        }
    }
    waves(&c, 46, 132, 17 + static_cast<uint32_t>(n));
    c.fill(capsule(40, n == 0 ? 70.0f : 110.0f, 70, n == 0 ? 74.0f : 108.0f, 3.5f),
           solid(rgb(0x5A3A22)));
    c.fill(capsule(150, 116, 176, 112, 3.2f), solid(rgb(0x5A3A22)));
    // Travellers waiting on the far bank, and the pier.
    c.fill(roundedRect(96, 30, 132, 40, 2), solid(rgb(0x6E5236)));
    for (float x : {104.0f, 114.0f, 124.0f}) {
        c.fill(circle(x, 22, 2.6f), solid(rgb(0xF2D2B0)));
        c.fill(capsule(x, 25, x, 31, 2.2f), solid(rgb(0xC0504A)));
    }
    ferry(&c, n == 0 ? 120.0f : 84.0f, n == 0 ? 96.0f : 80.0f, 1.4f);
    return c;
}

// ---- The page's own sprite -----------------------------------------------------------------

Canvas backButton(bool pressed) {
    Canvas c(76, 24);
    const Shape pill = roundedRect(1, 1, 75, 23, 11);
    c.fill(pill, linear(0, 1, paleGold(), 0, 23, amber()));
    c.fill(
        roundedRect(2.5f, 2.5f, 73.5f, 21.5f, 9.5f),
        linear(0, 2, pressed ? mistBlue() : duskBlue(), 0, 22, pressed ? duskBlue() : midnight()));
    return c;
}

Canvas noIcon() {
    Canvas c(kPromotedIconSide, kPromotedIconSide);
    const Shape box = roundedRect(0, 0, 57, 57, 11);
    c.fill(box, linear(0, 0, slate(), 0, 57, deepBlue()));
    c.fill(outline(grow(box, -1.0f), 0.6f), solid(withAlpha(gold(), 0.6f)));
    c.fill(icon::grid(28.5f, 28.5f, 34), solid(withAlpha(ivory(), 0.8f)));
    return c;
}

Canvas getButton() {
    Canvas c(104, 36);
    const Shape pill = roundedRect(2, 2, 102, 32, 15);
    c.softShadow(pill, 0, 2, 2, rgb(0x000000, 0.55f));
    c.fill(pill, linear(0, 2, paleGold(), 0, 32, amber()));
    c.fill(icon::download(24, 17, 20), solid(midnight()));
    drawText(&c, kSansBoldFont, 15, "Get", 40, 23, solid(midnight()));
    return c;
}

Canvas iconShadow() {
    Canvas c(kPromotedIconSide, kPromotedIconSide);
    c.softShadow(roundedRect(3, 3, 54, 54, 10), 0, 0, 2, rgb(0x000000, 0.6f));
    return c;
}

Canvas shotBorder() {
    Canvas c(137, 94);
    const Shape ring = subtract(roundedRect(0.5f, 0.5f, 136.5f, 93.5f, 6),
                                roundedRect(3.5f, 3.5f, 133.5f, 90.5f, 3));
    c.fill(ring, linear(0, 0, paleGold(), 0, 94, amber()));
    return c;
}

}  // namespace

bool buildMoreGamesSprite(art::BuiltSprite* out, std::string* error) {
    SpriteSheet sheet(512);
    sheet.setFrame(kMgBackPressed, sheet.addPicture(backButton(true)));
    sheet.setFrame(kMgBack, sheet.addPicture(backButton(false)));
    sheet.setFrame(kMgNoIcon, sheet.addPicture(noIcon()));
    sheet.setFrame(kMgGet, sheet.addPicture(getButton()));
    sheet.setFrame(kMgIconShadow, sheet.addPicture(iconShadow()));
    sheet.setFrame(kMgShotBorder, sheet.addPicture(shotBorder()));

    const int height = 2 * kColumnCap + kColumnMiddle;
    Canvas column(kColumnWidth, height);
    const Shape panel = roundedRect(0.5f, 0.5f, kColumnWidth - 0.5f, height - 0.5f, 12);
    column.fill(panel, solid(withAlpha(midnight(), 0.8f)));
    column.fill(outline(grow(panel, -1.0f), 0.7f), solid(withAlpha(gold(), 0.6f)));
    sheet.setFrame(kMgColumnTop, sheet.addPicture(column.crop(0, 0, kColumnWidth, kColumnCap)));
    sheet.setFrame(kMgColumnMiddle,
                   sheet.addPicture(column.crop(0, kColumnCap, kColumnWidth, kColumnMiddle)));
    sheet.setFrame(kMgColumnBottom, sheet.addPicture(column.crop(0, kColumnCap + kColumnMiddle,
                                                                 kColumnWidth, kColumnCap)));
    return sheet.build(out, error);
}

namespace {

struct NamedPicture {
    std::string name;
    int game;
    int shot;  // -1: the icon
};

std::vector<NamedPicture> namedPictures(const std::string& list) {
    const uint8_t* text = reinterpret_cast<const uint8_t*>(list.data());
    char value[kTextFieldBytes];
    findTextValue(text, list.size(), "mg_numgames", value);
    const int games = std::atoi(value);
    std::vector<NamedPicture> pictures;
    char key[64];
    for (int i = 0; i < games; ++i) {
        std::snprintf(key, sizeof key, "mg_game%d_icon", i);
        findTextValue(text, list.size(), key, value);
        if (value[0]) pictures.push_back({value, i, -1});
        std::snprintf(key, sizeof key, "mg_game%d_numscreens", i);
        findTextValue(text, list.size(), key, value);
        const int shots = std::atoi(value);
        for (int j = 0; j < shots; ++j) {
            std::snprintf(key, sizeof key, "mg_game%d_screen%d", i, j);
            findTextValue(text, list.size(), key, value);
            if (value[0]) pictures.push_back({value, i, j});
        }
    }
    return pictures;
}

}  // namespace

std::vector<std::string> moreGamesFileNames(const std::string& list) {
    std::vector<std::string> names;
    for (const NamedPicture& p : namedPictures(list)) names.push_back(p.name);
    return names;
}

bool addMoreGames(const std::string& sourceFolder, std::vector<PackInput>* entries,
                  std::string* error) {
    const std::string path = sourceFolder + "/" + kMoreGamesSource;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    const std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    entries->push_back(
        {kMoreGamesFile, std::vector<uint8_t>(list.begin(), list.end()), PackStorage::kAuto});

    BuiltSprite page;
    if (!buildMoreGamesSprite(&page, error)) return false;
    entries->push_back({"/mgcomponents.spr", std::move(page.spr), PackStorage::kAuto});
    entries->push_back({"/mgcomponents.png", std::move(page.png), PackStorage::kAuto});

    const std::function<Canvas()> icons[kPromotedGames] = {mothIcon, owlIcon, ferryIcon};
    const std::function<Canvas(int)> shots[kPromotedGames] = {mothShot, owlShot, ferryShot};
    for (const NamedPicture& p : namedPictures(list)) {
        if (p.game >= kPromotedGames || p.shot >= kShotsPerGame) {
            *error = path + " names " + p.name + ", which has no painting";
            return false;
        }
        const Canvas picture = p.shot < 0 ? icons[p.game]() : shots[p.game](p.shot);
        const std::vector<uint8_t> rgba = picture.toRgba();
        PngWriteOptions options;
        options.compressionLevel = 9;
        PackInput entry{p.name, {}, PackStorage::kAuto};
        if (!encodePng(rgba.data(), picture.width(), picture.height(), options, &entry.bytes)) {
            *error = "cannot encode " + p.name;
            return false;
        }
        entries->push_back(std::move(entry));
    }
    return true;
}
