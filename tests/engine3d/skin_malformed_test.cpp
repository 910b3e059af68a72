// Malformed skin data: every broken skin structure rejects the whole file, and whatever the
// loader accepts out of truncated or corrupted skinned files can be posed, skinned, lit, scrolled
// and selected without any access outside its arrays (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "app/graphics_caps.h"
#include "engine3d/engine3d.h"
#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "sample_models.h"

namespace {

// A skinned model using every skin chunk: 's' keys, 'i' bindings, VRTs, TX1 and TX2, weights
// with a flagged run followed by a flagged entry that only adds, a single-frame clip.
ModelBytes fullSkinModel() {
    SkeletonSource skeleton = samples::twoBoneSkeleton('s');
    skeleton.clips.push_back({1, {{{0, 0, 1}, {0, 0, 0, 1}}, {{1, 0, 0}, {0, 0.5f, 0, 0.5f}}}});
    SkinSource skin = samples::quadSkin("runner");
    skin.bindingEncoding = 'i';
    skin.vertexEntries = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    skin.texTag = "TX1";
    skin.texEncoding = 'f';
    skin.texCoords1 = {0, 0, 0.5f, 0.5f, 1, 1, 0.25f, 0.75f};
    skin.tex1Encoding = 'b';
    skin.weighted[1].entries.push_back({0, 1, 0.5f});  // flagged, but after the run: adds
    ModelWriter w;
    w.addMesh(samples::triangleMesh("grass"));
    w.addSkeleton(skeleton);
    w.addSkin(skin);
    SkinSource second = samples::quadSkin("second");
    second.positionEncoding = 's';
    second.bindingEncoding = 's';
    w.addSkin(second);
    return w.build();
}

ModelBytes skinModel(const SkinSource& skin) {
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addSkin(skin);
    return w.build();
}

ModelBytes skinModelOf(const SkinSource& skin, const ModelBytes& bind, const ModelBytes& bndw) {
    ModelWriter w;
    w.addSkeleton(samples::twoBoneSkeleton());
    w.addChunk("SKIN", joinBytes({modelName(skin.name), modelChunk("TRIX", trixPayload(skin)),
                                  modelChunk("BIND", bind), modelChunk("BNDW", bndw)}));
    return w.build();
}

struct SkinCase {
    const char* what;
    std::function<ModelBytes()> file;
};

const SkinCase kSkinCases[] = {
    {"rigid index past the vertices, inside the positions",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.positions.insert(s.positions.end(), {5, 5, 5});  // P = 5, V = 4
         s.vertexEntries.assign(12, 0);
         s.bindings[1].indices.push_back(4);
         return skinModel(s);
     }},
    {"rigid index past the positions, inside the vertices",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.vertexEntries.assign(15, 0);  // V = 5, P = 4
         s.colours.resize(15);
         s.texCoords.resize(10);
         s.bindings[0].indices.push_back(4);
         return skinModel(s);
     }},
    {"weighted bindings for more bones than the skeleton has",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.weighted.push_back(s.weighted[1]);
         return skinModel(s);
     }},
    {"weight list running past its MPW chunk",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.weighted.resize(1);
         ModelBytes bndw = weightsPayload(s);
         bndw[4] = static_cast<uint8_t>(bndw[4] + 8);  // the MPW claims an entry more than BNDW
         return skinModelOf(s, bindPayload(s), bndw);
     }},
    {"TX2 for fewer vertices",
     [] {
         SkinSource s = samples::quadSkin("s");
         s.texCoords1 = {0, 0, 1, 1, 0, 1};
         return skinModel(s);
     }},
};

class SkinMalformed : public ::testing::Test {
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
    Engine3D* engine = nullptr;

private:
    GraphicsCaps* savedCaps_ = nullptr;
};

std::unique_ptr<uint8_t[]> exactCopy(const ModelBytes& file, size_t n) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[n ? n : 1]);
    if (n) std::memcpy(copy.get(), file.data(), n);
    return copy;
}

TEST_F(SkinMalformed, BrokenSkinStructuresRejectTheFile) {
    for (const SkinCase& c : kSkinCases) {
        const ModelBytes file = c.file();
        const auto copy = exactCopy(file, file.size());
        engine->lastError = 0;
        EXPECT_EQ(loadModelFromMemory(engine, copy.get(), file.size()), 0u) << c.what;
        EXPECT_EQ(engine->lastError, kErrorMalformedModel) << c.what;
        ModelParse parse;
        parseModel(copy.get(), file.size(), &parse);
        EXPECT_NE(parse.reason[0], 0) << c.what;
    }
    for (int32_t i = 0; i < engine->skinCapacity; ++i) EXPECT_EQ(engine->skins[i], nullptr);
    // The sample the cases start from is itself sound.
    const ModelBytes good = skinModel(samples::quadSkin("s"));
    EXPECT_NE(loadModelFromMemory(engine, good.data(), good.size()), 0u);
}

// Everything the engine does with an accepted skinned mesh, in an order that reaches every path.
void exercise(SkinnedMesh* s) {
    Skeleton* k = s->skeleton;
    for (int32_t clip = -1; clip <= k->clipCount; ++clip)
        for (int32_t time : {-5, 0, 128, 300, 1 << 20})
            poseSkeleton(k, clip, time, kIdentityMatrix);
    poseSkeletonBlend(k, 0, 77, k->clipCount - 1, 900, 100);
    for (uint8_t weighted : {0, 1}) {
        setSkinningMode(s, weighted);
        deformSkin(s);
    }
    computeSkinNormalsDirect(s);
    enableSkinLighting(s);
    deformRigid(s);
    deformWeighted(s);
    bakeSkinLighting(s);
    setSkinGlLighting(s, 1);
    bakeSkinLighting(s);
    deformWeighted(s);
    setTextureScroll(s, 0.5f, -0.25f);
    selectTextureRegion(s, 0, 0, 0.6f, 0.6f);
    selectTextureRegion(s, -1, -1, 2, 2);
    if (s->selection) {
        EXPECT_GE(s->selection[0], 1);
        EXPECT_LE(s->selection[0], s->vertexCount + 1);
    }
}

TEST_F(SkinMalformed, AcceptedTruncationsAndCorruptionsAreSafeToAnimate) {
    const ModelBytes file = fullSkinModel();
    {
        ModelParse whole;
        ASSERT_EQ(parseModel(file.data(), file.size(), &whole), 0) << whole.reason;
        ASSERT_EQ(whole.skins.size(), 2u);
        ASSERT_NE(whole.skins[0]->vertexEntries, nullptr);
        ASSERT_TRUE(whole.skins[0]->attributeMask & kMaskTexture1);
        ASSERT_EQ(whole.skeletons[0]->clips[1].frameCount, 1);
    }
    int accepted = 0, rejected = 0, skins = 0;
    auto tryBytes = [&](const ModelBytes& bytes, size_t n) {
        const auto copy = exactCopy(bytes, n);
        ModelParse parse;
        if (parseModel(copy.get(), n, &parse) != 0) {
            ++rejected;
            EXPECT_NE(parse.error, 0);
            return;
        }
        ++accepted;
        for (SkinnedMesh* s : parse.skins) {
            ++skins;
            exercise(s);
        }
    };
    for (size_t n = 0; n < file.size(); ++n) tryBytes(file, n);
    EXPECT_EQ(accepted, 0);  // no proper prefix of the file is a whole file
    for (size_t i = 0; i < file.size(); ++i)
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            ModelBytes bytes = file;
            bytes[i] = mask == 0xFF ? 0xFF : static_cast<uint8_t>(bytes[i] ^ mask);
            tryBytes(bytes, bytes.size());
        }
    uint32_t state = 777;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (int round = 0; round < 1500; ++round) {
        ModelBytes bytes = file;
        for (int k = 1 + next() % 3; k > 0; --k)
            bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
        tryBytes(bytes, bytes.size());
    }
    EXPECT_GT(skins, 500);  // many corrupted values reach the skinning code
    EXPECT_GT(rejected, 500);
}

}  // namespace
