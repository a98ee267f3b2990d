#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "KelpoBase/core/Projection.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Camera.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Node3D.h"
#include "KelpoBase/render/Renderer.h"

namespace
{
// The device-independent half, with every device slot recording what it was asked.
class cRecordingRenderer : public cRenderer
{
public:
    void SetRenderTarget(cRenderTarget* target) override
    {
        currentTarget = target;
        ++targetCalls;
        orientation = target != nullptr ? 0 : screenOrientation;
    }
    void SetViewport() override
    {
        ComputeViewportActual();
        ++viewportCalls;
    }
    void SetScissor(int32_t, int32_t, int32_t, int32_t) override {}
    void ResetRenderState() override {}
    void DrawHardwareMesh(cHardwareMesh*, cMaterial*) override {}
    void DrawPodModel(cPodModel*, cMaterial*) override {}
    void DrawMesh(cMesh* mesh, cMaterial*) override { meshDraws.push_back({mesh, modelMatrix}); }
    void SetClearColour(uint32_t) override {}
    void Clear(uint32_t) override {}
    cSurface* ReadPixels() override { return nullptr; }
    void SetRenderState(int32_t, bool) override {}
    void SetBlendMode(int32_t) override {}
    void BindTexture(int32_t, cImage*) override {}
    void DisableScissor() override {}
    const int32_t* GetScissorBox() override { return nullptr; }
    void SetColourMask(uint32_t) override {}
    uint32_t CreateTexture(cSurface*, uint32_t) override { return 0; }
    void DeleteTexture(uint32_t) override {}
    void SetLight(const cLight&) override {}
    void EnableLighting(bool) override {}

    int targetCalls = 0;
    int viewportCalls = 0;
    struct MeshDraw
    {
        cMesh* mesh;
        cMatrix44 model;
    };
    std::vector<MeshDraw> meshDraws;
};

cRenderTarget* FakeTarget(uintptr_t n) { return reinterpret_cast<cRenderTarget*>(n * 16); }

void ExpectMatrixNear(const cMatrix44& a, const cMatrix44& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

class RendererBase : public testing::Test
{
protected:
    void SetUp() override { SetScreenSize(1280, 720); }
    cRecordingRenderer renderer;
};
} // namespace

TEST_F(RendererBase, CameraDefaults)
{
    cCamera camera;
    EXPECT_EQ(camera.aspect, 1.0f);
    EXPECT_EQ(camera.nearPlane, 1.0f);
    EXPECT_EQ(camera.farPlane, 1000.0f);
    EXPECT_EQ(camera.orthographic, 0);
    EXPECT_EQ(camera.view, cMatrix44());
    EXPECT_EQ(camera.projection, cMatrix44());
    EXPECT_EQ(renderer.modelStack.capacity(), 16u);
    EXPECT_EQ(renderer.modelDirty, 1);
    EXPECT_EQ(renderer.projectionDirty, 1);
    EXPECT_EQ(renderer.viewDirty, 1);
    EXPECT_STREQ(renderer.GetClassInfo()->name.c_str(), "cRenderer");
}

TEST_F(RendererBase, OrthoCameraAndOrientationTurn)
{
    cCamera camera;
    camera.SetOrthoRect(0, 720, 1280, 0);
    camera.nearPlane = -1;
    camera.farPlane = 1;
    camera.UpdateProjection();
    cMatrix44 ortho;
    Matrix4Ortho(ortho, 0, 1280, 720, 0, -1, 1);
    ExpectMatrixNear(camera.projection, ortho);

    renderer.SetCamera(camera);
    EXPECT_EQ(renderer.cameraProjection, ortho);
    EXPECT_EQ(renderer.projectionMatrix, ortho); // orientation 0 leaves it as it is

    renderer.orientation = 1;
    renderer.SetCamera(camera);
    cMatrix44 turn;
    Matrix4RotationZ(turn, 1.5707964f);
    ExpectMatrixNear(renderer.projectionMatrix, turn * ortho);
    EXPECT_EQ(renderer.cameraProjection, ortho);
}

TEST_F(RendererBase, PerspectiveLookAtAndOrbit)
{
    cCamera camera;
    camera.SetPerspective(1.0f);
    camera.aspect = 16.0f / 9.0f;
    camera.SetPositionLookAt(cVec3f(0, 0, 10), cVec3f(0, 0, 0));
    camera.UpdateProjection();
    // The view brings the eye to the origin.
    const cVec3f eye = Matrix4TransformPoint(camera.view, cVec3f(0, 0, 10));
    EXPECT_NEAR(eye.x, 0, 1e-4);
    EXPECT_NEAR(eye.z, 0, 1e-4);
    cMatrix44 perspective;
    Matrix4Perspective(perspective, 1.0f, 16.0f / 9.0f, 1.0f, 1000.0f);
    ExpectMatrixNear(camera.projection, perspective);

    cCamera orbit;
    orbit.SetOrbit(cVec3f(1, 2, 3), 0.0f, 0.0f, 5.0f);
    EXPECT_EQ(orbit.position, cVec3f(1, 2, 8));

    // One eye of a stereo pair: shifted frustum, then a translation.
    cCamera eyeCam;
    eyeCam.SetPerspective(1.0f);
    eyeCam.eyeSeparation = 0.2f;
    eyeCam.SetNearPlane(2.0f);
    EXPECT_EQ(eyeCam.focalDistance, 2.0f);
    eyeCam.UpdateProjection();
    EXPECT_NE(eyeCam.projection[8], 0.0f);
    EXPECT_TRUE(std::isfinite(eyeCam.projection[12]));

    cCamera copy;
    copy.extra[50] = 7.0f;
    copy.Copy(eyeCam);
    EXPECT_EQ(copy.extra[50], 0.0f);
    EXPECT_EQ(copy.projection, eyeCam.projection);
}

TEST_F(RendererBase, ViewportTurnsWithTheOrientation)
{
    struct Case
    {
        int32_t orientation;
        int32_t x, y, w, h;
    };
    // Request (10, 20, 100, 50) on a 1280 x 720 frame buffer (the platform's screen size
    // is 720 x 1280 in the quarter turns).
    const Case cases[] = {
        {0, 10, 20, 100, 50},
        {1, 1280 - 20 - 50, 10, 50, 100},
        {2, 1280 - 100 - 10, 720 - 20 - 50, 100, 50},
        {3, 20, 720 - 100 - 10, 50, 100},
    };
    for (const Case& c : cases)
    {
        const bool turned = c.orientation % 2 == 1;
        SetScreenSize(turned ? 720 : 1280, turned ? 1280 : 720);
        renderer.SetScreenOrientation(c.orientation);
        renderer.SetViewportRect(10, 20, 100, 50);
        EXPECT_EQ(renderer.viewportActual[0], c.x) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[1], c.y) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[2], c.w) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[3], c.h) << c.orientation;
        // The whole screen always covers the whole frame buffer.
        renderer.SetViewportRect(0, 0, GetScreenWidth(), GetScreenHeight());
        EXPECT_EQ(renderer.viewportActual[0], 0) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[1], 0) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[2], 1280) << c.orientation;
        EXPECT_EQ(renderer.viewportActual[3], 720) << c.orientation;
    }
}

TEST_F(RendererBase, ScreenOrientationWhileATargetIsBound)
{
    renderer.SetScreenOrientation(2);
    EXPECT_EQ(renderer.orientation, 2);
    renderer.BindRenderTarget(FakeTarget(1));
    EXPECT_EQ(renderer.orientation, 0);
    renderer.SetScreenOrientation(3);
    EXPECT_EQ(renderer.screenOrientation, 3);
    EXPECT_EQ(renderer.orientation, 0);
    renderer.BindRenderTarget(nullptr);
    EXPECT_EQ(renderer.orientation, 3);
}

TEST_F(RendererBase, StacksPairUpAndEmptyPopsKeepTheCurrentValue)
{
    cMatrix44 moved;
    Matrix4Translate(moved, 1, 2, 3);
    renderer.SetModelMatrix(moved);
    renderer.PushModelMatrix();
    renderer.TranslateModel(cVec3f(5, 0, 0));
    renderer.RotateModelZ(0.5f);
    renderer.ScaleModel(cVec3f(2, 2, 2));
    renderer.modelDirty = 0;
    renderer.PopModelMatrix();
    EXPECT_EQ(renderer.modelMatrix, moved);
    EXPECT_EQ(renderer.modelDirty, 1);
    EXPECT_TRUE(renderer.modelStack.empty());
    renderer.PopModelMatrix(); // empty: nothing changes
    EXPECT_EQ(renderer.modelMatrix, moved);

    renderer.BindRenderTarget(FakeTarget(1));
    renderer.PushRenderTarget();
    renderer.BindRenderTarget(FakeTarget(2));
    renderer.PopRenderTarget();
    EXPECT_EQ(renderer.GetRenderTarget(), FakeTarget(1));
    const int calls = renderer.targetCalls;
    renderer.PopRenderTarget(); // empty: the current target stays, nothing is bound
    EXPECT_EQ(renderer.GetRenderTarget(), FakeTarget(1));
    EXPECT_EQ(renderer.targetCalls, calls);
}

TEST_F(RendererBase, TheBaseNodeWalkDrawsMeshNodesUnderTheirTransforms)
{
    // root (plain) -> moved (+1 x) -> mesh A (+2 y), then a multi-mesh node, then mesh B
    // straight under the root: meshes in tree order, each under the product of the
    // transforms above it; the model matrix comes back as it was.
    cMesh meshA, meshB;
    cMaterial material;
    c3DNode root;
    c3DTransformNode moved;
    moved.transform.translation = cVec3f(1, 0, 0);
    c3DMeshNode a;
    a.transform.translation = cVec3f(0, 2, 0);
    a.mesh = &meshA;
    a.material = &material;
    c3DMultiMeshNode multi;
    c3DMeshNode b;
    b.mesh = &meshB;
    b.material = &material;
    root.AddChild(&moved);
    moved.AddChild(&a);
    root.AddChild(&multi);
    root.AddChild(&b);

    cMatrix44 before;
    Matrix4Translate(before, 0, 0, 5);
    renderer.SetModelMatrix(before);
    renderer.DrawScene(&root);
    ASSERT_EQ(renderer.meshDraws.size(), 2u);
    EXPECT_EQ(renderer.meshDraws[0].mesh, &meshA);
    EXPECT_FLOAT_EQ(renderer.meshDraws[0].model[12], 1.0f);
    EXPECT_FLOAT_EQ(renderer.meshDraws[0].model[13], 2.0f);
    EXPECT_FLOAT_EQ(renderer.meshDraws[0].model[14], 5.0f);
    EXPECT_EQ(renderer.meshDraws[1].mesh, &meshB);
    EXPECT_EQ(renderer.meshDraws[1].model, before);
    EXPECT_EQ(renderer.modelMatrix, before);
    EXPECT_TRUE(renderer.modelStack.empty());
    renderer.DrawNode(nullptr);
    EXPECT_EQ(renderer.meshDraws.size(), 2u);
}

TEST_F(RendererBase, ProjectAndUnprojectAreInverse)
{
    cCamera camera;
    camera.SetOrthoRect(0, 720, 1280, 0);
    camera.nearPlane = -1;
    camera.farPlane = 1;
    camera.UpdateProjection();
    renderer.SetCamera(camera);
    renderer.SetViewportRect(0, 0, 1280, 720);

    cVec3f out(-7, -7, -7);
    EXPECT_TRUE(renderer.ProjectToScreen(cVec3f(320, 180, 0), out));
    EXPECT_NEAR(out.x, 320, 1e-3);
    EXPECT_NEAR(out.y, 720 - 180, 1e-3); // y up in the viewport, as the library counts it

    // A projection whose w is 0 writes nothing.
    cMatrix44 zero;
    zero[15] = 0.0f;
    renderer.SetProjection(zero);
    cVec3f untouched(-7, -7, -7);
    EXPECT_FALSE(renderer.ProjectToScreen(cVec3f(0, 0, 0), untouched));
    EXPECT_EQ(untouched, cVec3f(-7, -7, -7));

    // With a model translation the screen point maps back to the object-space point.
    renderer.SetCamera(camera);
    Matrix4TranslationMatrix(renderer.modelViewMatrix, 100, 50, 0);
    const cVec3f back = renderer.UnprojectFromScreen(420, 230);
    EXPECT_NEAR(back.x, 320, 1e-2);
    EXPECT_NEAR(back.y, 180, 1e-2);
}
