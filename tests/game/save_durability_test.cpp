// The saved record through the whole game: a game process killed at random moments while it
// finishes runs and moves the volume slider (every one of them a save through the game's own
// path) leaves an "info" that the next start's loader reads complete, the old one or the new one;
// and a full disk or a read-only folder makes the save fail with its message while the game plays
// on and the old record stays.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>

#include "game/game_mode.h"
#include "game/save_info.h"
#include "game_fixture.h"
#include "menu/menu_sys.h"
#include "storage/record_store.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Step k of the saving game, the same for every process that takes it: most steps end a run of
// k metres and 3k points in the mode of k's parity (the crash saves), every fifth moves the
// volume slider to a value of k (the sound page saves). The newest record always tells k apart.
void saveStep(GameFlow& flow, int k) {
    if (k % 5 == 0) {
        const MenuGameLink& link = menuGameLink();
        link.setVolume(static_cast<float>(k % 101) / 100.0f);
        link.saveNow();
        return;
    }
    Run& run = flow.run;
    runStart(&run, k % 2 == 0 ? kModeDistance : kModePoints);
    run.runner.distance = static_cast<float>(k);
    run.runner.score.total = static_cast<float>(3 * k);
    run.runner.crashKind = 1;
    runSetState(&run, kRunStateCrashed);
}

// Stands for a save that never reaches the folder: the reference game's saves are only looked
// at, never written.
SaveFault noWrite(SaveStep) { return SaveFault::kCrash; }

Bytes fileBytes(const std::string& path) {
    const std::string s = zvtest::readFile(path);
    return Bytes(s.begin(), s.end());
}

TEST(SaveDurability, AGameKilledWhileSavingAlwaysLeavesTheOldOrTheNewRecord) {
    gametest::TestGame game;
    GameFlow& flow = game.flow();
    const std::string folder = game.folder;  // the killed games' install folder

    // The reference: the same steps in this process, the record each one would write.
    std::vector<Bytes> expected;
    auto extendTo = [&](int k) {
        setSaveFaultHook(noWrite);
        while (static_cast<int>(expected.size()) <= k) {
            const int step = static_cast<int>(expected.size());
            if (step > 0) saveStep(flow, step);
            gatherSaveInfo(&flow, &flow.saveInfo);
            Bytes bytes(kSaveInfoBytes);
            encodeSaveInfo(flow.saveInfo, bytes.data());
            expected.push_back(bytes);
        }
        setSaveFaultHook(nullptr);
    };
    extendTo(0);
    ASSERT_TRUE(writeRecord(kSaveRecordName, expected[0].data(), kSaveInfoBytes));

    // How long one save takes here: the kills are spread over a few of them.
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(writeRecord(kSaveRecordName, expected[0].data(), kSaveInfoBytes));
    const long saveMicros = std::max<long>(
        20, std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - began).count() / 5);

    std::mt19937 random(20261206);
    std::unique_ptr<GameFlow> nextStart(new GameFlow());
    int current = 0;  // the step "info" holds
    int foundNew = 0, foundOld = 0, tempLeftBehind = 0, stepsSaved = 0;
    const int kKills = 1000;
    for (int round = 0; round < kKills; ++round) {
        int steps[2];
        ASSERT_EQ(pipe(steps), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The game: it starts by loading "info", then saves step after step until killed,
            // telling each finished save.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            close(steps[0]);
            if (!gameFlowLoadSaved(&flow)) _exit(3);
            for (int k = current + 1; k < current + 100000; ++k) {
                saveStep(flow, k);
                if (write(steps[1], &k, sizeof k) != sizeof k) _exit(4);
            }
            _exit(0);
        }
        close(steps[1]);
        std::uniform_int_distribution<long> delay(0, 4 * saveMicros + 300);
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the game ended by itself with status "
                                         << WEXITSTATUS(status) << " in round " << round;
        int reported = current, k = 0;
        while (read(steps[0], &k, sizeof k) == sizeof k) reported = k;
        close(steps[0]);
        stepsSaved += reported - current;
        if (access((folder + kSaveRecordName + kRecordTempSuffix).c_str(), F_OK) == 0)
            ++tempLeftBehind;

        // The next start: the game's loader reads the record, which is the last save told or
        // the one after it, whole.
        extendTo(reported + 1);
        ASSERT_TRUE(gameFlowLoadSaved(nextStart.get())) << "round " << round << ": lost";
        Bytes loaded(kSaveInfoBytes);
        encodeSaveInfo(nextStart->saveInfo, loaded.data());
        const Bytes onDisk = fileBytes(folder + kSaveRecordName);
        if (onDisk == expected[reported + 1]) {
            current = reported + 1;
            ++foundNew;
        } else {
            ASSERT_EQ(onDisk, expected[reported])
                << "round " << round << ": neither step " << reported << " nor the next";
            current = reported;
            ++foundOld;
        }
        ASSERT_EQ(loaded, onDisk) << "round " << round << ": the loader read something else";
    }
    std::printf("%d kills, %d steps saved, next start found the save in progress %d times and "
                "the one before %d times; %d kills left a temporary file\n",
                kKills, stepsSaved, foundNew, foundOld, tempLeftBehind);
    RecordProperty("steps_saved", stepsSaved);
    RecordProperty("temporary_files_left", tempLeftBehind);
    // Some kills came in the middle of a save (its temporary file was there), some just after
    // the rename and before the game could tell.
    EXPECT_GT(tempLeftBehind, 0);
    EXPECT_GT(foundNew, 0);
}

// ---- A full disk and a read-only folder, in the game executable -----------------------------

const std::string kHarness = std::string(ZV_BINARY_DIR) + "/tools/zorvane-harness";

// A distance run steered into the trees (its crash saves), back to the main menu, the sound page
// and the volume slider moved (which saves again), a picture, quit.
std::string playScript(const std::string& picture) {
    return "at 90 tap 100 100\nat 91 tilt 30\nat 370 tilt 0\nat 380 tap 400 290\n"
           "at 460 tap 240 290\nat 530 press 240 110\nat 532 drag 330 110\n"
           "at 534 release 330 110\nat 540 capture " + picture + "\nat 542 quit\n";
}

// A record with results in it, as an earlier session left it.
Bytes oldRecord() {
    SaveInfo info;
    saveInfoDefaults(&info);
    info.bestPoints[kModeDistance] = 321;
    info.bestPoints[kModePoints] = 4567;
    info.records[kModeDistance].top[0] = info.records[kModeDistance].ring[0] = 321.5f;
    info.records[kModeDistance].ringIndex = 1;
    info.lastDistances[0] = 321.5f;
    info.lastIndex = 1;
    info.runsCounted = 1;
    Bytes bytes(kSaveInfoBytes);
    encodeSaveInfo(info, bytes.data());
    return bytes;
}

enum class Folder { kFull, kReadOnly };

// Outside the child's mount namespace: what the game printed, its picture and the record after.
struct Outcome {
    int status = -1;      // the game's exit status; 100 + signal when a signal ended it
    bool skipped = false;
    std::string why;      // why the folder could not be prepared
    std::string printed;
    std::string picture;
    Bytes record;
};

// Runs in the forked child: makes folder full or read-only for this process and its children.
// Returns "" or why it could not.
std::string prepareFolder(const std::string& folder, Folder kind) {
    if (kind == Folder::kFull) {
        if (unshare(CLONE_NEWNS) != 0) return std::string("no mount namespace: ") + strerror(errno);
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("cannot mount a small tmpfs: ") + strerror(errno);
        return "";
    }
    if (geteuid() != 0) return chmod(folder.c_str(), 0555) == 0 ? "" : "cannot chmod the folder";
    // Root ignores permissions: a read-only bind mount in a private mount namespace.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return std::string("no read-only bind mount: ") + strerror(errno);
    return "";
}

// Fills the file system holding folder; false when a small file can still be written after.
bool fillDisk(const std::string& folder) {
    int fd = open((folder + "filler").c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) return false;
    static const char block[4096] = {};
    while (write(fd, block, sizeof block) > 0) {
    }
    while (write(fd, block, 1) > 0) {
    }
    close(fd);
    int probe = open((folder + "probe").c_str(), O_CREAT | O_WRONLY, 0644);
    const bool full = probe < 0 || write(probe, block, 64) < 0 || fsync(probe) != 0;
    if (probe >= 0) close(probe);
    unlink((folder + "probe").c_str());
    return full;
}

Outcome playWithFolder(Folder kind) {
    Outcome out;
    const std::string outside = zvtest::makeTempFolder();
    const std::string folder = zvtest::makeTempFolder();
    chmod(outside.c_str(), 0777);
    const Bytes old = oldRecord();
    pid_t child = fork();
    if (child < 0) return out;
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The game's data and the old record, in place before the folder turns read-only or
        // after the small file system is mounted over it.
        auto populate = [&] {
            for (const char* name : {"packres.bin", "bush1.wav", "bush2.wav", "hittree.wav",
                                     "pickup.wav", "ambient_short2.wav"})
                symlink((std::string(ZV_BINARY_DIR "/") + name).c_str(), (folder + name).c_str());
            setRecordBasePath(folder.c_str());
            return writeRecord(kSaveRecordName, old.data(), old.size());
        };
        if (kind == Folder::kReadOnly && !populate()) _exit(70);
        std::string why = prepareFolder(folder, kind);
        if (why.empty() && kind == Folder::kFull) {
            if (!populate()) _exit(70);
            if (!fillDisk(folder)) why = "the small file system is not full";
        }
        if (why.empty() && kind == Folder::kReadOnly &&
            open((folder + "probe").c_str(), O_CREAT | O_WRONLY, 0644) >= 0)
            why = "the folder still takes new files";
        if (!why.empty()) {
            zvtest::writeFile(outside + "why.txt", why);
            _exit(77);
        }
        const std::string script = outside + "script.txt";
        zvtest::writeFile(script, playScript(outside + "end.png"));
        pid_t game = fork();
        if (game == 0) {
            int log = open((outside + "printed.txt").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            execl(kHarness.c_str(), kHarness.c_str(), "--data", folder.c_str(), "--frames", "0",
                  script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(game, &status, 0);
        const std::string record = zvtest::readFile(folder + kSaveRecordName);
        zvtest::writeFile(outside + "record.bin", record);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status));
    }
    int status = 0;
    waitpid(child, &status, 0);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    if (out.status == 77) {
        out.skipped = true;
        out.why = zvtest::readFile(outside + "why.txt");
    }
    out.printed = zvtest::readFile(outside + "printed.txt");
    out.picture = zvtest::readFile(outside + "end.png");
    out.record = fileBytes(outside + "record.bin");
    return out;
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(SaveDurability, AFullDiskFailsTheSavesWhileTheGamePlaysOnAndKeepsTheOldRecord) {
    const Outcome out = playWithFolder(Folder::kFull);
    if (out.skipped) GTEST_SKIP() << out.why;
    ASSERT_EQ(out.status, 0) << out.printed.substr(0, 2000);
    // The crash and the slider both tried to save; each said it could not.
    EXPECT_EQ(count(out.printed, " couldn't write to info.\n"), 2) << out.printed.substr(0, 2000);
    EXPECT_EQ(out.picture.substr(1, 3), "PNG") << "the game stopped drawing";
    EXPECT_EQ(out.record, oldRecord());
}

TEST(SaveDurability, AReadOnlyFolderFailsTheSavesWhileTheGamePlaysOnAndKeepsTheOldRecord) {
    const Outcome out = playWithFolder(Folder::kReadOnly);
    if (out.skipped) GTEST_SKIP() << out.why;
    ASSERT_EQ(out.status, 0) << out.printed.substr(0, 2000);
    EXPECT_EQ(count(out.printed, "nativeWriteRMS() unable to open file: info\n"), 2)
        << out.printed.substr(0, 2000);
    EXPECT_EQ(out.picture.substr(1, 3), "PNG") << "the game stopped drawing";
    EXPECT_EQ(out.record, oldRecord());
}

}  // namespace
