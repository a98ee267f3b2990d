// The 2D geometry kit: the axis-aligned box cAABox2f, the oriented box cOBox2f, and free
// functions that test and measure points, segments, lines, circles, triangles, boxes and
// convex polygons. All values are 32-bit floats; nothing allocates or keeps state.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "KelpoBase/core/PolygonZone.h"
#include "KelpoBase/core/Vec2.h"

// An axis-aligned rectangle: minX, minY, maxX, maxY (the engine's one rectangle type).
using cAABox2f = cRect2f;

// An oriented rectangle. A point p is in the box's frame at u = (p - centre).axisX,
// v = (p - centre).axisY. The axes are expected to be unit length and perpendicular;
// nothing checks or renormalises them. Corner k (0 ... 3) has the signs (-,-), (+,-),
// (+,+), (-,+) on (halfExtents.x along axisX, halfExtents.y along axisY).
struct cOBox2f
{
    cVec2f centre;
    cVec2f axisX{1.0f, 0.0f};
    cVec2f axisY{0.0f, 1.0f};
    cVec2f halfExtents;

    // Centre of the rectangle, identity axes, half its size.
    static cOBox2f FromRect(const cAABox2f& rect);
    // axisX = (cos a, sin a), axisY = (-sin a, cos a).
    static cOBox2f FromCentreAngle(const cVec2f& centre, const cVec2f& halfExtents, float angle);

    // Corner k relative to the centre; k outside 0 ... 3 is an assertion failure.
    cVec2f GetCornerOffset(int k) const;
    cVec2f GetCorner(int k) const { return centre + GetCornerOffset(k); }

    // The point in the box's frame, and back.
    cVec2f ToLocal(const cVec2f& p) const;
    cVec2f ToWorld(const cVec2f& local) const { return centre + axisX * local.x + axisY * local.y; }

    // -hx <= u <= hx and -hy <= v <= hy, edges included.
    bool ContainsPoint(const cVec2f& p) const;
    // Grows the box along its own axes to contain p (the axes stay).
    void ExtendByPoint(const cVec2f& p);
    void ExtendByRect(const cAABox2f& rect);
    void ExtendByBox(const cOBox2f& other);
};

// The name other parts of the engine use for the same box.
using cOrientedBox = cOBox2f;

// Rectangles.
cAABox2f RectFromOrientedBox(const cOBox2f& box);
void RectExtendByOrientedBox(cAABox2f& rect, const cOBox2f& box);
cAABox2f Rect2FromCentre(const cVec2f& centre, float halfWidth, float halfHeight);
void Rect2ExtendByPoint(cAABox2f& rect, const cVec2f& p);
// The empty box: min at +3.4028235e38, max at -3.4028235e38.
void Rect2Reset(cAABox2f& rect);
inline cAABox2f Rect2Empty()
{
    cAABox2f rect;
    Rect2Reset(rect);
    return rect;
}
// Each coordinate truncated toward zero (out of range or NaN: the most negative integer).
std::array<int32_t, 4> Rect2ToInt(const cAABox2f& rect);

// Separating-axis tests; touching counts as overlap.
bool OrientedBoxesOverlap(const cOBox2f& a, const cOBox2f& b);
bool OrientedBoxOverlapsRect(const cOBox2f& box, const cAABox2f& rect);
// Squared distance from the point to the box, 0 inside or on it.
float OrientedBoxDistanceSquared(const cVec2f& p, const cOBox2f& box);
float OrientedBoxDistance(const cVec2f& p, const cOBox2f& box);

// Points and rectangles.
bool PointInRect(const cVec2f& p, const cAABox2f& rect); // edges included
inline bool PointInRect(const cAABox2f& rect, const cVec2f& p) { return PointInRect(p, rect); }
float RectDistanceSquared(const cAABox2f& rect, const cVec2f& p);
cVec2f RectClampPoint(const cAABox2f& rect, const cVec2f& p);
// The segment's own axis-aligned box overlaps the rect.
bool RectOverlapsSegmentBox(const cAABox2f& rect, const cVec2f& a, const cVec2f& b);
// Slab clipping; writes the entry point when out is not null.
bool SegmentIntersectsRect(const cVec2f& a, const cVec2f& b, const cAABox2f& rect, cVec2f* out);
bool SegmentIntersectsOrientedBox(const cVec2f& a, const cVec2f& b, const cOBox2f& box, cVec2f* out);
// The box taken with its centre and half extents only (its axes are not read).
bool SegmentOverlapsOrientedBox(const cVec2f& a, const cVec2f& b, const cOBox2f& box);

// Lines and segments.
// The crossing of the two infinite lines; false when they are parallel.
bool LinesIntersect(const cVec2f& a0, const cVec2f& a1, const cVec2f& b0, const cVec2f& b1, cVec2f* out);
// True only for a proper crossing (each segment's ends strictly on opposite sides of the other).
bool SegmentsIntersect(const cVec2f& a0, const cVec2f& a1, const cVec2f& b0, const cVec2f& b1, cVec2f* out);
bool SegmentIntersectsLine(const cVec2f& a, const cVec2f& b, const cPlane2f& line, cVec2f* out);
// Returns t in [0, 1]; out = a + t (b - a).
float SegmentClosestPoint(const cVec2f& a, const cVec2f& b, const cVec2f& p, cVec2f& out);
float SegmentDistanceSquared(const cVec2f& a, const cVec2f& b, const cVec2f& p);
float SegmentDistance(const cVec2f& a, const cVec2f& b, const cVec2f& p);
// Distance to the infinite line through a and b (to a itself when a = b).
float LineDistanceSquared(const cVec2f& a, const cVec2f& b, const cVec2f& p);
float LineDistance(const cVec2f& a, const cVec2f& b, const cVec2f& p);
float LineDistance2(const cPlane2f& line, const cVec2f& p);      // n.p - distance
float LineDistanceScaled(const cPlane2f& line, const cVec2f& p); // (n.p - distance) / |n|^2
cVec2f LineClosestPoint(const cPlane2f& line, const cVec2f& p);
cVec2f LineClosestPointUnit(const cPlane2f& line, const cVec2f& p);

// Triangles.
bool PointInTriangle(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p);    // either winding
bool PointInTriangleCCW(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p); // edges included
void TriangleBarycentric(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p, float& u, float& v,
                         float& w);
cVec2f TriangleClosestPoint(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p);

// Circles.
bool CircleIntersectsTriangle(const cVec2f& centre, float radius, const cVec2f& a, const cVec2f& b, const cVec2f& c,
                              cVec2f* out);
float CircleSeparation2(const cVec2f& c1, float r1, const cVec2f& c2, float r2);
float CircleSeparation(const cVec2f& c1, float r1, const cVec2f& c2, float r2);
float PointCircleSeparation2(const cVec2f& c, float r, const cVec2f& p);
float PointDistance(const cVec2f& a, const cVec2f& b);

// Convex polygons and zones.
// Counter-clockwise vertex list; false for fewer than 3 vertices.
bool ConvexPolygonContainsPoint(std::span<const cVec2f> vertices, const cVec2f& p);
bool ConvexZoneSegmentClip(const cPolygonZone& zone, const cVec2f& a, const cVec2f& b, cVec2f* out);
// The largest positive signed distance to the zone's edge planes, 0 behind all of them.
float ConvexZoneDistance(const cPolygonZone& zone, const cVec2f& p);

// A zone placed in the world: centre and axes of its frame.
struct cPlacedZone
{
    cVec2f centre;
    cVec2f axisX{1.0f, 0.0f};
    cVec2f axisY{0.0f, 1.0f};
    const cPolygonZone* zone = nullptr;
};
float PlacedZoneDistance(const cPlacedZone& placed, const cVec2f& p);
