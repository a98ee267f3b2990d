#include "game/objects/WorldObject.h"

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/render/Gfx2D.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSupport.h"

cWorldObject::~cWorldObject() { delete sceneController; }

cGlaControllerScene* cWorldObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    sceneController->Play(true, 1);
    spriteFlag = false;
    imageFlag = false;
    if (sceneController->elementControllers.size() == 1)
    {
        const cGlaControllerSprite* sprite = ClassCast<cGlaControllerSprite>(sceneController->elementControllers[0]);
        if (sprite != nullptr && sprite->GetClassInfo() == cGlaControllerSprite::StaticClassInfo())
        {
            spriteFlag = sprite->isStatic;
            imageFlag = sprite->image != nullptr;
        }
    }
    return sceneController;
}

void cWorldObject::Update(float dt)
{
    (void)dt;
    if (sceneController != nullptr && sceneController->GetFrameCount() > 1)
        TickScene(sceneController);
}

void cWorldObject::Draw(cGfx2D* gfx)
{
    if (gfx == nullptr || owner == nullptr || sceneController == nullptr)
        return;
    gfx->PushTransform();
    gfx->PushLayer();
    gfx->Translate(owner->position.x, owner->position.y);
    gfx->Rotate(owner->angle);
    gfx->AddLayer(depth);
    sceneController->Draw(*gfx);
    gfx->PopLayer();
    gfx->PopTransform();
}
