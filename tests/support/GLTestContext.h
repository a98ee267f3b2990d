// A GL context for tests that render: a hidden window of a given size with an OpenGL
// compatibility context (under SDL_VIDEODRIVER=offscreen no display is needed), the
// engine's entry-point table loaded from it, and helpers to read pixels back.
#pragma once

#include <cstdint>
#include <vector>

namespace tvtest
{
// Makes the context current with a drawable of width x height and installs the engine's
// entry points (GL()). The same context serves the whole program; asking for another
// size makes a new one. False (with the reason printed) when no context can be had.
bool AcquireGLContext(int width = 1280, int height = 720);
// Ends the context and the window (tests call it at the end; optional).
void ReleaseGLContext();

// Reads a width x height block at (x, y) of the bound frame buffer as RGBA bytes, rows
// bottom to top as the library gives them.
std::vector<uint8_t> ReadRGBA(int x, int y, int width, int height);

// One pixel of the bound frame buffer, packed with R in the low byte.
uint32_t ReadPixel(int x, int y);

// True when every channel of a and b (packed RGBA) differs by at most tolerance.
bool ColoursNear(uint32_t a, uint32_t b, int tolerance);
} // namespace tvtest
