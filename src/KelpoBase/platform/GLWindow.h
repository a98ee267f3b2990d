// cWinMain_OGL1: the window object with an OpenGL context.
//
// The game never draws into the window: every frame goes into an off-screen target, a
// 2048 x 2048 RGBA texture attached to a frame-buffer object, whose top-left virtual-width
// by virtual-height region holds the virtual screen. Present draws that region into the
// window as one textured quad, scaled so that a 1280 x 720 frame fits the window with
// black bars on the long side, and swaps buffers. Between presents the target is bound.
// Only the bars are cleared (the quad covers the rest), and a frame shown pixel for pixel
// is copied (a blit) instead of drawn: a software rasteriser pays for every pixel drawn.
//
// The context comes from the host (a compatibility context); the entry points are loaded
// into the engine's table (GL()) and the extensions the target needs are checked before it
// is made. Any failure shows one box and makes SetupGraphics answer false.
#pragma once

#include <cstdint>

#include "KelpoBase/platform/WinMain.h"

// Scale and offsets of the 1280 x 720 frame in a window of the given size.
struct cLetterbox
{
    float scale = 1.0f;
    float xOffset = 0.0f;
    float yOffset = 0.0f;
};
cLetterbox ComputeLetterboxFor(int32_t windowWidth, int32_t windowHeight);

// The texts SetupGraphics shows (caption "ERROR").
inline constexpr const char* kGLDeviceContextFailure = "Can't Create A GL Device Context.";
inline constexpr const char* kGLPixelFormatFailure = "Can't Find A Suitable PixelFormat.";
inline constexpr const char* kGLSetPixelFormatFailure = "Can't Set The PixelFormat.";
inline constexpr const char* kGLCreateContextFailure = "Can't Create A GL Rendering Context.";
inline constexpr const char* kGLActivateContextFailure = "Can't Activate The GL Rendering Context.";

// Called at the end of every Present, once the target is bound again. Presenting sets
// library state behind the renderer's back; the renderer registers its reset here so that
// its mirror stays true between frames. Null for none.
using PresentFollowUp = void (*)();
void SetPresentFollowUp(PresentFollowUp followUp);

// The off-screen target of the window object in use (names 0 when there is none): the
// renderer clears it through its texture instead of drawing a clear.
struct cOffscreenTarget
{
    uint32_t framebuffer = 0;
    uint32_t texture = 0;
    int32_t size = 0;
};
cOffscreenTarget GetOffscreenTarget();

class cWinMain_OGL1 : public cWinMain
{
public:
    ~cWinMain_OGL1() override;

    bool SetupGraphics() override;
    // Binds the window's own frame and render buffers (shutdown).
    void BindDefaultTarget() override;
    void Present() override;
    void EnterFullscreen() override;
    void EnterWindowed() override;

    // Scale and offsets from the window's drawable size.
    void ComputeLetterbox();
    // The texture and frame buffer of the target; false when the library cannot make a
    // complete one.
    bool CreateOffscreenTarget();
    // The target's w x h top-left region as a quad of w x h pixels.
    void DrawTargetQuad(float width, float height, uint32_t colour, float size);
    // Binds the window's frame buffer with a viewport over the whole window (offered).
    void BindWindowFramebuffer();

    // The window's drawable size (the window size when the host does not know it).
    void GetDrawableSize(int32_t& width, int32_t& height) const;

    uint32_t targetTexture = 0;
    uint32_t targetFramebuffer = 0;
    float scale = 1.0f;
    float xOffset = 0.0f;
    float yOffset = 0.0f;
    bool windowed = true;
    bool contextCreated = false;

private:
    void ReleaseTarget();
    // Clears the parts of the window the quad of the given window rectangle (top-down,
    // in pixels) leaves uncovered: the bars.
    void ClearBars(int32_t W, int32_t H, float left, float top, float width, float height);
    // The drawable size the letterbox was computed for.
    int32_t letterboxWidth = 0;
    int32_t letterboxHeight = 0;
    // The filter the target texture samples with (linear from creation; nearest while the
    // frame is shown pixel for pixel).
    int32_t targetFilter = 0;
};
