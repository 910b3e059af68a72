// The game's PNG reader against libpng: every layout it accepts, decoded pixel for pixel alike;
// the layouts it refuses; and the malformed files it must fail on without reading astray.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "gfx2d/libpng_reference.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/texture_test_util.h"
#include "tools/writers/png_writer.h"

namespace {

using textest::Picture;
using textest::Random;

// Unfiltered PNG rows of random samples for the layout; indices stay below paletteSize.
std::vector<uint8_t> randomRows(int width, int height, int colourType, int depth, int paletteSize,
                                uint32_t seed) {
    Random random(seed);
    const size_t rowBytes = pngRowBytes(width, colourType, depth);
    std::vector<uint8_t> rows(rowBytes * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = rows.data() + y * rowBytes;
        if (colourType == kPngIndexed) {
            for (int x = 0; x < width; ++x) {
                const int index = static_cast<int>(random.next() % paletteSize);
                const int bit = x * depth;
                row[bit / 8] |= static_cast<uint8_t>(index << (8 - depth - bit % 8));
            }
        } else {
            // Smooth with noise, so that every filter has something to predict.
            for (size_t i = 0; i < rowBytes; ++i)
                row[i] = static_cast<uint8_t>(i * 3 + y * 5 + (random.next() % 17));
        }
    }
    return rows;
}

std::vector<uint8_t> randomPalette(int entries, uint32_t seed) {
    Random random(seed);
    std::vector<uint8_t> p(entries * 3);
    for (uint8_t& b : p) b = random.byte();
    return p;
}

// Decodes png with both readers and expects the same picture.
void expectSameAsLibpng(const std::vector<uint8_t>& png) {
    int w = 0, h = 0;
    std::vector<uint8_t> reference;
    ASSERT_TRUE(libpng::decodeRgba(png, &w, &h, &reference));
    const Picture ours = textest::decodeWithGameReader(png);
    ASSERT_EQ(ours.width, w);
    ASSERT_EQ(ours.height, h);
    for (size_t i = 0; i < reference.size(); ++i) {
        if (ours.rgba[i] != reference[i]) {
            ADD_FAILURE() << "pixel (" << (i / 4) % w << ", " << (i / 4) / w << ") channel "
                          << i % 4 << ": " << int{ours.rgba[i]} << " != " << int{reference[i]};
            return;
        }
    }
}

struct Layout {
    int colourType, depth;
};
const Layout kAccepted[] = {{kPngIndexed, 1}, {kPngIndexed, 2}, {kPngIndexed, 4},
                            {kPngIndexed, 8}, {kPngRgb, 8},     {kPngRgba, 8}};

TEST(PngReader, EveryAcceptedLayoutAndFilterDecodesLikeLibpng) {
    ASSERT_TRUE(libpng::available());
    uint32_t seed = 1;
    for (const Layout& layout : kAccepted) {
        for (int filter = 0; filter <= 4; ++filter) {
            for (const auto& size : {std::pair<int, int>{13, 7}, {100, 60}, {1, 1}, {3, 40}}) {
                SCOPED_TRACE("colour type " + std::to_string(layout.colourType) + " depth " +
                             std::to_string(layout.depth) + " filter " + std::to_string(filter) +
                             " size " + std::to_string(size.first) + "x" +
                             std::to_string(size.second));
                libpng::WriteRequest request;
                request.width = size.first;
                request.height = size.second;
                request.colourType = layout.colourType;
                request.bitDepth = layout.depth;
                request.filter = filter;
                const int entries = layout.colourType == kPngIndexed ? 1 << layout.depth : 0;
                request.palette = randomPalette(entries, seed);
                request.rows = randomRows(request.width, request.height, layout.colourType, layout.depth,
                                       std::max(entries, 1), seed++);
                std::vector<uint8_t> png;
                ASSERT_TRUE(libpng::write(request, &png));
                expectSameAsLibpng(png);
            }
        }
    }
}

TEST(PngReader, RowsWithADifferentFilterEachDecodeLikeLibpng) {
    // Cycling None, Sub, Up, Average, Paeth down the rows makes every filter meet every other as
    // its previous row; a fixed filter also applies it to the first row, where the row above
    // counts as zeros. A writer left to its own choices need not produce either.
    for (const Layout& layout : kAccepted) {
        for (int filter : {int{kPngFilterCycle}, 0, 1, 2, 3, 4}) {
            SCOPED_TRACE(layout.colourType * 100 + layout.depth);
            SCOPED_TRACE(filter);
            PngWriteOptions options;
            options.colourType = layout.colourType;
            options.bitDepth = layout.depth;
            options.filter = filter;
            const int entries = layout.colourType == kPngIndexed ? 1 << layout.depth : 1;
            if (layout.colourType == kPngIndexed) options.palette = randomPalette(entries, 7);
            const std::vector<uint8_t> rows = randomRows(37, 23, layout.colourType, layout.depth, entries, 9);
            std::vector<uint8_t> png;
            ASSERT_TRUE(encodePng(rows.data(), 37, 23, options, &png));
            expectSameAsLibpng(png);
        }
    }
}

TEST(PngReader, ShortTransparencyLeavesTheLaterPaletteEntriesOpaque) {
    libpng::WriteRequest request;
    request.width = 16;
    request.height = 2;
    request.colourType = kPngIndexed;
    request.bitDepth = 4;
    request.palette = randomPalette(16, 3);
    request.transparency = {0, 64, 128, 200};  // entries 0..3; 4..15 have none
    request.rows = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    std::vector<uint8_t> png;
    ASSERT_TRUE(libpng::write(request, &png));
    const Picture p = textest::decodeWithGameReader(png);
    ASSERT_EQ(p.width, 16);
    for (int x = 0; x < 16; ++x) {
        const int alpha = p.rgba[4 * x + 3];
        EXPECT_EQ(alpha, x < 4 ? request.transparency[x] : 255) << "index " << x;
        EXPECT_EQ(p.rgba[4 * x + 0], request.palette[3 * x]);
    }
    expectSameAsLibpng(png);
}

TEST(PngReader, EveryPictureOfTheTestDataDecodesLikeLibpng) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(textest::pvrtcVector(""))) {
        if (entry.path().extension() != ".png") continue;
        SCOPED_TRACE(entry.path().filename().string());
        expectSameAsLibpng(textest::readBytes(entry.path().string()));
        ++files;
    }
    EXPECT_GE(files, 38);
}

TEST(PngReader, AllSmallSizesOfEveryLayoutDecodeInsideTheirBuffer) {
    // The staging area shares the buffer with the rows written ahead of it; every narrow,
    // tall, wide and odd shape must come out whole.
    uint32_t seed = 100;
    for (const Layout& layout : kAccepted) {
        for (int w = 1; w <= 18; ++w) {
            for (int h = 1; h <= 18; h += (h < 6 ? 1 : 5)) {
                PngWriteOptions options;
                options.colourType = layout.colourType;
                options.bitDepth = layout.depth;
                const int entries = layout.colourType == kPngIndexed ? 1 << layout.depth : 1;
                if (layout.colourType == kPngIndexed) options.palette = randomPalette(entries, seed);
                const std::vector<uint8_t> rows =
                    randomRows(w, h, layout.colourType, layout.depth, entries, seed++);
                std::vector<uint8_t> png;
                ASSERT_TRUE(encodePng(rows.data(), w, h, options, &png));
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
                expectSameAsLibpng(png);
            }
        }
    }
}

TEST(PngReader, SignatureIsTheFirstFourBytesOnly) {
    const uint8_t good[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
    const uint8_t otherTail[] = {0x89, 'P', 'N', 'G', 'x', 'y', 'z', 'w'};
    const uint8_t bad[] = {0x88, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(isPngSignature(good, sizeof good));
    EXPECT_TRUE(isPngSignature(otherTail, sizeof otherTail));
    EXPECT_FALSE(isPngSignature(bad, sizeof bad));
    EXPECT_FALSE(isPngSignature(good, 3));
    EXPECT_FALSE(isPngSignature(nullptr, 8));

    std::vector<uint8_t> png;
    const uint8_t pixel[4] = {1, 2, 3, 4};
    ASSERT_TRUE(encodePngRgba(pixel, 1, 1, &png));
    png[0] = 0x88;
    EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
}

// A PNG of the given layout written by the tools' writer (which also writes what the reader
// refuses).
std::vector<uint8_t> writerPng(int w, int h, int colourType, int depth,
                               const std::vector<uint8_t>& palette = {},
                               const std::vector<uint8_t>& transparency = {}, int idatChunks = 1) {
    PngWriteOptions options;
    options.colourType = colourType;
    options.bitDepth = depth;
    options.palette = palette;
    options.transparency = transparency;
    options.idatChunks = idatChunks;
    const std::vector<uint8_t> rows(pngRowBytes(w, colourType, depth) * h, 0);
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePng(rows.data(), w, h, options, &png));
    return png;
}

bool headerParses(std::vector<uint8_t> png) {
    PngReader reader{};
    setPngData(&reader, png.data(), png.size(), false);
    const bool ok = parsePngHeader(&reader);
    resetPngReader(&reader);
    return ok;
}

TEST(PngReader, GreyscaleAndSixteenBitPicturesAreRefused) {
    for (const Layout& refused : {Layout{kPngGrey, 8}, Layout{kPngGrey, 1}, Layout{kPngGreyAlpha, 8},
                                  Layout{kPngRgb, 16}, Layout{kPngRgba, 16}, Layout{kPngGrey, 16}}) {
        SCOPED_TRACE(refused.colourType * 100 + refused.depth);
        const std::vector<uint8_t> png = writerPng(5, 5, refused.colourType, refused.depth);
        int w, h;
        std::vector<uint8_t> reference;
        ASSERT_TRUE(libpng::decodeRgba(png, &w, &h, &reference));  // a valid PNG all the same
        EXPECT_FALSE(headerParses(png));
        EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
    }
}

// Rewrites the 4-byte big-endian word at offset and the CRC of the chunk it lies in does not
// matter: the reader does not check CRCs.
void putU32be(std::vector<uint8_t>* png, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*png)[offset + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
constexpr size_t kIhdrWidth = 16, kIhdrHeight = 20, kIhdrDepth = 24, kIhdrColourType = 25;

TEST(PngReader, MalformedHeadersFail) {
    const std::vector<uint8_t> good = writerPng(8, 8, kPngRgba, 8);
    ASSERT_TRUE(headerParses(good));
    std::vector<uint8_t> png = good;
    putU32be(&png, kIhdrWidth, 0);
    EXPECT_FALSE(headerParses(png)) << "zero width";
    png = good;
    putU32be(&png, kIhdrHeight, 0);
    EXPECT_FALSE(headerParses(png)) << "zero height";
    png = good;
    putU32be(&png, kIhdrWidth, 4097);
    EXPECT_FALSE(headerParses(png)) << "wider than 4096";
    png = good;
    putU32be(&png, kIhdrWidth, 0x40000000);
    putU32be(&png, kIhdrHeight, 0x40000000);
    EXPECT_FALSE(headerParses(png)) << "width x height x 4 overflows";
    png = good;
    png[kIhdrColourType] = 6;
    png[kIhdrDepth] = 2;  // 2 x 4 = 8 bits per pixel, yet not an indexed picture
    EXPECT_FALSE(headerParses(png)) << "RGBA at depth 2";
    png = good;
    png[12] = 'J';  // IHDR renamed: no header chunk
    EXPECT_FALSE(headerParses(png));
    png = good;
    putU32be(&png, 8, 0x7FFFFFF0);  // IHDR length far past the end
    EXPECT_FALSE(headerParses(png));
}

TEST(PngReader, PaletteProblemsFail) {
    const std::vector<uint8_t> palette = randomPalette(4, 5);
    // Index 3 used, palette of 3 entries.
    {
        PngWriteOptions options;
        options.colourType = kPngIndexed;
        options.bitDepth = 2;
        options.palette.assign(palette.begin(), palette.begin() + 9);
        const uint8_t rows[2] = {0x1B, 0x00};  // indices 0 1 2 3
        std::vector<uint8_t> png;
        ASSERT_TRUE(encodePng(rows, 4, 2, options, &png));
        EXPECT_EQ(textest::decodeWithGameReader(png).width, 0) << "index past the palette";
        options.palette = palette;
        ASSERT_TRUE(encodePng(rows, 4, 2, options, &png));
        EXPECT_EQ(textest::decodeWithGameReader(png).width, 4) << "same picture, full palette";
    }
    EXPECT_EQ(textest::decodeWithGameReader(writerPng(4, 4, kPngIndexed, 8)).width, 0)
        << "no PLTE at all";
    EXPECT_FALSE(headerParses(writerPng(4, 4, kPngIndexed, 8, randomPalette(257, 1))))
        << "PLTE of 257 entries";
    EXPECT_EQ(textest::decodeWithGameReader(
                  writerPng(4, 4, kPngIndexed, 8, palette, std::vector<uint8_t>(5, 7)))
                  .width,
              0)
        << "tRNS of 5 entries over a palette of 4";
    EXPECT_EQ(textest::decodeWithGameReader(
                  writerPng(4, 4, kPngIndexed, 8, palette, std::vector<uint8_t>(4, 7)))
                  .width,
              4)
        << "tRNS as long as the palette";
}

TEST(PngReader, ImageDataMustInflateToExactlyTheUnfilteredSize) {
    const std::vector<uint8_t> good = writerPng(10, 10, kPngRgb, 8);
    EXPECT_EQ(textest::decodeWithGameReader(good).width, 10);
    std::vector<uint8_t> png = good;
    putU32be(&png, kIhdrHeight, 11);  // one row more than the data holds
    EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
    png = good;
    putU32be(&png, kIhdrHeight, 9);  // one row less
    EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
    png = good;
    putU32be(&png, kIhdrWidth, 9);  // rows a pixel narrower
    EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
}

TEST(PngReader, ImageDataOverSeveralChunksFails) {
    const std::vector<uint8_t> split = writerPng(40, 40, kPngRgba, 8, {}, {}, 3);
    int w, h;
    std::vector<uint8_t> reference;
    ASSERT_TRUE(libpng::decodeRgba(split, &w, &h, &reference));
    EXPECT_EQ(textest::decodeWithGameReader(split).width, 0);
}

TEST(PngReader, MissingImageDataFails) {
    std::vector<uint8_t> png = writerPng(4, 4, kPngRgba, 8);
    // Rename the IDAT chunk: the walk then reaches IEND without finding one.
    const uint8_t idat[4] = {'I', 'D', 'A', 'T'};
    auto at = std::search(png.begin(), png.end(), idat, idat + 4);
    ASSERT_NE(at, png.end());
    *at = 'i';
    EXPECT_EQ(textest::decodeWithGameReader(png).width, 0);
}

TEST(PngReader, DecodeRefusesABufferTooSmallForTheStagingArea) {
    const std::vector<uint8_t> png = writerPng(8, 8, kPngRgba, 8);
    PngReader reader{};
    setPngData(&reader, const_cast<uint8_t*>(png.data()), png.size(), false);
    ASSERT_TRUE(parsePngHeader(&reader));
    uint32_t palette[kPngPaletteEntries];
    std::vector<uint8_t> out(pngUnfilteredSize(&reader) - 1);
    EXPECT_FALSE(decodePngToRGBA(&reader, out.data(), out.size(), 32, 32, palette));
    // Other output depths only step over the rows: nothing is written to the front.
    out.assign(8 * 4 * 9, 0xEE);
    EXPECT_TRUE(decodePngToRGBA(&reader, out.data(), out.size(), 32, 16, palette));
    EXPECT_EQ(out[0], 0xEE);
}

}  // namespace
