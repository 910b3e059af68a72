// Model writer: builds ".kvm" model files from meshes, skeletons and skinned meshes held in
// memory, in any of the file's component encodings, plus the raw chunk pieces from which tools
// and tests assemble files by hand (odd or broken ones included).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine3d/math.h"

using ModelBytes = std::vector<uint8_t>;

// ---- Raw pieces ---------------------------------------------------------------------------------
constexpr uint32_t kModelLeadWord = 0x314D564B;  // "KVM1" as bytes; the loader ignores it

void appendU8(ModelBytes& out, uint8_t v);
void appendU16(ModelBytes& out, uint16_t v);
void appendU32(ModelBytes& out, uint32_t v);
void appendF32(ModelBytes& out, float v);
void appendBytes(ModelBytes& out, const ModelBytes& bytes);
// A chunk: the four characters of tag, the payload size, the payload.
ModelBytes modelChunk(const char* tag, const ModelBytes& payload);
// The payload made of several pieces one after another.
ModelBytes joinBytes(std::initializer_list<ModelBytes> parts);
// A 32-byte name field, NUL-padded (cut at 32 characters).
ModelBytes modelName(const std::string& name);
// Lead word, then HEAD with headPayload.
ModelBytes modelFile(const ModelBytes& headPayload);

// Components in an encoding: 'f' float, 'i' 16.16, 's' value x shortScale as a 16-bit integer,
// 'b' value x byteScale as a byte (both rounded and clamped); any other letter writes floats.
ModelBytes encodeComponents(const std::vector<float>& values, char encoding, float shortScale,
                            float byteScale = 1.0f);

// ---- Whole objects ------------------------------------------------------------------------------
struct MeshSource {
    std::string name;
    std::vector<float> positions;   // x, y, z per vertex
    char positionEncoding = 'f';    // f, i, s (8.8) or b
    std::vector<float> texCoords;   // u, v per vertex for unit 0; empty: none
    char texEncoding = 's';         // i or s (1/1024)
    std::string texTag = "TEX";     // "TEX" or "TX1": two names of unit 0
    std::vector<float> texCoords1;  // u, v per vertex for unit 1 (TX2); empty: none
    char tex1Encoding = 's';
    std::vector<uint8_t> colours;  // r, g, b per vertex; empty: none (written as COLb)
};

struct ClipSource {
    int32_t frames;
    std::vector<BoneKey> keys;  // bone after bone, each with `frames` keys
};

struct SkeletonSource {
    char encoding = 'f';           // f, i or s (translation 8.8, rotation 2.14)
    std::vector<uint8_t> parents;  // one per bone; 255 = root
    std::vector<ClipSource> clips;
};

struct BindingSource {
    Mat4 matrix;  // affine; written as its 3 x 4 rows
    std::vector<uint16_t> indices;
};

struct WeightSource {
    uint16_t index;
    uint16_t flags;
    float weight;
};

struct WeightedBindingSource {
    Mat4 matrix;
    std::vector<WeightSource> entries;
};

struct SkinSource {
    std::string name;
    std::vector<float> positions;                 // x, y, z per position
    char positionEncoding = 'f';                  // f, i or s
    std::vector<uint16_t> vertexEntries;          // three per vertex; empty: no VRTs (V = P)
    std::vector<uint16_t> triangles;              // three vertex indices per triangle
    std::vector<uint8_t> colours;                 // r, g, b per vertex; empty: none
    std::vector<float> texCoords;                 // u, v per vertex; empty: none
    char texEncoding = 's';                       // f, i, s (1/1024) or b (1/256)
    std::string texTag = "TEX";                   // "TEX" or "TX1": two names of unit 0
    std::vector<float> texCoords1;                // u, v per vertex for unit 1 (TX2); empty: none
    char tex1Encoding = 's';                      // as texEncoding; written after unit 0
    char bindingEncoding = 'f';                   // f, i or s, for MAP? and MPW?
    std::vector<BindingSource> bindings;          // one per bone, in bone order
    std::vector<WeightedBindingSource> weighted;  // empty: no BNDW
};

// Collects top-level chunks in the order they are added and writes the file.
class ModelWriter {
public:
    void addMesh(const MeshSource& mesh);
    void addSkeleton(const SkeletonSource& skeleton);
    void addSkin(const SkinSource& skin);
    // Any chunk as it is, e.g. one the loader should skip.
    void addChunk(const char* tag, const ModelBytes& payload);
    ModelBytes build() const;

private:
    ModelBytes head_;
};

// The payloads of the chunks above, for assembling variants by hand.
ModelBytes meshPayload(const MeshSource& mesh);
ModelBytes skeletonPayload(const SkeletonSource& skeleton);
ModelBytes trixPayload(const SkinSource& skin);
ModelBytes bindPayload(const SkinSource& skin);
ModelBytes weightsPayload(const SkinSource& skin);
