#include "GLTestContext.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "KelpoBase/platform/GLFunctions.h"

namespace
{
SDL_Window* gWindow = nullptr;
SDL_GLContext gContext = nullptr;
int gWidth = 0;
int gHeight = 0;
bool gVideoStarted = false;

void* Lookup(const char* name) { return SDL_GL_GetProcAddress(name); }
} // namespace

namespace tvtest
{
bool AcquireGLContext(int width, int height)
{
    if (gContext != nullptr && width == gWidth && height == gHeight)
    {
        SDL_GL_MakeCurrent(gWindow, gContext);
        return true;
    }
    ReleaseGLContext();
    if (!gVideoStarted && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "GL test context: %s\n", SDL_GetError());
        return false;
    }
    gVideoStarted = true;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    gWindow = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (gWindow == nullptr)
    {
        std::fprintf(stderr, "GL test window: %s\n", SDL_GetError());
        return false;
    }
    gContext = SDL_GL_CreateContext(gWindow);
    if (gContext == nullptr)
    {
        std::fprintf(stderr, "GL test context: %s\n", SDL_GetError());
        SDL_DestroyWindow(gWindow);
        gWindow = nullptr;
        return false;
    }
    gWidth = width;
    gHeight = height;
    if (!LoadDefaultGLFunctions(&Lookup))
    {
        std::fprintf(stderr, "GL test context: entry points missing\n");
        return false;
    }
    return true;
}

void ReleaseGLContext()
{
    SetGLFunctions(nullptr);
    if (gContext != nullptr)
        SDL_GL_DeleteContext(gContext);
    if (gWindow != nullptr)
        SDL_DestroyWindow(gWindow);
    gContext = nullptr;
    gWindow = nullptr;
    gWidth = gHeight = 0;
    if (gVideoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    gVideoStarted = false;
}

std::vector<uint8_t> ReadRGBA(int x, int y, int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4u);
    GL().PixelStorei(GL_PACK_ALIGNMENT, 1);
    GL().ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
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
