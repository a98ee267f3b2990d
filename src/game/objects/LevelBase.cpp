#include "game/objects/LevelBase.h"

#include <box2d/box2d.h>

#include <utility>

#include "game/objects/RigidBodyController.h"

bool cLevelBase::WorldLocked() const { return world != nullptr && world->IsLocked(); }

void cLevelBase::RunOutsideStep(std::function<void()> action)
{
    if (!action)
        return;
    if (WorldLocked())
        deferredActions.push_back(std::move(action));
    else
        action();
}

void cLevelBase::StepWorld(float dt, int velocityIterations, int positionIterations)
{
    if (world == nullptr)
        return;
    ApplyOwnGravity(world);
    world->Step(dt, velocityIterations, positionIterations);
    RunDeferredActions();
}

void cLevelBase::RunDeferredActions()
{
    // An action may defer another (it runs after the ones already waiting).
    for (size_t i = 0; i < deferredActions.size(); ++i)
    {
        std::function<void()> action = std::move(deferredActions[i]);
        action();
    }
    deferredActions.clear();
}
