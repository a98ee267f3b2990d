#include "KelpoBase/core/Shape2D.h"

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/FastMath.h"

namespace
{
// The corner signs, in corner order.
constexpr float kCornerSignX[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
constexpr float kCornerSignY[4] = {-1.0f, -1.0f, 1.0f, 1.0f};

// One excess of a coordinate beyond [-h, h].
float Excess(float value, float h)
{
    if (value < -h)
        return value + h;
    if (value > h)
        return value - h;
    return 0.0f;
}

float Cross(const cVec2f& a, const cVec2f& b)
{
    return a.x * b.y - a.y * b.x;
}

// Twice the signed area of a, b, c (positive counter-clockwise with y up).
float SignedArea2(const cVec2f& a, const cVec2f& b, const cVec2f& c)
{
    return (a.x - c.x) * (b.y - c.y) - (a.y - c.y) * (b.x - c.x);
}

// The separating-axis test of b against a frame with axes (Xa, Ya) and half extents ha,
// given the components R of b's axes in that frame and the centre offset (tx, ty).
bool BoxFramesOverlap(const cVec2f& ha, const cVec2f& hb, float r00, float r01, float r10, float r11, float tx,
                      float ty)
{
    const float a00 = std::fabs(r00), a01 = std::fabs(r01), a10 = std::fabs(r10), a11 = std::fabs(r11);
    if (std::fabs(tx) > ha.x + hb.x * a00 + hb.y * a01)
        return false;
    if (std::fabs(ty) > ha.y + hb.x * a10 + hb.y * a11)
        return false;
    if (std::fabs(tx * r00 + ty * r10) > hb.x + ha.x * a00 + ha.y * a10)
        return false;
    if (std::fabs(tx * r01 + ty * r11) > hb.y + ha.x * a01 + ha.y * a11)
        return false;
    return true;
}
} // namespace

// ---- cOBox2f ----

cOBox2f cOBox2f::FromRect(const cAABox2f& rect)
{
    cOBox2f box;
    box.centre = cVec2f((rect.minX + rect.maxX) / 2.0f, (rect.minY + rect.maxY) / 2.0f);
    box.axisX = cVec2f(1.0f, 0.0f);
    box.axisY = cVec2f(0.0f, 1.0f);
    box.halfExtents = cVec2f((rect.maxX - rect.minX) * 0.5f, (rect.maxY - rect.minY) * 0.5f);
    return box;
}

cOBox2f cOBox2f::FromCentreAngle(const cVec2f& centre, const cVec2f& halfExtents, float angle)
{
    cOBox2f box;
    const float c = CosF(angle), s = SinF(angle);
    box.centre = centre;
    box.axisX = cVec2f(c, s);
    box.axisY = cVec2f(-s, c);
    box.halfExtents = halfExtents;
    return box;
}

cVec2f cOBox2f::GetCornerOffset(int k) const
{
    if (!(k >= 0))
        ReportRuntimeAssertion("c>=0", __FILE__, __LINE__);
    if (!(k < 4))
        ReportRuntimeAssertion("c<4", __FILE__, __LINE__);
    return axisX * (kCornerSignX[k] * halfExtents.x) + axisY * (kCornerSignY[k] * halfExtents.y);
}

cVec2f cOBox2f::ToLocal(const cVec2f& p) const
{
    const cVec2f d = p - centre;
    return cVec2f(d.Dot(axisX), d.Dot(axisY));
}

bool cOBox2f::ContainsPoint(const cVec2f& p) const
{
    const cVec2f local = ToLocal(p);
    return -halfExtents.x <= local.x && local.x <= halfExtents.x && -halfExtents.y <= local.y &&
           local.y <= halfExtents.y;
}

void cOBox2f::ExtendByPoint(const cVec2f& p)
{
    // Along the box's own axes, for rotated boxes too: the interval [-h, h] on each axis
    // grows to contain the point's coordinate, and the centre moves to the middle.
    const cVec2f local = ToLocal(p);
    const float minU = std::min(-halfExtents.x, local.x), maxU = std::max(halfExtents.x, local.x);
    const float minV = std::min(-halfExtents.y, local.y), maxV = std::max(halfExtents.y, local.y);
    centre = ToWorld(cVec2f((minU + maxU) * 0.5f, (minV + maxV) * 0.5f));
    halfExtents = cVec2f((maxU - minU) * 0.5f, (maxV - minV) * 0.5f);
}

void cOBox2f::ExtendByRect(const cAABox2f& rect)
{
    ExtendByPoint(cVec2f(rect.minX, rect.minY));
    ExtendByPoint(cVec2f(rect.maxX, rect.minY));
    ExtendByPoint(cVec2f(rect.maxX, rect.maxY));
    ExtendByPoint(cVec2f(rect.minX, rect.maxY));
}

void cOBox2f::ExtendByBox(const cOBox2f& other)
{
    for (int k = 0; k < 4; ++k)
        ExtendByPoint(other.GetCorner(k));
}

// ---- rectangles ----

cAABox2f RectFromOrientedBox(const cOBox2f& box)
{
    const cVec2f first = box.GetCorner(0);
    cAABox2f rect{first.x, first.y, first.x, first.y};
    for (int k = 1; k < 4; ++k)
        Rect2ExtendByPoint(rect, box.GetCorner(k));
    return rect;
}

void RectExtendByOrientedBox(cAABox2f& rect, const cOBox2f& box)
{
    for (int k = 0; k < 4; ++k)
        Rect2ExtendByPoint(rect, box.GetCorner(k));
}

cAABox2f Rect2FromCentre(const cVec2f& centre, float halfWidth, float halfHeight)
{
    return cAABox2f{centre.x - halfWidth, centre.y - halfHeight, centre.x + halfWidth, centre.y + halfHeight};
}

void Rect2ExtendByPoint(cAABox2f& rect, const cVec2f& p)
{
    rect.minX = std::min(rect.minX, p.x);
    rect.minY = std::min(rect.minY, p.y);
    rect.maxX = std::max(rect.maxX, p.x);
    rect.maxY = std::max(rect.maxY, p.y);
}

void Rect2Reset(cAABox2f& rect)
{
    rect.minX = kFloatMax;
    rect.minY = kFloatMax;
    rect.maxX = -kFloatMax;
    rect.maxY = -kFloatMax;
}

std::array<int32_t, 4> Rect2ToInt(const cAABox2f& rect)
{
    return {TruncToInt32(rect.minX), TruncToInt32(rect.minY), TruncToInt32(rect.maxX), TruncToInt32(rect.maxY)};
}

// ---- oriented box tests ----

bool OrientedBoxesOverlap(const cOBox2f& a, const cOBox2f& b)
{
    const float r00 = a.axisX.Dot(b.axisX), r01 = a.axisX.Dot(b.axisY);
    const float r10 = a.axisY.Dot(b.axisX), r11 = a.axisY.Dot(b.axisY);
    const cVec2f d = b.centre - a.centre;
    return BoxFramesOverlap(a.halfExtents, b.halfExtents, r00, r01, r10, r11, d.Dot(a.axisX), d.Dot(a.axisY));
}

bool OrientedBoxOverlapsRect(const cOBox2f& box, const cAABox2f& rect)
{
    const cVec2f rectCentre((rect.minX + rect.maxX) * 0.5f, (rect.minY + rect.maxY) * 0.5f);
    const cVec2f rectHalf((rect.maxX - rect.minX) * 0.5f, (rect.maxY - rect.minY) * 0.5f);
    // The offset keeps its signs: with absolute values the projections on the box's own
    // axes come out wrong for rotated boxes (a diagonal box crossing the rectangle would
    // be reported apart). For unrotated boxes both forms give the same answers.
    const cVec2f d = box.centre - rectCentre;
    return BoxFramesOverlap(rectHalf, box.halfExtents, box.axisX.x, box.axisY.x, box.axisX.y, box.axisY.y, d.x, d.y);
}

float OrientedBoxDistanceSquared(const cVec2f& p, const cOBox2f& box)
{
    const cVec2f local = box.ToLocal(p);
    const float ex = Excess(local.x, box.halfExtents.x);
    const float ey = Excess(local.y, box.halfExtents.y);
    return ex * ex + ey * ey;
}

float OrientedBoxDistance(const cVec2f& p, const cOBox2f& box)
{
    return std::sqrt(OrientedBoxDistanceSquared(p, box));
}

// ---- points, rectangles and segments ----

bool PointInRect(const cVec2f& p, const cAABox2f& rect)
{
    return rect.minX <= p.x && p.x <= rect.maxX && rect.minY <= p.y && p.y <= rect.maxY;
}

float RectDistanceSquared(const cAABox2f& rect, const cVec2f& p)
{
    float sum = 0.0f;
    if (p.x < rect.minX)
        sum += (rect.minX - p.x) * (rect.minX - p.x);
    else if (p.x > rect.maxX)
        sum += (p.x - rect.maxX) * (p.x - rect.maxX);
    if (p.y < rect.minY)
        sum += (rect.minY - p.y) * (rect.minY - p.y);
    else if (p.y > rect.maxY)
        sum += (p.y - rect.maxY) * (p.y - rect.maxY);
    return sum;
}

cVec2f RectClampPoint(const cAABox2f& rect, const cVec2f& p)
{
    cVec2f out = p;
    if (out.x < rect.minX)
        out.x = rect.minX;
    if (out.x > rect.maxX)
        out.x = rect.maxX;
    if (out.y < rect.minY)
        out.y = rect.minY;
    if (out.y > rect.maxY)
        out.y = rect.maxY;
    return out;
}

bool RectOverlapsSegmentBox(const cAABox2f& rect, const cVec2f& a, const cVec2f& b)
{
    return std::fabs(a.x - b.x) + (rect.maxX - rect.minX) >= std::fabs((a.x + b.x) - rect.minX - rect.maxX) &&
           std::fabs(a.y - b.y) + (rect.maxY - rect.minY) >= std::fabs((a.y + b.y) - rect.minY - rect.maxY);
}

bool SegmentIntersectsRect(const cVec2f& a, const cVec2f& b, const cAABox2f& rect, cVec2f* out)
{
    if (!RectOverlapsSegmentBox(rect, a, b))
        return false;
    const cVec2f delta = b - a;
    const float length = delta.Length();
    // A zero-length segment is a point: it meets the rect when it lies in it.
    const cVec2f direction = length > 0.0f ? delta / length : cVec2f(0.0f, 0.0f);
    float tEnter = 0.0f, tExit = length;
    const float origin[2] = {a.x, a.y};
    const float dir[2] = {direction.x, direction.y};
    const float lo[2] = {rect.minX, rect.minY};
    const float hi[2] = {rect.maxX, rect.maxY};
    for (int axis = 0; axis < 2; ++axis)
    {
        if (std::fabs(dir[axis]) < 1e-5f)
        {
            if (origin[axis] < lo[axis] || origin[axis] > hi[axis])
                return false;
            continue;
        }
        const float inv = 1.0f / dir[axis];
        float t1 = (lo[axis] - origin[axis]) * inv;
        float t2 = (hi[axis] - origin[axis]) * inv;
        if (t1 > t2)
            std::swap(t1, t2);
        tEnter = std::max(tEnter, t1);
        tExit = std::min(tExit, t2);
        if (tEnter > tExit)
            return false;
    }
    if (out != nullptr)
        *out = a + direction * tEnter;
    return true;
}

bool SegmentIntersectsOrientedBox(const cVec2f& a, const cVec2f& b, const cOBox2f& box, cVec2f* out)
{
    const cAABox2f local{-box.halfExtents.x, -box.halfExtents.y, box.halfExtents.x, box.halfExtents.y};
    cVec2f entry;
    if (!SegmentIntersectsRect(box.ToLocal(a), box.ToLocal(b), local, &entry))
        return false;
    if (out != nullptr)
        *out = box.ToWorld(entry);
    return true;
}

bool SegmentOverlapsOrientedBox(const cVec2f& a, const cVec2f& b, const cOBox2f& box)
{
    const cVec2f mid = (a + b) * 0.5f;
    const cVec2f delta = b - a;
    const float length = delta.Length();
    const cVec2f e = length > 0.0f ? delta / length : cVec2f(0.0f, 0.0f);
    const float h = length * 0.5f;
    return std::fabs(box.centre.x - mid.x) <= h * std::fabs(e.x) + box.halfExtents.x &&
           std::fabs(box.centre.y - mid.y) <= h * std::fabs(e.y) + box.halfExtents.y;
}

// ---- lines ----

bool LinesIntersect(const cVec2f& a0, const cVec2f& a1, const cVec2f& b0, const cVec2f& b1, cVec2f* out)
{
    const cVec2f da = a1 - a0, db = b1 - b0;
    const float denominator = Cross(da, db);
    if (denominator == 0.0f || std::isnan(denominator))
        return false; // parallel (or degenerate)
    if (out != nullptr)
    {
        const float t = Cross(b0 - a0, db) / denominator;
        *out = a0 + da * t;
    }
    return true;
}

bool SegmentsIntersect(const cVec2f& a0, const cVec2f& a1, const cVec2f& b0, const cVec2f& b1, cVec2f* out)
{
    // Sides of b0 and b1 against segment a.
    const float s1 = SignedArea2(a0, a1, b1);
    const float s2 = SignedArea2(a0, a1, b0);
    if (!(s1 * s2 < 0.0f))
        return false;
    // Sides of a0 and a1 against segment b.
    const float s3 = SignedArea2(b0, b1, a0);
    const float s4 = s3 + s2 - s1;
    if (!(s3 * s4 < 0.0f))
        return false;
    if (out != nullptr)
    {
        const float t = s3 / (s3 - s4);
        *out = a0 + (a1 - a0) * t;
    }
    return true;
}

bool SegmentIntersectsLine(const cVec2f& a, const cVec2f& b, const cPlane2f& line, cVec2f* out)
{
    const cVec2f n(line.nx, line.ny);
    const float denominator = n.Dot(b - a);
    if (!(std::fabs(denominator) >= 0.0001f))
        return false;
    const float t = -n.Dot(a - n * line.distance) / denominator;
    if (!(t >= 0.0f && t <= 1.0f))
        return false;
    if (out != nullptr)
        *out = a + (b - a) * t;
    return true;
}

float SegmentClosestPoint(const cVec2f& a, const cVec2f& b, const cVec2f& p, cVec2f& out)
{
    const cVec2f ab = b - a;
    const float dot = (p - a).Dot(ab);
    const float lengthSquared = ab.LengthSquared();
    float t;
    if (dot <= 0.0f)
        t = 0.0f;
    else if (dot >= lengthSquared)
        t = 1.0f;
    else
        t = dot / lengthSquared;
    out = a + ab * t;
    return t;
}

float SegmentDistanceSquared(const cVec2f& a, const cVec2f& b, const cVec2f& p)
{
    cVec2f closest;
    SegmentClosestPoint(a, b, p, closest);
    return (p - closest).LengthSquared();
}

float SegmentDistance(const cVec2f& a, const cVec2f& b, const cVec2f& p)
{
    return std::sqrt(SegmentDistanceSquared(a, b, p));
}

float LineDistanceSquared(const cVec2f& a, const cVec2f& b, const cVec2f& p)
{
    const cVec2f ab = b - a;
    const float lengthSquared = ab.LengthSquared();
    if (lengthSquared == 0.0f)
        return (p - a).LengthSquared();
    const float cross = Cross(ab, p - a);
    return cross * cross / lengthSquared;
}

float LineDistance(const cVec2f& a, const cVec2f& b, const cVec2f& p)
{
    return std::sqrt(LineDistanceSquared(a, b, p));
}

float LineDistance2(const cPlane2f& line, const cVec2f& p)
{
    return line.SignedDistance(p);
}

float LineDistanceScaled(const cPlane2f& line, const cVec2f& p)
{
    return line.SignedDistance(p) / (line.nx * line.nx + line.ny * line.ny);
}

cVec2f LineClosestPoint(const cPlane2f& line, const cVec2f& p)
{
    return p - cVec2f(line.nx, line.ny) * LineDistanceScaled(line, p);
}

cVec2f LineClosestPointUnit(const cPlane2f& line, const cVec2f& p)
{
    return p - cVec2f(line.nx, line.ny) * line.SignedDistance(p);
}

// ---- triangles and circles ----

bool PointInTriangle(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p)
{
    const float e0 = Cross(b - a, p - a);
    const float e1 = Cross(c - b, p - b);
    const float e2 = Cross(a - c, p - c);
    return (e0 >= 0.0f && e1 >= 0.0f && e2 >= 0.0f) || (e0 < 0.0f && e1 < 0.0f && e2 < 0.0f);
}

bool PointInTriangleCCW(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p)
{
    return Cross(b - a, p - a) >= 0.0f && Cross(c - b, p - b) >= 0.0f && Cross(a - c, p - c) >= 0.0f;
}

void TriangleBarycentric(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p, float& u, float& v,
                         float& w)
{
    // p = a + u (b - a) + v (c - a), by Cramer's rule.
    const cVec2f e0 = b - a, e1 = c - a, d = p - a;
    const float denominator = Cross(e0, e1);
    u = Cross(d, e1) / denominator;
    v = Cross(e0, d) / denominator;
    w = 1.0f - u - v;
}

cVec2f TriangleClosestPoint(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p)
{
    // Voronoi regions: vertices, then edges, else the inside.
    const cVec2f ab = b - a, ac = c - a, ap = p - a;
    const float d1 = ab.Dot(ap), d2 = ac.Dot(ap);
    if (d1 <= 0.0f && d2 <= 0.0f)
        return a;
    const cVec2f bp = p - b;
    const float d3 = ab.Dot(bp), d4 = ac.Dot(bp);
    if (d3 >= 0.0f && d4 <= d3)
        return b;
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f)
        return a + ab * (d1 / (d1 - d3));
    const cVec2f cp = p - c;
    const float d5 = ab.Dot(cp), d6 = ac.Dot(cp);
    if (d6 >= 0.0f && d5 <= d6)
        return c;
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f)
        return a + ac * (d2 / (d2 - d6));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0.0f && (d4 - d3) >= 0.0f && (d5 - d6) >= 0.0f)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const float denominator = 1.0f / (va + vb + vc);
    return a + ab * (vb * denominator) + ac * (vc * denominator);
}

bool CircleIntersectsTriangle(const cVec2f& centre, float radius, const cVec2f& a, const cVec2f& b, const cVec2f& c,
                              cVec2f* out)
{
    const cVec2f q = TriangleClosestPoint(a, b, c, centre);
    if (out != nullptr)
        *out = q;
    return (q - centre).LengthSquared() < radius * radius;
}

float CircleSeparation2(const cVec2f& c1, float r1, const cVec2f& c2, float r2)
{
    return (c1 - c2).LengthSquared() - (r1 + r2) * (r1 + r2);
}

float CircleSeparation(const cVec2f& c1, float r1, const cVec2f& c2, float r2)
{
    return std::sqrt(CircleSeparation2(c1, r1, c2, r2));
}

float PointCircleSeparation2(const cVec2f& c, float r, const cVec2f& p)
{
    return (c - p).LengthSquared() - r * r;
}

float PointDistance(const cVec2f& a, const cVec2f& b)
{
    return (a - b).Length();
}

// ---- convex polygons and zones ----

bool ConvexPolygonContainsPoint(std::span<const cVec2f> vertices, const cVec2f& p)
{
    const size_t n = vertices.size();
    if (n < 3)
        return false;
    // Binary search of the fan from vertex 0 for the wedge (low, high) that holds p.
    size_t low = 0, high = n;
    do
    {
        const size_t mid = (low + high) / 2;
        if (SignedArea2(vertices[0], vertices[mid], p) > 0.0f)
            low = mid;
        else
            high = mid;
    } while (low + 1 < high);
    if (low == 0 || high == n)
        return false;
    // Inside when p is on the inner side of the wedge's outer edge (or on it).
    return SignedArea2(vertices[low], vertices[high], p) >= 0.0f;
}

bool ConvexZoneSegmentClip(const cPolygonZone& zone, const cVec2f& a, const cVec2f& b, cVec2f* out)
{
    const cVec2f delta = b - a;
    float tEnter = 0.0f, tExit = 1.0f;
    for (const cPlane2f& plane : zone.planes)
    {
        const float denominator = plane.nx * delta.x + plane.ny * delta.y;
        const float distance = plane.SignedDistance(a);
        if (denominator == 0.0f)
        {
            if (distance > 0.0f)
                return false; // parallel and outside this plane
            continue;
        }
        const float t = -distance / denominator;
        if (denominator < 0.0f)
            tEnter = std::max(tEnter, t);
        else
            tExit = std::min(tExit, t);
        if (tEnter > tExit)
            return false;
    }
    if (out != nullptr)
        *out = a + delta * tEnter;
    return true;
}

float ConvexZoneDistance(const cPolygonZone& zone, const cVec2f& p)
{
    float largest = 0.0f;
    for (const cPlane2f& plane : zone.planes)
        largest = std::max(largest, plane.SignedDistance(p));
    return largest;
}

float PlacedZoneDistance(const cPlacedZone& placed, const cVec2f& p)
{
    if (placed.zone == nullptr)
        return 0.0f;
    const cVec2f d = p - placed.centre;
    return ConvexZoneDistance(*placed.zone, cVec2f(d.Dot(placed.axisX), d.Dot(placed.axisY)));
}
