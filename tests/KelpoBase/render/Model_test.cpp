#include "KelpoBase/render/Model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/ModelWriter.h"

namespace
{
// Little-endian byte builder for fixtures.
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
    Bytes& Append(const Bytes& other)
    {
        b.insert(b.end(), other.b.begin(), other.b.end());
        return *this;
    }
    uint32_t Size() const { return uint32_t(b.size()); }
};

// Images that remember the path they were asked for.
std::vector<std::string> gTextureRequests;
cResource* FakeTexture(const std::string& path, uint32_t)
{
    gTextureRequests.push_back(path);
    auto* image = new cImage();
    image->name = path;
    return image;
}

// A format 1 mesh with flags 0x6 (colours, texture set 0): 3 vertices of 24 bytes.
Bytes MeshV1Triangle(uint32_t stride = 0)
{
    Bytes m;
    m.U32(1).U32(0x6).U32(3).U32(3).U32(stride).U32(stride);
    const uint32_t size = stride == 0 ? 24 : stride;
    for (uint32_t v = 0; v < 3; ++v)
    {
        m.F32(float(v)).F32(float(v) * 2).F32(-1.0f).U32(0xFF0000FFu).F32(0.5f).F32(0.25f);
        for (uint32_t pad = 24; pad < size; ++pad)
            m.U8(0xEE);
    }
    return m.U16(0).U16(1).U16(2);
}

Bytes MultiMeshV1(const std::vector<Bytes>& records)
{
    Bytes f;
    f.U32(1).F32(-1).F32(-2).F32(-3).F32(1).F32(2).F32(3).U32(uint32_t(records.size()));
    for (const Bytes& r : records)
        f.Append(r);
    return f;
}

// A format 2 mesh with flags 0x28 (2D positions, texture set 0): vertices x, y, u, v.
Bytes MeshV2Quad()
{
    Bytes m;
    m.U32(0).U8(0x28).U16(4).U16(6);
    const float xy[4][2] = {{-1, -2}, {3, -2}, {3, 4}, {-1, 4}};
    for (auto& p : xy)
        m.F32(p[0]).F32(p[1]).F32(0).F32(1);
    return m.U16(0).U16(1).U16(2).U16(0).U16(2).U16(3);
}

Bytes MaterialV2(const std::string& texture, bool withOptions, uint32_t options)
{
    Bytes m;
    m.U32(7).U32(8).Name(texture);
    if (withOptions)
        m.U32(options);
    return m;
}

std::unique_ptr<cMultiMesh> ReadV1(const Bytes& f, const std::string& name = "models/ship.vemimodel")
{
    return std::unique_ptr<cMultiMesh>(LoadMultiMeshV1Memory(f.b.data(), f.Size(), name));
}

class ModelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        gTextureRequests.clear();
        SetTextureFileLoader(FakeTexture, cImage::StaticClassInfo());
        SetCurrentResourceGroup(nullptr);
        SelectResourceGroup("models");
    }
    void TearDown() override
    {
        ReleaseAllResourceGroups();
        SetTextureFileLoader(nullptr, nullptr);
        SetModelLoader(nullptr, nullptr, nullptr);
        SetModelV2Loader(nullptr);
    }
};

TEST_F(ModelTest, FormatOneWithoutMeshesKeepsFileBounds)
{
    auto model = ReadV1(MultiMeshV1({}));
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(model->meshes.empty());
    EXPECT_TRUE(model->materials.empty());
    EXPECT_EQ(model->boundsMin.x, -1.0f);
    EXPECT_EQ(model->boundsMax.z, 3.0f);
    // A negative count reads as no meshes as well.
    Bytes negative = MultiMeshV1({});
    negative.b[28] = 0xFF, negative.b[29] = 0xFF, negative.b[30] = 0xFF, negative.b[31] = 0xFF;
    model = ReadV1(negative);
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(model->meshes.empty());
}

TEST_F(ModelTest, FormatOneMeshLayoutAndTextures)
{
    Bytes material;
    material.U32(1).Name("hull.png");
    auto model = ReadV1(MultiMeshV1({MeshV1Triangle().Append(material)}));
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshes.size(), 1u);
    const cMesh& mesh = *model->meshes[0];
    EXPECT_EQ(mesh.format, 0x000Du);
    EXPECT_EQ(mesh.stride, 24u);
    EXPECT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(mesh.GetPosition(2).y, 4.0f);
    uint32_t colour;
    std::memcpy(&colour, mesh.ColourPtr(1), 4);
    EXPECT_EQ(colour, 0xFF0000FFu);
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2}));
    // Texture names are taken relative to the model file's folder, with flags 0x11.
    ASSERT_EQ(gTextureRequests, (std::vector<std::string>{"models/hull.png"}));
    ASSERT_NE(model->materials[0]->textures[0], nullptr);
    EXPECT_EQ(model->materials[0]->textures[0]->name, "models/hull.png");
    EXPECT_EQ(model->materials[0]->textures[1], nullptr);
    EXPECT_EQ(model->materials[0]->flags, 0);
}

TEST_F(ModelTest, FormatOneWiderStrideIsKept)
{
    Bytes material;
    material.U32(2).U32(0);
    auto model = ReadV1(MultiMeshV1({MeshV1Triangle(32).Append(material)}));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->meshes[0]->stride, 32u);
    EXPECT_EQ(model->meshes[0]->GetPosition(1).x, 1.0f);
    EXPECT_EQ(model->materials[0]->textures[0], nullptr);
    EXPECT_TRUE(gTextureRequests.empty());
}

TEST_F(ModelTest, FormatOneMaterialNameCounts)
{
    struct Case
    {
        Bytes material;
        std::vector<std::string> requests;
        bool secondSlot;
    };
    std::vector<Case> cases;
    cases.push_back({Bytes().U32(1).Name("a.png"), {"models/a.png"}, false});
    cases.push_back({Bytes().U32(2).U32(0), {}, false});
    cases.push_back({Bytes().U32(2).U32(2).Name("").Name("b.png"), {"models/b.png"}, true});
    // A third name has no slot: it is read past and ignored instead of stopping the program.
    cases.push_back({Bytes().U32(2).U32(3).Name("a.png").Name("b.png").Name("c.png"),
                     {"models/a.png", "models/b.png"}, true});
    for (size_t i = 0; i < cases.size(); ++i)
    {
        // A fresh group each time, so that no image comes from the name cache.
        ReleaseAllResourceGroups();
        SelectResourceGroup("models");
        gTextureRequests.clear();
        // A second mesh after the material shows the reader stopped at the record's end.
        Bytes second;
        second.U32(2).U32(0);
        auto model = ReadV1(MultiMeshV1({MeshV1Triangle().Append(cases[i].material), MeshV1Triangle().Append(second)}));
        ASSERT_NE(model, nullptr) << "case " << i;
        EXPECT_EQ(model->meshes.size(), 2u) << "case " << i;
        EXPECT_EQ(gTextureRequests, cases[i].requests) << "case " << i;
        EXPECT_EQ(model->materials[0]->textures[1] != nullptr, cases[i].secondSlot) << "case " << i;
    }
}

TEST_F(ModelTest, FormatOneRejectsTruncatedAndLyingFiles)
{
    Bytes material;
    material.U32(2).U32(1).Name("t.png");
    const Bytes good = MultiMeshV1({MeshV1Triangle().Append(material)});
    ASSERT_NE(ReadV1(good), nullptr);
    // Every proper prefix fails cleanly.
    for (uint32_t n = 0; n < good.Size(); ++n)
    {
        Bytes cut;
        cut.b.assign(good.b.begin(), good.b.begin() + n);
        EXPECT_EQ(ReadV1(cut), nullptr) << "prefix " << n;
    }
    // Counts and strides that do not fit the bytes.
    struct Patch
    {
        size_t offset;
        uint32_t value;
        const char* what;
    };
    const Patch patches[] = {
        {28, 0x7FFFFFFF, "mesh count"},       {32 + 8, 0x10000000, "vertex count"},
        {32 + 12, 0x40000000, "index count"}, {32 + 20, 12, "stride below the layout"},
        {32 + 20, 0xFFFFFFFF, "huge stride"}, {32 + 24 + 72, 0x00030000, "index past the vertices"},
        {32 + 24 + 72 + 6 + 4, 0x7FFFFFFF, "texture count"},
    };
    for (const Patch& p : patches)
    {
        Bytes bad = good;
        for (int k = 0; k < 4; ++k)
            bad.b[p.offset + k] = uint8_t(p.value >> (8 * k));
        EXPECT_EQ(ReadV1(bad), nullptr) << p.what;
    }
}

TEST_F(ModelTest, FormatTwoMeshAndMaterialOptions)
{
    Bytes file;
    file.U32(2).U8(2);
    file.Append(MeshV2Quad()).Append(MaterialV2("", true, 1));
    file.Append(MeshV2Quad()).Append(MaterialV2("skin.png", true, 1));
    std::unique_ptr<cMultiMesh> model(LoadMultiMeshV2Memory(file.b.data(), file.Size(), "cars/car.vemimodel2"));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(GetModelReaderVersion(), 2u);
    ASSERT_EQ(model->meshes.size(), 2u);
    const cMesh& mesh = *model->meshes[0];
    EXPECT_EQ(mesh.format, 0x4009u);
    EXPECT_EQ(mesh.stride, 16u);
    EXPECT_EQ(mesh.GetPosition(2).x, 3.0f);
    EXPECT_EQ(mesh.boundsMin.y, -2.0f);
    EXPECT_EQ(mesh.boundsMax.y, 4.0f);
    EXPECT_EQ(model->boundsMin.x, -1.0f);
    EXPECT_EQ(model->boundsMax.x, 3.0f);
    EXPECT_EQ(model->boundsMax.z, 0.0f);
    // Option bit without a texture: flag 0x10; with one: flag 0x20 and the (unset) option image.
    EXPECT_EQ(model->materials[0]->flags, 0x10);
    EXPECT_EQ(model->materials[1]->flags, 0x20);
    EXPECT_EQ(model->materials[1]->textures[0]->name, "cars/skin.png");
    EXPECT_EQ(model->materials[1]->textures[1], nullptr);

    // Version 1 files have no options word.
    Bytes v1;
    v1.U32(1).U8(1).Append(MeshV2Quad()).Append(MaterialV2("", false, 0));
    model.reset(LoadMultiMeshV2Memory(v1.b.data(), v1.Size(), "car.vemimodel2"));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->materials[0]->flags, 0);
    // The same bytes read as version 2 lack the options word.
    v1.b[0] = 2;
    EXPECT_EQ(LoadMultiMeshV2Memory(v1.b.data(), v1.Size(), "car.vemimodel2"), nullptr);
}

TEST_F(ModelTest, FormatTwoFlagTable)
{
    const std::pair<uint8_t, uint32_t> table[] = {
        {0x00, 0x0001}, {0x01, 0x0003}, {0x02, 0x0005}, {0x04, 0x0001},
        {0x08, 0x0009}, {0x10, 0x0011}, {0x20, 0x4001}, {0x3F, 0x401F},
    };
    for (auto [flags, format] : table)
        EXPECT_EQ(MeshFormatFromV2Flags(flags), format) << int(flags);
    EXPECT_EQ(MeshFormatFromV1Flags(0x3FF), 0x7FFu);
    EXPECT_EQ(MeshFormatFromV1Flags(0x400), 0x1u);
    // Format 1 keeps the 2D flag one bit down, like the other flags; 0x1000 and 0x2000
    // have no place in it.
    EXPECT_EQ(MeshFormatFromV1Flags(0x2000), 0x4001u);
    EXPECT_EQ(MeshV1FlagsFromFormat(0x4009), 0x2004u);
    EXPECT_EQ(MeshV1FlagsFromFormat(0x3001), 0x0u);
}

Bytes ModelRecord(bool version2)
{
    Bytes m;
    m.U32(0).Name("rock");
    if (version2)
        m.U32(5);
    m.U8(1).U8(1).Append(MeshV2Quad()).Append(MaterialV2("", version2, 0));
    for (int i = 0; i < 6; ++i)
        m.F32(float(i));
    return m;
}

TEST_F(ModelTest, ModelSetsFollowTheirVersion)
{
    for (uint32_t version : {1u, 2u})
    {
        Bytes set;
        set.U32(0).U32(version).U16(2).Append(ModelRecord(version >= 2)).Append(ModelRecord(version >= 2));
        std::unique_ptr<cModelSet> models(LoadModelSetMemory(set.b.data(), set.Size(), "set.bin"));
        ASSERT_NE(models, nullptr) << version;
        ASSERT_EQ(models->models.size(), 2u);
        const cModel3D& model = *models->models[1];
        EXPECT_EQ(model.label, "rock");
        ASSERT_EQ(model.parts.size(), 1u);
        EXPECT_EQ(model.parts[0]->meshes.size(), 1u);
        EXPECT_EQ(model.bounds[5], 5.0f);
        // Truncated anywhere, the set fails as a whole.
        for (uint32_t n = 0; n < set.Size(); n += 7)
            EXPECT_EQ(LoadModelSetMemory(set.b.data(), n, "set.bin"), nullptr) << n;
    }
}

TEST_F(ModelTest, CloneCopiesMeshesAndMaterials)
{
    Bytes material;
    material.U32(1).Name("hull.png");
    auto model = ReadV1(MultiMeshV1({MeshV1Triangle().Append(material)}));
    ASSERT_NE(model, nullptr);
    std::unique_ptr<cMultiMesh> copy(cMultiMesh::Clone(*model));
    ASSERT_EQ(copy->meshes.size(), 1u);
    ASSERT_EQ(copy->materials.size(), 1u);
    EXPECT_NE(copy->meshes[0], model->meshes[0]);
    EXPECT_EQ(copy->materials[0]->textures[0], model->materials[0]->textures[0]);
    EXPECT_EQ(copy->boundsMax.y, 2.0f);
    EXPECT_EQ(std::memcmp(copy->meshes[0]->vertices, model->meshes[0]->vertices, 72), 0);

    copy->AddTexCoordSet(1);
    EXPECT_EQ(copy->meshes[0]->format, 0x001Du);
    EXPECT_EQ(copy->meshes[0]->stride, 32u);

    cModel3D source;
    source.parts.push_back(cMultiMesh::Clone(*model));
    source.word = 9;
    source.label = "x";
    std::unique_ptr<cModel3D> modelCopy(cModel3D::Clone(source));
    EXPECT_EQ(modelCopy->parts.size(), 1u);
    EXPECT_EQ(modelCopy->word, 9u);
    EXPECT_TRUE(modelCopy->label.empty());
}

TEST_F(ModelTest, LoadersThroughTheResourceLayer)
{
    RegisterModelLoaders();
    Bytes material;
    material.U32(1).Name("");
    const Bytes v1 = MultiMeshV1({MeshV1Triangle().Append(material)});
    std::ofstream("ship.vemimodel", std::ios::binary).write(reinterpret_cast<const char*>(v1.b.data()), v1.Size());
    Bytes v2;
    v2.U32(2).U8(1).Append(MeshV2Quad()).Append(MaterialV2("", true, 0));
    std::ofstream("car.vemimodel2", std::ios::binary).write(reinterpret_cast<const char*>(v2.b.data()), v2.Size());

    cResource* ship = LoadModel("ship.vemimodel");
    ASSERT_NE(ClassCast<cMultiMesh>(ship), nullptr);
    EXPECT_EQ(GetCurrentResourceGroup()->resources.back(), ship);
    EXPECT_NE(ClassCast<cMultiMesh>(LoadModelV2("car.vemimodel2")), nullptr);
    EXPECT_EQ(LoadModel("missing.vemimodel"), nullptr);
    EXPECT_EQ(LoadMultiMeshV2File("missing.vemimodel2"), nullptr);
    EXPECT_EQ(LoadModelSetFile("missing.bin"), nullptr);
}

// ---- The writer ----

cMultiMesh* MakeModel()
{
    auto* model = new cMultiMesh();
    model->boundsMin.Set(-1, -2, -3);
    model->boundsMax.Set(4, 5, 6);
    auto* mesh = new cMesh(3, 3, kMeshPosition | kMeshNormal | kMeshTexCoord0, 36);
    for (uint32_t i = 0; i < 3 * 36; ++i)
        mesh->vertices[i] = uint8_t(i * 7);
    mesh->indices = {2, 0, 1};
    model->meshes.push_back(mesh);
    model->materials.push_back(new cMaterial());
    return model;
}

TEST_F(ModelTest, WriterEmptyModelIs32Bytes)
{
    cMultiMesh empty;
    empty.boundsMax.Set(1, 2, 3);
    cMemoryDataStream out;
    EXPECT_TRUE(empty.Write(out));
    ASSERT_EQ(out.GetSize(), 32u);
    uint32_t words[8];
    std::memcpy(words, out.GetBuffer(), 32);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[7], 0u);
    float z;
    std::memcpy(&z, out.GetBuffer() + 24, 4);
    EXPECT_EQ(z, 3.0f);
}

TEST_F(ModelTest, WriterMaterialNamesAreRelativeAndCounted)
{
    std::unique_ptr<cMultiMesh> model(MakeModel());
    cImage second;
    second.name = "art/models/skins/red.png";
    model->materials[0]->textures[1] = &second;
    cMemoryDataStream out;
    out.name = "art/models/car.vemimodel";
    ASSERT_TRUE(model->Write(out));
    // After the header and the mesh record: version 2, a name count of 2 (the names
    // written), the empty first slot, the relative second.
    const uint32_t materialAt = 32 + 24 + 3 * 36 + 6;
    Bytes expected;
    expected.U32(2).U32(2).Name("").Name("skins/red.png");
    ASSERT_EQ(out.GetSize(), materialAt + expected.Size());
    EXPECT_EQ(std::vector<uint8_t>(out.GetBuffer() + materialAt, out.GetBuffer() + out.GetSize()), expected.b);
    EXPECT_EQ(MeshV1FlagsFromFormat(model->meshes[0]->format), 0x5u);

    // A texture in the output's folder is named by its bare file name.
    EXPECT_EQ(ModelTextureFileName(&second, "art/models/skins/x.vemimodel"), "red.png");
}

TEST_F(ModelTest, WriterRoundTripThroughTheReader)
{
    std::unique_ptr<cMultiMesh> model(MakeModel());
    model->meshes.push_back(cMesh::Clone(*model->meshes[0]));
    model->meshes[1]->indices = {1, 1, 2};
    model->materials.push_back(new cMaterial());
    cImage first;
    first.name = "levels/tex/a.png";
    model->materials[0]->textures[0] = &first;
    model->materials[1]->textures[1] = &first;
    ASSERT_TRUE(SaveMultiMeshV1File(*model, "levels/ship.vemimodel") == false); // no such folder
    std::filesystem::create_directories("levels");
    ASSERT_TRUE(SaveMultiMeshV1File(*model, "levels/ship.vemimodel"));

    std::unique_ptr<cMultiMesh> back(LoadMultiMeshV1File("levels/ship.vemimodel"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->boundsMin.z, -3.0f);
    EXPECT_EQ(back->boundsMax.y, 5.0f);
    ASSERT_EQ(back->meshes.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(back->meshes[i]->format, model->meshes[i]->format);
        EXPECT_EQ(back->meshes[i]->stride, 36u);
        EXPECT_EQ(back->meshes[i]->indices, model->meshes[i]->indices);
        EXPECT_EQ(std::memcmp(back->meshes[i]->vertices, model->meshes[i]->vertices, 3 * 36), 0);
    }
    // A 2D mesh (x, y, u, v) comes back 2D, its 16-byte vertices as written.
    std::unique_ptr<cMultiMesh> flat(new cMultiMesh());
    flat->meshes.push_back(new cMesh(3, 3, kMeshPosition | kMeshPositions2D | kMeshTexCoord0));
    flat->materials.push_back(new cMaterial());
    for (uint32_t i = 0; i < 3 * 16; ++i)
        flat->meshes[0]->vertices[i] = uint8_t(i);
    flat->meshes[0]->indices = {0, 1, 2};
    ASSERT_TRUE(SaveMultiMeshV1File(*flat, "levels/flat.vemimodel"));
    std::unique_ptr<cMultiMesh> flatBack(LoadMultiMeshV1File("levels/flat.vemimodel"));
    ASSERT_NE(flatBack, nullptr);
    ASSERT_EQ(flatBack->meshes.size(), 1u);
    EXPECT_EQ(flatBack->meshes[0]->format, 0x4009u);
    EXPECT_TRUE(flatBack->meshes[0]->Is2D());
    EXPECT_EQ(flatBack->meshes[0]->stride, 16u);
    EXPECT_EQ(std::memcmp(flatBack->meshes[0]->vertices, flat->meshes[0]->vertices, 3 * 16), 0);

    // Both materials name the same picture: loaded once, then found by name.
    EXPECT_EQ(gTextureRequests, (std::vector<std::string>{"levels/tex/a.png"}));
    EXPECT_NE(back->materials[0]->textures[0], nullptr);
    EXPECT_EQ(back->materials[0]->textures[1], nullptr);
    EXPECT_EQ(back->materials[1]->textures[0], nullptr);
    EXPECT_NE(back->materials[1]->textures[1], nullptr);
}
} // namespace
