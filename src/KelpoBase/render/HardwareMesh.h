// Hardware meshes: meshes whose vertices and indices live in library-side buffers.
//
// cHardwareMesh is what the engine sees; cHardwareMesh_OGL_1 is made by the OpenGL
// renderer (cRenderer_OGL_1::CreateHardwareMesh). It keeps the source mesh's layout
// (format flags, attribute offsets, stride, index count) and, when the context offers
// buffer objects, one vertex buffer and one index buffer filled from the mesh at creation.
// A hardware mesh without both buffers draws nothing.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/core/KelpoObj.h"

class cMesh;

class cHardwareMesh : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cHardwareMesh, cKelpoObj)
public:
    cHardwareMesh() = default;
    ~cHardwareMesh() override = default;
};

class cHardwareMesh_OGL_1 : public cHardwareMesh
{
    KELPO_DECLARE_CLASS(cHardwareMesh_OGL_1, cHardwareMesh)
public:
    // An empty mesh (format 0, no buffers).
    cHardwareMesh_OGL_1() = default;
    // The layout of the mesh, and its vertices and indices uploaded into two buffers
    // (left without buffers when the context has none, the mesh has no data, or an index
    // names a vertex the mesh does not have).
    explicit cHardwareMesh_OGL_1(const cMesh& mesh);
    // Deletes the buffers.
    ~cHardwareMesh_OGL_1() override;

    // The attribute offset of attribute i (0 position, 1 normal, 2 colour, 3 + n set n).
    uint8_t AttributeOffset(uint32_t i) const { return attributeOffsets[i]; }
    bool HasBuffers() const { return vertexBuffer != 0 && indexBuffer != 0; }

    uint32_t reserved[2] = {0, 0};
    cArray<uint8_t, 14> attributeOffsets{};
    uint32_t format = 0;
    uint32_t stride = 0;
    uint32_t indexCount = 0;
    uint32_t vertexCount = 0;
    // Library buffer names (0 = none).
    uint32_t vertexBuffer = 0;
    uint32_t indexBuffer = 0;
};
