// Opening the audio device and the record of the format it gave.
#include "audio/audio_device.h"

#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "audio/mixer.h"

SDL_AudioSpec* g_obtainedAudioSpec = nullptr;

bool audioIsOpen() { return g_obtainedAudioSpec != nullptr; }

void openAudioDevice() {
    if (audioIsOpen()) return;
    SDL_AudioSpec* requested = new SDL_AudioSpec();
    requested->freq = kAudioRate;
    requested->format = kAudioFormat;
    requested->channels = kAudioChannels;
    requested->samples =
        std::strcmp(applicationDeviceName(), "pre") == 0 ? kAudioSamplesPre : kAudioSamples;
    requested->callback = mixAudio;
    requested->userdata = nullptr;
    SDL_AudioSpec* obtained = new SDL_AudioSpec();
    const int opened = SDL_OpenAudio(requested, obtained);
    delete requested;
    if (opened < 0) {
        // No sound device is no reason to stop the game: it runs on in silence.
        std::fprintf(stderr, "Couldn't open audio (sdl): %s\n", SDL_GetError());
        delete obtained;
        return;
    }
    g_obtainedAudioSpec = obtained;
    SDL_PauseAudio(0);
}

void releaseObtainedAudioSpec() {
    delete g_obtainedAudioSpec;
    g_obtainedAudioSpec = nullptr;
}
