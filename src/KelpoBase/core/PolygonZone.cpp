#include "KelpoBase/core/PolygonZone.h"

#include <algorithm>
#include <utility>

cPlane2f PlaneFromPoints2(const cVec2f& a, const cVec2f& b)
{
    cVec2f normal(b.y - a.y, -(b.x - a.x));
    normal.NormaliseFast();
    cPlane2f plane;
    plane.nx = normal.x;
    plane.ny = normal.y;
    plane.distance = normal.x * a.x + normal.y * a.y;
    return plane;
}

int ClassifyPointPlane2(const cPlane2f& plane, const cVec2f& point)
{
    const float d = plane.SignedDistance(point);
    if (d < -kPlane2Epsilon)
        return -1;
    if (d > kPlane2Epsilon)
        return 1;
    return 0;
}

bool IntersectSegmentPlane2(const cPlane2f& plane, const cVec2f& a, const cVec2f& b, cVec2f* out)
{
    const cVec2f n(plane.nx, plane.ny);
    const cVec2f onLine = n * plane.distance;
    const float t = -n.Dot(a - onLine) / n.Dot(b - a);
    if (out != nullptr)
        *out = a + (b - a) * t;
    return true;
}

cPolygonZone::~cPolygonZone()
{
    FreeTreeAndEdges();
}

void cPolygonZone::Build(std::span<const cVec2f> source, const cVec2f& offset, float scale)
{
    std::vector<cVec2f> moved;
    moved.reserve(source.size());
    for (const cVec2f& v : source)
        moved.emplace_back((v.x + offset.x) * scale, (v.y + offset.y) * scale);
    vertices = std::move(moved);
    polygonVertexCount = vertices.size();
    Rebuild();
}

void cPolygonZone::Build(std::span<const cVec2f> source, const cVec2f& offset)
{
    std::vector<cVec2f> moved;
    moved.reserve(source.size());
    for (const cVec2f& v : source)
        moved.emplace_back(v.x + offset.x, v.y + offset.y);
    vertices = std::move(moved);
    polygonVertexCount = vertices.size();
    Rebuild();
}

void cPolygonZone::Build(std::span<const cVec2f> source)
{
    vertices.assign(source.begin(), source.end());
    polygonVertexCount = vertices.size();
    Rebuild();
}

void cPolygonZone::Rebuild()
{
    FreeTreeAndEdges();
    vertices.resize(polygonVertexCount);
    BuildEdgePlanes();
    BuildTree();
    ComputeBounds();
}

void cPolygonZone::Clear()
{
    FreeTreeAndEdges();
    vertices.clear();
    planes.clear();
    polygonVertexCount = 0;
    bounds = cRect2f{kFloatMax, kFloatMax, -kFloatMax, -kFloatMax};
}

void cPolygonZone::BuildEdgePlanes()
{
    planes.clear();
    const size_t n = vertices.size();
    if (n == 0)
        return;
    planes.reserve(n);
    for (size_t i = 0; i + 1 < n; ++i)
        planes.push_back(PlaneFromPoints2(vertices[i], vertices[i + 1]));
    planes.push_back(PlaneFromPoints2(vertices[n - 1], vertices[0]));
}

void cPolygonZone::BuildTree()
{
    const int32_t n = static_cast<int32_t>(vertices.size());
    if (n == 0)
        return;
    std::vector<ZoneEdge*> work;
    work.reserve(size_t(n));
    for (int32_t i = 0; i < n; ++i)
    {
        ZoneEdge* edge = NewEdge(i, i, i + 1 < n ? i + 1 : 0);
        // A zero-length edge has no line (its normal is (0, 0)): as a splitter it would
        // drop every remaining edge and call its whole region inside. Its record and its
        // plane stay, but it takes no part in the tree.
        const cPlane2f& plane = planes[size_t(i)];
        if (plane.nx == 0.0f && plane.ny == 0.0f)
            continue;
        work.push_back(edge);
    }
    if (work.empty())
        return;

    // The root splits on the first edge; the rest is divided below it.
    root = new ZoneNode();
    root->splitter = work.front();
    SplitNode(root, work);
}

void cPolygonZone::SplitNode(ZoneNode* top, std::vector<ZoneEdge*>& topList)
{
    // A work item is a node and its list, whose first record is the node's own splitter.
    // Depth first, back subtree before front subtree, on an explicit stack so that long
    // chains of edges cannot exhaust the call stack.
    std::vector<std::pair<ZoneNode*, std::vector<ZoneEdge*>>> pending;
    pending.emplace_back(top, std::move(topList));
    std::vector<ZoneEdge*> retired; // split records, freed once the tree is built
    while (!pending.empty())
    {
        ZoneNode* node = pending.back().first;
        std::vector<ZoneEdge*> list = std::move(pending.back().second);
        pending.pop_back();

        const cPlane2f splitter = planes[size_t(node->splitter->plane)];
        std::vector<ZoneEdge*> backList, frontList;
        for (size_t i = 1; i < list.size(); ++i)
        {
            ZoneEdge* edge = list[i];
            const float ds = splitter.SignedDistance(vertices[size_t(edge->start)]);
            const float de = splitter.SignedDistance(vertices[size_t(edge->end)]);
            const int ss = ds < -kPlane2Epsilon ? -1 : (ds > kPlane2Epsilon ? 1 : 0);
            const int se = de < -kPlane2Epsilon ? -1 : (de > kPlane2Epsilon ? 1 : 0);
            if (ss <= 0 && se <= 0)
            {
                if (ss != 0 || se != 0)
                    backList.push_back(edge);
                // both on the line: dropped
            }
            else if (ss >= 0 && se >= 0)
            {
                frontList.push_back(edge);
            }
            else
            {
                // One in front, one behind: split at the crossing point.
                cVec2f crossing;
                IntersectSegmentPlane2(splitter, vertices[size_t(edge->start)], vertices[size_t(edge->end)], &crossing);
                const int32_t k = static_cast<int32_t>(vertices.size());
                vertices.push_back(crossing);
                ZoneEdge* first = NewEdge(edge->plane, edge->start, k);
                ZoneEdge* second = NewEdge(edge->plane, k, edge->end);
                if (ss < 0)
                {
                    backList.push_back(first);
                    frontList.push_back(second);
                }
                else
                {
                    frontList.push_back(first);
                    backList.push_back(second);
                }
                retired.push_back(edge);
            }
        }

        // The children are made now; the front child's work goes on the stack first so
        // that the whole back subtree is built before the front one.
        ZoneNode* back = nullptr;
        ZoneNode* front = nullptr;
        if (!backList.empty())
        {
            back = node->back = new ZoneNode();
            back->splitter = backList.front();
        }
        if (!frontList.empty())
        {
            front = node->front = new ZoneNode();
            front->splitter = frontList.front();
        }
        if (front != nullptr)
            pending.emplace_back(front, std::move(frontList));
        if (back != nullptr)
            pending.emplace_back(back, std::move(backList));
    }

    // Split records leave the edge list and are freed (one pass, order kept).
    if (!retired.empty())
    {
        std::sort(retired.begin(), retired.end());
        std::erase_if(edges, [&](ZoneEdge* e) { return std::binary_search(retired.begin(), retired.end(), e); });
        for (ZoneEdge* edge : retired)
            delete edge;
    }
}

void cPolygonZone::ComputeBounds()
{
    bounds = cRect2f{kFloatMax, kFloatMax, -kFloatMax, -kFloatMax};
    for (const cVec2f& v : vertices)
    {
        if (v.x < bounds.minX)
            bounds.minX = v.x;
        if (v.y < bounds.minY)
            bounds.minY = v.y;
        if (v.x > bounds.maxX)
            bounds.maxX = v.x;
        if (v.y > bounds.maxY)
            bounds.maxY = v.y;
    }
}

bool cPolygonZone::ContainsPoint(const cVec2f& p) const
{
    // Written so that a NaN coordinate fails; points on the box edges pass.
    if (!(p.x >= bounds.minX && p.y >= bounds.minY && p.x <= bounds.maxX && p.y <= bounds.maxY))
        return false;
    const ZoneNode* node = root;
    if (node == nullptr)
        return false;
    for (;;)
    {
        const cPlane2f& plane = planes[size_t(node->splitter->plane)];
        const float d = plane.SignedDistance(p);
        if (d > kPlane2Epsilon)
        {
            node = node->front;
            if (node == nullptr)
                return false;
        }
        else
        {
            node = node->back;
            if (node == nullptr)
                return true;
        }
    }
}

ZoneEdge* cPolygonZone::NewEdge(int32_t plane, int32_t start, int32_t end)
{
    ZoneEdge* edge = new ZoneEdge{plane, start, end};
    edges.push_back(edge);
    return edge;
}

void cPolygonZone::FreeTreeAndEdges()
{
    std::vector<ZoneNode*> stack;
    if (root != nullptr)
        stack.push_back(root);
    while (!stack.empty())
    {
        ZoneNode* node = stack.back();
        stack.pop_back();
        if (node->front != nullptr)
            stack.push_back(node->front);
        if (node->back != nullptr)
            stack.push_back(node->back);
        delete node;
    }
    root = nullptr;
    for (ZoneEdge* edge : edges)
        delete edge;
    edges.clear();
}

size_t cPolygonZone::TreeDepth() const
{
    size_t deepest = 0;
    std::vector<std::pair<const ZoneNode*, size_t>> stack;
    if (root != nullptr)
        stack.emplace_back(root, 1);
    while (!stack.empty())
    {
        auto [node, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        if (node->front != nullptr)
            stack.emplace_back(node->front, depth + 1);
        if (node->back != nullptr)
            stack.emplace_back(node->back, depth + 1);
    }
    return deepest;
}

size_t cPolygonZone::NodeCount() const
{
    size_t count = 0;
    std::vector<const ZoneNode*> stack;
    if (root != nullptr)
        stack.push_back(root);
    while (!stack.empty())
    {
        const ZoneNode* node = stack.back();
        stack.pop_back();
        ++count;
        if (node->front != nullptr)
            stack.push_back(node->front);
        if (node->back != nullptr)
            stack.push_back(node->back);
    }
    return count;
}
