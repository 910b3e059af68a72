// Pictures of the world for the tools and tests, drawn in the run's order with the run's camera.
#include "tools/assets/world_preview.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>

#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"

namespace {

constexpr int kGrassMesh = 0, kShadingMesh = 1, kSkyMesh = 2, kFirstTree = 3, kLastTree = 8;
constexpr int kShadowMesh = 16, kHorizonMesh = 18, kFirstShrub = 20, kLastShrub = 23;
constexpr int kLeavesMesh = 24, kDeathMesh = 25, kFirstSign = 26;

bool isTinted(int mesh) {
    return (mesh >= kFirstTree && mesh <= kLastTree) ||
           (mesh >= kFirstShrub && mesh <= kLastShrub) || mesh == kDeathMesh;
}
bool castsShadow(int mesh) {
    return (mesh >= kFirstTree && mesh <= kLastTree) || mesh == kDeathMesh;
}

struct Eye {
    float x, y;
};

void backdrop(Engine3D* engine, ObjectHandle mesh, Eye eye) {
    resetModelView(engine);
    translate(engine, eye.x, eye.y, 0);
    scale3(engine, kBackdropStretchX, 1, 1);
    drawObject(engine, mesh);
}

}  // namespace

bool loadWorldPreviewAssets(Engine3D* engine, const char* modelEntry, WorldPreviewAssets* out) {
    *out = WorldPreviewAssets();
    out->model = loadModel(engine, modelEntry);
    if (!out->model) return false;
    for (int t = 0; t < kWorldTextureTypes; ++t) {
        if (kWorldTextureFiles[t])
            out->textures[t] = loadTexture(engine, kWorldTextureFiles[t], true);
    }
    for (int m = 0; m < kWorldMeshCount; ++m) {
        out->meshes[m] = findObject(engine, out->model, kWorldMeshes[m].name);
        const ObjectHandle texture = out->textures[kWorldMeshes[m].textureType];
        if (out->meshes[m] && texture) setObjectTexture(engine, out->meshes[m], 0, texture);
    }
    return true;
}

void setRunCamera(Engine3D* engine, float runnerX, float runnerY, float rollDegrees) {
    const float roll = rollDegrees * 3.14159265f / 180.0f;
    const Vec3 eye = {runnerX, runnerY - kRunEyeBehind, kRunEyeHeight};
    Vec3 forward = {0, kRunTargetAhead, -kRunTargetDrop};
    normalize(forward);
    setPerspective(engine, kRunFieldOfView, 1.5f, kRunNearPlane, kRunFarPlane);  // aspect unused
    setCamera(engine, eye, forward, {std::sin(roll), 0, std::cos(roll)});
}

uint32_t objectDistanceColour(float ahead) {
    const float d = std::clamp(ahead / kObjectRange, 0.0f, 1.0f);
    const float c = d >= 0.75f ? 2 * (d - 0.75f) + 0.5f : d * 0.5f / 0.75f;
    return 0xFF000000u | static_cast<uint32_t>(static_cast<int>(c * 248)) << 16 |
           static_cast<uint32_t>(static_cast<int>(c * 255)) << 8 |
           static_cast<uint32_t>(static_cast<int>(c * 255));
}

void drawWorldPreview(Engine3D* engine, const WorldPreviewAssets& assets,
                      const WorldPreviewFrame& frame) {
    const ObjectHandle* mesh = assets.meshes;
    setRunCamera(engine, frame.runnerX, frame.runnerY, frame.rollDegrees);
    const Eye eye = {frame.runnerX, frame.runnerY - kRunEyeBehind};
    std::vector<WorldPreviewItem> items;
    for (const WorldPreviewItem& item : frame.items)
        if (item.y - eye.y < kObjectRange) items.push_back(item);
    std::stable_sort(
        items.begin(), items.end(),
        [](const WorldPreviewItem& a, const WorldPreviewItem& b) { return a.y > b.y; });

    begin3D(engine);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Ground cells round the eye, then the light multiplied onto them.
    const float row0 = std::floor(eye.y / kGrassTileDepth);
    const float column0 = std::floor((eye.x + kGrassTileHalfWidth) / (2 * kGrassTileHalfWidth));
    for (int i = 0; i <= 5; ++i)
        for (int j = -1; j <= 1; ++j) {
            resetModelView(engine);
            translate(engine, (column0 + j) * 2 * kGrassTileHalfWidth, (row0 + i) * kGrassTileDepth,
                      0);
            drawObject(engine, mesh[kGrassMesh]);
        }
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    backdrop(engine, mesh[kShadingMesh], eye);
    for (const WorldPreviewItem& item : items) {
        if (!castsShadow(item.mesh)) continue;
        resetModelView(engine);
        translate(engine, item.x, item.y, 0);
        scale3(engine, item.scale, item.scale, 1);
        drawObject(engine, mesh[kShadowMesh]);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);

    backdrop(engine, mesh[kSkyMesh], eye);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    backdrop(engine, mesh[kHorizonMesh], eye);

    for (const WorldPreviewItem& item : items) {
        const int m = item.mesh;
        resetModelView(engine);
        if (isTinted(m)) {
            setObjectColor(engine, mesh[m], objectDistanceColour(item.y - eye.y));
            translate(engine, item.x, item.y, 0);
            scale(engine, item.scale);
            drawObject(engine, mesh[m]);
        } else if (m >= kFirstSign) {
            translate(engine, item.x, item.y, kSignLift);
            scale(engine, kSignScale);
            drawObject(engine, mesh[m]);
        } else if (m + 1 < kWorldMeshCount) {
            translate(engine, item.x, item.y, kPickupHeight);
            scale(engine, 1.0f + 0.25f * std::cos(item.time * 6.2831855f));
            drawObject(engine, mesh[m]);
            resetModelView(engine);
            translate(engine, item.x, item.y, kPickupHeight);
            rotateZ(engine, item.time * 360.0f);
            drawObject(engine, mesh[m + 1]);
        }
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);

    // The canopy, its far rows fading in.
    glEnable(GL_BLEND);
    const float leafRow0 = std::floor(eye.y / kLeavesTileDepth);
    const float leafColumn0 = std::floor((eye.x + kLeavesTileHalf) / (2 * kLeavesTileHalf));
    for (int i = 3; i >= 0; --i) {
        const float rowY = (leafRow0 + i) * kLeavesTileDepth;
        const float a = std::clamp((kObjectRange - (rowY - eye.y)) / 10.0f, 0.0f, 1.0f);
        for (int j = -3; j <= 3; ++j) {
            resetModelView(engine);
            translate(engine, (leafColumn0 + j) * 2 * kLeavesTileHalf, rowY, kLeavesHeight);
            setObjectColor(engine, mesh[kLeavesMesh],
                           static_cast<uint32_t>(static_cast<int>(a * 255)) << 24 | 0xFFFFFFu);
            drawObject(engine, mesh[kLeavesMesh]);
        }
    }
    glDisable(GL_BLEND);
    end3D(engine);
}
