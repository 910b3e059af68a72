// The model parser: turns a model file into new meshes, skeletons and skinned meshes, checking
// every size, count and index against the chunk that holds it. No GL and no engine here.
#include "engine3d/model_loader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine3d/skinned_mesh.h"
#include "storage/byte_reader.h"

namespace {

constexpr uint32_t kTagHEAD = modelTag("HEAD");
constexpr uint32_t kTagMESH = modelTag("MESH");
constexpr uint32_t kTagTRLI = modelTag("TRLI");
constexpr uint32_t kTagSKEL = modelTag("SKEL");
constexpr uint32_t kTagSKIN = modelTag("SKIN");
constexpr uint32_t kTagTRIX = modelTag("TRIX");
constexpr uint32_t kTagBIND = modelTag("BIND");
constexpr uint32_t kTagBNDW = modelTag("BNDW");
constexpr uint32_t kTagVRTs = modelTag("VRTs");
constexpr uint32_t kTagFACs = modelTag("FACs");
constexpr uint32_t kTagCOLb = modelTag("COLb");
// Families: the first three characters, the last byte cleared.
constexpr uint32_t kFamilyPOS = modelTag("POS\0");
constexpr uint32_t kFamilyTEX = modelTag("TEX\0");
constexpr uint32_t kFamilyTX1 = modelTag("TX1\0");
constexpr uint32_t kFamilyTX2 = modelTag("TX2\0");
constexpr uint32_t kFamilyCOL = modelTag("COL\0");
constexpr uint32_t kFamilyBON = modelTag("BON\0");
constexpr uint32_t kFamilyANI = modelTag("ANI\0");
constexpr uint32_t kFamilyMAP = modelTag("MAP\0");
constexpr uint32_t kFamilyMPW = modelTag("MPW\0");

constexpr size_t kNameBytes = 32;
constexpr size_t kChunkHeaderBytes = 8;
constexpr int64_t kMaxStoreBytes = INT32_MAX;

// Scales of 's' components by meaning.
constexpr float kPositionShortScale = 1.0f / 256.0f;
constexpr float kRotationShortScale = 1.0f / 16384.0f;

uint32_t familyOf(uint32_t tag) {
    return tag & 0xFFFFFF00u;
}
char suffixOf(uint32_t tag) {
    return static_cast<char>(tag & 0xFF);
}
// Bytes per component of an encoding; unknown encodings count 4 and are not converted.
size_t componentBytes(char suffix) {
    return suffix == 's' ? 2 : suffix == 'b' ? 1 : 4;
}
bool isNumericSuffix(char suffix) {
    return suffix == 'f' || suffix == 'i' || suffix == 's';
}

// One component of an f, i or s chunk as a float; `shortScale` is the family's scale of s.
float readComponent(ByteReader& r, char suffix, float shortScale) {
    switch (suffix) {
        case 'f': return r.f32();
        case 'i': return fixedToFloat(r.i32());
        case 's': return static_cast<float>(r.i16()) * shortScale;
        default: r.skip(componentBytes(suffix)); return 0;
    }
}

struct Chunk {
    uint32_t tag;
    ByteReader body;
    size_t offset;  // of the header, in the file
};

void tagText(uint32_t tag, char out[5]) {
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(tag >> (24 - 8 * i));
        out[i] = (c >= 32 && c < 127) ? c : '?';
    }
    out[4] = 0;
}

class Parser {
public:
    Parser(const uint8_t* data, size_t size, ModelParse* out)
        : base_(data), size_(size), out_(out) {}

    bool parse();

private:
    bool fail(int32_t code, size_t offset, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    size_t offsetOf(const ByteReader& r) const {
        return r.cursor() ? static_cast<size_t>(r.cursor() - base_) : size_;
    }
    // The next chunk of a list: false at the end of the list, or with the error set when its
    // header is cut short or its size runs past the list.
    bool next(ByteReader& list, Chunk* chunk);
    // The tag of the chunk at the reader, without moving; 0 when fewer than 8 bytes remain.
    static uint32_t peekTag(ByteReader r) {
        return r.remaining() >= kChunkHeaderBytes ? r.u32be() : 0;
    }
    bool hasError() const { return out_->error != 0; }

    bool scanMesh(Chunk& chunk);
    void fillMesh(StaticMesh* mesh, ByteReader trli);
    bool readSkeleton(Chunk& chunk);
    bool readSkin(Chunk& chunk);
    bool readTrix(SkinnedMesh* skin, ByteReader trix);
    bool readBind(SkinnedMesh* skin, ByteReader bind, size_t at);
    bool readWeights(SkinnedMesh* skin, ByteReader bndw, size_t at);
    bool readBindMatrix(ByteReader& r, char suffix, Mat4* m);
    bool checkIndex(const SkinnedMesh* skin, uint32_t index, size_t at, const char* what);

    const uint8_t* base_;
    size_t size_;
    ModelParse* out_;
    std::vector<ByteReader> trliBodies_;  // per mesh, from the first pass
    Skeleton* currentSkeleton_ = nullptr;
};

bool Parser::fail(int32_t code, size_t offset, const char* format, ...) {
    if (hasError()) return false;
    out_->error = code;
    out_->errorOffset = offset;
    va_list args;
    va_start(args, format);
    std::vsnprintf(out_->reason, sizeof out_->reason, format, args);
    va_end(args);
    return false;
}

bool Parser::next(ByteReader& list, Chunk* chunk) {
    if (hasError() || list.atEnd()) return false;
    const size_t at = offsetOf(list);
    if (list.remaining() < kChunkHeaderBytes)
        return fail(kErrorMalformedModel, at, "a chunk header is cut short (%zu bytes left)",
                    list.remaining());
    chunk->tag = list.u32be();
    const uint32_t size = list.u32();
    if (size > list.remaining()) {
        char name[5];
        tagText(chunk->tag, name);
        return fail(kErrorMalformedModel, at,
                    "%s chunk of %u bytes runs past its parent (%zu left)", name, size,
                    list.remaining());
    }
    chunk->body = list.sub(size);
    chunk->offset = at;
    return true;
}

bool Parser::parse() {
    ByteReader file(base_, size_);
    file.u32();  // lead word
    const uint32_t tag = file.u32be();
    const uint32_t size = file.u32();
    if (file.failed()) return fail(kErrorNotHead, 0, "the file is too short for a HEAD chunk");
    if (tag != kTagHEAD) {
        char name[5];
        tagText(tag, name);
        return fail(kErrorNotHead, 4, "the first chunk is %s, not HEAD", name);
    }
    if (size > file.remaining())
        return fail(kErrorMalformedModel, 4, "HEAD chunk of %u bytes runs past the file (%zu left)",
                    size, file.remaining());
    const ByteReader head = file.sub(size);

    // First pass: size the static meshes and their share of the vertex memory.
    int64_t storeBytes = 0;
    ByteReader list = head;
    Chunk chunk;
    while (next(list, &chunk)) {
        if (chunk.tag != kTagMESH) continue;
        if (!scanMesh(chunk)) return false;
        const StaticMesh* mesh = out_->meshes.back();
        storeBytes += static_cast<int64_t>(mesh->stride) * mesh->vertexCount;
        if (storeBytes > kMaxStoreBytes)
            return fail(kErrorMalformedModel, chunk.offset, "the meshes need more than 2 GiB");
    }
    if (hasError()) return false;

    VertexStore* store = new VertexStore();
    out_->store = store;
    store->size = static_cast<int32_t>(storeBytes);
    store->data = new uint8_t[static_cast<size_t>(storeBytes)]();

    // Second pass, in file order: skeletons, skinned meshes, and the meshes' vertices.
    size_t meshIndex = 0;
    list = head;
    while (next(list, &chunk)) {
        if (chunk.tag == kTagMESH) {
            StaticMesh* mesh = out_->meshes[meshIndex];
            mesh->dataOffset = store->fill;
            store->fill += mesh->stride * mesh->vertexCount;
            fillMesh(mesh, trliBodies_[meshIndex]);
            ++meshIndex;
        } else if (chunk.tag == kTagSKEL) {
            if (!readSkeleton(chunk)) return false;
        } else if (chunk.tag == kTagSKIN) {
            if (!readSkin(chunk)) return false;
        }
    }
    return !hasError();
}

// ---- Static meshes ------------------------------------------------------------------------------

// Which attribute a TRLI chunk fills, -1 for none.
int32_t staticAttributeOf(uint32_t tag) {
    switch (familyOf(tag)) {
        case kFamilyPOS: return kAttrPosition;
        case kFamilyTEX:
        case kFamilyTX1: return kAttrTexture0;
        case kFamilyTX2: return kAttrTexture1;
        case kFamilyCOL: return kAttrColour;
        default: return -1;
    }
}

// Bytes per vertex of a chunk whose data the static mesh converts; 0 for data left unconverted.
size_t convertedEntryBytes(int32_t attribute, char suffix) {
    if (attribute == kAttrTexture0 || attribute == kAttrTexture1)
        return (suffix == 'i' || suffix == 's') ? 2 * componentBytes(suffix) : 0;
    if (attribute == kAttrColour) return suffix == 'b' ? 3 : 0;
    return 0;
}

bool Parser::scanMesh(Chunk& chunk) {
    if (chunk.body.remaining() < kNameBytes)
        return fail(kErrorMalformedModel, chunk.offset,
                    "MESH of %zu bytes has no room for its name", chunk.body.remaining());
    StaticMesh* mesh = new StaticMesh();
    out_->meshes.push_back(mesh);
    trliBodies_.push_back(ByteReader());
    chunk.body.bytes(mesh->name, kNameBytes);
    mesh->modelHandle = 0xFFFFFFFFu;
    setAttributeFormat(&mesh->attributes[kAttrPosition], kAttributeFloat, 3);
    setAttributeFormat(&mesh->attributes[kAttrTexture0], kAttributeShort1024, 2);
    setAttributeFormat(&mesh->attributes[kAttrTexture1], kAttributeShort1024, 2);
    setAttributeFormat(&mesh->attributes[kAttrColour], kAttributeByte, 4);
    setAttributeFormat(&mesh->attributes[kAttrNormal], kAttributeFloat, 0);

    // Only the chunk right after the name counts, and only when it is a TRLI.
    Chunk trli;
    const size_t left = chunk.body.remaining();
    if (left == 0 || (left >= kChunkHeaderBytes && peekTag(chunk.body) != kTagTRLI)) return true;
    if (!next(chunk.body, &trli)) return false;  // a header cut short, or TRLI past MESH

    uint32_t mask = 0;
    int64_t vertexCount = 0;
    ByteReader list = trli.body;
    Chunk sub;
    while (next(list, &sub)) {
        const int32_t attribute = staticAttributeOf(sub.tag);
        if (attribute < 0) continue;
        mask |= 1u << attribute;
        if (attribute != kAttrPosition) continue;
        const size_t entry = 3 * componentBytes(suffixOf(sub.tag));
        if (sub.body.size() % entry)
            return fail(kErrorMalformedModel, sub.offset,
                        "mesh '%.32s': %zu position bytes are not whole %zu-byte vertices",
                        mesh->name, sub.body.size(), entry);
        vertexCount = static_cast<int64_t>(sub.body.size() / entry);
    }
    if (hasError()) return false;  // (a u32 chunk holds fewer than 2^31 vertices)

    // Every chunk that is converted must hold exactly one entry per vertex.
    list = trli.body;
    while (next(list, &sub)) {
        const int32_t attribute = staticAttributeOf(sub.tag);
        const size_t entry = attribute < 0 ? 0 : convertedEntryBytes(attribute, suffixOf(sub.tag));
        const size_t expected = entry * static_cast<size_t>(vertexCount);
        if (attribute == kAttrPosition) {
            const size_t posEntry = 3 * componentBytes(suffixOf(sub.tag));
            if (sub.body.size() != posEntry * static_cast<size_t>(vertexCount))
                return fail(kErrorMalformedModel, sub.offset,
                            "mesh '%.32s': two position chunks disagree on the vertex count",
                            mesh->name);
        } else if (entry && sub.body.size() != expected) {
            char name[5];
            tagText(sub.tag, name);
            return fail(kErrorMalformedModel, sub.offset,
                        "mesh '%.32s': %s holds %zu bytes, %zu for its %lld vertices", mesh->name,
                        name, sub.body.size(), expected, static_cast<long long>(vertexCount));
        }
    }
    if (hasError()) return false;

    mesh->attributeMask = mask;
    mesh->vertexCount = static_cast<int32_t>(vertexCount);
    mesh->stride = layoutAttributes(mesh->attributes, mask);
    trliBodies_.back() = trli.body;
    return true;
}

void Parser::fillMesh(StaticMesh* mesh, ByteReader trli) {
    uint8_t* region = out_->store->data + mesh->dataOffset;
    const size_t stride = static_cast<size_t>(mesh->stride);
    Chunk sub;
    while (next(trli, &sub)) {
        const int32_t attribute = staticAttributeOf(sub.tag);
        if (attribute < 0) continue;
        const char suffix = suffixOf(sub.tag);
        uint8_t* at = region + mesh->attributes[attribute].offset;
        ByteReader& r = sub.body;
        for (int32_t v = 0; v < mesh->vertexCount; ++v, at += stride) {
            if (attribute == kAttrPosition) {
                if (!isNumericSuffix(suffix)) break;
                float p[3];
                for (float& c : p) c = readComponent(r, suffix, kPositionShortScale);
                std::memcpy(at, p, sizeof p);
            } else if (attribute == kAttrColour) {
                if (suffix != 'b') break;
                const uint8_t c[4] = {r.u8(), r.u8(), r.u8(), 255};
                std::memcpy(at, c, sizeof c);
            } else {
                int16_t t[2];
                if (suffix == 'i') {
                    for (int16_t& c : t) c = static_cast<int16_t>(fixedToTexCoord(r.i32()));
                } else if (suffix == 's') {
                    for (int16_t& c : t) c = r.i16();
                } else {
                    break;
                }
                std::memcpy(at, t, sizeof t);
            }
        }
    }
}

// ---- Skeletons ----------------------------------------------------------------------------------

bool isSkeletonChunk(uint32_t tag, uint32_t family) {
    return familyOf(tag) == family && isNumericSuffix(suffixOf(tag));
}

bool Parser::readSkeleton(Chunk& chunk) {
    ByteReader list = chunk.body;
    Chunk bones;
    if (!next(list, &bones)) {
        if (hasError()) return false;
        return fail(kErrorMalformedModel, chunk.offset, "SKEL holds no bone list");
    }
    if (!isSkeletonChunk(bones.tag, kFamilyBON)) {
        char name[5];
        tagText(bones.tag, name);
        return fail(kErrorMalformedModel, bones.offset, "SKEL starts with %s, not a bone list",
                    name);
    }
    const char boneSuffix = suffixOf(bones.tag);
    const size_t boneBytes = 7 * componentBytes(boneSuffix) + 1;
    if (bones.body.size() % boneBytes)
        return fail(kErrorMalformedModel, bones.offset,
                    "bone list of %zu bytes is not whole %zu-byte bones", bones.body.size(),
                    boneBytes);
    const size_t boneCount = bones.body.size() / boneBytes;
    if (boneCount == 0) return fail(kErrorMalformedModel, bones.offset, "the bone list is empty");

    Skeleton* skeleton = new Skeleton();
    out_->skeletons.push_back(skeleton);
    skeleton->boneCount = static_cast<int32_t>(boneCount);
    skeleton->bones = new Bone[boneCount]();
    for (size_t b = 0; b < boneCount; ++b) {
        const uint8_t parent = bones.body.u8();
        bones.body.skip(boneBytes - 1);  // the rest pose is not used
        if (parent != kNoParentBone && parent >= b)
            return fail(kErrorMalformedModel, bones.offset,
                        "bone %zu names bone %u as its parent, which does not come before it", b,
                        parent);
        skeleton->bones[b].parent = parent;
    }

    // Count the clips and their keys, then read them.
    size_t clipCount = 0, keyCount = 0;
    ByteReader scan = list;
    Chunk clip;
    while (next(scan, &clip)) {
        if (!isSkeletonChunk(clip.tag, kFamilyANI)) continue;
        const size_t frameBytes = 7 * componentBytes(suffixOf(clip.tag)) * boneCount;
        if (clip.body.size() % frameBytes)
            return fail(kErrorMalformedModel, clip.offset,
                        "clip %zu: %zu bytes are not whole frames of %zu bones", clipCount,
                        clip.body.size(), boneCount);
        const size_t frames = clip.body.size() / frameBytes;
        if (frames == 0)  // a clip of one frame holds that pose
            return fail(kErrorMalformedModel, clip.offset, "clip %zu has no frames", clipCount);
        ++clipCount;
        keyCount += frames * boneCount;
    }
    if (hasError()) return false;

    skeleton->clips = new AnimationClip[clipCount + 1]();
    skeleton->keys = new BoneKey[keyCount + 1]();
    size_t key = 0;
    while (next(list, &clip)) {
        if (!isSkeletonChunk(clip.tag, kFamilyANI)) continue;
        const char suffix = suffixOf(clip.tag);
        const size_t count = clip.body.size() / (7 * componentBytes(suffix));
        AnimationClip& c = skeleton->clips[skeleton->clipCount++];
        c.firstKey = static_cast<int32_t>(key);
        c.frameCount = static_cast<int32_t>(count / boneCount);
        for (size_t k = 0; k < count; ++k, ++key) {
            BoneKey& out = skeleton->keys[key];
            out.translation.x = readComponent(clip.body, suffix, kPositionShortScale);
            out.translation.y = readComponent(clip.body, suffix, kPositionShortScale);
            out.translation.z = readComponent(clip.body, suffix, kPositionShortScale);
            out.rotation.x = readComponent(clip.body, suffix, kRotationShortScale);
            out.rotation.y = readComponent(clip.body, suffix, kRotationShortScale);
            out.rotation.z = readComponent(clip.body, suffix, kRotationShortScale);
            out.rotation.w = readComponent(clip.body, suffix, kRotationShortScale);
        }
    }
    skeleton->keyCount = static_cast<int32_t>(keyCount);
    currentSkeleton_ = skeleton;
    return !hasError();
}

// ---- Skinned meshes -----------------------------------------------------------------------------

bool Parser::checkIndex(const SkinnedMesh* skin, uint32_t index, size_t at, const char* what) {
    if (index < static_cast<uint32_t>(skin->positionCount) &&
        index < static_cast<uint32_t>(skin->vertexCount))
        return true;
    return fail(kErrorMalformedModel, at,
                "skin '%.32s': %s uses vertex %u of %d positions and %d vertices", skin->name, what,
                index, skin->positionCount, skin->vertexCount);
}

bool Parser::readSkin(Chunk& chunk) {
    if (!currentSkeleton_)
        return fail(kErrorMalformedModel, chunk.offset, "SKIN comes before any SKEL");
    ByteReader& body = chunk.body;
    if (body.remaining() < kNameBytes)
        return fail(kErrorMalformedModel, chunk.offset,
                    "SKIN of %zu bytes has no room for its name", body.remaining());
    SkinnedMesh* skin = new SkinnedMesh();
    out_->skins.push_back(skin);
    body.bytes(skin->name, kNameBytes);
    skin->skeleton = currentSkeleton_;
    setAttributeFormat(&skin->attributes[kAttrPosition], kAttributeSkinFloat, 3);
    setAttributeFormat(&skin->attributes[kAttrTexture0], kAttributeShort1024, 2);
    setAttributeFormat(&skin->attributes[kAttrTexture1], kAttributeShort1024, 2);
    setAttributeFormat(&skin->attributes[kAttrColour], kAttributeByte, 4);
    setAttributeFormat(&skin->attributes[kAttrNormal], kAttributeSkinFloat, 3);
    skin->matrixFormat = kAttributeSkinFloat;
    skin->matrixBytes = sizeof(Mat4);

    Chunk trix, bind, bndw;
    const size_t afterName = offsetOf(body);
    if (peekTag(body) != kTagTRIX && body.remaining() >= kChunkHeaderBytes)
        return fail(kErrorSkin, afterName, "skin '%.32s' has no TRIX chunk after its name",
                    skin->name);
    if (!next(body, &trix)) {
        if (hasError()) return false;
        return fail(kErrorSkin, afterName, "skin '%.32s' has no TRIX chunk", skin->name);
    }
    if (!readTrix(skin, trix.body)) return false;

    const size_t afterTrix = offsetOf(body);
    if (peekTag(body) != kTagBIND && body.remaining() >= kChunkHeaderBytes)
        return fail(kErrorSkin, afterTrix, "skin '%.32s' has no BIND chunk after its TRIX",
                    skin->name);
    if (!next(body, &bind)) {
        if (hasError()) return false;
        return fail(kErrorSkin, afterTrix, "skin '%.32s' has no BIND chunk", skin->name);
    }
    if (!readBind(skin, bind.body, bind.offset)) return false;

    if (peekTag(body) == kTagBNDW) {
        next(body, &bndw);
        if (hasError() || !readWeights(skin, bndw.body, bndw.offset)) return false;
    }
    return true;
}

bool Parser::readTrix(SkinnedMesh* skin, ByteReader trix) {
    // Scan: counts, attributes present, and the size of every chunk against them.
    uint32_t mask = 0;
    size_t positions = 0, vertexEntries = 0;
    bool hasVertexList = false;
    ByteReader list = trix;
    Chunk sub;
    while (next(list, &sub)) {
        const uint32_t family = familyOf(sub.tag);
        const size_t size = sub.body.size();
        if (family == kFamilyPOS) {
            const size_t entry = 3 * componentBytes(suffixOf(sub.tag));
            if (size % entry)
                return fail(kErrorMalformedModel, sub.offset,
                            "skin '%.32s': %zu position bytes are not whole %zu-byte positions",
                            skin->name, size, entry);
            positions = size / entry;
            mask |= kMaskPosition;
        } else if (sub.tag == kTagVRTs || sub.tag == kTagFACs) {
            if (size % 6)
                return fail(kErrorMalformedModel, sub.offset,
                            "skin '%.32s': %zu bytes are not whole 6-byte entries", skin->name,
                            size);
            if (sub.tag == kTagVRTs) {
                vertexEntries = size / 6;
                hasVertexList = true;
            }
        } else if (sub.tag == kTagCOLb) {
            mask |= kMaskColour;
        } else if (family == kFamilyTEX || family == kFamilyTX1) {
            mask |= kMaskTexture0;
        } else if (family == kFamilyTX2) {
            mask |= kMaskTexture1;
        }
    }
    if (hasError()) return false;
    const size_t vertices = hasVertexList ? vertexEntries : positions;

    list = trix;
    while (next(list, &sub)) {
        const uint32_t family = familyOf(sub.tag);
        const char suffix = suffixOf(sub.tag);
        size_t expected = sub.body.size();
        if (family == kFamilyPOS) {
            expected = 3 * componentBytes(suffix) * positions;
        } else if (sub.tag == kTagVRTs) {
            expected = 6 * vertices;
        } else if (sub.tag == kTagCOLb) {
            expected = 3 * vertices;
        } else if ((family == kFamilyTEX || family == kFamilyTX1 || family == kFamilyTX2) &&
                   (isNumericSuffix(suffix) || suffix == 'b')) {
            expected = 2 * componentBytes(suffix) * vertices;
        }
        if (sub.body.size() != expected) {
            char name[5];
            tagText(sub.tag, name);
            return fail(kErrorMalformedModel, sub.offset,
                        "skin '%.32s': %s holds %zu bytes, %zu for its %zu positions and %zu "
                        "vertices",
                        skin->name, name, sub.body.size(), expected, positions, vertices);
        }
    }
    if (hasError()) return false;

    skin->attributeMask = mask;
    skin->positionCount = static_cast<int32_t>(positions);
    skin->vertexCount = static_cast<int32_t>(vertices);
    skin->stride = layoutAttributes(skin->attributes, mask);
    skin->positions = new SkinPosition[positions + 1]();
    skin->rotatedNormals = new float[4 * positions + 1]();
    skin->vertices = new uint8_t[vertices * static_cast<size_t>(skin->stride) + 1]();
    // The float copy serves the selection by unit-0 coordinates, so only unit-0 chunks fill it
    // (a TX2 after them must not replace it).
    if (mask & kMaskTexture0) skin->texCoords = new float[2 * vertices + 1]();

    // Read, in file order.
    const size_t stride = static_cast<size_t>(skin->stride);
    list = trix;
    while (next(list, &sub)) {
        const uint32_t family = familyOf(sub.tag);
        const char suffix = suffixOf(sub.tag);
        ByteReader& r = sub.body;
        if (family == kFamilyPOS) {
            if (!isNumericSuffix(suffix)) continue;
            for (size_t p = 0; p < positions; ++p) {
                skin->positions[p].x = readComponent(r, suffix, kPositionShortScale);
                skin->positions[p].y = readComponent(r, suffix, kPositionShortScale);
                skin->positions[p].z = readComponent(r, suffix, kPositionShortScale);
            }
        } else if (sub.tag == kTagVRTs) {
            if (!skin->vertexEntries) skin->vertexEntries = new uint16_t[3 * vertices + 1]();
            for (size_t i = 0; i < 3 * vertices; ++i) skin->vertexEntries[i] = r.u16();
        } else if (sub.tag == kTagFACs) {
            const size_t triangles = r.size() / 6;
            delete[] skin->triangles;  // a later list replaces an earlier one
            skin->triangles = new uint16_t[3 * triangles + 1]();
            skin->triangleCount = static_cast<int32_t>(triangles);
            for (size_t i = 0; i < 3 * triangles; ++i) {
                const uint16_t v = r.u16();
                if (v >= vertices)
                    return fail(kErrorMalformedModel, sub.offset,
                                "skin '%.32s': triangle %zu uses vertex %u of %zu", skin->name,
                                i / 3, v, vertices);
                skin->triangles[i] = v;
            }
        } else if (sub.tag == kTagCOLb) {
            uint8_t* at = skin->vertices + skin->attributes[kAttrColour].offset;
            for (size_t v = 0; v < vertices; ++v, at += stride) {
                const uint8_t c[4] = {r.u8(), r.u8(), r.u8(), 255};
                std::memcpy(at, c, sizeof c);
            }
        } else if (family == kFamilyTEX || family == kFamilyTX1 || family == kFamilyTX2) {
            if (!isNumericSuffix(suffix) && suffix != 'b') continue;
            const int32_t attribute = family == kFamilyTX2 ? kAttrTexture1 : kAttrTexture0;
            uint8_t* at = skin->vertices + skin->attributes[attribute].offset;
            for (size_t v = 0; v < vertices; ++v, at += stride) {
                int16_t t[2];
                for (int16_t& c : t) {
                    switch (suffix) {
                        case 'f': c = floatToTexCoord(r.f32()); break;
                        case 'i': c = static_cast<int16_t>(fixedToTexCoord(r.i32())); break;
                        case 's': c = r.i16(); break;
                        default: c = static_cast<int16_t>(r.u8() << 2); break;
                    }
                }
                std::memcpy(at, t, sizeof t);
                if (attribute != kAttrTexture0) continue;
                skin->texCoords[2 * v] = static_cast<float>(t[0]) / 1024.0f;
                skin->texCoords[2 * v + 1] = static_cast<float>(t[1]) / 1024.0f;
            }
        }
    }
    return !hasError();
}

bool Parser::readBindMatrix(ByteReader& r, char suffix, Mat4* m) {
    *m = kIdentityMatrix;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            (*m)[4 * column + row] = readComponent(r, suffix, kRotationShortScale);
        (*m)[12 + row] = readComponent(r, suffix, kPositionShortScale);
    }
    return !r.failed();
}

bool Parser::readBind(SkinnedMesh* skin, ByteReader bind, size_t at) {
    const int32_t boneCount = skin->skeleton->boneCount;
    size_t bindings = 0, indices = 0;
    ByteReader list = bind;
    Chunk sub;
    while (next(list, &sub)) {
        if (!isSkeletonChunk(sub.tag, kFamilyMAP)) continue;
        const size_t matrixBytes = 12 * componentBytes(suffixOf(sub.tag));
        if (sub.body.size() < matrixBytes || (sub.body.size() - matrixBytes) % 2)
            return fail(kErrorMalformedModel, sub.offset,
                        "skin '%.32s': binding %zu of %zu bytes is not a matrix and whole indices",
                        skin->name, bindings, sub.body.size());
        ++bindings;
        indices += (sub.body.size() - matrixBytes) / 2;
    }
    if (hasError()) return false;
    if (bindings > static_cast<size_t>(boneCount))
        return fail(kErrorMalformedModel, at, "skin '%.32s' binds %zu bones; its skeleton has %d",
                    skin->name, bindings, boneCount);

    skin->rigidBindings = new RigidBinding[boneCount]();
    skin->rigidMatrices = new Mat4[bindings + 1]();
    skin->rigidIndices = new uint16_t[indices + 1]();
    size_t n = 0, index = 0;
    while (next(bind, &sub)) {
        if (!isSkeletonChunk(sub.tag, kFamilyMAP)) continue;
        RigidBinding& b = skin->rigidBindings[n];
        b.matrix = &skin->rigidMatrices[n];
        b.indices = &skin->rigidIndices[index];
        readBindMatrix(sub.body, suffixOf(sub.tag), b.matrix);
        b.count = static_cast<int32_t>(sub.body.remaining() / 2);
        for (int32_t i = 0; i < b.count; ++i, ++index) {
            const uint16_t v = sub.body.u16();
            if (!checkIndex(skin, v, sub.offset, "a rigid binding")) return false;
            skin->rigidIndices[index] = v;
        }
        ++n;
    }
    return !hasError();
}

bool Parser::readWeights(SkinnedMesh* skin, ByteReader bndw, size_t at) {
    const int32_t boneCount = skin->skeleton->boneCount;
    size_t bindings = 0, entries = 0;
    ByteReader list = bndw;
    Chunk sub;
    while (next(list, &sub)) {
        if (!isSkeletonChunk(sub.tag, kFamilyMPW)) continue;
        const size_t bytes = componentBytes(suffixOf(sub.tag));
        const size_t matrixBytes = 12 * bytes, entryBytes = bytes + 4;
        if (sub.body.size() < matrixBytes || (sub.body.size() - matrixBytes) % entryBytes)
            return fail(kErrorMalformedModel, sub.offset,
                        "skin '%.32s': weighted binding %zu of %zu bytes is not a matrix and "
                        "whole entries",
                        skin->name, bindings, sub.body.size());
        ++bindings;
        entries += (sub.body.size() - matrixBytes) / entryBytes;
    }
    if (hasError()) return false;
    if (bindings > static_cast<size_t>(boneCount))
        return fail(kErrorMalformedModel, at, "skin '%.32s' weights %zu bones; its skeleton has %d",
                    skin->name, bindings, boneCount);

    skin->weightedBindings = new WeightedBinding[boneCount]();
    skin->weightedMatrices = new Mat4[bindings + 1]();
    skin->weightEntries = new WeightEntry[entries + 1]();
    size_t n = 0, entry = 0;
    while (next(bndw, &sub)) {
        if (!isSkeletonChunk(sub.tag, kFamilyMPW)) continue;
        const char suffix = suffixOf(sub.tag);
        WeightedBinding& b = skin->weightedBindings[n];
        b.matrix = &skin->weightedMatrices[n];
        b.entries = &skin->weightEntries[entry];
        readBindMatrix(sub.body, suffix, b.matrix);
        b.count = static_cast<int32_t>(sub.body.remaining() / (componentBytes(suffix) + 4));
        bool leading = true;
        for (int32_t i = 0; i < b.count; ++i, ++entry) {
            WeightEntry& e = skin->weightEntries[entry];
            e.index = sub.body.u16();
            e.flags = sub.body.u16();
            e.weight = readComponent(sub.body, suffix, kRotationShortScale);
            if (!checkIndex(skin, e.index, sub.offset, "a weighted binding")) return false;
            leading = leading && (e.flags & 1);
            if (leading) ++b.firstCount;
        }
        ++n;
    }
    return !hasError();
}

}  // namespace

ModelParse::~ModelParse() {
    if (store) {
        delete[] store->data;
        delete store;
    }
    for (StaticMesh* m : meshes) delete m;
    for (Skeleton* s : skeletons) destroySkeleton(s);
    for (SkinnedMesh* s : skins) destroySkinnedMesh(s);
}

int32_t parseModel(const void* data, size_t size, ModelParse* out) {
    Parser parser(static_cast<const uint8_t*>(data), data ? size : 0, out);
    parser.parse();
    return out->error;
}
