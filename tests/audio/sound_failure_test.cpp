// A missing sound never ends the game: without a sound device the game runs silent, and a WAV
// that is missing, malformed or cannot be converted is reported once and then left out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/sound.h"
#include "sound_test_util.h"

namespace {

using soundtest::clearSlots;
using soundtest::makeOutputWav;
using soundtest::SoundFolder;

constexpr int32_t kPickup = 3;

bool slotsEmpty() {
    for (const SoundSlot& slot : g_soundSlots)
        if (slot.data || slot.soundId != kFreeSoundId) return false;
    return true;
}

TEST(NoSoundDevice, AudioThatCannotBeOpenedLeavesTheGameSilentButRunning) {
    const bool wasOpen = audioIsOpen();
    if (wasOpen) {
        SDL_CloseAudio();
        releaseObtainedAudioSpec();
    }
    clearSlots();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "no_such_sound_driver", 1);
    SoundFolder folder;
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    ASSERT_TRUE(folder.write("ambient_short2", makeOutputWav(100)));

    testing::internal::CaptureStderr();
    openAudio();
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.rfind("Couldn't open audio (sdl): ", 0), 0u) << error;
    EXPECT_GT(error.size(), std::string("Couldn't open audio (sdl): \n").size());
    EXPECT_EQ(error.back(), '\n');
    EXPECT_FALSE(audioIsOpen());

    // The game switches sound on and plays as usual; nothing is loaded and nothing is said.
    setSoundEnabled(true);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    playMusic(80);
    playEffect(kPickup, 100, 75);
    setMusicVolume(50);
    stopSound(kPickup);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(slotsEmpty());
    setSoundEnabled(false);

    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (wasOpen) openAudio();
    EXPECT_EQ(audioIsOpen(), wasOpen);
}

class BrokenSounds : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(soundtest::ensureAudioOpen());
        SDL_PauseAudio(1);
        SDL_LockAudio();
        SDL_UnlockAudio();
        clearSlots();
    }
    void TearDown() override {
        clearSlots();
        SDL_PauseAudio(0);
    }
    SoundFolder folder;
};

TEST_F(BrokenSounds, AMissingEffectIsReportedOnceAndThenLeftOut) {
    testing::internal::CaptureStdout();
    playSound(kPickup, 100);
    const std::string first = testing::internal::GetCapturedStdout();
    const std::string head = "\n\nnativePlaySound() start sfx 3.\nCould not open sound file " +
                             folder.path() + "pickup.wav: ";
    EXPECT_EQ(first.rfind(head, 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 2), " \n");
    EXPECT_TRUE(slotsEmpty());

    // Dropped: the file is not looked for again, even once it is there.
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    testing::internal::CaptureStdout();
    playSound(kPickup, 100);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\nnativePlaySound() start sfx 3.\n");
    EXPECT_TRUE(slotsEmpty());

    // Other sounds play on.
    ASSERT_TRUE(folder.write("hittree", makeOutputWav(100)));
    playSound(2, 100);
    EXPECT_EQ(g_soundSlots[0].soundId, 2);
}

TEST_F(BrokenSounds, AMissingMusicFileIsReportedOnStandardError) {
    testing::internal::CaptureStderr();
    playSound(kMusicSoundId, 80);
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.rfind("Could not open music file " + folder.path() + "ambient_short2.wav: ", 0),
              0u) << error;
    EXPECT_EQ(error.back(), '\n');
    EXPECT_TRUE(slotsEmpty());
}

TEST_F(BrokenSounds, AMalformedWavIsACouldNotOpen) {
    std::vector<uint8_t> bytes = makeOutputWav(100);
    bytes[40] = 0xFF;  // the data chunk claims more than the file holds
    bytes[41] = 0xFF;
    ASSERT_TRUE(folder.write("pickup", bytes));
    testing::internal::CaptureStdout();
    playSound(kPickup, 100);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Could not open sound file " + folder.path() + "pickup.wav: Malformed WAVE"),
              std::string::npos) << out;
    EXPECT_TRUE(slotsEmpty());
}

TEST_F(BrokenSounds, AWavThatCannotBeConvertedIsReportedAndLeftOut) {
    ASSERT_TRUE(folder.write("pickup", soundtest::makeWav(192000, 1, 16, 100)));
    testing::internal::CaptureStderr();
    playSound(kPickup, 100);
    playSound(kPickup, 100);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't build converter!\n");
    EXPECT_TRUE(slotsEmpty());
}

}  // namespace
