// The game and harness executables as a user runs them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace {

const std::string kGame = std::string(ZV_BINARY_DIR) + "/zorvane";
const std::string kHarness = std::string(ZV_BINARY_DIR) + "/tools/zorvane-harness";

// Runs a shell command, returns its exit status (or -1) and what it printed.
int run(const std::string& command, std::string* output) {
    std::string file = zvtest::makeTempFolder() + "out.txt";
    int status = std::system((command + " >" + file + " 2>&1").c_str());
    if (output) *output = zvtest::readFile(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Executables, GameRunsHeadlessAndEndsOnQuitWithStatusZero) {
    std::string home = zvtest::makeTempFolder();
    // SIGTERM reaches the game as SDL's quit event. It is sent once the game has read its saved
    // record (which it creates), so SDL is up however slow the machine.
    std::string cmd = "env -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" +
                      home + " sh -c '" + kGame + " & pid=$!; i=0; while [ ! -e " + home +
                      "zorvane/info ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; "
                      "sleep 0.3; kill -TERM $pid; wait $pid'";
    std::string out;
    EXPECT_EQ(run(cmd, &out), 0) << out;
    // The user folder was made for the game's record.
    EXPECT_EQ(access((home + "zorvane").c_str(), F_OK), 0);
}

TEST(Executables, NoDisplayAndNoDummyDriverSaysHowToRunHeadless) {
    std::string out;
    EXPECT_EQ(run("env -u DISPLAY -u SDL_VIDEODRIVER " + kGame, &out), 1);
    EXPECT_NE(out.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
}

TEST(Executables, HarnessWritesALandscapeFrame) {
    std::string folder = zvtest::makeTempFolder();
    std::string script = folder + "script.txt";
    ASSERT_TRUE(zvtest::writeFile(script, "at 5 tap 240 160\nat 10 capture " + folder +
                                              "frame.png\nat 12 quit\n"));
    std::string out;
    ASSERT_EQ(run(kHarness + " --data " + folder + " " + script, &out), 0) << out;
    std::string png = zvtest::readFile(folder + "frame.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) |
               static_cast<uint32_t>(static_cast<uint8_t>(png[at + 3]));
    };
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(16), 480u);
    EXPECT_EQ(be32(20), 320u);
}

TEST(Executables, HarnessRejectsABadScriptLine) {
    std::string folder = zvtest::makeTempFolder();
    std::string script = folder + "script.txt";
    ASSERT_TRUE(zvtest::writeFile(script, "at 2 tap 600 10\n"));
    std::string out;
    EXPECT_EQ(run(kHarness + " --data " + folder + " " + script, &out), 2);
    EXPECT_NE(out.find("line 1"), std::string::npos) << out;
}

}  // namespace
