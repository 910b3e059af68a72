// Key-value text: the line scan, numbers, the held text and the more-games string table.
#include "storage/kv_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "storage/pack.h"
#include "storage_test_util.h"
#include "tools/writers/pack_writer.h"

using storage_test::TempFolder;

namespace {

std::string valueIn(const std::string& text, const std::string& key) {
    char out[kTextFieldBytes];
    std::memset(out, '#', sizeof out);
    findTextValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(), key.c_str(), out);
    return out;
}

TEST(KeyValueScan, AValueRunsFromAfterTheBlanksToTheLineEnd) {
    EXPECT_EQ(valueIn("name: Night Run\n", "name"), "Night Run");
    EXPECT_EQ(valueIn("name:\t \t Night\tRun \n", "name"), "Night\tRun ");
    EXPECT_EQ(valueIn("name:Night", "name"), "Night");  // last line without a line end
    EXPECT_EQ(valueIn("link: http://example.org/a:b\n", "link"), "http://example.org/a:b");
    EXPECT_EQ(valueIn("a: 1\rb: 2\rc: 3", "b"), "2");
    EXPECT_EQ(valueIn("a: 1\r\nb: 2\r\n", "b"), "2");
    EXPECT_EQ(valueIn("title:   \n", "title"), "");
}

TEST(KeyValueScan, KeysMatchExactlyAndWholly) {
    const std::string text =
        "mg name: spaced\nmg_game1_name_en: one\nmg_game10_name_en: ten\n"
        "Key: upper\nno colon here\n";
    EXPECT_EQ(valueIn(text, "mg name"), "spaced");
    EXPECT_EQ(valueIn(text, "mg_game1_name_en"), "one");
    EXPECT_EQ(valueIn(text, "mg_game10_name_en"), "ten");
    EXPECT_EQ(valueIn(text, "mg_game1"), "");
    EXPECT_EQ(valueIn(text, "key"), "");
    EXPECT_EQ(valueIn(text, "no colon here"), "");
    EXPECT_EQ(valueIn(text, "missing"), "");
    EXPECT_EQ(valueIn("", "missing"), "");
}

TEST(KeyValueScan, TheLaterLineOfARepeatedKeyWins) {
    EXPECT_EQ(valueIn("k: first value\nother: x\nk: second\n", "k"), "second");
    EXPECT_EQ(valueIn("k: first\nk: second", "k"), "second");
    EXPECT_EQ(valueIn("k: first\nk:\n", "k"), "");  // an empty later value still replaces
}

TEST(KeyValueScan, OverlongValuesAreCutAndKeysStillCompareWhole) {
    const std::string longValue(300, 'v');
    char out[kTextFieldBytes + 64];
    std::memset(out, '#', sizeof out);
    std::string text = "k: " + longValue + "\nafter: 1\n";
    findTextValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "k", out);
    EXPECT_EQ(std::string(out), longValue.substr(0, kTextFieldBytes - 1));
    for (size_t i = kTextFieldBytes; i < sizeof out; ++i)
        ASSERT_EQ(out[i], '#') << "written at " << i;

    const std::string longKey(300, 'k');
    text = longKey + ": whole\n" + longKey.substr(0, 255) + ": cut\n";
    EXPECT_EQ(valueIn(text, longKey), "whole");
    EXPECT_EQ(valueIn(text, longKey.substr(0, 255)), "cut");
}

class HeldText : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string text =
            "mg_numgames: 12x\nletter_first: x12\nzero: 007\nhuge: 99999999999\nnegative: -4\n"
            "mg_text_title_en: More games\nmg_text_title_en: Even more games\n";
        std::string error;
        std::string path = folder_.file(kPackFileName);
        ASSERT_TRUE(
            writePackFile(path.c_str(),
                          {{"kvmoregames.txt", std::vector<uint8_t>(text.begin(), text.end())},
                           {"other.txt", {'a', ':', '1'}}},
                          &error))
            << error;
        ASSERT_TRUE(openPack(path.c_str()));
        ASSERT_TRUE(loadText("/kvmoregames.txt"));
    }
    void TearDown() override {
        unloadText();
        bindMoreGamesStrings(nullptr, 0);
        closePack();
    }
    TempFolder folder_;
};

TEST_F(HeldText, IntegersAreTheLeadingDigits) {
    EXPECT_EQ(textInteger("mg_numgames"), 12);
    EXPECT_EQ(textInteger("letter_first"), 0);
    EXPECT_EQ(textInteger("zero"), 7);
    EXPECT_EQ(textInteger("huge"), INT32_MAX);
    EXPECT_EQ(textInteger("negative"), 0);
    EXPECT_EQ(textInteger("missing"), 0);
}

TEST_F(HeldText, LoadingAnotherTextReplacesTheHeldOne) {
    char out[kTextFieldBytes];
    textValue("mg_text_title_en", out);
    EXPECT_STREQ(out, "Even more games");
    ASSERT_TRUE(loadText("other.txt"));
    EXPECT_EQ(textInteger("a"), 1);
    EXPECT_EQ(textInteger("mg_numgames"), 0);
    EXPECT_FALSE(loadText("/missing.txt"));
    EXPECT_EQ(textInteger("a"), 0);  // the failed load released the text held before
}

TEST_F(HeldText, StringsGoIntoTheBoundMoreGamesTable) {
    char* slots[3] = {};
    EXPECT_FALSE(textString("mg_text_title_en", 0));  // no table yet
    bindMoreGamesStrings(slots, 3);
    ASSERT_TRUE(textString("mg_text_title_en", 2));
    ASSERT_NE(slots[2], nullptr);
    EXPECT_STREQ(slots[2], "Even more games");
    ASSERT_TRUE(textString("mg_numgames", 2));  // replaces (and releases) the string before
    EXPECT_STREQ(slots[2], "12x");
    ASSERT_TRUE(textString("missing", 0));
    EXPECT_STREQ(slots[0], "");
    EXPECT_FALSE(textString("mg_numgames", 3));
    EXPECT_FALSE(textString("mg_numgames", -1));
    EXPECT_EQ(slots[1], nullptr);
    delete[] slots[0];
    delete[] slots[2];
}

}  // namespace
