#include "KelpoBase/render/Model.h"

#include <cstring>
#include <memory>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/render/Image.h"

namespace
{
constexpr float kBig = 3.4028235e38f;
constexpr uint32_t kTextureLoadFlags = 0x11;

uint32_t gReaderVersion = 0;
cImage* gOptionImage = nullptr;

// Whether the stream still holds n bytes after its cursor.
bool Has(cDataStream& stream, uint64_t n) { return n <= stream.Remaining(); }

bool ReadExact(cDataStream& stream, void* dest, uint64_t n)
{
    if (n == 0)
        return true;
    if (!Has(stream, n))
        return false;
    return stream.Read(dest, uint32_t(n)) == n;
}

bool ReadU32(cDataStream& stream, uint32_t& out)
{
    uint8_t b[4];
    if (!ReadExact(stream, b, 4))
        return false;
    out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool ReadU16(cDataStream& stream, uint16_t& out)
{
    uint8_t b[2];
    if (!ReadExact(stream, b, 2))
        return false;
    out = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool ReadU8(cDataStream& stream, uint8_t& out) { return ReadExact(stream, &out, 1); }

bool ReadF32(cDataStream& stream, float& out)
{
    uint32_t bits;
    if (!ReadU32(stream, bits))
        return false;
    std::memcpy(&out, &bits, 4);
    return true;
}

bool ReadVec3(cDataStream& stream, cVec3f& out)
{
    return ReadF32(stream, out.x) && ReadF32(stream, out.y) && ReadF32(stream, out.z);
}

bool ReadName(cDataStream& stream, std::string& out)
{
    out.clear();
    uint8_t length;
    if (!ReadU8(stream, length))
        return false;
    out.resize(length);
    return ReadExact(stream, out.data(), length);
}

cImage* LoadModelTexture(cDataStream& stream, const std::string& name)
{
    if (name.empty())
        return nullptr;
    return ClassCast<cImage>(LoadTexture(JoinPath(DirectoryOfPath(stream.name), name), kTextureLoadFlags));
}

// Vertex data, then indices; false when either is short or an index is past the vertices.
bool ReadMeshArrays(cDataStream& stream, cMesh& mesh, uint32_t vertexCount, uint32_t indexCount)
{
    if (vertexCount != 0 && (mesh.vertices == nullptr || mesh.vertexCount != vertexCount))
        return false;
    if (mesh.indices.size() != indexCount)
        return false;
    if (!ReadExact(stream, mesh.vertices, uint64_t(mesh.stride) * vertexCount))
        return false;
    for (uint32_t i = 0; i < indexCount; ++i)
    {
        uint16_t index;
        if (!ReadU16(stream, index) || index >= vertexCount)
            return false;
        mesh.indices[i] = index;
    }
    return true;
}

template <class T> void DeleteAll(std::vector<T*>& list)
{
    for (T* item : list)
        delete item;
    list.clear();
}

cMultiMesh* OpenAndRead(const std::string& path, cMultiMesh* (*reader)(cDataStream&))
{
    cResourceFile file;
    if (!file.Open(path))
        return nullptr;
    file.name = path;
    cMultiMesh* result = reader(file);
    file.Close();
    return result;
}

cMultiMesh* ReadMemory(const void* bytes, uint32_t size, const std::string& name,
                       cMultiMesh* (*reader)(cDataStream&))
{
    cResourceFile file;
    if (!file.OpenMemory(bytes, size, name))
        return nullptr;
    file.name = name;
    return reader(file);
}

cResource* LoadModelHook(const std::string& name) { return LoadMultiMeshV1File(name); }
cResource* LoadModelV2Hook(const std::string& name) { return LoadMultiMeshV2File(name); }
cResource* LoadModelSetHook(cDataStream& stream) { return ReadModelSet(stream); }
} // namespace

// ---- Resource classes ----

cMultiMesh::~cMultiMesh()
{
    DeleteAll(meshes);
    DeleteAll(materials);
}

void cMultiMesh::AddTexCoordSet(uint32_t set)
{
    for (cMesh* mesh : meshes)
        mesh->AddTexCoordSet(set);
}

cMultiMesh* cMultiMesh::Clone(const cMultiMesh& source)
{
    auto* copy = new cMultiMesh();
    copy->boundsMin = source.boundsMin;
    copy->boundsMax = source.boundsMax;
    for (size_t i = 0; i < source.meshes.size(); ++i)
    {
        copy->meshes.push_back(cMesh::Clone(*source.meshes[i]));
        auto* material = new cMaterial();
        if (i < source.materials.size() && source.materials[i] != nullptr)
        {
            const cMaterial& from = *source.materials[i];
            material->textures[0] = from.textures[0];
            material->textures[1] = from.textures[1];
            material->flags = from.flags;
            material->blend = from.blend;
            material->colour = from.colour;
            material->extraTexture = from.extraTexture;
        }
        copy->materials.push_back(material);
    }
    return copy;
}

cModel3D::~cModel3D() { DeleteAll(parts); }

cModel3D* cModel3D::Clone(const cModel3D& source)
{
    auto* copy = new cModel3D();
    for (const cMultiMesh* part : source.parts)
        copy->parts.push_back(cMultiMesh::Clone(*part));
    copy->word = source.word;
    return copy;
}

cModelSet::~cModelSet() { DeleteAll(models); }

uint32_t GetModelReaderVersion() { return gReaderVersion; }
void SetModelReaderVersion(uint32_t version) { gReaderVersion = version; }
void SetModelOptionImage(cImage* image) { gOptionImage = image; }
cImage* GetModelOptionImage() { return gOptionImage; }

// ---- Format 1 ----

uint32_t MeshFormatFromV1Flags(uint32_t fileFlags) { return kMeshPosition | ((fileFlags & kMeshV1FileFlags) << 1); }

cMesh* ReadMeshV1(cDataStream& stream)
{
    uint32_t version, fileFlags, vertexCount, indexCount, strideCopy, stride;
    if (!ReadU32(stream, version) || !ReadU32(stream, fileFlags) || !ReadU32(stream, vertexCount) ||
        !ReadU32(stream, indexCount) || !ReadU32(stream, strideCopy) || !ReadU32(stream, stride))
        return nullptr;
    const uint32_t format = MeshFormatFromV1Flags(fileFlags);
    cArray<uint8_t, 14> offsets;
    const uint32_t layoutSize = cMesh::ComputeLayout(format, offsets);
    // A stride below the layout cannot hold the vertices the flags describe.
    if (stride != 0 && stride < layoutSize)
        return nullptr;
    const uint32_t vertexStride = stride != 0 ? stride : layoutSize;
    if (!Has(stream, uint64_t(vertexStride) * vertexCount + uint64_t(indexCount) * 2))
        return nullptr;
    auto mesh = std::make_unique<cMesh>(vertexCount, indexCount, format, stride);
    if (!ReadMeshArrays(stream, *mesh, vertexCount, indexCount))
        return nullptr;
    return mesh.release();
}

cMaterial* ReadMaterialV1(cDataStream& stream)
{
    uint32_t version;
    if (!ReadU32(stream, version))
        return nullptr;
    uint32_t count = 1;
    if (version >= 2 && !ReadU32(stream, count))
        return nullptr;
    // Every name takes at least its length byte.
    if (!Has(stream, count))
        return nullptr;
    auto material = std::make_unique<cMaterial>();
    for (uint32_t k = 0; k < count; ++k)
    {
        std::string name;
        if (!ReadName(stream, name))
            return nullptr;
        if (k < cArray<cImage*, 2>::Size())
            material->textures[k] = LoadModelTexture(stream, name);
    }
    return material.release();
}

cMultiMesh* ReadMultiMeshV1(cDataStream& stream)
{
    auto multi = std::make_unique<cMultiMesh>();
    uint32_t version, count;
    if (!ReadU32(stream, version) || !ReadVec3(stream, multi->boundsMin) || !ReadVec3(stream, multi->boundsMax) ||
        !ReadU32(stream, count))
        return nullptr;
    const int32_t n = int32_t(count);
    // A mesh record is at least 24 bytes and a material record at least 5.
    if (n > 0 && !Has(stream, uint64_t(n) * 29))
        return nullptr;
    for (int32_t i = 0; i < n; ++i)
    {
        cMesh* mesh = ReadMeshV1(stream);
        if (mesh == nullptr)
            return nullptr;
        multi->meshes.push_back(mesh);
        cMaterial* material = ReadMaterialV1(stream);
        if (material == nullptr)
            return nullptr;
        multi->materials.push_back(material);
    }
    return multi.release();
}

cMultiMesh* LoadMultiMeshV1File(const std::string& path) { return OpenAndRead(path, ReadMultiMeshV1); }

cMultiMesh* LoadMultiMeshV1Memory(const void* bytes, uint32_t size, const std::string& name)
{
    return ReadMemory(bytes, size, name, ReadMultiMeshV1);
}

// ---- Format 2 ----

uint32_t MeshFormatFromV2Flags(uint8_t fileFlags)
{
    uint32_t format = kMeshPosition;
    if (fileFlags & 0x20)
        format |= kMeshPositions2D;
    if (fileFlags & 0x01)
        format |= kMeshNormal;
    if (fileFlags & 0x02)
        format |= kMeshColour;
    if (fileFlags & 0x08)
        format |= kMeshTexCoord0;
    if (fileFlags & 0x10)
        format |= kMeshTexCoord1;
    return format;
}

cMesh* ReadMeshV2(cDataStream& stream)
{
    uint32_t unused;
    uint8_t fileFlags;
    uint16_t vertexCount, indexCount;
    if (!ReadU32(stream, unused) || !ReadU8(stream, fileFlags) || !ReadU16(stream, vertexCount) ||
        !ReadU16(stream, indexCount))
        return nullptr;
    const uint32_t format = MeshFormatFromV2Flags(fileFlags);
    cArray<uint8_t, 14> offsets;
    const uint32_t stride = cMesh::ComputeLayout(format, offsets);
    if (!Has(stream, uint64_t(stride) * vertexCount + uint64_t(indexCount) * 2))
        return nullptr;
    auto mesh = std::make_unique<cMesh>(vertexCount, indexCount, format, 0);
    if (!ReadMeshArrays(stream, *mesh, vertexCount, indexCount))
        return nullptr;
    mesh->ComputeBounds();
    return mesh.release();
}

cMaterial* ReadMaterialV2(cDataStream& stream)
{
    uint32_t unused1, unused2;
    std::string name;
    if (!ReadU32(stream, unused1) || !ReadU32(stream, unused2) || !ReadName(stream, name))
        return nullptr;
    uint32_t options = 0;
    if (gReaderVersion >= 2 && !ReadU32(stream, options))
        return nullptr;
    auto material = std::make_unique<cMaterial>();
    material->textures[0] = LoadModelTexture(stream, name);
    if (options & 0x1)
    {
        if (material->textures[0] == nullptr)
            material->flags |= 0x10;
        else
        {
            material->flags |= 0x20;
            material->textures[1] = gOptionImage;
        }
    }
    return material.release();
}

cMultiMesh* ReadMultiMeshV2(cDataStream& stream)
{
    uint8_t n;
    if (!ReadU8(stream, n))
        return nullptr;
    // A mesh record is at least 9 bytes and a material record at least 9.
    if (!Has(stream, uint64_t(n) * 18))
        return nullptr;
    auto multi = std::make_unique<cMultiMesh>();
    multi->meshes.assign(n, nullptr);
    multi->materials.assign(n, nullptr);
    multi->boundsMin.Set(kBig, kBig, kBig);
    multi->boundsMax.Set(-kBig, -kBig, -kBig);
    for (uint32_t i = 0; i < n; ++i)
    {
        cMesh* mesh = ReadMeshV2(stream);
        if (mesh == nullptr)
            return nullptr;
        multi->meshes[i] = mesh;
        cMaterial* material = ReadMaterialV2(stream);
        if (material == nullptr)
            return nullptr;
        multi->materials[i] = material;
        cVec3f& lo = multi->boundsMin;
        cVec3f& hi = multi->boundsMax;
        lo.Set(std::min(lo.x, mesh->boundsMin.x), std::min(lo.y, mesh->boundsMin.y),
               std::min(lo.z, mesh->boundsMin.z));
        hi.Set(std::max(hi.x, mesh->boundsMax.x), std::max(hi.y, mesh->boundsMax.y),
               std::max(hi.z, mesh->boundsMax.z));
    }
    return multi.release();
}

cMultiMesh* ReadMultiMeshV2File(cDataStream& stream)
{
    uint32_t version;
    if (!ReadU32(stream, version))
        return nullptr;
    gReaderVersion = version;
    return ReadMultiMeshV2(stream);
}

cMultiMesh* LoadMultiMeshV2File(const std::string& path) { return OpenAndRead(path, ReadMultiMeshV2File); }

cMultiMesh* LoadMultiMeshV2Memory(const void* bytes, uint32_t size, const std::string& name)
{
    return ReadMemory(bytes, size, name, ReadMultiMeshV2File);
}

// ---- Models and sets ----

cModel3D* ReadModel3D(cDataStream& stream)
{
    auto model = std::make_unique<cModel3D>();
    uint32_t unused;
    if (!ReadU32(stream, unused) || !ReadName(stream, model->label))
        return nullptr;
    if (gReaderVersion >= 2 && !ReadU32(stream, unused))
        return nullptr;
    uint8_t n;
    if (!ReadU8(stream, n) || !Has(stream, uint64_t(n) + 24))
        return nullptr;
    model->parts.assign(n, nullptr);
    for (uint32_t i = 0; i < n; ++i)
    {
        model->parts[i] = ReadMultiMeshV2(stream);
        if (model->parts[i] == nullptr)
            return nullptr;
    }
    for (float& b : model->bounds)
        if (!ReadF32(stream, b))
            return nullptr;
    return model.release();
}

cModelSet* ReadModelSet(cDataStream& stream)
{
    uint32_t unused, version;
    uint16_t n;
    if (!ReadU32(stream, unused) || !ReadU32(stream, version) || !ReadU16(stream, n))
        return nullptr;
    gReaderVersion = version;
    // A model record is at least 30 bytes.
    if (!Has(stream, uint64_t(n) * 30))
        return nullptr;
    auto set = std::make_unique<cModelSet>();
    set->models.assign(n, nullptr);
    for (uint32_t i = 0; i < n; ++i)
    {
        set->models[i] = ReadModel3D(stream);
        if (set->models[i] == nullptr)
            return nullptr;
    }
    return set.release();
}

cModelSet* LoadModelSetFile(const std::string& path)
{
    cResourceFile file;
    if (!file.Open(path))
        return nullptr;
    file.name = path;
    cModelSet* set = ReadModelSet(file);
    file.Close();
    return set;
}

cModelSet* LoadModelSetMemory(const void* bytes, uint32_t size, const std::string& name)
{
    cResourceFile file;
    if (!file.OpenMemory(bytes, size, name))
        return nullptr;
    file.name = name;
    return ReadModelSet(file);
}

void RegisterModelLoaders()
{
    SetModelLoader(LoadModelHook, LoadModelSetHook, cMultiMesh::StaticClassInfo());
    SetModelV2Loader(LoadModelV2Hook);
}
