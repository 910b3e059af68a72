// The menu sprite. Buttons come in normal and pressed pictures of one size, so that whatever
// point a widget places its skins by, the states line up; turning rings are larger than their
// buttons and reach back by a negative offset, so they turn about the button's centre.
#include "tools/assets/menu_sprite.h"

#include <cmath>
#include <functional>

#include "tools/assets/art_style.h"
#include "tools/assets/menu_frames.h"

namespace {

using namespace art;

constexpr float kPi = 3.14159265358979f;

// Round buttons of the main screen.
constexpr int kRoundSide = 64;
constexpr float kRoundRadius = 28;
constexpr int kRingSide = 92;  // its ring turns about the centre of the 64 x 64 button
// The back button.
constexpr int kBackSide = 48;
constexpr float kBackRadius = 20;
constexpr int kBackRingSide = 72;
// Plates: the wide ones of the pause screen and the small ones of game over and the question.
constexpr int kWidePlateWidth = 216, kWidePlateHeight = 52;
constexpr int kPlateWidth = 132, kPlateHeight = 50;
// The text page panel, cut into corners, edges and a centre tile (it is too large to keep whole).
constexpr int kPanelCorner = 16;
constexpr int kPanelTileWidth = 140, kPanelTileHeight = 130;
constexpr int kPanelColumns = 3, kPanelRows = 2;
constexpr int kPanelWidth = 2 * kPanelCorner + kPanelColumns * kPanelTileWidth;  // 452
constexpr int kPanelHeight = 2 * kPanelCorner + kPanelRows * kPanelTileHeight;   // 292

using IconShape = std::function<Shape(float cx, float cy, float size)>;

Canvas roundButton(int side, float radius, const IconShape& shape, float iconSize, bool pressed) {
    Canvas c(side, side);
    const float cx = side * 0.5f, cy = side * 0.5f - 1.0f;
    paintRoundButton(&c, cx, cy, radius, pressed);
    const float sink = pressed ? 1.0f : 0.0f;
    c.fill(shape(cx, cy + sink, iconSize), solid(iconColour(pressed)));
    return c;
}

Canvas fireflyRing(int side, float radius, float dot, int dots) {
    Canvas c(side, side);
    paintFireflyRing(&c, side * 0.5f, side * 0.5f, radius, dot, dots);
    return c;
}

Canvas plate(int w, int h, bool pressed) {
    Canvas c(w, h);
    paintPlate(&c, 2, 2, static_cast<float>(w - 2), static_cast<float>(h - 6), pressed);
    return c;
}

Canvas plateShadow(int w, int h) {
    Canvas c(w, h);
    paintPlateShadow(&c, 2, 2, static_cast<float>(w - 2), static_cast<float>(h - 6));
    return c;
}

Canvas iconPicture(int side, const Shape& shape, const Colour& colour) {
    Canvas c(side, side);
    c.fill(shape, solid(colour));
    return c;
}

Canvas separator() {
    Canvas c(300, 10);
    c.fill(capsule(8, 5, 292, 5, 0.8f), [](float x, float) {
        const float t = std::sin(kPi * x / 300.0f);
        return withAlpha(gold(), 0.75f * t * t);
    });
    c.fill(polygon({150, 1, 154, 5, 150, 9, 146, 5}), solid(paleGold()));
    return c;
}

Canvas headingOrnament() {
    Canvas c(220, 14);
    for (float side : {-1.0f, 1.0f}) {
        const float x0 = 110 + side * 12, x1 = 110 + side * 104;
        c.fill(capsule(x0, 7, x1, 7, 0.7f),
               linear(x0, 0, withAlpha(gold(), 0.9f), x1, 0, withAlpha(gold(), 0.0f)));
        // A small leaf on each side, pointing away from the centre.
        const float lx = 110 + side * 20;
        c.fill(polygon({lx - side * 4, 7, lx + side * 3, 3, lx + side * 10, 7, lx + side * 3, 11}),
               solid(fern()));
    }
    c.fill(star(110, 7, 6, 2, 4, 0), solid(paleGold()));
    return c;
}

Canvas starPicture(bool unlocked) {
    Canvas c(48, 48);
    const Shape shape = star(24, 25.5f, 19, 8.5f, 5, 0);
    c.softShadow(shape, 0, 2, 2, rgb(0x000000, 0.55f));
    if (unlocked) {
        c.fill(shape, linear(24, 6, paleGold(), 24, 42, amber()));
        c.fill(outline(grow(shape, -1.0f), 0.6f), solid(withAlpha(rgb(0xFFF6DA), 0.8f)));
        c.fill(intersect(grow(shape, -2.0f), ellipse(21, 17, 9, 6)), solid(rgb(0xFFFFFF, 0.3f)));
    } else {
        c.fill(shape, linear(24, 6, slate(), 24, 42, deepBlue()));
        c.fill(outline(grow(shape, -0.8f), 0.8f), solid(withAlpha(mistBlue(), 0.85f)));
    }
    return c;
}

// Rays and sparks around the unlocked star, clear in the middle so the star shows through.
Canvas starSparkle() {
    Canvas c(48, 48);
    const float cx = 24, cy = 25.5f;
    for (int i = 0; i < 8; ++i) {
        const float a = kPi * 2 * static_cast<float>(i) / 8 + kPi / 8;
        const float inner = 12, outer = i % 2 == 0 ? 23.0f : 19.0f, half = 0.09f;
        const float ax = cx + inner * std::cos(a - half), ay = cy + inner * std::sin(a - half);
        const float bx = cx + inner * std::cos(a + half), by = cy + inner * std::sin(a + half);
        const float tx = cx + outer * std::cos(a), ty = cy + outer * std::sin(a);
        c.fill(polygon({ax, ay, tx, ty, bx, by}),
               radial(cx, cy, outer, withAlpha(paleGold(), 0.9f), withAlpha(paleGold(), 0.1f)));
        if (i % 2 == 0) c.fill(star(tx, ty, 2.6f, 0.8f, 4, 0), solid(rgb(0xFFFBEA)));
    }
    return c;
}

Canvas rosette() {
    Canvas c(56, 56);
    const Shape burst = star(28, 28, 25, 20, 16, 0);
    c.softShadow(burst, 0, 2, 2, rgb(0x000000, 0.5f));
    c.fill(burst, linear(28, 3, paleGold(), 28, 53, amber()));
    c.fill(circle(28, 28, 15), radial(24, 23, 20, rgb(0xFFD37A), ember()));
    c.fill(star(28, 28.5f, 10, 4.2f, 5, 0), solid(rgb(0xFFF4D2)));
    return c;
}

Canvas achievementPanel() {
    Canvas c(300, 50);
    const Shape box = roundedRect(0.5f, 0.5f, 299.5f, 49.5f, 10);
    c.fill(box, linear(0, 0, withAlpha(deepBlue(), 0.6f), 0, 50, withAlpha(midnight(), 0.6f)));
    c.fill(outline(grow(box, -0.5f), 0.5f), solid(withAlpha(gold(), 0.35f)));
    return c;
}

Canvas checkbox(bool checked) {
    Canvas c(30, 30);
    const Shape box = roundedRect(3, 3, 27, 27, 6);
    c.softShadow(box, 0, 1.5f, 1, rgb(0x000000, 0.5f));
    c.fill(box, linear(0, 3, paleGold(), 0, 27, amber()));
    c.fill(roundedRect(5.5f, 5.5f, 24.5f, 24.5f, 4), linear(0, 5, midnight(), 0, 25, deepBlue()));
    if (checked) c.fill(icon::check(15, 15, 22), solid(paleGold()));
    return c;
}

Canvas sliderTrack() {
    Canvas c(224, 16);
    const Shape groove = roundedRect(2, 3, 222, 13, 5);
    c.fill(groove, solid(withAlpha(ink(), 0.85f)));
    // A ramp rising to the right: louder that way.
    c.fill(polygon({8, 10.5f, 216, 5.5f, 216, 10.5f}),
           linear(8, 0, withAlpha(gold(), 0.15f), 216, 0, withAlpha(gold(), 0.7f)));
    c.fill(outline(groove, 0.6f), solid(withAlpha(gold(), 0.55f)));
    return c;
}

Canvas sliderKnob() {
    Canvas c(28, 28);
    c.softShadow(circle(14, 13, 11), 0, 1.5f, 2, rgb(0x000000, 0.6f));
    c.fill(circle(14, 13, 11), linear(14, 2, paleGold(), 14, 24, amber()));
    c.fill(circle(14, 13, 8.5f), radial(12, 10, 12, rgb(0xFFF2CC), gold()));
    c.fill(circle(14, 13, 2.2f), solid(amber()));
    return c;
}

Canvas scrollArrow(bool up) {
    Canvas c(32, 32);
    c.fill(circle(16, 16, 13), solid(withAlpha(midnight(), 0.75f)));
    c.fill(outline(circle(16, 16, 12.4f), 0.6f), solid(withAlpha(gold(), 0.8f)));
    c.fill(icon::chevron(16, 16 + (up ? -1.0f : 1.0f), 20, up), solid(paleGold()));
    return c;
}

// Adds the text panel's pieces and returns its frame.
std::vector<SpritePiece> textPanel(SpriteSheet* sheet) {
    Canvas whole(kPanelWidth, kPanelHeight);
    const Shape box = roundedRect(0.5f, 0.5f, kPanelWidth - 0.5f, kPanelHeight - 0.5f, 14);
    whole.fill(box, solid(withAlpha(midnight(), 0.72f)));
    whole.fill(outline(grow(box, -1.0f), 0.6f), solid(withAlpha(gold(), 0.5f)));
    const int c = kPanelCorner, tw = kPanelTileWidth, th = kPanelTileHeight;
    const int right = kPanelWidth - c, bottom = kPanelHeight - c;
    const int topLeft = sheet->addPicture(whole.crop(0, 0, c, c));
    const int topRight = sheet->addPicture(whole.crop(right, 0, c, c));
    const int bottomLeft = sheet->addPicture(whole.crop(0, bottom, c, c));
    const int bottomRight = sheet->addPicture(whole.crop(right, bottom, c, c));
    const int top = sheet->addPicture(whole.crop(c, 0, tw, c));
    const int base = sheet->addPicture(whole.crop(c, bottom, tw, c));
    const int left = sheet->addPicture(whole.crop(0, c, c, th));
    const int rightEdge = sheet->addPicture(whole.crop(right, c, c, th));
    const int middle = sheet->addPicture(whole.crop(c, c, tw, th));
    std::vector<SpritePiece> pieces = {{topLeft, 0, 0},
                                       {topRight, right, 0},
                                       {bottomLeft, 0, bottom},
                                       {bottomRight, right, bottom}};
    for (int i = 0; i < kPanelColumns; ++i) {
        pieces.push_back({top, c + i * tw, 0});
        pieces.push_back({base, c + i * tw, bottom});
    }
    for (int j = 0; j < kPanelRows; ++j) {
        pieces.push_back({left, 0, c + j * th});
        pieces.push_back({rightEdge, right, c + j * th});
        for (int i = 0; i < kPanelColumns; ++i) pieces.push_back({middle, c + i * tw, c + j * th});
    }
    return pieces;
}

// A round button's two frames.
void addRoundButton(SpriteSheet* sheet, int normalFrame, const IconShape& shape, float iconSize) {
    for (int pressed = 0; pressed < 2; ++pressed) {
        sheet->setFrame(normalFrame + pressed,
                        sheet->addPicture(
                            roundButton(kRoundSide, kRoundRadius, shape, iconSize, pressed != 0)));
    }
}

// A plate button's two frames: the plate of its state with the icon at (iconX, iconY), centre.
void addPlateButton(SpriteSheet* sheet, int normalFrame, const int plates[2], int iconX, int iconY,
                    int iconSide, const IconShape& shape, const Colour& normalColour) {
    for (int pressed = 0; pressed < 2; ++pressed) {
        const Colour colour = pressed ? iconColour(true) : normalColour;
        const float mid = iconSide * 0.5f;
        const int picture =
            sheet->addPicture(iconPicture(iconSide, shape(mid, mid, iconSide * 0.8f), colour));
        sheet->setFrame(normalFrame + pressed,
                        {{plates[pressed], 0, 0},
                         {picture, iconX - iconSide / 2, iconY - iconSide / 2 + pressed}});
    }
}

}  // namespace

bool buildMenuSprite(art::BuiltSprite* out, std::string* error) {
    SpriteSheet sheet(512);

    addRoundButton(&sheet, kMenuOnline, icon::globe, 34);
    sheet.setFrame(kMenuNewBest, sheet.addPicture(rosette()));
    addRoundButton(&sheet, kMenuAchievements, icon::trophy, 36);
    addRoundButton(&sheet, kMenuHowToPlay, icon::question, 36);
    addRoundButton(&sheet, kMenuAbout, icon::info, 36);
    addRoundButton(
        &sheet, kMenuSound, [](float x, float y, float s) { return icon::speaker(x + 2, y, s, 2); },
        36);
    addRoundButton(&sheet, kMenuMoreGames, icon::grid, 32);
    const int ringOffset = -(kRingSide - kRoundSide) / 2;
    sheet.setFrame(kMenuSpinRing, {{sheet.addPicture(fireflyRing(kRingSide, 37, 3.2f, 12)),
                                    ringOffset, ringOffset}});

    for (int pressed = 0; pressed < 2; ++pressed) {
        sheet.setFrame(kMenuBack + pressed,
                       sheet.addPicture(
                           roundButton(kBackSide, kBackRadius, icon::arrowLeft, 24, pressed != 0)));
    }
    const int backRingOffset = -(kBackRingSide - kBackSide) / 2;
    sheet.setFrame(kMenuBackSpinRing,
                   {{sheet.addPicture(fireflyRing(kBackRingSide, 27.5f, 2.6f, 9)), backRingOffset,
                     backRingOffset}});

    // Pause screen: wide plates with the sign at the left, the button's text centred.
    const int widePlates[2] = {sheet.addPicture(plate(kWidePlateWidth, kWidePlateHeight, false)),
                               sheet.addPicture(plate(kWidePlateWidth, kWidePlateHeight, true))};
    sheet.setFrame(kMenuWidePlateShadow,
                   sheet.addPicture(plateShadow(kWidePlateWidth, kWidePlateHeight)));
    addPlateButton(&sheet, kMenuResume, widePlates, 32, 24, 30, icon::play, ivory());
    addPlateButton(&sheet, kMenuQuitRun, widePlates, 32, 24, 30, icon::home, ivory());

    // Game over and the question: small plates with a sign in the middle.
    const int plates[2] = {sheet.addPicture(plate(kPlateWidth, kPlateHeight, false)),
                           sheet.addPicture(plate(kPlateWidth, kPlateHeight, true))};
    sheet.setFrame(kMenuPlateShadow, sheet.addPicture(plateShadow(kPlateWidth, kPlateHeight)));
    const int mid = kPlateWidth / 2, midY = 23;
    addPlateButton(&sheet, kMenuRetry, plates, mid, midY, 34, icon::retry, ivory());
    addPlateButton(&sheet, kMenuLeaderboard, plates, mid, midY, 34, icon::podium, ivory());
    addPlateButton(&sheet, kMenuMainMenu, plates, mid, midY, 34, icon::home, ivory());
    addPlateButton(&sheet, kMenuYes, plates, mid, midY, 34, icon::check, fern());
    addPlateButton(&sheet, kMenuNo, plates, mid, midY, 34, icon::cross, rgb(0xF08A6E));

    sheet.setFrame(kMenuSeparator, sheet.addPicture(separator()));
    sheet.setFrame(kMenuStarLocked, sheet.addPicture(starPicture(false)));
    sheet.setFrame(kMenuStarUnlocked, sheet.addPicture(starPicture(true)));
    sheet.setFrame(kMenuStarSparkle, sheet.addPicture(starSparkle()));
    sheet.setFrame(kMenuAchievementPanel, sheet.addPicture(achievementPanel()));
    sheet.setFrame(kMenuCheckboxOff, sheet.addPicture(checkbox(false)));
    sheet.setFrame(kMenuCheckboxOn, sheet.addPicture(checkbox(true)));
    sheet.setFrame(kMenuHeadingOrnament, sheet.addPicture(headingOrnament()));
    sheet.setFrame(kMenuTextPanel, textPanel(&sheet));
    sheet.setFrame(kMenuSliderTrack, sheet.addPicture(sliderTrack()));
    sheet.setFrame(kMenuSliderKnob, sheet.addPicture(sliderKnob()));
    sheet.setFrame(kMenuSliderIcon,
                   sheet.addPicture(iconPicture(28, icon::speaker(15, 14, 26, 1), ivory())));
    sheet.setFrame(kMenuLoudIcon,
                   sheet.addPicture(iconPicture(28, icon::speaker(12, 14, 26, 2), ivory())));
    sheet.setFrame(kMenuArrowUp, sheet.addPicture(scrollArrow(true)));
    sheet.setFrame(kMenuArrowDown, sheet.addPicture(scrollArrow(false)));
    return sheet.build(out, error);
}
