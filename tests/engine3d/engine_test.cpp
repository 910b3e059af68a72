// The engine context without GL: creation state, handles and slots, texture slots, object
// textures and colours, geometry objects and stores drawn from client memory.
#include <gtest/gtest.h>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "engine3d/skinned_mesh.h"
#include "gfx2d/texture.h"
#include "sample_models.h"

namespace {

class EngineObjects : public ::testing::Test {
protected:
    void SetUp() override {
        savedCaps_ = g_graphicsCaps;
        g_graphicsCaps = nullptr;
        engine = createEngine3D();
        ModelWriter w;
        w.addMesh(samples::triangleMesh("a"));
        w.addMesh(samples::triangleMesh("b"));
        w.addSkeleton(samples::twoBoneSkeleton());
        w.addSkin(samples::quadSkin("runner"));
        const ModelBytes file = w.build();
        model = loadModelFromMemory(engine, file.data(), file.size());
        ASSERT_NE(model, 0u);
        meshA = findObject(engine, model, "a");
        skin = findObject(engine, model, "runner");
    }
    void TearDown() override {
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }

    // A texture record with no GL object behind it.
    ObjectHandle addTexture() { return loadTexture(engine, new Texture()); }

    Engine3D* engine = nullptr;
    ObjectHandle model = 0, meshA = 0, skin = 0;

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

TEST(EngineCreation, StartsEmptyWithTheLandscapeViewportExchanged) {
    Engine3D* e = createEngine3D();
    EXPECT_EQ(findStoreSlot(e), 0);
    EXPECT_EQ(e->meshCapacity, 0);
    EXPECT_EQ(e->screenViewport[2], 480);
    EXPECT_EQ(e->screenViewport[3], 320);
    EXPECT_EQ(e->glViewport[2], 320);  // given to GL for the portrait surface
    EXPECT_EQ(e->glViewport[3], 480);
    destroyEngine3D(e);
}

TEST(EngineCreation, GrowableTablesGrowBy64AndReuseEmptySlots) {
    StaticMesh** table = nullptr;
    int32_t capacity = 0;
    StaticMesh mesh{};
    for (int i = 0; i < 64; ++i) {
        const int32_t slot = findSlot(table, capacity);
        ASSERT_EQ(slot, i);
        table[slot] = &mesh;
    }
    EXPECT_EQ(capacity, 64);
    EXPECT_EQ(findSlot(table, capacity), 64);
    EXPECT_EQ(capacity, 128);
    EXPECT_EQ(table[63], &mesh);  // old entries kept
    EXPECT_EQ(table[100], nullptr);
    table[10] = nullptr;
    EXPECT_EQ(findSlot(table, capacity), 10);
    delete[] table;
}

TEST_F(EngineObjects, LookupsTellBeyondTheTableFromAnEmptySlot) {
    StaticMesh* m = nullptr;
    EXPECT_EQ(engine->meshCapacity, 64);
    EXPECT_EQ(lookupMesh(engine, meshA, &m), 0);
    EXPECT_EQ(m->handle, meshA);
    EXPECT_EQ(lookupMesh(engine, kHandleStaticMesh | 64, &m), kErrorBadSlot);
    EXPECT_EQ(lookupMesh(engine, kHandleStaticMesh | 5, &m), kErrorEmptySlot);
    SkinnedMesh* s = nullptr;
    EXPECT_EQ(lookupSkin(engine, skin, &s), 0);
    EXPECT_EQ(lookupSkin(engine, kHandleSkinnedMesh | 1, &s), kErrorEmptySlot);
    DynamicGeometry* g = nullptr;
    EXPECT_EQ(lookupGeometry(engine, kHandleGeometry, &g), kErrorBadSlot);
}

TEST_F(EngineObjects, TextureSlotsRunOutAfter256) {
    EXPECT_EQ(addTexture(), 0x04000000u);
    for (int i = 1; i < kMaxTextures; ++i)
        ASSERT_EQ(addTexture(), kHandleTexture | static_cast<ObjectHandle>(i));
    Texture* extra = new Texture();
    EXPECT_EQ(loadTexture(engine, extra), 0u);
    EXPECT_EQ(engine->lastError, kErrorTexturesFull);
    delete extra;  // a failed call leaves it to the caller
    engine->lastError = 0;
    EXPECT_EQ(loadTexture(engine, "/world.pvr", true), 0u);  // full before any file is read
    EXPECT_EQ(engine->lastError, kErrorTexturesFull);
}

TEST_F(EngineObjects, FailedTextureLoadsAndTheBindCache) {
    EXPECT_EQ(loadTexture(engine, static_cast<Texture*>(nullptr)), 0u);
    EXPECT_EQ(engine->lastError, kErrorTextureFile);
    engine->lastError = 0;
    EXPECT_EQ(loadTexture(engine, "/no_such_picture.png", false), 0u);
    EXPECT_EQ(engine->lastError, kErrorTextureFile);
    g_boundTexture2D = 5;
    EXPECT_EQ(addTexture(), 0x04000000u);
    EXPECT_EQ(g_boundTexture2D, -1);
}

TEST_F(EngineObjects, SetObjectTextureChecksTextureUnitAndObject) {
    const ObjectHandle texture = addTexture();
    StaticMesh* m;
    ASSERT_EQ(lookupMesh(engine, meshA, &m), 0);
    ASSERT_EQ(setObjectTexture(engine, meshA, 0, texture), 0);
    EXPECT_EQ(m->textures[0], lookupTexture(engine, texture));

    EXPECT_EQ(setObjectTexture(engine, meshA, 0, 0), kErrorEmptySlot);
    EXPECT_EQ(setObjectTexture(engine, meshA, 0, kHandleTexture | 7), kErrorEmptySlot);
    EXPECT_EQ(setObjectTexture(engine, meshA, 0, meshA), kErrorEmptySlot);  // not a texture
    EXPECT_EQ(m->textures[0], lookupTexture(engine, texture));              // unchanged
    EXPECT_EQ(setObjectTexture(engine, meshA, 2, texture), kErrorBadArgument);
    EXPECT_EQ(setObjectTexture(engine, meshA, -1, texture), kErrorBadArgument);
    EXPECT_EQ(m->textures[1], nullptr);
    EXPECT_EQ(setObjectTexture(engine, meshA, 1, texture), 0);
    EXPECT_EQ(m->textures[1], lookupTexture(engine, texture));

    EXPECT_EQ(setObjectTexture(engine, kHandleStaticMesh | 64, 0, texture), kErrorBadSlot);
    EXPECT_EQ(setObjectTexture(engine, model, 0, texture), 0);  // other types: ignored
    SkinnedMesh* s;
    ASSERT_EQ(lookupSkin(engine, skin, &s), 0);
    EXPECT_EQ(setObjectTexture(engine, skin, 1, texture), 0);
    EXPECT_EQ(s->texture, lookupTexture(engine, texture));
}

TEST_F(EngineObjects, ConstantColourIsEachByteTimes257) {
    StaticMesh* m;
    ASSERT_EQ(lookupMesh(engine, meshA, &m), 0);
    ASSERT_EQ(setObjectColor(engine, meshA, 0x80FF0000u), 0);
    EXPECT_EQ(m->useConstantColour, 1);
    EXPECT_EQ(m->constantColour[0], 255 * 257);
    EXPECT_EQ(m->constantColour[1], 0);
    EXPECT_EQ(m->constantColour[2], 0);
    EXPECT_EQ(m->constantColour[3], 128 * 257);
    EXPECT_EQ(clearObjectColor(engine, meshA), 0);
    EXPECT_EQ(m->useConstantColour, 0);

    SkinnedMesh* s;
    ASSERT_EQ(lookupSkin(engine, skin, &s), 0);
    ASSERT_EQ(setObjectColor(engine, skin, 0x00102030u), 0);
    EXPECT_EQ(s->useConstantColour, 1);
    EXPECT_EQ(s->constantColour[0], 0x10 * 257);
    EXPECT_EQ(s->constantColour[2], 0x30 * 257);
    EXPECT_EQ(clearObjectColor(engine, skin), 0);
    EXPECT_EQ(s->useConstantColour, 0);

    EXPECT_EQ(setObjectColor(engine, kHandleStaticMesh | 9, 0xFFFFFFFFu), kErrorEmptySlot);
    EXPECT_EQ(setObjectColor(engine, model, 0xFFFFFFFFu), 0);
}

TEST_F(EngineObjects, WithoutBufferObjectsAStoreIsItsClientMemory) {
    StaticMesh* m;
    ASSERT_EQ(lookupMesh(engine, meshA, &m), 0);
    EXPECT_EQ(m->store->glBuffer, 0u);  // nothing uploaded
    EXPECT_EQ(bindStore(engine, m->store), reinterpret_cast<uintptr_t>(m->store->data));
    EXPECT_EQ(bindStore(engine, nullptr), 0u);
    EXPECT_EQ(engine->statBufferBinds, 0);
}

TEST_F(EngineObjects, GeometryObjectsCheckTheirIndices) {
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const uint16_t good[3] = {0, 1, 2};
    const uint16_t bad[3] = {0, 1, 3};
    const ObjectHandle g = createGeometry(engine, positions, nullptr, 3, good, 3, 0);
    EXPECT_EQ(g, 0x10000000u);
    DynamicGeometry* geometry;
    ASSERT_EQ(lookupGeometry(engine, g, &geometry), 0);
    EXPECT_EQ(geometry->indexCount, 3);
    EXPECT_EQ(geometry->positions[3], 1.0f);
    EXPECT_EQ(createGeometry(engine, positions, nullptr, 3, bad, 3, 0), 0u);
    EXPECT_EQ(engine->lastError, kErrorBadArgument);
    EXPECT_EQ(createGeometry(engine, positions, nullptr, 3, good, 3, kHandleTexture | 3), 0u);
}

}  // namespace
