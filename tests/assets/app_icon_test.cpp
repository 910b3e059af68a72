// The desktop icon: the sizes it is made at, smaller sizes as true averages of the painted master,
// the rounded square's see-through corners, and the same bytes every time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tools/assets/app_icon.h"

namespace {

using world::paintAppIcon;

int alphaAt(const world::WorldPicture& p, int x, int y) {
    return p.rgba[(static_cast<size_t>(y) * p.width + x) * 4 + 3];
}

TEST(AppIcon, IsMadeOnlyAtSizesFromItsMinimumToItsMaster) {
    EXPECT_TRUE(paintAppIcon(world::kAppIconMinSize - 1).rgba.empty());
    EXPECT_TRUE(paintAppIcon(world::kAppIconMaxSize + 1).rgba.empty());
    EXPECT_TRUE(paintAppIcon(0).rgba.empty());
    const world::WorldPicture smallest = paintAppIcon(world::kAppIconMinSize);
    EXPECT_EQ(smallest.width, world::kAppIconMinSize);
    EXPECT_EQ(smallest.height, world::kAppIconMinSize);
    EXPECT_EQ(smallest.rgba.size(), static_cast<size_t>(smallest.width * smallest.height * 4));
}

TEST(AppIcon, HalfSizeIsTheAverageOfEachTwoByTwoBlockOfTheMaster) {
    const world::WorldPicture master = paintAppIcon(world::kAppIconPaintSize);
    const world::WorldPicture half = paintAppIcon(world::kAppIconPaintSize / 2);
    ASSERT_EQ(half.width, world::kAppIconPaintSize / 2);
    int compared = 0;
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += master.rgba[(static_cast<size_t>(2 * y + dy) * master.width +
                                            2 * x + dx) * 4 + c];
                const int got = half.rgba[(static_cast<size_t>(y) * half.width + x) * 4 + c];
                // Each picture rounds to bytes once, so the two may differ by one step each.
                ASSERT_LE(std::abs(got * 4 - sum), 6) << x << "," << y << " channel " << c;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, half.width * half.height * 3);
}

TEST(AppIcon, CornersAreSeeThroughAndTheMiddleOpaqueAtEverySize) {
    for (int size : {48, 128, 256}) {
        const world::WorldPicture icon = paintAppIcon(size);
        ASSERT_EQ(icon.width, size);
        for (int corner : {0, size - 1}) {
            EXPECT_EQ(alphaAt(icon, corner, 0), 0) << size;
            EXPECT_EQ(alphaAt(icon, corner, size - 1), 0) << size;
        }
        EXPECT_EQ(alphaAt(icon, size / 2, size / 2), 255) << size;
        // The edge midpoints lie inside the square's straight sides, past the clear margin.
        EXPECT_EQ(alphaAt(icon, size / 2, size / 8), 255) << size;
        EXPECT_EQ(alphaAt(icon, 0, size / 2), 0) << size;
    }
}

TEST(AppIcon, TheSameSizeGivesTheSameBytes) {
    EXPECT_EQ(paintAppIcon(48).rgba, paintAppIcon(48).rgba);
}

}  // namespace
