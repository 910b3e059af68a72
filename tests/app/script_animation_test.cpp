// The harness's animate line on the real game: which frames it takes, their delay and size, the
// picture of each against a capture of the same frame, and the lines it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

uint32_t u32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

class HarnessAnimation : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::makeTempFolder();
            ASSERT_TRUE(harness::start(options));
        }
        folder_ = zvtest::makeTempFolder();
    }
    std::string folder_;
};

TEST_F(HarnessAnimation, TakesEveryNthFrameUpToTheLastAndShrinksThePicture) {
    const int from = harness::frame() + 2;
    const std::string script =
        "animate " + std::to_string(from) + " " + std::to_string(from + 10) + " 3 " + folder_ +
        "a.png 2 0\n"  // truecolour, so that the picture can be compared exactly
        "at " + std::to_string(from) + " capture " + folder_ + "first.png\n";
    std::string error;
    ASSERT_TRUE(harness::runScript(script, &error)) << error;
    EXPECT_FALSE(harness::animating());
    // Frames from, +3, +6, +9: the script ends with the last one, not at from + 10.
    EXPECT_EQ(harness::frame(), from + 9);

    const std::string png = zvtest::readFile(folder_ + "a.png");
    ASSERT_GT(png.size(), 8u + 25 + 20);
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(u32(png, 16), 240u);
    EXPECT_EQ(u32(png, 20), 160u);
    EXPECT_EQ(png.substr(37, 4), "acTL");
    EXPECT_EQ(u32(png, 41), 4u);  // frames
    size_t control = png.find("fcTL");
    ASSERT_NE(control, std::string::npos);
    EXPECT_EQ(u32(png, control + 4 + 20) >> 16, 48u);  // 3 frames of 16 ms, over 1000
    EXPECT_EQ(u32(png, control + 4 + 20) & 0xFFFF, 1000u);

    // The first frame is the capture of the same frame, each 2 x 2 block averaged.
    int32_t w = 0, h = 0, fw = 0, fh = 0;
    const std::string full = zvtest::readFile(folder_ + "first.png");
    uint8_t* small = decodePngImage(bytes(png), png.size(), &w, &h);
    uint8_t* big = decodePngImage(bytes(full), full.size(), &fw, &fh);
    ASSERT_TRUE(small && big);
    ASSERT_EQ(fw, 480);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 2;
                for (int d = 0; d < 4; ++d)
                    sum += big[((2 * y + d / 2) * fw + 2 * x + d % 2) * 4 + c];
                differing += small[(y * w + x) * 4 + c] != sum / 4;
            }
    EXPECT_EQ(differing, 0);
    delete[] small;
    delete[] big;
}

TEST_F(HarnessAnimation, RefusesFramesPastSizesAndASecondAnimation) {
    const int now = harness::frame();
    const std::string a = folder_ + "a.png";
    std::string error;
    EXPECT_FALSE(harness::runScript("animate " + std::to_string(now - 1) + " " +
                                        std::to_string(now + 5) + " 1 " + a, &error));
    EXPECT_NE(error.find("passed"), std::string::npos) << error;
    const char* bad[] = {" 1 A 3", " 1 A 2 1", " 1 A 2 256", " 0 A", " 1 A 9", " 1 A x", " 1"};
    for (const char* tail : bad) {
        std::string line =
            "animate " + std::to_string(now + 1) + " " + std::to_string(now + 3) + tail;
        const size_t file = line.find('A');
        if (file != std::string::npos) line.replace(file, 1, a);
        EXPECT_FALSE(harness::runScript(line, &error)) << line;
    }
    EXPECT_FALSE(harness::animating());

    ASSERT_TRUE(harness::animate(now + 1, now + 3, 1, 4, 16, a, &error)) << error;
    EXPECT_FALSE(harness::animate(now + 1, now + 3, 1, 4, 16, a, &error));
    EXPECT_NE(error.find("already"), std::string::npos) << error;
    ASSERT_TRUE(harness::finishAnimation(&error)) << error;
    const std::string png = zvtest::readFile(a);
    ASSERT_GT(png.size(), 45u);
    EXPECT_EQ(u32(png, 16), 120u);  // shrunk four times
    EXPECT_EQ(u32(png, 41), 3u);

    // A file that cannot be written is reported when the animation ends.
    EXPECT_FALSE(harness::runScript("animate " + std::to_string(harness::frame() + 1) + " " +
                                        std::to_string(harness::frame() + 2) +
                                        " 1 /nonexistent-folder/a.png 8",
                                    &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

}  // namespace
