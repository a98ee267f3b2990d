#include "KelpoBase/platform/GLWindow.h"

#include <algorithm>
#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/Host.h"

namespace
{
// The frame the letterbox fits: always 1280 x 720, whatever the virtual size.
constexpr float kFrameWidth = 1280.0f;
constexpr float kFrameHeight = 720.0f;

PresentFollowUp gPresentFollowUp = nullptr;
cOffscreenTarget gTarget;

void* LookupThroughHost(const char* name)
{
    cHost* host = GetHost();
    return host != nullptr ? host->GLGetProcAddress(name) : nullptr;
}

void ShowFailure(cHost* host, const char* text)
{
    if (host != nullptr)
        host->MessageBox(text, "ERROR", MessageBoxIcon::Exclamation);
}

void LoadProjection(cGLFunctions& gl, int32_t width, int32_t height)
{
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Ortho(0.0, double(width), double(height), 0.0, -1.0, 1.0);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
}
} // namespace

void SetPresentFollowUp(PresentFollowUp followUp) { gPresentFollowUp = followUp; }

cOffscreenTarget GetOffscreenTarget() { return gTarget; }

cLetterbox ComputeLetterboxFor(int32_t windowWidth, int32_t windowHeight)
{
    const float W = float(windowWidth);
    const float H = float(windowHeight);
    const float aspect = W / H;
    cLetterbox box;
    // Wider than 16:9 (or no sensible aspect at all): bars left and right.
    if (!(aspect < 1.7777778f))
    {
        box.scale = H / kFrameHeight;
        box.xOffset = (W - box.scale * kFrameWidth) * 0.5f;
        box.yOffset = 0.0f;
    }
    else
    {
        box.scale = W / kFrameWidth;
        box.xOffset = 0.0f;
        box.yOffset = (H - box.scale * kFrameHeight) * 0.5f;
    }
    return box;
}

cWinMain_OGL1::~cWinMain_OGL1()
{
    if (gTarget.framebuffer == targetFramebuffer)
        gTarget = cOffscreenTarget();
}

void cWinMain_OGL1::GetDrawableSize(int32_t& width, int32_t& height) const
{
    width = 0;
    height = 0;
    if (cHost* host = GetHost(); host != nullptr && contextCreated)
        host->GLGetDrawableSize(width, height);
    if (width <= 0 || height <= 0)
    {
        width = windowWidth;
        height = windowHeight;
    }
}

namespace
{
// A software rasteriser allocates and frees large blocks for every batch it draws, and a
// level load makes and drops pictures and atlas pages of megabytes. The C library would
// hand such blocks back to the system when they are freed (mapped blocks at once, the top
// of the heap past a threshold) and take them back with a page fault for every page of
// the next one, which costs more than the drawing or the decoding. Blocks up to 32 MiB
// come from the heap instead, and up to 64 MiB of freed memory stays with the process.
void KeepFreedMemoryForDrawing()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}
} // namespace

bool cWinMain_OGL1::SetupGraphics()
{
    KeepFreedMemoryForDrawing();
    cHost* host = GetHost();
    if (host == nullptr || !host->AcquireDeviceContext())
    {
        ShowFailure(host, kGLDeviceContextFailure);
        return false;
    }
    if (!host->GLCreateContext())
    {
        ShowFailure(host, kGLCreateContextFailure);
        return false;
    }
    contextCreated = true;

    // The entry points, each extension checked against what the context offers.
    if (!LoadDefaultGLFunctions(&LookupThroughHost))
    {
        ShowFailure(host, kGLActivateContextFailure);
        SetGLFunctions(nullptr);
        host->GLDestroyContext();
        contextCreated = false;
        return false;
    }
    const cGLFunctions& gl = GL();
    if (!gl.hasFramebufferObject || !gl.hasMultitexture || !CreateOffscreenTarget())
    {
        ShowFailure(host, kGLCreateContextFailure);
        BindDefaultTarget();
        SetGLFunctions(nullptr);
        host->GLDestroyContext();
        contextCreated = false;
        return false;
    }

    GL().BindFramebufferEXT(GL_FRAMEBUFFER_EXT, targetFramebuffer);
    GL().Viewport(0, 0, virtualWidth, virtualHeight);
    ComputeLetterbox();
    return true;
}

bool cWinMain_OGL1::CreateOffscreenTarget()
{
    cGLFunctions& gl = GL();
    GLint previous = 0;
    gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);

    GLuint texture = 0;
    gl.GenTextures(1, &texture);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, targetSize, targetSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    targetTexture = texture;
    targetFilter = GL_LINEAR;

    GLuint framebuffer = 0;
    gl.GenFramebuffersEXT(1, &framebuffer);
    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    gl.FramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    targetFramebuffer = framebuffer;
    // A target that cannot be drawn into is a set-up failure, not a black game.
    const GLenum status = gl.CheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(previous));
    if (texture == 0 || framebuffer == 0 || status != GL_FRAMEBUFFER_COMPLETE_EXT)
    {
        ReleaseTarget();
        return false;
    }
    gTarget = {framebuffer, texture, targetSize};
    return true;
}

void cWinMain_OGL1::ReleaseTarget()
{
    cGLFunctions& gl = GL();
    if (targetFramebuffer != 0 && gl.DeleteFramebuffersEXT != nullptr)
    {
        const GLuint name = targetFramebuffer;
        gl.DeleteFramebuffersEXT(1, &name);
    }
    if (targetTexture != 0 && gl.DeleteTextures != nullptr)
    {
        const GLuint name = targetTexture;
        gl.DeleteTextures(1, &name);
    }
    if (gTarget.framebuffer == targetFramebuffer)
        gTarget = cOffscreenTarget();
    targetFramebuffer = 0;
    targetTexture = 0;
}

void cWinMain_OGL1::BindDefaultTarget()
{
    if (!contextCreated)
        return;
    cGLFunctions& gl = GL();
    if (gl.BindFramebufferEXT != nullptr)
        gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    if (gl.BindRenderbufferEXT != nullptr)
        gl.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
}

void cWinMain_OGL1::BindWindowFramebuffer()
{
    if (!contextCreated)
        return;
    int32_t w, h;
    GetDrawableSize(w, h);
    GL().BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    GL().Viewport(0, 0, w, h);
}

void cWinMain_OGL1::ComputeLetterbox()
{
    int32_t w, h;
    GetDrawableSize(w, h);
    const cLetterbox box = ComputeLetterboxFor(w, h);
    letterboxWidth = w;
    letterboxHeight = h;
    scale = box.scale;
    xOffset = box.xOffset;
    yOffset = box.yOffset;
}

void cWinMain_OGL1::DrawTargetQuad(float width, float height, uint32_t colour, float size)
{
    const GLfloat positions[8] = {0.0f, 0.0f, width, 0.0f, 0.0f, height, width, height};
    const float u = width / size;
    const float v = height / size;
    // The target's rows run bottom-up: its top row is at v, the picture's top.
    const GLfloat coordinates[8] = {0.0f, v, u, v, 0.0f, 0.0f, u, 0.0f};
    const uint32_t colours[4] = {colour, colour, colour, colour};
    static const GLushort kIndices[6] = {0, 1, 2, 1, 3, 2};
    cGLFunctions& gl = GL();
    gl.VertexPointer(2, GL_FLOAT, 0, positions);
    gl.TexCoordPointer(2, GL_FLOAT, 0, coordinates);
    gl.ColorPointer(4, GL_UNSIGNED_BYTE, 0, colours);
    gl.DrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, kIndices);
}

void cWinMain_OGL1::Present()
{
    cHost* host = GetHost();
    if (host == nullptr || !contextCreated || targetFramebuffer == 0)
        return;
    cGLFunctions& gl = GL();
    int32_t W, H;
    GetDrawableSize(W, H);
    // The window may have been resized since the last mode change.
    if (W != letterboxWidth || H != letterboxHeight)
        ComputeLetterbox();

    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    gl.Viewport(0, 0, W, H);
    LoadProjection(gl, W, H);
    gl.Viewport(0, 0, W, H);

    // A known fixed-function state for one textured quad, whatever the frame left behind.
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.EnableClientState(GL_COLOR_ARRAY);
    gl.DisableClientState(GL_NORMAL_ARRAY);
    GLint units = 1;
    gl.GetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    units = std::clamp<GLint>(units, 1, 8);
    for (GLint unit = units - 1; unit >= 0; --unit)
    {
        gl.ActiveTexture(GL_TEXTURE0 + GLenum(unit));
        gl.ClientActiveTexture(GL_TEXTURE0 + GLenum(unit));
        gl.Disable(GL_TEXTURE_2D);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    gl.Disable(GL_CULL_FACE);
    gl.FrontFace(GL_CCW);
    gl.Disable(GL_DITHER);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.Disable(GL_LIGHTING);
    gl.Disable(GL_ALPHA_TEST);
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_STENCIL_TEST);
    gl.Disable(GL_NORMALIZE);
    gl.Disable(GL_SCISSOR_TEST);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.BindTexture(GL_TEXTURE_2D, 0);

    // The bars are black.
    const float quadWidth = float(virtualWidth) * scale;
    const float quadHeight = float(virtualHeight) * scale;
    ClearBars(W, H, xOffset, yOffset, quadWidth, quadHeight);

    // Shown pixel for pixel at whole-pixel offsets, the region is copied as it is (both
    // frame buffers keep their rows bottom-up); scaled, it is drawn as a filtered quad.
    const bool exact = scale == 1.0f && xOffset == std::floor(xOffset) && yOffset == std::floor(yOffset);
    if (exact && gl.hasFramebufferBlit)
    {
        const GLint x = GLint(xOffset);
        const GLint y = H - GLint(yOffset) - virtualHeight;
        gl.BindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, targetFramebuffer);
        gl.BlitFramebufferEXT(0, 0, virtualWidth, virtualHeight, x, y, x + virtualWidth, y + virtualHeight,
                              GL_COLOR_BUFFER_BIT, GL_NEAREST);
        gl.BindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, 0);
    }
    else
    {
        LoadProjection(gl, W, H);
        gl.Enable(GL_TEXTURE_2D);
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.Disable(GL_BLEND);
        gl.BindTexture(GL_TEXTURE_2D, targetTexture);
        // Filtering would only give back the texels themselves at 1:1.
        const GLint filter = exact ? GL_NEAREST : GL_LINEAR;
        if (filter != targetFilter)
        {
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            targetFilter = filter;
        }
        gl.PushMatrix();
        gl.Translatef(xOffset, yOffset, 0.0f);
        gl.Scalef(scale, scale, 1.0f);
        DrawTargetQuad(float(virtualWidth), float(virtualHeight), 0xFFFFFFFFu, float(targetSize));
        gl.PopMatrix();
    }

    host->GLSwapBuffers();

    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, targetFramebuffer);
    gl.Viewport(0, 0, virtualWidth, virtualHeight);
    if (gPresentFollowUp != nullptr)
        gPresentFollowUp();
}

void cWinMain_OGL1::ClearBars(int32_t W, int32_t H, float left, float top, float width, float height)
{
    // Whole pixels the quad covers for certain; everything else is cleared (the quad
    // draws over what it covers in part).
    const int32_t x0 = std::clamp(int32_t(std::ceil(left)), 0, W);
    const int32_t x1 = std::clamp(int32_t(std::floor(left + width)), x0, W);
    const int32_t y0 = std::clamp(int32_t(std::ceil(top)), 0, H);
    const int32_t y1 = std::clamp(int32_t(std::floor(top + height)), y0, H);
    if (x0 == 0 && y0 == 0 && x1 == W && y1 == H)
        return;
    cGLFunctions& gl = GL();
    gl.ClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl.Enable(GL_SCISSOR_TEST);
    // Bands in window rows counted from the bottom: below, above, then left and right.
    const int32_t bands[4][4] = {{0, 0, W, H - y1}, {0, H - y0, W, y0}, {0, H - y1, x0, y1 - y0},
                                 {x1, H - y1, W - x1, y1 - y0}};
    for (const auto& band : bands)
    {
        if (band[2] <= 0 || band[3] <= 0)
            continue;
        gl.Scissor(band[0], band[1], band[2], band[3]);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    }
    gl.Disable(GL_SCISSOR_TEST);
}

void cWinMain_OGL1::EnterFullscreen()
{
    cHost* host = GetHost();
    if (!windowed || host == nullptr)
        return;
    HostRect monitor = host->GetMonitorRect();
    windowWidth = monitor.width;
    windowHeight = monitor.height;
    host->SetFullscreen(true);
    ComputeLetterbox();
    windowed = false;
    SetWindowedSetting(0);
    host->GLSetSwapInterval(1);
}

void cWinMain_OGL1::EnterWindowed()
{
    cHost* host = GetHost();
    if (windowed || host == nullptr)
        return;
    HostRect monitor = host->GetMonitorRect();
    windowWidth = 1280;
    windowHeight = 720;
    host->SetFullscreen(false);
    host->SetWindowRect({monitor.x + (monitor.width - 1280) / 2, monitor.y + (monitor.height - 720) / 2, 1280, 720});
    host->RaiseGameWindow();
    ComputeLetterbox();
    windowed = true;
    SetWindowedSetting(1);
    host->GLSetSwapInterval(0);
}
