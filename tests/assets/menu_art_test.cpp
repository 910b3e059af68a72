// The HUD, menu and cross-promotion sprites: the frames the game's screens name exist and draw,
// with the game's own sprite code, where the HUD and the screens place them; the states of a
// button line up; turning rings turn about their buttons; and the panels fit the screen.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "asset_test_util.h"
#include "tools/assets/game_fonts.h"
#include "tools/assets/hud_sprite.h"
#include "tools/assets/menu_frames.h"
#include "tools/assets/menu_sprite.h"
#include "tools/assets/more_games.h"

namespace {

constexpr uint32_t kGrey = 0x808080;  // cleared screen: dark shadows and light faces both show

using Box = std::array<int, 4>;  // left, top, right, bottom

class MenuArt : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::vector<PackInput> entries = [] {
            art::BuiltSprite hud, menu, page;
            std::vector<PackInput> all;
            std::string error;
            EXPECT_TRUE(buildHudSprite(&hud, &error) && buildMenuSprite(&menu, &error) &&
                        buildMoreGamesSprite(&page, &error) && addGameFonts(&all, &error))
                << error;
            for (const auto& more : {assettest::spriteEntries("/hud", hud),
                                     assettest::spriteEntries("/menu_main", menu),
                                     assettest::spriteEntries("/mgcomponents", page)})
                all.insert(all.end(), more.begin(), more.end());
            return all;
        }();
        ASSERT_TRUE(screen_.open());
        ASSERT_TRUE(assettest::openEntries(entries));
        hud_ = loadSprite("/hud.spr");
        menu_ = loadSprite("/menu_main.spr");
        page_ = loadSprite("/mgcomponents.spr");
        ASSERT_TRUE(hud_ && menu_ && page_);
    }
    void TearDown() override {
        for (Sprite* s : {hud_, menu_, page_}) destroySprite(s);
        closePack();
    }
    static Box bounds(const Sprite* s, int frame) {
        Box b{};
        EXPECT_TRUE(frameBounds(s, frame, &b[0], &b[1], &b[2], &b[3])) << "frame " << frame;
        return b;
    }
    // Pixels changed by drawing the frame at (x, y) on a grey screen, inside the box and in all.
    std::pair<int, int> draw(Sprite* s, int frame, int x, int y, int anchor, Box inside) {
        screen_.clear(0xFF000000u | kGrey);
        paintFrame(s, screen_.g(), x, y, frame, 0, anchor, kTransformNone);
        EXPECT_TRUE(screen_.capture());
        return {screen_.changedPixels(inside[0], inside[1], inside[2] - inside[0],
                                      inside[3] - inside[1], kGrey),
                screen_.changedPixels(0, 0, 480, 320, kGrey)};
    }
    assettest::Screen screen_;
    Sprite *hud_ = nullptr, *menu_ = nullptr, *page_ = nullptr;
};

TEST_F(MenuArt, HudFramesDrawInThePlacesTheHudGivesThem) {
    ASSERT_GE(hud_->frameCount, kHudFrameCount);
    const int bottomLeft = kAnchorLeft | kAnchorBottom;
    const struct {
        int frame, x, y, anchor;
        Box place;  // where the frame must show, and nothing outside it
    } places[] = {
        {kHudPauseUp, 460, 20, kAnchorCenter, {440, 0, 480, 40}},  // inside the 40 x 40 zone
        {kHudPauseHeld, 460, 20, kAnchorCenter, {440, 0, 480, 40}},
        {kHudNearMissLeft, 0, 0, kAnchorTopLeft, {0, 0, 240, 64}},
        {kHudNearMissRight, 480, 0, kAnchorTop | kAnchorRight, {240, 0, 480, 64}},
        {kHudNearMissRight, 480, 0, kAnchorTop | kAnchorRight, {470, 0, 480, 10}},  // its corner
        {kHudShrub, 0, 320, bottomLeft, {0, 256, 64, 320}},
        {kHudCoin, 0, 320, bottomLeft, {0, 256, 64, 320}},
        {kHudTimesTwo, 0, 320, bottomLeft, {0, 256, 64, 320}},
        {kHudTimesThree, 0, 320, bottomLeft, {0, 256, 64, 320}},
    };
    for (const auto& p : places) {
        const auto [inside, all] = draw(hud_, p.frame, p.x, p.y, p.anchor, p.place);
        const int area = (p.place[2] - p.place[0]) * (p.place[3] - p.place[1]);
        EXPECT_GT(inside, std::min(200, area / 2)) << "frame " << p.frame << " shows in place";
        if (area > 100) {
            EXPECT_EQ(all, inside) << "frame " << p.frame << " strays";
        }
    }
}

TEST_F(MenuArt, EveryFrameTheScreensUseDrawsSomething) {
    ASSERT_GE(menu_->frameCount, kMenuMainFrameCount);
    for (int f = 0; f < kMenuMainFrameCount; ++f) {
        const Box b = bounds(menu_, f);
        const Box at = {10, 10, 10 + b[2] - b[0], 10 + b[3] - b[1]};
        EXPECT_GT(draw(menu_, f, 10 - b[0], 10 - b[1], kAnchorTopLeft, at).first,
                  (at[2] - at[0]) * (at[3] - at[1]) / 20) << "frame " << f << " is (nearly) empty";
    }
    for (int f : {kMgBackPressed, kMgBack, kMgNoIcon, kMgGet, kMgIconShadow, kMgShotBorder,
                  kMgColumnTop, kMgColumnMiddle, kMgColumnBottom})
        bounds(page_, f);
}

TEST_F(MenuArt, ButtonStatesShareOneBoxRingsTurnAboutTheirButtonsAndPanelsFit) {
    std::vector<std::array<int, 2>> same = {
        {kMenuOnline, kMenuOnlinePressed},       {kMenuAchievements, kMenuAchievementsPressed},
        {kMenuHowToPlay, kMenuHowToPlayPressed}, {kMenuAbout, kMenuAboutPressed},
        {kMenuSound, kMenuSoundPressed},         {kMenuMoreGames, kMenuMoreGamesPressed},
        {kMenuBack, kMenuBackPressed},           {kMenuCheckboxOff, kMenuCheckboxOn},
        {kMenuStarLocked, kMenuStarUnlocked},    {kMenuStarLocked, kMenuStarSparkle}};
    for (int f = kMenuResume; f <= kMenuQuitRunPressed; ++f)
        same.push_back({kMenuWidePlateShadow, f});
    for (int f : {19, 20, 21, 22, 23, 24, 44, 45, 46, 47}) same.push_back({kMenuPlateShadow, f});
    for (const auto& [a, b] : same) EXPECT_EQ(bounds(menu_, a), bounds(menu_, b)) << a << ", " << b;
    EXPECT_EQ(bounds(page_, kMgBack), bounds(page_, kMgBackPressed));
    // Game-over buttons stand 160 pixels apart, the question's two buttons 140.
    const Box plate = bounds(menu_, kMenuPlateShadow);
    EXPECT_LT(plate[2] - plate[0], 140);

    for (const auto& [ring, button] : {std::array{kMenuSpinRing, kMenuAchievements},
                                       std::array{kMenuBackSpinRing, kMenuBack}}) {
        const Box r = bounds(menu_, ring), b = bounds(menu_, button);
        EXPECT_EQ(r[0] + r[2], b[0] + b[2]) << "ring " << ring << " centred across";
        EXPECT_EQ(r[1] + r[3], b[1] + b[3]) << "ring " << ring << " centred down";
        EXPECT_GT(r[2] - r[0], b[2] - b[0]);
    }
    EXPECT_LE(frameWidth(menu_, kMenuSpinRing), 96) << "the main screen's buttons are 96 apart";

    // The volume slider: icon, a gap of a fifth of it, the track; centred at x = 240.
    const int icon = frameWidth(menu_, kMenuSliderIcon);
    const int track = frameWidth(menu_, kMenuSliderTrack);
    EXPECT_LE(icon + icon / 5 + track, 440);
    EXPECT_GE(frameHeight(menu_, kMenuSliderKnob), frameHeight(menu_, kMenuSliderTrack));
    // The page's panel leaves the icon list its touch strip (7/4 of a 57-pixel icon) and holds
    // two bordered screenshots side by side.
    const int panel = frameWidth(page_, kMgColumnTop);
    EXPECT_EQ(frameWidth(page_, kMgColumnMiddle), panel);
    EXPECT_EQ(frameWidth(page_, kMgColumnBottom), panel);
    EXPECT_GE(468 - panel, kPromotedIconSide * 14 / 8);
    EXPECT_LE(2 * frameWidth(page_, kMgShotBorder), panel);
    EXPECT_EQ(frameWidth(page_, kMgIconShadow), kPromotedIconSide);
    // The back button sits inside the title line, whose height is the large font's line + 2.
    Sprite* large = loadSprite("/flarge.spr");
    ASSERT_NE(large, nullptr);
    EXPECT_LE(frameHeight(page_, kMgBack), lineHeight(large) + 2);
    destroySprite(large);
}

}  // namespace
