// cClearFrameGame: the least game the main loop can drive. It draws an empty, dark frame
// and counts its updates and draws; the real game object replaces it.
#pragma once

#include <cstdint>

#include "KelpoBase/platform/KelpoGame.h"

class cClearFrameGame : public cKelpoGame
{
public:
    cClearFrameGame();

    int Update() override;
    void Draw() override;

    uint32_t updates = 0;
    uint32_t draws = 0;
};

// Registers cClearFrameGame as the game start-up creates.
void RegisterClearFrameGame();
