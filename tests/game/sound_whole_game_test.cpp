// Sound in the whole game, headless through the harness: the music starts when loading ends, a
// run's coin pickup and tree crash play "pickup" and "hittree", and the music keeps looping, the
// same sound in the same slot, across the restart of a run. SDL's own audio callback is paused
// while the slots are looked at; the test runs the mixer itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/platform_main.h"
#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game_fixture.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

constexpr const char* kSoundFiles[] = {"bush1", "bush2", "hittree", "pickup", "ambient_short2"};

// A mono 16-bit WAV at the output rate, `frames` long, of a quiet ramp.
std::string makeWav(uint32_t frames) {
    std::string out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
    };
    out += "RIFF";
    put(36 + frames * 2, 4);
    out += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(kAudioRate, 4);
    put(kAudioRate * 2, 4);
    put(2, 2);
    put(16, 2);
    out += "data";
    put(frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i) put((i * 13) % 4000, 2);
    return out;
}

// The game's sounds in its data folder: the built ones beside the game when they are there,
// otherwise short ones made here.
void provideSounds(const std::string& folder) {
    for (const char* name : kSoundFiles) {
        const std::string file = folder + name + ".wav";
        if (std::ifstream(file).good()) continue;
        const std::string built = zvtest::readFile(std::string(ZV_BINARY_DIR) + "/" + name + ".wav");
        ASSERT_TRUE(zvtest::writeFile(file, built.empty() ? makeWav(kAudioRate / 2) : built));
    }
}

int32_t slotOf(int32_t id) {
    for (int32_t i = 0; i < kSoundSlots; ++i)
        if (g_soundSlots[i].soundId == id) return i;
    return -1;
}

class SoundWholeGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::makeTempFolder();
            provideSounds(options.dataFolder);
            ASSERT_TRUE(harness::start(options));
        } else {
            // Started by another test of this process, perhaps without sounds: give them now.
            provideSounds(g_platform.basePath);
            forgetDroppedSounds();
        }
        setRecordBasePath(g_platform.basePath);
    }
    void TearDown() override { SDL_PauseAudio(0); }

    static bool runUntil(bool (*done)(), int limit) {
        for (int i = 0; i < limit && !done(); ++i) harness::step();
        return done();
    }
    // SDL's callback stops; the lock waits for one in progress to end.
    static void pauseAudio() {
        SDL_PauseAudio(1);
        SDL_LockAudio();
        SDL_UnlockAudio();
    }
    static void mixOnce(uint32_t bytes) {
        std::vector<Uint8> buffer(bytes, 0);
        SDL_LockAudio();
        mixAudio(nullptr, buffer.data(), static_cast<int>(bytes));
        SDL_UnlockAudio();
    }
};

TEST_F(SoundWholeGame, ARunPlaysItsPickupAndCrashAndTheMusicLoopsAcrossARestart) {
    ASSERT_TRUE(runUntil([] { return g_gameFlow->state == kFlowMainMenu; }, 400));
    ASSERT_TRUE(audioIsOpen());
    if (slotOf(kMusicSoundId) < 0) soundStartMusic(&g_gameFlow->soundSettings);  // see SetUp
    pauseAudio();
    const int32_t musicSlot = slotOf(kMusicSoundId);
    ASSERT_GE(musicSlot, 0);
    const uint8_t* music = g_soundSlots[musicSlot].data;
    const uint32_t musicLength = g_soundSlots[musicSlot].length;
    ASSERT_GT(musicLength, 0u);

    // A coin just ahead of the runner and a tree behind it.
    gameFlowStartRun(g_gameFlow, kModePoints);
    ::Run& run = g_gameFlow->run;
    ASSERT_TRUE(runUntil([] { return g_gameFlow->run.state == kRunStateRunning; }, 200));
    obstaclePoolEmpty(&run.obstacles);
    pickupPoolEmpty(&run.pickups);
    run.generator.active = false;
    const Vec2 at = run.runner.position;
    gametest::placePickup(run, kPickupCoin, at.x, at.y + 1.5f, 0.5f);
    gametest::placeObstacle(run, 0, at.x, at.y + 4.0f, 0.5f);

    testing::internal::CaptureStdout();
    const bool crashed = runUntil([] { return g_gameFlow->run.state == kRunStateCrashed; }, 600);
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(crashed);
    EXPECT_NE(log.find("nativePlaySound() start sfx 3."), std::string::npos) << log;
    EXPECT_NE(log.find("nativePlaySound() start sfx 2."), std::string::npos) << log;
    EXPECT_LT(log.find("start sfx 3."), log.find("start sfx 2."));
    EXPECT_GE(slotOf(3), 0);  // "pickup"
    EXPECT_GE(slotOf(2), 0);  // "hittree"
    EXPECT_EQ(log.find("Could not open"), std::string::npos) << log;

    ASSERT_TRUE(runUntil([] { return g_gameFlow->state == kFlowGameOver; }, 200));
    gameFlowRetry(g_gameFlow);
    harness::run(60);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);

    // The same music in the same slot; mixed on, it reaches its end and starts again.
    EXPECT_EQ(g_soundSlots[musicSlot].soundId, kMusicSoundId);
    EXPECT_EQ(g_soundSlots[musicSlot].data, music);
    bool rewound = false;
    uint32_t before = g_soundSlots[musicSlot].position;
    for (uint32_t i = 0; i < musicLength / 1024 + 4 && !rewound; ++i) {
        mixOnce(2048);
        const uint32_t now = g_soundSlots[musicSlot].position;
        rewound = now < before;
        before = now;
    }
    EXPECT_TRUE(rewound);
    mixOnce(2048);
    EXPECT_EQ(g_soundSlots[musicSlot].soundId, kMusicSoundId);
    EXPECT_EQ(g_soundSlots[musicSlot].data, music);
    EXPECT_EQ(g_soundSlots[musicSlot].position, 2048u);
}

}  // namespace
