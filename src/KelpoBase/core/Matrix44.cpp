#include "KelpoBase/core/Matrix44.h"

namespace
{
// The 3x3 determinant of the matrix left when row `skipRow` and column `skipCol` are
// removed from m.
float Minor4(const cMatrix44& m, int skipRow, int skipCol)
{
    cMatrix33 sub;
    int c3 = 0;
    for (int c = 0; c < 4; ++c)
    {
        if (c == skipCol)
            continue;
        int r3 = 0;
        for (int r = 0; r < 4; ++r)
        {
            if (r == skipRow)
                continue;
            sub.At(r3, c3) = m.At(r, c);
            ++r3;
        }
        ++c3;
    }
    return Matrix3Determinant(sub);
}

float Det2(float a, float b, float c, float d) { return a * d - b * c; }
} // namespace

const cMatrix44 HermiteBasis = {{2, -2, 1, 1, -3, 3, -2, -1, 0, 0, 1, 0, 1, 0, 0, 0}};

void Matrix4Multiply(const cMatrix44& a, cMatrix44& out, const cMatrix44& b)
{
    // Fully unrolled into the 64 products: the renderer multiplies for every node and mesh.
#pragma GCC unroll 4
    for (int c = 0; c < 4; ++c)
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r)
            out.m[c * 4 + r] = a.m[r] * b.m[c * 4] + a.m[4 + r] * b.m[c * 4 + 1] + a.m[8 + r] * b.m[c * 4 + 2] +
                               a.m[12 + r] * b.m[c * 4 + 3];
}

cMatrix44& Matrix4MultiplyInPlace(const cMatrix44& other, cMatrix44& m)
{
    const cMatrix44 copy = m;
    const cMatrix44 rhs = other; // other may be m itself
    Matrix4Multiply(copy, m, rhs);
    return m;
}

void Matrix4MultiplyRotation3(const cMatrix44& a, cMatrix44& out, const cMatrix33& r)
{
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 4; ++row)
            out.m[c * 4 + row] = a.m[row] * r.m[c * 3] + a.m[4 + row] * r.m[c * 3 + 1] + a.m[8 + row] * r.m[c * 3 + 2];
    for (int row = 0; row < 4; ++row)
        out.m[12 + row] = a.m[12 + row];
}

void Matrix4MultiplyRotation3InPlace(const cMatrix33& r, cMatrix44& m)
{
    const cMatrix44 copy = m;
    Matrix4MultiplyRotation3(copy, m, r);
}

void Matrix3Multiply(const cMatrix33& a, cMatrix33& out, const cMatrix33& b)
{
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            out.m[c * 3 + r] = a.m[r] * b.m[c * 3] + a.m[3 + r] * b.m[c * 3 + 1] + a.m[6 + r] * b.m[c * 3 + 2];
}

cMatrix33& Matrix3MultiplyInPlace(const cMatrix33& other, cMatrix33& m)
{
    const cMatrix33 copy = m;
    const cMatrix33 rhs = other;
    Matrix3Multiply(copy, m, rhs);
    return m;
}

void Matrix4Identity(cMatrix44& out) { out = cMatrix44(); }

void Matrix4RotationX(cMatrix44& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix44();
    out.m[5] = c;
    out.m[6] = s;
    out.m[9] = -s;
    out.m[10] = c;
}

void Matrix4RotationY(cMatrix44& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix44();
    out.m[0] = c;
    out.m[2] = -s;
    out.m[8] = s;
    out.m[10] = c;
}

void Matrix4RotationZ(cMatrix44& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix44();
    out.m[0] = c;
    out.m[1] = s;
    out.m[4] = -s;
    out.m[5] = c;
}

void Matrix4TranslationMatrix(cMatrix44& out, float x, float y, float z)
{
    out = cMatrix44();
    out.m[12] = x;
    out.m[13] = y;
    out.m[14] = z;
}

void Matrix4TranslationMatrix(cMatrix44& out, const cVec3f& t) { Matrix4TranslationMatrix(out, t.x, t.y, t.z); }

void Matrix4ScaleMatrix(cMatrix44& out, const cVec3f& s)
{
    out = cMatrix44();
    out.m[0] = s.x;
    out.m[5] = s.y;
    out.m[10] = s.z;
}

void Matrix4FromRotationTranslation(cMatrix44& out, const cVec3f& t, const cMatrix33& r3)
{
    for (int c = 0; c < 3; ++c)
    {
        for (int r = 0; r < 3; ++r)
            out.m[c * 4 + r] = r3.m[c * 3 + r];
        out.m[c * 4 + 3] = 0.0f;
    }
    out.m[12] = t.x;
    out.m[13] = t.y;
    out.m[14] = t.z;
    out.m[15] = 1.0f;
}

void Matrix4FromMatrix3(cMatrix44& out, const cMatrix33& r3) { Matrix4FromRotationTranslation(out, cVec3f(), r3); }

void Matrix3Identity(cMatrix33& out) { out = cMatrix33(); }

void Matrix3RotationX(cMatrix33& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix33();
    out.m[4] = c;
    out.m[5] = s;
    out.m[7] = -s;
    out.m[8] = c;
}

void Matrix3RotationY(cMatrix33& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix33();
    out.m[0] = c;
    out.m[2] = -s;
    out.m[6] = s;
    out.m[8] = c;
}

void Matrix3RotationZ(cMatrix33& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out = cMatrix33();
    out.m[0] = c;
    out.m[1] = s;
    out.m[3] = -s;
    out.m[4] = c;
}

void Matrix3FromMatrix4(cMatrix33& out, const cMatrix44& m)
{
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            out.m[c * 3 + r] = m.m[c * 4 + r];
}

void Matrix4RotateX(cMatrix44& m, float angle)
{
    cMatrix44 r;
    Matrix4RotationX(r, angle);
    Matrix4MultiplyInPlace(r, m);
}

void Matrix4RotateY(cMatrix44& m, float angle)
{
    cMatrix44 r;
    Matrix4RotationY(r, angle);
    Matrix4MultiplyInPlace(r, m);
}

void Matrix4RotateZ(cMatrix44& m, float angle)
{
    cMatrix44 r;
    Matrix4RotationZ(r, angle);
    Matrix4MultiplyInPlace(r, m);
}

void Matrix4Translate(cMatrix44& m, float x, float y, float z)
{
    for (int r = 0; r < 4; ++r)
        m.m[12 + r] += m.m[r] * x + m.m[4 + r] * y + m.m[8 + r] * z;
}

void Matrix4Translate(cMatrix44& m, const cVec3f& t) { Matrix4Translate(m, t.x, t.y, t.z); }

void Matrix4Scale(cMatrix44& m, float x, float y, float z)
{
    for (int r = 0; r < 4; ++r)
    {
        m.m[r] *= x;
        m.m[4 + r] *= y;
        m.m[8 + r] *= z;
    }
}

void Matrix4Scale(cMatrix44& m, const cVec3f& s) { Matrix4Scale(m, s.x, s.y, s.z); }

void Matrix3RotateX(cMatrix33& m, float angle)
{
    cMatrix33 r;
    Matrix3RotationX(r, angle);
    Matrix3MultiplyInPlace(r, m);
}

void Matrix3RotateY(cMatrix33& m, float angle)
{
    cMatrix33 r;
    Matrix3RotationY(r, angle);
    Matrix3MultiplyInPlace(r, m);
}

void Matrix3RotateZ(cMatrix33& m, float angle)
{
    cMatrix33 r;
    Matrix3RotationZ(r, angle);
    Matrix3MultiplyInPlace(r, m);
}

void Matrix3FromEulerXYZ(cMatrix33& out, const float angles[3])
{
    const float a0 = angles[0], a1 = angles[1], a2 = angles[2]; // angles may live in out
    Matrix3RotationX(out, a0);
    Matrix3RotateY(out, a1);
    Matrix3RotateZ(out, a2);
}

void Matrix4Copy(const cMatrix44& src, cMatrix44& dst) { dst = src; }
void Matrix3Copy(const cMatrix33& src, cMatrix33& dst) { dst = src; }

void Matrix4Transpose(cMatrix44& out, const cMatrix44& m)
{
    const cMatrix44 copy = m;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out.m[c * 4 + r] = copy.m[r * 4 + c];
}

void Matrix4ScaleAll(cMatrix44& m, float s)
{
    for (float& v : m.m)
        v *= s;
}

float Matrix3Determinant(const cMatrix33& m)
{
    // Expansion along the first row, each cofactor a 2x2 determinant.
    return m.At(0, 0) * Det2(m.At(1, 1), m.At(1, 2), m.At(2, 1), m.At(2, 2)) -
           m.At(0, 1) * Det2(m.At(1, 0), m.At(1, 2), m.At(2, 0), m.At(2, 2)) +
           m.At(0, 2) * Det2(m.At(1, 0), m.At(1, 1), m.At(2, 0), m.At(2, 1));
}

float Matrix4Determinant(const cMatrix44& m)
{
    float det = 0.0f;
    for (int c = 0; c < 4; ++c)
    {
        const float cofactor = ((c & 1) ? -1.0f : 1.0f) * Minor4(m, 0, c);
        det += m.At(0, c) * cofactor;
    }
    return det;
}

void Matrix4Inverse(const cMatrix44& m, cMatrix44& out)
{
    const cMatrix44 src = m;
    cMatrix44 adj;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            const float cofactor = (((r + c) & 1) ? -1.0f : 1.0f) * Minor4(src, r, c);
            adj.At(c, r) = cofactor; // written transposed
        }
    const float inv = 1.0f / Matrix4Determinant(src);
    Matrix4ScaleAll(adj, inv);
    out = adj;
}

void Matrix4InvertInPlace(cMatrix44& m) { Matrix4Inverse(m, m); }

void Matrix4TransformVector4(const cVec4f& v, cVec4f& out, const cMatrix44& m)
{
    const cVec4f in = v;
    for (int r = 0; r < 4; ++r)
        out.Data()[r] = m.m[r] * in.x + m.m[4 + r] * in.y + m.m[8 + r] * in.z + m.m[12 + r] * in.w;
}

void Matrix4TransformVector4(const cMatrix44& m, const cVec4f& v, cVec4f& out) { Matrix4TransformVector4(v, out, m); }

void Matrix4TransformPoint(const cMatrix44& m, const cVec3f& p, cVec3f& out)
{
    const cVec3f in = p;
    out.x = m.m[0] * in.x + m.m[4] * in.y + m.m[8] * in.z + m.m[12];
    out.y = m.m[1] * in.x + m.m[5] * in.y + m.m[9] * in.z + m.m[13];
    out.z = m.m[2] * in.x + m.m[6] * in.y + m.m[10] * in.z + m.m[14];
}

void Matrix4TransformPointInPlace(const cMatrix44& m, cVec3f& p) { Matrix4TransformPoint(m, p, p); }

void Matrix4TransformDirection(const cMatrix44& m, cVec3f& v)
{
    const cVec3f in = v;
    v.x = m.m[0] * in.x + m.m[4] * in.y + m.m[8] * in.z;
    v.y = m.m[1] * in.x + m.m[5] * in.y + m.m[9] * in.z;
    v.z = m.m[2] * in.x + m.m[6] * in.y + m.m[10] * in.z;
}
