// A smooth curve through a list of control points, open or closed, parameterised by the
// fraction of its total length.
//
// Each segment between two points is a cubic Hermite curve whose end tangents are unit
// directions scaled by the segment's length, so the curve passes through every control
// point with a continuous direction. An open path clamps at its end; a closed path runs
// from its last point back to its first.
//
//     cPath path;
//     path.AddPoint2D(0, 0);
//     path.AddPoint2D(10, 0);
//     path.AddPoint2D(10, 10);
//     path.Build(false);
//     cVec3f p = path.PointAt(0.5f); // (10, 0, 0)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/core/Vec3.h"

struct cPathPoint
{
    cVec3f position;
    cVec3f tangent;
    // Straight distance to the next point (0 for the last point of an open path).
    float length = 0.0f;
};
static_assert(sizeof(cPathPoint) == 7 * sizeof(float), "a path point is seven floats");

class cPath
{
public:
    std::vector<cPathPoint> points;
    float totalLength = 0.0f;
    uint8_t closed = 0;

    // Appends a point with a zero tangent and length (z = 0 for the 2D form).
    void AddPoint(float x, float y, float z);
    void AddPoint2D(float x, float y) { AddPoint(x, y, 0.0f); }

    // Stores the flag and computes the segment lengths, the total length and the tangents.
    // Run once after the points are added (running it again gives the same result).
    void Build(bool isClosed);

    // The point at fraction t of the total length. t outside 0..1 clamps at the end of an
    // open path and extends the first segment's curve before its start. A path without
    // points gives the origin, one point gives that point, and a zero-length segment gives
    // its position (never NaN).
    cVec3f PointAt(float t) const;
    cVec2f PointAt2D(float t) const;
    void PointAt(float t, float out[3]) const;

    // The start tangent of segment i and the end tangent of the segment before i, from
    // the positions and the neighbours' tangents.
    cVec3f StartTangent(size_t i) const;
    cVec3f EndTangent(size_t i) const;

    // Replaces each tangent that has a segment on both sides by the length-weighted blend
    // of StartTangent and EndTangent, all computed from the old tangents.
    void SmoothTangents();
};

// The cubic Hermite curve at u: (2u^3 - 3u^2 + 1) p0 + (-2u^3 + 3u^2) p1
// + (u^3 - 2u^2 + u) t0 + (u^3 - u^2) t1, through HermiteBasis.
cVec3f EvaluateHermite(const cVec3f& p0, const cVec3f& p1, const cVec3f& t0, const cVec3f& t1, float u);
