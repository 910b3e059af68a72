// The start-up report: the real program's line with the time from its start to the first main
// menu frame (ZV_EXIT_AT_MENU), and the process clock it reads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

namespace {

const std::string kGame = std::string(ZV_BINARY_DIR) + "/zorvane";

TEST(ProcessClock, CountsRealTimeFromThisProcessStart) {
    const double before = platform::millisecondsSinceProcessStart();
    ASSERT_GE(before, 0.0);
    const timespec pause{0, 120 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    const double after = platform::millisecondsSinceProcessStart();
    EXPECT_GE(after - before, 119.0);
    EXPECT_LT(after - before, 5000.0);

    // A child started after that pause reports less than this process (its own start, not the
    // parent's or the machine's); the kernel's start time comes in 10 ms steps.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const double own = platform::millisecondsSinceProcessStart();
        const ssize_t written = write(ends[1], &own, sizeof own);
        _exit(written == sizeof own ? 0 : 1);
    }
    double childMs = -1;
    ASSERT_EQ(read(ends[0], &childMs, sizeof childMs), static_cast<ssize_t>(sizeof childMs));
    const double parentMs = platform::millisecondsSinceProcessStart();
    int status = 0;
    waitpid(child, &status, 0);
    close(ends[0]);
    close(ends[1]);
    EXPECT_GE(childMs, 0.0);
    EXPECT_LT(childMs + 100.0, parentMs) << "child " << childMs << ", parent " << parentMs;
}

TEST(StartupReport, GamePrintsTheMainMenuTimeAndEndsThereWithStatusZero) {
    const std::string home = zvtest::makeTempFolder();
    const std::string out = home + "out.txt";
    // The game ends by itself; the timeout only stops a game that never reaches its menu.
    const std::string command = "env -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
                                "ZV_EXIT_AT_MENU=1 XDG_DATA_HOME=" + home + " timeout 120 " +
                                kGame + " >" + out + " 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double wallMs = std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string text = zvtest::readFile(out);
    std::smatch match;
    const std::regex line("zorvane: main menu after ([0-9]+) ms\n");
    ASSERT_TRUE(std::regex_search(text, match, line)) << text;
    EXPECT_EQ(text.find("main menu", match.position(0) + match.length(0)), std::string::npos)
        << "one report: " << text;
    const double reportedMs = std::stod(match[1].str());
    // The loading screen stays at least a second; the report cannot exceed the whole run seen
    // from outside (plus the kernel clock's 10 ms step).
    EXPECT_GE(reportedMs, 1000.0);
    EXPECT_LE(reportedMs, wallMs + 10.0);
}

}  // namespace
