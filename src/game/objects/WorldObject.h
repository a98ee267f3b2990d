// cWorldObject: a piece of level scenery (a scene bit). It plays its scene and draws it at
// its place; its collision zones hang on the level's shared static body.
#pragma once

#include <cstdint>

#include "game/objects/Controller.h"

class cGlaControllerScene;
class cGlaScene;

class cWorldObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cWorldObject, cLogicController)
public:
    cWorldObject() = default;
    ~cWorldObject() override;

    // Advances the scene one tick when it has more than one frame.
    void Update(float dt) override;
    // The scene at the owner's position as stored (not scaled) turned by its angle, the
    // layer raised by the depth; drawn whole.
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // A controller for the scene, played looped. A scene of exactly one sprite hands its
    // flags on to the object.
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);

    cGlaControllerScene* sceneController = nullptr;
    int32_t depth = 4000;
    bool spriteFlag = false;
    bool imageFlag = false;
};
