#include "KelpoBase/core/Vec2.h"

#include <algorithm>

float NormaliseAngle(float angle)
{
    if (angle > kTwoPi || angle < -kTwoPi)
        angle = FmodF(angle, kTwoPi);
    if (angle > kPi)
        angle -= kTwoPi;
    else if (angle < -kPi)
        angle += kTwoPi;
    return angle;
}

cVec2f RectCorner(const cRect2f& rect, int index)
{
    switch (index)
    {
    case 0:
        return {rect.minX, rect.minY};
    case 1:
        return {rect.maxX, rect.minY};
    case 2:
        return {rect.maxX, rect.maxY};
    case 3:
        return {rect.minX, rect.maxY};
    default:
        return {0.0f, 0.0f};
    }
}

bool RectsOverlap(const cRect2f& a, const cRect2f& b)
{
    if (b.maxX < a.minX || b.maxY < a.minY)
        return false;
    if (b.minX > a.maxX || b.minY > a.maxY)
        return false;
    return true;
}

void Matrix2Rotation(cMatrix22& out, float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    out.m[0] = c;
    out.m[1] = s;
    out.m[2] = -s;
    out.m[3] = c;
}

void MultiplyMatrix2x2(const cMatrix22& a, const cMatrix22& b, cMatrix22& out)
{
    const cMatrix22 r{{a.m[0] * b.m[0] + a.m[2] * b.m[1], a.m[1] * b.m[0] + a.m[3] * b.m[1],
                       a.m[0] * b.m[2] + a.m[2] * b.m[3], a.m[1] * b.m[2] + a.m[3] * b.m[3]}};
    out = r;
}

void MultiplyMatrix2x2(cMatrix22& a, const cMatrix22& b) { MultiplyMatrix2x2(a, b, a); }

void Matrix2Rotate(cMatrix22& m, float angle)
{
    cMatrix22 r;
    Matrix2Rotation(r, angle);
    MultiplyMatrix2x2(m, r);
}

float AngleOfVector(const cVec2f& v)
{
    const cVec2f n = v.NormalisedFast();
    // The fast normalisation can land a hair beyond unit length; acos of that would be NaN.
    const float a = AcosF(std::clamp(-n.y, -1.0f, 1.0f));
    if (v.x < 0.0f)
        return kTwoPi - a;
    return a;
}
