// The GPU resource registry: textures register on upload, once, silently not when the table is
// full, and leave it when destroyed.
#include <gtest/gtest.h>

#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "gfx2d/texture_test_util.h"
#include "tools/writers/png_writer.h"

namespace {

bool isRegistered(const void* object, int32_t* kind = nullptr) {
    for (const RegistryEntry& e : g_resourceRegistry->slots)
        if (e.object == object) {
            if (kind) *kind = e.kind;
            return true;
        }
    return false;
}

Texture* loadSmallTexture() {
    static const uint8_t pixels[2 * 2 * 4] = {255, 0, 0, 255, 0, 255, 0, 255,
                                              0, 0, 255, 255, 255, 255, 255, 255};
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePngRgba(pixels, 2, 2, &png));
    textest::ScopedPack pack({{"small.png", png}});
    return loadTextureByName("small.png", false);
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        createResourceRegistry();
    }
    textest::ScopedCaps caps_{1.1f, false, false};
};

TEST_F(Registry, LoadedTextureIsRegisteredOnceAsATextureAndLeavesOnDestroy) {
    const int before = registeredResourceCount();
    Texture* t = loadSmallTexture();
    ASSERT_NE(t, nullptr);
    int32_t kind = -1;
    EXPECT_TRUE(isRegistered(t, &kind));
    EXPECT_EQ(kind, kResourceTexture);
    EXPECT_EQ(registeredResourceCount(), before + 1);
    EXPECT_FALSE(registerResource(kResourceTexture, t)) << "no second entry";
    EXPECT_EQ(registeredResourceCount(), before + 1);
    destroyTexture(t);
    EXPECT_EQ(registeredResourceCount(), before);
}

TEST_F(Registry, FullTableIsSilentAndTheTextureStillWorks) {
    const int before = registeredResourceCount();
    std::vector<int> dummies(kRegistrySlots);
    int added = 0;
    for (int& d : dummies) added += registerResource(kResourceVertexStore, &d) ? 1 : 0;
    EXPECT_EQ(added, kRegistrySlots - before);
    EXPECT_EQ(registeredResourceCount(), kRegistrySlots);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Texture* t = loadSmallTexture();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(t, nullptr);
    EXPECT_NE(t->glName, 0u);
    EXPECT_FALSE(isRegistered(t));

    for (int& d : dummies) unregisterResource(&d);
    EXPECT_EQ(registeredResourceCount(), before);
    destroyTexture(t);  // not registered: nothing else leaves the table
    EXPECT_EQ(registeredResourceCount(), before);
}

}  // namespace
