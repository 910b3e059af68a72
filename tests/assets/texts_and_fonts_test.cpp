// The three fonts and the menu texts together: every text a screen shows exists and every
// character of it has a glyph, the texts fit the places the screens give them at 480 x 320, and
// each achievement's description names the threshold at which the game's own run statistics
// unlock it (one below does not) and the mode it is checked in.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "game/game_mode.h"
#include "game/run_stats.h"
#include "game/score.h"
#include "gfx2d/sprite.h"
#include "menu/text_tables.h"
#include "tools/assets/game_assets.h"
#include "tools/assets/game_fonts.h"
#include "tools/assets/menu_texts.h"

namespace {

// Hands the reader a copy of the bytes that it may keep.
template <typename Reader>
auto copied(const std::vector<uint8_t>& bytes, Reader reader) {
    uint8_t* data = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    return reader(data, bytes.size());
}

class TextsAndFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::vector<PackInput> entries;
        std::string error;
        ASSERT_TRUE(addGameFonts(&entries, &error)) << error;
        for (const char* name : {"/fsmall.spr", "/fmed.spr", "/flarge.spr"})
            for (const PackInput& e : entries)
                if (e.name == name) fonts_.push_back(copied(e.bytes, parseSprite));
        std::vector<uint8_t> file;
        ASSERT_TRUE(buildMenuTexts(defaultAssetSourceFolder(), &file, &error)) << error;
        ASSERT_TRUE(copied(file, setTextData));
    }
    static void TearDownTestSuite() {
        for (Sprite* f : fonts_) destroySprite(f);
        unloadTexts();
    }
    void SetUp() override { ASSERT_TRUE(fonts_.size() == 3 && textsLoaded()); }

    static std::vector<uint16_t> text(int table, int entry) {
        int length = 0;
        const uint16_t* t = getText(table, entry, &length);
        return std::vector<uint16_t>(t, t + length);
    }
    static int width(int font, const std::vector<uint16_t>& s) {
        return stringWidth(fonts_[font], s.data(), 0, static_cast<int>(s.size()));
    }
    static std::vector<uint16_t> chars(const std::string& ascii) {
        return std::vector<uint16_t>(ascii.begin(), ascii.end());
    }
    static std::vector<Sprite*> fonts_;  // small, medium, large
};
std::vector<Sprite*> TextsAndFonts::fonts_;

TEST_F(TextsAndFonts, FontsGrowAndHaveAGlyphForLatin1AndEveryCharacterTheScreensShow) {
    EXPECT_GE(lineHeight(fonts_[0]), 13);
    EXPECT_LT(lineHeight(fonts_[0]), lineHeight(fonts_[1]));
    EXPECT_LT(lineHeight(fonts_[1]), lineHeight(fonts_[2]));
    EXPECT_LE(lineHeight(fonts_[2]), 32);
    for (const Sprite* font : fonts_) {
        for (int code = 33; code <= 255; ++code)
            EXPECT_TRUE((code > 126 && code < 161) || glyphFrame(font, code) >= 0) << code;
        EXPECT_GT(spaceAdvance(font), 0);
    }
    for (const MenuTextUse& use : menuTextUses()) {
        const std::vector<uint16_t> t = text(use.table, use.entry);
        EXPECT_FALSE(t.empty()) << use.where << ": table " << use.table << " entry " << use.entry;
        for (uint16_t c : t)
            for (const Sprite* font : fonts_)
                EXPECT_TRUE(c == '\n' || c == ' ' || glyphFrame(font, c) >= 0)
                    << "U+" << std::hex << c << " in " << use.where;
    }
    EXPECT_EQ(text(6, 0), chars("x2"));
    EXPECT_EQ(text(7, 0), chars("x3"));
}

TEST_F(TextsAndFonts, TextsFitTheirPlaces) {
    // The help and about pages wrap into their 440 x 280 label in the small font.
    for (int table : {18, 19}) {
        const std::vector<uint16_t> page = text(table, 0);
        const int count = static_cast<int>(page.size());
        int lines = 0;
        for (int start = 0, next = 0; start < count; ++lines, start = next > start ? next : count) {
            const int end = wrapLine(fonts_[0], page.data(), start, count, 440, &next);
            EXPECT_LE(stringWidth(fonts_[0], page.data(), start, end - start), 440);
        }
        EXPECT_LE(lines * lineHeight(fonts_[0]), 280) << "table " << table << ": " << lines;
    }
    std::set<std::vector<uint16_t>> names;
    for (int a = 0; a < 24; ++a) {
        EXPECT_LE(width(1, text(23, a)), 300) << "name of achievement " << a;
        EXPECT_LE(width(0, text(24, a)), 300) << "description of achievement " << a;
        names.insert(text(23, a));
    }
    EXPECT_EQ(names.size(), 24u) << "two achievements share a name";
    // Points are drawn right-aligned at x = 100, in at least eight places.
    EXPECT_LE(width(0, chars("  150,000pts")), 100);
    // A blank line inside a table is an entry; one at a table's end is almost surely a mistake.
    ASSERT_GT(textTableCount(), 27);
    for (int t = 0; t < textTableCount(); ++t) {
        const uint8_t* bytes = nullptr;
        int length = 0;
        const int n = textEntryCount(t);
        EXPECT_TRUE(n == 0 || (textEntryBytes(t, n - 1, &bytes, &length) && length > 0)) << t;
    }
}

// One run: its mode, how it ended, its distance, score and what it counted.
struct RunSetup {
    int mode = kModeDistance;
    int crashKind = 1;
    float distance = 50;
    Score score{};
    std::vector<std::pair<int, float>> counts;  // (stat index, distance) in order
};

// Plays the setups as consecutive runs on fresh statistics; whether `achievement` is unlocked.
bool unlocks(int achievement, const std::vector<RunSetup>& runs) {
    RunStats stats;
    runStatsInitialise(&stats);
    for (const RunSetup& r : runs) {
        runStatsBeginRun(&stats, r.mode);
        for (const auto& [index, at] : r.counts) runStatsCount(&stats, index, at);
        Score score = r.score;
        if (r.mode == kModeDistance) score.total = r.distance;
        runStatsEndRun(&stats, r.crashKind, r.distance, score);
    }
    return stats.unlocked[achievement];
}

// The run that meets achievement a's condition with the number n its description names, in a
// mode. The marker (8) and the three short runs (9) take more than one run: see below.
RunSetup scenario(int a, int mode, int n) {
    RunSetup r;
    r.mode = mode;
    const int counted[24] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, kCountShrubs, -1, -1, -1, -1,
                             -1, -1, kCountNearMisses, kCountX2, kCountX3};
    if (a < 4) {
        r.distance = static_cast<float>(n);
    } else if (a < 8) {
        r.score.total = static_cast<float>(n);
    } else if (a >= 20) {
        r.score.pickupBonus = static_cast<float>(n);
    } else if (counted[a] >= 0 || a == 15) {  // counted n times; 15: coins, x2 and x3 together
        for (int i = 0; i < n; ++i)
            r.counts.push_back({a != 15 ? counted[a] : i < 2 ? kCountX2 + i : kCountCoins,
                                20.0f + static_cast<float>(i)});
    } else {  // the first at distance n: 11..14 shrubs, 16 near misses
        r.distance = static_cast<float>(n) + 100;
        r.counts.push_back({a == 16 ? kCountNearMisses : kCountShrubs, static_cast<float>(n)});
    }
    return r;
}

// The first number in the text, thousands separators allowed; -1 when there is none.
int firstNumber(const std::vector<uint16_t>& s) {
    auto digit = [](uint16_t c) { return c >= '0' && c <= '9'; };
    const auto start = std::find_if(s.begin(), s.end(), digit);
    int n = start == s.end() ? -1 : 0;
    for (auto i = start; i != s.end() && (digit(*i) || *i == ','); ++i)
        if (*i != ',') n = n * 10 + (*i - '0');
    return n;
}

TEST_F(TextsAndFonts, EachAchievementNamesTheThresholdAndModeTheGameChecks) {
    for (int a = 0; a < 24; ++a) {
        const std::vector<uint16_t> t = text(24, a);
        const std::string s(t.begin(), t.end());
        SCOPED_TRACE("achievement " + std::to_string(a) + ": " + s);
        const bool distanceOnly = s.find("distance run") != std::string::npos;
        const bool pointsOnly = s.find("points run") != std::string::npos;
        const int n = firstNumber(t);
        ASSERT_TRUE(a == 8 || n > 0);
        for (int mode : {kModeDistance, kModePoints}) {
            const bool named = mode == kModeDistance ? !pointsOnly : !distanceOnly;
            RunSetup plain, onMarker, shortRun, longer;
            plain.mode = onMarker.mode = shortRun.mode = longer.mode = mode;
            onMarker.crashKind = 2;
            shortRun.distance = static_cast<float>(n);
            longer.distance = static_cast<float>(n) + 1;
            if (a == 8) {
                EXPECT_EQ(unlocks(a, {onMarker}), named);
                EXPECT_FALSE(unlocks(a, {plain}));
            } else if (a == 9) {
                EXPECT_EQ(unlocks(a, {shortRun, shortRun, shortRun}), named);
                EXPECT_FALSE(unlocks(a, {shortRun, longer, shortRun}));
                EXPECT_FALSE(unlocks(a, {shortRun, shortRun}));
            } else {
                EXPECT_EQ(unlocks(a, {scenario(a, mode, n)}), named) << "at " << n;
                EXPECT_FALSE(unlocks(a, {scenario(a, mode, n - 1)})) << "at " << n - 1;
            }
        }
    }
}

}  // namespace
