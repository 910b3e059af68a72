// The zvtool sprite, font and text commands, run as the built program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/zvtool_run.h"

namespace {

using zvtest::runZvtool;

// Whether any pixel of the picture is near white (the fonts' glyphs are white).
bool hasWhite(const zvtest::Picture& p) {
    for (size_t i = 0; i < p.rgba.size(); i += 4)
        if (p.rgba[i] > 200 && p.rgba[i + 1] > 200 && p.rgba[i + 2] > 200) return true;
    return false;
}

TEST(Zvtool2d, EachCommandAlonePrintsItsUsage) {
    const std::string dir = zvtest::makeTempFolder();
    for (const char* command : {"sprite", "font", "text"}) {
        const zvtest::ToolRun run = runZvtool(dir, {command});
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.err.rfind("usage: zvtool " + std::string(command), 0), 0u) << run.err;
    }
}

TEST(Zvtool2d, TextBuildThenDumpGivesBackTheSource) {
    const std::string dir = zvtest::makeTempFolder();
    const std::string source =
        "[0]\nPlay\nScore: {var 0}\n\n[3]\n\xC3\x89t\xC3\xA9 {text 252 1}\n[252]\nA\nB\\nC\n";
    ASSERT_TRUE(zvtest::writeFile(dir + "menu.txt", source));
    ASSERT_EQ(runZvtool(dir, {"text", "build", dir + "menu.txt", dir + "menu00.txb"}).status, 0);
    const zvtest::ToolRun dump = runZvtool(dir, {"text", "dump", dir + "menu00.txb"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out, source);
    const std::string expanded =
        runZvtool(dir, {"text", "dump", dir + "menu00.txb", "--expand"}).out;
    EXPECT_NE(expanded.find("Score: 0\n"), std::string::npos) << expanded;
    EXPECT_NE(expanded.find("\xC3\x89t\xC3\xA9 B\\nC\n"), std::string::npos) << expanded;

    ASSERT_TRUE(zvtest::writeFile(dir + "bad.txt", "[0]\n{nope}\n"));
    const zvtest::ToolRun bad = runZvtool(dir, {"text", "build", dir + "bad.txt", dir + "b.txb"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;
}

TEST(Zvtool2d, FontBuildSampleAndSpriteRenderDrawWithTheGamesCode) {
    const std::string dir = zvtest::makeTempFolder();
    const zvtest::ToolRun built = runZvtool(dir, {"font", "build", dir + "f.spr", "--size", "12"});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_FALSE(zvtest::readPngFile(dir + "f.png").rgba.empty()) << "the atlas beside it";

    const zvtest::ToolRun sample =
        runZvtool(dir, {"font", "sample", dir + "f.spr", "Zorvane 123", dir + "s.png"});
    ASSERT_EQ(sample.status, 0) << sample.err;
    const zvtest::Picture line = zvtest::readPngFile(dir + "s.png");
    EXPECT_GT(line.width, 40);
    EXPECT_LT(line.width, 120);
    EXPECT_TRUE(hasWhite(line)) << "white glyphs were drawn";

    const zvtest::ToolRun sheet = runZvtool(
        dir, {"sprite", "render", dir + "f.spr", dir + "sheet.png", "--frames", "33", "34"});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_TRUE(hasWhite(zvtest::readPngFile(dir + "sheet.png")));
    EXPECT_EQ(runZvtool(dir, {"sprite", "render", dir + "missing.spr", dir + "x.png"}).status, 1);
}

}  // namespace
