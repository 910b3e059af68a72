// The WAV structure check and the load-and-convert step: the files they take, each reason a file
// is refused before SDL sees it, and the conversion to the output format. (The game's own sounds
// play through the mixer in tests/game/sound_whole_game_test.cpp.)
#include "audio/wav_file.h"

#include <gtest/gtest.h>

#include "audio/audio_device.h"
#include "sound_test_util.h"

namespace {

using soundtest::Bytes;
using soundtest::chunk;
using soundtest::makeWav;
using soundtest::sampleAt;
using soundtest::withLE;

// Loads and converts to the game's output format, mono 16-bit at 11025 Hz.
WavLoadResult load(const Bytes& bytes, ConvertedSound* sound) {
    SDL_AudioSpec output{};
    output.freq = kAudioRate;
    output.format = kAudioFormat;
    output.channels = 1;
    return loadConvertedWav(bytes.data(), bytes.size(), output, sound);
}

TEST(WavCheck, AcceptsPcmFilesAndReportsTheirFormat) {
    WavInfo info{};
    ASSERT_TRUE(checkWavFile(makeWav(22050, 2, 16, 10).data(), 84, &info, nullptr));
    EXPECT_EQ(info.channels * 100 + info.bits, 216);
    EXPECT_EQ(info.rate, 22050u);
    EXPECT_EQ(info.dataBytes, 40u);
    EXPECT_EQ(info.dataOffset, 44u);
    // An odd 8-bit data chunk with its pad byte, after a LIST chunk, and trailing bytes.
    Bytes odd = makeWav(8000, 1, 8, 7, chunk("LIST", 6, 6));
    odd.push_back(0);
    ASSERT_TRUE(checkWavFile(odd.data(), odd.size(), &info, nullptr));
    EXPECT_EQ(info.dataBytes, 7u);
    EXPECT_EQ(info.dataOffset, 58u);
}

TEST(WavCheck, RefusesWhatTheLoaderWouldMisreadOrCannotTake) {
    const Bytes good = makeWav(11025, 1, 16, 4), stereo = makeWav(11025, 2, 16, 4);
    const std::pair<Bytes, const char*> cases[] = {
        {{}, "not a RIFF file"},
        {Bytes(good.begin(), good.begin() + 6), "not a RIFF file"},  // a short header
        {withLE(good, 4, 45, 4), "RIFF size beyond the file"},       // a lying size
        {withLE(good, 4, 3, 4), "RIFF size beyond the file"},        // too short for "WAVE"
        {withLE(good, 8, 'X', 1), "not a WAVE file"},
        {withLE(withLE(good, 4, 48, 4), 52, 0, 4), "chunk header cut short"},
        {withLE(good, 40, 0xFFFFFFF0u, 4), "chunk runs past the RIFF end"},
        {makeWav(11025, 1, 16, 4, chunk("LIST", 5, 5)), "odd chunk size before the samples"},
        {makeWav(11025, 1, 16, 0), "empty chunk before the samples"},
        {makeWav(11025, 1, 16, 4, chunk("LIST", 0, 0)), "empty chunk before the samples"},
        {withLE(good, 12, 'j', 1), "unexpected chunk before the format"},
        {makeWav(11025, 1, 16, 4, chunk("fmt ", 16, 16)), "second format chunk"},
        {withLE(good, 36, 'j', 1), "no data chunk"},
        {withLE(withLE(good, 16, 14, 4), 36, 0, 2), "format chunk too short"},
        {withLE(good, 20, 2, 1), "not PCM samples"},
        {makeWav(11025, 3, 16, 4), "neither mono nor stereo"},
        {withLE(good, 34, 24, 1), "neither 8 nor 16 bits"},
        {makeWav(999, 1, 16, 4), "sample rate out of range"},
        {makeWav(192001, 1, 16, 4), "sample rate out of range"},
        {withLE(stereo, 32, 2, 1), "block align does not match"},
        {withLE(good, 28, 22049, 4), "byte rate does not match"},
        {Bytes(kMaxWavFileBytes + 1), "file too large"},
    };
    for (const auto& [bytes, reason] : cases) {
        const char* why = nullptr;
        EXPECT_FALSE(checkWavFile(bytes.data(), bytes.size(), nullptr, &why)) << reason;
        EXPECT_STREQ(why, reason);
        ConvertedSound sound{};
        EXPECT_EQ(load(bytes, &sound), WavLoadResult::kCannotOpen) << reason;
        EXPECT_EQ(sound.data, nullptr);
    }
    EXPECT_FALSE(checkWavFile(nullptr, 100, nullptr, nullptr));
}

// 800 frames at another rate, width or channel count become mono 16-bit at 11025 Hz; rates change
// by whole octaves (SDL's converter) and never across more than 16 times.
TEST(WavConvert, OtherFormatsBecomeTheOutputFormatAndRatesTooFarApartCannot) {
    constexpr WavLoadResult kLoaded = WavLoadResult::kLoaded;
    constexpr WavLoadResult kCannot = WavLoadResult::kCannotConvert;
    const std::tuple<uint32_t, uint32_t, uint32_t, WavLoadResult, uint32_t> cases[] = {
        {22050, 1, 16, kLoaded, 800}, {44100, 2, 16, kLoaded, 400}, {11025, 1, 8, kLoaded, 1600},
        {44100, 1, 8, kLoaded, 400},  {96000, 1, 16, kLoaded, 200}, {192000, 1, 16, kCannot, 0}};
    for (const auto& [rate, channels, bits, result, length] : cases) {
        ConvertedSound sound{};
        EXPECT_EQ(load(makeWav(rate, channels, bits, 800), &sound), result) << rate;
        EXPECT_EQ(sound.length, length) << rate << " " << channels << " " << bits;
        delete[] sound.data;
    }
    ConvertedSound widened{};  // the 8-bit samples, widened
    ASSERT_EQ(load(makeWav(11025, 1, 8, 300), &widened), WavLoadResult::kLoaded);
    for (uint32_t k = 0; k < 300; ++k)
        ASSERT_EQ(reinterpret_cast<int16_t*>(widened.data)[k], (sampleAt(k, 0) >> 8) * 256) << k;
    delete[] widened.data;
}

}  // namespace
