#include "KelpoBase/render/VemiScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/render/Model.h"

namespace
{
struct Bytes
{
    std::vector<uint8_t> b;
    Bytes& U8(uint8_t v)
    {
        b.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    Bytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    Bytes& F32(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return U32(bits);
    }
    Bytes& Vec3(float x, float y, float z) { return F32(x).F32(y).F32(z); }
    Bytes& Name(const std::string& s)
    {
        U8(uint8_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Append(const Bytes& o)
    {
        b.insert(b.end(), o.b.begin(), o.b.end());
        return *this;
    }
    uint32_t Size() const { return uint32_t(b.size()); }
};

// Header and a mesh block of two one-triangle meshes (version 1: no material options).
Bytes SceneStart()
{
    Bytes f;
    f.U32(0x11).U32(0x22).U32(0).U32(1).U16(2);
    for (int m = 0; m < 2; ++m)
    {
        f.U32(0).U8(0).U16(3).U16(3);
        f.Vec3(0, 0, 0).Vec3(1, 0, 0).Vec3(0, float(m + 1), 0);
        f.U16(0).U16(1).U16(2);
        f.U32(0).U32(0).Name("");
    }
    return f;
}

Bytes Chunk(uint16_t id, const Bytes& body)
{
    Bytes c;
    c.U32(body.Size() + 2).U16(id).Append(body);
    return c;
}

Bytes MeshObject(const std::string& name, uint16_t mesh, float angleZ = 0.0f)
{
    Bytes body;
    body.Vec3(1, 2, 3).Vec3(4, 5, 6).Vec3(0, 0, angleZ).Name(name).U16(mesh).U8(0).U32(0).U8(0);
    return Chunk(1, body);
}

Bytes Shape(uint16_t type, const Bytes& extra)
{
    Bytes body;
    body.Vec3(1, 1, 1).Vec3(2, 2, 2).Vec3(3, 3, 3).U16(type).Append(extra);
    return Chunk(9, body);
}

Bytes Physics(float a, float b)
{
    Bytes body;
    body.F32(a).F32(b);
    return Chunk(10, body);
}

Bytes End() { return Bytes().U32(2).U16(0); }

std::unique_ptr<cVemiScene> Read(const Bytes& f)
{
    return std::unique_ptr<cVemiScene>(LoadVemiSceneMemory(f.b.data(), f.Size(), "scenes/a.vemi"));
}

TEST(VemiScene, EndChunkFirstGivesMeshesOnly)
{
    auto scene = Read(SceneStart().Append(End()));
    ASSERT_NE(scene, nullptr);
    ASSERT_NE(scene->meshes, nullptr);
    EXPECT_EQ(scene->meshes->meshes.size(), 2u);
    EXPECT_EQ(scene->meshes->materials.size(), 2u);
    EXPECT_EQ(scene->meshes->boundsMax.y, 2.0f);
    EXPECT_EQ(scene->objectCount, 0u);
    EXPECT_TRUE(scene->objects.empty());
    EXPECT_EQ(scene->physicsInfo, nullptr);
    EXPECT_EQ(GetModelReaderVersion(), 1u);
}

TEST(VemiScene, ObjectsInFileOrder)
{
    Bytes f = SceneStart();
    f.Append(MeshObject("crate", 1, float(M_PI / 2)));
    f.Append(Shape(2, Bytes().Vec3(7, 8, 9)));
    f.Append(Chunk(7, Bytes().U32(0xDEADBEEF).U32(0xDEADBEEF))); // skipped: size 10, 8 bytes
    f.Append(Physics(1, 2));
    f.Append(Shape(4, Bytes().F32(0.5f)));
    f.Append(Shape(6, Bytes())); // unknown type: no object
    f.Append(Chunk(200, Bytes().U8(1)));
    f.Append(Physics(3, 4));
    f.Append(Shape(1, Bytes())).Append(Shape(3, Bytes().F32(1).F32(2))).Append(Shape(5, Bytes().F32(3).F32(4)));
    f.Append(End());
    f.U32(0xFFFFFFFF); // bytes after the end chunk are not read
    auto scene = Read(f);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->objectCount, 8u);
    ASSERT_EQ(scene->objects.size(), 8u);
    std::vector<std::string> kinds;
    for (cKelpoObj* object : scene->objects)
        kinds.push_back(object->GetClassInfo()->name);
    EXPECT_EQ(kinds, (std::vector<std::string>{"cCSMeshObject", "cCSCollisionBox", "cCSPhysicsInfo",
                                               "cCSCollisionCapsule", "cCSPhysicsInfo", "cCSCollisionSphere",
                                               "cCSCollisionCylinder", "cCSCollisionCone"}));
    ASSERT_NE(scene->physicsInfo, nullptr);
    EXPECT_EQ(scene->physicsInfo->value1, 3.0f);

    std::vector<cCSMeshObject*> meshObjects;
    scene->GetMeshObjects(meshObjects);
    ASSERT_EQ(meshObjects.size(), 1u);
    const cCSMeshObject& crate = *meshObjects[0];
    EXPECT_EQ(crate.name, "crate");
    EXPECT_EQ(crate.mesh, scene->meshes->meshes[1]);
    EXPECT_EQ(crate.position.z, 3.0f);
    EXPECT_EQ(crate.vector2.x, 4.0f);
    // A quarter turn about Z takes x to y.
    EXPECT_NEAR(crate.rotation.At(1, 0), 1.0f, 1e-6f);
    EXPECT_NEAR(crate.rotation.At(0, 0), 0.0f, 1e-6f);

    std::vector<cCSCollisionShape*> shapes;
    scene->GetCollisionShapes(shapes);
    ASSERT_EQ(shapes.size(), 5u);
    auto* box = ClassCast<cCSCollisionBox>(shapes[0]);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->size.z, 9.0f);
    EXPECT_EQ(box->vector3.x, 3.0f);
    EXPECT_EQ(ClassCast<cCSCollisionCapsule>(shapes[1])->value1, 0.5f);
    EXPECT_EQ(ClassCast<cCSCollisionCone>(shapes[4])->value2, 4.0f);
}

TEST(VemiScene, DamagedFilesFailCleanly)
{
    struct Case
    {
        const char* what;
        Bytes tail;
    };
    std::vector<Case> cases;
    cases.push_back({"no end chunk", MeshObject("a", 0)});
    cases.push_back({"chunk size 0", Bytes().U32(0).U16(7).Append(End())});
    cases.push_back({"chunk size 1", Bytes().U32(1).U16(7).Append(End())});
    cases.push_back({"skipped chunk past the end", Bytes().U32(1000).U16(7).Append(End())});
    cases.push_back({"mesh index outside the block", MeshObject("a", 2).Append(End())});
    cases.push_back({"box cut short", Chunk(9, Bytes().Vec3(1, 1, 1).Vec3(2, 2, 2).Vec3(3, 3, 3).U16(2))});
    for (const Case& c : cases)
        EXPECT_EQ(Read(SceneStart().Append(c.tail)), nullptr) << c.what;

    // Every prefix of a good file fails.
    Bytes good = SceneStart();
    good.Append(MeshObject("a", 0)).Append(Shape(2, Bytes().Vec3(1, 2, 3))).Append(Physics(1, 2)).Append(End());
    ASSERT_NE(Read(good), nullptr);
    for (uint32_t n = 0; n < good.Size(); ++n)
    {
        Bytes cut;
        cut.b.assign(good.b.begin(), good.b.begin() + n);
        EXPECT_EQ(Read(cut), nullptr) << n;
    }
    // A mesh block count that the file cannot hold.
    Bytes lying = SceneStart().Append(End());
    lying.b[16] = 0xFF, lying.b[17] = 0xFF;
    EXPECT_EQ(Read(lying), nullptr);
}

TEST(VemiScene, AMeshBlockLaidOutAsAModelSetIsRefused)
{
    // The header, then a model set in place of the mesh block (u32, version 1, one model:
    // u32, label, one part of one mesh with its material, six bounds), then the end chunk.
    for (const std::string label : {"rock", ""})
    {
        SCOPED_TRACE("label '" + label + "'");
        Bytes f;
        f.U32(0x11).U32(0x22).U32(0).U32(1).U16(1);
        f.U32(0).Name(label).U8(1).U8(1);
        f.U32(0).U8(0).U16(3).U16(3).Vec3(0, 0, 0).Vec3(1, 0, 0).Vec3(0, 1, 0).U16(0).U16(1).U16(2);
        f.U32(0).U32(0).Name("");
        for (int i = 0; i < 6; ++i)
            f.F32(float(i));
        f.Append(End());
        EXPECT_EQ(Read(f), nullptr);
    }
}

TEST(VemiScene, KnownChunksIgnoreTheirSize)
{
    // The body of a physics chunk is read field by field whatever its size says.
    Bytes f = SceneStart();
    f.U32(2).U16(10).F32(5).F32(6).Append(End());
    auto scene = Read(f);
    ASSERT_NE(scene, nullptr);
    ASSERT_NE(scene->physicsInfo, nullptr);
    EXPECT_EQ(scene->physicsInfo->value2, 6.0f);
}

TEST(VemiScene, LoaderThroughTheResourceLayer)
{
    RegisterVemiSceneLoader();
    const Bytes f = SceneStart().Append(Physics(1, 2)).Append(End());
    std::ofstream("level.vemi", std::ios::binary).write(reinterpret_cast<const char*>(f.b.data()), f.Size());
    SelectResourceGroup("scene");
    cResource* scene = LoadVemiScene("level.vemi");
    ASSERT_NE(ClassCast<cVemiScene>(scene), nullptr);
    EXPECT_EQ(static_cast<cVemiScene*>(scene)->objectCount, 1u);
    EXPECT_EQ(LoadVemiScene("missing.vemi"), nullptr);
    EXPECT_EQ(LoadVemiSceneFile("missing.vemi"), nullptr);
    ReleaseAllResourceGroups();
    SetVemiSceneLoader(nullptr);
}
} // namespace
