// The slot table shared with the audio thread: the main thread plays, stops and changes volumes
// while a second thread runs the mixer as SDL does (under the audio lock), and SDL's own audio
// thread mixes too. Run under ThreadSanitizer (ZV_TSAN) this shows every shared access is locked.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "sound_test_util.h"

namespace {

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(MixerThreads, PlayStopAndVolumeWhileTheCallbackMixes) {
    ASSERT_TRUE(soundtest::ensureAudioOpen());
    SDL_PauseAudio(0);
    soundtest::clearSlots();
    soundtest::SoundFolder folder;
    ASSERT_TRUE(folder.write("pickup", soundtest::makeOutputWav(60)));
    ASSERT_TRUE(folder.write("hittree", soundtest::makeOutputWav(300)));
    ASSERT_TRUE(folder.write("bush1", soundtest::makeWav(22050, 2, 16, 200)));
    ASSERT_TRUE(folder.write("ambient_short2", soundtest::makeOutputWav(500)));

    std::atomic<bool> done{false};
    std::atomic<int> callbacks{0};
    std::thread audio([&] {
        std::vector<int16_t> buffer(128);
        while (!done.load()) {
            std::fill(buffer.begin(), buffer.end(), 0);
            SDL_LockAudio();
            mixAudio(nullptr, reinterpret_cast<Uint8*>(buffer.data()), 256);
            SDL_UnlockAudio();
            callbacks.fetch_add(1);
        }
    });

    const int32_t ids[] = {3, 2, 0, kMusicSoundId};
    constexpr int kPlays = 400;
    testing::internal::CaptureStdout();
    for (int i = 0; i < kPlays; ++i) {
        const int32_t id = ids[i % 4];
        playSound(id, 100);
        setSoundVolume(ids[(i + 1) % 4], i % 150);
        setSoundVolume(kAllMixVolumes, 100 - i % 100);
        if (i % 7 == 0) stopSound(ids[(i + 2) % 4]);
    }
    while (callbacks.load() < 100) std::this_thread::yield();
    done.store(true);
    audio.join();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(log, "nativePlaySound() start sfx"), static_cast<size_t>(kPlays));

    SDL_LockAudio();
    for (const SoundSlot& slot : g_soundSlots) {
        EXPECT_LE(slot.position, slot.length);
        EXPECT_EQ(slot.data == nullptr, slot.soundId == kFreeSoundId);
        EXPECT_GE(slot.volume, 0);
        EXPECT_LE(slot.volume, kMaxVolume);
    }
    SDL_UnlockAudio();
    soundtest::clearSlots();
}

}  // namespace
