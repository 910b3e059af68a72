// The game's sound settings and its sound calls: the volume the options menu sets, the ambient
// music and the three kinds of effect a run plays, over the mixer's game-side calls.
#pragma once

#include <cstdint>

// Effect numbers: rows of the application's sound name table.
enum SoundEffect : int32_t {
    kSoundBush1 = 0,    // "bush1"
    kSoundBush2 = 1,    // "bush2"
    kSoundHitTree = 2,  // "hittree"
    kSoundPickup = 3,   // "pickup"
};

// What the game asks to play; a shrub picks one of the two bush sounds at random.
enum SoundKind : int32_t { kSoundKindShrub = 0, kSoundKindHitTree = 1, kSoundKindPickup = 2 };

constexpr float kStartVolume = 0.75f;
constexpr int32_t kMusicPercent = 80;
constexpr int32_t kEffectPercent = 100;

struct SoundSettings {
    float volume;  // 0..1
};

extern SoundSettings* g_soundSettings;

// Volume 0.75; registers the settings globally.
void soundSettingsInitialise(SoundSettings* settings);
// volume = v, and the sound system's volume to (int32)(v * 100).
void soundSetVolume(SoundSettings* settings, float v);
// Opens the audio output and switches sound on; each effect file is read when first played.
void soundLoadEffects(SoundSettings* settings);
// Switches sound on and starts the music track at 80.
void soundStartMusic(SoundSettings* settings);
// The effect number of a kind, -1 for an unknown kind. A shrub draws randInt(2): 0 gives "bush2",
// 1 "bush1".
int32_t soundEffectForKind(int32_t kind);
// Plays the kind's effect at 100, then sets its volume to (int32)(volume * 100). Null settings or
// an unknown kind play nothing.
void soundPlayEffect(SoundSettings* settings, int32_t kind);
// The volume as the percent the sound calls take, 0..100 (a volume outside 0..1 is held to it).
int32_t volumePercent(float volume);
