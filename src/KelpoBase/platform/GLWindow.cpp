#include "KelpoBase/platform/GLWindow.h"

#include "KelpoBase/platform/SystemServices.h"
#include "host/Host.h"

namespace
{
// The few GL 1.1 calls the minimal presentation makes, fetched through the host.
using ClearColorFn = void (*)(float, float, float, float);
using ClearFn = void (*)(unsigned int);
using ViewportFn = void (*)(int, int, int, int);
constexpr unsigned int kColorBufferBit = 0x00004000;

struct MinimalGL
{
    ClearColorFn clearColor = nullptr;
    ClearFn clear = nullptr;
    ViewportFn viewport = nullptr;
} gGL;
} // namespace

bool cWinMain_OGL1::SetupGraphics()
{
    cHost* host = GetHost();
    if (host == nullptr || !host->GLCreateContext())
    {
        if (host != nullptr)
            host->MessageBox("Can't Create A GL Rendering Context.", "ERROR", MessageBoxIcon::Exclamation);
        return false;
    }
    contextCreated = true;
    gGL.clearColor = reinterpret_cast<ClearColorFn>(host->GLGetProcAddress("glClearColor"));
    gGL.clear = reinterpret_cast<ClearFn>(host->GLGetProcAddress("glClear"));
    gGL.viewport = reinterpret_cast<ViewportFn>(host->GLGetProcAddress("glViewport"));
    return true;
}

void cWinMain_OGL1::BindDefaultTarget() {}

void cWinMain_OGL1::Present()
{
    cHost* host = GetHost();
    if (host == nullptr || !contextCreated)
        return;
    int32_t w = 0, h = 0;
    host->GLGetDrawableSize(w, h);
    if (gGL.viewport != nullptr)
        gGL.viewport(0, 0, w, h);
    host->GLSwapBuffers();
    // The next frame starts from black.
    if (gGL.clearColor != nullptr && gGL.clear != nullptr)
    {
        gGL.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
        gGL.clear(kColorBufferBit);
    }
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
    windowed = true;
    SetWindowedSetting(1);
    host->GLSetSwapInterval(0);
}
