// A GL context for tests that render, made the way the program makes it: the SDL host
// (under SDL_VIDEODRIVER=offscreen no display is needed), a hidden window of the given
// size, and the OpenGL window object whose SetupGraphics makes the compatibility context,
// loads the engine's entry points (GL()) and binds the 2048 x 2048 off-screen target.
#pragma once

#include <cstdint>
#include <vector>

class cWinMain_OGL1;

namespace tvtest
{
// The window object with its context current and the off-screen target bound; the screen
// size (GetScreenWidth/Height) is set to the virtual size. The same window serves the
// whole program; asking for other sizes makes a new one. Null (reason printed) on failure.
cWinMain_OGL1* AcquireGLWindow(int windowWidth = 1280, int windowHeight = 720, int virtualWidth = 1280,
                               int virtualHeight = 720);
inline bool AcquireGLContext() { return AcquireGLWindow() != nullptr; }
// Ends the window object, the context, the window and the host (when installed here).
void ReleaseGLContext();

// Reads a width x height block at (x, y) of the bound frame buffer as RGBA bytes, rows
// bottom to top as the library gives them.
std::vector<uint8_t> ReadRGBA(int x, int y, int width, int height);

// The bottom-left width x height block of the bound frame buffer as packed pixels (R in
// the low byte), rows top to bottom as on the screen: pixel (x, y) is at y * width + x.
std::vector<uint32_t> ReadScreen(int width, int height);

// One pixel of the bound frame buffer, packed with R in the low byte.
uint32_t ReadPixel(int x, int y);
// One pixel, with y counted from the top of a frame of the given height (screen space).
inline uint32_t ReadScreenPixel(int x, int y, int frameHeight) { return ReadPixel(x, frameHeight - 1 - y); }

// True when every channel of a and b (packed RGBA) differs by at most tolerance.
bool ColoursNear(uint32_t a, uint32_t b, int tolerance);
} // namespace tvtest
