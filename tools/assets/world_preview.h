// Pictures of the world for the tools and tests: the world model and its textures loaded from
// the open resource pack into an engine, and a frame of the run drawn the way the run draws the
// world (ground, light, shadows, sky, tree line, objects far to near, canopy), from the run
// camera. Needs a current OpenGL ES context.
#pragma once

#include <vector>

#include "engine3d/engine3d.h"
#include "tools/assets/world_layout.h"

struct WorldPreviewAssets {
    ObjectHandle model = 0;
    ObjectHandle textures[kWorldTextureTypes] = {};  // by texture type; "mist" has none
    ObjectHandle meshes[kWorldMeshCount] = {};       // by mesh index; 0 where the name is missing
};

// Loads the model entry and the textures (with mipmaps, as the game does) from the open pack and
// gives each named mesh its texture. False when the model cannot be loaded; a missing texture or
// mesh only leaves its handle 0.
bool loadWorldPreviewAssets(Engine3D* engine, const char* modelEntry, WorldPreviewAssets* out);

struct WorldPreviewItem {
    float x, y;      // on the ground
    float scale;     // trees, shrubs, the marker: the obstacle's radius
    int mesh;        // mesh index; a pickup names its pulsing part
    float time = 0;  // pickups: animation time in seconds
};

struct WorldPreviewFrame {
    float runnerX = 0, runnerY = 0;
    float rollDegrees = 0;  // the camera's bank with the steering
    std::vector<WorldPreviewItem> items;
};

// The camera the run uses for a runner at (x, y) banked by roll: eye 2 behind and 2 up, looking
// at a point 10 ahead and 1 down; sets the engine's projection and view.
void setRunCamera(Engine3D* engine, float runnerX, float runnerY, float rollDegrees);
// Draws one frame into the current framebuffer (begin3D .. end3D).
void drawWorldPreview(Engine3D* engine, const WorldPreviewAssets& assets,
                      const WorldPreviewFrame& frame);
// The colour the run gives a tree, shrub or marker `ahead` units in front of the eye: dark near,
// brightening towards the end of the object range.
uint32_t objectDistanceColour(float ahead);
