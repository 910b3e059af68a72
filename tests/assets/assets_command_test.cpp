// zvtool assets, run as the built program: it writes the pack and the sounds with exactly the
// bytes an in-process build makes (so two builds agree), and its preview draws the sheets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "asset_test_util.h"
#include "support/zvtool_run.h"

namespace {

TEST(AssetsCommand, WritesThePackAndSoundsByteForByteAsTheBuilderMakesThemWithinBudget) {
    const std::string dir = zvtest::makeTempFolder();
    const zvtest::ToolRun run = zvtest::runZvtool(dir, {"assets", dir});
    ASSERT_EQ(run.status, 0) << run.err;
    const GameAssets& assets = assettest::fullBuild();
    std::vector<uint8_t> pack;
    std::string error;
    ASSERT_TRUE(buildPack(assets.entries, &pack, &error)) << error;
    const std::string written = zvtest::readFile(dir + "packres.bin");
    EXPECT_TRUE(written == std::string(pack.begin(), pack.end())) << "the builds differ";
    EXPECT_LT(written.size(), 4u << 20) << "packres.bin outgrows its budget";
    ASSERT_EQ(assets.sounds.size(), 5u);
    for (const BuiltFile& f : assets.sounds) {
        const std::string wav = zvtest::readFile(dir + f.name);
        EXPECT_TRUE(wav == std::string(f.bytes.begin(), f.bytes.end())) << f.name << " differs";
        EXPECT_LE(wav.size(), f.name == "ambient_short2.wav" ? 40u * 11025 * 2 + 44 : 64u << 10)
            << f.name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "packres.bin.partial"));
}

TEST(AssetsCommand, PreviewDrawsASheetForEachSpriteAndOneForTheTexturesAndWritesNoData) {
    const std::string dir = zvtest::makeTempFolder();
    const zvtest::ToolRun run = zvtest::runZvtool(dir, {"assets", "--preview", "--max-width",
                                                        "800", dir});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* sheet :
         {"hud", "menu_main", "mgcomponents", "fsmall", "fmed", "flarge", "textures"}) {
        const zvtest::Picture p = zvtest::readPngFile(dir + sheet + ".png");
        EXPECT_TRUE(p.width > 0 && p.width <= 800 && p.height > 8) << sheet;
    }
    EXPECT_NE(zvtest::readFile(dir + "textures.txt").find("mg_game0_icon.png"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "packres.bin"));

    // Without an output folder it prints its usage; a missing source folder fails.
    const zvtest::ToolRun bare = zvtest::runZvtool(dir, {"assets"});
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ((bare.out + bare.err).rfind("usage: zvtool assets", 0), 0u) << bare.err;
    EXPECT_EQ(zvtest::runZvtool(dir, {"assets", "--source", dir + "missing", dir}).status, 1);
}

}  // namespace
