#include "KelpoBase/core/Projection.h"

#include <algorithm>
#include <cmath>

void Matrix4Frustum(cMatrix44& out, float left, float right, float bottom, float top, float nearZ, float farZ)
{
    out = cMatrix44();
    out.m[0] = 2.0f * nearZ / (right - left);
    out.m[5] = 2.0f * nearZ / (top - bottom);
    out.m[8] = (right + left) / (right - left);
    out.m[9] = (top + bottom) / (top - bottom);
    out.m[10] = -(farZ + nearZ) / (farZ - nearZ);
    out.m[11] = -1.0f;
    out.m[14] = -(2.0f * farZ * nearZ) / (farZ - nearZ);
    out.m[15] = 0.0f;
}

void Matrix4Ortho(cMatrix44& out, float left, float right, float bottom, float top, float nearZ, float farZ)
{
    out = cMatrix44();
    out.m[0] = 2.0f / (right - left);
    out.m[5] = 2.0f / (top - bottom);
    out.m[10] = -2.0f / (farZ - nearZ);
    out.m[12] = -(right + left) / (right - left);
    out.m[13] = -(top + bottom) / (top - bottom);
    out.m[14] = -(farZ + nearZ) / (farZ - nearZ);
    out.m[15] = 1.0f;
}

void Matrix4Perspective(cMatrix44& out, float fovY, float aspect, float nearZ, float farZ)
{
    out = cMatrix44();
    const float h = fovY * 0.5f;
    const float depth = farZ - nearZ;
    const float s = SinF(h);
    if (depth == 0.0f || s == 0.0f || aspect == 0.0f)
        return;
    const float f = CosF(h) / s;
    out.m[0] = f / aspect;
    out.m[5] = f;
    out.m[10] = -(farZ + nearZ) / depth;
    out.m[11] = -1.0f;
    out.m[14] = (-2.0f * farZ * nearZ) / depth;
    out.m[15] = 0.0f;
}

namespace
{
void LookAtAxes(const cVec3f& target, const cVec3f& eye, const cVec3f& up, cVec3f& s, cVec3f& u, cVec3f& f)
{
    f = (target - eye).NormalisedFast();
    s = f.Cross(up).NormalisedFast();
    u = s.Cross(f);
}
} // namespace

void Matrix3LookAt(const cVec3f& target, const cVec3f& eye, const cVec3f& up, cMatrix33& m)
{
    cVec3f s, u, f;
    LookAtAxes(target, eye, up, s, u, f);
    cMatrix33 r;
    s.CopyTo(&r.m[0]);
    u.CopyTo(&r.m[3]);
    (-f).CopyTo(&r.m[6]);
    Matrix3MultiplyInPlace(r, m);
}

void Matrix4LookAtWorld(const cVec3f& target, const cVec3f& eye, const cVec3f& up, cMatrix44& m)
{
    cVec3f s, u, f;
    LookAtAxes(target, eye, up, s, u, f);
    cMatrix33 r3;
    s.CopyTo(&r3.m[0]);
    u.CopyTo(&r3.m[3]);
    (-f).CopyTo(&r3.m[6]);
    cMatrix44 r;
    Matrix4FromMatrix3(r, r3);
    Matrix4MultiplyInPlace(r, m);
    cMatrix44 t;
    Matrix4TranslationMatrix(t, eye);
    const cMatrix44 rotated = m;
    Matrix4Multiply(t, m, rotated);
}

void Matrix4Orthonormalise(cMatrix44& m)
{
    cVec3f c0(&m.m[0]), c1(&m.m[4]);
    c0.NormaliseFast();
    c1.NormaliseFast();
    const cVec3f c2 = c0.Cross(c1);
    c0 = c1.Cross(c2);
    c0.CopyTo(&m.m[0]);
    c1.CopyTo(&m.m[4]);
    c2.CopyTo(&m.m[8]);
}

bool ProjectPoint(const cVec3f& point, const cMatrix44& modelView, const cMatrix44& projection, float viewX,
                  float viewY, float viewWidth, float viewHeight, cVec3f& out)
{
    cVec4f eyeSpace, clip;
    Matrix4TransformVector4(cVec4f(point, 1.0f), eyeSpace, modelView);
    Matrix4TransformVector4(eyeSpace, clip, projection);
    if (clip.w == 0.0f)
        return false;
    const float k = 0.5f / clip.w;
    out.x = viewX + viewWidth * (clip.x * k + 0.5f);
    out.y = viewY + viewHeight * (clip.y * k + 0.5f);
    out.z = clip.z * k + 0.5f;
    return true;
}

void BoxReset(cBox3f& box)
{
    box.min.Set(kFloatMax, kFloatMax, kFloatMax);
    box.max.Set(-kFloatMax, -kFloatMax, -kFloatMax);
}

void BoxFromPoint(cBox3f& box, const cVec3f& p)
{
    box.min = p;
    box.max = p;
}

void BoxExpandByPoint(cBox3f& box, const cVec3f& p)
{
    box.min.Set(std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z));
    box.max.Set(std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z));
}

void BoxUnion(cBox3f& box, const cBox3f& other)
{
    box.min.Set(std::min(box.min.x, other.min.x), std::min(box.min.y, other.min.y), std::min(box.min.z, other.min.z));
    box.max.Set(std::max(box.max.x, other.max.x), std::max(box.max.y, other.max.y), std::max(box.max.z, other.max.z));
}

cVec3f BoxSupportPoint(const cBox3f& box, const cVec3f& direction)
{
    return {direction.x > 0.0f ? box.max.x : box.min.x, direction.y > 0.0f ? box.max.y : box.min.y,
            direction.z > 0.0f ? box.max.z : box.min.z};
}

bool BoxInsidePlanes(const cBox3f& box, const cVec4f planes[6])
{
    for (int i = 0; i < 6; ++i)
        if (PlaneDistance(planes[i], BoxSupportPoint(box, planes[i].Xyz())) < 0.0f)
            return false;
    return true;
}

bool SphereInsidePlanes(const cSphere3f& sphere, const cVec4f planes[6])
{
    for (int i = 0; i < 6; ++i)
        if (PlaneDistance(planes[i], sphere.centre) < -sphere.radius)
            return false;
    return true;
}

bool PointInsidePlanes(const cVec3f& point, const cVec4f planes[6])
{
    for (int i = 0; i < 6; ++i)
        if (PlaneDistance(planes[i], point) < 0.0f)
            return false;
    return true;
}

bool IntersectLineTriangle(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b, const cVec3f& c,
                           cVec3f* out)
{
    const cVec3f pq = q - p, pa = a - p, pb = b - p, pc = c - p;
    const cVec3f m = pq.Cross(pc);
    const float u = pb.Dot(m);
    if (u < 0.0f)
        return false;
    const float v = -pa.Dot(m);
    if (v < 0.0f)
        return false;
    const float w = TripleProduct(pq, pb, pa);
    if (w < 0.0f)
        return false;
    // All three weights zero: the line lies in the triangle's plane; there is no single
    // crossing point, so it is not a hit.
    const float k = 1.0f / (u + v + w);
    if (!std::isfinite(k))
        return false;
    if (out)
        *out = a * (k * u) + b * (k * v) + c * (k * w);
    return true;
}

cTexRect ComputeTexRect(int32_t imageWidth, int32_t imageHeight, int32_t x, int32_t y, int32_t width,
                        int32_t height)
{
    cTexRect r;
    if (imageWidth <= 0 || imageHeight <= 0)
        return r;
    const float iw = static_cast<float>(imageWidth), ih = static_cast<float>(imageHeight);
    r.uStart = static_cast<float>(x) / iw;
    r.vStart = static_cast<float>(y) / ih;
    r.uSize = static_cast<float>(width) / iw;
    r.vSize = static_cast<float>(height) / ih;
    r.uEnd = r.uStart + r.uSize;
    r.vEnd = r.vStart + r.vSize;
    return r;
}

bool SpheresOverlap(const cSphere3f& s1, const cSphere3f& s2)
{
    const float r = s1.radius + s2.radius;
    return (s1.centre - s2.centre).LengthSquared() <= r * r;
}

float SphereSeparation2(const cSphere3f& s1, const cSphere3f& s2)
{
    const float r = s1.radius + s2.radius;
    return (s1.centre - s2.centre).LengthSquared() - r * r;
}

float SphereSeparation(const cSphere3f& s1, const cSphere3f& s2)
{
    return std::sqrt(std::max(0.0f, SphereSeparation2(s1, s2)));
}

float PointSphereSeparation2(const cSphere3f& s, const cVec3f& p)
{
    return (p - s.centre).LengthSquared() - s.radius * s.radius;
}

float PointSphereSeparation(const cSphere3f& s, const cVec3f& p)
{
    return std::sqrt(std::max(0.0f, PointSphereSeparation2(s, p)));
}

float OrientedBox3DistanceSquared(const cVec3f& p, const cOBox3f& box)
{
    const cVec3f d = p - box.centre;
    const float half[3] = {box.halfExtents.x, box.halfExtents.y, box.halfExtents.z};
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i)
    {
        const float coord = d.Dot(box.axes[i]);
        float excess = 0.0f;
        if (coord < -half[i])
            excess = coord + half[i];
        else if (coord > half[i])
            excess = coord - half[i];
        sum += excess * excess;
    }
    return sum;
}

float OrientedBox3Distance(const cVec3f& p, const cOBox3f& box) { return std::sqrt(OrientedBox3DistanceSquared(p, box)); }

cVec3f OrientedBox3ClosestPoint(const cOBox3f& box, const cVec3f& p)
{
    const cVec3f d = p - box.centre;
    const float half[3] = {box.halfExtents.x, box.halfExtents.y, box.halfExtents.z};
    cVec3f out = box.centre;
    for (int i = 0; i < 3; ++i)
    {
        float coord = d.Dot(box.axes[i]);
        coord = std::max(-half[i], std::min(coord, half[i]));
        out += box.axes[i] * coord;
    }
    return out;
}

cVec3f PlaneClosestPoint(const cVec4f& plane, const cVec3f& p)
{
    const cVec3f n = plane.Xyz();
    const float n2 = n.LengthSquared();
    if (n2 == 0.0f)
        return p;
    return p - n * ((n.Dot(p) - plane.w) / n2);
}

cVec3f PlaneClosestPointUnit(const cVec4f& plane, const cVec3f& p)
{
    const cVec3f n = plane.Xyz();
    return p - n * (n.Dot(p) - plane.w);
}

float PlaneDistanceScaled(const cVec4f& plane, const cVec3f& p)
{
    const cVec3f n = plane.Xyz();
    const float n2 = n.LengthSquared();
    if (n2 == 0.0f)
        return 0.0f;
    return (n.Dot(p) - plane.w) / n2;
}

float PlaneDistance(const cVec4f& plane, const cVec3f& p) { return plane.Xyz().Dot(p) - plane.w; }

float SegmentClosestPoint3(const cVec3f& a, const cVec3f& b, const cVec3f& p, cVec3f& out)
{
    const cVec3f ab = b - a;
    const float len2 = ab.LengthSquared();
    float t = 0.0f;
    if (len2 > 0.0f)
        t = std::max(0.0f, std::min(1.0f, (p - a).Dot(ab) / len2));
    out = a + ab * t;
    return t;
}

float SegmentDistanceSquared3(const cVec3f& a, const cVec3f& b, const cVec3f& p)
{
    cVec3f closest;
    SegmentClosestPoint3(a, b, p, closest);
    return (p - closest).LengthSquared();
}

float SegmentDistance3(const cVec3f& a, const cVec3f& b, const cVec3f& p) { return std::sqrt(SegmentDistanceSquared3(a, b, p)); }

float LineDistanceSquared3(const cVec3f& a, const cVec3f& b, const cVec3f& p)
{
    const cVec3f ab = b - a, ap = p - a;
    const float len2 = ab.LengthSquared();
    if (len2 == 0.0f)
        return ap.LengthSquared();
    const float e = ap.Dot(ab);
    return std::max(0.0f, ap.LengthSquared() - e * e / len2);
}

float LineDistance3(const cVec3f& a, const cVec3f& b, const cVec3f& p) { return std::sqrt(LineDistanceSquared3(a, b, p)); }

float SegmentsClosestPoints(const cVec3f& p1, const cVec3f& q1, const cVec3f& p2, const cVec3f& q2,
                            cSegmentPoints3f& out)
{
    constexpr float kEpsilon = 1e-5f;
    const cVec3f d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
    const float a = d1.Dot(d1), e = d2.Dot(d2), f = d2.Dot(r);
    float s = 0.0f, t = 0.0f;
    auto clamp01 = [](float v) { return std::max(0.0f, std::min(1.0f, v)); };
    if (a <= kEpsilon && e <= kEpsilon)
    {
        s = t = 0.0f; // both are points
    }
    else if (a <= kEpsilon)
    {
        s = 0.0f;
        t = clamp01(f / e);
    }
    else
    {
        const float c = d1.Dot(r);
        if (e <= kEpsilon)
        {
            t = 0.0f;
            s = clamp01(-c / a);
        }
        else
        {
            const float b = d1.Dot(d2);
            const float denom = a * e - b * b;
            s = denom != 0.0f ? clamp01((b * f - c * e) / denom) : 0.0f; // parallel: any s
            t = (b * s + f) / e;
            if (t < 0.0f)
            {
                t = 0.0f;
                s = clamp01(-c / a);
            }
            else if (t > 1.0f)
            {
                t = 1.0f;
                s = clamp01((b - c) / a);
            }
        }
    }
    out.s = s;
    out.t = t;
    out.point1 = p1 + d1 * s;
    out.point2 = p2 + d2 * t;
    return (out.point1 - out.point2).LengthSquared();
}

namespace
{
bool PlaneCrossing(const cVec3f& a, const cVec3f& b, const cVec4f& plane, float& t)
{
    const cVec3f n = plane.Xyz();
    const float denom = n.Dot(b - a);
    if (std::fabs(denom) < 0.0001f)
        return false;
    // The signed distance of a over the rate of change along the segment. (Written as
    // n.(a - n d) this would only hold for unit normals.)
    t = -(n.Dot(a) - plane.w) / denom;
    return std::isfinite(t);
}
} // namespace

bool SegmentIntersectsPlane(const cVec3f& a, const cVec3f& b, const cVec4f& plane, cVec3f* out)
{
    float t;
    if (!PlaneCrossing(a, b, plane, t) || t < 0.0f || t > 1.0f)
        return false;
    if (out)
        *out = a + (b - a) * t;
    return true;
}

bool LineIntersectsPlane(const cVec3f& a, const cVec3f& b, const cVec4f& plane, cVec3f* out)
{
    float t;
    if (!PlaneCrossing(a, b, plane, t))
        return false;
    if (out)
        *out = a + (b - a) * t;
    return true;
}

cQuad3f MakeQuad(const cVec3f& c0, const cVec3f& c1, const cVec3f& c2)
{
    cQuad3f quad;
    const cVec3f e1 = c1 - c0, e2 = c2 - c0;
    const cVec3f n = e1.Cross(e2).NormalisedFast();
    quad.planes[0] = PlaneFromNormalPoint(n, c0);
    // Edge plane through c0 and c2 whose distance is 1 at c1, and the other way round.
    auto edgePlane = [&](const cVec3f& along, const cVec3f& far) {
        const cVec3f en = n.Cross(along).NormalisedFast();
        cVec4f plane = PlaneFromNormalPoint(en, c0);
        const float farDistance = PlaneDistance(plane, far);
        if (!(farDistance != 0.0f) || !std::isfinite(1.0f / farDistance))
            return cVec4f(0.0f, 0.0f, 0.0f, -2.0f); // degenerate: the value 2 is never inside
        plane.Scale(1.0f / farDistance);
        return plane;
    };
    quad.planes[1] = edgePlane(e2, c1);
    quad.planes[2] = edgePlane(e1, c2);
    return quad;
}

bool SegmentIntersectsQuad(const cQuad3f& quad, const cVec3f& a, const cVec3f& b)
{
    const float da = PlaneDistance(quad.planes[0], a);
    const float db = PlaneDistance(quad.planes[0], b);
    if ((da > 0.0f && db > 0.0f) || (da < 0.0f && db < 0.0f) || da == db)
        return false;
    const float t = da / (da - db);
    const cVec3f hit = a + (b - a) * t;
    const float e1 = PlaneDistance(quad.planes[1], hit);
    const float e2 = PlaneDistance(quad.planes[2], hit);
    return e1 >= 0.0f && e1 <= 1.0f && e2 >= 0.0f && e2 <= 1.0f;
}

bool SegmentIntersectsTriangle(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b,
                               const cVec3f& c)
{
    const cVec3f ab = b - a, ac = c - a, qp = p - q;
    const cVec3f n = ab.Cross(ac);
    const float d = qp.Dot(n);
    if (!(d > 0.0f))
        return false;
    const cVec3f ap = p - a;
    const float t = ap.Dot(n);
    if (t < 0.0f || t > d)
        return false;
    const cVec3f e = qp.Cross(ap);
    const float v = ac.Dot(e);
    if (v < 0.0f || v > d)
        return false;
    const float w = -ab.Dot(e);
    if (w < 0.0f || v + w > d)
        return false;
    return true;
}

bool LineIntersectsTriangleTwoSided(const cVec3f& p, const cVec3f& q, const cVec3f& a, const cVec3f& b,
                                    const cVec3f& c, cVec3f* out)
{
    const cVec3f pq = q - p, pa = a - p, pb = b - p, pc = c - p;
    const cVec3f m = pq.Cross(pc);
    float u = pb.Dot(m);
    float v = -pa.Dot(m);
    float w = TripleProduct(pq, pb, pa);
    const bool allPositive = u >= 0.0f && v >= 0.0f && w >= 0.0f;
    const bool allNegative = u <= 0.0f && v <= 0.0f && w <= 0.0f;
    if (!allPositive && !allNegative)
        return false;
    const float k = 1.0f / (u + v + w);
    if (!std::isfinite(k))
        return false; // the line lies in the triangle's plane
    if (out)
        *out = a * (k * u) + b * (k * v) + c * (k * w);
    return true;
}

cVec3f TriangleClosestPoint3(const cVec3f& a, const cVec3f& b, const cVec3f& c, const cVec3f& p)
{
    const cVec3f ab = b - a, ac = c - a, ap = p - a;
    const float d1 = ab.Dot(ap), d2 = ac.Dot(ap);
    if (d1 <= 0.0f && d2 <= 0.0f)
        return a;
    const cVec3f bp = p - b;
    const float d3 = ab.Dot(bp), d4 = ac.Dot(bp);
    if (d3 >= 0.0f && d4 <= d3)
        return b;
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f)
        return a + ab * (d1 / (d1 - d3));
    const cVec3f cp = p - c;
    const float d5 = ab.Dot(cp), d6 = ac.Dot(cp);
    if (d6 >= 0.0f && d5 <= d6)
        return c;
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f)
        return a + ac * (d2 / (d2 - d6));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0.0f && (d4 - d3) >= 0.0f && (d5 - d6) >= 0.0f)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const float sum = va + vb + vc;
    if (!(sum != 0.0f))
    {
        // A degenerate triangle: the nearest of its three edges.
        cVec3f best, candidate;
        SegmentClosestPoint3(a, b, p, best);
        SegmentClosestPoint3(b, c, p, candidate);
        if ((candidate - p).LengthSquared() < (best - p).LengthSquared())
            best = candidate;
        SegmentClosestPoint3(c, a, p, candidate);
        if ((candidate - p).LengthSquared() < (best - p).LengthSquared())
            best = candidate;
        return best;
    }
    const float denom = 1.0f / sum;
    return a + ab * (vb * denom) + ac * (vc * denom);
}

bool SphereIntersectsTriangle(const cSphere3f& sphere, const cVec3f& a, const cVec3f& b, const cVec3f& c,
                              cVec3f& out)
{
    out = TriangleClosestPoint3(a, b, c, sphere.centre);
    return (out - sphere.centre).LengthSquared() < sphere.radius * sphere.radius;
}

bool SegmentsIntersect2(const cVec3f& a0, const cVec3f& a1, const cVec3f& b0, const cVec3f& b1, cVec3f* out)
{
    const float rx = a1.x - a0.x, ry = a1.y - a0.y;
    const float sx = b1.x - b0.x, sy = b1.y - b0.y;
    const float denom = rx * sy - ry * sx;
    if (denom == 0.0f)
        return false; // parallel or degenerate
    const float qx = b0.x - a0.x, qy = b0.y - a0.y;
    const float t = (qx * sy - qy * sx) / denom;
    const float u = (qx * ry - qy * rx) / denom;
    if (!(t >= 0.0f && t <= 1.0f && u >= 0.0f && u <= 1.0f))
        return false;
    if (out)
        *out = a0 + (a1 - a0) * t;
    return true;
}
