#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "KelpoBase/core/Triangulate.h"

namespace
{
using Points = std::vector<cVec2f>;
using Indices = std::vector<int32_t>;

float TriangleArea(const Points& p, int32_t a, int32_t b, int32_t c)
{
    return 0.5f * ((p[b].x - p[a].x) * (p[c].y - p[a].y) - (p[b].y - p[a].y) * (p[c].x - p[a].x));
}

// Every triple is in range and counter-clockwise; returns the summed area.
float CheckTriangles(const Points& p, const Indices& out)
{
    EXPECT_EQ(out.size() % 3, 0u);
    float sum = 0.0f;
    for (size_t i = 0; i + 2 < out.size(); i += 3)
    {
        for (size_t k = 0; k < 3; ++k)
        {
            EXPECT_GE(out[i + k], 0);
            EXPECT_LT(out[i + k], int32_t(p.size()));
        }
        const float area = TriangleArea(p, out[i], out[i + 1], out[i + 2]);
        EXPECT_GT(area, 0.0f) << "triangle " << i / 3;
        sum += area;
    }
    return sum;
}
} // namespace

TEST(Triangulate, CounterClockwiseSquare)
{
    const Points square = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    Indices out;
    EXPECT_TRUE(TriangulatePolygon(square, out));
    EXPECT_EQ(out, (Indices{3, 0, 1, 1, 2, 3}));
    EXPECT_FLOAT_EQ(PolygonSignedArea(square), 1.0f);
}

TEST(Triangulate, ClockwiseSquareIsWalkedInReverse)
{
    const Points square = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    Indices out;
    EXPECT_TRUE(TriangulatePolygon(square, out));
    EXPECT_EQ(out, (Indices{0, 3, 2, 2, 1, 0}));
    EXPECT_FLOAT_EQ(CheckTriangles(square, out), 1.0f);
    EXPECT_FLOAT_EQ(PolygonSignedArea(square), -1.0f);
}

TEST(Triangulate, SmallInputs)
{
    Indices out = {42};
    EXPECT_TRUE(TriangulatePolygon(Points{{0, 0}, {2, 0}, {0, 2}}, out));
    EXPECT_EQ(out, (Indices{42, 2, 0, 1})); // appended, never cleared

    Indices untouched = {7, 8};
    EXPECT_FALSE(TriangulatePolygon(Points{{0, 0}, {1, 0}}, untouched));
    EXPECT_FALSE(TriangulatePolygon(Points{}, untouched));
    EXPECT_EQ(untouched, (Indices{7, 8}));
}

TEST(Triangulate, StraightVertexIsCutOnlyAfterANeighbour)
{
    // Vertex 1 lies on the line from vertex 0 to vertex 2.
    const Points shape = {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}};
    Indices out;
    EXPECT_TRUE(TriangulatePolygon(shape, out));
    EXPECT_EQ(out.size(), 9u);
    EXPECT_FLOAT_EQ(CheckTriangles(shape, out), 4.0f);
    // The first cut is not the straight corner (0, 1, 2).
    ASSERT_GE(out.size(), 3u);
    EXPECT_NE(out[1], 1);
}

TEST(Triangulate, ConcavePolygon)
{
    // A "U" shape, counter-clockwise.
    const Points u = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    Indices out;
    EXPECT_TRUE(TriangulatePolygon(u, out));
    EXPECT_EQ(out.size(), 3u * 6u);
    EXPECT_FLOAT_EQ(CheckTriangles(u, out), 7.0f);
}

TEST(Triangulate, StarShapedPolygons)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> radius(0.5f, 2.0f);
    for (int n : {5, 17, 64, 200})
    {
        Points star;
        for (int i = 0; i < n; ++i)
        {
            const float angle = 6.2831853f * float(i) / float(n);
            const float r = radius(random);
            star.emplace_back(r * std::cos(angle), r * std::sin(angle));
        }
        Indices out;
        EXPECT_TRUE(TriangulatePolygon(star, out)) << n;
        EXPECT_EQ(out.size(), size_t(3 * (n - 2))) << n;
        EXPECT_NEAR(CheckTriangles(star, out), PolygonSignedArea(star), 1e-3f) << n;
    }
}

TEST(Triangulate, BowTieStalls)
{
    const Points bowTie = {{0, 0}, {1, 1}, {1, 0}, {0, 1}};
    Indices out;
    EXPECT_FALSE(TriangulatePolygon(bowTie, out));
    EXPECT_EQ(out.size() % 3, 0u);
    EXPECT_LE(out.size(), 6u);
}

TEST(Triangulate, DegenerateInputsEndWithoutFault)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Points cases[] = {
        {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}},                 // collinear
        {{1, 1}, {1, 1}, {1, 1}, {1, 1}},                         // one point repeated
        {{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}},                 // repeated vertex
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}},                 // closing point repeated
        {{0, 0}, {nan, 0}, {1, 1}, {0, 1}},                       // NaN coordinate
        {{0, 0}, {inf, 0}, {1, 1}, {-inf, 1}},                    // infinities
        {{0, 0}, {2, 0}, {0, 2}, {2, 2}, {1, -1}, {1, 3}},        // self-intersecting
        {{0, 0}, {1e-20f, 0}, {0, 1e-20f}},                        // too thin
        {{0, 0}, {3.0e38f, 0}, {3.0e38f, 3.0e38f}, {0, 3.0e38f}}, // overflowing area
    };
    for (const Points& p : cases)
    {
        Indices out;
        TriangulatePolygon(p, out);
        EXPECT_EQ(out.size() % 3, 0u);
        EXPECT_LE(out.size(), 3 * (p.size() - 2));
        for (int32_t index : out)
        {
            EXPECT_GE(index, 0);
            EXPECT_LT(index, int32_t(p.size()));
        }
    }
}

TEST(Triangulate, EarTestHelpers)
{
    const cVec2f a(0, 0), b(2, 0), c(0, 2);
    EXPECT_TRUE(PointInTriangleInclusive(a, b, c, {0.5f, 0.5f}));
    EXPECT_TRUE(PointInTriangleInclusive(a, b, c, {1, 0})); // on an edge
    EXPECT_TRUE(PointInTriangleInclusive(a, b, c, {0, 2})); // a corner
    EXPECT_FALSE(PointInTriangleInclusive(a, b, c, {1.5f, 1.5f}));
    EXPECT_FALSE(PointInTriangleInclusive(a, c, b, {0.5f, 0.5f})); // clockwise triangle
    EXPECT_EQ(PolygonSignedArea(), 0.0f);                          // no call in progress
}
