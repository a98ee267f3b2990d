#include "game/objects/GameObj.h"

#include <algorithm>
#include <vector>

#include "KelpoBase/render/Gfx2D.h"
#include "game/objects/Controller.h"
#include "game/objects/LevelBase.h"
#include "game/objects/RigidBodyController.h"

namespace
{
// Detaches and deletes the controller of a slot, then installs the new one.
template <class T>
void ReplaceController(T*& slot, T* controller, cGameObj* owner)
{
    if (slot == controller)
        return;
    if (slot != nullptr)
    {
        T* old = slot;
        slot = nullptr;
        old->SetOwner(nullptr);
        delete old;
    }
    slot = controller;
    if (controller != nullptr)
        controller->SetOwner(owner);
}
} // namespace

cGameObj::cGameObj(cLevelBase* owningLevel) : level(owningLevel) {}

cGameObj::~cGameObj()
{
    if (level != nullptr)
        level->OnObjectDeleted(this);
    ReplaceController(bodyController, static_cast<cRigidBodyController*>(nullptr), this);
    ReplaceController(auxController, static_cast<cController*>(nullptr), this);
    ReplaceController(logicController, static_cast<cLogicController*>(nullptr), this);

    if (parent != nullptr)
    {
        // Also takes it out of the parent's queue: an object deleted another way must not
        // be deleted again by the parent's next update.
        parent->RemoveChild(this);
    }
    while (!children.empty())
        delete children.back(); // its destructor takes it off this list
}

void cGameObj::SetRigidBodyController(cRigidBodyController* controller)
{
    ReplaceController(bodyController, controller, this);
}

void cGameObj::SetLogicController(cLogicController* controller)
{
    ReplaceController(logicController, controller, this);
}

void cGameObj::SetAuxController(cController* controller) { ReplaceController(auxController, controller, this); }

void cGameObj::SetPosition(const cVec2f& p)
{
    position = p;
    if (bodyController != nullptr)
        bodyController->SetBodyPosition(p);
}

void cGameObj::AddChild(cGameObj* child)
{
    if (child == nullptr || child == this)
        return;
    if (child->parent != nullptr)
        child->parent->RemoveChild(child);
    child->parent = this;
    children.push_back(child);
}

void cGameObj::RemoveChild(cGameObj* child)
{
    if (child == nullptr)
        return;
    children.remove(child);
    deleteLater.remove(child); // a child that leaves is no longer this object's to delete
    if (child->parent == this)
        child->parent = nullptr;
}

void cGameObj::MarkDestroyed()
{
    if (destroyed != 0)
        return;
    destroyed = 1;
    if (parent != nullptr)
        parent->deleteLater.push_back(this);
    for (cGameObj* child : children)
        child->MarkDestroyed();
}

void cGameObj::Update()
{
    const float dt = level != nullptr ? level->timeStep : 0.0f;
    if (bodyController != nullptr)
        bodyController->Update(dt);
    if (logicController != nullptr)
        logicController->Update(dt);

    if (!children.empty())
    {
        // A child's update may add or remove children: walk a copy, skipping those that
        // have left in the meantime.
        const std::vector<cGameObj*> snapshot(children.begin(), children.end());
        for (cGameObj* child : snapshot)
        {
            if (std::find(children.begin(), children.end(), child) != children.end())
                child->Update();
        }
    }

    while (!deleteLater.empty())
    {
        cGameObj* doomed = deleteLater.front();
        deleteLater.pop_front();
        delete doomed;
    }
}

void cGameObj::Draw(cGfx2D* gfx)
{
    if (logicController != nullptr)
        logicController->Draw(gfx);
    for (cGameObj* child : children)
        child->Draw(gfx);
}

void cGameObj::DrawBounds(cGfx2D* gfx)
{
    if (gfx == nullptr)
        return;
    gfx->SetColour(0xFF0000FFu); // opaque red (r in the low byte)
    const cVec2f corners[4] = {
        {bounds[0], bounds[1]}, {bounds[2], bounds[1]}, {bounds[2], bounds[3]}, {bounds[0], bounds[3]}};
    gfx->DrawLineStrip(corners, nullptr, 4, true);
    for (cGameObj* child : children)
        child->DrawBounds(gfx);
}

void DrawObjectList(const std::list<cGameObj*>& objects, cGfx2D* gfx)
{
    for (cGameObj* object : objects)
        object->Draw(gfx);
}
