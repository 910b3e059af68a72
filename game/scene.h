// The world's drawing side as the run and the session reach it: the ForestScene that holds the
// world model's textures and named meshes and draws a frame (ground, shading, shadows, sky,
// horizon, the objects far to near, the leaf canopy), the RunCamera that follows the runner and
// rolls with the steering, and the full-screen ScreenEffect (crash zoom, white fade).
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
constexpr float kEyeBehind = 2.0f;     // the eye stands this far behind the runner...
constexpr float kEyeHeight = 2.0f;     // ...at this height
constexpr float kLookAhead = 10.0f;    // it looks at a point this far ahead of the eye...
constexpr float kLookDown = 1.0f;      // ...and this far below it
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 100.0f;

// Objects are submitted only while they are less than this far ahead of the eye (along y).
constexpr float kDrawRange = 45.0f;

// Rows of the named mesh table the drawing refers to.
enum SceneMesh : int32_t {
    kMeshGrass = 0,
    kMeshShading = 1,
    kMeshSky = 2,
    kMeshFirstTree = 3,  // tree_1 .. tree_6 are 3 .. 8
    kMeshLastTree = 8,
    kMeshCoin = 9,       // each pickup's pulsing part; the turning part is the next row
    kMeshX2 = 11,
    kMeshX3 = 13,
    kMeshTreeShadow = 16,
    kMeshCrash = 17,
    kMeshHorizon = 18,
    kMeshFirstShrub = 20,  // shrub_1 .. shrub_4 are 20 .. 23
    kMeshLastShrub = 23,
    kMeshLeaves = 24,
    kMeshDeathMarker = 25,
    kMeshSignDistance = 26,
    kMeshSignPoints = 27,
};

// Ground tiles: 6 rows of 10 units ahead of the eye's row, 3 columns of 40 around it.
constexpr float kGroundRowStep = 10.0f;
constexpr float kGroundColumnStep = 40.0f;
constexpr int32_t kGroundRows = 6;
// Canopy tiles: 4 rows and 7 columns of 20 units, 7 units up, fading in between 45 and 35 ahead.
constexpr float kLeavesStep = 20.0f;
constexpr float kCanopyHeight = 7.0f;
constexpr float kLeavesFadeDepth = 10.0f;
// Sky, horizon and shading are stretched across by this much.
constexpr float kBackdropStretch = 1.3f;
constexpr float kPickupLift = 1.5f;     // pickups float this high
constexpr float kPickupPulse = 0.25f;   // their pulsing part grows and shrinks by a quarter
constexpr float kModeSignLift = 1.0f;   // mode signs stand this high...
constexpr float kModeSignScale = 2.0f;  // ...at twice their size...
constexpr float kModeSignAhead = 7.0f;  // ...this far ahead of the eye...
constexpr float kModeSignSide = 3.0f;   // ...and this far to either side

constexpr float kCrashZoomBase = 1124.0f;    // the zoom grows as 1124^v...
constexpr float kCrashZoomScale = 4080.0f;   // ...to 4080 times the crash mesh's size
constexpr uint32_t kCrashColour = 0xFFE4ECEC;
constexpr uint32_t kFadeRgb = 0xE4ECEC;      // the white of the fade, under its alpha

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
    DrawItem* drawList[kMaxDrawItems];       // items in drawing order once sorted
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

// ---- Camera ---------------------------------------------------------------------------------
// The camera follows the runner from now on.
void cameraFollow(RunCamera* camera);
// While following: eye 2 behind the runner and 2 up, looking 10 ahead and 1 down, the up vector
// banked by the roll, field of view 75.
void cameraUpdate(RunCamera* camera, Vec2 runner);

// ---- Scene ----------------------------------------------------------------------------------
// Empties the draw list.
void sceneBeginFrame(ForestScene* scene);
// Takes eye, forward, up and field of view as this frame's camera and gives them to the renderer
// with the perspective (near 0.1, far 100).
void sceneSetView(ForestScene* scene, Vec3 eye, Vec3 forward, Vec3 up, float fieldOfView);
void sceneSetCamera(ForestScene* scene, const RunCamera* camera);
// Adds a draw item when y is less than 45 ahead of the eye and the list has room; false when
// nothing was added.
bool sceneSubmit(ForestScene* scene, int32_t mesh, float x, float y, float scale,
                 float animationTime);
// Tree type 0..5, or 6 for the marker of an earlier run, drawn at the obstacle's radius.
bool sceneSubmitObstacle(ForestScene* scene, int32_t type, float x, float y, float radius);
// Pickup type 1..4 (coin, x2, x3 at size 1 with their animation; the shrub at its radius).
bool sceneSubmitPickup(ForestScene* scene, int32_t type, float x, float y, float radius,
                       float animationTime);
// The two signs of the main menu, 7 ahead of the eye and 3 to either side (no range test).
void scenePlaceModeSigns(ForestScene* scene);
// Sorts the list far to near (stable) and draws the whole world in one 3D pass.
void sceneDraw(ForestScene* scene);
// The draw list ordered by y, largest first; items of equal y keep their order.
void sceneSortDrawList(ForestScene* scene);
// The forest behind the menus from a camera given by eye and target, with the mode signs when
// asked for.
void sceneDrawBackground(ForestScene* scene, Vec3 eye, Vec3 target, Vec3 up, float fieldOfView,
                         bool modeSigns);

// What the drawing computes, for the tests and tools.
// Brightness (0..1) of a tree, shrub or marker `ahead` units in front of the eye: dark near,
// 0.5 at 33.75, 1.0 at 45.
float objectBrightness(float ahead);
// The 0xAARRGGBB colour of that brightness (red a little under green and blue).
uint32_t objectColour(float ahead);
// Alpha (0..1) of the canopy row whose near edge is `ahead` units in front of the eye.
float leavesAlpha(float ahead);
// Where ground tile (row 0..5, column -1..1) and canopy tile (row 0..3, column -3..3) stand for
// an eye: the grids move in whole steps of 10 and 40 (ground rows and columns) and 20 (canopy).
Vec2 groundTile(Vec3 eye, int32_t row, int32_t column);
Vec2 leavesTile(Vec3 eye, int32_t row, int32_t column);
// Uniform scale of the crash mesh for an effect value (clamped to 0..1): 0 at 0, 4080 at 1.
float crashZoomScale(float value);
// The fade's 2D colour for a value clamped to 0..1.
uint32_t whiteFadeColour(float value);

// ---- Screen effect --------------------------------------------------------------------------
// active, forward, rate = 1 / seconds, time 0.
void screenEffectStart(ScreenEffect* effect, int32_t type, bool forward, float seconds);
// While active, time += rate * delta; at 1 the effect stops.
void screenEffectUpdate(ScreenEffect* effect, const FrameDelta& delta);
// While active: the crash zoom with 1.5 x its value, or the white fade with its value (the time,
// or 1 - time when running backwards).
void screenEffectDraw(const ScreenEffect* effect, ForestScene* scene, Graphics* g);
// The value an active effect is drawn with: 1.5 x (time or 1 - time) for the crash zoom, the
// time or 1 - time for the fade.
float screenEffectValue(const ScreenEffect* effect);
void drawCrashZoom(ForestScene* scene, float value);
void drawWhiteFade(Graphics* g, float value);

// ---- Run ------------------------------------------------------------------------------------
// The run's world (every obstacle in list order, every pickup in reverse), then its HUD.
void runDraw(const Run* run, ForestScene* scene, Graphics* g);
