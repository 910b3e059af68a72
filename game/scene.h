// The world's drawing side as the run and the session reach it: the ForestScene that holds the
// world model's textures and named meshes and draws a frame, the RunCamera that follows the runner
// and rolls with the steering, and the full-screen ScreenEffect (crash zoom, white fade).
#pragma once

#include <cstdint>

#include "engine3d/engine3d.h"
#include "engine3d/math.h"
#include "game/frame_delta.h"
#include "game/vec2.h"

class Graphics;
struct Run;
struct Sprite;

constexpr int32_t kNamedMeshCount = 28;
constexpr int32_t kTextureSlots = 7;  // by texture type; slot 4 stays empty
constexpr int32_t kMaxDrawItems = 256;
constexpr int32_t kHudTextChars = 256;

constexpr int32_t kCameraFollow = 1;
constexpr float kFieldOfView = 75.0f;  // degrees

struct RunCamera {
    int32_t state;      // 1 follows the runner
    Vec3 eye;
    Vec3 forward;       // unit
    Vec3 up;
    float fieldOfView;  // degrees
    float roll;         // radians, set by the steering
};

struct DrawItem {
    float x, y;
    float scale;
    int32_t mesh;         // row of the named mesh table
    float animationTime;  // s
};

struct ForestScene {
    Engine3D* renderer;   // the application's 3D renderer
    Graphics* graphics;   // the 2D context of the current frame
    Vec3 eye, forward, up;  // the camera of this frame
    float fieldOfView;
    ObjectHandle worldModel;                 // "/world.kvm"
    ObjectHandle textures[kTextureSlots];    // by texture type
    ObjectHandle meshes[kNamedMeshCount];    // by mesh index
    Sprite* hudSprite;                       // "/hud.spr"
    uint16_t textBuffer[kHudTextChars];      // HUD text
    DrawItem items[kMaxDrawItems];
    DrawItem* drawList[kMaxDrawItems];
    int32_t drawCount;
};

enum ScreenEffectType : int32_t { kEffectCrashZoom = 0, kEffectWhiteFade = 1 };

struct ScreenEffect {
    int32_t type;   // ScreenEffectType
    bool active;
    bool forward;   // drawn with the time as it runs, else with 1 - time
    float time;     // 0..1
    float rate;     // 1 / duration in seconds
};

extern ForestScene* g_forestScene;
extern ScreenEffect* g_screenEffect;

// The camera follows the runner from now on.
void cameraFollow(RunCamera* camera);
// Places the camera behind and above the runner, banked by its roll.
void cameraUpdate(RunCamera* camera, Vec2 runner);
// The run's world, then its HUD.
void runDraw(const Run* run, ForestScene* scene, Graphics* g);

// active, forward, rate = 1 / seconds, time 0.
void screenEffectStart(ScreenEffect* effect, int32_t type, bool forward, float seconds);
// While active, time += rate * delta; at 1 the effect stops.
void screenEffectUpdate(ScreenEffect* effect, const FrameDelta& delta);
void screenEffectDraw(const ScreenEffect* effect, ForestScene* scene, Graphics* g);
