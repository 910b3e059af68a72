// The skinned-mesh operations by handle: look the mesh up, then act on it (engine3d/skinning.cpp).
#include "engine3d/skinning.h"

namespace {

// Runs action on the skinned mesh a handle names: 0, or the lookup failure. Handles of other
// types are ignored.
template <typename Action>
int32_t withSkin(Engine3D* engine, ObjectHandle handle, Action action) {
    if (handleType(handle) != kHandleSkinnedMesh) return 0;
    SkinnedMesh* skin;
    const int32_t status = lookupSkin(engine, handle, &skin);
    if (status) {
        engine->lastError = status;
        return status;
    }
    action(skin);
    return 0;
}

}  // namespace

int32_t setSkinningMode(Engine3D* engine, ObjectHandle handle, uint8_t weighted) {
    return withSkin(engine, handle, [&](SkinnedMesh* s) { setSkinningMode(s, weighted); });
}

int32_t setSkinGlLighting(Engine3D* engine, ObjectHandle handle, uint8_t on) {
    return withSkin(engine, handle, [&](SkinnedMesh* s) { setSkinGlLighting(s, on); });
}

int32_t enableSkinLighting(Engine3D* engine, ObjectHandle handle) {
    return withSkin(engine, handle, [](SkinnedMesh* s) { enableSkinLighting(s); });
}

int32_t bakeSkinLighting(Engine3D* engine, ObjectHandle handle) {
    return withSkin(engine, handle, [](SkinnedMesh* s) { bakeSkinLighting(s); });
}

int32_t setTextureScroll(Engine3D* engine, ObjectHandle handle, float du, float dv) {
    return withSkin(engine, handle, [&](SkinnedMesh* s) { setTextureScroll(s, du, dv); });
}

int32_t selectTextureRegion(Engine3D* engine, ObjectHandle handle, float uMin, float vMin,
                            float uMax, float vMax) {
    return withSkin(engine, handle,
                    [&](SkinnedMesh* s) { selectTextureRegion(s, uMin, vMin, uMax, vMax); });
}
