// Malformed model files: every broken structure is rejected whole with a known code, nothing of
// the file stays in the engine, and no truncation or corruption makes the loader read or write
// outside its buffers (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "sample_models.h"

namespace {

ModelBytes positions(int vertices) {
    return encodeComponents(std::vector<float>(3 * vertices, 1.0f), 'f', 1);
}

ModelBytes meshFile(const ModelBytes& trli) {
    return modelFile(modelChunk("MESH", joinBytes({modelName("m"), modelChunk("TRLI", trli)})));
}

ModelBytes skeletonFile(const ModelBytes& skel) {
    return modelFile(modelChunk("SKEL", skel));
}

ModelBytes skinFile(const ModelBytes& skinPayload) {
    return modelFile(joinBytes({modelChunk("SKEL", skeletonPayload(samples::twoBoneSkeleton())),
                                modelChunk("SKIN", skinPayload)}));
}

ModelBytes skinFile(const SkinSource& s) {
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(s);
    return w.build();
}

SkeletonSource withFrames(int frames, int bones) {
    SkeletonSource s;
    s.parents.assign(bones, 255);
    s.clips.push_back(
        {frames, std::vector<BoneKey>(frames * bones, BoneKey{{0, 0, 0}, {0, 0, 0, 1}})});
    return s;
}

// Overwrites the u32 at offset.
ModelBytes patchU32(ModelBytes file, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return file;
}

struct Case {
    const char* what;
    std::function<ModelBytes()> file;
    int32_t code;
};

const Case kCases[] = {
    {"HEAD runs past the file",
     [] { return patchU32(meshFile(modelChunk("POSf", positions(3))), 8, 200); },
     kErrorMalformedModel},
    {"MESH runs past HEAD",
     [] {
         return modelFile(
             joinBytes({ModelBytes{'M', 'E', 'S', 'H', 100, 0, 0, 0}, modelName("m")}));
     },
     kErrorMalformedModel},
    {"POSf runs past TRLI",
     [] {
         ModelBytes pos = modelChunk("POSf", positions(3));
         return meshFile(patchU32(pos, 4, 48));
     },
     kErrorMalformedModel},
    {"chunk header cut short in HEAD",
     [] {
         return modelFile(
             joinBytes({modelChunk("MESH", modelName("m")), ModelBytes{'M', 'E', 'S'}}));
     },
     kErrorMalformedModel},
    {"positions are not whole vertices",
     [] { return meshFile(modelChunk("POSf", ModelBytes(13, 0))); }, kErrorMalformedModel},
    {"TEXs holds four entries for three vertices",
     [] {
         return meshFile(
             joinBytes({modelChunk("POSf", positions(3)), modelChunk("TEXs", ModelBytes(16, 0))}));
     },
     kErrorMalformedModel},
    {"COLb too short",
     [] {
         return meshFile(
             joinBytes({modelChunk("POSf", positions(3)), modelChunk("COLb", ModelBytes(8, 0))}));
     },
     kErrorMalformedModel},
    {"two position chunks disagree",
     [] {
         return meshFile(
             joinBytes({modelChunk("POSf", positions(3)), modelChunk("POSs", ModelBytes(12, 0))}));
     },
     kErrorMalformedModel},
    {"MESH shorter than its name",
     [] { return modelFile(modelChunk("MESH", ModelBytes(20, 'a'))); }, kErrorMalformedModel},
    {"SKEL without a bone list", [] { return skeletonFile({}); }, kErrorMalformedModel},
    {"SKEL starting with a clip",
     [] { return skeletonFile(modelChunk("ANIf", ModelBytes(56, 0))); }, kErrorMalformedModel},
    {"SKEL with zero bones",
     [] {
         return skeletonFile(
             joinBytes({modelChunk("BONf", {}), modelChunk("ANIf", ModelBytes(56, 0))}));
     },
     kErrorMalformedModel},
    {"bone list not whole bones",
     [] { return skeletonFile(modelChunk("BONf", ModelBytes(30, 0))); }, kErrorMalformedModel},
    {"parent after its bone",
     [] {
         SkeletonSource s = samples::twoBoneSkeleton();
         s.parents = {1, 255};
         return skeletonFile(skeletonPayload(s));
     },
     kErrorMalformedModel},
    {"clip without frames",
     [] {
         return skeletonFile(joinBytes(
             {skeletonPayload(withFrames(2, 2)), modelChunk("ANIf", ModelBytes())}));
     },
     kErrorMalformedModel},
    {"clip not whole frames",
     [] {
         ModelBytes skel = skeletonPayload(withFrames(2, 2));
         return skeletonFile(joinBytes({skel, modelChunk("ANIs", ModelBytes(30, 0))}));
     },
     kErrorMalformedModel},
    {"SKIN before any SKEL",
     [] {
         ModelWriter w;
         w.addSkin(samples::quadSkin("s"));
         return w.build();
     },
     kErrorMalformedModel},
    {"SKIN without TRIX", [] { return skinFile(modelName("s")); }, kErrorSkin},
    {"SKIN with BIND where TRIX belongs",
     [] {
         return skinFile(joinBytes({modelName("s"), modelChunk("BIND", {})}));
     },
     kErrorSkin},
    {"SKIN without BIND",
     [] {
         return skinFile(
             joinBytes({modelName("s"), modelChunk("TRIX", trixPayload(samples::quadSkin("s")))}));
     },
     kErrorSkin},
    {"triangle past the vertices",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.triangles[4] = 4;
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"triangle past the VRTs vertex count",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.vertexEntries = {0, 0, 0, 0, 0, 0, 0, 0, 0};
         s.colours.resize(9);
         s.texCoords.resize(6);
         s.bindings.clear();
         s.weighted.clear();
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"skin colours for fewer vertices",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.colours.resize(9);
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"rigid binding past the positions",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.bindings[1].indices.push_back(4);
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"weighted binding past the positions",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.weighted[1].entries.push_back({9, 0, 1.0f});
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"more bindings than bones",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.bindings.push_back(s.bindings[0]);
         return skinFile(s);
     },
     kErrorMalformedModel},
    {"MAP shorter than its matrix",
     [] {
         const SkinSource s = samples::quadSkin("s");
         return skinFile(joinBytes({modelName("s"), modelChunk("TRIX", trixPayload(s)),
                                    modelChunk("BIND", modelChunk("MAPf", ModelBytes(40, 0)))}));
     },
     kErrorMalformedModel},
    {"MPW entries not whole",
     [] {
         const SkinSource s = samples::quadSkin("s");
         return skinFile(
             joinBytes({modelName("s"), modelChunk("TRIX", trixPayload(s)),
                        modelChunk("BIND", bindPayload(s)),
                        modelChunk("BNDW", modelChunk("MPWs", ModelBytes(24 + 5, 0)))}));
     },
     kErrorMalformedModel},
};

class MalformedModel : public ::testing::Test {
protected:
    void SetUp() override {
        savedCaps_ = g_graphicsCaps;
        g_graphicsCaps = nullptr;
        engine = createEngine3D();
    }
    void TearDown() override {
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }

    // Nothing of any file is in the engine.
    void expectEngineEmpty() {
        for (int32_t i = 0; i < engine->storeCapacity; ++i) EXPECT_EQ(engine->stores[i], nullptr);
        for (int32_t i = 0; i < engine->meshCapacity; ++i) EXPECT_EQ(engine->meshes[i], nullptr);
        for (int32_t i = 0; i < engine->skinCapacity; ++i) EXPECT_EQ(engine->skins[i], nullptr);
        for (int32_t i = 0; i < engine->skeletonCapacity; ++i)
            EXPECT_EQ(engine->skeletons[i], nullptr);
    }

    Engine3D* engine = nullptr;

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

// A copy on the heap of exactly n bytes, so that a read past the end is caught by the sanitizer.
std::unique_ptr<uint8_t[]> exactCopy(const ModelBytes& file, size_t n) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[n ? n : 1]);
    if (n) std::memcpy(copy.get(), file.data(), n);
    return copy;
}

TEST_F(MalformedModel, EachBrokenStructureRejectsTheWholeFile) {
    for (const Case& c : kCases) {
        const ModelBytes file = c.file();
        // The same file with a valid mesh in front must not leave that mesh behind either.
        ModelWriter w;
        w.addMesh(samples::triangleMesh("kept"));
        ModelBytes withMesh = w.build();
        const uint32_t meshBytes = static_cast<uint32_t>(withMesh.size() - 12);
        const uint32_t declared = file[8] | (file[9] << 8) | (file[10] << 16) | (file[11] << 24);
        withMesh.insert(withMesh.end(), file.begin() + 12, file.end());
        withMesh = patchU32(withMesh, 8, declared + meshBytes);  // keeps a HEAD that lies
        for (const ModelBytes* f : {&file, static_cast<const ModelBytes*>(&withMesh)}) {
            const auto copy = exactCopy(*f, f->size());
            engine->lastError = 0;
            EXPECT_EQ(loadModelFromMemory(engine, copy.get(), f->size()), 0u) << c.what;
            EXPECT_EQ(engine->lastError, c.code) << c.what;
            ModelParse parse;
            EXPECT_EQ(parseModel(copy.get(), f->size(), &parse), c.code) << c.what;
            EXPECT_NE(parse.reason[0], 0) << c.what;
        }
        expectEngineEmpty();
    }
    // The engine is as new: the next good model takes the first slots.
    ModelWriter good;
    good.addMesh(samples::triangleMesh("a"));
    const ModelBytes file = good.build();
    const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
    EXPECT_EQ(model, 0x02000000u);
    EXPECT_EQ(findObject(engine, model, "a"), 0x01000000u);
}

TEST_F(MalformedModel, EveryTruncationIsRejected) {
    const ModelBytes file = samples::richModel();
    for (size_t n = 0; n < file.size(); ++n) {
        const auto copy = exactCopy(file, n);
        EXPECT_EQ(loadModelFromMemory(engine, copy.get(), n), 0u) << "length " << n;
        EXPECT_LT(engine->lastError, 0);
    }
    expectEngineEmpty();
    EXPECT_NE(loadModelFromMemory(engine, file.data(), file.size()), 0u);
}

// What every accepted model must satisfy, whatever its bytes were.
void expectConsistent(const ModelParse& p) {
    for (const StaticMesh* m : p.meshes) {
        EXPECT_LE(
            static_cast<int64_t>(m->dataOffset) + static_cast<int64_t>(m->stride) * m->vertexCount,
            p.store->size);
        EXPECT_GE(m->vertexCount, 0);
    }
    for (const Skeleton* s : p.skeletons) {
        EXPECT_GT(s->boneCount, 0);
        for (int32_t b = 0; b < s->boneCount; ++b)
            EXPECT_TRUE(s->bones[b].parent == kNoParentBone || s->bones[b].parent < b);
        for (int32_t c = 0; c < s->clipCount; ++c) {
            EXPECT_GE(s->clips[c].frameCount, 1);
            EXPECT_LE(s->clips[c].firstKey + s->clips[c].frameCount * s->boneCount, s->keyCount);
        }
    }
    for (const SkinnedMesh* s : p.skins) {
        const int32_t limit = s->positionCount < s->vertexCount ? s->positionCount : s->vertexCount;
        for (int32_t i = 0; i < 3 * s->triangleCount; ++i)
            EXPECT_LT(s->triangles[i], s->vertexCount);
        for (int32_t b = 0; b < s->skeleton->boneCount; ++b) {
            const RigidBinding& r = s->rigidBindings[b];
            for (int32_t i = 0; i < r.count; ++i) EXPECT_LT(r.indices[i], limit);
            if (!s->weightedBindings) continue;
            const WeightedBinding& w = s->weightedBindings[b];
            EXPECT_LE(w.firstCount, w.count);
            for (int32_t i = 0; i < w.count; ++i) EXPECT_LT(w.entries[i].index, limit);
        }
    }
}

TEST_F(MalformedModel, CorruptedBytesNeverBreakTheParser) {
    const ModelBytes file = samples::richModel();
    int accepted = 0, rejected = 0;
    auto tryBytes = [&](const ModelBytes& bytes) {
        const auto copy = exactCopy(bytes, bytes.size());
        ModelParse parse;
        if (parseModel(copy.get(), bytes.size(), &parse) == 0) {
            ++accepted;
            expectConsistent(parse);
        } else {
            ++rejected;
            EXPECT_TRUE(parse.error == kErrorNotHead || parse.error == kErrorSkin ||
                        parse.error == kErrorMalformedModel);
        }
    };
    for (size_t i = 0; i < file.size(); ++i) {
        for (int variant = 0; variant < 4; ++variant) {
            ModelBytes bytes = file;
            const uint8_t values[] = {0x00, 0xFF, static_cast<uint8_t>(file[i] ^ 0x01),
                                      static_cast<uint8_t>(file[i] ^ 0x80)};
            bytes[i] = values[variant];
            tryBytes(bytes);
        }
    }
    // Several bytes at once, from a fixed sequence.
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (int round = 0; round < 3000; ++round) {
        ModelBytes bytes = file;
        for (int k = 1 + next() % 4; k > 0; --k)
            bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
        tryBytes(bytes);
    }
    // Both outcomes occur: the sweep reaches past the first checks.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(rejected, 100);
}

}  // namespace
