// Textures: loading by resource name (PNG, PVR or its ATC twin), the upload with GL or
// software mipmaps, the 16-bit rule for weaker GPUs, and Images over textures.
#include "gfx2d/texture.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/png_reader.h"
#include "gfx2d/resource_registry.h"
#include "storage/byte_reader.h"
#include "storage/pack.h"

namespace {

constexpr GLenum kGlUnsignedShort565 = 0x8363;   // GL_UNSIGNED_SHORT_5_6_5
constexpr GLenum kGlUnsignedShort4444 = 0x8033;  // GL_UNSIGNED_SHORT_4_4_4_4
constexpr GLenum kGlGenerateMipmap = 0x8191;     // GL_GENERATE_MIPMAP
constexpr GLenum kGlTextureBinding2D = 0x8069;   // GL_TEXTURE_BINDING_2D

char* copyString(const char* s) {
    const size_t n = std::strlen(s);
    char* copy = new char[n + 1];
    std::memcpy(copy, s, n + 1);
    return copy;
}

bool isCompressed(int32_t format) { return format == kFormatPVRTC || format == kFormatATC; }

int bytesPerTexel(int32_t format) { return format == kFormatRGBA8888 ? 4 : 2; }

// GL format and type of an uncompressed format code (the internal format equals the format).
void glFormatOf(int32_t format, GLenum* glFormat, GLenum* glType) {
    switch (format) {
    case kFormatRGB565:
        *glFormat = GL_RGB;
        *glType = kGlUnsignedShort565;
        break;
    case kFormatRGBA4444:
        *glFormat = GL_RGBA;
        *glType = kGlUnsignedShort4444;
        break;
    default:
        *glFormat = GL_RGBA;
        *glType = GL_UNSIGNED_BYTE;
        break;
    }
}

// Reads the named file and, when it exists, loads it into a new texture with load(); a failed
// load destroys the texture. The file data is freed either way.
template <typename Load>
Texture* loadFromFile(const char* fileName, int32_t sourceKind, Load load) {
    size_t size = 0;
    uint8_t* data = readTextureResource(fileName, &size);
    if (!data) return nullptr;
    Texture* texture = createTexture(fileName, sourceKind);
    if (!load(texture, data, size)) {
        destroyTexture(texture);
        texture = nullptr;
    }
    delete[] data;
    return texture;
}

}  // namespace

// ---- Loading by name --------------------------------------------------------------------------

Texture* loadTextureByName(const char* name, bool mipmapped) {
    if (!name) return nullptr;
    std::unique_ptr<char[]> lowered(copyString(name));
    char* dot = std::strrchr(lowered.get(), '.');
    if (dot)
        for (char* c = dot + 1; *c; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));

    if (dot && std::strcmp(dot + 1, "pvr") == 0) {
        Texture* texture = nullptr;
        if (g_graphicsCaps && g_graphicsCaps->atitc) {
            std::unique_ptr<char[]> atcName(copyString(lowered.get()));
            std::memcpy(atcName.get() + (dot - lowered.get()) + 1, "atc", 3);
            texture = loadFromFile(atcName.get(), kSourceATC,
                                   [mipmapped](Texture* t, const uint8_t* d, size_t n) {
                                       return loadAtcTexture(t, d, n, mipmapped);
                                   });
        }
        if (!texture)
            texture = loadFromFile(lowered.get(), kSourcePVR,
                                   [mipmapped](Texture* t, const uint8_t* d, size_t n) {
                                       return loadPvrTexture(t, d, n, mipmapped);
                                   });
        return texture;
    }

    PngReader* reader = createPngReader();
    Texture* texture = nullptr;
    if (readPngFile(reader, lowered.get()) && parsePngHeader(reader)) {
        texture = createTexture(lowered.get(), kSourcePNG);
        if (!loadPngTexture(texture, reader, mipmapped)) {
            destroyTexture(texture);
            texture = nullptr;
        }
    }
    destroyPngReader(reader);
    return texture;
}

uint8_t* readTextureResource(const char* name, size_t* size) {
    PackEntry entry;
    if (findEntry(name, &entry) < 0) return nullptr;
    uint8_t* data = loadEntry(name);
    if (data) *size = entry.unpackedSize;
    return data;
}

Texture* createTexture(const char* name, int32_t sourceKind) {
    Texture* texture = new Texture();
    texture->name = copyString(name ? name : "");
    texture->sourceKind = sourceKind;
    return texture;
}

void destroyTexture(Texture* texture) {
    if (!texture) return;
    unregisterResource(texture);
    if (texture->glName) {
        // GL falls back to texture 0 when a bound texture is deleted, and the name may be
        // handed out again: the cache must not keep claiming it is bound.
        if (g_boundTexture2D == static_cast<int32_t>(texture->glName)) g_boundTexture2D = -1;
        glDeleteTextures(1, &texture->glName);
    }
    delete[] texture->name;
    delete texture;
}

// ---- PNG --------------------------------------------------------------------------------------

bool loadPngTexture(Texture* texture, PngReader* reader, bool mipmapped) {
    texture->width = reader->width;
    texture->height = reader->height;
    texture->paddedWidth = nextPowerOfTwo(reader->width);
    texture->paddedHeight = nextPowerOfTwo(reader->height);
    const size_t stride = static_cast<size_t>(texture->paddedWidth) * 4;
    // One spare padded row keeps the inflate staging area ahead of the rows being written.
    size_t bufferBytes = 0;
    if (!checkedMul(stride, static_cast<size_t>(texture->paddedHeight) + 1, &bufferBytes))
        return false;
    bufferBytes = std::max(bufferBytes, pngUnfilteredSize(reader));
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[bufferBytes]);
    uint32_t palette[kPngPaletteEntries];
    if (!decodePngToRGBA(reader, pixels.get(), bufferBytes, static_cast<int32_t>(stride), 32,
                         palette))
        return false;
    glGenTextures(1, &texture->glName);
    texture->format = kFormatRGBA8888;
    applyTexture16BitRule(texture, pixels.get());
    registerResource(kResourceTexture, texture);
    return uploadTexture(texture, pixels.get(), bufferBytes, mipmapped);
}

// ---- 16-bit rule ------------------------------------------------------------------------------

void applyTexture16BitRule(Texture* texture, uint8_t* pixels) {
    if (texture->format != kFormatRGBA8888) return;
    if (g_graphicsCaps && g_graphicsCaps->textureMemory > kTextureMemoryFor32Bit &&
        g_graphicsCaps->glVersion >= 1.1f)
        return;
    const size_t pw = static_cast<size_t>(texture->paddedWidth);
    bool translucent = false;
    for (int32_t y = 0; y < texture->height && !translucent; ++y) {
        const uint8_t* row = pixels + y * pw * 4;
        for (int32_t x = 0; x < texture->width; ++x) {
            if (row[4 * x + 3] < kOpaqueAlpha) {
                translucent = true;
                break;
            }
        }
    }
    // Packing runs forwards: texel i's 2 bytes never reach texel i + 1's 4 source bytes.
    const size_t texels = pw * static_cast<size_t>(texture->paddedHeight);
    uint16_t word;
    for (size_t i = 0; i < texels; ++i) {
        const unsigned r = pixels[4 * i], g = pixels[4 * i + 1], b = pixels[4 * i + 2];
        const unsigned a = pixels[4 * i + 3];
        if (translucent)
            word = static_cast<uint16_t>((r & 0xF0) << 8 | (g & 0xF0) << 4 | (b & 0xF0) | a >> 4);
        else
            word = static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
        std::memcpy(pixels + 2 * i, &word, 2);
    }
    texture->format = translucent ? kFormatRGBA4444 : kFormatRGB565;
}

// ---- Sizes and levels -------------------------------------------------------------------------

int32_t nextPowerOfTwo(int32_t v) {
    int32_t p = 1;
    while (p < v && p < kMaxTextureSide) p <<= 1;
    return p;
}

int mipmapLevelCount(int32_t width, int32_t height) {
    int levels = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width >> 1 : 1;
        height = height > 1 ? height >> 1 : 1;
        ++levels;
    }
    return levels;
}

int32_t mipmapLevelSide(int32_t side, int level) {
    const int32_t s = level < 31 ? side >> level : 0;
    return s > 1 ? s : 1;
}

void reduceMipmapLevel(uint8_t* pixels, int32_t width, int32_t height, int bytesPerTexel) {
    const int32_t w = mipmapLevelSide(width, 1), h = mipmapLevelSide(height, 1);
    const size_t bpt = static_cast<size_t>(bytesPerTexel);
    // Forwards in place: each target texel lies at or before its source, and sources only grow.
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t src = (static_cast<size_t>(2 * y) * width + 2 * x) * bpt;
            const size_t dst = (static_cast<size_t>(y) * w + x) * bpt;
            std::memmove(pixels + dst, pixels + src, bpt);
        }
    }
}

size_t compressedLevelBytes(uint32_t compressedFormat, int32_t width, int32_t height) {
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    switch (compressedFormat) {
    case kGlCompressedRgbPvrtc2:
    case kGlCompressedRgbaPvrtc2:
        return 8 * std::max<size_t>(2, w / 8) * std::max<size_t>(2, h / 4);
    case kGlCompressedRgbPvrtc4:
    case kGlCompressedRgbaPvrtc4:
        return 8 * std::max<size_t>(2, w / 4) * std::max<size_t>(2, h / 4);
    case kGlAtcRgb:
        return 8 * ((w + 3) / 4) * ((h + 3) / 4);
    case kGlAtcRgbaExplicitAlpha:
        return 16 * ((w + 3) / 4) * ((h + 3) / 4);
    default:
        return 0;
    }
}

size_t compressedChainBytes(uint32_t compressedFormat, int32_t width, int32_t height, int levels) {
    size_t total = 0;
    for (int k = 0; k < levels; ++k)
        total += compressedLevelBytes(compressedFormat, mipmapLevelSide(width, k),
                                      mipmapLevelSide(height, k));
    return total;
}

// ---- Upload -----------------------------------------------------------------------------------

bool uploadTexture(Texture* texture, uint8_t* pixels, size_t pixelBytes, bool mipmapped) {
    const bool software = !g_graphicsCaps || g_graphicsCaps->glVersion < 1.1f;
    texture->mipmapped = mipmapped ? 1 : 0;
    texture->softMipmaps = software ? 1 : 0;
    texture->gpuMipmaps = software ? 0 : 1;
    const int32_t pw = texture->paddedWidth, ph = texture->paddedHeight;
    const bool compressed = isCompressed(texture->format);
    const int levels = mipmapped && (software || compressed) ? mipmapLevelCount(pw, ph) : 1;

    size_t needed;
    if (compressed)
        needed = compressedChainBytes(texture->compressedFormat, pw, ph, levels);
    else
        needed = static_cast<size_t>(pw) * ph * bytesPerTexel(texture->format);
    if (!pixels || pw < 1 || ph < 1 || needed == 0 || pixelBytes < needed) return false;

    GLint kept = 0, alignment = 4;
    glGetIntegerv(kGlTextureBinding2D, &kept);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    // Rows are packed with no gap; a 16-bit level one texel wide has 2-byte rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture->glName);
    if (mipmapped && !software && !compressed)
        glTexParameteri(GL_TEXTURE_2D, kGlGenerateMipmap, 1);

    if (compressed) {
        size_t offset = 0;
        for (int k = 0; k < levels; ++k) {
            const int32_t w = mipmapLevelSide(pw, k), h = mipmapLevelSide(ph, k);
            const size_t bytes = compressedLevelBytes(texture->compressedFormat, w, h);
            glCompressedTexImage2D(GL_TEXTURE_2D, k, texture->compressedFormat, w, h, 0,
                                   static_cast<GLsizei>(bytes), pixels + offset);
            offset += bytes;
        }
    } else {
        GLenum glFormat, glType;
        glFormatOf(texture->format, &glFormat, &glType);
        for (int k = 0; k < levels; ++k) {
            if (k > 0)
                reduceMipmapLevel(pixels, mipmapLevelSide(pw, k - 1), mipmapLevelSide(ph, k - 1),
                                  bytesPerTexel(texture->format));
            glTexImage2D(GL_TEXTURE_2D, k, static_cast<GLint>(glFormat), mipmapLevelSide(pw, k),
                         mipmapLevelSide(ph, k), 0, glFormat, glType, pixels);
        }
    }

    GLint minFilter = GL_LINEAR;
    if (mipmapped) minFilter = software ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(kept));
    g_boundTexture2D = kept;
    glFlush();
    return true;
}

// ---- Images -----------------------------------------------------------------------------------

Image* createImage(const char* name) {
    Image* image = new Image();
    image->texture = loadTextureByName(name, false);
    if (!image->texture) {
        destroyImage(image);
        return nullptr;
    }
    image->width = image->texture->width;
    image->height = image->texture->height;
    return image;
}

void destroyImage(Image* image) {
    if (!image) return;
    destroyTexture(image->texture);
    delete image->graphics;
    delete image;
}
