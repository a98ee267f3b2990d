// The player's life cycle, controls, zones and physics; its states, particles and
// drawing are in DorvoStates.cpp.
#include "game/objects/Dorvo.h"

#include <box2d/box2d.h>

#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "game/objects/DorvoGround.h"
#include "game/objects/DorvoLevel.h"
#include "game/objects/GameObj.h"
#include "game/objects/RayProbe.h"
#include "game/objects/RigidBodyController.h"

namespace
{
cVec2f Rotated(cVec2f v, float a)
{
    v.Rotate(a);
    return v;
}

bool IsFinite(const cVec2f& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// An angle brought into (-pi, pi]: -pi itself becomes pi.
float NormaliseHalfOpen(float a)
{
    a = NormaliseAngle(a);
    if (a <= -kPi)
        a = kPi;
    return a;
}
} // namespace

cDorvoLevel* DorvoLevelOf(const cGameObj* object)
{
    if (object == nullptr)
        return nullptr;
    return dynamic_cast<cDorvoLevel*>(object->GetLevel());
}

cDorvo::cDorvo() { states.SetOwner(this); }

cDorvo::~cDorvo()
{
    DeleteScenes();
    states.FreeStack();
}

void cDorvo::DeleteScenes()
{
    currentSprite = nullptr;
    delete sceneRight;
    delete sceneLeft;
    delete sceneAppear;
    delete sceneStart;
    sceneRight = sceneLeft = sceneAppear = sceneStart = nullptr;
}

bool cDorvo::SetUpBody(cRigidBodyController* controller)
{
    if (controller == nullptr || controller->GetBody() == nullptr)
        return false;
    b2Body* body = controller->GetBody();
    body->SetFixedRotation(false);
    const cVec2f centre;
    controller->AddCircleFixture(&centre, kRadius, kFriction, kRestitution, kCategory, kMask);
    controller->SetDamping(kDamping, kDamping);
    controller->SetUseWorldGravity(false);
    controller->SetGravity(cVec2f(0.0f, 20.0f));
    return true;
}

// ---- body access -------------------------------------------------------------------------

b2Body* cDorvo::GetBody() const
{
    if (owner == nullptr || owner->GetRigidBodyController() == nullptr)
        return nullptr;
    return owner->GetRigidBodyController()->GetBody();
}

void cDorvo::ApplyForce(const cVec2f& force)
{
    b2Body* body = GetBody();
    if (body == nullptr || owner == nullptr || !IsFinite(force))
        return;
    body->ApplyForce(b2Vec2(force.x, force.y), b2Vec2(owner->position.x, owner->position.y), true);
}

cVec2f cDorvo::BodyVelocity() const
{
    b2Body* body = GetBody();
    if (body == nullptr)
        return {};
    const b2Vec2& v = body->GetLinearVelocity();
    return {v.x, v.y};
}

cVec2f cDorvo::LastVelocity() const
{
    if (owner == nullptr || owner->GetRigidBodyController() == nullptr)
        return {};
    return owner->GetRigidBodyController()->velocity;
}

void cDorvo::SetBodyVelocity(const cVec2f& v)
{
    b2Body* body = GetBody();
    if (body == nullptr || !IsFinite(v))
        return;
    body->SetLinearVelocity(b2Vec2(v.x, v.y));
}

void cDorvo::SetBodyActive(bool active)
{
    if (owner != nullptr && owner->GetRigidBodyController() != nullptr)
        owner->GetRigidBodyController()->SetBodyActive(active);
}

// ---- life cycle --------------------------------------------------------------------------

void cDorvo::StartScene(cGlaControllerScene* scene, bool loop)
{
    if (scene == nullptr)
        return;
    scene->SetFrame(0);
    scene->Play(loop, 1);
}

void cDorvo::Start()
{
    tilt = 0.0f;
    displayAngle = 0.0f;
    controlAllowed = 1;
    jumpRepeat = 0;
    tiltMisses = 0;

    DeleteScenes();
    const cDorvoLevel* level = DorvoLevelOf(owner);
    auto make = [level](int which) {
        return new cGlaControllerScene(level != nullptr ? level->PlayerScene(which) : nullptr);
    };
    sceneRight = make(cDorvoLevel::kSceneRight);
    sceneLeft = make(cDorvoLevel::kSceneLeft);
    sceneAppear = make(cDorvoLevel::kSceneAppear);
    sceneStart = make(cDorvoLevel::kSceneStart);
    StartScene(sceneRight, true);
    StartScene(sceneLeft, true);
    currentSprite = sceneRight;

    states.SetPendingState(&cDorvo::StateAppear, 0);
    jumpFuel = 1.0f;
    moved = 0;
    onPlatform = 0;
    enabled = 1;
    zoneFlags = 0;
    gravity = cVec2f(0.0f, 20.0f);
    angle = 0.0f;
}

void cDorvo::Update(float dt)
{
    (void)dt;
    if (enabled)
        states.Update();
}

// ---- controls ----------------------------------------------------------------------------

void cDorvo::LeaveWaitingPhase()
{
    if (phase != kDorvoWaiting)
        return;
    phase = kDorvoStarted;
    StartScene(sceneStart, false);
}

void cDorvo::Move(float axis)
{
    if (controlAllowed == 0)
        return;
    LeaveWaitingPhase();
    if (!(axis > 0.0f) && !(axis < 0.0f))
        return; // no push (and NaN pushes nowhere)

    const cVec2f f = Rotated(cVec2f(10.0f * axis, 0.0f), tilt);
    const cVec2f v = Rotated(BodyVelocity(), -angle);

    float rightCap = 8.0f;
    float leftCap = -8.0f;
    if (zoneFlags & kZonePushRight)
    {
        rightCap = 16.0f;
        leftCap = -6.0f;
    }
    else if (zoneFlags & kZonePushLeft)
    {
        rightCap = 6.0f;
        leftCap = -16.0f;
    }

    if (axis > 0.0f)
    {
        if (!(f.x > 0.0f && v.x < rightCap))
            return;
        currentSprite = sceneRight;
    }
    else
    {
        if (!(f.x < 0.0f && v.x > leftCap))
            return;
        currentSprite = sceneLeft;
    }
    moved = 1;
    ApplyForce(Rotated(f, angle));
}

void cDorvo::Jump()
{
    jumpRepeat = jumpRepeat <= 0 ? 3 : 2;
    if (controlAllowed == 0 || (zoneFlags & kZoneNoJump) != 0)
        return;
    LeaveWaitingPhase();
    jumped = 1;
    if (jumpFuel <= 0.0f)
        return;
    const cVec2f v = Rotated(BodyVelocity(), angle);
    if (cDorvoLevel* level = DorvoLevelOf(owner))
        level->OnPlayerJumpInput();
    if (v.y > -10.0f)
        ApplyForce(Rotated(cVec2f(0.0f, -40.0f), angle));
}

// ---- zones, contacts, world angle ----------------------------------------------------------

void cDorvo::ApplyTriggerZone(int32_t zoneType)
{
    if (owner == nullptr)
        return;
    const cVec2f v = LastVelocity();
    switch (zoneType)
    {
    case 1:
        refY = owner->position.y;
        zoneFlags |= kZoneLift;
        if (v.y > -10.0f)
            ApplyForce(cVec2f(0.0f, -32.0f));
        break;
    case 10:
        refY = owner->position.y;
        zoneFlags |= kZoneStrongLift;
        ApplyForce(cVec2f(0.0f, -128.0f));
        break;
    case 7:
        zoneFlags |= kZonePushRight;
        if (v.x < 10.0f)
            ApplyForce(cVec2f(14.0f, 0.0f));
        break;
    case 8:
        zoneFlags |= kZonePushLeft;
        if (v.x > -10.0f)
            ApplyForce(cVec2f(-14.0f, 0.0f));
        break;
    case 11:
        zoneFlags |= kZoneLevelA;
        break;
    case 12:
        zoneFlags |= kZoneLevelB;
        break;
    case 14:
        zoneFlags |= kZoneNoJump;
        break;
    default:
        break;
    }
}

void cDorvo::BoostOnBouncyContact(float restitution)
{
    if (!(restitution >= 1.0f) || !std::isfinite(restitution))
        return;
    const cVec2f v = LastVelocity();
    const float length = v.Length();
    // A player at rest has no direction to be thrown back along: it keeps still rather
    // than taking a force of no defined direction.
    if (!(length > 1e-6f) || !std::isfinite(length))
        return;
    const cVec2f d = v * (1.0f / length);
    SetBodyVelocity(cVec2f());
    ApplyForce(d * (512.0f * restitution));
}

void cDorvo::AddAngleDegrees(float degrees)
{
    if (!std::isfinite(degrees))
        return;
    const float a = static_cast<float>(degrees * 0.017453293);
    gravity.Rotate(a);
    angle = NormaliseHalfOpen(angle + a);
    if (angle - displayAngle > kPi)
        displayAngle += kTwoPi;
    else if (angle - displayAngle < -kPi)
        displayAngle -= kTwoPi;
}

// ---- physics -------------------------------------------------------------------------------

float cDorvo::GroundSpring(float distance)
{
    float spring = 25.6f - 16.0f * distance;
    ClampFloat(spring, 0.0f, 25.6f);
    return spring;
}

void cDorvo::ProbeAndMove()
{
    b2Body* body = GetBody();
    if (owner == nullptr || body == nullptr)
        return;
    if (cRigidBodyController* rb = owner->GetRigidBodyController())
        rb->SetGravity(gravity);

    const float probeAngle = angle + tilt;
    ApplyForce(Rotated(cVec2f(0.0f, -10.0f), probeAngle));

    const cVec2f p = owner->position;
    const cVec2f end = p + Rotated(cVec2f(0.0f, kProbeLength), angle);
    cRayTraceCallback ray(kProbeCategories, kProbeMasks);
    b2World* world = body->GetWorld();
    if (IsFinite(p) && IsFinite(end) && (end - p).LengthSquared() > 0.0f)
        world->RayCast(&ray, b2Vec2(p.x, p.y), b2Vec2(end.x, end.y));

    bool carried = false;
    if (ray.fixture != nullptr)
    {
        const cVec2f h(ray.point.x, ray.point.y);
        const float d = (h - p).Length();

        const float spring = GroundSpring(d);
        ApplyForce(Rotated(cVec2f(0.0f, -spring), probeAngle));

        refY = p.y;
        jumpFuel += 0.0225f;
        if (!jumped)
            jumpFuel += 0.225f;

        const cVec2f v = Rotated(BodyVelocity(), angle);
        if (d < 1.0f && moved == 0 && ray.fixture->GetFriction() > 0.0f)
            SetBodyVelocity(Rotated(cVec2f(0.95f * v.x, v.y), -angle));

        const cVec2f g = Rotated(cVec2f(0.0f, 64.0f), angle);
        b2Body* groundBody = ray.fixture->GetBody();
        const DorvoGround ground = ReadDorvoGround(groundBody);
        if (ground.dynamic && v.y > -16.0f)
        {
            if (!ground.killer)
            {
                if (ground.push)
                    groundBody->ApplyForce(b2Vec2(g.x, g.y), b2Vec2(p.x, p.y), true);
                if (ground.carry && ground.object != nullptr)
                {
                    const cVec2f platform = ground.object->position;
                    if (onPlatform && platformName == ground.object->GetName())
                    {
                        const cVec2f delta = platform - platformPosition;
                        const cVec2f along = Rotated(cVec2f(Rotated(delta, angle).x, 0.0f), -angle);
                        if (IsFinite(along))
                            owner->SetPosition(owner->position + along);
                    }
                    onPlatform = 1;
                    platformName = ground.object->GetName();
                    platformPosition = platform;
                    carried = true;
                }
            }
        }
        else
        {
            groundBody->ApplyForce(b2Vec2(g.x, g.y), b2Vec2(p.x, p.y), true);
        }
    }
    if (!carried)
        onPlatform = 0;

    UpdateGroundTilt();
    EmitTrailParticle();

    if (jumped)
    {
        jumped = 0;
        jumpFuel -= 0.09f;
    }
    else
    {
        if (owner->position.y > refY - 12.0f)
            jumpFuel += 0.0225f;
        if (jumpFuel >= 1.0f)
            refY = owner->position.y;
    }
    moved = 0;
    ClampFloat(jumpFuel, 0.0f, 1.0f);
    probeFlag = 0;
}

void cDorvo::UpdateGroundTilt()
{
    b2Body* body = GetBody();
    if (owner == nullptr || body == nullptr)
        return;
    b2World* world = body->GetWorld();
    const cVec2f p = owner->position;
    const cVec2f down = Rotated(cVec2f(0.0f, kProbeLength), angle + tilt);

    auto cast = [&](const cVec2f& start, cVec2f& hit) {
        const cVec2f end = start + down;
        if (!IsFinite(start) || !IsFinite(end) || (end - start).LengthSquared() <= 0.0f)
            return false;
        cRayTraceCallback ray(kProbeCategories, kProbeMasks);
        world->RayCast(&ray, b2Vec2(start.x, start.y), b2Vec2(end.x, end.y));
        if (ray.fixture == nullptr)
            return false;
        hit.Set(ray.point.x, ray.point.y);
        return true;
    };

    cVec2f a, b;
    const bool hitA = cast(p + Rotated(cVec2f(kTiltOffset, 0.0f), angle), a);
    const bool hitB = cast(p + Rotated(cVec2f(-kTiltOffset, 0.0f), angle), b);
    const cVec2f slope = a - b;
    const float length = slope.Length();
    // Two hits at one point give no slope: counted as a miss, not as a turn of -angle.
    if (hitA && hitB && length > 1e-6f && std::isfinite(length))
    {
        const cVec2f unit = slope * (1.0f / length);
        tilt = std::atan2(unit.y, unit.x) - angle;
        tiltMisses = 0;
    }
    else
    {
        tiltMisses += 1;
        if (tiltMisses > 10)
            tilt *= 0.099f;
    }
    if (!std::isfinite(tilt))
        tilt = 0.0f;
    tilt = NormaliseAngle(tilt);
    ClampFloat(tilt, -0.5f, 0.5f);
    displayAngle += (angle + tilt - displayAngle) * 0.2f;
    if (!std::isfinite(displayAngle))
        displayAngle = 0.0f;
}
