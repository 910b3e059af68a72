// zvtool model: shows what a model file holds, read by the game's own model parser, or why the
// game would reject it; draws every mesh of a model with its texture through the game's engine
// as a labelled contact sheet.
#include <GLES/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine3d/model_loader.h"
#include "engine3d/renderer.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "tools/assets/world_layout.h"
#include "tools/assets/world_paint.h"
#include "tools/writers/pack_writer.h"
#include "tools/writers/png_writer.h"
#include "tools/zvtool/commands.h"

namespace {

void usage(FILE* out) {
    std::fprintf(
        out,
        "usage: zvtool model info FILE    list the objects of a model file (name, kind,\n"
        "                                 vertex and triangle counts, attributes, clips),\n"
        "                                 or say why the game rejects it\n"
        "       zvtool model render MODEL.kvm OUT.png [--pack PACK] [--cell WIDTH]\n"
        "                                 draw every static mesh with the game's engine,\n"
        "                                 each in a labelled cell of a contact sheet; the\n"
        "                                 world's meshes get their textures from PACK (where\n"
        "                                 MODEL.kvm may also be an entry such as /world.kvm)\n"
        "                                 or from the .pvr files beside MODEL.kvm; cells are\n"
        "                                 WIDTH pixels wide (240 by default, 40 to 480);\n"
        "                                 tall thin meshes are shown from the foot up;\n"
        "                                 skinned meshes follow, posed by their skeleton's\n"
        "                                 clip N (--clip, 0 by default) at T frames (--time,\n"
        "                                 0 by default; fractions allowed)\n");
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

// ---- render -------------------------------------------------------------------------------------

constexpr int kScreenW = platform::kLandscapeWidth, kScreenH = platform::kLandscapeHeight;
constexpr float kSheetFieldOfView = 40.0f;  // degrees across; narrow, so shapes keep proportions

// How a mesh is shown: the side it is seen from and how it is blended, by what the game does
// with it.
enum class Look {
    kFront,       // upright objects, from ahead and a little above, painted over the background
    kAbove,       // ground pieces, from above and ahead
    kMultiplied,  // multiplied onto a light background, from above (ground light, shadows)
    kBelow,       // the canopy, from below
    kBackdrop,    // sky and tree line, straight from the camera side
    kFlat,        // the crash flash: the x-y plane from +z, y down, no culling
};

Look lookOf(const std::string& name) {
    if (name == "shading" || name == "tree_shadow") return Look::kMultiplied;
    if (name == "grass" || name == "mist") return Look::kAbove;
    if (name == "leaves_1") return Look::kBelow;
    if (name == "sky" || name == "horizon") return Look::kBackdrop;
    if (name == "crash") return Look::kFlat;
    return Look::kFront;
}

int textureTypeOf(const std::string& name) {
    for (const WorldMeshEntry& e : kWorldMeshes)
        if (name == e.name) return e.textureType;
    return -1;
}

Vec3 meshPosition(const StaticMesh* mesh, int32_t vertex) {
    const VertexAttribute& a = mesh->attributes[kAttrPosition];
    const uint8_t* p = mesh->store->data + mesh->dataOffset +
                       static_cast<size_t>(vertex) * mesh->stride + a.offset;
    float v[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        if (a.format == kAttributeFloat) {
            std::memcpy(&v[k], p + 4 * k, 4);
        } else if (a.format == kAttributeFixed) {
            int32_t raw;
            std::memcpy(&raw, p + 4 * k, 4);
            v[k] = fixedToFloat(raw);
        } else if (a.format == kAttributeShort8_8) {
            int16_t raw;
            std::memcpy(&raw, p + 2 * k, 2);
            v[k] = raw / 256.0f;
        } else if (a.format == kAttributeByte) {
            v[k] = p[k];
        }
    }
    return {v[0], v[1], v[2]};
}

// Places the camera so that the box lo..hi fills the picture, seen along `forward`.
void frameBox(Engine3D* engine, Vec3 lo, Vec3 hi, Vec3 forward, Vec3 up) {
    normalize(forward);
    const Vec3 centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const Vec3 half = {(hi.x - lo.x) / 2, (hi.y - lo.y) / 2, (hi.z - lo.z) / 2};
    Vec3 side = {forward.y * up.z - forward.z * up.y, forward.z * up.x - forward.x * up.z,
                 forward.x * up.y - forward.y * up.x};
    normalize(side);
    const Vec3 trueUp = {side.y * forward.z - side.z * forward.y,
                         side.z * forward.x - side.x * forward.z,
                         side.x * forward.y - side.y * forward.x};
    auto extent = [&](Vec3 axis) {
        return std::fabs(axis.x) * half.x + std::fabs(axis.y) * half.y + std::fabs(axis.z) * half.z;
    };
    const float tanAcross = std::tan(kSheetFieldOfView * 3.14159265f / 360.0f);
    const float tanUp = tanAcross * kScreenH / kScreenW;
    const float depth = extent(forward);
    const float distance =
        std::max({extent(side) / tanAcross, extent(trueUp) / tanUp, 0.05f}) * 1.12f + depth;
    const Vec3 eye = {centre.x - forward.x * distance, centre.y - forward.y * distance,
                      centre.z - forward.z * distance};
    setPerspective(engine, kSheetFieldOfView, 1.5f, std::max(0.01f, (distance - depth) * 0.5f),
                   distance + depth * 2 + 1);
    setCamera(engine, eye, forward, up);
}

// Draws one mesh filling the screen and reads the picture back.
bool drawCell(Engine3D* engine, const StaticMesh* mesh, std::vector<uint8_t>* screen) {
    const std::string name(mesh->name, strnlen(mesh->name, 32));
    const Look look = lookOf(name);
    Vec3 lo = {1e30f, 1e30f, 1e30f}, hi = {-1e30f, -1e30f, -1e30f};
    for (int32_t i = 0; i < mesh->vertexCount; ++i) {
        const Vec3 p = meshPosition(mesh, i);
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    if (mesh->vertexCount == 0) lo = hi = {0, 0, 0};
    // Tall thin things (the trunks) are shown from the foot up, as tall as three widths.
    const float wide = std::max(hi.x - lo.x, hi.y - lo.y);
    if (look == Look::kFront && hi.z - lo.z > 3 * wide) hi.z = lo.z + 3 * wide;
    switch (look) {
        case Look::kFront: frameBox(engine, lo, hi, {0, 1, -0.3f}, {0, 0, 1}); break;
        case Look::kAbove:
        case Look::kMultiplied: frameBox(engine, lo, hi, {0, 0.8f, -1}, {0, 0, 1}); break;
        case Look::kBelow: frameBox(engine, lo, hi, {0, 0.8f, 1}, {0, 0, 1}); break;
        case Look::kBackdrop: frameBox(engine, lo, hi, {0, 1, 0}, {0, 0, 1}); break;
        case Look::kFlat: frameBox(engine, lo, hi, {0, 0, -1}, {0, -1, 0}); break;
    }
    begin3D(engine);
    if (look == Look::kMultiplied)
        glClearColor(0.82f, 0.82f, 0.8f, 1);
    else
        glClearColor(0.12f, 0.13f, 0.19f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const bool opaque = look == Look::kAbove || name == "sky";
    if (!opaque) {
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        if (look == Look::kMultiplied) glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    }
    if (look == Look::kFlat) glDisable(GL_CULL_FACE);
    const bool untextured = !mesh->textures[0];
    if (untextured) glDisable(GL_TEXTURE_2D);
    if (name == "crash") setObjectColor(engine, mesh->handle, 0xFFE4ECEC);
    resetModelView(engine);
    drawObject(engine, mesh->handle);
    if (name == "crash") clearObjectColor(engine, mesh->handle);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    end3D(engine);
    return platform::readLandscape(screen->data());
}

// Draws one skinned mesh, posed and skinned already, from ahead and a little above.
bool drawSkinCell(Engine3D* engine, ObjectHandle handle, std::vector<uint8_t>* screen) {
    SkinnedMesh* skin = nullptr;
    if (lookupSkin(engine, handle, &skin)) return false;
    Vec3 lo = {1e30f, 1e30f, 1e30f}, hi = {-1e30f, -1e30f, -1e30f};
    for (int32_t i = 0; i < skin->vertexCount; ++i) {
        float p[3];
        std::memcpy(p, skin->vertices + static_cast<size_t>(i) * skin->stride, sizeof p);
        lo = {std::min(lo.x, p[0]), std::min(lo.y, p[1]), std::min(lo.z, p[2])};
        hi = {std::max(hi.x, p[0]), std::max(hi.y, p[1]), std::max(hi.z, p[2])};
    }
    if (skin->vertexCount == 0) lo = hi = {0, 0, 0};
    frameBox(engine, lo, hi, {0, 1, -0.3f}, {0, 0, 1});
    begin3D(engine);
    glClearColor(0.12f, 0.13f, 0.19f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!skin->texture) glDisable(GL_TEXTURE_2D);
    resetModelView(engine);
    drawObject(engine, handle);
    glEnable(GL_TEXTURE_2D);
    end3D(engine);
    return platform::readLandscape(screen->data());
}

// A pack in a temporary file holding the given files (missing ones left out); its path, or ""
// when nothing could be written.
std::string packOfFiles(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<PackInput> inputs;
    for (const auto& [entry, file] : entries) {
        PackInput input;
        input.name = entry;
        std::vector<uint8_t> bytes;
        if (!readWholeFile(file.c_str(), &bytes)) continue;
        input.bytes = std::move(bytes);
        inputs.push_back(std::move(input));
    }
    char path[] = "/tmp/zvtool-model-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return std::string();
    close(fd);
    std::string error;
    if (!writePackFile(path, inputs, &error)) {
        std::fprintf(stderr, "zvtool model: %s\n", error.c_str());
        unlink(path);
        return std::string();
    }
    return path;
}

int render(int argc, char** argv) {
    const char* modelPath = argv[0];
    const char* outPath = argv[1];
    const char* packPath = nullptr;
    int cellWidth = 240;
    int32_t clip = 0, time = 0;  // the pose of skinned meshes; time in 1/256 frames
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pack") && i + 1 < argc) {
            packPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--cell") && i + 1 < argc) {
            cellWidth = std::atoi(argv[++i]);
            if (cellWidth < 40 || cellWidth > kScreenW) {
                std::fprintf(stderr, "zvtool model: a cell is 40 to 480 pixels wide\n");
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--clip") && i + 1 < argc) {
            clip = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--time") && i + 1 < argc) {
            time = static_cast<int32_t>(std::lround(std::atof(argv[++i]) * 256));
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (!openHeadlessScreen()) {
        std::fprintf(stderr, "zvtool model: no headless OpenGL ES screen\n");
        return 1;
    }
    // The textures come from a pack: the one given, or one made of the files beside the model.
    std::string temporaryPack;
    if (!packPath) {
        std::string folder = modelPath;
        const size_t slash = folder.find_last_of('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
        std::vector<std::pair<std::string, std::string>> files;
        for (const char* texture : kWorldTextureFiles)
            if (texture) files.emplace_back(texture, folder + (texture + 1));
        temporaryPack = packOfFiles(files);
        packPath = temporaryPack.empty() ? nullptr : temporaryPack.c_str();
    }
    if (packPath && !openPack(packPath)) {
        std::fprintf(stderr, "zvtool model: cannot open the pack %s\n", packPath);
        if (!temporaryPack.empty()) unlink(temporaryPack.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!readWholeFile(modelPath, &bytes)) {
        uint8_t* entry = packPath ? loadEntry(modelPath) : nullptr;
        const int32_t size = packPath ? entrySize(modelPath) : -1;
        if (entry && size >= 0) bytes.assign(entry, entry + size);
        delete[] entry;
    }
    Engine3D* engine = createEngine3D();
    const ObjectHandle model =
        bytes.empty() ? 0 : loadModelFromMemory(engine, bytes.data(), bytes.size());
    if (!model) {
        if (bytes.empty())
            std::fprintf(stderr, "zvtool model: cannot read %s\n", modelPath);
        else
            std::fprintf(stderr, "zvtool model: %s cannot be loaded as a model (error %d)\n",
                         modelPath, engine->lastError);
        destroyEngine3D(engine);
        closePack();
        if (!temporaryPack.empty()) unlink(temporaryPack.c_str());
        return 1;
    }
    ObjectHandle textures[kWorldTextureTypes] = {};
    for (int t = 0; t < kWorldTextureTypes; ++t)
        if (kWorldTextureFiles[t] && packPath)
            textures[t] = loadTexture(engine, kWorldTextureFiles[t], true);
    closePack();
    if (!temporaryPack.empty()) unlink(temporaryPack.c_str());
    std::vector<StaticMesh*> meshes;
    for (int32_t i = 0; i < engine->meshCapacity; ++i) {
        StaticMesh* m = engine->meshes[i];
        if (!m || m->modelHandle != model) continue;
        const int type = textureTypeOf(std::string(m->name, strnlen(m->name, 32)));
        if (type >= 0 && textures[type]) setObjectTexture(engine, m->handle, 0, textures[type]);
        meshes.push_back(m);
    }
    // Skinned meshes take the cells after the static ones, posed and skinned for their bounds.
    std::vector<ObjectHandle> skins;
    for (int32_t i = 0; i < engine->skinCapacity; ++i) {
        SkinnedMesh* s = engine->skins[i];
        if (!s || s->modelHandle != model) continue;
        if (poseSkeleton(s->skeleton, clip, time, kIdentityMatrix)) {
            std::fprintf(stderr, "zvtool model: skinned mesh '%.32s' has no clip %d\n", s->name,
                         clip);
            destroyEngine3D(engine);
            return 2;
        }
        deformSkin(s);
        skins.push_back(kHandleSkinnedMesh | static_cast<ObjectHandle>(i));
    }
    const size_t cells = meshes.size() + skins.size();

    // The sheet: cells at half the screen's proportions, a label strip above each.
    const int cellHeight = cellWidth * kScreenH / kScreenW;
    const int labelHeight = std::max(12, cellWidth / 14 + 6);
    const int columns = 7;
    const int count = std::max<int>(1, static_cast<int>(cells));
    const int rows = (count + columns - 1) / columns;
    const int sheetW = columns * cellWidth, sheetH = rows * (cellHeight + labelHeight);
    world::Canvas sheet(sheetW, sheetH, world::rgb(24, 26, 34));
    std::vector<uint8_t> screen(static_cast<size_t>(kScreenW) * kScreenH * 4);
    const int labelSize = labelHeight - 4;
    for (size_t i = 0; i < cells; ++i) {
        const int x0 = static_cast<int>(i % columns) * cellWidth;
        const int y0 = static_cast<int>(i / columns) * (cellHeight + labelHeight);
        const bool isStatic = i < meshes.size();
        SkinnedMesh* skin = nullptr;
        if (!isStatic) lookupSkin(engine, skins[i - meshes.size()], &skin);
        const char* name = isStatic ? meshes[i]->name : skin->name;
        if (isStatic ? !drawCell(engine, meshes[i], &screen)
                     : !drawSkinCell(engine, skins[i - meshes.size()], &screen))
            break;
        // Box-filtered down to the cell.
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const int sx0 = x * kScreenW / cellWidth,
                          sx1 = std::max(sx0 + 1, (x + 1) * kScreenW / cellWidth);
                const int sy0 = y * kScreenH / cellHeight,
                          sy1 = std::max(sy0 + 1, (y + 1) * kScreenH / cellHeight);
                float sum[3] = {0, 0, 0};
                for (int sy = sy0; sy < sy1; ++sy)
                    for (int sx = sx0; sx < sx1; ++sx)
                        for (int k = 0; k < 3; ++k)
                            sum[k] += screen[(static_cast<size_t>(sy) * kScreenW + sx) * 4 + k];
                const float n = 255.0f * (sx1 - sx0) * (sy1 - sy0);
                sheet.set(x0 + x, y0 + labelHeight + y, {sum[0] / n, sum[1] / n, sum[2] / n, 1});
            }
        const std::string label = std::to_string(i) + " " + std::string(name, strnlen(name, 32));
        world::TextMask mask;
        if (world::renderText(world::kWorldFontCondensedBold, label, labelSize, 0, 0, &mask))
            world::drawMask(sheet, mask, x0 + 3, y0 + (labelHeight - mask.height) / 2,
                            world::rgb(236, 222, 170));
    }
    const size_t drawn = cells;
    destroyEngine3D(engine);
    const std::vector<uint8_t> rgba = sheet.toRgba8();
    std::string error;
    if (!writePngRgbaFile(outPath, rgba.data(), sheetW, sheetH, &error)) {
        std::fprintf(stderr, "zvtool model: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu meshes, %d x %d\n", outPath, drawn, sheetW, sheetH);
    return 0;
}

}  // namespace

int modelCommand(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[0], "info")) return info(argv[1]);
    if (argc >= 3 && !std::strcmp(argv[0], "render")) return render(argc - 1, argv + 1);
    if (argc >= 1 && (!std::strcmp(argv[0], "-h") || !std::strcmp(argv[0], "--help"))) {
        usage(stdout);
        return 0;
    }
    usage(stderr);
    return 2;
}
