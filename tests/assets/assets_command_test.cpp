// zvtool assets, run as the built program: it writes the pack and the sounds with exactly the
// bytes an in-process build makes (so two builds agree), and its preview draws the sheets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "asset_test_util.h"
#include "gfx2d/png_reader.h"

namespace {

int zvtool(const std::string& arguments, const std::string& log) {
    const std::string command = "SDL_VIDEODRIVER=dummy '" ZV_BINARY_DIR "/tools/zvtool' assets " +
                                arguments + " > '" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class AssetsCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(ZV_BINARY_DIR "/tools/zvtool"))
            << "zvtool is not built";
        dir_ = zvtest::makeTempFolder();
    }
    std::string dir_;
};

TEST_F(AssetsCommand, WritesThePackAndSoundsByteForByteAsTheBuilderMakesThemWithinBudget) {
    ASSERT_EQ(zvtool("'" + dir_ + "'", dir_ + "log"), 0) << zvtest::readFile(dir_ + "log");
    const GameAssets& assets = assettest::fullBuild();
    std::vector<uint8_t> pack;
    std::string error;
    ASSERT_TRUE(buildPack(assets.entries, &pack, &error)) << error;
    const std::string written = zvtest::readFile(dir_ + "packres.bin");
    EXPECT_TRUE(written == std::string(pack.begin(), pack.end()))
        << "packres.bin differs between builds";
    EXPECT_LT(written.size(), 4u << 20) << "packres.bin outgrows its budget";
    ASSERT_EQ(assets.sounds.size(), 5u);
    for (const BuiltFile& f : assets.sounds) {
        const std::string wav = zvtest::readFile(dir_ + f.name);
        EXPECT_TRUE(wav == std::string(f.bytes.begin(), f.bytes.end()))
            << f.name << " differs between builds";
        const size_t limit = f.name == "ambient_short2.wav" ? 40u * 11025 * 2 + 44 : 64u << 10;
        EXPECT_LE(wav.size(), limit) << f.name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "packres.bin.partial"));
}

TEST_F(AssetsCommand, PreviewDrawsASheetForEachSpriteAndOneForTheTextures) {
    ASSERT_EQ(zvtool("--preview --max-width 800 '" + dir_ + "'", dir_ + "log"), 0)
        << zvtest::readFile(dir_ + "log");
    for (const char* sheet :
         {"hud", "menu_main", "mgcomponents", "fsmall", "fmed", "flarge", "textures"}) {
        const std::string bytes = zvtest::readFile(dir_ + sheet + ".png");
        int32_t w = 0, h = 0;
        uint8_t* rgba =
            decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &w, &h);
        ASSERT_NE(rgba, nullptr) << sheet;
        delete[] rgba;
        EXPECT_LE(w, 800) << sheet;
        EXPECT_GT(h, 8) << sheet;
    }
    EXPECT_NE(zvtest::readFile(dir_ + "textures.txt").find("mg_game0_icon.png"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "packres.bin")) << "a preview writes no data";
}

TEST_F(AssetsCommand, WithoutAnOutputFolderPrintsItsUsage) {
    EXPECT_EQ(zvtool("", dir_ + "log"), 2);
    EXPECT_EQ(zvtest::readFile(dir_ + "log").rfind("usage: zvtool assets", 0), 0u);
    EXPECT_EQ(zvtool("--source '" + dir_ + "missing' '" + dir_ + "'", dir_ + "log"), 1);
}

}  // namespace
