// What the world's meshes and pictures agree on: the 28 named meshes in the order the game looks
// them up, the texture each one is drawn with, the rectangles of the two atlases, and the camera
// and distances the pieces are built for.
#pragma once

#include <cstdint>

constexpr int kWorldMeshCount = 28;

// Texture types of the named meshes (the scene's texture slots).
enum WorldTextureType : int32_t {
    kTexGrass = 0,
    kTexTrees = 1,
    kTexShading = 2,
    kTexCrash = 3,
    kTexNone = 4,  // "mist": no picture
    kTexLeaves = 5,
    kTexMenuText = 6,
};
constexpr int kWorldTextureTypes = 7;

struct WorldMeshEntry {
    const char* name;
    int32_t textureType;
};

// Row order is the mesh index the game uses.
constexpr WorldMeshEntry kWorldMeshes[kWorldMeshCount] = {
    {"grass", kTexGrass},
    {"shading", kTexShading},
    {"sky", kTexShading},
    {"tree_1", kTexTrees},
    {"tree_2", kTexTrees},
    {"tree_3", kTexTrees},
    {"tree_4", kTexTrees},
    {"tree_5", kTexTrees},
    {"tree_6", kTexTrees},
    {"pickup_coin_1", kTexTrees},
    {"pickup_coin_2", kTexTrees},
    {"pickup_x2_1", kTexTrees},
    {"pickup_x2_2", kTexTrees},
    {"pickup_x3_1", kTexTrees},
    {"pickup_x3_2", kTexTrees},
    {"pickup_slow", kTexTrees},
    {"tree_shadow", kTexTrees},
    {"crash", kTexCrash},
    {"horizon", kTexShading},
    {"mist", kTexNone},
    {"shrub_1", kTexTrees},
    {"shrub_2", kTexTrees},
    {"shrub_3", kTexTrees},
    {"shrub_4", kTexTrees},
    {"leaves_1", kTexLeaves},
    {"death", kTexTrees},
    {"menu_text_distance", kTexMenuText},
    {"menu_text_points", kTexMenuText},
};

// Pack entry of each texture type; null for "mist".
constexpr const char* kWorldTextureFiles[kWorldTextureTypes] = {
    "/grass.pvr", "/trees.pvr",  "/shading.pvr",   "/crash.pvr",
    nullptr,      "/leaves.pvr", "/menu_text.pvr",
};

constexpr const char* kWorldModelFile = "/world.kvm";
constexpr const char* kLoadingPictureFile = "/logo_game.png";

// ---- The run camera the world is built for ----------------------------------------------------
constexpr float kRunEyeHeight = 2.0f;  // above the ground
constexpr float kRunEyeBehind = 2.0f;  // behind the runner
// The camera looks at a point kRunTargetAhead ahead of the eye and kRunTargetDrop below it.
constexpr float kRunTargetAhead = 10.0f;
constexpr float kRunTargetDrop = 1.0f;
constexpr float kRunFieldOfView = 75.0f;  // degrees across the landscape picture
constexpr float kRunNearPlane = 0.1f;
constexpr float kRunFarPlane = 100.0f;
constexpr float kRunMaxRoll = 30.0f;  // degrees of bank at full steering
constexpr float kObjectRange = 45.0f;      // objects are drawn only this close ahead of the eye
constexpr float kBackdropStretchX = 1.3f;  // sky, horizon and shading are drawn x-scaled by this

// Where the backdrops stand, ahead of the eye (between the object range and the far plane).
constexpr float kSkyDistance = 80.0f;
constexpr float kHorizonDistance = 72.0f;

// Ground and canopy tiles.
constexpr float kGrassTileHalfWidth = 20.0f;  // x -20..20
constexpr float kGrassTileDepth = 10.0f;      // y 0..10
constexpr float kGrassRepeat = 5.0f;          // world units per repeat of the grass picture
constexpr float kLeavesTileHalf = 10.0f;      // x -10..10
constexpr float kLeavesTileDepth = 20.0f;     // y 0..20
constexpr float kLeavesHeight = 7.0f;         // the canopy's height above the ground
constexpr float kLeavesRepeat = 10.0f;

// Obstacle scales the game draws trees with (their collision radius).
constexpr float kSmallestTreeScale = 0.15f;
constexpr float kLargestTreeScale = 0.6f;
constexpr float kDeathMarkerScale = 0.5f;
constexpr float kPickupHeight = 1.5f;
constexpr float kSignScale = 2.0f;
constexpr float kSignLift = 1.0f;    // signs are drawn this far up
constexpr float kSignAheadY = 7.0f;  // and this far ahead of the menu eye...
constexpr float kSignSideX = 3.0f;   // ...this far to the left (distance) and right (points)

// ---- Atlas rectangles (texels of a 256 x 256 picture, y down) ---------------------------------
struct AtlasRect {
    int x, y, w, h;
};
constexpr int kAtlasSize = 256;

// "/trees.pvr"
constexpr AtlasRect kBarkRects[6] = {{0, 0, 32, 128},  {32, 0, 32, 128},  {64, 0, 32, 128},
                                     {96, 0, 32, 128}, {128, 0, 32, 128}, {160, 0, 32, 128}};
constexpr AtlasRect kMarkerWoodRect = {192, 0, 32, 64};
constexpr AtlasRect kStoneRect = {224, 0, 32, 32};
constexpr AtlasRect kClothRect = {224, 32, 32, 32};
constexpr AtlasRect kWhiteRect = {192, 64, 32, 32};
constexpr AtlasRect kGlowRect = {224, 64, 32, 32};
constexpr AtlasRect kRingRect = {192, 96, 32, 32};
constexpr AtlasRect kClockRect = {224, 96, 32, 32};
constexpr AtlasRect kShrubRects[4] = {
    {0, 128, 64, 64}, {64, 128, 64, 64}, {0, 192, 64, 64}, {64, 192, 64, 64}};
constexpr AtlasRect kCoinFaceRect = {128, 128, 64, 64};
constexpr AtlasRect kX2BadgeRect = {192, 128, 64, 64};
constexpr AtlasRect kX3BadgeRect = {192, 192, 64, 64};
constexpr AtlasRect kGoldRimRect = {128, 192, 64, 16};
constexpr AtlasRect kCyanRimRect = {128, 208, 64, 16};
constexpr AtlasRect kMagentaRimRect = {128, 224, 64, 16};
constexpr AtlasRect kBlueRimRect = {128, 240, 64, 16};

// "/shading.pvr"
constexpr AtlasRect kSkyRect = {0, 0, 256, 128};
constexpr AtlasRect kHorizonRect = {0, 128, 256, 64};
constexpr AtlasRect kDappleRect = {0, 192, 256, 64};

// "/menu_text.pvr"
constexpr AtlasRect kDistanceBoardRect = {0, 0, 256, 64};
constexpr AtlasRect kPointsBoardRect = {0, 64, 256, 64};
constexpr AtlasRect kSignWoodRect = {0, 128, 256, 64};
constexpr AtlasRect kSignBackRect = {0, 192, 256, 64};

// Sky heights above eye level (world units at kSkyDistance) that the sky picture spans, and the
// horizon strip's, with the picture row where eye level falls.
constexpr float kSkyBottom = -4.0f;
constexpr float kSkyTop = 44.0f;
constexpr float kSkySpan = 160.0f;  // units across, centred ahead; the sky's edges are stretched
constexpr float kHorizonBottom = -4.5f;
constexpr float kHorizonTop = 10.0f;
constexpr float kHorizonPeriod = 100.0f;  // the tree line repeats every this many units across
