// The model file as the loader reads it: layout, every encoding, chunk skipping, names and the
// model slots. No GL here: the capability record is absent, so nothing is uploaded.
#include <gtest/gtest.h>

#include <cstring>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "sample_models.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace {

class ModelLoad : public ::testing::Test {
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

    ObjectHandle load(const ModelBytes& file) {
        return loadModelFromMemory(engine, file.data(), file.size());
    }
    StaticMesh* mesh(ObjectHandle handle) {
        StaticMesh* m = nullptr;
        EXPECT_EQ(lookupMesh(engine, handle, &m), 0);
        return m;
    }
    // Component c of attribute a of vertex v, as stored.
    template <typename T>
    T stored(const StaticMesh* m, int v, int a, int c) {
        T value;
        std::memcpy(&value,
                    m->store->data + m->dataOffset + v * m->stride + m->attributes[a].offset +
                        c * static_cast<int>(sizeof(T)),
                    sizeof value);
        return value;
    }
    // A model of one mesh whose TRLI holds exactly these chunks.
    ObjectHandle loadTrli(const ModelBytes& trli, const char* name = "m") {
        return load(
            modelFile(modelChunk("MESH", joinBytes({modelName(name), modelChunk("TRLI", trli)}))));
    }

    Engine3D* engine = nullptr;

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

ModelBytes shorts(std::initializer_list<int16_t> values) {
    ModelBytes out;
    for (int16_t v : values) appendU16(out, static_cast<uint16_t>(v));
    return out;
}

ModelBytes words(std::initializer_list<int32_t> values) {
    ModelBytes out;
    for (int32_t v : values) appendU32(out, static_cast<uint32_t>(v));
    return out;
}

ModelBytes nineFloats() {
    return encodeComponents({0, 0, 0, 1, 0, 0, 0, 1, 0}, 'f', 1);
}

TEST_F(ModelLoad, SmallestFileIsOneTriangleOf104Bytes) {
    const ModelBytes file = modelFile(modelChunk(
        "MESH",
        joinBytes({modelName("grass"), modelChunk("TRLI", modelChunk("POSf", nineFloats()))})));
    ASSERT_EQ(file.size(), 104u);
    const ObjectHandle model = load(file);
    EXPECT_EQ(model, 0x02000000u);
    const ObjectHandle grass = findObject(engine, model, "grass");
    ASSERT_EQ(grass, 0x01000000u);
    const StaticMesh* m = mesh(grass);
    EXPECT_EQ(m->vertexCount, 3);
    EXPECT_EQ(m->stride, 12);
    EXPECT_EQ(m->attributeMask, kMaskPosition);
    EXPECT_EQ(m->modelHandle, model);
    EXPECT_EQ(m->store->size, 36);
    EXPECT_FLOAT_EQ(stored<float>(m, 1, kAttrPosition, 0), 1.0f);
    EXPECT_FLOAT_EQ(stored<float>(m, 2, kAttrPosition, 1), 1.0f);
}

TEST_F(ModelLoad, PositionEncodingsBecomeFloats) {
    const StaticMesh* fixed =
        mesh(loadTrli(modelChunk("POSi", words({0x18000, -0x8000, 0, 0, 0, 0, 0, 0, 0}))));
    EXPECT_FLOAT_EQ(stored<float>(fixed, 0, kAttrPosition, 0), 1.5f);
    EXPECT_FLOAT_EQ(stored<float>(fixed, 0, kAttrPosition, 1), -0.5f);
    const StaticMesh* s88 = mesh(findObject(
        engine, loadTrli(modelChunk("POSs", shorts({384, -128, 0, 0, 0, 0, 0, 0, 0}))), "m"));
    EXPECT_EQ(s88->vertexCount, 3);
    EXPECT_FLOAT_EQ(stored<float>(s88, 0, kAttrPosition, 0), 1.5f);
    EXPECT_FLOAT_EQ(stored<float>(s88, 0, kAttrPosition, 1), -0.5f);
    // Bytes are counted (3 per vertex) but not converted: the room stays zero.
    const StaticMesh* bytes =
        mesh(findObject(engine, loadTrli(modelChunk("POSb", ModelBytes(6, 9))), "m"));
    EXPECT_EQ(bytes->vertexCount, 2);
    EXPECT_EQ(bytes->stride, 12);
    EXPECT_EQ(stored<float>(bytes, 1, kAttrPosition, 2), 0.0f);
}

TEST_F(ModelLoad, TextureAndColourEncodingsAndTheVertexLayout) {
    const ObjectHandle model = loadTrli(joinBytes({
        modelChunk("POSf", nineFloats()),
        modelChunk("TEXi", words({0x8000, -0x10000, 0, 0, 0, 0})),
        modelChunk("TX2s", shorts({512, -3, 0, 0, 0, 0})),
        modelChunk("COLb", {10, 20, 30, 1, 2, 3, 4, 5, 6}),
    }));
    const StaticMesh* m = mesh(findObject(engine, model, "m"));
    EXPECT_EQ(m->attributeMask, kMaskPosition | kMaskTexture0 | kMaskTexture1 | kMaskColour);
    EXPECT_EQ(m->stride, 24);
    EXPECT_EQ(m->attributes[kAttrTexture0].offset, 12);
    EXPECT_EQ(m->attributes[kAttrTexture1].offset, 16);
    EXPECT_EQ(m->attributes[kAttrColour].offset, 20);
    EXPECT_EQ((stored<int16_t>(m, 0, kAttrTexture0, 0)), 512);
    EXPECT_EQ((stored<int16_t>(m, 0, kAttrTexture0, 1)), -1024);
    EXPECT_EQ((stored<int16_t>(m, 0, kAttrTexture1, 0)), 512);
    EXPECT_EQ((stored<int16_t>(m, 0, kAttrTexture1, 1)), -3);
    EXPECT_EQ((stored<uint8_t>(m, 0, kAttrColour, 0)), 10);
    EXPECT_EQ((stored<uint8_t>(m, 0, kAttrColour, 2)), 30);
    EXPECT_EQ((stored<uint8_t>(m, 0, kAttrColour, 3)), 255);
    EXPECT_EQ((stored<uint8_t>(m, 2, kAttrColour, 1)), 5);
}

TEST_F(ModelLoad, UnconvertedEncodingsReserveZeroedRoom) {
    const StaticMesh* m =
        mesh(findObject(engine,
                        loadTrli(joinBytes({modelChunk("POSf", nineFloats()),
                                            modelChunk("TEXf", ModelBytes(5, 0xAB)),
                                            modelChunk("COLs", ModelBytes(3, 0xCD))})),
                        "m"));
    EXPECT_EQ(m->attributeMask, kMaskPosition | kMaskTexture0 | kMaskColour);
    EXPECT_EQ(m->stride, 20);
    for (int v = 0; v < 3; ++v) {
        EXPECT_EQ((stored<int16_t>(m, v, kAttrTexture0, 0)), 0);
        EXPECT_EQ((stored<uint32_t>(m, v, kAttrColour, 0)), 0u);
    }
}

TEST_F(ModelLoad, TexAndTx1AreOneAttributeAndTheLaterChunkWins) {
    const ModelBytes first = modelChunk("TEXs", shorts({1, 1, 1, 1, 1, 1}));
    const ModelBytes second = modelChunk("TX1s", shorts({2, 2, 2, 2, 2, 2}));
    const StaticMesh* a = mesh(findObject(
        engine, loadTrli(joinBytes({modelChunk("POSf", nineFloats()), first, second})), "m"));
    const StaticMesh* b = mesh(findObject(
        engine, loadTrli(joinBytes({modelChunk("POSf", nineFloats()), second, first})), "m"));
    EXPECT_EQ(a->stride, 16);
    EXPECT_EQ((stored<int16_t>(a, 2, kAttrTexture0, 1)), 2);
    EXPECT_EQ((stored<int16_t>(b, 2, kAttrTexture0, 1)), 1);
}

TEST_F(ModelLoad, UnknownChunksAreSkippedWhereTheFormatAllows) {
    const ModelBytes junk = modelChunk("JUNK", {1, 2, 3, 4, 5});
    ModelWriter w;
    w.addChunk("JUNK", {9});
    MeshSource m = samples::triangleMesh("a");
    const ModelBytes positions = modelChunk("POSf", encodeComponents(m.positions, 'f', 1));
    w.addChunk("MESH",
               joinBytes({modelName("a"), modelChunk("TRLI", joinBytes({junk, positions, junk}))}));
    SkeletonSource skeleton = samples::twoBoneSkeleton();
    w.addChunk("SKEL", joinBytes({skeletonPayload(skeleton), junk}));
    SkinSource skin = samples::quadSkin("runner");
    w.addChunk("SKIN", joinBytes({modelName("runner"),
                                  modelChunk("TRIX", joinBytes({junk, trixPayload(skin)})),
                                  modelChunk("BIND", joinBytes({junk, bindPayload(skin), junk})),
                                  modelChunk("BNDW", joinBytes({weightsPayload(skin), junk}))}));
    const ObjectHandle model = load(w.build());
    ASSERT_NE(model, 0u) << engine->lastError;
    EXPECT_EQ(mesh(findObject(engine, model, "a"))->vertexCount, 3);
    const ObjectHandle runner = findObject(engine, model, "runner");
    ASSERT_EQ(handleType(runner), kHandleSkinnedMesh);
    SkinnedMesh* s;
    ASSERT_EQ(lookupSkin(engine, runner, &s), 0);
    EXPECT_EQ(s->triangleCount, 2);
    EXPECT_EQ(s->rigidBindings[1].count, 2);
    EXPECT_EQ(s->weightedBindings[0].count, 3);
    EXPECT_EQ(s->skeleton->clipCount, 1);

    // Inside MESH only the chunk right after the name counts: a TRLI behind another chunk is
    // not read, and the mesh has no vertices.
    const ObjectHandle late = load(modelFile(
        modelChunk("MESH", joinBytes({modelName("late"), junk,
                                      modelChunk("TRLI", modelChunk("POSf", nineFloats()))}))));
    const StaticMesh* empty = mesh(findObject(engine, late, "late"));
    EXPECT_EQ(empty->vertexCount, 0);
    EXPECT_EQ(empty->attributeMask, 0u);

    // Inside SKIN the three chunks must follow one another directly.
    ModelWriter strict;
    strict.addSkeleton(skeleton);
    strict.addChunk("SKIN", joinBytes({modelName("runner"), modelChunk("TRIX", trixPayload(skin)),
                                       junk, modelChunk("BIND", bindPayload(skin))}));
    EXPECT_EQ(load(strict.build()), 0u);
    EXPECT_EQ(engine->lastError, kErrorSkin);
}

TEST_F(ModelLoad, FindObjectSearchesMeshesInSlotOrderThenSkins) {
    ModelWriter w;
    w.addMesh(samples::triangleMesh("tree"));
    w.addMesh(samples::triangleMesh("tree"));
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(samples::quadSkin("tree"));
    w.addSkin(samples::quadSkin("runner"));
    const ObjectHandle model = load(w.build());
    ASSERT_NE(model, 0u);
    EXPECT_EQ(findObject(engine, model, "tree"), 0x01000000u);
    EXPECT_EQ(findObject(engine, model, "runner"), 0x08000001u);
    EXPECT_EQ(findObject(engine, model, "nothing"), 0u);
    EXPECT_EQ(findObject(engine, 0x01000000u, "tree"), 0u);  // not a model handle
    EXPECT_EQ(findObject(engine, model, nullptr), 0u);

    // A second model's meshes are its own, even with the same names.
    ModelWriter other;
    other.addMesh(samples::triangleMesh("tree"));
    const ObjectHandle second = load(other.build());
    EXPECT_EQ(second, 0x02000001u);
    EXPECT_EQ(findObject(engine, second, "tree"), 0x01000002u);
    EXPECT_EQ(findObject(engine, second, "runner"), 0u);
}

TEST_F(ModelLoad, NamesCompareOverThirtyTwoCharacters) {
    const std::string full(32, 'n');
    ModelWriter w;
    w.addMesh(samples::triangleMesh(full));
    const ObjectHandle model = load(w.build());
    EXPECT_NE(findObject(engine, model, full.c_str()), 0u);
    EXPECT_NE(findObject(engine, model, (full + "longer").c_str()), 0u);
    EXPECT_EQ(findObject(engine, model, full.substr(0, 31).c_str()), 0u);
}

TEST_F(ModelLoad, MeshesShareTheStoreInFileOrder) {
    ModelWriter w;
    MeshSource a = samples::triangleMesh("a");
    MeshSource b = samples::triangleMesh("b");
    b.colours = ModelBytes(9, 1);
    w.addMesh(a);
    w.addMesh(b);
    const ObjectHandle model = load(w.build());
    const StaticMesh* ma = mesh(findObject(engine, model, "a"));
    const StaticMesh* mb = mesh(findObject(engine, model, "b"));
    EXPECT_EQ(ma->store, mb->store);
    EXPECT_EQ(ma->dataOffset, 0);
    EXPECT_EQ(mb->dataOffset, 36);
    EXPECT_EQ(ma->store->size, 36 + 48);
    EXPECT_EQ(ma->store->fill, ma->store->size);
}

TEST_F(ModelLoad, SkeletonKeysInEveryEncoding) {
    for (char e : {'f', 'i', 's'}) {
        ModelWriter w;
        w.addSkeleton(samples::twoBoneSkeleton(e));
        w.addSkin(samples::quadSkin("s"));
        ASSERT_NE(load(w.build()), 0u) << e;
        const Skeleton* s = nullptr;  // the one just loaded: the last in the table
        for (int32_t i = 0; i < engine->skeletonCapacity; ++i)
            if (engine->skeletons[i]) s = engine->skeletons[i];
        ASSERT_EQ(s->boneCount, 2);
        EXPECT_EQ(s->bones[0].parent, kNoParentBone);
        EXPECT_EQ(s->bones[1].parent, 0);
        ASSERT_EQ(s->clipCount, 1);
        EXPECT_EQ(s->clips[0].frameCount, 2);
        // Bone 0 frame 1 translates by x = 1; bone 1 frame 1 rotates by (0, 0, 0.5, 0.5).
        EXPECT_FLOAT_EQ(s->keys[1].translation.x, 1.0f) << e;
        EXPECT_FLOAT_EQ(s->keys[3].translation.y, 2.0f) << e;
        EXPECT_FLOAT_EQ(s->keys[3].rotation.z, 0.5f) << e;
        EXPECT_FLOAT_EQ(s->keys[0].rotation.w, 1.0f) << e;
    }
}

TEST_F(ModelLoad, ShortKeysUseTheirOwnScales) {
    ModelBytes bones = {255};
    appendBytes(bones, ModelBytes(14, 0));
    ModelBytes keys = shorts({256, 0, 0, 0, 0, 0, 16384, 512, 0, 0, 0, 0, 8192, 16384});
    ModelWriter w;
    w.addChunk("SKEL", joinBytes({modelChunk("BONs", bones), modelChunk("ANIs", keys)}));
    ASSERT_NE(load(w.build()), 0u);
    const Skeleton* s = engine->skeletons[0];
    EXPECT_FLOAT_EQ(s->keys[0].translation.x, 1.0f);
    EXPECT_FLOAT_EQ(s->keys[0].rotation.w, 1.0f);
    EXPECT_FLOAT_EQ(s->keys[1].translation.x, 2.0f);
    EXPECT_FLOAT_EQ(s->keys[1].rotation.z, 0.5f);
}

TEST_F(ModelLoad, SkinnedMeshIsReadWhole) {
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    SkinSource source = samples::quadSkin("runner");
    source.bindingEncoding = 's';
    source.bindings[0].matrix[12] = 2.0f;
    source.bindings[0].matrix[0] = 0.5f;
    w.addSkin(source);
    const ObjectHandle model = load(w.build());
    SkinnedMesh* s;
    ASSERT_EQ(lookupSkin(engine, findObject(engine, model, "runner"), &s), 0);
    EXPECT_EQ(s->modelHandle, model);
    EXPECT_EQ(s->skeleton, engine->skeletons[0]);
    EXPECT_EQ(s->positionCount, 4);
    EXPECT_EQ(s->vertexCount, 4);
    EXPECT_FLOAT_EQ(s->positions[2].z, 1.0f);
    EXPECT_EQ(s->triangles[5], 3);
    // Layout: float position, unit-0 coordinates, colour.
    EXPECT_EQ(s->stride, 20);
    const uint8_t* v3 = s->vertices + 3 * s->stride;
    int16_t uv[2];
    std::memcpy(uv, v3 + s->attributes[kAttrTexture0].offset, sizeof uv);
    EXPECT_EQ(uv[1], 512);
    EXPECT_FLOAT_EQ(s->texCoords[7], 0.5f);
    EXPECT_EQ(v3[s->attributes[kAttrColour].offset + 2], 120);
    EXPECT_EQ(v3[s->attributes[kAttrColour].offset + 3], 255);
    // Bind matrices: rows in the file, column-major in memory, 's' scales.
    const RigidBinding& b0 = s->rigidBindings[0];
    EXPECT_FLOAT_EQ((*b0.matrix)[12], 2.0f);
    EXPECT_FLOAT_EQ((*b0.matrix)[0], 0.5f);
    EXPECT_FLOAT_EQ((*b0.matrix)[15], 1.0f);
    EXPECT_EQ(b0.count, 2);
    EXPECT_EQ(s->rigidBindings[1].indices[1], 3);
    const WeightedBinding& w0 = s->weightedBindings[0];
    EXPECT_EQ(w0.count, 3);
    EXPECT_EQ(w0.firstCount, 2);
    EXPECT_FLOAT_EQ(w0.entries[2].weight, 0.25f);
    EXPECT_EQ(s->weightedBindings[1].firstCount, 1);
}

TEST_F(ModelLoad, SkinTextureCoordinatesInEveryEncoding) {
    const struct {
        char encoding;
        float value;
        int16_t expected;
    } cases[] = {{'f', 0.5f, 512}, {'i', 0.25f, 256}, {'s', 0.75f, 768}, {'b', 0.25f, 256}};
    for (const auto& c : cases) {
        ModelWriter w;
        w.addSkeleton(samples::twoBoneSkeleton());
        SkinSource source = samples::quadSkin("s");
        source.texEncoding = c.encoding;
        source.texCoords.assign(8, c.value);
        w.addSkin(source);
        SkinnedMesh* s;
        ASSERT_EQ(lookupSkin(engine, findObject(engine, load(w.build()), "s"), &s), 0)
            << c.encoding;
        int16_t u;
        std::memcpy(&u, s->vertices + s->attributes[kAttrTexture0].offset, sizeof u);
        EXPECT_EQ(u, c.expected) << c.encoding;
    }
}

TEST_F(ModelLoad, AllModelSlotsInUse) {
    ModelWriter w;
    w.addMesh(samples::triangleMesh("a"));
    const ModelBytes file = w.build();
    for (int i = 0; i < kMaxStores; ++i)
        ASSERT_EQ(load(file), kHandleModel | static_cast<ObjectHandle>(i));
    const int32_t meshesBefore = engine->meshCapacity;
    EXPECT_EQ(load(file), 0u);
    EXPECT_EQ(engine->lastError, kErrorModelSlots);
    EXPECT_EQ(engine->meshCapacity, meshesBefore);
    int32_t meshes = 0;
    for (int32_t i = 0; i < engine->meshCapacity; ++i) meshes += engine->meshes[i] != nullptr;
    EXPECT_EQ(meshes, kMaxStores);
}

TEST_F(ModelLoad, WrongRootTagUsesNoModelSlot) {
    ModelBytes file = samples::richModel();
    file[4] = 'X';
    EXPECT_EQ(load(file), 0u);
    EXPECT_EQ(engine->lastError, kErrorNotHead);
    EXPECT_EQ(load(ModelBytes{1, 2, 3}), 0u);
    EXPECT_EQ(engine->lastError, kErrorNotHead);
    EXPECT_EQ(load(samples::richModel()), 0x02000000u);
}

TEST_F(ModelLoad, LoadModelReadsAPackEntry) {
    const std::string folder = zvtest::makeTempFolder();
    const std::string pack = folder + "packres.bin";
    std::string error;
    ASSERT_TRUE(writePackFile(pack.c_str(), {{"/world.kvm", samples::richModel()}}, &error))
        << error;
    ASSERT_TRUE(openPack(pack.c_str()));
    const ObjectHandle model = loadModel(engine, "/world.kvm");
    EXPECT_EQ(model, 0x02000000u);
    EXPECT_NE(findObject(engine, model, "tree_1"), 0u);
    EXPECT_EQ(loadModel(engine, "/missing.kvm"), 0u);
    EXPECT_EQ(engine->lastError, kErrorModelFile);
    closePack();
}

}  // namespace
