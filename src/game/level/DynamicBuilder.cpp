// The dynamic object builder, the spawned object builder and the pickup drop.
//
// Dynamic objects are built while the level loads; spawned objects and dropped pickups
// while it plays (never from inside a world step: the spawners and the destroyed objects
// run in their updates). Every value read from the scene is checked before it reaches
// Box2D, which stops the program on bad input.
#include <box2d/box2d.h>

#include <cmath>
#include <string>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "game/level/Level.h"
#include "game/level/LevelBuilders.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"

namespace
{
struct CollisionBits
{
    uint16_t category;
    uint16_t mask;
};

// "Collide" of a dynamic object: 0 and values outside 1 to 7 collide with nothing.
CollisionBits DynamicCollision(int32_t collide)
{
    static constexpr CollisionBits table[8] = {{0x0, 0x0}, {0x2, 0x4}, {0x8, 0x1}, {0x2, 0xA},
                                               {0x2, 0x5}, {0x2, 0x7}, {0x2, 0xB}, {0x4, 0x7}};
    return (collide >= 1 && collide <= 7) ? table[collide] : table[0];
}

// "Collide" of a spawned object: 0 and values outside 1 to 7 take the first entry.
CollisionBits SpawnedCollision(int32_t collide)
{
    static constexpr CollisionBits table[8] = {{0x2, 0x6}, {0x2, 0x4}, {0x2, 0x1}, {0x8, 0xA},
                                               {0x2, 0x5}, {0x2, 0x7}, {0x8, 0xB}, {0x4, 0x7}};
    return (collide >= 1 && collide <= 7) ? table[collide] : table[0];
}

// Dropped pickups: with a life they meet the ground and the movers, without one only the
// ground.
constexpr CollisionBits kDropWithLife{0x2, 0x3};
constexpr CollisionBits kDropWithoutLife{0x8, 0x1};

float FloatProp(const cGlaElement* element, const char* name)
{
    return FiniteOr(element->GetFloatProp(name), 0.0f);
}

// The name of the element a reference property names, or empty.
std::string RefName(const cGlaElement* element, const char* name)
{
    const cGlaElement* target = element->GetRefElement(name);
    return target != nullptr ? target->name : std::string();
}
} // namespace

// ---- dynamic objects ---------------------------------------------------------------------

void cLevel::BuildDynamicObject(cGlaElement* element, float angle, const cVec2f& offset, const std::string& suffix)
{
    if (element == nullptr)
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    object->SetName(element->name + suffix);
    const ElementPlacement place = PlaceElement(element, angle, offset);

    auto* dyn = new cDynamicObject(element);
    object->SetLogicController(dyn);
    dyn->animateForce = FloatProp(element, "AnimateForce");
    dyn->animateMode = element->GetEnumProp("Animate");
    dyn->CreateSceneController(scene);

    if (element->GetBoolProp("Spawner"))
    {
        dyn->spawnerObject = element->GetRefElement("SpawnerObject");
        dyn->spawnerNeedsActivation = element->GetBoolProp("SpawnerActivate");
        dyn->spawnerOnce = element->GetBoolProp("SpawnerOnce");
        dyn->spawnerPlayerBelow = element->GetBoolProp("SpawnerPlayerBelow");
        const int32_t initialGap = ElementIntProp(element, "SpawnerInitGap");
        dyn->spawnerOnFrame = element->GetBoolProp("SpawnerFrame");
        dyn->spawnerGap = ElementIntProp(element, "SpawnerGap");
        dyn->spawnerCounter = dyn->spawnerGap + initialGap;
        dyn->spawnerOn = true; // without a template each spawn makes nothing
    }
    if (element->GetBoolProp("Destroyable"))
    {
        dyn->dropKind = element->GetEnumProp("DestroyableSpawnType");
        dyn->dropCount = ElementIntProp(element, "DestroyableSpawnCount");
        dyn->killerOnly = element->GetBoolProp("DestroyableKillerOnly");
        dyn->byPlayer = element->GetBoolProp("DestroyablePlayer");
        dyn->life = ElementIntProp(element, "DestroyableFrames");
        dyn->fullLife = dyn->life;
        dyn->effectType = element->GetEnumProp("DestroyableType");
        dyn->hitThreshold = FloatProp(element, "DestroyableForce");
        dyn->destroyable = true;
        if (dyn->dropKind == 1 && dyn->dropCount > 0)
            sugarTotal += dyn->dropCount;
    }
    else
        dyn->effectType = element->GetEnumProp("DestroyableType");

    // An event whose reference names nothing has no target: it is left off.
    if (element->GetBoolProp("EventOnDestroyed"))
    {
        const std::string target = RefName(element, "EventObject");
        if (!target.empty())
            dyn->SetDestroyedEvent(target + suffix);
    }
    if (element->GetBoolProp("EventOnActivate"))
    {
        const std::string target = RefName(element, "EventObjectActivate");
        if (!target.empty())
            dyn->SetActivateEvent(target + suffix);
    }
    if (element->GetBoolProp("RotateObject"))
    {
        dyn->rotateDirect = element->GetBoolProp("RotateDirect");
        dyn->rotateOnce = element->GetBoolProp("RotateSingle");
        dyn->rotateAmount = FloatProp(element, "RotateAmount");
        dyn->rotateTimer = 0;
        dyn->rotateWorld = true;
    }
    dyn->sleepFrames = ElementIntProp(element, "SleepFrames");
    dyn->sleeping = dyn->sleepFrames > 0;
    dyn->killer = element->GetBoolProp("Killer");
    dyn->carriesPlayer = element->GetBoolProp("PlayerMoveTo");
    dyn->pushesPlayer = element->GetBoolProp("PlayerAddForce");
    dyn->followsPlayer = element->GetBoolProp("PlayerFollow");
    dyn->playerMove = element->GetBoolProp("PlayerMove");

    objects.Append(object);

    cRigidBodyController* rb = nullptr;
    if (scene != nullptr)
    {
        rb = new cRigidBodyController;
        object->SetRigidBodyController(rb);
        const CollisionBits bits = DynamicCollision(element->GetEnumProp("Collide"));
        if (element->GetBoolProp("StaticObject"))
        {
            if (rb->CreateStaticBody() != nullptr)
            {
                rb->body->SetFixedRotation(true);
                rb->body->ResetMassData();
                rb->SetDamping(1.0f, 0.0f);
                rb->SetUseWorldGravity(false);
            }
        }
        else if (rb->CreateDynamicBody() != nullptr)
        {
            rb->body->SetFixedRotation(element->GetBoolProp("FixedRotation"));
            rb->SetDamping(0.1f, 0.1f);
        }
        AddSceneShapes(rb, scene, bits.category, bits.mask);
    }

    if (element->GetBoolProp("Mover"))
    {
        dyn->forceOnContact = element->GetBoolProp("MoverContact");
        const int32_t initialPause = ElementIntProp(element, "ForceInitPause");
        dyn->pauseFrames = ElementIntProp(element, "ForcePause");
        dyn->pushFrames = ElementIntProp(element, "ForceFrames");
        dyn->pushLeft = dyn->pushFrames;
        dyn->pauseLeft = initialPause + dyn->pauseFrames;
        dyn->force = cVec2f(FloatProp(element, "ForceX"), FloatProp(element, "ForceY"));
        dyn->forceOn = true;
    }
    else if (element->GetBoolProp("PathObject"))
    {
        const float speedIncrease = FloatProp(element, "PathSpeedInc");
        const float startPosition = FloatProp(element, "PathPosition");
        const float speed = FloatProp(element, "PathSpeed");
        dyn->SetPath(element->GetEnumProp("PathType"), element->GetPathProp("Path"), speed, startPosition,
                     speedIncrease);
    }

    if (element->GetBoolProp("ActivateOnEvent") && dyn->active)
    {
        dyn->active = false;
        if (rb != nullptr)
            rb->SetBodyActive(false);
    }

    if (rb != nullptr)
        ScaleBodyMass(rb->body, element->GetFloatProp("Mass"), element->GetFloatProp("MassRotation"));
    PlaceObject(object, place.position * kPixelsToMetres, place.rotation);
    dyn->limitXValue = object->position.x;
    dyn->limitYValue = object->position.y;
    if (element->GetBoolProp("LimitXAxis"))
        dyn->limitX = true;
    if (element->GetBoolProp("LimitYAxis"))
        dyn->limitY = true;
}

// ---- spawned objects ---------------------------------------------------------------------

void cLevel::MakeSpawnedObject(cGlaElement* element, float angle, std::string suffix, float forceAngle, bool gravity,
                               const cVec2f& position)
{
    if (element == nullptr)
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    const cVec2f at(position.x + FloatProp(element, "OffsetX"), position.y + FloatProp(element, "OffsetY"));
    object->SetName(element->name + suffix);
    auto* spawned = new cSpawnedObject(element);
    object->SetLogicController(spawned);
    spawned->CreateSceneController(scene); // played looped

    if (element->GetBoolProp("Mover"))
    {
        const int32_t initialPause = ElementIntProp(element, "ForceInitPause");
        const int32_t pause = ElementIntProp(element, "ForcePause");
        const int32_t frames = ElementIntProp(element, "ForceFrames");
        cVec2f force(FloatProp(element, "ForceX"), FloatProp(element, "ForceY"));
        force.Rotate(FiniteOr(forceAngle, 0.0f));
        spawned->forceOn = true;
        spawned->force = force;
        spawned->pushFrames = frames;
        spawned->pauseFrames = pause;
        spawned->pushLeft = frames;
        spawned->pauseLeft = initialPause + pause;
    }
    if (element->GetBoolProp("EventOnDestroyed"))
    {
        spawned->destroyedEvent = true;
        spawned->destroyedTarget = RefName(element, "EventObject");
    }
    if (!element->GetBoolProp("Gravity"))
        gravity = false;
    if (element->GetBoolProp("Sugar"))
        spawned->carriesSugar = true;
    spawned->killer = element->GetBoolProp("Killer");
    spawned->dieOnContact = element->GetBoolProp("DieOnContact");
    spawned->hitsToDie = ElementIntProp(element, "DeathFrames");
    spawned->effectType = element->GetEnumProp("ObjectType");
    PlayObjectTypeSound(element->GetEnumProp("ObjectType"), at.x * kPixelsToMetres, at.y * kPixelsToMetres);
    spawned->turnToDirection = element->GetBoolProp("RotToDir");
    objects.Append(object);

    if (scene != nullptr)
    {
        auto* rb = new cRigidBodyController;
        object->SetRigidBodyController(rb);
        const CollisionBits bits = SpawnedCollision(element->GetEnumProp("Collide"));
        if (element->GetBoolProp("StaticObject"))
        {
            if (rb->CreateStaticBody() != nullptr)
            {
                rb->body->SetFixedRotation(true);
                rb->body->ResetMassData();
                rb->SetDamping(1.0f, 0.0f);
                rb->SetUseWorldGravity(false);
            }
        }
        else if (rb->CreateDynamicBody() != nullptr)
        {
            rb->body->SetFixedRotation(element->GetBoolProp("FixedRotation"));
            rb->body->ResetMassData();
            rb->SetDamping(0.1f, 0.1f);
            rb->SetUseWorldGravity(gravity);
            if (!gravity)
                rb->body->SetBullet(true);
        }
        AddSceneShapes(rb, scene, bits.category, bits.mask);
        ScaleBodyMass(rb->body, element->GetFloatProp("Mass"), element->GetFloatProp("MassRotation"));
    }
    PlaceObject(object, at * kPixelsToMetres, angle);
    spawned->limitXValue = object->position.x;
    spawned->limitYValue = object->position.y;
    if (element->GetBoolProp("LimitXAxis"))
        spawned->limitX = true;
    if (element->GetBoolProp("LimitYAxis"))
        spawned->limitY = true;
    spawned->lifeLeft = ElementIntProp(element, "Life");
}

void cLevel::BuildSpawnedObject(cGlaElement* templateElement, float angle, float forceAngle, const cVec2f& position)
{
    MakeSpawnedObject(templateElement, angle, std::string(), forceAngle, true, position);
}

// ---- dropped pickups -----------------------------------------------------------------------

void cLevel::DropPickup(int kind, const cVec2f& position)
{
    // Templates are kept as kind 1, kind 6, then kinds 2 to 5; any other kind has none.
    if (kind < 1 || kind > 6)
        return;
    cGlaElement* element = kind == 1 ? pickupTemplates[0] : kind == 6 ? pickupTemplates[1] : pickupTemplates[size_t(kind)];
    if (element == nullptr)
        return;
    if (kind >= 2 && kind <= 5)
    {
        if (levelIndex == 9)
            PlayOnNextWorldVoice(dropKeySoundsA, 1.0f);
        else if (levelIndex == 18)
            PlayOnNextWorldVoice(dropKeySoundsB, 1.0f);
    }

    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    auto* pickup = new cPickupObject(element);
    object->SetLogicController(pickup);
    pickup->CreateSceneController(scene); // played looped
    pickups.Append(object);

    // A dropped pickup's life counts down on its remove timer.
    const int32_t life = ElementIntProp(element, "Life");
    if (life > 0)
        pickup->removeTimer = life;

    if (scene != nullptr)
    {
        auto* rb = new cRigidBodyController;
        object->SetRigidBodyController(rb);
        const CollisionBits bits = life > 0 ? kDropWithLife : kDropWithoutLife;
        if (rb->CreateDynamicBody() != nullptr)
        {
            rb->body->SetFixedRotation(true);
            rb->body->ResetMassData();
            rb->SetDamping(0.1f, 0.1f);
        }
        PolygonArea* area = nullptr;
        AddSceneShapes(rb, scene, bits.category, bits.mask, &area);
        if (area != nullptr)
            pickup->SetArea(area);
    }
    PlaceObject(object, position, 0.0f);
}
