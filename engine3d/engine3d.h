// The 3D engine context: one Engine3D with its object tables, the 32-bit handles by which the game
// names objects, the per-model vertex memory (VertexStore) and static meshes with their
// interleaved vertex layout. A procedural library: every operation takes the engine first and
// returns 0 or a negative code (the codes are below).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine3d/math.h"

struct Engine3D;
struct Texture;
struct SkinnedMesh;
struct Skeleton;

// ---- Handles ------------------------------------------------------------------------------------
// Bits 24..31 are the object type, bits 0..23 the slot in that type's table; 0 means none.
using ObjectHandle = uint32_t;

constexpr ObjectHandle kHandleStaticMesh = 0x01000000;
constexpr ObjectHandle kHandleModel = 0x02000000;  // a VertexStore
constexpr ObjectHandle kHandleTexture = 0x04000000;
constexpr ObjectHandle kHandleSkinnedMesh = 0x08000000;
constexpr ObjectHandle kHandleGeometry = 0x10000000;
constexpr ObjectHandle kHandleTypeMask = 0xFF000000;
constexpr ObjectHandle kHandleSlotMask = 0x00FFFFFF;

inline ObjectHandle handleType(ObjectHandle h) {
    return h & kHandleTypeMask;
}
inline int32_t handleSlot(ObjectHandle h) {
    return static_cast<int32_t>(h & kHandleSlotMask);
}

constexpr int32_t kMaxStores = 32;              // fixed table
constexpr int32_t kMaxTextures = 256;           // fixed table
constexpr int32_t kTableGrowth = 64;            // growable tables grow by this many slots
constexpr int32_t kMaxTableSlots = 0x01000000;  // a slot must fit in 24 bits

// ---- Failure codes (left in Engine3D::lastError; successes do not clear it) ---------------------
constexpr int32_t kErrorPerspective = -992;      // setPerspective: bad arguments
constexpr int32_t kErrorTextureFile = -993;      // a texture could not be loaded
constexpr int32_t kErrorNotHead = -994;          // a model file does not start with HEAD
constexpr int32_t kErrorModelFile = -995;        // a model file could not be read
constexpr int32_t kErrorTexturesFull = -996;     // all 256 texture slots are in use
constexpr int32_t kErrorEmptySlot = -997;        // empty slot, or not a valid texture handle
constexpr int32_t kErrorBadSlot = -998;          // slot index beyond the table
constexpr int32_t kErrorBadArgument = -999;      // an argument out of its range (texture unit)
constexpr int32_t kErrorSkin = -1000;            // a SKIN lacks its TRIX or BIND chunk
constexpr int32_t kErrorMalformedModel = -1001;  // a model file breaks its own structure
constexpr int32_t kErrorModelSlots = -1002;      // all 32 model slots (or a table's 2^24) used

// ---- Vertex attributes --------------------------------------------------------------------------
enum AttributeFormat : int32_t {
    kAttributeFixed = 0,      // GL_FIXED, 16.16
    kAttributeShort8_8 = 1,   // GL_SHORT, value / 256 (scaled by kScale256Table)
    kAttributeShort1024 = 2,  // GL_SHORT, value / 1024 (scaled by kScale1024Table)
    kAttributeByte = 3,       // GL_UNSIGNED_BYTE
    kAttributeFloat = 4,      // GL_FLOAT (static meshes)
    kAttributeSkinFloat = 5,  // GL_FLOAT (skinned meshes)
};

// Attribute order inside a vertex, and the matching attributeMask bits.
enum AttributeIndex : int32_t {
    kAttrPosition = 0,
    kAttrTexture0 = 1,
    kAttrTexture1 = 2,
    kAttrColour = 3,
    kAttrNormal = 4,
    kAttributeCount = 5,
};
constexpr uint32_t kMaskPosition = 1;
constexpr uint32_t kMaskTexture0 = 2;
constexpr uint32_t kMaskTexture1 = 4;
constexpr uint32_t kMaskColour = 8;
constexpr uint32_t kMaskNormal = 16;

// Texture-matrix ids: which constant table an attribute needs (0 identity, -1 unknown/own).
constexpr int32_t kScaleIdNone = 0;
constexpr int32_t kScaleId1024 = 1;
constexpr int32_t kScaleId256 = 2;

struct VertexAttribute {
    int32_t format;                // AttributeFormat
    int32_t byteSize;              // bytes per vertex: components x bytes per component
    uint32_t glType;               // GL component type for the pointer call
    int32_t offset;                // byte offset inside a vertex
    const FixedMat4* scaleMatrix;  // table that undoes a 16-bit encoding, or null
    int32_t scaleId;               // kScaleId* of scaleMatrix
};

// Sets format, GL type, byte size and scale table for `components` components of `format`.
void setAttributeFormat(VertexAttribute* attribute, int32_t format, int32_t components);
// Packs the attributes present in mask in attribute order, each at the running stride; absent
// ones take no room. Returns the stride.
int32_t layoutAttributes(VertexAttribute attributes[kAttributeCount], uint32_t mask);

// ---- Objects ------------------------------------------------------------------------------------
// The vertex memory of one model file, shared by its static meshes.
struct VertexStore {
    Engine3D* engine;
    ObjectHandle handle;  // kHandleModel | slot: the model handle
    uint32_t glBuffer;    // GL buffer object, 0 while none
    uint8_t* data;        // owned; kept after upload (re-upload, drawing without buffers)
    int32_t size;         // bytes
    int32_t fill;         // next free offset while meshes are filled
};

struct StaticMesh {
    Engine3D* engine;
    ObjectHandle handle;       // kHandleStaticMesh | slot
    char name[32];             // NUL-padded; no terminator when all 32 are used
    ObjectHandle modelHandle;  // the store's handle; 0xFFFFFFFF until attached
    VertexStore* store;
    int32_t vertexCount;
    int32_t stride;  // bytes per vertex
    uint32_t attributeMask;
    int32_t dataOffset;  // first vertex inside the store
    VertexAttribute attributes[kAttributeCount];
    Texture* textures[2];  // per texture unit; null = none
    uint8_t useConstantColour;
    int32_t constantColour[4];  // r, g, b, a in 16.16
};

// Indexed triangles in client memory, drawn with float positions and optional float texture
// coordinates. Nothing in the game makes one; createGeometry is its constructor.
struct DynamicGeometry {
    Engine3D* engine;
    ObjectHandle handle;  // kHandleGeometry | slot
    float* positions;     // owned, 3 per vertex
    float* texCoords;     // owned, 2 per vertex, or null
    uint16_t* indices;    // owned, each below vertexCount
    int32_t vertexCount;
    int32_t indexCount;
    Texture* texture;
};

struct Engine3D {
    int32_t lastError;
    int32_t in3D;  // 1 between begin3D and end3D
    StaticMesh** meshes;
    int32_t meshCapacity;
    VertexStore** stores;
    int32_t storeCapacity;      // kMaxStores
    uint32_t boundArrayBuffer;  // GL buffer last bound to GL_ARRAY_BUFFER here; 0 = none
    Texture* textures[kMaxTextures];
    Mat4 identity;
    Mat4 view;
    Vec3 cameraUp, cameraForward, cameraSide;  // last camera frame
    Mat4 projection;
    float projScaleX, projScaleY, nearPlane, farPlane;
    Mat4 modelView;             // current object transform, loaded before each draw
    int32_t glViewport[4];      // x, y, width, height as given to glViewport (portrait)
    int32_t screenViewport[4];  // landscape x, y, width, height
    SkinnedMesh** skins;
    int32_t skinCapacity;
    Skeleton** skeletons;
    int32_t skeletonCapacity;
    DynamicGeometry** geometries;
    int32_t geometryCapacity;
    int32_t boundTexture;     // GL texture last bound by the 3D renderer; -1 = unknown
    int32_t textureMatrixId;  // kScaleId* loaded in the texture matrix; -1 = unknown
    // Per-pass counters, reset by begin3D.
    int32_t statTriangles, statDrawCalls, statTrianglesAll, statTextureBinds, statBufferBinds;
};

// The game's engine, made once by the application at start-up: g_engine = createEngine3D().
extern Engine3D* g_engine;

// A new engine: 32 empty model slots, no meshes, 256 empty texture slots, identity view and
// modelView, camera frame up (0, 0, 1), forward (0, 1, 0), side (1, 0, 0), viewport 480 x 320.
Engine3D* createEngine3D();
// Releases an engine and every object, store and texture in it. The game keeps its engine for
// the whole process; tools and tests release theirs. Deletes GL objects, so a context that
// made them should still be current.
void destroyEngine3D(Engine3D* engine);

// First empty slot of a growable table, growing it by kTableGrowth (new slots empty, old entries
// kept) when full; -1 when it cannot grow past kMaxTableSlots.
template <typename T>
int32_t findSlot(T**& table, int32_t& capacity) {
    for (int32_t i = 0; i < capacity; ++i)
        if (!table[i]) return i;
    if (capacity > kMaxTableSlots - kTableGrowth) return -1;
    const int32_t first = capacity;
    T** grown = new T*[static_cast<size_t>(capacity) + kTableGrowth]();
    for (int32_t i = 0; i < capacity; ++i) grown[i] = table[i];
    delete[] table;
    table = grown;
    capacity += kTableGrowth;
    return first;
}
// First empty slot of the fixed model table, or -1.
int32_t findStoreSlot(const Engine3D* engine);

// 0 and the object, kErrorBadSlot when the slot is beyond the table, kErrorEmptySlot when it is
// empty. The type byte is not checked: callers dispatch on it first.
int32_t lookupMesh(const Engine3D* engine, ObjectHandle handle, StaticMesh** out);
int32_t lookupSkin(const Engine3D* engine, ObjectHandle handle, SkinnedMesh** out);
int32_t lookupGeometry(const Engine3D* engine, ObjectHandle handle, DynamicGeometry** out);
int32_t lookupStore(const Engine3D* engine, ObjectHandle handle, VertexStore** out);
// The texture of a texture handle, or null unless the type is 0x04 and the slot is filled.
Texture* lookupTexture(const Engine3D* engine, ObjectHandle handle);

// Loads a texture by resource name (a ".pvr" or PNG picture, see loadTextureByName) into the
// first free texture slot: kHandleTexture | slot, or 0 with lastError kErrorTexturesFull or
// kErrorTextureFile. Resets the 2D texture bind cache.
ObjectHandle loadTexture(Engine3D* engine, const char* path, bool mipmaps);
// The same for a texture already made: the engine owns it from a successful call on (a failed
// call leaves it to the caller; null counts as a load failure).
ObjectHandle loadTexture(Engine3D* engine, Texture* texture);

// Gives a static mesh (unit 0 or 1) or a skinned mesh (its one texture) a texture. The texture is
// looked up first (kErrorEmptySlot, nothing changes); a unit other than 0 or 1 is
// kErrorBadArgument; other handle types are ignored.
int32_t setObjectTexture(Engine3D* engine, ObjectHandle object, int32_t unit, ObjectHandle texture);
// Draws a static or skinned mesh in one colour (0xAARRGGBB; a skinned mesh keeps alpha 1.0).
int32_t setObjectColor(Engine3D* engine, ObjectHandle object, uint32_t argb);
int32_t clearObjectColor(Engine3D* engine, ObjectHandle object);

// Makes a geometry object from copies of the arrays (texCoords may be null): its handle, or 0 with
// lastError kErrorBadArgument for an index past the vertices, a count below 0 or a bad texture.
ObjectHandle createGeometry(Engine3D* engine, const float* positions, const float* texCoords,
                            int32_t vertexCount, const uint16_t* indices, int32_t indexCount,
                            ObjectHandle texture);

// ---- Vertex stores ------------------------------------------------------------------------------
// Whether vertex buffer objects are used (the capability record says so; none without one).
bool usesBufferObjects();
// Makes `store` the source of vertex data and returns the base that attribute offsets are added
// to: 0 when its GL buffer is bound, else the address of its data (0 for no store). The buffer
// is bound only when it differs from boundArrayBuffer; each bind counts in statBufferBinds. A
// store that has no GL buffer is read from client memory.
uintptr_t bindStore(Engine3D* engine, const VertexStore* store);
// With buffer objects, binds buffer 0 (and forgets the cached binding).
void unbindStore(Engine3D* engine);
// With buffer objects, puts the store's data into a new GL buffer (GL_STATIC_DRAW) and registers
// the store in the GPU resource registry (kind 1), whose restore calls this again.
void uploadStore(VertexStore* store);
