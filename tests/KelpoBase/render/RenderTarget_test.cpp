// Render targets made through the OpenGL renderer: drawn into, then drawn as a texture
// and read back; the frame buffer bound before survives their making; releasing gives
// each library object back once (counted through a counting entry-point table); a clear
// under a small viewport covers a whole target but only the viewport of the window's own.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "GLCounting.h"
#include "GLTestContext.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/RenderTarget.h"
#include "KelpoBase/render/RendererOGL.h"

namespace
{
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;

void PutFloat(uint8_t* p, float f) { std::memcpy(p, &f, 4); }

// A quad in pixels (2D positions, one coordinate set) facing the top-down camera.
std::unique_ptr<cMesh> MakeQuad(float x, float y, float w, float h)
{
    auto mesh = std::make_unique<cMesh>(4, 6, kMeshPosition | kMeshTexCoord0 | kMeshPositions2D);
    const float corners[4][4] = {{x, y, 0, 0}, {x + w, y, 1, 0}, {x, y + h, 0, 1}, {x + w, y + h, 1, 1}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        PutFloat(mesh->PositionPtr(i), corners[i][0]);
        PutFloat(mesh->PositionPtr(i) + 4, corners[i][1]);
        PutFloat(mesh->TexCoordPtr(0, i), corners[i][2]);
        PutFloat(mesh->TexCoordPtr(0, i) + 4, corners[i][3]);
    }
    mesh->indices = {0, 2, 1, 1, 2, 3};
    mesh->indexCount = 6;
    return mesh;
}

class RenderTarget : public testing::Test
{
protected:
    void SetUp() override
    {
        window = tvtest::AcquireGLWindow();
        ASSERT_NE(window, nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        UseCamera(1280, 720);
    }
    void TearDown() override
    {
        gRenderer = nullptr;
        renderer.reset();
    }
    void UseCamera(int width, int height)
    {
        cCamera camera;
        camera.SetOrthoRect(0, float(height), float(width), 0);
        camera.nearPlane = -1;
        camera.farPlane = 1;
        camera.UpdateProjection();
        renderer->SetCamera(camera);
    }
    GLint BoundFramebuffer()
    {
        GLint bound = -1;
        GL().GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
        return bound;
    }

    cWinMain_OGL1* window = nullptr;
    std::unique_ptr<cRenderer_OGL_1> renderer;
};
} // namespace

TEST_F(RenderTarget, DrawnIntoThenDrawnAsATexture)
{
    std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(64, 64, kTargetColourTexture | kTargetDepth));
    ASSERT_NE(target, nullptr);
    auto* ogl = static_cast<cRenderTarget_OGL1*>(target.get());
    ASSERT_NE(ogl->framebuffer, 0u);
    ASSERT_NE(ogl->colourTexture, 0u);
    EXPECT_NE(ogl->depthBuffer, 0u);
    ASSERT_NE(target->image, nullptr);
    EXPECT_EQ(target->image->texture, ogl->colourTexture);
    EXPECT_EQ(target->width, 64);

    // Into the target: red everywhere, green on the left half.
    renderer->PushRenderTarget();
    renderer->BindRenderTarget(target.get());
    EXPECT_EQ(GLuint(BoundFramebuffer()), ogl->framebuffer);
    GLint viewport[4] = {};
    GL().GetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 64, 64}));
    UseCamera(64, 64);
    renderer->SetClearColour(kRed);
    renderer->Clear(kClearColour | kClearDepth);
    cMaterial green;
    green.flags = kMaterialTwoSided;
    green.colour = kGreen;
    auto half = MakeQuad(0, 0, 32, 64);
    renderer->DrawMesh(half.get(), &green);

    // Back on the screen, the target's picture on a 128 x 128 quad.
    renderer->PopRenderTarget();
    EXPECT_EQ(BoundFramebuffer(), renderer->defaultFramebuffer);
    UseCamera(1280, 720);
    renderer->SetClearColour(kBlack);
    renderer->Clear(kClearColour | kClearDepth);
    cMaterial textured;
    textured.flags = kMaterialTwoSided;
    textured.textures[0] = target->image;
    auto quad = MakeQuad(100, 100, 128, 128);
    renderer->DrawMesh(quad.get(), &textured);
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadScreenPixel(120, 160, 720), kGreen, 2));
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadScreenPixel(210, 160, 720), kRed, 2));
    EXPECT_EQ(tvtest::ReadScreenPixel(90, 160, 720), kBlack);
}

TEST_F(RenderTarget, MakingOneKeepsTheBoundFrameBuffer)
{
    struct Case
    {
        uint32_t flags;
        bool complete;
    };
    // No attachment at all is incomplete and released at once; a depth buffer alone, a
    // colour texture (RGB or RGBA), or both are complete.
    const Case cases[] = {{0x0, false}, {0x8, true}, {0x48, true}, {0x9, true}, {0x49, true}};
    const GLint before = BoundFramebuffer();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.flags);
        std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(32, 16, c.flags));
        ASSERT_NE(target, nullptr);
        auto* ogl = static_cast<cRenderTarget_OGL1*>(target.get());
        EXPECT_EQ(BoundFramebuffer(), before);
        EXPECT_EQ(ogl->framebuffer != 0, c.complete);
        EXPECT_EQ(ogl->colourTexture != 0, c.complete && (c.flags & kTargetColourTexture) != 0);
        EXPECT_EQ(ogl->depthBuffer != 0, c.complete && (c.flags & kTargetDepth) != 0);
    }
    // No pixels: nothing is made and nothing is bound.
    for (const int size : {0, -4})
    {
        tvtest::GLCounting counting;
        std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(size, 8, 0x49));
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->FramebufferName(), 0u);
        EXPECT_EQ(counting.Count(eGLFunction::GenFramebuffersEXT), 0u);
    }
}

TEST_F(RenderTarget, ReleasingGivesEachNameBackOnce)
{
    std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(16, 16, 0x49));
    ASSERT_NE(target, nullptr);
    cImage* image = target->image;
    ASSERT_NE(image, nullptr);
    // A unit showing the target's picture forgets it when the texture goes.
    renderer->BindTexture(0, image);

    tvtest::GLCounting counting;
    target->Release();
    target->Release(); // twice is safe: the names are already 0
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 1u);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteFramebuffersEXT), 1u);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteRenderbuffersEXT), 1u);
    EXPECT_EQ(image->texture, 0u);
    EXPECT_EQ(renderer->boundImage[0], nullptr);

    // Deleting the target (and its image) deletes nothing more.
    target.reset();
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 1u);

    // Deleting a live target releases everything exactly once as well.
    std::unique_ptr<cRenderTarget> other(renderer->CreateRenderTarget(16, 16, 0x49));
    counting.Reset();
    other.reset();
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 1u);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteFramebuffersEXT), 1u);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteRenderbuffersEXT), 1u);
}

TEST_F(RenderTarget, DeletingTheBoundTargetReturnsToTheScreen)
{
    std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(16, 16, 0x8));
    ASSERT_NE(target->FramebufferName(), 0u);
    renderer->PushRenderTarget();
    renderer->BindRenderTarget(target.get());
    renderer->PushRenderTarget(); // the target is on the stack as well
    target.reset();
    EXPECT_EQ(renderer->GetRenderTarget(), nullptr);
    EXPECT_EQ(BoundFramebuffer(), renderer->defaultFramebuffer);
    renderer->PopRenderTarget(); // was the target: the screen now
    EXPECT_EQ(renderer->GetRenderTarget(), nullptr);
    EXPECT_EQ(BoundFramebuffer(), renderer->defaultFramebuffer);
    renderer->PopRenderTarget();
    EXPECT_TRUE(renderer->targetStack.empty());
}

TEST_F(RenderTarget, ClearedWholeUnderASmallViewportWhileTheWindowTargetClearsItsViewport)
{
    // Green at depth 0.5 over everything, then a red clear (colour and depth) under a
    // 32 x 32 viewport in the corner.
    cMaterial green;
    green.flags = kMaterialTwoSided | kMaterialDepthTest | kMaterialDepthWrite;
    green.colour = kGreen;
    auto paint = [&](int width, int height) {
        UseCamera(width, height);
        renderer->Clear(kClearDepth); // under the full viewport: the quad passes the depth test
        auto all = MakeQuad(0, 0, float(width), float(height));
        renderer->DrawMesh(all.get(), &green);
    };
    auto clearCorner = [&] {
        renderer->SetViewportRect(0, 0, 32, 32);
        renderer->SetClearColour(kRed);
        renderer->Clear(kClearColour | kClearDepth);
    };
    auto depthAt = [](int x, int y) {
        float depth = -1.0f;
        GL().ReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    };

    // A render target is cleared whole: its owner may show or sample any of it.
    std::unique_ptr<cRenderTarget> target(renderer->CreateRenderTarget(64, 64, kTargetColourTexture | kTargetDepth));
    ASSERT_NE(target->FramebufferName(), 0u);
    renderer->PushRenderTarget();
    renderer->BindRenderTarget(target.get());
    paint(64, 64);
    ASSERT_NEAR(depthAt(48, 48), 0.5f, 0.01f);
    clearCorner();
    for (const auto& [x, y] : {std::pair{10, 10}, std::pair{48, 10}, std::pair{10, 48}, std::pair{63, 63}})
    {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(x, y), kRed, 2)) << std::hex << tvtest::ReadPixel(x, y);
        EXPECT_FLOAT_EQ(depthAt(x, y), 1.0f);
    }
    renderer->PopRenderTarget();

    // The window's off-screen target (colour only) is cleared within the viewport only,
    // through its texture (no drawn clear) where the library can: nothing outside the
    // viewport is ever shown.
    paint(1280, 720);
    tvtest::GLCounting counting;
    clearCorner();
    if (GL().hasClearTexture)
    {
        EXPECT_EQ(counting.Count(eGLFunction::ClearTexSubImage), 1u);
        EXPECT_EQ(counting.Count(eGLFunction::Clear), 1u) << "only the depth buffer is cleared by drawing";
    }
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(10, 10), kRed, 2));
    for (const auto& [x, y] : {std::pair{48, 10}, std::pair{10, 48}, std::pair{1000, 600}})
        EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(x, y), kGreen, 2)) << x << "," << y;
}
