// cRenderer: the engine's one drawing device.
//
// Every drawing part talks to the renderer object in gRenderer, never to the graphics
// library. The base class keeps what does not depend on the library: the camera, the
// view, model and projection matrices with their dirty flags, the model-matrix stack, the
// render-target stack, the viewport and the screen orientation. Matrix changes only mark
// dirty flags; the concrete renderer (cRenderer_OGL_1) loads them before the next draw.
#pragma once

#include <cstdint>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"
#include "KelpoBase/render/Camera.h"

class cRenderTarget;
class cHardwareMesh;
class c3DNode;
class cMesh;
class cMaterial;
class cSurface;
class cImage;
class cPodModel;

// The light the fixed-function path uses (one directional light).
struct cLight
{
    uint32_t kind = 0;                 // stored, not interpreted
    uint32_t diffuse = 0xFFFFFFFFu;    // RGBA, R in the low byte
    uint32_t ambient = 0xFF000000u;    // opaque black
    uint32_t specular = 0xFFFFFFFFu;
    cVec3f direction{0.0f, -1.0f, 0.0f};
    cVec3f position{0.0f, 0.0f, 0.0f}; // stored, not used
};

// Render states of SetRenderState.
enum eRenderState : int32_t
{
    kRenderStateNone = 0,
    kRenderStateBlend = 1,
    kRenderStateDepthTest = 2,
    kRenderStateDepthWrite = 3,
    kRenderStateCull = 4,
};

// Blend modes of SetBlendMode.
enum eBlendMode : int32_t
{
    kBlendAlpha = 0,
    kBlendAdditive = 1,
    kBlendMultiply = 2,
    kBlendDarken = 3,
};

// Clear flags.
inline constexpr uint32_t kClearColour = 0x1;
inline constexpr uint32_t kClearDepth = 0x2;

// The texture units whose bindings the renderer mirrors.
inline constexpr int32_t kMaxTextureUnits = 8;

class cRenderer : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cRenderer, cKelpoObj)
public:
    cRenderer();
    ~cRenderer() override;

    // --- the device's operations -------------------------------------------------------
    // Null binds the screen (the frame buffer that was bound when the renderer was made).
    virtual void SetRenderTarget(cRenderTarget* target) = 0;
    // Applies viewportRequest (turned by the orientation).
    virtual void SetViewport() = 0;
    // x, y, width, height in unrotated screen pixels, y from the top.
    virtual void SetScissor(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void DrawScene(c3DNode* node);
    virtual void DrawNode(c3DNode* node);
    // Brings every cached state and the library to their defaults (start of each frame).
    virtual void ResetRenderState() = 0;
    virtual void DrawHardwareMesh(cHardwareMesh* mesh, cMaterial* material) = 0;
    virtual void DrawPodModel(cPodModel* model, cMaterial* material) = 0;
    virtual void DrawMesh(cMesh* mesh, cMaterial* material) = 0;
    virtual void SetClearColour(uint32_t rgba) = 0;
    virtual void Clear(uint32_t flags) = 0;
    // The screen as a new RGB surface, bottom row first; the caller owns it.
    virtual cSurface* ReadPixels() = 0;
    virtual void SetRenderState(int32_t state, bool on) = 0;
    virtual void SetBlendMode(int32_t mode) = 0;
    virtual void BindTexture(int32_t unit, cImage* image) = 0;
    virtual void DisableScissor() = 0;
    virtual const int32_t* GetScissorBox() = 0;
    // Bits 0 red, 1 green, 2 blue, 3 alpha.
    virtual void SetColourMask(uint32_t mask) = 0;
    // A texture id, 0 on failure.
    virtual uint32_t CreateTexture(cSurface* surface, uint32_t flags) = 0;
    virtual void DeleteTexture(uint32_t texture) = 0;
    virtual cHardwareMesh* CreateHardwareMesh(cMesh* mesh);
    virtual uint32_t Reserved24(uint32_t word);
    virtual void SetLight(const cLight& light) = 0;
    virtual void EnableLighting(bool on) = 0;
    virtual uint32_t Reserved27(uint32_t word);
    virtual cRenderTarget* CreateRenderTarget(int32_t width, int32_t height, uint32_t flags);
    virtual void Reserved29(uint32_t word);
    virtual void Reserved30(uint32_t word, uint32_t word2);
    virtual void Reserved31(uint32_t word);

    // --- matrices (dirty flags only; the library is updated before the next draw) ---------
    void SetCamera(const cCamera& newCamera);
    void SetProjection(const cMatrix44& matrix);
    void SetViewMatrix(const cMatrix44& matrix);
    void SetModelMatrix(const cMatrix44& matrix);
    void LoadIdentityModel();
    void TranslateModel(const cVec3f& t);
    void ScaleModel(const cVec3f& s);
    void RotateModelZ(float angle);
    void MultiplyModel(const cMatrix44& matrix);
    void MultiplyModelRotation(const cMatrix33& rotation);
    void PushModelMatrix();
    // An empty stack keeps the current matrix.
    void PopModelMatrix();

    // --- render targets -----------------------------------------------------------------
    void PushRenderTarget();
    // An empty stack keeps the current target.
    void PopRenderTarget();
    cRenderTarget* GetRenderTarget() const { return currentTarget; }
    void BindRenderTarget(cRenderTarget* target) { SetRenderTarget(target); }

    // --- viewport and orientation ---------------------------------------------------------
    void SetViewportRect(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetScreenOrientation(int32_t o);
    // viewportActual from viewportRequest turned by the orientation. The request is in the
    // screen's own (turned) pixels; the turn maps it into the unrotated frame buffer.
    void ComputeViewportActual();
    // The screen size as the frame buffer holds it: the platform's screen size, swapped
    // back for the quarter turns 1 and 3.
    static void GetUnrotatedScreenSize(int32_t turn, int32_t& width, int32_t& height);

    // Model, then projection; x and y divided by w and mapped into the requested viewport,
    // z as transformed. False (out untouched) when w is 0.
    bool ProjectToScreen(const cVec3f& point, cVec3f& out) const;
    cVec3f ProjectToScreen(const cVec3f& point) const;
    static cVec4f MakeVec4(const cVec3f& v, float w) { return cVec4f(v, w); }
    // The point on the near plane under a screen point.
    cVec3f UnprojectFromScreen(int32_t px, int32_t py) const;

    // --- state (read by the drawing parts and the tests) ---------------------------------
    std::vector<cRenderTarget*> targetStack;
    cRenderTarget* currentTarget = nullptr;
    cCamera camera;
    std::vector<cMatrix44> modelStack;
    int32_t viewportRequest[4] = {0, 0, 0, 0};
    int32_t viewportActual[4] = {0, 0, 0, 0};
    int32_t maxTextureSize = 0;
    int32_t maxTextureUnits = 0;
    cMatrix44 viewMatrix;
    cMatrix44 modelMatrix;
    cMatrix44 modelViewMatrix;
    cMatrix44 projectionMatrix;
    cMatrix44 cameraProjection;
    uint8_t modelDirty = 1;
    uint8_t projectionDirty = 1;
    uint8_t viewDirty = 1;
    int32_t orientation = 0;
    int32_t screenOrientation = 0;

protected:
    // projectionMatrix = the orientation's turn about Z times cameraProjection.
    void UpdateOrientedProjection();
};

// The program's renderer (made at start-up, deleted at shutdown); null before and after.
extern cRenderer* gRenderer;

// Parts of the device that other renderer code supplies when it exists.
struct RendererHooks
{
    // The frame buffer and size of a render target, for SetRenderTarget; false when the
    // target has no usable frame buffer.
    bool (*targetBinding)(const cRenderTarget* target, uint32_t& framebuffer, int32_t& width,
                          int32_t& height) = nullptr;
    // The texture name of an image (0 = none); without it, the image's own texture field.
    uint32_t (*imageTexture)(const cImage* image) = nullptr;
};
RendererHooks& GetRendererHooks();

// The texture name the renderer binds for an image (0 for null).
uint32_t ImageTextureName(const cImage* image);

