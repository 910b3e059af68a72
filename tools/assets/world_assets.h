// The world's data: the model "/world.kvm" with the 28 named meshes the game draws, its six PVRTC
// textures and the loading-screen picture, all made from code.
#pragma once

#include <vector>

#include "tools/writers/pack_writer.h"

// Appends the world's pack entries (deterministic bytes) to entries.
void addWorldAssets(std::vector<PackInput>& entries);
