// Vector, matrix, quaternion and fixed-point arithmetic of the 3D engine.
#include "engine3d/math.h"

#include <cmath>
#include <cstring>

const FixedMat4 kScale256Table = {
    {0x100, 0, 0, 0, 0, 0x100, 0, 0, 0, 0, 0x100, 0, 0, 0, 0, 0x10000}};
const FixedMat4 kScale1024Table = {{0x40, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0x10000}};
const FixedMat4 kFixedIdentity = {
    {0x10000, 0, 0, 0, 0, 0x10000, 0, 0, 0, 0, 0x10000, 0, 0, 0, 0, 0x10000}};
const Mat4 kIdentityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

int32_t floatToFixed(float value) {
    const double scaled = static_cast<double>(value) * 65536.0;
    if (!(scaled == scaled)) return 0;
    if (scaled >= 2147483647.0) return INT32_MAX;
    if (scaled <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

int16_t floatToTexCoord(float value) {
    const double scaled = static_cast<double>(value) * 1024.0 + 0.5;
    if (!(scaled == scaled)) return 0;
    if (scaled >= 32767.0) return INT16_MAX;
    if (scaled <= -32768.0) return INT16_MIN;
    return static_cast<int16_t>(scaled);
}

void unpackColour(uint32_t argb, int32_t rgba[4]) {
    rgba[0] = colourByteToFixed(argb >> 16);
    rgba[1] = colourByteToFixed(argb >> 8);
    rgba[2] = colourByteToFixed(argb);
    rgba[3] = colourByteToFixed(argb >> 24);
}

void mulAffine(Mat4& out, const Mat4& a, const Mat4& b) {
    Mat4 t;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 3; ++r) {
            t[4 * c + r] = a[r] * b[4 * c] + a[4 + r] * b[4 * c + 1] + a[8 + r] * b[4 * c + 2];
        }
    }
    for (int r = 0; r < 3; ++r) t[12 + r] += a[12 + r];
    t[3] = t[7] = t[11] = 0;
    t[15] = 1;
    out = t;
}

void translate(Mat4& m, float x, float y, float z) {
    for (int r = 0; r < 3; ++r) m[12 + r] += m[r] * x + m[4 + r] * y + m[8 + r] * z;
}

void scale(Mat4& m, float s) {
    scale3(m, s, s, s);
}

void scale3(Mat4& m, float sx, float sy, float sz) {
    for (int r = 0; r < 3; ++r) {
        m[r] *= sx;
        m[4 + r] *= sy;
        m[8 + r] *= sz;
    }
}

void quatToMatrix(const Quat& q, Mat4& m) {
    const float xx2 = 2 * q.x * q.x, yy2 = 2 * q.y * q.y, zz2 = 2 * q.z * q.z;
    const float xy2 = 2 * q.x * q.y, xz2 = 2 * q.x * q.z, xw2 = 2 * q.x * q.w;
    const float yz2 = 2 * q.y * q.z, yw2 = 2 * q.y * q.w, zw2 = 2 * q.z * q.w;
    m[0] = 1 - (yy2 + zz2);
    m[1] = xy2 + zw2;
    m[2] = xz2 - yw2;
    m[4] = xy2 - zw2;
    m[5] = 1 - (xx2 + zz2);
    m[6] = yz2 + xw2;
    m[8] = xz2 + yw2;
    m[9] = yz2 - xw2;
    m[10] = 1 - (xx2 + yy2);
}

void keyToMatrix(const BoneKey& key, Mat4& m) {
    quatToMatrix(key.rotation, m);
    m[12] = key.translation.x;
    m[13] = key.translation.y;
    m[14] = key.translation.z;
    m[15] = 1;
}

float dotQuat(const BoneKey& k0, const BoneKey& k1) {
    const Quat& a = k0.rotation;
    const Quat& b = k1.rotation;
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

void blendKeys(const BoneKey& k0, const BoneKey& k1, float f, BoneKey& out) {
    Quat q1 = k1.rotation;
    if (dotQuat(k0, k1) < 0) q1 = {-q1.x, -q1.y, -q1.z, -q1.w};
    const Quat& q0 = k0.rotation;
    const Vec3& t0 = k0.translation;
    const Vec3& t1 = k1.translation;
    BoneKey r;
    r.rotation = {q0.x + (q1.x - q0.x) * f, q0.y + (q1.y - q0.y) * f, q0.z + (q1.z - q0.z) * f,
                  q0.w + (q1.w - q0.w) * f};
    r.translation = {t0.x + (t1.x - t0.x) * f, t0.y + (t1.y - t0.y) * f, t0.z + (t1.z - t0.z) * f};
    out = r;
}

void normalize(Vec3& v) {
    const float length = static_cast<float>(std::sqrt(static_cast<double>(v.x) * v.x +
                                                      static_cast<double>(v.y) * v.y +
                                                      static_cast<double>(v.z) * v.z));
    if (!(length > 0)) {
        v = {0, 0, 0};
        return;
    }
    const float inv = 1.0f / length;
    v.x *= inv;
    v.y *= inv;
    v.z *= inv;
}
