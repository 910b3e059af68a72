// The tools' whole-file write: all the bytes under the final name, or the old file untouched and
// no partial file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/writers/file_writer.h"

namespace {

namespace fs = std::filesystem;

TEST(FileWriter, ReplacesAnOlderFileWholeOrFailsLeavingItAndNoPartialFile) {
    const std::string dir = zvtest::makeTempFolder(), path = dir + "out.bin";
    std::vector<uint8_t> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    ASSERT_TRUE(zvtest::writeFile(path, std::string(200000, 'x')));  // longer than the new one
    std::string error;
    ASSERT_TRUE(writeWholeFile(path, bytes, &error)) << error;
    EXPECT_EQ(zvtest::readFile(path), std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(writeWholeFile(path, std::vector<uint8_t>()));
    EXPECT_TRUE(fs::exists(path) && fs::file_size(path) == 0);

    // A missing folder (nothing is made), and a final name that is a folder holding a file (the
    // rename fails; the folder and its file stay). The error text is optional.
    const std::string taken = dir + "taken";
    ASSERT_TRUE(fs::create_directory(taken));
    ASSERT_TRUE(zvtest::writeFile(taken + "/keep", "old"));
    for (const std::string& target : {dir + "missing/out.bin", taken}) {
        error.clear();
        EXPECT_FALSE(writeWholeFile(target, bytes.data(), 3, &error));
        EXPECT_EQ(error, "cannot write " + target);
        EXPECT_FALSE(writeWholeFile(target, bytes.data(), 3));
        EXPECT_FALSE(fs::exists(target + ".partial")) << target;
    }
    EXPECT_FALSE(fs::exists(dir + "missing"));
    EXPECT_EQ(zvtest::readFile(taken + "/keep"), "old");
    EXPECT_FALSE(fs::exists(path + ".partial"));
}

}  // namespace
