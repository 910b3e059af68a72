// Skeletal animation of skinned meshes: posing a skeleton from its keyframed clips, moving a
// skinned mesh's vertices by its bones (rigid or weighted skinning), the mesh's normals, its
// lighting on the CPU (a fixed directional light written into the vertex colours, each draw or
// baked once), texture scrolling and the selection of vertices by texture coordinates.
//
// Everything runs on the CPU in floats and writes straight into the mesh's interleaved vertex
// array, from which the renderer draws it with glDrawElements (no buffer object).
//
// Times are in 1/256 frames. Bone matrices start all zero; a skinned mesh whose skeleton has not
// been posed yet is not drawn at all (rather than every vertex collapsing onto the origin).
#pragma once

#include <cstdint>

#include "engine3d/engine3d.h"
#include "engine3d/skinned_mesh.h"

// ---- Posing ---------------------------------------------------------------------------------
// Poses every bone from clip `clip` at `time` (1/256 frames): the time is clamped to the clip,
// [0, (frameCount - 1) x 256 - 1], so a time past the end holds the last pair of frames at
// 255/256; a clip of one frame always shows that frame. Keys are blended linearly between the
// two frames around the time, root bones are put under `root` and every other bone under its
// parent. 0, or kErrorSkin (the bones stay as they were, lastError set) for a clip index outside
// the skeleton's clips or a null skeleton.
int32_t poseSkeleton(Skeleton* skeleton, int32_t clip, int32_t time, const Mat4& root);
// Poses every bone from two clips at once: each at its own time (clamped as above), mixed by
// weight / 256 with weight clamped to 0..256 (0 is clip A alone, 256 clip B alone). Root bones
// take their blended key as it is. 0, or kErrorSkin when either clip is not valid.
int32_t poseSkeletonBlend(Skeleton* skeleton, int32_t clipA, int32_t timeA, int32_t clipB,
                          int32_t timeB, int32_t weight);

// ---- Deforming ------------------------------------------------------------------------------
// Rigid skinning: every position a bone's binding lists is moved by bone matrix x bind matrix
// into the vertex of the same index. Once normals are ready they are turned the same way (into
// rotatedNormals, and into the vertex array's normal attribute when it has one), and with CPU
// lighting switched on the vertex colours are lit afterwards.
void deformRigid(SkinnedMesh* skin);
// Weighted skinning: each entry of a bone's weighted binding contributes weight x (bone matrix x
// bind matrix x position) to its vertex; the leading flagged entries of a binding set the vertex,
// the others add to it. Normals and lighting as for deformRigid. A vertex that a file adds to
// before any entry sets it is cleared first, so it never accumulates from draw to draw. Without
// weighted bindings nothing is done.
void deformWeighted(SkinnedMesh* skin);
// The skinning the renderer uses: weighted when the mesh is in weighted mode and has weighted
// bindings, else rigid.
void deformSkin(SkinnedMesh* skin);

// ---- Normals and lighting -------------------------------------------------------------------
// The rest normal of every position: the normalised sum of the face normals of every triangle
// corner whose rest position equals it exactly (all three coordinates), so a crease is smoothed
// only where two faces really share a point. The face normal is normalize(p1 - p0) x
// normalize(p2 - p0), not normalised; triangles using a vertex that is not a position count for
// nothing. Equal positions are grouped once by sorting, so the cost is O(P log P + T). Marks
// the normals ready.
void computeSkinNormals(SkinnedMesh* skin);
// The per-draw CPU lighting: for each position i, s = 0.3 + max(0, dot((0, 0.707, 0.707),
// rotatedNormal i)), at most 1, and vertex i's colour r = g = b = s x 255 truncated (alpha kept).
// Nothing without a colour attribute.
void lightSkinOnCpu(SkinnedMesh* skin);

// ---- Operations on a skinned mesh ----------------------------------------------------------
// Adds attributes (kMask* bits) to the vertex array: a new layout in the usual order and
// packing, every value already there kept; a colour newly added starts opaque white, anything
// else zero.
void addSkinAttributes(SkinnedMesh* skin, uint32_t mask);
// 0 = rigid skinning, anything else weighted.
void setSkinningMode(SkinnedMesh* skin, uint8_t weighted);
// Lighting by GL (its light 0 and a normal array) instead of the CPU. Switched on for a mesh
// whose normals are ready, the vertex array gains its normal attribute at once; otherwise
// enableSkinLighting or bakeSkinLighting adds it.
void setSkinGlLighting(SkinnedMesh* skin, uint8_t on);
// Switches lighting on: the vertex array gains a normal attribute (GL lighting) or a colour
// attribute (CPU lighting), and the normals are computed (once per mesh).
void enableSkinLighting(SkinnedMesh* skin);
// Lights the mesh once, in its rest pose: adds the attribute as enableSkinLighting does and
// computes the normals; without GL lighting, each vertex's colour becomes s = 0.2 + 0.7 x
// max(0, dot(n, normalize(0, -1, 1))) + 0.7 x max(0, dot(n, normalize(0, 1, 1))), at most 1,
// as r = g = b = s x 255 truncated and alpha 255 (n: the rest normal of the vertex's position).
void bakeSkinLighting(SkinnedMesh* skin);
// Scrolls the texture: the mesh draws with a texture matrix of its own, the unit-0 scale table
// moved by (du, dv) in texture units (16.16, truncated). (0, 0) switches that matrix off again
// and the next draw loads the scale table.
void setTextureScroll(SkinnedMesh* skin, float du, float dv);
// Selects the vertices whose float texture coordinates lie in [uMin, uMax) x [vMin, vMax):
// skin->selection[0] = 1 + their number (the first entry counts itself), then their indices in
// vertex order. Nothing is selected (the selection stays as it was) when the mesh has no unit-0
// texture coordinates.
void selectTextureRegion(SkinnedMesh* skin, float uMin, float vMin, float uMax, float vMax);

// ---- The same by handle -----------------------------------------------------------------------
// Each returns 0 and does nothing for a handle that is not a skinned mesh (type 0x08), and the
// lookup failure (kErrorBadSlot, kErrorEmptySlot) for a skinned-mesh handle without a mesh.
int32_t setSkinningMode(Engine3D* engine, ObjectHandle handle, uint8_t weighted);
int32_t setSkinGlLighting(Engine3D* engine, ObjectHandle handle, uint8_t on);
int32_t enableSkinLighting(Engine3D* engine, ObjectHandle handle);
int32_t bakeSkinLighting(Engine3D* engine, ObjectHandle handle);
int32_t setTextureScroll(Engine3D* engine, ObjectHandle handle, float du, float dv);
int32_t selectTextureRegion(Engine3D* engine, ObjectHandle handle, float uMin, float vMin,
                            float uMax, float vMax);
