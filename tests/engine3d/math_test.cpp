// Matrices, quaternions, bone keys and the fixed-point forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine3d/math.h"

namespace {

Mat4 sampleAffine(float seed) {
    Mat4 m = kIdentityMatrix;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 3; ++r) m[4 * c + r] = seed + static_cast<float>(3 * c + r) * 0.25f;
    return m;
}

void expectMatrixNear(const Mat4& a, const Mat4& b) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << "element " << i;
}

TEST(Matrix, MulAffineGivesTheSameResultWhenOutIsEitherInput) {
    const Mat4 a = sampleAffine(1), b = sampleAffine(-2);
    Mat4 separate;
    mulAffine(separate, a, b);
    Mat4 intoA = a, intoB = b;
    mulAffine(intoA, intoA, b);
    mulAffine(intoB, a, intoB);
    expectMatrixNear(intoA, separate);
    expectMatrixNear(intoB, separate);
    // Row 3 is forced affine, and the product is A x B, not B x A.
    EXPECT_EQ(separate[3], 0);
    EXPECT_EQ(separate[15], 1);
    Mat4 t = kIdentityMatrix, s = kIdentityMatrix, ts;
    translate(t, 1, 2, 3);
    scale(s, 2);
    mulAffine(ts, t, s);  // scale first, then move: the translation stays (1, 2, 3)
    EXPECT_FLOAT_EQ(ts[12], 1);
    EXPECT_FLOAT_EQ(ts[13], 2);
    EXPECT_FLOAT_EQ(ts[14], 3);
    EXPECT_FLOAT_EQ(ts[0], 2);
}

TEST(Matrix, TranslateMovesInTheMatrixOwnAxes) {
    Mat4 m = kIdentityMatrix;
    translate(m, 1, 2, 3);
    EXPECT_FLOAT_EQ(m[12], 1);
    EXPECT_FLOAT_EQ(m[13], 2);
    EXPECT_FLOAT_EQ(m[14], 3);
    Mat4 scaled = kIdentityMatrix;
    scale(scaled, 2);
    translate(scaled, 1, 2, 3);
    EXPECT_FLOAT_EQ(scaled[12], 2);
    EXPECT_FLOAT_EQ(scaled[13], 4);
    EXPECT_FLOAT_EQ(scaled[14], 6);
    EXPECT_FLOAT_EQ(scaled[15], 1);
    scale3(scaled, 1, 3, 4);  // scaling keeps the translation
    EXPECT_FLOAT_EQ(scaled[5], 6);
    EXPECT_FLOAT_EQ(scaled[10], 8);
    EXPECT_FLOAT_EQ(scaled[13], 4);
}

TEST(Quaternion, RotationMatrixOfIdentityAndQuarterTurnAboutZ) {
    Mat4 m;
    for (float& v : m.m) v = 7;  // elements outside the rotation must stay as they were
    quatToMatrix({0, 0, 0, 1}, m);
    for (int i : {0, 5, 10}) EXPECT_FLOAT_EQ(m[i], 1);
    for (int i : {1, 2, 4, 6, 8, 9}) EXPECT_FLOAT_EQ(m[i], 0);
    for (int i : {3, 7, 11, 12, 13, 14, 15}) EXPECT_EQ(m[i], 7);

    quatToMatrix({0, 0, 0.70710678f, 0.70710678f}, m);
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], 1, 1e-6f);
    EXPECT_NEAR(m[4], -1, 1e-6f);
    EXPECT_NEAR(m[5], 0, 1e-6f);
    EXPECT_NEAR(m[10], 1, 1e-6f);

    Mat4 key{};
    keyToMatrix({{1, 2, 3}, {0, 0, 0, 1}}, key);
    EXPECT_FLOAT_EQ(key[12], 1);
    EXPECT_FLOAT_EQ(key[14], 3);
    EXPECT_FLOAT_EQ(key[15], 1);
    EXPECT_FLOAT_EQ(key[0], 1);
}

TEST(Quaternion, BlendKeysStartsAtTheFirstKeyAndTakesTheShortWay) {
    const BoneKey k0{{0, 0, 0}, {0, 0, 0.6f, 0.8f}};
    const BoneKey k1{{2, 4, 6}, {0, 0, 0.8f, 0.6f}};
    BoneKey out;
    blendKeys(k0, k1, 0, out);
    EXPECT_FLOAT_EQ(out.rotation.z, 0.6f);
    EXPECT_FLOAT_EQ(out.rotation.w, 0.8f);
    EXPECT_FLOAT_EQ(out.translation.y, 0);
    blendKeys(k0, k1, 0.5f, out);
    EXPECT_FLOAT_EQ(out.translation.x, 1);
    EXPECT_FLOAT_EQ(out.translation.z, 3);
    EXPECT_FLOAT_EQ(out.rotation.z, 0.7f);  // not normalised

    // q and -q are one rotation: halfway between them is q again, not the zero quaternion.
    const BoneKey negated{{0, 0, 0}, {0, 0, -0.6f, -0.8f}};
    EXPECT_LT(dotQuat(k0, negated), 0);
    blendKeys(k0, negated, 0.5f, out);
    EXPECT_FLOAT_EQ(out.rotation.z, 0.6f);
    EXPECT_FLOAT_EQ(out.rotation.w, 0.8f);
}

TEST(Vector, NormalizeGivesUnitLengthOrZero) {
    Vec3 v{3, 0, 4};
    normalize(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    Vec3 zero{0, 0, 0};
    normalize(zero);
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);
    EXPECT_FALSE(std::isnan(zero.x));
}

TEST(FixedPoint, ConversionsBetweenTheForms) {
    EXPECT_FLOAT_EQ(fixedToFloat(0x00018000), 1.5f);
    EXPECT_FLOAT_EQ(fixedToFloat(-0x8000), -0.5f);
    EXPECT_EQ(floatToFixed(1.5f), 0x18000);
    EXPECT_EQ(floatToFixed(-1.00001f), -65536);  // toward zero
    EXPECT_EQ(floatToFixed(1e20f), INT32_MAX);
    EXPECT_EQ(floatToFixed(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(fixedToTexCoord(0x8000), 512);
    EXPECT_EQ(fixedToTexCoord(-64), -1);  // arithmetic shift
    EXPECT_EQ(texCoordToFixed(-1), -64);
    EXPECT_EQ(floatToTexCoord(0.5f), 512);
    EXPECT_EQ(floatToTexCoord(1000.0f), 32767);
    EXPECT_EQ(floatToTexCoord(-1000.0f), -32768);
    EXPECT_EQ(floatToTexCoord(std::numeric_limits<float>::infinity()), 32767);
}

TEST(FixedPoint, ColoursBecomeByteTimes257) {
    EXPECT_EQ(colourByteToFixed(255), 0xFFFF);
    EXPECT_EQ(colourByteToFixed(0), 0);
    int32_t rgba[4];
    unpackColour(0xFF808080u, rgba);
    EXPECT_EQ(rgba[0], 128 * 257);
    EXPECT_EQ(rgba[1], 128 * 257);
    EXPECT_EQ(rgba[2], 128 * 257);
    EXPECT_EQ(rgba[3], 255 * 257);
    unpackColour(0x80FF0000u, rgba);
    EXPECT_EQ(rgba[0], 255 * 257);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[3], 128 * 257);
}

}  // namespace
