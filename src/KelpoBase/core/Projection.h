// Projection and camera matrices, axis-aligned 3D boxes and view volumes, line-triangle
// picking, and a family of sphere, plane, box, segment and triangle tests.
//
// Column-order cMatrix44 as everywhere in the engine. A plane is a cVec4f (nx, ny, nz, d)
// whose signed distance of p is n.p - d; a view volume is six planes, inside meaning a
// signed distance >= 0 for every one.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"

// Six floats: min x, y, z, then max x, y, z.
struct cBox3f
{
    cVec3f min;
    cVec3f max;
};

struct cSphere3f
{
    cVec3f centre;
    float radius = 0.0f;
};

// An oriented box: centre, three axis vectors (x first) and half extents along them.
struct cOBox3f
{
    cVec3f centre;
    cVec3f axes[3];
    cVec3f halfExtents;
};

// A quad for SegmentIntersectsQuad: the quad's plane, then two edge planes scaled so that
// their signed distance runs from 0 to 1 across the quad.
struct cQuad3f
{
    cVec4f planes[3];
};

// The closest points of two segments and their parameters along them.
struct cSegmentPoints3f
{
    cVec3f point1;
    cVec3f point2;
    float s = 0.0f;
    float t = 0.0f;
};

// Projection matrices. No tests for equal bounds.
void Matrix4Frustum(cMatrix44& out, float left, float right, float bottom, float top, float nearZ, float farZ);
void Matrix4Ortho(cMatrix44& out, float left, float right, float bottom, float top, float nearZ, float farZ);
// fovY is the full vertical angle in radians. When far == near, the half angle's sine is 0
// or aspect is 0, out is the identity.
void Matrix4Perspective(cMatrix44& out, float fovY, float aspect, float nearZ, float farZ);

// Camera orientation: f = unit(target - eye), s = unit(f x up), u = s x f; m = m R with
// R's columns s, u, -f (right, up, back: the camera looks along its -z axis).
void Matrix3LookAt(const cVec3f& target, const cVec3f& eye, const cVec3f& up, cMatrix33& m);
// The same rotation as a 4x4, then m = T(eye) (m R): for m = identity a camera at eye
// looking at target.
void Matrix4LookAtWorld(const cVec3f& target, const cVec3f& eye, const cVec3f& up, cMatrix44& m);
// Columns 0 and 1 of the rotation part normalised, column 2 = column 0 x column 1, then
// column 0 = column 1 x column 2.
void Matrix4Orthonormalise(cMatrix44& m);

// (point, 1) through model-view, then projection, then the viewport. Returns false and
// writes nothing when the resulting w is 0.
bool ProjectPoint(const cVec3f& point, const cMatrix44& modelView, const cMatrix44& projection, float viewX,
                  float viewY, float viewWidth, float viewHeight, cVec3f& out);

// 3D boxes.
void BoxReset(cBox3f& box); // the empty box: min +kFloatMax, max -kFloatMax
void BoxFromPoint(cBox3f& box, const cVec3f& p);
inline void BoxCopy(const cBox3f& src, cBox3f& dst) { dst = src; }
void BoxExpandByPoint(cBox3f& box, const cVec3f& p);
void BoxUnion(cBox3f& box, const cBox3f& other);
// Per axis max when the direction's component is > 0, else min.
cVec3f BoxSupportPoint(const cBox3f& box, const cVec3f& direction);
// False as soon as the box lies entirely behind one of the six planes.
bool BoxInsidePlanes(const cBox3f& box, const cVec4f planes[6]);
bool SphereInsidePlanes(const cSphere3f& sphere, const cVec4f planes[6]);
bool PointInsidePlanes(const cVec3f& point, const cVec4f planes[6]);

// The infinite line through p and q against the triangle a, b, c, one-sided: a hit only
// for a triangle wound counter-clockwise as seen from p looking toward q. A line through
// an edge or corner counts; a line lying in the triangle's plane does not. On a hit the
// point is written to out when out is given.
bool IntersectLineTriangle(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b, const cVec3f& c,
                           cVec3f* out);

// Texture coordinates of a pixel rectangle on an image: uStart = x / image width and so on.
struct cTexRect
{
    float uStart = 0.0f, vEnd = 0.0f, uSize = 0.0f, vSize = 0.0f, uEnd = 0.0f, vStart = 0.0f;
};
// An image without a size (0 or negative) gives all zeros instead of infinities.
cTexRect ComputeTexRect(int32_t imageWidth, int32_t imageHeight, int32_t x, int32_t y, int32_t width,
                        int32_t height);

// Further tests.
bool SpheresOverlap(const cSphere3f& s1, const cSphere3f& s2);
float SphereSeparation2(const cSphere3f& s1, const cSphere3f& s2);
float SphereSeparation(const cSphere3f& s1, const cSphere3f& s2); // 0 when they overlap
float PointSphereSeparation2(const cSphere3f& s, const cVec3f& p);
float PointSphereSeparation(const cSphere3f& s, const cVec3f& p); // 0 inside
float OrientedBox3DistanceSquared(const cVec3f& p, const cOBox3f& box);
float OrientedBox3Distance(const cVec3f& p, const cOBox3f& box);
cVec3f OrientedBox3ClosestPoint(const cOBox3f& box, const cVec3f& p);
// p - ((n.p - d) / |n|^2) n; a zero normal gives p.
cVec3f PlaneClosestPoint(const cVec4f& plane, const cVec3f& p);
cVec3f PlaneClosestPointUnit(const cVec4f& plane, const cVec3f& p);
float PlaneDistanceScaled(const cVec4f& plane, const cVec3f& p); // 0 for a zero normal
float PlaneDistance(const cVec4f& plane, const cVec3f& p);
float SegmentDistanceSquared3(const cVec3f& a, const cVec3f& b, const cVec3f& p);
float SegmentDistance3(const cVec3f& a, const cVec3f& b, const cVec3f& p);
// A line through a == b is the point a.
float LineDistanceSquared3(const cVec3f& a, const cVec3f& b, const cVec3f& p);
float LineDistance3(const cVec3f& a, const cVec3f& b, const cVec3f& p);
// t in 0..1 of the closest point (0 for a == b); out = a + t (b - a).
float SegmentClosestPoint3(const cVec3f& a, const cVec3f& b, const cVec3f& p, cVec3f& out);
// Returns the squared distance between the segments p1-q1 and p2-q2.
float SegmentsClosestPoints(const cVec3f& p1, const cVec3f& q1, const cVec3f& p2, const cVec3f& q2,
                            cSegmentPoints3f& out);
bool SegmentIntersectsPlane(const cVec3f& a, const cVec3f& b, const cVec4f& plane, cVec3f* out);
bool LineIntersectsPlane(const cVec3f& a, const cVec3f& b, const cVec4f& plane, cVec3f* out);
// The quad with corners c0, c1, c2 and c1 + c2 - c0 (c0 shared by both edges). A
// degenerate quad is never hit.
cQuad3f MakeQuad(const cVec3f& c0, const cVec3f& c1, const cVec3f& c2);
bool SegmentIntersectsQuad(const cQuad3f& quad, const cVec3f& a, const cVec3f& b);
// One-sided: the segment must run from the front of the triangle (normal (b-a) x (c-a)).
bool SegmentIntersectsTriangle(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b,
                               const cVec3f& c);
bool LineIntersectsTriangleTwoSided(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b,
                                    const cVec3f& c, cVec3f* out);
cVec3f TriangleClosestPoint3(const cVec3f& a, const cVec3f& b, const cVec3f& c, const cVec3f& p);
bool SphereIntersectsTriangle(const cSphere3f& sphere, const cVec3f& a, const cVec3f& b, const cVec3f& c,
                              cVec3f& out);
// The crossing of segments a0-a1 and b0-b1 on x and y only; z of the point follows a.
bool SegmentsIntersect2(const cVec3f& a0, const cVec3f& a1, const cVec3f& b0, const cVec3f& b1, cVec3f* out);
