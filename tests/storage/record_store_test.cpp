// The record store: first start, short and replaced records, the file stream, and the exact
// lines it prints.
#include "storage/record_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "storage_test_util.h"

using storage_test::readFile;
using storage_test::TempFolder;
using storage_test::testBytes;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class RecordStore : public ::testing::Test {
protected:
    void SetUp() override { setRecordBasePath(folder_.base().c_str()); }
    std::vector<std::string> filesInFolder() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(folder_.path())) {
            names.push_back(item.path().filename().string());
        }
        return names;
    }
    TempFolder folder_;
};

TEST_F(RecordStore, FirstStartFailsAndLeavesAnEmptyRecord) {
    CaptureStderr();
    EXPECT_EQ(readRecord("info", nullptr), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Unable to open file: " + folder_.file("info") +
                                       "\n couldn't read from info.\n"
                                       "nativeReadRMS() unable to open file: info\n");
    ASSERT_TRUE(std::filesystem::exists(folder_.file("info")));
    EXPECT_EQ(std::filesystem::file_size(folder_.file("info")), 0u);

    // The next start finds the empty record: it still fails, without the open message.
    CaptureStderr();
    EXPECT_EQ(readRecord("info", nullptr), nullptr);
    EXPECT_EQ(GetCapturedStderr(),
              " couldn't read from info.\nnativeReadRMS() unable to open file: info\n");
}

TEST_F(RecordStore, AShortRecordReadsSuccessfully) {
    std::vector<uint8_t> record = testBytes(236, 1, false);
    ASSERT_TRUE(writeRecord("info", record.data(), record.size()));

    CaptureStderr();
    uint8_t* whole = readRecord("info", nullptr);
    EXPECT_EQ(GetCapturedStderr(), "");
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), whole));
    for (int i = 236; i < kDefaultRecordLength; ++i) ASSERT_EQ(whole[i], 0) << i;
    delete[] whole;

    int32_t size = 1000;
    uint8_t* counted = readRecord("info", &size);
    ASSERT_NE(counted, nullptr);
    EXPECT_EQ(size, 236);
    delete[] counted;

    uint8_t head[10];
    size_t bytesRead = 0;
    ASSERT_TRUE(readRecordInto("info", head, sizeof head, &bytesRead));
    EXPECT_EQ(bytesRead, sizeof head);
    EXPECT_TRUE(std::equal(head, head + sizeof head, record.begin()));
}

TEST_F(RecordStore, AShorterRecordReplacesALongerOneCompletely) {
    std::vector<uint8_t> longer = testBytes(1000, 2, false);
    std::vector<uint8_t> shorter = testBytes(236, 3, false);
    ASSERT_TRUE(writeRecord("info", longer.data(), longer.size()));
    ASSERT_TRUE(writeRecord("info", shorter.data(), shorter.size()));
    EXPECT_EQ(readFile(folder_.file("info")), shorter);
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"info"});  // no temporary file left
}

TEST_F(RecordStore, FailedWritesPrintTheirLinesAndKeepTheOldRecord) {
    std::vector<uint8_t> old = testBytes(236, 4, false);
    ASSERT_TRUE(writeRecord("info", old.data(), old.size()));

    CaptureStderr();
    EXPECT_FALSE(writeRecord("info", old.data(), 0));  // nothing to write is a failed write
    EXPECT_EQ(GetCapturedStderr(), " couldn't write to info.\n");
    EXPECT_EQ(readFile(folder_.file("info")), old);

    setRecordBasePath((folder_.base() + "no-such-folder/").c_str());
    CaptureStderr();
    EXPECT_FALSE(writeRecord("info", old.data(), old.size()));
    EXPECT_EQ(GetCapturedStderr(), "Unable to open file: " + folder_.base() +
                                       "no-such-folder/info.tmp\n"
                                       "nativeWriteRMS() unable to open file: info\n");
    CaptureStderr();
    uint8_t buffer[16];
    EXPECT_FALSE(readRecordInto("info", buffer, sizeof buffer));
    const std::string missing = "Unable to open file: " + folder_.base() + "no-such-folder/info\n";
    EXPECT_EQ(GetCapturedStderr(),
              missing + missing + "nativeReadRMSB() unable to open file: info\n");

    int32_t negative = -1;
    CaptureStderr();
    EXPECT_EQ(readRecord("info", &negative), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "nativeReadRMS() unable to open file: info\n");
}

TEST_F(RecordStore, StreamOperationsReportTheirErrors) {
    std::vector<uint8_t> bytes = testBytes(100, 5, false);
    ASSERT_TRUE(storage_test::writeFile(folder_.file("data"), bytes));

    FileStream* reader = openStream(folder_.file("data").c_str(), "rb");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->seek(reader, 0, 2), 100);
    EXPECT_EQ(reader->seek(reader, -10, 1), 90);
    EXPECT_EQ(reader->seek(reader, 5, 0), 5);
    uint8_t two[2];
    EXPECT_EQ(reader->read(reader, two, 2, 1), 1u);
    EXPECT_EQ(two[0], bytes[5]);
    CaptureStderr();
    EXPECT_EQ(reader->seek(reader, 0, 3), -1);
    EXPECT_EQ(reader->seek(reader, -1, 0), -1);
    EXPECT_EQ(reader->write(reader, two, 1, 2), 0u);
    EXPECT_EQ(GetCapturedStderr(),
              "Error calling seek: -1.\nError calling seek: -1.\nError calling write: 0.\n");
    EXPECT_EQ(reader->close(reader), 0);

    FileStream* writer = openStream(folder_.file("data").c_str(), "ab");
    ASSERT_NE(writer, nullptr);
    CaptureStderr();
    EXPECT_EQ(writer->read(writer, two, 1, 2), 0u);
    EXPECT_EQ(GetCapturedStderr(), "Error calling read: 0.\n");
    EXPECT_EQ(writer->close(writer), 0);
}

}  // namespace
