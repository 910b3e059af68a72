// The harness's animate line on the real game: which frames it takes, their delay and size, the
// picture of each against a capture of the same frame, and the lines it refuses.
#include <gtest/gtest.h>

#include "gfx2d/png_reader.h"
#include "support/harness_fixture.h"

namespace {

// The big-endian 32-bit number at `at` of a PNG file.
uint32_t u32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
uint8_t* decode(const std::string& png, int32_t* w, int32_t* h) {
    return decodePngImage(reinterpret_cast<const uint8_t*>(png.data()), png.size(), w, h);
}

using HarnessAnimation = zvtest::HarnessTest;

// Frames from, +3, +6, +9 of from..from+10: the script ends with the last, each shrunk to half
// by averaging 2 x 2 blocks (truecolour, so that the picture compares exactly), 48 ms apart.
TEST_F(HarnessAnimation, TakesEveryNthFrameUpToTheLastAndShrinksThePicture) {
    const std::string folder = zvtest::makeTempFolder();
    const int from = harness::frame() + 2;
    std::string error;
    ASSERT_TRUE(harness::runScript("animate " + std::to_string(from) + " " +
                                       std::to_string(from + 10) + " 3 " + folder + "a.png 2 0\n"
                                       "at " + std::to_string(from) + " capture " + folder +
                                       "first.png\n", &error)) << error;
    EXPECT_FALSE(harness::animating());
    EXPECT_EQ(harness::frame(), from + 9);
    const std::string png = zvtest::readFile(folder + "a.png");
    ASSERT_GT(png.size(), 100u);
    EXPECT_EQ(png.substr(12, 4) + png.substr(37, 4), "IHDRacTL");
    EXPECT_EQ(u32(png, 16) * 1000 + u32(png, 20), 240160u);
    EXPECT_EQ(u32(png, 41), 4u);  // frames
    EXPECT_EQ(u32(png, png.find("fcTL") + 24), 48u << 16 | 1000);  // a delay of 48 / 1000 s
    int32_t w = 0, h = 0, fw = 0, fh = 0;
    uint8_t* small = decode(png, &w, &h);
    uint8_t* big = decode(zvtest::readFile(folder + "first.png"), &fw, &fh);
    ASSERT_TRUE(small && big && fw == 480);
    int differing = 0;
    for (int i = 0; i < w * h * 4; ++i) {
        const int x = i / 4 % w, y = i / 4 / w, c = i % 4, at = (2 * y * fw + 2 * x) * 4 + c;
        const int sum = big[at] + big[at + 4] + big[at + fw * 4] + big[at + fw * 4 + 4];
        differing += c < 3 && small[i] != (sum + 2) / 4;
    }
    EXPECT_EQ(differing, 0);
    delete[] small;
    delete[] big;
}

TEST_F(HarnessAnimation, RefusesFramesPastSizesAndASecondAnimation) {
    const int now = harness::frame();
    const std::string a = zvtest::makeTempFolder() + "a.png", frames = " " +
        std::to_string(now + 1) + " " + std::to_string(now + 3);
    std::string error;
    EXPECT_FALSE(harness::runScript("animate " + std::to_string(now - 1) + " " +
                                        std::to_string(now + 5) + " 1 " + a, &error));
    EXPECT_NE(error.find("passed"), std::string::npos) << error;
    const std::pair<const char*, const char*> bad[] = {
        {"1", " 3"}, {"1", " 2 1"}, {"1", " 2 256"}, {"0", ""}, {"1", " 9"}, {"1", " x"}};
    for (const auto& [every, tail] : bad) {
        const std::string line = "animate" + frames + " " + every + " " + a + tail;
        EXPECT_FALSE(harness::runScript(line, &error)) << line;
    }
    EXPECT_FALSE(harness::runScript("animate" + frames + " 1", &error));  // no file
    EXPECT_FALSE(harness::animating());
    ASSERT_TRUE(harness::animate(now + 1, now + 3, 1, 4, 16, a, &error)) << error;
    EXPECT_FALSE(harness::animate(now + 1, now + 3, 1, 4, 16, a, &error));
    EXPECT_NE(error.find("already"), std::string::npos) << error;
    ASSERT_TRUE(harness::finishAnimation(&error)) << error;
    const std::string png = zvtest::readFile(a);
    ASSERT_GT(png.size(), 45u);
    EXPECT_EQ(u32(png, 16) * 1000 + u32(png, 41), 120003u);  // shrunk four times, three frames
    // A file that cannot be written is reported when the animation ends.
    EXPECT_FALSE(harness::runScript("animate " + std::to_string(harness::frame() + 1) + " " +
                                        std::to_string(harness::frame() + 2) +
                                        " 1 /nonexistent-folder/a.png 8", &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

}  // namespace
