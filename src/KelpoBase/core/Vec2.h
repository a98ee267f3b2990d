// 2D value types: the float vector cVec2f, the integer pair cVec2i, the float rectangle
// cRect2f and the 2 by 2 matrix cMatrix22, with the angle helpers that work on vectors.
//
// Plain records, copied by value. Angles are radians; a positive angle turns the x axis
// towards the y axis.
#pragma once

#include <cmath>
#include <cstdint>

#include "KelpoBase/core/FastMath.h"

struct cVec2f
{
    float x = 0.0f;
    float y = 0.0f;

    constexpr cVec2f() = default;
    constexpr cVec2f(float vx, float vy) : x(vx), y(vy) {}

    void Set(float vx, float vy)
    {
        x = vx;
        y = vy;
    }
    void Set(const cVec2f& v) { *this = v; }

    void Add(const cVec2f& v)
    {
        x += v.x;
        y += v.y;
    }
    void Subtract(const cVec2f& v)
    {
        x -= v.x;
        y -= v.y;
    }
    void Scale(float s)
    {
        x *= s;
        y *= s;
    }
    void Divide(float d) // no zero check
    {
        x /= d;
        y /= d;
    }
    static void Add(const cVec2f& a, const cVec2f& b, cVec2f& out) { out.Set(a.x + b.x, a.y + b.y); }
    static void Subtract(const cVec2f& a, const cVec2f& b, cVec2f& out) { out.Set(a.x - b.x, a.y - b.y); }
    static void Scale(const cVec2f& a, float s, cVec2f& out) { out.Set(a.x * s, a.y * s); }
    static void Divide(const cVec2f& a, float d, cVec2f& out) { out.Set(a.x / d, a.y / d); }

    float Dot(const cVec2f& v) const { return x * v.x + y * v.y; }
    // The scalar cross product x*v.y - y*v.x.
    float Cross(const cVec2f& v) const { return x * v.y - y * v.x; }
    float Length() const { return std::sqrt(x * x + y * y); }
    float LengthSquared() const { return x * x + y * y; }

    // Scales in place by the fast inverse square root of the squared length; no zero
    // check (a zero vector stays zero).
    void NormaliseFast() { Scale(InvSqrtFast(x * x + y * y)); }
    cVec2f NormalisedFast() const
    {
        cVec2f v = *this;
        v.NormaliseFast();
        return v;
    }

    // Rotates in place: x' = c x - s y, y' = s x + c y.
    void Rotate(float angle)
    {
        const float c = CosF(angle), s = SinF(angle);
        const float nx = c * x - s * y;
        const float ny = s * x + c * y;
        x = nx;
        y = ny;
    }

    cVec2f operator+(const cVec2f& v) const { return {x + v.x, y + v.y}; }
    cVec2f operator-(const cVec2f& v) const { return {x - v.x, y - v.y}; }
    cVec2f operator-() const { return {-x, -y}; }
    cVec2f operator*(float s) const { return {x * s, y * s}; }
    cVec2f operator/(float d) const { return {x / d, y / d}; }
    cVec2f& operator+=(const cVec2f& v)
    {
        Add(v);
        return *this;
    }
    cVec2f& operator-=(const cVec2f& v)
    {
        Subtract(v);
        return *this;
    }
    cVec2f& operator*=(float s)
    {
        Scale(s);
        return *this;
    }
    bool operator==(const cVec2f&) const = default;
};

// A pair of signed 32-bit integers.
struct cVec2i
{
    int32_t x = 0;
    int32_t y = 0;

    constexpr cVec2i() = default;
    constexpr cVec2i(int32_t vx, int32_t vy) : x(vx), y(vy) {}

    void SetZero()
    {
        x = 0;
        y = 0;
    }
    // Differences wrap like the machine's own subtraction instead of overflowing.
    void Subtract(const cVec2i& v)
    {
        x = static_cast<int32_t>(static_cast<uint32_t>(x) - static_cast<uint32_t>(v.x));
        y = static_cast<int32_t>(static_cast<uint32_t>(y) - static_cast<uint32_t>(v.y));
    }
    static void Difference(const cVec2i& a, const cVec2i& b, cVec2i& out)
    {
        out = a;
        out.Subtract(b);
    }
    bool operator==(const cVec2i&) const = default;
};

// A float rectangle: min x, min y, max x, max y, in that order.
struct cRect2f
{
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;

    float Width() const { return maxX - minX; }
    float Height() const { return maxY - minY; }
    // min = centre - half, max = centre + half.
    void SetCentreHalfSize(const cVec2f& centre, const cVec2f& half)
    {
        minX = centre.x - half.x;
        minY = centre.y - half.y;
        maxX = centre.x + half.x;
        maxY = centre.y + half.y;
    }
    // Moves both corners by v.
    void Translate(const cVec2f& v)
    {
        minX += v.x;
        minY += v.y;
        maxX += v.x;
        maxY += v.y;
    }
    bool operator==(const cRect2f&) const = default;
};

// Corner 0 (min x, min y), 1 (max x, min y), 2 (max x, max y), 3 (min x, max y); any
// other index gives (0, 0).
cVec2f RectCorner(const cRect2f& rect, int index);
// True unless b lies wholly to one side of a; rectangles that only touch overlap.
bool RectsOverlap(const cRect2f& a, const cRect2f& b);

// A 2 by 2 matrix: (m[0], m[1]) is the first column, (m[2], m[3]) the second, so a vector
// maps to (m0 x + m2 y, m1 x + m3 y).
struct cMatrix22
{
    float m[4] = {1.0f, 0.0f, 0.0f, 1.0f};

    cVec2f Transform(const cVec2f& v) const { return {m[0] * v.x + m[2] * v.y, m[1] * v.x + m[3] * v.y}; }
};

// out = (c, s, -s, c).
void Matrix2Rotation(cMatrix22& out, float angle);
// a = a x b (b applied first).
void MultiplyMatrix2x2(cMatrix22& a, const cMatrix22& b);
// out = a x b; out may be a or b.
void MultiplyMatrix2x2(const cMatrix22& a, const cMatrix22& b, cMatrix22& out);
// m = m x rotation(angle).
void Matrix2Rotate(cMatrix22& m, float angle);

// The heading of v in [0, 2 pi): acos(-y) of the fast-normalised v, so (0, -1) gives 0 and
// (1, 0) gives pi/2; when x < 0 the result is 2 pi minus that.
float AngleOfVector(const cVec2f& v);
