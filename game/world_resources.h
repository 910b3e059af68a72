// The world's resources: the model "/world.kvm", the six textures by texture type, and the named
// mesh table whose row number is the mesh index the rest of the game uses. Loaded into the
// ForestScene one step per frame.
#pragma once

#include <cstdint>

struct ForestScene;

constexpr int32_t kWorldResourceSteps = 8;
constexpr int32_t kNoTexture = 4;  // texture type whose slot stays empty ("mist")

struct NamedMesh {
    char name[32];        // zero-padded
    int32_t textureType;  // slot of the scene's textures
};

extern const NamedMesh kNamedMeshes[28];
// File of each texture type; null for type 4.
extern const char* const kTextureFiles[7];

// Step 0 the model; 1 to 6 the textures "/grass.pvr", "/trees.pvr", "/crash.pvr",
// "/shading.pvr", "/leaves.pvr", "/menu_text.pvr" (with mipmaps); 7 looks up the 28 meshes by
// name and gives each the texture of its type. Without a renderer nothing loads; a resource that
// fails to load leaves its handle 0.
void loadWorldStep(ForestScene* scene, int32_t step);
