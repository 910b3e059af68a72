// The audio device record.
#include "audio/audio_device.h"

SDL_AudioSpec* g_obtainedAudioSpec = nullptr;

void releaseObtainedAudioSpec() {
    delete g_obtainedAudioSpec;
    g_obtainedAudioSpec = nullptr;
}
