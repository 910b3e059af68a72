// The zvtool pack command, run as the built program: create, list, extract and its refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/pack.h"
#include "storage_test_util.h"
#include "tools/writers/pack_writer.h"

using storage_test::readFile;
using storage_test::TempFolder;
using storage_test::testBytes;
using storage_test::writeFile;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// Runs zvtool with arguments (each quoted) and gathers its exit status and output.
ToolRun zvtool(const TempFolder& scratch, const std::vector<std::string>& args) {
    std::string command = "'" ZV_BINARY_DIR "/tools/zvtool'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + scratch.file("out.txt") + "' 2>'" + scratch.file("err.txt") + "'";
    int raw = std::system(command.c_str());
    std::vector<uint8_t> out = readFile(scratch.file("out.txt"));
    std::vector<uint8_t> err = readFile(scratch.file("err.txt"));
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

class ZvtoolPack : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(ZV_BINARY_DIR "/tools/zvtool"))
            << "zvtool is not built";
        std::filesystem::create_directories(source("sub/deeper"));
        ASSERT_TRUE(writeFile(source("menu00.txb"), text_));
        ASSERT_TRUE(writeFile(source("sub/hud.png"), noise_));
        ASSERT_TRUE(writeFile(source("sub/deeper/empty"), {}));
    }
    void TearDown() override { closePack(); }
    std::string source(const std::string& name) const { return work_.file("src/" + name); }

    TempFolder work_;
    TempFolder scratch_;
    const std::vector<uint8_t> text_ = testBytes(20000, 1, true);
    const std::vector<uint8_t> noise_ = testBytes(3000, 2, false);
};

TEST_F(ZvtoolPack, PacksListAndExtractBack) {
    const std::string pack = work_.file("packres.bin");
    ToolRun created = zvtool(scratch_, {"pack", "create", pack, work_.file("src")});
    ASSERT_EQ(created.status, 0) << created.err;

    ASSERT_TRUE(openPack(pack.c_str()));
    ASSERT_EQ(packEntryCount(), 3);
    EXPECT_STREQ(packEntryName(0, nullptr), "menu00.txb");
    EXPECT_STREQ(packEntryName(1, nullptr), "sub/deeper/empty");
    EXPECT_STREQ(packEntryName(2, nullptr), "sub/hud.png");

    ToolRun listed = zvtool(scratch_, {"pack", "list", pack});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::istringstream lines(listed.out);
    std::string line;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string w; words >> w;) row.push_back(w);
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 4u) << listed.out;
    EXPECT_EQ(rows[1][0], "menu00.txb");
    EXPECT_LT(std::stoi(rows[1][1]), 20000);
    EXPECT_EQ(rows[1][2], "20000");
    EXPECT_EQ(rows[1][3], "zlib");
    EXPECT_EQ(rows[2], (std::vector<std::string>{"sub/deeper/empty", "0", "0", "stored"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"sub/hud.png", "3000", "3000", "stored"}));

    ToolRun all = zvtool(scratch_, {"pack", "extract", pack, "-C", work_.file("all")});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(readFile(work_.file("all/menu00.txb")), text_);
    EXPECT_EQ(readFile(work_.file("all/sub/hud.png")), noise_);
    EXPECT_TRUE(std::filesystem::exists(work_.file("all/sub/deeper/empty")));

    ToolRun one =
        zvtool(scratch_, {"pack", "extract", pack, "/sub/hud.png", "-C", work_.file("one")});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(readFile(work_.file("one/sub/hud.png")), noise_);
    EXPECT_FALSE(std::filesystem::exists(work_.file("one/menu00.txb")));

    // Files given one by one are named by their own names, in the order given.
    const std::string files = work_.file("files.bin");
    ToolRun byFile =
        zvtool(scratch_, {"pack", "create", files, source("sub/hud.png"), source("menu00.txb")});
    ASSERT_EQ(byFile.status, 0) << byFile.err;
    ASSERT_TRUE(openPack(files.c_str()));
    EXPECT_STREQ(packEntryName(0, nullptr), "hud.png");
    EXPECT_STREQ(packEntryName(1, nullptr), "menu00.txb");
}

TEST_F(ZvtoolPack, BadInputFailsWithAReason) {
    ToolRun bare = zvtool(scratch_, {"pack"});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("usage: zvtool pack create"), std::string::npos) << bare.err;

    ToolRun notPack = zvtool(scratch_, {"pack", "list", source("menu00.txb")});
    EXPECT_EQ(notPack.status, 1);
    EXPECT_NE(notPack.err.find("is not a resource pack"), std::string::npos) << notPack.err;

    const std::string pack = work_.file("p.bin");
    ASSERT_EQ(zvtool(scratch_, {"pack", "create", pack, source("menu00.txb")}).status, 0);
    ToolRun missingEntry =
        zvtool(scratch_, {"pack", "extract", pack, "hud.png", "-C", work_.file("x")});
    EXPECT_EQ(missingEntry.status, 1);
    EXPECT_NE(missingEntry.err.find("no entry 'hud.png'"), std::string::npos) << missingEntry.err;
    EXPECT_FALSE(std::filesystem::exists(work_.file("x")));

    // A pack made elsewhere may name entries that lead out of the output folder.
    std::string error;
    const std::string evil = work_.file("evil.bin");
    ASSERT_TRUE(writePackFile(evil.c_str(), {{"../escaped", {1, 2, 3}}}, &error)) << error;
    ToolRun escape = zvtool(scratch_, {"pack", "extract", evil, "-C", work_.file("in")});
    EXPECT_EQ(escape.status, 1);
    EXPECT_FALSE(std::filesystem::exists(work_.file("escaped")));
}

}  // namespace
