#include "KelpoBase/platform/DebugScreenHook.h"

namespace
{
cDebugScreenBase* gDebugScreen = nullptr;

std::function<cDebugScreenBase*()>& Factory()
{
    static std::function<cDebugScreenBase*()> factory;
    return factory;
}
} // namespace

cDebugScreenBase* GetDebugScreen()
{
    if (gDebugScreen == nullptr)
    {
        gDebugScreen = Factory() ? Factory()() : nullptr;
        if (gDebugScreen == nullptr)
            gDebugScreen = new cDebugScreenBase();
    }
    return gDebugScreen;
}

bool HasDebugScreen() { return gDebugScreen != nullptr; }

void SetDebugScreenFactory(std::function<cDebugScreenBase*()> factory) { Factory() = std::move(factory); }

void CreateDebugScreenAtStartup()
{
    if (cDebugScreenBase* screen = GetDebugScreen())
        screen->SetEnabled(false);
}

void DestroyDebugScreenAtShutdown()
{
    cDebugScreenBase* screen = GetDebugScreen();
    gDebugScreen = nullptr;
    delete screen;
}
