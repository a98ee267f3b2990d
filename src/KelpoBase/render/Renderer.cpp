#include "KelpoBase/render/Renderer.h"

#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Node3D.h"

cRenderer* gRenderer = nullptr;

RendererHooks& GetRendererHooks()
{
    static RendererHooks hooks;
    return hooks;
}

uint32_t ImageTextureName(const cImage* image)
{
    if (image == nullptr)
        return 0;
    const auto lookup = GetRendererHooks().imageTexture;
    return lookup != nullptr ? lookup(image) : image->texture;
}

cRenderer::cRenderer() { modelStack.reserve(16); }

cRenderer::~cRenderer()
{
    modelStack.clear();
    targetStack.clear();
}

void cRenderer::DrawScene(c3DNode* node) { DrawNode(node); }

void cRenderer::DrawNode(c3DNode* node) { DrawNodeTree(*this, node); }

cHardwareMesh* cRenderer::CreateHardwareMesh(cMesh*) { return nullptr; }
uint32_t cRenderer::Reserved24(uint32_t) { return 0; }
uint32_t cRenderer::Reserved27(uint32_t) { return 0; }
cRenderTarget* cRenderer::CreateRenderTarget(int32_t, int32_t, uint32_t) { return nullptr; }
void cRenderer::Reserved29(uint32_t) {}
void cRenderer::Reserved30(uint32_t, uint32_t) {}
void cRenderer::Reserved31(uint32_t) {}

void cRenderer::UpdateOrientedProjection()
{
    cMatrix44 turn;
    Matrix4RotationZ(turn, static_cast<float>(orientation * 90) * 0.017453293f);
    Matrix4Multiply(turn, projectionMatrix, cameraProjection);
}

void cRenderer::SetCamera(const cCamera& newCamera)
{
    camera.Copy(newCamera);
    viewMatrix = camera.view;
    cameraProjection = camera.projection;
    UpdateOrientedProjection();
    projectionDirty = 1;
    viewDirty = 1;
}

void cRenderer::SetProjection(const cMatrix44& matrix)
{
    cameraProjection = matrix;
    UpdateOrientedProjection();
    projectionDirty = 1;
}

void cRenderer::SetViewMatrix(const cMatrix44& matrix)
{
    viewMatrix = matrix;
    viewDirty = 1;
}

void cRenderer::SetModelMatrix(const cMatrix44& matrix)
{
    modelMatrix = matrix;
    modelDirty = 1;
}

void cRenderer::LoadIdentityModel()
{
    Matrix4Identity(modelMatrix);
    modelDirty = 1;
}

void cRenderer::TranslateModel(const cVec3f& t)
{
    Matrix4Translate(modelMatrix, t);
    modelDirty = 1;
}

void cRenderer::ScaleModel(const cVec3f& s)
{
    Matrix4Scale(modelMatrix, s);
    modelDirty = 1;
}

void cRenderer::RotateModelZ(float angle)
{
    Matrix4RotateZ(modelMatrix, angle);
    modelDirty = 1;
}

void cRenderer::MultiplyModel(const cMatrix44& matrix)
{
    Matrix4MultiplyInPlace(matrix, modelMatrix);
    modelDirty = 1;
}

void cRenderer::MultiplyModelRotation(const cMatrix33& rotation)
{
    Matrix4MultiplyRotation3InPlace(rotation, modelMatrix);
    modelDirty = 1;
}

void cRenderer::PushModelMatrix() { modelStack.push_back(modelMatrix); }

void cRenderer::PopModelMatrix()
{
    if (modelStack.empty())
        return;
    modelMatrix = modelStack.back();
    modelStack.pop_back();
    modelDirty = 1;
}

void cRenderer::PushRenderTarget() { targetStack.push_back(currentTarget); }

void cRenderer::PopRenderTarget()
{
    if (targetStack.empty())
        return;
    cRenderTarget* target = targetStack.back();
    targetStack.pop_back();
    SetRenderTarget(target);
}

void cRenderer::SetViewportRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    viewportRequest[0] = x;
    viewportRequest[1] = y;
    viewportRequest[2] = width;
    viewportRequest[3] = height;
    SetViewport();
}

void cRenderer::SetScreenOrientation(int32_t o)
{
    screenOrientation = o;
    if (currentTarget == nullptr)
        orientation = o;
    SetViewport();
}

void cRenderer::GetUnrotatedScreenSize(int32_t turn, int32_t& width, int32_t& height)
{
    // The platform swaps the screen size for the quarter turns; the library's frame
    // buffer keeps the unrotated one.
    const bool swapped = turn == 1 || turn == 3;
    width = swapped ? GetScreenHeight() : GetScreenWidth();
    height = swapped ? GetScreenWidth() : GetScreenHeight();
}

void cRenderer::ComputeViewportActual()
{
    int32_t W, H;
    GetUnrotatedScreenSize(orientation, W, H);
    const int32_t x = viewportRequest[0];
    const int32_t y = viewportRequest[1];
    const int32_t w = viewportRequest[2];
    const int32_t h = viewportRequest[3];
    int32_t* a = viewportActual;
    switch (orientation)
    {
    case 1:
        a[0] = W - y - h;
        a[1] = x;
        a[2] = h;
        a[3] = w;
        break;
    case 2:
        a[0] = W - w - x;
        a[1] = H - y - h;
        a[2] = w;
        a[3] = h;
        break;
    case 3:
        a[0] = y;
        a[1] = H - w - x;
        a[2] = h;
        a[3] = w;
        break;
    default:
        a[0] = x;
        a[1] = y;
        a[2] = w;
        a[3] = h;
        break;
    }
}

bool cRenderer::ProjectToScreen(const cVec3f& point, cVec3f& out) const
{
    cVec4f p(point, 1.0f);
    cVec4f model;
    Matrix4TransformVector4(p, model, modelMatrix);
    cVec4f clip;
    Matrix4TransformVector4(model, clip, projectionMatrix);
    if (clip.w == 0.0f)
        return false;
    const float x = clip.x / clip.w;
    const float y = clip.y / clip.w;
    out.x = (x * 0.5f + 0.5f) * static_cast<float>(viewportRequest[2]) + static_cast<float>(viewportRequest[0]);
    out.y = (0.5f + y * 0.5f) * static_cast<float>(viewportRequest[3]) + static_cast<float>(viewportRequest[1]);
    out.z = clip.z;
    return true;
}

cVec3f cRenderer::ProjectToScreen(const cVec3f& point) const
{
    cVec3f out;
    ProjectToScreen(point, out);
    return out;
}

cVec3f cRenderer::UnprojectFromScreen(int32_t px, int32_t py) const
{
    // Screen to object space: the inverse of projection x view x model.
    cMatrix44 combined;
    Matrix4Multiply(cameraProjection, combined, modelViewMatrix);
    cMatrix44 inverse;
    Matrix4Inverse(combined, inverse);
    const float nx = static_cast<float>(px - viewportRequest[0]) * 2.0f / static_cast<float>(viewportRequest[2]) - 1.0f;
    const float ny = 1.0f - static_cast<float>(py - viewportRequest[1]) * 2.0f / static_cast<float>(viewportRequest[3]);
    cVec4f result;
    Matrix4TransformVector4(cVec4f(nx, ny, -1.0f, 1.0f), result, inverse);
    return result.Xyz();
}
