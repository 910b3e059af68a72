// PNG writer: signature, IHDR, optional PLTE and tRNS, filtered rows deflated with zlib into
// one or more IDAT chunks, IEND; CRCs from zlib.
#include "tools/writers/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/writers/file_writer.h"

namespace {

int channelsOf(int colourType) {
    switch (colourType) {
    case kPngGrey: return 1;
    case kPngRgb: return 3;
    case kPngIndexed: return 1;
    case kPngGreyAlpha: return 2;
    case kPngRgba: return 4;
    default: return 0;
    }
}

bool depthAllowed(int colourType, int depth) {
    switch (colourType) {
    case kPngGrey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kPngIndexed: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case kPngRgb:
    case kPngGreyAlpha:
    case kPngRgba: return depth == 8 || depth == 16;
    default: return false;
    }
}

void putU32(std::vector<uint8_t>* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v >> 24));
    out->push_back(static_cast<uint8_t>(v >> 16));
    out->push_back(static_cast<uint8_t>(v >> 8));
    out->push_back(static_cast<uint8_t>(v));
}

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Filters row (with prev, or zeros for the first row) into out (filter byte first).
void filterRow(int type, const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp,
               uint8_t* out) {
    out[0] = static_cast<uint8_t>(type);
    for (size_t x = 0; x < n; ++x) {
        const int a = x >= bpp ? row[x - bpp] : 0;
        const int b = prev ? prev[x] : 0;
        const int c = (prev && x >= bpp) ? prev[x - bpp] : 0;
        int predictor = 0;
        switch (type) {
        case kPngFilterSub: predictor = a; break;
        case kPngFilterUp: predictor = b; break;
        case kPngFilterAverage: predictor = (a + b) >> 1; break;
        case kPngFilterPaeth: predictor = paeth(a, b, c); break;
        default: break;
        }
        out[x + 1] = static_cast<uint8_t>(row[x] - predictor);
    }
}

uint64_t absoluteSum(const uint8_t* filtered, size_t n) {
    uint64_t sum = 0;
    for (size_t x = 1; x <= n; ++x) sum += filtered[x] < 128 ? filtered[x] : 256 - filtered[x];
    return sum;
}

}  // namespace

void putPngChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size) {
    putU32(out, static_cast<uint32_t>(size));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    if (size) out->insert(out->end(), data, data + size);
    uLong crc = crc32(0, out->data() + start, static_cast<uInt>(size + 4));
    putU32(out, static_cast<uint32_t>(crc));
}

size_t pngRowBytes(int width, int colourType, int bitDepth) {
    return (static_cast<size_t>(width) * channelsOf(colourType) * bitDepth + 7) / 8;
}

bool pngImageStream(const uint8_t* rows, int width, int height, const PngWriteOptions& options,
                    std::vector<uint8_t>* stream) {
    if (width < 1 || height < 1 || !depthAllowed(options.colourType, options.bitDepth))
        return false;
    const size_t rowBytes = pngRowBytes(width, options.colourType, options.bitDepth);
    const size_t bpp =
        std::max<size_t>(1, static_cast<size_t>(channelsOf(options.colourType)) * options.bitDepth / 8);

    std::vector<uint8_t> filtered(static_cast<size_t>(height) * (rowBytes + 1));
    std::vector<uint8_t> trial(rowBytes + 1);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rows + y * rowBytes;
        const uint8_t* prev = y > 0 ? row - rowBytes : nullptr;
        uint8_t* out = filtered.data() + y * (rowBytes + 1);
        if (options.filter == kPngFilterAdaptive) {
            uint64_t best = UINT64_MAX;
            for (int type = 0; type < 5; ++type) {
                filterRow(type, row, prev, rowBytes, bpp, trial.data());
                const uint64_t sum = absoluteSum(trial.data(), rowBytes);
                if (sum < best) {
                    best = sum;
                    std::memcpy(out, trial.data(), rowBytes + 1);
                }
            }
        } else {
            const int type = options.filter == kPngFilterCycle ? y % 5 : options.filter;
            filterRow(type, row, prev, rowBytes, bpp, out);
        }
    }

    uLongf streamBytes = compressBound(static_cast<uLong>(filtered.size()));
    stream->resize(streamBytes);
    if (compress2(stream->data(), &streamBytes, filtered.data(),
                  static_cast<uLong>(filtered.size()), options.compressionLevel) != Z_OK)
        return false;
    stream->resize(streamBytes);
    return true;
}

bool encodePng(const uint8_t* rows, int width, int height, const PngWriteOptions& options,
               std::vector<uint8_t>* png) {
    std::vector<uint8_t> stream;
    if (!pngImageStream(rows, width, height, options, &stream)) return false;

    png->clear();
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png->insert(png->end(), signature, signature + 8);
    const uint32_t w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    const uint8_t header[13] = {static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16),
                                static_cast<uint8_t>(w >> 8),  static_cast<uint8_t>(w),
                                static_cast<uint8_t>(h >> 24), static_cast<uint8_t>(h >> 16),
                                static_cast<uint8_t>(h >> 8),  static_cast<uint8_t>(h),
                                static_cast<uint8_t>(options.bitDepth),
                                static_cast<uint8_t>(options.colourType), 0, 0, 0};
    putPngChunk(png, "IHDR", header, sizeof header);
    if (!options.palette.empty())
        putPngChunk(png, "PLTE", options.palette.data(), options.palette.size());
    if (!options.transparency.empty())
        putPngChunk(png, "tRNS", options.transparency.data(), options.transparency.size());
    const size_t parts = static_cast<size_t>(std::max(1, options.idatChunks));
    const size_t partBytes = (stream.size() + parts - 1) / parts;
    for (size_t start = 0; start < stream.size(); start += partBytes)
        putPngChunk(png, "IDAT", stream.data() + start, std::min(partBytes, stream.size() - start));
    putPngChunk(png, "IEND", nullptr, 0);
    return true;
}

bool encodePngRgba(const uint8_t* rgba, int width, int height, std::vector<uint8_t>* png) {
    return encodePng(rgba, width, height, PngWriteOptions(), png);
}

bool writePngRgbaFile(const char* path, const uint8_t* rgba, int width, int height,
                      std::string* error) {
    std::vector<uint8_t> png;
    if (!encodePngRgba(rgba, width, height, &png)) {
        if (error) *error = "cannot encode a PNG of that size";
        return false;
    }
    return writeWholeFile(path, png, error);
}
