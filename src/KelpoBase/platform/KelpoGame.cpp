#include "KelpoBase/platform/KelpoGame.h"

#include <new>

cKelpoGame* gGame = nullptr;

namespace
{
GameFactory& Factory()
{
    static GameFactory factory;
    return factory;
}
} // namespace

void SetGameFactory(GameFactory factory) { Factory() = std::move(factory); }

cKelpoGame* CreateRegisteredGame()
{
    if (!Factory())
        return nullptr;
    try
    {
        return Factory()();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
