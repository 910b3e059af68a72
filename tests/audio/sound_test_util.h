// Test sounds: RIFF WAVE files written here (PCM of any rate, channel count and width), and a
// sound folder with the game's sound names for the mixer to read from.
#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/platform_main.h"
#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "support/test_support.h"

namespace soundtest {

inline void put16(std::vector<uint8_t>* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>* out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
inline void putTag(std::vector<uint8_t>* out, const char* tag) { out->insert(out->end(), tag, tag + 4); }

// Sample i of channel c: a ramp that differs per channel and never repeats within a file.
inline int16_t sampleAt(uint32_t i, uint32_t c) {
    return static_cast<int16_t>((i * 37 + c * 1000) % 20000 - 10000);
}

// A PCM WAV of `frames` frames; extraChunk (whole, header included) goes between fmt and data.
inline std::vector<uint8_t> makeWav(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t frames,
                                    const std::vector<uint8_t>& extraChunk = {}) {
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    const uint32_t dataBytes = frames * blockAlign;
    std::vector<uint8_t> out;
    putTag(&out, "RIFF");
    put32(&out, 4 + 24 + static_cast<uint32_t>(extraChunk.size()) + 8 + dataBytes + (dataBytes & 1));
    putTag(&out, "WAVE");
    putTag(&out, "fmt ");
    put32(&out, 16);
    put16(&out, 1);
    put16(&out, channels);
    put32(&out, rate);
    put32(&out, rate * blockAlign);
    put16(&out, blockAlign);
    put16(&out, bits);
    out.insert(out.end(), extraChunk.begin(), extraChunk.end());
    putTag(&out, "data");
    put32(&out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < channels; ++c) {
            const int16_t s = sampleAt(i, c);
            if (bits == 16)
                put16(&out, static_cast<uint16_t>(s));
            else
                out.push_back(static_cast<uint8_t>((s >> 8) + 128));
        }
    if (dataBytes & 1) out.push_back(0);
    return out;
}

// Mono 16-bit at the output rate: plays unconverted, `frames` * 2 bytes.
inline std::vector<uint8_t> makeOutputWav(uint32_t frames) { return makeWav(kAudioRate, 1, 16, frames); }

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return zvtest::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// The game's sound table, for tests that run without the application object.
inline const char* const* soundNameTable() {
    static const char* const names[24] = {"bush1", "bush2", "hittree", "pickup", "", "", "", "",
                                          "",      "",      "",        "",       "", "", "", "",
                                          "",      "",      "",        "",       "", "", "", ""};
    return names;
}
inline const char* const* musicNameTable() {
    static const char* const names[1] = {"ambient_short2"};
    return names;
}

// Empties every slot (no messages) and forgets dropped sounds.
inline void clearSlots() {
    SDL_LockAudio();
    for (SoundSlot& slot : g_soundSlots) {
        delete[] slot.data;
        slot = SoundSlot{nullptr, 0, 0, kFreeSoundId, 0};
    }
    SDL_UnlockAudio();
    forgetDroppedSounds();
}

// Opens audio on SDL's dummy driver once per process (the game's real opening code).
inline bool ensureAudioOpen() {
    if (!audioIsOpen()) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        openAudio();
    }
    return audioIsOpen();
}

// Points the game's sound names and base path at a fresh folder of this test.
class SoundFolder {
public:
    SoundFolder() : folder_(zvtest::makeTempFolder()) {
        savedBase_ = g_platform.basePath;
        savedSounds_ = g_app.soundNames;
        savedMusic_ = g_app.musicNames;
        path_.assign(folder_.begin(), folder_.end());
        path_.push_back('\0');
        g_platform.basePath = path_.data();
        g_app.soundNames = soundNameTable();
        g_app.musicNames = musicNameTable();
    }
    ~SoundFolder() {
        g_platform.basePath = savedBase_;
        g_app.soundNames = savedSounds_;
        g_app.musicNames = savedMusic_;
    }
    SoundFolder(const SoundFolder&) = delete;
    SoundFolder& operator=(const SoundFolder&) = delete;

    bool write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return writeBytes(folder_ + name + ".wav", bytes);
    }
    const std::string& path() const { return folder_; }

private:
    std::string folder_;
    std::vector<char> path_;
    char* savedBase_;
    const char* const* savedSounds_;
    const char* const* savedMusic_;
};

}  // namespace soundtest
