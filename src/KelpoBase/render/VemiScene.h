// Vemi scenes: the meshes of a 3D scene with the objects placed in it (mesh objects,
// simple collision shapes, physics parameters), read from one binary file of tagged
// chunks. The shapes are plain records; nothing here simulates them.
//
// File layout (little-endian; vec3 = 3 floats; short string = u8 length + bytes):
//   header:     u32, u32 (not used)
//   mesh block: u32 (not used), u32 format version (becomes the model reader version),
//               u16 mesh count, then that many format 2 mesh records, each followed by
//               its format 2 material record
//   chunks:     u32 size (bytes after this field: the 2-byte id and the body), u16 id,
//               body; repeated until a chunk of id 0
//     1  mesh object: vec3 position, vec3 second vector, vec3 angles (radians), short
//        string name, u16 mesh index, u8, u32, u8 (not used)
//     9  collision shape: vec3, vec3, vec3, u16 type; 1 sphere: nothing more; 2 box:
//        vec3 size; 3 cylinder: f32, f32; 4 capsule: f32; 5 cone: f32, f32
//     10 physics info: f32, f32
//     any other id: skipped by its size
//
// The bodies of ids 1, 9 and 10 are read field by field (their size is not consulted).
// A scene that is cut short (before its end chunk), a skipped chunk whose size is below 2
// or runs past the end of the file, or a mesh index outside the mesh block makes the
// whole read fail (null), so a damaged file never loops or leaves dangling mesh pointers.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"
#include "KelpoBase/render/Resource.h"

class cDataStream;
class cMesh;
class cMultiMesh;

class cCSCollisionShape : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cCSCollisionShape, cKelpoObj)
public:
    cCSCollisionShape(const cVec3f& v1, const cVec3f& v2, const cVec3f& v3) : vector1(v1), vector2(v2), vector3(v3) {}
    ~cCSCollisionShape() override = default;

    cVec3f vector1;
    cVec3f vector2;
    cVec3f vector3;
};

class cCSCollisionSphere : public cCSCollisionShape
{
    KELPO_DECLARE_CLASS(cCSCollisionSphere, cCSCollisionShape)
public:
    using cCSCollisionShape::cCSCollisionShape;
    ~cCSCollisionSphere() override = default;
};

class cCSCollisionBox : public cCSCollisionShape
{
    KELPO_DECLARE_CLASS(cCSCollisionBox, cCSCollisionShape)
public:
    cCSCollisionBox(const cVec3f& v1, const cVec3f& v2, const cVec3f& v3, const cVec3f& boxSize)
        : cCSCollisionShape(v1, v2, v3), size(boxSize)
    {
    }
    ~cCSCollisionBox() override = default;

    cVec3f size;
};

class cCSCollisionCylinder : public cCSCollisionShape
{
    KELPO_DECLARE_CLASS(cCSCollisionCylinder, cCSCollisionShape)
public:
    cCSCollisionCylinder(const cVec3f& v1, const cVec3f& v2, const cVec3f& v3, float a, float b)
        : cCSCollisionShape(v1, v2, v3), value1(a), value2(b)
    {
    }
    ~cCSCollisionCylinder() override = default;

    float value1;
    float value2;
};

class cCSCollisionCapsule : public cCSCollisionShape
{
    KELPO_DECLARE_CLASS(cCSCollisionCapsule, cCSCollisionShape)
public:
    cCSCollisionCapsule(const cVec3f& v1, const cVec3f& v2, const cVec3f& v3, float a)
        : cCSCollisionShape(v1, v2, v3), value1(a)
    {
    }
    ~cCSCollisionCapsule() override = default;

    float value1;
};

class cCSCollisionCone : public cCSCollisionShape
{
    KELPO_DECLARE_CLASS(cCSCollisionCone, cCSCollisionShape)
public:
    cCSCollisionCone(const cVec3f& v1, const cVec3f& v2, const cVec3f& v3, float a, float b)
        : cCSCollisionShape(v1, v2, v3), value1(a), value2(b)
    {
    }
    ~cCSCollisionCone() override = default;

    float value1;
    float value2;
};

class cCSPhysicsInfo : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cCSPhysicsInfo, cKelpoObj)
public:
    cCSPhysicsInfo(float a, float b) : value1(a), value2(b) {}
    ~cCSPhysicsInfo() override = default;

    float value1;
    float value2;
};

class cCSMeshObject : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cCSMeshObject, cKelpoObj)
public:
    // rotation = about X by angles.x, then about Y by angles.y, then about Z by angles.z.
    cCSMeshObject(const cVec3f& at, const cVec3f& second, const cVec3f& angles, const std::string& objectName,
                  cMesh* sceneMesh);
    ~cCSMeshObject() override = default;

    cVec3f position;
    cMatrix33 rotation;
    cVec3f vector2;
    std::string name;
    cMesh* mesh = nullptr; // one of the scene's meshes; not owned
};

class cVemiScene : public cResource
{
    KELPO_DECLARE_CLASS(cVemiScene, cResource)
public:
    cVemiScene() = default;
    // Deletes the meshes and every object.
    ~cVemiScene() override;

    // Appends every object that is (or derives from) a mesh object / a collision shape,
    // in list order.
    void GetMeshObjects(std::vector<cCSMeshObject*>& out) const;
    void GetCollisionShapes(std::vector<cCSCollisionShape*>& out) const;

    // Appends an object (the scene owns it from now on).
    void AddObject(cKelpoObj* object);

    cMultiMesh* meshes = nullptr;        // owned
    std::list<cKelpoObj*> objects;       // owned, in file order
    uint32_t objectCount = 0;
    cCSPhysicsInfo* physicsInfo = nullptr; // the last physics record read (also in objects)
};

// Null when the bytes do not make a whole scene.
cVemiScene* ReadVemiScene(cDataStream& stream);
// Null when the file opens neither as a loose file nor as a pack entry, or does not read.
cVemiScene* LoadVemiSceneFile(const std::string& name);
cVemiScene* LoadVemiSceneMemory(const void* bytes, uint32_t size, const std::string& name);

// The mesh block on its own (also used by the scene reader).
cMultiMesh* ReadVemiMeshBlock(cDataStream& stream);

// Registers LoadVemiSceneFile as the resource layer's Vemi scene loader.
void RegisterVemiSceneLoader();
