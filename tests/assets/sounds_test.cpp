// The sounds as the mixer gets them: each WAV loads through SDL and converts to the mixer's
// 11025 Hz mono S16; effects start and end in silence and stay clear of clipping; the thud sits
// low and the chime high; and the ambience loops without a seam.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tools/assets/game_sounds.h"

namespace {

// The samples SDL gives after loading the WAV and converting it to 11025 Hz mono S16.
std::vector<int16_t> throughSdl(const std::vector<uint8_t>& wav) {
    SDL_AudioSpec format;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (!SDL_LoadWAV_RW(rw, 1, &format, &buffer, &length)) {
        ADD_FAILURE() << SDL_GetError();
        return {};
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, format.format, format.channels, format.freq, AUDIO_S16LSB, 1,
                          11025) < 0) {
        ADD_FAILURE() << "no converter";
        SDL_FreeWAV(buffer);
        return {};
    }
    std::vector<Uint8> work(static_cast<size_t>(length) * std::max(1, cvt.len_mult));
    std::copy(buffer, buffer + length, work.begin());
    SDL_FreeWAV(buffer);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(length);
    EXPECT_EQ(SDL_ConvertAudio(&cvt), 0);
    std::vector<int16_t> samples(static_cast<size_t>(cvt.len_cvt) / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(work[2 * i] | (work[2 * i + 1] << 8));
    return samples;
}

double peak(const std::vector<int16_t>& s) {
    int top = 0;
    for (int16_t v : s) top = std::max(top, std::abs(static_cast<int>(v)));
    return top / 32768.0;
}

// Mean square of the first difference over the mean square: grows with the pitch of the sound.
double brightness(const std::vector<int16_t>& s) {
    double energy = 0, change = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        energy += static_cast<double>(s[i]) * s[i];
        const double d = static_cast<double>(s[i]) - s[i - 1];
        change += d * d;
    }
    return energy > 0 ? change / energy : 0;
}

class Sounds : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const std::string& name : gameSoundNames())
            converted_[name] = throughSdl(encodeWav(synthesiseSound(name).samples));
    }
    static std::map<std::string, std::vector<int16_t>> converted_;
};
std::map<std::string, std::vector<int16_t>> Sounds::converted_;

TEST_F(Sounds, EachLoadsAndConvertsToTheMixersFormatWithItsLength) {
    const std::map<std::string, std::pair<double, double>> seconds = {
        {"bush1", {0.2, 1.0}},
        {"bush2", {0.2, 1.0}},
        {"hittree", {0.3, 1.5}},
        {"pickup", {0.15, 0.8}},
        {"ambient_short2", {20.0, 40.0}}};
    ASSERT_EQ(converted_.size(), seconds.size());
    for (const auto& [name, range] : seconds) {
        const double length = converted_[name].size() / 11025.0;
        EXPECT_GE(length, range.first) << name;
        EXPECT_LE(length, range.second) << name;
    }
}

TEST_F(Sounds, EffectsAreAudibleUnclippedAndStartAndEndInSilence) {
    for (const char* name : {"bush1", "bush2", "hittree", "pickup"}) {
        const std::vector<int16_t>& s = converted_[name];
        ASSERT_GT(s.size(), 100u) << name;
        EXPECT_GT(peak(s), 0.5) << name;
        EXPECT_LT(peak(s), 0.95) << name << " leaves room before clipping";
        EXPECT_LT(std::abs(s.front()), 300) << name << " starts with a click";
        EXPECT_LT(std::abs(s.back()), 300) << name << " ends with a click";
    }
    // The music sits under the effects.
    EXPECT_LT(peak(converted_["ambient_short2"]), 0.65);
}

TEST_F(Sounds, TheThudIsLowTheChimeIsBrightAndTheRustlesDiffer) {
    EXPECT_LT(brightness(converted_["hittree"]) * 5, brightness(converted_["pickup"]));
    EXPECT_LT(brightness(converted_["hittree"]) * 5, brightness(converted_["bush1"]));
    // Two different rustles: neither is a copy (or a scaled copy) of the other.
    const std::vector<int16_t>& a = converted_["bush1"];
    const std::vector<int16_t>& b = converted_["bush2"];
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    EXPECT_LT(std::fabs(ab) / std::sqrt(aa * bb), 0.3);
}

TEST_F(Sounds, TheAmbienceLoopsWithoutASeam) {
    const std::vector<int16_t>& s = converted_["ambient_short2"];
    ASSERT_GT(s.size(), 11025u);
    std::vector<int> steps;
    for (size_t i = 1; i < s.size(); ++i) steps.push_back(std::abs(s[i] - s[i - 1]));
    const int join = std::abs(s.front() - s.back());
    std::sort(steps.begin(), steps.end());
    EXPECT_LE(join, steps.back()) << "the join is the largest jump of the loop";
    // And it is an ordinary step, not merely below the loudest cricket.
    EXPECT_LE(join, steps[steps.size() * 99 / 100]);
}

TEST(SoundFiles, AreMonoSixteenBitAtTheMixerRate) {
    const std::vector<uint8_t> wav = encodeWav({0, 1000, -1000, 0});
    SDL_AudioSpec format;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    ASSERT_TRUE(SDL_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1,
                               &format, &buffer, &length));
    EXPECT_EQ(format.freq, 11025);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.format, AUDIO_S16LSB);
    ASSERT_EQ(length, 8u);
    EXPECT_EQ(buffer[2] | (buffer[3] << 8), 1000);
    SDL_FreeWAV(buffer);
}

}  // namespace
