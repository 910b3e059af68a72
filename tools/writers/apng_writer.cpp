// APNG writer: the PNG writer's filtered, deflated rows in the animation chunks. Frames after
// the first replace only the rectangle that changed (dispose none); in a palette picture the
// pixels of that rectangle that stay the same are transparent and blended over the frame before.
#include "tools/writers/apng_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/writers/colour_quantizer.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/png_writer.h"

namespace {

void putU32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v >> 24);
    at[1] = static_cast<uint8_t>(v >> 16);
    at[2] = static_cast<uint8_t>(v >> 8);
    at[3] = static_cast<uint8_t>(v);
}

void putU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v >> 8);
    at[1] = static_cast<uint8_t>(v);
}

enum : uint8_t { kBlendSource = 0, kBlendOver = 1 };

}  // namespace

ApngWriter::ApngWriter(int width, int height, const ApngWriteOptions& options)
    : width_(width), height_(height), options_(options) {}

void ApngWriter::addFrame(const uint8_t* rgba) {
    const size_t bytes = static_cast<size_t>(std::max(width_, 0)) * std::max(height_, 0) * 4;
    frames_.emplace_back(rgba, rgba + bytes);
}

bool ApngWriter::finish(std::vector<uint8_t>* png) {
    png->clear();
    const bool indexed = options_.paletteColours != 0;
    if (frames_.empty() || width_ < 1 || height_ < 1 || width_ > 0x7FFF || height_ > 0x7FFF ||
        (indexed && (options_.paletteColours < 2 || options_.paletteColours > 255)))
        return false;
    const size_t pixels = static_cast<size_t>(width_) * height_;

    ColourQuantizer quantizer;
    PngWriteOptions rows;
    rows.compressionLevel = options_.compressionLevel;
    rows.colourType = indexed ? kPngIndexed : options_.keepAlpha ? kPngRgba : kPngRgb;
    // Palette numbers are names, not amounts: differences of neighbours mean nothing.
    if (indexed) rows.filter = kPngFilterNone;
    const size_t channels = indexed ? 1 : options_.keepAlpha ? 4 : 3;
    if (indexed) {
        for (const std::vector<uint8_t>& frame : frames_) quantizer.add(frame.data(), pixels);
        if (!quantizer.build(options_.paletteColours)) return false;
        rows.palette.assign(3, 0);  // entry 0: transparent, "as it was"
        rows.palette.insert(rows.palette.end(), quantizer.palette().begin(),
                            quantizer.palette().end());
        rows.transparency.assign(1, 0);
    }

    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png->insert(png->end(), signature, signature + 8);
    uint8_t header[13];
    putU32(header, static_cast<uint32_t>(width_));
    putU32(header + 4, static_cast<uint32_t>(height_));
    header[8] = 8;
    header[9] = static_cast<uint8_t>(rows.colourType);
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, not interlaced
    putPngChunk(png, "IHDR", header, sizeof header);
    uint8_t animation[8];
    putU32(animation, static_cast<uint32_t>(frames_.size()));
    putU32(animation + 4, options_.plays);
    putPngChunk(png, "acTL", animation, sizeof animation);
    if (indexed) {
        putPngChunk(png, "PLTE", rows.palette.data(), rows.palette.size());
        putPngChunk(png, "tRNS", rows.transparency.data(), rows.transparency.size());
    }

    const size_t rowBytes = static_cast<size_t>(width_) * channels;
    std::vector<uint8_t> picture(pixels * channels), previous, region, stream;
    uint32_t sequence = 0;
    for (size_t f = 0; f < frames_.size(); ++f) {
        const uint8_t* rgba = frames_[f].data();
        for (size_t i = 0; i < pixels; ++i) {
            if (indexed) picture[i] = static_cast<uint8_t>(quantizer.index(rgba + i * 4) + 1);
            else std::memcpy(&picture[i * channels], rgba + i * 4, channels);
        }

        // The changed rectangle: the whole picture for the first frame.
        int left = 0, top = 0, right = width_ - 1, bottom = height_ - 1;
        if (f > 0) {
            left = width_;
            top = height_;
            right = bottom = -1;
            for (int y = 0; y < height_; ++y) {
                const uint8_t* now = &picture[y * rowBytes];
                const uint8_t* before = &previous[y * rowBytes];
                if (std::memcmp(now, before, rowBytes) == 0) continue;
                int first = 0, last = width_ - 1;
                auto same = [&](int x) {
                    return std::memcmp(now + x * channels, before + x * channels, channels) == 0;
                };
                while (same(first)) ++first;
                while (same(last)) --last;
                left = std::min(left, first);
                right = std::max(right, last);
                top = std::min(top, y);
                bottom = y;
            }
            if (right < 0) left = top = right = bottom = 0;  // unchanged: one pixel, as it was
        }
        const int w = right - left + 1, h = bottom - top + 1;
        const bool blendOver = indexed && f > 0;
        region.resize(static_cast<size_t>(w) * h * channels);
        for (int y = 0; y < h; ++y) {
            const size_t at = (top + y) * rowBytes + left * channels;
            uint8_t* out = &region[y * w * channels];
            std::memcpy(out, &picture[at], w * channels);
            if (blendOver)
                for (int x = 0; x < w; ++x)
                    if (out[x] == previous[at + x]) out[x] = 0;
        }
        if (!pngImageStream(region.data(), w, h, rows, &stream)) return false;

        uint8_t control[26];
        putU32(control, sequence++);
        putU32(control + 4, static_cast<uint32_t>(w));
        putU32(control + 8, static_cast<uint32_t>(h));
        putU32(control + 12, static_cast<uint32_t>(left));
        putU32(control + 16, static_cast<uint32_t>(top));
        putU16(control + 20, options_.delayNumerator);
        putU16(control + 22, options_.delayDenominator);
        control[24] = 0;  // dispose: the frame stays as the ground of the next
        control[25] = blendOver ? kBlendOver : kBlendSource;
        putPngChunk(png, "fcTL", control, sizeof control);
        if (f == 0) {
            // One IDAT: the first frame is also the still picture that plain PNG readers show.
            putPngChunk(png, "IDAT", stream.data(), stream.size());
        } else {
            std::vector<uint8_t> data(4 + stream.size());
            putU32(data.data(), sequence++);
            std::memcpy(data.data() + 4, stream.data(), stream.size());
            putPngChunk(png, "fdAT", data.data(), data.size());
        }
        previous.swap(picture);
        picture.resize(pixels * channels);
    }
    putPngChunk(png, "IEND", nullptr, 0);
    return true;
}

bool ApngWriter::writeFile(const char* path, std::string* error) {
    std::vector<uint8_t> png;
    if (!finish(&png)) {
        if (error) *error = "no frames, or a size or palette an animated PNG cannot hold";
        return false;
    }
    return writeWholeFile(path, png, error);
}
