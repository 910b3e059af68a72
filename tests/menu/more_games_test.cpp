// The cross-promotion list: reading "/kvmoregames.txt" (damaged lists are the fuzz target's), and
// the icon list's fixed-point scrolling with its snapping and bounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "menu/more_games.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"
#include "tools/writers/pack_writer.h"

namespace {

class MoreGamesList : public ::testing::Test {
protected:
    void TearDown() override {
        unloadMoreGames();
        // The game of this process keeps reading its own pack.
        if (harness::started() && g_platform.packPath) openPack(g_platform.packPath);
        else closePack();
    }
    // Loads the list from a pack holding text as "/kvmoregames.txt" (no such entry for null).
    static bool load(const char* text) {
        std::vector<PackInput> entries = {{"/other.txt", {'x'}}};
        if (text) entries.push_back({kMoreGamesFile, {text, text + std::strlen(text)}});
        const std::string path = zvtest::makeTempFolder() + kPackFileName;
        std::string error;
        EXPECT_TRUE(writePackFile(path.c_str(), entries, &error)) << error;
        EXPECT_TRUE(openPack(path.c_str()));
        return loadMoreGames();
    }
};

TEST_F(MoreGamesList, CountAloneGivesEmptyGamesWithoutScreenshots) {
    ASSERT_TRUE(load("mg_numgames:2"));
    const MoreGamesData* d = moreGamesData();
    ASSERT_EQ(d->count, 2);
    for (const MoreGame& g : {d->games[0], d->games[1]}) {
        EXPECT_EQ(std::string(g.name) + g.description + g.link, "");
        EXPECT_EQ(g.screenCount, 0);
        EXPECT_EQ(g.icon, nullptr);
        EXPECT_EQ(g.screens[0], nullptr);
    }
    EXPECT_STREQ(d->title, "");
    EXPECT_EQ(d->components, nullptr);
}

TEST_F(MoreGamesList, ValuesSkipTheSpacesAfterTheColonAndTheLastLineWins) {
    ASSERT_TRUE(load("mg_text_title_en:   More games\r\nmg_numgames: 1\n"
                     "mg_game0_name_en:\tFirst\nmg_game0_name_en: Second\n"
                     "mg_game0_link: https://example.com/x\n"
                     "Mg_game0_description_en: wrong case\n"));
    const MoreGamesData* d = moreGamesData();
    EXPECT_STREQ(d->title, "More games");
    ASSERT_EQ(d->count, 1);
    EXPECT_STREQ(d->games[0].name, "Second");
    EXPECT_STREQ(d->games[0].link, "https://example.com/x");
    EXPECT_STREQ(d->games[0].description, "");
}

TEST_F(MoreGamesList, MissingFileLeavesThePageEmptyAndHugeCountsAreCut) {
    EXPECT_FALSE(load(nullptr));
    EXPECT_EQ(moreGamesData()->count, 0);
    EXPECT_STREQ(moreGamesData()->title, "");

    ASSERT_TRUE(
        load("mg_numgames: 4000000000\nmg_game31_name_en: last\nmg_game1_numscreens: 999\n"));
    EXPECT_EQ(moreGamesData()->count, kMaxMoreGames);
    EXPECT_STREQ(moreGamesData()->games[31].name, "last");
    EXPECT_EQ(moreGamesData()->games[1].screenCount, 999);  // only the first 8 are looked up

    // Pictures that are missing or no pictures leave their places empty.
    ASSERT_TRUE(load("mg_numgames: 1\nmg_game0_icon: other.txt\nmg_game0_numscreens: 3\n"
                     "mg_game0_screen0: \nmg_game0_screen1: missing\nmg_game0_screen2: /x.png\n"));
    const MoreGame& game = moreGamesData()->games[0];
    EXPECT_EQ(game.screenCount, 3);
    for (const Sprite* picture : {game.icon, game.screens[0], game.screens[1], game.screens[2]})
        EXPECT_EQ(picture, nullptr);
}

TEST_F(MoreGamesList, TheGamesOwnListHasItsPicturesAndOneWithoutComponentsLeavesOnATap) {
    ASSERT_TRUE(openPack((std::string(ZV_BINARY_DIR) + "/" + kPackFileName).c_str()));
    ASSERT_TRUE(loadMoreGames());
    const MoreGamesData* d = moreGamesData();
    ASSERT_GE(d->count, 2);
    EXPECT_NE(d->components, nullptr);
    for (int i = 0; i < d->count; ++i) EXPECT_NE(d->games[i].icon, nullptr) << i;

    // Loading again lets the pictures go; without its components the page shows "..." and any
    // tap leaves it.
    ASSERT_TRUE(load("mg_numgames:2"));
    moreGamesStart();
    EXPECT_EQ(moreGamesScreen()->failure, kMoreGamesNoComponents);
    Graphics g(nullptr, nullptr, kLogicalScreenWidth, kLogicalScreenHeight);
    moreGamesDraw(&g);
    moreGamesUpdate(16);
    EXPECT_FALSE(moreGamesFinished());
    moreGamesPointerPress(10, 10);
    moreGamesPointerRelease(10, 10);
    moreGamesUpdate(16);
    EXPECT_TRUE(moreGamesFinished());
}

constexpr int32_t kPitch = 64;

MoreGamesScreen listOf(int32_t position, int32_t velocity) {
    MoreGamesScreen s{};
    s.pitch = kPitch;
    s.position = position;
    s.velocity = velocity;
    return s;
}

// One 16 ms step of a list of `count` items, 64 px apart, from a position (16.16) and velocity.
struct ScrollCase {
    const char* name;
    int32_t position, velocity, count;
    int32_t dragTo;  // a finger that went from y 200 to here; 0: none
    int32_t endPosition, endVelocity, endItem;
};

class MoreGamesScroll : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(MoreGamesScroll, OneStep) {
    const ScrollCase& c = GetParam();
    MoreGamesScreen s = listOf(c.position, c.velocity);
    if (c.dragTo) {
        s.dragging = true;
        s.dragStartPosition = s.position;
        s.dragStartY = 200;
        s.latestY = c.dragTo;
    }
    moreGamesScrollStep(&s, c.count, 16);
    EXPECT_EQ(s.position, c.endPosition);
    EXPECT_EQ(s.velocity, c.endVelocity);
    EXPECT_EQ(s.current, c.endItem);
    if (!c.dragTo && c.endVelocity == 0 && c.endPosition % (kPitch << 16) == 0) {
        moreGamesScrollStep(&s, c.count, 16);  // at rest in the middle of its item: no push
        EXPECT_EQ(s.position, c.endPosition);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, MoreGamesScroll,
    ::testing::Values(
        // The finger went up 50 px: the list moves on, to item 2 (114 px and half a pitch).
        ScrollCase{"DraggingMovesAgainstTheFinger", kPitch << 16, 0, 5, 150, (kPitch + 50) << 16,
                   0, 2},
        ScrollCase{"CrossingAnItemSlowlySnapsExactly", ((kPitch / 2) << 16) - 1000, -70000, 10, 0,
                   kPitch << 16, 0, 1},
        ScrollCase{"TheStartHoldsTheList", -(200 << 16), 100000, 3, 0, -((kPitch / 2) << 16), 0,
                   0},
        ScrollCase{"TheEndHoldsTheList", 1000 << 16, -100000, 3, 0,
                   ((3 * kPitch - kPitch / 2) << 16) - 1, 0, 2},
        // An empty list ends where it starts: held at its end, on item 0.
        ScrollCase{"AnEmptyListStaysAtItsStart", 0, 0, 0, 0, -((kPitch / 2) << 16) - 1, 0, 0}),
    [](const ::testing::TestParamInfo<ScrollCase>& param) { return param.param.name; });

TEST(MoreGamesFling, SlowsDownSnapsToAnItemAndNeverOverflows) {
    MoreGamesScreen s = listOf(0, -1000000);  // upwards through the list
    int32_t items = 0, last = 0;
    for (int frame = 0; frame < 600; ++frame) {
        moreGamesScrollStep(&s, 10, 16);
        items += s.current != last;
        last = s.current;
    }
    EXPECT_GT(items, 0);
    // It settles on the middle of an item: within a pixel, no longer changing item.
    EXPECT_LE(std::abs(s.position - s.current * (kPitch << 16)), 1 << 16);
    for (int frame = 0; frame < 100; ++frame) {
        moreGamesScrollStep(&s, 10, 16);
        ASSERT_EQ(s.current, last);
    }

    s = listOf(0, 2000000000);
    for (int frame = 0; frame < 2000; ++frame) moreGamesScrollStep(&s, 4, 250);
    EXPECT_GE(s.current, 0);
    EXPECT_LE(s.current, 3);
    EXPECT_GE(s.position, -((kPitch / 2) << 16));
    EXPECT_LT(s.position, (4 * kPitch) << 16);
}

}  // namespace
