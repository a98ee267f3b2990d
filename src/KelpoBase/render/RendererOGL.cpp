#include "KelpoBase/render/RendererOGL.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "GfxTools/PodModel.h"
#include "GfxTools/TextureDecompress.h"
#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/HardwareMesh.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Node3D.h"
#include "KelpoBase/render/PodModel.h"
#include "KelpoBase/render/RenderTarget.h"
#include "KelpoBase/render/Surface.h"

namespace
{
struct BlendFactors
{
    GLenum source;
    GLenum destination;
};
constexpr BlendFactors kBlendModes[4] = {
    {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {GL_SRC_ALPHA, GL_ONE},
    {GL_ZERO, GL_SRC_COLOR},
    {GL_ZERO, GL_ONE_MINUS_SRC_ALPHA},
};

struct UploadFormat
{
    GLint internalFormat;
    GLenum format;
    GLenum type;
    bool compressed;
    bool twoBitMode;
};

// How a surface format goes to the library; false for formats that cannot be uploaded.
bool FindUploadFormat(uint32_t surfaceFormat, UploadFormat& out)
{
    switch (surfaceFormat)
    {
    case kFormatRGBA8888:
        out = {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, false, false};
        return true;
    case kFormatRGBA5551:
        out = {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, false, false};
        return true;
    case kFormatRGB888:
        out = {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, false, false};
        return true;
    case kFormatRGB565:
        out = {GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false, false};
        return true;
    case kFormatPVRTC2:
    case kFormatPVRTC2A:
        out = {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, true, true};
        return true;
    case kFormatPVRTC4:
    case kFormatPVRTC4A:
        out = {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, true, false};
        return true;
    case kFormatLA88:
        out = {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, false, false};
        return true;
    case kFormatL8:
        out = {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, false, false};
        return true;
    case kFormatBGRA8888:
        // BGRA is a pixel layout, not a storage format: the texture keeps RGBA.
        out = {GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE, false, false};
        return true;
    default:
        return false;
    }
}

float Channel(uint32_t colour, int shift) { return static_cast<float>((colour >> shift) & 0xFFu) / 255.0f; }

void LightColour(GLenum which, uint32_t colour)
{
    const GLfloat c[4] = {Channel(colour, 0), Channel(colour, 8), Channel(colour, 16), Channel(colour, 24)};
    GL().Lightfv(GL_LIGHT0, which, c);
}
} // namespace

cRenderer_OGL_1::cRenderer_OGL_1()
{
    cGLFunctions& gl = GL();
    GLint value = 0;
    if (gl.hasFramebufferObject)
        gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
    defaultFramebuffer = value;

    value = 1;
    if (gl.hasMultitexture)
        gl.GetIntegerv(GL_MAX_TEXTURE_UNITS, &value);
    // The mirror holds kMaxTextureUnits units; a library with more is used with that many.
    maxTextureUnits = std::clamp<int32_t>(value, 1, kMaxTextureUnits);

    value = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    maxTextureSize = value;
    if (GetRendererTextureFlag() == 1 && maxTextureSize > 2048)
        maxTextureSize = 2048;

    clientStates = 0;
    ResetRenderState();
}

cRenderer_OGL_1::~cRenderer_OGL_1()
{
    ReleaseSpareTextures();
    clientStates = 0;
}

// --- targets, viewport, scissor ----------------------------------------------------------

void cRenderer_OGL_1::SetRenderTarget(cRenderTarget* target)
{
    cGLFunctions& gl = GL();
    currentTarget = target;
    if (target != nullptr)
    {
        uint32_t framebuffer = 0;
        int32_t width = GetScreenWidth();
        int32_t height = GetScreenHeight();
        // A binding supplied through the hooks takes precedence (stand-in targets);
        // otherwise the target's own frame buffer and size.
        if (const auto binding = GetRendererHooks().targetBinding; binding != nullptr)
        {
            if (!binding(target, framebuffer, width, height))
                framebuffer = 0;
        }
        else
        {
            framebuffer = target->FramebufferName();
            width = target->width;
            height = target->height;
        }
        if (gl.BindFramebufferEXT != nullptr)
            gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
        orientation = 0;
        viewportRequest[0] = 0;
        viewportRequest[1] = 0;
        viewportRequest[2] = width;
        viewportRequest[3] = height;
    }
    else
    {
        if (gl.BindFramebufferEXT != nullptr)
            gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(defaultFramebuffer));
        orientation = screenOrientation;
        viewportRequest[0] = 0;
        viewportRequest[1] = 0;
        viewportRequest[2] = GetScreenWidth();
        viewportRequest[3] = GetScreenHeight();
    }
    SetViewport();
}

void cRenderer_OGL_1::SetViewport()
{
    ComputeViewportActual();
    GL().Viewport(viewportActual[0], viewportActual[1], viewportActual[2], viewportActual[3]);
}

void cRenderer_OGL_1::SetScissor(int32_t x, int32_t y, int32_t w, int32_t h)
{
    scissorBox[0] = x;
    scissorBox[1] = y;
    scissorBox[2] = w;
    scissorBox[3] = h;
    int32_t W, H;
    GetUnrotatedScreenSize(screenOrientation, W, H);
    cGLFunctions& gl = GL();
    gl.Enable(GL_SCISSOR_TEST);
    scissorOn = true;
    switch (screenOrientation)
    {
    case 1:
        gl.Scissor(y, x, h, w);
        break;
    case 2:
        gl.Scissor(W - x - w, y, w, h);
        break;
    case 3:
        gl.Scissor(W - y - h, H - x - w, h, w);
        break;
    default:
        gl.Scissor(x, H - y - h, w, h);
        break;
    }
}

void cRenderer_OGL_1::DisableScissor()
{
    GL().Disable(GL_SCISSOR_TEST);
    scissorOn = false;
    scissorBox[0] = 0;
    scissorBox[1] = 0;
    scissorBox[2] = GetScreenWidth();
    scissorBox[3] = GetScreenHeight();
}

// --- the frame's starting state --------------------------------------------------------------

void cRenderer_OGL_1::ResetRenderState()
{
    cGLFunctions& gl = GL();
    const int32_t units = gl.hasMultitexture ? maxTextureUnits : 1;
    for (int32_t u = 0; u < units; ++u)
    {
        if (gl.hasMultitexture)
        {
            gl.ActiveTexture(GL_TEXTURE0 + GLenum(u));
            gl.ClientActiveTexture(GL_TEXTURE0 + GLenum(u));
        }
        gl.BindTexture(GL_TEXTURE_2D, 0);
        gl.Disable(GL_TEXTURE_2D);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (gl.hasMultitexture)
    {
        gl.ActiveTexture(GL_TEXTURE0);
        gl.ClientActiveTexture(GL_TEXTURE0);
    }
    activeUnit = 0;
    clientActiveUnit = 0;

    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.DisableClientState(GL_COLOR_ARRAY);
    gl.DisableClientState(GL_NORMAL_ARRAY);

    gl.Disable(GL_SCISSOR_TEST);
    gl.Enable(GL_COLOR_MATERIAL);
    gl.Fogf(GL_FOG_MODE, GLfloat(GL_LINEAR));
    gl.Disable(GL_NORMALIZE);
    gl.Disable(GL_ALPHA_TEST);
    gl.Disable(GL_LIGHTING);
    gl.Enable(GL_LIGHT0);
    gl.Enable(GL_CULL_FACE);
    gl.FrontFace(GL_CCW);
    gl.Disable(GL_DITHER);
    gl.Disable(GL_BLEND);
    gl.Disable(GL_STENCIL_TEST);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.Enable(GL_DEPTH_TEST);
    gl.DepthMask(GL_TRUE);
    gl.DepthFunc(GL_LESS);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, black);

    renderStates[0] = 0;
    renderStates[1] = 0;
    renderStates[2] = 1;
    renderStates[3] = 1;
    renderStates[4] = 1;
    for (uint32_t u = 0; u < uint32_t(kMaxTextureUnits); ++u)
    {
        boundImage[u] = nullptr;
        boundTexture[u] = 0;
    }
    clientStates = kClientVertex;
    blendMode = 0;
    lightingOn = 0;
    colourMask = 0xF;

    viewportRequest[0] = 0;
    viewportRequest[1] = 0;
    viewportRequest[2] = GetScreenWidth();
    viewportRequest[3] = GetScreenHeight();
    SetViewport();
    DisableScissor();
}

// --- cached states -----------------------------------------------------------------------

void cRenderer_OGL_1::SetRenderState(int32_t state, bool on)
{
    const uint8_t value = on ? 1 : 0;
    if (renderStates[uint32_t(state)] == value)
        return;
    renderStates[uint32_t(state)] = value;
    cGLFunctions& gl = GL();
    auto toggle = [&gl, on](GLenum cap) { on ? gl.Enable(cap) : gl.Disable(cap); };
    switch (state)
    {
    case kRenderStateBlend:
        toggle(GL_BLEND);
        break;
    case kRenderStateDepthTest:
        toggle(GL_DEPTH_TEST);
        break;
    case kRenderStateDepthWrite:
        gl.DepthMask(on ? GL_TRUE : GL_FALSE);
        break;
    case kRenderStateCull:
        toggle(GL_CULL_FACE);
        break;
    default:
        break;
    }
}

void cRenderer_OGL_1::SetBlendMode(int32_t mode)
{
    if (mode == blendMode)
        return;
    blendMode = mode;
    if (mode >= 0 && mode < 4)
        GL().BlendFunc(kBlendModes[mode].source, kBlendModes[mode].destination);
}

void cRenderer_OGL_1::SetActiveUnit(int32_t unit)
{
    if (unit == activeUnit)
        return;
    activeUnit = unit;
    if (GL().hasMultitexture)
        GL().ActiveTexture(GL_TEXTURE0 + GLenum(unit));
}

void cRenderer_OGL_1::SetClientActiveUnit(int32_t unit)
{
    if (unit == clientActiveUnit)
        return;
    clientActiveUnit = unit;
    if (GL().hasMultitexture)
        GL().ClientActiveTexture(GL_TEXTURE0 + GLenum(unit));
}

void cRenderer_OGL_1::BindTexture(int32_t unit, cImage* image)
{
    const uint32_t u = uint32_t(unit);
    const uint32_t texture = ImageTextureName(image);
    if (boundImage[u] == image && boundTexture[u] == texture)
        return;
    cGLFunctions& gl = GL();
    SetActiveUnit(unit);
    if (image != nullptr)
    {
        if (boundImage[u] == nullptr)
            gl.Enable(GL_TEXTURE_2D);
        gl.BindTexture(GL_TEXTURE_2D, texture);
    }
    else
    {
        gl.Disable(GL_TEXTURE_2D);
    }
    SetActiveUnit(0);
    boundImage[u] = image;
    boundTexture[u] = texture;
}

void cRenderer_OGL_1::SetColourMask(uint32_t mask)
{
    if (mask == colourMask)
        return;
    colourMask = mask;
    GL().ColorMask((mask & 1) ? GL_TRUE : GL_FALSE, (mask & 2) ? GL_TRUE : GL_FALSE, (mask & 4) ? GL_TRUE : GL_FALSE,
                   (mask & 8) ? GL_TRUE : GL_FALSE);
}

void cRenderer_OGL_1::SetClientState(uint32_t bit, bool on)
{
    if (((clientStates & bit) != 0) == on)
        return;
    clientStates = on ? (clientStates | bit) : (clientStates & ~bit);
    GLenum array = 0;
    switch (bit)
    {
    case kClientVertex:
        array = GL_VERTEX_ARRAY;
        break;
    case kClientColour:
        array = GL_COLOR_ARRAY;
        break;
    case kClientNormal:
        array = GL_NORMAL_ARRAY;
        break;
    case kClientTexCoord0:
        SetClientActiveUnit(0);
        array = GL_TEXTURE_COORD_ARRAY;
        break;
    case kClientTexCoord1:
        SetClientActiveUnit(1);
        array = GL_TEXTURE_COORD_ARRAY;
        break;
    default:
        return; // the skinning arrays are mirrored only
    }
    on ? GL().EnableClientState(array) : GL().DisableClientState(array);
}

void cRenderer_OGL_1::SetLight(const cLight& newLight)
{
    light = newLight;
    LightColour(GL_AMBIENT, light.ambient);
    LightColour(GL_DIFFUSE, light.diffuse);
    LightColour(GL_SPECULAR, light.specular);
}

void cRenderer_OGL_1::EnableLighting(bool on)
{
    const uint8_t value = on ? 1 : 0;
    if (value == lightingOn)
        return;
    lightingOn = value;
    on ? GL().Enable(GL_LIGHTING) : GL().Disable(GL_LIGHTING);
}

void cRenderer_OGL_1::UpdateLightDirection()
{
    if (lightingOn == 0)
        return;
    const GLfloat position[4] = {-light.direction.x, -light.direction.y, -light.direction.z, 0.0f};
    GL().Lightfv(GL_LIGHT0, GL_POSITION, position);
}

int32_t cRenderer_OGL_1::GetIntegerState(uint32_t name)
{
    GLint value = 0;
    GL().GetIntegerv(GLenum(name), &value);
    return value;
}

void cRenderer_OGL_1::SetClearColour(uint32_t rgba)
{
    clearColour = rgba;
    GL().ClearColor(Channel(rgba, 0), Channel(rgba, 8), Channel(rgba, 16), Channel(rgba, 24));
}

void cRenderer_OGL_1::Clear(uint32_t flags)
{
    cGLFunctions& gl = GL();
    // The depth buffer is cleared whatever the depth-write state; the mask goes back to
    // what the mirror says afterwards.
    gl.DepthMask(GL_TRUE);
    GLbitfield bits = 0;
    if (flags & kClearColour)
        bits |= GL_COLOR_BUFFER_BIT;
    if (flags & kClearDepth)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (bits != 0 && !scissorOn && OffscreenTargetBound())
        ClearOffscreenViewport(bits);
    else if (bits != 0)
        gl.Clear(bits); // under a scissor box, the box only
    if (renderStates[kRenderStateDepthWrite] == 0)
        gl.DepthMask(GL_FALSE);
}

bool cRenderer_OGL_1::OffscreenTargetBound() const
{
    const cOffscreenTarget target = GetOffscreenTarget();
    if (target.framebuffer == 0)
        return false;
    // Asked of the library rather than taken from currentTarget: the window object binds
    // frame buffers itself (presenting, shutdown).
    GLint bound = 0;
    GL().GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    return bound != 0 && GLuint(bound) == target.framebuffer;
}

void cRenderer_OGL_1::ClearOffscreenViewport(uint32_t bits)
{
    // The window's off-screen target is larger than the screen drawn into it, and nothing
    // ever draws or shows what lies outside the viewport, so only the viewport is cleared:
    // clearing all of it costs a software rasteriser most of an empty frame. The colour is
    // cleared through the target's texture, which draws nothing. Render targets and the
    // window's own buffer never come here: their owners may show or sample every pixel.
    cGLFunctions& gl = GL();
    const cOffscreenTarget target = GetOffscreenTarget();
    if ((bits & GL_COLOR_BUFFER_BIT) && gl.hasClearTexture && target.texture != 0)
    {
        const GLint x = std::clamp(viewportActual[0], 0, target.size);
        const GLint y = std::clamp(viewportActual[1], 0, target.size);
        const GLsizei w = std::clamp(viewportActual[2], 0, target.size - x);
        const GLsizei h = std::clamp(viewportActual[3], 0, target.size - y);
        const uint8_t colour[4] = {uint8_t(clearColour), uint8_t(clearColour >> 8), uint8_t(clearColour >> 16),
                                   uint8_t(clearColour >> 24)};
        if (w > 0 && h > 0)
            gl.ClearTexSubImage(target.texture, 0, x, y, 0, w, h, 1, GL_RGBA, GL_UNSIGNED_BYTE, colour);
        bits &= ~uint32_t(GL_COLOR_BUFFER_BIT);
    }
    if (bits == 0)
        return;
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(viewportActual[0], viewportActual[1], viewportActual[2], viewportActual[3]);
    gl.Clear(GLbitfield(bits));
    gl.Disable(GL_SCISSOR_TEST);
}

cSurface* cRenderer_OGL_1::ReadPixels()
{
    // The frame buffer as it is: unrotated, bottom row first.
    int32_t W, H;
    GetUnrotatedScreenSize(screenOrientation, W, H);
    W = std::max(0, W);
    H = std::max(0, H);
    auto* surface = new cSurface(uint32_t(W), uint32_t(H), kFormatRGBA8888);
    if (surface->GetPixels() != nullptr && W > 0 && H > 0)
    {
        GL().PixelStorei(GL_PACK_ALIGNMENT, 1);
        GL().ReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, surface->GetPixels());
    }
    surface->ConvertRGBAToRGB();
    return surface;
}

// --- textures ----------------------------------------------------------------------------

uint32_t cRenderer_OGL_1::CreateTexture(cSurface* surface, uint32_t flags)
{
    // Every unit's binding is about to change behind the mirror: switch them off so that
    // the next BindTexture of any image binds it again.
    for (int32_t u = 0; u < kMaxTextureUnits; ++u)
        BindTexture(u, nullptr);
    SetActiveUnit(0);

    UploadFormat upload;
    if (surface == nullptr || surface->GetPixels() == nullptr || !FindUploadFormat(surface->GetFormat(), upload))
        return 0;
    const uint32_t width = surface->GetWidth();
    const uint32_t height = surface->GetHeight();
    if (width == 0 || height == 0 || (maxTextureSize > 0 && (width > uint32_t(maxTextureSize) ||
                                                             height > uint32_t(maxTextureSize))))
        return 0;

    cGLFunctions& gl = GL();
    // A single uncompressed level whose size and format a kept texture has is written
    // into that texture's storage.
    const bool mipmapped = surface->mipCount > 0;
    TextureShape shape;
    if (!mipmapped && !upload.compressed)
    {
        shape = {width, height, upload.internalFormat, upload.type,
                 (uint64_t(BitsPerPixel(surface->GetFormat())) * width * height + 7) / 8};
        if (shape.bytes > surface->size)
            shape.bytes = 0; // the surface does not hold its level: made (and refused) below
    }
    GLuint id = 0;
    bool reused = false;
    if (shape.bytes >= kSpareTextureMinBytes)
    {
        for (auto it = mSpare.begin(); it != mSpare.end(); ++it)
        {
            const TextureShape& kept = it->second;
            if (kept.width == width && kept.height == height && kept.internalFormat == shape.internalFormat &&
                kept.type == shape.type)
            {
                id = it->first;
                mSpareBytes -= kept.bytes;
                mSpare.erase(it);
                reused = true;
                break;
            }
        }
    }
    if (!reused)
        gl.GenTextures(1, &id);
    if (id == 0)
        return 0;
    gl.BindTexture(GL_TEXTURE_2D, id);

    GLint minFilter = GL_NEAREST;
    GLint magFilter = GL_NEAREST;
    if (flags & kTextureTrilinear)
    {
        magFilter = GL_LINEAR;
        minFilter = mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    }
    else if (flags & kTextureLinear)
    {
        magFilter = GL_LINEAR;
        minFilter = mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR;
    }
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (flags & kTextureClampU) ? GL_CLAMP_TO_EDGE : GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (flags & kTextureClampV) ? GL_CLAMP_TO_EDGE : GL_REPEAT);
    // Rows are packed without padding (RGB, luminance and luminance-alpha rows are not
    // multiples of 4 bytes).
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);

    const uint8_t* data = surface->GetPixels();
    const uint64_t available = surface->size;
    uint64_t used = 0;
    uint32_t w = width;
    uint32_t h = height;
    int32_t uploaded = -1;
    std::vector<uint8_t> decoded;
    for (uint32_t level = 0; level <= surface->mipCount; ++level)
    {
        uint64_t bytes = 0;
        if (upload.compressed)
            bytes = CompressedLevelSize(upload.twoBitMode, w, h);
        else
            bytes = (uint64_t(BitsPerPixel(surface->GetFormat())) * w * h + 7) / 8;
        // A level the data does not hold ends the chain.
        if (bytes == 0 || used + bytes > available)
            break;
        if (upload.compressed)
        {
            decoded.assign(size_t(w) * h * 4u, 0);
            DecompressPVRTC(data + used, size_t(bytes), upload.twoBitMode, w, h, decoded.data());
            gl.TexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA, GLsizei(w), GLsizei(h), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          decoded.data());
        }
        else if (reused)
        {
            gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(w), GLsizei(h), upload.format, upload.type, data + used);
        }
        else
        {
            gl.TexImage2D(GL_TEXTURE_2D, GLint(level), upload.internalFormat, GLsizei(w), GLsizei(h), 0,
                          upload.format, upload.type, data + used);
        }
        uploaded = int32_t(level);
        used += bytes;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    if (uploaded < 0)
    {
        gl.BindTexture(GL_TEXTURE_2D, 0);
        gl.DeleteTextures(1, &id);
        return 0;
    }
    if (mipmapped && uint32_t(uploaded) < surface->mipCount)
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, uploaded);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    if (shape.bytes >= kSpareTextureMinBytes)
        mReusable[id] = shape;
    return id;
}

void cRenderer_OGL_1::ReleaseSpareTextures()
{
    // Without a context (its table gone) there is nothing left to delete.
    for (const auto& [name, shape] : mSpare)
    {
        const GLuint texture = name;
        if (GL().DeleteTextures != nullptr)
            GL().DeleteTextures(1, &texture);
    }
    mSpare.clear();
    mSpareBytes = 0;
}

void cRenderer_OGL_1::DeleteTexture(uint32_t texture)
{
    if (texture == 0)
        return;
    // A unit still showing this texture is switched off first, so the mirror never holds
    // a name the library has forgotten.
    for (int32_t u = 0; u < kMaxTextureUnits; ++u)
        if (boundImage[uint32_t(u)] != nullptr && boundTexture[uint32_t(u)] == texture)
            BindTexture(u, nullptr);
    // A name deleted twice is already kept: its storage stays for reuse.
    for (const auto& kept : mSpare)
        if (kept.first == texture)
            return;
    auto reusable = mReusable.find(texture);
    if (reusable != mReusable.end())
    {
        const TextureShape shape = reusable->second;
        mReusable.erase(reusable);
        if (shape.bytes <= kSpareTextureBytes)
        {
            // Room is made by deleting the oldest kept textures.
            while (!mSpare.empty() && mSpareBytes + shape.bytes > kSpareTextureBytes)
            {
                const GLuint oldest = mSpare.front().first;
                mSpareBytes -= mSpare.front().second.bytes;
                mSpare.pop_front();
                GL().DeleteTextures(1, &oldest);
            }
            mSpare.emplace_back(texture, shape);
            mSpareBytes += shape.bytes;
            return;
        }
    }
    const GLuint name = texture;
    GL().DeleteTextures(1, &name);
}

// --- drawing -------------------------------------------------------------------------------

void cRenderer_OGL_1::FlushMatrices()
{
    cGLFunctions& gl = GL();
    if (projectionDirty)
    {
        gl.MatrixMode(GL_PROJECTION);
        gl.LoadMatrixf(projectionMatrix.Data());
        gl.MatrixMode(GL_MODELVIEW);
        projectionDirty = 0;
        viewDirty = 1;
    }
    if (modelDirty || viewDirty)
    {
        Matrix4Multiply(viewMatrix, modelViewMatrix, modelMatrix);
        gl.LoadMatrixf(viewMatrix.Data());
        UpdateLightDirection();
        gl.MultMatrixf(modelMatrix.Data());
        modelDirty = 0;
    }
}

void cRenderer_OGL_1::ApplyMaterial(const cMaterial& material)
{
    switch (material.blend)
    {
    case kBlendCodeOff:
        SetRenderState(kRenderStateBlend, false);
        break;
    case kBlendCodeAlpha:
    case kBlendCodeAdditive:
    case kBlendCodeMultiply:
    case kBlendCodeDarken:
        SetRenderState(kRenderStateBlend, true);
        SetBlendMode(material.blend - 1);
        break;
    default:
        break;
    }
    SetRenderState(kRenderStateDepthTest, (material.flags & kMaterialDepthTest) != 0);
    SetRenderState(kRenderStateDepthWrite, (material.flags & kMaterialDepthWrite) != 0);
    SetRenderState(kRenderStateCull, (material.flags & kMaterialTwoSided) == 0);
    EnableLighting((material.flags & kMaterialLighting) != 0);

    int32_t count = 0;
    for (uint32_t i = 0; i < 2; ++i)
    {
        if (material.textures[i] != nullptr)
        {
            BindTexture(int32_t(i), material.textures[i]);
            ++count;
        }
    }
    if (material.extraTexture != nullptr && count < maxTextureUnits)
    {
        BindTexture(count, material.extraTexture);
        ++count;
    }
    for (int32_t unit = count; unit < maxTextureUnits; ++unit)
        BindTexture(unit, nullptr);
}

void cRenderer_OGL_1::SetVertexArrays(const uint8_t* data, uint32_t format, uint32_t vertexStride,
                                      const cArray<uint8_t, 14>& offsets, const cMaterial& material)
{
    cGLFunctions& gl = GL();
    const auto stride = GLsizei(vertexStride);
    // With a bound vertex buffer the pointers are byte offsets into it (data is null).
    auto at = [data](uint32_t offset) {
        return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(data) + offset);
    };
    gl.VertexPointer((format & kMeshPositions2D) ? 2 : 3, GL_FLOAT, stride, data);

    if ((format & kMeshNormal) && (material.flags & kMaterialLighting))
    {
        SetClientState(kClientNormal, true);
        gl.NormalPointer(GL_FLOAT, stride, at(offsets[kAttribNormal]));
    }
    else
    {
        SetClientState(kClientNormal, false);
    }

    if (material.textures[0] == nullptr && material.extraTexture == nullptr)
    {
        SetClientState(kClientTexCoord0, false);
        SetClientState(kClientTexCoord1, false);
    }
    else
    {
        const void* set0 = at(offsets[kAttribTexCoord0]);
        SetClientState(kClientTexCoord0, true);
        SetClientActiveUnit(0);
        gl.TexCoordPointer(2, GL_FLOAT, stride, set0);
        if (material.textures[1] != nullptr || material.extraTexture != nullptr)
        {
            // The extra texture has no coordinates of its own: it reads set 0's.
            const void* set1 = material.textures[1] != nullptr ? at(offsets[kAttribTexCoord0 + 1]) : set0;
            SetClientState(kClientTexCoord1, true);
            SetClientActiveUnit(1);
            gl.TexCoordPointer(2, GL_FLOAT, stride, set1);
        }
        else
        {
            SetClientState(kClientTexCoord1, false);
        }
        SetClientActiveUnit(0);
    }

    if ((format & kMeshColour) && !(material.flags & kMaterialIgnoreVertexColours))
    {
        SetClientState(kClientColour, true);
        gl.ColorPointer(4, GL_UNSIGNED_BYTE, stride, at(offsets[kAttribColour]));
    }
    else
    {
        SetClientState(kClientColour, false);
        const uint32_t c = material.colour;
        gl.Color4ub(GLubyte(c), GLubyte(c >> 8), GLubyte(c >> 16), GLubyte(c >> 24));
    }
}

void cRenderer_OGL_1::DrawMesh(cMesh* mesh, cMaterial* material)
{
    if (mesh == nullptr || material == nullptr)
        return;
    cGLFunctions& gl = GL();
    // The material first: turning lighting on must place the light in this draw's flush.
    ApplyMaterial(*material);
    FlushMatrices();

    const uint8_t* data = mesh->vertices;
    SetVertexArrays(data, mesh->format, mesh->stride, mesh->attributeOffsets, *material);

    // Never past the index array (the drawers lower indexCount to the filled part).
    const size_t available = mesh->indices.size() > mesh->firstIndex ? mesh->indices.size() - mesh->firstIndex : 0;
    const auto count = uint32_t(std::min<size_t>(mesh->indexCount, available));
    if (count == 0 || data == nullptr)
        return;
    // The library reads every vertex an index names: one past the vertex array would read
    // outside it (a mesh read from a damaged file), so such a mesh is not drawn.
    const uint16_t* first = mesh->indices.data() + mesh->firstIndex;
    uint16_t highest = 0;
    for (uint32_t i = 0; i < count; ++i)
        highest = std::max(highest, first[i]);
    if (highest >= mesh->vertexCount)
        return;
    const bool lines = (material->flags & kMaterialLines) != 0;
    gl.DrawElements(lines ? GL_LINES : GL_TRIANGLES, GLsizei(count), GL_UNSIGNED_SHORT, first);
    if (!lines)
        gTriangleCount += count / 3;
}

cHardwareMesh* cRenderer_OGL_1::CreateHardwareMesh(cMesh* mesh)
{
    if (mesh == nullptr)
        return new (std::nothrow) cHardwareMesh_OGL_1();
    return new (std::nothrow) cHardwareMesh_OGL_1(*mesh);
}

cRenderTarget* cRenderer_OGL_1::CreateRenderTarget(int32_t width, int32_t height, uint32_t flags)
{
    return new (std::nothrow) cRenderTarget_OGL1(width, height, flags);
}

void cRenderer_OGL_1::DrawHardwareMesh(cHardwareMesh* mesh, cMaterial* material)
{
    auto* hardware = ClassCast<cHardwareMesh_OGL_1>(mesh);
    // Without its own buffers the draw would read the vertices at address 0.
    if (hardware == nullptr || material == nullptr || !hardware->HasBuffers() || hardware->indexCount == 0)
        return;
    cGLFunctions& gl = GL();
    ApplyMaterial(*material);
    FlushMatrices();
    gl.BindBuffer(GL_ARRAY_BUFFER, hardware->vertexBuffer);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, hardware->indexBuffer);
    SetVertexArrays(nullptr, hardware->format, hardware->stride, hardware->attributeOffsets, *material);
    // Hardware meshes are triangle lists only: a material with the line flag draws nothing.
    if ((material->flags & kMaterialLines) == 0)
    {
        gl.DrawElements(GL_TRIANGLES, GLsizei(hardware->indexCount), GL_UNSIGNED_SHORT, nullptr);
        gTriangleCount += hardware->indexCount / 3;
    }
    gl.BindBuffer(GL_ARRAY_BUFFER, 0);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

namespace
{
// The library's model-view for a scene matrix: view x model x world (the scene's rows of
// four are the library's columns).
cMatrix44 SceneModelView(const cMatrix44& view, const cMatrix44& model, const ToolsMatrix& world)
{
    cMatrix44 worldMatrix;
    std::memcpy(worldMatrix.m, world.f, sizeof worldMatrix.m);
    return view * model * worldMatrix;
}
} // namespace

void cRenderer_OGL_1::DrawPodModel(cPodModel* model, cMaterial* override)
{
    if (model == nullptr || model->scene == nullptr)
        return;
    PodModel& scene = *model->scene;
    cGLFunctions& gl = GL();
    if (gl.BindBuffer == nullptr || scene.nodes == nullptr || scene.meshes == nullptr)
        return;
    FlushMatrices();
    clientStates |= kClientSkinning0 | kClientSkinning1;

    const uint32_t meshNodes = std::min(scene.meshNodeCount, scene.nodeCount);
    for (uint32_t i = 0; i < meshNodes; ++i)
    {
        const PodNode& node = scene.nodes[i];
        cMaterial* material = override != nullptr ? override
                              : i < model->materials.size() ? model->materials[i]
                                                             : nullptr;
        if (material == nullptr || node.index < 0 || uint32_t(node.index) >= scene.meshCount ||
            uint32_t(node.index) >= model->hardwareMeshes.size())
            continue;
        auto* hardware = ClassCast<cHardwareMesh_OGL_1>(model->hardwareMeshes[uint32_t(node.index)]);
        if (hardware == nullptr || !hardware->HasBuffers() || hardware->indexCount < 3)
            continue;
        const PodMesh& mesh = scene.meshes[node.index];

        ApplyMaterial(*material);
        FlushMatrices();
        gl.BindBuffer(GL_ARRAY_BUFFER, hardware->vertexBuffer);
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, hardware->indexBuffer);
        SetVertexArrays(nullptr, hardware->format, hardware->stride, hardware->attributeOffsets, *material);
        // The skinning arrays are mirrored only: the fixed-function path has no use for them.
        clientStates = (hardware->format & kMeshAttribute13) ? (clientStates | kClientSkinning0)
                                                             : (clientStates & ~kClientSkinning0);
        clientStates = (hardware->format & kMeshAttribute12) ? (clientStates | kClientSkinning1)
                                                             : (clientStates & ~kClientSkinning1);

        // The POD model's own drawing rule decides: the draw walks the mesh's bone batches
        // only. A skinned mesh loads, for each bone of a batch, the bone's skinning matrix
        // (the mesh node at frame 0, the bone's frame-0 pose undone, then the bone's pose
        // at the current frame); an unskinned mesh is drawn batch by batch under the
        // renderer's own matrices; a mesh without batches draws nothing. The bone's plain
        // world matrix would move vertices that are stored in their bind pose by the
        // bone's bind pose a second time.
        const uint32_t triangles = hardware->indexCount / 3;
        const PodBoneBatches& bones = mesh.bones;
        const bool skinned = mesh.boneIndices.components != 0 && mesh.boneWeights.components != 0;
        const int32_t batchCount =
            bones.batchOffsets != nullptr ? int32_t(std::min<int64_t>(bones.batchCount, bones.batchOffsetsCount)) : 0;
        for (int32_t b = 0; b < batchCount; ++b)
        {
            const int32_t first = bones.batchOffsets[b];
            const int32_t next = b + 1 < batchCount ? bones.batchOffsets[b + 1] : int32_t(triangles);
            if (first < 0 || next <= first || uint32_t(next) > triangles)
                continue;
            // Each bone's skinning matrix in turn; the last one stays in force.
            const int32_t count = skinned && bones.bonesPerBatch != nullptr && uint32_t(b) < bones.bonesPerBatchCount
                                      ? bones.bonesPerBatch[b]
                                      : 0;
            for (int32_t k = 0; k < count && k < bones.maxBonesPerBatch; ++k)
            {
                const uint64_t entry = uint64_t(b) * uint64_t(bones.maxBonesPerBatch) + uint64_t(k);
                if (bones.batchBones == nullptr || entry >= bones.batchBonesCount)
                    break;
                const int32_t bone = bones.batchBones[entry];
                if (bone < 0 || uint32_t(bone) >= scene.nodeCount)
                    continue;
                gl.LoadMatrixf(
                    SceneModelView(viewMatrix, modelMatrix, scene.BoneSkinMatrix(node, scene.nodes[bone])).Data());
            }
            const uintptr_t offset = uintptr_t(first) * 6u;
            gl.DrawElements(GL_TRIANGLES, GLsizei((next - first) * 3), GL_UNSIGNED_SHORT,
                            reinterpret_cast<const void*>(offset));
            gTriangleCount += uint32_t(next - first);
        }
        gl.BindBuffer(GL_ARRAY_BUFFER, 0);
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        // The library's model-view no longer holds this renderer's: reload it next draw.
        modelDirty = 1;
    }
    clientStates &= ~(kClientSkinning0 | kClientSkinning1);
    gl.MatrixMode(GL_MODELVIEW);
}

// --- utility-library helpers ---------------------------------------------------------------

void NormaliseVec3(float* v)
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f)
        return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void MultPerspective(float fovYDegrees, float aspect, float nearPlane, float farPlane)
{
    const float radians = fovYDegrees / 2.0f * 3.1415927f / 180.0f;
    const float depth = farPlane - nearPlane;
    const float sine = std::sin(radians);
    if (depth == 0.0f || sine == 0.0f || aspect == 0.0f)
        return;
    const float f = std::cos(radians) / sine;
    GLfloat m[16] = {};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = -(farPlane + nearPlane) / depth;
    m[11] = -1.0f;
    m[14] = -2.0f * nearPlane * farPlane / depth;
    GL().MultMatrixf(m);
}

void ReadLibraryMatrices(float* modelView, float* projection, int32_t* viewport)
{
    GL().GetFloatv(GL_MODELVIEW_MATRIX, modelView);
    GL().GetFloatv(GL_PROJECTION_MATRIX, projection);
    GL().GetIntegerv(GL_VIEWPORT, viewport);
}
