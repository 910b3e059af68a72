// Malformed model files: each broken structure rejects the whole file with its code and a reason,
// and nothing of the file stays in the engine. Random damage is the model fuzz target's.
#include <cstring>
#include <functional>
#include <memory>

#include "sample_models.h"
#include "support/engine3d_fixture.h"

namespace {

ModelBytes positions(int vertices) {
    return modelChunk("POSf", encodeComponents(std::vector<float>(3 * vertices, 1.0f), 'f', 1));
}
ModelBytes meshFile(const ModelBytes& trli) {
    return modelFile(modelChunk("MESH", joinBytes({modelName("m"), modelChunk("TRLI", trli)})));
}
ModelBytes skeletonFile(const ModelBytes& skel) {
    return modelFile(modelChunk("SKEL", skel));
}
// Two root bones with one clip of two frames, then `clips`.
ModelBytes withClip(const ModelBytes& clips) {
    SkeletonSource s;
    s.parents = {255, 255};
    s.clips.push_back({2, std::vector<BoneKey>(4, BoneKey{{0, 0, 0}, {0, 0, 0, 1}})});
    return skeletonFile(joinBytes({skeletonPayload(s), clips}));
}
// The sample quad on the two-bone skeleton after `change`.
ModelBytes quadFile(const std::function<void(SkinSource&)>& change) {
    SkinSource s = samples::quadSkin("s");
    change(s);
    return samples::skinFile(samples::twoBoneSkeleton(), s);
}
// The two-bone skeleton, then a SKIN chunk of these pieces.
ModelBytes skinChunk(std::initializer_list<ModelBytes> pieces) {
    return modelFile(joinBytes({modelChunk("SKEL", skeletonPayload(samples::twoBoneSkeleton())),
                                modelChunk("SKIN", joinBytes(pieces))}));
}
// A chunk header claiming 99 bytes, more than any list here has left.
ModelBytes lying(const char* tag) {
    ModelBytes b = {0, 0, 0, 0, 99, 0, 0, 0};
    std::memcpy(b.data(), tag, 4);
    return b;
}

struct Case {
    const char* what;
    ModelBytes file;
    int32_t code = kErrorMalformedModel;
};

std::vector<Case> cases() {
    const SkinSource quad = samples::quadSkin("s");
    const ModelBytes name = modelName("s"), trix = modelChunk("TRIX", trixPayload(quad));
    const ModelBytes bind = modelChunk("BIND", bindPayload(quad)), junk = lying("JUNK");
    ModelBytes badTag = meshFile(positions(3)), longHead = badTag;
    badTag[4] = 0;
    longHead[8] += 1;
    SkeletonSource selfParent = samples::twoBoneSkeleton();
    selfParent.parents = {255, 1};
    return {
        {"shorter than a HEAD header", ModelBytes(11), kErrorNotHead},
        {"first chunk not HEAD", badTag, kErrorNotHead},
        // Sizes and counts against the chunk that holds them.
        {"HEAD runs past the file", longHead},
        {"MESH runs past HEAD", modelFile(lying("MESH"))},
        {"header cut short", modelFile(joinBytes({modelChunk("MESH", modelName("m")), {'M'}}))},
        {"MESH shorter than its name", modelFile(modelChunk("MESH", ModelBytes(20)))},
        {"TRLI runs past MESH",
         modelFile(modelChunk("MESH", joinBytes({modelName("m"), lying("TRLI")})))},
        {"a chunk runs past TRLI", meshFile(joinBytes({positions(3), junk}))},
        {"positions not whole vertices", meshFile(modelChunk("POSf", ModelBytes(13)))},
        {"two position chunks disagree",
         meshFile(joinBytes({positions(3), modelChunk("POSs", ModelBytes(12))}))},
        {"TEXs of four for three vertices",
         meshFile(joinBytes({positions(3), modelChunk("TEXs", ModelBytes(16))}))},
        {"SKEL without a bone list", skeletonFile({})},
        {"SKEL starting with a clip", skeletonFile(modelChunk("ANIf", ModelBytes(56)))},
        {"SKEL whose bone list runs past it", skeletonFile(junk)},
        {"bone list not whole bones", skeletonFile(modelChunk("BONf", ModelBytes(30)))},
        {"SKEL with zero bones", skeletonFile(modelChunk("BONf", {}))},
        {"a bone its own parent", skeletonFile(skeletonPayload(selfParent))},
        {"a chunk runs past SKEL", withClip(junk)},
        {"clip without frames", withClip(modelChunk("ANIf", {}))},
        {"clip not whole frames", withClip(modelChunk("ANIs", ModelBytes(30)))},
        {"SKIN before any SKEL", modelFile(modelChunk("SKIN", name))},
        {"SKIN shorter than its name", skinChunk({ModelBytes(20)})},
        {"BIND where TRIX belongs", skinChunk({name, bind}), kErrorSkin},
        {"TRIX header cut short", skinChunk({name, {'T', 'R', 'I'}})},
        {"TRIX runs past SKIN", skinChunk({name, lying("TRIX")})},
        {"a chunk runs past TRIX",
         skinChunk({name, modelChunk("TRIX", joinBytes({trixPayload(quad), junk}))})},
        {"skin positions not whole",
         skinChunk({name, modelChunk("TRIX", modelChunk("POSf", ModelBytes(8)))})},
        {"VRTs not whole entries", quadFile([](SkinSource& s) { s.vertexEntries = {0, 0}; })},
        {"colours for fewer vertices", quadFile([](SkinSource& s) { s.colours.resize(9); })},
        {"triangle past the vertices", quadFile([](SkinSource& s) { s.triangles[4] = 4; })},
        {"BIND header cut short", skinChunk({name, trix, {'B', 'I', 'N'}})},
        {"BIND runs past SKIN", skinChunk({name, trix, lying("BIND")})},
        {"a chunk runs past BIND", skinChunk({name, trix, modelChunk("BIND", junk)})},
        {"MAP shorter than its matrix",
         skinChunk({name, trix, modelChunk("BIND", modelChunk("MAPf", ModelBytes(40)))})},
        {"MAP indices not whole",
         skinChunk({name, trix, modelChunk("BIND", modelChunk("MAPs", ModelBytes(25)))})},
        {"more bindings than bones",
         quadFile([](SkinSource& s) { s.bindings.push_back(s.bindings[0]); })},
        {"rigid index past the vertices, inside the positions", quadFile([](SkinSource& s) {
             s.positions.insert(s.positions.end(), {5, 5, 5});  // P = 5, V = 4
             s.vertexEntries.assign(12, 0);
             s.bindings[1].indices.push_back(4);
         })},
        {"rigid index past the positions, inside the vertices", quadFile([](SkinSource& s) {
             s.vertexEntries.assign(15, 0);  // V = 5, P = 4
             s.colours.resize(15);
             s.texCoords.resize(10);
             s.bindings[0].indices.push_back(4);
         })},
        {"BNDW runs past SKIN", skinChunk({name, trix, bind, lying("BNDW")})},
        {"a chunk runs past BNDW", skinChunk({name, trix, bind, modelChunk("BNDW", junk)})},
        {"MPW shorter than its matrix",
         skinChunk({name, trix, bind, modelChunk("BNDW", modelChunk("MPWf", ModelBytes(40)))})},
        {"MPW entries not whole",
         skinChunk({name, trix, bind, modelChunk("BNDW", modelChunk("MPWs", ModelBytes(29)))})},
        {"more weighted bindings than bones",
         quadFile([](SkinSource& s) { s.weighted.push_back(s.weighted[1]); })},
        {"weighted index past the positions",
         quadFile([](SkinSource& s) { s.weighted[1].entries.push_back({9, 0, 1}); })}};
}

using MalformedModel = zvtest::EngineFixture;

TEST_F(MalformedModel, EachBrokenStructureRejectsTheWholeFile) {
    ModelWriter w;
    w.addMesh(samples::triangleMesh("kept"));
    const ModelBytes goodMesh = w.build();
    for (const Case& c : cases()) {
        // Also after a good mesh, which must not stay behind either.
        std::vector<ModelBytes> files = {c.file};
        if (c.code != kErrorNotHead) {
            ModelBytes f = goodMesh;
            f.insert(f.end(), c.file.begin() + 12, c.file.end());
            uint32_t size;  // HEAD's size as the case has it, and the mesh
            std::memcpy(&size, &c.file[8], 4);
            size += uint32_t(goodMesh.size() - 12);
            std::memcpy(&f[8], &size, 4);
            files.push_back(f);
        }
        for (const ModelBytes& f : files) {
            // A copy of exactly the file's bytes: the sanitizer build catches a read past them.
            const std::unique_ptr<uint8_t[]> copy(new uint8_t[f.size()]);
            std::memcpy(copy.get(), f.data(), f.size());
            engine->lastError = 0;
            EXPECT_EQ(loadModelFromMemory(engine, copy.get(), f.size()), 0u) << c.what;
            EXPECT_EQ(engine->lastError, c.code) << c.what;
            ModelParse parse;
            EXPECT_EQ(parseModel(copy.get(), f.size(), &parse), c.code) << c.what;
            EXPECT_NE(parse.reason[0], 0) << c.what;
        }
    }
    // Nothing of any file is in the engine: the next good model takes the first slots.
    for (int32_t i = 0; i < engine->storeCapacity; ++i) EXPECT_EQ(engine->stores[i], nullptr);
    EXPECT_EQ(engine->meshCapacity + engine->skinCapacity + engine->skeletonCapacity, 0);
    EXPECT_EQ(load(goodMesh), kHandleModel);
    EXPECT_EQ(load(quadFile([](SkinSource&) {})), kHandleModel | 1);  // the cases' base is sound
}

}  // namespace
