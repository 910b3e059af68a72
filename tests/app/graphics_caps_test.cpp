// The capability record from GL strings.
#include <gtest/gtest.h>

#include "app/graphics_caps.h"

TEST(GraphicsCaps, VersionTestsRunInOrder) {
    EXPECT_FLOAT_EQ(glVersionFromString("OpenGL ES-CM 1.1 Mesa 22.3.6"), 1.1f);
    // "1.0" anywhere wins, even with "1.1" present.
    EXPECT_FLOAT_EQ(glVersionFromString("OpenGL ES-CM 1.1 driver 1.0.3"), 1.0f);
    EXPECT_FLOAT_EQ(glVersionFromString("OpenGL ES 2.0"), 2.0f);
    EXPECT_FLOAT_EQ(glVersionFromString("OpenGL ES 3.2"), 1.0f);
    EXPECT_FLOAT_EQ(glVersionFromString(nullptr), 1.0f);
}

TEST(GraphicsCaps, FlagsFromStrings) {
    GraphicsCaps caps{};
    buildGraphicsCaps(&caps, "OpenGL ES-CM 1.1", "GL_OES_foo GL_ATI_compressed_texture_atitc");
    EXPECT_EQ(caps.textureMemory, 0x01400000);
    EXPECT_TRUE(caps.bufferObjects);
    EXPECT_TRUE(caps.atitc);  // the second name alone is enough
    EXPECT_FALSE(caps.pvrtc);

    buildGraphicsCaps(&caps, "OpenGL ES-CM 1.0", "GL_IMG_texture_compression_pvrtc");
    EXPECT_FALSE(caps.bufferObjects);
    EXPECT_TRUE(caps.pvrtc);
    EXPECT_FALSE(caps.atitc);

    buildGraphicsCaps(&caps, nullptr, nullptr);
    EXPECT_FLOAT_EQ(caps.glVersion, 1.0f);
    EXPECT_FALSE(caps.bufferObjects || caps.pvrtc || caps.atitc);
}
