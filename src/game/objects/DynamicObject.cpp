#include "game/objects/DynamicObject.h"

#include <box2d/box2d.h>

#include <cmath>
#include <cstdlib>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/objects/GameObj.h"
#include "game/objects/MoverObject.h"
#include "game/objects/ObjectEffects.h"
#include "game/objects/ObjectLevel.h"
#include "game/objects/ObjectSounds.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/RigidBodyController.h"

namespace
{
// Follow speed: 12 pixels a frame.
constexpr float kFollowStep = 0.375f;
// How close (metres) the player must be in x for a "player below" spawner to count.
constexpr float kBelowReach = 20.0f / 32.0f;
// Longest activation chain followed (a chain is finite anyway: each link wakes an object).
constexpr int kMaxActivationChain = 100000;
} // namespace

bool ActivateDynamicByName(cObjectLevel* level, const std::string& name)
{
    if (level == nullptr)
        return false;
    cDynamicObject* target = cDynamicObject::Of(level->FindObjectByName(name));
    if (target == nullptr)
        return false;
    target->Activate();
    return true;
}

cDynamicObject* cDynamicObject::Of(const cGameObj* object)
{
    if (object == nullptr)
        return nullptr;
    return ClassCast<cDynamicObject>(object->GetLogicController());
}

cDynamicObject::cDynamicObject(cGlaElement* element)
{
    depth = ElementIntProp(element, "Depth");
    life = 1;
    fullLife = 0;
    pathMoving = true;
    active = true;
}

cDynamicObject::~cDynamicObject() { delete sceneController; }

cObjectLevel* cDynamicObject::Level() const { return ObjectLevelOf(owner); }

cRigidBodyController* cDynamicObject::Body() const
{
    return owner != nullptr ? owner->GetRigidBodyController() : nullptr;
}

cVec2f cDynamicObject::Pixels() const { return owner != nullptr ? owner->position * 32.0f : cVec2f(); }

cVec2f cDynamicObject::BodyVelocity() const
{
    const cRigidBodyController* rb = Body();
    return rb != nullptr ? rb->velocity : cVec2f();
}

cGlaControllerScene* cDynamicObject::CreateSceneController(cGlaScene* scene)
{
    delete sceneController;
    sceneController = new cGlaControllerScene(scene);
    if (animateMode == 0)
        sceneController->Play(true, 1);
    else if (animateMode == 3 || animateMode == 4)
    {
        sceneController->SetFrame(0);
        sceneController->Play(false, 1);
    }
    return sceneController;
}

void cDynamicObject::SetPath(int32_t type, cGlaElementPath* newPath, float speed, float startPosition,
                             float speedIncrease)
{
    pathOn = true;
    pathSpeed = FiniteOr(speed, 0.0f);
    path = newPath;
    pathType = type;
    if (type == 4)
        pathMoving = false;
    if (path != nullptr)
    {
        // A path without length gives no step (a division by it would be NaN).
        pathStep = PathStepFor(pathSpeed, path->path.totalLength);
        pathStepIncrease = PathStepFor(FiniteOr(speedIncrease, 0.0f), path->path.totalLength);
        closed = path->path.closed != 0;
    }
    pathPosition = FiniteOr(startPosition, 0.0f);
    const cRigidBodyController* rb = Body();
    bodyFixed = rb != nullptr && rb->GetBody() != nullptr && rb->GetBody()->GetType() == b2_staticBody;
}

void cDynamicObject::SetActivateEvent(const std::string& name)
{
    activateEvent = true;
    activateTarget = name;
}

void cDynamicObject::SetDestroyedEvent(const std::string& name)
{
    destroyedEvent = true;
    destroyedTarget = name;
}

void cDynamicObject::Trigger()
{
    if (destroyable)
        life = 0;
    else if (rotateWorld)
        rotateTimer = rotateOnce ? 32767 : 60;
    else if (spawnerNeedsActivation)
    {
        spawnerOn = true;
        if (sceneController != nullptr)
            sceneController->SetFrame(0);
    }
}

void cDynamicObject::Activate()
{
    cDynamicObject* object = this;
    for (int link = 0; link < kMaxActivationChain && object != nullptr; ++link)
    {
        if (object->active)
        {
            object->Trigger();
            return;
        }
        object->active = true;
        // Enabling a body inside the world step would abort Box2D: the controller defers it.
        if (cRigidBodyController* rb = object->Body())
            rb->SetBodyActive(true);
        if (!object->activateEvent)
            return;
        cObjectLevel* level = object->Level();
        object = level != nullptr ? Of(level->FindObjectByName(object->activateTarget)) : nullptr;
    }
}

void cDynamicObject::OnContact(float impact, bool otherIsPlayer, bool otherIsKiller, const cVec2f& point)
{
    cObjectLevel* level = Level();
    if (rotateWorld)
    {
        if (!otherIsPlayer || rotateTimer > 0)
            return;
        if (activateEvent)
            ActivateDynamicByName(level, activateTarget);
        if (level != nullptr)
            level->SetWorldAngle(rotateAmount, rotateDirect);
        rotateTimer = rotateOnce ? 32767 : 60;
        return;
    }

    if (motorStart && !otherIsPlayer && jointKind == 1)
    {
        if (b2RevoluteJoint* motor = LiveMotorJoint())
            motor->SetMotorSpeed(motorSpeed);
    }

    if (destroyable && level != nullptr && level->frameCounter != lastHitFrame)
    {
        lastHitFrame = level->frameCounter;
        bool counts = otherIsPlayer ? byPlayer : !byPlayer;
        if (killerOnly && !otherIsKiller)
            counts = false;
        if (counts && impact >= hitThreshold)
        {
            life -= 1;
            SpawnContactEffect(*level, effectType, Pixels());
            if (animateMode == 7 && sceneController != nullptr)
                sceneController->SetFrame(sceneController->GetFrameCount() - life - 1);
        }
    }

    if (forceOnContact && pauseLeft == 0 && pushLeft <= 0)
        pushLeft = pushFrames;

    if (animateMode != 7 && (!spawnerNeedsActivation || spawnerOn) && sceneController != nullptr)
    {
        const bool hardEnough = animateForce < impact && !sceneController->playing;
        if ((animateMode == 1 && hardEnough) || (animateMode == 2 && hardEnough && !otherIsPlayer))
        {
            sceneController->SetFrame(0);
            sceneController->Play(false, 1);
        }
    }

    if (level != nullptr)
        SpawnHitEffect(*level, effectType, point * 32.0f, impact);
}

void cDynamicObject::MoveTo(const cVec2f& metres)
{
    if (owner != nullptr && std::isfinite(metres.x) && std::isfinite(metres.y))
        owner->SetPosition(metres);
}

void cDynamicObject::DestroyNow(cObjectLevel* level)
{
    if (dropKind > 0)
    {
        for (int32_t i = 0; i < dropCount; ++i)
            level->DropPickup(dropKind, owner->position);
        dropKind = 0;
    }
    SpawnBurstEffect(*level, effectType, Pixels(), BodyVelocity());
    if (pathOn && pathType == 4 && !forceOn)
    {
        // A path object of type 4 sets off when destroyed and stays active (its burst
        // repeats every frame).
        pathMoving = true;
        return;
    }
    if (destroyedEvent)
    {
        destroyedEvent = false;
        ActivateDynamicByName(level, destroyedTarget);
    }
    if (cRigidBodyController* rb = Body())
        rb->SetBodyActive(false);
    active = false;
}

void cDynamicObject::ApplyPathPosition(cObjectLevel* level)
{
    cRigidBodyController* rb = Body();
    b2Body* body = rb != nullptr ? rb->GetBody() : nullptr;
    const cVec2f point = path->GetPointAt(pathPosition) * (1.0f / 32.0f);
    if (!bodyFixed && body != nullptr)
    {
        if (!placed)
        {
            placed = true;
            MoveTo(point);
            if (level != nullptr && level->groundBody != nullptr && level->world != nullptr && body != level->groundBody)
            {
                b2MouseJointDef def;
                def.bodyA = level->groundBody;
                def.bodyB = body;
                def.target.Set(point.x, point.y);
                def.maxForce = body->GetMass() * 300.0f;
                b2LinearStiffness(def.stiffness, def.damping, 15.0f, 1.0f, def.bodyA, def.bodyB);
                def.collideConnected = false;
                mouseJoint = static_cast<b2MouseJoint*>(level->world->CreateJoint(&def));
            }
        }
        if (mouseJoint != nullptr)
            mouseJoint->SetTarget(b2Vec2(point.x, point.y));
        else
            MoveTo(point);
        body->SetAwake(true);
    }
    else
    {
        placed = true;
        const cVec2f before = owner->position;
        MoveTo(point);
        if (body != nullptr && body->GetType() != b2_staticBody)
        {
            const cVec2f moved = owner->position - before;
            body->SetLinearVelocity(b2Vec2(moved.x, moved.y));
        }
    }

    const bool pastEnd = (pathStep > 0.0f && pathPosition >= 1.0f) || (pathStep < 0.0f && pathPosition <= 0.0f);
    if (!pastEnd)
        return;
    const bool forward = pathStep > 0.0f;
    if (closed)
        pathPosition += forward ? -1.0f : 1.0f;
    else if (pathType == 1)
    {
        pathStep = -pathStep;
        pathPosition = forward ? 1.0f : 0.0f;
    }
    else if (pathType == 2)
    {
        pathPosition = forward ? 0.0f : 1.0f;
        MoveTo(path->GetPointAt(pathPosition) * (1.0f / 32.0f));
    }
    else
        path = nullptr;
}

void cDynamicObject::StepPath(cObjectLevel* level)
{
    if (!pathOn || path == nullptr)
        return;
    if (pathStep > 0.0f)
        pathStep += pathStepIncrease;
    else if (pathStep < 0.0f)
        pathStep -= pathStepIncrease;
    const uint32_t zone = level != nullptr ? level->PlayerZoneFlags() : 0;
    if (playerMove)
    {
        if ((zone & kObjectZoneMove) == 0 && (placed || bodyFixed))
            return; // nothing moves this frame
        pathPosition += pathStep;
    }
    else if (pathMoving)
        pathPosition += pathStep;
    ApplyPathPosition(level);
}

b2RevoluteJoint* cDynamicObject::LiveMotorJoint()
{
    if (joint == nullptr)
        return nullptr;
    // Box2D frees a joint with the body at either end (a pickup or a spawned object
    // removed from the level), and this object's body is one of them: the joint is there
    // only while it is still on this body's list. Once gone it is forgotten.
    const cRigidBodyController* rb = Body();
    const b2Body* body = rb != nullptr ? rb->GetBody() : nullptr;
    for (const b2JointEdge* edge = body != nullptr ? body->GetJointList() : nullptr; edge != nullptr;
         edge = edge->next)
    {
        if (edge->joint == joint)
            return joint->GetType() == e_revoluteJoint ? static_cast<b2RevoluteJoint*>(joint) : nullptr;
    }
    joint = nullptr;
    return nullptr;
}

float cDynamicObject::HitJointedObjects()
{
    const cRigidBodyController* rb = Body();
    b2Body* body = rb != nullptr ? rb->GetBody() : nullptr;
    if (body == nullptr)
        return 0.0f;
    float angle = 0.0f;
    for (b2JointEdge* edge = body->GetJointList(); edge != nullptr; edge = edge->next)
    {
        b2Joint* j = edge->joint;
        // A stand-in (the revolute piece of a line joint) is no hinge of the object's.
        if (j->GetType() != e_revoluteJoint || IsStandInJoint(j) || !j->GetBodyA()->IsEnabled() ||
            !j->GetBodyB()->IsEnabled())
            continue;
        const auto* revolute = static_cast<const b2RevoluteJoint*>(j);
        angle = j->GetBodyB()->GetAngle() - j->GetBodyA()->GetAngle() - revolute->GetReferenceAngle();
        for (b2Body* side : {j->GetBodyA(), j->GetBodyB()})
        {
            const cRigidBodyController* other = ControllerOfBody(side);
            if (cDynamicObject* dyn = other != nullptr ? Of(other->GetOwner()) : nullptr)
                dyn->OnContact(1.1f, false, false, cVec2f());
        }
    }
    return angle;
}

void cDynamicObject::Spawn(cObjectLevel* level, bool withParticle)
{
    const float d = HitJointedObjects();
    const cVec2f at = Pixels();
    // Without a template there is nothing to build (the rest of the spawn still happens).
    if (spawnerObject != nullptr)
        level->BuildSpawnedObject(spawnerObject, -d, -d, at);
    if (spawnerOnce)
        spawnerOn = false;
    if (!withParticle || d == 0.0f || level->particles == nullptr)
        return;
    const ImageRect* image = RandomVectorElement(level->effectImages);
    if (image == nullptr)
        return;
    cParticle* p = AllocParticle(*level->particles);
    if (p == nullptr)
        return;
    cVec2f velocity(0.0f, -26.0f);
    velocity.Rotate(d);
    p->velocity = velocity;
    p->image = image;
    p->position = at;
    p->size = 1.0f;
    p->angle = RandomFloatRange(0.0f, kTwoPi);
    p->layerOffset = 3600;
    p->damping = 0.95f;
    p->lifeRate = 0.1f;
    p->sizeStart = 0.0f;
    p->sizeEnd = 5.0f;
    p->spin = RandomFloatRange(0.0f, 0.02f);
    PrepareParticle(*p, kParticleSizeIsScale);
}

void cDynamicObject::StepSpawner(cObjectLevel* level)
{
    if (!spawnerOn)
        return;
    if (spawnerOnFrame)
    {
        if (sceneController != nullptr && sceneController->frame == spawnerGap)
        {
            spawnerCounter = spawnerGap;
            Spawn(level, true);
        }
        return;
    }
    bool counts = true;
    if (spawnerPlayerBelow)
    {
        cVec2f player;
        counts = level->PlayerPosition(player) && std::fabs(player.x - owner->position.x) < kBelowReach;
    }
    if (!counts)
        return;
    spawnerCounter -= 1;
    if (spawnerCounter == 0)
    {
        spawnerCounter = spawnerGap;
        Spawn(level, false);
    }
}

void cDynamicObject::Update(float dt)
{
    (void)dt;
    cObjectLevel* level = Level();
    if (owner == nullptr || level == nullptr)
        return;
    const uint32_t zone = level->PlayerZoneFlags();

    if (!active)
    {
        if (sleeping)
        {
            if (!playerMove || (zone & kObjectZoneMove) != 0)
                sleepFrames -= 1;
            if (sleepFrames <= 0)
            {
                sleeping = false;
                Activate();
            }
        }
        return;
    }

    if (rotateWorld)
    {
        rotateTimer -= 1;
        if (sceneController != nullptr)
            sceneController->SetFrame(rotateTimer <= 0 ? 1 : 0);
    }

    if (animateMode == 6 && sceneController != nullptr && !sceneController->playing &&
        (zone & kObjectZoneNoJump) != 0 && level->PlayerStateValue() == 3)
    {
        sceneController->SetFrame(0);
        sceneController->Play(false, 1);
    }

    TickScene(sceneController);

    if (effectType == 30 && sceneController != nullptr && sceneController->frame == 19)
        PlayPositionalSound(*level, owner->position);

    if (destroyable && life <= 0)
    {
        DestroyNow(level);
        if (!active)
            return;
    }
    if (destroyable && owner->position.y > 128.0f)
        life = 0;

    if ((animateMode == 3 || animateMode == 4) && sceneController != nullptr && !sceneController->playing)
    {
        if (animationTimer == 0)
            animationTimer = animateMode == 3 ? 30 + RandomStep() % 90 : RandomIntRange(120, 450);
        else
        {
            animationTimer -= 1;
            if (animationTimer <= 0)
            {
                animationTimer = 0;
                sceneController->SetFrame(0);
                sceneController->Play(false, 1);
            }
        }
    }

    if (limitX)
        MoveTo(cVec2f(limitXValue, owner->position.y));
    if (limitY)
        MoveTo(cVec2f(owner->position.x, limitYValue));

    if (forceOn)
    {
        if (pauseLeft > 0)
        {
            pauseLeft -= 1;
            if (pauseLeft == 0 && !forceOnContact)
            {
                pushLeft = pushFrames;
                if (effectType == 15)
                    PlayPositionalSound2(*level, owner->position);
            }
        }
        else if (pushLeft > 0)
        {
            pushLeft -= 1;
            cRigidBodyController* rb = Body();
            if (b2Body* body = rb != nullptr ? rb->GetBody() : nullptr)
                body->ApplyForce(b2Vec2(force.x, force.y), b2Vec2(owner->position.x, owner->position.y), true);
            if (pushLeft == 0)
                pauseLeft = pauseFrames;
        }
    }
    else
        StepPath(level);

    if (followsPlayer)
    {
        cVec2f target = owner->position;
        cVec2f player;
        if ((zone & kObjectZoneFollow) != 0 && level->PlayerPosition(player))
        {
            if (animateMode == 5 && sceneController != nullptr && !sceneController->playing)
            {
                sceneController->SetFrame(0);
                sceneController->Play(false, 1);
            }
            if (!limitX)
                target.x = player.x;
            if (!limitY)
                target.y = player.y;
        }
        const cVec2f delta = target - owner->position;
        const float distance = delta.Length();
        // Within one step it arrives; a zero distance is never divided by.
        if (distance > kFollowStep)
            MoveTo(owner->position + delta * (kFollowStep / distance));
        else
            MoveTo(target);
    }

    StepSpawner(level);

    if (destroyable && life < fullLife && effectType == 14 && sceneController != nullptr)
    {
        cRect2f bounds;
        sceneController->GetBounds(bounds);
        cVec2f at = Pixels();
        if (bounds.minX <= bounds.maxX && bounds.minY <= bounds.maxY)
        {
            cVec2f local(RandomFloatRange(bounds.minX, bounds.maxX), RandomFloatRange(bounds.minY, bounds.maxY));
            local.Rotate(owner->angle);
            at += local;
        }
        SpawnDamageSmoke(*level, at, fullLife - life);
    }

    ObjectAmbientEffect(*level, effectType, Pixels());
}

bool cDynamicObject::DrawSpring(cGfx2D& gfx, cObjectLevel* level)
{
    cGlaControllerSprite* spring = FindSpriteController(sceneController, "spring");
    const cRigidBodyController* rb = Body();
    b2Body* body = rb != nullptr ? rb->GetBody() : nullptr;
    if (spring == nullptr || body == nullptr)
        return false;
    b2Vec2 ends[2];
    int found = 0;
    for (b2JointEdge* edge = body->GetJointList(); edge != nullptr && found < 2; edge = edge->next)
    {
        b2Joint* j = edge->joint;
        // The first joint of another kind ends the search; so does a stand-in, which counts
        // as the line joint or pulley it belongs to.
        if ((j->GetType() != e_revoluteJoint && j->GetType() != e_distanceJoint) || IsStandInJoint(j))
            break;
        ends[found++] = j->GetBodyA() == body ? j->GetAnchorA() : j->GetAnchorB();
    }
    if (found < 2)
    {
        spring->scale = cVec2f(1.0f, 1.0f);
        return false;
    }
    const float width = spring->image != nullptr ? static_cast<float>(spring->image->h) : 0.0f;
    const cVec2f a(ends[0].x, ends[0].y);
    const cVec2f b(ends[1].x, ends[1].y);
    if (level != nullptr)
        PlaySpringSound(*level, width, owner->position, b - a);
    spring->visible = false;
    if (spring->image != nullptr)
        gfx.DrawThickLine(spring->image, a * 32.0f, b * 32.0f, width);
    return true;
}

void cDynamicObject::Draw(cGfx2D* gfx)
{
    if (!active || gfx == nullptr || owner == nullptr || sceneController == nullptr)
        return;
    cObjectLevel* level = Level();
    const cVec2f at = Pixels();
    if (level != nullptr)
    {
        cRect2f bounds;
        sceneController->GetBounds(bounds);
        if (bounds.minX <= bounds.maxX && bounds.minY <= bounds.maxY)
        {
            cOrientedBox box = cOrientedBox::FromRect(bounds);
            box.centre.Rotate(owner->angle);
            box.centre += at;
            box.axisX.Rotate(owner->angle);
            box.axisY.Rotate(owner->angle);
            if (!OrientedBoxesOverlap(box, level->viewBox))
                return;
        }
    }
    if (effectType == 6 && level != nullptr && level->PerformanceMode() > 1)
    {
        gfx->PushLayer();
        gfx->AddLayer(depth);
        DrawSpring(*gfx, level);
        gfx->PopLayer();
    }
    DrawSceneAtObject(*gfx, sceneController, owner, owner->angle, depth);
}
