#include "KelpoBase/render/ModelWriter.h"

#include <cstring>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/render/Image.h"

namespace
{
// Counts what the stream accepted against what was asked of it.
struct Counter
{
    cDataStream& stream;
    bool good = true;

    void Bytes(const void* data, uint32_t n)
    {
        if (n != 0 && stream.Write(data, n) != n)
            good = false;
    }
    void U32(uint32_t value)
    {
        const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        Bytes(b, 4);
    }
    void F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        U32(bits);
    }
    void Vec3(const cVec3f& v)
    {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    void Name(const std::string& text)
    {
        const uint8_t length = uint8_t(text.size() > 255 ? 255 : text.size());
        Bytes(&length, 1);
        Bytes(text.data(), length);
    }
};

void WriteMesh(Counter& out, const cMesh& mesh)
{
    const uint32_t vertexCount = mesh.vertices != nullptr ? mesh.vertexCount : 0;
    out.U32(1);
    out.U32(MeshV1FlagsFromFormat(mesh.format));
    out.U32(vertexCount);
    out.U32(mesh.indexCount);
    out.U32(mesh.stride);
    out.U32(mesh.stride);
    if (vertexCount != 0)
        out.Bytes(mesh.vertices, mesh.stride * vertexCount);
    for (uint32_t i = 0; i < mesh.indexCount; ++i)
    {
        const uint16_t index = i < mesh.indices.size() ? mesh.indices[i] : 0;
        const uint8_t b[2] = {uint8_t(index), uint8_t(index >> 8)};
        out.Bytes(b, 2);
    }
}

void WriteMaterial(Counter& out, const cMaterial* material, const std::string& outputPath)
{
    out.U32(2);
    out.U32(2);
    for (uint32_t slot = 0; slot < 2; ++slot)
    {
        const cImage* image = material != nullptr ? material->textures[slot] : nullptr;
        out.Name(image != nullptr ? ModelTextureFileName(image, outputPath) : std::string());
    }
}
} // namespace

uint32_t MeshV1FlagsFromFormat(uint32_t format) { return (format >> 1) & kMeshV1FileFlags; }

std::string ModelTextureFileName(const cImage* image, const std::string& outputPath)
{
    if (image == nullptr || image->name.empty())
        return std::string();
    return MakeRelativePath(DirectoryOfPath(outputPath), image->name);
}

bool cMultiMesh::Write(cDataStream& stream) const
{
    Counter out{stream};
    out.U32(1);
    out.Vec3(boundsMin);
    out.Vec3(boundsMax);
    out.U32(uint32_t(meshes.size()));
    for (size_t i = 0; i < meshes.size(); ++i)
    {
        WriteMesh(out, *meshes[i]);
        WriteMaterial(out, i < materials.size() ? materials[i] : nullptr, stream.name);
    }
    return out.good;
}

bool SaveMultiMeshV1File(const cMultiMesh& model, const std::string& path)
{
    cFileDataStream file;
    if (!file.OpenForWrite(path))
        return false;
    file.name = path;
    const bool written = model.Write(file);
    const bool good = file.Good();
    file.Close();
    return written && good;
}
