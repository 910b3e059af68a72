// The engine context without GL: creation state, tables and handle lookups, texture slots,
// object textures and colours, and geometry and stores held in client memory.
#include <vector>

#include "engine3d/skinning.h"
#include "sample_models.h"
#include "support/engine3d_fixture.h"

namespace {

std::vector<int64_t> ints(const int32_t* values, int n) {
    return std::vector<int64_t>(values, values + n);
}

TEST(EngineCreation, StartsEmptyAndGrowableTablesGrowBy64) {
    Engine3D* e = createEngine3D();
    EXPECT_EQ(findStoreSlot(e), 0);
    EXPECT_EQ(e->meshCapacity, 0);
    EXPECT_EQ(ints(e->screenViewport, 4), std::vector<int64_t>({0, 0, 480, 320}));
    EXPECT_EQ(ints(e->glViewport, 4), std::vector<int64_t>({0, 0, 320, 480}));  // portrait
    destroyEngine3D(e);
    StaticMesh** table = nullptr;
    int32_t capacity = 0;
    StaticMesh mesh{};
    for (int i = 0; i < 65; ++i) {
        ASSERT_EQ(findSlot(table, capacity), i);
        table[i] = &mesh;
    }
    table[10] = nullptr;
    EXPECT_EQ(std::vector<int64_t>({capacity, table[63] == &mesh, table[100] == nullptr}),
              std::vector<int64_t>({128, 1, 1}));  // old entries kept, new ones empty
    EXPECT_EQ(findSlot(table, capacity), 10);
    delete[] table;
}

class EngineObjects : public zvtest::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ModelWriter w;
        w.addMesh(samples::triangleMesh("a"));
        w.addSkeleton(samples::twoBoneSkeleton());
        w.addSkin(samples::quadSkin("runner"));
        model = load(w.build());
        mesh = meshOf(meshHandle = findObject(engine, model, "a"));
        skin = skinOf(skinHandle = findObject(engine, model, "runner"));
    }
    // A texture record with no GL object behind it.
    ObjectHandle addTexture() { return loadTexture(engine, new Texture()); }

    ObjectHandle model = 0, meshHandle = 0, skinHandle = 0;
    StaticMesh* mesh = nullptr;
    SkinnedMesh* skin = nullptr;
};

// Lookups, and the skinned-mesh operations by handle, which ignore other handle types.
TEST_F(EngineObjects, HandlesTellBeyondTheTableFromAnEmptySlot) {
    StaticMesh* m = nullptr;
    SkinnedMesh* s = nullptr;
    DynamicGeometry* g = nullptr;
    VertexStore* v = nullptr;
    const int32_t got[] = {lookupMesh(engine, meshHandle, &m),
                           lookupMesh(engine, kHandleStaticMesh | 64, &m),
                           lookupMesh(engine, kHandleStaticMesh | 5, &m),
                           lookupSkin(engine, kHandleSkinnedMesh | 1, &s),
                           lookupGeometry(engine, kHandleGeometry, &g),
                           lookupStore(engine, kHandleModel | 31, &v),
                           lookupStore(engine, kHandleModel | 32, &v),
                           lookupStore(engine, model, &v),
                           setSkinningMode(engine, kHandleSkinnedMesh | 5, 1),
                           selectTextureRegion(engine, kHandleSkinnedMesh | 64, 0, 0, 1, 1),
                           enableSkinLighting(engine, meshHandle),
                           setSkinningMode(engine, skinHandle, 7),
                           selectTextureRegion(engine, skinHandle, 0, 0, 1, 1)};
    EXPECT_EQ(ints(got, 13), std::vector<int64_t>({0, kErrorBadSlot, kErrorEmptySlot,
                                                   kErrorEmptySlot, kErrorBadSlot, kErrorEmptySlot,
                                                   kErrorBadSlot, 0, kErrorEmptySlot,
                                                   kErrorBadSlot, 0, 0, 0}));
    EXPECT_EQ(engine->lastError, kErrorBadSlot);
    EXPECT_EQ(m, mesh);
    EXPECT_EQ(v, mesh->store);
    EXPECT_EQ(lookupTexture(engine, kHandleTexture | 300), nullptr);
    EXPECT_TRUE(skin->weightedMode == 1 && skin->selection && !skin->lightingOn);
}

TEST_F(EngineObjects, TextureSlotsRunOutAfter256AndFailedLoadsTakeNone) {
    EXPECT_EQ(loadTexture(engine, static_cast<Texture*>(nullptr)), 0u);
    EXPECT_EQ(engine->lastError, kErrorTextureFile);
    engine->lastError = 0;
    EXPECT_EQ(loadTexture(engine, "/no_such_picture.png", false), 0u);
    EXPECT_EQ(engine->lastError, kErrorTextureFile);
    g_boundTexture2D = 5;
    for (int i = 0; i < kMaxTextures; ++i)
        ASSERT_EQ(addTexture(), kHandleTexture | ObjectHandle(i));
    EXPECT_EQ(g_boundTexture2D, -1);  // an upload binds behind the 2D cache
    Texture* extra = new Texture();
    EXPECT_EQ(loadTexture(engine, extra), 0u);
    EXPECT_EQ(engine->lastError, kErrorTexturesFull);
    delete extra;  // a failed call leaves it to the caller
    engine->lastError = 0;
    EXPECT_EQ(loadTexture(engine, "/world.pvr", true), 0u);  // full before any file is read
    EXPECT_EQ(engine->lastError, kErrorTexturesFull);
}

TEST_F(EngineObjects, ObjectTexturesAndColoursCheckTheTextureThenTheUnitThenTheObject) {
    const ObjectHandle t = addTexture();
    const struct {
        ObjectHandle object;
        int32_t unit;
        ObjectHandle texture;
        int32_t want;
    } cases[] = {{meshHandle, 0, 0, kErrorEmptySlot},
                 {meshHandle, 0, kHandleTexture | 7, kErrorEmptySlot},
                 {meshHandle, 0, meshHandle, kErrorEmptySlot},  // not a texture handle
                 {meshHandle, 2, t, kErrorBadArgument},
                 {meshHandle, -1, t, kErrorBadArgument},
                 {kHandleStaticMesh | 64, 0, t, kErrorBadSlot},
                 {model, 0, t, 0},  // other handle types are ignored
                 {meshHandle, 1, t, 0},
                 {skinHandle, 1, t, 0}};  // a skinned mesh has one texture, whatever the unit
    for (const auto& c : cases)
        EXPECT_EQ(setObjectTexture(engine, c.object, c.unit, c.texture), c.want) << &c - cases;
    EXPECT_EQ(mesh->textures[0], nullptr);
    EXPECT_EQ(mesh->textures[1], lookupTexture(engine, t));
    EXPECT_EQ(skin->texture, lookupTexture(engine, t));

    // A constant colour is each byte x 257.
    ASSERT_EQ(setObjectColor(engine, meshHandle, 0x80FF0000u), 0);
    ASSERT_EQ(setObjectColor(engine, skinHandle, 0x00102030u), 0);
    EXPECT_TRUE(mesh->useConstantColour && skin->useConstantColour);
    EXPECT_EQ(ints(mesh->constantColour, 4), std::vector<int64_t>({255 * 257, 0, 0, 128 * 257}));
    EXPECT_EQ(ints(skin->constantColour, 3), std::vector<int64_t>({0x1010, 0x2020, 0x3030}));
    EXPECT_EQ(clearObjectColor(engine, meshHandle) + clearObjectColor(engine, skinHandle), 0);
    EXPECT_FALSE(mesh->useConstantColour || skin->useConstantColour);
    EXPECT_EQ(setObjectColor(engine, kHandleStaticMesh | 9, 0xFFFFFFFFu), kErrorEmptySlot);
    EXPECT_EQ(setObjectColor(engine, model, 0xFFFFFFFFu), 0);
}

TEST_F(EngineObjects, WithoutBufferObjectsStoresAndGeometryStayInClientMemory) {
    EXPECT_EQ(mesh->store->glBuffer, 0u);  // nothing uploaded
    EXPECT_EQ(bindStore(engine, mesh->store), reinterpret_cast<uintptr_t>(mesh->store->data));
    EXPECT_EQ(bindStore(engine, nullptr), 0u);
    unbindStore(engine);
    EXPECT_EQ(engine->statBufferBinds, 0);

    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const uint16_t good[3] = {0, 1, 2}, bad[3] = {0, 1, 3};
    DynamicGeometry* g = nullptr;
    const ObjectHandle made = createGeometry(engine, positions, nullptr, 3, good, 3, 0);
    ASSERT_EQ(lookupGeometry(engine, made, &g), 0);
    EXPECT_EQ(g->handle, kHandleGeometry);
    EXPECT_EQ(g->positions[3], 1.0f);  // a copy
    EXPECT_EQ(createGeometry(engine, positions, nullptr, 3, bad, 3, 0), 0u);
    EXPECT_EQ(engine->lastError, kErrorBadArgument);
    EXPECT_EQ(createGeometry(engine, positions, nullptr, 3, good, 3, kHandleTexture | 3), 0u);
    EXPECT_EQ(createGeometry(engine, positions, nullptr, 3, good, -1, 0), 0u);
}

}  // namespace
