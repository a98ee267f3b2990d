// Writes the seed corpus of fuzz_models into the folder given on the command line: a
// format 1 model made by the model writer, and small format 2 files, model sets and Vemi
// scenes built field by field. Each seed starts with the byte that selects its reader.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Model.h"
#include "KelpoBase/render/ModelWriter.h"
#include "KelpoBase/render/VemiScene.h"

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
};

// Every seed must read back whole through its reader.
bool Reads(uint8_t selector, const std::vector<uint8_t>& bytes)
{
    const auto size = uint32_t(bytes.size());
    switch (selector)
    {
    case 0:
    {
        cMultiMesh* m = LoadMultiMeshV1Memory(bytes.data(), size, "seed");
        delete m;
        return m != nullptr;
    }
    case 1:
    {
        cMultiMesh* m = LoadMultiMeshV2Memory(bytes.data(), size, "seed");
        delete m;
        return m != nullptr;
    }
    case 2:
    {
        cModelSet* s = LoadModelSetMemory(bytes.data(), size, "seed");
        delete s;
        return s != nullptr;
    }
    default:
    {
        cVemiScene* v = LoadVemiSceneMemory(bytes.data(), size, "seed");
        delete v;
        return v != nullptr;
    }
    }
}

void Save(const std::string& folder, const std::string& name, uint8_t selector, const std::vector<uint8_t>& bytes)
{
    if (!Reads(selector, bytes))
        std::fprintf(stderr, "seed %s does not read back\n", name.c_str());
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.put(char(selector));
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes MeshV2(uint8_t flags)
{
    Bytes m;
    m.U32(0).U8(flags).U16(3).U16(3);
    const uint32_t floats = (flags & 0x20 ? 2 : 3) + (flags & 0x01 ? 3 : 0) + (flags & 0x08 ? 2 : 0);
    for (uint32_t v = 0; v < 3; ++v)
    {
        for (uint32_t k = 0; k < floats; ++k)
            m.F32(float(v + k));
        if (flags & 0x02)
            m.U32(0xFF00FF00u);
    }
    return m.U16(0).U16(1).U16(2);
}

Bytes MaterialV2(bool options) { return options ? Bytes().U32(0).U32(0).Name("t.png").U32(1) : Bytes().U32(0).U32(0).Name(""); }
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string folder = argv[1];

    // Format 1, from the writer: two meshes, textures in both slots.
    cMultiMesh model;
    model.boundsMax.Set(1, 1, 1);
    for (uint32_t format : {kMeshPosition | kMeshNormal | kMeshTexCoord0, kMeshPosition | kMeshColour})
    {
        auto* mesh = new cMesh(3, 3, format, 0);
        std::memset(mesh->vertices, 0x3F, size_t(mesh->stride) * 3);
        mesh->indices = {0, 1, 2};
        model.meshes.push_back(mesh);
        model.materials.push_back(new cMaterial());
    }
    cImage texture;
    texture.name = "fuzz/skin.png";
    model.materials[0]->textures[0] = &texture;
    model.materials[1]->textures[1] = &texture;
    cMemoryDataStream out;
    out.name = "fuzz/model.vemimodel";
    model.Write(out);
    Save(folder, "v1_writer", 0, std::vector<uint8_t>(out.GetBuffer(), out.GetBuffer() + out.GetSize()));
    cMultiMesh empty;
    cMemoryDataStream emptyOut;
    empty.Write(emptyOut);
    Save(folder, "v1_empty", 0, std::vector<uint8_t>(emptyOut.GetBuffer(), emptyOut.GetBuffer() + emptyOut.GetSize()));

    // Format 2 files of both versions.
    Save(folder, "v2_version2", 1,
         Bytes().U32(2).U8(2).Append(MeshV2(0x0B)).Append(MaterialV2(true)).Append(MeshV2(0x28)).Append(MaterialV2(true)).b);
    Save(folder, "v2_version1", 1, Bytes().U32(1).U8(1).Append(MeshV2(0x01)).Append(MaterialV2(false)).b);

    // A model set of version 2.
    Bytes record;
    record.U32(0).Name("rock").U32(0).U8(1).U8(1).Append(MeshV2(0x09)).Append(MaterialV2(true));
    for (int i = 0; i < 6; ++i)
        record.F32(float(i));
    Save(folder, "set_version2", 2, Bytes().U32(0).U32(2).U16(2).Append(record).Append(record).b);

    // A Vemi scene with every chunk kind.
    Bytes scene;
    scene.U32(0).U32(0).U32(0).U32(1).U16(1).Append(MeshV2(0x01)).Append(MaterialV2(false));
    Bytes object;
    object.F32(1).F32(2).F32(3).F32(0).F32(0).F32(0).F32(0.1f).F32(0.2f).F32(0.3f).Name("crate").U16(0).U8(0).U32(0).U8(0);
    scene.U32(uint32_t(object.b.size() + 2)).U16(1).Append(object);
    for (uint16_t type = 1; type <= 5; ++type)
    {
        Bytes shape;
        for (int i = 0; i < 9; ++i)
            shape.F32(float(i));
        shape.U16(type);
        const int extra = type == 2 ? 3 : type == 4 ? 1 : type == 1 ? 0 : 2;
        for (int i = 0; i < extra; ++i)
            shape.F32(0.5f);
        scene.U32(uint32_t(shape.b.size() + 2)).U16(9).Append(shape);
    }
    scene.U32(10).U16(10).F32(1).F32(2);
    scene.U32(6).U16(7).U32(0);
    scene.U32(2).U16(0);
    Save(folder, "vemi_scene", 3, scene.b);
    return 0;
}
