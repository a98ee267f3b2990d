#include "game/objects/ObjectLevel.h"

#include "KelpoBase/platform/SystemServices.h"
#include "game/objects/GameObj.h"

int cObjectLevel::ScreenWidth() const { return GetScreenWidth(); }

int cObjectLevel::ScreenHeight() const { return GetScreenHeight(); }

int cObjectLevel::PerformanceMode() const { return GetPerformanceMode(); }

cObjectLevel* ObjectLevelOf(const cGameObj* object)
{
    if (object == nullptr)
        return nullptr;
    return dynamic_cast<cObjectLevel*>(object->GetLevel());
}
