// ATC files: header reading and the texture loader, which uploads the compressed levels as
// they are (only GPUs with ATI texture compression are given ATC textures).
#include "gfx2d/atc_file.h"

#include <GLES/gl.h>

#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "storage/byte_reader.h"

bool parseAtcHeader(const uint8_t* file, size_t size, AtcHeader* header) {
    ByteReader r(file, size);
    r.u32();  // not used
    const uint32_t width = r.u32();
    const uint32_t height = r.u32();
    const uint32_t flags = r.u32();
    const uint32_t dataOffset = r.u32();
    if (r.failed()) return false;
    if (width < 1 || width > static_cast<uint32_t>(kMaxTextureSide) || height < 1 ||
        height > static_cast<uint32_t>(kMaxTextureSide) || dataOffset > size)
        return false;
    *header = AtcHeader{static_cast<int32_t>(width), static_cast<int32_t>(height), flags,
                        dataOffset, file + dataOffset, size - dataOffset};
    return true;
}

uint32_t atcCompressedFormat(const AtcHeader& header) {
    return (header.flags & kAtcFlagExplicitAlpha) ? kGlAtcRgbaExplicitAlpha : kGlAtcRgb;
}

bool loadAtcTexture(Texture* texture, const uint8_t* data, size_t size, bool mipmapped) {
    AtcHeader header;
    if (!parseAtcHeader(data, size, &header)) return false;
    texture->width = header.width;
    texture->height = header.height;
    texture->paddedWidth = nextPowerOfTwo(header.width);
    texture->paddedHeight = nextPowerOfTwo(header.height);
    const uint32_t format = atcCompressedFormat(header);
    const int levels = mipmapped ? mipmapLevelCount(texture->paddedWidth, texture->paddedHeight) : 1;
    if (compressedChainBytes(format, texture->paddedWidth, texture->paddedHeight, levels) >
        header.dataBytes)
        return false;
    glGenTextures(1, &texture->glName);
    texture->format = kFormatATC;
    texture->compressedFormat = format;
    registerResource(kResourceTexture, texture);
    return uploadTexture(texture, const_cast<uint8_t*>(header.data), header.dataBytes, mipmapped);
}
