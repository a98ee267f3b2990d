// cSteamCallbacks: notes when the game service's overlay opens and closes. One object,
// created at start-up and deleted at shutdown (gSteamCallbacks, null when absent).
#pragma once

#include "host/gameservice/GameService.h"

class cSteamCallbacks
{
public:
    cSteamCallbacks();
    ~cSteamCallbacks();
    cSteamCallbacks(const cSteamCallbacks&) = delete;
    cSteamCallbacks& operator=(const cSteamCallbacks&) = delete;

    void OnOverlayActivated(const GameServiceOverlayActivated& event);
    bool IsOverlayActive() const { return overlayActive; }
    // Answers whether the overlay opened since the last call, and clears it.
    bool TakeOverlayChanged();

    bool overlayActive = false;
    bool overlayChanged = false;

private:
    int mOverlayHandle = 0;
};

extern cSteamCallbacks* gSteamCallbacks;
