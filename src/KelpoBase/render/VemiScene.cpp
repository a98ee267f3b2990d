#include "KelpoBase/render/VemiScene.h"

#include <cstring>
#include <memory>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Model.h"

namespace
{
// Reads that refuse to pass the end of the stream.
struct Reader
{
    cDataStream& stream;

    bool Bytes(void* dest, uint32_t n)
    {
        if (n > stream.Remaining())
            return false;
        return stream.Read(dest, n) == n;
    }
    bool U8(uint8_t& v) { return Bytes(&v, 1); }
    bool U16(uint16_t& v)
    {
        uint8_t b[2];
        if (!Bytes(b, 2))
            return false;
        v = uint16_t(b[0] | b[1] << 8);
        return true;
    }
    bool U32(uint32_t& v)
    {
        uint8_t b[4];
        if (!Bytes(b, 4))
            return false;
        v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }
    bool F32(float& f)
    {
        uint32_t bits;
        if (!U32(bits))
            return false;
        std::memcpy(&f, &bits, 4);
        return true;
    }
    bool Vec3(cVec3f& v) { return F32(v.x) && F32(v.y) && F32(v.z); }
    bool Name(std::string& out)
    {
        uint8_t length;
        if (!U8(length))
            return false;
        out.resize(length);
        return Bytes(out.data(), length);
    }
};

enum : uint16_t
{
    kChunkEnd = 0,
    kChunkMeshObject = 1,
    kChunkCollisionShape = 9,
    kChunkPhysicsInfo = 10,
};

// The object of a mesh-object chunk; null when the chunk is short or its mesh index is
// outside the mesh block.
cKelpoObj* ReadMeshObject(Reader& in, const cMultiMesh& meshes)
{
    cVec3f position, second, angles;
    std::string name;
    uint16_t index;
    uint8_t unused8;
    uint32_t unused32;
    if (!in.Vec3(position) || !in.Vec3(second) || !in.Vec3(angles) || !in.Name(name) || !in.U16(index) ||
        !in.U8(unused8) || !in.U32(unused32) || !in.U8(unused8))
        return nullptr;
    if (index >= meshes.meshes.size())
        return nullptr;
    return new cCSMeshObject(position, second, angles, name, meshes.meshes[index]);
}

// The shape of a collision chunk; ok is false when the chunk is short. A type outside 1
// to 5 gives no object (and ok stays true).
cKelpoObj* ReadShape(Reader& in, bool& ok)
{
    ok = false;
    cVec3f v1, v2, v3;
    uint16_t type;
    if (!in.Vec3(v1) || !in.Vec3(v2) || !in.Vec3(v3) || !in.U16(type))
        return nullptr;
    float a = 0.0f, b = 0.0f;
    cVec3f size;
    switch (type)
    {
    case 1:
        ok = true;
        return new cCSCollisionSphere(v1, v2, v3);
    case 2:
        if (!in.Vec3(size))
            return nullptr;
        ok = true;
        return new cCSCollisionBox(v1, v2, v3, size);
    case 3:
        if (!in.F32(a) || !in.F32(b))
            return nullptr;
        ok = true;
        return new cCSCollisionCylinder(v1, v2, v3, a, b);
    case 4:
        if (!in.F32(a))
            return nullptr;
        ok = true;
        return new cCSCollisionCapsule(v1, v2, v3, a);
    case 5:
        if (!in.F32(a) || !in.F32(b))
            return nullptr;
        ok = true;
        return new cCSCollisionCone(v1, v2, v3, a, b);
    default:
        ok = true;
        return nullptr;
    }
}

cResource* LoadVemiSceneHook(const std::string& name) { return LoadVemiSceneFile(name); }
} // namespace

cCSMeshObject::cCSMeshObject(const cVec3f& at, const cVec3f& second, const cVec3f& angles,
                             const std::string& objectName, cMesh* sceneMesh)
    : position(at), vector2(second), name(objectName), mesh(sceneMesh)
{
    const float a[3] = {angles.x, angles.y, angles.z};
    Matrix3FromEulerXYZ(rotation, a);
}

cVemiScene::~cVemiScene()
{
    delete meshes;
    meshes = nullptr;
    for (cKelpoObj* object : objects)
        delete object;
    objects.clear();
    objectCount = 0;
    physicsInfo = nullptr;
}

void cVemiScene::AddObject(cKelpoObj* object)
{
    objects.push_back(object);
    ++objectCount;
}

void cVemiScene::GetMeshObjects(std::vector<cCSMeshObject*>& out) const
{
    for (cKelpoObj* object : objects)
        if (auto* meshObject = ClassCast<cCSMeshObject>(object))
            out.push_back(meshObject);
}

void cVemiScene::GetCollisionShapes(std::vector<cCSCollisionShape*>& out) const
{
    for (cKelpoObj* object : objects)
        if (auto* shape = ClassCast<cCSCollisionShape>(object))
            out.push_back(shape);
}

// The scene file's own layout decides how its mesh block is read: one multi-mesh (u32,
// u32 format version, u16 mesh count, then each format 2 mesh with its material), not a
// model set of labelled models. A file laid out as a model set fails the size checks of
// the mesh records and is refused.
cMultiMesh* ReadVemiMeshBlock(cDataStream& stream)
{
    Reader in{stream};
    uint32_t unused, version;
    uint16_t count;
    if (!in.U32(unused) || !in.U32(version) || !in.U16(count))
        return nullptr;
    SetModelReaderVersion(version);
    // A mesh record and its material take at least 18 bytes.
    if (uint64_t(count) * 18 > stream.Remaining())
        return nullptr;
    auto multi = std::make_unique<cMultiMesh>();
    for (uint32_t i = 0; i < count; ++i)
    {
        cMesh* mesh = ReadMeshV2(stream);
        if (mesh == nullptr)
            return nullptr;
        multi->meshes.push_back(mesh);
        cMaterial* material = ReadMaterialV2(stream);
        if (material == nullptr)
            return nullptr;
        multi->materials.push_back(material);
    }
    multi->boundsMin.Set(3.4028235e38f, 3.4028235e38f, 3.4028235e38f);
    multi->boundsMax.Set(-3.4028235e38f, -3.4028235e38f, -3.4028235e38f);
    for (const cMesh* mesh : multi->meshes)
    {
        cVec3f& lo = multi->boundsMin;
        cVec3f& hi = multi->boundsMax;
        lo.Set(std::min(lo.x, mesh->boundsMin.x), std::min(lo.y, mesh->boundsMin.y),
               std::min(lo.z, mesh->boundsMin.z));
        hi.Set(std::max(hi.x, mesh->boundsMax.x), std::max(hi.y, mesh->boundsMax.y),
               std::max(hi.z, mesh->boundsMax.z));
    }
    return multi.release();
}

cVemiScene* ReadVemiScene(cDataStream& stream)
{
    Reader in{stream};
    auto scene = std::make_unique<cVemiScene>();
    uint32_t header1, header2;
    if (!in.U32(header1) || !in.U32(header2))
        return nullptr;
    scene->meshes = ReadVemiMeshBlock(stream);
    if (scene->meshes == nullptr)
        return nullptr;

    for (;;)
    {
        uint32_t size;
        uint16_t id;
        if (!in.U32(size) || !in.U16(id))
            return nullptr; // the file ended before its end chunk
        if (id == kChunkEnd)
            return scene.release();
        switch (id)
        {
        case kChunkMeshObject:
        {
            cKelpoObj* object = ReadMeshObject(in, *scene->meshes);
            if (object == nullptr)
                return nullptr;
            scene->AddObject(object);
            break;
        }
        case kChunkCollisionShape:
        {
            bool ok = false;
            cKelpoObj* shape = ReadShape(in, ok);
            if (!ok)
                return nullptr;
            if (shape != nullptr)
                scene->AddObject(shape);
            break;
        }
        case kChunkPhysicsInfo:
        {
            float a, b;
            if (!in.F32(a) || !in.F32(b))
                return nullptr;
            auto* info = new cCSPhysicsInfo(a, b);
            scene->AddObject(info);
            scene->physicsInfo = info;
            break;
        }
        default:
        {
            // The size counts the id: a size below 2 would seek backwards into the
            // chunk's own header (and read it again for ever), and a body past the end
            // of the file cannot be whole.
            if (size < 2 || size - 2 > stream.Remaining())
                return nullptr;
            const uint32_t bodyStart = stream.Tell();
            stream.Seek(int32_t(size - 2), cDataStream::kSeekCurrent);
            if (stream.Tell() != bodyStart + (size - 2))
                return nullptr;
            break;
        }
        }
    }
}

cVemiScene* LoadVemiSceneFile(const std::string& name)
{
    cResourceFile file;
    if (!file.Open(name))
        return nullptr;
    file.name = name;
    cVemiScene* scene = ReadVemiScene(file);
    file.Close();
    return scene;
}

cVemiScene* LoadVemiSceneMemory(const void* bytes, uint32_t size, const std::string& name)
{
    cResourceFile file;
    if (!file.OpenMemory(bytes, size, name))
        return nullptr;
    file.name = name;
    return ReadVemiScene(file);
}

void RegisterVemiSceneLoader() { SetVemiSceneLoader(LoadVemiSceneHook); }
