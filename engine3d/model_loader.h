// The model file (".kvm", the game's "/world.kvm"): a tree of IFF-style chunks holding static
// meshes, skeletons with animation clips and skinned meshes. Loading parses the whole file into
// new objects first and only then gives them slots in the engine, so a rejected file leaves
// nothing behind; the vertex memory of the static meshes becomes one VertexStore (the model).
//
// File layout, little-endian, no alignment:
//   0   u32 lead word (ignored)
//   4   chunk HEAD: its payload is the top-level chunks MESH, SKEL, SKIN (others skipped)
//   chunk = tag (4 ASCII characters, compared as a big-endian u32) + u32 payload size + payload
//   MESH = name[32] + TRLI { POS? TEX? TX1? TX2? COL? }           static triangle list
//   SKEL = BON? + ANI?...                                          skeleton and clips
//   SKIN = name[32] + TRIX { POS? VRTs FACs COLb TEX? TX1? TX2? } + BIND { MAP?... }
//          [+ BNDW { MPW?... }]                                    skinned mesh
// The last tag character is the component encoding: f float, i 16.16, s 16-bit with a scale of
// the chunk family, b byte.
//
// Rejected files (0 returned, Engine3D::lastError set):
//   kErrorModelFile (-995)       the pack has no such entry
//   kErrorModelSlots (-1002)     all 32 model slots are in use (checked before parsing)
//   kErrorNotHead (-994)         shorter than 12 bytes, or the first chunk is not HEAD
//   kErrorSkin (-1000)           a SKIN lacks its TRIX chunk or the BIND chunk right after it
//   kErrorMalformedModel (-1001) a chunk header cut short or a chunk past its parent; a size
//       that is not a whole number of entries; an attribute chunk whose entry count differs from
//       the mesh's vertex count; a triangle, binding or weight index past its list; a bone whose
//       parent does not come before it; a SKIN before any SKEL; a SKEL without a BONi/BONs/BONf
//       list first or with zero bones; a clip without frames; more bindings than
//       bones; a MESH or SKIN too short for its name; a model larger than 2 GiB of vertices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine3d/engine3d.h"

// Tags as the loader compares them: the first character in the top byte.
constexpr uint32_t modelTag(const char (&s)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}

// A parsed model file whose objects belong to no engine yet (engine pointers and handles unset).
// Whatever it still owns is released with it.
struct ModelParse {
    VertexStore* store = nullptr;  // data and size of all static meshes' vertices
    std::vector<StaticMesh*> meshes;
    std::vector<Skeleton*> skeletons;
    std::vector<SkinnedMesh*> skins;
    int32_t error = 0;       // 0, or the code the file is rejected with
    size_t errorOffset = 0;  // file offset of the chunk header (or byte) at fault
    char reason[160] = {};   // one line saying why the file was rejected

    ModelParse() = default;
    ModelParse(const ModelParse&) = delete;
    ModelParse& operator=(const ModelParse&) = delete;
    ~ModelParse();
};

// Parses a whole model file held in memory (no GL, no engine): 0, or the failure code, also in
// out->error with out->reason. Every read is bounded by the buffer and its chunks.
int32_t parseModel(const void* data, size_t size, ModelParse* out);

// Parses the file, gives its objects slots in the engine (meshes in file order, then skeletons
// and skinned meshes in file order) and uploads the store: the model handle (kHandleModel | slot)
// or 0 with lastError set.
ObjectHandle loadModelFromMemory(Engine3D* engine, const void* data, size_t size);
// The same for a resource pack entry such as "/world.kvm" (kErrorModelFile when it is missing).
ObjectHandle loadModel(Engine3D* engine, const char* path);

// The static mesh of the model named `name` (compared over at most 32 characters) in the lowest
// slot, else such a skinned mesh, else 0. 0 also unless model is a model handle.
ObjectHandle findObject(Engine3D* engine, ObjectHandle model, const char* name);
