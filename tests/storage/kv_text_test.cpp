// Key-value text: the line scan, numbers, the held text and the more-games string table.
#include "storage/kv_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace {

TEST(KeyValueScan, FindsTheValueOfTheLastLineWithExactlyThatKey) {
    const std::string keys = "mg name: spaced\nmg_game1_name_en: one\nKey: upper\nno colon here\n";
    const std::string longKey(300, 'k'), cutKey(255, 'k');
    const std::string longText = longKey + ": whole\n" + cutKey + ": cut\nv: " + longKey + "\n";
    const std::string cases[][3] = {
        {"name:\t \t Night\tRun \n", "name", "Night\tRun "},
        {"name:Night", "name", "Night"},  // the last line needs no line end
        {"link: http://example.org/a:b\n", "link", "http://example.org/a:b"},
        {"a: 1\rb: 2\r\nc: 3", "b", "2"},
        {"title:   \n", "title", ""},
        {keys, "mg name", "spaced"},
        {keys, "mg_game1_name_en", "one"},
        {keys, "mg_game1", ""},
        {keys, "key", ""},
        {keys, "no colon here", ""},
        {"", "missing", ""},
        {"k: first value\nother: x\nk: second\n", "k", "second"},
        {"k: first\nk:\n", "k", ""},   // an empty later value still replaces
        {longText, longKey, "whole"},  // keys of any length compare whole
        {longText, cutKey, "cut"},
        {longText, "v", cutKey},       // values are cut to the buffer
    };
    for (const auto& [text, key, value] : cases) {
        char out[kTextFieldBytes + 64];
        std::memset(out, '#', sizeof out);
        findTextValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(), key.c_str(), out);
        EXPECT_EQ(out, value) << text << " / " << key;
        EXPECT_EQ(std::string(out + kTextFieldBytes, 64), std::string(64, '#')) << "written past";
    }
}

TEST(HeldText, GivesNumbersAndStringsUntilAnotherLoadReplacesIt) {
    const std::string text = "mg_numgames: 12x\nletter_first: x12\nzero: 007\nhuge: 99999999999\n"
                             "negative: -4\nmax: 2147483647\ntitle: More games\n";
    const std::string path = zvtest::makeTempFolder() + kPackFileName;
    std::string error;
    ASSERT_TRUE(writePackFile(path.c_str(), {{"kv.txt", {text.begin(), text.end()}},
                                             {"other.txt", {'a', ':', '1'}}}, &error)) << error;
    ASSERT_TRUE(openPack(path.c_str()));
    ASSERT_TRUE(loadText("/kv.txt"));
    const std::pair<const char*, int32_t> numbers[] = {
        {"mg_numgames", 12}, {"letter_first", 0}, {"zero", 7}, {"huge", INT32_MAX},
        {"negative", 0},     {"missing", 0},      {"max", INT32_MAX}};
    for (const auto& [key, value] : numbers) EXPECT_EQ(textInteger(key), value) << key;

    char* slots[3] = {};
    EXPECT_FALSE(textString("title", 0));  // no table bound yet
    bindMoreGamesStrings(slots, 3);
    ASSERT_TRUE(textString("title", 2));
    EXPECT_STREQ(slots[2], "More games");
    ASSERT_TRUE(textString("mg_numgames", 2));  // replaces (and releases) the string before
    ASSERT_TRUE(textString("missing", 0));
    EXPECT_FALSE(textString("title", 3) || textString("title", -1));
    EXPECT_STREQ(slots[2], "12x");
    EXPECT_STREQ(slots[0], "");
    EXPECT_EQ(slots[1], nullptr);
    bindMoreGamesStrings(nullptr, 0);
    delete[] slots[0];
    delete[] slots[2];

    ASSERT_TRUE(loadText("other.txt"));
    EXPECT_EQ(textInteger("a"), 1);
    EXPECT_EQ(textInteger("mg_numgames"), 0);
    EXPECT_FALSE(loadText("/missing.txt"));
    EXPECT_EQ(textInteger("a"), 0);  // the failed load released the text held before
    closePack();
}

}  // namespace
