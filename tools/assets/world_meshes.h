// The world model's meshes, built from code: ground and canopy tiles, the backdrops, six trunks,
// shrubs, pickups, the run marker, the crash flash and the two menu signs, each shaped for how
// the world drawing places, scales, colours and blends it.
#pragma once

#include <vector>

#include "tools/writers/model_writer.h"

// The 28 named meshes, in the order of the named mesh table (kWorldMeshes). Positions are
// floats, texture coordinates 1/1024 shorts; triangles face the camera counter-clockwise.
std::vector<MeshSource> buildWorldMeshes();

// The model file "/world.kvm" holding them.
ModelBytes buildWorldModel();
