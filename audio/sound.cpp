// The game-side sound calls. The ten-slot mixer behind them comes with the audio output; until it
// is in, these calls play nothing.
#include "audio/sound.h"

void openAudio() {}                       // the mixer opens SDL audio here
void setSoundEnabled(bool) {}             // the mixer keeps the switch
void playMusic(int32_t) {}                // the mixer starts sound id 100
void playEffect(int32_t, int32_t, int32_t) {}  // the mixer loads and plays the effect
void setMusicVolume(int32_t) {}           // the mixer sets the music slot's volume
