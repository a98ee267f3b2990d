#include <gtest/gtest.h>

#include <cmath>

#include "KelpoBase/core/Projection.h"

namespace
{
void ExpectVecNear(const cVec3f& a, const cVec3f& b, float tol)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

cVec4f Clip(const cMatrix44& m, const cVec4f& v)
{
    cVec4f out;
    Matrix4TransformVector4(v, out, m);
    return out;
}
} // namespace

TEST(Projection, PerspectiveAgainstHandComputedValues)
{
    cMatrix44 p;
    Matrix4Perspective(p, 1.5707964f, 2.0f, 1.0f, 3.0f); // 90 degrees: cot(45) = 1
    const float expected[16] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(p.m[i], expected[i], 1e-6f) << i;
    // The near plane maps to depth -1, the far plane to +1.
    cVec4f c = Clip(p, {0, 0, -1, 1});
    EXPECT_NEAR(c.z / c.w, -1.0f, 1e-6f);
    c = Clip(p, {0, 0, -3, 1});
    EXPECT_NEAR(c.z / c.w, 1.0f, 1e-6f);

    // Degenerate input leaves the identity.
    struct Case
    {
        float fov, aspect, nearZ, farZ;
    };
    const Case degenerate[] = {{1.0f, 1.5f, 2.0f, 2.0f}, {1.0f, 0.0f, 1.0f, 10.0f}, {0.0f, 1.5f, 1.0f, 10.0f}};
    for (const Case& d : degenerate)
    {
        Matrix4Perspective(p, d.fov, d.aspect, d.nearZ, d.farZ);
        EXPECT_EQ(p, cMatrix44());
    }

    // A symmetric frustum equals the matching perspective.
    cMatrix44 f, q;
    Matrix4Frustum(f, -1, 1, -1, 1, 1, 10);
    Matrix4Perspective(q, 1.5707964f, 1.0f, 1.0f, 10.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(f.m[i], q.m[i], 1e-6f) << i;
    Matrix4Frustum(f, 0, 2, 0, 4, 1, 10); // off-centre
    EXPECT_FLOAT_EQ(f.m[8], 1.0f);
    EXPECT_FLOAT_EQ(f.m[9], 1.0f);
}

TEST(Projection, OrthoMapsTheScreenCorners)
{
    cMatrix44 o;
    Matrix4Ortho(o, 0, 640, 0, 480, -1, 1);
    cVec4f c = Clip(o, {640, 480, 0, 1});
    EXPECT_NEAR(c.x, 1.0f, 1e-6f);
    EXPECT_NEAR(c.y, 1.0f, 1e-6f);
    EXPECT_NEAR(c.z, 0.0f, 1e-6f);
    EXPECT_NEAR(c.w, 1.0f, 1e-6f);
    c = Clip(o, {0, 0, 0, 1});
    EXPECT_NEAR(c.x, -1.0f, 1e-6f);
    EXPECT_NEAR(c.y, -1.0f, 1e-6f);

    // Through the viewport: the same corners land on the window's corners.
    cVec3f win;
    ASSERT_TRUE(ProjectPoint({640, 480, 0}, cMatrix44(), o, 10, 20, 640, 480, win));
    ExpectVecNear(win, {650, 500, 0.5f}, 1e-4f);
    ASSERT_TRUE(ProjectPoint({320, 240, 0}, cMatrix44(), o, 0, 0, 640, 480, win));
    ExpectVecNear(win, {320, 240, 0.5f}, 1e-4f);
    // w = 0 writes nothing.
    cMatrix44 zeroW;
    zeroW.m[15] = 0.0f;
    win.Set(7, 7, 7);
    EXPECT_FALSE(ProjectPoint({0, 0, 0}, cMatrix44(), zeroW, 0, 0, 640, 480, win));
    EXPECT_EQ(win, cVec3f(7, 7, 7));
}

TEST(Projection, LookAt)
{
    struct Case
    {
        cVec3f target, eye, up, right, upOut, back;
    };
    const Case cases[] = {
        {{0, 0, -1}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
        {{5, 2, 3}, {5, 2, 8}, {0, 3, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{0, -1, 0}, {0, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    };
    for (const Case& c : cases)
    {
        cMatrix33 m;
        Matrix3LookAt(c.target, c.eye, c.up, m);
        ExpectVecNear(cVec3f(&m.m[0]), c.right, 0.005f);
        ExpectVecNear(cVec3f(&m.m[3]), c.upOut, 0.005f);
        ExpectVecNear(cVec3f(&m.m[6]), c.back, 0.005f);
    }

    // Post-multiplied onto an existing orientation.
    cMatrix33 base;
    Matrix3RotationY(base, 0.5f);
    cMatrix33 m = base, r, expected;
    Matrix3LookAt({1, 0, 0}, {0, 0, 0}, {0, 1, 0}, m);
    Matrix3LookAt({1, 0, 0}, {0, 0, 0}, {0, 1, 0}, r);
    Matrix3Multiply(base, expected, r);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(m.m[i], expected.m[i], 1e-6f);

    // The world form places a camera at eye looking at target.
    cMatrix44 cam;
    Matrix4LookAtWorld({4, 2, 3}, {1, 2, 3}, {0, 1, 0}, cam);
    ExpectVecNear(Matrix4TransformPoint(cam, cVec3f(0, 0, 0)), {1, 2, 3}, 1e-5f);
    ExpectVecNear(Matrix4TransformPoint(cam, cVec3f(0, 0, -3)), {4, 2, 3}, 0.02f);
    ExpectVecNear(Matrix4TransformPoint(cam, cVec3f(0, 1, 0)), {1, 3, 3}, 0.005f);
}

TEST(Projection, Orthonormalise)
{
    cMatrix44 m;
    Matrix4RotationZ(m, 0.6f);
    Matrix4Scale(m, 2.0f, 3.0f, 4.0f);
    m.m[4] += 0.01f; // a little skew
    m.m[12] = 9.0f;
    Matrix4Orthonormalise(m);
    const cVec3f c0(&m.m[0]), c1(&m.m[4]), c2(&m.m[8]);
    EXPECT_NEAR(c0.Length(), 1.0f, 0.01f);
    EXPECT_NEAR(c1.Length(), 1.0f, 0.01f);
    EXPECT_NEAR(c2.Length(), 1.0f, 0.01f);
    EXPECT_NEAR(c0.Dot(c1), 0.0f, 1e-5f);
    EXPECT_NEAR(c0.Dot(c2), 0.0f, 1e-5f);
    EXPECT_NEAR(c1.Dot(c2), 0.0f, 1e-5f);
    EXPECT_EQ(m.m[12], 9.0f);
}

TEST(Boxes, GrowUnionAndViewVolumes)
{
    cBox3f box;
    BoxReset(box);
    EXPECT_EQ(box.min.x, kFloatMax);
    EXPECT_EQ(box.max.z, -kFloatMax);
    BoxExpandByPoint(box, {1, 2, 3});
    EXPECT_EQ(box.min, cVec3f(1, 2, 3));
    EXPECT_EQ(box.max, cVec3f(1, 2, 3));
    BoxExpandByPoint(box, {-1, 5, 3});
    EXPECT_EQ(box.min, cVec3f(-1, 2, 3));
    EXPECT_EQ(box.max, cVec3f(1, 5, 3));

    cBox3f other, copy;
    BoxFromPoint(other, {0, 0, 10});
    BoxUnion(box, other);
    EXPECT_EQ(box.min, cVec3f(-1, 0, 3));
    EXPECT_EQ(box.max, cVec3f(1, 5, 10));
    BoxCopy(box, copy);
    EXPECT_EQ(copy.max, box.max);
    EXPECT_EQ(BoxSupportPoint(box, {1, -1, 0}), cVec3f(1, 0, 3));

    // A unit cube view volume around the origin: six inward-facing planes.
    const cVec4f planes[6] = {{1, 0, 0, -1}, {-1, 0, 0, -1}, {0, 1, 0, -1},
                              {0, -1, 0, -1}, {0, 0, 1, -1}, {0, 0, -1, -1}};
    EXPECT_TRUE(PointInsidePlanes({0, 0, 0}, planes));
    EXPECT_TRUE(PointInsidePlanes({1, 1, 1}, planes)); // on the faces
    EXPECT_FALSE(PointInsidePlanes({0, 0, 1.5f}, planes)); // behind only the sixth plane
    EXPECT_FALSE(PointInsidePlanes({2, 0, 0}, planes));

    cBox3f b;
    BoxFromPoint(b, {0.5f, 0.5f, 0.5f});
    BoxExpandByPoint(b, {3, 3, 3}); // straddles: still visible
    EXPECT_TRUE(BoxInsidePlanes(b, planes));
    BoxFromPoint(b, {2, 2, 2});
    BoxExpandByPoint(b, {3, 3, 3});
    EXPECT_FALSE(BoxInsidePlanes(b, planes));

    EXPECT_TRUE(SphereInsidePlanes({{0, 0, 1.9f}, 1.0f}, planes));
    EXPECT_FALSE(SphereInsidePlanes({{0, 0, 2.1f}, 1.0f}, planes));
}

TEST(Intersection, LineTriangleIsOneSidedAndRejectsLinesInThePlane)
{
    const cVec3f p(0, 0, 1), q(0, 0, -1);
    const cVec3f a(-1, -1, 0), b(1, -1, 0), c(0, 1, 0);
    cVec3f hit(9, 9, 9);
    EXPECT_TRUE(IntersectLineTriangle(p, q, a, b, c, &hit)); // counter-clockwise seen from p
    ExpectVecNear(hit, {0, 0, 0}, 1e-6f);
    EXPECT_FALSE(IntersectLineTriangle(p, q, a, c, b, &hit)); // the other winding
    EXPECT_TRUE(IntersectLineTriangle(p, q, a, b, c, nullptr));
    // The infinite line: p and q on the same side still hit.
    EXPECT_TRUE(IntersectLineTriangle({0.2f, 0, 5}, {0.2f, 0, 4}, a, b, c, &hit));
    ExpectVecNear(hit, {0.2f, 0, 0}, 1e-5f);
    // Through a corner counts.
    EXPECT_TRUE(IntersectLineTriangle({-1, -1, 1}, {-1, -1, -1}, a, b, c, &hit));
    ExpectVecNear(hit, a, 1e-6f);
    EXPECT_FALSE(IntersectLineTriangle({2, 2, 1}, {2, 2, -1}, a, b, c, &hit)); // misses

    // A line lying in the triangle's plane is not a hit, and nothing is written.
    hit.Set(9, 9, 9);
    EXPECT_FALSE(IntersectLineTriangle({-5, 0, 0}, {5, 0, 0}, a, b, c, &hit));
    EXPECT_EQ(hit, cVec3f(9, 9, 9));
    EXPECT_FALSE(IntersectLineTriangle({-5, 0, 0}, {5, 0, 0}, a, b, c, nullptr));

    // Two-sided accepts both windings and rejects the in-plane line.
    EXPECT_TRUE(LineIntersectsTriangleTwoSided(p, q, a, b, c, &hit));
    EXPECT_TRUE(LineIntersectsTriangleTwoSided(p, q, a, c, b, &hit));
    ExpectVecNear(hit, {0, 0, 0}, 1e-6f);
    EXPECT_FALSE(LineIntersectsTriangleTwoSided({-5, 0, 0}, {5, 0, 0}, a, b, c, &hit));
    EXPECT_FALSE(LineIntersectsTriangleTwoSided({2, 2, 1}, {2, 2, -1}, a, c, b, &hit));

    // The segment form is one-sided and bounded by the segment.
    struct Case
    {
        cVec3f from, to;
        bool hit;
    };
    const Case segments[] = {
        {{0, 0, 1}, {0, 0, -1}, true},     {{0, 0, -1}, {0, 0, 1}, false}, // from behind
        {{0, 0, 3}, {0, 0, 0}, true},      // ends on the plane
        {{0, 0, 3}, {0, 0, 1}, false},     // stops short
        {{0.9f, 0.9f, 1}, {0.9f, 0.9f, -1}, false}, {{-5, 0, 0}, {5, 0, 0}, false},
    };
    for (const Case& s : segments)
        EXPECT_EQ(SegmentIntersectsTriangle(s.from, s.to, a, b, c), s.hit); // front face +z
}

TEST(Intersection, PlanesSegmentsAndQuads)
{
    const cVec4f ground(0, 1, 0, 2); // y = 2
    cVec3f hit;
    EXPECT_TRUE(SegmentIntersectsPlane({1, 0, 0}, {1, 4, 0}, ground, &hit));
    ExpectVecNear(hit, {1, 2, 0}, 1e-6f);
    EXPECT_FALSE(SegmentIntersectsPlane({1, 3, 0}, {1, 4, 0}, ground, &hit));
    EXPECT_TRUE(LineIntersectsPlane({1, 3, 0}, {1, 4, 0}, ground, &hit));
    ExpectVecNear(hit, {1, 2, 0}, 1e-6f);
    EXPECT_FALSE(SegmentIntersectsPlane({0, 0, 0}, {5, 0, 0}, ground, &hit)); // parallel
    // A plane with a non-unit normal: 3y = 6 is the same plane y = 2.
    EXPECT_TRUE(SegmentIntersectsPlane({1, 0, 0}, {1, 4, 0}, cVec4f(0, 3, 0, 6), &hit));
    ExpectVecNear(hit, {1, 2, 0}, 1e-6f);

    EXPECT_FLOAT_EQ(PlaneDistance(ground, {0, 5, 0}), 3.0f);
    ExpectVecNear(PlaneClosestPointUnit(ground, {4, 5, 6}), {4, 2, 6}, 1e-6f);
    const cVec4f scaled(0, 2, 0, 4); // the same plane with |n| = 2
    ExpectVecNear(PlaneClosestPoint(scaled, {4, 5, 6}), {4, 2, 6}, 1e-6f);
    EXPECT_FLOAT_EQ(PlaneDistanceScaled(scaled, {0, 5, 0}), 1.5f);
    EXPECT_EQ(PlaneClosestPoint(cVec4f(), {1, 2, 3}), cVec3f(1, 2, 3)); // zero normal
    EXPECT_EQ(PlaneDistanceScaled(cVec4f(), {1, 2, 3}), 0.0f);

    // Points against segments and lines, including a zero-length segment.
    EXPECT_FLOAT_EQ(SegmentDistanceSquared3({0, 0, 0}, {10, 0, 0}, {5, 3, 0}), 9.0f);
    EXPECT_FLOAT_EQ(SegmentDistanceSquared3({0, 0, 0}, {10, 0, 0}, {13, 4, 0}), 25.0f);
    EXPECT_FLOAT_EQ(LineDistanceSquared3({0, 0, 0}, {10, 0, 0}, {13, 4, 0}), 16.0f);
    EXPECT_FLOAT_EQ(LineDistance3({1, 1, 1}, {1, 1, 1}, {1, 4, 5}), 5.0f);
    cVec3f closest;
    EXPECT_EQ(SegmentClosestPoint3({1, 1, 1}, {1, 1, 1}, {5, 5, 5}, closest), 0.0f);
    EXPECT_EQ(closest, cVec3f(1, 1, 1));
    EXPECT_FLOAT_EQ(SegmentClosestPoint3({0, 0, 0}, {10, 0, 0}, {2.5f, 7, 0}, closest), 0.25f);

    cSegmentPoints3f r;
    EXPECT_NEAR(SegmentsClosestPoints({-1, 0, 0}, {1, 0, 0}, {0, -1, 2}, {0, 1, 2}, r), 4.0f, 1e-6f);
    EXPECT_NEAR(r.s, 0.5f, 1e-6f);
    EXPECT_NEAR(r.t, 0.5f, 1e-6f);
    ExpectVecNear(r.point2, {0, 0, 2}, 1e-6f);
    EXPECT_NEAR(SegmentsClosestPoints({0, 0, 0}, {1, 0, 0}, {3, 1, 0}, {5, 1, 0}, r), 5.0f, 1e-6f); // parallel
    EXPECT_NEAR(SegmentsClosestPoints({0, 0, 0}, {0, 0, 0}, {3, 4, 0}, {3, 4, 0}, r), 25.0f, 1e-6f); // points

    // A quad from three corners; the edges run 0..1 across it.
    const cQuad3f quad = MakeQuad({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
    EXPECT_TRUE(SegmentIntersectsQuad(quad, {1, 1, 1}, {1, 1, -1}));
    EXPECT_TRUE(SegmentIntersectsQuad(quad, {1.9f, 1.9f, -1}, {1.9f, 1.9f, 1})); // far corner region
    EXPECT_FALSE(SegmentIntersectsQuad(quad, {2.1f, 1, 1}, {2.1f, 1, -1}));
    EXPECT_FALSE(SegmentIntersectsQuad(quad, {1, 1, 2}, {1, 1, 1})); // does not reach
    const cQuad3f flat = MakeQuad({0, 0, 0}, {1, 0, 0}, {2, 0, 0}); // degenerate
    EXPECT_FALSE(SegmentIntersectsQuad(flat, {0.5f, 0, 1}, {0.5f, 0, -1}));

    EXPECT_TRUE(SegmentsIntersect2({0, 0, 0}, {2, 2, 4}, {0, 2, 0}, {2, 0, 0}, &hit));
    ExpectVecNear(hit, {1, 1, 2}, 1e-6f);
    EXPECT_FALSE(SegmentsIntersect2({0, 0, 0}, {1, 1, 0}, {0, 2, 0}, {0.9f, 1.1f, 0}, &hit));
    EXPECT_FALSE(SegmentsIntersect2({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, nullptr)); // parallel
}

TEST(Intersection, SpheresBoxesAndClosestPoints)
{
    const cSphere3f s1{{0, 0, 0}, 1}, s2{{3, 0, 0}, 2}, s3{{4, 0, 0}, 2};
    EXPECT_TRUE(SpheresOverlap(s1, s2)); // touching
    EXPECT_FALSE(SpheresOverlap(s1, s3));
    EXPECT_FLOAT_EQ(SphereSeparation2(s1, s3), 7.0f);
    EXPECT_FLOAT_EQ(SphereSeparation(s1, s3), std::sqrt(7.0f));
    EXPECT_EQ(SphereSeparation(s1, {{0.5f, 0, 0}, 1}), 0.0f); // overlapping: no NaN
    EXPECT_FLOAT_EQ(PointSphereSeparation2(s1, {2, 0, 0}), 3.0f);
    EXPECT_EQ(PointSphereSeparation(s1, {0.1f, 0, 0}), 0.0f);

    cOBox3f box;
    box.centre.Set(10, 0, 0);
    box.axes[0].Set(0, 1, 0); // rotated 90 degrees about z
    box.axes[1].Set(-1, 0, 0);
    box.axes[2].Set(0, 0, 1);
    box.halfExtents.Set(1, 2, 3); // 1 along world y, 2 along world x
    EXPECT_FLOAT_EQ(OrientedBox3DistanceSquared({10, 0, 0}, box), 0.0f);
    EXPECT_FLOAT_EQ(OrientedBox3DistanceSquared({15, 0, 0}, box), 9.0f);
    EXPECT_FLOAT_EQ(OrientedBox3Distance({10, 4, 0}, box), 3.0f);
    ExpectVecNear(OrientedBox3ClosestPoint(box, {15, 5, 0}), {12, 1, 0}, 1e-6f);

    // The closest point on a triangle in each Voronoi region.
    const cVec3f a(0, 0, 0), b(4, 0, 0), c(0, 4, 0);
    struct Case
    {
        cVec3f p, closest;
    };
    const Case cases[] = {
        {{-1, -1, 3}, a},         {{6, -1, 0}, b},         {{-1, 6, 0}, c},
        {{2, -3, 0}, {2, 0, 0}},  {{-3, 2, 1}, {0, 2, 0}}, {{3, 3, 0}, {2, 2, 0}},
        {{1, 1, 5}, {1, 1, 0}},
    };
    for (const Case& k : cases)
        ExpectVecNear(TriangleClosestPoint3(a, b, c, k.p), k.closest, 1e-5f);
    // A degenerate (collinear) triangle gives a point on it, not NaN.
    const cVec3f d = TriangleClosestPoint3(a, b, {8, 0, 0}, {2, 3, 0});
    ExpectVecNear(d, {2, 0, 0}, 1e-5f);

    cVec3f touch;
    EXPECT_TRUE(SphereIntersectsTriangle({{1, 1, 0.5f}, 1}, a, b, c, touch));
    ExpectVecNear(touch, {1, 1, 0}, 1e-6f);
    EXPECT_FALSE(SphereIntersectsTriangle({{1, 1, 2}, 1}, a, b, c, touch));
}

TEST(TexRect, CoordinatesFromPixels)
{
    const cTexRect r = ComputeTexRect(256, 128, 64, 32, 128, 64);
    EXPECT_FLOAT_EQ(r.uStart, 0.25f);
    EXPECT_FLOAT_EQ(r.vStart, 0.25f);
    EXPECT_FLOAT_EQ(r.uSize, 0.5f);
    EXPECT_FLOAT_EQ(r.vSize, 0.5f);
    EXPECT_FLOAT_EQ(r.uEnd, 0.75f);
    EXPECT_FLOAT_EQ(r.vEnd, 0.75f);
    const cTexRect none = ComputeTexRect(0, 0, 1, 1, 1, 1);
    EXPECT_EQ(none.uEnd, 0.0f);
}
