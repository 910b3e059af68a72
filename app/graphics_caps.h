// GraphicsCaps: what the OpenGL ES implementation offers, read once at start-up from the GL
// strings and consulted by the renderer, the texture loader and the 2D context.
#pragma once

#include <cstdint>

struct GraphicsCaps {
    int32_t textureMemory;   // 16.16 fixed point; 320.0 at start-up (raw 0x01400000)
    float glVersion;         // 1.0, 1.1 or 2.0
    bool bufferObjects;      // vertex buffer objects usable (GL version >= 1.1)
    bool pvrtc;              // GL_IMG_texture_compression_pvrtc
    bool atitc;              // ATI texture compression (either extension name)
};

// The program-wide capability record (null before start-up has built it).
extern GraphicsCaps* g_graphicsCaps;

// Version from a GL_VERSION string, tested in order: "1.0", "1.1", "2.0"; null or none -> 1.0.
float glVersionFromString(const char* version);
// Substring test over a GL_EXTENSIONS string; a null string has no extensions.
bool hasExtension(const char* extensions, const char* name);
// Fills caps from the two GL strings as start-up does.
void buildGraphicsCaps(GraphicsCaps* caps, const char* version, const char* extensions);
