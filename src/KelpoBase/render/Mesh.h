// cMesh: the engine's in-memory triangle mesh: one interleaved vertex array laid out by
// format flags, and one array of 16-bit indices. The 2D drawer batches into one, model
// files are read into them, and the renderer draws them from client memory.
//
// Every mesh made with Create stands on one global list, which hands out small ids
// (at most the number of live meshes) and reuses them after meshes die.
#pragma once

#include <cstdint>
#include <vector>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"
#include "KelpoBase/render/Resource.h"

// Format flags, in layout order.
inline constexpr uint32_t kMeshPosition = 0x0001;  // 3 floats (2 with kMeshPositions2D)
inline constexpr uint32_t kMeshNormal = 0x0002;    // 3 floats
inline constexpr uint32_t kMeshColour = 0x0004;    // 4 bytes R, G, B, A
inline constexpr uint32_t kMeshTexCoord0 = 0x0008; // 2 floats each
inline constexpr uint32_t kMeshTexCoord1 = 0x0010;
inline constexpr uint32_t kMeshTexCoord2 = 0x0020;
inline constexpr uint32_t kMeshAttribute13 = 0x2000; // 4 bytes
inline constexpr uint32_t kMeshAttribute12 = 0x1000; // 16 bytes
inline constexpr uint32_t kMeshPositions2D = 0x4000;

// Attribute numbers of attributeOffsets.
inline constexpr uint32_t kAttribPosition = 0;
inline constexpr uint32_t kAttribNormal = 1;
inline constexpr uint32_t kAttribColour = 2;
inline constexpr uint32_t kAttribTexCoord0 = 3; // 3 + set
inline constexpr uint32_t kAttrib16Bytes = 12;
inline constexpr uint32_t kAttrib4Bytes = 13;

class cMesh : public cResource
{
    KELPO_DECLARE_CLASS(cMesh, cResource)
public:
    // An empty mesh, not on the global list.
    cMesh();
    cMesh(uint32_t vertexCount, uint32_t indexCount, uint32_t format, uint32_t requestedStride);
    cMesh(uint32_t vertexCount, uint32_t indexCount, uint32_t format);
    // Leaves the global list (when on it) and frees the arrays.
    ~cMesh() override;

    // Lays the vertices out by format (a non-zero requested stride widens each vertex),
    // makes the index array of indexCount zeros and the vertex array (not cleared), and
    // enters the mesh on the global list with a new id. A requested stride below the
    // layout's size is reported and the layout's size is used.
    void Create(uint32_t vertexCount, uint32_t indexCount, uint32_t format, uint32_t requestedStride);

    // The byte size of a vertex of the format, and each attribute's offset.
    static uint32_t ComputeLayout(uint32_t format, cArray<uint8_t, 14>& offsets);

    uint8_t* PositionPtr(uint32_t i) const { return vertices + size_t(i) * stride; }
    uint8_t* NormalPtr(uint32_t i) const { return PositionPtr(i) + attributeOffsets[kAttribNormal]; }
    uint8_t* ColourPtr(uint32_t i) const { return PositionPtr(i) + attributeOffsets[kAttribColour]; }
    uint8_t* TexCoordPtr(uint32_t set, uint32_t i) const
    {
        return PositionPtr(i) + attributeOffsets[kAttribTexCoord0 + set];
    }
    bool HasTexCoordSet(uint32_t set) const { return set < 29 && (format & (kMeshTexCoord0 << set)) != 0; }
    bool Is2D() const { return (format & kMeshPositions2D) != 0; }
    // The position of vertex i as a 3-vector (z = 0 for 2D positions).
    cVec3f GetPosition(uint32_t i) const;
    void SetPosition(uint32_t i, const cVec3f& p);

    void ComputeBounds();
    // Positions by the whole matrix, normals by its rotation part.
    void Transform(const cMatrix44& matrix);

    // Sets id and the last id by the id rule, without entering the list.
    void AssignId();
    // Replaces the vertex array pointer and count; the old array is not freed and the
    // layout stays. The mesh owns the new array (made with new[]) from then on.
    void SetVertexData(uint8_t* data, uint32_t count);
    void SetAllVertexColours(uint32_t colour);
    // Copies the attributes both meshes have, vertex by vertex, over the vertices both have.
    static void CopyVertexAttributes(cMesh& destination, const cMesh& source);
    // Widens the layout by one texture-coordinate set (values undefined).
    void AddTexCoordSet(uint32_t set);
    // A copy of the arrays and layout, id 0, not on the global list.
    static cMesh* Clone(const cMesh& source);
    // Whether the line through p and q meets a triangle (one-sided test).
    bool IntersectsLine(const cVec3f& p, const cVec3f& q) const;

    // The global list.
    static uint32_t LiveCount();
    static uint16_t LastId();

    uint32_t format = 0;
    uint32_t vertexCount = 0;
    uint32_t stride = 0;
    cArray<uint8_t, 14> attributeOffsets{};
    uint32_t firstIndex = 0;
    uint8_t* vertices = nullptr;
    std::vector<uint16_t> indices;
    uint32_t indexCount = 0;
    uint16_t id = 0;
    cVec3f boundsMin;
    cVec3f boundsMax;

private:
    void FreeVertices();
    bool onList = false;
};

// The tangent and bitangent of one triangle from its positions and texture coordinates;
// nothing is written when the texture coordinates are degenerate.
void ComputeTriangleTangents(const float* p0, const float* p1, const float* p2, const float* uv0, const float* uv1,
                             const float* uv2, cVec3f& tangent, cVec3f& bitangent);

// Welds the equal positions of a mesh and gives each the normalised sum of the normals
// of the triangles that use it; Inflate moves them along those normals.
class MeshInflater
{
public:
    explicit MeshInflater(const cMesh& mesh);
    void Inflate(float amount);

    std::vector<cVec3f> positions;             // unique positions, in order first met
    std::vector<cVec3f> normals;               // one per unique position
    std::vector<std::vector<uint32_t>> users;  // triangles using each unique position
    std::vector<uint32_t> triangles;           // 3 welded indices per triangle
};

// A position-only mesh of the welded positions, moved by amount along their normals,
// every triangle wound the other way.
cMesh* MakeInflatedMesh(const cMesh& mesh, float amount);
