// 4x4 and 3x3 float matrices in column order.
//
// The element at row r, column c of a cMatrix44 is m[c*4 + r]; column 3 (m[12..14]) is
// the translation and m[15] is 1 in an affine matrix. Vectors are columns multiplied on
// the right (p' = M p), so in a product A B the transform B applies first. The in-place
// combinations (RotateX/Y/Z, Translate, Scale) post-multiply: the new transform applies
// before the old one. A cMatrix33 is the same with m[c*3 + r].
//
// Argument orders follow the engine's own: Matrix4Multiply (a, out, b) writes a b into out.
#pragma once

#include "KelpoBase/core/Vec3.h"

struct cMatrix44
{
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // identity

    float& operator[](int i) { return m[i]; }
    const float& operator[](int i) const { return m[i]; }
    float* Data() { return m; }
    const float* Data() const { return m; }
    // Element at row r, column c.
    float& At(int r, int c) { return m[c * 4 + r]; }
    float At(int r, int c) const { return m[c * 4 + r]; }

    static cMatrix44 Identity() { return cMatrix44(); }
    bool operator==(const cMatrix44&) const = default;
};

struct cMatrix33
{
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}; // identity

    float& operator[](int i) { return m[i]; }
    const float& operator[](int i) const { return m[i]; }
    float* Data() { return m; }
    const float* Data() const { return m; }
    float& At(int r, int c) { return m[c * 3 + r]; }
    float At(int r, int c) const { return m[c * 3 + r]; }

    static cMatrix33 Identity() { return cMatrix33(); }
    bool operator==(const cMatrix33&) const = default;
};

// Products. out = a b; out must not be a or b.
void Matrix4Multiply(const cMatrix44& a, cMatrix44& out, const cMatrix44& b);
// m = m other (m is copied first, so other may be m). Returns m.
cMatrix44& Matrix4MultiplyInPlace(const cMatrix44& other, cMatrix44& m);
// out = a R, R the 3x3 r in the upper-left block of an identity; out must not be a.
void Matrix4MultiplyRotation3(const cMatrix44& a, cMatrix44& out, const cMatrix33& r);
void Matrix4MultiplyRotation3InPlace(const cMatrix33& r, cMatrix44& m);
void Matrix3Multiply(const cMatrix33& a, cMatrix33& out, const cMatrix33& b);
cMatrix33& Matrix3MultiplyInPlace(const cMatrix33& other, cMatrix33& m);

// A b as a value (b applies first).
inline cMatrix44 operator*(const cMatrix44& a, const cMatrix44& b)
{
    cMatrix44 out;
    Matrix4Multiply(a, out, b);
    return out;
}

// Builders: each writes the whole matrix.
void Matrix4Identity(cMatrix44& out);
void Matrix4RotationX(cMatrix44& out, float angle);
void Matrix4RotationY(cMatrix44& out, float angle);
void Matrix4RotationZ(cMatrix44& out, float angle);
void Matrix4TranslationMatrix(cMatrix44& out, float x, float y, float z);
void Matrix4TranslationMatrix(cMatrix44& out, const cVec3f& t);
void Matrix4ScaleMatrix(cMatrix44& out, const cVec3f& s);
// Columns 0-2 from r3 (0 in row 3), column 3 = (t, 1).
void Matrix4FromRotationTranslation(cMatrix44& out, const cVec3f& t, const cMatrix33& r3);
void Matrix4FromMatrix3(cMatrix44& out, const cMatrix33& r3);
void Matrix3Identity(cMatrix33& out);
void Matrix3RotationX(cMatrix33& out, float angle);
void Matrix3RotationY(cMatrix33& out, float angle);
void Matrix3RotationZ(cMatrix33& out, float angle);
void Matrix3FromMatrix4(cMatrix33& out, const cMatrix44& m);

// In-place combinations (post-multiplying).
void Matrix4RotateX(cMatrix44& m, float angle);
void Matrix4RotateY(cMatrix44& m, float angle);
void Matrix4RotateZ(cMatrix44& m, float angle);
// Column 3 += column 0 x + column 1 y + column 2 z (all four rows).
void Matrix4Translate(cMatrix44& m, float x, float y, float z);
void Matrix4Translate(cMatrix44& m, const cVec3f& t);
// Columns 0, 1, 2 scaled by x, y, z (all four rows); column 3 unchanged.
void Matrix4Scale(cMatrix44& m, float x, float y, float z);
void Matrix4Scale(cMatrix44& m, const cVec3f& s);
void Matrix3RotateX(cMatrix33& m, float angle);
void Matrix3RotateY(cMatrix33& m, float angle);
void Matrix3RotateZ(cMatrix33& m, float angle);
// out = Rx(angles[0]) Ry(angles[1]) Rz(angles[2]).
void Matrix3FromEulerXYZ(cMatrix33& out, const float angles[3]);

// Other operations.
void Matrix4Copy(const cMatrix44& src, cMatrix44& dst);
void Matrix3Copy(const cMatrix33& src, cMatrix33& dst);
void Matrix4Transpose(cMatrix44& out, const cMatrix44& m); // out may be m
void Matrix4ScaleAll(cMatrix44& m, float s);
float Matrix3Determinant(const cMatrix33& m);
float Matrix4Determinant(const cMatrix44& m);
// The adjugate scaled by 1/det. No singular test: a zero determinant gives infinities and
// NaNs. out may be m.
void Matrix4Inverse(const cMatrix44& m, cMatrix44& out);
void Matrix4InvertInPlace(cMatrix44& m);

// Vector transforms.
// out = m (x, y, z, w); out may be v.
void Matrix4TransformVector4(const cVec4f& v, cVec4f& out, const cMatrix44& m);
void Matrix4TransformVector4(const cMatrix44& m, const cVec4f& v, cVec4f& out);
// out = upper 3x4 of m applied to (p, 1); out may be p.
void Matrix4TransformPoint(const cMatrix44& m, const cVec3f& p, cVec3f& out);
inline cVec3f Matrix4TransformPoint(const cMatrix44& m, const cVec3f& p)
{
    cVec3f out;
    Matrix4TransformPoint(m, p, out);
    return out;
}
void Matrix4TransformPointInPlace(const cMatrix44& m, cVec3f& p);
// Upper-left 3x3 only, in place.
void Matrix4TransformDirection(const cMatrix44& m, cVec3f& v);

// The cubic Hermite basis in storage order (2, -2, 1, 1), (-3, 3, -2, -1), (0, 0, 1, 0),
// (1, 0, 0, 0): Matrix4TransformVector4 of (t^3, t^2, t, 1) gives the weights of the start
// point, end point, start tangent and end tangent.
extern const cMatrix44 HermiteBasis;
