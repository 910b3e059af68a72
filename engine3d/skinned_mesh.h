// Skeletons and skinned meshes: the records the model loader fills from SKEL and SKIN chunks.
// Posing, deforming, lighting and the other operations on them are in engine3d/skinning.h; the
// renderer deforms a skinned mesh each time it draws it.
#pragma once

#include <cstdint>

#include "engine3d/engine3d.h"
#include "engine3d/math.h"

constexpr uint8_t kNoParentBone = 255;

struct Bone {
    uint8_t parent;  // index of an earlier bone, or kNoParentBone for a root
    Mat4 matrix;     // model-space pose after posing; all zero until then
};

struct AnimationClip {
    int32_t firstKey;    // index into Skeleton::keys
    // At least 1. The key of bone b at frame f is keys[firstKey + b * frameCount + f].
    int32_t frameCount;
};

struct Skeleton {
    Engine3D* engine;
    Bone* bones;  // owned, in file order
    int32_t boneCount;
    BoneKey* keys;         // owned: every key of every clip
    AnimationClip* clips;  // owned, in file order
    int32_t clipCount;
    ObjectHandle modelHandle;
    int32_t keyCount;
    uint8_t posed;  // set by the first successful pose; until then the bone matrices are all zero
};

// One vertex entry of a weighted binding, as kept in memory (8 bytes).
struct WeightEntry {
    uint16_t index;  // position (and vertex) index
    uint16_t flags;  // bit 0: the entry sets the vertex instead of adding to it
    float weight;
};
static_assert(sizeof(WeightEntry) == 8, "a weight entry is 8 bytes");

struct RigidBinding {
    Mat4* matrix;       // bind matrix, in SkinnedMesh::rigidMatrices
    uint16_t* indices;  // in SkinnedMesh::rigidIndices
    int32_t count;
};

struct WeightedBinding {
    Mat4* matrix;          // in SkinnedMesh::weightedMatrices
    WeightEntry* entries;  // in SkinnedMesh::weightEntries
    int32_t firstCount;    // leading entries with flag bit 0
    int32_t count;
};

// One skinned position: rest position, then its normal once computed.
struct SkinPosition {
    float x, y, z;
    float nx, ny, nz;
};

struct SkinnedMesh {
    Engine3D* engine;
    char name[32];  // NUL-padded; no terminator when all 32 are used
    ObjectHandle modelHandle;
    Skeleton* skeleton;       // the skeleton loaded last before this mesh
    SkinPosition* positions;  // owned, positionCount entries
    float* rotatedNormals;    // owned, 4 floats per position
    uint8_t normalsReady;
    int32_t positionCount;  // P
    int32_t vertexCount;    // V: from VRTs, else P
    int32_t stride;         // bytes per vertex of `vertices`
    uint32_t attributeMask;
    uint16_t* vertexEntries;  // owned, 3 per vertex when the file has VRTs, else null
    int32_t triangleCount;
    uint16_t* triangles;          // owned, 3 vertex indices per triangle, each below vertexCount
    RigidBinding* rigidBindings;  // owned, one per bone (count 0 where the file binds none)
    uint16_t* rigidIndices;
    Mat4* rigidMatrices;
    WeightedBinding* weightedBindings;  // owned, one per bone, or null without BNDW
    WeightEntry* weightEntries;
    Mat4* weightedMatrices;
    int32_t* selection;  // texture-region selection: count (itself included), then indices
    float* texCoords;    // owned, 2 per vertex: the unit-0 chunk read last, in texture units
    uint8_t* vertices;   // owned, vertexCount * stride bytes, interleaved
    Texture* texture;
    VertexAttribute attributes[kAttributeCount];
    int32_t matrixFormat;  // format of binding matrices: always kAttributeSkinFloat
    int32_t matrixBytes;   // 64
    uint8_t deformed;
    uint8_t useConstantColour;
    int32_t constantColour[3];  // r, g, b in 16.16
    uint8_t glLighting;
    uint8_t lightingOn;
    uint8_t weightedMode;  // 0 rigid skinning, else weighted
    uint8_t ownTextureMatrix;
    FixedMat4 textureMatrix;
    // Whether some weighted entry adds to a vertex before any entry has set it: 0 not yet
    // known, 1 no, 2 yes (such vertices are cleared before each weighted deform).
    uint8_t weightOrder;
};

// Releases a skeleton or a skinned mesh and everything it owns (null is allowed).
void destroySkeleton(Skeleton* skeleton);
void destroySkinnedMesh(SkinnedMesh* skin);
