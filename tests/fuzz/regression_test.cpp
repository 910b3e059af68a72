// The fuzz regression corpus: every input under fuzz/regressions/<target>/ (each finding of the
// fuzz campaigns, and small inputs that reach deep into a format) replayed through its target's
// entry function, built here without libFuzzer. A target aborts on any broken rule, and the
// sanitizer build catches any read or write outside a buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"

#define X(target) extern "C" int zv_fuzz_##target(const uint8_t* data, size_t size);
ZV_FUZZ_TARGET_LIST
#undef X

namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    int (*entry)(const uint8_t* data, size_t size);
};

#define X(target) {#target, zv_fuzz_##target},
const Target kTargets[] = {ZV_FUZZ_TARGET_LIST};
#undef X

const fs::path kRegressions = ZV_FUZZ_REGRESSIONS;

class FuzzRegressions : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegressions, EverySavedInputPassesItsTarget) {
    const fs::path folder = kRegressions / GetParam().name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder << " is missing";
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) files.push_back(e.path());
    ASSERT_FALSE(files.empty()) << "no inputs in " << folder;
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        // A heap copy of exactly the file's size, as libFuzzer hands its inputs over.
        const std::unique_ptr<uint8_t[]> copy(fuzzcheck::heapCopy(
            reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_EQ(GetParam().entry(copy.get(), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressions, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& param) {
                             return std::string(param.param.name);
                         });

TEST(FuzzRegressionFolders, EachFolderNamesATarget) {
    int folders = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(kRegressions)) {
        const std::string name = e.path().filename();
        ++folders;
        EXPECT_TRUE(std::any_of(std::begin(kTargets), std::end(kTargets),
                                [&](const Target& t) { return name == t.name; }))
            << name << " is not a fuzz target";
    }
    EXPECT_EQ(folders, static_cast<int>(std::size(kTargets)));
}

}  // namespace
