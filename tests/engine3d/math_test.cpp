// Matrices, quaternions, bone keys and the fixed-point forms, against worked numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine3d/math.h"

namespace {

void expectFloats(const float* got, std::initializer_list<float> want) {
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want.begin()[i], 1e-6f) << i;
}

// A: a quarter turn about z, then a move by (1, 2, 3). B: scales 2, 3, 4 and a move by (5, 6, 7).
// A x B turns B's axes and moves B's origin to A(5, 6, 7) = (-6, 5, 7) + (1, 2, 3).
TEST(Matrix, ProductIsAIntoBWhicheverItWritesTo) {
    Mat4 a = kIdentityMatrix, b = kIdentityMatrix;
    quatToMatrix({0, 0, std::sqrt(0.5f), std::sqrt(0.5f)}, a);
    translate(a, 2, -1, 3);  // along A's own axes
    a[3] = 9;                // row 3 of the product is 0, 0, 0, 1 all the same
    scale3(b, 2, 3, 4);
    translate(b, 2.5f, 2, 1.75f);
    Mat4 out, intoA = a, intoB = b;
    mulAffine(out, a, b);
    mulAffine(intoA, intoA, b);
    mulAffine(intoB, a, intoB);
    for (const Mat4* m : {&out, &intoA, &intoB})
        expectFloats(m->m, {0, 2, 0, 0, -3, 0, 0, 0, 0, 0, 4, 0, -5, 7, 10, 1});
    scale(b, 0.5f);  // scaling keeps the translation
    expectFloats(b.m, {1, 0, 0, 0, 0, 1.5f, 0, 0, 0, 0, 2, 0, 5, 6, 7, 1});
}

TEST(Quaternion, RotationsOfWorkedTurnsAndBlendsTheShortWay) {
    const float h = std::sqrt(0.5f);
    const struct {
        Quat q;
        std::initializer_list<float> columns;  // elements 0-11; the rest stay 7
    } cases[] = {{{0, 0, 0, 1}, {1, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7}},
                 {{h, 0, 0, h}, {1, 0, 0, 7, 0, 0, 1, 7, 0, -1, 0, 7}},  // y to z
                 {{0, h, 0, h}, {0, 0, -1, 7, 0, 1, 0, 7, 1, 0, 0, 7}},  // z to x
                 {{0.5f, 0.5f, 0.5f, 0.5f}, {0, 1, 0, 7, 0, 0, 1, 7, 1, 0, 0, 7}}};
    for (const auto& c : cases) {
        Mat4 m;
        for (float& v : m.m) v = 7;
        quatToMatrix(c.q, m);
        expectFloats(m.m, c.columns);
        expectFloats(m.m + 12, {7, 7, 7, 7});
    }
    Mat4 key{};
    keyToMatrix({{1, 2, 3}, {0, 0, 0, 1}}, key);
    expectFloats(key.m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});

    const BoneKey k0{{0, 0, 0}, {0, 0, 0.6f, 0.8f}}, k1{{2, 4, 6}, {0, 0, 0.8f, 0.6f}};
    const BoneKey negated{{0, 0, 0}, {0, 0, -0.6f, -0.8f}};
    EXPECT_LT(dotQuat(k0, negated), 0);
    BoneKey b;
    blendKeys(k0, k1, 0, b);
    expectFloats(&b.translation.x, {0, 0, 0, 0, 0, 0.6f, 0.8f});
    blendKeys(k0, k1, 0.5f, b);
    expectFloats(&b.translation.x, {1, 2, 3, 0, 0, 0.7f, 0.7f});  // not normalised
    blendKeys(k0, negated, 0.5f, b);  // q and -q are one rotation: halfway is q again
    expectFloats(&b.translation.x, {0, 0, 0, 0, 0, 0.6f, 0.8f});
}

TEST(FixedPoint, ConversionsAndNormalisation) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int32_t cases[][2] = {
        {floatToFixed(1.5f), 0x18000},      {floatToFixed(-1.00001f), -65536},  // toward zero
        {floatToFixed(1e20f), INT32_MAX},   {floatToFixed(-1e20f), INT32_MIN},
        {floatToFixed(nan), 0},             {fixedToTexCoord(-64), -1},  // an arithmetic shift
        {texCoordToFixed(-1), -64},         {floatToTexCoord(0.5f), 512},
        {floatToTexCoord(1000.0f), 32767},  {floatToTexCoord(-1000.0f), -32768},
        {floatToTexCoord(nan), 0}};
    for (const auto& c : cases) EXPECT_EQ(c[0], c[1]) << &c - cases;
    EXPECT_FLOAT_EQ(fixedToFloat(-0x8000), -0.5f);
    int32_t rgba[4];
    unpackColour(0x80FF0140u, rgba);  // bytes x 257, alpha last
    EXPECT_EQ(std::vector<int32_t>(rgba, rgba + 4),
              std::vector<int32_t>({0xFFFF, 257, 0x40 * 257, 0x80 * 257}));
    Vec3 v{3, 0, 4}, zero{0, 0, 0};
    normalize(v);
    normalize(zero);
    expectFloats(&v.x, {0.6f, 0, 0.8f});
    expectFloats(&zero.x, {0, 0, 0});  // zeros, not NaN
}

}  // namespace
