#include "KelpoBase/render/HardwareMesh.h"

#include <algorithm>

#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/render/Mesh.h"

cHardwareMesh_OGL_1::cHardwareMesh_OGL_1(const cMesh& mesh)
{
    attributeOffsets = mesh.attributeOffsets;
    format = mesh.format;
    stride = mesh.stride;
    vertexCount = mesh.vertexCount;

    // The indices drawn are the mesh's from firstIndex, never past its index array.
    const size_t available = mesh.indices.size() > mesh.firstIndex ? mesh.indices.size() - mesh.firstIndex : 0;
    const auto count = uint32_t(std::min<size_t>(mesh.indexCount, available));
    indexCount = count;

    cGLFunctions& gl = GL();
    if (!gl.hasBufferObjects || gl.GenBuffers == nullptr || mesh.vertices == nullptr || stride == 0 ||
        vertexCount == 0 || count == 0)
        return;
    const uint16_t* first = mesh.indices.data() + mesh.firstIndex;
    // An index past the vertices would make the library read outside the buffer.
    if (*std::max_element(first, first + count) >= vertexCount)
        return;

    GLuint names[2] = {0, 0};
    gl.GenBuffers(2, names);
    if (names[0] == 0 || names[1] == 0)
    {
        gl.DeleteBuffers(2, names);
        return;
    }
    vertexBuffer = names[0];
    indexBuffer = names[1];
    gl.BindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(vertexCount) * stride), mesh.vertices, GL_STATIC_DRAW);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(size_t(count) * sizeof(uint16_t)), first, GL_STATIC_DRAW);
    gl.BindBuffer(GL_ARRAY_BUFFER, 0);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

cHardwareMesh_OGL_1::~cHardwareMesh_OGL_1()
{
    cGLFunctions& gl = GL();
    if (gl.DeleteBuffers != nullptr)
    {
        if (vertexBuffer != 0)
            gl.DeleteBuffers(1, &vertexBuffer);
        if (indexBuffer != 0)
            gl.DeleteBuffers(1, &indexBuffer);
    }
    vertexBuffer = 0;
    indexBuffer = 0;
}
