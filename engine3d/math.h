// The 3D engine's arithmetic: vectors, column-major matrices, quaternions and bone keys, and the
// fixed-point forms that OpenGL ES and the model file use. Everything works on caller storage.
#pragma once

#include <cstdint>

struct Vec3 {
    float x, y, z;
};

// Column-major, as glLoadMatrixf takes it: element (row r, column c) is at index 4c + r, and
// indices 12, 13, 14 hold the translation. Affine matrices keep row 3 at 0, 0, 0, 1.
struct Mat4 {
    float m[16];
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
};

// The same layout in 16.16 fixed point, for glLoadMatrixx and glMultMatrixx.
struct FixedMat4 {
    int32_t m[16];
};

// Vector part first. Keys from animation clips are used as they are, not normalised.
struct Quat {
    float x, y, z, w;
};

// One animation key: translation, then rotation (seven floats).
struct BoneKey {
    Vec3 translation;
    Quat rotation;
};
static_assert(sizeof(BoneKey) == 7 * sizeof(float), "a bone key is seven floats");

// ---- Fixed-point forms ------------------------------------------------------------------------
// 16.16 (GL_FIXED, colours, 'i' file data), 8.8 (short positions), 1/1024 (texture coordinates),
// 2.14 (rotations and weights in 's' file data).
constexpr int32_t kFixedOne = 0x10000;
constexpr float kFixedToFloat = 1.52587890625e-05f;  // 1/65536, multiplied rather than divided

inline float fixedToFloat(int32_t raw) {
    return static_cast<float>(raw) * kFixedToFloat;
}
// Truncates value x 65536 toward zero; out-of-range values saturate and NaN gives 0.
int32_t floatToFixed(float value);
inline int32_t fixedToTexCoord(int32_t raw) {
    return raw >> 6;
}
inline int32_t texCoordToFixed(int32_t texCoord) {
    return static_cast<int32_t>(static_cast<uint32_t>(texCoord) << 6);
}
// Truncation of value x 1024 + 0.5, saturated to the 16-bit range the vertex arrays hold (NaN: 0).
int16_t floatToTexCoord(float value);
// A colour byte as 16.16: b x 257, so 255 becomes 0xFFFF.
inline int32_t colourByteToFixed(uint32_t b) {
    return static_cast<int32_t>(((b & 255) << 8) | (b & 255));
}
// 0xAARRGGBB to r, g, b, a in 16.16.
void unpackColour(uint32_t argb, int32_t rgba[4]);

// Attribute scale tables: undo a 16-bit encoding on the GPU (diagonal 1/256 or 1/1024, w kept).
extern const FixedMat4 kScale256Table;
extern const FixedMat4 kScale1024Table;
extern const FixedMat4 kFixedIdentity;
extern const Mat4 kIdentityMatrix;

// ---- Operations --------------------------------------------------------------------------------
// out = a x b for affine matrices; out may be a or b. Row 3 of out becomes 0, 0, 0, 1.
void mulAffine(Mat4& out, const Mat4& a, const Mat4& b);
// m = m x T(x, y, z).
void translate(Mat4& m, float x, float y, float z);
// m = m x S(s, s, s) and m = m x S(sx, sy, sz); translation and row 3 stay.
void scale(Mat4& m, float s);
void scale3(Mat4& m, float sx, float sy, float sz);
// Writes the 3 x 3 rotation part of m (indices 0-2, 4-6, 8-10) and nothing else.
void quatToMatrix(const Quat& q, Mat4& m);
// Rotation and translation of key, element 15 = 1; indices 3, 7, 11 must already be 0.
void keyToMatrix(const BoneKey& key, Mat4& m);
float dotQuat(const BoneKey& k0, const BoneKey& k1);
// Linear blend by f in [0, 1), taking the shorter way round (k1's rotation negated when the dot
// product is negative); the rotation is not normalised.
void blendKeys(const BoneKey& k0, const BoneKey& k1, float f, BoneKey& out);
// Unit length, or the zero vector when its length is not positive.
void normalize(Vec3& v);
