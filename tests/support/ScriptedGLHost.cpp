#include "ScriptedGLHost.h"

#include "host/sdl/SdlHost.h"

namespace
{
// The SDL window's own messages never reach the game: input stays scripted.
LResult IgnoreMessages(const WindowMessage&) { return 0; }
} // namespace

cScriptedGLHost::cScriptedGLHost(int32_t drawableWidth, int32_t drawableHeight)
    : mSdl(std::make_unique<cSdlHost>()), mWidth(drawableWidth), mHeight(drawableHeight)
{
}

cScriptedGLHost::~cScriptedGLHost() = default;

bool cScriptedGLHost::RegisterWindowClass(const char* className, WindowProcFn proc)
{
    return cScriptedHost::RegisterWindowClass(className, proc) && mSdl->RegisterWindowClass(className, &IgnoreMessages);
}

void cScriptedGLHost::UnregisterWindowClass()
{
    mSdl->UnregisterWindowClass();
    cScriptedHost::UnregisterWindowClass();
}

bool cScriptedGLHost::CreateGameWindow(const char* title, int32_t width, int32_t height)
{
    // The offscreen driver sizes the drawable once, when the window is made: it gets its
    // final size now, whatever size the program asks for first.
    return cScriptedHost::CreateGameWindow(title, width, height) && mSdl->CreateGameWindow(title, mWidth, mHeight);
}

void cScriptedGLHost::DestroyGameWindow()
{
    mSdl->DestroyGameWindow();
    cScriptedHost::DestroyGameWindow();
}

bool cScriptedGLHost::GLCreateContext() { return cScriptedHost::GLCreateContext() && mSdl->GLCreateContext(); }

void cScriptedGLHost::GLDestroyContext()
{
    mSdl->GLDestroyContext();
    cScriptedHost::GLDestroyContext();
}

void* cScriptedGLHost::GLGetProcAddress(const char* name) { return mSdl->GLGetProcAddress(name); }

bool cScriptedGLHost::GLHasExtension(const char* name) { return mSdl->GLHasExtension(name); }

void cScriptedGLHost::GLSwapBuffers()
{
    cScriptedHost::GLSwapBuffers();
    mSdl->GLSwapBuffers();
}

bool cScriptedGLHost::GLSetSwapInterval(int interval)
{
    cScriptedHost::GLSetSwapInterval(interval);
    return mSdl->GLSetSwapInterval(interval);
}

void cScriptedGLHost::GLGetDrawableSize(int32_t& width, int32_t& height) { mSdl->GLGetDrawableSize(width, height); }
