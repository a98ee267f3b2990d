#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "KelpoBase/core/Path.h"

namespace
{
void ExpectVecNear(const cVec3f& a, const cVec3f& b, float tol)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

bool Finite(const cVec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
} // namespace

TEST(Path, OpenPathThroughItsPoints)
{
    cPath path;
    path.AddPoint(0, 0, 0);
    path.AddPoint(10, 0, 0);
    path.AddPoint(10, 10, 0);
    path.Build(false);
    EXPECT_EQ(path.closed, 0);
    EXPECT_FLOAT_EQ(path.points[0].length, 10.0f);
    EXPECT_FLOAT_EQ(path.points[1].length, 10.0f);
    EXPECT_FLOAT_EQ(path.points[2].length, 0.0f);
    EXPECT_FLOAT_EQ(path.totalLength, 20.0f);

    struct Case
    {
        float t;
        cVec3f p;
    };
    const Case cases[] = {{0.0f, {0, 0, 0}}, {0.5f, {10, 0, 0}}, {1.0f, {10, 10, 0}}, {1.5f, {10, 10, 0}}};
    for (const Case& c : cases)
        ExpectVecNear(path.PointAt(c.t), c.p, 1e-4f);

    // The inner tangent bisects the corner; the curve leaves the first point heading
    // along the first segment and bends toward the second.
    ExpectVecNear(path.points[1].tangent, {0.7071f, 0.7071f, 0}, 0.003f);
    const cVec3f quarter = path.PointAt(0.25f);
    EXPECT_GT(quarter.x, 4.0f);
    EXPECT_LT(quarter.x, 6.0f);
    EXPECT_LT(quarter.y, 0.5f);

    // Before the start the first segment's curve extends backwards.
    const cVec3f before = path.PointAt(-0.1f);
    EXPECT_TRUE(Finite(before));
    EXPECT_LT(before.x, 0.0f);

    const cVec2f p2 = path.PointAt2D(0.3f);
    const cVec3f p3 = path.PointAt(0.3f);
    EXPECT_EQ(p2.x, p3.x);
    EXPECT_EQ(p2.y, p3.y);
    float raw[3];
    path.PointAt(0.3f, raw);
    EXPECT_EQ(cVec3f(raw), p3);
}

TEST(Path, StraightPathStaysOnItsSegment)
{
    cPath path;
    path.AddPoint2D(1, 2);
    path.AddPoint2D(7, 10);
    path.Build(false);
    EXPECT_FLOAT_EQ(path.totalLength, 10.0f);
    float previous = -1.0f;
    for (int i = 0; i <= 20; ++i)
    {
        const cVec3f p = path.PointAt(i / 20.0f);
        // On the line: the cross product with the direction is zero.
        EXPECT_NEAR((p.x - 1) * 8 - (p.y - 2) * 6, 0.0f, 1e-3f);
        EXPECT_GE(p.x, 1.0f - 1e-4f);
        EXPECT_LE(p.x, 7.0f + 1e-4f);
        EXPECT_GT(p.x, previous); // moves forward
        previous = p.x;
    }
    ExpectVecNear(path.PointAt(1.0f), {7, 10, 0}, 1e-4f);
}

TEST(Path, ClosedSquareWrapsAround)
{
    cPath path;
    path.AddPoint2D(0, 0);
    path.AddPoint2D(10, 0);
    path.AddPoint2D(10, 10);
    path.AddPoint2D(0, 10);
    path.Build(true);
    EXPECT_NE(path.closed, 0);
    EXPECT_FLOAT_EQ(path.totalLength, 40.0f);
    EXPECT_FLOAT_EQ(path.points[3].length, 10.0f); // back to the first
    ExpectVecNear(path.PointAt(0.25f), {10, 0, 0}, 1e-4f);
    ExpectVecNear(path.PointAt(0.5f), {10, 10, 0}, 1e-4f);
    ExpectVecNear(path.PointAt(1.0f), {0, 0, 0}, 1e-4f);
    // The last segment runs from the last corner back to the first.
    const cVec3f p = path.PointAt(0.875f);
    EXPECT_LT(p.x, 0.5f); // bulges a little outside the square
    EXPECT_NEAR(p.y, 5.0f, 0.5f);

    // Building again gives the same path.
    const cPathPoint first = path.points[0];
    path.Build(true);
    EXPECT_EQ(path.points[0].tangent, first.tangent);
}

TEST(Path, HermiteAndTangentHelpers)
{
    const cVec3f p0(0, 0, 0), p1(4, 0, 0), t0(0, 4, 0), t1(0, -4, 0);
    ExpectVecNear(EvaluateHermite(p0, p1, t0, t1, 0.0f), p0, 1e-6f);
    ExpectVecNear(EvaluateHermite(p0, p1, t0, t1, 1.0f), p1, 1e-6f);
    // At u = 0.5: p0/2 + p1/2 + t0/8 - t1/8.
    ExpectVecNear(EvaluateHermite(p0, p1, t0, t1, 0.5f), {2, 1, 0}, 1e-6f);

    cPath path;
    path.AddPoint2D(0, 0);
    path.AddPoint2D(10, 0);
    path.AddPoint2D(10, 10);
    path.Build(false);
    // The end tangents follow their rule from the inner tangent.
    const cVec3f inner = path.points[1].tangent;
    ExpectVecNear(path.points[0].tangent, (cVec3f(3, 0, 0) - inner) * 0.5f, 1e-5f);
    ExpectVecNear(path.points[2].tangent, (cVec3f(0, 3, 0) - inner) * 0.5f, 1e-5f);

    // Smoothing only touches points with a segment on both sides.
    const cVec3f end0 = path.points[0].tangent;
    const cVec3f expectedInner = (path.StartTangent(1) * 10.0f + path.EndTangent(1) * 10.0f) / 20.0f;
    path.SmoothTangents();
    EXPECT_EQ(path.points[0].tangent, end0);
    ExpectVecNear(path.points[1].tangent, expectedInner, 1e-6f);
}

TEST(Path, DegenerateInputNeverGivesNaN)
{
    cPath empty;
    empty.Build(false);
    EXPECT_EQ(empty.PointAt(0.5f), cVec3f());
    empty.Build(true);
    EXPECT_EQ(empty.PointAt(0.5f), cVec3f());

    cPath one;
    one.AddPoint(3, 4, 5);
    one.Build(false);
    EXPECT_EQ(one.PointAt(0.5f), cVec3f(3, 4, 5));
    one.Build(true);
    EXPECT_EQ(one.PointAt(0.5f), cVec3f(3, 4, 5));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (bool closed : {false, true})
    {
        // Repeated points: zero-length segments, at the start, the middle and the end.
        cPath path;
        path.AddPoint2D(0, 0);
        path.AddPoint2D(0, 0);
        path.AddPoint2D(10, 0);
        path.AddPoint2D(10, 0);
        path.AddPoint2D(10, 10);
        path.AddPoint2D(10, 10);
        path.Build(closed);
        for (const cPathPoint& p : path.points)
            EXPECT_TRUE(Finite(p.tangent));
        for (int i = -2; i <= 22; ++i)
            EXPECT_TRUE(Finite(path.PointAt(i / 20.0f))) << closed << " " << i;
        ExpectVecNear(path.PointAt(0.0f), {0, 0, 0}, 1e-4f);
        ExpectVecNear(path.PointAt(closed ? 10.0f / 34.14214f : 0.5f), {10, 0, 0}, 1e-3f);
        for (float t : {nan, inf, -inf})
            EXPECT_TRUE(Finite(path.PointAt(t)));
        path.SmoothTangents();
        for (const cPathPoint& p : path.points)
            EXPECT_TRUE(Finite(p.tangent));

        // All points in one place.
        cPath still;
        still.AddPoint2D(2, 2);
        still.AddPoint2D(2, 2);
        still.AddPoint2D(2, 2);
        still.Build(closed);
        EXPECT_EQ(still.totalLength, 0.0f);
        for (float t : {0.0f, 0.5f, 1.0f, 2.0f})
            EXPECT_EQ(still.PointAt(t), cVec3f(2, 2, 0));
    }
}
