// The built pack as the game sees it: every entry loads through the game's own readers (sprites
// with their pictures, fonts, texts), every 2D file the game asks for is there, and the
// cross-promotion list holds every key its page reads and names pictures that load as the page
// loads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "asset_test_util.h"
#include "menu/text_tables.h"
#include "storage/kv_text.h"
#include "tools/assets/more_games.h"

namespace {

class PackContents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screen_.open());
        ASSERT_TRUE(assettest::openEntries(assettest::fullBuild().entries));
    }
    void TearDown() override {
        unloadText();
        unloadTexts();
        closePack();
    }
    assettest::Screen screen_;
};

TEST_F(PackContents, HoldsWhatTheGameAsksForAndEveryEntryLoadsThroughTheGamesReaders) {
    std::set<std::string> names;
    for (int i = 0; i < packEntryCount(); ++i)
        names.insert(std::string("/") + packEntryName(i, nullptr));
    ASSERT_EQ(names.size(), assettest::fullBuild().entries.size()) << "entries lost or doubled";
    for (const char* wanted :
         {"/hud", "/flarge", "/fmed", "/fsmall", "/menu_main", "/mgcomponents"})
        for (const char* ext : {".spr", ".png"})  // a sprite and the picture its loader asks for
            EXPECT_EQ(names.count(wanted + std::string(ext)), 1u) << wanted << ext;
    EXPECT_EQ(names.count(kMenuTextFile), 1u);
    int sprites = 0;
    for (const std::string& name : names) {
        uint8_t* bytes = loadEntry(name.c_str());
        ASSERT_NE(bytes, nullptr) << name << " does not unpack";
        delete[] bytes;
        const std::string stem = name.substr(0, name.rfind('.')), ext = name.substr(stem.size());
        if (ext != ".spr" && (ext != ".png" || names.count(stem + ".spr"))) continue;
        Sprite* sprite = loadSprite(name.c_str());
        ASSERT_NE(sprite, nullptr) << name;
        ASSERT_NE(sprite->pictures[0][0], nullptr) << name << ": its picture did not load";
        EXPECT_GT(frameWidth(sprite, 0) + frameHeight(sprite, 0), 0) << name;
        if (stem == "/fsmall" || stem == "/fmed" || stem == "/flarge") {
            const uint16_t word[] = {'Z', 'o', 'r', 'v', 'a', 'n', 'e'};
            EXPECT_TRUE(isFont(sprite)) << name;
            EXPECT_GT(stringWidth(sprite, word, 0, 7), 30) << name;
        }
        destroySprite(sprite);
        ++sprites;
    }
    EXPECT_GE(sprites, 6 + 6) << "six sprites, two or three games' icons and screenshots";
    ASSERT_TRUE(loadTexts());
    int length = 0;
    getText(18, 0, &length);
    EXPECT_GT(length, 200) << "the how-to-play page";
}

TEST_F(PackContents, TheCrossPromotionListHoldsWhatItsPageReads) {
    ASSERT_TRUE(loadText(kMoreGamesFile));
    auto value = [](const char* pattern, int i = 0, int j = 0) {
        char key[64], out[kTextFieldBytes];
        std::snprintf(key, sizeof key, pattern, i, j);
        textValue(key, out);
        return std::string(out);
    };
    // A picture entry loaded as the page loads it: a sprite of one frame, its width and height.
    auto picture = [](const std::string& name) {
        Sprite* s = loadSprite(name.c_str());
        if (!s) return std::pair(0, 0);
        EXPECT_TRUE(isPictureOnly(s)) << name;
        const std::pair size(frameWidth(s, 0), frameHeight(s, 0));
        destroySprite(s);
        return size;
    };
    const int games = textInteger("mg_numgames");
    ASSERT_TRUE(games >= 2 && games <= 3) << games;
    EXPECT_FALSE(value("mg_text_title_en").empty());
    EXPECT_FALSE(value("mg_text_back_en").empty());
    std::set<std::string> names;
    for (int i = 0; i < games; ++i) {
        SCOPED_TRACE("game " + std::to_string(i));
        EXPECT_TRUE(names.insert(value("mg_game%d_name_en", i)).second) << "a name repeats";
        const size_t description = value("mg_game%d_description_en", i).size();
        EXPECT_TRUE(description > 40 && description < kTextFieldBytes - 1u) << "not cut at 255";
        EXPECT_EQ(value("mg_game%d_link", i).rfind("https://example.com/", 0), 0u);
        EXPECT_EQ(picture(value("mg_game%d_icon", i)),
                  std::pair(kPromotedIconSide, kPromotedIconSide));
        ASSERT_EQ(value("mg_game%d_numscreens", i), "2");
        for (int j = 0; j < 2; ++j) {
            const auto [w, h] = picture(value("mg_game%d_screen%d", i, j));
            EXPECT_TRUE(w > 0 && w * 2 == h * 3) << "screenshots have the screen's 3:2 shape";
        }
    }
    EXPECT_EQ(names.count(""), 0u);
}

TEST(MoreGamesList, NamingAPictureThatHasNoPaintingIsRefused) {
    const std::string folder = zvtest::makeTempFolder();
    ASSERT_TRUE(zvtest::writeFile(folder + kMoreGamesSource,
                                  "mg_numgames: 5\nmg_game4_icon: /mg_game4_icon.png\n"));
    std::vector<PackInput> entries;
    std::string error;
    EXPECT_FALSE(addMoreGames(folder, &entries, &error));
    EXPECT_NE(error.find("mg_game4_icon.png"), std::string::npos) << error;
    EXPECT_EQ(moreGamesFileNames("mg_numgames: 1\nmg_game0_icon: /a.png\nmg_game0_numscreens: 1\n"
                                 "mg_game0_screen0: /b.png\n"),
              (std::vector<std::string>{"/a.png", "/b.png"}));
}

}  // namespace
