// The debug screen as the platform layer sees it: created at start-up (disabled) and
// destroyed at shutdown.
//
// The debug menu's own screen class (cDbgScreen, in the debug library) derives from
// cDebugScreenBase and registers a factory with SetDebugScreenFactory; until one is
// registered a plain screen that draws nothing stands in.
#pragma once

#include <functional>

class cDebugScreenBase
{
public:
    virtual ~cDebugScreenBase() = default;
    virtual void SetEnabled(bool enabled) { mEnabled = enabled; }
    bool IsEnabled() const { return mEnabled; }
    // Once a frame, first thing in the game's update.
    virtual void Update() {}
    // Over the finished frame.
    virtual void Draw() {}
    // Whether the game should skip its own update this frame (the menu is open).
    virtual bool HoldsGameUpdate() const { return false; }

private:
    bool mEnabled = false;
};

// The debug screen, created on first request by the registered factory (or as the plain
// stand-in when no factory is registered or it answers null).
cDebugScreenBase* GetDebugScreen();
// Whether a debug screen currently exists (does not create one).
bool HasDebugScreen();
// Replaces the factory used by GetDebugScreen.
void SetDebugScreenFactory(std::function<cDebugScreenBase*()> factory);
// Creates the screen at start-up, disabled (called by the game while it is constructed).
void CreateDebugScreenAtStartup();
// Asks for the screen (creating it if it does not exist yet) and destroys it.
void DestroyDebugScreenAtShutdown();
