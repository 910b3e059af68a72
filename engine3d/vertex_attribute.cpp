// Vertex attribute formats and the packing of attributes into one interleaved vertex.
#include <GLES/gl.h>

#include "engine3d/engine3d.h"

namespace {

struct FormatInfo {
    uint32_t glType;
    int32_t componentBytes;
    const FixedMat4* scaleMatrix;
    int32_t scaleId;
};

FormatInfo formatInfo(int32_t format) {
    switch (format) {
        case kAttributeFixed: return {GL_FIXED, 4, nullptr, kScaleIdNone};
        case kAttributeShort8_8: return {GL_SHORT, 2, &kScale256Table, kScaleId256};
        case kAttributeShort1024: return {GL_SHORT, 2, &kScale1024Table, kScaleId1024};
        case kAttributeByte: return {GL_UNSIGNED_BYTE, 1, nullptr, kScaleIdNone};
        default: return {GL_FLOAT, 4, nullptr, kScaleIdNone};
    }
}

}  // namespace

void setAttributeFormat(VertexAttribute* attribute, int32_t format, int32_t components) {
    const FormatInfo info = formatInfo(format);
    attribute->format = format;
    attribute->glType = info.glType;
    attribute->byteSize = components * info.componentBytes;
    attribute->scaleMatrix = info.scaleMatrix;
    attribute->scaleId = info.scaleId;
}

int32_t layoutAttributes(VertexAttribute attributes[kAttributeCount], uint32_t mask) {
    int32_t stride = 0;
    for (int a = 0; a < kAttributeCount; ++a) {
        if (!(mask & (1u << a))) continue;
        attributes[a].offset = stride;
        stride += attributes[a].byteSize;
    }
    return stride;
}
