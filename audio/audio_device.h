// The audio device the mixer plays through: opening SDL audio with the game's format, and the
// format SDL actually gave, which every sound is converted to.
#pragma once

#include <SDL/SDL.h>

constexpr int kAudioRate = 11025;           // 0x2B11
constexpr Uint16 kAudioFormat = AUDIO_S16LSB;
constexpr int kAudioChannels = 1;
constexpr int kAudioSamplesPre = 512;       // per callback buffer on the "pre" device
constexpr int kAudioSamples = 1024;         // everywhere else

// Obtained format of the open audio device; null until audio is opened.
extern SDL_AudioSpec* g_obtainedAudioSpec;

// Audio counts as open once the obtained format exists.
bool audioIsOpen();
// Requests the game's format with the mixer as callback, opens SDL audio and starts it. Does
// nothing when already open. When SDL cannot open audio it prints why and the game carries on
// without sound (audio stays closed).
void openAudioDevice();

// Frees the obtained format record (shutdown); audio itself is closed by SDL_CloseAudio.
void releaseObtainedAudioSpec();
