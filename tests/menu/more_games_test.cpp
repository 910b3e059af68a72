// The cross-promotion list: reading "/kvmoregames.txt" (and surviving a damaged one), and the
// icon list's fixed-point scrolling with its snapping and bounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/platform_main.h"
#include "menu/more_games.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"
#include "tools/writers/pack_writer.h"

namespace {

class MoreGamesList : public ::testing::Test {
protected:
    void SetUp() override { folder_ = zvtest::makeTempFolder(); }
    void TearDown() override {
        unloadMoreGames();
        // The game of this process keeps reading its own pack.
        if (harness::started() && g_platform.packPath) openPack(g_platform.packPath);
        else closePack();
    }
    // A pack holding the list (or none when text is null) becomes the pack read.
    void usePack(const char* text, size_t size = 0) {
        std::vector<PackInput> entries;
        if (text) {
            const size_t n = size ? size : std::strlen(text);
            entries.push_back({"/kvmoregames.txt", std::vector<uint8_t>(text, text + n)});
        }
        entries.push_back({"/other.txt", {'x'}});
        std::string error;
        const std::string path = folder_ + "packres.bin";
        ASSERT_TRUE(writePackFile(path.c_str(), entries, &error)) << error;
        ASSERT_TRUE(openPack(path.c_str()));
    }
    std::string folder_;
};

TEST_F(MoreGamesList, CountAloneGivesEmptyGamesWithoutScreenshots) {
    usePack("mg_numgames:2");
    ASSERT_TRUE(loadMoreGames());
    const MoreGamesData* d = moreGamesData();
    ASSERT_EQ(d->count, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ(d->games[i].name, "");
        EXPECT_STREQ(d->games[i].description, "");
        EXPECT_STREQ(d->games[i].link, "");
        EXPECT_EQ(d->games[i].screenCount, 0);
        EXPECT_EQ(d->games[i].icon, nullptr);
        EXPECT_EQ(d->games[i].screens[0], nullptr);
    }
    EXPECT_STREQ(d->title, "");
    EXPECT_EQ(d->components, nullptr);
}

TEST_F(MoreGamesList, ValuesSkipTheSpacesAfterTheColonAndTheLastLineWins) {
    usePack("mg_text_title_en:   More games\r\n"
            "mg_numgames: 1\n"
            "mg_game0_name_en:\tFirst\n"
            "mg_game0_name_en: Second\n"
            "mg_game0_link: https://example.com/x\n"
            "Mg_game0_description_en: wrong case\n");
    ASSERT_TRUE(loadMoreGames());
    const MoreGamesData* d = moreGamesData();
    EXPECT_STREQ(d->title, "More games");
    ASSERT_EQ(d->count, 1);
    EXPECT_STREQ(d->games[0].name, "Second");
    EXPECT_STREQ(d->games[0].link, "https://example.com/x");
    EXPECT_STREQ(d->games[0].description, "");
}

TEST_F(MoreGamesList, MissingFileLeavesThePageEmptyAndHugeCountsAreCut) {
    usePack(nullptr);
    EXPECT_FALSE(loadMoreGames());
    EXPECT_EQ(moreGamesData()->count, 0);
    EXPECT_STREQ(moreGamesData()->title, "");

    usePack("mg_numgames: 4000000000\nmg_game31_name_en: last\nmg_game1_numscreens: 999\n");
    ASSERT_TRUE(loadMoreGames());
    EXPECT_EQ(moreGamesData()->count, kMaxMoreGames);
    EXPECT_STREQ(moreGamesData()->games[31].name, "last");
    EXPECT_EQ(moreGamesData()->games[1].screenCount, 999);  // only the first 8 are looked up
}

TEST_F(MoreGamesList, DamagedListsNeverBreakTheData) {
    const std::string good =
        "mg_numgames: 3\nmg_text_title_en: More games\nmg_text_back_en: Back\n"
        "mg_game0_name_en: A\nmg_game0_description_en: one two three\nmg_game0_link: l0\n"
        "mg_game1_name_en: B\nmg_game1_numscreens: 2\nmg_game1_screen0: \nmg_game2_name_en: "
        "C\n";
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (size_t cut = 1; cut <= good.size() + 40; cut += 3) {
        std::string bytes = good.substr(0, cut < good.size() ? cut : good.size());
        if (cut > good.size()) {
            // Damage: random bytes (NULs, colons, line ends, high bytes) at random places.
            for (int k = 0; k < 6; ++k)
                bytes[next() % bytes.size()] = static_cast<char>((next() >> 8) & 0xFF);
        }
        usePack(bytes.data(), bytes.size());
        loadMoreGames();
        const MoreGamesData* d = moreGamesData();
        ASSERT_GE(d->count, 0);
        ASSERT_LE(d->count, kMaxMoreGames);
        ASSERT_NE(d->title, nullptr);
        ASSERT_NE(d->backText, nullptr);
        for (int i = 0; i < d->count; ++i) {
            ASSERT_NE(d->games[i].name, nullptr);
            ASSERT_NE(d->games[i].description, nullptr);
            ASSERT_NE(d->games[i].link, nullptr);
            ASSERT_LT(std::strlen(d->games[i].name), 256u);
        }
    }
}

constexpr int32_t kPitch = 64;

MoreGamesScreen listOf(int32_t position) {
    MoreGamesScreen s{};
    s.pitch = kPitch;
    s.position = position;
    return s;
}

TEST(MoreGamesScroll, DraggingMovesAgainstTheFinger) {
    MoreGamesScreen s = listOf(kPitch << 16);
    s.dragging = true;
    s.dragStartPosition = s.position;
    s.dragStartY = 200;
    s.latestY = 150;  // the finger went up: the list moves on
    moreGamesScrollStep(&s, 5, 16);
    EXPECT_EQ(s.position, (kPitch + 50) << 16);
    EXPECT_EQ(s.current, 2);  // 114 px + half a pitch
}

TEST(MoreGamesScroll, AFlingSlowsDownAndSnapsToAnItem) {
    MoreGamesScreen s = listOf(0);
    s.velocity = -1000000;  // upwards through the list
    int32_t items = 0, last = 0;
    for (int frame = 0; frame < 600; ++frame) {
        moreGamesScrollStep(&s, 10, 16);
        if (s.current != last) ++items;
        last = s.current;
    }
    EXPECT_GT(items, 0);
    // It settles on the middle of an item: within a pixel, no longer changing item.
    EXPECT_LE(std::abs(s.position - s.current * (kPitch << 16)), 1 << 16);
    const int32_t settled = s.current;
    for (int frame = 0; frame < 100; ++frame) {
        moreGamesScrollStep(&s, 10, 16);
        ASSERT_EQ(s.current, settled);
    }
}

TEST(MoreGamesScroll, CrossingAnItemSlowlySnapsExactly) {
    MoreGamesScreen s = listOf(((kPitch / 2) << 16) - 1000);  // just before item 1 begins
    s.velocity = -70000;
    moreGamesScrollStep(&s, 10, 16);
    EXPECT_EQ(s.current, 1);
    EXPECT_EQ(s.velocity, 0);
    EXPECT_EQ(s.position, kPitch << 16);
    moreGamesScrollStep(&s, 10, 16);  // in the middle of its item nothing pushes
    EXPECT_EQ(s.position, kPitch << 16);
}

TEST(MoreGamesScroll, BoundsHoldTheListAndStopItsVelocity) {
    MoreGamesScreen s = listOf(-(200 << 16));
    s.velocity = 100000;
    moreGamesScrollStep(&s, 3, 16);
    EXPECT_EQ(s.position, -((kPitch / 2) << 16));
    EXPECT_EQ(s.velocity, 0);
    EXPECT_EQ(s.current, 0);

    s = listOf(1000 << 16);
    s.velocity = -100000;
    moreGamesScrollStep(&s, 3, 16);
    EXPECT_EQ(s.position, ((3 * kPitch - kPitch / 2) << 16) - 1);
    EXPECT_EQ(s.velocity, 0);
    EXPECT_EQ(s.current, 2);
}

TEST(MoreGamesScroll, VeryFastFlingsDoNotOverflow) {
    MoreGamesScreen s = listOf(0);
    s.velocity = 2000000000;
    for (int frame = 0; frame < 2000; ++frame) moreGamesScrollStep(&s, 4, 250);
    EXPECT_GE(s.current, 0);
    EXPECT_LE(s.current, 3);
    EXPECT_GE(s.position, -((kPitch / 2) << 16));
    EXPECT_LT(s.position, (4 * kPitch) << 16);
}

TEST(MoreGamesScroll, AnEmptyListStaysAtItsStart) {
    MoreGamesScreen s = listOf(0);
    moreGamesScrollStep(&s, 0, 16);
    EXPECT_EQ(s.current, 0);
}

}  // namespace
