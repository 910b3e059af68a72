// The 3D renderer over the OpenGL ES 1.x fixed pipeline: passes, viewport, the rotated
// perspective of the landscape picture on the portrait surface, the camera, object transforms and
// the drawing of objects by handle. Within a pass it binds textures, the array buffer and the
// texture matrix only when they change; 16-bit attributes are scaled by constant matrices on the
// GPU. Also home of the program-wide 2D texture bind cache.
#pragma once

#include <cstdint>

#include "engine3d/engine3d.h"

// The GL name last bound to GL_TEXTURE_2D through bindTexture2D; -1 = unknown (forces the next
// bind). Whoever binds behind it sets it to what GL now has, or to -1.
extern int32_t g_boundTexture2D;
// Binds name to GL_TEXTURE_2D unless the cache already holds it.
void bindTexture2D(uint32_t glName);

// Starts a 3D pass: culling, texturing and depth test on, blending off, the projection and view
// loaded, the pass caches forgotten, the full-screen viewport and the statistics zeroed. 0.
int32_t begin3D(Engine3D* engine);
// Ends a pass: GL back in the 2D state (2D projection, identity texture and model-view matrices,
// depth test off, blending on), buffer 0 bound, the 2D bind cache forgotten. 0.
int32_t end3D(Engine3D* engine);
// Inside a pass: the 2D projection and an identity view, so objects are placed in landscape
// screen units (480 x 320, origin top-left, y down).
void beginOverlay(Engine3D* engine);
// Landscape rectangle; the GL viewport is given exchanged for the portrait surface
// (glViewport(y, x, h, w)), at once when inside a pass.
void setViewport(Engine3D* engine, int32_t x, int32_t y, int32_t width, int32_t height);
// Perspective turned onto the portrait surface: eye y goes to clip x, eye -x to clip y. fovDeg
// is the landscape picture's horizontal field on the common screen; aspect is not used. 0, or
// kErrorPerspective (nothing changes, lastError included) unless 0 <= zNear < zFar and 0 < fovDeg
// <= 175. Loaded at once inside a pass, else by the next begin3D.
int32_t setPerspective(Engine3D* engine, float fovDeg, float aspect, float zNear, float zFar);
// View matrix looking along forward with up; a direction shorter than 0.001 (or a side vector,
// when up is parallel to forward) falls back to the previous camera frame. 0.
int32_t setCamera(Engine3D* engine, Vec3 eye, Vec3 forward, Vec3 up);
// modelView = view.
void resetModelView(Engine3D* engine);
// modelView = the eye-space position of the world point, with no camera rotation: the object
// keeps its axes along the screen's.
void placeBillboard(Engine3D* engine, float x, float y, float z);
// On engine->modelView, as the matrix operations of the same names.
void translate(Engine3D* engine, float x, float y, float z);
void scale(Engine3D* engine, float s);
void scale3(Engine3D* engine, float sx, float sy, float sz);
// modelView = modelView x rotation about z by degrees.
void rotateZ(Engine3D* engine, float degrees);
// Draws a static mesh, a skinned mesh (deformed first by its skeleton's current pose; nothing
// while that skeleton has never been posed) or a geometry object with modelView: 0, or the
// lookup failure. Other handle types, 0 included, draw nothing and return 0.
int32_t drawObject(Engine3D* engine, ObjectHandle handle);
