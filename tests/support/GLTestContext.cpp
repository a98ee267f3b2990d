#include "GLTestContext.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/sdl/SdlHost.h"

namespace
{
std::unique_ptr<cSdlHost> gHost;
std::unique_ptr<cWinMain_OGL1> gWindow;
int gKey[4] = {0, 0, 0, 0};

LResult IgnoreMessages(const WindowMessage&) { return 0; }
} // namespace

namespace tvtest
{
cWinMain_OGL1* AcquireGLWindow(int windowWidth, int windowHeight, int virtualWidth, int virtualHeight)
{
    const int key[4] = {windowWidth, windowHeight, virtualWidth, virtualHeight};
    if (gWindow != nullptr && std::equal(key, key + 4, gKey))
    {
        SetScreenSize(virtualWidth, virtualHeight);
        return gWindow.get();
    }
    ReleaseGLContext();

    gHost = std::make_unique<cSdlHost>();
    SetHost(gHost.get());
    // The offscreen driver sizes the drawable once, when the window is made.
    if (!gHost->RegisterWindowClass("TestWindowClass", &IgnoreMessages) ||
        !gHost->CreateGameWindow("test", windowWidth, windowHeight))
    {
        std::fprintf(stderr, "GL test window could not be made\n");
        ReleaseGLContext();
        return nullptr;
    }
    gWindow = std::make_unique<cWinMain_OGL1>();
    gWindow->windowWidth = windowWidth;
    gWindow->windowHeight = windowHeight;
    gWindow->virtualWidth = virtualWidth;
    gWindow->virtualHeight = virtualHeight;
    if (!gWindow->SetupGraphics())
    {
        std::fprintf(stderr, "GL test window: graphics set-up failed\n");
        ReleaseGLContext();
        return nullptr;
    }
    std::copy(key, key + 4, gKey);
    SetScreenSize(virtualWidth, virtualHeight);
    return gWindow.get();
}

void ReleaseGLContext()
{
    if (gWindow != nullptr)
        gWindow->BindDefaultTarget();
    gWindow.reset();
    SetGLFunctions(nullptr);
    if (gHost != nullptr)
    {
        gHost->DestroyGameWindow();
        gHost->UnregisterWindowClass();
        if (GetHost() == gHost.get())
            SetHost(nullptr);
        gHost.reset();
    }
    for (int& k : gKey)
        k = 0;
}

std::vector<uint8_t> ReadRGBA(int x, int y, int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4u);
    GL().PixelStorei(GL_PACK_ALIGNMENT, 1);
    GL().ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<uint32_t> ReadScreen(int width, int height)
{
    const std::vector<uint8_t> rgba = ReadRGBA(0, 0, width, height);
    std::vector<uint32_t> screen(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const uint8_t* p = &rgba[(size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4u];
            screen[size_t(y) * size_t(width) + size_t(x)] =
                uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        }
    return screen;
}

uint32_t ReadPixel(int x, int y)
{
    const auto p = ReadRGBA(x, y, 1, 1);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool ColoursNear(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        const int ca = int((a >> shift) & 0xFF);
        const int cb = int((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance)
            return false;
    }
    return true;
}
} // namespace tvtest
