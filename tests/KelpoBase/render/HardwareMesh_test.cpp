// Hardware meshes and the POD draw operation, drawn for real into the off-screen target
// and read back: a mesh drawn from library buffers matches the same mesh drawn from client
// arrays, meshes without buffers draw nothing, and a POD scene built here draws each mesh
// node's bone batches where their skinning matrices put them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "GLCounting.h"
#include "GLTestContext.h"
#include "GfxTools/PodModel.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/HardwareMesh.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/PodModel.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Surface.h"

namespace
{
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;

void PutFloat(uint8_t* p, float f) { std::memcpy(p, &f, 4); }

// A quad in screen pixels with a colour per corner and one coordinate set (3D positions,
// so that the layout has every attribute at a non-zero offset but the position).
std::unique_ptr<cMesh> MakeQuad(float x, float y, float w, float h)
{
    auto mesh = std::make_unique<cMesh>(4, 6, kMeshPosition | kMeshColour | kMeshTexCoord0);
    const float corners[4][4] = {{x, y, 0, 0}, {x + w, y, 1, 0}, {x, y + h, 0, 1}, {x + w, y + h, 1, 1}};
    const uint32_t colours[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
    for (uint32_t i = 0; i < 4; ++i)
    {
        PutFloat(mesh->PositionPtr(i), corners[i][0]);
        PutFloat(mesh->PositionPtr(i) + 4, corners[i][1]);
        PutFloat(mesh->PositionPtr(i) + 8, 0.0f);
        std::memcpy(mesh->ColourPtr(i), &colours[i], 4);
        PutFloat(mesh->TexCoordPtr(0, i), corners[i][2]);
        PutFloat(mesh->TexCoordPtr(0, i) + 4, corners[i][3]);
    }
    mesh->indices = {0, 2, 1, 1, 2, 3};
    mesh->indexCount = 6;
    return mesh;
}

class HardwareMesh : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        cCamera camera;
        camera.SetOrthoRect(0, 720, 1280, 0);
        camera.nearPlane = -1;
        camera.farPlane = 1;
        camera.UpdateProjection();
        renderer->SetCamera(camera);
        material.flags = kMaterialTwoSided;
        ClearToBlack();
    }
    void TearDown() override
    {
        image.reset();
        gRenderer = nullptr;
        renderer.reset();
    }
    void ClearToBlack()
    {
        renderer->SetClearColour(kBlack);
        renderer->Clear(kClearColour | kClearDepth);
    }
    uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720); }
    std::vector<uint8_t> Block() { return tvtest::ReadRGBA(0, 720 - 140, 140, 140); }

    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cImage> image;
    cMaterial material;
};
} // namespace

TEST_F(HardwareMesh, DrawsLikeTheSameMeshFromClientArrays)
{
    // A 2 x 2 texture so that the coordinate offsets matter as well as colours.
    cSurface surface(2, 2, kFormatRGBA8888);
    const uint32_t texels[4] = {0xFFFFFFFFu, 0xFF808080u, 0xFF808080u, 0xFFFFFFFFu};
    std::memcpy(surface.GetPixels(), texels, sizeof texels);
    image = std::make_unique<cImage>(renderer->CreateTexture(&surface, 0), 2, 2);
    ASSERT_NE(image->texture, 0u);

    auto mesh = MakeQuad(10, 10, 120, 120);
    for (const bool textured : {false, true})
    {
        SCOPED_TRACE(textured ? "textured" : "coloured");
        material.textures[0] = textured ? image.get() : nullptr;
        ClearToBlack();
        renderer->DrawMesh(mesh.get(), &material);
        const std::vector<uint8_t> fromClient = Block();

        std::unique_ptr<cHardwareMesh> hardware(renderer->CreateHardwareMesh(mesh.get()));
        auto* ogl = ClassCast<cHardwareMesh_OGL_1>(hardware.get());
        ASSERT_NE(ogl, nullptr);
        EXPECT_TRUE(ogl->HasBuffers());
        EXPECT_EQ(ogl->stride, mesh->stride);
        EXPECT_EQ(ogl->format, mesh->format);
        EXPECT_EQ(ogl->indexCount, 6u);
        EXPECT_EQ(ogl->AttributeOffset(kAttribTexCoord0), mesh->attributeOffsets[kAttribTexCoord0]);

        ClearToBlack();
        const uint32_t trianglesBefore = gTriangleCount;
        renderer->DrawHardwareMesh(hardware.get(), &material);
        EXPECT_EQ(gTriangleCount - trianglesBefore, 2u);
        EXPECT_EQ(Block(), fromClient);
        EXPECT_NE(Pixel(20, 20), kBlack);
        EXPECT_EQ(Pixel(135, 135), kBlack);

        // The buffers are unbound afterwards, and a client-array draw still works.
        GLint bound = -1;
        GL().GetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0);
        GL().GetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0);
        ClearToBlack();
        renderer->DrawMesh(mesh.get(), &material);
        EXPECT_EQ(Block(), fromClient);

        // A line material draws nothing from a hardware mesh and leaves no buffer bound.
        cMaterial lines;
        lines.flags = uint16_t(material.flags | kMaterialLines);
        lines.textures[0] = material.textures[0];
        ClearToBlack();
        tvtest::GLCounting counting;
        renderer->DrawHardwareMesh(hardware.get(), &lines);
        EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 0u);
        EXPECT_EQ(Pixel(20, 20), kBlack);
        GL().GetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0);
    }
}

TEST_F(HardwareMesh, WithoutBuffersNothingIsDrawn)
{
    auto outOfRange = MakeQuad(10, 10, 120, 120);
    outOfRange->indices[5] = 4; // names a vertex the mesh does not have
    cMesh empty;
    std::unique_ptr<cHardwareMesh> meshes[] = {
        std::unique_ptr<cHardwareMesh>(renderer->CreateHardwareMesh(nullptr)),
        std::unique_ptr<cHardwareMesh>(renderer->CreateHardwareMesh(&empty)),
        std::unique_ptr<cHardwareMesh>(renderer->CreateHardwareMesh(outOfRange.get())),
        std::make_unique<cHardwareMesh>(), // not a library mesh at all
    };
    tvtest::GLCounting counting;
    for (auto& mesh : meshes)
    {
        ASSERT_NE(mesh, nullptr);
        renderer->DrawHardwareMesh(mesh.get(), &material);
    }
    renderer->DrawHardwareMesh(nullptr, &material);
    auto good = MakeQuad(10, 10, 120, 120);
    std::unique_ptr<cHardwareMesh> drawable(renderer->CreateHardwareMesh(good.get()));
    renderer->DrawHardwareMesh(drawable.get(), nullptr);
    EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 0u);
    EXPECT_EQ(Pixel(20, 20), kBlack);

    // Deleting a hardware mesh gives both buffers back.
    counting.Reset();
    drawable.reset();
    EXPECT_EQ(counting.Count(eGLFunction::DeleteBuffers), 2u);
}

namespace
{
// A scene of one triangle mesh (non-interleaved float positions, 16-bit faces) drawn by
// one mesh node; node 1 is a further node that the mesh may use as its bone. Without
// Batch or Skin the mesh has no bone batches.
struct SmallScene
{
    SmallScene()
    {
        positions = {10, 10, 0, 110, 10, 0, 10, 110, 0};
        faces = {0, 2, 1}; // facing the viewer under the top-down camera
        mesh.vertexCount = 3;
        mesh.faceCount = 1;
        mesh.positions.type = kPodFloat;
        mesh.positions.components = 3;
        mesh.positions.stride = 12;
        mesh.positions.data = reinterpret_cast<uint8_t*>(positions.data());
        mesh.positions.size = uint32_t(positions.size() * 4);
        mesh.faces.type = kPodUnsignedShort;
        mesh.faces.components = 1;
        mesh.faces.stride = 2;
        mesh.faces.data = reinterpret_cast<uint8_t*>(faces.data());
        mesh.faces.size = uint32_t(faces.size() * 2);

        for (PodNode& node : nodes)
        {
            node = PodNode{};
            node.parentIndex = -1;
            node.materialIndex = -1;
        }
        nodes[0].index = 0;
        nodes[0].position = nodePosition;
        nodes[0].positionCount = 3;
        nodes[1].index = -1;
        nodes[1].position = bonePosition;
        nodes[1].positionCount = 3;

        scene.meshCount = 1;
        scene.meshes = &mesh;
        scene.nodeCount = 2;
        scene.meshNodeCount = 1;
        scene.nodes = nodes;
    }
    // Gives the mesh one batch over its one triangle.
    void Batch()
    {
        mesh.bones.batchOffsets = batchOffsets;
        mesh.bones.batchOffsetsCount = 1;
        mesh.bones.batchCount = 1;
    }
    // Makes node 1 the one bone of the mesh's one batch.
    void Skin()
    {
        Batch();
        mesh.boneIndices.components = 1;
        mesh.boneWeights.components = 1;
        mesh.bones.batchBones = batchBones;
        mesh.bones.batchBonesCount = 1;
        mesh.bones.bonesPerBatch = bonesPerBatch;
        mesh.bones.bonesPerBatchCount = 1;
        mesh.bones.maxBonesPerBatch = 1;
    }

    // Gives the bone a second position key and shows frame 1 of the scene.
    void MoveBoneToSecondKey()
    {
        nodes[1].position = boneKeys;
        nodes[1].positionCount = 6;
        nodes[1].animationFlags = kPodAnimPosition;
        scene.frameCount = 2;
        ASSERT_EQ(scene.SetUpFrameState(), 0u);
        scene.SetAnimationFrame(1.0f);
    }
    ~SmallScene() { scene.DestroyFrameState(); }

    std::vector<float> positions;
    std::vector<uint16_t> faces;
    float nodePosition[3] = {300, 100, 0};
    float bonePosition[3] = {600, 300, 0};
    float boneKeys[6] = {600, 300, 0, 800, 400, 0};
    int32_t batchBones[1] = {1};
    int32_t bonesPerBatch[1] = {1};
    int32_t batchOffsets[1] = {0};
    PodMesh mesh{};
    PodNode nodes[2];
    PodModel scene{};
};
} // namespace

TEST_F(HardwareMesh, APodSceneDrawsItsBatchesWhereTheirSkinningMatricesPutThem)
{
    // The mesh node stands at (300, 100), its bone at (600, 300). The draw walks the bone
    // batches: an unskinned mesh is drawn under the renderer's own matrices (where its
    // vertices are), a skinned one under its bone's skinning matrix (the mesh node's place
    // while the bone is at rest; moved with the bone when the bone moves).
    struct Case
    {
        const char* name;
        bool batched, skinned, boneMoves;
        int x, y; // where the triangle's first corner lands; x < 0: nothing drawn
    };
    const Case cases[] = {{"unskinned without batches", false, false, false, -1, -1},
                          {"unskinned, one batch", true, false, false, 10, 10},
                          {"skinned, bone at rest", true, true, false, 310, 110},
                          {"skinned, bone moved by (200, 100) at frame 1", true, true, true, 510, 210}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SmallScene small;
        if (c.batched)
            small.Batch();
        if (c.skinned)
            small.Skin();
        if (c.boneMoves)
            small.MoveBoneToSecondKey();
        std::unique_ptr<cPodModel> model(cPodModel::Create(small.scene, *renderer));
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->hardwareMeshes.size(), 1u);
        ASSERT_NE(model->hardwareMeshes[0], nullptr);
        ASSERT_EQ(model->materials.size(), 1u);

        cMaterial red;
        red.flags = kMaterialTwoSided;
        red.colour = kRed;
        ClearToBlack();
        const uint32_t trianglesBefore = gTriangleCount;
        renderer->DrawPodModel(model.get(), &red);
        EXPECT_EQ(renderer->clientStates & (kClientSkinning0 | kClientSkinning1), 0u);
        if (c.x < 0)
        {
            EXPECT_EQ(gTriangleCount, trianglesBefore);
            EXPECT_EQ(Pixel(20, 20), kBlack);
            EXPECT_EQ(Pixel(320, 120), kBlack);
            continue;
        }
        EXPECT_EQ(gTriangleCount - trianglesBefore, 1u);
        EXPECT_TRUE(tvtest::ColoursNear(Pixel(c.x + 10, c.y + 10), kRed, 2));
        for (const auto& [x, y] : {std::pair{20, 20}, std::pair{320, 120}, std::pair{620, 320}})
        {
            if (x != c.x + 10)
            {
                EXPECT_EQ(Pixel(x, y), kBlack) << x << "," << y;
            }
        }

        // The model's own material (white) when no override is given; a later client-array
        // draw is placed by the renderer's own matrices again.
        ClearToBlack();
        renderer->DrawPodModel(model.get(), nullptr);
        EXPECT_TRUE(tvtest::ColoursNear(Pixel(c.x + 10, c.y + 10), 0xFFFFFFFFu, 2));
        auto quad = MakeQuad(200, 600, 20, 20);
        cMaterial green;
        green.flags = kMaterialTwoSided | kMaterialIgnoreVertexColours;
        green.colour = kGreen;
        renderer->DrawMesh(quad.get(), &green);
        EXPECT_TRUE(tvtest::ColoursNear(Pixel(205, 605), kGreen, 2));
    }
}

TEST_F(HardwareMesh, PodMeshesThatCannotBeReadAreSkipped)
{
    SmallScene small;
    small.Batch();
    small.faces[2] = 7; // past the three vertices
    std::unique_ptr<cPodModel> model(cPodModel::Create(small.scene, *renderer));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->hardwareMeshes[0], nullptr);

    SmallScene shortData;
    shortData.mesh.positions.size = 20; // fewer bytes than three positions need
    EXPECT_EQ(cPodModel::ConvertMesh(shortData.mesh), nullptr);

    SmallScene badNode;
    badNode.Batch();
    badNode.nodes[0].index = 5; // no such mesh
    std::unique_ptr<cPodModel> other(cPodModel::Create(badNode.scene, *renderer));
    tvtest::GLCounting counting;
    renderer->DrawPodModel(model.get(), nullptr);
    renderer->DrawPodModel(other.get(), nullptr);
    renderer->DrawPodModel(nullptr, nullptr);
    EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 0u);
}
