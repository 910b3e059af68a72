// Fixtures of the 3D engine's tests: a fresh engine without GL (nothing is uploaded), and one
// drawing on the real OpenGL ES 1.1 (headless Mesa) whose landscape picture is read back upright.
#pragma once

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/graphics_caps.h"
#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "engine3d/skinned_mesh.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "tools/writers/model_writer.h"

namespace zvtest {

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedCaps_ = g_graphicsCaps;
        g_graphicsCaps = caps;
        engine = createEngine3D();
    }
    void TearDown() override {
        if (engine && engine->in3D) end3D(engine);
        destroyEngine3D(engine);
        g_graphicsCaps = savedCaps_;
    }
    // The model's handle; a rejected file fails the test.
    ObjectHandle load(const ModelBytes& file) {
        const ObjectHandle model = loadModelFromMemory(engine, file.data(), file.size());
        EXPECT_NE(model, 0u) << "error " << engine->lastError;
        return model;
    }
    // The handle of a mesh loaded as a model of its own.
    ObjectHandle loadMesh(const MeshSource& source) {
        ModelWriter w;
        w.addMesh(source);
        return findObject(engine, load(w.build()), source.name.c_str());
    }
    StaticMesh* meshOf(ObjectHandle handle) {
        StaticMesh* mesh = nullptr;
        EXPECT_EQ(lookupMesh(engine, handle, &mesh), 0) << std::hex << handle;
        return mesh;
    }
    SkinnedMesh* skinOf(ObjectHandle handle) {
        SkinnedMesh* skin = nullptr;
        EXPECT_EQ(lookupSkin(engine, handle, &skin), 0) << std::hex << handle;
        return skin;
    }

    Engine3D* engine = nullptr;
    GraphicsCaps* caps = nullptr;  // the capability record while the test runs

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

struct Rgb {
    int r, g, b;
};
struct Probe {
    int x, y;  // landscape pixel, rows from the top
    Rgb want;
};

// Camera at the origin looking along +y with a 90 degree field, the picture cleared to black.
// With buffer objects unless a test clears glCaps.bufferObjects before SetUp.
class GlSceneFixture : public EngineFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(ensureGlContext());
        caps = &glCaps;
        EngineFixture::SetUp();
        createResourceRegistry();
        ASSERT_EQ(setPerspective(engine, 90, 1.5f, 0.1f, 100), 0);
        setCamera(engine, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});
        glBindTexture(GL_TEXTURE_2D, 0);
        g_boundTexture2D = 0;
        clear();
    }
    static void clear() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // Opens a pass and draws the handle with the camera's transform.
    int32_t drawInPass(ObjectHandle handle) {
        begin3D(engine);
        resetModelView(engine);
        return drawObject(engine, handle);
    }
    // A texture of width x 1 texels (nearest, repeating), in a free texture slot.
    ObjectHandle texture(std::initializer_list<Rgb> texels) {
        std::vector<uint8_t> rgba;
        for (const Rgb& t : texels)
            rgba.insert(rgba.end(), {uint8_t(t.r), uint8_t(t.g), uint8_t(t.b), 255});
        Texture* t = new Texture();
        t->width = t->paddedWidth = static_cast<int32_t>(texels.size());
        t->height = t->paddedHeight = 1;
        t->format = kFormatRGBA8888;
        glGenTextures(1, &t->glName);
        glBindTexture(GL_TEXTURE_2D, t->glName);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t->width, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return loadTexture(engine, t);
    }
    // Reads the picture once and checks every probe within 3 levels.
    void expectPixels(std::initializer_list<Probe> probes) {
        std::vector<uint8_t> picture(platform::kLandscapeWidth * platform::kLandscapeHeight * 4);
        ASSERT_TRUE(platform::readLandscape(picture.data()));
        for (const Probe& p : probes) {
            const uint8_t* got = &picture[(p.y * platform::kLandscapeWidth + p.x) * 4];
            EXPECT_NEAR(got[0], p.want.r, 3) << "at " << p.x << "," << p.y;
            EXPECT_NEAR(got[1], p.want.g, 3) << "at " << p.x << "," << p.y;
            EXPECT_NEAR(got[2], p.want.b, 3) << "at " << p.x << "," << p.y;
        }
    }

    GraphicsCaps glCaps{0, 1.1f, true, false, false};
};

}  // namespace zvtest
