// Software PVRTC decompression against the format owner's own decompression of every test
// vector (every level of the mipmapped ones), and the block layout rules it rests on.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/texture.h"
#include "gfx2d/texture_test_util.h"

namespace {

using textest::Picture;

std::vector<std::string> vectorNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(textest::pvrtcVector("")))
        if (entry.path().extension() == ".pvr") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Index of the first differing byte, or -1.
long firstDifference(const std::vector<uint8_t>& a, const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return -1;
}

TEST(PvrtcDecompress, EveryLevelOfEveryVectorMatchesTheReferenceBitForBit) {
    const std::vector<std::string> names = vectorNames();
    ASSERT_GE(names.size(), 14u);
    int levelsChecked = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = textest::readBytes(textest::pvrtcVector(name + ".pvr"));
        PvrHeader header;
        ASSERT_TRUE(parsePvrHeader(file.data(), file.size(), &header));
        // The data holds exactly the levels the header announces.
        const int levels = static_cast<int>(header.mipmapCount) + 1;
        EXPECT_EQ(pvrLevelOffset(header, levels), header.dataBytes);
        for (int k = 0; k < levels; ++k) {
            SCOPED_TRACE("level " + std::to_string(k));
            const std::string dec = name + (k == 0 ? ".dec.png" : ".dec.L" + std::to_string(k) + ".png");
            const Picture expected = textest::decodeWithGameReader(
                textest::readBytes(textest::pvrtcVector(dec)));
            ASSERT_GT(expected.width, 0);
            int32_t w = 0, h = 0;
            uint8_t* rgba = decodePvrLevel(header, k, &w, &h);
            ASSERT_NE(rgba, nullptr);
            EXPECT_EQ(w, expected.width);
            EXPECT_EQ(h, expected.height);
            if (w == expected.width && h == expected.height) {
                const long diff = firstDifference(expected.rgba, rgba, expected.rgba.size());
                EXPECT_EQ(diff, -1) << "texel " << diff / 4 << " channel " << diff % 4;
            }
            delete[] rgba;
            ++levelsChecked;
        }
    }
    EXPECT_GE(levelsChecked, 14 + 7 + 5);
}

// A block of 4 bpp data whose colour word sets A and B to flat colours; modulation codes all 3
// except texel (0, 0) of block 0.
std::vector<uint8_t> flatBlocks(int blocks, uint32_t modulation, uint32_t colour) {
    std::vector<uint8_t> data(8 * blocks);
    for (int i = 0; i < blocks; ++i) {
        for (int b = 0; b < 4; ++b) data[8 * i + b] = static_cast<uint8_t>(modulation >> (8 * b));
        for (int b = 0; b < 4; ++b) data[8 * i + 4 + b] = static_cast<uint8_t>(colour >> (8 * b));
    }
    return data;
}

TEST(PvrtcDecompress, FlatOpaqueColoursWidenByRepeatingTheirTopBits) {
    // A opaque: red 31, green 0, blue 4-bit 15; B opaque: red 0, green 31, blue 5-bit 1.
    const uint32_t colour = 0x8000u | 31u << 10 | 15u << 1 | 0x80000000u | 31u << 21 | 1u << 16;
    const std::vector<uint8_t> a = flatBlocks(4, 0x00000000, colour);  // all weight 0: colour A
    const std::vector<uint8_t> b = flatBlocks(4, 0xFFFFFFFF, colour);  // all weight 8: colour B
    uint8_t outA[8 * 8 * 4], outB[8 * 8 * 4];
    ASSERT_TRUE(decompressPVRTC(a.data(), false, 8, 8, outA));
    ASSERT_TRUE(decompressPVRTC(b.data(), false, 8, 8, outB));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(outA[4 * i + 0], 255);
        EXPECT_EQ(outA[4 * i + 1], 0);
        EXPECT_EQ(outA[4 * i + 2], 255);
        EXPECT_EQ(outA[4 * i + 3], 255);
        EXPECT_EQ(outB[4 * i + 0], 0);
        EXPECT_EQ(outB[4 * i + 1], 255);
        EXPECT_EQ(outB[4 * i + 2], 8);  // 5-bit 1 -> 00001000 | 0
        EXPECT_EQ(outB[4 * i + 3], 255);
    }
}

TEST(PvrtcDecompress, PunchThroughIsFourBitOnlyAndKeepsTheHalfwayColour) {
    // Mode bit set, every texel code 2; A translucent black alpha 0, B opaque white.
    const uint32_t colour = 1u | 0x80000000u | 0x7FFFu << 16;
    const std::vector<uint8_t> blocks = flatBlocks(4, 0xAAAAAAAA, colour);
    uint8_t out4[8 * 8 * 4];
    ASSERT_TRUE(decompressPVRTC(blocks.data(), false, 8, 8, out4));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(out4[4 * i + 3], 0);
        EXPECT_EQ(out4[4 * i + 0], 127);  // (0 * 4 + 255 * 4) >> 3
    }
    // The same words in 2 bpp: interpolated modulation, never a forced alpha of 0.
    uint8_t out2[16 * 8 * 4];
    ASSERT_TRUE(decompressPVRTC(blocks.data(), true, 16, 8, out2));
    for (int i = 0; i < 16 * 8; ++i) EXPECT_GT(out2[4 * i + 3], 0) << "texel " << i;
}

TEST(PvrtcDecompress, LevelSizesKeepTwoBlocksEachWay) {
    EXPECT_EQ(pvrtcLevelBytes(32, 32, false), 512u);
    EXPECT_EQ(pvrtcLevelBytes(4, 4, false), 32u);
    EXPECT_EQ(pvrtcLevelBytes(1, 1, false), 32u);
    EXPECT_EQ(pvrtcLevelBytes(8, 8, true), 32u);
    EXPECT_EQ(pvrtcLevelBytes(64, 16, true), 256u);
    EXPECT_EQ(pvrtcLevelBytes(32, 4, false), 8u * 8 * 2);
    // Full chains as the upload walks them.
    EXPECT_EQ(compressedChainBytes(kGlCompressedRgbPvrtc4, 32, 32, 6), 768u);
    EXPECT_EQ(compressedChainBytes(kGlCompressedRgbPvrtc2, 32, 32, 6), 448u);
    EXPECT_EQ(compressedChainBytes(kGlCompressedRgbPvrtc2, 64, 16, 7), 480u);
}

TEST(PvrtcDecompress, RefusesSizesThatAreNotPowersOfTwo) {
    const std::vector<uint8_t> blocks(8 * 64);
    uint8_t out[24 * 8 * 4];
    EXPECT_FALSE(decompressPVRTC(blocks.data(), false, 24, 8, out));
    EXPECT_FALSE(decompressPVRTC(blocks.data(), false, 0, 8, out));
    EXPECT_FALSE(decompressPVRTC(blocks.data(), true, 8, -8, out));
}

}  // namespace
