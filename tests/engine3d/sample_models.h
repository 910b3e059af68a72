// Models the engine tests share, made in code with the model writer.
#pragma once

#include <string>

#include "tools/writers/model_writer.h"

namespace samples {

// One triangle facing a camera that looks along +y, at distance 10: world x 2..6, z 1..5.
inline MeshSource triangleMesh(const std::string& name) {
    MeshSource m;
    m.name = name;
    m.positions = {2, 10, 1, 6, 10, 1, 2, 10, 5};
    return m;
}

// The same triangle far to the upper left: world x -6..-4, z 3..5.
inline MeshSource farTriangleMesh(const std::string& name) {
    MeshSource m = triangleMesh(name);
    m.positions = {-6, 10, 3, -4, 10, 3, -6, 10, 5};
    return m;
}

// A skeleton of two bones (the second a child of the first) with one clip of two frames.
inline SkeletonSource twoBoneSkeleton(char encoding = 'f') {
    SkeletonSource s;
    s.encoding = encoding;
    s.parents = {255, 0};
    s.clips = {{2,
                {{{0, 0, 0}, {0, 0, 0, 1}},
                 {{1, 0, 0}, {0, 0, 0, 1}},
                 {{0, 1, 0}, {0, 0, 0, 1}},
                 {{0, 2, 0}, {0, 0, 0.5f, 0.5f}}}}};
    return s;
}

// A skinned quad of four positions and two triangles, bound to both bones of twoBoneSkeleton.
inline SkinSource quadSkin(const std::string& name) {
    SkinSource s;
    s.name = name;
    s.positions = {0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1};
    s.triangles = {0, 1, 2, 0, 2, 3};
    s.colours = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    s.texCoords = {0, 0, 1, 0, 1, 1, 0, 0.5f};
    Mat4 bind = kIdentityMatrix;
    bind[12] = 0.5f;
    s.bindings = {{bind, {0, 1}}, {kIdentityMatrix, {2, 3}}};
    s.weighted = {{kIdentityMatrix, {{0, 1, 1.0f}, {1, 1, 0.5f}, {2, 0, 0.25f}}},
                  {bind, {{3, 1, 1.0f}}}};
    return s;
}

// A file of one skeleton and one skinned mesh.
inline ModelBytes skinFile(const SkeletonSource& skeleton, const SkinSource& skin) {
    ModelWriter w;
    w.addSkeleton(skeleton);
    w.addSkin(skin);
    return w.build();
}

}  // namespace samples
