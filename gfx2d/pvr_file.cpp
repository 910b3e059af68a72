// PVR files: header reading, the level layout, and the texture loader, which uploads the
// PVRTC data as it is where the GL samples PVRTC and the texture has no alpha, and otherwise
// decodes level 0 in software into an RGBA texture.
#include "gfx2d/pvr_file.h"

#include <GLES/gl.h>

#include <memory>

#include "app/graphics_caps.h"
#include "gfx2d/pvrtc_decompress.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "storage/byte_reader.h"

namespace {

bool isPowerOfTwoSide(uint32_t v) {
    return v >= 1 && v <= static_cast<uint32_t>(kMaxTextureSide) && (v & (v - 1)) == 0;
}

bool isTwoBit(const PvrHeader& header) { return header.pixelFormat == kPvrFormatPvrtc2; }

}  // namespace

bool parsePvrHeader(const uint8_t* file, size_t size, PvrHeader* header) {
    ByteReader r(file, size);
    r.u32();  // header size
    const uint32_t height = r.u32();
    const uint32_t width = r.u32();
    const uint32_t mipmapCount = r.u32();
    const uint32_t flags = r.u32();
    r.skip(4 * 5);  // data size, bit count, red, green and blue masks
    const uint32_t alphaMask = r.u32();
    r.skip(4 * 2);  // magic, surface count
    if (r.failed()) return false;
    const uint32_t pixelFormat = flags & 0xFF;
    if (pixelFormat != kPvrFormatPvrtc2 && pixelFormat != kPvrFormatPvrtc4) return false;
    if (!isPowerOfTwoSide(width) || !isPowerOfTwoSide(height)) return false;
    *header = PvrHeader{static_cast<int32_t>(width), static_cast<int32_t>(height), mipmapCount,
                        pixelFormat, flags, alphaMask, r.cursor(), r.remaining()};
    return true;
}

size_t pvrLevelOffset(const PvrHeader& header, int level) {
    size_t offset = 0;
    for (int k = 0; k < level; ++k)
        offset += pvrtcLevelBytes(mipmapLevelSide(header.width, k),
                                  mipmapLevelSide(header.height, k), isTwoBit(header));
    return offset;
}

uint8_t* decodePvrLevel(const PvrHeader& header, int level, int32_t* width, int32_t* height) {
    if (level < 0 || level >= mipmapLevelCount(header.width, header.height)) return nullptr;
    const int32_t w = mipmapLevelSide(header.width, level);
    const int32_t h = mipmapLevelSide(header.height, level);
    const size_t offset = pvrLevelOffset(header, level);
    const size_t bytes = pvrtcLevelBytes(w, h, isTwoBit(header));
    if (offset > header.dataBytes || bytes > header.dataBytes - offset) return nullptr;
    uint8_t* rgba = new uint8_t[static_cast<size_t>(w) * h * 4];
    decompressPVRTC(header.data + offset, isTwoBit(header), w, h, rgba);
    *width = w;
    *height = h;
    return rgba;
}

bool loadPvrTexture(Texture* texture, const uint8_t* data, size_t size, bool mipmapped) {
    PvrHeader header;
    if (!parsePvrHeader(data, size, &header)) return false;
    texture->width = texture->paddedWidth = header.width;
    texture->height = texture->paddedHeight = header.height;

    const bool twoBit = isTwoBit(header);
    if (g_graphicsCaps && g_graphicsCaps->pvrtc && header.alphaMask == 0) {
        const uint32_t format = twoBit ? kGlCompressedRgbPvrtc2 : kGlCompressedRgbPvrtc4;
        const int levels = mipmapped ? mipmapLevelCount(header.width, header.height) : 1;
        if (compressedChainBytes(format, header.width, header.height, levels) > header.dataBytes)
            return false;
        glGenTextures(1, &texture->glName);
        texture->format = kFormatPVRTC;
        texture->compressedFormat = format;
        registerResource(kResourceTexture, texture);
        // The data stays inside the caller's file buffer; the upload only reads it.
        return uploadTexture(texture, const_cast<uint8_t*>(header.data), header.dataBytes,
                             mipmapped);
    }

    if (pvrtcLevelBytes(header.width, header.height, twoBit) > header.dataBytes) return false;
    const size_t rgbaBytes = static_cast<size_t>(header.width) * header.height * 4;
    std::unique_ptr<uint8_t[]> rgba(new uint8_t[rgbaBytes]);
    decompressPVRTC(header.data, twoBit, header.width, header.height, rgba.get());
    glGenTextures(1, &texture->glName);
    texture->format = kFormatRGBA8888;
    applyTexture16BitRule(texture, rgba.get());
    registerResource(kResourceTexture, texture);
    return uploadTexture(texture, rgba.get(), rgbaBytes, mipmapped);
}
