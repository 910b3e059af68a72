// The ten-slot mixer, its callback called directly: effects freed after their end, the music's
// rewind, a full table, volumes, and sounds missing or broken (reported once, then left out).
// Last the game plays while other threads mix: under ThreadSanitizer (make test-tsan) this shows
// that every access to the slot table is locked. (A game without a sound device is played
// through in tests/game/sound_flow_test.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/application.h"
#include "app/platform_main.h"
#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "sound_test_util.h"
#include "support/test_support.h"

namespace {

using soundtest::Bytes;
using soundtest::sampleAt;

constexpr int32_t kPickup = 3, kHitTree = 2;

// Audio open by the game's own code with SDL's callbacks paused, and the game's sound names read
// from a fresh folder.
class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        static const char* const sounds[kSoundNames] = {"bush1", "bush2", "hittree", "pickup"};
        static const char* const music[1] = {"ambient_short2"};
        g_platform.basePath = folder_.data();
        g_app.soundNames = sounds;
        g_app.musicNames = music;
        openAudio();
        ASSERT_TRUE(audioIsOpen());
        SDL_PauseAudio(1);
        clearSlots();  // its lock also waits out a callback in progress
        setSoundEnabled(false);
    }
    void TearDown() override { clearSlots(); }
    static void clearSlots() {
        SDL_LockAudio();
        for (SoundSlot& slot : g_soundSlots) {
            delete[] slot.data;
            slot = SoundSlot{nullptr, 0, 0, kFreeSoundId, 0};
        }
        SDL_UnlockAudio();
        forgetDroppedSounds();
    }
    // A sound file; mono 16-bit at the output rate unless given, which plays as 2 bytes a frame.
    bool write(const char* name, uint32_t frames, Bytes wav = {}) const {
        if (wav.empty()) wav = soundtest::makeWav(kAudioRate, 1, 16, frames);
        return zvtest::writeFile(folder_ + name + ".wav", std::string(wav.begin(), wav.end()));
    }
    // One callback of `bytes` bytes into silence; whether it stayed silent, and the samples.
    static bool mix(uint32_t bytes, std::vector<int16_t>* samples = nullptr) {
        std::vector<int16_t> out(bytes / 2, 0);
        mixAudio(nullptr, reinterpret_cast<Uint8*>(out.data()), static_cast<int>(bytes));
        if (samples) *samples = out;
        return std::count(out.begin(), out.end(), 0) == static_cast<long>(out.size());
    }
    // The slots in use as "slot:id position/length volume".
    static std::string table() {
        std::string text;
        for (int i = 0; i < kSoundSlots; ++i) {
            const SoundSlot& s = g_soundSlots[i];
            if (!s.data && s.soundId == kFreeSoundId && !s.length && !s.volume) continue;
            text += std::to_string(i) + ":" + std::to_string(s.soundId) + " " +
                    std::to_string(s.position) + "/" + std::to_string(s.length) + " v" +
                    std::to_string(s.volume) + (s.data ? " " : " null ");
        }
        return text;
    }
    std::string folder_ = zvtest::makeTempFolder();
};

TEST_F(Mixer, AnEffectPlaysInPiecesAndItsSlotIsFreedInTheCallbackAfterItsEnd) {
    ASSERT_TRUE(write("pickup", 100));
    playSound(kPickup, 100);
    EXPECT_EQ(table(), "0:3 0/200 v128 ");
    std::vector<int16_t> a, b;
    mix(128, &a);
    mix(128, &b);  // the last 72 bytes, then silence
    for (uint32_t i = 0; i < 128; ++i)
        ASSERT_EQ(i < 64 ? a[i] : b[i - 64], i < 100 ? sampleAt(i, 0) : 0) << i;
    EXPECT_EQ(table(), "0:3 200/200 v128 ");  // still held, but free for a new sound
    EXPECT_TRUE(mix(200));
    EXPECT_EQ(table(), "");
}

TEST_F(Mixer, TheMusicRewindsAfterOneSilentCallback) {
    ASSERT_TRUE(write("ambient_short2", 100));
    setSoundEnabled(true);
    playMusic(100);
    mix(200);
    EXPECT_TRUE(mix(200));
    EXPECT_EQ(table(), "0:100 0/200 v128 ");
    std::vector<int16_t> again;
    mix(200, &again);
    EXPECT_EQ(again[99], sampleAt(99, 0));
}

TEST_F(Mixer, APlayTakesTheFirstSlotPlayedToItsEnd) {
    ASSERT_TRUE(write("pickup", 100) && write("hittree", 20));
    for (int i = 0; i < kSoundSlots; ++i) playSound(kPickup, 100);
    playSound(kHitTree, 100);  // the table is full
    EXPECT_EQ(table().find(":2 "), std::string::npos);
    mix(200);  // every pickup's last bytes: the slots are free until the next callback
    playSound(kHitTree, 100);
    EXPECT_EQ(table().substr(0, 31), "0:2 0/40 v128 1:3 200/200 v128 ");
    // The end of an effect releases its own slot, not an earlier slot with a later play of it.
    clearSlots();
    playSound(kHitTree, 100);
    playSound(kPickup, 100);
    mix(40);
    mix(40);  // the thud released
    playSound(kPickup, 100);  // a second pickup in slot 0
    mix(120);
    mix(40);  // the first pickup released
    EXPECT_EQ(table(), "0:3 160/200 v128 ");
}

// Volumes are percent * 128 / 100 held to 0..128 and reach slots 0 and 1 only; while sound is off
// the game's calls play nothing, but the music volume still changes.
TEST_F(Mixer, VolumesReachOnlySlotsZeroAndOne) {
    const std::pair<int32_t, int32_t> volumes[] = {{150, 128}, {-10, 0}, {80, 102}, {1 << 30, 128}};
    for (const auto& [percent, volume] : volumes) EXPECT_EQ(mixVolume(percent), volume) << percent;
    ASSERT_TRUE(write("pickup", 100) && write("ambient_short2", 100));
    playMusic(80);
    playEffect(kPickup, 100, 50);
    EXPECT_EQ(table(), "");  // sound is off
    setSoundEnabled(true);
    playMusic(80);
    playEffect(kPickup, 100, 50);  // played at 100, then set to 50
    playSound(kPickup, 150);
    EXPECT_EQ(table(), "0:100 0/200 v102 1:3 0/200 v64 2:3 0/200 v128 ");
    setSoundVolume(kAllMixVolumes, 25);
    stopSound(kPickup);                // releases the first slot holding it
    setSoundVolume(kPickup, 0);        // now in slot 2: no change
    setSoundVolume(kFreeSoundId, 50);  // a free slot has no id that a volume could reach
    setSoundEnabled(false);
    setMusicVolume(75);
    EXPECT_EQ(table(), "0:100 0/200 v96 2:3 0/200 v128 ");
    setSoundVolume(kAllMixVolumes, 0);
    stopSound(kPickup);
    EXPECT_TRUE(mix(200));  // volume 0 adds nothing
}

// A broken sound is reported when first played, then left out: later plays do not look for it,
// even once it is there, while other sounds play on.
TEST_F(Mixer, BrokenSoundsAreReportedOnceAndThenLeftOut) {
    const std::pair<int32_t, Bytes> cases[] = {
        {kPickup, {}},  // missing
        {kMusicSoundId, {}},
        {1, soundtest::withLE(soundtest::makeWav(kAudioRate, 1, 16, 9), 40, 99, 1)},  // too short
        {0, soundtest::makeWav(192000, 1, 16, 100)}};  // no converter reaches the output rate
    for (const auto& [id, wav] : cases) {
        const char* name = id == kMusicSoundId ? "ambient_short2" : soundFileName(id);
        ASSERT_TRUE(wav.empty() || write(name, 0, wav));
        std::string said[2];
        for (std::string& words : said) {
            testing::internal::CaptureStdout();
            testing::internal::CaptureStderr();
            playSound(id, 100);
            words = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
            ASSERT_TRUE(write(name, 100));
        }
        EXPECT_GT(said[0].size(), said[1].size()) << name << " was not reported: " << said[0];
        EXPECT_EQ(table(), "") << name;
    }
    ASSERT_TRUE(write("hittree", 100));
    playSound(kHitTree, 100);
    EXPECT_EQ(table(), "0:2 0/200 v128 ");
}

TEST_F(Mixer, PlayStopAndVolumeWhileOtherThreadsMix) {
    ASSERT_TRUE(write("pickup", 60) && write("hittree", 300) && write("ambient_short2", 500));
    ASSERT_TRUE(write("bush1", 0, soundtest::makeWav(22050, 2, 16, 200)));
    SDL_PauseAudio(0);  // SDL's own audio thread mixes too
    std::atomic<int> callbacks{0};
    std::thread audio([&callbacks] {
        for (std::vector<int16_t> buffer(128); callbacks < 100; ++callbacks) {
            SDL_LockAudio();
            mixAudio(nullptr, reinterpret_cast<Uint8*>(buffer.data()), 256);
            SDL_UnlockAudio();
        }
    });
    const int32_t ids[] = {kPickup, kHitTree, 0, kMusicSoundId};
    testing::internal::CaptureStdout();
    for (int i = 0; i < 400 || callbacks < 100; ++i) {
        playSound(ids[i % 4], 100);
        setSoundVolume(ids[(i + 1) % 4], i % 150);
        setSoundVolume(kAllMixVolumes, 100 - i % 100);
        if (i % 7 == 0) stopSound(ids[(i + 2) % 4]);
    }
    audio.join();
    testing::internal::GetCapturedStdout();
    SDL_LockAudio();
    for (const SoundSlot& slot : g_soundSlots) {
        EXPECT_LE(slot.position, slot.length);
        EXPECT_EQ(slot.data == nullptr, slot.soundId == kFreeSoundId);
        EXPECT_TRUE(slot.volume >= 0 && slot.volume <= kMaxVolume) << slot.volume;
    }
    SDL_UnlockAudio();
}

}  // namespace
