// The ten-slot software mixer: each slot holds one sound converted to the output format; the SDL
// audio callback adds every busy slot into the output. The slot table is the only state shared
// with the audio thread: the main thread changes a slot only under SDL_LockAudio, and the mixer
// itself runs with that lock held.
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

constexpr int32_t kSoundSlots = 10;
constexpr uint8_t kFreeSoundId = 0xFF;
constexpr int32_t kMaxEffectId = 20;    // effects 0..20 are named by the sound table
constexpr int32_t kMaxVolume = SDL_MIX_MAXVOLUME;  // 128
constexpr int32_t kAllMixVolumes = -1;  // set volume: slots 0 and 1

struct SoundSlot {
    uint8_t* data;      // converted samples (tracked, delete[]), or null
    uint32_t position;  // bytes already played
    uint32_t length;    // bytes of data
    uint8_t soundId;    // 0..20 effect, 100 music, 0xFF free
    int32_t volume;     // 0..128
};

// A slot takes a new sound when position = length (an empty slot has both 0).
extern SoundSlot g_soundSlots[kSoundSlots];


// percent * 128 / 100, held to 0..128.
int32_t mixVolume(int32_t percent);
// Loads the sound's file (base path + table name + ".wav"), converts it and starts it in the first
// free slot. A file that cannot be read, loaded or converted is reported once and then dropped:
// later plays of that sound do nothing. Nothing happens while audio is closed.
void playSound(int32_t id, int32_t percent);
// Releases the first slot that holds id.
void stopSound(int32_t id);
// id kAllMixVolumes: slots 0 and 1 get the volume; otherwise the first slot holding id gets it
// when that is slot 0 or 1, and nothing changes when it is any other slot or none.
void setSoundVolume(int32_t id, int32_t percent);
// The SDL audio callback: adds each busy slot's next bytes at its volume. A slot played to its end
// adds nothing in the following callback and then rewinds (music) or is released (effects).
// Never allocates.
void mixAudio(void* userdata, Uint8* stream, int length);

// Forgets which sounds were dropped, so their files are read again at their next play.
void forgetDroppedSounds();
