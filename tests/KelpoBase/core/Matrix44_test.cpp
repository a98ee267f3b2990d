#include <gtest/gtest.h>

#include <cmath>

#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Quaternion.h"
#include "KelpoBase/core/Vec3.h"

namespace
{
void ExpectMatrixNear(const cMatrix44& a, const cMatrix44& b, float tol)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

void ExpectVecNear(const cVec3f& a, const cVec3f& b, float tol)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// A general affine matrix with rotation, non-uniform scale and translation.
cMatrix44 SampleMatrix()
{
    cMatrix44 m;
    Matrix4Translate(m, 1.5f, -2.0f, 3.0f);
    Matrix4RotateX(m, 0.4f);
    Matrix4RotateY(m, -1.1f);
    Matrix4RotateZ(m, 2.3f);
    Matrix4Scale(m, 2.0f, 0.5f, 3.0f);
    return m;
}
} // namespace

TEST(Vec3, ProductsAndFastNormalise)
{
    const cVec3f a(1, 2, 3), b(-4, 5, 0.5f);
    EXPECT_FLOAT_EQ(a.Dot(b), 7.5f);
    const cVec3f c = a.Cross(b);
    EXPECT_EQ(c, cVec3f(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4));
    EXPECT_NEAR(c.Dot(a), 0.0f, 1e-4f);
    // The triple product is the determinant of the three vectors.
    EXPECT_FLOAT_EQ(TripleProduct(cVec3f(1, 0, 0), cVec3f(0, 1, 0), cVec3f(0, 0, 1)), 1.0f);
    EXPECT_FLOAT_EQ(TripleProduct(cVec3f(0, 1, 0), cVec3f(1, 0, 0), cVec3f(0, 0, 1)), -1.0f);

    cVec3f n(3, 4, 12);
    n.NormaliseFast();
    EXPECT_NEAR(n.Length(), 1.0f, 0.002f);
    cVec3f zero;
    zero.NormaliseFast();
    EXPECT_TRUE(zero.Equals(cVec3f(0, 0, 0)));

    const cVec4f plane = PlaneFromNormalPoint({0, 1, 0}, {5, 2, 7});
    EXPECT_EQ(plane, cVec4f(0, 1, 0, 2));
    EXPECT_FLOAT_EQ(PlaneValueMinus(plane, {0, 5, 0}), 3.0f);
    EXPECT_FLOAT_EQ(PlaneValuePlus(plane, {0, 5, 0}), 7.0f);

    cVec4f* s = Vec4Static(1, 2, 3, 4);
    EXPECT_EQ(*s, cVec4f(1, 3, 2, 4)); // stored as (a, c, b, d)
    EXPECT_EQ(Vec4Static(5, 6, 7, 8), s);

    float record[7] = {9, 9, 9, 9, 9, 9, 9};
    Vec3ToSevenFloats(a, record);
    EXPECT_EQ(record[2], 3.0f);
    EXPECT_EQ(record[6], 0.0f);
    cMatrix44 m;
    EXPECT_EQ(Vec3FromFloats4To6(m.m), cVec3f(0, 1, 0));
}

TEST(Matrix44, ColumnOrderProductsAndBuilders)
{
    const cMatrix44 a = SampleMatrix();
    cMatrix44 out, id;
    Matrix4Multiply(a, out, id);
    EXPECT_EQ(out, a);
    Matrix4Multiply(id, out, a);
    EXPECT_EQ(out, a);

    cMatrix44 rz;
    Matrix4RotationZ(rz, 1.5707964f);
    cVec4f v;
    Matrix4TransformVector4(cVec4f(1, 0, 0, 1), v, rz);
    EXPECT_NEAR(v.x, 0.0f, 1e-6f);
    EXPECT_NEAR(v.y, 1.0f, 1e-6f);
    EXPECT_NEAR(v.z, 0.0f, 1e-6f);
    EXPECT_NEAR(v.w, 1.0f, 1e-6f);

    // In A B, B applies first: translate then rotate about Z.
    cMatrix44 t;
    Matrix4TranslationMatrix(t, 1, 0, 0);
    const cVec3f p = Matrix4TransformPoint(rz * t, cVec3f(0, 0, 0));
    ExpectVecNear(p, {0, 1, 0}, 1e-6f);

    // The in-place operations post-multiply: RotateZ equals m * RotationZ.
    cMatrix44 m = a;
    Matrix4RotateZ(m, 0.7f);
    cMatrix44 r;
    Matrix4RotationZ(r, 0.7f);
    ExpectMatrixNear(m, a * r, 1e-6f);
    m = a;
    Matrix4RotateX(m, 0.7f);
    Matrix4RotationX(r, 0.7f);
    ExpectMatrixNear(m, a * r, 1e-6f);
    m = a;
    Matrix4RotateY(m, 0.7f);
    Matrix4RotationY(r, 0.7f);
    ExpectMatrixNear(m, a * r, 1e-6f);
    m = a;
    Matrix4Translate(m, 1, 2, 3);
    Matrix4TranslationMatrix(r, cVec3f(1, 2, 3));
    ExpectMatrixNear(m, a * r, 1e-5f);
    m = a;
    Matrix4Scale(m, 2, 3, 4);
    Matrix4ScaleMatrix(r, {2, 3, 4});
    ExpectMatrixNear(m, a * r, 1e-6f);

    // Translate then transform the origin; Scale leaves the translation alone.
    cMatrix44 tm;
    Matrix4Translate(tm, 1, 2, 3);
    EXPECT_EQ(Matrix4TransformPoint(tm, cVec3f()), cVec3f(1, 2, 3));
    Matrix4Scale(tm, 2, 2, 2);
    EXPECT_EQ(tm.m[12], 1.0f);
    EXPECT_EQ(tm.m[13], 2.0f);
    EXPECT_EQ(tm.m[14], 3.0f);

    // Rotation builders follow the right-hand rule: X takes y to z, Y takes z to x.
    cMatrix44 rx, ry;
    Matrix4RotationX(rx, 1.5707964f);
    Matrix4RotationY(ry, 1.5707964f);
    ExpectVecNear(Matrix4TransformPoint(rx, {0, 1, 0}), {0, 0, 1}, 1e-6f);
    ExpectVecNear(Matrix4TransformPoint(ry, {0, 0, 1}), {1, 0, 0}, 1e-6f);

    // MultiplyInPlace with itself.
    m = a;
    Matrix4MultiplyInPlace(m, m);
    ExpectMatrixNear(m, a * a, 1e-5f);

    cMatrix44 tr;
    Matrix4Transpose(tr, a);
    EXPECT_EQ(tr.At(1, 2), a.At(2, 1));
    Matrix4Transpose(tr, tr);
    EXPECT_EQ(tr, a);

    cVec3f dir(1, 0, 0);
    Matrix4TransformDirection(tm, dir); // no translation
    EXPECT_EQ(dir, cVec3f(2, 0, 0));
}

TEST(Matrix44, ThreeByThreeAndRotationBlocks)
{
    const cMatrix44 a = SampleMatrix();
    cMatrix33 r3;
    Matrix3RotationZ(r3, 0.9f);
    Matrix3RotateX(r3, -0.2f);
    cMatrix44 r4, expected, got;
    Matrix4FromMatrix3(r4, r3);
    Matrix4MultiplyRotation3(a, got, r3);
    ExpectMatrixNear(got, a * r4, 1e-6f);
    cMatrix44 inPlace = a;
    Matrix4MultiplyRotation3InPlace(r3, inPlace);
    EXPECT_EQ(inPlace, got);

    cMatrix33 back;
    Matrix3FromMatrix4(back, r4);
    EXPECT_EQ(back, r3);

    const float angles[3] = {0.3f, -0.8f, 1.7f};
    cMatrix33 euler, rx, ry, rz, tmp, expect3;
    Matrix3FromEulerXYZ(euler, angles);
    Matrix3RotationX(rx, angles[0]);
    Matrix3RotationY(ry, angles[1]);
    Matrix3RotationZ(rz, angles[2]);
    Matrix3Multiply(rx, tmp, ry);
    Matrix3Multiply(tmp, expect3, rz);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(euler.m[i], expect3.m[i], 1e-6f);
    EXPECT_NEAR(Matrix3Determinant(euler), 1.0f, 1e-5f);

    const cVec3f t(4, 5, 6);
    Matrix4FromRotationTranslation(expected, t, euler);
    EXPECT_EQ(expected.m[12], 4.0f);
    EXPECT_EQ(expected.m[15], 1.0f);
    EXPECT_EQ(expected.m[3], 0.0f);
    EXPECT_EQ(expected.m[4], euler.m[3]);
}

TEST(Matrix44, InverseTimesMatrixIsIdentity)
{
    const cMatrix44 a = SampleMatrix();
    EXPECT_NEAR(Matrix4Determinant(a), 2.0f * 0.5f * 3.0f, 1e-4f);
    cMatrix44 inv;
    Matrix4Inverse(a, inv);
    ExpectMatrixNear(inv * a, cMatrix44(), 1e-5f);
    ExpectMatrixNear(a * inv, cMatrix44(), 1e-5f);

    // A non-affine matrix (a projection-like bottom row) inverts too.
    cMatrix44 p = a;
    p.m[3] = 0.25f;
    p.m[11] = -1.0f;
    p.m[15] = 0.5f;
    Matrix4Inverse(p, inv);
    ExpectMatrixNear(inv * p, cMatrix44(), 1e-4f);

    cMatrix44 inPlace = a;
    Matrix4InvertInPlace(inPlace);
    ExpectMatrixNear(inPlace, [&] {
        cMatrix44 r;
        Matrix4Inverse(a, r);
        return r;
    }(), 0.0f);

    // A singular matrix: non-finite values, no error.
    cMatrix44 singular = a;
    singular.m[4] = singular.m[5] = singular.m[6] = singular.m[7] = 0.0f;
    EXPECT_EQ(Matrix4Determinant(singular), 0.0f);
    Matrix4Inverse(singular, inv);
    bool anyNonFinite = false;
    for (float f : inv.m)
        anyNonFinite |= !std::isfinite(f);
    EXPECT_TRUE(anyNonFinite);

    cMatrix44 scaled = cMatrix44();
    Matrix4ScaleAll(scaled, 2.0f);
    EXPECT_FLOAT_EQ(Matrix4Determinant(scaled), 16.0f);
}

TEST(Matrix44, HermiteBasisGivesTheCubicWeights)
{
    for (float t : {0.0f, 0.25f, 0.5f, 1.0f, 1.5f, -0.5f})
    {
        cVec4f w;
        Matrix4TransformVector4(cVec4f(t * t * t, t * t, t, 1.0f), w, HermiteBasis);
        EXPECT_NEAR(w.x, 2 * t * t * t - 3 * t * t + 1, 1e-5f);
        EXPECT_NEAR(w.y, -2 * t * t * t + 3 * t * t, 1e-5f);
        EXPECT_NEAR(w.z, t * t * t - 2 * t * t + t, 1e-5f);
        EXPECT_NEAR(w.w, t * t * t - t * t, 1e-5f);
    }
    cVec4f w2;
    Matrix4TransformVector4(HermiteBasis, cVec4f(1, 1, 1, 1), w2);
    EXPECT_EQ(w2, cVec4f(0, 1, 0, 0));
}

TEST(Quaternion, MatrixRoundTripAndConvention)
{
    // Quaternions that reach each branch of the matrix conversion: positive trace, and
    // the three largest-diagonal cases.
    const cQuatf quats[] = {
        {0.1f, 0.2f, 0.3f, 0.927f}, {0.9f, 0.1f, 0.2f, 0.05f}, {0.1f, 0.95f, 0.2f, 0.05f},
        {0.1f, 0.2f, 0.95f, 0.05f}, {0, 0, 0, 1},               {1, 0, 0, 0},
    };
    for (cQuatf q : quats)
    {
        const float len = std::sqrt(q.Dot(q));
        q.Scale(1.0f / len);
        cMatrix44 m4;
        QuaternionToMatrix4(q, m4);
        cQuatf back;
        QuaternionFromMatrix4(m4, back);
        const float sign = back.Dot(q) < 0 ? -1.0f : 1.0f;
        EXPECT_NEAR(back.x * sign, q.x, 1e-4f);
        EXPECT_NEAR(back.y * sign, q.y, 1e-4f);
        EXPECT_NEAR(back.z * sign, q.z, 1e-4f);
        EXPECT_NEAR(back.w * sign, q.w, 1e-4f);

        cMatrix33 m3, from4;
        QuaternionToMatrix3(q, m3);
        Matrix3FromMatrix4(from4, m4);
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(m3.m[i], from4.m[i], 1e-6f);
        cQuatf back3;
        QuaternionFromMatrix3(m3, back3);
        EXPECT_NEAR(std::fabs(back3.Dot(q)), 1.0f, 1e-4f);

        // A rotation: determinant 1, orthonormal.
        EXPECT_NEAR(Matrix4Determinant(m4), 1.0f, 1e-4f);
        cMatrix44 t;
        Matrix4Transpose(t, m4);
        const cMatrix44 id = t * m4;
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(id.m[i], cMatrix44().m[i], 1e-5f);
    }

    // The matrix of q rotates by the conjugate of q: q = (0, 0, sin(a/2), cos(a/2)) turns
    // x toward -y.
    const float h = 0.5f * 1.5707964f;
    cMatrix44 m;
    QuaternionToMatrix4(cQuatf(0, 0, std::sin(h), std::cos(h)), m);
    const cVec3f p = Matrix4TransformPoint(m, cVec3f(1, 0, 0));
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, -1.0f, 1e-6f);

    // A non-unit quaternion is normalised; a zero one gives the identity.
    cMatrix44 scaled;
    QuaternionToMatrix4(cQuatf(0, 0, 3 * std::sin(h), 3 * std::cos(h)), scaled);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(scaled.m[i], m.m[i], 1e-6f);
    QuaternionToMatrix4(cQuatf(0, 0, 0, 0), scaled);
    EXPECT_EQ(scaled, cMatrix44());
    cMatrix33 zero3;
    zero3.m[0] = 5;
    QuaternionToMatrix3(cQuatf(0, 0, 0, 0), zero3);
    EXPECT_EQ(zero3, cMatrix33());
}

TEST(Quaternion, Slerp)
{
    const cQuatf a(0, 0, 0, 1);
    const cQuatf b(0, 0, std::sin(0.5f), std::cos(0.5f)); // a rotation of 1 radian about z
    cQuatf out;
    QuaternionSlerp(out, a, a, 0.3f); // s <= 0.001: linear weights
    EXPECT_NEAR(out.w, 1.0f, 1e-6f);
    EXPECT_NEAR(out.z, 0.0f, 1e-6f);
    QuaternionSlerp(out, a, b, 0.0f);
    EXPECT_NEAR(out.w, 1.0f, 1e-6f);
    EXPECT_NEAR(out.z, 0.0f, 1e-6f);
    QuaternionSlerp(out, a, b, 1.0f);
    EXPECT_NEAR(out.z, b.z, 1e-5f);
    EXPECT_NEAR(out.w, b.w, 1e-5f);
    QuaternionSlerp(out, a, b, 0.5f); // half the angle, unit length
    EXPECT_NEAR(out.z, std::sin(0.25f), 1e-5f);
    EXPECT_NEAR(out.w, std::cos(0.25f), 1e-5f);
    // Aliasing the output with an input.
    cQuatf alias = a;
    QuaternionSlerp(alias, alias, b, 0.5f);
    EXPECT_EQ(alias, out);
    // A dot product just past 1 (rounding) is NaN in acos and falls back to linear weights.
    const cQuatf big(0, 0, 0, 1.0000001f);
    QuaternionSlerp(out, big, big, 0.5f);
    EXPECT_FALSE(std::isnan(out.w));
}
