// WAV structure check and conversion to the output format.
#include "audio/wav_file.h"

#include <algorithm>
#include <cstring>

#include "storage/byte_reader.h"

namespace {

constexpr uint32_t fourCC(const char (&s)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

constexpr uint32_t kRiff = fourCC("RIFF");
constexpr uint32_t kWave = fourCC("WAVE");
constexpr uint32_t kFormatChunk = fourCC("fmt ");
constexpr uint32_t kDataChunk = fourCC("data");
constexpr uint32_t kListChunk = fourCC("LIST");
constexpr uint32_t kFactChunk = fourCC("fact");
constexpr uint16_t kPcmTag = 1;
constexpr size_t kFormatBytes = 16;  // tag, channels, rate, byte rate, block align, bits
constexpr size_t kRiffHeaderBytes = 8;
// Room beyond len x len_mult, should a conversion step round its output up by a sample.
constexpr size_t kConvertSlack = 16;

bool fail(const char** reason, const char* why) {
    if (reason) *reason = why;
    return false;
}

bool readFormat(ByteReader chunk, WavInfo* info, const char** reason) {
    if (chunk.size() < kFormatBytes) return fail(reason, "format chunk too short");
    const uint16_t tag = chunk.u16();
    const uint16_t channels = chunk.u16();
    const uint32_t rate = chunk.u32();
    const uint32_t byteRate = chunk.u32();
    const uint16_t blockAlign = chunk.u16();
    const uint16_t bits = chunk.u16();
    if (chunk.failed()) return fail(reason, "format chunk too short");
    if (tag != kPcmTag) return fail(reason, "not PCM samples");
    if (channels != 1 && channels != 2) return fail(reason, "neither mono nor stereo");
    if (bits != 8 && bits != 16) return fail(reason, "neither 8 nor 16 bits");
    if (rate < kMinWavRate || rate > kMaxWavRate) return fail(reason, "sample rate out of range");
    if (blockAlign != channels * bits / 8) return fail(reason, "block align does not match");
    if (byteRate != rate * blockAlign) return fail(reason, "byte rate does not match");
    info->channels = channels;
    info->rate = rate;
    info->bits = bits;
    return true;
}

}  // namespace

bool checkWavFile(const uint8_t* bytes, size_t size, WavInfo* info, const char** reason) {
    if (size > kMaxWavFileBytes) return fail(reason, "file too large");
    ByteReader file(bytes, size);
    if (file.u32() != kRiff) return fail(reason, "not a RIFF file");
    const uint32_t riffBytes = file.u32();
    if (file.failed()) return fail(reason, "not a RIFF file");
    if (riffBytes < 4 || riffBytes > file.remaining()) return fail(reason, "RIFF size beyond the file");
    ByteReader body = file.sub(riffBytes);
    if (body.u32() != kWave) return fail(reason, "not a WAVE file");

    WavInfo found{};
    bool haveFormat = false;
    bool haveData = false;
    while (!body.atEnd()) {
        const uint32_t id = body.u32();
        const uint32_t chunkBytes = body.u32();
        if (body.failed()) return fail(reason, "chunk header cut short");
        if (chunkBytes > body.remaining()) return fail(reason, "chunk runs past the RIFF end");
        const size_t start = kRiffHeaderBytes + body.position();
        ByteReader chunk = body.sub(chunkBytes);
        if (!haveData) {
            // The loader reads the chunks up to the samples back to back, so a pad byte before
            // them would shift its reading; and it takes a chunk of no bytes as a failed read.
            if ((chunkBytes & 1) && id != kDataChunk)
                return fail(reason, "odd chunk size before the samples");
            if (chunkBytes == 0) return fail(reason, "empty chunk before the samples");
            if (!haveFormat) {
                if (id == kFormatChunk) {
                    if (!readFormat(chunk, &found, reason)) return false;
                    haveFormat = true;
                } else if (id != kListChunk && id != kFactChunk) {
                    return fail(reason, "unexpected chunk before the format");
                }
            } else if (id == kFormatChunk) {
                return fail(reason, "second format chunk");
            } else if (id == kDataChunk) {
                found.dataBytes = chunkBytes;
                found.dataOffset = start;
                haveData = true;
            }
        }
        if ((chunkBytes & 1) && !body.atEnd()) body.skip(1);  // pad byte (the last may be missing)
    }
    if (body.failed()) return fail(reason, "chunk runs past the RIFF end");
    if (!haveData) return fail(reason, "no data chunk");
    if (info) *info = found;
    return true;
}

WavLoadResult loadConvertedWav(const uint8_t* bytes, size_t size, const SDL_AudioSpec& target,
                               ConvertedSound* out) {
    out->data = nullptr;
    out->length = 0;
    const char* reason = nullptr;
    if (!checkWavFile(bytes, size, nullptr, &reason)) {
        SDL_SetError("Malformed WAVE file: %s", reason);
        return WavLoadResult::kCannotOpen;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (!stream) return WavLoadResult::kCannotOpen;
    SDL_AudioSpec wav;
    Uint8* samples = nullptr;
    Uint32 sampleBytes = 0;
    if (!SDL_LoadWAV_RW(stream, 1, &wav, &samples, &sampleBytes)) return WavLoadResult::kCannotOpen;

    const uint32_t frameBytes = (target.format & 0xFF) / 8u * target.channels;
    const uint32_t wavRate = static_cast<uint32_t>(wav.freq);
    const uint32_t targetRate = target.freq > 0 ? static_cast<uint32_t>(target.freq) : 0;
    const uint32_t high = std::max(wavRate, targetRate);
    const uint32_t low = std::min(wavRate, targetRate);
    SDL_AudioCVT cvt;
    if (frameBytes == 0 || low == 0 || high / kMaxRateRatio > low ||
        SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, target.format,
                          target.channels, target.freq) < 0) {
        SDL_FreeWAV(samples);
        return WavLoadResult::kCannotConvert;
    }
    size_t workBytes = 0;
    if (!checkedMul(sampleBytes, static_cast<size_t>(std::max(cvt.len_mult, 1)), &workBytes) ||
        workBytes > kMaxConvertedBytes) {
        SDL_FreeWAV(samples);
        return WavLoadResult::kCannotConvert;
    }
    uint8_t* work = new uint8_t[workBytes + kConvertSlack];
    std::memcpy(work, samples, sampleBytes);
    SDL_FreeWAV(samples);
    cvt.buf = work;
    cvt.len = static_cast<int>(sampleBytes);
    if (SDL_ConvertAudio(&cvt) < 0) {
        delete[] work;
        return WavLoadResult::kCannotConvert;
    }
    size_t converted = cvt.len_cvt > 0 ? std::min(static_cast<size_t>(cvt.len_cvt), workBytes) : 0;
    converted -= converted % frameBytes;
    out->data = new uint8_t[converted ? converted : 1];
    std::memcpy(out->data, work, converted);
    out->length = static_cast<uint32_t>(converted);
    delete[] work;
    return WavLoadResult::kLoaded;
}
