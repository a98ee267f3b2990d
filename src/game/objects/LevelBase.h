// cLevelBase: what the game objects and the physics glue need of the running level.
//
// The level record lives in the library above (it owns the objects); the objects, their
// rigid bodies and the contact listener reach it only through this base: its physics
// world, the time step, the contact map and its lock flag, the 2D drawing context, and
// the pre-solve reaction, which the level overrides.
//
// Box2D aborts when a body is created, destroyed, moved or enabled while the world
// steps. Code that may run inside a step (contact callbacks and what they call) hands
// such changes to RunOutsideStep, which runs them at once when the world is not
// stepping, else right after the step (in the order they were handed in).
#pragma once

#include <functional>
#include <vector>

#include "game/objects/ContactListener.h"

class b2World;
class b2Contact;
struct b2Manifold;
class cGameObj;
class cGfx2Dx;

class cLevelBase
{
public:
    cLevelBase() = default;
    cLevelBase(const cLevelBase&) = delete;
    cLevelBase& operator=(const cLevelBase&) = delete;
    virtual ~cLevelBase() = default;

    // Called by the contact listener for each contact about to be solved (inside the
    // world step). Does nothing here.
    virtual void OnPreSolve(b2Contact* contact, const b2Manifold* oldManifold)
    {
        (void)contact;
        (void)oldManifold;
    }

    // Called by every game object of this level as it is deleted, so that the level can
    // forget it (lists, camera target). Does nothing here.
    virtual void OnObjectDeleted(cGameObj* object) { (void)object; }

    // True while the world is inside a step (or another callback that locks it).
    bool WorldLocked() const;
    // Runs the action now, or after the world step that is running.
    void RunOutsideStep(std::function<void()> action);
    // One world step: the bodies' own gravity applied, b2World::Step, then the actions
    // deferred during the step. Does nothing without a world.
    void StepWorld(float dt, int velocityIterations, int positionIterations);
    // Runs (and forgets) every deferred action.
    void RunDeferredActions();

    b2World* world = nullptr;
    float timeStep = 1.0f / 30.0f;
    // Set when the level was rebuilt this frame, cleared by the next step (the level's
    // business; contact ends erase their records either way).
    bool contactsLocked = false;
    ContactMap contactMap;
    // The level's 2D drawing context (owned by the level).
    cGfx2Dx* gfx2D = nullptr;

private:
    std::vector<std::function<void()>> deferredActions;
};
