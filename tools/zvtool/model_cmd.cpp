// zvtool model: shows what a model file holds, read by the game's own model parser, or why the
// game would reject it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "tools/zvtool/commands.h"

namespace {

void usage(FILE* out) {
    std::fprintf(
        out,
        "usage: zvtool model info FILE    list the objects of a model file (name, kind,\n"
        "                                 vertex and triangle counts, attributes, clips),\n"
        "                                 or say why the game rejects it\n");
}

bool readWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        bytes->insert(bytes->end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

std::string attributeText(uint32_t mask) {
    static const char* const kNames[kAttributeCount] = {"position", "texture0", "texture1",
                                                        "colour", "normal"};
    std::string out;
    for (int a = 0; a < kAttributeCount; ++a) {
        if (!(mask & (1u << a))) continue;
        if (!out.empty()) out += ' ';
        out += kNames[a];
    }
    return out.empty() ? "none" : out;
}

// A name field as text: at most 32 characters, no terminator needed.
std::string nameText(const char name[32]) {
    return std::string(name, strnlen(name, 32));
}

int info(const char* path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, &bytes)) {
        std::fprintf(stderr, "zvtool model: cannot read %s\n", path);
        return 1;
    }
    ModelParse model;
    if (parseModel(bytes.data(), bytes.size(), &model)) {
        std::fprintf(stderr, "zvtool model: %s is rejected (error %d at byte %zu): %s\n", path,
                     model.error, model.errorOffset, model.reason);
        return 1;
    }
    std::printf("%s: %zu static meshes, %zu skeletons, %zu skinned meshes, %d bytes of vertices\n",
                path, model.meshes.size(), model.skeletons.size(), model.skins.size(),
                model.store->size);
    for (const StaticMesh* m : model.meshes) {
        std::printf("  mesh      %-32s %6d vertices %6d triangles  stride %2d  %s\n",
                    nameText(m->name).c_str(), m->vertexCount, m->vertexCount / 3, m->stride,
                    attributeText(m->attributeMask).c_str());
    }
    for (size_t i = 0; i < model.skeletons.size(); ++i) {
        const Skeleton* s = model.skeletons[i];
        const std::string label = "#" + std::to_string(i);
        std::printf("  skeleton  %-32s %6d bones    %6d clips   ", label.c_str(), s->boneCount,
                    s->clipCount);
        for (int32_t c = 0; c < s->clipCount; ++c)
            std::printf("%s%d", c ? ", " : "  frames per clip: ", s->clips[c].frameCount);
        std::printf("\n");
    }
    for (const SkinnedMesh* s : model.skins) {
        size_t skeleton = 0;
        while (skeleton < model.skeletons.size() && model.skeletons[skeleton] != s->skeleton)
            ++skeleton;
        int32_t rigid = 0, weighted = 0;
        for (int32_t b = 0; b < s->skeleton->boneCount; ++b) {
            rigid += s->rigidBindings[b].count > 0;
            weighted += s->weightedBindings && s->weightedBindings[b].count > 0;
        }
        std::printf(
            "  skin      %-32s %6d vertices %6d triangles  stride %2d  %s; %d positions, "
            "skeleton #%zu, %d bones bound, %d weighted\n",
            nameText(s->name).c_str(), s->vertexCount, s->triangleCount, s->stride,
            attributeText(s->attributeMask).c_str(), s->positionCount, skeleton, rigid, weighted);
    }
    return 0;
}

}  // namespace

int modelCommand(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[0], "info")) return info(argv[1]);
    if (argc >= 1 && (!std::strcmp(argv[0], "-h") || !std::strcmp(argv[0], "--help"))) {
        usage(stdout);
        return 0;
    }
    usage(stderr);
    return 2;
}
