// The zvtool pack command, run as the built program: create, list, extract and its refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <regex>

#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace {

TEST(ZvtoolPack, CreatesListsAndExtractsAndRefusesWithAReason) {
    const std::string w = zvtest::makeTempFolder(), text(20000, 't');
    std::string noise;
    for (uint32_t s = 1; noise.size() < 3000; s = s * 1664525u + 1013904223u)
        noise += static_cast<char>(s >> 24);
    std::filesystem::create_directories(w + "src/sub/deeper");
    ASSERT_TRUE(zvtest::writeFile(w + "src/menu00.txb", text));
    ASSERT_TRUE(zvtest::writeFile(w + "src/sub/hud.png", noise));
    ASSERT_TRUE(zvtest::writeFile(w + "src/sub/deeper/empty", ""));
    std::string error;  // a pack made elsewhere may name entries that lead out of the folder
    ASSERT_TRUE(writePackFile((w + "evil.bin").c_str(), {{"../escaped", {1, 2, 3}}}, &error));
    const std::regex listing("name +stored +unpacked +kind\nmenu00.txb +[0-9]+ +20000  zlib\n"
                             "sub/deeper/empty +0 +0  stored\nsub/hud.png +3000 +3000  stored\n");
    const std::tuple<std::string, int, std::string> runs[] = {
        {"create p.bin src", 0, ""},
        {"list p.bin", 0, "name"},
        {"extract p.bin -C all", 0, ""},
        {"extract p.bin /sub/hud.png -C one", 0, ""},
        {"create files.bin src/sub/hud.png src/menu00.txb", 0, ""},  // named by file name, in order
        {"", 2, "usage: zvtool pack create"},
        {"list src/menu00.txb", 1, "is not a resource pack"},
        {"extract p.bin hud.png -C x", 1, "no entry 'hud.png'"},
        {"extract evil.bin -C in", 1, "leads outside the folder"},
    };
    for (const auto& [args, status, printed] : runs) {
        const std::string command =
            "cd " + w + " && " ZV_BINARY_DIR "/tools/zvtool pack " + args + " >out.txt 2>&1";
        const int raw = std::system(command.c_str());
        const std::string out = zvtest::readFile(w + "out.txt");
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status) << args << ": " << out;
        EXPECT_TRUE(printed.empty() ? out.empty() : out.find(printed) != std::string::npos)
            << args << ": " << out;
        if (args == "list p.bin") {
            EXPECT_TRUE(std::regex_match(out, listing)) << out;
        }
    }
    EXPECT_EQ(zvtest::readFile(w + "all/menu00.txb"), text);
    EXPECT_EQ(zvtest::readFile(w + "all/sub/hud.png"), noise);
    EXPECT_TRUE(std::filesystem::exists(w + "all/sub/deeper/empty"));
    EXPECT_EQ(zvtest::readFile(w + "one/sub/hud.png"), noise);
    EXPECT_FALSE(std::filesystem::exists(w + "one/menu00.txb"));
    EXPECT_FALSE(std::filesystem::exists(w + "x") || std::filesystem::exists(w + "escaped"));
    ASSERT_TRUE(openPack((w + "files.bin").c_str()));
    EXPECT_STREQ(packEntryName(0, nullptr), "hud.png");
    EXPECT_STREQ(packEntryName(1, nullptr), "menu00.txb");
    closePack();
}

}  // namespace
