// A missing sound never ends the game: without a sound device, or without its sound files, the
// game loads, runs and crashes into game over as usual, saying once what it could not play.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/platform_main.h"
#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "game_fixture.h"

namespace {

using gametest::placeObstacle;
using gametest::startBareRun;
using gametest::TestGame;

const char* const kSoundNames[24] = {"bush1", "bush2", "hittree", "pickup"};
const char* const kMusicNames[1] = {"ambient_short2"};

// Points the game's sound folder at an empty folder, with the game's sound names, for the life
// of the object.
class EmptySoundFolder {
public:
    EmptySoundFolder()
        : folder_(zvtest::makeTempFolder()), saved_(g_platform.basePath),
          savedSounds_(g_app.soundNames), savedMusic_(g_app.musicNames) {
        path_.assign(folder_.begin(), folder_.end());
        path_.push_back('\0');
        g_platform.basePath = path_.data();
        g_app.soundNames = kSoundNames;
        g_app.musicNames = kMusicNames;
        forgetDroppedSounds();
    }
    ~EmptySoundFolder() {
        g_platform.basePath = saved_;
        g_app.soundNames = savedSounds_;
        g_app.musicNames = savedMusic_;
        forgetDroppedSounds();
    }
    const std::string& path() const { return folder_; }

private:
    std::string folder_;
    std::vector<char> path_;
    char* saved_;
    const char* const* savedSounds_;
    const char* const* savedMusic_;
};

void loadFully(TestGame& game) {
    gameSessionEnter(game.session.get());
    for (int i = 0; i < 1000 && game.flow().state == kFlowLoading; ++i) game.update(16);
}

// A run that hits a tree at once and goes on to game over; false when it did not get there.
bool crashIntoGameOver(TestGame& game) {
    startBareRun(game, kModeDistance);
    game.runner().speed = 10.0f;
    placeObstacle(game.run(), 0, 0.0f, 2.0f, 0.5f);
    for (int i = 0; i < 500 && game.flow().state == kFlowInRun; ++i) game.update(16);
    return game.flow().state == kFlowGameOver;
}

TEST(SoundInTheGame, WithoutASoundDeviceTheGamePlaysSilently) {
    const bool wasOpen = audioIsOpen();
    if (wasOpen) {
        SDL_CloseAudio();
        releaseObtainedAudioSpec();
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const std::string savedDriver = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "no_such_sound_driver", 1);
    {
        EmptySoundFolder folder;
        TestGame game;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        loadFully(game);
        const bool gameOver = game.flow().state == kFlowMainMenu && crashIntoGameOver(game);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string error = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(gameOver);
        EXPECT_NE(error.find("Couldn't open audio (sdl): "), std::string::npos) << error;
        EXPECT_FALSE(audioIsOpen());
        EXPECT_EQ(out.find("nativePlaySound()"), std::string::npos);  // nothing tried to play
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (driver)
        setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    if (wasOpen) openAudioDevice();
}

TEST(SoundInTheGame, MissingSoundFilesAreReportedOnceAndTheGameGoesOn) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    EmptySoundFolder folder;
    TestGame game;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    loadFully(game);
    ASSERT_TRUE(audioIsOpen());
    const bool first = game.flow().state == kFlowMainMenu && crashIntoGameOver(game);
    gameFlowRetry(&game.flow());
    const bool second = crashIntoGameOver(game);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
    EXPECT_NE(error.find("Could not open music file " + folder.path() + "ambient_short2.wav: "),
              std::string::npos) << error;
    const std::string missing = "Could not open sound file " + folder.path() + "hittree.wav: ";
    const size_t at = out.find(missing);
    EXPECT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find(missing, at + 1), std::string::npos);  // the second crash reads nothing
}

}  // namespace
