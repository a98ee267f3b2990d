// Controllers: the components a game object carries. A controller knows its object
// through `owner`; the object owns its controllers and deletes them.
//
// cLogicController is the base of every object kind (the player, movers, pickups, ...):
// its Start runs once, after the whole level has been built.
#pragma once

#include "KelpoBase/core/KelpoObj.h"

class cGameObj;
class cGfx2D;

class cController : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cController, cKelpoObj)
public:
    cController() = default;
    ~cController() override = default;

    // Once a frame, with the level's time step.
    virtual void Update(float dt) { (void)dt; }
    // Stores the object; null detaches.
    virtual void SetOwner(cGameObj* newOwner) { owner = newOwner; }
    virtual void Draw(cGfx2D* gfx) { (void)gfx; }

    cGameObj* GetOwner() const { return owner; }

    cGameObj* owner = nullptr;
};

class cLogicController : public cController
{
    KELPO_DECLARE_CLASS(cLogicController, cController)
public:
    void Draw(cGfx2D* gfx) override { (void)gfx; }
    // Called once on the logic controller of each object of the level's general list,
    // after every object and joint of the level exists.
    virtual void Start() {}
};
