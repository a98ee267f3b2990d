// Pickups and respawn points.
//
// cPickupObject is a collectable: the level's object pass finds the pickups the player
// touches and collects them by type and value; a collected pickup may be given a remove
// timer, and removes itself when it runs out. cRespawnObject is a respawn point whose
// look follows the state the level gives it (0 idle, 1 animating, 2 reached); reaching
// an idle point directly shows a burst of particles.
#pragma once

#include <cstdint>

#include "game/objects/Controller.h"

class cGlaControllerScene;
class cGlaElement;
class cGlaScene;

class cPickupObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cPickupObject, cLogicController)
public:
    // Type from "Type" (0 when absent), value from "Value" (0 when absent).
    explicit cPickupObject(cGlaElement* element);
    // Deletes the scene controller and the area.
    ~cPickupObject() override;

    // The scene one tick; a running remove timer counts down and, at 0, marks the owner
    // destroyed.
    void Update(float dt) override;
    // While visible: the scene at the owner's place, culled, the layer raised by 4000.
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // A controller for the scene, played looped.
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);
    // Takes the level area (owned from now on; the old one is deleted).
    void SetArea(cKelpoObj* newArea);

    cGlaControllerScene* sceneController = nullptr;
    cKelpoObj* area = nullptr; // the level area the builder gives, owned
    int32_t type = 0;
    int32_t value = 0;
    bool visible = true;
    bool canReappear = true;
    int32_t removeTimer = 0;
};

class cRespawnObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cRespawnObject, cLogicController)
public:
    cRespawnObject() = default;
    ~cRespawnObject() override;

    void Update(float dt) override;
    // The scene at the owner's place, culled, the layer raised by 4800.
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // A controller for the scene, not started.
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);
    // 0 rewinds the scene to frame 0, 1 plays it once from where it is, 2 leaves it; the
    // direct switch from 0 to 2 shows a burst of 30 particles.
    void SetState(int32_t newState);

    cGlaControllerScene* sceneController = nullptr;
    int32_t state = 0;

private:
    void SpawnReachedBurst();
};
