// The slot table, playing and releasing sounds, and the mixing callback.
#include "audio/mixer.h"

#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/platform_main.h"
#include "audio/audio_device.h"
#include "audio/sound.h"
#include "audio/wav_file.h"

constexpr SoundSlot kEmptySlot = {nullptr, 0, 0, kFreeSoundId, 0};
SoundSlot g_soundSlots[kSoundSlots] = {kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
                                       kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot};

namespace {

constexpr int32_t kMusicDropIndex = kMaxEffectId + 1;
// Sounds whose file could not be used (effects by id, the music last); main thread only.
bool g_dropped[kMaxEffectId + 2];

// Reads a whole file into a tracked buffer (delete[]); null with SDL's error set on failure.
uint8_t* readSoundFile(const char* path, size_t* size) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        SDL_SetError("Couldn't open %s", path);
        return nullptr;
    }
    uint8_t* bytes = nullptr;
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0 || static_cast<unsigned long>(end) > kMaxWavFileBytes) {
        SDL_SetError(end < 0 ? "Couldn't read %s" : "%s is too large", path);
    } else if (std::fseek(file, 0, SEEK_SET) == 0) {
        bytes = new uint8_t[end > 0 ? end : 1];
        if (std::fread(bytes, 1, static_cast<size_t>(end), file) != static_cast<size_t>(end)) {
            SDL_SetError("Couldn't read %s", path);
            delete[] bytes;
            bytes = nullptr;
        }
        *size = static_cast<size_t>(end);
    }
    std::fclose(file);
    return bytes;
}

// Empties slot n under the audio lock and reports it. The mixer calls this from inside the
// callback, where SDL already holds the same lock: SDL's audio lock lets its holder take it again.
void releaseSlot(int32_t n) {
    SDL_LockAudio();
    SoundSlot& slot = g_soundSlots[n];
    const int32_t id = slot.soundId;
    uint8_t* data = slot.data;
    slot = kEmptySlot;
    SDL_UnlockAudio();
    delete[] data;
    std::printf("Sfx %d has been removed from slot number %d.\n", id, n);
}

// The first slot with position = length, or -1.
int32_t findFreeSlot() {
    int32_t found = -1;
    SDL_LockAudio();
    for (int32_t i = 0; i < kSoundSlots && found < 0; ++i)
        if (g_soundSlots[i].position == g_soundSlots[i].length) found = i;
    SDL_UnlockAudio();
    return found;
}

// The first slot holding id, or -1 (the caller holds the audio lock).
int32_t findSlotLocked(int32_t id) {
    if (id < 0 || id >= kFreeSoundId) return -1;
    for (int32_t i = 0; i < kSoundSlots; ++i)
        if (g_soundSlots[i].soundId == id) return i;
    return -1;
}

}  // namespace

int32_t mixVolume(int32_t percent) {
    const int64_t v = static_cast<int64_t>(percent) * kMaxVolume / 100;
    if (v < 0) return 0;
    return v > kMaxVolume ? kMaxVolume : static_cast<int32_t>(v);
}

void playSound(int32_t id, int32_t percent) {
    if (!audioIsOpen()) return;  // no sound device: the game plays in silence
    std::printf("\n\nnativePlaySound() start sfx %d.\n", id);
    const bool music = id == kMusicSoundId;
    if (!music && (id < 0 || id > kMaxEffectId)) return;  // no file name for it
    bool& dropped = g_dropped[music ? kMusicDropIndex : id];
    if (dropped) return;
    const int32_t n = findFreeSlot();
    if (n < 0) {
        std::printf("No free slots available, couldn't play sfx %d.\n", id);
        return;
    }

    const char* name = music ? musicFileName(0) : soundFileName(id);
    char path[512];
    std::snprintf(path, sizeof path, "%s%s.wav", g_platform.basePath ? g_platform.basePath : "",
                  name ? name : "");
    size_t size = 0;
    uint8_t* bytes = readSoundFile(path, &size);
    ConvertedSound sound{};
    const WavLoadResult result = bytes ? loadConvertedWav(bytes, size, *g_obtainedAudioSpec, &sound)
                                       : WavLoadResult::kCannotOpen;
    delete[] bytes;
    if (result != WavLoadResult::kLoaded) {
        // A missing or broken sound is left out; the game goes on without it.
        if (result == WavLoadResult::kCannotConvert)
            std::fprintf(stderr, "Couldn't build converter!\n");
        else if (music)
            std::fprintf(stderr, "Could not open music file %s: %s\n", path, SDL_GetError());
        else
            std::printf("Could not open sound file %s: %s \n", path, SDL_GetError());
        dropped = true;
        return;
    }

    SDL_LockAudio();
    SoundSlot& slot = g_soundSlots[n];
    uint8_t* old = slot.data;
    slot.data = sound.data;
    slot.position = 0;
    slot.length = sound.length;
    slot.soundId = static_cast<uint8_t>(id);
    slot.volume = mixVolume(percent);
    SDL_UnlockAudio();
    delete[] old;
}

void stopSound(int32_t id) {
    if (!audioIsOpen()) return;
    SDL_LockAudio();
    const int32_t n = findSlotLocked(id);
    if (n >= 0) releaseSlot(n);
    SDL_UnlockAudio();
    if (n < 0) std::printf("Sfx %d not in any current slots.\n", id);
}

void setSoundVolume(int32_t id, int32_t percent) {
    const int32_t volume = mixVolume(percent);
    if (!audioIsOpen()) return;
    SDL_LockAudio();
    if (id == kAllMixVolumes) {
        g_soundSlots[0].volume = volume;
        g_soundSlots[1].volume = volume;
    } else {
        const int32_t n = findSlotLocked(id);
        if (n == 0 || n == 1) g_soundSlots[n].volume = volume;
    }
    SDL_UnlockAudio();
}

void mixAudio(void*, Uint8* stream, int length) {
    if (length <= 0) return;
    const uint32_t wanted = static_cast<uint32_t>(length);
    for (int32_t i = 0; i < kSoundSlots; ++i) {
        SoundSlot& slot = g_soundSlots[i];
        if (!slot.data) continue;
        const uint32_t left = slot.length - slot.position;
        const uint32_t n = left < wanted ? left : wanted;
        if (n == 0) {
            // Played to its end in the previous callback. The slot itself is released, not the
            // first slot with its id: that may be a later play of the same effect still sounding.
            if (slot.soundId == kMusicSoundId)
                slot.position = 0;
            else
                releaseSlot(i);
            continue;
        }
        SDL_MixAudio(stream, slot.data + slot.position, n, slot.volume);
        slot.position += n;
    }
}

void forgetDroppedSounds() { std::memset(g_dropped, 0, sizeof g_dropped); }
