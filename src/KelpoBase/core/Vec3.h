// 3-float and 4-float vectors. The 4-float vector also serves as a plane (nx, ny, nz, d:
// the plane n.p = d) and as a quaternion (x, y, z, w: vector part first, scalar last).
#pragma once

#include <cmath>

#include "KelpoBase/core/FastMath.h"

struct cVec3f
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr cVec3f() = default;
    constexpr cVec3f(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}
    explicit cVec3f(const float* f) : x(f[0]), y(f[1]), z(f[2]) {}

    void Set(float vx, float vy, float vz)
    {
        x = vx;
        y = vy;
        z = vz;
    }
    void Zero() { Set(0.0f, 0.0f, 0.0f); }
    void CopyFrom(const float* f) { Set(f[0], f[1], f[2]); }
    void CopyTo(float* f) const
    {
        f[0] = x;
        f[1] = y;
        f[2] = z;
    }

    void Add(const cVec3f& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
    }
    void Subtract(const cVec3f& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
    }
    void Scale(float s)
    {
        x *= s;
        y *= s;
        z *= s;
    }
    void Divide(float d) // no zero test
    {
        x /= d;
        y /= d;
        z /= d;
    }
    static void Add(const cVec3f& a, const cVec3f& b, cVec3f& out) { out.Set(a.x + b.x, a.y + b.y, a.z + b.z); }
    static void Subtract(const cVec3f& a, const cVec3f& b, cVec3f& out) { out.Set(a.x - b.x, a.y - b.y, a.z - b.z); }
    static void Scale(const cVec3f& a, float s, cVec3f& out) { out.Set(a.x * s, a.y * s, a.z * s); }
    static void Divide(const cVec3f& a, float d, cVec3f& out) { out.Set(a.x / d, a.y / d, a.z / d); }

    float Dot(const cVec3f& v) const { return x * v.x + y * v.y + z * v.z; }
    // this x v.
    cVec3f Cross(const cVec3f& v) const { return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x}; }
    static void Cross(const cVec3f& a, const cVec3f& b, cVec3f& out) { out = a.Cross(b); }
    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    float LengthSquared() const { return x * x + y * y + z * z; }

    // Scales by the fast inverse square root of the squared length; no zero test (a zero
    // vector stays zero).
    void NormaliseFast() { Scale(InvSqrtFast(x * x + y * y + z * z)); }
    cVec3f NormalisedFast() const
    {
        cVec3f v = *this;
        v.NormaliseFast();
        return v;
    }

    // Exact comparison of the three components.
    bool Equals(const cVec3f& v) const { return x == v.x && y == v.y && z == v.z; }

    cVec3f operator+(const cVec3f& v) const { return {x + v.x, y + v.y, z + v.z}; }
    cVec3f operator-(const cVec3f& v) const { return {x - v.x, y - v.y, z - v.z}; }
    cVec3f operator-() const { return {-x, -y, -z}; }
    cVec3f operator*(float s) const { return {x * s, y * s, z * s}; }
    cVec3f operator/(float d) const { return {x / d, y / d, z / d}; }
    cVec3f& operator+=(const cVec3f& v)
    {
        Add(v);
        return *this;
    }
    cVec3f& operator-=(const cVec3f& v)
    {
        Subtract(v);
        return *this;
    }
    cVec3f& operator*=(float s)
    {
        Scale(s);
        return *this;
    }
    bool operator==(const cVec3f&) const = default;
};

// b . (c x a): the determinant of the three vectors.
inline float TripleProduct(const cVec3f& a, const cVec3f& b, const cVec3f& c) { return b.Dot(c.Cross(a)); }

struct cVec4f
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr cVec4f() = default;
    constexpr cVec4f(float vx, float vy, float vz, float vw) : x(vx), y(vy), z(vz), w(vw) {}
    // From a 3-vector with the given w (0 by default).
    constexpr explicit cVec4f(const cVec3f& v, float vw = 0.0f) : x(v.x), y(v.y), z(v.z), w(vw) {}

    void Set(float vx, float vy, float vz, float vw)
    {
        x = vx;
        y = vy;
        z = vz;
        w = vw;
    }
    void Zero() { Set(0.0f, 0.0f, 0.0f, 0.0f); }
    void Scale(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        w *= s;
    }
    float Dot(const cVec4f& v) const { return x * v.x + y * v.y + z * v.z + w * v.w; }
    cVec3f Xyz() const { return {x, y, z}; }

    float* Data() { return &x; }
    const float* Data() const { return &x; }
    bool operator==(const cVec4f&) const = default;
};

// A plane through p with normal n: (n, n.p).
inline cVec4f PlaneFromNormalPoint(const cVec3f& n, const cVec3f& p) { return cVec4f(n, n.Dot(p)); }
// n.p - d and n.p + d of a plane (n, d) and a point.
inline float PlaneValueMinus(const cVec4f& plane, const cVec3f& p) { return plane.Xyz().Dot(p) - plane.w; }
inline float PlaneValuePlus(const cVec4f& plane, const cVec3f& p) { return plane.Xyz().Dot(p) + plane.w; }

// Overwrites one static 4-float value with (a, c, b, d), in that order, and returns it.
// The value is shared: the next call overwrites it.
cVec4f* Vec4Static(float a, float b, float c, float d);

// The 3-vector in floats 4 to 6 of a record (a matrix's second column).
inline cVec3f Vec3FromFloats4To6(const float* record) { return cVec3f(record + 4); }
// Writes v into the first three floats of a seven-float record and zeroes the other four.
inline void Vec3ToSevenFloats(const cVec3f& v, float* record)
{
    v.CopyTo(record);
    record[3] = record[4] = record[5] = record[6] = 0.0f;
}
