// PVRTC: the software decompression against the format owner's own decoding of every level of
// every test vector, and the tools' encoder measured through it against the owner's tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "gfx2d/gfx_fixture.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/texture.h"
#include "tools/writers/pvrtc_encoder.h"

namespace {

using gfxtest::Bytes;
using gfxtest::Picture;
using gfxtest::vectorPicture;

// Names of the vectors (NAME of NAME.pvr), sorted; all of them or the calling test fails.
std::vector<std::string> vectorNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(gfxtest::vectorPath(""), error))
        if (entry.path().extension() == ".pvr") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.size(), size_t{gfxtest::kVectorCount}) << "vectors missing from tests/data";
    return names;
}

PvrHeader headerOf(const Bytes& file) {
    PvrHeader header{};
    EXPECT_TRUE(parsePvrHeader(file.data(), file.size(), &header));
    return header;
}

// Level k decoded, null unless it has the picture's size.
std::unique_ptr<uint8_t[]> decodeLevel(const PvrHeader& header, int k, const Picture& size) {
    int32_t w = 0, h = 0;
    std::unique_ptr<uint8_t[]> rgba(decodePvrLevel(header, k, &w, &h));
    EXPECT_TRUE(w == size.width && h == size.height) << "level " << k << ": " << w << " x " << h;
    return w == size.width && h == size.height ? std::move(rgba) : nullptr;
}

TEST(PvrtcDecompress, EveryLevelOfEveryVectorMatchesTheToolByteForByte) {
    int levelsChecked = 0;
    int32_t w, h;
    for (const std::string& name : vectorNames()) {
        SCOPED_TRACE(name);
        const Bytes file = gfxtest::vectorBytes(name + ".pvr");
        const PvrHeader header = headerOf(file);
        // The data holds exactly the levels the header announces, and no level follows 1 x 1.
        const int levels = static_cast<int>(header.mipmapCount) + 1;
        EXPECT_EQ(pvrLevelOffset(header, levels), header.dataBytes);
        EXPECT_FALSE(decodePvrLevel(header, mipmapLevelCount(header.width, header.height), &w,
                                    &h));
        for (int k = 0; k < levels; ++k, ++levelsChecked) {
            const Picture tool =
                vectorPicture(name + (k ? ".dec.L" + std::to_string(k) : ".dec") + ".png");
            const std::unique_ptr<uint8_t[]> rgba = decodeLevel(header, k, tool);
            ASSERT_TRUE(rgba && tool.width);
            const size_t at = std::mismatch(tool.rgba.begin(), tool.rgba.end(), rgba.get()).first -
                              tool.rgba.begin();
            EXPECT_EQ(at, tool.rgba.size()) << "level " << k << ", texel " << at / 4;
        }
    }
    EXPECT_EQ(levelsChecked, gfxtest::kVectorCount + 7 + 5);
    // A file too short for a level has no such level: level 0 needs 8192 bytes, level 1 starts
    // past the end.
    const Bytes p02 = gfxtest::vectorBytes("p02_terrain_128x128_4bpp_rgb_mips.pvr");
    const Bytes cut(p02.begin(), p02.begin() + std::min(p02.size(), kPvrHeaderBytes + 100));
    const PvrHeader header = headerOf(cut);
    EXPECT_FALSE(decodePvrLevel(header, 0, &w, &h) || decodePvrLevel(header, 1, &w, &h));
}

TEST(Pvrtc, SidesThatAreNotPowersOfTwoAreRefused) {
    const Bytes blocks(8 * 64);
    Bytes rgba(24 * 8 * 4), file;
    EXPECT_FALSE(decompressPVRTC(blocks.data(), false, 24, 8, rgba.data()));
    EXPECT_FALSE(decompressPVRTC(blocks.data(), false, 0, 8, rgba.data()));
    EXPECT_FALSE(decompressPVRTC(blocks.data(), true, 8, -8, rgba.data()));
    EXPECT_EQ(pvrtcLevelBytes(0, 4, false), 0u);
    std::string error;
    EXPECT_FALSE(encodePvrFile(rgba.data(), 24, 8, PvrtcEncodeOptions(), &file, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(encodePvrtcLevel(rgba.data(), 8, 0, PvrtcEncodeOptions(), &file));
}

double psnr(const Bytes& a, const uint8_t* b, int channels) {
    double squared = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (static_cast<int>(i % 4) < channels) squared += std::pow(double{1} * a[i] - b[i], 2);
    const double mse = squared / (a.size() / 4 * channels);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The picture encoded as one level and decoded by the game's decoder.
Bytes roundTrip(const Picture& p, const PvrtcEncodeOptions& options) {
    Bytes blocks, out(p.rgba.size());
    EXPECT_TRUE(encodePvrtcLevel(p.rgba.data(), p.width, p.height, options, &blocks));
    EXPECT_EQ(blocks.size(), pvrtcLevelBytes(p.width, p.height, options.twoBit));
    EXPECT_TRUE(decompressPVRTC(blocks.data(), options.twoBit, p.width, p.height, out.data()));
    return out;
}

PvrtcEncodeOptions optionsFor(const std::string& name) {
    PvrtcEncodeOptions options;
    options.twoBit = name.find("2bpp") != std::string::npos;
    options.alpha = name.find("alpha") != std::string::npos;
    options.mipmaps = name.find("mips") != std::string::npos;
    return options;
}

TEST(PvrtcEncoder, StaysNearTheReferenceEncoderOnTheVectorSources) {
    // Each vector's source encoded in the vector's format; the tool's own result is its .dec.png.
    double difference = 0;
    int sources = 0;
    for (const std::string& name : vectorNames()) {
        if (name.find("randombits") != std::string::npos) continue;  // no source picture
        SCOPED_TRACE(name);
        const Picture source = vectorPicture(name + ".src.png");
        const Picture tool = vectorPicture(name + ".dec.png");
        ASSERT_EQ(source.rgba.size(), tool.rgba.size());
        PvrtcEncodeOptions options = optionsFor(name);
        const int channels = options.alpha ? 4 : 3;
        const double theirs = psnr(source.rgba, tool.rgba.data(), channels);
        const double ours = psnr(source.rgba, roundTrip(source, options).data(), channels);
        EXPECT_GT(ours, theirs - 1.5);
        difference += ours - theirs;
        ++sources;
        if (!options.alpha) continue;
        // The same picture in an opaque format decodes opaque.
        options.alpha = false;
        options.refinementPasses = options.polishRounds = 1;
        const Bytes opaque = roundTrip(source, options);
        for (size_t i = 3; i < opaque.size(); i += 4) ASSERT_EQ(opaque[i], 255) << i / 4;
    }
    ASSERT_EQ(sources, gfxtest::kVectorCount - 2);
    EXPECT_GT(difference / sources, -0.5);
}

TEST(PvrtcEncoder, FilesAreLaidOutAsTheToolLaysThemOutAndAlwaysAlike) {
    for (const std::string name :
         {"p02_terrain_128x128_4bpp_rgb_mips", "p05_bark_64x16_2bpp_rgb",
          "p11_smoke_32x32_2bpp_alpha_mips", "p03_sprite_64x64_4bpp_alpha"}) {
        SCOPED_TRACE(name);
        const Bytes reference = gfxtest::vectorBytes(name + ".pvr");
        Picture level = vectorPicture(name + ".src.png");
        PvrtcEncodeOptions options = optionsFor(name);
        options.refinementPasses = options.polishRounds = 1;
        Bytes ours, again;
        for (Bytes* file : {&ours, &again})
            ASSERT_TRUE(encodePvrFile(level.rgba.data(), level.width, level.height, options, file,
                                      nullptr));
        EXPECT_EQ(ours, again) << "the same input gives the same bytes";
        ASSERT_EQ(ours.size(), reference.size());
        EXPECT_EQ(0, std::memcmp(ours.data(), reference.data(), kPvrHeaderBytes)) << "header";
        // Every level, down to 1 x 1, decodes to the box-filtered picture of its size.
        const PvrHeader header = headerOf(ours);
        for (int k = 0; k <= static_cast<int>(header.mipmapCount); ++k) {
            const std::unique_ptr<uint8_t[]> decoded = decodeLevel(header, k, level);
            ASSERT_TRUE(decoded);
            EXPECT_GT(psnr(level.rgba, decoded.get(), 3), 24.0) << "level " << k;
            level = {std::max(1, level.width / 2), std::max(1, level.height / 2),
                     halvePicture(level.rgba.data(), level.width, level.height)};
        }
    }
}

}  // namespace
