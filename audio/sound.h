// The game-side calls of the sound mixer: switching sound on, the looping music (sound id 100)
// and the effects named by the application's sound table. While sound is switched off every call
// except the music volume does nothing.
#pragma once

#include <cstdint>

constexpr int32_t kMusicSoundId = 100;

// Opens the audio output once (later calls do nothing).
void openAudio();
void setSoundEnabled(bool enabled);
bool soundEnabled();
// Starts the music track at percent of full volume.
void playMusic(int32_t percent);
// Plays effect id at percent, then sets its volume to volumePercent.
void playEffect(int32_t id, int32_t percent, int32_t volumePercent);
// The music volume, whether or not sound is switched on.
void setMusicVolume(int32_t percent);
