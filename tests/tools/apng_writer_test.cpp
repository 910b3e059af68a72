// The animated PNG writer and its colour quantizer: the chunks a viewer needs, in order, with
// valid CRCs and consecutive sequence numbers, and every frame, rebuilt from its rectangle and
// blend through the game's PNG reader, equal to the picture given.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "gfx2d/png_reader.h"
#include "tools/writers/apng_writer.h"
#include "tools/writers/colour_quantizer.h"
#include "tools/writers/png_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

struct Animation {
    uint32_t width = 0, plays = 0;
    std::vector<Bytes> frames;                 // every frame as shown, RGB
    std::vector<std::vector<uint32_t>> fcTL;  // x, y, w, h, delay numerator and denominator
};

// Plays an APNG as a viewer would: each frame's data wrapped in a still PNG of the frame's size
// for the game's reader, then drawn at its place (where blended, only its opaque pixels).
Animation play(const Bytes& png) {
    std::vector<std::pair<std::string, Bytes>> chunks;
    size_t at = 8;
    for (uint32_t n; at + 12 <= png.size() && at + 12 + (n = u32(&png[at])) <= png.size();) {
        EXPECT_EQ(u32(&png[at + 8 + n]), crc32(0, &png[at + 4], n + 4)) << chunks.size();
        chunks.push_back({std::string(&png[at + 4], &png[at + 8]),
                          Bytes(&png[at + 8], &png[at + 8 + n])});
        at += 12 + n;
    }
    EXPECT_EQ(at, png.size()) << "a chunk runs past the end";
    Animation out;
    if (chunks.size() < 5 || chunks[0].first != "IHDR" || chunks[1].first != "acTL") {
        ADD_FAILURE() << "no IHDR and acTL first";
        return out;
    }
    EXPECT_EQ(chunks.back().first, "IEND");
    const Bytes& header = chunks[0].second;
    out.width = u32(&header[0]);
    out.plays = u32(&chunks[1].second[4]);
    Bytes canvas(out.width * u32(&header[4]) * 3), colours;  // colours: PLTE and tRNS chunks
    uint32_t sequence = 0;
    for (size_t i = 2; i + 2 < chunks.size(); ++i) {
        const auto& [type, data] = chunks[i];
        if (type == "PLTE" || type == "tRNS") {
            EXPECT_TRUE(out.frames.empty()) << type << " after the image data";
            putPngChunk(&colours, type.c_str(), data.data(), data.size());
            continue;
        }
        if (type != "fcTL" || data.size() != 26) {
            ADD_FAILURE() << type << " where a frame control belongs";
            break;
        }
        const uint8_t* c = data.data();
        EXPECT_EQ(u32(c), sequence++);
        const uint32_t w = u32(c + 4), h = u32(c + 8), x = u32(c + 12), y = u32(c + 16);
        out.fcTL.push_back(
            {x, y, w, h, uint32_t(c[20] << 8 | c[21]), uint32_t(c[22] << 8 | c[23])});
        EXPECT_EQ(c[24], 0) << "dispose";
        Bytes stream = chunks[++i].second;
        EXPECT_EQ(chunks[i].first, out.frames.empty() ? "IDAT" : "fdAT");
        if (!out.frames.empty()) {
            EXPECT_EQ(u32(stream.data()), sequence++);
            stream.erase(stream.begin(), stream.begin() + 4);
        }
        Bytes still(png.begin(), png.begin() + 8), ihdr = header;
        std::copy(c + 4, c + 12, ihdr.begin());
        putPngChunk(&still, "IHDR", ihdr.data(), ihdr.size());
        still.insert(still.end(), colours.begin(), colours.end());
        putPngChunk(&still, "IDAT", stream.data(), stream.size());
        putPngChunk(&still, "IEND", nullptr, 0);
        int32_t sw = 0, sh = 0;
        uint8_t* rgba = decodePngImage(still.data(), still.size(), &sw, &sh);
        if (!rgba || x + w > out.width || (y + h) * out.width * 3 > canvas.size()) {
            ADD_FAILURE() << "frame " << out.frames.size() << " is unreadable or out of place";
            delete[] rgba;
            break;
        }
        for (uint32_t p = 0; p < w * h; ++p)
            if (c[25] == 0 || rgba[p * 4 + 3] != 0)
                std::copy(&rgba[p * 4], &rgba[p * 4 + 3],
                          &canvas[((y + p / w) * out.width + x + p % w) * 3]);
        delete[] rgba;
        out.frames.push_back(canvas);
    }
    EXPECT_EQ(out.frames.size(), u32(&chunks[1].second[0])) << "frames against acTL";
    return out;
}

// A small night scene that moves: a dark gradient, a bright square sliding right, a corner
// counter that changes only every other frame. Few enough colours for an exact palette.
Bytes frame(int n, int w, int h, int channels = 4) {
    Bytes pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool square = x >= 4 + 3 * n && x < 12 + 3 * n && y >= 10 && y < 18;
            const uint8_t r = x < 3 && y < 3 ? 100 + (n / 2) * 40 : 8 + (y / 4) * 4;
            pixels.insert(pixels.end(), {square ? uint8_t(240) : r,
                                         uint8_t(square ? 240 : 20 + (x / 8) * 4),
                                         uint8_t(square ? 240 : 60), 255});
            if (channels == 3) pixels.pop_back();
        }
    return pixels;
}

class ApngWriterTest : public ::testing::TestWithParam<int> {};  // palette colours, 0 = RGB

TEST_P(ApngWriterTest, EveryFrameComesBackAsGivenWithItsDelayAndOnlyTheChangedRectangle) {
    const int w = 40, h = 28, frames = 6;
    ApngWriteOptions options;
    options.delayNumerator = 64;
    options.delayDenominator = 1000;
    options.plays = 3;
    options.paletteColours = GetParam();
    ApngWriter writer(w, h, options);
    for (int n = 0; n <= frames; ++n) writer.addFrame(frame(std::min(n, frames - 1), w, h).data());
    Bytes png;
    ASSERT_TRUE(writer.finish(&png));

    const Animation a = play(png);
    ASSERT_EQ(a.frames.size(), frames + 1u);
    EXPECT_EQ(a.plays, 3u);
    for (size_t n = 0; n < a.frames.size(); ++n) {
        EXPECT_EQ(a.frames[n], frame(std::min<int>(n, frames - 1), w, h, 3)) << "frame " << n;
        EXPECT_EQ(a.fcTL[n][4], 64u);
        EXPECT_EQ(a.fcTL[n][5], 1000u);
    }
    // Frame 1 moves the square from x 4..11 to 7..14 and leaves the counter; frame 2 changes
    // the counter too, reaching the corner; the repeated picture stores one pixel.
    EXPECT_EQ(a.fcTL[1], (std::vector<uint32_t>{4, 10, 11, 8, 64, 1000}));
    EXPECT_EQ(a.fcTL[2], (std::vector<uint32_t>{0, 0, 18, 18, 64, 1000}));
    EXPECT_EQ(a.fcTL[frames][2] * a.fcTL[frames][3], 1u);

    // The first frame is the still picture the game's reader reads.
    int32_t readWidth = 0, readHeight = 0;
    uint8_t* still = decodePngImage(png.data(), png.size(), &readWidth, &readHeight);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(readWidth * 1000 + readHeight, w * 1000 + h);
    EXPECT_EQ(Bytes(still, still + w * h * 4), frame(0, w, h));
    delete[] still;
}

INSTANTIATE_TEST_SUITE_P(TruecolourAndPalette, ApngWriterTest, ::testing::Values(0, 255));

TEST(ApngWriter, RefusesWhatAnAnimatedPngCannotHold) {
    const Bytes picture = frame(0, 4, 4);
    // Frames, width, palette colours: no frame, no width, too few or too many colours.
    for (const auto& [frames, width, colours] : {std::tuple{0, 4, 0}, std::tuple{1, 0, 0},
                                                 std::tuple{1, 4, 1}, std::tuple{1, 4, 256}}) {
        ApngWriteOptions options;
        options.paletteColours = colours;
        ApngWriter writer(width, 4, options);
        if (frames) writer.addFrame(picture.data());
        Bytes png;
        EXPECT_FALSE(writer.finish(&png)) << frames << " " << width << " " << colours;
    }
    std::string error;
    ApngWriter unwritable(4, 4, ApngWriteOptions());
    unwritable.addFrame(picture.data());
    EXPECT_FALSE(unwritable.writeFile("/nonexistent-folder/a.png", &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}

TEST(ColourQuantizer, KeepsFewColoursExactAndSharesManyAmongTheEntries) {
    // 8 colours stay exact in 16 entries; a smooth ramp of 4096 shares 64 entries, every pixel
    // near its own colour: 4 x 4 x 4 boxes of 4 levels 16 apart, half a box from its mean.
    for (const auto& [colours, entries, worst] : {std::tuple{8, 16, 0}, {4096, 64, 24}}) {
        Bytes rgba;
        for (int i = 0; i < 4096; ++i) {
            const int k = i % colours;
            rgba.insert(rgba.end(), {uint8_t(k % 16 * 16), uint8_t(k / 16 % 16 * 16),
                                     uint8_t(k / 256 * 16), 255});
        }
        ColourQuantizer a;
        a.add(rgba.data(), 4096);
        ASSERT_TRUE(a.build(entries));
        EXPECT_EQ(a.size(), std::min(colours, entries));
        int far = 0;
        for (int i = 0; i < 4096; ++i)
            for (int k = 0; k < 3; ++k)
                far = std::max(far, std::abs(a.palette()[a.index(&rgba[i * 4]) * 3 + k] -
                                             rgba[i * 4 + k]));
        EXPECT_LE(far, worst) << colours;
        EXPECT_FALSE(a.build(0));
        EXPECT_FALSE(a.build(257));
    }
    EXPECT_FALSE(ColourQuantizer().build(16));
}

}  // namespace
