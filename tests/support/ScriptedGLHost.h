// The scripted host with a real OpenGL context: window messages, keys, the clock and sleep
// stay scripted (sleeping only advances the virtual clock, so frames run back to back),
// while the GL group is served by an SDL window of a fixed size under the offscreen video
// driver (no display needed). Tests and benchmarks drive the real program with it and
// read back what it drew.
#pragma once

#include <memory>

#include "host/scripted/ScriptedHost.h"

class cSdlHost;

class cScriptedGLHost : public cScriptedHost
{
public:
    // The drawable's size: the window the game presents into.
    explicit cScriptedGLHost(int32_t drawableWidth = 1280, int32_t drawableHeight = 720);
    ~cScriptedGLHost() override;

    bool RegisterWindowClass(const char* className, WindowProcFn proc) override;
    void UnregisterWindowClass() override;
    bool CreateGameWindow(const char* title, int32_t width, int32_t height) override;
    void DestroyGameWindow() override;

    bool GLCreateContext() override;
    void GLDestroyContext() override;
    void* GLGetProcAddress(const char* name) override;
    bool GLHasExtension(const char* name) override;
    void GLSwapBuffers() override;
    bool GLSetSwapInterval(int interval) override;
    void GLGetDrawableSize(int32_t& width, int32_t& height) override;

private:
    std::unique_ptr<cSdlHost> mSdl;
    int32_t mWidth;
    int32_t mHeight;
};
