// The screen effect's clock, and the entry points of the world drawing and the camera, which come
// with the world renderer.
#include "game/scene.h"

#include "game/hud.h"

ForestScene* g_forestScene = nullptr;
ScreenEffect* g_screenEffect = nullptr;

void cameraFollow(RunCamera* camera) { camera->state = kCameraFollow; }

void cameraUpdate(RunCamera*, Vec2) {}  // the world renderer places the eye behind the runner

void runDraw(const Run* run, ForestScene* scene, Graphics* g) {
    // The world renderer draws the forest here, before the HUD.
    hudDraw(run, scene, g);
}

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

// The world renderer draws the crash zoom and the white fade here.
void screenEffectDraw(const ScreenEffect*, ForestScene*, Graphics*) {}
