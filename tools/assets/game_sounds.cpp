// Sound synthesis: filtered noise grains for the rustles, a falling sine and decaying wood modes
// for the thud, a two-note bell for the chime, and for the ambience a loop built on a circle:
// every part of it (wind, pad, crickets, an owl) is periodic in the loop length, so its end runs
// straight into its start.
#include "tools/assets/game_sounds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kRate = static_cast<float>(kSoundRate);
constexpr float kNyquistMargin = 4800.0f;  // partials above this are left out
constexpr float kAmbienceSeconds = 24.0f;

// xorshift32: white noise and scattered events, seeded per sound.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
    float uniform() {  // [0, 1)
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ >> 8) / 16777216.0f;
    }
    float white() { return uniform() * 2.0f - 1.0f; }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

private:
    uint32_t state_;
};

// Second-order filter sections after the usual audio cookbook shapes.
class Biquad {
public:
    static Biquad lowpass(float hz, float q) { return make(hz, q, 0); }
    static Biquad highpass(float hz, float q) { return make(hz, q, 1); }
    static Biquad bandpass(float hz, float q) { return make(hz, q, 2); }  // 0 dB at the centre
    float run(float x) {
        const float y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

private:
    static Biquad make(float hz, float q, int kind) {
        const float w = 2.0f * kPi * std::min(hz, kRate * 0.45f) / kRate;
        const float cw = std::cos(w), alpha = std::sin(w) / (2.0f * q);
        float b0, b1, b2;
        if (kind == 0) {
            b0 = (1 - cw) / 2;
            b1 = 1 - cw;
            b2 = b0;
        } else if (kind == 1) {
            b0 = (1 + cw) / 2;
            b1 = -(1 + cw);
            b2 = b0;
        } else {
            b0 = alpha;
            b1 = 0;
            b2 = -alpha;
        }
        const float a0 = 1 + alpha;
        Biquad f;
        f.b0_ = b0 / a0;
        f.b1_ = b1 / a0;
        f.b2_ = b2 / a0;
        f.a1_ = -2 * cw / a0;
        f.a2_ = (1 - alpha) / a0;
        return f;
    }
    float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    float z1_ = 0, z2_ = 0;
};

using Buffer = std::vector<float>;

int samplesFor(float seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

void normalise(Buffer* b, float peak) {
    float top = 0;
    for (float v : *b) top = std::max(top, std::fabs(v));
    if (top <= 0) return;
    for (float& v : *b) v *= peak / top;
}

// Short linear fades at both ends, so an effect starts and stops without a click.
void fadeEnds(Buffer* b, float inSeconds, float outSeconds) {
    const int in = std::min<int>(samplesFor(inSeconds), static_cast<int>(b->size()));
    const int out = std::min<int>(samplesFor(outSeconds), static_cast<int>(b->size()));
    for (int i = 0; i < in; ++i)
        (*b)[static_cast<size_t>(i)] *= static_cast<float>(i) / static_cast<float>(in);
    for (int i = 0; i < out; ++i)
        (*b)[b->size() - 1 - static_cast<size_t>(i)] *=
            static_cast<float>(i) / static_cast<float>(out);
}

void highpassAll(Buffer* b, float hz) {
    Biquad f = Biquad::highpass(hz, 0.7f);
    for (float& v : *b) v = f.run(v);
}

void lowpassAll(Buffer* b, float hz) {
    Biquad f = Biquad::lowpass(hz, 0.7f);
    for (float& v : *b) v = f.run(v);
}

// One leaf tick: a few milliseconds of noise through a narrow band, in a smooth window.
void addGrain(Buffer* b, Noise* noise, int start, float seconds, float hz, float q, float gain) {
    Biquad band = Biquad::bandpass(hz, q);
    const int n = samplesFor(seconds);
    for (int i = 0; i < n + samplesFor(0.01f); ++i) {
        const size_t at = static_cast<size_t>(start + i);
        if (at >= b->size()) break;
        const float w =
            i < n ? std::sin(kPi * static_cast<float>(i) / static_cast<float>(n)) : 0.0f;
        (*b)[at] += band.run(noise->white() * w * w) * gain;
    }
}

// A brush through leaves: a band of noise swelling and dying away (the branches moving), with
// leaf ticks scattered more thickly where it is loud.
struct Swish {
    float start, attack, decay;  // seconds
    float centreHz, gain;
    int grains;
    float grainLowHz, grainHighHz;
};

void addSwish(Buffer* b, Noise* noise, const Swish& s) {
    Biquad body = Biquad::bandpass(s.centreHz, 0.55f);
    Biquad air = Biquad::highpass(s.centreHz * 1.8f, 0.7f);
    const int first = samplesFor(s.start);
    const int length = samplesFor(s.attack + s.decay * 5);
    auto envelope = [&](float t) {
        return t < s.attack ? t / s.attack : std::exp(-(t - s.attack) / s.decay);
    };
    for (int i = 0; i < length; ++i) {
        const size_t at = static_cast<size_t>(first + i);
        if (at >= b->size()) break;
        const float e = envelope(static_cast<float>(i) / kRate);
        const float n = noise->white();
        (*b)[at] += (body.run(n) * 0.8f + air.run(n) * 0.25f) * e * s.gain;
    }
    for (int g = 0; g < s.grains;) {
        const float t = noise->range(0, s.attack + s.decay * 3);
        if (noise->uniform() > envelope(t)) continue;  // denser where the swish is loud
        // One draw per statement: the order of a call's arguments is not fixed.
        const float seconds = noise->range(0.004f, 0.014f);
        const float hz = noise->range(s.grainLowHz, s.grainHighHz);
        const float q = noise->range(2.0f, 5.0f);
        const float gain = s.gain * envelope(t) * noise->range(0.6f, 1.6f);
        addGrain(b, noise, first + samplesFor(t), seconds, hz, q, gain);
        ++g;
    }
}

// A twig giving way: a decaying ring with a scratch of noise.
void addSnap(Buffer* b, Noise* noise, float start, float hz, float gain) {
    const int first = samplesFor(start);
    Biquad crackle = Biquad::bandpass(hz * 1.4f, 1.5f);
    for (int i = 0; i < samplesFor(0.04f); ++i) {
        const size_t at = static_cast<size_t>(first + i);
        if (at >= b->size()) break;
        const float t = static_cast<float>(i) / kRate;
        const float ring = std::sin(2 * kPi * hz * t) * std::exp(-t / 0.004f);
        (*b)[at] += (ring * 0.6f + crackle.run(noise->white()) * std::exp(-t / 0.006f)) * gain;
    }
}

Buffer bushOne() {
    Buffer b(static_cast<size_t>(samplesFor(0.48f)), 0.0f);
    Noise noise(0xB0511);
    addSwish(&b, &noise, {0.0f, 0.035f, 0.07f, 1500, 0.55f, 70, 1600, 4200});
    addSwish(&b, &noise, {0.05f, 0.05f, 0.06f, 2400, 0.3f, 40, 2200, 4400});
    highpassAll(&b, 300);
    lowpassAll(&b, 4600);  // keeps the top from hissing against the limit of the rate
    fadeEnds(&b, 0.002f, 0.04f);
    normalise(&b, 0.72f);
    return b;
}

Buffer bushTwo() {
    Buffer b(static_cast<size_t>(samplesFor(0.62f)), 0.0f);
    Noise noise(0xB0522);
    addSwish(&b, &noise, {0.0f, 0.05f, 0.06f, 900, 0.6f, 45, 1000, 3000});
    addSwish(&b, &noise, {0.16f, 0.04f, 0.09f, 1200, 0.5f, 60, 1200, 3400});
    addSnap(&b, &noise, 0.03f, 2100, 0.35f);
    addSnap(&b, &noise, 0.19f, 1750, 0.3f);
    highpassAll(&b, 200);
    lowpassAll(&b, 4200);
    fadeEnds(&b, 0.002f, 0.05f);
    normalise(&b, 0.72f);
    return b;
}

Buffer hitTree() {
    Buffer b(static_cast<size_t>(samplesFor(0.9f)), 0.0f);
    Noise noise(0x7EEE);
    // The thump: a sine falling from about 150 Hz to 62 Hz in the first tens of milliseconds.
    float phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        phase += 2 * kPi * (62 + 90 * std::exp(-t / 0.03f)) / kRate;
        const float attack = std::min(1.0f, t / 0.002f);
        b[i] += std::sin(phase) * attack * std::exp(-t / 0.14f) * 0.7f;
    }
    // The trunk: a few wooden modes, higher ones dying faster. They carry the knock on a small
    // speaker, which cannot play the thump below them.
    const float modes[][3] = {{178, 0.45f, 0.22f}, {297, 0.45f, 0.16f},   {462, 0.36f, 0.11f},
                              {705, 0.25f, 0.07f}, {1010, 0.15f, 0.045f}, {1530, 0.08f, 0.03f}};
    for (const auto& m : modes) {
        for (size_t i = 0; i < b.size(); ++i) {
            const float t = static_cast<float>(i) / kRate;
            b[i] += std::sin(2 * kPi * m[0] * t) * m[1] * std::exp(-t / m[2]);
        }
    }
    // The knock of the impact.
    Biquad knock = Biquad::lowpass(2500, 0.7f);
    for (int i = 0; i < samplesFor(0.05f); ++i) {
        const float t = static_cast<float>(i) / kRate;
        b[static_cast<size_t>(i)] += knock.run(noise.white()) * std::exp(-t / 0.006f) * 0.7f;
    }
    // Leaves shaken loose above, a moment later and much softer.
    Buffer leaves(b.size(), 0.0f);
    addSwish(&leaves, &noise, {0.04f, 0.06f, 0.12f, 1800, 0.16f, 50, 2000, 4500});
    highpassAll(&leaves, 600);
    for (size_t i = 0; i < b.size(); ++i) b[i] += leaves[i];
    // Rounded off with a soft saturation, which also adds weight to the low end.
    for (float& v : b) v = std::tanh(1.5f * v) / std::tanh(1.5f);
    fadeEnds(&b, 0.001f, 0.06f);
    normalise(&b, 0.85f);
    return b;
}

Buffer pickupChime() {
    Buffer b(static_cast<size_t>(samplesFor(0.45f)), 0.0f);
    Noise noise(0xC01);
    // Two notes a fifth apart (E6, then B6), each a bell: its partials decay faster the higher.
    const float notes[][2] = {{0.0f, 1318.51f}, {0.075f, 1975.53f}};
    const float partials[][3] = {
        {1.0f, 1.0f, 0.16f}, {2.0f, 0.28f, 0.07f}, {2.76f, 0.12f, 0.05f}, {3.0f, 0.1f, 0.04f}};
    for (const auto& note : notes) {
        const int first = samplesFor(note[0]);
        for (const auto& p : partials) {
            const float hz = note[1] * p[0];
            if (hz > kNyquistMargin) continue;
            for (size_t i = static_cast<size_t>(first); i < b.size(); ++i) {
                const float t = static_cast<float>(i - static_cast<size_t>(first)) / kRate;
                const float attack = std::min(1.0f, t / 0.002f);
                b[i] += std::sin(2 * kPi * hz * t) * p[1] * attack * std::exp(-t / p[2]);
            }
        }
    }
    // A glint of bright noise on the first strike.
    Biquad glint = Biquad::highpass(3000, 0.7f);
    for (int i = 0; i < samplesFor(0.012f); ++i) {
        const float t = static_cast<float>(i) / kRate;
        b[static_cast<size_t>(i)] += glint.run(noise.white()) * std::exp(-t / 0.003f) * 0.15f;
    }
    fadeEnds(&b, 0.001f, 0.03f);
    normalise(&b, 0.7f);
    return b;
}

// ---- The ambience loop -----------------------------------------------------------------------

// A frequency moved to the nearest whole number of cycles in the loop, so the tone is periodic.
float loopFrequency(float hz, float loopSeconds) {
    return std::round(hz * loopSeconds) / loopSeconds;
}

// Noise through a filter as if the loop repeated for ever: the filter runs over the loop twice
// and keeps the second pass, whose start follows on from the end of the first.
Buffer circularFilter(const Buffer& in, Biquad filter) {
    Buffer out(in.size());
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < in.size(); ++i) out[i] = filter.run(in[i]);
    return out;
}

// Adds a sound at a time on the loop's circle: what runs past the end continues at the start.
void addAround(Buffer* loop, float start, const Buffer& sound, float gain) {
    const size_t n = loop->size();
    const size_t first = static_cast<size_t>(samplesFor(start)) % n;
    for (size_t i = 0; i < sound.size(); ++i) (*loop)[(first + i) % n] += sound[i] * gain;
}

Buffer cricketChirp(Noise* noise, float hz) {
    // Three pulses of 22 ms with 16 ms between them, each gliding a little down in pitch.
    const float pulse = 0.022f, gap = 0.016f;
    // Sized from the last pulse's own start and length: rounding the whole span can come out a
    // sample short of them.
    Buffer chirp(static_cast<size_t>(samplesFor(2 * (pulse + gap)) + samplesFor(pulse)), 0.0f);
    const float level = noise->range(0.7f, 1.0f);
    for (int k = 0; k < 3; ++k) {
        const int first = samplesFor(static_cast<float>(k) * (pulse + gap));
        const int n = samplesFor(pulse);
        float phase = 0;
        for (int i = 0; i < n; ++i) {
            const float u = static_cast<float>(i) / static_cast<float>(n);
            phase += 2 * kPi * hz * (1.0f - 0.02f * u) / kRate;
            const float w = std::sin(kPi * u);
            chirp[static_cast<size_t>(first + i)] += std::sin(phase) * w * w * level;
        }
    }
    return chirp;
}

Buffer owlHoot(Noise* noise, float seconds, float hz) {
    Buffer hoot(static_cast<size_t>(samplesFor(seconds)), 0.0f);
    Biquad breath = Biquad::lowpass(600, 0.7f);
    float phase = 0;
    for (size_t i = 0; i < hoot.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float u = t / seconds;
        phase += 2 * kPi * hz * (1.0f - 0.06f * u) / kRate;
        const float e = std::min(1.0f, t / 0.06f) * std::min(1.0f, (seconds - t) / 0.12f);
        hoot[i] =
            (std::sin(phase) + 0.15f * std::sin(2 * phase) + breath.run(noise->white()) * 0.3f) * e;
    }
    return hoot;
}

Buffer ambience() {
    const float seconds = kAmbienceSeconds;
    const size_t n = static_cast<size_t>(samplesFor(seconds));
    Buffer loop(n, 0.0f);
    Noise noise(0xA3B1E);
    auto cycles = [&](size_t i, float k, float offset) {  // k whole cycles per loop
        return std::sin(2 * kPi * k * static_cast<float>(i) / static_cast<float>(n) + offset);
    };

    // Wind: a low rumble and a higher airy layer, each swelling in gusts of its own.
    Buffer white(n);
    for (float& v : white) v = noise.white();
    const Buffer low = circularFilter(white, Biquad::lowpass(320, 0.7f));
    const Buffer airy = circularFilter(circularFilter(white, Biquad::bandpass(700, 0.7f)),
                                       Biquad::lowpass(1800, 0.7f));
    for (size_t i = 0; i < n; ++i) {
        const float gustLow = 0.6f + 0.25f * cycles(i, 2, 0.3f) + 0.15f * cycles(i, 5, 1.7f);
        const float gustHigh = 0.5f + 0.3f * cycles(i, 3, 2.1f) + 0.2f * cycles(i, 7, 0.4f);
        loop[i] += low[i] * gustLow * 0.4f + airy[i] * gustHigh * gustHigh * 0.24f;
    }

    // A low pad drifting between D minor and B flat major, once round per loop; each voice is two
    // oscillators one cycle per loop apart, a slow beating.
    const float chordA[4] = {73.42f, 146.83f, 174.61f, 220.0f};
    const float chordB[4] = {58.27f, 116.54f, 146.83f, 174.61f};
    for (int v = 0; v < 4; ++v) {
        for (int chord = 0; chord < 2; ++chord) {
            const float f = loopFrequency(chord == 0 ? chordA[v] : chordB[v], seconds);
            const float g = f + 1.0f / seconds;
            const float swell = 0.3f + 0.1f * static_cast<float>(v);
            for (size_t i = 0; i < n; ++i) {
                // In double: the phase runs to thousands of radians over the loop.
                const double t = static_cast<double>(i) / kSoundRate;
                const double a = 2 * M_PI * f * t, b = 2 * M_PI * g * t;
                const float tone = static_cast<float>(std::sin(a) + 0.25 * std::sin(2 * a) +
                                                      0.08 * std::sin(3 * a) + std::sin(b) +
                                                      0.25 * std::sin(2 * b));
                const float mixA = 0.5f + 0.5f * cycles(i, 1, kPi * 0.5f);
                const float weight = chord == 0 ? mixA : 1.0f - mixA;
                const float breathe =
                    0.75f + 0.25f * cycles(i, 3 + static_cast<float>(v), swell * 7);
                loop[i] += tone * weight * breathe * 0.018f;
            }
        }
    }

    // Crickets: three of them at their own pitch and pace, now and then resting.
    const float crickets[3][3] = {
        {4200, 0.065f, 0.68f}, {3800, 0.045f, 0.83f}, {4550, 0.026f, 0.57f}};
    for (const auto& c : crickets) {
        for (float t = noise.range(0, 0.5f); t < seconds; t += c[2] * noise.range(0.9f, 1.1f)) {
            if (noise.uniform() < 0.12f) {
                t += noise.range(0.5f, 2.0f);  // a rest
                continue;
            }
            addAround(&loop, t, cricketChirp(&noise, c[0]), c[1]);
        }
    }

    // An owl far off, once per loop: a long call and two short ones, with the echo of the trees.
    Buffer call(static_cast<size_t>(samplesFor(1.2f)), 0.0f);
    const Buffer longHoot = owlHoot(&noise, 0.32f, 392);
    const Buffer shortHoot = owlHoot(&noise, 0.18f, 370);
    auto place = [&](const Buffer& hoot, float at) {
        const size_t first = static_cast<size_t>(samplesFor(at));
        for (size_t i = 0; i < hoot.size() && first + i < call.size(); ++i)
            call[first + i] += hoot[i];
    };
    place(longHoot, 0.0f);
    place(shortHoot, 0.62f);
    place(shortHoot, 0.86f);
    addAround(&loop, 14.0f, call, 0.07f);
    addAround(&loop, 14.19f, call, 0.025f);
    addAround(&loop, 14.41f, call, 0.012f);

    normalise(&loop, 0.5f);
    return loop;
}

std::vector<int16_t> toSamples(const Buffer& b) {
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i) {
        const long v = std::lround(std::max(-1.0f, std::min(1.0f, b[i])) * 32767.0f);
        out[i] = static_cast<int16_t>(v);
    }
    return out;
}

void putU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putU16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void putTag(std::vector<uint8_t>* out, const char* tag) { out->insert(out->end(), tag, tag + 4); }

}  // namespace

const std::vector<std::string>& gameSoundNames() {
    static const std::vector<std::string> names = {"bush1", "bush2", "hittree", "pickup",
                                                   "ambient_short2"};
    return names;
}

SoundClip synthesiseSound(const std::string& name) {
    SoundClip clip;
    clip.name = name;
    if (name == "bush1")
        clip.samples = toSamples(bushOne());
    else if (name == "bush2")
        clip.samples = toSamples(bushTwo());
    else if (name == "hittree")
        clip.samples = toSamples(hitTree());
    else if (name == "pickup")
        clip.samples = toSamples(pickupChime());
    else if (name == "ambient_short2")
        clip.samples = toSamples(ambience());
    return clip;
}

std::vector<uint8_t> encodeWav(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    putTag(&out, "RIFF");
    putU32(&out, 36 + dataBytes);
    putTag(&out, "WAVE");
    putTag(&out, "fmt ");
    putU32(&out, 16);
    putU16(&out, 1);  // PCM
    putU16(&out, 1);  // mono
    putU32(&out, kSoundRate);
    putU32(&out, kSoundRate * 2);  // bytes per second
    putU16(&out, 2);               // bytes per sample frame
    putU16(&out, 16);              // bits per sample
    putTag(&out, "data");
    putU32(&out, dataBytes);
    for (int16_t s : samples) putU16(&out, static_cast<uint16_t>(s));
    return out;
}
