// The game and harness executables as a user runs them, and the start-up report: the line with
// the time from the program's start to the first main menu frame (ZV_EXIT_AT_MENU), read from the
// kernel's record of the process start.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <regex>

#include "support/test_support.h"

namespace {

const std::string kGame = ZV_BINARY_DIR "/zorvane";
const std::string kHarness = ZV_BINARY_DIR "/tools/zorvane-harness";

// Runs a shell command; its exit status (or -1) and what it printed.
int run(const std::string& command, std::string* output) {
    const std::string file = zvtest::makeTempFolder() + "out.txt";
    const int status = std::system((command + " >" + file + " 2>&1").c_str());
    *output = zvtest::readFile(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Without a display and without the dummy driver the game says in one line how to run headless.
// (The game ended by SIGTERM, SDL's quit, is run from an install in tests/install/.)
TEST(Executables, WithoutADisplayTheGameSaysHowToRunHeadless) {
    std::string out;
    EXPECT_EQ(run("env -u DISPLAY -u SDL_VIDEODRIVER " + kGame, &out), 1);
    EXPECT_NE(out.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
}

// The loading screen stays at least a second; the game ends at the menu by itself (the timeout
// only stops one that never gets there) and reports once, by the kernel's record of its start:
// neither the machine's time up nor more than the run can take.
TEST(Executables, TheGamePrintsTheMainMenuTimeAndEndsThere) {
    const std::string home = zvtest::makeTempFolder();
    std::string out;
    ASSERT_EQ(run("(ZV_EXIT_AT_MENU=1 XDG_DATA_HOME=" + home + " timeout 120 " + kGame +
                      " 2>/dev/null)", &out), 0) << out;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(out, match, std::regex("zorvane: main menu after ([0-9]+) ms\n")))
        << out;
    EXPECT_EQ(out.find("main menu"), out.rfind("main menu")) << "one report: " << out;
    EXPECT_GE(std::stod(match[1].str()), 1000.0);
    EXPECT_LT(std::stod(match[1].str()), 120000.0);
}

TEST(Executables, TheHarnessWritesALandscapeFrameAndRejectsABadLine) {
    const std::string folder = zvtest::makeTempFolder();
    ASSERT_TRUE(zvtest::writeFile(folder + "good.txt", "at 5 tap 240 160\nat 10 capture " +
                                                           folder + "frame.png\nat 12 quit\n"));
    ASSERT_TRUE(zvtest::writeFile(folder + "bad.txt", "at 2 tap 600 10\n"));
    std::string out;
    ASSERT_EQ(run(kHarness + " --data " + folder + " " + folder + "good.txt", &out), 0) << out;
    const std::string png = zvtest::readFile(folder + "frame.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3) + png.substr(12, 4), "PNGIHDR");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x01\xE0\0\0\x01\x40", 8));  // 480 x 320
    EXPECT_EQ(run(kHarness + " --data " + folder + " " + folder + "bad.txt", &out), 2);
    EXPECT_NE(out.find("line 1"), std::string::npos) << out;
}

}  // namespace
