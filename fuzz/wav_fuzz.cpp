// Fuzz target of the WAV files beside the game: the structure check, then SDL's loader and
// converter for what the check passes, to two output formats (the game's own, and 44100 Hz
// stereo). A file the check passes must load, and its converted length must be a whole number of
// output frames no longer than the conversion buffer allows; a file it refuses must never reach
// SDL.
#include <SDL/SDL.h>

#include <cstdint>
#include <cstdlib>

#include "audio/wav_file.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void convertTo(const uint8_t* data, size_t size, int rate, Uint16 format, Uint8 channels,
               const WavInfo& info) {
    SDL_AudioSpec target{};
    target.freq = rate;
    target.format = format;
    target.channels = channels;
    ConvertedSound sound{};
    const WavLoadResult result = loadConvertedWav(data, size, target, &sound);
    check(result != WavLoadResult::kCannotOpen);
    if (result == WavLoadResult::kCannotConvert) {
        check(sound.data == nullptr);
        return;
    }
    const uint32_t frame = (format & 0xFF) / 8u * channels;
    check(sound.data != nullptr && sound.length % frame == 0);
    check(sound.length <= kMaxConvertedBytes);
    // Never more than the source grown by the widest step between the formats.
    const uint64_t sourceFrames = info.dataBytes / (info.channels * info.bits / 8u);
    check(sound.length <= (sourceFrames + 1) * frame * kMaxRateRatio);
    delete[] sound.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WavInfo info{};
    if (!checkWavFile(data, size, &info, nullptr)) {
        SDL_AudioSpec target{};
        target.freq = 11025;
        target.format = AUDIO_S16LSB;
        target.channels = 1;
        ConvertedSound sound{};
        check(loadConvertedWav(data, size, target, &sound) == WavLoadResult::kCannotOpen);
        check(sound.data == nullptr);
        return 0;
    }
    check(info.dataOffset + info.dataBytes <= size);
    check(info.channels == 1 || info.channels == 2);
    check(info.bits == 8 || info.bits == 16);
    convertTo(data, size, 11025, AUDIO_S16LSB, 1, info);
    convertTo(data, size, 44100, AUDIO_S16LSB, 2, info);
    return 0;
}
