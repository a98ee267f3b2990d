#include "game/objects/MoverObject.h"

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSupport.h"

float PathStepFor(float speed, float pathLength)
{
    if (!(pathLength > 0.0f) || FiniteOr(pathLength, -1.0f) < 0.0f)
        return 0.0f;
    return FiniteOr(speed / pathLength * 0.5f, 0.0f);
}

uint32_t cMoverObject::KeyBitsOfCode(int32_t keyCode)
{
    switch (keyCode)
    {
    case 1: return 0x1;
    case 2: return 0x2;
    case 3: return 0x4;
    case 4: return 0x8;
    default: return static_cast<uint32_t>(keyCode);
    }
}

cMoverObject::cMoverObject(cGlaElement* element)
{
    if (element != nullptr)
    {
        speed = FiniteOr(element->GetFloatProp("Speed"), 0.0f);
        path = element->GetPathProp("Path");
        type = element->GetEnumProp("Type");
        keyBits = KeyBitsOfCode(element->GetEnumProp("KeyCode"));
        if (path != nullptr)
        {
            step = PathStepFor(speed, path->path.totalLength);
            closed = path->path.closed != 0;
        }
        position = FiniteOr(element->GetFloatProp("PathPosition"), 0.0f);
        holdAtStart = element->GetBoolProp("Dynamic");
    }
    placed = false;
    open = type != 3;
}

cMoverObject::~cMoverObject() { delete sceneController; }

cGlaControllerScene* cMoverObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    depth = SceneIntProp(scene, "Depth");
    sceneController->Play(true, 1);
    return sceneController;
}

void cMoverObject::MoveOwnerTo(const cVec2f& metres)
{
    if (owner != nullptr)
        owner->SetPosition(metres);
}

void cMoverObject::PathStep()
{
    if (path == nullptr)
        return;
    MoveOwnerTo(path->GetPointAt(position) * (1.0f / 32.0f));
    if (owner != nullptr)
        lastPosition = owner->position;
    position += step;
    const bool pastEnd = (step > 0.0f && position >= 1.0f) || (step < 0.0f && position <= 0.0f);
    if (!pastEnd)
        return;
    if (closed)
        position += step > 0.0f ? -1.0f : 1.0f;
    else if (type == 1)
        step = -step;
    else if (type == 2)
        position = 0.0f;
    else
        path = nullptr;
}

void cMoverObject::Update(float dt)
{
    (void)dt;
    if (!placed && path != nullptr)
    {
        PathStep();
        placed = true;
    }
    TickScene(sceneController);
    if (path != nullptr && open)
    {
        if (type == 3)
            type = 0;
        PathStep();
        return;
    }
    if (path != nullptr && !open && holdAtStart)
    {
        MoveOwnerTo(path->GetPointAt(0.0f) * (1.0f / 32.0f));
        return;
    }
    // A mover that has left its path stays where the path ended.
    if (open && placed)
        MoveOwnerTo(lastPosition);
}

void cMoverObject::Draw(cGfx2D* gfx)
{
    if (gfx == nullptr || owner == nullptr)
        return;
    DrawSceneAtObject(*gfx, sceneController, owner, owner->angle, depth);
}
