// Each achievement's description says exactly what the game checks: the number it names is the
// threshold at which the game's own run statistics unlock it (one below does not), and it names
// the mode the game checks it in ("distance run", "points run", or neither for any mode).
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "game/game_mode.h"
#include "game/run_stats.h"
#include "game/score.h"
#include "menu/text_tables.h"
#include "tools/assets/game_assets.h"
#include "tools/assets/menu_texts.h"

namespace {

// One run: its mode, how it ended, its score and what it counted.
struct RunSetup {
    int mode = kModeDistance;
    int crashKind = 1;
    float distance = 50;
    Score score{};
    std::vector<std::pair<int, float>> counts;  // (stat index, distance) in order
};

// Makes the run of an achievement's condition from the number its description names.
using Scenario = std::function<RunSetup(int mode, int number)>;

RunSetup run(int mode) {
    RunSetup r;
    r.mode = mode;
    return r;
}

RunSetup counted(int mode, int index, int times) {
    RunSetup r = run(mode);
    for (int i = 0; i < times; ++i) r.counts.push_back({index, 20.0f + static_cast<float>(i)});
    return r;
}

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

std::string description(int a) {
    int length = 0;
    const uint16_t* t = getText(24, a, &length);
    std::string s;
    for (int i = 0; i < length; ++i) s += static_cast<char>(t[i] < 128 ? t[i] : '?');
    return s;
}

// The first number in the text, thousands separators allowed; -1 when there is none.
int firstNumber(const std::string& s) {
    const size_t start = s.find_first_of("0123456789");
    if (start == std::string::npos) return -1;
    int n = 0;
    for (size_t i = start;
         i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == ','); ++i)
        if (s[i] != ',') n = n * 10 + (s[i] - '0');
    return n;
}

class AchievementTexts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(buildMenuTexts(defaultAssetSourceFolder(), &file, &error)) << error;
        uint8_t* data = new uint8_t[file.size()];
        std::copy(file.begin(), file.end(), data);
        ASSERT_TRUE(setTextData(data, file.size()));
    }
    static void TearDownTestSuite() { unloadTexts(); }
};

TEST_F(AchievementTexts, EachDescriptionNamesTheThresholdAndModeTheGameChecks) {
    const auto distance = [](int mode, int n) {
        RunSetup r = run(mode);
        r.distance = static_cast<float>(n);
        return r;
    };
    const auto points = [](int mode, int n) {
        RunSetup r = run(mode);
        r.score.total = static_cast<float>(n);
        return r;
    };
    const auto bonus = [](int mode, int n) {
        RunSetup r = run(mode);
        r.score.pickupBonus = static_cast<float>(n);
        return r;
    };
    const auto times = [](int index) {
        return [index](int mode, int n) { return counted(mode, index, n); };
    };
    const auto firstAt = [](int index) {
        return [index](int mode, int n) {
            RunSetup r = run(mode);
            r.distance = static_cast<float>(n) + 100;
            r.counts.push_back({index, static_cast<float>(n)});
            return r;
        };
    };
    const auto pickups = [](int mode, int n) {  // coins, x2 and x3 together
        RunSetup r = counted(mode, kCountCoins, n - 2);
        r.counts.push_back({kCountX2, 30});
        r.counts.push_back({kCountX3, 31});
        return r;
    };
    const Scenario scenarios[24] = {distance,
                                    distance,
                                    distance,
                                    distance,
                                    points,
                                    points,
                                    points,
                                    points,
                                    nullptr /* 8: the marker */,
                                    nullptr /* 9: three short runs */,
                                    times(kCountShrubs),
                                    firstAt(kCountShrubs),
                                    firstAt(kCountShrubs),
                                    firstAt(kCountShrubs),
                                    firstAt(kCountShrubs),
                                    pickups,
                                    firstAt(kCountNearMisses),
                                    times(kCountNearMisses),
                                    times(kCountX2),
                                    times(kCountX3),
                                    bonus,
                                    bonus,
                                    bonus,
                                    bonus};

    for (int a = 0; a < 24; ++a) {
        const std::string text = description(a);
        SCOPED_TRACE("achievement " + std::to_string(a) + ": " + text);
        const bool distanceOnly = text.find("distance run") != std::string::npos;
        const bool pointsOnly = text.find("points run") != std::string::npos;
        const int number = firstNumber(text);
        for (int mode : {kModeDistance, kModePoints}) {
            const bool modeNamed =
                (mode == kModeDistance && !pointsOnly) || (mode == kModePoints && !distanceOnly);
            if (a == 8) {
                RunSetup onMarker = run(mode);
                onMarker.crashKind = 2;
                EXPECT_EQ(unlocks(a, {onMarker}), modeNamed);
                EXPECT_FALSE(unlocks(a, {run(mode)}));
            } else if (a == 9) {
                ASSERT_GT(number, 0);
                RunSetup shortRun = run(mode), longer = run(mode);
                shortRun.distance = static_cast<float>(number);
                longer.distance = static_cast<float>(number) + 1;
                EXPECT_EQ(unlocks(a, {shortRun, shortRun, shortRun}), modeNamed);
                EXPECT_FALSE(unlocks(a, {shortRun, longer, shortRun}));
                EXPECT_FALSE(unlocks(a, {shortRun, shortRun}));
            } else {
                ASSERT_GT(number, 0);
                EXPECT_EQ(unlocks(a, {scenarios[a](mode, number)}), modeNamed) << "at " << number;
                EXPECT_FALSE(unlocks(a, {scenarios[a](mode, number - 1)})) << "at " << number - 1;
            }
        }
    }
}

TEST_F(AchievementTexts, NamesAreDistinct) {
    std::vector<std::vector<uint16_t>> names;
    for (int a = 0; a < 24; ++a) {
        int length = 0;
        const uint16_t* t = getText(23, a, &length);
        names.emplace_back(t, t + length);
    }
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j)
            EXPECT_NE(names[i], names[j]) << "achievements " << i << " and " << j;
}

}  // namespace
