// The zvtool texture command, run as the built program: decode, encode, info and usage.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "gfx2d/pvr_file.h"
#include "gfx2d/texture_test_util.h"

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

const std::string kZvtool = ZV_BINARY_DIR "/tools/zvtool";

ToolRun zvtool(const std::string& scratch, const std::vector<std::string>& args) {
    std::string command = "'" + kZvtool + "' texture";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + scratch + "out.txt' 2>'" + scratch + "err.txt'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, zvtest::readFile(scratch + "out.txt"),
            zvtest::readFile(scratch + "err.txt")};
}

class ZvtoolTexture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kZvtool)) GTEST_SKIP() << "zvtool is not built";
        scratch_ = zvtest::makeTempFolder();
    }
    std::string scratch_;
};

TEST_F(ZvtoolTexture, AloneItPrintsUsage) {
    const ToolRun run = zvtool(scratch_, {});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: zvtool texture decode"), std::string::npos);
}

TEST_F(ZvtoolTexture, DecodesAPvrAsTheGameDoes) {
    const std::string out = scratch_ + "smoke.png";
    const ToolRun run = zvtool(scratch_, {"decode", textest::pvrtcVector("p11_smoke_32x32_2bpp_alpha_mips.pvr"), out});
    ASSERT_EQ(run.status, 0) << run.err;
    const textest::Picture ours = textest::decodeWithGameReader(textest::readBytes(out));
    const textest::Picture reference = textest::decodeWithGameReader(
        textest::readBytes(textest::pvrtcVector("p11_smoke_32x32_2bpp_alpha_mips.dec.png")));
    EXPECT_EQ(ours.width, 32);
    EXPECT_EQ(ours.rgba, reference.rgba);
}

TEST_F(ZvtoolTexture, EncodesAPngIntoAPvrWithItsChain) {
    const std::string out = scratch_ + "sprite.pvr";
    ToolRun run = zvtool(scratch_, {"encode", textest::pvrtcVector("p03_sprite_64x64_4bpp_alpha.src.png"), out,
                                    "--bpp", "2", "--mipmaps"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("PVRTC 2 bpp, alpha, 7 levels"), std::string::npos) << run.out;
    const std::vector<uint8_t> file = textest::readBytes(out);
    PvrHeader header;
    ASSERT_TRUE(parsePvrHeader(file.data(), file.size(), &header));
    EXPECT_EQ(header.width, 64);
    EXPECT_EQ(header.height, 64);
    EXPECT_EQ(header.pixelFormat, kPvrFormatPvrtc2);
    EXPECT_EQ(header.mipmapCount, 6u);
    EXPECT_NE(header.alphaMask, 0u);
    run = zvtool(scratch_, {"info", out});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("PVR 64 x 64, PVRTC 2 bpp, alpha, 7 levels"), std::string::npos) << run.out;
    run = zvtool(scratch_, {"encode", out, scratch_ + "again.pvr", "--bpp", "3"});
    EXPECT_EQ(run.status, 1);
}

TEST_F(ZvtoolTexture, AtcIsDescribedButNotDecoded) {
    std::string atc(20 + 64, '\0');
    const uint32_t words[5] = {0, 8, 8, 0, 20};
    std::memcpy(atc.data(), words, sizeof words);
    ASSERT_TRUE(zvtest::writeFile(scratch_ + "tree.atc", atc));
    ToolRun run = zvtool(scratch_, {"info", scratch_ + "tree.atc"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("ATC 8 x 8, RGB"), std::string::npos) << run.out;
    run = zvtool(scratch_, {"decode", scratch_ + "tree.atc", scratch_ + "tree.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ATC data cannot be decoded"), std::string::npos) << run.err;
}

}  // namespace
