// The sounds as the mixer gets them: each WAV loads through SDL in the mixer's 11025 Hz mono S16
// with the samples made and its length; effects start and end in silence and stay clear of
// clipping; the thud sits low and the chime high; and the ambience loops without a seam.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tools/assets/game_sounds.h"

namespace {

// The samples SDL loads from the WAV, failing the test unless they are in the mixer's own
// format (11025 Hz mono S16), so that the game plays them unconverted.
std::vector<int16_t> throughSdl(const std::vector<uint8_t>& wav) {
    SDL_AudioSpec format;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (!SDL_LoadWAV_RW(rw, 1, &format, &buffer, &length)) {
        ADD_FAILURE() << SDL_GetError();
        return {};
    }
    EXPECT_EQ(format.freq, 11025);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.format, AUDIO_S16LSB);
    std::vector<int16_t> samples(length / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
    SDL_FreeWAV(buffer);
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

// Each sound made, encoded and read back as the game loads it.
const std::map<std::string, std::vector<int16_t>>& converted() {
    static const auto* sounds = [] {
        auto* out = new std::map<std::string, std::vector<int16_t>>();
        for (const std::string& name : gameSoundNames()) {
            const std::vector<int16_t> made = synthesiseSound(name).samples;
            (*out)[name] = throughSdl(encodeWav(made));
            EXPECT_EQ((*out)[name], made) << name << " loads with other samples than were made";
        }
        return out;
    }();
    return *sounds;
}

TEST(Sounds, EachHasItsLengthAndLoudnessAndEffectsStartAndEndInSilence) {
    struct Sound {
        double shortest, longest, quietest, loudest;  // seconds; peak of full scale
        bool effect;
    };
    const std::map<std::string, Sound> sounds = {
        {"bush1", {0.2, 1.0, 0.5, 0.95, true}},
        {"bush2", {0.2, 1.0, 0.5, 0.95, true}},
        {"hittree", {0.3, 1.5, 0.5, 0.95, true}},
        {"pickup", {0.15, 0.8, 0.5, 0.95, true}},
        {"ambient_short2", {20.0, 40.0, 0, 0.65, false}},  // the music sits under the effects
    };
    ASSERT_EQ(converted().size(), sounds.size());
    for (const auto& [name, want] : sounds) {
        ASSERT_EQ(converted().count(name), 1u) << name;
        const std::vector<int16_t>& s = converted().at(name);
        ASSERT_GT(s.size(), 100u) << name;
        const double seconds = s.size() / 11025.0;
        EXPECT_TRUE(seconds >= want.shortest && seconds <= want.longest) << name << seconds;
        EXPECT_TRUE(peak(s) > want.quietest && peak(s) < want.loudest) << name << peak(s);
        if (want.effect) {
            EXPECT_LT(std::abs(s.front()), 300) << name << " starts with a click";
            EXPECT_LT(std::abs(s.back()), 300) << name << " ends with a click";
        }
    }
}

TEST(Sounds, TheThudIsLowTheChimeBrightTheRustlesDifferAndTheAmbienceLoopsWithoutASeam) {
    const auto& s = converted();
    EXPECT_LT(brightness(s.at("hittree")) * 5, brightness(s.at("pickup")));
    EXPECT_LT(brightness(s.at("hittree")) * 5, brightness(s.at("bush1")));
    // Two different rustles: neither is a copy (or a scaled copy) of the other.
    const std::vector<int16_t>&a = s.at("bush1"), &b = s.at("bush2");
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    EXPECT_LT(std::fabs(ab) / std::sqrt(aa * bb), 0.3);

    // The join of the loop is an ordinary step, not merely below the loudest cricket.
    const std::vector<int16_t>& loop = s.at("ambient_short2");
    std::vector<int> steps;
    for (size_t i = 1; i < loop.size(); ++i) steps.push_back(std::abs(loop[i] - loop[i - 1]));
    std::sort(steps.begin(), steps.end());
    EXPECT_LE(std::abs(loop.front() - loop.back()), steps[steps.size() * 99 / 100]);
}

}  // namespace
