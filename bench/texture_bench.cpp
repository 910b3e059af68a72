// Texture benchmarks: the game's PNG decoder against libpng on a 1024 x 1024 RGBA picture,
// software PVRTC decompression speed, and the PVRTC encoder's quality and speed per mode.
// With --table, rows for bench/run_all.sh: the PNG decode against libpng, the decompression
// and the encoder's time on the 512 x 512 terrain.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/bench_table.h"
#include "bench/sample_pictures.h"
#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/png_reader.h"
#include "tools/writers/png_writer.h"
#include "tools/writers/pvrtc_encoder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds of the fastest of `runs` calls.
template <typename Work>
double fastest(int runs, Work work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

double psnr(const uint8_t* a, const uint8_t* b, size_t texels, int channels) {
    double squared = 0;
    for (size_t i = 0; i < texels; ++i)
        for (int c = 0; c < channels; ++c) {
            const double d = static_cast<double>(a[4 * i + c]) - b[4 * i + c];
            squared += d * d;
        }
    const double mse = squared / (static_cast<double>(texels) * channels);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// False when the two decoders disagree.
bool pngBenchmark(bool table) {
    const int side = 1024;
    const samples::SamplePicture picture =
        samples::make("photo", side, side, true, [](float x, float y, float* c) {
            const float n = samples::fractalNoise(x, y, 128, 6, 7);
            c[0] = 255 * n;
            c[1] = 200 * samples::fractalNoise(x, y, 32, 4, 8);
            c[2] = 100 + 100 * std::sin(x * 0.02f) * n;
            c[3] = 128 + 127 * samples::fractalNoise(x, y, 64, 2, 9);
        });
    std::vector<uint8_t> png;
    encodePngRgba(picture.rgba.data(), side, side, &png);
    const double megabytes = side * side * 4 / 1e6;

    uint8_t* ours = nullptr;
    const double oursSeconds = fastest(5, [&] {
        int32_t w, h;
        delete[] ours;
        ours = decodePngImage(png.data(), png.size(), &w, &h);
    });
    std::vector<uint8_t> theirs(static_cast<size_t>(side) * side * 4);
    const double libpngSeconds = fastest(5, [&] {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, png.data(), png.size());
        image.format = PNG_FORMAT_RGBA;
        png_image_finish_read(&image, nullptr, theirs.data(), 0, nullptr);
    });
    const bool same = ours && std::equal(theirs.begin(), theirs.end(), ours);
    delete[] ours;
    if (!same) std::fprintf(stderr, "texture_bench: the PNG readers decoded different pixels\n");
    if (table) {
        bench::tableRow("PNG decode: 1024 x 1024 RGBA, game reader", oursSeconds * 1e3, "ms",
                        libpngSeconds * 1e3, "libpng, same file");
        return same;
    }
    std::printf("PNG decode, %d x %d RGBA (%zu bytes of file): game reader %.1f MB/s, libpng %.1f MB/s, "
                "ratio %.2f, same pixels: %s\n",
                side, side, png.size(), megabytes / oursSeconds, megabytes / libpngSeconds,
                libpngSeconds / oursSeconds, same ? "yes" : "NO");
    return same;
}

void decompressBenchmark(bool table) {
    const int side = 1024;
    for (bool twoBit : {false, true}) {
        std::vector<uint8_t> blocks(pvrtcLevelBytes(side, side, twoBit));
        uint32_t state = 12345;
        for (uint8_t& b : blocks) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<uint8_t>(state >> 24);
        }
        std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4);
        const double seconds = fastest(5, [&] { decompressPVRTC(blocks.data(), twoBit, side, side, rgba.data()); });
        if (table) {
            bench::tableRow(twoBit ? "PVRTC decode: 2 bpp, 1024 x 1024"
                                   : "PVRTC decode: 4 bpp, 1024 x 1024",
                            seconds * 1e3, "ms");
            continue;
        }
        std::printf("PVRTC decompression %d bpp, %d x %d: %.1f megapixels/s\n", twoBit ? 2 : 4, side, side,
                    side * side / 1e6 / seconds);
    }
}

void encoderQualityBenchmark() {
    for (bool alpha : {false, true}) {
        const std::vector<samples::SamplePicture> set = alpha ? samples::alphaPictures() : samples::opaquePictures();
        for (bool twoBit : {false, true}) {
            double quality = 0, seconds = 0, pixels = 0;
            for (const samples::SamplePicture& p : set) {
                PvrtcEncodeOptions options;
                options.twoBit = twoBit;
                options.alpha = alpha;
                std::vector<uint8_t> blocks;
                seconds += fastest(1, [&] { encodePvrtcLevel(p.rgba.data(), p.width, p.height, options, &blocks); });
                std::vector<uint8_t> decoded(p.rgba.size());
                decompressPVRTC(blocks.data(), twoBit, p.width, p.height, decoded.data());
                quality += psnr(p.rgba.data(), decoded.data(), static_cast<size_t>(p.width) * p.height, alpha ? 4 : 3);
                pixels += static_cast<double>(p.width) * p.height;
            }
            std::printf("PVRTC encoder %d bpp %s: mean PSNR %.2f dB over %zu pictures (%s), %.2f megapixels/s\n",
                        twoBit ? 2 : 4, alpha ? "alpha" : "opaque", quality / set.size(), set.size(),
                        alpha ? "RGBA" : "RGB", pixels / 1e6 / seconds);
        }
    }
}

void encoderTerrainBenchmark(bool table) {
    const samples::SamplePicture big = samples::make("terrain512", 512, 512, false, [](float x, float y, float* c) {
        const float n = samples::fractalNoise(x, y, 64, 5, 11);
        c[0] = 40 + 180 * n;
        c[1] = 70 + 110 * samples::fractalNoise(x, y, 16, 3, 3);
        c[2] = 30 + 100 * n;
    });
    for (bool twoBit : {false, true}) {
        PvrtcEncodeOptions options;
        options.twoBit = twoBit;
        std::vector<uint8_t> blocks;
        const double seconds = fastest(1, [&] { encodePvrtcLevel(big.rgba.data(), 512, 512, options, &blocks); });
        if (table)
            bench::tableRow(twoBit ? "PVRTC encode: 2 bpp, 512 x 512 terrain"
                                   : "PVRTC encode: 4 bpp, 512 x 512 terrain",
                            seconds, "s");
        else
            std::printf("PVRTC encoder %d bpp, 512 x 512 terrain: %.2f s\n", twoBit ? 2 : 4,
                        seconds);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = bench::tableMode(argc, argv);
    const bool same = pngBenchmark(table);
    decompressBenchmark(table);
    if (!table) encoderQualityBenchmark();
    encoderTerrainBenchmark(table);
    return same ? 0 : 1;
}
