// The game's sounds, synthesised: two leafy rustles for the shrubs, the dull thud of hitting a
// tree, the chime of a pickup, and the night-forest ambience that loops as the music. They are
// made at the mixer's own rate (11025 Hz, mono, 16-bit), so the game plays them unconverted and
// nothing above 5 kHz is lost or folds back; the same code always gives the same samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kSoundRate = 11025;  // samples per second

struct SoundClip {
    std::string name;  // the sound or music table name; the file is name + ".wav"
    std::vector<int16_t> samples;
};

// Names of the effects (sound table 0..3) and of the music, in that order.
const std::vector<std::string>& gameSoundNames();
// The named sound; an empty clip for a name the game does not have.
SoundClip synthesiseSound(const std::string& name);

// A RIFF WAVE file: PCM, one channel, 16 bits, kSoundRate.
std::vector<uint8_t> encodeWav(const std::vector<int16_t>& samples);
