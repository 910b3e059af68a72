// Fuzz target of the model file: any bytes through the model parser (no GL, no engine). A file
// that is accepted must hold only objects whose counts, offsets and indices stay inside their
// arrays; every such array is read end to end so that the sanitizers see any overrun, and every
// skinned mesh is posed, skinned, lit, scrolled and selected as the engine would.
#include <cstdint>
#include <cstdlib>

#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "fuzz/fuzz_checks.h"

namespace {

using fuzzcheck::require;
using fuzzcheck::touch;

void checkMeshes(const ModelParse& model) {
    for (const StaticMesh* m : model.meshes) {
        require(m->vertexCount >= 0 && m->stride >= 0 && m->dataOffset >= 0);
        require(int64_t{m->dataOffset} + int64_t{m->stride} * m->vertexCount <= model.store->size);
        touch(model.store->data + m->dataOffset, static_cast<size_t>(m->stride) * m->vertexCount);
    }
}

void checkSkeletons(const ModelParse& model) {
    for (const Skeleton* s : model.skeletons) {
        require(s->boneCount > 0);
        for (int32_t b = 0; b < s->boneCount; ++b)
            require(s->bones[b].parent == kNoParentBone || s->bones[b].parent < b);
        for (int32_t c = 0; c < s->clipCount; ++c) {
            const AnimationClip& clip = s->clips[c];
            require(clip.frameCount >= 1);
            require(int64_t{clip.firstKey} + int64_t{clip.frameCount} * s->boneCount <=
                    s->keyCount);
        }
        touch(s->keys, sizeof(BoneKey) * static_cast<size_t>(s->keyCount));
    }
}

void checkSkins(const ModelParse& model) {
    for (const SkinnedMesh* s : model.skins) {
        const int32_t limit = s->positionCount < s->vertexCount ? s->positionCount : s->vertexCount;
        touch(s->positions, sizeof(SkinPosition) * static_cast<size_t>(s->positionCount));
        touch(s->vertices, static_cast<size_t>(s->stride) * s->vertexCount);
        for (int32_t i = 0; i < 3 * s->triangleCount; ++i)
            require(s->triangles[i] < s->vertexCount);
        for (int32_t b = 0; b < s->skeleton->boneCount; ++b) {
            const RigidBinding& r = s->rigidBindings[b];
            for (int32_t i = 0; i < r.count; ++i) require(r.indices[i] < limit);
            if (r.count) touch(r.matrix, sizeof(Mat4));
            if (!s->weightedBindings) continue;
            const WeightedBinding& w = s->weightedBindings[b];
            require(w.firstCount <= w.count);
            for (int32_t i = 0; i < w.count; ++i) require(w.entries[i].index < limit);
        }
    }
}

void animateSkins(const ModelParse& model) {
    for (SkinnedMesh* s : model.skins) {
        Skeleton* k = s->skeleton;
        for (int32_t clip = -1; clip <= k->clipCount; ++clip)
            for (int32_t time : {-5, 0, 300, 1 << 24}) poseSkeleton(k, clip, time, kIdentityMatrix);
        poseSkeletonBlend(k, 0, 100, k->clipCount - 1, 700, 90);
        deformRigid(s);
        deformWeighted(s);
        enableSkinLighting(s);
        deformRigid(s);
        deformWeighted(s);
        bakeSkinLighting(s);
        setSkinGlLighting(s, 1);
        deformWeighted(s);
        setTextureScroll(s, 0.5f, 0.25f);
        selectTextureRegion(s, 0, 0, 1, 1);
        if (s->selection) require(s->selection[0] >= 1 && s->selection[0] <= s->vertexCount + 1);
        touch(s->vertices, static_cast<size_t>(s->stride) * s->vertexCount);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ModelParse model;
    if (parseModel(data, size, &model) != 0) {
        require(model.error == kErrorNotHead || model.error == kErrorSkin ||
                model.error == kErrorMalformedModel);
        return 0;
    }
    checkMeshes(model);
    checkSkeletons(model);
    checkSkins(model);
    animateSkins(model);
    return 0;
}
