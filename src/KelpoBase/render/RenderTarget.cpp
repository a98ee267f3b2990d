#include "KelpoBase/render/RenderTarget.h"

#include <new>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Renderer.h"

cRenderTarget::~cRenderTarget()
{
    // A target that dies while the renderer draws into it (or keeps it on its stack)
    // must not be bound again later: the screen takes its place.
    if (gRenderer != nullptr)
    {
        for (cRenderTarget*& stacked : gRenderer->targetStack)
            if (stacked == this)
                stacked = nullptr;
        if (gRenderer->GetRenderTarget() == this)
            gRenderer->SetRenderTarget(nullptr);
    }
    delete image;
    image = nullptr;
    delete extra;
    extra = nullptr;
}

cRenderTarget_OGL1::cRenderTarget_OGL1(int32_t w, int32_t h, uint32_t flags)
{
    width = w;
    height = h;
    cGLFunctions& gl = GL();
    // Without the frame-buffer entry points, or with no pixels, there is nothing to make.
    if (!gl.hasFramebufferObject || gl.GenFramebuffersEXT == nullptr || w <= 0 || h <= 0)
        return;

    GLint saved = 0;
    gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &saved);

    gl.GenFramebuffersEXT(1, &framebuffer);
    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);

    if (flags & kTargetColourTexture)
    {
        // The texture is made behind the renderer's mirror of unit 0: put the unit's
        // binding back afterwards.
        GLint previousTexture = 0;
        gl.GetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
        gl.GenTextures(1, &colourTexture);
        gl.BindTexture(GL_TEXTURE_2D, colourTexture);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        const GLenum format = (flags & kTargetRGBA) ? GL_RGBA : GL_RGB;
        gl.TexImage2D(GL_TEXTURE_2D, 0, GLint(format), w, h, 0, format, GL_UNSIGNED_BYTE, nullptr);
        gl.FramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colourTexture, 0);
        gl.BindTexture(GL_TEXTURE_2D, GLuint(previousTexture));
        image = new (std::nothrow) cImage(colourTexture, uint32_t(w), uint32_t(h));
    }

    if (flags & kTargetDepth)
    {
        gl.GenRenderbuffersEXT(1, &depthBuffer);
        gl.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthBuffer);
        gl.RenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, w, h);
        gl.FramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depthBuffer);
        gl.BindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    }

    if (gl.CheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT)
        Release();

    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(saved));
}

cRenderTarget_OGL1::~cRenderTarget_OGL1() { Release(); }

void cRenderTarget_OGL1::Release()
{
    cGLFunctions& gl = GL();
    if (depthBuffer != 0 && gl.DeleteRenderbuffersEXT != nullptr)
        gl.DeleteRenderbuffersEXT(1, &depthBuffer);
    depthBuffer = 0;
    if (framebuffer != 0 && gl.DeleteFramebuffersEXT != nullptr)
        gl.DeleteFramebuffersEXT(1, &framebuffer);
    framebuffer = 0;
    if (colourTexture != 0)
    {
        // Through the renderer when there is one, so that no unit's mirror keeps the name.
        if (gRenderer != nullptr)
            gRenderer->DeleteTexture(colourTexture);
        else if (gl.DeleteTextures != nullptr)
            gl.DeleteTextures(1, &colourTexture);
        // The image wraps the same name: it must not delete it a second time.
        if (image != nullptr && image->texture == colourTexture)
            image->texture = 0;
    }
    colourTexture = 0;
}
