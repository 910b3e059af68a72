// The desktop icon: made only at the sizes from its minimum to its master, smaller sizes true
// averages of the painted master, a rounded square with see-through corners.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tools/assets/app_icon.h"

namespace {

using world::kAppIconPaintSize;

TEST(AppIcon, IsARoundedSquareAveragedFromTheMasterAtEachSizeItIsMadeAt) {
    for (int size : {0, world::kAppIconMinSize - 1, world::kAppIconMaxSize + 1})
        EXPECT_TRUE(world::paintAppIcon(size).rgba.empty()) << size;
    const world::WorldPicture master = world::paintAppIcon(kAppIconPaintSize);
    for (int size : {world::kAppIconMinSize, 48, kAppIconPaintSize / 2, kAppIconPaintSize}) {
        const world::WorldPicture icon = world::paintAppIcon(size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        ASSERT_EQ(icon.rgba.size(), static_cast<size_t>(size * size * 4));
        auto alpha = [&](int x, int y) { return icon.rgba[(y * size + x) * 4 + 3]; };
        // The corners are clear, the middle and the straight sides' midpoints opaque, and the
        // clear margin runs along the sides.
        EXPECT_EQ(alpha(0, 0) + alpha(size - 1, 0) + alpha(0, size - 1) + alpha(size - 1, size - 1),
                  0) << size;
        EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
        if (size >= 48) {
            EXPECT_EQ(alpha(size / 2, size / 8), 255) << size;
            EXPECT_EQ(alpha(0, size / 2), 0) << size;
        }
        // Where the master divides into whole blocks, each pixel's colour is the average of its
        // block; both round to bytes once, so they may differ by a step each (6 quarter steps).
        if (kAppIconPaintSize % size) continue;
        const int block = kAppIconPaintSize / size, area = block * block;
        int worst = 0;
        for (int i = 0; i < size * size * 4; ++i) {
            const int x = i / 4 % size, y = i / 4 / size, c = i % 4;
            int sum = 0;
            for (int dy = 0; c < 3 && dy < block; ++dy)
                for (int dx = 0; dx < block; ++dx)
                    sum += master.rgba[((y * block + dy) * kAppIconPaintSize + x * block + dx) * 4 +
                                       c];
            if (c < 3) worst = std::max(worst, std::abs(icon.rgba[i] * area - sum) * 4 / area);
        }
        EXPECT_LE(worst, 6) << size;
    }
}

}  // namespace
