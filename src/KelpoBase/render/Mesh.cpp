#include "KelpoBase/render/Mesh.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Projection.h"

namespace
{
// The meshes made with Create, the last id handed out.
std::vector<cMesh*>& LiveMeshes()
{
    static std::vector<cMesh*> list;
    return list;
}
uint16_t gLastMeshId = 0;

// Vertex arrays beyond this are refused (a count read from a file, not a real mesh).
constexpr uint64_t kMaxVertexBytes = 256ull * 1024 * 1024;

float ReadFloat(const uint8_t* p)
{
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}
void WriteFloat(uint8_t* p, float f) { std::memcpy(p, &f, sizeof f); }
} // namespace

cMesh::cMesh()
{
    boundsMin.Set(kFloatMax, kFloatMax, kFloatMax);
    boundsMax.Set(-kFloatMax, -kFloatMax, -kFloatMax);
}

cMesh::cMesh(uint32_t count, uint32_t indexTotal, uint32_t layout, uint32_t requestedStride) : cMesh()
{
    Create(count, indexTotal, layout, requestedStride);
}

cMesh::cMesh(uint32_t count, uint32_t indexTotal, uint32_t layout) : cMesh()
{
    Create(count, indexTotal, layout, 0);
}

cMesh::~cMesh()
{
    if (onList)
    {
        auto& list = LiveMeshes();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        onList = false;
    }
    FreeVertices();
}

void cMesh::FreeVertices()
{
    delete[] vertices;
    vertices = nullptr;
}

uint32_t cMesh::ComputeLayout(uint32_t layout, cArray<uint8_t, 14>& offsets)
{
    for (uint32_t i = 0; i < 14; ++i)
        offsets[i] = 0;
    uint32_t size = 0;
    if (layout & kMeshPosition)
    {
        offsets[kAttribPosition] = uint8_t(size);
        size += (layout & kMeshPositions2D) ? 8 : 12;
    }
    if (layout & kMeshNormal)
    {
        offsets[kAttribNormal] = uint8_t(size);
        size += 12;
    }
    if (layout & kMeshColour)
    {
        offsets[kAttribColour] = uint8_t(size);
        size += 4;
    }
    uint32_t set = 0;
    for (uint32_t flag : {kMeshTexCoord0, kMeshTexCoord1, kMeshTexCoord2})
    {
        if (layout & flag)
        {
            offsets[kAttribTexCoord0 + set] = uint8_t(size);
            size += 8;
            ++set;
        }
    }
    if (layout & kMeshAttribute13)
    {
        offsets[kAttrib4Bytes] = uint8_t(size);
        size += 4;
    }
    if (layout & kMeshAttribute12)
    {
        offsets[kAttrib16Bytes] = uint8_t(size);
        size += 16;
    }
    return size;
}

void cMesh::Create(uint32_t count, uint32_t indexTotal, uint32_t layout, uint32_t requestedStride)
{
    format = layout;
    firstIndex = 0;
    const uint32_t computed = ComputeLayout(layout, attributeOffsets);
    stride = computed;
    if (requestedStride != 0)
    {
        if (requestedStride < computed)
            ReportMeshDebugError("desiredStride >= vertexStride");
        else
            stride = requestedStride;
    }

    // The arrays: refused sizes leave an empty mesh rather than a short one.
    FreeVertices();
    vertexCount = count;
    indexCount = indexTotal;
    try
    {
        indices.assign(indexTotal, 0);
    }
    catch (const std::bad_alloc&)
    {
        indices.clear();
        indexCount = 0;
    }
    const uint64_t bytes = uint64_t(stride) * count;
    if (count != 0 && bytes <= kMaxVertexBytes)
        vertices = new (std::nothrow) uint8_t[bytes];
    if (vertices == nullptr)
        vertexCount = 0;

    if (!onList)
    {
        AssignId();
        LiveMeshes().push_back(this);
        onList = true;
    }
}

void cMesh::AssignId()
{
    const auto& list = LiveMeshes();
    uint32_t candidate = uint16_t(gLastMeshId + 1);
    if (candidate > list.size())
        candidate = 0;
    auto taken = [&list, this](uint32_t value) {
        return std::any_of(list.begin(), list.end(),
                           [value, this](const cMesh* m) { return m != this && m->id == value; });
    };
    while (taken(candidate))
        ++candidate;
    id = uint16_t(candidate);
    gLastMeshId = id;
}

uint32_t cMesh::LiveCount() { return uint32_t(LiveMeshes().size()); }
uint16_t cMesh::LastId() { return gLastMeshId; }

cVec3f cMesh::GetPosition(uint32_t i) const
{
    const uint8_t* p = PositionPtr(i);
    return cVec3f(ReadFloat(p), ReadFloat(p + 4), Is2D() ? 0.0f : ReadFloat(p + 8));
}

void cMesh::SetPosition(uint32_t i, const cVec3f& v)
{
    uint8_t* p = PositionPtr(i);
    WriteFloat(p, v.x);
    WriteFloat(p + 4, v.y);
    if (!Is2D())
        WriteFloat(p + 8, v.z);
}

void cMesh::ComputeBounds()
{
    boundsMin.Set(kFloatMax, kFloatMax, kFloatMax);
    boundsMax.Set(-kFloatMax, -kFloatMax, -kFloatMax);
    if (vertices == nullptr)
        return;
    for (uint32_t i = 0; i < vertexCount; ++i)
    {
        const cVec3f p = GetPosition(i);
        boundsMin.Set(std::min(boundsMin.x, p.x), std::min(boundsMin.y, p.y), std::min(boundsMin.z, p.z));
        boundsMax.Set(std::max(boundsMax.x, p.x), std::max(boundsMax.y, p.y), std::max(boundsMax.z, p.z));
    }
    if (Is2D())
    {
        boundsMin.z = 0.0f;
        boundsMax.z = 0.0f;
    }
}

void cMesh::Transform(const cMatrix44& matrix)
{
    if (vertices == nullptr)
        return;
    const bool normals = (format & kMeshNormal) != 0;
    for (uint32_t i = 0; i < vertexCount; ++i)
    {
        SetPosition(i, Matrix4TransformPoint(matrix, GetPosition(i)));
        if (normals)
        {
            uint8_t* n = NormalPtr(i);
            cVec3f v(ReadFloat(n), ReadFloat(n + 4), ReadFloat(n + 8));
            Matrix4TransformDirection(matrix, v);
            WriteFloat(n, v.x);
            WriteFloat(n + 4, v.y);
            WriteFloat(n + 8, v.z);
        }
    }
}

void cMesh::SetVertexData(uint8_t* data, uint32_t count)
{
    vertices = data;
    vertexCount = count;
}

void cMesh::SetAllVertexColours(uint32_t colour)
{
    if ((format & kMeshColour) == 0 || vertices == nullptr)
        return;
    for (uint32_t i = 0; i < vertexCount; ++i)
        std::memcpy(ColourPtr(i), &colour, 4);
}

void cMesh::CopyVertexAttributes(cMesh& destination, const cMesh& source)
{
    if (destination.vertices == nullptr || source.vertices == nullptr)
        return;
    const uint32_t count = std::min(destination.vertexCount, source.vertexCount);
    // Positions: 3 floats, or 2 when either side keeps 2D positions (a third float would
    // overwrite the next attribute).
    const uint32_t positionBytes = (destination.Is2D() || source.Is2D()) ? 8 : 12;
    for (uint32_t i = 0; i < count; ++i)
        std::memcpy(destination.PositionPtr(i), source.PositionPtr(i), positionBytes);
    if ((destination.format & kMeshColour) && (source.format & kMeshColour))
        for (uint32_t i = 0; i < count; ++i)
            std::memcpy(destination.ColourPtr(i), source.ColourPtr(i), 4);
    if ((destination.format & kMeshNormal) && (source.format & kMeshNormal))
        for (uint32_t i = 0; i < count; ++i)
            std::memcpy(destination.NormalPtr(i), source.NormalPtr(i), 12);
    for (uint32_t k = 0; k < 8; ++k)
    {
        const uint32_t flag = kMeshTexCoord0 << k;
        if ((destination.format & flag) && (source.format & flag))
            for (uint32_t i = 0; i < count; ++i)
                std::memcpy(destination.TexCoordPtr(k, i), source.TexCoordPtr(k, i), 8);
    }
}

void cMesh::AddTexCoordSet(uint32_t set)
{
    if (set >= 29 || (format & (kMeshTexCoord0 << set)) != 0)
        return;
    auto* wider = new cMesh(vertexCount, 0, format | (kMeshTexCoord0 << set), 0);
    if (wider->vertexCount != vertexCount)
    {
        // The wider array could not be had: the mesh stays as it was.
        delete wider;
        return;
    }
    CopyVertexAttributes(*wider, *this);
    std::swap(vertices, wider->vertices);
    std::swap(vertexCount, wider->vertexCount);
    format = wider->format;
    stride = wider->stride;
    for (uint32_t i = 0; i < 14; ++i)
        attributeOffsets[i] = wider->attributeOffsets[i];
    delete wider;
}

cMesh* cMesh::Clone(const cMesh& source)
{
    auto* copy = new cMesh();
    copy->format = source.format;
    copy->vertexCount = source.vertexCount;
    copy->indexCount = source.indexCount;
    copy->stride = source.stride;
    for (uint32_t i = 0; i < 14; ++i)
        copy->attributeOffsets[i] = source.attributeOffsets[i];
    copy->firstIndex = source.firstIndex;
    copy->boundsMin = source.boundsMin;
    copy->boundsMax = source.boundsMax;
    if (source.vertices != nullptr && source.vertexCount != 0)
    {
        const size_t bytes = size_t(source.stride) * source.vertexCount;
        copy->vertices = new uint8_t[bytes];
        std::memcpy(copy->vertices, source.vertices, bytes);
    }
    else
    {
        copy->vertexCount = 0;
    }
    copy->indices = source.indices;
    return copy;
}

bool cMesh::IntersectsLine(const cVec3f& p, const cVec3f& q) const
{
    const uint32_t count = std::min<uint32_t>(indexCount, uint32_t(indices.size()));
    if (vertices == nullptr)
        return false;
    for (uint32_t k = 0; k + 2 < count; k += 3)
    {
        const uint16_t a = indices[k], b = indices[k + 1], c = indices[k + 2];
        // Indices past the vertex array name no triangle.
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount)
            continue;
        if (IntersectLineTriangle(p, q, GetPosition(a), GetPosition(b), GetPosition(c), nullptr))
            return true;
    }
    return false;
}

void ComputeTriangleTangents(const float* p0, const float* p1, const float* p2, const float* uv0, const float* uv1,
                             const float* uv2, cVec3f& tangent, cVec3f& bitangent)
{
    const cVec3f a(p0), b(p1), c(p2);
    const cVec3f e1 = b - a;
    const cVec3f e2 = c - a;
    const float du1 = uv1[0] - uv0[0], dv1 = uv1[1] - uv0[1];
    const float du2 = uv2[0] - uv0[0], dv2 = uv2[1] - uv0[1];
    const float det = static_cast<float>(du2 * dv1 - du1 * dv2);
    if (det == 0.0f)
        return;
    const float r = 1.0f / det;
    tangent = (e2 * dv1 - e1 * dv2) * r;
    bitangent = (e2 * du1 - e1 * du2) * r;
    tangent.NormaliseFast();
    bitangent.NormaliseFast();
}

MeshInflater::MeshInflater(const cMesh& mesh)
{
    const uint32_t count = std::min<uint32_t>(mesh.indexCount, uint32_t(mesh.indices.size()));
    if (mesh.vertices == nullptr)
        return;
    auto weld = [this](const cVec3f& p) {
        for (uint32_t i = 0; i < positions.size(); ++i)
            if (positions[i].Equals(p))
                return i;
        positions.push_back(p);
        normals.emplace_back();
        users.emplace_back();
        return uint32_t(positions.size() - 1);
    };
    for (uint32_t k = 0; k + 2 < count; k += 3)
    {
        const uint16_t a = mesh.indices[k], b = mesh.indices[k + 1], c = mesh.indices[k + 2];
        if (a >= mesh.vertexCount || b >= mesh.vertexCount || c >= mesh.vertexCount)
            continue;
        const uint32_t triangle = uint32_t(triangles.size() / 3);
        for (uint16_t v : {a, b, c})
        {
            const uint32_t u = weld(mesh.GetPosition(v));
            triangles.push_back(u);
            users[u].push_back(triangle);
        }
    }
    for (uint32_t u = 0; u < positions.size(); ++u)
    {
        cVec3f sum;
        for (uint32_t t : users[u])
        {
            const cVec3f& a = positions[triangles[t * 3]];
            const cVec3f& b = positions[triangles[t * 3 + 1]];
            const cVec3f& c = positions[triangles[t * 3 + 2]];
            sum += (b - a).Cross(c - a);
        }
        sum.NormaliseFast();
        normals[u] = sum;
    }
}

void MeshInflater::Inflate(float amount)
{
    for (uint32_t u = 0; u < positions.size(); ++u)
        positions[u] += normals[u] * amount;
}

cMesh* MakeInflatedMesh(const cMesh& mesh, float amount)
{
    MeshInflater inflater(mesh);
    if (amount != 0.0f)
        inflater.Inflate(amount);
    auto* result = new cMesh(uint32_t(inflater.positions.size()), uint32_t(inflater.triangles.size()), kMeshPosition);
    if (result->vertices != nullptr)
        for (uint32_t u = 0; u < inflater.positions.size(); ++u)
            result->SetPosition(u, inflater.positions[u]);
    for (size_t t = 0; t + 2 < inflater.triangles.size() && t + 2 < result->indices.size(); t += 3)
    {
        result->indices[t] = uint16_t(inflater.triangles[t]);
        result->indices[t + 1] = uint16_t(inflater.triangles[t + 2]);
        result->indices[t + 2] = uint16_t(inflater.triangles[t + 1]);
    }
    return result;
}
