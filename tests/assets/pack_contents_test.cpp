// The built pack as the game sees it: every 2D entry the game asks for is there, and every entry
// loads through the game's own readers (sprites with their pictures, fonts, texts, the
// cross-promotion list and every file it names).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "asset_test_util.h"
#include "menu/text_tables.h"
#include "storage/kv_text.h"

namespace {

const char* const kSpritesTheGameLoads[] = {"/hud.spr",    "/flarge.spr",    "/fmed.spr",
                                            "/fsmall.spr", "/menu_main.spr", "/mgcomponents.spr"};

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
    // The files the cross-promotion list names, read with the game's key-value reader.
    std::vector<std::string> moreGamesFiles() {
        std::vector<std::string> files;
        if (!loadText("/kvmoregames.txt")) return files;
        char value[kTextFieldBytes], key[64];
        for (int i = 0; i < textInteger("mg_numgames"); ++i) {
            std::snprintf(key, sizeof key, "mg_game%d_icon", i);
            textValue(key, value);
            files.push_back(value);
            std::snprintf(key, sizeof key, "mg_game%d_numscreens", i);
            for (int j = 0; j < textInteger(key); ++j) {
                std::snprintf(key, sizeof key, "mg_game%d_screen%d", i, j);
                textValue(key, value);
                files.push_back(value);
            }
        }
        return files;
    }
    assettest::Screen screen_;
};

TEST_F(PackContents, HoldsEverySpriteFontTextAndMoreGamesFileTheGameAsksFor) {
    for (const char* name : kSpritesTheGameLoads) {
        EXPECT_GE(findEntry(name, nullptr), 0) << name;
        std::string picture = name;
        picture.replace(picture.size() - 4, 4, ".png");  // the sprite loader's picture name
        EXPECT_GE(findEntry(picture.c_str(), nullptr), 0) << picture;
    }
    EXPECT_GE(findEntry(kMenuTextFile, nullptr), 0);
    EXPECT_GE(findEntry("/kvmoregames.txt", nullptr), 0);
    const std::vector<std::string> files = moreGamesFiles();
    EXPECT_GE(files.size(), 2u * 3u) << "two or three games, each an icon and two screenshots";
    for (const std::string& f : files) EXPECT_GE(findEntry(f.c_str(), nullptr), 0) << f;
}

TEST_F(PackContents, EveryEntryLoadsThroughTheGamesReaders) {
    std::set<std::string> names;
    for (int i = 0; i < packEntryCount(); ++i)
        names.insert(std::string("/") + packEntryName(i, nullptr));
    for (const std::string& name : names) {
        uint8_t* bytes = loadEntry(name.c_str());
        ASSERT_NE(bytes, nullptr) << name << " does not unpack";
        delete[] bytes;
        const std::string ext = name.substr(name.rfind('.'));
        if (ext == ".spr" ||
            (ext == ".png" && !names.count(name.substr(0, name.size() - 4) + ".spr"))) {
            Sprite* sprite = loadSprite(name.c_str());
            ASSERT_NE(sprite, nullptr) << name;
            ASSERT_NE(sprite->pictures[0][0], nullptr) << name << ": its picture did not load";
            EXPECT_GT(frameWidth(sprite, 0) + frameHeight(sprite, 0), 0) << name;
            destroySprite(sprite);
        }
    }
    // Fonts measure text; the texts decode; the list reads.
    for (const char* font : {"/fsmall.spr", "/fmed.spr", "/flarge.spr"}) {
        Sprite* f = loadSprite(font);
        ASSERT_TRUE(isFont(f)) << font;
        const uint16_t word[] = {'Z', 'o', 'r', 'v', 'a', 'n', 'e'};
        EXPECT_GT(stringWidth(f, word, 0, 7), 30) << font;
        destroySprite(f);
    }
    ASSERT_TRUE(loadTexts());
    int length = 0;
    getText(18, 0, &length);
    EXPECT_GT(length, 200) << "the how-to-play page";
    ASSERT_TRUE(loadText("/kvmoregames.txt"));
    EXPECT_GE(textInteger("mg_numgames"), 2);
}

}  // namespace
