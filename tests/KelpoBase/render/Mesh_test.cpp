#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"

namespace
{
void PutFloats(uint8_t* p, std::initializer_list<float> values)
{
    for (float v : values)
    {
        std::memcpy(p, &v, 4);
        p += 4;
    }
}
float GetFloat(const uint8_t* p)
{
    float v;
    std::memcpy(&v, p, 4);
    return v;
}
} // namespace

TEST(Mesh, LayoutFollowsTheFormatFlags)
{
    struct Case
    {
        uint32_t format;
        uint32_t stride;
        uint8_t normal, colour, set0, set1, set2;
    };
    const Case cases[] = {
        {0x0001, 12, 0, 0, 0, 0, 0},  {0x4001, 8, 0, 0, 0, 0, 0},    {0x0007, 28, 12, 24, 0, 0, 0},
        {0x0039, 36, 0, 0, 12, 20, 28}, {0x400D, 20, 0, 8, 12, 0, 0}, {0x3001, 32, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        cMesh mesh(4, 6, c.format);
        SCOPED_TRACE(c.format);
        EXPECT_EQ(mesh.stride, c.stride);
        EXPECT_EQ(mesh.attributeOffsets[kAttribNormal], c.normal);
        EXPECT_EQ(mesh.attributeOffsets[kAttribColour], c.colour);
        EXPECT_EQ(mesh.attributeOffsets[kAttribTexCoord0], c.set0);
        EXPECT_EQ(mesh.attributeOffsets[kAttribTexCoord0 + 1], c.set1);
        EXPECT_EQ(mesh.attributeOffsets[kAttribTexCoord0 + 2], c.set2);
        EXPECT_EQ(mesh.indices.size(), 6u);
        EXPECT_EQ(mesh.indexCount, 6u);
        EXPECT_NE(mesh.vertices, nullptr);
    }
    // The 4-byte attribute comes before the 16-byte one.
    cMesh both(1, 0, 0x3001);
    EXPECT_EQ(both.attributeOffsets[kAttrib4Bytes], 12);
    EXPECT_EQ(both.attributeOffsets[kAttrib16Bytes], 16);
    cMesh empty(0, 0, 0x0001);
    EXPECT_EQ(empty.vertices, nullptr);
}

TEST(Mesh, RequestedStrideWidensButNeverNarrows)
{
    cMesh wide(2, 0, 0x0001, 32);
    EXPECT_EQ(wide.stride, 32u);

    std::string reported;
    SetDebugBoxHandler([&reported](const std::string&, const std::string& text) {
        reported = text;
        return true;
    });
    cMesh narrow(2, 0, 0x0007, 16);
    SetDebugBoxHandler(nullptr);
    EXPECT_NE(reported.find("desiredStride >= vertexStride"), std::string::npos) << reported;
    EXPECT_EQ(narrow.stride, 28u); // the layout's own size: no attribute runs past a vertex
}

TEST(Mesh, IdsStaySmallAndAreReused)
{
    const uint32_t before = cMesh::LiveCount();
    ASSERT_EQ(before, 0u);
    auto a = std::make_unique<cMesh>(1, 0, 1);
    auto b = std::make_unique<cMesh>(1, 0, 1);
    auto c = std::make_unique<cMesh>(1, 0, 1);
    EXPECT_EQ(a->id, 0);
    EXPECT_EQ(b->id, 1);
    EXPECT_EQ(c->id, 2);
    auto d = std::make_unique<cMesh>(1, 0, 1);
    EXPECT_EQ(d->id, 3);
    b.reset(); // live: 0, 2, 3; last id 3
    auto e = std::make_unique<cMesh>(1, 0, 1);
    EXPECT_EQ(e->id, 1); // candidate 4 > 3 live, so 0 (taken), then 1
    EXPECT_EQ(cMesh::LiveCount(), 4u);

    cMesh plain;
    EXPECT_EQ(plain.id, 0);
    std::unique_ptr<cMesh> clone(cMesh::Clone(*a));
    EXPECT_EQ(clone->id, 0);
    EXPECT_EQ(cMesh::LiveCount(), 4u);
    clone.reset();
    EXPECT_EQ(cMesh::LiveCount(), 4u);
}

TEST(Mesh, BoundsAndTransform)
{
    cMesh mesh(3, 0, 0x0003); // position and normal
    PutFloats(mesh.PositionPtr(0), {1, 2, 3, 0, 0, 1});
    PutFloats(mesh.PositionPtr(1), {-1, 5, 0, 0, 0, 1});
    PutFloats(mesh.PositionPtr(2), {4, -2, 7, 0, 0, 1});
    mesh.ComputeBounds();
    EXPECT_EQ(mesh.boundsMin, cVec3f(-1, -2, 0));
    EXPECT_EQ(mesh.boundsMax, cVec3f(4, 5, 7));

    cMatrix44 m;
    Matrix4Translate(m, 10, 0, 0);
    Matrix4RotateX(m, 1.5707964f);
    mesh.Transform(m);
    const cVec3f p = mesh.GetPosition(0);
    EXPECT_NEAR(p.x, 11, 1e-5);
    EXPECT_NEAR(p.y, -3, 1e-5);
    EXPECT_NEAR(p.z, 2, 1e-5);
    // The normal turns without the translation.
    EXPECT_NEAR(GetFloat(mesh.NormalPtr(0)), 0, 1e-6);
    EXPECT_NEAR(GetFloat(mesh.NormalPtr(0) + 4), -1, 1e-6);

    // 2D positions: z reads as 0 and nothing past the two floats is written.
    cMesh flat(1, 0, 0x400D);
    PutFloats(flat.PositionPtr(0), {3, 4});
    const uint32_t colour = 0x11223344;
    std::memcpy(flat.ColourPtr(0), &colour, 4);
    flat.Transform(m);
    uint32_t after;
    std::memcpy(&after, flat.ColourPtr(0), 4);
    EXPECT_EQ(after, colour);
    flat.ComputeBounds();
    EXPECT_EQ(flat.boundsMin.z, 0.0f);
}

TEST(Mesh, AddTexCoordSetKeepsValues)
{
    cMesh mesh(2, 3, 0x000B); // position, normal, set 0
    ASSERT_EQ(mesh.stride, 32u);
    for (uint32_t i = 0; i < 2; ++i)
    {
        PutFloats(mesh.PositionPtr(i), {float(i), 1, 2});
        PutFloats(mesh.NormalPtr(i), {0, 1, 0});
        PutFloats(mesh.TexCoordPtr(0, i), {0.25f * float(i), 0.5f});
    }
    const uint16_t id = mesh.id;
    const uint32_t live = cMesh::LiveCount();
    mesh.AddTexCoordSet(1);
    EXPECT_EQ(mesh.format, 0x001Bu);
    EXPECT_EQ(mesh.stride, 40u);
    EXPECT_EQ(mesh.attributeOffsets[kAttribTexCoord0 + 1], 32);
    EXPECT_EQ(mesh.id, id);
    EXPECT_EQ(cMesh::LiveCount(), live);
    EXPECT_EQ(mesh.indices.size(), 3u);
    for (uint32_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(mesh.GetPosition(i), cVec3f(float(i), 1, 2));
        EXPECT_EQ(GetFloat(mesh.NormalPtr(i) + 4), 1.0f);
        EXPECT_EQ(GetFloat(mesh.TexCoordPtr(0, i)), 0.25f * float(i));
    }
    mesh.AddTexCoordSet(0);
    EXPECT_EQ(mesh.format, 0x001Bu);
}

TEST(Mesh, CopyVertexAttributesCoversTheSmallerMesh)
{
    cMesh big(10, 0, 0x0005);
    cMesh small(4, 0, 0x0001);
    for (uint32_t i = 0; i < 10; ++i)
        PutFloats(big.PositionPtr(i), {float(i), 0, 0});
    for (uint32_t i = 0; i < 4; ++i)
        PutFloats(small.PositionPtr(i), {-1, -1, -1});
    cMesh::CopyVertexAttributes(small, big);
    EXPECT_EQ(small.GetPosition(3), cVec3f(3, 0, 0));
    cMesh::CopyVertexAttributes(big, small);
    EXPECT_EQ(big.GetPosition(3), cVec3f(3, 0, 0));
    EXPECT_EQ(big.GetPosition(7), cVec3f(7, 0, 0));
}

TEST(Mesh, IntersectsLineAndIgnoresBadIndices)
{
    cMesh none(3, 0, 0x0001);
    EXPECT_FALSE(none.IntersectsLine(cVec3f(0, 0, 1), cVec3f(0, 0, -1)));

    cMesh mesh(3, 3, 0x0001);
    PutFloats(mesh.PositionPtr(0), {-1, -1, 0, 1, -1, 0, 0, 1, 0});
    mesh.indices = {0, 1, 2};
    EXPECT_TRUE(mesh.IntersectsLine(cVec3f(0, 0, 1), cVec3f(0, 0, -1)));
    EXPECT_FALSE(mesh.IntersectsLine(cVec3f(0, 0, -1), cVec3f(0, 0, 1))); // one-sided
    mesh.indices = {0, 1, 9};
    EXPECT_FALSE(mesh.IntersectsLine(cVec3f(0, 0, 1), cVec3f(0, 0, -1)));
}

TEST(Mesh, TriangleTangents)
{
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0}, p2[3] = {0, 1, 0};
    const float uv0[2] = {0, 0}, uv1[2] = {1, 0}, uv2[2] = {0, 1};
    cVec3f t(9, 9, 9), b(9, 9, 9);
    ComputeTriangleTangents(p0, p1, p2, uv0, uv1, uv2, t, b);
    EXPECT_NEAR(t.x, 1, 0.003);
    EXPECT_NEAR(t.y, 0, 1e-6);
    EXPECT_NEAR(b.y, -1, 0.003);
    cVec3f t2(9, 9, 9), b2(9, 9, 9);
    ComputeTriangleTangents(p0, p1, p2, uv0, uv0, uv0, t2, b2);
    EXPECT_EQ(t2, cVec3f(9, 9, 9));
    EXPECT_EQ(b2, cVec3f(9, 9, 9));
}

TEST(Mesh, InflatedMeshWeldsAndFlipsWinding)
{
    cMesh mesh(5, 6, 0x0001);
    // Two triangles of the same winding sharing an edge; vertex 3 repeats vertex 1.
    PutFloats(mesh.PositionPtr(0), {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0});
    mesh.indices = {0, 1, 2, 3, 4, 2};
    std::unique_ptr<cMesh> flat(MakeInflatedMesh(mesh, 0.0f));
    ASSERT_EQ(flat->vertexCount, 4u);
    EXPECT_EQ(flat->format, 0x0001u);
    EXPECT_EQ(flat->GetPosition(1), cVec3f(1, 0, 0));
    EXPECT_EQ(flat->GetPosition(3), cVec3f(1, 1, 0));
    const std::vector<uint16_t> expected = {0, 2, 1, 1, 2, 3};
    EXPECT_EQ(flat->indices, expected);

    std::unique_ptr<cMesh> puffed(MakeInflatedMesh(mesh, 2.0f));
    EXPECT_NEAR(puffed->GetPosition(0).z, 2.0f, 0.01f); // moved along +z, the faces' normal
}

TEST(Material, Defaults)
{
    cMaterial material;
    EXPECT_EQ(material.textures[0], nullptr);
    EXPECT_EQ(material.textures[1], nullptr);
    EXPECT_EQ(material.extraTexture, nullptr);
    EXPECT_EQ(material.flags, 0);
    EXPECT_EQ(material.blend, 0);
    EXPECT_EQ(material.colour, 0xFFFFFFFFu);
    EXPECT_STREQ(material.GetClassInfo()->name.c_str(), "cMaterial");
    EXPECT_TRUE(material.IsKindOf(cResource::StaticClassInfo()));
}
