// cSpawnedObject: an object made at run time from a template element (what a spawner
// throws out, or what the property-driven builder makes). It lives a number of frames,
// may die after a number of counted contacts, may push itself with one cycle of force,
// and on death drops a sugar pickup, fires its event and bursts.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/Vec2.h"
#include "game/objects/Controller.h"

class cGlaControllerScene;
class cGlaElement;
class cGlaScene;

class cSpawnedObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cSpawnedObject, cLogicController)
public:
    // Depth from the element's "Depth"; everything else 0 / empty.
    explicit cSpawnedObject(cGlaElement* element);
    ~cSpawnedObject() override;

    void Update(float dt) override;
    // Culled draw at the owner's place, turned along the body's velocity when it turns to
    // its direction (and moves), else by its angle; the layer raised by the depth.
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // A controller for the template's sub-scene, played looped.
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);

    static cSpawnedObject* Of(const cGameObj* object);

    cGlaControllerScene* sceneController = nullptr;
    bool forceOn = false;
    cVec2f force;
    int32_t pushFrames = 0;
    int32_t pauseFrames = 0;
    int32_t pushLeft = 0;
    int32_t pauseLeft = 0;
    bool killer = false;
    int32_t depth = 0;
    bool dieOnContact = false;
    int32_t hitsToDie = 0;
    int32_t effectType = 0;
    bool turnToDirection = false;
    bool destroyedEvent = false;
    std::string destroyedTarget;
    float limitXValue = 0.0f;
    float limitYValue = 0.0f;
    bool limitX = false;
    bool limitY = false;
    bool hit = false;
    bool dead = false;
    int32_t hitCount = 0;
    int32_t lifeLeft = 0;
    bool carriesSugar = false;
    // The death step ran (the owner is marked destroyed and goes at the end of the frame).
    bool gone = false;
};

// Every touching contact of a spawned object (point in metres): counts it when the object
// dies on contact, then shows the hit effect.
void OnSpawnedObjectHit(cSpawnedObject* object, float impact, const cVec2f& point);
// A counted contact (also every contact with a killer): the first leaves 200 frames to
// live; reaching the hit count kills the object at once.
void OnSpawnedObjectContact(cSpawnedObject* object);
