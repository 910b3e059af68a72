// The game-side sound calls over the mixer.
#include "audio/sound.h"

#include "audio/audio_device.h"
#include "audio/mixer.h"

namespace {
bool g_soundEnabled = false;  // main thread only
}  // namespace

void openAudio() { openAudioDevice(); }

void setSoundEnabled(bool enabled) { g_soundEnabled = enabled; }

bool soundEnabled() { return g_soundEnabled; }

void playMusic(int32_t percent) {
    if (g_soundEnabled) playSound(kMusicSoundId, percent);
}

void playEffect(int32_t id, int32_t percent, int32_t volumePercent) {
    if (!g_soundEnabled) return;
    playSound(id, percent);
    setSoundVolume(id, volumePercent);
}

void setMusicVolume(int32_t percent) { setSoundVolume(kMusicSoundId, percent); }
