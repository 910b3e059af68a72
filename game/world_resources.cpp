// The named mesh table and the world resource steps.
#include "game/world_resources.h"

#include "engine3d/model_loader.h"
#include "game/scene.h"

const NamedMesh kNamedMeshes[kNamedMeshCount] = {
    {"grass", 0},          {"shading", 2},        {"sky", 2},
    {"tree_1", 1},         {"tree_2", 1},         {"tree_3", 1},
    {"tree_4", 1},         {"tree_5", 1},         {"tree_6", 1},
    {"pickup_coin_1", 1},  {"pickup_coin_2", 1},  {"pickup_x2_1", 1},
    {"pickup_x2_2", 1},    {"pickup_x3_1", 1},    {"pickup_x3_2", 1},
    {"pickup_slow", 1},    {"tree_shadow", 1},    {"crash", 3},
    {"horizon", 2},        {"mist", 4},           {"shrub_1", 1},
    {"shrub_2", 1},        {"shrub_3", 1},        {"shrub_4", 1},
    {"leaves_1", 5},       {"death", 1},          {"menu_text_distance", 6},
    {"menu_text_points", 6},
};

const char* const kTextureFiles[kTextureSlots] = {
    "/grass.pvr", "/trees.pvr", "/shading.pvr", "/crash.pvr", nullptr, "/leaves.pvr",
    "/menu_text.pvr",
};

namespace {

// Texture type loaded by steps 1 to 6, in order.
constexpr int32_t kTextureStepTypes[6] = {0, 1, 3, 2, 5, 6};

}  // namespace

void loadWorldStep(ForestScene* scene, int32_t step) {
    Engine3D* engine = scene->renderer;
    if (!engine) return;
    if (step == 0) {
        scene->worldModel = loadModel(engine, "/world.kvm");
    } else if (step >= 1 && step <= 6) {
        const int32_t type = kTextureStepTypes[step - 1];
        scene->textures[type] = loadTexture(engine, kTextureFiles[type], true);
    } else if (step == 7) {
        for (int32_t i = 0; i < kNamedMeshCount; ++i) {
            scene->meshes[i] = findObject(engine, scene->worldModel, kNamedMeshes[i].name);
            // An empty texture slot (type 4) is refused by the engine: the mesh keeps none.
            setObjectTexture(engine, scene->meshes[i], 0,
                             scene->textures[kNamedMeshes[i].textureType]);
        }
    }
}
