// The cross-promotion list, read with the game's own key-value reader: every key the page reads
// is there, and every picture it names is in the pack and loads as the page loads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "asset_test_util.h"
#include "storage/kv_text.h"
#include "tools/assets/more_games.h"

namespace {

class MoreGames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screen_.open());
        std::string error;
        ASSERT_TRUE(addMoreGames(defaultAssetSourceFolder(), &entries_, &error)) << error;
        ASSERT_TRUE(assettest::openEntries(entries_));
        ASSERT_TRUE(loadText(kMoreGamesFile));
    }
    void TearDown() override {
        unloadText();
        closePack();
    }
    static std::string value(const std::string& key) {
        char out[kTextFieldBytes];
        textValue(key.c_str(), out);
        return out;
    }
    static std::string key(const char* pattern, int i, int j = 0) {
        char k[64];
        std::snprintf(k, sizeof k, pattern, i, j);
        return k;
    }
    // A picture entry loaded as the page loads it: a sprite of one frame.
    static void expectPicture(const std::string& name, int* w, int* h) {
        Sprite* s = loadSprite(name.c_str());
        ASSERT_NE(s, nullptr) << name;
        EXPECT_TRUE(isPictureOnly(s)) << name;
        *w = frameWidth(s, 0);
        *h = frameHeight(s, 0);
        destroySprite(s);
    }
    std::vector<PackInput> entries_;
    assettest::Screen screen_;
};

TEST_F(MoreGames, EveryGameHasTheKeysThePageReadsAndItsPicturesLoad) {
    const int games = textInteger("mg_numgames");
    ASSERT_GE(games, 2);
    ASSERT_LE(games, 3);
    EXPECT_FALSE(value("mg_text_title_en").empty());
    EXPECT_FALSE(value("mg_text_back_en").empty());
    std::set<std::string> names;
    for (int i = 0; i < games; ++i) {
        SCOPED_TRACE("game " + std::to_string(i));
        const std::string name = value(key("mg_game%d_name_en", i));
        EXPECT_FALSE(name.empty());
        EXPECT_TRUE(names.insert(name).second) << "two games named " << name;
        const std::string description = value(key("mg_game%d_description_en", i));
        EXPECT_GT(description.size(), 40u);
        EXPECT_LT(description.size(), kTextFieldBytes - 1) << "cut at 255 characters";
        EXPECT_EQ(value(key("mg_game%d_link", i)).rfind("https://example.com/", 0), 0u);
        int w = 0, h = 0;
        expectPicture(value(key("mg_game%d_icon", i)), &w, &h);
        EXPECT_EQ(w, kPromotedIconSide);
        EXPECT_EQ(h, kPromotedIconSide);
        ASSERT_EQ(textInteger(key("mg_game%d_numscreens", i).c_str()), 2);
        for (int j = 0; j < 2; ++j) {
            expectPicture(value(key("mg_game%d_screen%d", i, j)), &w, &h);
            EXPECT_EQ(w * 2, h * 3) << "screenshots have the screen's 3:2 shape";
        }
    }
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
