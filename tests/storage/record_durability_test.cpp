// Saves that are cut short: whatever happens during a save, the folder afterwards holds the
// complete old record or the complete new one, never a mix, a shortened or an empty file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "storage/record_store.h"
#include "storage_test_util.h"

using storage_test::readFile;
using storage_test::TempFolder;
using storage_test::testBytes;

namespace {

constexpr SaveStep kAllSteps[] = {SaveStep::kOpen,      SaveStep::kWrite, SaveStep::kFlush,
                                  SaveStep::kSync,      SaveStep::kClose, SaveStep::kRename,
                                  SaveStep::kSyncFolder};

// The fault the hook injects, and the step it injects it at.
SaveStep g_faultStep;
SaveFault g_fault;

SaveFault injectFault(SaveStep step) { return step == g_faultStep ? g_fault : SaveFault::kNone; }

class RecordDurability : public ::testing::Test {
protected:
    void SetUp() override {
        setRecordBasePath(folder_.base().c_str());
        ASSERT_TRUE(writeRecord("info", old_.data(), old_.size()));
    }
    void TearDown() override { setSaveFaultHook(nullptr); }

    // The record as it lies in the folder: "old", "new", or what else it is.
    std::string recordState() const {
        std::vector<uint8_t> bytes = readFile(folder_.file("info"));
        if (bytes == old_) return "old";
        if (bytes == new_) return "new";
        return "other (" + std::to_string(bytes.size()) + " bytes)";
    }

    TempFolder folder_;
    const std::vector<uint8_t> old_ = testBytes(236, 1, false);
    const std::vector<uint8_t> new_ = testBytes(236, 2, false);
};

TEST_F(RecordDurability, ACrashBetweenAnyStepsLeavesTheOldOrTheNewRecord) {
    setSaveFaultHook(injectFault);
    for (SaveStep step : kAllSteps) {
        SCOPED_TRACE("crash before step " + std::to_string(static_cast<int>(step)));
        ASSERT_TRUE(writeRecord("info", old_.data(), old_.size()));
        g_faultStep = step;
        g_fault = SaveFault::kCrash;
        EXPECT_FALSE(writeRecord("info", new_.data(), new_.size()));
        // A crash up to the rename leaves the old record; after it, the new one.
        EXPECT_EQ(recordState(), step <= SaveStep::kRename ? "old" : "new");
        // A leftover temporary file does not stand in the way of the next save.
        g_fault = SaveFault::kNone;
        EXPECT_TRUE(writeRecord("info", new_.data(), new_.size()));
        EXPECT_EQ(recordState(), "new");
    }
}

TEST_F(RecordDurability, AFailedStepKeepsTheOldRecordAndSaysSo) {
    setSaveFaultHook(injectFault);
    for (SaveStep step : kAllSteps) {
        if (step == SaveStep::kSyncFolder) continue;  // the record is in place by then
        SCOPED_TRACE("failure at step " + std::to_string(static_cast<int>(step)));
        g_faultStep = step;
        g_fault = SaveFault::kFail;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(writeRecord("info", new_.data(), new_.size()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  step == SaveStep::kOpen ? "nativeWriteRMS() unable to open file: info\n"
                                          : " couldn't write to info.\n");
        EXPECT_EQ(recordState(), "old");
        EXPECT_FALSE(std::filesystem::exists(folder_.file("info.tmp")));
    }
    // A folder that cannot be synced does not undo a save that has happened.
    g_faultStep = SaveStep::kSyncFolder;
    g_fault = SaveFault::kFail;
    EXPECT_TRUE(writeRecord("info", new_.data(), new_.size()));
    EXPECT_EQ(recordState(), "new");
}

// A child process saves a large record and is killed at points spread over the save.
TEST_F(RecordDurability, AKilledSaveLeavesTheOldOrTheNewRecord) {
    const size_t size = 8u << 20;
    const std::vector<uint8_t> bigOld = testBytes(size, 3, false);
    const std::vector<uint8_t> bigNew = testBytes(size, 4, false);
    ASSERT_TRUE(writeRecord("info", bigOld.data(), size));

    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(writeRecord("info", bigOld.data(), size));
    long saveMicros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - started)
                                            .count());

    std::vector<uint8_t> readBack(size + 1);
    int killedMidSave = 0;
    const int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(go[0]);
            char byte = 1;
            if (write(go[1], &byte, 1) != 1) _exit(3);
            _exit(writeRecord("info", bigNew.data(), size) ? 0 : 2);
        }
        close(go[1]);
        char byte;
        ASSERT_EQ(read(go[0], &byte, 1), 1);
        close(go[0]);
        usleep(static_cast<useconds_t>(saveMicros * round / (kRounds - 2)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status)) ++killedMidSave;

        size_t bytesRead = 0;
        ASSERT_TRUE(readRecordInto("info", readBack.data(), readBack.size(), &bytesRead));
        ASSERT_EQ(bytesRead, size) << "round " << round;
        bool isOld = std::equal(bigOld.begin(), bigOld.end(), readBack.begin());
        bool isNew = std::equal(bigNew.begin(), bigNew.end(), readBack.begin());
        EXPECT_TRUE(isOld || isNew) << "round " << round << ": a mix of both records";
        if (isNew) {
            ASSERT_TRUE(writeRecord("info", bigOld.data(), size));
        }
    }
    RecordProperty("killed_mid_save", killedMidSave);
}

// Runs in a forked child: makes folder read-only for this process, or returns false.
bool makeFolderReadOnly(const std::string& folder, std::string* how) {
    if (geteuid() != 0) {
        *how = "permissions";
        return chmod(folder.c_str(), 0555) == 0;
    }
    // Root ignores permissions: a read-only bind mount in a private mount namespace, or else
    // the rights of nobody.
    if (unshare(CLONE_NEWNS) == 0 &&
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
        mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0) {
        *how = "read-only bind mount";
        return true;
    }
    *how = "user nobody";
    return setgid(65534) == 0 && setuid(65534) == 0;
}

TEST_F(RecordDurability, AReadOnlyFolderFailsTheSaveAndKeepsTheOldRecord) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(out[0]);
        std::string how;
        if (!makeFolderReadOnly(folder_.path(), &how)) _exit(77);
        // Make sure the folder really refuses new files before trusting the result.
        std::string probe = folder_.file("probe");
        int fd = open(probe.c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) {
            close(fd);
            unlink(probe.c_str());
            _exit(78);
        }
        dup2(out[1], STDERR_FILENO);
        bool saved = writeRecord("info", new_.data(), new_.size());
        _exit(saved ? 1 : 0);
    }
    close(out[1]);
    std::string printed;
    char block[256];
    ssize_t n;
    while ((n = read(out[0], block, sizeof block)) > 0)
        printed.append(block, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77 || WEXITSTATUS(status) == 78) {
        GTEST_SKIP() << "cannot make a folder read-only here (no mount namespace, no user nobody)";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save claimed success";
    EXPECT_EQ(printed, "Unable to open file: " + folder_.file("info.tmp") +
                           "\nnativeWriteRMS() unable to open file: info\n");
    EXPECT_EQ(recordState(), "old");
}

}  // namespace
