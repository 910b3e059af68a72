// The three fonts and the menu texts together: every text a screen shows exists, every character
// of it has a glyph, and the texts fit the places the screens give them at 480 x 320.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/sprite.h"
#include "menu/text_tables.h"
#include "tools/assets/game_assets.h"
#include "tools/assets/game_fonts.h"
#include "tools/assets/menu_texts.h"

namespace {

Sprite* parseCopy(const std::vector<uint8_t>& bytes) {
    uint8_t* data = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    return parseSprite(data, bytes.size());
}

std::vector<uint16_t> chars(const char* ascii) {
    std::vector<uint16_t> out;
    for (const char* p = ascii; *p; ++p) out.push_back(static_cast<uint8_t>(*p));
    return out;
}

class TextsAndFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::vector<PackInput> entries;
        std::string error;
        ASSERT_TRUE(addGameFonts(&entries, &error)) << error;
        for (const PackInput& e : entries) {
            if (e.name == "/fsmall.spr") small_ = parseCopy(e.bytes);
            if (e.name == "/fmed.spr") medium_ = parseCopy(e.bytes);
            if (e.name == "/flarge.spr") large_ = parseCopy(e.bytes);
        }
        std::vector<uint8_t> file;
        ASSERT_TRUE(buildMenuTexts(defaultAssetSourceFolder(), &file, &error)) << error;
        uint8_t* data = new uint8_t[file.size()];
        std::copy(file.begin(), file.end(), data);
        ASSERT_TRUE(setTextData(data, file.size()));
    }
    static void TearDownTestSuite() {
        for (Sprite* f : {small_, medium_, large_}) destroySprite(f);
        unloadTexts();
    }
    void SetUp() override { ASSERT_TRUE(small_ && medium_ && large_ && textsLoaded()); }

    static std::vector<uint16_t> text(int table, int entry) {
        int length = 0;
        const uint16_t* t = getText(table, entry, &length);
        return std::vector<uint16_t>(t, t + length);
    }
    static int width(const Sprite* font, const std::vector<uint16_t>& s) {
        return stringWidth(font, s.data(), 0, static_cast<int>(s.size()));
    }

    static Sprite* small_;
    static Sprite* medium_;
    static Sprite* large_;
};
Sprite* TextsAndFonts::small_ = nullptr;
Sprite* TextsAndFonts::medium_ = nullptr;
Sprite* TextsAndFonts::large_ = nullptr;

TEST_F(TextsAndFonts, FontsGrowInSizeAndCoverLatin1) {
    EXPECT_GE(lineHeight(small_), 13);
    EXPECT_LT(lineHeight(small_), lineHeight(medium_));
    EXPECT_LT(lineHeight(medium_), lineHeight(large_));
    EXPECT_LE(lineHeight(large_), 32);
    for (const Sprite* font : {small_, medium_, large_}) {
        for (int code = 33; code <= 126; ++code) EXPECT_GE(glyphFrame(font, code), 0) << code;
        for (int code = 161; code <= 255; ++code) EXPECT_GE(glyphFrame(font, code), 0) << code;
        EXPECT_GT(spaceAdvance(font), 0);
    }
}

TEST_F(TextsAndFonts, EveryTextTheScreensShowExistsAndEveryCharacterHasAGlyph) {
    for (const MenuTextUse& use : menuTextUses()) {
        const std::vector<uint16_t> t = text(use.table, use.entry);
        EXPECT_FALSE(t.empty()) << use.where << ": table " << use.table << " entry " << use.entry;
        for (uint16_t c : t) {
            if (c == '\n' || c == ' ') continue;
            for (const Sprite* font : {small_, medium_, large_})
                EXPECT_GE(glyphFrame(font, c), 0) << "U+" << std::hex << c << " in " << use.where;
        }
    }
    EXPECT_EQ(text(6, 0), chars("x2"));
    EXPECT_EQ(text(7, 0), chars("x3"));
}

TEST_F(TextsAndFonts, TextPagesFitTheir440By280LabelInTheSmallFont) {
    for (int table : {18, 19}) {
        const std::vector<uint16_t> page = text(table, 0);
        const int count = static_cast<int>(page.size());
        int lines = 0;
        for (int start = 0; start < count; ++lines) {
            int next = 0;
            const int end = wrapLine(small_, page.data(), start, count, 440, &next);
            EXPECT_LE(stringWidth(small_, page.data(), start, end - start), 440);
            start = next > start ? next : count;
        }
        EXPECT_LE(lines * lineHeight(small_), 280)
            << "table " << table << ": " << lines << " lines";
    }
}

TEST_F(TextsAndFonts, AchievementTextsFitTheirItemAndHudNumbersTheirCorner) {
    for (int a = 0; a < 24; ++a) {
        EXPECT_LE(width(medium_, text(23, a)), 300) << "name of achievement " << a;
        EXPECT_LE(width(small_, text(24, a)), 300) << "description of achievement " << a;
    }
    // Points are drawn right-aligned at x = 100, in at least eight places.
    EXPECT_LE(width(small_, chars("  150,000pts")), 100);
    EXPECT_LE(width(small_, chars("       0pts")), 100);
}

TEST_F(TextsAndFonts, NoTableEndsInAnEmptyEntryByAccident) {
    // A blank line inside a table is an entry; one at a table's end is almost surely a mistake.
    ASSERT_GT(textTableCount(), 27);
    for (int t = 0; t < textTableCount(); ++t) {
        const int n = textEntryCount(t);
        if (n == 0) continue;
        const uint8_t* bytes = nullptr;
        int length = 0;
        ASSERT_TRUE(textEntryBytes(t, n - 1, &bytes, &length));
        EXPECT_GT(length, 0) << "table " << t << " ends in an empty entry";
    }
}

}  // namespace
