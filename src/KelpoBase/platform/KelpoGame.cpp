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

std::string& Refusal()
{
    static std::string reason;
    return reason;
}
} // namespace

void RefuseGameStart(const std::string& reason) { Refusal() = reason; }
const std::string& GetGameStartRefusal() { return Refusal(); }

void SetGameFactory(GameFactory factory) { Factory() = std::move(factory); }

cKelpoGame* CreateRegisteredGame()
{
    Refusal().clear();
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
