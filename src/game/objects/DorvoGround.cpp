#include "game/objects/DorvoGround.h"

#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/RigidBodyController.h"

DorvoGround ReadDorvoGround(const b2Body* body)
{
    DorvoGround out;
    const cRigidBodyController* controller = ControllerOfBody(body);
    if (controller == nullptr || controller->GetOwner() == nullptr)
        return out;
    out.object = controller->GetOwner();
    if (const cDynamicObject* dynamicObject = cDynamicObject::Of(out.object))
    {
        out.dynamic = true;
        out.killer = dynamicObject->killer;
        out.push = dynamicObject->pushesPlayer;
        out.carry = dynamicObject->carriesPlayer;
    }
    return out;
}
