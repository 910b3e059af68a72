// The capability record from the GL version and extension strings.
#include <gtest/gtest.h>

#include "app/graphics_caps.h"

// "1.0" anywhere wins, even beside "1.1"; versions other than 1.1 and 2.0 count as 1.0; buffer
// objects come with 1.1; either name of the ATI extension is enough.
TEST(GraphicsCaps, VersionAndFlagsFromTheGlStrings) {
    struct Case {
        const char *version, *extensions;
        float gl;
        bool bufferObjects, pvrtc, atitc;
    };
    const Case cases[] = {
        {"OpenGL ES-CM 1.1 Mesa 22.3.6", "GL_OES_a GL_ATI_compressed_texture_atitc", 1.1f, 1, 0, 1},
        {"OpenGL ES-CM 1.1 driver 1.0.3", "GL_ATI_texture_compression_atitc", 1.0f, 0, 0, 1},
        {"OpenGL ES 2.0", "GL_IMG_texture_compression_pvrtc", 2.0f, 1, 1, 0},
        {"OpenGL ES 3.2", "GL_IMG_texture_compression", 1.0f, 0, 0, 0},
        {nullptr, nullptr, 1.0f, 0, 0, 0},
    };
    for (const Case& c : cases) {
        GraphicsCaps caps{};
        buildGraphicsCaps(&caps, c.version, c.extensions);
        EXPECT_FLOAT_EQ(caps.glVersion, c.gl) << c.version;
        EXPECT_EQ(caps.textureMemory, 0x01400000);
        EXPECT_EQ(caps.bufferObjects * 100 + caps.pvrtc * 10 + caps.atitc,
                  c.bufferObjects * 100 + c.pvrtc * 10 + c.atitc) << c.version;
    }
}
