// cGameObj: one thing living in a running level (the player, a mover, a pickup, a
// background layer, ...). It holds what every kind shares: its level, its place in an
// object hierarchy, a bounds rectangle, and the position and angle last read from its
// body. Behaviour comes from up to three owned controllers: a rigid-body controller (the
// physics body), a logic controller (the object's kind) and an auxiliary slot.
//
// Ownership: the object owns its controllers and its children. A child marked destroyed
// is queued in its parent's deleteLater list and freed at the end of the parent's next
// Update, after all children have run; an object without a parent is only marked, and
// the level frees it from its lists.
#pragma once

#include <cstdint>
#include <list>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Vec2.h"

class cLevelBase;
class cController;
class cLogicController;
class cRigidBodyController;
class cGfx2D;

class cGameObj : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGameObj, cKelpoObj)
public:
    // Empty name and lists, alive, no parent, angle 0, no controllers, stamp 0. Position
    // and bounds are the builder's to set.
    explicit cGameObj(cLevelBase* owningLevel);
    // Detaches and deletes the controllers (body, auxiliary, logic), leaves the parent,
    // then deletes the children, last first.
    ~cGameObj() override;

    virtual cVec2f* GetPosition() { return &position; }
    // Body, then logic controller, then the children; then frees what deleteLater holds.
    virtual void Update();
    // The logic controller's drawing, then the children's.
    virtual void Draw(cGfx2D* gfx);
    // The bounds rectangle as a red outline, then the children's.
    virtual void DrawBounds(cGfx2D* gfx);
    virtual bool IsAlive() const { return destroyed == 0; }

    // Each replaces the controller of its slot: the old one is detached (owner null, which
    // destroys a body) and deleted before the new one gets this object as owner. Null
    // only empties the slot.
    void SetRigidBodyController(cRigidBodyController* controller);
    void SetLogicController(cLogicController* controller);
    void SetAuxController(cController* controller);

    // Stores the position; a body, when there is one, is moved there keeping its angle.
    void SetPosition(const cVec2f& p);

    void AddChild(cGameObj* child);
    void RemoveChild(cGameObj* child);

    // Marks this object and its descendants destroyed and queues each one that has a
    // parent for deletion by that parent. Marking an object a second time does nothing
    // (it is queued once, so it is deleted once).
    void MarkDestroyed();

    cLevelBase* GetLevel() const { return level; }
    cRigidBodyController* GetRigidBodyController() const { return bodyController; }
    cLogicController* GetLogicController() const { return logicController; }
    cController* GetAuxController() const { return auxController; }

    uint8_t destroyed = 0;
    cLevelBase* level = nullptr;
    std::list<cGameObj*> children;
    std::list<cGameObj*> deleteLater;
    float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // left, top, right, bottom
    cGameObj* parent = nullptr;
    cVec2f position;
    float angle = 0.0f;
    cController* auxController = nullptr;
    cLogicController* logicController = nullptr;
    cRigidBodyController* bodyController = nullptr;
    uint32_t stamp = 0;
};

// Draws each object of the list in order (a list may be empty).
void DrawObjectList(const std::list<cGameObj*>& objects, cGfx2D* gfx);
