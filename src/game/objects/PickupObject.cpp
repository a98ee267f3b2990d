#include "game/objects/PickupObject.h"

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/Particles.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectLevel.h"
#include "game/objects/ObjectSupport.h"

cPickupObject::cPickupObject(cGlaElement* element)
{
    if (element != nullptr)
        type = element->GetEnumProp("Type");
    value = ElementIntProp(element, "Value");
    visible = true;
    canReappear = true;
    removeTimer = 0;
}

cPickupObject::~cPickupObject()
{
    delete sceneController;
    delete area;
}

cGlaControllerScene* cPickupObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    sceneController->Play(true, 1);
    return sceneController;
}

void cPickupObject::SetArea(cKelpoObj* newArea)
{
    if (newArea == area)
        return;
    delete area;
    area = newArea;
}

void cPickupObject::Update(float dt)
{
    (void)dt;
    TickScene(sceneController);
    if (removeTimer > 0)
    {
        removeTimer -= 1;
        if (removeTimer <= 0 && owner != nullptr)
            owner->MarkDestroyed();
    }
}

void cPickupObject::Draw(cGfx2D* gfx)
{
    if (!visible || gfx == nullptr || owner == nullptr)
        return;
    DrawSceneAtObject(*gfx, sceneController, owner, owner->angle, 4000);
}

cRespawnObject::~cRespawnObject() { delete sceneController; }

cGlaControllerScene* cRespawnObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    return sceneController;
}

void cRespawnObject::Update(float dt)
{
    (void)dt;
    TickScene(sceneController);
}

void cRespawnObject::Draw(cGfx2D* gfx)
{
    if (gfx == nullptr || owner == nullptr)
        return;
    DrawSceneAtObject(*gfx, sceneController, owner, owner->angle, 4800);
}

void cRespawnObject::SpawnReachedBurst()
{
    cObjectLevel* level = ObjectLevelOf(owner);
    if (level == nullptr || level->particles == nullptr)
        return;
    const cVec2f at = owner->position * 32.0f;
    const ImageList& images = level->respawnEffectImages;
    for (int i = 0; i < 30; ++i)
    {
        const float speed = 3.0f + 9.0f * RandomUnit();
        cVec2f velocity(0.0f, -speed);
        velocity.Rotate(RandomFloatRange(0.0f, kTwoPi));
        const size_t index = static_cast<size_t>(1 + RandomInt(2));
        const ImageRect* image = index < images.size() ? images[index] : nullptr;
        if (image == nullptr)
            continue;
        cParticle* p = AllocParticle(*level->particles);
        if (p == nullptr)
            continue;
        p->image = image;
        p->velocity = velocity;
        p->position = at;
        p->size = 1.0f;
        p->angle = RandomFloatRange(0.0f, kTwoPi);
        p->damping = 0.9f;
        p->lifeRate = 1.0f / 30.0f;
        p->sizeStart = 1.0f;
        p->sizeEnd = 1.0f;
        p->layerOffset = 3600;
        p->spin = RandomFloatRange(-0.2f, 0.2f);
        PrepareParticle(*p, kParticleSizeIsScale | kParticleAnchored);
    }
}

void cRespawnObject::SetState(int32_t newState)
{
    if (newState == 2 && state == 0)
        SpawnReachedBurst();
    state = newState;
    if (sceneController == nullptr)
        return;
    if (state == 1)
        sceneController->Play(false, 1);
    else if (state == 0)
        sceneController->SetFrame(0);
}
