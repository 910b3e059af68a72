// Skeletal animation on the CPU: posing, rigid and weighted skinning, normals, lighting, and the
// per-mesh operations (relayout, texture scrolling, region selection). No GL here: the renderer
// draws what these functions leave in the vertex array.
#include "engine3d/skinning.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Per-draw light, and the two lights of the baked lighting.
constexpr Vec3 kDrawLight = {0.0f, 0.707f, 0.707f};
constexpr float kDrawAmbient = 0.3f;
constexpr float kBakeAmbient = 0.2f;
constexpr float kBakeDiffuse = 0.7f;

// ---- Posing ---------------------------------------------------------------------------------

// A clamped time inside a clip: the frame before it and the fraction towards the next one.
struct ClipTime {
    int32_t frame;
    float f;
};

ClipTime clampTime(const AnimationClip& clip, int32_t time) {
    const int64_t last = clip.frameCount > 1 ? (int64_t{clip.frameCount} - 1) * 256 - 1 : 0;
    int64_t t = time < 0 ? 0 : time;
    if (t > last) t = last;
    return {static_cast<int32_t>(t >> 8), static_cast<float>(t & 255) / 256.0f};
}

bool validClip(const Skeleton* skeleton, int32_t clip) {
    return skeleton && clip >= 0 && clip < skeleton->clipCount &&
           skeleton->clips[clip].frameCount > 0;
}

int32_t badClip(Skeleton* skeleton) {
    if (skeleton && skeleton->engine) skeleton->engine->lastError = kErrorSkin;
    return kErrorSkin;
}

// The key of one bone at a clamped time of a clip; the last frame of a clip stands alone.
BoneKey clipKey(const Skeleton& skeleton, const AnimationClip& clip, int32_t bone, ClipTime t) {
    const BoneKey* k = skeleton.keys + clip.firstKey +
                       static_cast<int64_t>(bone) * clip.frameCount + t.frame;
    if (t.frame + 1 >= clip.frameCount) return k[0];
    BoneKey out;
    blendKeys(k[0], k[1], t.f, out);
    return out;
}

// Bone b's matrix from its key: under its parent, or under root (none: as it is) for a root.
void placeBone(Skeleton& skeleton, int32_t b, const BoneKey& key, const Mat4* root) {
    Mat4 local{};
    keyToMatrix(key, local);
    Bone& bone = skeleton.bones[b];
    if (bone.parent != kNoParentBone && bone.parent < b) {
        mulAffine(bone.matrix, skeleton.bones[bone.parent].matrix, local);
    } else if (root) {
        mulAffine(bone.matrix, *root, local);
    } else {
        bone.matrix = local;
    }
}

// ---- Vertex array access ----------------------------------------------------------------------

uint8_t* vertexAt(SkinnedMesh* skin, int32_t vertex, int32_t attribute) {
    return skin->vertices + static_cast<size_t>(vertex) * static_cast<size_t>(skin->stride) +
           skin->attributes[attribute].offset;
}

void storeVec3(uint8_t* at, const Vec3& v) {
    const float f[3] = {v.x, v.y, v.z};
    std::memcpy(at, f, sizeof f);
}

Vec3 loadVec3(const uint8_t* at) {
    float f[3];
    std::memcpy(f, at, sizeof f);
    return {f[0], f[1], f[2]};
}

Vec3 transformPoint(const Mat4& m, const SkinPosition& p) {
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
            m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

Vec3 rotateNormal(const Mat4& m, const SkinPosition& p) {
    return {m[0] * p.nx + m[4] * p.ny + m[8] * p.nz, m[1] * p.nx + m[5] * p.ny + m[9] * p.nz,
            m[2] * p.nx + m[6] * p.ny + m[10] * p.nz};
}

// Positions and vertices share indices in skinning; only indices below both are used.
int32_t sharedCount(const SkinnedMesh* skin) {
    return std::min(skin->positionCount, skin->vertexCount);
}

// Where a skinned vertex goes: its position in the vertex array, its turned normal in
// rotatedNormals and, when the array has one, in the normal attribute.
struct SkinTarget {
    SkinnedMesh* skin;
    bool normals;
    bool normalAttribute;

    explicit SkinTarget(SkinnedMesh* s)
        : skin(s),
          normals(s->normalsReady != 0),
          normalAttribute(s->normalsReady && (s->attributeMask & kMaskNormal)) {}

    void set(int32_t j, const Vec3& position, const Vec3& normal) const {
        storeVec3(vertexAt(skin, j, kAttrPosition), position);
        if (!normals) return;
        float* n = skin->rotatedNormals + 4 * static_cast<size_t>(j);
        n[0] = normal.x;
        n[1] = normal.y;
        n[2] = normal.z;
        if (normalAttribute) storeVec3(vertexAt(skin, j, kAttrNormal), normal);
    }
    void add(int32_t j, const Vec3& position, const Vec3& normal) const {
        uint8_t* at = vertexAt(skin, j, kAttrPosition);
        const Vec3 p = loadVec3(at);
        storeVec3(at, {p.x + position.x, p.y + position.y, p.z + position.z});
        if (!normals) return;
        float* n = skin->rotatedNormals + 4 * static_cast<size_t>(j);
        n[0] += normal.x;
        n[1] += normal.y;
        n[2] += normal.z;
        if (normalAttribute) storeVec3(vertexAt(skin, j, kAttrNormal), {n[0], n[1], n[2]});
    }
};

void lightAfterSkinning(SkinnedMesh* skin) {
    if (skin->normalsReady && skin->lightingOn && !skin->glLighting) lightSkinOnCpu(skin);
}

// Whether some weighted entry adds to a vertex that no earlier entry (in binding order, the
// leading flagged run of each binding first) has set: 2 yes, 1 no.
uint8_t weightOrderOf(const SkinnedMesh* skin) {
    const int32_t bones = skin->skeleton->boneCount;
    std::vector<uint8_t> set(static_cast<size_t>(std::max(skin->vertexCount, 0)) + 1, 0);
    for (int32_t i = 0; i < bones; ++i) {
        const WeightedBinding& b = skin->weightedBindings[i];
        for (int32_t k = 0; k < b.count; ++k) {
            const uint16_t j = b.entries[k].index;
            if (j >= skin->vertexCount) continue;
            if (k < b.firstCount)
                set[j] = 1;
            else if (!set[j])
                return 2;
        }
    }
    return 1;
}

// Grey level s (0..1) into a vertex's colour; alpha too when alpha >= 0.
void writeGrey(SkinnedMesh* skin, int32_t vertex, float s, int32_t alpha) {
    uint8_t* at = vertexAt(skin, vertex, kAttrColour);
    if (skin->attributes[kAttrColour].format == kAttributeFixed) {
        const int32_t level = static_cast<int32_t>(s * 65536.0f);
        const int32_t c[3] = {level, level, level};
        std::memcpy(at, c, sizeof c);
        if (alpha >= 0) {
            const int32_t a = alpha ? kFixedOne : 0;
            std::memcpy(at + 12, &a, sizeof a);
        }
        return;
    }
    const uint8_t level = static_cast<uint8_t>(static_cast<int32_t>(s * 255.0f));
    at[0] = at[1] = at[2] = level;
    if (alpha >= 0) at[3] = static_cast<uint8_t>(alpha);
}

float positive(float v) {
    return v > 0 ? v : 0;
}

float dot(const Vec3& a, float x, float y, float z) {
    return a.x * x + a.y * y + a.z * z;
}

// Face normals of the triangles, zero for a triangle using a vertex that is not a position;
// `usable` says which triangles count.
void faceNormals(const SkinnedMesh* skin, std::vector<Vec3>* faces, std::vector<uint8_t>* usable) {
    const int32_t triangles = skin->triangles ? skin->triangleCount : 0;
    faces->assign(static_cast<size_t>(std::max(triangles, 0)), Vec3{0, 0, 0});
    usable->assign(faces->size(), 0);
    for (int32_t t = 0; t < triangles; ++t) {
        const uint16_t* c = skin->triangles + 3 * static_cast<size_t>(t);
        if (c[0] >= skin->positionCount || c[1] >= skin->positionCount ||
            c[2] >= skin->positionCount)
            continue;
        const SkinPosition& p0 = skin->positions[c[0]];
        const SkinPosition& p1 = skin->positions[c[1]];
        const SkinPosition& p2 = skin->positions[c[2]];
        Vec3 e1 = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        Vec3 e2 = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
        normalize(e1);
        normalize(e2);
        (*faces)[t] = {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                       e1.x * e2.y - e1.y * e2.x};
        (*usable)[t] = 1;
    }
}

void storeNormal(SkinPosition& p, Vec3 sum) {
    normalize(sum);
    p.nx = sum.x;
    p.ny = sum.y;
    p.nz = sum.z;
}

// A coordinate's bits with -0 taken as +0, so that equal floats have equal keys.
uint32_t coordinateKey(float v) {
    if (v == 0) return 0;
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

bool hasNan(const SkinPosition& p) {
    return p.x != p.x || p.y != p.y || p.z != p.z;
}

}  // namespace

// ---- Posing ---------------------------------------------------------------------------------

int32_t poseSkeleton(Skeleton* skeleton, int32_t clip, int32_t time, const Mat4& root) {
    if (!validClip(skeleton, clip)) return badClip(skeleton);
    const AnimationClip& c = skeleton->clips[clip];
    const ClipTime t = clampTime(c, time);
    for (int32_t b = 0; b < skeleton->boneCount; ++b)
        placeBone(*skeleton, b, clipKey(*skeleton, c, b, t), &root);
    skeleton->posed = 1;
    return 0;
}

int32_t poseSkeletonBlend(Skeleton* skeleton, int32_t clipA, int32_t timeA, int32_t clipB,
                          int32_t timeB, int32_t weight) {
    if (!validClip(skeleton, clipA) || !validClip(skeleton, clipB)) return badClip(skeleton);
    const AnimationClip& a = skeleton->clips[clipA];
    const AnimationClip& b = skeleton->clips[clipB];
    const ClipTime ta = clampTime(a, timeA);
    const ClipTime tb = clampTime(b, timeB);
    weight = std::min(std::max(weight, 0), 256);
    const float w = static_cast<float>(weight) / 256.0f;
    for (int32_t bone = 0; bone < skeleton->boneCount; ++bone) {
        BoneKey key;
        if (weight == 0) {
            key = clipKey(*skeleton, a, bone, ta);
        } else if (weight == 256) {
            key = clipKey(*skeleton, b, bone, tb);
        } else {
            blendKeys(clipKey(*skeleton, a, bone, ta), clipKey(*skeleton, b, bone, tb), w, key);
        }
        placeBone(*skeleton, bone, key, nullptr);
    }
    skeleton->posed = 1;
    return 0;
}

// ---- Deforming ------------------------------------------------------------------------------

void deformRigid(SkinnedMesh* skin) {
    const Skeleton* skeleton = skin->skeleton;
    if (!skeleton || !skin->rigidBindings || !(skin->attributeMask & kMaskPosition)) return;
    const int32_t limit = sharedCount(skin);
    const SkinTarget target(skin);
    for (int32_t i = 0; i < skeleton->boneCount; ++i) {
        const RigidBinding& binding = skin->rigidBindings[i];
        if (binding.count <= 0) continue;
        Mat4 m;
        mulAffine(m, skeleton->bones[i].matrix, *binding.matrix);
        for (int32_t k = 0; k < binding.count; ++k) {
            const uint16_t j = binding.indices[k];
            if (j >= limit) continue;
            const SkinPosition& p = skin->positions[j];
            target.set(j, transformPoint(m, p), target.normals ? rotateNormal(m, p) : Vec3{});
        }
    }
    lightAfterSkinning(skin);
}

void deformWeighted(SkinnedMesh* skin) {
    const Skeleton* skeleton = skin->skeleton;
    if (!skeleton || !skin->weightedBindings || !(skin->attributeMask & kMaskPosition)) return;
    if (!skin->weightOrder) skin->weightOrder = weightOrderOf(skin);
    const int32_t limit = sharedCount(skin);
    const SkinTarget target(skin);
    if (skin->weightOrder == 2) {
        for (int32_t i = 0; i < skeleton->boneCount; ++i) {
            const WeightedBinding& binding = skin->weightedBindings[i];
            for (int32_t k = 0; k < binding.count; ++k)
                if (binding.entries[k].index < limit)
                    target.set(binding.entries[k].index, Vec3{}, Vec3{});
        }
    }
    for (int32_t i = 0; i < skeleton->boneCount; ++i) {
        const WeightedBinding& binding = skin->weightedBindings[i];
        if (binding.count <= 0) continue;
        Mat4 m;
        mulAffine(m, skeleton->bones[i].matrix, *binding.matrix);
        for (int32_t k = 0; k < binding.count; ++k) {
            const WeightEntry& e = binding.entries[k];
            if (e.index >= limit) continue;
            const SkinPosition& p = skin->positions[e.index];
            const float w = e.weight;
            const Vec3 q = transformPoint(m, p);
            const Vec3 position = {w * q.x, w * q.y, w * q.z};
            Vec3 normal{};
            if (target.normals) {
                const Vec3 n = rotateNormal(m, p);
                normal = {w * n.x, w * n.y, w * n.z};
            }
            if (k < binding.firstCount)
                target.set(e.index, position, normal);
            else
                target.add(e.index, position, normal);
        }
    }
    lightAfterSkinning(skin);
}

void deformSkin(SkinnedMesh* skin) {
    if (skin->weightedMode && skin->weightedBindings)
        deformWeighted(skin);
    else
        deformRigid(skin);
}

// ---- Normals and lighting -------------------------------------------------------------------

void computeSkinNormals(SkinnedMesh* skin) {
    const int32_t count = std::max(skin->positionCount, 0);
    std::vector<Vec3> faces;
    std::vector<uint8_t> usable;
    faceNormals(skin, &faces, &usable);

    // Group the positions that are exactly equal: sort by coordinates, equal runs share a group.
    // A position with a NaN equals nothing, not even itself: it gets no group.
    struct Keyed {
        uint32_t x, y, z;
        int32_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const SkinPosition& p = skin->positions[i];
        if (hasNan(p)) continue;
        keyed.push_back({coordinateKey(p.x), coordinateKey(p.y), coordinateKey(p.z), i});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.x != b.x) return a.x < b.x;
        if (a.y != b.y) return a.y < b.y;
        if (a.z != b.z) return a.z < b.z;
        return a.index < b.index;
    });
    std::vector<int32_t> group(static_cast<size_t>(count), -1);
    int32_t groups = 0;
    for (size_t k = 0; k < keyed.size(); ++k) {
        const bool same = k > 0 && keyed[k].x == keyed[k - 1].x && keyed[k].y == keyed[k - 1].y &&
                          keyed[k].z == keyed[k - 1].z;
        if (!same) ++groups;
        group[keyed[k].index] = groups - 1;
    }

    // Each group sums the faces of its corners in triangle order.
    std::vector<Vec3> sums(static_cast<size_t>(groups), Vec3{0, 0, 0});
    for (size_t t = 0; t < faces.size(); ++t) {
        if (!usable[t]) continue;
        const Vec3& face = faces[t];
        for (int c = 0; c < 3; ++c) {
            const int32_t g = group[skin->triangles[3 * t + c]];
            if (g < 0) continue;
            sums[g] = {sums[g].x + face.x, sums[g].y + face.y, sums[g].z + face.z};
        }
    }
    for (int32_t i = 0; i < count; ++i)
        storeNormal(skin->positions[i], group[i] < 0 ? Vec3{0, 0, 0} : sums[group[i]]);
    skin->normalsReady = 1;
}

void lightSkinOnCpu(SkinnedMesh* skin) {
    if (!(skin->attributeMask & kMaskColour)) return;
    const int32_t count = sharedCount(skin);
    for (int32_t i = 0; i < count; ++i) {
        const float* n = skin->rotatedNormals + 4 * static_cast<size_t>(i);
        const float s = std::min(1.0f, kDrawAmbient + positive(dot(kDrawLight, n[0], n[1], n[2])));
        writeGrey(skin, i, s, -1);
    }
}

// ---- Operations on a skinned mesh ----------------------------------------------------------

void addSkinAttributes(SkinnedMesh* skin, uint32_t mask) {
    const uint32_t oldMask = skin->attributeMask;
    const uint32_t newMask = oldMask | mask;
    if (newMask == oldMask) return;
    VertexAttribute old[kAttributeCount];
    std::memcpy(old, skin->attributes, sizeof old);
    const size_t oldStride = static_cast<size_t>(skin->stride);
    const int32_t stride = layoutAttributes(skin->attributes, newMask);
    const size_t vertices = static_cast<size_t>(std::max(skin->vertexCount, 0));
    uint8_t* data = new uint8_t[vertices * static_cast<size_t>(stride) + 1]();
    const bool newColour = (newMask & ~oldMask & kMaskColour) != 0;
    for (size_t v = 0; v < vertices; ++v) {
        uint8_t* to = data + v * static_cast<size_t>(stride);
        const uint8_t* from = skin->vertices + v * oldStride;
        for (int a = 0; a < kAttributeCount; ++a) {
            if (!(oldMask & (1u << a))) continue;
            std::memcpy(to + skin->attributes[a].offset, from + old[a].offset,
                        static_cast<size_t>(old[a].byteSize));
        }
        if (newColour) {
            const VertexAttribute& colour = skin->attributes[kAttrColour];
            if (colour.format == kAttributeFixed) {
                const int32_t white[4] = {kFixedOne, kFixedOne, kFixedOne, kFixedOne};
                std::memcpy(to + colour.offset, white, sizeof white);
            } else {
                std::memset(to + colour.offset, 255, static_cast<size_t>(colour.byteSize));
            }
        }
    }
    delete[] skin->vertices;
    skin->vertices = data;
    skin->stride = stride;
    skin->attributeMask = newMask;
}

void setSkinningMode(SkinnedMesh* skin, uint8_t weighted) {
    skin->weightedMode = weighted ? 1 : 0;
}

void setSkinGlLighting(SkinnedMesh* skin, uint8_t on) {
    skin->glLighting = on ? 1 : 0;
    if (on && skin->normalsReady) addSkinAttributes(skin, kMaskNormal);
}

namespace {

// The attribute lighting needs, and the normals.
void prepareLighting(SkinnedMesh* skin) {
    addSkinAttributes(skin, skin->glLighting ? kMaskNormal : kMaskColour);
    if (!skin->normalsReady) computeSkinNormals(skin);
}

}  // namespace

void enableSkinLighting(SkinnedMesh* skin) {
    prepareLighting(skin);
    skin->lightingOn = 1;
}

void bakeSkinLighting(SkinnedMesh* skin) {
    prepareLighting(skin);
    if (skin->glLighting) return;
    // Without a pose the bone matrices are zero and skinning would only flatten the mesh.
    if (skin->attributes[kAttrPosition].format == kAttributeSkinFloat && skin->skeleton &&
        skin->skeleton->posed)
        deformRigid(skin);
    Vec3 first = {0, -1, 1}, second = {0, 1, 1};
    normalize(first);
    normalize(second);
    const int32_t count = sharedCount(skin);
    for (int32_t i = 0; i < count; ++i) {
        const SkinPosition& p = skin->positions[i];
        const float lit = kBakeDiffuse * positive(dot(first, p.nx, p.ny, p.nz)) +
                          kBakeDiffuse * positive(dot(second, p.nx, p.ny, p.nz));
        const float s = std::min(1.0f, kBakeAmbient + lit);
        writeGrey(skin, i, s, 255);
    }
}

void setTextureScroll(SkinnedMesh* skin, float du, float dv) {
    if (du == 0 && dv == 0) {
        skin->ownTextureMatrix = 0;
        skin->textureMatrix.m[12] = 0;
        skin->textureMatrix.m[13] = 0;
        return;
    }
    const VertexAttribute& unit0 = skin->attributes[kAttrTexture0];
    skin->ownTextureMatrix = 1;
    skin->textureMatrix = unit0.scaleMatrix ? *unit0.scaleMatrix : kFixedIdentity;
    skin->textureMatrix.m[12] = floatToFixed(du);
    skin->textureMatrix.m[13] = floatToFixed(dv);
}

void selectTextureRegion(SkinnedMesh* skin, float uMin, float vMin, float uMax, float vMax) {
    if (!(skin->attributeMask & kMaskTexture0) || !skin->texCoords) return;
    const int32_t vertices = std::max(skin->vertexCount, 0);
    if (!skin->selection) skin->selection = new int32_t[static_cast<size_t>(vertices) + 1]();
    int32_t found = 0;
    for (int32_t v = 0; v < vertices; ++v) {
        const float u = skin->texCoords[2 * v], t = skin->texCoords[2 * v + 1];
        if (uMin <= u && u < uMax && vMin <= t && t < vMax) skin->selection[1 + found++] = v;
    }
    skin->selection[0] = 1 + found;
}
