// GraphicsCaps from the GL version and extension strings (plain substring searches).
#include "app/graphics_caps.h"

#include <cstring>

GraphicsCaps* g_graphicsCaps = nullptr;

float glVersionFromString(const char* version) {
    if (!version) return 1.0f;
    if (std::strstr(version, "1.0")) return 1.0f;
    if (std::strstr(version, "1.1")) return 1.1f;
    if (std::strstr(version, "2.0")) return 2.0f;
    return 1.0f;
}

bool hasExtension(const char* extensions, const char* name) {
    return extensions && std::strstr(extensions, name) != nullptr;
}

void buildGraphicsCaps(GraphicsCaps* caps, const char* version, const char* extensions) {
    caps->textureMemory = 0x01400000;  // 320.0
    caps->glVersion = glVersionFromString(version);
    caps->bufferObjects = caps->glVersion >= 1.1f;
    caps->pvrtc = hasExtension(extensions, "GL_IMG_texture_compression_pvrtc");
    caps->atitc = hasExtension(extensions, "GL_ATI_texture_compression_atitc") ||
                  hasExtension(extensions, "GL_ATI_compressed_texture_atitc");
}
