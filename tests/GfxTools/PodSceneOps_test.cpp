#include "GfxTools/PodSceneOps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GfxTools/PodReader.h"
#include "KelpoBase/core/Debug.h"
#include "PodTestScene.h"

namespace
{
class PodSceneOpsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        podtest::BuildScene(model);
        ASSERT_EQ(model.SetUpFrameState(), 0u);
    }
    void TearDown() override { DestroyScene(model); }

    float Position(const PodModel& m, uint32_t mesh, uint32_t v, uint32_t axis)
    {
        float p[4];
        const PodDataChannel& c = m.meshes[mesh].positions;
        ToolsVertexRead(p, c.data + size_t(v) * c.stride, c.type, c.components);
        return p[axis];
    }
    PodModel model{};
};
} // namespace

TEST_F(PodSceneOpsTest, BakeWorldSpaceStill)
{
    PodModel baked{};
    ASSERT_EQ(BakeWorldSpace(model, baked), 0u);
    EXPECT_EQ(baked.frameCount, 0u);
    EXPECT_EQ(baked.meshCount, 1u);
    EXPECT_FLOAT_EQ(Position(baked, 0, 1, 0), 11.0f);
    for (uint32_t i = 0; i < baked.nodeCount; ++i)
    {
        EXPECT_EQ(baked.nodes[i].parentIndex, -1);
        EXPECT_EQ(baked.nodes[i].animationFlags, 0u);
    }
    EXPECT_EQ(baked.nodes[0].position, nullptr);
    ASSERT_NE(baked.nodes[1].matrix, nullptr);
    EXPECT_FLOAT_EQ(baked.nodes[1].matrix[12], 10.0f);
    EXPECT_FLOAT_EQ(baked.nodes[1].matrix[13], 5.0f);
    // The baked scene still writes and reads.
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(SavePodMemory(&data, &size, baked), 0u);
    PodModel back{};
    EXPECT_EQ(LoadPodMemory(back, data, size), 0u);
    std::free(data);
    DestroyScene(back);
    DestroyScene(baked);
}

TEST_F(PodSceneOpsTest, BakeWorldSpaceSkinned)
{
    PodMesh& mesh = model.meshes[0];
    const uint8_t slots[3] = {0, 0, 0};
    podtest::SetChannel(mesh.boneIndices, kPodUnsignedByte, 1, 1, slots, 3);
    const float weights[3] = {1, 1, 1};
    podtest::SetChannel(mesh.boneWeights, kPodFloat, 1, 4, weights, 12);
    model.SetAnimationFrame(1.0f); // the bone (node 3) has moved by 2 in x
    PodModel baked{};
    ASSERT_EQ(BakeWorldSpace(model, baked), 0u);
    EXPECT_FLOAT_EQ(Position(baked, 0, 0, 0), 12.0f);
    EXPECT_FLOAT_EQ(Position(baked, 0, 1, 0), 13.0f);
    EXPECT_FLOAT_EQ(Position(baked, 0, 2, 1), 1.0f);
    EXPECT_EQ(model.frameState->currentFrame, 1.0f);
    DestroyScene(baked);
}

TEST_F(PodSceneOpsTest, ChannelConversionAndSelection)
{
    PodDataChannel& positions = model.meshes[0].positions;
    ASSERT_TRUE(SelectChannelComponents(positions, 3, std::vector<int32_t>{'y', -'x', 0, 0}.data()));
    EXPECT_EQ(positions.components, 2u);
    EXPECT_EQ(positions.stride, 8u);
    EXPECT_EQ(Position(model, 0, 1, 1), -1.0f); // vertex 1 was (1, 0, 0)
    EXPECT_EQ(Position(model, 0, 2, 0), 1.0f);  // vertex 2 was (0, 1, 0)
    EXPECT_FALSE(SelectChannelComponents(positions, 3, std::vector<int32_t>{'q', 0, 0, 0}.data()));

    ASSERT_TRUE(ConvertChannelType(positions, kPodShortNorm, 3));
    EXPECT_EQ(positions.stride, 4u);
    EXPECT_EQ(positions.size, 12u);
    EXPECT_FLOAT_EQ(Position(model, 0, 1, 1), -1.0f);
    ASSERT_TRUE(ConvertChannelType(positions, kPodRGBA, 3));
    EXPECT_EQ(positions.components, 1u);
    EXPECT_FALSE(ConvertChannelType(positions, 99, 3));
    // A vertex count past the channel's bytes is refused.
    EXPECT_FALSE(ConvertChannelType(positions, kPodFloat, 4));
}

TEST_F(PodSceneOpsTest, InterleavedMeshesRoundTrip)
{
    PodMesh& mesh = model.meshes[0];
    ASSERT_TRUE(InterleaveMesh(mesh));
    EXPECT_EQ(mesh.interleavedSize, 3u * 20u);
    EXPECT_EQ(PodChannelOffset(mesh.texCoords[0]), 12u);
    EXPECT_EQ(mesh.positions.stride, 20u);
    EXPECT_FALSE(InterleaveMesh(mesh));

    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(SavePodMemory(&data, &size, model), 0u);
    PodModel back{};
    ASSERT_EQ(LoadPodMemory(back, data, size), 0u);
    std::free(data);
    PodMesh& read = back.meshes[0];
    ASSERT_NE(read.interleaved, nullptr);
    EXPECT_EQ(PodChannelOffset(read.texCoords[0]), 12u);
    EXPECT_EQ(read.texCoords[0].size, 0u);
    ASSERT_TRUE(DeinterleaveMesh(read));
    EXPECT_EQ(read.interleaved, nullptr);
    EXPECT_EQ(read.positions.stride, 12u);
    EXPECT_FLOAT_EQ(Position(back, 0, 2, 1), 1.0f);
    float uv[4];
    ToolsVertexRead(uv, read.texCoords[0].data + 8, kPodFloat, 2);
    EXPECT_EQ(uv[0], 1.0f);
    DestroyScene(back);
}

TEST_F(PodSceneOpsTest, StripsAndTriangleOrder)
{
    PodMesh& mesh = model.meshes[0];
    const uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    std::free(mesh.faces.data);
    podtest::SetChannel(mesh.faces, kPodUnsignedShort, 1, 2, quad, sizeof quad);
    mesh.faceCount = 2;
    mesh.bones.batchCount = 0;
    ASSERT_TRUE(SwitchStripForm(mesh));
    ASSERT_EQ(mesh.stripCount, 1u);
    EXPECT_EQ(mesh.stripLengths[0], 2u);
    EXPECT_EQ(IndexCount(mesh), 4u);
    EXPECT_EQ(mesh.faces.size, 8u);
    ASSERT_TRUE(SwitchStripForm(mesh));
    EXPECT_EQ(mesh.stripCount, 0u);
    EXPECT_EQ(std::memcmp(mesh.faces.data, quad, sizeof quad), 0);

    const uint32_t order[3] = {2, 0, 1};
    ASSERT_TRUE(ReorderTriangleIndices(mesh, order));
    const uint16_t reordered[6] = {2, 0, 1, 3, 2, 1};
    EXPECT_EQ(std::memcmp(mesh.faces.data, reordered, sizeof reordered), 0);
    const uint32_t bad[3] = {0, 1, 3};
    EXPECT_FALSE(ReorderTriangleIndices(mesh, bad));
}

TEST_F(PodSceneOpsTest, QuantizedPositionsUnpackToTheOriginals)
{
    PodMesh& mesh = model.meshes[0];
    const float original[9] = {-2, 0.5f, 3, 4, 0.5f, -1, 1, 0.5f, 0};
    std::memcpy(mesh.positions.data, original, sizeof original);
    ASSERT_TRUE(QuantizePositions(mesh, kPodShort));
    EXPECT_EQ(mesh.positions.type, uint32_t(kPodShort));
    ToolsMatrix unpack;
    std::memcpy(unpack.f, mesh.unpackMatrix, sizeof unpack.f);
    for (uint32_t v = 0; v < 3; ++v)
    {
        float stored[4];
        ToolsVertexRead(stored, mesh.positions.data + size_t(v) * mesh.positions.stride, kPodShort, 3);
        ToolsVec4 p;
        ToolsTransformVec4(p, {stored[0], stored[1], stored[2], 1.0f}, unpack);
        EXPECT_NEAR(p.x, original[v * 3], 1e-3f);
        EXPECT_NEAR(p.y, original[v * 3 + 1], 1e-3f); // a flat axis stays exact
        EXPECT_NEAR(p.z, original[v * 3 + 2], 1e-3f);
    }
}

TEST_F(PodSceneOpsTest, PackBoneWeights)
{
    PodMesh& mesh = model.meshes[0];
    const float indices[6] = {0, 1, 2, 3, 4, 5};
    podtest::SetChannel(mesh.boneIndices, kPodFloat, 2, 8, indices, sizeof indices);
    const float weights[6] = {0.5f, 0.5f, 1.0f, 0.0f, 0.2f, 0.3f};
    podtest::SetChannel(mesh.boneWeights, kPodFloat, 2, 8, weights, sizeof weights);
    ASSERT_TRUE(PackBoneWeights(mesh));
    EXPECT_EQ(mesh.boneWeights.type, uint32_t(kPodUnsignedByte));
    const uint8_t* w = mesh.boneWeights.data;
    EXPECT_EQ(w[0] + w[1], 255);
    EXPECT_EQ(w[4], 255);
    EXPECT_EQ(w[8] + w[9], 255);
    EXPECT_EQ(mesh.boneIndices.data[9], 5);

    std::string printed;
    SetDebugSink([&printed](const std::string& text) { printed += text; });
    const float tooMany[6] = {300, 0, 0, 0, 0, 0};
    std::free(mesh.boneIndices.data);
    podtest::SetChannel(mesh.boneIndices, kPodFloat, 2, 8, tooMany, sizeof tooMany);
    EXPECT_FALSE(PackBoneWeights(mesh));
    SetDebugSink(nullptr);
    EXPECT_NE(printed.find("Too many bones"), std::string::npos);
}
