// The game's PNG reader: rows filtered by hand against their worked pixels, every accepted layout
// and filter at every small size, and the files it must refuse.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>

#include "gfx2d/gfx_fixture.h"
#include "tools/writers/png_writer.h"

namespace {

using gfxtest::Bytes;
using gfxtest::decodePng;

// A PNG of rows filtered by hand (each with its filter byte first; none given: zero rows), its
// image data cut into idats IDAT chunks.
Bytes handPng(int w, int h, int colourType, int depth, Bytes filtered = {},
              const Bytes& palette = {}, const Bytes& transparency = {}, int idats = 1) {
    if (filtered.empty()) filtered.resize(h * (pngRowBytes(w, colourType, depth) + 1));
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uint8_t ihdr[13] = {0, 0, static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w), 0, 0, 0,
                              static_cast<uint8_t>(h), static_cast<uint8_t>(depth),
                              static_cast<uint8_t>(colourType)};
    putPngChunk(&png, "IHDR", ihdr, sizeof ihdr);
    if (!palette.empty()) putPngChunk(&png, "PLTE", palette.data(), palette.size());
    if (!transparency.empty()) putPngChunk(&png, "tRNS", transparency.data(), transparency.size());
    uLongf size = compressBound(filtered.size());
    Bytes z(size);
    EXPECT_EQ(compress(z.data(), &size, filtered.data(), filtered.size()), Z_OK);
    for (uLongf i = 0, at = 0, end; i < static_cast<uLongf>(idats); ++i, at = end) {
        end = size * (i + 1) / idats;
        putPngChunk(&png, "IDAT", z.data() + at, end - at);
    }
    putPngChunk(&png, "IEND", nullptr, 0);
    return png;
}

TEST(PngReader, EveryLayoutFilterAndSmallSizeDecodesWhole) {
    // The inflate staging area shares the buffer with the rows written ahead of it: narrow, tall,
    // wide and odd shapes, under each filter and under a different filter on each row, with
    // indexed pictures' tRNS of every length up to the palette's.
    const std::pair<int, int> layouts[] = {{kPngIndexed, 1}, {kPngIndexed, 2}, {kPngIndexed, 4},
                                           {kPngIndexed, 8}, {kPngRgb, 8},     {kPngRgba, 8}};
    std::minstd_rand random(7);
    for (const auto& [colourType, depth] : layouts)
        for (int w = 1; w <= 18; ++w)
            for (int h = 1; h <= 18; h += h < 6 ? 1 : 5) {
                PngWriteOptions options;
                options.colourType = colourType;
                options.bitDepth = depth;
                options.filter = (w + h) % 6;  // None .. Paeth, or a different one on each row
                const bool indexed = colourType == kPngIndexed;
                const int entries = 1 << depth, channels = colourType == kPngRgb ? 3 : 4;
                if (indexed) {
                    for (int i = 0; i < 3 * entries; ++i) options.palette.push_back(random());
                    options.transparency.resize(w % (entries + 1), random());
                }
                const size_t rowBytes = pngRowBytes(w, colourType, depth);
                Bytes rows(rowBytes * h), expected(static_cast<size_t>(w) * h * 4, 255);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        uint8_t* e = &expected[(static_cast<size_t>(y) * w + x) * 4];
                        uint8_t* row = &rows[y * rowBytes];
                        if (!indexed) {
                            for (int c = 0; c < channels; ++c)
                                row[x * channels + c] = e[c] = random();
                            continue;
                        }
                        const size_t i = random() % entries;
                        row[x * depth / 8] |= i << (8 - depth - x * depth % 8);
                        std::copy_n(&options.palette[3 * i], 3, e);
                        if (i < options.transparency.size()) e[3] = options.transparency[i];
                    }
                Bytes png;
                ASSERT_TRUE(encodePng(rows.data(), w, h, options, &png));
                ASSERT_EQ(decodePng(png).rgba, expected)
                    << "type " << colourType << " depth " << depth << ", " << w << " x " << h;
            }
}

Bytes withWord(Bytes png, size_t offset, uint32_t v) {  // big-endian; CRCs are not checked
    for (int i = 0; i < 4; ++i) png[offset + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    return png;
}
Bytes withByte(Bytes png, size_t offset, uint8_t v) {
    png[offset] = v;
    return png;
}

TEST(PngReader, HandMadeFilesDecodeToTheirWorkedPixelsOrFailWhereTheyBreakARule) {
    enum Outcome { kLoads, kHeaderFails, kDecodeFails };
    struct Case {
        const char* what;
        Bytes png;
        Outcome outcome;
        Bytes rgba = {};  // when given, the pixels
    };
    const Bytes rgba = handPng(8, 8, kPngRgba, 8), rgb = handPng(10, 10, kPngRgb, 8);
    const Bytes palette(12, 9), idat = {'I', 'D', 'A', 'T'};
    const size_t idatAt =
        std::search(rgba.begin(), rgba.end(), idat.begin(), idat.end()) - rgba.begin();
    constexpr size_t kWidth = 16, kHeight = 20, kDepth = 24;  // in IHDR
    const Case cases[] = {
        // Rows filtered by hand, 2 x 2 pixels.
        {"RGB: Sub adds the pixel to the left, wrapping; Up the one above",
         handPng(2, 2, kPngRgb, 8, {1, 10, 20, 30, 5, 250, 1, 2, 1, 1, 1, 0, 10, 255}), kLoads,
         {10, 20, 30, 255, 15, 14, 31, 255, 11, 21, 31, 255, 15, 24, 30, 255}},
        {"RGB: Average halves the left byte on the first row, then averages left and up",
         handPng(2, 2, kPngRgb, 8, {3, 10, 20, 30, 6, 6, 6, 3, 2, 2, 2, 1, 1, 1}), kLoads,
         {10, 20, 30, 255, 11, 16, 21, 255, 7, 12, 17, 255, 10, 15, 20, 255}},
        // Row 2's second pixel predicts red from the left, green from above (a tie of above and
        // above-left goes above), blue from above-left and alpha from above.
        {"RGBA: Paeth takes the left on the first row, then the nearest neighbour",
         handPng(2, 2, kPngRgba, 8,
                 {4, 10, 20, 30, 40, 1, 2, 3, 4, 4, 5, 255, 253, 1, 1, 1, 1, 1}),
         kLoads, {10, 20, 30, 40, 11, 22, 33, 44, 15, 19, 27, 41, 16, 23, 31, 45}},
        {"empty", {}, kHeaderFails},
        {"only the signature's first half", Bytes(rgba.begin(), rgba.begin() + 4), kHeaderFails},
        {"greyscale", handPng(5, 5, kPngGrey, 8), kHeaderFails},
        {"1-bit greyscale", handPng(5, 5, kPngGrey, 1), kHeaderFails},
        {"grey and alpha", handPng(5, 5, kPngGreyAlpha, 8), kHeaderFails},
        {"16-bit RGB", handPng(5, 5, kPngRgb, 16), kHeaderFails},
        {"16-bit RGBA", handPng(5, 5, kPngRgba, 16), kHeaderFails},
        {"RGBA at depth 2", withByte(rgba, kDepth, 2), kHeaderFails},
        {"indexed at depth 3", withByte(handPng(4, 4, kPngIndexed, 8), kDepth, 3), kHeaderFails},
        {"zero width", withWord(rgba, kWidth, 0), kHeaderFails},
        {"zero height", withWord(rgba, kHeight, 0), kHeaderFails},
        {"4097 wide", withWord(rgba, kWidth, 4097), kHeaderFails},
        {"4097 high", withWord(rgba, kHeight, 4097), kHeaderFails},
        {"4096 wide: the header passes", withWord(rgba, kWidth, 4096), kDecodeFails},
        {"no IHDR", withByte(rgba, 12, 'J'), kHeaderFails},
        {"IHDR of 5 bytes", withWord(rgba, 8, 5), kHeaderFails},
        {"IHDR longer than the file", withWord(rgba, 8, 0x7FFFFFF0), kHeaderFails},
        {"IHDR over the chunks after it", withWord(rgba, 8, rgba.size() - 17), kDecodeFails},
        {"PLTE of 257 entries", handPng(4, 4, kPngIndexed, 8, {}, Bytes(771, 9)), kHeaderFails},
        {"PLTE of 256 entries", handPng(4, 4, kPngIndexed, 8, {}, Bytes(768, 9)), kLoads},
        {"no PLTE", handPng(4, 4, kPngIndexed, 8), kDecodeFails},
        {"index 3 of 3", handPng(4, 1, kPngIndexed, 2, {0, 0x1B}, Bytes(9, 9)), kDecodeFails},
        {"index 3 of 4", handPng(4, 1, kPngIndexed, 2, {0, 0x1B}, palette), kLoads},
        {"tRNS past the palette", handPng(4, 4, kPngIndexed, 8, {}, palette, Bytes(5, 7)),
         kDecodeFails},
        {"tRNS as long as it", handPng(4, 4, kPngIndexed, 8, {}, palette, Bytes(4, 7)), kLoads},
        {"a row more than the data holds", withWord(rgb, kHeight, 11), kDecodeFails},
        {"a row less", withWord(rgb, kHeight, 9), kDecodeFails},
        {"rows a pixel narrower", withWord(rgb, kWidth, 9), kDecodeFails},
        {"data over 3 IDAT chunks", handPng(40, 40, kPngRgba, 8, {}, {}, {}, 3), kDecodeFails},
        {"no IDAT", withByte(rgba, idatAt, 'i'), kDecodeFails},
        {"cut inside the image data", Bytes(rgba.begin(), rgba.end() - 20), kDecodeFails},
    };
    for (const Case& c : cases) {
        Bytes png = c.png;
        PngReader reader{};
        setPngData(&reader, png.data(), png.size(), false);
        EXPECT_EQ(parsePngHeader(&reader), c.outcome != kHeaderFails) << c.what;
        const gfxtest::Picture p = decodePng(c.png);
        EXPECT_EQ(p.width > 0, c.outcome == kLoads) << c.what;
        if (!c.rgba.empty()) {
            EXPECT_EQ(p.rgba, c.rgba) << c.what;
        }
    }
    // Only the first four bytes are tested.
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(isPngSignature(withByte(rgba, i, 0).data(), 8)) << i;
    EXPECT_TRUE(isPngSignature(withByte(rgba, 4, 'x').data(), 4));
    EXPECT_FALSE(isPngSignature(rgba.data(), 3));
    EXPECT_FALSE(isPngSignature(nullptr, 8));
    // The decoding refuses a buffer too small for its staging area; other output depths only
    // step over the rows and write nothing at the front.
    Bytes png = rgba, out;
    PngReader reader{};
    setPngData(&reader, png.data(), png.size(), false);
    ASSERT_TRUE(parsePngHeader(&reader));
    uint32_t scratch[kPngPaletteEntries];
    out.resize(pngUnfilteredSize(&reader) - 1);
    EXPECT_FALSE(decodePngToRGBA(&reader, out.data(), out.size(), 32, 32, scratch));
    out.assign(8 * 4 * 9, 0xEE);
    EXPECT_TRUE(decodePngToRGBA(&reader, out.data(), out.size(), 32, 16, scratch));
    EXPECT_EQ(out[0], 0xEE);
}

}  // namespace
