#include "KelpoBase/core/Triangulate.h"

namespace
{
// The contour of the call in progress, read by the area and ear tests. Per thread, so
// that calls on different threads cannot see each other's contour.
thread_local const cVec2f* tContour = nullptr;
thread_local int32_t tContourCount = 0;

// Restores the previous contour when a call ends (on every return path).
struct ContourScope
{
    ContourScope(const cVec2f* points, int32_t count) : savedPoints(tContour), savedCount(tContourCount)
    {
        tContour = points;
        tContourCount = count;
    }
    ~ContourScope()
    {
        tContour = savedPoints;
        tContourCount = savedCount;
    }
    const cVec2f* savedPoints;
    int32_t savedCount;
};
} // namespace

float PolygonSignedArea(std::span<const cVec2f> contour)
{
    const size_t n = contour.size();
    if (n == 0)
        return 0.0f;
    float sum = 0.0f;
    for (size_t p = n - 1, q = 0; q < n; p = q++)
        sum += contour[p].x * contour[q].y - contour[q].x * contour[p].y;
    return sum * 0.5f;
}

float PolygonSignedArea()
{
    if (tContour == nullptr)
        return 0.0f;
    return PolygonSignedArea(std::span<const cVec2f>(tContour, size_t(tContourCount)));
}

bool PointInTriangleInclusive(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p)
{
    const float crossA = (c.x - b.x) * (p.y - b.y) - (c.y - b.y) * (p.x - b.x);
    const float crossB = (a.x - c.x) * (p.y - c.y) - (a.y - c.y) * (p.x - c.x);
    const float crossC = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    return crossA >= 0.0f && crossB >= 0.0f && crossC >= 0.0f;
}

bool IsEar(int32_t u, int32_t v, int32_t w, int32_t nv, const int32_t* V)
{
    const cVec2f& a = tContour[V[u]];
    const cVec2f& b = tContour[V[v]];
    const cVec2f& c = tContour[V[w]];
    const float cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    // Reflex, straight or too thin. A NaN cross is not caught here.
    if (static_cast<double>(cross) < static_cast<double>(1e-10f))
        return false;
    for (int32_t p = 0; p < nv; ++p)
    {
        if (p == u || p == v || p == w)
            continue;
        if (PointInTriangleInclusive(a, b, c, tContour[V[p]]))
            return false;
    }
    return true;
}

bool TriangulatePolygon(std::span<const cVec2f> contour, std::vector<int32_t>& output)
{
    if (contour.size() < 3 || contour.size() > size_t(INT32_MAX / 2))
        return false;
    const int32_t n = static_cast<int32_t>(contour.size());
    ContourScope scope(contour.data(), n);

    // V walks the polygon counter-clockwise whatever the given order.
    std::vector<int32_t> V(static_cast<size_t>(n));
    if (PolygonSignedArea() > 0.0f)
        for (int32_t i = 0; i < n; ++i)
            V[size_t(i)] = i;
    else
        for (int32_t i = 0; i < n; ++i)
            V[size_t(i)] = n - 1 - i;

    int32_t nv = n;
    int32_t count = 2 * nv; // stall guard: that many failed candidates in a row end the call
    for (int32_t v = nv - 1; nv > 2;)
    {
        if (count <= 0)
            return false;
        --count;

        int32_t u = v;
        if (u >= nv)
            u = 0;
        v = u + 1;
        if (v >= nv)
            v = 0;
        int32_t w = v + 1;
        if (w >= nv)
            w = 0;

        if (IsEar(u, v, w, nv, V.data()))
        {
            output.push_back(V[size_t(u)]);
            output.push_back(V[size_t(v)]);
            output.push_back(V[size_t(w)]);
            // Remove entry v; v now names the vertex that followed it.
            for (int32_t s = v, t = v + 1; t < nv; ++s, ++t)
                V[size_t(s)] = V[size_t(t)];
            --nv;
            count = 2 * nv;
        }
    }
    return true;
}
