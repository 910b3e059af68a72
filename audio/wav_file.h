// WAV files: the structure check every sound file passes before SDL's loader sees it, and the
// load-and-convert step that turns a file's bytes into samples of the output format. The files lie
// loose beside the program, so their bytes are treated as untrusted.
#pragma once

#include <SDL/SDL.h>

#include <cstddef>
#include <cstdint>

constexpr size_t kMaxWavFileBytes = 16u << 20;        // larger files are refused unread
constexpr size_t kMaxConvertedBytes = 64u << 20;      // converted samples of one sound
constexpr uint32_t kMinWavRate = 1000;                // samples per second
constexpr uint32_t kMaxWavRate = 192000;
// SDL's converter holds at most nine steps: up to three for the sample format, one for the
// channels and one halving or doubling per octave between the rates (it changes rates only by
// whole octaves, to the nearest below). Rates more than 16 times apart would need more steps than
// it has room for.
constexpr uint32_t kMaxRateRatio = 16;

struct WavInfo {
    uint16_t channels;    // 1 or 2
    uint32_t rate;        // samples per second per channel
    uint16_t bits;        // 8 or 16
    uint32_t dataBytes;   // size of the "data" chunk
    size_t dataOffset;    // where the samples start in the file
};

// True when the bytes are a RIFF WAVE file that SDL's loader reads exactly as the structure says:
// "RIFF" with a size inside the file, "WAVE", chunks that each lie inside the RIFF body and end
// exactly at its end; before the samples only "LIST" or "fact" chunks, then one "fmt " chunk of
// at least 16 bytes describing PCM (tag 1) with 1 or 2 channels, 8 or 16 bits, a rate within
// kMinWavRate..kMaxWavRate and consistent block align and byte rate, then any chunks, then
// "data". Chunks up to "data" must have even, non-zero sizes (the loader neither skips pad bytes
// nor takes an empty chunk).
// On false, *reason (when given) says what is wrong.
bool checkWavFile(const uint8_t* bytes, size_t size, WavInfo* info, const char** reason);

// One sound converted to an output format: a tracked buffer of `length` bytes (delete[]).
struct ConvertedSound {
    uint8_t* data;
    uint32_t length;
};

enum class WavLoadResult { kLoaded, kCannotOpen, kCannotConvert };

// Checks the file's bytes, loads them with SDL_LoadWAV_RW and converts them to the target
// format, rate and channels with SDL_BuildAudioCVT / SDL_ConvertAudio. kCannotOpen (with SDL's
// error set) for a file that fails the check or the loader; kCannotConvert when no converter can
// be built between the formats or the result would be too large. The length of the result is a
// whole number of target frames.
WavLoadResult loadConvertedWav(const uint8_t* bytes, size_t size, const SDL_AudioSpec& target,
                               ConvertedSound* out);
