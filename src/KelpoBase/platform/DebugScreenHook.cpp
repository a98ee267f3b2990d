#include "KelpoBase/platform/DebugScreenHook.h"

namespace
{
cDbgScreen* gDebugScreen = nullptr;

std::function<cDbgScreen*()>& Factory()
{
    static std::function<cDbgScreen*()> factory;
    return factory;
}
} // namespace

cDbgScreen* GetDebugScreen()
{
    if (gDebugScreen == nullptr)
    {
        gDebugScreen = Factory() ? Factory()() : nullptr;
        if (gDebugScreen == nullptr)
            gDebugScreen = new cDbgScreen();
    }
    return gDebugScreen;
}

bool HasDebugScreen() { return gDebugScreen != nullptr; }

void SetDebugScreenFactory(std::function<cDbgScreen*()> factory) { Factory() = std::move(factory); }

void CreateDebugScreenAtStartup()
{
    if (cDbgScreen* screen = GetDebugScreen())
        screen->SetEnabled(false);
}

void DestroyDebugScreenAtShutdown()
{
    cDbgScreen* screen = GetDebugScreen();
    gDebugScreen = nullptr;
    delete screen;
}
