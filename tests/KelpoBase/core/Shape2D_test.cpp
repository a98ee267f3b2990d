#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "KelpoBase/core/Shape2D.h"

namespace
{
constexpr float kQuarter = 1.5707964f;

cOBox2f Box(cVec2f centre, cVec2f half, float angle = 0.0f)
{
    return cOBox2f::FromCentreAngle(centre, half, angle);
}

cOBox2f AxisBox(cVec2f centre, cVec2f half)
{
    cOBox2f box;
    box.centre = centre;
    box.halfExtents = half;
    return box;
}

// Dense sampling of box a: true when some sample lies in b (slightly shrunk, so that
// only clear overlaps count).
bool SampledOverlap(const cOBox2f& a, const cOBox2f& b)
{
    cOBox2f shrunk = b;
    shrunk.halfExtents = b.halfExtents * 0.98f;
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; j <= 40; ++j)
        {
            const cVec2f local(a.halfExtents.x * (i / 20.0f - 1.0f), a.halfExtents.y * (j / 20.0f - 1.0f));
            if (shrunk.ContainsPoint(a.ToWorld(local)))
                return true;
        }
    return false;
}
} // namespace

TEST(OrientedBox, ConstructionAndCorners)
{
    const cOBox2f fromRect = cOBox2f::FromRect(cAABox2f{-1.0f, 2.0f, 3.0f, 4.0f});
    EXPECT_EQ(fromRect.centre, cVec2f(1.0f, 3.0f));
    EXPECT_EQ(fromRect.halfExtents, cVec2f(2.0f, 1.0f));
    EXPECT_EQ(fromRect.axisX, cVec2f(1.0f, 0.0f));
    EXPECT_EQ(fromRect.axisY, cVec2f(0.0f, 1.0f));
    EXPECT_EQ(fromRect.GetCorner(0), cVec2f(-1.0f, 2.0f));
    EXPECT_EQ(fromRect.GetCorner(1), cVec2f(3.0f, 2.0f));
    EXPECT_EQ(fromRect.GetCorner(2), cVec2f(3.0f, 4.0f));
    EXPECT_EQ(fromRect.GetCorner(3), cVec2f(-1.0f, 4.0f));

    const cOBox2f turned = Box({0, 0}, {2, 1}, kQuarter);
    EXPECT_NEAR(turned.axisX.x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.axisX.y, 1.0f, 1e-6f);
    EXPECT_NEAR(turned.axisY.x, -1.0f, 1e-6f);
    const cVec2f corner1 = turned.GetCornerOffset(1); // +hx along x axis, -hy along y axis
    EXPECT_NEAR(corner1.x, 1.0f, 1e-5f);
    EXPECT_NEAR(corner1.y, 2.0f, 1e-5f);
}

TEST(OrientedBoxDeathTest, CornerIndexIsChecked)
{
    const cOBox2f box;
    EXPECT_DEATH(box.GetCornerOffset(4), "c<4");
    EXPECT_DEATH(box.GetCornerOffset(-1), "c>=0");
}

TEST(OrientedBox, TouchingBoxesOverlap)
{
    const cOBox2f a = AxisBox({0, 0}, {0.5f, 0.5f});
    EXPECT_TRUE(OrientedBoxesOverlap(a, AxisBox({1.0f, 0}, {0.5f, 0.5f})));
    EXPECT_FALSE(OrientedBoxesOverlap(a, AxisBox({1.0001f, 0}, {0.5f, 0.5f})));
    EXPECT_TRUE(OrientedBoxesOverlap(a, AxisBox({0, -1.0f}, {0.5f, 0.5f})));
    EXPECT_FALSE(OrientedBoxesOverlap(a, AxisBox({0, -1.0001f}, {0.5f, 0.5f})));
}

TEST(OrientedBox, QuarterTurnMatchesSwappedExtents)
{
    const cOBox2f fixed = AxisBox({0, 0}, {1.0f, 0.5f});
    const struct
    {
        cVec2f centre;
        bool overlap;
    } cases[] = {
        // Apart when |x| > 1 + 0.5 or |y| > 0.5 + 2.
        {{1.4f, 0.0f}, true}, {{1.6f, 0.0f}, false}, {{0.0f, 2.4f}, true},
        {{0.0f, -2.6f}, false}, {{-1.4f, 2.4f}, true}, {{1.6f, 1.0f}, false},
    };
    for (const auto& c : cases)
    {
        // Half extents (2, 0.5) turned a quarter: the same as (0.5, 2) unturned.
        const cOBox2f turned = Box(c.centre, {2.0f, 0.5f}, kQuarter);
        const cOBox2f swapped = AxisBox(c.centre, {0.5f, 2.0f});
        EXPECT_EQ(OrientedBoxesOverlap(fixed, turned), c.overlap) << c.centre.x << "," << c.centre.y;
        EXPECT_EQ(OrientedBoxesOverlap(fixed, swapped), c.overlap) << c.centre.x << "," << c.centre.y;
        EXPECT_EQ(OrientedBoxesOverlap(turned, fixed), c.overlap);
    }
}

TEST(OrientedBox, OverlapAgreesWithSampling)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> position(-4.0f, 4.0f), size(0.1f, 2.0f), angle(-3.2f, 3.2f);
    int disagreements = 0;
    for (int i = 0; i < 300; ++i)
    {
        const cOBox2f a = Box({position(random), position(random)}, {size(random), size(random)}, angle(random));
        const cOBox2f b = Box({position(random), position(random)}, {size(random), size(random)}, angle(random));
        // Sampling finds clear overlaps; the exact test must report every one of them.
        if (SampledOverlap(a, b) && !OrientedBoxesOverlap(a, b))
            ++disagreements;
    }
    EXPECT_EQ(disagreements, 0);
}

TEST(OrientedBox, OverlapsRectAgreesWithTheBoxTest)
{
    // A long thin diagonal box that crosses the rectangle's centre from a corner region.
    const cAABox2f rect{-1.0f, -1.0f, 1.0f, 1.0f};
    const cOBox2f stick = Box({2.0f, -2.0f}, {3.0f, 0.1f}, -kQuarter / 2.0f);
    EXPECT_TRUE(stick.ContainsPoint({0.0f, 0.0f}));
    EXPECT_TRUE(OrientedBoxOverlapsRect(stick, rect));

    std::mt19937 random(11);
    std::uniform_real_distribution<float> position(-4.0f, 4.0f), size(0.1f, 2.0f), angle(-3.2f, 3.2f);
    for (int i = 0; i < 500; ++i)
    {
        const cOBox2f box = Box({position(random), position(random)}, {size(random), size(random)}, angle(random));
        const cVec2f c(position(random), position(random));
        const cAABox2f r = Rect2FromCentre(c, size(random), size(random));
        EXPECT_EQ(OrientedBoxOverlapsRect(box, r), OrientedBoxesOverlap(cOBox2f::FromRect(r), box)) << i;
    }
}

TEST(OrientedBox, DistanceSquared)
{
    const cOBox2f box = Box({10.0f, 5.0f}, {2.0f, 1.0f}, 0.0f);
    EXPECT_EQ(OrientedBoxDistanceSquared({10.0f, 5.0f}, box), 0.0f);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(OrientedBoxDistanceSquared(box.GetCorner(k), box), 0.0f) << k;
    EXPECT_EQ(OrientedBoxDistanceSquared({12.0f, 5.5f}, box), 0.0f); // on the right edge
    EXPECT_FLOAT_EQ(OrientedBoxDistanceSquared({15.0f, 10.0f}, box), 25.0f);
    EXPECT_FLOAT_EQ(OrientedBoxDistance({15.0f, 10.0f}, box), 5.0f);
    EXPECT_FLOAT_EQ(OrientedBoxDistanceSquared({5.0f, 5.0f}, box), 9.0f);

    const cOBox2f turned = Box({0, 0}, {2.0f, 1.0f}, kQuarter); // long along world y
    EXPECT_NEAR(OrientedBoxDistanceSquared({0.0f, 4.0f}, turned), 4.0f, 1e-4f);
    EXPECT_NEAR(OrientedBoxDistanceSquared({3.0f, 0.0f}, turned), 4.0f, 1e-4f);
}

TEST(Rect2, FromOrientedBoxAndExtend)
{
    const cAABox2f r = RectFromOrientedBox(Box({0, 0}, {1.0f, 1.0f}, kQuarter / 2.0f));
    const float root2 = std::sqrt(2.0f);
    EXPECT_NEAR(r.minX, -root2, 1e-5f);
    EXPECT_NEAR(r.minY, -root2, 1e-5f);
    EXPECT_NEAR(r.maxX, root2, 1e-5f);
    EXPECT_NEAR(r.maxY, root2, 1e-5f);

    cAABox2f bounds = Rect2Empty();
    EXPECT_EQ(bounds.minX, 3.4028235e38f);
    EXPECT_EQ(bounds.maxY, -3.4028235e38f);
    RectExtendByOrientedBox(bounds, AxisBox({5, 5}, {1, 2}));
    RectExtendByOrientedBox(bounds, AxisBox({-5, 0}, {1, 1}));
    EXPECT_EQ(bounds, (cAABox2f{-6.0f, -1.0f, 6.0f, 7.0f}));

    EXPECT_EQ(Rect2FromCentre({1, 2}, 3, 4), (cAABox2f{-2.0f, -2.0f, 4.0f, 6.0f}));
}

TEST(Rect2, ToIntTruncatesWithoutUndefinedBehaviour)
{
    const auto a = Rect2ToInt(cAABox2f{-1.9f, 2.9f, 1e20f, std::numeric_limits<float>::quiet_NaN()});
    EXPECT_EQ(a[0], -1);
    EXPECT_EQ(a[1], 2);
    EXPECT_EQ(a[2], std::numeric_limits<int32_t>::min());
    EXPECT_EQ(a[3], std::numeric_limits<int32_t>::min());
}

TEST(Rect2, PointTests)
{
    const cAABox2f rect{0.0f, 0.0f, 2.0f, 1.0f};
    for (cVec2f p : {cVec2f(0, 0.5f), cVec2f(2, 0.5f), cVec2f(1, 0), cVec2f(1, 1), cVec2f(2, 1)})
    {
        EXPECT_TRUE(PointInRect(p, rect));
        EXPECT_TRUE(PointInRect(rect, p));
    }
    EXPECT_FALSE(PointInRect(cVec2f(2.0001f, 0.5f), rect));
    EXPECT_FLOAT_EQ(RectDistanceSquared(rect, {5.0f, 5.0f}), 9.0f + 16.0f);
    EXPECT_EQ(RectDistanceSquared(rect, {1.0f, 0.5f}), 0.0f);
    EXPECT_EQ(RectClampPoint(rect, {-3.0f, 0.25f}), cVec2f(0.0f, 0.25f));
    EXPECT_EQ(RectClampPoint(rect, {5.0f, 9.0f}), cVec2f(2.0f, 1.0f));
}

TEST(OrientedBox, ContainsAndExtend)
{
    cOBox2f box = Box({1, 1}, {1, 0.5f}, kQuarter / 2.0f);
    EXPECT_TRUE(box.ContainsPoint({1, 1}));
    for (int k = 0; k < 4; ++k)
    {
        const cVec2f corner = box.GetCorner(k);
        const cVec2f nudged = box.centre + (corner - box.centre) * 0.999f;
        EXPECT_TRUE(box.ContainsPoint(nudged)) << k;
        EXPECT_FALSE(box.ContainsPoint(box.centre + (corner - box.centre) * 1.01f)) << k;
    }

    // Extending keeps the axes and grows along them, for a rotated box too.
    const cVec2f far = box.ToWorld({3.0f, 0.0f});
    box.ExtendByPoint(far);
    EXPECT_NEAR(box.halfExtents.x, 2.0f, 1e-5f);
    EXPECT_NEAR(box.halfExtents.y, 0.5f, 1e-5f);
    EXPECT_TRUE(box.ContainsPoint(box.centre + (far - box.centre) * 0.999f));
    EXPECT_NEAR(OrientedBoxDistanceSquared(far, box), 0.0f, 1e-6f);

    cOBox2f unit = AxisBox({0, 0}, {0.5f, 0.5f});
    unit.ExtendByRect(cAABox2f{0.0f, 0.0f, 3.0f, 1.0f});
    EXPECT_EQ(unit.centre, cVec2f(1.25f, 0.25f));
    EXPECT_EQ(unit.halfExtents, cVec2f(1.75f, 0.75f));
    cOBox2f other = AxisBox({0, 0}, {0.5f, 0.5f});
    other.ExtendByBox(AxisBox({-2, 0}, {0.5f, 0.5f}));
    EXPECT_EQ(other.centre, cVec2f(-1.0f, 0.0f));
    EXPECT_EQ(other.halfExtents, cVec2f(1.5f, 0.5f));
}

TEST(Segment2, RectAndBoxIntersections)
{
    const cAABox2f rect{0.0f, 0.0f, 2.0f, 2.0f};
    cVec2f hit;
    EXPECT_TRUE(SegmentIntersectsRect({-1.0f, 1.0f}, {3.0f, 1.0f}, rect, &hit));
    EXPECT_NEAR(hit.x, 0.0f, 1e-6f);
    EXPECT_NEAR(hit.y, 1.0f, 1e-6f);
    EXPECT_FALSE(SegmentIntersectsRect({-1.0f, 3.0f}, {3.0f, 3.0f}, rect, &hit));  // parallel, outside
    EXPECT_FALSE(SegmentIntersectsRect({-2.0f, 1.0f}, {-1.0f, 1.0f}, rect, &hit)); // stops short
    EXPECT_TRUE(SegmentIntersectsRect({1.0f, 1.0f}, {1.5f, 1.5f}, rect, &hit));    // starts inside
    EXPECT_EQ(hit, cVec2f(1.0f, 1.0f));
    EXPECT_TRUE(SegmentIntersectsRect({1.0f, 1.0f}, {1.0f, 1.0f}, rect, nullptr)); // a point inside
    EXPECT_FALSE(SegmentIntersectsRect({5.0f, 5.0f}, {5.0f, 5.0f}, rect, nullptr));
    // The segment's box overlaps the rect, the segment passes beyond the corner (2, 2).
    EXPECT_FALSE(SegmentIntersectsRect({1.5f, 3.0f}, {3.0f, 1.5f}, rect, nullptr));
    EXPECT_TRUE(SegmentIntersectsRect({1.5f, 2.4f}, {2.4f, 1.5f}, rect, nullptr)); // clips the corner

    EXPECT_TRUE(RectOverlapsSegmentBox(rect, {1.5f, 3.0f}, {3.0f, 1.5f}));
    EXPECT_FALSE(RectOverlapsSegmentBox(rect, {3.0f, 0.0f}, {4.0f, 1.0f}));

    const cOBox2f turned = Box({0, 0}, {2.0f, 0.5f}, kQuarter);
    EXPECT_TRUE(SegmentIntersectsOrientedBox({-3.0f, 1.0f}, {3.0f, 1.0f}, turned, &hit));
    EXPECT_NEAR(hit.x, -0.5f, 1e-5f);
    EXPECT_NEAR(hit.y, 1.0f, 1e-5f);
    EXPECT_FALSE(SegmentIntersectsOrientedBox({-3.0f, 2.5f}, {3.0f, 2.5f}, turned, nullptr));

    // The loose test reads only the centre and the half extents.
    EXPECT_TRUE(SegmentOverlapsOrientedBox({-3.0f, 0.0f}, {-1.0f, 0.0f}, AxisBox({0, 0}, {1.0f, 1.0f})));
    EXPECT_FALSE(SegmentOverlapsOrientedBox({-3.0f, 0.0f}, {-1.1f, 0.0f}, AxisBox({0, 0}, {1.0f, 1.0f})));
    EXPECT_TRUE(SegmentOverlapsOrientedBox({0.0f, 0.0f}, {0.0f, 0.0f}, AxisBox({0, 0}, {1.0f, 1.0f})));
}

TEST(Segment2, LinesAndSegments)
{
    cVec2f p;
    EXPECT_TRUE(LinesIntersect({0, 0}, {1, 1}, {0, 2}, {1, 1}, &p));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    EXPECT_TRUE(LinesIntersect({0, 0}, {1, 0}, {5, -1}, {5, 1}, &p)); // beyond both segments
    EXPECT_EQ(p, cVec2f(5.0f, 0.0f));
    EXPECT_FALSE(LinesIntersect({0, 0}, {1, 1}, {0, 1}, {2, 3}, &p)); // parallel
    EXPECT_FALSE(LinesIntersect({0, 0}, {1, 0}, {0, 1}, {3, 1}, &p)); // both horizontal
    EXPECT_TRUE(LinesIntersect({0, 0}, {1, 0}, {0, 1}, {1, 2}, nullptr));

    EXPECT_TRUE(SegmentsIntersect({0, 0}, {2, 2}, {0, 2}, {2, 0}, &p));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {1, 1}, {0, 2}, {2, 0}, &p)); // touching at an end: not strict
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {0.9f, 0.9f}, {0, 2}, {2, 0}, &p));
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {2, 0}, {0, 1}, {2, 1}, &p)); // parallel

    // The line y = 1 written as normal (0, 1), distance 1.
    const cPlane2f line{0.0f, 1.0f, 1.0f};
    EXPECT_TRUE(SegmentIntersectsLine({0, 0}, {0, 4}, line, &p));
    EXPECT_EQ(p, cVec2f(0.0f, 1.0f));
    EXPECT_FALSE(SegmentIntersectsLine({0, 2}, {0, 4}, line, &p));
    EXPECT_FALSE(SegmentIntersectsLine({0, 0}, {5, 0.00001f}, line, &p)); // parallel within the tolerance
    EXPECT_EQ(LineDistance2(line, {3, 4}), 3.0f);
    EXPECT_EQ(LineClosestPointUnit(line, {3, 4}), cVec2f(3.0f, 1.0f));
    const cPlane2f scaled{0.0f, 2.0f, 2.0f}; // y = 1 with a normal of length 2
    EXPECT_EQ(LineDistanceScaled(scaled, {3, 4}), 1.5f);
    EXPECT_EQ(LineClosestPoint(scaled, {3, 4}), cVec2f(3.0f, 1.0f));
}

TEST(Segment2, ClosestPointsAndDistances)
{
    cVec2f out;
    const struct
    {
        cVec2f p;
        float t;
        cVec2f closest;
    } cases[] = {
        {{-3, 1}, 0.0f, {0, 0}}, {{1, 5}, 0.25f, {1, 0}}, {{9, -2}, 1.0f, {4, 0}}, {{4, 0}, 1.0f, {4, 0}}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(SegmentClosestPoint({0, 0}, {4, 0}, c.p, out), c.t);
        EXPECT_EQ(out, c.closest);
    }
    EXPECT_EQ(SegmentClosestPoint({2, 2}, {2, 2}, {5, 6}, out), 0.0f); // zero length
    EXPECT_EQ(out, cVec2f(2.0f, 2.0f));
    EXPECT_FLOAT_EQ(SegmentDistanceSquared({0, 0}, {4, 0}, {7, 4}), 25.0f);
    EXPECT_FLOAT_EQ(SegmentDistance({0, 0}, {4, 0}, {7, 4}), 5.0f);
    EXPECT_FLOAT_EQ(LineDistanceSquared({0, 0}, {4, 0}, {7, 4}), 16.0f);
    EXPECT_FLOAT_EQ(LineDistance({0, 0}, {4, 0}, {7, -4}), 4.0f);
    EXPECT_FLOAT_EQ(LineDistanceSquared({1, 1}, {1, 1}, {4, 5}), 25.0f); // a point, no division
    EXPECT_FLOAT_EQ(PointDistance({1, 1}, {4, 5}), 5.0f);
}

TEST(Triangle2, InsideTestsAndClosestPoints)
{
    const cVec2f a(0, 0), b(4, 0), c(0, 4);
    EXPECT_TRUE(PointInTriangle(a, b, c, {1, 1}));
    EXPECT_TRUE(PointInTriangle(a, c, b, {1, 1})); // either winding
    EXPECT_FALSE(PointInTriangle(a, b, c, {3, 3}));
    EXPECT_TRUE(PointInTriangleCCW(a, b, c, {2, 0})); // on an edge
    EXPECT_TRUE(PointInTriangleCCW(a, b, c, {0, 0}));
    EXPECT_FALSE(PointInTriangleCCW(a, c, b, {1, 1})); // clockwise
    EXPECT_FALSE(PointInTriangleCCW(a, b, c, {-0.001f, 1}));

    float u, v, w;
    TriangleBarycentric(a, b, c, {1, 2}, u, v, w);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_FLOAT_EQ(w, 0.25f);

    const struct
    {
        cVec2f p, closest;
    } cases[] = {
        {{-1, -1}, {0, 0}}, {{6, -1}, {4, 0}}, {{-1, 6}, {0, 4}}, {{2, -3}, {2, 0}},
        {{-2, 2}, {0, 2}},  {{3, 3}, {2, 2}},  {{1, 1}, {1, 1}},
    };
    for (const auto& k : cases)
    {
        const cVec2f q = TriangleClosestPoint(a, b, c, k.p);
        EXPECT_NEAR(q.x, k.closest.x, 1e-5f) << k.p.x << "," << k.p.y;
        EXPECT_NEAR(q.y, k.closest.y, 1e-5f) << k.p.x << "," << k.p.y;
    }

    cVec2f q;
    EXPECT_TRUE(CircleIntersectsTriangle({2, -0.5f}, 0.6f, a, b, c, &q));
    EXPECT_EQ(q, cVec2f(2.0f, 0.0f));
    EXPECT_FALSE(CircleIntersectsTriangle({2, -0.5f}, 0.5f, a, b, c, nullptr)); // touching is not enough
}

TEST(Circle2, Separations)
{
    EXPECT_FLOAT_EQ(CircleSeparation2({0, 0}, 1, {5, 0}, 2), 25.0f - 9.0f);
    EXPECT_FLOAT_EQ(CircleSeparation({0, 0}, 1, {5, 0}, 2), 4.0f);
    EXPECT_LT(CircleSeparation2({0, 0}, 3, {5, 0}, 3), 0.0f);
    EXPECT_FLOAT_EQ(PointCircleSeparation2({0, 0}, 2, {3, 4}), 21.0f);
}

TEST(ConvexPolygon, ContainsPoint)
{
    const std::vector<cVec2f> hexagon = {{2, 0}, {1, 1.7f}, {-1, 1.7f}, {-2, 0}, {-1, -1.7f}, {1, -1.7f}};
    // Counter-clockwise in y-up terms: (2,0) -> (1,1.7) turns left.
    const struct
    {
        cVec2f p;
        bool inside;
    } cases[] = {
        {{0, 0}, true},      {{1.5f, 0.5f}, true},  {{-1.9f, 0.05f}, true}, {{0, 1.6f}, true},  {{0, -1.6f}, true},
        {{1.9f, 1.0f}, false}, {{0, 1.8f}, false}, {{-2.1f, 0}, false},     {{3, 0}, false},    {{0, -5}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvexPolygonContainsPoint(hexagon, c.p), c.inside) << c.p.x << "," << c.p.y;
    EXPECT_FALSE(ConvexPolygonContainsPoint(std::vector<cVec2f>{{0, 0}, {1, 0}}, {0.5f, 0}));
    EXPECT_FALSE(ConvexPolygonContainsPoint(std::vector<cVec2f>{}, {0, 0}));
}

TEST(ConvexZone, ClipAndDistance)
{
    const std::vector<cVec2f> square = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    const cPolygonZone zone(square);
    cVec2f entry;
    EXPECT_TRUE(ConvexZoneSegmentClip(zone, {-1, 1}, {3, 1}, &entry));
    EXPECT_NEAR(entry.x, 0.0f, 1e-3f);
    EXPECT_NEAR(entry.y, 1.0f, 1e-3f);
    EXPECT_TRUE(ConvexZoneSegmentClip(zone, {1, 1}, {1.5f, 1.5f}, &entry)); // starts inside
    EXPECT_EQ(entry, cVec2f(1.0f, 1.0f));
    EXPECT_FALSE(ConvexZoneSegmentClip(zone, {-1, 3}, {3, 3}, &entry));  // parallel outside
    EXPECT_FALSE(ConvexZoneSegmentClip(zone, {-3, 1}, {-1, 1}, nullptr)); // stops short

    EXPECT_EQ(ConvexZoneDistance(zone, {1, 1}), 0.0f);
    EXPECT_NEAR(ConvexZoneDistance(zone, {5, 1}), 3.0f, 0.01f);
    EXPECT_NEAR(ConvexZoneDistance(zone, {1, -2}), 2.0f, 0.01f);

    cPlacedZone placed;
    placed.centre = cVec2f(10.0f, 0.0f);
    placed.axisX = cVec2f(0.0f, 1.0f); // a quarter turn
    placed.axisY = cVec2f(-1.0f, 0.0f);
    placed.zone = &zone;
    // World (10, 5) is local (5, 0): 3 beyond the right edge.
    EXPECT_NEAR(PlacedZoneDistance(placed, {10.0f, 5.0f}), 3.0f, 0.01f);
    EXPECT_EQ(PlacedZoneDistance(placed, {9.0f, 1.0f}), 0.0f);
    placed.zone = nullptr;
    EXPECT_EQ(PlacedZoneDistance(placed, {10.0f, 5.0f}), 0.0f);
}
