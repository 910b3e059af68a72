// zvtool texture: decodes PNG and PVR files through the game's own loaders (what the game
// would show), encodes PNG pictures to PVRTC .pvr files, and shows what a texture file holds.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/atc_file.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/texture.h"
#include "storage/byte_reader.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/png_writer.h"
#include "tools/writers/pvrtc_encoder.h"
#include "tools/zvtool/commands.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: zvtool texture decode IN OUT.png       decode a .png or .pvr as the game\n"
                 "                                              does (level 0) and write it as PNG\n"
                 "       zvtool texture encode IN.png OUT.pvr [--bpp 2|4] [--mipmaps]\n"
                 "                                              PVRTC-compress a picture (4 bpp by\n"
                 "                                              default; alpha when it has any)\n"
                 "       zvtool texture info IN                 sizes, format, alpha and levels of\n"
                 "                                              a .png, .pvr or .atc file\n");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "zvtool texture: %s\n", message.c_str());
    return 1;
}

bool readWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bytes->clear();
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes->insert(bytes->end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

enum class Kind { kPng, kPvr, kAtc, kUnknown };

// By content first (PNG signature), then by extension, as the game tells them apart by name.
Kind kindOf(const char* path, const std::vector<uint8_t>& bytes) {
    if (isPngSignature(bytes.data(), bytes.size())) return Kind::kPng;
    std::string ext;
    if (const char* dot = std::strrchr(path, '.'))
        for (const char* c = dot + 1; *c; ++c) ext += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (ext == "pvr") return Kind::kPvr;
    if (ext == "atc") return Kind::kAtc;
    if (ext == "png") return Kind::kPng;
    return Kind::kUnknown;
}

const char* colourLayout(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 24: return "RGB, 8 bits per channel";
    case 32: return "RGBA, 8 bits per channel";
    default: return "indexed";
    }
}

int decodeCommand(const char* in, const char* out) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(in, &bytes)) return fail(std::string("cannot read ") + in);
    int32_t w = 0, h = 0;
    uint8_t* rgba = nullptr;
    switch (kindOf(in, bytes)) {
    case Kind::kPng:
        rgba = decodePngImage(bytes.data(), bytes.size(), &w, &h);
        if (!rgba) return fail(std::string(in) + ": not a PNG the game can read");
        break;
    case Kind::kPvr: {
        PvrHeader header;
        if (!parsePvrHeader(bytes.data(), bytes.size(), &header))
            return fail(std::string(in) + ": not a PVRTC 2 or 4 bpp .pvr file the game can read");
        rgba = decodePvrLevel(header, 0, &w, &h);
        if (!rgba) return fail(std::string(in) + ": the file is shorter than its first level");
        break;
    }
    case Kind::kAtc:
        return fail(std::string(in) +
                    ": ATC data cannot be decoded here (the game hands it to GPUs with ATI texture "
                    "compression); 'zvtool texture info' shows its header");
    case Kind::kUnknown:
        return fail(std::string(in) + ": not a .png, .pvr or .atc file");
    }
    std::string error;
    const bool written = writePngRgbaFile(out, rgba, w, h, &error);
    delete[] rgba;
    if (!written) return fail(error);
    std::printf("%s: %d x %d\n", out, w, h);
    return 0;
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

int encodeCommand(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    PvrtcEncodeOptions options;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--mipmaps")) {
            options.mipmaps = true;
        } else if (!std::strcmp(argv[i], "--bpp") && i + 1 < argc) {
            const std::string bpp = argv[++i];
            if (bpp != "2" && bpp != "4") return fail("--bpp takes 2 or 4");
            options.twoBit = bpp == "2";
        } else if (argv[i][0] == '-') {
            usage(stderr);
            return 2;
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (!in || !out) {
        usage(stderr);
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!readWholeFile(in, &bytes)) return fail(std::string("cannot read ") + in);
    int32_t w = 0, h = 0;
    uint8_t* rgba = decodePngImage(bytes.data(), bytes.size(), &w, &h);
    if (!rgba) return fail(std::string(in) + ": not a PNG the game can read");
    options.alpha = hasTranslucentTexels(rgba, w, h);
    std::vector<uint8_t> file;
    std::string error;
    const bool encoded = encodePvrFile(rgba, w, h, options, &file, &error);
    double quality = 0;
    if (encoded) {
        PvrHeader header;
        parsePvrHeader(file.data(), file.size(), &header);
        int32_t dw, dh;
        uint8_t* decoded = decodePvrLevel(header, 0, &dw, &dh);
        quality = psnr(rgba, decoded, static_cast<size_t>(w) * h, options.alpha ? 4 : 3);
        delete[] decoded;
    }
    delete[] rgba;
    if (!encoded) return fail(std::string(in) + ": " + error);
    if (!writeWholeFile(out, file)) return fail(std::string("cannot write ") + out);
    std::printf("%s: %d x %d, PVRTC %d bpp, %s, %d level%s, %zu bytes, level 0 PSNR %.2f dB\n", out, w, h,
                options.twoBit ? 2 : 4, options.alpha ? "alpha" : "opaque",
                options.mipmaps ? mipmapLevelCount(w, h) : 1,
                options.mipmaps && mipmapLevelCount(w, h) > 1 ? "s" : "", file.size(), quality);
    return 0;
}

int infoCommand(const char* in) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(in, &bytes)) return fail(std::string("cannot read ") + in);
    switch (kindOf(in, bytes)) {
    case Kind::kPng: {
        PngReader reader{};
        reader.data = bytes.data();
        reader.dataSize = bytes.size();
        if (!parsePngHeader(&reader)) return fail(std::string(in) + ": not a PNG the game can read");
        ByteReader trns;
        const bool transparency = findPngChunk(&reader, "tRNS", &trns);
        std::printf("%s: PNG %d x %d, %s", in, reader.width, reader.height, colourLayout(reader.bitsPerPixel));
        if (reader.bitsPerPixel <= 8)
            std::printf(" %d-bit, %d palette entries%s", reader.bitsPerPixel, reader.paletteSize,
                        transparency ? ", with transparency" : "");
        std::printf("; texture %d x %d\n", nextPowerOfTwo(reader.width), nextPowerOfTwo(reader.height));
        return 0;
    }
    case Kind::kPvr: {
        PvrHeader header;
        if (!parsePvrHeader(bytes.data(), bytes.size(), &header))
            return fail(std::string(in) + ": not a PVRTC 2 or 4 bpp .pvr file the game can read");
        const bool twoBit = header.pixelFormat == kPvrFormatPvrtc2;
        const int levels = static_cast<int>(header.mipmapCount) + 1;
        const int full = mipmapLevelCount(header.width, header.height);
        const size_t chain = pvrLevelOffset(header, std::min(levels, full));
        std::printf("%s: PVR %d x %d, PVRTC %d bpp, %s, %d level%s (a full chain has %d), %zu data bytes%s\n",
                    in, header.width, header.height, twoBit ? 2 : 4, header.alphaMask ? "alpha" : "opaque",
                    levels, levels == 1 ? "" : "s", full, header.dataBytes,
                    chain > header.dataBytes ? " - too short for its levels" : "");
        return 0;
    }
    case Kind::kAtc: {
        AtcHeader header;
        if (!parseAtcHeader(bytes.data(), bytes.size(), &header))
            return fail(std::string(in) + ": not an ATC file the game can read");
        const uint32_t format = atcCompressedFormat(header);
        const int32_t pw = nextPowerOfTwo(header.width), ph = nextPowerOfTwo(header.height);
        int levels = 0;
        const int full = mipmapLevelCount(pw, ph);
        while (levels < full && compressedChainBytes(format, pw, ph, levels + 1) <= header.dataBytes) ++levels;
        std::printf("%s: ATC %d x %d, %s, data at byte %u, %zu data bytes holding %d of %d levels\n", in,
                    header.width, header.height,
                    format == kGlAtcRgbaExplicitAlpha ? "explicit alpha" : "RGB", header.dataOffset,
                    header.dataBytes, levels, full);
        return 0;
    }
    case Kind::kUnknown:
        break;
    }
    return fail(std::string(in) + ": not a .png, .pvr or .atc file");
}

}  // namespace

int textureCommand(int argc, char** argv) {
    if (argc < 1) {
        usage(stderr);
        return 2;
    }
    const std::string verb = argv[0];
    if (verb == "-h" || verb == "--help") {
        usage(stdout);
        return 0;
    }
    if (verb == "decode" && argc == 3) return decodeCommand(argv[1], argv[2]);
    if (verb == "encode") return encodeCommand(argc - 1, argv + 1);
    if (verb == "info" && argc == 2) return infoCommand(argv[1]);
    usage(stderr);
    return 2;
}
