// The tools' whole-file write: all the bytes under the final name, or the old file untouched and
// no partial file left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/writers/file_writer.h"

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(FileWriter, WritesTheBytesAndReplacesAnOlderFileWithoutLeavingAPartialOne) {
    const std::string dir = zvtest::makeTempFolder();
    const std::string path = dir + "out.bin";
    std::vector<uint8_t> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    ASSERT_TRUE(zvtest::writeFile(path, std::string(200000, 'x')));  // longer than the new one
    std::string error;
    ASSERT_TRUE(writeWholeFile(path, bytes, &error)) << error;
    EXPECT_EQ(zvtest::readFile(path), std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(exists(path + ".partial"));

    ASSERT_TRUE(writeWholeFile(path, std::vector<uint8_t>()));
    EXPECT_TRUE(exists(path));
    EXPECT_EQ(zvtest::readFile(path), "");
}

TEST(FileWriter, AFailedWriteKeepsTheOldFileAndSaysWhichPath) {
    const std::string dir = zvtest::makeTempFolder();
    const uint8_t bytes[] = {1, 2, 3};

    // No such folder: nothing is made.
    std::string error;
    EXPECT_FALSE(writeWholeFile(dir + "missing/out.bin", bytes, sizeof bytes, &error));
    EXPECT_EQ(error, "cannot write " + dir + "missing/out.bin");
    EXPECT_FALSE(exists(dir + "missing"));

    // The final name is a folder holding a file: the rename fails, the folder and its file stay
    // and the partial file is gone.
    const std::string target = dir + "taken";
    ASSERT_TRUE(std::filesystem::create_directory(target));
    ASSERT_TRUE(zvtest::writeFile(target + "/keep", "old"));
    error.clear();
    EXPECT_FALSE(writeWholeFile(target, bytes, sizeof bytes, &error));
    EXPECT_EQ(error, "cannot write " + target);
    EXPECT_EQ(zvtest::readFile(target + "/keep"), "old");
    EXPECT_FALSE(exists(target + ".partial"));

    // The error text is optional.
    EXPECT_FALSE(writeWholeFile(dir + "missing/out.bin", bytes, sizeof bytes));
}

}  // namespace
