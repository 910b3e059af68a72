// Skinning benchmark: a 2,000-vertex tube on a chain of 20 bones, skinned rigidly and with two
// weights per vertex, without normals, with normals and with the per-draw CPU lighting; plus the
// posing of the skeleton and the one-off normal computation.
// Prints microseconds per operation (build in a release configuration for figures worth
// reading). With --table, rows for bench/run_all.sh.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/bench_table.h"
#include "engine3d/model_loader.h"
#include "engine3d/skinned_mesh.h"
#include "engine3d/skinning.h"
#include "tools/writers/model_writer.h"

namespace {

constexpr int kBones = 20;
constexpr int kRings = 100;          // 5 rings per bone
constexpr int kAround = 20;          // vertices per ring: 2,000 in all
constexpr float kRingSpacing = 0.1f;  // 0.5 units of tube per bone
constexpr int kFrames = 8;

using Clock = std::chrono::steady_clock;

// The tube along z, its bones in a chain, each bending about x over the clip.
ModelBytes tubeModel() {
    SkeletonSource skeleton;
    ClipSource clip;
    clip.frames = kFrames;
    for (int b = 0; b < kBones; ++b) {
        skeleton.parents.push_back(b == 0 ? 255 : static_cast<uint8_t>(b - 1));
        for (int f = 0; f < kFrames; ++f) {
            const float angle = 0.2f * std::sin(0.8f * f + 0.3f * b);
            clip.keys.push_back({{0, 0, b == 0 ? 0.0f : 5 * kRingSpacing},
                                 {std::sin(angle / 2), 0, 0, std::cos(angle / 2)}});
        }
    }
    skeleton.clips.push_back(clip);

    SkinSource skin;
    skin.name = "tube";
    for (int r = 0; r < kRings; ++r)
        for (int a = 0; a < kAround; ++a) {
            const float t = 6.2831853f * a / kAround;
            skin.positions.insert(skin.positions.end(),
                                  {0.3f * std::cos(t), 0.3f * std::sin(t), r * kRingSpacing});
        }
    for (int r = 0; r + 1 < kRings; ++r)
        for (int a = 0; a < kAround; ++a) {
            const uint16_t p = static_cast<uint16_t>(r * kAround + a);
            const uint16_t q = static_cast<uint16_t>(r * kAround + (a + 1) % kAround);
            skin.triangles.insert(skin.triangles.end(),
                                  {p, q, static_cast<uint16_t>(p + kAround), q,
                                   static_cast<uint16_t>(q + kAround),
                                   static_cast<uint16_t>(p + kAround)});
        }
    // Bind matrices: the inverse of each bone's rest place (straight up the tube).
    skin.bindings.resize(kBones);
    skin.weighted.resize(kBones);
    for (int b = 0; b < kBones; ++b) {
        Mat4 bind = kIdentityMatrix;
        bind[14] = -5 * kRingSpacing * b;
        skin.bindings[b].matrix = bind;
        skin.weighted[b].matrix = bind;
    }
    // Rigid: each ring to its bone. Weighted: each vertex set by its bone and, but for the last
    // bone's, shared with the next one, whose list adds it after its own flagged run.
    std::vector<std::vector<WeightSource>> adds(kBones);
    for (int v = 0; v < kRings * kAround; ++v) {
        const int bone = v / kAround / 5;
        const float along = static_cast<float>(v / kAround % 5) / 5;
        skin.bindings[bone].indices.push_back(static_cast<uint16_t>(v));
        const float own = bone + 1 < kBones ? 1 - 0.5f * along : 1.0f;
        skin.weighted[bone].entries.push_back({static_cast<uint16_t>(v), 1, own});
        if (bone + 1 < kBones) adds[bone + 1].push_back({static_cast<uint16_t>(v), 0, 1 - own});
    }
    for (int b = 0; b < kBones; ++b)
        skin.weighted[b].entries.insert(skin.weighted[b].entries.end(), adds[b].begin(),
                                        adds[b].end());
    ModelWriter w;
    w.addSkeleton(skeleton);
    w.addSkin(skin);
    return w.build();
}

// Microseconds per call of f, the best of five rounds of `calls` calls.
template <typename F>
double microseconds(int calls, F f) {
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < calls; ++i) f(i);
        const double us =
            std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
        if (us < best) best = us;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = bench::tableMode(argc, argv);
    const ModelBytes file = tubeModel();
    ModelParse model;  // the parsed objects are all the skinning needs: no engine, no GL
    if (parseModel(file.data(), file.size(), &model) || model.skins.size() != 1) {
        std::fprintf(stderr, "skin_bench: the tube did not load: %s\n", model.reason);
        return 1;
    }
    SkinnedMesh* skin = model.skins[0];
    if (!table)
        std::printf("skinned tube: %d vertices, %d triangles, %d bones, %d-frame clip\n",
                    skin->vertexCount, skin->triangleCount, skin->skeleton->boneCount, kFrames);

    Skeleton* skeleton = skin->skeleton;
    const double pose = microseconds(2000, [&](int i) {
        poseSkeleton(skeleton, 0, (i * 37) % (kFrames * 256), kIdentityMatrix);
    });
    const double blend = microseconds(2000, [&](int i) {
        poseSkeletonBlend(skeleton, 0, (i * 37) % (kFrames * 256), 0, i % 512, 100);
    });
    if (table) {
        bench::tableRow("skeleton pose: 20 bones", pose, "us");
    } else {
        std::printf("  pose %-37s %9.2f us\n", "(20 bones)", pose);
        std::printf("  pose %-37s %9.2f us\n", "blended from two times", blend);
    }

    auto deforms = [&](const char* label) {
        const double rigid = microseconds(500, [&](int) { deformRigid(skin); });
        const double weighted = microseconds(500, [&](int) { deformWeighted(skin); });
        if (!table) {
            std::printf("  deform %-35s rigid %9.2f us   weighted %9.2f us\n", label, rigid,
                        weighted);
            return;
        }
        char figure[96];
        std::snprintf(figure, sizeof figure, "skinning: 2,000 vertices, 2 weights, %s", label);
        bench::tableRow(figure, weighted, "us", rigid, "one bone a vertex");
    };
    poseSkeleton(skeleton, 0, 300, kIdentityMatrix);
    deforms("positions only");

    const double grouped = microseconds(5, [&](int) { computeSkinNormals(skin); }) / 1000;
    if (!table) std::printf("  normals, equal positions grouped once         %9.2f ms\n", grouped);
    deforms("with normals");

    enableSkinLighting(skin);
    deforms("with normals and CPU lighting");
    if (table)
        bench::tableRow("skin normals: equal positions grouped once", grouped, "ms");
    return 0;
}
