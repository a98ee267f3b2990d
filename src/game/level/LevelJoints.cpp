// Joints between the level's objects, and the per-frame behaviours that Box2D lacks:
// tracking a target, swinging on a sine wave with creaks, turning toward the player,
// speeding up, pulley springs and the level's own springs.
//
// Box2D stops the program on a joint between a body and itself, on a zero pulley ratio
// and on limits whose lower end lies above the upper one, so all of these are checked
// here first. A joint whose named object cannot be found is not built. Joints and bodies
// go away with their objects, so the per-frame pass works only on those still in the
// world.
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaSet.h"
#include "game/level/Level.h"
#include "game/level/LevelBuilders.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/RigidBodyController.h"

namespace
{
constexpr float kDegreesToRadians = 0.017453293f;
// Below this a pulley ratio counts as none (Box2D refuses it); such a pulley gets 1.
constexpr float kMinPulleyRatio = 0.01f;
// The carriage that stands in for a line joint: light and without rotation.
constexpr float kCarriageMass = 0.01f;

float Prop(const cGlaElement* element, const char* name) { return FiniteOr(element->GetFloatProp(name), 0.0f); }

bool HasFloatProp(const cGlaElement* element, const char* name)
{
    const cGlaProp* prop = element->FindProp(name);
    return prop != nullptr && prop->GetClassInfo() == cGlaPropFloat::StaticClassInfo();
}

// Lower and upper limits in order.
void OrderLimits(float& lower, float& upper)
{
    if (lower > upper)
        std::swap(lower, upper);
}

b2Vec2 Vec(const cVec2f& v) { return b2Vec2(v.x, v.y); }

// The sign change of a motor speed: +1 from positive to negative, -1 from negative to
// positive, 0 otherwise.
int SignTurn(float before, float after)
{
    if (before > 0.0f && after < 0.0f)
        return 1;
    if (before < 0.0f && after > 0.0f)
        return -1;
    return 0;
}

bool BothEnabled(b2Joint* joint) { return joint->GetBodyA()->IsEnabled() && joint->GetBodyB()->IsEnabled(); }

void WakeBoth(b2Joint* joint)
{
    joint->GetBodyA()->SetAwake(true);
    joint->GetBodyB()->SetAwake(true);
}
} // namespace

// ---- springs -------------------------------------------------------------------------------

void ApplySpringForce(b2Body* bodyA, b2Body* bodyB, float k, float damping, float restLength, bool canSquash,
                      const cVec2f& localAnchorA, const cVec2f& localAnchorB)
{
    if (bodyA == nullptr || bodyB == nullptr)
        return;
    const b2Vec2 pA = bodyA->GetWorldPoint(Vec(localAnchorA));
    const b2Vec2 pB = bodyB->GetWorldPoint(Vec(localAnchorB));
    const b2Vec2 d = pB - pA;
    const float length = d.Length();
    // Anchors on top of each other give no direction to pull in.
    if (!(length > b2_epsilon) || !std::isfinite(length))
        return;
    const b2Vec2 n = (1.0f / length) * d;
    const b2Vec2 rA = pA - bodyA->GetWorldCenter();
    const b2Vec2 rB = pB - bodyB->GetWorldCenter();
    const b2Vec2 vA = bodyA->GetLinearVelocity() + b2Cross(bodyA->GetAngularVelocity(), rA);
    const b2Vec2 vB = bodyB->GetLinearVelocity() + b2Cross(bodyB->GetAngularVelocity(), rB);
    float f = -k * (length - restLength) - damping * b2Dot(vB - vA, n);
    if (canSquash && length < restLength)
        f = 0.0f; // a squashable spring only pulls
    if (!std::isfinite(f))
        return;
    bodyB->ApplyForce(f * n, pB, true);
    bodyA->ApplyForce(-f * n, pA, true);
}

// ---- building ------------------------------------------------------------------------------

void cLevel::BuildSceneJoints(cGlaElement* element, const std::string& suffix, float offsetX, float offsetY)
{
    if (element == nullptr || world == nullptr || groundBody == nullptr || world->IsLocked())
        return;
    const std::string& kind = element->type != nullptr ? element->type->name : element->typeName;
    const cVec2f anchorPixels = ElementPosition(element) + cVec2f(offsetX, offsetY);
    const b2Vec2 anchor = Vec(anchorPixels * kPixelsToMetres);

    // A side that names nothing hangs on the ground; a side whose object is not found (or
    // has no body) leaves the joint unbuilt.
    auto sideBody = [&](const char* prop, b2Body*& out) -> bool {
        const cGlaElement* target = element->GetRefElement(prop);
        if (target == nullptr)
        {
            out = groundBody;
            return true;
        }
        const cGameObj* object = FindObjectByName(target->name + suffix);
        const cRigidBodyController* rb = object != nullptr ? object->GetRigidBodyController() : nullptr;
        out = rb != nullptr ? rb->body : nullptr;
        return out != nullptr;
    };
    b2Body* bodyA = nullptr;
    b2Body* bodyB = nullptr;
    if (!sideBody("Body1", bodyA) || !sideBody("Body2", bodyB) || bodyA == bodyB)
        return;

    auto* record = new JointRecord;
    b2Joint* joint = nullptr;
    if (kind == "RevoluteJoint")
    {
        b2RevoluteJointDef def;
        def.Initialize(bodyA, bodyB, anchor);
        def.collideConnected = false;
        const float torque = Prop(element, "MotorTorque");
        const float speed = Prop(element, "MotorSpeed");
        if (element->GetBoolProp("Motor"))
        {
            def.enableMotor = true;
            def.maxMotorTorque = torque;
            def.motorSpeed = speed;
        }
        if (element->GetBoolProp("Track"))
        {
            def.enableMotor = true;
            def.maxMotorTorque = torque;
            def.motorSpeed = speed;
            record->track = true;
            record->target = Prop(element, "TargetAngle");
            record->gain = Prop(element, "TargetGain");
        }
        if (element->GetBoolProp("SineWave"))
        {
            def.enableMotor = true;
            def.maxMotorTorque = torque;
            def.motorSpeed = speed;
            record->sine = true;
            record->sineSpeed = Prop(element, "SineSpeed");
            record->sineLength = Prop(element, "SineLength");
        }
        record->motorOnContact = element->GetBoolProp("MotorOnContact");
        if (record->motorOnContact)
            def.motorSpeed = 0.0f;
        if (element->GetBoolProp("Limit"))
        {
            def.enableLimit = true;
            def.lowerAngle = Prop(element, "LowerLimit") * kDegreesToRadians;
            def.upperAngle = Prop(element, "UpperLimit") * kDegreesToRadians;
            OrderLimits(def.lowerAngle, def.upperAngle);
        }
        def.maxMotorTorque = std::fabs(def.maxMotorTorque);
        joint = world->CreateJoint(&def);
        if (!record->sine)
        {
            record->rotateToPlayer = element->GetBoolProp("RotateToPlayer");
            if (HasFloatProp(element, "MotorSpeedInc"))
            {
                record->speedUp = true;
                record->speedInc = Prop(element, "MotorSpeedInc");
            }
        }
        record->soundType = element->GetEnumProp("Type");
        if (record->motorOnContact)
        {
            for (b2Body* side : {bodyA, bodyB})
            {
                const cRigidBodyController* rb = ControllerOfBody(side);
                if (cDynamicObject* dyn = rb != nullptr ? cDynamicObject::Of(rb->GetOwner()) : nullptr)
                {
                    dyn->motorStart = true;
                    dyn->joint = joint;
                    dyn->jointKind = 1;
                    dyn->motorSpeed = speed;
                }
            }
        }
    }
    else if (kind == "PrismaticJoint")
    {
        // A line joint: body B slides along the axis and turns freely. A light carriage
        // without shapes slides on a prismatic joint from body A, and body B turns on a
        // revolute joint about the carriage. Both pieces are marked: the rules that walk
        // joints pass over them, and the carriage goes with either side's body. Body A
        // keeps its angle either way (the carriage does not turn), so when body B is the
        // ground the carriage would only be pinned to it: body A then slides on a
        // prismatic joint from the ground itself. A pinned carriage is worse than idle:
        // so much lighter than body A, it keeps the solver from holding body A to the
        // joint and its motor, and body A swings past where the motor drives it.
        b2Vec2 axis(Prop(element, "AxisX"), Prop(element, "AxisY"));
        if (axis.Normalize() < b2_epsilon)
            axis.Set(1.0f, 0.0f);
        b2Body* carriage = nullptr;
        if (bodyB != groundBody)
        {
            b2BodyDef carriageDef;
            carriageDef.type = b2_dynamicBody;
            carriageDef.position = anchor;
            carriageDef.fixedRotation = true;
            carriageDef.gravityScale = 0.0f;
            carriage = world->CreateBody(&carriageDef);
            b2MassData mass{kCarriageMass, b2Vec2(0.0f, 0.0f), 0.0f};
            carriage->SetMassData(&mass);
        }

        b2PrismaticJointDef def;
        def.Initialize(bodyA, carriage != nullptr ? carriage : bodyB, anchor, axis);
        def.collideConnected = false;
        if (element->GetBoolProp("Motor"))
        {
            def.enableMotor = true;
            def.maxMotorForce = std::fabs(Prop(element, "MotorForce"));
            def.motorSpeed = Prop(element, "MotorSpeed");
        }
        if (element->GetBoolProp("Track"))
        {
            record->track = true;
            record->target = Prop(element, "TrackTranslation");
            record->gain = Prop(element, "TrackGain");
        }
        if (element->GetBoolProp("SineWave"))
        {
            record->sine = true;
            record->sineSpeed = Prop(element, "SineSpeed");
            record->sineLength = Prop(element, "SineLength");
        }
        if (element->GetBoolProp("Limit"))
        {
            def.enableLimit = true;
            def.lowerTranslation = Prop(element, "LowerLimit");
            def.upperTranslation = Prop(element, "UpperLimit");
            OrderLimits(def.lowerTranslation, def.upperTranslation);
        }
        joint = world->CreateJoint(&def);
        MarkLineJointPiece(joint);
        if (carriage != nullptr)
        {
            b2RevoluteJointDef pivot;
            pivot.Initialize(carriage, bodyB, anchor);
            pivot.collideConnected = false;
            MarkLineJointPiece(world->CreateJoint(&pivot));
        }
        record->soundType = 0;
    }
    else if (kind == "PulleyJoint")
    {
        const b2Vec2 anchorA = bodyA->GetWorldCenter();
        const b2Vec2 anchorB = bodyB->GetWorldCenter();
        const b2Vec2 groundA = anchorA + b2Vec2(Prop(element, "GroundOff1X"), Prop(element, "GroundOff1Y"));
        const b2Vec2 groundB = anchorB + b2Vec2(Prop(element, "GroundOff2X"), Prop(element, "GroundOff2Y"));
        float ratio = Prop(element, "Ratio");
        if (!(ratio >= kMinPulleyRatio))
            ratio = 1.0f; // no ratio (or a negative one) is the plain pulley
        b2PulleyJointDef def;
        def.Initialize(bodyA, bodyB, groundA, groundB, anchorA, anchorB, ratio);
        def.collideConnected = true;
        joint = world->CreateJoint(&def);
        // The longest each side may hang: a rope from its ground anchor, marked, so that
        // the rules that walk joints take it for the pulley it belongs to.
        const float maxLengths[2] = {Prop(element, "MaxLength1"), Prop(element, "MaxLength2")};
        const b2Vec2 grounds[2] = {groundA, groundB};
        b2Body* sides[2] = {bodyA, bodyB};
        for (int i = 0; i < 2; ++i)
        {
            if (!(maxLengths[i] > b2_linearSlop) || sides[i] == groundBody)
                continue;
            b2DistanceJointDef rope;
            rope.Initialize(groundBody, sides[i], grounds[i], sides[i]->GetWorldCenter());
            rope.minLength = 0.0f;
            rope.maxLength = maxLengths[i];
            rope.stiffness = 0.0f;
            rope.damping = 0.0f;
            rope.collideConnected = true;
            MarkPulleyRope(world->CreateJoint(&rope));
        }
        if (element->GetBoolProp("Spring"))
        {
            record->track = true;
            record->target = Prop(element, "SpringStrength");
            record->gain = 0.0f;
        }
    }
    else if (kind == "DistanceJoint")
    {
        // From the joint's own position to body B's: the joint spans the two objects when
        // its marker is placed on body A.
        const b2Vec2 anchorB = bodyB->GetPosition();
        b2DistanceJointDef def;
        def.Initialize(bodyA, bodyB, anchor, anchorB);
        const float hz = Prop(element, "Hz");
        if (hz > 0.0f)
        {
            b2LinearStiffness(def.stiffness, def.damping, hz, std::max(0.0f, Prop(element, "Damping")), bodyA, bodyB);
            def.minLength = 0.0f;
            def.maxLength = b2_maxFloat;
        }
        joint = world->CreateJoint(&def);
    }
    else if (kind == "WeldJoint")
    {
        b2WeldJointDef def;
        def.Initialize(bodyA, bodyB, anchor);
        joint = world->CreateJoint(&def);
    }
    else if (kind == "SpringJoint")
    {
        auto* spring = new SpringRecord;
        spring->bodyA = bodyA;
        spring->bodyB = bodyB;
        spring->strength = Prop(element, "Spring");
        spring->damping = Prop(element, "Damping");
        spring->canSquash = element->GetBoolProp("CanSquash");
        if (element->GetBoolProp("ZeroLength"))
        {
            spring->restLength = 1.0f;
            const b2Vec2 a = bodyA->GetLocalPoint(anchor);
            const b2Vec2 b = bodyB->GetLocalPoint(anchor);
            spring->localAnchorA = cVec2f(a.x, a.y);
            spring->localAnchorB = cVec2f(b.x, b.y);
        }
        else
            spring->restLength = (bodyB->GetPosition() - bodyA->GetPosition()).Length();
        springRecords.push_back(spring);
    }
    if (joint == nullptr)
    {
        delete record;
        return;
    }
    record->joint = joint;
    jointRecords.push_back(record);
}

// ---- every frame ---------------------------------------------------------------------------

void cLevel::UpdateJoints()
{
    if (world == nullptr || world->IsLocked())
        return;
    // Joints and bodies that left the world with their objects are skipped.
    std::unordered_set<const b2Joint*> liveJoints;
    for (const b2Joint* j = world->GetJointList(); j != nullptr; j = j->GetNext())
        liveJoints.insert(j);

    for (JointRecord* record : jointRecords)
    {
        b2Joint* joint = record != nullptr ? record->joint : nullptr;
        if (joint == nullptr || liveJoints.count(joint) == 0)
            continue;
        b2Body* a = joint->GetBodyA();
        b2Body* b = joint->GetBodyB();
        switch (joint->GetType())
        {
        case e_revoluteJoint:
        {
            auto* revolute = static_cast<b2RevoluteJoint*>(joint);
            const float relative = b->GetAngle() - a->GetAngle() - revolute->GetReferenceAngle();
            if (record->track)
            {
                revolute->SetMotorSpeed(-record->gain * (relative - record->target));
                WakeBoth(joint);
            }
            else if (record->sine)
            {
                record->phase += record->sineSpeed;
                WakeBoth(joint);
                const float before = revolute->GetMotorSpeed();
                const float after = -(relative - std::sin(record->phase * 0.5f) * record->sineLength);
                revolute->SetMotorSpeed(after);
                const int turn = SignTurn(before, after);
                if (turn == 0 || record->soundType == 0)
                    break;
                const b2Vec2 at = joint->GetAnchorA();
                const float distance = (at - Vec(cameraPos)).Length();
                const float volume = std::min(1.0f, 1.0f - distance * kMetresToPixels / kSoundFadeDistance);
                if (!(volume > 0.0f))
                    break;
                if (record->soundType == 1)
                {
                    if (turn > 0)
                        PlayOnNextWorldVoice(creakSounds[0], 1.0f);
                    else
                        PlayOnNextWorldVoice(creakSounds[1], volume);
                }
                else if (record->soundType == 2 || record->soundType == 3)
                    PlayOnNextWorldVoice(creakSounds[2], volume);
            }
            else if (record->rotateToPlayer && BothEnabled(joint))
            {
                cVec2f player;
                if (!PlayerPosition(player))
                    break;
                const b2Vec2 at = joint->GetAnchorA();
                const cVec2f toJoint(at.x - player.x, at.y - player.y);
                const float heading = AngleOfVector(toJoint);
                const float speed = -4.0f * NormaliseAngle(relative - (std::numbers::pi_v<float> - heading));
                if (std::isfinite(speed))
                    revolute->SetMotorSpeed(speed);
            }
            else if (record->speedUp && BothEnabled(joint))
                revolute->SetMotorSpeed(revolute->GetMotorSpeed() + record->speedInc);
            break;
        }
        case e_prismaticJoint:
        {
            auto* prismatic = static_cast<b2PrismaticJoint*>(joint);
            const float translation = prismatic->GetJointTranslation();
            if (record->track)
            {
                prismatic->SetMotorSpeed(-record->gain * (translation - record->target));
                WakeBoth(joint);
            }
            else if (record->sine)
            {
                record->phase += record->sineSpeed;
                prismatic->SetMotorSpeed(-(translation - std::sin(record->phase * 0.5f) * record->sineLength));
            }
            break;
        }
        case e_pulleyJoint:
        {
            if (!record->track)
                break;
            auto* pulley = static_cast<b2PulleyJoint*>(joint);
            const float diff = pulley->GetCurrentLengthA() - pulley->GetCurrentLengthB();
            const float impulse = record->target * diff;
            if (!std::isfinite(impulse))
                break;
            a->ApplyLinearImpulse(b2Vec2(0.0f, -impulse), pulley->GetAnchorA(), true);
            b->ApplyLinearImpulse(b2Vec2(0.0f, impulse), pulley->GetAnchorB(), true);
            break;
        }
        default:
            break;
        }
    }

    if (springRecords.empty())
        return;
    std::unordered_set<const b2Body*> liveBodies;
    for (const b2Body* body = world->GetBodyList(); body != nullptr; body = body->GetNext())
        liveBodies.insert(body);
    for (const SpringRecord* spring : springRecords)
    {
        if (spring == nullptr || liveBodies.count(spring->bodyA) == 0 || liveBodies.count(spring->bodyB) == 0)
            continue;
        ApplySpringForce(spring->bodyA, spring->bodyB, spring->strength, spring->damping, spring->restLength,
                         spring->canSquash, spring->localAnchorA, spring->localAnchorB);
    }
}
