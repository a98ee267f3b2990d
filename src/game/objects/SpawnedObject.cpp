#include "game/objects/SpawnedObject.h"

#include <box2d/box2d.h>

#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectEffects.h"
#include "game/objects/ObjectLevel.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/RigidBodyController.h"

namespace
{
cVec2f VelocityOf(const cGameObj* owner)
{
    const cRigidBodyController* rb = owner != nullptr ? owner->GetRigidBodyController() : nullptr;
    return rb != nullptr ? rb->velocity : cVec2f();
}
} // namespace

cSpawnedObject::cSpawnedObject(cGlaElement* element) { depth = ElementIntProp(element, "Depth"); }

cSpawnedObject::~cSpawnedObject() { delete sceneController; }

cSpawnedObject* cSpawnedObject::Of(const cGameObj* object)
{
    if (object == nullptr)
        return nullptr;
    return ClassCast<cSpawnedObject>(object->GetLogicController());
}

cGlaControllerScene* cSpawnedObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    sceneController->Play(true, 1);
    return sceneController;
}

void OnSpawnedObjectHit(cSpawnedObject* object, float impact, const cVec2f& point)
{
    if (object == nullptr)
        return;
    if (object->dieOnContact)
        OnSpawnedObjectContact(object);
    if (cObjectLevel* level = ObjectLevelOf(object->GetOwner()))
        SpawnHitEffect(*level, object->effectType, point * 32.0f, impact);
}

void OnSpawnedObjectContact(cSpawnedObject* object)
{
    if (object == nullptr)
        return;
    if (!object->hit)
    {
        object->hit = true;
        object->lifeLeft = 200;
    }
    object->hitCount += 1;
    cGameObj* owner = object->GetOwner();
    cObjectLevel* level = ObjectLevelOf(owner);
    const cVec2f at = owner != nullptr ? owner->position * 32.0f : cVec2f();
    if (level != nullptr)
        SpawnContactEffect(*level, object->effectType, at);
    if (!object->dead && object->hitCount >= object->hitsToDie)
    {
        object->dead = true;
        object->lifeLeft = 0;
        if (level != nullptr)
            SpawnBurstEffect(*level, object->effectType, at, VelocityOf(owner));
    }
}

void cSpawnedObject::Update(float dt)
{
    (void)dt;
    if (owner == nullptr || gone)
        return;
    cObjectLevel* level = ObjectLevelOf(owner);
    TickScene(sceneController);

    lifeLeft -= 1;
    if (lifeLeft <= 0 || hitCount > hitsToDie)
    {
        gone = true;
        if (carriesSugar)
        {
            carriesSugar = false;
            if (level != nullptr)
                level->DropPickup(1, owner->position);
        }
        if (destroyedEvent)
        {
            destroyedEvent = false;
            ActivateDynamicByName(level, destroyedTarget);
        }
        if (!dead && level != nullptr)
            SpawnBurstEffect(*level, effectType, owner->position * 32.0f, VelocityOf(owner));
        owner->MarkDestroyed();
        return;
    }

    if (limitX)
        owner->SetPosition(cVec2f(limitXValue, owner->position.y));
    if (limitY)
        owner->SetPosition(cVec2f(owner->position.x, limitYValue));

    if (forceOn)
    {
        if (pauseLeft > 0)
        {
            pauseLeft -= 1;
            if (pauseLeft == 0)
                pushLeft = pushFrames;
        }
        else if (pushLeft > 0)
        {
            pushLeft -= 1;
            const cRigidBodyController* rb = owner->GetRigidBodyController();
            b2Body* body = rb != nullptr ? rb->GetBody() : nullptr;
            if (body != nullptr && body->GetType() == b2_dynamicBody)
                body->ApplyForce(b2Vec2(force.x, force.y), b2Vec2(owner->position.x, owner->position.y), true);
            if (pushLeft == 0)
                forceOn = false;
        }
    }

    if (level != nullptr)
        ObjectAmbientEffect(*level, effectType, owner->position * 32.0f);
}

void cSpawnedObject::Draw(cGfx2D* gfx)
{
    if (gfx == nullptr || owner == nullptr)
        return;
    float angle = owner->angle;
    const cVec2f v = VelocityOf(owner);
    if (turnToDirection && (v.x != 0.0f || v.y != 0.0f))
        angle = AngleOfVector(v);
    DrawSceneAtObject(*gfx, sceneController, owner, angle, depth);
}
