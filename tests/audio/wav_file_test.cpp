// The WAV structure check and the load-and-convert step over well-formed, odd and damaged files:
// every truncation of a good file is refused, and every single-byte corruption is either refused
// or loads to exactly what the check promised.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/wav_file.h"
#include "sound_test_util.h"

namespace {

using soundtest::makeWav;

SDL_AudioSpec outputSpec() {
    SDL_AudioSpec spec{};
    spec.freq = kAudioRate;
    spec.format = kAudioFormat;
    spec.channels = 1;
    return spec;
}

bool check(const std::vector<uint8_t>& bytes, WavInfo* info = nullptr, const char** why = nullptr) {
    return checkWavFile(bytes.data(), bytes.size(), info, why);
}

std::vector<uint8_t> chunk(const char* tag, uint32_t size, uint32_t declared) {
    std::vector<uint8_t> c;
    soundtest::putTag(&c, tag);
    soundtest::put32(&c, declared);
    c.resize(8 + size, 0x5A);
    return c;
}

// SDL changes a rate by whole octaves only: the length ratio it gives between two rates.
double octaveRatio(uint32_t from, uint32_t to) {
    double ratio = 1.0;
    if (from / 100 == to / 100) return ratio;
    uint32_t low = from < to ? from : to;
    const uint32_t high = from < to ? to : from;
    while (low * 2 / 100 <= high / 100) {
        ratio *= from < to ? 2.0 : 0.5;
        low *= 2;
    }
    return ratio;
}

void setU32(std::vector<uint8_t>* bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(WavCheck, AcceptsPcmFilesAndReportsTheirFormat) {
    WavInfo info{};
    ASSERT_TRUE(check(makeWav(22050, 2, 16, 10), &info));
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.rate, 22050u);
    EXPECT_EQ(info.bits, 16);
    EXPECT_EQ(info.dataBytes, 40u);
    EXPECT_EQ(info.dataOffset, 44u);
    // An odd 8-bit data chunk with its pad byte, a LIST chunk after the format, trailing bytes.
    std::vector<uint8_t> odd = makeWav(8000, 1, 8, 7, chunk("LIST", 6, 6));
    ASSERT_TRUE(check(odd, &info));
    EXPECT_EQ(info.dataBytes, 7u);
    odd.push_back(0);
    EXPECT_TRUE(check(odd));
}

TEST(WavCheck, RefusesWhatTheLoaderWouldMisreadOrCannotTake) {
    const char* why = nullptr;
    EXPECT_FALSE(check(makeWav(11025, 1, 16, 4, chunk("LIST", 5, 5)), nullptr, &why));
    EXPECT_STREQ(why, "odd chunk size before the samples");
    EXPECT_FALSE(check(makeWav(11025, 3, 16, 4), nullptr, &why));
    EXPECT_STREQ(why, "neither mono nor stereo");
    std::vector<uint8_t> wide = makeWav(11025, 1, 16, 4);
    wide[34] = 24;
    EXPECT_FALSE(check(wide, nullptr, &why));
    EXPECT_STREQ(why, "neither 8 nor 16 bits");
    EXPECT_FALSE(check(makeWav(500, 1, 16, 4), nullptr, &why));
    EXPECT_STREQ(why, "sample rate out of range");
    EXPECT_FALSE(check(makeWav(11025, 1, 16, 4, chunk("fmt ", 16, 16)), nullptr, &why));
    EXPECT_STREQ(why, "second format chunk");

    std::vector<uint8_t> adpcm = makeWav(11025, 1, 16, 4);
    adpcm[20] = 2;
    EXPECT_FALSE(check(adpcm, nullptr, &why));
    EXPECT_STREQ(why, "not PCM samples");

    std::vector<uint8_t> shortFormat = makeWav(11025, 1, 16, 4);
    setU32(&shortFormat, 16, 14);  // the loader would read 16 bytes of a 14-byte chunk
    EXPECT_FALSE(check(shortFormat, nullptr, &why));

    std::vector<uint8_t> noData = makeWav(11025, 1, 16, 4);
    std::memcpy(&noData[36], "junk", 4);
    EXPECT_FALSE(check(noData, nullptr, &why));
    EXPECT_STREQ(why, "no data chunk");

    std::vector<uint8_t> longRiff = makeWav(11025, 1, 16, 4);
    setU32(&longRiff, 4, static_cast<uint32_t>(longRiff.size()));
    EXPECT_FALSE(check(longRiff, nullptr, &why));
    EXPECT_STREQ(why, "RIFF size beyond the file");

    std::vector<uint8_t> longData = makeWav(11025, 1, 16, 4);
    setU32(&longData, 40, 0xFFFFFFF0u);
    EXPECT_FALSE(check(longData, nullptr, &why));
    EXPECT_STREQ(why, "chunk runs past the RIFF end");

    std::vector<uint8_t> badAlign = makeWav(11025, 2, 16, 4);
    badAlign[32] = 2;
    EXPECT_FALSE(check(badAlign, nullptr, &why));
    EXPECT_STREQ(why, "block align does not match");

    EXPECT_FALSE(check({}));
    EXPECT_FALSE(checkWavFile(nullptr, 100, nullptr, nullptr));
}

TEST(WavCheck, EveryTruncationOfAGoodFileIsRefused) {
    const std::vector<uint8_t> good = makeWav(11025, 1, 16, 20, chunk("fact", 4, 4));
    ASSERT_TRUE(check(good));
    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_FALSE(check(cut)) << n;
        ConvertedSound sound{};
        EXPECT_EQ(loadConvertedWav(cut.data(), cut.size(), outputSpec(), &sound),
                  WavLoadResult::kCannotOpen) << n;
        EXPECT_EQ(sound.data, nullptr);
    }
}

// Each byte of a file set to several values: a file the check passes must load and convert to
// the length its format and data size say; any other is refused before SDL sees it.
TEST(WavCheck, CorruptedFilesAreRefusedOrLoadAsTheCheckSays) {
    const std::vector<uint8_t> sources[] = {makeWav(11025, 1, 16, 24),
                                            makeWav(22050, 2, 8, 24, chunk("LIST", 4, 4))};
    const uint8_t values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    int accepted = 0, refused = 0;
    for (const std::vector<uint8_t>& good : sources) {
        for (size_t at = 0; at < good.size(); ++at) {
            for (uint8_t v : values) {
                std::vector<uint8_t> bad = good;
                bad[at] = v;
                WavInfo info{};
                ConvertedSound sound{};
                const WavLoadResult result =
                    loadConvertedWav(bad.data(), bad.size(), outputSpec(), &sound);
                if (!check(bad, &info)) {
                    ++refused;
                    EXPECT_EQ(result, WavLoadResult::kCannotOpen) << at;
                    continue;
                }
                ++accepted;
                ASSERT_EQ(result, WavLoadResult::kLoaded) << at << " " << SDL_GetError();
                const double frames = info.dataBytes / (info.channels * info.bits / 8);
                const double expected = frames * octaveRatio(info.rate, kAudioRate) * 2;
                EXPECT_NEAR(sound.length, expected, 4) << at;
                EXPECT_EQ(sound.length % 2, 0u);
                delete[] sound.data;
            }
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
}

TEST(WavConvert, RatesTooFarApartCannotBeConverted) {
    const std::vector<uint8_t> fast = makeWav(192000, 1, 16, 64);
    ASSERT_TRUE(check(fast));
    ConvertedSound sound{};
    EXPECT_EQ(loadConvertedWav(fast.data(), fast.size(), outputSpec(), &sound),
              WavLoadResult::kCannotConvert);
    EXPECT_EQ(sound.data, nullptr);
    const std::vector<uint8_t> near = makeWav(96000, 1, 16, 64);
    EXPECT_EQ(loadConvertedWav(near.data(), near.size(), outputSpec(), &sound),
              WavLoadResult::kLoaded);
    delete[] sound.data;
}

TEST(WavCheck, AnEmptyChunkBeforeTheSamplesIsRefused) {
    const char* why = nullptr;
    EXPECT_FALSE(check(makeWav(11025, 1, 16, 0), nullptr, &why));
    EXPECT_STREQ(why, "empty chunk before the samples");
    EXPECT_FALSE(check(makeWav(11025, 1, 16, 4, chunk("LIST", 0, 0))));
}

// The game's own sounds, once they are built beside the game: each passes the check and plays
// unconverted at the output format.
TEST(GameSounds, TheBuiltSoundsPassTheCheckAndNeedNoConversion) {
    int found = 0;
    for (const char* name : {"bush1", "bush2", "hittree", "pickup", "ambient_short2"}) {
        const std::string text = zvtest::readFile(std::string(ZV_BINARY_DIR) + "/" + name + ".wav");
        if (text.empty()) continue;
        ++found;
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        WavInfo info{};
        const char* why = "";
        ASSERT_TRUE(check(bytes, &info, &why)) << name << ": " << why;
        ConvertedSound sound{};
        ASSERT_EQ(loadConvertedWav(bytes.data(), bytes.size(), outputSpec(), &sound),
                  WavLoadResult::kLoaded) << name;
        EXPECT_EQ(sound.length, info.dataBytes) << name;
        EXPECT_EQ(std::memcmp(sound.data, bytes.data() + info.dataOffset, sound.length), 0) << name;
        delete[] sound.data;
    }
    if (found == 0) GTEST_SKIP() << "the game's sounds are not built yet";
}

}  // namespace
