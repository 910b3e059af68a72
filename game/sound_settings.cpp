// Sound settings and the game's sound calls.
#include "game/sound_settings.h"

#include "audio/sound.h"
#include "game/random.h"

SoundSettings* g_soundSettings = nullptr;

void soundSettingsInitialise(SoundSettings* settings) {
    settings->volume = kStartVolume;
    g_soundSettings = settings;
}

int32_t volumePercent(float volume) {
    if (!(volume > 0.0f)) return 0;  // NaN too
    if (volume >= 1.0f) return 100;
    return static_cast<int32_t>(volume * 100.0f);
}

void soundSetVolume(SoundSettings* settings, float v) {
    settings->volume = v;
    setMusicVolume(volumePercent(v));
}

void soundLoadEffects(SoundSettings*) {
    openAudio();
    setSoundEnabled(true);
}

void soundStartMusic(SoundSettings*) {
    setSoundEnabled(true);
    playMusic(kMusicPercent);
}

int32_t soundEffectForKind(int32_t kind) {
    switch (kind) {
        case kSoundKindShrub: return randInt(2) == 0 ? kSoundBush2 : kSoundBush1;
        case kSoundKindHitTree: return kSoundHitTree;
        case kSoundKindPickup: return kSoundPickup;
        default: return -1;
    }
}

void soundPlayEffect(SoundSettings* settings, int32_t kind) {
    if (!settings) return;
    const int32_t effect = soundEffectForKind(kind);
    if (effect < 0) return;
    playEffect(effect, kEffectPercent, volumePercent(settings->volume));
}
