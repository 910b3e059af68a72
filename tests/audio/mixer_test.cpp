// The ten-slot mixer driven by calling the audio callback directly (SDL's own callback paused):
// effects freed after their end, the music's rewind, a full table, taking over a slot played to
// its end, the slot-0/1 volume rule and the exact log lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "sound_test_util.h"

namespace {

using soundtest::clearSlots;
using soundtest::makeOutputWav;
using soundtest::SoundFolder;

constexpr int32_t kPickup = 3;
constexpr int32_t kHitTree = 2;

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(soundtest::ensureAudioOpen());
        // SDL's thread stops calling the mixer; the lock waits out a callback in progress.
        SDL_PauseAudio(1);
        SDL_LockAudio();
        SDL_UnlockAudio();
        clearSlots();
        ASSERT_EQ(g_obtainedAudioSpec->freq, kAudioRate);
        ASSERT_EQ(g_obtainedAudioSpec->format, kAudioFormat);
        ASSERT_EQ(g_obtainedAudioSpec->channels, kAudioChannels);
    }
    void TearDown() override {
        clearSlots();
        SDL_PauseAudio(0);
    }
    // One callback of `bytes` bytes into silence; the mixed samples.
    static std::vector<int16_t> mix(uint32_t bytes) {
        std::vector<int16_t> out(bytes / 2, 0);
        mixAudio(nullptr, reinterpret_cast<Uint8*>(out.data()), static_cast<int>(bytes));
        return out;
    }
    static int32_t slotOf(int32_t id) {
        for (int32_t i = 0; i < kSoundSlots; ++i)
            if (g_soundSlots[i].soundId == id) return i;
        return -1;
    }
    SoundFolder folder;
};

TEST_F(Mixer, AnEffectPlayedToItsEndIsFreedInTheNextCallback) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    playSound(kPickup, 100);
    ASSERT_EQ(g_soundSlots[0].soundId, kPickup);
    ASSERT_EQ(g_soundSlots[0].length, 200u);
    EXPECT_EQ(g_soundSlots[0].volume, 128);

    const std::vector<int16_t> first = mix(200);
    for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(first[i], soundtest::sampleAt(i, 0)) << i;
    EXPECT_EQ(g_soundSlots[0].position, 200u);
    EXPECT_EQ(g_soundSlots[0].soundId, kPickup);  // still held, but free for a new sound

    testing::internal::CaptureStdout();
    const std::vector<int16_t> second = mix(200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sfx 3 has been removed from slot number 0.\n");
    for (int16_t s : second) ASSERT_EQ(s, 0);
    EXPECT_EQ(g_soundSlots[0].data, nullptr);
    EXPECT_EQ(g_soundSlots[0].soundId, kFreeSoundId);
    EXPECT_EQ(g_soundSlots[0].length, 0u);
    EXPECT_EQ(g_soundSlots[0].volume, 0);
}

TEST_F(Mixer, ACallbackShorterThanTheSoundPlaysItInPieces) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    playSound(kPickup, 100);
    const std::vector<int16_t> a = mix(128);
    const std::vector<int16_t> b = mix(128);  // 72 bytes left: the rest stays silent
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(a[i], soundtest::sampleAt(i, 0));
    for (uint32_t i = 0; i < 36; ++i) ASSERT_EQ(b[i], soundtest::sampleAt(64 + i, 0));
    for (uint32_t i = 36; i < 64; ++i) ASSERT_EQ(b[i], 0);
    EXPECT_EQ(g_soundSlots[0].position, 200u);
}

TEST_F(Mixer, TheMusicRewindsAfterOneSilentCallback) {
    ASSERT_TRUE(folder.write("ambient_short2", makeOutputWav(100)));
    setSoundEnabled(true);
    playMusic(100);
    ASSERT_EQ(g_soundSlots[0].soundId, kMusicSoundId);
    mix(200);
    EXPECT_EQ(g_soundSlots[0].position, 200u);
    testing::internal::CaptureStdout();
    const std::vector<int16_t> silent = mix(200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // not released
    for (int16_t s : silent) ASSERT_EQ(s, 0);
    EXPECT_EQ(g_soundSlots[0].position, 0u);
    EXPECT_EQ(g_soundSlots[0].soundId, kMusicSoundId);
    const std::vector<int16_t> again = mix(200);
    EXPECT_EQ(again[0], soundtest::sampleAt(0, 0));
    EXPECT_EQ(again[99], soundtest::sampleAt(99, 0));
}

TEST_F(Mixer, TheEleventhOverlappingPlayFindsNoFreeSlot) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    for (int i = 0; i < kSoundSlots; ++i) playSound(kPickup, 100);
    for (int i = 0; i < kSoundSlots; ++i) ASSERT_EQ(g_soundSlots[i].soundId, kPickup) << i;
    testing::internal::CaptureStdout();
    playSound(kPickup, 100);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n\nnativePlaySound() start sfx 3.\n"
              "No free slots available, couldn't play sfx 3.\n");
}

TEST_F(Mixer, APlayTakesOverASlotPlayedToItsEndBeforeTheNextCallback) {
    ASSERT_TRUE(folder.write("ambient_short2", makeOutputWav(100)));
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(50)));
    playSound(kMusicSoundId, 80);
    mix(200);  // the music's last bytes: its slot is free until the next callback
    playSound(kPickup, 100);
    EXPECT_EQ(g_soundSlots[0].soundId, kPickup);  // the music is gone
    EXPECT_EQ(g_soundSlots[0].length, 100u);
    EXPECT_EQ(g_soundSlots[0].position, 0u);
    EXPECT_EQ(slotOf(kMusicSoundId), -1);
}

TEST_F(Mixer, TheEndOfAnEffectReleasesItsOwnSlotNotALaterPlayOfTheSameEffect) {
    ASSERT_TRUE(folder.write("hittree", makeOutputWav(20)));
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    playSound(kHitTree, 100);  // slot 0
    playSound(kPickup, 100);   // slot 1
    mix(40);                   // the thud ends
    mix(40);                   // slot 0 released
    ASSERT_EQ(g_soundSlots[0].data, nullptr);
    playSound(kPickup, 100);   // a second pickup in slot 0
    mix(120);                  // slot 1 reaches its end, slot 0 is 120 bytes in
    testing::internal::CaptureStdout();
    mix(40);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sfx 3 has been removed from slot number 1.\n");
    EXPECT_EQ(g_soundSlots[0].soundId, kPickup);
    EXPECT_EQ(g_soundSlots[0].position, 200u - 40u);
    EXPECT_EQ(g_soundSlots[1].soundId, kFreeSoundId);
}

TEST_F(Mixer, SetVolumeReachesOnlySlotsZeroAndOne) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    ASSERT_TRUE(folder.write("hittree", makeOutputWav(100)));
    for (int i = 0; i < 5; ++i) playSound(kPickup, 100);  // slots 0..4
    playSound(kHitTree, 100);                             // slot 5
    ASSERT_EQ(g_soundSlots[5].soundId, kHitTree);

    setSoundVolume(kHitTree, 10);
    EXPECT_EQ(g_soundSlots[5].volume, 128);  // slot 5: no change
    setSoundVolume(kPickup, 50);
    EXPECT_EQ(g_soundSlots[0].volume, 64);   // the first slot holding it
    EXPECT_EQ(g_soundSlots[1].volume, 128);
    setSoundVolume(kAllMixVolumes, 25);
    EXPECT_EQ(g_soundSlots[0].volume, 32);
    EXPECT_EQ(g_soundSlots[1].volume, 32);
    EXPECT_EQ(g_soundSlots[2].volume, 128);
    setSoundVolume(7, 0);  // in no slot
    for (int i = 2; i < 6; ++i) EXPECT_EQ(g_soundSlots[i].volume, 128) << i;
    // Free slots carry no id that a volume could reach.
    setSoundVolume(kFreeSoundId, 0);
    EXPECT_EQ(g_soundSlots[6].volume, 0);
    EXPECT_EQ(g_soundSlots[6].data, nullptr);
}

TEST_F(Mixer, VolumePercentIsHeldToTheMixerRange) {
    EXPECT_EQ(mixVolume(150), 128);
    EXPECT_EQ(mixVolume(-10), 0);
    EXPECT_EQ(mixVolume(100), 128);
    EXPECT_EQ(mixVolume(80), 102);  // integer: 80 * 128 / 100
    EXPECT_EQ(mixVolume(2147483647), 128);
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    playSound(kPickup, 150);
    EXPECT_EQ(g_soundSlots[0].volume, 128);
    setSoundVolume(kPickup, -10);
    EXPECT_EQ(g_soundSlots[0].volume, 0);
    const std::vector<int16_t> out = mix(200);
    for (int16_t s : out) ASSERT_EQ(s, 0);  // volume 0 adds nothing
}

TEST_F(Mixer, StopReleasesTheFirstSlotOfTheSoundAndSaysSo) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    playSound(kPickup, 100);
    playSound(kPickup, 100);
    testing::internal::CaptureStdout();
    stopSound(kPickup);
    stopSound(7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sfx 3 has been removed from slot number 0.\n"
              "Sfx 7 not in any current slots.\n");
    EXPECT_EQ(g_soundSlots[0].data, nullptr);
    EXPECT_EQ(g_soundSlots[1].soundId, kPickup);
}

TEST_F(Mixer, TheGameSideCallsDoNothingWhileSoundIsOff) {
    ASSERT_TRUE(folder.write("pickup", makeOutputWav(100)));
    ASSERT_TRUE(folder.write("ambient_short2", makeOutputWav(100)));
    setSoundEnabled(false);
    testing::internal::CaptureStdout();
    playMusic(80);
    playEffect(kPickup, 100, 50);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(g_soundSlots[0].data, nullptr);

    setSoundEnabled(true);
    playMusic(80);
    playEffect(kPickup, 100, 50);
    EXPECT_EQ(g_soundSlots[0].soundId, kMusicSoundId);
    EXPECT_EQ(g_soundSlots[0].volume, 102);
    EXPECT_EQ(g_soundSlots[1].soundId, kPickup);
    EXPECT_EQ(g_soundSlots[1].volume, 64);  // played at 100, then set to 50
    setSoundEnabled(false);
    setMusicVolume(25);  // reaches the music whether or not sound is on
    EXPECT_EQ(g_soundSlots[0].volume, 32);
}

// Other rates and channel counts are converted to the device's format once, when played.
TEST_F(Mixer, WavsOfOtherFormatsPlayConvertedToTheOutputFormat) {
    ASSERT_TRUE(folder.write("pickup", soundtest::makeWav(22050, 1, 16, 400)));
    ASSERT_TRUE(folder.write("hittree", soundtest::makeWav(44100, 2, 16, 800)));
    ASSERT_TRUE(folder.write("bush1", soundtest::makeWav(11025, 1, 8, 300)));
    ASSERT_TRUE(folder.write("bush2", soundtest::makeWav(44100, 1, 8, 800)));
    playSound(kPickup, 100);
    playSound(kHitTree, 100);
    playSound(0, 100);
    playSound(1, 100);
    // 11025 Hz mono 16-bit: 2 bytes a frame.
    EXPECT_EQ(g_soundSlots[0].length, 200u * 2);  // half the rate
    EXPECT_EQ(g_soundSlots[1].length, 200u * 2);  // a quarter, one channel
    EXPECT_EQ(g_soundSlots[2].length, 300u * 2);  // widened to 16 bits
    EXPECT_EQ(g_soundSlots[3].length, 200u * 2);  // a quarter, widened
    // The samples are the source's: every other one of the 22050 Hz ramp (SDL may average
    // neighbours, 37 apart), and the 8-bit ones widened.
    const int16_t* halved = reinterpret_cast<const int16_t*>(g_soundSlots[0].data);
    for (uint32_t k = 0; k < 200; ++k) ASSERT_NEAR(halved[k], soundtest::sampleAt(2 * k, 0), 40) << k;
    const int16_t* widened = reinterpret_cast<const int16_t*>(g_soundSlots[2].data);
    for (uint32_t k = 0; k < 300; ++k)
        ASSERT_EQ(widened[k], static_cast<int16_t>((soundtest::sampleAt(k, 0) >> 8) * 256)) << k;
}

}  // namespace
