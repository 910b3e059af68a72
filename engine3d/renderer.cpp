// The 3D renderer: pass state, projection and camera, transforms, and drawing by handle.
#include "engine3d/renderer.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "gfx2d/graphics.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"

int32_t g_boundTexture2D = -1;

namespace {

constexpr double kHalfDegreeToRadian = 0.008726646;  // pi / 360
constexpr double kDegreeToRadian = 0.017453292;      // pi / 180
constexpr float kMinDirectionLength = 0.001f;

// The device's screen in pixels, portrait: the short side is horizontal.
void screenSides(int32_t* shortSide, int32_t* longSide) {
    static PDL_ScreenMetrics metrics;
    static bool known = PDL_GetScreenMetrics(&metrics) == 0;
    const bool valid = known && metrics.horizontalPixels > 0 && metrics.verticalPixels > 0;
    *shortSide = valid ? metrics.horizontalPixels : platform::kScreenWidth;
    *longSide = valid ? metrics.verticalPixels : platform::kScreenHeight;
}

void loadScreenProjection() {
    float m[16];
    rotatedOrthoMatrix(0, 480, 320, 0, -1, 1, m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
}

const void* attributePointer(uintptr_t base, int32_t dataOffset, const VertexAttribute& a) {
    return reinterpret_cast<const void*>(base + static_cast<uintptr_t>(dataOffset) +
                                         static_cast<uintptr_t>(a.offset));
}

// Loads the texture matrix for an attribute's scale id unless it is already loaded.
void useTextureMatrix(Engine3D* engine, const VertexAttribute& a) {
    if (engine->textureMatrixId == a.scaleId) return;
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixx(a.scaleMatrix ? a.scaleMatrix->m : kFixedIdentity.m);
    engine->textureMatrixId = a.scaleId;
    glMatrixMode(GL_MODELVIEW);
}

// Binds a unit-0 texture through the pass cache.
void useTexture(Engine3D* engine, const Texture* texture) {
    if (!texture || static_cast<int32_t>(texture->glName) == engine->boundTexture) return;
    glBindTexture(GL_TEXTURE_2D, texture->glName);
    engine->boundTexture = static_cast<int32_t>(texture->glName);
    ++engine->statTextureBinds;
}

void countDraw(Engine3D* engine, int32_t triangles) {
    engine->statTriangles += triangles;
    engine->statTrianglesAll += triangles;
    ++engine->statDrawCalls;
}

void drawStaticMesh(Engine3D* engine, const StaticMesh* mesh) {
    const VertexAttribute* attributes = mesh->attributes;
    const VertexAttribute& position = attributes[kAttrPosition];
    const VertexAttribute& unit0 = attributes[kAttrTexture0];
    const VertexAttribute& unit1 = attributes[kAttrTexture1];
    const VertexAttribute& colour = attributes[kAttrColour];

    useTextureMatrix(engine, unit0);
    if (position.scaleMatrix) glMultMatrixx(position.scaleMatrix->m);
    const uintptr_t base = bindStore(engine, mesh->store);
    const Texture* texture = mesh->textures[0];
    useTexture(engine, texture);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const bool colourArray = !mesh->useConstantColour && (mesh->attributeMask & kMaskColour);
    if (colourArray) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, colour.glType, mesh->stride,
                       attributePointer(base, mesh->dataOffset, colour));
    } else if (mesh->useConstantColour) {
        const int32_t* c = mesh->constantColour;
        glColor4x(c[0], c[1], c[2], c[3]);
    }
    const bool modulate =
        (mesh->useConstantColour || (mesh->attributeMask & kMaskColour)) && texture;
    if (modulate) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glVertexPointer(3, position.glType, mesh->stride,
                    attributePointer(base, mesh->dataOffset, position));
    glTexCoordPointer(2, unit0.glType, mesh->stride,
                      attributePointer(base, mesh->dataOffset, unit0));

    const bool secondUnit = (mesh->attributeMask & kMaskTexture1) != 0;
    if (secondUnit) {
        glActiveTexture(GL_TEXTURE1);
        glClientActiveTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, unit1.glType, mesh->stride,
                          attributePointer(base, mesh->dataOffset, unit1));
        glBindTexture(GL_TEXTURE_2D, mesh->textures[1] ? mesh->textures[1]->glName : 0);
        glTexEnvx(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        if (unit1.scaleMatrix) {
            glMatrixMode(GL_TEXTURE);
            glLoadMatrixx(unit1.scaleMatrix->m);
            glMatrixMode(GL_MODELVIEW);
        }
    }

    glDrawArrays(GL_TRIANGLES, 0, mesh->vertexCount);
    countDraw(engine, mesh->vertexCount / 3);

    if (secondUnit) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_2D);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE0);
    }
    if (modulate) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (colourArray) {
        glDisableClientState(GL_COLOR_ARRAY);
    } else if (mesh->useConstantColour) {
        glColor4x(kFixedOne, kFixedOne, kFixedOne, kFixedOne);
    }
}

// A skinned mesh: deformed on the CPU into its own vertex array, then drawn from client memory
// as indexed triangles. One whose skeleton has not been posed yet (all bone matrices zero) or
// that has no positions or triangles draws nothing.
void drawSkinnedMesh(Engine3D* engine, SkinnedMesh* skin) {
    if (!skin->skeleton || !skin->skeleton->posed || !(skin->attributeMask & kMaskPosition) ||
        skin->vertexCount <= 0 || skin->triangleCount <= 0 || !skin->triangles)
        return;
    deformSkin(skin);
    skin->deformed = 1;
    unbindStore(engine);

    const VertexAttribute* attributes = skin->attributes;
    const VertexAttribute& position = attributes[kAttrPosition];
    const VertexAttribute& unit0 = attributes[kAttrTexture0];
    if (skin->ownTextureMatrix) {
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixx(skin->textureMatrix.m);
        engine->textureMatrixId = -1;
        glMatrixMode(GL_MODELVIEW);
    } else {
        useTextureMatrix(engine, unit0);
    }
    if (position.scaleMatrix) glMultMatrixx(position.scaleMatrix->m);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const bool colourAttribute = (skin->attributeMask & kMaskColour) != 0;
    const bool glLit =
        skin->glLighting && skin->normalsReady && (skin->attributeMask & kMaskNormal);
    const bool modulate = skin->texture && (skin->useConstantColour || colourAttribute || glLit);
    useTexture(engine, skin->texture);
    if (modulate) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    const uintptr_t base = reinterpret_cast<uintptr_t>(skin->vertices);
    const bool colourArray = !skin->useConstantColour && colourAttribute;
    if (skin->useConstantColour) {
        const int32_t* c = skin->constantColour;
        glColor4x(c[0], c[1], c[2], kFixedOne);
        glDisableClientState(GL_COLOR_ARRAY);
    } else if (colourArray) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, attributes[kAttrColour].glType, skin->stride,
                       attributePointer(base, 0, attributes[kAttrColour]));
    }
    glVertexPointer(3, position.glType, skin->stride, attributePointer(base, 0, position));
    glTexCoordPointer(2, unit0.glType, skin->stride, attributePointer(base, 0, unit0));
    if (glLit) {
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(attributes[kAttrNormal].glType, skin->stride,
                        attributePointer(base, 0, attributes[kAttrNormal]));
    }

    glDrawElements(GL_TRIANGLES, 3 * skin->triangleCount, GL_UNSIGNED_SHORT, skin->triangles);

    if (glLit) {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    if (modulate) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (colourArray) {
        glDisableClientState(GL_COLOR_ARRAY);
    } else if (skin->useConstantColour) {
        glColor4x(kFixedOne, kFixedOne, kFixedOne, kFixedOne);
    }
    engine->statTriangles += skin->vertexCount / 3;
    engine->statTrianglesAll += skin->triangleCount;
    ++engine->statDrawCalls;
}

void drawGeometry(Engine3D* engine, const DynamicGeometry* geometry) {
    unbindStore(engine);
    if (engine->textureMatrixId != kScaleIdNone) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        engine->textureMatrixId = kScaleIdNone;
        glMatrixMode(GL_MODELVIEW);
    }
    useTexture(engine, geometry->texture);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, geometry->positions);
    // Without coordinates of its own the array is off, so no earlier pointer is read.
    if (geometry->texCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, geometry->texCoords);
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glDrawElements(GL_TRIANGLES, geometry->indexCount, GL_UNSIGNED_SHORT, geometry->indices);
    countDraw(engine, geometry->indexCount / 3);
    if (!geometry->texCoords) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

void bindTexture2D(uint32_t glName) {
    if (g_boundTexture2D == static_cast<int32_t>(glName)) return;
    g_boundTexture2D = static_cast<int32_t>(glName);
    glBindTexture(GL_TEXTURE_2D, glName);
}

int32_t begin3D(Engine3D* engine) {
    engine->in3D = 1;
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(engine->glViewport[0], engine->glViewport[1], engine->glViewport[2],
               engine->glViewport[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(engine->projection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(engine->view.m);
    engine->boundTexture = -1;
    engine->textureMatrixId = -1;
    engine->boundArrayBuffer = 0;
    int32_t shortSide, longSide;
    screenSides(&shortSide, &longSide);
    setViewport(engine, 0, 0, longSide, shortSide);
    engine->statTriangles = engine->statDrawCalls = engine->statTrianglesAll = 0;
    engine->statTextureBinds = engine->statBufferBinds = 0;
    return 0;
}

int32_t end3D(Engine3D* engine) {
    engine->in3D = 0;
    if (usesBufferObjects()) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        engine->boundArrayBuffer = 0;
    }
    glDisableClientState(GL_COLOR_ARRAY);
    g_boundTexture2D = -1;
    loadScreenProjection();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    return 0;
}

void beginOverlay(Engine3D* engine) {
    loadScreenProjection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    engine->view = kIdentityMatrix;
}

void setViewport(Engine3D* engine, int32_t x, int32_t y, int32_t width, int32_t height) {
    engine->glViewport[0] = y;
    engine->glViewport[1] = x;
    engine->glViewport[2] = height;
    engine->glViewport[3] = width;
    engine->screenViewport[0] = x;
    engine->screenViewport[1] = y;
    engine->screenViewport[2] = 480;
    engine->screenViewport[3] = 320;
    if (engine->in3D) glViewport(y, x, height, width);
}

int32_t setPerspective(Engine3D* engine, float fovDeg, float /*aspect*/, float zNear, float zFar) {
    if (!(zNear >= 0 && zFar >= 0 && zNear < zFar && fovDeg > 0 && fovDeg <= 175))
        return kErrorPerspective;
    int32_t shortSide, longSide;
    screenSides(&shortSide, &longSide);
    const float a = static_cast<float>(shortSide) / static_cast<float>(longSide);
    const float k = 1.0f / a - 0.5f;
    const double half = static_cast<double>(fovDeg * k) * kHalfDegreeToRadian;
    const float t = static_cast<float>(zNear * std::sin(half) / std::cos(half));
    const float r = t * a;
    const float inv = 1.0f / (zFar - zNear);
    engine->projScaleX = zNear / t;
    engine->projScaleY = zNear / r;
    engine->nearPlane = zNear;
    engine->farPlane = zFar;
    Mat4& p = engine->projection;
    p = Mat4{};
    p[1] = -zNear / t;
    p[4] = zNear / r;
    p[10] = -(zFar + zNear) * inv;
    p[11] = -1;
    p[14] = zFar * -2 * zNear * inv;
    if (engine->in3D) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(p.m);
        glMatrixMode(GL_MODELVIEW);
    }
    return 0;
}

namespace {

float length(const Vec3& v) {
    return static_cast<float>(std::sqrt(static_cast<double>(v.x) * v.x +
                                        static_cast<double>(v.y) * v.y +
                                        static_cast<double>(v.z) * v.z));
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// v / |v|, or `fallback` when v is shorter than the smallest direction the camera accepts.
Vec3 direction(const Vec3& v, const Vec3& fallback) {
    const float l = length(v);
    if (!(l > kMinDirectionLength)) return fallback;
    return {v.x / l, v.y / l, v.z / l};
}

}  // namespace

int32_t setCamera(Engine3D* engine, Vec3 eye, Vec3 forward, Vec3 up) {
    const Vec3 f = direction(forward, engine->cameraForward);
    Vec3 u = direction(up, engine->cameraUp);
    const Vec3 s = direction(cross(f, u), engine->cameraSide);
    u = cross(s, f);
    engine->cameraUp = u;
    engine->cameraForward = f;
    engine->cameraSide = s;
    Mat4& v = engine->view;
    v = kIdentityMatrix;
    const Vec3 rows[3] = {s, u, {-f.x, -f.y, -f.z}};
    for (int r = 0; r < 3; ++r) {
        v[r] = rows[r].x;
        v[4 + r] = rows[r].y;
        v[8 + r] = rows[r].z;
    }
    for (int r = 0; r < 3; ++r) v[12 + r] = -(v[r] * eye.x + v[4 + r] * eye.y + v[8 + r] * eye.z);
    return 0;
}

void resetModelView(Engine3D* engine) {
    engine->modelView = engine->view;
}

void placeBillboard(Engine3D* engine, float x, float y, float z) {
    const Mat4& v = engine->view;
    Mat4& m = engine->modelView;
    m = kIdentityMatrix;
    for (int r = 0; r < 3; ++r) m[12 + r] = v[r] * x + v[4 + r] * y + v[8 + r] * z + v[12 + r];
}

void translate(Engine3D* engine, float x, float y, float z) {
    translate(engine->modelView, x, y, z);
}
void scale(Engine3D* engine, float s) {
    scale(engine->modelView, s);
}
void scale3(Engine3D* engine, float sx, float sy, float sz) {
    scale3(engine->modelView, sx, sy, sz);
}

void rotateZ(Engine3D* engine, float degrees) {
    const double angle = static_cast<double>(degrees) * kDegreeToRadian;
    const float c = static_cast<float>(std::cos(angle));
    const float s = static_cast<float>(std::sin(angle));
    Mat4& m = engine->modelView;
    for (int r = 0; r < 3; ++r) {
        const float column0 = m[r], column1 = m[4 + r];
        m[r] = c * column0 + s * column1;
        m[4 + r] = -s * column0 + c * column1;
    }
}

int32_t drawObject(Engine3D* engine, ObjectHandle handle) {
    switch (handleType(handle)) {
        case kHandleStaticMesh: {
            StaticMesh* mesh;
            const int32_t status = lookupMesh(engine, handle, &mesh);
            if (status) return status;
            glLoadMatrixf(engine->modelView.m);
            drawStaticMesh(engine, mesh);
            return 0;
        }
        case kHandleSkinnedMesh: {
            SkinnedMesh* skin;
            const int32_t status = lookupSkin(engine, handle, &skin);
            if (status) return status;
            glLoadMatrixf(engine->modelView.m);
            drawSkinnedMesh(engine, skin);
            return 0;
        }
        case kHandleGeometry: {
            DynamicGeometry* geometry;
            const int32_t status = lookupGeometry(engine, handle, &geometry);
            if (status) return status;
            glLoadMatrixf(engine->modelView.m);
            drawGeometry(engine, geometry);
            return 0;
        }
        default: return 0;
    }
}
