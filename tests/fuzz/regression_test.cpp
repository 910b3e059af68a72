// The fuzz regression corpus: every input under fuzz/regressions/<target>/ (each finding of the
// fuzz campaigns, and small inputs that reach deep into a format) replayed through its target's
// entry function, built here without libFuzzer. A target aborts on any broken rule, and the
// sanitizer build catches any read or write outside a buffer.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#define ZV_FUZZ_ENTRY(target) extern "C" int zv_fuzz_##target(const uint8_t* data, size_t size);
ZV_FUZZ_ENTRY(pack_fuzz)
ZV_FUZZ_ENTRY(kv_text_fuzz)
ZV_FUZZ_ENTRY(info_fuzz)
ZV_FUZZ_ENTRY(model_fuzz)
ZV_FUZZ_ENTRY(png_fuzz)
ZV_FUZZ_ENTRY(pvr_fuzz)
ZV_FUZZ_ENTRY(atc_fuzz)
ZV_FUZZ_ENTRY(sprite_fuzz)
ZV_FUZZ_ENTRY(text_fuzz)
ZV_FUZZ_ENTRY(wav_fuzz)
ZV_FUZZ_ENTRY(more_games_fuzz)

namespace {

struct Target {
    const char* name;
    int (*entry)(const uint8_t* data, size_t size);
};

const Target kTargets[] = {
    {"pack_fuzz", zv_fuzz_pack_fuzz},       {"kv_text_fuzz", zv_fuzz_kv_text_fuzz},
    {"info_fuzz", zv_fuzz_info_fuzz},       {"model_fuzz", zv_fuzz_model_fuzz},
    {"png_fuzz", zv_fuzz_png_fuzz},         {"pvr_fuzz", zv_fuzz_pvr_fuzz},
    {"atc_fuzz", zv_fuzz_atc_fuzz},         {"sprite_fuzz", zv_fuzz_sprite_fuzz},
    {"text_fuzz", zv_fuzz_text_fuzz},       {"wav_fuzz", zv_fuzz_wav_fuzz},
    {"more_games_fuzz", zv_fuzz_more_games_fuzz},
};

const std::string kRegressions = ZV_FUZZ_REGRESSIONS;

// Names in a folder (no "." or ".."), sorted; empty when the folder is missing.
std::vector<std::string> listFolder(const std::string& path, bool folders) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const bool isFolder = e->d_type == DT_DIR;
            if (isFolder == folders) names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class FuzzRegressions : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegressions, EverySavedInputPassesItsTarget) {
    const Target& target = GetParam();
    const std::string folder = kRegressions + "/" + target.name;
    const std::vector<std::string> files = listFolder(folder, false);
    ASSERT_FALSE(files.empty()) << "no inputs in " << folder;
    for (const std::string& name : files) {
        SCOPED_TRACE(folder + "/" + name);
        const std::vector<uint8_t> bytes = readBytes(folder + "/" + name);
        // A heap copy of exactly the file's size, as libFuzzer hands its inputs over.
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        EXPECT_EQ(target.entry(copy.get(), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressions, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) {
                             return std::string(info.param.name);
                         });

TEST(FuzzRegressionFolders, EachFolderNamesATarget) {
    const std::vector<std::string> folders = listFolder(kRegressions, true);
    ASSERT_FALSE(folders.empty());
    for (const std::string& folder : folders) {
        const bool known = std::any_of(std::begin(kTargets), std::end(kTargets),
                                       [&](const Target& t) { return folder == t.name; });
        EXPECT_TRUE(known) << folder << " is not a fuzz target";
    }
}

}  // namespace
