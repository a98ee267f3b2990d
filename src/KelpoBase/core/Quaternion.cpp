#include "KelpoBase/core/Quaternion.h"

#include <cmath>

void QuaternionSlerp(cQuatf& out, const cQuatf& a, const cQuatf& b, float t)
{
    const float d = a.Dot(b);
    // No clamping of d: beyond +/-1 theta and s are NaN and the linear weights are used.
    const float theta = AcosF(d);
    const float s = SinF(theta);
    float w0, w1;
    if (s > 0.001f)
    {
        w0 = SinF((1.0f - t) * theta) / s;
        w1 = SinF(t * theta) / s;
    }
    else
    {
        w0 = 1.0f - t;
        w1 = t;
    }
    const cQuatf qa = a, qb = b; // out may be a or b
    out.Set(w0 * qa.x + w1 * qb.x, w0 * qa.y + w1 * qb.y, w0 * qa.z + w1 * qb.z, w0 * qa.w + w1 * qb.w);
}

namespace
{
// The nine rotation values by 3x3 index (column order).
bool QuaternionRotation(const cQuatf& q, float r[9])
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    const float n = x * x + y * y + z * z + w * w;
    if (!(n != 0.0f))
        return false;
    const float s = 1.0f / n;
    r[0] = (x * x - y * y - z * z + w * w) * s;
    r[4] = (y * y - x * x - z * z + w * w) * s;
    r[8] = (z * z - x * x - y * y + w * w) * s;
    r[3] = 2.0f * (x * y + z * w) * s;
    r[1] = 2.0f * (x * y - z * w) * s;
    r[6] = 2.0f * (x * z - y * w) * s;
    r[2] = 2.0f * (x * z + y * w) * s;
    r[7] = 2.0f * (y * z + x * w) * s;
    r[5] = 2.0f * (y * z - x * w) * s;
    return true;
}

// Shared by both matrix forms: d0, d1, d2 the diagonal; eRC the element at row R, column C.
void QuaternionFromElements(float d0, float d1, float d2, float e10, float e20, float e01, float e21, float e02,
                            float e12, cQuatf& out)
{
    // In 4x4 indices: m1 = e10, m2 = e20, m4 = e01, m6 = e21, m8 = e02, m9 = e12.
    const float m1 = e10, m2 = e20, m4 = e01, m6 = e21, m8 = e02, m9 = e12;
    const float trace = d0 + d1 + d2;
    if (trace > 0.0f)
    {
        const float s = std::sqrt(trace + 1.0f);
        const float f = 0.5f / s;
        out.Set((m9 - m6) * f, (m2 - m8) * f, (m4 - m1) * f, s * 0.5f);
    }
    else if (d0 < d1)
    {
        const float s = std::sqrt(d1 - (d0 + d2) + 1.0f);
        const float f = 0.5f / s;
        out.Set((m4 + m1) * f, s * 0.5f, (m9 + m6) * f, (m2 - m8) * f);
    }
    else if (d1 < d2)
    {
        const float s = std::sqrt(d2 - (d0 + d1) + 1.0f);
        const float f = 0.5f / s;
        out.Set((m8 + m2) * f, (m9 + m6) * f, s * 0.5f, (m4 - m1) * f);
    }
    else
    {
        const float s = std::sqrt(d0 - (d2 + d1) + 1.0f);
        const float f = 0.5f / s;
        out.Set(s * 0.5f, (m4 + m1) * f, (m8 + m2) * f, (m9 - m6) * f);
    }
}
} // namespace

void QuaternionToMatrix3(const cQuatf& q, cMatrix33& out)
{
    float r[9];
    if (!QuaternionRotation(q, r))
    {
        out = cMatrix33();
        return;
    }
    for (int i = 0; i < 9; ++i)
        out.m[i] = r[i];
}

void QuaternionToMatrix4(const cQuatf& q, cMatrix44& out)
{
    float r[9];
    out = cMatrix44();
    if (!QuaternionRotation(q, r))
        return;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            out.m[c * 4 + row] = r[c * 3 + row];
}

void QuaternionFromMatrix4(const cMatrix44& m, cQuatf& out)
{
    QuaternionFromElements(m.m[0], m.m[5], m.m[10], m.m[1], m.m[2], m.m[4], m.m[6], m.m[8], m.m[9], out);
}

void QuaternionFromMatrix3(const cMatrix33& m, cQuatf& out)
{
    QuaternionFromElements(m.m[0], m.m[4], m.m[8], m.m[1], m.m[2], m.m[3], m.m[5], m.m[6], m.m[7], out);
}
