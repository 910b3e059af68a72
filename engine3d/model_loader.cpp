// The model loader: hands a parsed model file to the engine (slots, handles, the GL buffer of its
// vertex store), loads model files from the resource pack, and finds objects by name.
#include "engine3d/model_loader.h"

#include <cstring>

#include "engine3d/skinned_mesh.h"
#include "storage/pack.h"

namespace {

constexpr size_t kNameBytes = 32;

// Objects a growable table can still take: its empty slots and what it may grow by.
template <typename T>
int64_t freeSlots(T* const* table, int32_t capacity) {
    int64_t room = kMaxTableSlots - capacity;
    for (int32_t i = 0; i < capacity; ++i) room += table[i] == nullptr;
    return room;
}

}  // namespace

ObjectHandle loadModelFromMemory(Engine3D* engine, const void* data, size_t size) {
    const int32_t storeSlot = findStoreSlot(engine);
    if (storeSlot < 0) {
        engine->lastError = kErrorModelSlots;
        return 0;
    }
    ModelParse parse;
    if (parseModel(data, size, &parse)) {
        engine->lastError = parse.error;
        return 0;
    }
    if (freeSlots(engine->meshes, engine->meshCapacity) <
            static_cast<int64_t>(parse.meshes.size()) ||
        freeSlots(engine->skeletons, engine->skeletonCapacity) <
            static_cast<int64_t>(parse.skeletons.size()) ||
        freeSlots(engine->skins, engine->skinCapacity) < static_cast<int64_t>(parse.skins.size())) {
        engine->lastError = kErrorModelSlots;
        return 0;
    }

    VertexStore* store = parse.store;
    parse.store = nullptr;
    store->engine = engine;
    store->handle = kHandleModel | static_cast<ObjectHandle>(storeSlot);
    engine->stores[storeSlot] = store;
    for (StaticMesh* mesh : parse.meshes) {
        const int32_t slot = findSlot(engine->meshes, engine->meshCapacity);
        engine->meshes[slot] = mesh;
        mesh->engine = engine;
        mesh->handle = kHandleStaticMesh | static_cast<ObjectHandle>(slot);
        mesh->modelHandle = store->handle;
        mesh->store = store;
    }
    for (Skeleton* skeleton : parse.skeletons) {
        const int32_t slot = findSlot(engine->skeletons, engine->skeletonCapacity);
        engine->skeletons[slot] = skeleton;
        skeleton->engine = engine;
        skeleton->modelHandle = store->handle;
    }
    for (SkinnedMesh* skin : parse.skins) {
        const int32_t slot = findSlot(engine->skins, engine->skinCapacity);
        engine->skins[slot] = skin;
        skin->engine = engine;
        skin->modelHandle = store->handle;
    }
    parse.meshes.clear();
    parse.skeletons.clear();
    parse.skins.clear();
    uploadStore(store);
    return store->handle;
}

ObjectHandle loadModel(Engine3D* engine, const char* path) {
    const int32_t size = path ? entrySize(path) : -1;
    uint8_t* bytes = size >= 0 ? loadEntry(path) : nullptr;
    if (!bytes) {
        engine->lastError = kErrorModelFile;
        return 0;
    }
    const ObjectHandle model = loadModelFromMemory(engine, bytes, static_cast<size_t>(size));
    delete[] bytes;
    return model;
}

ObjectHandle findObject(Engine3D* engine, ObjectHandle model, const char* name) {
    if (handleType(model) != kHandleModel || !name) return 0;
    for (int32_t i = 0; i < engine->meshCapacity; ++i) {
        const StaticMesh* mesh = engine->meshes[i];
        if (mesh && mesh->modelHandle == model && !std::strncmp(mesh->name, name, kNameBytes))
            return mesh->handle;
    }
    for (int32_t i = 0; i < engine->skinCapacity; ++i) {
        const SkinnedMesh* skin = engine->skins[i];
        if (skin && skin->modelHandle == model && !std::strncmp(skin->name, name, kNameBytes))
            return kHandleSkinnedMesh | static_cast<ObjectHandle>(i);
    }
    return 0;
}
