#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "KelpoBase/core/PolygonZone.h"

namespace
{
using Points = std::vector<cVec2f>;

const Points kSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Even-odd crossing test, the reference for simple polygons.
bool CrossingInside(const Points& poly, const cVec2f& p)
{
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    {
        const cVec2f& a = poly[i];
        const cVec2f& b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

float EdgeDistance(const Points& poly, const cVec2f& p)
{
    float best = std::numeric_limits<float>::max();
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    {
        const cVec2f ab = poly[i] - poly[j];
        float t = (p - poly[j]).Dot(ab) / ab.LengthSquared();
        t = std::fmin(1.0f, std::fmax(0.0f, t));
        best = std::fmin(best, (p - (poly[j] + ab * t)).Length());
    }
    return best;
}
} // namespace

TEST(Plane2, FromPointsClassifyAndIntersect)
{
    const cPlane2f plane = PlaneFromPoints2({0, 0}, {1, 0});
    EXPECT_EQ(plane.nx, 0.0f);
    EXPECT_NEAR(plane.ny, -1.0f, 0.002f); // the fast inverse square root
    EXPECT_EQ(plane.distance, 0.0f);
    const cPlane2f zero = PlaneFromPoints2({3, 4}, {3, 4});
    EXPECT_EQ(zero.nx, 0.0f);
    EXPECT_EQ(zero.ny, 0.0f);
    EXPECT_EQ(zero.distance, 0.0f);

    const cPlane2f y0{0.0f, 1.0f, 0.0f};
    const float eps = 1e-5f;
    const struct
    {
        float y;
        int side;
    } cases[] = {{2.0f, 1}, {-2.0f, -1}, {0.0f, 0}, {eps, 0}, {-eps, 0},
                 {std::nextafter(eps, 1.0f), 1}, {-std::nextafter(eps, 1.0f), -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyPointPlane2(y0, {5.0f, c.y}), c.side) << c.y;

    cVec2f hit;
    EXPECT_TRUE(IntersectSegmentPlane2(cPlane2f{1.0f, 0.0f, 2.0f}, {0, 0}, {4, 2}, &hit));
    EXPECT_EQ(hit, cVec2f(2.0f, 1.0f));
    EXPECT_TRUE(IntersectSegmentPlane2(cPlane2f{1.0f, 0.0f, 2.0f}, {0, 0}, {4, 2}, nullptr));
}

TEST(PolygonZone, SquareTreeAndPoints)
{
    const cPolygonZone zone(kSquare);
    ASSERT_NE(zone.root, nullptr);
    EXPECT_EQ(zone.planes.size(), 4u);
    EXPECT_EQ(zone.root->splitter->start, 0);
    EXPECT_EQ(zone.root->splitter->end, 1);
    EXPECT_EQ(zone.root->front, nullptr);
    // The other three edges form the back chain.
    EXPECT_EQ(zone.TreeDepth(), 4u);
    EXPECT_EQ(zone.NodeCount(), 4u);
    EXPECT_EQ(zone.vertices.size(), 4u); // nothing split
    EXPECT_EQ(zone.bounds, (cRect2f{0, 0, 1, 1}));

    const struct
    {
        cVec2f p;
        bool inside;
    } cases[] = {
        {{0.5f, 0.5f}, true},  {{0.5f, -0.5f}, false},   {{1.0f, 0.5f}, true}, {{1.00001f, 0.5f}, false},
        {{0.0f, 0.0f}, true},  {{1.0f, 1.0f}, true},     {{-0.5f, 0.5f}, false},
        {{std::numeric_limits<float>::quiet_NaN(), 0.5f}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zone.ContainsPoint(c.p), c.inside) << c.p.x << "," << c.p.y;
}

TEST(PolygonZone, ClockwiseOrderInvertsTheAnswer)
{
    const cPolygonZone zone(Points{{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    EXPECT_FALSE(zone.ContainsPoint({0.5f, 0.5f}));
    // Boundary points still count.
    EXPECT_TRUE(zone.ContainsPoint({0.0f, 0.5f}));

    // A clockwise triangle: points of its box outside the triangle come out inside.
    const cPolygonZone triangle(Points{{0, 0}, {0, 4}, {4, 0}});
    EXPECT_TRUE(triangle.ContainsPoint({3.5f, 3.5f}));
    EXPECT_FALSE(triangle.ContainsPoint({1.0f, 1.0f}));
}

TEST(PolygonZone, ToleranceAroundEdges)
{
    // Counter-clockwise triangle with a slanted edge inside the bounding box.
    const cPolygonZone zone(Points{{0, 0}, {4, 0}, {0, 4}});
    EXPECT_TRUE(zone.ContainsPoint({1, 1}));
    EXPECT_TRUE(zone.ContainsPoint({2, 2}));                     // on the slanted edge
    EXPECT_TRUE(zone.ContainsPoint({2.000005f, 2.000005f}));     // beyond it, within the tolerance
    EXPECT_FALSE(zone.ContainsPoint({2.0001f, 2.0001f}));        // beyond the tolerance
    EXPECT_FALSE(zone.ContainsPoint({3.5f, 3.5f}));
}

TEST(PolygonZone, ConcavePolygonGetsCrossingPoints)
{
    // A "U": the edges of the inner notch cross the line of the bottom's neighbours.
    const Points u = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    const cPolygonZone zone(u);
    EXPECT_EQ(zone.planes.size(), u.size());
    EXPECT_GT(zone.vertices.size(), u.size());
    EXPECT_EQ(zone.PolygonVertexCount(), u.size());
    for (const ZoneEdge* e : zone.edges)
    {
        EXPECT_GE(e->plane, 0);
        EXPECT_LT(e->plane, int32_t(u.size()));
        EXPECT_LT(e->start, int32_t(zone.vertices.size()));
        EXPECT_LT(e->end, int32_t(zone.vertices.size()));
    }
    EXPECT_TRUE(zone.ContainsPoint({0.5f, 2.5f}));
    EXPECT_TRUE(zone.ContainsPoint({2.5f, 2.5f}));
    EXPECT_TRUE(zone.ContainsPoint({1.5f, 0.5f}));
    EXPECT_FALSE(zone.ContainsPoint({1.5f, 2.0f})); // in the notch
}

TEST(PolygonZone, EdgesOnTheSplitterLineAreDropped)
{
    // Edges 0 (0,0)->(2,0) and 2 (3,0)->(1,0)... an outline whose bottom runs along the
    // root's line in both directions: neither child list holds them.
    const Points shape = {{0, 0}, {2, 0}, {2, 1}, {3, 1}, {3, 0}, {4, 0}, {4, 2}, {0, 2}};
    const cPolygonZone zone(shape);
    ASSERT_NE(zone.root, nullptr);
    // Edge 4 ((3,0)->(4,0)) lies on the root's line: it is in no node of the tree.
    std::vector<const ZoneNode*> stack = {zone.root};
    while (!stack.empty())
    {
        const ZoneNode* node = stack.back();
        stack.pop_back();
        EXPECT_NE(node->splitter->plane, 4);
        if (node->front)
            stack.push_back(node->front);
        if (node->back)
            stack.push_back(node->back);
    }
    EXPECT_TRUE(zone.ContainsPoint({1, 1}));
    EXPECT_TRUE(zone.ContainsPoint({3.5f, 0.5f}));
    EXPECT_FALSE(zone.ContainsPoint({2.5f, 0.5f})); // the notch
}

TEST(PolygonZone, AgreesWithCrossingTestOnRandomStars)
{
    std::mt19937 random(9);
    std::uniform_real_distribution<float> radius(0.3f, 3.0f), coordinate(-3.2f, 3.2f);
    for (int shape = 0; shape < 20; ++shape)
    {
        const int n = 5 + shape * 3;
        Points star;
        for (int i = 0; i < n; ++i)
        {
            const float angle = 6.2831853f * float(i) / float(n);
            const float r = radius(random);
            star.emplace_back(r * std::cos(angle), r * std::sin(angle));
        }
        const cPolygonZone zone(star);
        EXPECT_EQ(zone.planes.size(), size_t(n));
        for (int i = 0; i < 300; ++i)
        {
            const cVec2f p(coordinate(random), coordinate(random));
            if (EdgeDistance(star, p) < 1e-3f)
                continue;
            EXPECT_EQ(zone.ContainsPoint(p), CrossingInside(star, p)) << "shape " << shape << " at " << p.x << "," << p.y;
        }
    }
}

TEST(PolygonZone, BuildAppliesOffsetThenScale)
{
    const cPolygonZone zone(kSquare, cVec2f(32.0f, 64.0f), 0.03125f);
    EXPECT_EQ(zone.vertices[0], cVec2f(1.0f, 2.0f));
    EXPECT_EQ(zone.vertices[2], cVec2f(33.0f * 0.03125f, 65.0f * 0.03125f));
    EXPECT_TRUE(zone.ContainsPoint({1.01f, 2.01f}));
    EXPECT_FALSE(zone.ContainsPoint({0.5f, 0.5f}));

    const cPolygonZone moved(kSquare, cVec2f(10.0f, 0.0f));
    EXPECT_TRUE(moved.ContainsPoint({10.5f, 0.5f}));
    EXPECT_FALSE(moved.ContainsPoint({0.5f, 0.5f}));
}

TEST(PolygonZone, RebuildAndSetVertices)
{
    const Points u = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    cPolygonZone zone(u);
    const size_t builtVertices = zone.vertices.size();
    const size_t builtEdges = zone.edges.size();
    zone.Rebuild();
    EXPECT_EQ(zone.vertices.size(), builtVertices); // crossing points not piled up
    EXPECT_EQ(zone.edges.size(), builtEdges);
    EXPECT_EQ(zone.planes.size(), u.size());
    EXPECT_FALSE(zone.ContainsPoint({1.5f, 2.0f}));

    zone.SetVertices(kSquare, cVec2f(5.0f, 5.0f));
    EXPECT_EQ(zone.planes.size(), 4u);
    EXPECT_TRUE(zone.ContainsPoint({5.5f, 5.5f}));
    EXPECT_FALSE(zone.ContainsPoint({1.5f, 0.5f}));
    zone.SetVertices(kSquare);
    EXPECT_TRUE(zone.ContainsPoint({0.5f, 0.5f}));

    zone.Clear();
    EXPECT_EQ(zone.root, nullptr);
    EXPECT_TRUE(zone.vertices.empty());
    EXPECT_TRUE(zone.planes.empty());
    EXPECT_TRUE(zone.edges.empty());
    EXPECT_FALSE(zone.ContainsPoint({0.5f, 0.5f}));
}

TEST(PolygonZone, EmptyAndTinyZonesAnswerFalse)
{
    const cPolygonZone none;
    EXPECT_EQ(none.root, nullptr);
    EXPECT_FALSE(none.ContainsPoint({0, 0}));
    const cPolygonZone empty(Points{});
    EXPECT_FALSE(empty.ContainsPoint({0, 0}));
    EXPECT_EQ(empty.bounds.minX, kFloatMax);
    const cPolygonZone single(Points{{1, 1}});
    EXPECT_EQ(single.planes.size(), 1u);
    EXPECT_EQ(single.root, nullptr); // its only edge has no length
    EXPECT_FALSE(single.ContainsPoint({1, 1}));
}

TEST(PolygonZone, RepeatedVerticesDoNotSwallowTheTree)
{
    // An L shape, counter-clockwise; the notch is the square (1..2, 1..2).
    const Points plain = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    const Points repeatedFirst = {{0, 0}, {0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    const Points closed = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 1}, {1, 2}, {0, 2}, {0, 0}};
    for (const Points* shape : {&plain, &repeatedFirst, &closed})
    {
        const cPolygonZone zone(*shape);
        EXPECT_EQ(zone.planes.size(), shape->size());
        EXPECT_TRUE(zone.ContainsPoint({0.5f, 0.5f}));
        EXPECT_TRUE(zone.ContainsPoint({1.5f, 0.5f}));
        EXPECT_TRUE(zone.ContainsPoint({0.5f, 1.5f}));
        EXPECT_FALSE(zone.ContainsPoint({1.5f, 1.5f})) << shape->size();
    }
}

TEST(PolygonZone, DegenerateOutlinesBuild)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Points cases[] = {
        {{0, 0}, {1, 1}, {2, 2}, {3, 3}},     // collinear
        {{1, 1}, {1, 1}, {1, 1}},             // one point repeated
        {{0, 0}, {1, 0}},                     // two points
        {{0, 0}, {nan, 0}, {1, 1}, {0, 1}},   // NaN coordinate
        {{0, 0}, {2, 2}, {2, 0}, {0, 2}},     // bow-tie
        {{0, 0}, {1e-30f, 0}, {0, 1e-30f}},   // tiny
    };
    for (const Points& p : cases)
    {
        cPolygonZone zone(p);
        EXPECT_EQ(zone.planes.size(), p.size());
        for (const ZoneEdge* e : zone.edges)
        {
            EXPECT_LT(e->start, int32_t(zone.vertices.size()));
            EXPECT_LT(e->end, int32_t(zone.vertices.size()));
        }
        zone.ContainsPoint({0.5f, 0.5f});
        zone.ContainsPoint({nan, nan});
        zone.Rebuild();
    }
}

TEST(PolygonZone, LongOutlineBuildsWithoutDeepRecursion)
{
    // A convex outline makes one long back chain: one tree level per edge.
    constexpr int kCount = 4000;
    Points circle;
    for (int i = 0; i < kCount; ++i)
    {
        const double angle = 6.283185307179586 * i / kCount;
        circle.emplace_back(float(1000.0 * std::cos(angle)), float(1000.0 * std::sin(angle)));
    }
    const cPolygonZone zone(circle);
    EXPECT_EQ(zone.TreeDepth(), size_t(kCount));
    EXPECT_TRUE(zone.ContainsPoint({0, 0}));
    EXPECT_TRUE(zone.ContainsPoint({700, 700}));
    EXPECT_FALSE(zone.ContainsPoint({720, 720}));
}
