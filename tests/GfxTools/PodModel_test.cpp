#include "GfxTools/PodModel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "PodTestScene.h"

namespace
{
class PodModelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        podtest::BuildScene(model);
        ASSERT_EQ(model.SetUpFrameState(), 0u);
    }
    void TearDown() override { DestroyScene(model); }
    PodModel model{};
};

void ExpectTranslation(const ToolsMatrix& m, float x, float y, float z)
{
    EXPECT_NEAR(m.f[12], x, 1e-5f);
    EXPECT_NEAR(m.f[13], y, 1e-5f);
    EXPECT_NEAR(m.f[14], z, 1e-5f);
}
} // namespace

TEST_F(PodModelTest, WorldMatricesFollowTheParentChain)
{
    // Root: its local matrix; child: local . parent world.
    ExpectTranslation(model.NodeWorldMatrixUncached(model.nodes[0]), 10, 0, 0);
    ExpectTranslation(model.NodeWorldMatrixUncached(model.nodes[1]), 10, 5, 0);
    ExpectTranslation(model.NodeWorldMatrix(model.nodes[1]), 10, 5, 0);
    // A matrix array wins over the other channels.
    model.nodes[2].position = podtest::Array<float>({99, 99, 99});
    model.nodes[2].positionCount = 3;
    ExpectTranslation(model.NodeWorldMatrixUncached(model.nodes[2]), 0, 0, 7);
}

TEST_F(PodModelTest, AnimatedChannelsAndCaches)
{
    model.SetAnimationFrame(1.5f);
    EXPECT_EQ(model.frameState->frameInteger, 1);
    EXPECT_FLOAT_EQ(model.frameState->blend, 0.5f);
    ExpectTranslation(model.NodeWorldMatrix(model.nodes[3]), 3, 0, 0);
    EXPECT_EQ(model.frameState->cachedFrame[3], 1.5f);
    // The cache answers at the same frame; frame 0 always gives the frame-0 matrices.
    model.frameState->worldCache[3].f[12] = 123.0f;
    EXPECT_EQ(model.NodeWorldMatrix(model.nodes[3]).f[12], 123.0f);
    model.SetAnimationFrame(0.0f);
    ExpectTranslation(model.NodeWorldMatrix(model.nodes[3]), 0, 0, 0);
    // Past the last key the channel holds its last key instead of reading past the array.
    model.SetAnimationFrame(2.5f);
    ExpectTranslation(model.NodeWorldMatrix(model.nodes[3]), 4, 0, 0);
    model.SetAnimationFrame(-7.0f);
    ExpectTranslation(model.NodeWorldMatrixUncached(model.nodes[3]), 0, 0, 0);

    // Not animated: the first key, whatever the index table says.
    model.nodes[3].animationFlags = 0;
    model.SetAnimationFrame(1.0f);
    ExpectTranslation(model.NodeWorldMatrixUncached(model.nodes[3]), 0, 0, 0);
    ToolsVec3 p{5, 5, 5};
    model.NodePosition(p, model.nodes[2]); // no position values: untouched
    EXPECT_EQ(p.x, 5.0f);
}

TEST_F(PodModelTest, StillSceneUsesThePerNodeCache)
{
    model.frameCount = 0;
    model.SetAnimationFrame(2.5f);
    EXPECT_EQ(model.frameState->blend, 0.0f);
    EXPECT_EQ(model.frameState->frameInteger, 0);
    EXPECT_EQ(model.frameState->currentFrame, 2.5f);
    model.NodeWorldMatrix(model.nodes[0]);
    EXPECT_EQ(model.frameState->cachedFrame[0], 2.5f);
}

TEST_F(PodModelTest, BoneSkinMatrix)
{
    // The mesh node itself as a bone does not move: the mesh node's frame-0 world.
    model.SetAnimationFrame(1.25f);
    const ToolsMatrix still = model.BoneSkinMatrix(model.nodes[0], model.nodes[0]);
    ExpectTranslation(still, 10, 0, 0);
    EXPECT_EQ(model.frameState->currentFrame, 1.25f);
    EXPECT_EQ(model.frameState->frameInteger, 1);
    EXPECT_FLOAT_EQ(model.frameState->blend, 0.25f);
    // The moving bone adds its displacement since frame 0.
    const ToolsMatrix moved = model.BoneSkinMatrix(model.nodes[0], model.nodes[3]);
    ExpectTranslation(moved, 12.5f, 0, 0);
}

TEST_F(PodModelTest, LightsAndCameras)
{
    const ToolsVec4 position = model.LightWorldPosition(0);
    EXPECT_FLOAT_EQ(position.y, 5.0f);
    EXPECT_EQ(position.w, 1.0f);
    const ToolsVec4 direction = model.LightWorldDirection(0);
    EXPECT_FLOAT_EQ(direction.y, -1.0f);
    EXPECT_EQ(direction.w, 0.0f);

    model.SetAnimationFrame(1.5f);
    ToolsVec3 from{}, target{}, to{};
    EXPECT_FLOAT_EQ(model.CameraPositionAndTarget(0, from, target), 3.0f);
    EXPECT_FLOAT_EQ(from.z, 7.0f);
    EXPECT_FLOAT_EQ(target.x, 3.0f);
    model.cameras[0].targetIndex = -1;
    target = {9, 9, 9};
    model.CameraPositionAndTarget(0, from, target);
    EXPECT_EQ(target.x, 9.0f);
    model.CameraFromTo(0, from, to);
    EXPECT_FLOAT_EQ(to.y, -1.0f);
    // Indices outside the scene answer zeros instead of reading past the nodes.
    EXPECT_EQ(model.LightWorldPosition(5).x, 0.0f);
    EXPECT_EQ(model.CameraFromTo(4, from, to), 0.0f);
}

TEST_F(PodModelTest, ParentCycleBuiltInMemoryEnds)
{
    model.nodes[0].parentIndex = 1; // 0 -> 1 -> 0
    const ToolsMatrix m = model.NodeWorldMatrixUncached(model.nodes[0]);
    EXPECT_TRUE(std::isfinite(m.f[12]));
    model.nodes[0].parentIndex = -1;
}

TEST(PodModel, IndexCount)
{
    PodMesh mesh{};
    mesh.faceCount = 5;
    EXPECT_EQ(IndexCount(mesh), 15u);
    mesh.stripLengths = podtest::Array<uint32_t>({3, 1});
    mesh.stripLengthsCount = 2;
    mesh.stripCount = 2;
    EXPECT_EQ(IndexCount(mesh), 8u);
    std::free(mesh.stripLengths);
}
