// The renderer's part in the system services' start-up and shutdown: registered once at
// program start (before SystemStart), it lets the platform layer create gRenderer (a
// cRenderer_OGL_1, made once the context is current), delete it at shutdown, pass screen
// orientation changes on, and write screenshots from the last frame. After every present
// the renderer resets its state, so that its mirror is true again.
#pragma once

#include <string>

// Fills the renderer's entries of the system hooks (GetSystemHooks()) and the window's
// present follow-up.
void RegisterRendererServices();

// The last drawn frame (the bound frame buffer) as an upright TGA file; false when no
// renderer exists or the file cannot be written.
bool WriteRendererScreenshot(const std::string& fileName);
