#include "KelpoBase/core/Path.h"

#include <cmath>

#include "KelpoBase/core/Matrix44.h"

cVec3f EvaluateHermite(const cVec3f& p0, const cVec3f& p1, const cVec3f& t0, const cVec3f& t1, float u)
{
    const float u2 = u * u;
    cVec4f weights;
    Matrix4TransformVector4(cVec4f(u2 * u, u2, u, 1.0f), weights, HermiteBasis);
    return p0 * weights.x + p1 * weights.y + t0 * weights.z + t1 * weights.w;
}

void cPath::AddPoint(float x, float y, float z)
{
    cPathPoint p;
    p.position.Set(x, y, z);
    points.push_back(p);
}

namespace
{
cVec3f Unit(const cVec3f& v) { return v.NormalisedFast(); }
} // namespace

void cPath::Build(bool isClosed)
{
    closed = isClosed ? 1 : 0;
    totalLength = 0.0f;
    const size_t n = points.size();
    if (n == 0)
        return;
    for (cPathPoint& p : points)
    {
        p.tangent.Zero();
        p.length = 0.0f;
    }

    if (!closed)
    {
        for (size_t i = 1; i < n; ++i)
        {
            const float len = (points[i].position - points[i - 1].position).Length();
            points[i - 1].length = len;
            totalLength += len;
        }
    }
    else
    {
        for (size_t i = 0; i < n; ++i)
        {
            const size_t h = i == 0 ? n - 1 : i - 1;
            const float len = (points[i].position - points[h].position).Length();
            points[h].length = len;
            totalLength += len;
        }
    }

    // Inner tangents: the direction halfway between the way in and the way out. A zero
    // difference normalises to zero (the fast normalisation has no zero test but stays finite).
    const size_t first = closed ? 0 : 1;
    const size_t end = closed ? n : (n >= 2 ? n - 1 : 0);
    for (size_t i = first; i < end; ++i)
    {
        const size_t next = i + 1 == n ? 0 : i + 1;
        const size_t prev = i == 0 ? n - 1 : i - 1;
        const cVec3f a = Unit(points[next].position - points[i].position);
        const cVec3f b = Unit(points[prev].position - points[i].position);
        points[i].tangent = Unit(a - b);
    }

    if (!closed && n >= 2)
    {
        points[0].tangent = StartTangent(0);
        points[n - 1].tangent = EndTangent(n - 1);
    }
}

cVec3f cPath::StartTangent(size_t i) const
{
    const size_t n = points.size();
    if (i >= n)
        return {};
    const size_t j = i + 1 >= n ? 0 : i + 1;
    const float len = points[i].length;
    // A zero-length segment has no direction of its own; only the neighbour's tangent counts.
    const cVec3f chord = len != 0.0f ? (points[j].position - points[i].position) * (3.0f / len) : cVec3f();
    return (chord - points[j].tangent) * 0.5f;
}

cVec3f cPath::EndTangent(size_t i) const
{
    const size_t n = points.size();
    if (i >= n)
        return {};
    const size_t h = i == 0 ? n - 1 : i - 1;
    const float len = points[h].length;
    const cVec3f chord = len != 0.0f ? (points[i].position - points[h].position) * (3.0f / len) : cVec3f();
    return (chord - points[h].tangent) * 0.5f;
}

void cPath::SmoothTangents()
{
    const size_t n = points.size();
    if (n < 2)
        return;
    std::vector<cVec3f> smoothed(n);
    std::vector<bool> changed(n, false);
    for (size_t i = 0; i < n; ++i)
    {
        if (!closed && (i == 0 || i == n - 1))
            continue;
        const size_t h = i == 0 ? n - 1 : i - 1;
        const float before = points[h].length;
        const float after = points[i].length;
        const float sum = before + after;
        if (!(sum > 0.0f))
            continue;
        smoothed[i] = (StartTangent(i) * before + EndTangent(i) * after) / sum;
        changed[i] = true;
    }
    for (size_t i = 0; i < n; ++i)
        if (changed[i])
            points[i].tangent = smoothed[i];
}

cVec3f cPath::PointAt(float t) const
{
    const size_t n = points.size();
    if (n == 0)
        return {};
    if (n == 1)
        return points[0].position;
    if (!std::isfinite(t))
        return (t > 0.0f && !closed) ? points[n - 1].position : points[0].position;

    const float target = totalLength * t;
    float sum = 0.0f;
    size_t i = 0;
    for (; i < n; ++i)
    {
        if (sum + points[i].length >= target)
            break;
        sum += points[i].length;
    }

    size_t i0, i1;
    if (closed)
    {
        i0 = i >= n ? i - n : i;
        i1 = i0 + 1 >= n ? 0 : i0 + 1;
    }
    else
    {
        i0 = i < n - 1 ? i : n - 1;
        i1 = i0 + 1 < n - 1 ? i0 + 1 : n - 1;
        if (i0 == i1)
            return points[i0].position; // at or beyond the end
    }

    const float len = points[i0].length;
    if (!(len > 0.0f))
        return points[i0].position; // a zero-length segment: its one position
    const float u = (target - sum) / len;
    return EvaluateHermite(points[i0].position, points[i1].position, points[i0].tangent * len,
                           points[i1].tangent * len, u);
}

cVec2f cPath::PointAt2D(float t) const
{
    const cVec3f p = PointAt(t);
    return {p.x, p.y};
}

void cPath::PointAt(float t, float out[3]) const { PointAt(t).CopyTo(out); }
