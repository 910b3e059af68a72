// The zvtool texture command, run as the built program: usage, decode, encode, info and ATC.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "gfx2d/gfx_fixture.h"

TEST(ZvtoolTexture, DecodesEncodesAndDescribesTextures) {
    const std::string zvtool = ZV_BINARY_DIR "/tools/zvtool", scratch = zvtest::makeTempFolder();
    ASSERT_TRUE(std::filesystem::exists(zvtool)) << "zvtool is not built";
    std::string atc(20 + 64, '\0');
    const uint32_t words[5] = {0, 8, 8, 0, 20};
    std::memcpy(atc.data(), words, sizeof words);
    ASSERT_TRUE(zvtest::writeFile(scratch + "tree.atc", atc));
    const std::string smokeName = "p11_smoke_32x32_2bpp_alpha_mips";
    const std::string smoke = gfxtest::vectorPath(smokeName);
    const std::string sprite = gfxtest::vectorPath("p03_sprite_64x64_4bpp_alpha.src.png");
    // Arguments, exit status, and what the output (or for a failure the error) says.
    const std::tuple<std::string, int, const char*> runs[] = {
        {"", 2, "usage: zvtool texture decode"},
        {"decode '" + smoke + ".pvr' '" + scratch + "smoke.png'", 0, ""},
        {"encode '" + sprite + "' '" + scratch + "sprite.pvr' --bpp 2 --mipmaps", 0,
         "PVRTC 2 bpp, alpha, 7 levels"},
        {"info '" + scratch + "sprite.pvr'", 0, "PVR 64 x 64, PVRTC 2 bpp, alpha, 7 levels"},
        {"encode '" + scratch + "sprite.pvr' '" + scratch + "again.pvr' --bpp 3", 1, ""},
        {"info '" + scratch + "tree.atc'", 0, "ATC 8 x 8, RGB"},
        {"decode '" + scratch + "tree.atc' '" + scratch + "tree.png'", 1,
         "ATC data cannot be decoded"},
    };
    for (const auto& [args, status, says] : runs) {
        const int raw = std::system(("'" + zvtool + "' texture " + args + " >'" + scratch +
                                     "out.txt' 2>'" + scratch + "err.txt'").c_str());
        const std::string out = zvtest::readFile(scratch + (status ? "err.txt" : "out.txt"));
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status) << args;
        EXPECT_NE(out.find(says), std::string::npos) << args << ": " << out;
    }
    // The decoding is the game's.
    const gfxtest::Picture decoded = gfxtest::decodePng(gfxtest::readBytes(scratch + "smoke.png"));
    EXPECT_EQ(decoded.width, 32);
    EXPECT_EQ(decoded.rgba, gfxtest::vectorPicture(smokeName + ".dec.png").rgba);
}
