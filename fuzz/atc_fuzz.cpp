// Fuzz target of the compressed texture loaders as far as the GL upload: any bytes as an .atc
// (uploaded as they are, on a GPU with ATI compression) and as a .pvr (uploaded compressed on a
// GPU with PVRTC, decoded in software otherwise), with and without mipmaps. The two GL upload
// calls are replaced here by checks that read every byte they are handed, so a level chain that
// runs past the file is caught where the driver would have read it.
#include <GLES/gl.h>

#include <cstdint>
#include <initializer_list>

#include "app/graphics_caps.h"
#include "fuzz/fuzz_checks.h"
#include "gfx2d/atc_file.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/texture.h"

namespace {

using fuzzcheck::require;
using fuzzcheck::touch;

size_t texelBytes(GLenum format, GLenum type) {
    if (type == GL_UNSIGNED_SHORT_5_6_5 || type == GL_UNSIGNED_SHORT_4_4_4_4 ||
        type == GL_UNSIGNED_SHORT_5_5_5_1)
        return 2;
    return format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
}

}  // namespace

extern "C" {

// Rows are sent packed (the loader sets an unpack alignment of 1).
void GL_APIENTRY glTexImage2D(GLenum, GLint level, GLint, GLsizei width, GLsizei height,
                              GLint border, GLenum format, GLenum type, const void* pixels) {
    require(level >= 0 && width >= 1 && height >= 1 && border == 0 && pixels);
    touch(pixels, static_cast<size_t>(width) * height * texelBytes(format, type));
}

void GL_APIENTRY glCompressedTexImage2D(GLenum, GLint level, GLenum internalformat, GLsizei width,
                                        GLsizei height, GLint border, GLsizei imageSize,
                                        const void* data) {
    require(level >= 0 && width >= 1 && height >= 1 && border == 0 && imageSize > 0 && data);
    require(static_cast<size_t>(imageSize) ==
            compressedLevelBytes(internalformat, width, height));
    touch(data, static_cast<size_t>(imageSize));
}

}  // extern "C"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* copy = fuzzcheck::heapCopy(data, size);
    GraphicsCaps weakest{};  // GL 1.0: software mipmaps, no compression
    weakest.glVersion = 1.0f;
    GraphicsCaps compressing{};
    compressing.glVersion = 1.1f;
    compressing.textureMemory = 0x01400000;
    compressing.pvrtc = compressing.atitc = true;
    GraphicsCaps* const kept = g_graphicsCaps;
    for (GraphicsCaps* caps : {&weakest, &compressing}) {
        g_graphicsCaps = caps;
        for (bool mipmapped : {false, true}) {
            Texture* atc = createTexture("/fuzz.atc", kSourceATC);
            if (loadAtcTexture(atc, copy, size, mipmapped)) {
                require(atc->format == kFormatATC);
                require(atc->paddedWidth >= atc->width && atc->paddedHeight >= atc->height);
            }
            destroyTexture(atc);
            Texture* pvr = createTexture("/fuzz.pvr", kSourcePVR);
            loadPvrTexture(pvr, copy, size, mipmapped);
            destroyTexture(pvr);
        }
    }
    g_graphicsCaps = kept;
    delete[] copy;
    return 0;
}
