// The HUD, menu and cross-promotion sprites: the frames the game's screens name exist, the states
// of a button line up, turning rings turn about their buttons, and the frames drawn by the game's
// own sprite code land where the HUD and the screens place them.
#include <gtest/gtest.h>

#include <vector>

#include "asset_test_util.h"
#include "tools/assets/game_fonts.h"
#include "tools/assets/hud_sprite.h"
#include "tools/assets/menu_frames.h"
#include "tools/assets/menu_sprite.h"
#include "tools/assets/more_games.h"

namespace {

constexpr uint32_t kGrey = 0x808080;  // cleared screen: dark shadows and light faces both show

struct Box {
    int left, top, right, bottom;
};

class MenuArt : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(buildHudSprite(&hud_, &error)) << error;
        ASSERT_TRUE(buildMenuSprite(&menu_, &error)) << error;
        ASSERT_TRUE(buildMoreGamesSprite(&page_, &error)) << error;
    }
    void SetUp() override {
        ASSERT_TRUE(screen_.open());
        std::vector<PackInput> entries = assettest::spriteEntries("/hud", hud_);
        for (const PackInput& e : assettest::spriteEntries("/menu_main", menu_))
            entries.push_back(e);
        for (const PackInput& e : assettest::spriteEntries("/mgcomponents", page_))
            entries.push_back(e);
        ASSERT_TRUE(assettest::openEntries(entries));
        hudSprite_ = loadSprite("/hud.spr");
        menuSprite_ = loadSprite("/menu_main.spr");
        pageSprite_ = loadSprite("/mgcomponents.spr");
        ASSERT_TRUE(hudSprite_ && menuSprite_ && pageSprite_);
    }
    void TearDown() override {
        destroySprite(hudSprite_);
        destroySprite(menuSprite_);
        destroySprite(pageSprite_);
        closePack();
    }
    static Box bounds(const Sprite* s, int frame) {
        Box b{0, 0, 0, 0};
        EXPECT_TRUE(frameBounds(s, frame, &b.left, &b.top, &b.right, &b.bottom))
            << "frame " << frame;
        return b;
    }
    static void expectSameBox(const Sprite* s, int a, int b) {
        const Box x = bounds(s, a), y = bounds(s, b);
        EXPECT_TRUE(x.left == y.left && x.top == y.top && x.right == y.right &&
                    x.bottom == y.bottom)
            << "frames " << a << " and " << b << " differ in place or size";
    }

    static art::BuiltSprite hud_, menu_, page_;
    assettest::Screen screen_;
    Sprite* hudSprite_ = nullptr;
    Sprite* menuSprite_ = nullptr;
    Sprite* pageSprite_ = nullptr;
};
art::BuiltSprite MenuArt::hud_, MenuArt::menu_, MenuArt::page_;

TEST_F(MenuArt, HudFramesDrawInTheCornersTheHudUses) {
    ASSERT_GE(hudSprite_->frameCount, kHudFrameCount);
    struct Placement {
        int frame, x, y, anchor;
        Box expected;  // where the frame must show, and nothing outside the screen
    };
    const Placement places[] = {
        {kHudPauseUp, 460, 20, kAnchorCenter, {440, 0, 480, 40}},  // inside the 40 x 40 zone
        {kHudPauseHeld, 460, 20, kAnchorCenter, {440, 0, 480, 40}},
        {kHudNearMissLeft, 0, 0, kAnchorTopLeft, {0, 0, 240, 64}},
        {kHudNearMissRight, 480, 0, kAnchorTop | kAnchorRight, {240, 0, 480, 64}},
        {kHudShrub, 0, 320, kAnchorLeft | kAnchorBottom, {0, 256, 64, 320}},
        {kHudCoin, 0, 320, kAnchorLeft | kAnchorBottom, {0, 256, 64, 320}},
        {kHudTimesTwo, 0, 320, kAnchorLeft | kAnchorBottom, {0, 256, 64, 320}},
        {kHudTimesThree, 0, 320, kAnchorLeft | kAnchorBottom, {0, 256, 64, 320}},
    };
    for (const Placement& p : places) {
        screen_.clear(0xFF000000u | kGrey);
        paintFrame(hudSprite_, screen_.g(), p.x, p.y, p.frame, 0, p.anchor, kTransformNone);
        ASSERT_TRUE(screen_.capture());
        const Box& e = p.expected;
        const int inside =
            screen_.changedPixels(e.left, e.top, e.right - e.left, e.bottom - e.top, kGrey);
        EXPECT_GT(inside, 200) << "frame " << p.frame << " shows in its place";
        EXPECT_EQ(screen_.changedPixels(0, 0, 480, 320, kGrey), inside)
            << "frame " << p.frame << " strays";
    }
    // The flashes reach into their own corner.
    screen_.clear(0xFF000000u | kGrey);
    paintFrame(hudSprite_, screen_.g(), 480, 0, kHudNearMissRight, 0, kAnchorTop | kAnchorRight, 0);
    ASSERT_TRUE(screen_.capture());
    EXPECT_GT(screen_.changedPixels(470, 0, 10, 10, kGrey), 50);
}

TEST_F(MenuArt, EveryFrameTheScreensUseDrawsSomething) {
    ASSERT_GE(menuSprite_->frameCount, kMenuMainFrameCount);
    for (int f = 0; f < kMenuMainFrameCount; ++f) {
        const Box b = bounds(menuSprite_, f);
        screen_.clear(0xFF000000u | kGrey);
        paintFrame(menuSprite_, screen_.g(), 10 - b.left, 10 - b.top, f, 0, kAnchorTopLeft, 0);
        ASSERT_TRUE(screen_.capture());
        const int area = (b.right - b.left) * (b.bottom - b.top);
        EXPECT_GT(screen_.changedPixels(10, 10, b.right - b.left, b.bottom - b.top, kGrey),
                  area / 20)
            << "frame " << f << " is (nearly) empty";
    }
    for (int f : {kMgBackPressed, kMgBack, kMgNoIcon, kMgGet, kMgIconShadow, kMgShotBorder,
                  kMgColumnTop, kMgColumnMiddle, kMgColumnBottom}) {
        bounds(pageSprite_, f);
    }
}

TEST_F(MenuArt, ButtonStatesAndBackgroundsShareOneBox) {
    const int pairs[][2] = {
        {kMenuOnline, kMenuOnlinePressed},       {kMenuAchievements, kMenuAchievementsPressed},
        {kMenuHowToPlay, kMenuHowToPlayPressed}, {kMenuAbout, kMenuAboutPressed},
        {kMenuSound, kMenuSoundPressed},         {kMenuMoreGames, kMenuMoreGamesPressed},
        {kMenuBack, kMenuBackPressed},           {kMenuCheckboxOff, kMenuCheckboxOn},
        {kMenuStarLocked, kMenuStarUnlocked},    {kMenuStarLocked, kMenuStarSparkle}};
    for (const auto& p : pairs) expectSameBox(menuSprite_, p[0], p[1]);
    expectSameBox(pageSprite_, kMgBack, kMgBackPressed);
    for (int f = kMenuResume; f <= kMenuQuitRunPressed; ++f)
        expectSameBox(menuSprite_, kMenuWidePlateShadow, f);
    for (int f : {19, 20, 21, 22, 23, 24, 44, 45, 46, 47})
        expectSameBox(menuSprite_, kMenuPlateShadow, f);
    // Game-over buttons stand 160 pixels apart, the question's two buttons 140.
    const Box plate = bounds(menuSprite_, kMenuPlateShadow);
    EXPECT_LT(plate.right - plate.left, 140);
}

TEST_F(MenuArt, TurningRingsCircleTheirButtonsAndKeepClearOfNeighbours) {
    const int rings[][2] = {{kMenuSpinRing, kMenuAchievements}, {kMenuBackSpinRing, kMenuBack}};
    for (const auto& r : rings) {
        const Box ring = bounds(menuSprite_, r[0]), button = bounds(menuSprite_, r[1]);
        EXPECT_EQ(ring.left + ring.right, button.left + button.right)
            << "ring " << r[0] << " centre x";
        EXPECT_EQ(ring.top + ring.bottom, button.top + button.bottom)
            << "ring " << r[0] << " centre y";
        EXPECT_GT(ring.right - ring.left, button.right - button.left);
    }
    const Box ring = bounds(menuSprite_, kMenuSpinRing);
    EXPECT_LE(ring.right - ring.left, 96) << "the main screen's buttons are 96 pixels apart";
}

TEST_F(MenuArt, SliderAndCrossPromotionPanelFitTheScreen) {
    // The volume slider: icon, a gap of a fifth of it, the track; centred at x = 240.
    const int icon = frameWidth(menuSprite_, kMenuSliderIcon),
              track = frameWidth(menuSprite_, kMenuSliderTrack);
    EXPECT_LE(icon + icon / 5 + track, 440);
    EXPECT_GE(frameHeight(menuSprite_, kMenuSliderKnob),
              frameHeight(menuSprite_, kMenuSliderTrack));

    // The page's panel leaves the icon list its touch strip (7/4 of a 57-pixel icon) and holds
    // two bordered screenshots side by side.
    const int panel = frameWidth(pageSprite_, kMgColumnTop);
    EXPECT_EQ(frameWidth(pageSprite_, kMgColumnMiddle), panel);
    EXPECT_EQ(frameWidth(pageSprite_, kMgColumnBottom), panel);
    EXPECT_GE(468 - panel, kPromotedIconSide * 14 / 8);
    EXPECT_LE(2 * frameWidth(pageSprite_, kMgShotBorder), panel);
    EXPECT_EQ(frameWidth(pageSprite_, kMgIconShadow), kPromotedIconSide);

    // The back button sits inside the title line, whose height is the large font's line + 2.
    std::vector<PackInput> fonts;
    std::string error;
    ASSERT_TRUE(addGameFonts(&fonts, &error)) << error;
    const PackInput& large = fonts[4];
    ASSERT_EQ(large.name, "/flarge.spr");
    uint8_t* data = new uint8_t[large.bytes.size()];
    std::copy(large.bytes.begin(), large.bytes.end(), data);
    Sprite* font = parseSprite(data, large.bytes.size());
    ASSERT_NE(font, nullptr);
    EXPECT_LE(frameHeight(pageSprite_, kMgBack), lineHeight(font) + 2);
    destroySprite(font);
}

}  // namespace
