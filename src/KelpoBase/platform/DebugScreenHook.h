// The debug screen as the platform layer sees it: created at start-up (disabled) and
// destroyed at shutdown. The debug menu registers a factory for the real screen; until
// then a plain screen that draws nothing stands in.
#pragma once

#include <functional>

class cDbgScreen
{
public:
    virtual ~cDbgScreen() = default;
    virtual void SetEnabled(bool enabled) { mEnabled = enabled; }
    bool IsEnabled() const { return mEnabled; }

private:
    bool mEnabled = false;
};

// The debug screen, created on first request by the registered factory (or as the plain
// stand-in when no factory is registered).
cDbgScreen* GetDebugScreen();
// Whether a debug screen currently exists (does not create one).
bool HasDebugScreen();
// Replaces the factory used by GetDebugScreen.
void SetDebugScreenFactory(std::function<cDbgScreen*()> factory);
// Creates the screen at start-up, disabled.
void CreateDebugScreenAtStartup();
// Asks for the screen (creating it if it does not exist yet) and destroys it.
void DestroyDebugScreenAtShutdown();
