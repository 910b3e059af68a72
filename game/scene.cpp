// The following camera, the draw list, the world drawn in one 3D pass far to near, the run's draw
// and the screen effect (crash zoom, white fade).
#include "game/scene.h"

#include <GLES/gl.h>

#include <cmath>

#include "app/gl_state.h"
#include "engine3d/renderer.h"
#include "game/forest.h"
#include "game/hud.h"
#include "game/run.h"
#include "gfx2d/graphics.h"

ForestScene* g_forestScene = nullptr;
ScreenEffect* g_screenEffect = nullptr;

namespace {

constexpr float kTurnsToRadians = 6.2831855f;  // one animation second is one full turn
constexpr float kCrashZoomValueScale = 1.5f;   // the zoom is complete at 2/3 of the effect
constexpr float kCrashTurnDegrees = 90.0f;

float clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;  // NaN too
    return v < 1.0f ? v : 1.0f;
}

bool isTree(int32_t mesh) { return mesh >= kMeshFirstTree && mesh <= kMeshLastTree; }
bool isShrub(int32_t mesh) { return mesh >= kMeshFirstShrub && mesh <= kMeshLastShrub; }
bool castsShadow(int32_t mesh) { return isTree(mesh) || mesh == kMeshDeathMarker; }
bool isPickup(int32_t mesh) { return mesh == kMeshCoin || mesh == kMeshX2 || mesh == kMeshX3; }
bool isSign(int32_t mesh) { return mesh == kMeshSignDistance || mesh == kMeshSignPoints; }

Vec3 normalized(Vec3 v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(l > 0.0f)) return v;
    return {v.x / l, v.y / l, v.z / l};
}

ObjectHandle meshHandle(const ForestScene* scene, int32_t mesh) {
    return mesh >= 0 && mesh < kNamedMeshCount ? scene->meshes[mesh] : 0;
}

// Draws a named mesh with the current modelView.
void drawMesh(ForestScene* scene, int32_t mesh) {
    drawObject(scene->renderer, meshHandle(scene, mesh));
}

// A backdrop (sky, horizon, shading) stands at the eye's ground point, stretched across.
void drawBackdrop(ForestScene* scene, int32_t mesh) {
    Engine3D* e = scene->renderer;
    resetModelView(e);
    translate(e, scene->eye.x, scene->eye.y, 0.0f);
    scale3(e, kBackdropStretch, 1.0f, 1.0f);
    drawMesh(scene, mesh);
}

void drawGround(ForestScene* scene) {
    Engine3D* e = scene->renderer;
    for (int32_t i = 0; i < kGroundRows; ++i) {
        for (int32_t j = -1; j <= 1; ++j) {
            const Vec2 tile = groundTile(scene->eye, i, j);
            resetModelView(e);
            translate(e, tile.x, tile.y, 0.0f);
            drawMesh(scene, kMeshGrass);
        }
    }
    // The shading darkens the grass by multiplying with its own colour.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    drawBackdrop(scene, kMeshShading);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void drawShadows(ForestScene* scene) {
    Engine3D* e = scene->renderer;
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    for (int32_t i = 0; i < scene->drawCount; ++i) {
        const DrawItem* item = scene->drawList[i];
        if (!castsShadow(item->mesh)) continue;
        resetModelView(e);
        translate(e, item->x, item->y, 0.0f);
        scale3(e, item->scale, item->scale, 1.0f);
        drawMesh(scene, kMeshTreeShadow);
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void drawObjectItem(ForestScene* scene, const DrawItem* item) {
    Engine3D* e = scene->renderer;
    const int32_t mesh = item->mesh;
    if (isTree(mesh) || isShrub(mesh) || mesh == kMeshDeathMarker) {
        setObjectColor(e, meshHandle(scene, mesh), objectColour(item->y - scene->eye.y));
        resetModelView(e);
        translate(e, item->x, item->y, 0.0f);
        scale(e, item->scale);
        drawMesh(scene, mesh);
    } else if (isPickup(mesh)) {
        const float t = item->animationTime;
        resetModelView(e);
        translate(e, item->x, item->y, kPickupLift);
        scale(e, 1.0f + kPickupPulse * std::cos(t * kTurnsToRadians));
        drawMesh(scene, mesh);
        resetModelView(e);
        translate(e, item->x, item->y, kPickupLift);
        rotateZ(e, t * 360.0f);
        drawMesh(scene, mesh + 1);
    } else if (isSign(mesh)) {
        resetModelView(e);
        translate(e, item->x, item->y, kModeSignLift);
        scale(e, kModeSignScale);
        drawMesh(scene, mesh);
    }
}

void drawObjects(ForestScene* scene) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int32_t i = 0; i < scene->drawCount; ++i) drawObjectItem(scene, scene->drawList[i]);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void drawLeaves(ForestScene* scene) {
    Engine3D* e = scene->renderer;
    const ObjectHandle leaves = meshHandle(scene, kMeshLeaves);
    glEnable(GL_BLEND);
    for (int32_t i = 3; i >= 0; --i) {
        const float ahead = leavesTile(scene->eye, i, 0).y - scene->eye.y;
        const uint32_t alpha = static_cast<uint32_t>(leavesAlpha(ahead) * 255.0f);
        for (int32_t j = -3; j <= 3; ++j) {
            const Vec2 tile = leavesTile(scene->eye, i, j);
            resetModelView(e);
            translate(e, tile.x, tile.y, kCanopyHeight);
            setObjectColor(e, leaves, alpha << 24 | 0xFFFFFFu);
            drawObject(e, leaves);
        }
    }
    glDisable(GL_BLEND);
}

}  // namespace

// ---- Camera ---------------------------------------------------------------------------------

void cameraFollow(RunCamera* camera) { camera->state = kCameraFollow; }

void cameraUpdate(RunCamera* camera, Vec2 runner) {
    if (camera->state != kCameraFollow) return;
    camera->eye = {runner.x, runner.y - kEyeBehind, kEyeHeight};
    camera->up = {std::sin(camera->roll), 0.0f, std::cos(camera->roll)};
    // The target is eye + (0, 10, -1): the direction is that offset.
    camera->forward = normalized({0.0f, kLookAhead, -kLookDown});
    camera->fieldOfView = kFieldOfView;
}

// ---- Scene ----------------------------------------------------------------------------------

void sceneBeginFrame(ForestScene* scene) { scene->drawCount = 0; }

void sceneSetView(ForestScene* scene, Vec3 eye, Vec3 forward, Vec3 up, float fieldOfView) {
    scene->eye = eye;
    scene->forward = forward;
    scene->up = up;
    scene->fieldOfView = fieldOfView;
    Engine3D* e = scene->renderer;
    if (!e) return;
    // The renderer takes the aspect from the device's screen.
    setPerspective(e, fieldOfView, 0.0f, kNearPlane, kFarPlane);
    setCamera(e, eye, forward, up);
}

void sceneSetCamera(ForestScene* scene, const RunCamera* camera) {
    sceneSetView(scene, camera->eye, camera->forward, camera->up, camera->fieldOfView);
}

bool sceneSubmit(ForestScene* scene, int32_t mesh, float x, float y, float scale,
                 float animationTime) {
    if (!(y - scene->eye.y < kDrawRange)) return false;
    if (scene->drawCount >= kMaxDrawItems) return false;
    DrawItem* item = &scene->items[scene->drawCount];
    *item = {x, y, scale, mesh, animationTime};
    scene->drawList[scene->drawCount++] = item;
    return true;
}

bool sceneSubmitObstacle(ForestScene* scene, int32_t type, float x, float y, float radius) {
    if (type >= 0 && type < kTreeTypes)
        return sceneSubmit(scene, kMeshFirstTree + type, x, y, radius, 0.0f);
    if (type == kObstacleDeathMarker)
        return sceneSubmit(scene, kMeshDeathMarker, x, y, radius, 0.0f);
    return false;
}

bool sceneSubmitPickup(ForestScene* scene, int32_t type, float x, float y, float radius,
                       float animationTime) {
    switch (type) {
        case kPickupCoin: return sceneSubmit(scene, kMeshCoin, x, y, 1.0f, animationTime);
        case kPickupX2: return sceneSubmit(scene, kMeshX2, x, y, 1.0f, animationTime);
        case kPickupX3: return sceneSubmit(scene, kMeshX3, x, y, 1.0f, animationTime);
        case kPickupShrub: return sceneSubmit(scene, kMeshFirstShrub, x, y, radius, 0.0f);
        default: return false;
    }
}

void scenePlaceModeSigns(ForestScene* scene) {
    const float y = scene->eye.y + kModeSignAhead;
    const int32_t meshes[2] = {kMeshSignDistance, kMeshSignPoints};
    const float sides[2] = {-kModeSignSide, kModeSignSide};
    for (int32_t i = 0; i < 2; ++i) {
        if (scene->drawCount >= kMaxDrawItems) return;
        DrawItem* item = &scene->items[scene->drawCount];
        *item = {scene->eye.x + sides[i], y, 1.0f, meshes[i], 0.0f};
        scene->drawList[scene->drawCount++] = item;
    }
}

void sceneSortDrawList(ForestScene* scene) {
    DrawItem** list = scene->drawList;
    const int32_t n = scene->drawCount;
    // Selection sort that moves the farthest remaining item to the front by shifting the ones
    // before it, so items of equal y keep their order.
    for (int32_t i = 0; i < n - 1; ++i) {
        int32_t far = i;
        for (int32_t k = i + 1; k < n; ++k)
            if (list[k]->y > list[far]->y) far = k;
        DrawItem* item = list[far];
        for (int32_t k = far; k > i; --k) list[k] = list[k - 1];
        list[i] = item;
    }
}

void sceneDraw(ForestScene* scene) {
    Engine3D* e = scene->renderer;
    if (!e) return;
    sceneSortDrawList(scene);
    begin3D(e);
    clearBuffers(kClearColor | kClearDepth);
    drawGround(scene);
    drawShadows(scene);
    drawBackdrop(scene, kMeshSky);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    drawBackdrop(scene, kMeshHorizon);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    drawObjects(scene);
    drawLeaves(scene);
    end3D(e);
}

void sceneDrawBackground(ForestScene* scene, Vec3 eye, Vec3 target, Vec3 up, float fieldOfView,
                         bool modeSigns) {
    sceneBeginFrame(scene);
    const Vec3 forward = normalized({target.x - eye.x, target.y - eye.y, target.z - eye.z});
    sceneSetView(scene, eye, forward, up, fieldOfView);
    if (modeSigns) scenePlaceModeSigns(scene);
    sceneDraw(scene);
}

float objectBrightness(float ahead) {
    const float d = clamp01(ahead / kDrawRange);
    return d >= 0.75f ? 2.0f * (d - 0.75f) + 0.5f : d * 0.5f / 0.75f;
}

uint32_t objectColour(float ahead) {
    const float c = objectBrightness(ahead);
    const uint32_t red = static_cast<uint32_t>(static_cast<int32_t>(c * 248.0f));
    const uint32_t other = static_cast<uint32_t>(static_cast<int32_t>(c * 255.0f));
    return 0xFF000000u | red << 16 | other << 8 | other;
}

float leavesAlpha(float ahead) { return clamp01((kDrawRange - ahead) / kLeavesFadeDepth); }

Vec2 groundTile(Vec3 eye, int32_t row, int32_t column) {
    const float r0 = std::floor(eye.y / kGroundRowStep);
    const float c0 = std::floor((eye.x + kGroundColumnStep * 0.5f) / kGroundColumnStep);
    return {c0 * kGroundColumnStep + static_cast<float>(column) * kGroundColumnStep,
            r0 * kGroundRowStep + static_cast<float>(row) * kGroundRowStep};
}

Vec2 leavesTile(Vec3 eye, int32_t row, int32_t column) {
    const float r0 = std::floor(eye.y / kLeavesStep);
    const float c0 = std::floor((eye.x + kLeavesStep * 0.5f) / kLeavesStep);
    return {c0 * kLeavesStep + static_cast<float>(column) * kLeavesStep,
            r0 * kLeavesStep + static_cast<float>(row) * kLeavesStep};
}

float crashZoomScale(float value) {
    const float v = clamp01(value);
    const float k = std::pow(kCrashZoomBase, v);
    return (k - 1.0f) / (kCrashZoomBase - 1.0f) * kCrashZoomScale;
}

uint32_t whiteFadeColour(float value) {
    return static_cast<uint32_t>(static_cast<int32_t>(clamp01(value) * 255.0f)) << 24 | kFadeRgb;
}

// ---- Screen effect --------------------------------------------------------------------------

void screenEffectStart(ScreenEffect* effect, int32_t type, bool forward, float seconds) {
    effect->type = type;
    effect->active = true;
    effect->forward = forward;
    effect->rate = seconds > 0.0f ? 1.0f / seconds : 1.0f;
    effect->time = 0.0f;
}

void screenEffectUpdate(ScreenEffect* effect, const FrameDelta& delta) {
    if (!effect->active) return;
    effect->time += effect->rate * delta.seconds;
    if (effect->time >= 1.0f) {
        effect->time = 1.0f;
        effect->active = false;
    }
}

float screenEffectValue(const ScreenEffect* effect) {
    const float v = effect->forward ? effect->time : 1.0f - effect->time;
    return effect->type == kEffectCrashZoom ? v * kCrashZoomValueScale : v;
}

void screenEffectDraw(const ScreenEffect* effect, ForestScene* scene, Graphics* g) {
    if (!effect || !effect->active) return;
    if (effect->type == kEffectCrashZoom) {
        if (scene) drawCrashZoom(scene, screenEffectValue(effect));
    } else if (effect->type == kEffectWhiteFade) {
        drawWhiteFade(g, screenEffectValue(effect));
    }
}

void drawCrashZoom(ForestScene* scene, float value) {
    Engine3D* e = scene->renderer;
    if (!e) return;
    const float v = clamp01(value);
    begin3D(e);
    beginOverlay(e);
    resetModelView(e);
    translate(e, kLogicalScreenWidth * 0.5f, kLogicalScreenHeight * 0.5f, 0.0f);
    scale(e, crashZoomScale(v));
    rotateZ(e, v * kCrashTurnDegrees);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    const ObjectHandle crash = meshHandle(scene, kMeshCrash);
    setObjectColor(e, crash, kCrashColour);
    drawObject(e, crash);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    end3D(e);
}

void drawWhiteFade(Graphics* g, float value) {
    if (!g) return;
    const uint32_t saved = g->color();
    g->setColor(whiteFadeColour(value));
    g->setClip(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    g->fillRect(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    g->setColor(saved);
}

// ---- Run ------------------------------------------------------------------------------------

void runDraw(const Run* run, ForestScene* scene, Graphics* g) {
    sceneBeginFrame(scene);
    sceneSetCamera(scene, &run->camera);
    const ObstaclePool& obstacles = run->obstacles;
    for (int32_t i = 0; i < obstacles.count; ++i) {
        const Obstacle* o = obstacles.list[i];
        sceneSubmitObstacle(scene, o->type, o->position.x, o->position.y, o->radius);
    }
    const PickupPool& pickups = run->pickups;
    for (int32_t i = pickups.count - 1; i >= 0; --i) {
        const Pickup* p = pickups.list[i];
        sceneSubmitPickup(scene, p->type, p->position.x, p->position.y, p->radius,
                          p->animationTime);
    }
    sceneDraw(scene);
    hudDraw(run, scene, g);
}
