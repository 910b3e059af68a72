// The animated PNG writer and its colour quantizer: the chunks an APNG reader needs, in order,
// with valid CRCs and consecutive sequence numbers; the first frame readable by the game's own
// PNG reader; every frame, rebuilt from its rectangle and blend, equal to the picture given.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "tools/writers/apng_writer.h"
#include "tools/writers/colour_quantizer.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

struct Chunk {
    std::string type;
    Bytes data;
};

// Splits a PNG into chunks, failing the test on a bad signature, length or CRC.
std::vector<Chunk> chunksOf(const Bytes& png) {
    std::vector<Chunk> chunks;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(png.size() >= 8 && std::equal(signature, signature + 8, png.begin()));
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = u32(&png[at]);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk runs past the end";
            break;
        }
        const uint32_t crc = u32(&png[at + 8 + length]);
        EXPECT_EQ(crc, crc32(0, &png[at + 4], length + 4)) << "chunk " << chunks.size();
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          Bytes(png.begin() + at + 8, png.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Inflates and unfilters one frame's rows (bpp bytes a pixel).
Bytes unfiltered(const Bytes& stream, uint32_t w, uint32_t h, int bpp) {
    const size_t rowBytes = static_cast<size_t>(w) * bpp;
    Bytes raw(h * (rowBytes + 1));
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, stream.data(), stream.size()), Z_OK);
    EXPECT_EQ(size, raw.size());
    Bytes rows(h * rowBytes);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t type = raw[y * (rowBytes + 1)];
        for (size_t x = 0; x < rowBytes; ++x) {
            const int a = x >= static_cast<size_t>(bpp) ? rows[y * rowBytes + x - bpp] : 0;
            const int b = y ? rows[(y - 1) * rowBytes + x] : 0;
            const int c =
                y && x >= static_cast<size_t>(bpp) ? rows[(y - 1) * rowBytes + x - bpp] : 0;
            const int predictor = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2
                                : type == 4 ? paeth(a, b, c) : 0;
            const uint8_t stored = raw[y * (rowBytes + 1) + 1 + x];
            rows[y * rowBytes + x] = static_cast<uint8_t>(stored + predictor);
        }
    }
    return rows;
}

struct Animation {
    uint32_t width = 0, height = 0, plays = 0;
    std::vector<Bytes> frames;  // every frame as shown, RGB
    std::vector<uint32_t> delayNumerators, delayDenominators;
    std::vector<uint32_t> rectangles;  // x, y, w, h per frame
};

// Reads an APNG as a viewer would, checking the chunk order and the sequence numbers.
Animation play(const Bytes& png) {
    Animation out;
    const std::vector<Chunk> chunks = chunksOf(png);
    EXPECT_GE(chunks.size(), 5u);
    if (chunks.size() < 5) return out;
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "acTL");
    EXPECT_EQ(chunks.back().type, "IEND");
    out.width = u32(&chunks[0].data[0]);
    out.height = u32(&chunks[0].data[4]);
    const int colourType = chunks[0].data[9];
    const int bpp = colourType == 3 ? 1 : colourType == 6 ? 4 : 3;
    const uint32_t frameCount = u32(&chunks[1].data[0]);
    out.plays = u32(&chunks[1].data[4]);
    Bytes palette, alpha, canvas(out.width * out.height * 3);
    uint32_t sequence = 0;
    bool seenImageData = false;
    for (size_t i = 2; i + 1 < chunks.size(); ++i) {
        const Chunk& chunk = chunks[i];
        if (chunk.type == "PLTE") palette = chunk.data;
        if (chunk.type == "tRNS") alpha = chunk.data;
        if (chunk.type == "PLTE" || chunk.type == "tRNS") {
            EXPECT_FALSE(seenImageData) << chunk.type << " after the image data";
            continue;
        }
        EXPECT_EQ(chunk.type, "fcTL");
        EXPECT_EQ(chunk.data.size(), 26u);
        if (chunk.type != "fcTL" || chunk.data.size() != 26 || i + 2 >= chunks.size()) break;
        const uint8_t* c = chunk.data.data();
        EXPECT_EQ(u32(c), sequence++);
        const uint32_t w = u32(c + 4), h = u32(c + 8), x = u32(c + 12), y = u32(c + 16);
        EXPECT_TRUE(w >= 1 && h >= 1 && x + w <= out.width && y + h <= out.height);
        if (w < 1 || h < 1 || x + w > out.width || y + h > out.height) break;
        out.rectangles.insert(out.rectangles.end(), {x, y, w, h});
        out.delayNumerators.push_back(static_cast<uint32_t>(c[20]) << 8 | c[21]);
        out.delayDenominators.push_back(static_cast<uint32_t>(c[22]) << 8 | c[23]);
        EXPECT_EQ(c[24], 0) << "dispose";
        const bool over = c[25] == 1;
        const Chunk& data = chunks[++i];
        Bytes stream;
        if (out.frames.empty()) {
            EXPECT_EQ(data.type, "IDAT");
            EXPECT_TRUE(x == 0 && y == 0 && w == out.width && h == out.height);
            stream = data.data;
        } else {
            EXPECT_EQ(data.type, "fdAT");
            if (data.data.size() < 4) break;
            EXPECT_EQ(u32(data.data.data()), sequence++);
            stream.assign(data.data.begin() + 4, data.data.end());
        }
        seenImageData = true;
        const Bytes rows = unfiltered(stream, w, h, bpp);
        for (uint32_t ry = 0; ry < h; ++ry)
            for (uint32_t rx = 0; rx < w; ++rx) {
                const uint8_t* p = &rows[(ry * w + rx) * bpp];
                uint8_t rgb[3] = {p[0], p[bpp > 1 ? 1 : 0], p[bpp > 1 ? 2 : 0]};
                if (colourType == 3) {
                    EXPECT_LT(p[0] * 3u + 2, palette.size());
                    if (over && p[0] < alpha.size() && alpha[p[0]] == 0) continue;
                    for (int k = 0; k < 3; ++k) rgb[k] = palette[p[0] * 3 + k];
                }
                std::copy(rgb, rgb + 3, &canvas[((y + ry) * out.width + x + rx) * 3]);
            }
        out.frames.push_back(canvas);
    }
    EXPECT_EQ(out.frames.size(), frameCount);
    return out;
}

// A small night scene that moves: a dark gradient, a bright square sliding right, a corner
// counter that changes only every other frame. Few enough colours for an exact palette.
Bytes frame(int n, int w, int h) {
    Bytes rgba(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(y * w + x) * 4];
            p[0] = static_cast<uint8_t>(8 + (y / 4) * 4);
            p[1] = static_cast<uint8_t>(20 + (x / 8) * 4);
            p[2] = 60;
            p[3] = 255;
            if (x >= 4 + 3 * n && x < 12 + 3 * n && y >= 10 && y < 18) p[0] = p[1] = p[2] = 240;
            if (x < 3 && y < 3) p[0] = static_cast<uint8_t>(100 + (n / 2) * 40);
        }
    return rgba;
}

Bytes rgbOf(const Bytes& rgba) {
    Bytes rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
    return rgb;
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
    for (int n = 0; n < frames; ++n) writer.addFrame(frame(n, w, h).data());
    writer.addFrame(frame(frames - 1, w, h).data());  // a repeated picture
    Bytes png;
    ASSERT_TRUE(writer.finish(&png));

    const Animation a = play(png);
    ASSERT_EQ(a.frames.size(), static_cast<size_t>(frames + 1));
    EXPECT_EQ(a.width, static_cast<uint32_t>(w));
    EXPECT_EQ(a.plays, 3u);
    for (size_t n = 0; n < a.frames.size(); ++n) {
        EXPECT_EQ(a.delayNumerators[n], 64u);
        EXPECT_EQ(a.delayDenominators[n], 1000u);
        EXPECT_EQ(a.frames[n], rgbOf(frame(std::min<int>(n, frames - 1), w, h))) << "frame " << n;
    }
    // Frame 1 moves the square from x 4..11 to 7..14 and leaves the counter: x 4..14, y 10..17.
    EXPECT_EQ(a.rectangles[4], 4u);
    EXPECT_EQ(a.rectangles[5], 10u);
    EXPECT_EQ(a.rectangles[6], 11u);
    EXPECT_EQ(a.rectangles[7], 8u);
    // Frame 2 changes the counter too: the rectangle reaches the corner.
    EXPECT_EQ(a.rectangles[8], 0u);
    EXPECT_EQ(a.rectangles[9], 0u);
    // The repeated picture stores one pixel.
    EXPECT_EQ(a.rectangles[frames * 4 + 2], 1u);
    EXPECT_EQ(a.rectangles[frames * 4 + 3], 1u);

    // The first frame is the still picture, and the game's reader reads it.
    int32_t readWidth = 0, readHeight = 0;
    uint8_t* still = decodePngImage(png.data(), png.size(), &readWidth, &readHeight);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(readWidth, w);
    EXPECT_EQ(readHeight, h);
    EXPECT_EQ(rgbOf(Bytes(still, still + w * h * 4)), rgbOf(frame(0, w, h)));
    delete[] still;
}

INSTANTIATE_TEST_SUITE_P(TruecolourAndPalette, ApngWriterTest, ::testing::Values(0, 255));

TEST(ApngWriter, RefusesWhatAnAnimatedPngCannotHold) {
    Bytes png;
    ApngWriter empty(4, 4, ApngWriteOptions());
    EXPECT_FALSE(empty.finish(&png));
    const Bytes picture = frame(0, 4, 4);
    for (int colours : {1, 256}) {
        ApngWriteOptions options;
        options.paletteColours = colours;
        ApngWriter writer(4, 4, options);
        writer.addFrame(picture.data());
        EXPECT_FALSE(writer.finish(&png)) << colours;
    }
    ApngWriter none(0, 4, ApngWriteOptions());
    none.addFrame(picture.data());
    EXPECT_FALSE(none.finish(&png));
    std::string error;
    ApngWriter unwritable(4, 4, ApngWriteOptions());
    unwritable.addFrame(picture.data());
    EXPECT_FALSE(unwritable.writeFile("/nonexistent-folder/a.png", &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}

TEST(ColourQuantizer, KeepsFewColoursExactAndSharesManyAmongTheEntries) {
    // 8 exact colours stay exact.
    Bytes few;
    for (int i = 0; i < 64; ++i)
        few.insert(few.end(), {uint8_t(i % 8 * 32), 200, uint8_t(i % 8 * 8), 255});
    ColourQuantizer exact;
    exact.add(few.data(), 64);
    ASSERT_TRUE(exact.build(16));
    EXPECT_EQ(exact.size(), 8);
    for (int i = 0; i < 64; ++i) {
        const uint8_t e = exact.index(&few[i * 4]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(exact.palette()[e * 3 + k], few[i * 4 + k]);
    }

    // A smooth ramp of 4096 colours in 64 entries: every pixel lands close to its colour, and
    // the same pictures make the same palette.
    Bytes ramp;
    for (int i = 0; i < 4096; ++i)
        ramp.insert(ramp.end(),
                    {uint8_t(i % 16 * 16), uint8_t(i / 16 % 16 * 16), uint8_t(i / 256 * 16), 255});
    ColourQuantizer a, b;
    a.add(ramp.data(), 4096);
    b.add(ramp.data(), 4096);
    ASSERT_TRUE(a.build(64));
    ASSERT_TRUE(b.build(64));
    EXPECT_EQ(a.size(), 64);
    EXPECT_EQ(a.palette(), b.palette());
    int worst = 0;
    for (int i = 0; i < 4096; ++i) {
        const uint8_t e = a.index(&ramp[i * 4]);
        int d = 0;
        for (int k = 0; k < 3; ++k)
            d = std::max(d, std::abs(a.palette()[e * 3 + k] - ramp[i * 4 + k]));
        worst = std::max(worst, d);
    }
    EXPECT_LE(worst, 24);  // 4 x 4 x 4 boxes of 4 levels 16 apart: half a box from its mean

    ColourQuantizer nothing;
    EXPECT_FALSE(nothing.build(16));
    EXPECT_FALSE(a.build(0));
    EXPECT_FALSE(a.build(257));
}

}  // namespace
