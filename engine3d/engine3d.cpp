// The engine context and its objects: creation, slots and lookups, textures and colours of
// objects, and the vertex stores with their GL buffers.
#include "engine3d/engine3d.h"

#include <GLES/gl.h>

#include <cstring>

#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "engine3d/skinned_mesh.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"

Engine3D* g_engine = nullptr;

namespace {

// Common form of the lookups: the slot of a handle in a table of `capacity` slots.
template <typename T>
int32_t lookupSlot(T* const* table, int32_t capacity, ObjectHandle handle, T** out) {
    const int32_t slot = handleSlot(handle);
    if (slot >= capacity) return kErrorBadSlot;
    if (!table[slot]) return kErrorEmptySlot;
    *out = table[slot];
    return 0;
}

void destroyStore(VertexStore* store) {
    if (!store) return;
    if (store->glBuffer) glDeleteBuffers(1, &store->glBuffer);
    unregisterResource(store);
    delete[] store->data;
    delete store;
}

void destroyGeometry(DynamicGeometry* geometry) {
    if (!geometry) return;
    delete[] geometry->positions;
    delete[] geometry->texCoords;
    delete[] geometry->indices;
    delete geometry;
}

template <typename T, typename F>
void destroyTable(T**& table, int32_t& capacity, F destroy) {
    for (int32_t i = 0; i < capacity; ++i) destroy(table[i]);
    delete[] table;
    table = nullptr;
    capacity = 0;
}

}  // namespace

Engine3D* createEngine3D() {
    Engine3D* engine = new Engine3D();
    engine->stores = new VertexStore*[kMaxStores]();
    engine->storeCapacity = kMaxStores;
    engine->identity = kIdentityMatrix;
    engine->view = kIdentityMatrix;
    engine->modelView = kIdentityMatrix;
    engine->cameraUp = {0, 0, 1};
    engine->cameraForward = {0, 1, 0};
    engine->cameraSide = {1, 0, 0};
    engine->boundTexture = -1;
    engine->textureMatrixId = -1;
    setViewport(engine, 0, 0, 480, 320);
    return engine;
}

void destroyEngine3D(Engine3D* engine) {
    if (!engine) return;
    destroyTable(engine->meshes, engine->meshCapacity, [](StaticMesh* m) { delete m; });
    destroyTable(engine->stores, engine->storeCapacity, destroyStore);
    destroyTable(engine->skins, engine->skinCapacity, destroySkinnedMesh);
    destroyTable(engine->skeletons, engine->skeletonCapacity, destroySkeleton);
    destroyTable(engine->geometries, engine->geometryCapacity, destroyGeometry);
    for (Texture*& texture : engine->textures) {
        destroyTexture(texture);
        texture = nullptr;
    }
    if (g_engine == engine) g_engine = nullptr;
    delete engine;
}

int32_t findStoreSlot(const Engine3D* engine) {
    for (int32_t i = 0; i < engine->storeCapacity; ++i)
        if (!engine->stores[i]) return i;
    return -1;
}

int32_t lookupMesh(const Engine3D* engine, ObjectHandle handle, StaticMesh** out) {
    return lookupSlot(engine->meshes, engine->meshCapacity, handle, out);
}

int32_t lookupSkin(const Engine3D* engine, ObjectHandle handle, SkinnedMesh** out) {
    return lookupSlot(engine->skins, engine->skinCapacity, handle, out);
}

int32_t lookupGeometry(const Engine3D* engine, ObjectHandle handle, DynamicGeometry** out) {
    return lookupSlot(engine->geometries, engine->geometryCapacity, handle, out);
}

int32_t lookupStore(const Engine3D* engine, ObjectHandle handle, VertexStore** out) {
    return lookupSlot(engine->stores, engine->storeCapacity, handle, out);
}

Texture* lookupTexture(const Engine3D* engine, ObjectHandle handle) {
    if (handleType(handle) != kHandleTexture) return nullptr;
    const int32_t slot = handleSlot(handle);
    return slot < kMaxTextures ? engine->textures[slot] : nullptr;
}

namespace {

int32_t findTextureSlot(Engine3D* engine) {
    for (int32_t i = 0; i < kMaxTextures; ++i)
        if (!engine->textures[i]) return i;
    engine->lastError = kErrorTexturesFull;
    return -1;
}

ObjectHandle storeTexture(Engine3D* engine, int32_t slot, Texture* texture) {
    if (!texture) {
        engine->lastError = kErrorTextureFile;
        return 0;
    }
    engine->textures[slot] = texture;
    // The upload bound textures behind the 2D cache.
    g_boundTexture2D = -1;
    return kHandleTexture | static_cast<ObjectHandle>(slot);
}

}  // namespace

ObjectHandle loadTexture(Engine3D* engine, const char* path, bool mipmaps) {
    const int32_t slot = findTextureSlot(engine);
    if (slot < 0) return 0;
    Texture* texture = path ? loadTextureByName(path, mipmaps) : nullptr;
    return storeTexture(engine, slot, texture);
}

ObjectHandle loadTexture(Engine3D* engine, Texture* texture) {
    const int32_t slot = findTextureSlot(engine);
    return slot < 0 ? 0 : storeTexture(engine, slot, texture);
}

namespace {

// Applies onStatic or onSkin to the mesh a handle names: 0, or the lookup failure. Other handle
// types are ignored (0).
template <typename OnStatic, typename OnSkin>
int32_t withMesh(Engine3D* engine, ObjectHandle object, OnStatic onStatic, OnSkin onSkin) {
    int32_t status = 0;
    if (handleType(object) == kHandleStaticMesh) {
        StaticMesh* mesh;
        status = lookupMesh(engine, object, &mesh);
        if (!status) onStatic(mesh);
    } else if (handleType(object) == kHandleSkinnedMesh) {
        SkinnedMesh* skin;
        status = lookupSkin(engine, object, &skin);
        if (!status) onSkin(skin);
    }
    return status;
}

}  // namespace

int32_t setObjectTexture(Engine3D* engine, ObjectHandle object, int32_t unit,
                         ObjectHandle texture) {
    Texture* found = lookupTexture(engine, texture);
    if (!found) return kErrorEmptySlot;
    if (unit != 0 && unit != 1) return kErrorBadArgument;
    return withMesh(
        engine, object, [&](StaticMesh* mesh) { mesh->textures[unit] = found; },
        [&](SkinnedMesh* skin) { skin->texture = found; });
}

int32_t setObjectColor(Engine3D* engine, ObjectHandle object, uint32_t argb) {
    int32_t rgba[4];
    unpackColour(argb, rgba);
    return withMesh(
        engine, object,
        [&](StaticMesh* mesh) {
            mesh->useConstantColour = 1;
            std::memcpy(mesh->constantColour, rgba, sizeof mesh->constantColour);
        },
        [&](SkinnedMesh* skin) {
            skin->useConstantColour = 1;
            std::memcpy(skin->constantColour, rgba, sizeof skin->constantColour);
        });
}

int32_t clearObjectColor(Engine3D* engine, ObjectHandle object) {
    return withMesh(
        engine, object, [](StaticMesh* mesh) { mesh->useConstantColour = 0; },
        [](SkinnedMesh* skin) { skin->useConstantColour = 0; });
}

ObjectHandle createGeometry(Engine3D* engine, const float* positions, const float* texCoords,
                            int32_t vertexCount, const uint16_t* indices, int32_t indexCount,
                            ObjectHandle texture) {
    bool valid = vertexCount >= 0 && indexCount >= 0 && (positions || vertexCount == 0) &&
                 (indices || indexCount == 0) && (texture == 0 || lookupTexture(engine, texture));
    for (int32_t i = 0; valid && i < indexCount; ++i) valid = indices[i] < vertexCount;
    const int32_t slot = valid ? findSlot(engine->geometries, engine->geometryCapacity) : -1;
    if (slot < 0) {
        engine->lastError = valid ? kErrorModelSlots : kErrorBadArgument;
        return 0;
    }
    DynamicGeometry* g = new DynamicGeometry();
    g->engine = engine;
    g->handle = kHandleGeometry | static_cast<ObjectHandle>(slot);
    g->vertexCount = vertexCount;
    g->indexCount = indexCount;
    g->positions = new float[static_cast<size_t>(vertexCount) * 3 + 1]();
    std::memcpy(g->positions, positions, sizeof(float) * 3 * static_cast<size_t>(vertexCount));
    if (texCoords) {
        g->texCoords = new float[static_cast<size_t>(vertexCount) * 2 + 1]();
        std::memcpy(g->texCoords, texCoords, sizeof(float) * 2 * static_cast<size_t>(vertexCount));
    }
    g->indices = new uint16_t[static_cast<size_t>(indexCount) + 1]();
    std::memcpy(g->indices, indices, sizeof(uint16_t) * static_cast<size_t>(indexCount));
    g->texture = texture ? lookupTexture(engine, texture) : nullptr;
    engine->geometries[slot] = g;
    return g->handle;
}

bool usesBufferObjects() {
    return g_graphicsCaps && g_graphicsCaps->bufferObjects;
}

uintptr_t bindStore(Engine3D* engine, const VertexStore* store) {
    if (!usesBufferObjects()) return store ? reinterpret_cast<uintptr_t>(store->data) : 0;
    const uint32_t buffer = store ? store->glBuffer : 0;
    if (buffer != engine->boundArrayBuffer) {
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        engine->boundArrayBuffer = buffer;
        ++engine->statBufferBinds;
    }
    // A store that was never uploaded is drawn from its client copy.
    if (store && !buffer) return reinterpret_cast<uintptr_t>(store->data);
    return 0;
}

void unbindStore(Engine3D* engine) {
    if (!usesBufferObjects()) return;
    engine->boundArrayBuffer = 0;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void uploadStore(VertexStore* store) {
    if (!usesBufferObjects() || !store) return;
    glGenBuffers(1, &store->glBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, store->glBuffer);
    glBufferData(GL_ARRAY_BUFFER, store->size, store->data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // The engine's cached binding is no longer what GL has.
    if (store->engine) store->engine->boundArrayBuffer = 0;
    registerResource(kResourceVertexStore, store);
}
