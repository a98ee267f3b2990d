// The deferred 3D context and 3D node trees: the draw order of a flush (through a
// recording renderer), pool and batch limits, and sprites, ribbons, lines and node trees
// drawn for real into the off-screen target and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "FakeRenderer.h"
#include "GLCounting.h"
#include "GLTestContext.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx3D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Node3D.h"
#include "KelpoBase/render/RendererOGL.h"

namespace
{
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kCyan = 0xFFFFFF00u;
constexpr float kHalfTurn = 3.14159265f;

void PutFloat(uint8_t* p, float f) { std::memcpy(p, &f, 4); }

// A square of side 2 x half around the origin in the X-Y plane (3D positions), facing +Z.
std::unique_ptr<cMesh> MakeSquare(float half)
{
    auto mesh = std::make_unique<cMesh>(4, 6, kMeshPosition);
    const float corners[4][2] = {{-half, -half}, {half, -half}, {-half, half}, {half, half}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        PutFloat(mesh->PositionPtr(i), corners[i][0]);
        PutFloat(mesh->PositionPtr(i) + 4, corners[i][1]);
        PutFloat(mesh->PositionPtr(i) + 8, 0.0f);
    }
    mesh->indices = {0, 1, 2, 1, 3, 2};
    mesh->indexCount = 6;
    return mesh;
}

std::unique_ptr<cMaterial> Flat(uint32_t colour, uint16_t blend = kBlendCodeOff, uint16_t flags = 0)
{
    auto m = std::make_unique<cMaterial>();
    m->colour = colour;
    m->blend = blend;
    m->flags = flags;
    return m;
}

// A perspective camera at eye looking at the origin, 1280 x 720.
cCamera LookingAt(const cVec3f& eye)
{
    cCamera camera;
    camera.aspect = 1280.0f / 720.0f;
    camera.nearPlane = 0.5f;
    camera.farPlane = 100.0f;
    camera.SetPerspective(kHalfTurn / 3.0f);
    camera.SetPositionLookAt(eye, cVec3f(0, 0, 0));
    camera.UpdateProjection();
    return camera;
}
} // namespace

// --- the order of a flush, recorded ----------------------------------------------------------

TEST(Gfx3DQueue, MeshesSortByStateKeyAndKeepQueueOrderAmongEqualKeys)
{
    tvtest::cFakeRenderer renderer;
    cGfx3D gfx(&renderer);
    cImage imageA;
    cImage imageB;
    auto additive = Flat(kBlue, kBlendCodeAdditive);
    auto opaque = Flat(kRed);
    auto opaqueTextured = Flat(kRed, kBlendCodeOff, kMaterialDepthTest);
    opaqueTextured->textures[0] = &imageA;
    auto alpha = Flat(kRed, kBlendCodeAlpha);
    alpha->textures[0] = &imageB;

    // Blend code decides first, whatever the textures; equal keys keep their queue order.
    cMesh m[6];
    gfx.QueueMesh(&m[0], additive.get());
    gfx.QueueMesh(&m[1], opaque.get());
    gfx.QueueMesh(&m[2], alpha.get());
    gfx.QueueMesh(&m[3], opaqueTextured.get());
    gfx.QueueMesh(&m[4], opaque.get());
    gfx.QueueMesh(&m[5], additive.get());
    EXPECT_EQ(gfx.QueuedMeshCount(), 6u);
    gfx.Flush();
    std::vector<cMesh*> order;
    for (const auto& d : renderer.draws)
        order.push_back(d.mesh);
    EXPECT_EQ(order, (std::vector<cMesh*>{&m[1], &m[4], &m[3], &m[2], &m[0], &m[5]}));
    EXPECT_EQ(gfx.QueuedMeshCount(), 0u);

    EXPECT_LT(cGfx3D::MeshKey(*opaqueTextured), cGfx3D::MeshKey(*alpha));
    EXPECT_EQ(cGfx3D::MeshKey(*Flat(0)) & 0x200u, 0x200u);                                 // culling on
    EXPECT_EQ(cGfx3D::MeshKey(*Flat(0, 0, kMaterialTwoSided)) & 0x200u, 0u);              // two-sided
    EXPECT_EQ(cGfx3D::MeshKey(*Flat(0, 0, kMaterialDepthTest | kMaterialDepthWrite)) >> 26, 3u);
}

TEST(Gfx3DQueue, EachDrawKeepsTheMatrixItWasQueuedWith)
{
    tvtest::cFakeRenderer renderer;
    cGfx3D gfx(&renderer);
    cMesh a, b;
    cMaterial material;
    gfx.Translate(cVec3f(1, 2, 3));
    gfx.PushMatrix();
    gfx.Scale(cVec3f(2, 2, 2));
    gfx.QueueMesh(&a, &material);
    gfx.PopMatrix();
    gfx.PopMatrix(); // empty stack: the matrix stays
    gfx.QueueMesh(&b, &material);

    // A recording renderer that also keeps the model matrix of each draw.
    struct Recorder : tvtest::cFakeRenderer
    {
        void DrawMesh(cMesh* mesh, cMaterial* m) override
        {
            models.push_back(modelMatrix);
            tvtest::cFakeRenderer::DrawMesh(mesh, m);
        }
        std::vector<cMatrix44> models;
    } recorder;
    cGfx3D recorded(&recorder);
    recorded.SetMatrix(gfx.GetMatrix());
    recorded.PushMatrix();
    recorded.Scale(cVec3f(2, 2, 2));
    recorded.QueueMesh(&a, &material);
    recorded.PopMatrix();
    recorded.QueueMesh(&b, &material);
    recorder.SetModelMatrix(gfx.GetMatrix()); // anything but identity
    recorded.Flush();
    ASSERT_EQ(recorder.models.size(), 2u);
    EXPECT_FLOAT_EQ(recorder.models[0].m[0], 2.0f);
    EXPECT_FLOAT_EQ(recorder.models[0].m[12], 1.0f);
    EXPECT_FLOAT_EQ(recorder.models[1].m[0], 1.0f);
    EXPECT_FLOAT_EQ(recorder.models[1].m[14], 3.0f);
    // After a flush the renderer's model matrix is the identity, even with nothing queued.
    EXPECT_EQ(recorder.modelMatrix, cMatrix44());
    recorder.SetModelMatrix(gfx.GetMatrix());
    recorded.Flush();
    EXPECT_EQ(recorder.modelMatrix, cMatrix44());
}

TEST(Gfx3DQueue, UsedUpPoolsDropDrawsSafely)
{
    tvtest::cFakeRenderer renderer;
    cGfx3D gfx(&renderer);
    cMesh mesh;
    cMaterial material;
    for (uint32_t i = 0; i < cGfx3D::kPoolSize; ++i)
        ASSERT_TRUE(gfx.QueueMesh(&mesh, &material));
    EXPECT_FALSE(gfx.QueueMesh(&mesh, &material));
    // The matrices are used up too: a model cannot be queued either.
    auto* model = reinterpret_cast<cPodModel*>(uintptr_t(0x40));
    EXPECT_FALSE(gfx.QueueModel(model));
    EXPECT_FALSE(gfx.QueueMesh(nullptr, &material));
    gfx.Flush();
    EXPECT_EQ(renderer.draws.size(), size_t(cGfx3D::kPoolSize));

    // Everything is back in its pool after the flush.
    renderer.draws.clear();
    EXPECT_TRUE(gfx.QueueMesh(&mesh, &material));
    gfx.Flush();
    EXPECT_EQ(renderer.draws.size(), 1u);

    // Sprites likewise.
    c3DSprite sprite;
    for (uint32_t i = 0; i < cGfx3D::kSpritePoolSize; ++i)
        ASSERT_TRUE(gfx.AddSprite(sprite));
    EXPECT_FALSE(gfx.AddSprite(sprite));
    c3DRibbonPoint points[2];
    EXPECT_FALSE(gfx.AddRibbon(points, 2, nullptr, 0));
    renderer.draws.clear();
    gfx.Flush();
    // 1024 quads in batches of 128.
    EXPECT_EQ(renderer.draws.size(), size_t(cGfx3D::kSpritePoolSize / 128));
}

TEST(Gfx3DQueue, LinesFillOneBatchAndTheRestAreDropped)
{
    tvtest::cFakeRenderer renderer;
    cGfx3D gfx(&renderer);
    gfx.AddCircle(cVec3f(0, 0, 0), 1.0f);
    EXPECT_EQ(gfx.LineVertexCount(), 32u);
    const cVec3f strip[3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    gfx.AddLineStrip(strip, 3);
    EXPECT_EQ(gfx.LineVertexCount(), 36u);
    while (gfx.AddLine(cVec3f(0, 0, 0), cVec3f(1, 1, 1)))
    {
    }
    EXPECT_EQ(gfx.LineVertexCount(), cGfx3D::kLineVertices);
    gfx.Flush();
    ASSERT_EQ(renderer.draws.size(), 1u);
    EXPECT_EQ(renderer.draws[0].flags & kMaterialLines, kMaterialLines);
    EXPECT_EQ(renderer.draws[0].indices.size(), size_t(cGfx3D::kLineVertices));
    EXPECT_EQ(gfx.LineVertexCount(), 0u);
}

TEST(Gfx3DQueue, LongRibbonsAreSplitAcrossBatchesWithoutOverflow)
{
    tvtest::cFakeRenderer renderer;
    cGfx3D gfx(&renderer);
    for (const uint32_t n : {2u, 129u, 130u, 257u, 1000u})
    {
        SCOPED_TRACE(n);
        std::vector<c3DRibbonPoint> points(n);
        for (uint32_t i = 0; i < n; ++i)
            points[i].position = cVec3f(float(i) * 0.01f, 0, 0);
        renderer.draws.clear();
        ASSERT_TRUE(gfx.AddRibbon(points.data(), n, nullptr, 0));
        gfx.Flush();
        // Every segment is drawn once: pieces of at most 128 segments, each a batch.
        size_t indices = 0;
        for (const auto& d : renderer.draws)
        {
            EXPECT_LE(d.indices.size(), size_t(cGfx3D::kSpriteIndices));
            for (uint16_t i : d.indices)
                EXPECT_LT(i, cGfx3D::kSpriteVertices);
            indices += d.indices.size();
        }
        EXPECT_EQ(indices, size_t(n - 1) * 6);
        EXPECT_EQ(renderer.draws.size(), size_t((n - 2) / 128 + 1));
    }
    c3DRibbonPoint one;
    EXPECT_FALSE(gfx.AddRibbon(&one, 1, nullptr, 0));
}

// --- drawn for real ------------------------------------------------------------------------

namespace
{
class Gfx3DRender : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        gfx = std::make_unique<cGfx3D>(renderer.get());
        gfx->SetCamera(LookingAt(cVec3f(0, 0, 5)));
        gfx->SetClearColour(kBlack);
        gfx->Clear(kClearColour | kClearDepth);
    }
    void TearDown() override
    {
        gfx.reset();
        gRenderer = nullptr;
        renderer.reset();
    }
    uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720); }
    bool Near(int x, int y, uint32_t colour) { return tvtest::ColoursNear(Pixel(x, y), colour, 3); }

    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cGfx3D> gfx;
};
} // namespace

TEST_F(Gfx3DRender, SortedDrawingPutsBlendedMeshesLast)
{
    // Queued additive blue first: sorted, it is added after both opaque squares, the
    // green one (queued after the red one) covering it.
    auto square = MakeSquare(1.0f);
    auto blue = Flat(kBlue, kBlendCodeAdditive, kMaterialTwoSided);
    auto red = Flat(kRed, kBlendCodeOff, kMaterialTwoSided);
    auto green = Flat(kGreen, kBlendCodeOff, kMaterialTwoSided);
    gfx->QueueMesh(square.get(), blue.get());
    gfx->QueueMesh(square.get(), red.get());
    gfx->QueueMesh(square.get(), green.get());
    gfx->Flush();
    EXPECT_TRUE(Near(640, 360, kCyan)) << std::hex << Pixel(640, 360);
    EXPECT_EQ(Pixel(10, 10), kBlack);
}

TEST_F(Gfx3DRender, SpritesFaceTheCameraFromAnySide)
{
    struct Case
    {
        const char* name;
        cVec3f eye;
    };
    const Case cases[] = {{"front", {0, 0, 5}}, {"side", {5, 0, 0}}, {"above", {0.01f, 5, 0.01f}},
                          {"behind at an angle", {-3, 2, -3}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        gfx->SetCamera(LookingAt(c.eye));
        gfx->Clear(kClearColour | kClearDepth);
        c3DSprite sprite;
        sprite.colour = kGreen;
        sprite.width = 0.5f;
        sprite.height = 0.5f;
        // Faces the camera whatever the culling (one-sided material).
        sprite.materialWord = MakeMaterialWord(0, kBlendCodeOff);
        ASSERT_TRUE(gfx->AddSprite(sprite));
        gfx->Flush();
        EXPECT_TRUE(Near(640, 360, kGreen)) << std::hex << Pixel(640, 360);
        EXPECT_EQ(Pixel(640 + 300, 360), kBlack);
    }

    // Turned by a quarter turn a tall sprite becomes a wide one.
    gfx->SetCamera(LookingAt(cVec3f(0, 0, 5)));
    gfx->Clear(kClearColour | kClearDepth);
    c3DSprite tall;
    tall.colour = kRed;
    tall.width = 0.1f;
    tall.height = 1.0f;
    tall.angle = kHalfTurn / 2;
    gfx->AddSprite(tall);
    gfx->Flush();
    // One unit is 125 pixels at this distance: 1 across, 0.1 up and down.
    EXPECT_TRUE(Near(640 + 100, 360, kRed));
    EXPECT_TRUE(Near(640 - 100, 360, kRed));
    EXPECT_EQ(Pixel(640, 360 - 100), kBlack);
}

TEST_F(Gfx3DRender, ALongRibbonIsDrawnToItsEnd)
{
    // 400 points from left to right across the view, facing the camera.
    const uint32_t n = 400;
    std::vector<c3DRibbonPoint> points(n);
    for (uint32_t i = 0; i < n; ++i)
    {
        points[i].position = cVec3f(-2.0f + 4.0f * float(i) / float(n - 1), 0, 0);
        points[i].halfWidth = 0.2f;
        points[i].colour = kBlue;
    }
    ASSERT_TRUE(gfx->AddRibbon(points.data(), n, nullptr, MakeMaterialWord(kMaterialTwoSided, kBlendCodeOff)));
    gfx->Flush();
    // From end to end (2 units = 250 pixels either side), across the joins of the pieces.
    const int xs[] = {640 - 240, 640 - 120, 640 - 90, 640, 640 + 5, 640 + 120, 640 + 240};
    for (int x : xs)
        EXPECT_TRUE(Near(x, 360, kBlue)) << x << " " << std::hex << Pixel(x, 360);
    EXPECT_EQ(Pixel(640, 360 - 150), kBlack);
}

TEST_F(Gfx3DRender, LinesAreDrawn)
{
    gfx->SetLineColour(kRed);
    gfx->AddLine(cVec3f(-2, 0, 0), cVec3f(2, 0, 0));
    gfx->Flush();
    bool found = false;
    for (int y = 355; y <= 365 && !found; ++y)
        found = Near(640, y, kRed);
    EXPECT_TRUE(found);
}

TEST_F(Gfx3DRender, NodeTreesDrawWithTheirTransformsAndRestoreTheModelMatrix)
{
    auto square = MakeSquare(0.25f);
    auto red = Flat(kRed, kBlendCodeOff, kMaterialTwoSided);
    auto green = Flat(kGreen, kBlendCodeOff, kMaterialTwoSided);

    // root (plain) -> moved (translation +1 x) -> mesh A (scaled x2, red), mesh B (green,
    // 1 further up); a multi-mesh node draws nothing of its own.
    c3DNode root;
    c3DTransformNode moved;
    moved.transform.translation = cVec3f(1, 0, 0);
    c3DMeshNode a;
    a.transform.scale = cVec3f(2, 2, 2);
    a.mesh = square.get();
    a.material = red.get();
    c3DMeshNode b;
    b.transform.translation = cVec3f(0, 1, 0);
    b.mesh = square.get();
    b.material = green.get();
    c3DMultiMeshNode multi;
    root.AddChild(&moved);
    root.AddChild(&multi);
    root.AddChild(nullptr);
    moved.AddChild(&a);
    moved.AddChild(&b);
    EXPECT_EQ(root.ChildCount(), 2u);

    cMatrix44 before;
    Matrix4TranslationMatrix(before, 0, 0, 0.5f);
    renderer->SetModelMatrix(before);
    const size_t stack = renderer->modelStack.size();
    renderer->DrawScene(&root);
    EXPECT_EQ(renderer->modelMatrix, before);
    EXPECT_EQ(renderer->modelStack.size(), stack);

    // Project the node centres to find them on the screen.
    auto project = [this](const cVec3f& p) {
        cVec4f eye, clip;
        Matrix4TransformVector4(cVec4f(p, 1.0f), eye, renderer->viewMatrix);
        Matrix4TransformVector4(eye, clip, renderer->projectionMatrix);
        return cVec3f((clip.x / clip.w * 0.5f + 0.5f) * 1280.0f, (0.5f - clip.y / clip.w * 0.5f) * 720.0f, 0.0f);
    };
    const cVec3f centreA = project(cVec3f(1, 0, 0.5f));
    const cVec3f centreB = project(cVec3f(1, 1, 0.5f));
    const cVec3f edgeA = project(cVec3f(1.4f, -0.2f, 0.5f)); // inside only when scaled
    EXPECT_TRUE(Near(int(centreA.x), int(centreA.y), kRed)) << std::hex << Pixel(int(centreA.x), int(centreA.y));
    EXPECT_TRUE(Near(int(centreB.x), int(centreB.y), kGreen));
    EXPECT_TRUE(Near(int(edgeA.x), int(edgeA.y), kRed));
    EXPECT_EQ(Pixel(640, 360), kBlack); // nothing at the untransformed origin

    moved.RemoveChild(&a);
    EXPECT_EQ(moved.ChildCount(), 1u);
}
