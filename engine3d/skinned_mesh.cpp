// Release of skeletons and skinned meshes with everything they own.
#include "engine3d/skinned_mesh.h"

void destroySkeleton(Skeleton* skeleton) {
    if (!skeleton) return;
    delete[] skeleton->bones;
    delete[] skeleton->keys;
    delete[] skeleton->clips;
    delete skeleton;
}

void destroySkinnedMesh(SkinnedMesh* skin) {
    if (!skin) return;
    delete[] skin->positions;
    delete[] skin->rotatedNormals;
    delete[] skin->vertexEntries;
    delete[] skin->triangles;
    delete[] skin->rigidBindings;
    delete[] skin->rigidIndices;
    delete[] skin->rigidMatrices;
    delete[] skin->weightedBindings;
    delete[] skin->weightEntries;
    delete[] skin->weightedMatrices;
    delete[] skin->selection;
    delete[] skin->texCoords;
    delete[] skin->vertices;
    delete skin;
}
