#include "KelpoBase/platform/SteamCallbacks.h"

cSteamCallbacks* gSteamCallbacks = nullptr;

cSteamCallbacks::cSteamCallbacks()
{
    mOverlayHandle = GameServiceRegisterCallback(kGameOverlayActivatedId, [this](const void* data) {
        OnOverlayActivated(*static_cast<const GameServiceOverlayActivated*>(data));
    });
}

cSteamCallbacks::~cSteamCallbacks()
{
    if (mOverlayHandle != 0)
        GameServiceUnregisterCallback(mOverlayHandle);
    if (gSteamCallbacks == this)
        gSteamCallbacks = nullptr;
}

void cSteamCallbacks::OnOverlayActivated(const GameServiceOverlayActivated& event)
{
    if (event.active)
    {
        overlayActive = true;
        overlayChanged = true;
    }
    else
        overlayActive = false;
}

bool cSteamCallbacks::TakeOverlayChanged()
{
    bool changed = overlayChanged;
    overlayChanged = false;
    return changed;
}
