// cWinMain_OGL1: the window object with an OpenGL context.
//
// This is the minimal form that lets the loop run: SetupGraphics makes the compatibility
// context through the host, Present clears the window and swaps. The off-screen target,
// letterboxed presentation and window-mode switches belong to the renderer's window code,
// which replaces this file.
#pragma once

#include "KelpoBase/platform/WinMain.h"

class cWinMain_OGL1 : public cWinMain
{
public:
    bool SetupGraphics() override;
    void BindDefaultTarget() override;
    void Present() override;
    void EnterFullscreen() override;
    void EnterWindowed() override;

    bool windowed = true;
    bool contextCreated = false;
};
