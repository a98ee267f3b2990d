#include "game/shell/ClearFrameGame.h"

#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/Host.h"

namespace
{
using ClearColorFn = void (*)(float, float, float, float);
using ClearFn = void (*)(unsigned int);
constexpr unsigned int kColorBufferBit = 0x00004000;
} // namespace

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
    cHost* host = GetHost();
    if (host == nullptr)
        return;
    auto clearColor = reinterpret_cast<ClearColorFn>(host->GLGetProcAddress("glClearColor"));
    auto clear = reinterpret_cast<ClearFn>(host->GLGetProcAddress("glClear"));
    if (clearColor == nullptr || clear == nullptr)
        return;
    clearColor(0.05f, 0.05f, 0.1f, 1.0f);
    clear(kColorBufferBit);
}

void RegisterClearFrameGame()
{
    SetGameFactory([]() -> cKelpoGame* { return new cClearFrameGame(); });
}
