// Polygon zones: closed 2D polygons, possibly concave, prepared for fast point tests.
//
// A zone keeps its vertices, one edge line (cPlane2f) per polygon edge, and a tree of
// edge lines with two children per node. ContainsPoint rejects by the bounding box, then
// walks the tree: the front side of a line goes to the front child (null: outside), the
// back side and points within the tolerance of the line go to the back child (null:
// inside).
//
// Winding: the normal of an edge a->b is (b.y - a.y, -(b.x - a.x)). For a polygon that is
// counter-clockwise with the y axis up the normals point outwards and interior points are
// inside; for the opposite order the tree answers true for the points of the bounding box
// that are outside the polygon. The zone neither tests nor corrects the order: level data
// gives it, and the answers follow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "KelpoBase/core/Vec2.h"

// The tolerance of the side tests (the float nearest 1e-5).
inline constexpr float kPlane2Epsilon = 1e-5f;

// A line written as a plane record: a point p lies on it when nx*px + ny*py = distance.
struct cPlane2f
{
    float nx = 0.0f;
    float ny = 0.0f;
    float distance = 0.0f;

    // nx*px + ny*py - distance, in single precision; positive is the front side.
    float SignedDistance(const cVec2f& p) const { return (nx * p.x + ny * p.y) - distance; }
};

// The edge line of a->b: normal (dy, -dx) scaled by the fast inverse square root (unit
// length within about 0.2 %), distance = normal.a. A zero-length edge gives the normal
// (0, 0) and distance 0.
cPlane2f PlaneFromPoints2(const cVec2f& a, const cVec2f& b);
// -1 behind (below -1e-5), +1 in front (above +1e-5), 0 on the line.
int ClassifyPointPlane2(const cPlane2f& plane, const cVec2f& point);
// The point where the segment a->b meets the line (written when out is not null). The
// denominator is not tested: callers pass end points on strictly opposite sides. Always true.
bool IntersectSegmentPlane2(const cPlane2f& plane, const cVec2f& a, const cVec2f& b, cVec2f* out);

// One edge of the polygon, or a fragment of one left by a split.
struct ZoneEdge
{
    int32_t plane = 0; // index into the zone's planes
    int32_t start = 0; // index into the zone's vertices
    int32_t end = 0;
};

// A node of the plane tree.
struct ZoneNode
{
    ZoneEdge* splitter = nullptr;
    ZoneNode* front = nullptr; // null: outside
    ZoneNode* back = nullptr;  // null: inside
};

class cPolygonZone
{
public:
    cPolygonZone() = default;
    // The live way to make a zone: each vertex becomes (v + offset) * scale.
    cPolygonZone(std::span<const cVec2f> source, const cVec2f& offset, float scale) { Build(source, offset, scale); }
    cPolygonZone(std::span<const cVec2f> source, const cVec2f& offset) { Build(source, offset); }
    explicit cPolygonZone(std::span<const cVec2f> source) { Build(source); }
    cPolygonZone(const cPolygonZone&) = delete;
    cPolygonZone& operator=(const cPolygonZone&) = delete;
    ~cPolygonZone();

    void Build(std::span<const cVec2f> source, const cVec2f& offset, float scale);
    void Build(std::span<const cVec2f> source, const cVec2f& offset);
    void Build(std::span<const cVec2f> source);
    // Replaces the vertices (plus the offset where given) and rebuilds.
    void SetVertices(std::span<const cVec2f> points, const cVec2f& offset) { Build(points, offset); }
    void SetVertices(std::span<const cVec2f> points) { Build(points); }
    // Planes, tree and bounds again from the polygon's own vertices (crossing points that
    // an earlier build appended are dropped first).
    void Rebuild();
    // All lists empty, no tree, the empty box.
    void Clear();

    bool ContainsPoint(const cVec2f& p) const;

    // The polygon's own vertices are the first PolygonVertexCount() entries of vertices;
    // building appends the crossing points of split edges after them.
    size_t PolygonVertexCount() const noexcept { return polygonVertexCount; }
    // Depth of the plane tree (0 without a tree).
    size_t TreeDepth() const;
    size_t NodeCount() const;

    std::vector<cVec2f> vertices;
    std::vector<cPlane2f> planes;
    std::vector<ZoneEdge*> edges; // owned
    ZoneNode* root = nullptr;     // owned
    cRect2f bounds{kFloatMax, kFloatMax, -kFloatMax, -kFloatMax};

private:
    void BuildEdgePlanes();
    void BuildTree();
    void SplitNode(ZoneNode* node, std::vector<ZoneEdge*>& list);
    void ComputeBounds();
    ZoneEdge* NewEdge(int32_t plane, int32_t start, int32_t end);
    void FreeTreeAndEdges();

    size_t polygonVertexCount = 0;
};
