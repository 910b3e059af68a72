// The model file as the loader reads it: layout, every encoding, chunk skipping, names and the
// model slots. No GL here: the capability record is absent, so nothing is uploaded.
#include <cstring>

#include "sample_models.h"
#include "storage/pack.h"
#include "support/engine3d_fixture.h"
#include "tools/writers/pack_writer.h"

namespace {

template <typename T>
ModelBytes values(std::initializer_list<T> list) {
    ModelBytes out;
    for (T v : list) sizeof(T) == 2 ? appendU16(out, uint16_t(v)) : appendU32(out, uint32_t(v));
    return out;
}
const auto shorts = values<int16_t>;
const auto words = values<int32_t>;

const ModelBytes kPositions =
    modelChunk("POSf", encodeComponents({0, 0, 0, 1, 0, 0, 0, 1, 0}, 'f', 1));

ModelBytes meshFile(const ModelBytes& trli, const char* name = "m") {
    return modelFile(modelChunk("MESH", joinBytes({modelName(name), modelChunk("TRLI", trli)})));
}

// Component c of attribute a of vertex v as stored: floats, 16-bit texture units or bytes.
double stored(const StaticMesh* m, int v, int a, int c) {
    const uint8_t* at = m->store->data + m->dataOffset + v * m->stride + m->attributes[a].offset;
    float f;
    int16_t s;
    switch (m->attributes[a].format) {
        case kAttributeFloat: std::memcpy(&f, at + 4 * c, 4); return f;
        case kAttributeShort1024: std::memcpy(&s, at + 2 * c, 2); return s;
        default: return at[c];
    }
}

using ModelLoad = zvtest::EngineFixture;

TEST_F(ModelLoad, StaticMeshEncodingsAndTheVertexLayout) {
    const ModelBytes tex = modelChunk("TEXs", shorts({1, 1, 1, 1, 1, 1}));
    const ModelBytes tx1 = modelChunk("TX1s", shorts({2, 2, 2, 2, 2, 2}));
    const uint32_t all = kMaskPosition | kMaskTexture0 | kMaskTexture1 | kMaskColour;
    const struct {
        ModelBytes trli;
        int64_t vertices, stride, mask;
        std::vector<std::vector<double>> values;  // vertex, attribute, component, value stored
    } cases[] = {
        {kPositions, 3, 12, kMaskPosition, {{1, kAttrPosition, 0, 1}, {2, kAttrPosition, 1, 1}}},
        {modelChunk("POSi", words({0x18000, -0x8000, 0, 0, 0, 0, 0, 0, 0})), 3, 12, kMaskPosition,
         {{0, kAttrPosition, 0, 1.5}, {0, kAttrPosition, 1, -0.5}}},
        {modelChunk("POSs", shorts({384, -128, 0, 0, 0, 0, 0, 0, 0})), 3, 12, kMaskPosition,
         {{0, kAttrPosition, 0, 1.5}, {0, kAttrPosition, 1, -0.5}}},
        // Bytes are counted (3 per vertex) but not converted: the room stays zero.
        {modelChunk("POSb", ModelBytes(6, 9)), 2, 12, kMaskPosition, {{1, kAttrPosition, 2, 0}}},
        {joinBytes({kPositions, modelChunk("TEXi", words({0x8000, -0x10000, 0, 0, 0, 0})),
                    modelChunk("TX2s", shorts({512, -3, 0, 0, 0, 0})),
                    modelChunk("COLb", {10, 20, 30, 1, 2, 3, 4, 5, 6})}),
         3, 24, all,
         {{0, kAttrTexture0, 0, 512}, {0, kAttrTexture0, 1, -1024}, {0, kAttrTexture1, 0, 512},
          {0, kAttrTexture1, 1, -3}, {0, kAttrColour, 0, 10}, {0, kAttrColour, 2, 30},
          {0, kAttrColour, 3, 255}, {2, kAttrColour, 1, 5}}},
        // Encodings the mesh does not convert take their room and leave it zero.
        {joinBytes({kPositions, modelChunk("TEXf", ModelBytes(5, 1)), modelChunk("COLs", {1})}),
         3, 20, kMaskPosition | kMaskTexture0 | kMaskColour,
         {{2, kAttrTexture0, 1, 0}, {2, kAttrColour, 0, 0}, {2, kAttrColour, 3, 0}}},
        // TEX and TX1 are one attribute: the later chunk wins.
        {joinBytes({kPositions, tex, tx1}), 3, 16, kMaskPosition | kMaskTexture0,
         {{2, kAttrTexture0, 1, 2}}},
        {joinBytes({kPositions, tx1, tex}), 3, 16, kMaskPosition | kMaskTexture0,
         {{2, kAttrTexture0, 1, 1}}}};
    for (const auto& c : cases) {
        const StaticMesh* m = meshOf(findObject(engine, load(meshFile(c.trli)), "m"));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(std::vector<int64_t>({m->vertexCount, m->stride, m->attributeMask}),
                  std::vector<int64_t>({c.vertices, c.stride, c.mask}))
            << &c - cases;
        for (const auto& v : c.values)
            EXPECT_EQ(stored(m, int(v[0]), int(v[1]), int(v[2])), v[3]) << &c - cases;
    }
}

TEST_F(ModelLoad, ObjectsTakeSlotsInFileOrderAndAreFoundByModelAndName) {
    const ModelBytes smallest = meshFile(kPositions, "grass");
    ASSERT_EQ(smallest.size(), 104u);  // lead word, HEAD, MESH, name, TRLI, POSf
    EXPECT_EQ(load(smallest), kHandleModel);
    const std::string full(32, 'n');
    ModelWriter w;
    MeshSource b = samples::triangleMesh("b");
    b.colours = ModelBytes(9, 1);
    w.addMesh(samples::triangleMesh("a"));
    w.addMesh(b);
    w.addMesh(samples::triangleMesh("a"));
    w.addMesh(samples::triangleMesh(full));
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(samples::quadSkin("a"));
    w.addSkin(samples::quadSkin("runner"));
    const ObjectHandle model = load(w.build());
    EXPECT_EQ(model, kHandleModel | 1);
    const StaticMesh* ma = meshOf(kHandleStaticMesh | 1);
    const StaticMesh* mb = meshOf(kHandleStaticMesh | 2);
    EXPECT_EQ(ma->store, mb->store);  // one store in file order
    EXPECT_EQ(std::vector<int64_t>({mb->modelHandle, mb->dataOffset, mb->store->size}),
              std::vector<int64_t>({model, 36, 36 + 48 + 36 + 36}));
    const ObjectHandle second =
        load(samples::skinFile(samples::twoBoneSkeleton(), samples::quadSkin("a")));
    const struct {
        ObjectHandle model;
        std::string name;
        ObjectHandle want;
    } cases[] = {{model, "a", kHandleStaticMesh | 1},  // meshes in slot order, then skins
                 {model, "runner", kHandleSkinnedMesh | 1},
                 {model, "grass", 0},  // another model's
                 {kHandleStaticMesh, "a", 0},  // not a model handle
                 {model, full + "longer", kHandleStaticMesh | 4},  // compared over 32 characters
                 {model, full.substr(0, 31), 0},
                 {second, "a", kHandleSkinnedMesh | 2}};
    for (const auto& c : cases)
        EXPECT_EQ(findObject(engine, c.model, c.name.c_str()), c.want) << c.name;
    EXPECT_EQ(findObject(engine, model, nullptr), 0u);
}

TEST_F(ModelLoad, UnknownChunksAreSkippedWhereTheFormatAllows) {
    const ModelBytes junk = modelChunk("JUNK", {1, 2, 3, 4, 5});
    const SkeletonSource skeleton = samples::twoBoneSkeleton();
    SkinSource skin = samples::quadSkin("runner");
    skin.weighted[0].entries.push_back({3, 1, 0.5f});  // flagged, but not in the leading run
    ModelWriter w;
    w.addChunk("JUNK", {9});
    w.addChunk("MESH", joinBytes({modelName("a"),
                                  modelChunk("TRLI", joinBytes({junk, kPositions, junk}))}));
    // A clip of bytes is no clip; skin positions and coordinates in unknown encodings are
    // skipped (the coordinates still take their room).
    w.addChunk("SKEL",
               joinBytes({skeletonPayload(skeleton), junk, modelChunk("ANIb", ModelBytes(14))}));
    const ModelBytes odd = joinBytes({modelChunk("POSb", ModelBytes(12)), modelChunk("TX2x", {})});
    w.addChunk("SKIN", joinBytes({modelName("runner"),
                                  modelChunk("TRIX", joinBytes({junk, trixPayload(skin), odd})),
                                  modelChunk("BIND", joinBytes({junk, bindPayload(skin), junk})),
                                  modelChunk("BNDW", joinBytes({weightsPayload(skin), junk}))}));
    const ObjectHandle model = load(w.build());
    EXPECT_EQ(meshOf(findObject(engine, model, "a"))->vertexCount, 3);
    const SkinnedMesh* s = skinOf(findObject(engine, model, "runner"));
    ASSERT_NE(s, nullptr);
    const WeightedBinding& weighted = s->weightedBindings[0];
    EXPECT_EQ(std::vector<int>({s->triangleCount, s->rigidBindings[1].count, weighted.count,
                                weighted.firstCount, s->skeleton->clipCount}),
              std::vector<int>({2, 2, 4, 2, 1}));
    EXPECT_EQ(s->positions[1].x, 1);
    EXPECT_TRUE(s->attributeMask & kMaskTexture1);

    // Inside MESH only a TRLI right after the name is read; inside SKIN the three chunks must
    // follow one another directly.
    const ObjectHandle late = load(modelFile(
        modelChunk("MESH", joinBytes({modelName("late"), junk, modelChunk("TRLI", kPositions)}))));
    EXPECT_EQ(meshOf(findObject(engine, late, "late"))->attributeMask, 0u);
    ModelWriter strict;
    strict.addSkeleton(skeleton);
    strict.addChunk("SKIN", joinBytes({modelName("runner"), modelChunk("TRIX", trixPayload(skin)),
                                       junk, modelChunk("BIND", bindPayload(skin))}));
    const ModelBytes file = strict.build();
    EXPECT_EQ(loadModelFromMemory(engine, file.data(), file.size()), 0u);
    EXPECT_EQ(engine->lastError, kErrorSkin);
}

TEST_F(ModelLoad, SkeletonKeysInEveryEncoding) {
    // Keys of seven floats, bone after bone. Bone 0 frame 0 does not turn and frame 1 moves x by
    // 1; bone 1 frame 1 moves y by 2 and turns by (0, 0, 0.5, 0.5).
    int32_t slot = 0;
    for (char e : {'f', 'i', 's'}) {
        ModelWriter w;
        w.addSkeleton(samples::twoBoneSkeleton(e));
        load(w.build());
        const float* k = &engine->skeletons[slot++]->keys[0].translation.x;
        EXPECT_EQ(std::vector<float>({k[6], k[7], k[21 + 1], k[21 + 5]}),
                  std::vector<float>({1, 1, 2, 0.5f}))
            << e;
    }
    // Short keys by hand: translations in 8.8, rotations in 2.14.
    ModelBytes bones = {255};
    appendBytes(bones, ModelBytes(14, 0));
    const ModelBytes keys = shorts({256, 0, 0, 0, 0, 0, 16384, 512, 0, 0, 0, 0, 8192, 16384});
    ModelWriter w;
    w.addChunk("SKEL", joinBytes({modelChunk("BONs", bones), modelChunk("ANIs", keys)}));
    load(w.build());
    const float* k = &engine->skeletons[slot]->keys[0].translation.x;
    EXPECT_EQ(std::vector<float>(k, k + 14),
              std::vector<float>({1, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0.5f, 1}));
}

TEST_F(ModelLoad, SkinnedMeshIsReadWhole) {
    SkinSource source = samples::quadSkin("runner");
    source.bindingEncoding = 's';
    source.bindings[0].matrix[12] = 2.0f;
    source.bindings[0].matrix[0] = 0.5f;
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(source);
    // Unit-0 coordinates in every encoding become 1/1024 units.
    const struct {
        const char* name;
        float value;
        int16_t stored;
    } encodings[] = {{"f", 0.5f, 512}, {"i", 0.25f, 256}, {"s", 0.75f, 768}, {"b", 0.25f, 256}};
    for (const auto& e : encodings) {
        SkinSource t = samples::quadSkin(e.name);
        t.texEncoding = e.name[0];
        t.texCoords.assign(8, e.value);
        w.addSkin(t);
    }
    const ObjectHandle model = load(w.build());
    const SkinnedMesh* s = skinOf(findObject(engine, model, "runner"));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->modelHandle == model && s->skeleton == engine->skeletons[0]);
    // Float position, unit-0 coordinates and colour; coordinates also kept as floats.
    EXPECT_EQ(std::vector<int>({s->positionCount, s->vertexCount, s->triangles[5], s->stride}),
              std::vector<int>({4, 4, 3, 20}));
    const uint8_t* v3 = s->vertices + 3 * s->stride;
    EXPECT_EQ(std::vector<int>(v3 + 16, v3 + 20), std::vector<int>({100, 110, 120, 255}));
    EXPECT_EQ(std::vector<float>({s->positions[2].z, s->texCoords[7]}),
              std::vector<float>({1, 0.5f}));
    // Bind matrices: rows in the file, column-major in memory, 's' scales.
    const Mat4& m = *s->rigidBindings[0].matrix;
    EXPECT_EQ(std::vector<float>({m[0], m[12], m[15]}), std::vector<float>({0.5f, 2, 1}));
    EXPECT_EQ(std::vector<int>({s->rigidBindings[0].count, s->rigidBindings[1].indices[1],
                                s->weightedBindings[1].firstCount}),
              std::vector<int>({2, 3, 1}));
    EXPECT_FLOAT_EQ(s->weightedBindings[0].entries[2].weight, 0.25f);
    for (const auto& e : encodings) {
        const SkinnedMesh* t = skinOf(findObject(engine, model, e.name));
        int16_t uv[2];
        std::memcpy(uv, t->vertices + t->attributes[kAttrTexture0].offset, sizeof uv);
        EXPECT_EQ(uv[1], e.stored) << e.name;
    }
}

TEST_F(ModelLoad, AllModelSlotsInUseRejectTheNextModelBeforeParsing) {
    const ModelBytes file = meshFile(kPositions);
    for (int i = 0; i < kMaxStores; ++i) ASSERT_EQ(load(file), kHandleModel | ObjectHandle(i));
    EXPECT_EQ(loadModelFromMemory(engine, file.data(), file.size()), 0u);
    EXPECT_EQ(engine->lastError, kErrorModelSlots);
    int32_t meshes = 0;
    for (int32_t i = 0; i < engine->meshCapacity; ++i) meshes += engine->meshes[i] != nullptr;
    EXPECT_EQ(meshes, kMaxStores);
}

TEST_F(ModelLoad, LoadModelReadsAPackEntry) {
    const std::string pack = zvtest::makeTempFolder() + "packres.bin";
    std::string error;
    ASSERT_TRUE(writePackFile(pack.c_str(), {{"/world.kvm", meshFile(kPositions)}}, &error))
        << error;
    ASSERT_TRUE(openPack(pack.c_str()));
    EXPECT_EQ(findObject(engine, loadModel(engine, "/world.kvm"), "m"), kHandleStaticMesh);
    EXPECT_EQ(loadModel(engine, "/missing.kvm"), 0u);
    EXPECT_EQ(engine->lastError, kErrorModelFile);
    closePack();
}

}  // namespace
