// The HUD's number writer (thousands separators, right alignment, the lone zero), the distance
// and points texts, and the flashes' alpha curve and frames.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "game/hud.h"
#include "game/runner.h"
#include "game/scene.h"

namespace {

std::string ascii(const uint16_t* chars, int32_t n) {
    std::string s;
    for (int32_t i = 0; i < n; ++i) s += static_cast<char>(chars[i]);
    return s;
}

std::string distanceText(float distance) {
    uint16_t buffer[kHudTextChars];
    const int32_t n = writeDistanceText(buffer, kHudTextChars, distance);
    EXPECT_EQ(buffer[n], 0);
    return ascii(buffer, n);
}

std::string pointsText(int32_t points) {
    uint16_t buffer[kHudTextChars];
    return ascii(buffer, writePointsText(buffer, kHudTextChars, points));
}

TEST(HudText, DistanceIsWholeMetresRightAlignedInSixWithSeparators) {
    EXPECT_EQ(distanceText(0.0f), "     0m");
    EXPECT_EQ(distanceText(0.9f), "     0m");
    EXPECT_EQ(distanceText(42.7f), "    42m");
    EXPECT_EQ(distanceText(999.0f), "   999m");
    EXPECT_EQ(distanceText(1000.0f), " 1,000m");
    EXPECT_EQ(distanceText(12345.0f), "12,345m");
    EXPECT_EQ(distanceText(999999.9f), "999,999m");
    EXPECT_EQ(distanceText(1000000.0f), "1,000,000m");
    EXPECT_EQ(distanceText(1234567.0f), "1,234,567m");
}

TEST(HudText, BrokenDistancesShowZero) {
    EXPECT_EQ(distanceText(-5.0f), "     0m");
    EXPECT_EQ(distanceText(NAN), "     0m");
}

TEST(HudText, PointsFillAFieldOfEight) {
    EXPECT_EQ(pointsText(0), "       0pts");
    EXPECT_EQ(pointsText(7), "       7pts");
    EXPECT_EQ(pointsText(12345), "  12,345pts");
    EXPECT_EQ(pointsText(1234567), "1,234,567pts");
    EXPECT_EQ(pointsText(99999999), "99,999,999pts");
    EXPECT_EQ(pointsText(-3), "       0pts");
}

TEST(HudText, TheFieldGrowsWithTheDigitsAndSeparators) {
    uint16_t buffer[32];
    EXPECT_EQ(ascii(buffer, writeGroupedNumber(buffer, 32, 0, 0)), "0");
    EXPECT_EQ(ascii(buffer, writeGroupedNumber(buffer, 32, 100, 0)), "100");
    EXPECT_EQ(ascii(buffer, writeGroupedNumber(buffer, 32, 1000, 0)), "1,000");
    EXPECT_EQ(ascii(buffer, writeGroupedNumber(buffer, 32, 100000, 0)), "100,000");
    EXPECT_EQ(ascii(buffer, writeGroupedNumber(buffer, 32, 18446744073709551615ull, 0)),
              "18,446,744,073,709,551,615");
    // Nothing is written past the capacity.
    EXPECT_EQ(writeGroupedNumber(buffer, 4, 12345, 0), 0);
}

TEST(HudFlash, RisesToFullInAQuarterSecondAndFadesOutByHalf) {
    EXPECT_FLOAT_EQ(flashAlpha(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(flashAlpha(0.125f), 0.5f);
    EXPECT_FLOAT_EQ(flashAlpha(0.25f), 1.0f);
    EXPECT_FLOAT_EQ(flashAlpha(0.375f), 0.5f);
    EXPECT_FLOAT_EQ(flashAlpha(0.5f), 0.0f);
    EXPECT_FLOAT_EQ(flashAlpha(0.6f), 0.0f);
}

TEST(HudFlash, EachPickupKindShowsItsIcon) {
    EXPECT_EQ(pickupFlashFrame(kFlashCoin), 5);
    EXPECT_EQ(pickupFlashFrame(kFlashX2), 6);
    EXPECT_EQ(pickupFlashFrame(kFlashX3), 7);
    EXPECT_EQ(pickupFlashFrame(kFlashShrub), 4);
    EXPECT_EQ(pickupFlashFrame(9), -1);
}

}  // namespace
