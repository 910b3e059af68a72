// The zvtool sprite, font and text commands, run as the built program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun zvtool(const std::string& folder, const std::vector<std::string>& args) {
    std::string command = "SDL_VIDEODRIVER=dummy '" ZV_BINARY_DIR "/tools/zvtool'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " > '" + folder + "out' 2> '" + folder + "err'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, zvtest::readFile(folder + "out"),
            zvtest::readFile(folder + "err")};
}

class Zvtool2d : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(ZV_BINARY_DIR "/tools/zvtool"))
            << "zvtool is not built";
        dir_ = zvtest::makeTempFolder();
    }
    // Width and height of a PNG written by the tool, and whether any pixel is bright.
    bool readPng(const std::string& path, int* w, int* h, bool* bright) {
        const std::string bytes = zvtest::readFile(path);
        int32_t pw = 0, ph = 0;
        uint8_t* rgba = decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()),
                                       bytes.size(), &pw, &ph);
        if (!rgba) return false;
        *w = pw;
        *h = ph;
        *bright = false;
        for (int32_t i = 0; i < pw * ph; ++i) {
            *bright |= rgba[i * 4] > 200 && rgba[i * 4 + 1] > 200 && rgba[i * 4 + 2] > 200;
        }
        delete[] rgba;
        return true;
    }
    std::string dir_;
};

TEST_F(Zvtool2d, EachCommandAlonePrintsItsUsage) {
    for (const char* command : {"sprite", "font", "text"}) {
        const ToolRun run = zvtool(dir_, {command});
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.err.rfind("usage: zvtool " + std::string(command), 0), 0u) << run.err;
    }
}

TEST_F(Zvtool2d, TextBuildThenDumpGivesBackTheSource) {
    const std::string source =
        "[0]\nPlay\nScore: {var 0}\n\n[3]\n\xC3\x89t\xC3\xA9 {text 252 1}\n[252]\nA\nB\\nC\n";
    ASSERT_TRUE(zvtest::writeFile(dir_ + "menu.txt", source));
    ASSERT_EQ(zvtool(dir_, {"text", "build", dir_ + "menu.txt", dir_ + "menu00.txb"}).status, 0);
    const ToolRun dump = zvtool(dir_, {"text", "dump", dir_ + "menu00.txb"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out, source);
    const ToolRun expanded = zvtool(dir_, {"text", "dump", dir_ + "menu00.txb", "--expand"});
    EXPECT_NE(expanded.out.find("Score: 0\n"), std::string::npos) << expanded.out;
    EXPECT_NE(expanded.out.find("\xC3\x89t\xC3\xA9 B\\nC\n"), std::string::npos) << expanded.out;

    ASSERT_TRUE(zvtest::writeFile(dir_ + "bad.txt", "[0]\n{nope}\n"));
    const ToolRun bad = zvtool(dir_, {"text", "build", dir_ + "bad.txt", dir_ + "bad.txb"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;
}

TEST_F(Zvtool2d, FontBuildSampleAndSpriteRenderDrawWithTheGamesCode) {
    const ToolRun built = zvtool(dir_, {"font", "build", dir_ + "fsmall.spr", "--size", "12"});
    ASSERT_EQ(built.status, 0) << built.err;
    ASSERT_TRUE(std::filesystem::exists(dir_ + "fsmall.png"));

    const ToolRun sample =
        zvtool(dir_, {"font", "sample", dir_ + "fsmall.spr", "Zorvane 123", dir_ + "s.png"});
    ASSERT_EQ(sample.status, 0) << sample.err;
    int w = 0, h = 0;
    bool bright = false;
    ASSERT_TRUE(readPng(dir_ + "s.png", &w, &h, &bright));
    EXPECT_GT(w, 40);
    EXPECT_LT(w, 120);
    EXPECT_TRUE(bright) << "white glyphs were drawn";

    const ToolRun sheet = zvtool(dir_, {"sprite", "render", dir_ + "fsmall.spr", dir_ + "sheet.png",
                                    "--frames", "33", "34"});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    ASSERT_TRUE(readPng(dir_ + "sheet.png", &w, &h, &bright));
    EXPECT_TRUE(bright);
    EXPECT_EQ(zvtool(dir_, {"sprite", "render", dir_ + "missing.spr", dir_ + "x.png"}).status, 1);
}

}  // namespace
