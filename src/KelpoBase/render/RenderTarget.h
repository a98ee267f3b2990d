// Render targets: off-screen frame buffers with an optional colour texture (wrapped in a
// cImage, so that the target can be drawn as a picture) and an optional depth buffer.
//
// cRenderTarget is what the engine sees; cRenderTarget_OGL1 is made by the OpenGL
// renderer (cRenderer_OGL_1::CreateRenderTarget). Binding one for drawing is the
// renderer's SetRenderTarget. A target whose frame buffer the library finds incomplete
// releases its library objects at once and keeps all names 0.
#pragma once

#include <cstdint>

class cImage;
class cKelpoObj;

// Target flags of CreateRenderTarget.
inline constexpr uint32_t kTargetDepth = 0x1;
inline constexpr uint32_t kTargetColourTexture = 0x8;
inline constexpr uint32_t kTargetRGBA = 0x40;

class cRenderTarget
{
public:
    cRenderTarget() = default;
    cRenderTarget(const cRenderTarget&) = delete;
    cRenderTarget& operator=(const cRenderTarget&) = delete;
    // Deletes the image and the second owned object (when set). When the renderer is
    // drawing into the target it returns to the screen, and the target leaves the
    // renderer's target stack (its entries become the screen).
    virtual ~cRenderTarget();
    // Gives the library objects back (nothing in the base).
    virtual void Release() {}
    // The library frame buffer to bind for drawing into the target (0 = none).
    virtual uint32_t FramebufferName() const { return 0; }

    cImage* image = nullptr;     // owned: the colour texture as a picture, or null
    cKelpoObj* extra = nullptr;  // owned; null in every target the engine makes
    int32_t width = 0;
    int32_t height = 0;
};

class cRenderTarget_OGL1 : public cRenderTarget
{
public:
    // Makes the frame buffer and its attachments; the frame buffer bound before stays
    // bound afterwards.
    cRenderTarget_OGL1(int32_t width, int32_t height, uint32_t flags);
    ~cRenderTarget_OGL1() override;
    // Deletes the depth buffer, the frame buffer and the colour texture (each once; names
    // already 0 are skipped). The image stays, without a texture.
    void Release() override;
    uint32_t FramebufferName() const override { return framebuffer; }

    uint32_t depthBuffer = 0;
    uint32_t colourTexture = 0;
    uint32_t framebuffer = 0;
};
