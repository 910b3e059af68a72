// The audio device the mixer plays through: the format SDL actually gave when audio was opened.
#pragma once

#include <SDL/SDL.h>

// Obtained format of the open audio device; null until audio is opened.
extern SDL_AudioSpec* g_obtainedAudioSpec;

// Frees the obtained format record (shutdown); audio itself is closed by SDL_CloseAudio.
void releaseObtainedAudioSpec();
