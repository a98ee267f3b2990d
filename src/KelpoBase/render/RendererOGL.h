// cRenderer_OGL_1: the renderer on fixed-function OpenGL 1.x with the frame-buffer and
// multitexture extensions.
//
// Every piece of library state that drawing touches (the texture bound on each unit, the
// client arrays, the active units, the blend mode, the on/off states, the colour mask,
// lighting) is mirrored here, and the library is called only when a requested value
// differs from the mirror. ResetRenderState puts the library and the mirror into one
// known state at the start of every frame. Matrices are loaded just before each draw,
// from the dirty flags of the base class. All calls go through the entry-point table
// (GL()), made current before the renderer is constructed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <utility>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/render/Renderer.h"

// Client arrays mirrored in clientStates.
inline constexpr uint32_t kClientVertex = 0x01;
inline constexpr uint32_t kClientColour = 0x02;
inline constexpr uint32_t kClientNormal = 0x04;
inline constexpr uint32_t kClientTexCoord0 = 0x08;
inline constexpr uint32_t kClientTexCoord1 = 0x10;
inline constexpr uint32_t kClientSkinning0 = 0x20;
inline constexpr uint32_t kClientSkinning1 = 0x40;

// Texture flags of CreateTexture.
inline constexpr uint32_t kTextureLinear = 0x1;
inline constexpr uint32_t kTextureTrilinear = 0x2;
inline constexpr uint32_t kTextureRowsBottomUp = 0x10;
inline constexpr uint32_t kTextureClampU = 0x100;
inline constexpr uint32_t kTextureClampV = 0x200;
inline constexpr uint32_t kTextureClamp = 0x300;

class cRenderer_OGL_1 : public cRenderer
{
    KELPO_DECLARE_CLASS(cRenderer_OGL_1, cRenderer)
public:
    // Needs a current context and a loaded entry-point table.
    cRenderer_OGL_1();
    ~cRenderer_OGL_1() override;

    void SetRenderTarget(cRenderTarget* target) override;
    void SetViewport() override;
    void SetScissor(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void ResetRenderState() override;
    // From the hardware mesh's buffers; a mesh without buffers draws nothing.
    void DrawHardwareMesh(cHardwareMesh* mesh, cMaterial* material) override;
    // The bone batches of each mesh node of the model's scene, skinned meshes under their
    // bones' skinning matrices.
    void DrawPodModel(cPodModel* model, cMaterial* material) override;
    void DrawMesh(cMesh* mesh, cMaterial* material) override;
    void SetClearColour(uint32_t rgba) override;
    // The whole bound frame buffer, or its scissor box while one is set; the window's
    // off-screen target only within the viewport, what it shows of it.
    void Clear(uint32_t flags) override;
    cSurface* ReadPixels() override;
    void SetRenderState(int32_t state, bool on) override;
    void SetBlendMode(int32_t mode) override;
    void BindTexture(int32_t unit, cImage* image) override;
    void DisableScissor() override;
    const int32_t* GetScissorBox() override { return scissorBox; }
    void SetColourMask(uint32_t mask) override;
    // A large single-level texture is made in the storage of a deleted one of the same
    // size and format when one is kept (see DeleteTexture): its pixels are written over
    // the old ones, sparing the library a new allocation that it would first clear.
    uint32_t CreateTexture(cSurface* surface, uint32_t flags) override;
    // A large single-level texture made by CreateTexture is kept for reuse instead of being
    // deleted, up to kSpareTextureBytes in all (the oldest goes first); every other texture
    // is deleted. Level loads release their atlas pages and make pages of the same sizes
    // again right after.
    void DeleteTexture(uint32_t texture) override;
    // Deletes the textures kept for reuse (the destructor does too).
    void ReleaseSpareTextures();

    // What is kept for reuse: textures of at least kSpareTextureMinBytes, and no more
    // than kSpareTextureBytes in all.
    static constexpr uint64_t kSpareTextureMinBytes = 256u * 1024u;
    static constexpr uint64_t kSpareTextureBytes = 64u * 1024u * 1024u;
    void SetLight(const cLight& newLight) override;
    void EnableLighting(bool on) override;
    // A cHardwareMesh_OGL_1 with the mesh's layout and data in library buffers.
    cHardwareMesh* CreateHardwareMesh(cMesh* mesh) override;
    // A cRenderTarget_OGL1 (RenderTarget.h for the flags).
    cRenderTarget* CreateRenderTarget(int32_t width, int32_t height, uint32_t flags) override;

    // Loads projection and model-view when their flags say so (before every draw).
    void FlushMatrices();
    // The material's blend code, states and textures.
    void ApplyMaterial(const cMaterial& material);
    void UpdateLightDirection();
    int32_t GetIntegerState(uint32_t name);
    // Switches one client array (a kClient* bit) on or off, calling the library only on a
    // change.
    void SetClientState(uint32_t bit, bool on);
    void SetActiveUnit(int32_t unit);
    void SetClientActiveUnit(int32_t unit);

    uint32_t clientStates = 0;
    int32_t clientActiveUnit = 0;
    int32_t activeUnit = 0;
    int32_t defaultFramebuffer = 0;
    uint32_t colourMask = 0xF;
    cLight light;
    uint8_t lightingOn = 0;
    int32_t scissorBox[4] = {0, 0, 0, 0};
    bool scissorOn = false; // the scissor test, as SetScissor and DisableScissor left it
    uint32_t clearColour = 0; // the last SetClearColour (R in the low byte)
    cArray<uint8_t, 5> renderStates{};
    cArray<cImage*, kMaxTextureUnits> boundImage{};
    int32_t blendMode = 0;

private:
    // Whether the frame buffer bound now is the window's off-screen target.
    bool OffscreenTargetBound() const;
    // Clears the viewport of the window's off-screen target only (GL_*_BUFFER_BIT bits).
    void ClearOffscreenViewport(uint32_t bits);

    // The client arrays of one draw from a vertex layout: base is the vertex data, or
    // null for byte offsets into the bound vertex buffer.
    void SetVertexArrays(const uint8_t* base, uint32_t format, uint32_t stride, const cArray<uint8_t, 14>& offsets,
                         const cMaterial& material);

    // The texture name each unit's image had when it was bound (an image whose texture is
    // made again binds again).
    uint32_t boundTexture[kMaxTextureUnits] = {};

    // The size and format of a texture that could be reused once deleted.
    struct TextureShape
    {
        uint32_t width = 0, height = 0;
        int32_t internalFormat = 0;
        uint32_t type = 0; // of the pixels given, which may decide the storage
        uint64_t bytes = 0;
    };
    std::map<uint32_t, TextureShape> mReusable; // live textures that may be kept
    std::deque<std::pair<uint32_t, TextureShape>> mSpare; // kept, oldest first
    uint64_t mSpareBytes = 0;
};

// Helpers in the manner of the utility library; nothing in the program calls them.
void NormaliseVec3(float* v);
void MultPerspective(float fovYDegrees, float aspect, float nearPlane, float farPlane);
void ReadLibraryMatrices(float* modelView, float* projection, int32_t* viewport);
