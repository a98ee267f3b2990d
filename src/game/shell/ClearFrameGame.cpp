#include "game/shell/ClearFrameGame.h"

#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Renderer.h"

cClearFrameGame::cClearFrameGame()
{
    // As the game does once it exists: the mouse no longer drives the pointer records,
    // and the loop runs at 30 frames a second.
    gPointerInputEnabled = false;
    SetFrameRate30();
}

int cClearFrameGame::Update()
{
    ++updates;
    return 0;
}

void cClearFrameGame::Draw()
{
    ++draws;
    // Every frame starts from the renderer's known state, then clears the target.
    if (gRenderer == nullptr)
        return;
    gRenderer->ResetRenderState();
    gRenderer->SetClearColour(0xFF190D0Du); // R 13, G 13, B 25: a dark blue
    gRenderer->Clear(kClearColour | kClearDepth);
}

void RegisterClearFrameGame()
{
    SetGameFactory([]() -> cKelpoGame* { return new cClearFrameGame(); });
}
