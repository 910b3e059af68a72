// The record store: reads, the lines failures print, the file stream, and saves cut short: whatever
// happens during a save, the folder afterwards holds the complete old record or the complete new
// one, never a mix, a shortened or an empty file.
#include "storage/record_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/test_support.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

SaveStep g_faultStep;
SaveFault g_fault;
SaveFault injectFault(SaveStep step) { return step == g_faultStep ? g_fault : SaveFault::kNone; }

class RecordStore : public ::testing::Test {
protected:
    void SetUp() override { setRecordBasePath(folder_.c_str()); }
    void TearDown() override { setSaveFaultHook(nullptr); }
    static bool save(const std::string& record) {
        return writeRecord("info", record.data(), record.size());
    }
    // The record as it lies in the folder: "old", "new", or how many bytes of something else.
    std::string state() const {
        const std::string record = zvtest::readFile(folder_ + "info");
        return record == old_ ? "old" : record == new_ ? "new" : std::to_string(record.size());
    }
    const std::string folder_ = zvtest::makeTempFolder();
    const std::string old_ = std::string(200, 'o') + std::string(36, '\0'), new_ = "new record";
};

TEST_F(RecordStore, AMissingRecordIsCreatedEmptyAndAShortOneReadsZeroFilled) {
    const std::string fails =
        " couldn't read from info.\nnativeReadRMS() unable to open file: info\n";
    CaptureStderr();
    EXPECT_EQ(readRecord("info", nullptr), nullptr);
    EXPECT_EQ(readRecord("info", nullptr), nullptr);  // the next start finds it empty
    EXPECT_EQ(GetCapturedStderr(), "Unable to open file: " + folder_ + "info\n" + fails + fails);
    EXPECT_EQ(std::filesystem::file_size(folder_ + "info"), 0u);

    ASSERT_TRUE(save(std::string(2000, 'x')));
    ASSERT_TRUE(save(old_));  // a shorter record replaces a longer one whole
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);  // no temp file
    uint8_t* whole = readRecord("info", nullptr);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::string(whole, whole + kDefaultRecordLength), old_ + std::string(790, '\0'));
    delete[] whole;
    int32_t size = 1000;
    delete[] readRecord("info", &size);
    EXPECT_EQ(size, 236);
    char head[10];
    size_t bytesRead = 0;
    ASSERT_TRUE(readRecordInto("info", head, sizeof head, &bytesRead));
    EXPECT_EQ(std::string(head, bytesRead), old_.substr(0, 10));
}

// Nothing to write is a failed write; a temporary file the file system refuses (a folder in its
// place, which root cannot write over either) fails the save and keeps the old record.
TEST_F(RecordStore, FailedSavesReadsAndStreamCallsSayWhy) {
    ASSERT_TRUE(save(old_));
    CaptureStderr();
    EXPECT_FALSE(writeRecord("info", old_.data(), 0));
    ASSERT_EQ(mkdir((folder_ + "info.tmp").c_str(), 0755), 0);
    EXPECT_FALSE(save(new_));
    EXPECT_EQ(state(), "old");
    const std::string gone = folder_ + "gone/";
    setRecordBasePath(gone.c_str());
    char buffer[16];
    EXPECT_FALSE(readRecordInto("info", buffer, sizeof buffer));
    int32_t negative = -1;
    EXPECT_EQ(readRecord("info", &negative), nullptr);
    EXPECT_EQ(GetCapturedStderr(), " couldn't write to info.\nUnable to open file: " + folder_ +
              "info.tmp\nnativeWriteRMS() unable to open file: info\nUnable to open file: " +
              gone + "info\nUnable to open file: " + gone + "info\nnativeReadRMSB() unable to "
              "open file: info\nnativeReadRMS() unable to open file: info\n");

    ASSERT_TRUE(zvtest::writeFile(folder_ + "data", "0123456789"));
    FileStream* reader = openStream((folder_ + "data").c_str(), "rb");
    FileStream* writer = openStream((folder_ + "data").c_str(), "ab");
    ASSERT_TRUE(reader && writer);
    CaptureStderr();
    const int seeks[][3] = {{0, 2, 10}, {-5, 1, 5}, {3, 0, 3}, {0, 3, -1}, {-1, 0, -1}};
    for (const auto& s : seeks) EXPECT_EQ(reader->seek(reader, s[0], s[1]), s[2]) << s[0];
    char two[2];
    EXPECT_EQ(reader->read(reader, two, 2, 1), 1u);
    EXPECT_EQ(std::string(two, 2), "34");
    EXPECT_EQ(reader->write(reader, two, 1, 2), 0u);
    EXPECT_EQ(writer->read(writer, two, 1, 2), 0u);
    EXPECT_EQ(reader->close(reader) + writer->close(writer), 0);
    EXPECT_EQ(GetCapturedStderr(), "Error calling seek: -1.\nError calling seek: -1.\n"
                                   "Error calling write: 0.\nError calling read: 0.\n");
}

// A crash before a step leaves the old record up to the rename and the new one after it; a failed
// step keeps the old record, removes the temporary file and says so, except a folder that cannot
// be synced, which does not undo a save that has happened. A leftover temporary file does not
// stand in the way of the next save.
TEST_F(RecordStore, ASaveCutShortAtAnyStepLeavesTheOldOrTheNewRecord) {
    setSaveFaultHook(injectFault);
    for (int step = 0; step <= static_cast<int>(SaveStep::kSyncFolder); ++step) {
        for (SaveFault fault : {SaveFault::kCrash, SaveFault::kFail}) {
            const bool fails = fault == SaveFault::kFail, renamed = step == 6;
            SCOPED_TRACE("step " + std::to_string(step) + (fails ? " fails" : " crashes"));
            g_fault = SaveFault::kNone;
            ASSERT_TRUE(save(old_));
            g_faultStep = static_cast<SaveStep>(step);
            g_fault = fault;
            CaptureStderr();
            EXPECT_EQ(save(new_), renamed && fails);
            const std::string printed = GetCapturedStderr();
            EXPECT_EQ(state(), renamed ? "new" : "old");
            if (!fails || renamed) continue;
            EXPECT_EQ(printed, step == 0 ? "nativeWriteRMS() unable to open file: info\n"
                                         : " couldn't write to info.\n");
            EXPECT_FALSE(std::filesystem::exists(folder_ + "info.tmp"));
        }
    }
}

// A child process saves a large record and is killed at points spread over the save.
TEST_F(RecordStore, AKilledSaveLeavesTheOldOrTheNewRecord) {
    const std::string bigOld(4 << 20, 'o'), bigNew(4 << 20, 'n');
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(save(bigOld));
    const auto saveTime = std::chrono::steady_clock::now() - started;
    for (int round = 0; round < 8; ++round) {
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(write(go[1], "g", 1) == 1 && save(bigNew) ? 0 : 2);
        char byte;
        ASSERT_EQ(read(go[0], &byte, 1), 1);
        close(go[0]);
        close(go[1]);
        std::this_thread::sleep_for(saveTime * round / 6);
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);
        const std::string record = zvtest::readFile(folder_ + "info");
        EXPECT_TRUE(record == bigOld || record == bigNew) << "round " << round << ": "
                                                          << record.size() << " bytes, or a mix";
        if (record == bigNew) {
            ASSERT_TRUE(save(bigOld));
        }
    }
}

}  // namespace
