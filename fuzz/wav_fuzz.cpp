// Fuzz target of the WAV files beside the game: the structure check, then SDL's loader and
// converter for what the check passes, to two output formats (the game's own, and 44100 Hz
// stereo). A file the check passes must load, and its converted length must be a whole number of
// output frames no longer than the conversion buffer allows; a file it refuses must never reach
// SDL.
#include <SDL/SDL.h>

#include <cstdint>

#include "audio/wav_file.h"
#include "fuzz/fuzz_checks.h"

namespace {

using fuzzcheck::require;

// The load converted to rate, 16-bit, channels; the result it gave.
WavLoadResult convertTo(const uint8_t* data, size_t size, int rate, Uint8 channels,
                        ConvertedSound* sound) {
    SDL_AudioSpec target{};
    target.freq = rate;
    target.format = AUDIO_S16LSB;
    target.channels = channels;
    return loadConvertedWav(data, size, target, sound);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WavInfo info{};
    ConvertedSound sound{};
    if (!checkWavFile(data, size, &info, nullptr)) {
        require(convertTo(data, size, 11025, 1, &sound) == WavLoadResult::kCannotOpen);
        require(sound.data == nullptr);
        return 0;
    }
    require(info.dataOffset + info.dataBytes <= size);
    require((info.channels == 1 || info.channels == 2) && (info.bits == 8 || info.bits == 16));
    for (Uint8 channels : {1, 2}) {
        sound = ConvertedSound{};
        const WavLoadResult result = convertTo(data, size, channels == 1 ? 11025 : 44100,
                                               channels, &sound);
        require(result != WavLoadResult::kCannotOpen);
        if (result == WavLoadResult::kCannotConvert) {
            require(sound.data == nullptr);
            continue;
        }
        const uint32_t frame = 2u * channels;
        require(sound.data != nullptr && sound.length % frame == 0);
        require(sound.length <= kMaxConvertedBytes);
        // Never more than the source grown by the widest step between the formats.
        const uint64_t sourceFrames = info.dataBytes / (info.channels * info.bits / 8u);
        require(sound.length <= (sourceFrames + 1) * frame * kMaxRateRatio);
        delete[] sound.data;
    }
    return 0;
}
