// Joints between built objects: each kind made and stepped without Box2D stopping the
// program (zero pulley ratios, limits given the wrong way round and sides that name no
// object are handled first), the tracking and spring behaviours of the per-frame pass, and
// joints whose objects have gone.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <string>

#include "KelpoBase/platform/SystemServices.h"
#include "game/level/Level.h"
#include "game/level/LevelBuilders.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/RigidBodyController.h"

namespace
{
struct JointKit : objecttest::SceneKit
{
    JointKit()
    {
        cGlaScene* crate = AddScene("crate");
        auto* zone = new cGlaElementZone();
        zone->points = {{-16, -16}, {16, -16}, {16, 16}, {-16, 16}};
        zone->position.AddKey(cVec2f());
        zone->type = Type("CollisionZone");
        crate->AddObjectElement(zone);
    }
    cGlaObjectType* Type(const std::string& name)
    {
        if (cGlaObjectType* t = set.FindType(name))
            return t;
        auto* t = new cGlaObjectType;
        t->name = name;
        set.types.push_back(t);
        return t;
    }
    cGlaElementGameObj* Crate(const std::string& name, const cVec2f& at, bool isStatic = false)
    {
        cGlaElementGameObj* e = AddObject(level, name, at);
        e->type = Type("DynamicObject");
        e->angle.AddKey(0.0f);
        SceneRef(e, "scene", "crate");
        Enum(e, "Collide", 5);
        Float(e, "Mass", 1.0f);
        Float(e, "MassRotation", 1.0f);
        if (isStatic)
            Bool(e, "StaticObject", true);
        return e;
    }
    cGlaElementMarker* Joint(const std::string& kind, const cVec2f& at, const char* body1, const char* body2)
    {
        auto* marker = new cGlaElementMarker();
        marker->name = kind;
        marker->position.AddKey(at);
        marker->scale.AddKey(cVec2f(1, 1));
        marker->type = Type(kind);
        level->AddObjectElement(marker);
        if (body1 != nullptr)
            Ref(marker, "Body1", body1);
        if (body2 != nullptr)
            Ref(marker, "Body2", body2);
        return marker;
    }
    cGlaScene* level = AddScene("level");
};

struct JointLevel : cLevel
{
    JointLevel() : cLevel(0) { CreatePhysicsWorld(); }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            StepWorld(timeStep, 8, 3);
            UpdateJoints();
        }
    }
};

b2Body* BodyNamed(cLevel& level, const std::string& name)
{
    const cGameObj* object = level.FindObjectByName(name);
    const cRigidBodyController* rb = object != nullptr ? object->GetRigidBodyController() : nullptr;
    return rb != nullptr ? rb->body : nullptr;
}

class LevelJointsTest : public ::testing::Test
{
protected:
    void SetUp() override { SetScreenSize(1280, 720); }
};
} // namespace

TEST_F(LevelJointsTest, RevoluteLimitsInOrderAndAMissingSideOnTheGround)
{
    JointLevel level;
    JointKit kit;
    level.BuildDynamicObject(kit.Crate("wheel", {64, 64}), 0.0f, cVec2f());
    cGlaElementMarker* hinge = kit.Joint("RevoluteJoint", {64, 64}, nullptr, "wheel");
    kit.Bool(hinge, "Limit", true);
    kit.Float(hinge, "LowerLimit", 45.0f); // given the wrong way round
    kit.Float(hinge, "UpperLimit", -45.0f);
    level.BuildSceneJoints(hinge, "", 0.0f, 0.0f);
    ASSERT_EQ(level.jointRecords.size(), 1u);
    auto* revolute = static_cast<b2RevoluteJoint*>(level.jointRecords[0]->joint);
    ASSERT_EQ(revolute->GetType(), e_revoluteJoint);
    EXPECT_EQ(revolute->GetBodyA(), level.groundBody);
    EXPECT_EQ(revolute->GetBodyB(), BodyNamed(level, "wheel"));
    EXPECT_NEAR(revolute->GetLowerLimit(), -0.785398f, 1e-5f);
    EXPECT_NEAR(revolute->GetUpperLimit(), 0.785398f, 1e-5f);
    level.Frames(30);

    // A side that names an element without an object, and a joint of a body to itself,
    // are not built.
    kit.AddObject(kit.level, "nothing", {0, 0});
    level.BuildSceneJoints(kit.Joint("RevoluteJoint", {0, 0}, "nothing", "wheel"), "", 0.0f, 0.0f);
    level.BuildSceneJoints(kit.Joint("WeldJoint", {0, 0}, "wheel", "wheel"), "", 0.0f, 0.0f);
    level.BuildSceneJoints(kit.Joint("WeldJoint", {0, 0}, nullptr, nullptr), "", 0.0f, 0.0f);
    level.BuildSceneJoints(kit.Joint("NotAJoint", {0, 0}, nullptr, "wheel"), "", 0.0f, 0.0f);
    EXPECT_EQ(level.jointRecords.size(), 1u);
}

TEST_F(LevelJointsTest, TrackingRevoluteDrivesItsMotorTowardTheTarget)
{
    JointLevel level;
    JointKit kit;
    level.BuildDynamicObject(kit.Crate("arm", {64, 64}), 0.0f, cVec2f());
    cGlaElementMarker* hinge = kit.Joint("RevoluteJoint", {64, 64}, nullptr, "arm");
    kit.Bool(hinge, "Track", true);
    kit.Float(hinge, "TargetGain", 2.0f);
    kit.Float(hinge, "TargetAngle", -0.1f);
    kit.Float(hinge, "MotorTorque", 10.0f);
    level.BuildSceneJoints(hinge, "", 0.0f, 0.0f);
    ASSERT_EQ(level.jointRecords.size(), 1u);
    level.UpdateJoints(); // angle 0, error 0.1
    EXPECT_NEAR(static_cast<b2RevoluteJoint*>(level.jointRecords[0]->joint)->GetMotorSpeed(), -0.2f, 1e-6f);

    // A motor started on contact: the dynamic object keeps the joint and its speed.
    level.BuildDynamicObject(kit.Crate("fan", {256, 64}), 0.0f, cVec2f());
    cGlaElementMarker* fan = kit.Joint("RevoluteJoint", {256, 64}, nullptr, "fan");
    kit.Bool(fan, "Motor", true);
    kit.Bool(fan, "MotorOnContact", true);
    kit.Float(fan, "MotorSpeed", 3.0f);
    level.BuildSceneJoints(fan, "", 0.0f, 0.0f);
    ASSERT_EQ(level.jointRecords.size(), 2u);
    EXPECT_FLOAT_EQ(static_cast<b2RevoluteJoint*>(level.jointRecords[1]->joint)->GetMotorSpeed(), 0.0f);
    const cDynamicObject* dyn = cDynamicObject::Of(level.FindObjectByName("fan"));
    EXPECT_TRUE(dyn->motorStart);
    EXPECT_EQ(dyn->joint, level.jointRecords[1]->joint);
    EXPECT_FLOAT_EQ(dyn->motorSpeed, 3.0f);
    level.Frames(30);
}

TEST_F(LevelJointsTest, EveryKindStepsWithoutStoppingTheProgram)
{
    JointLevel level;
    JointKit kit;
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"})
        level.BuildDynamicObject(kit.Crate(name, {64.0f * float(name[0] - 'a'), 64}), 0.0f, cVec2f(), "_x");

    cGlaElementMarker* slider = kit.Joint("PrismaticJoint", {0, 64}, nullptr, "a");
    kit.Bool(slider, "Limit", true);
    kit.Float(slider, "LowerLimit", 2.0f);
    kit.Float(slider, "UpperLimit", -2.0f);
    kit.Bool(slider, "SineWave", true);
    kit.Float(slider, "SineSpeed", 0.1f);
    kit.Float(slider, "SineLength", 1.0f);
    kit.Bool(slider, "Motor", true);
    kit.Float(slider, "MotorForce", 50.0f);
    cGlaElementMarker* pulley = kit.Joint("PulleyJoint", {96, 64}, "b", "c"); // no ratio
    kit.Float(pulley, "GroundOff1Y", -3.0f);
    kit.Float(pulley, "GroundOff2Y", -3.0f);
    kit.Float(pulley, "MaxLength1", 4.0f);
    kit.Bool(pulley, "Spring", true);
    kit.Float(pulley, "SpringStrength", 0.5f);
    cGlaElementMarker* distance = kit.Joint("DistanceJoint", {192, 64}, "d", "e");
    kit.Float(distance, "Hz", 4.0f);
    kit.Float(distance, "Damping", 0.5f);
    kit.Joint("DistanceJoint", {320, 64}, "e", "f"); // rigid
    kit.Joint("WeldJoint", {352, 64}, "f", "g");
    cGlaElementMarker* swing = kit.Joint("RevoluteJoint", {448, 0}, nullptr, "h");
    kit.Bool(swing, "SineWave", true);
    kit.Float(swing, "SineSpeed", 0.3f);
    kit.Float(swing, "SineLength", 1.0f);
    kit.Float(swing, "MotorTorque", 100.0f);
    kit.Enum(swing, "Type", 2);
    cGlaElementMarker* spring = kit.Joint("SpringJoint", {0, 0}, nullptr, "g");
    kit.Float(spring, "Spring", 5.0f);
    kit.Float(spring, "Damping", 0.5f);
    for (cGlaElement* element : kit.level->objectElements)
        if (ClassCast<cGlaElementMarker>(element) != nullptr)
            level.BuildSceneJoints(element, "_x", 0.0f, 0.0f);

    ASSERT_EQ(level.jointRecords.size(), 6u);
    ASSERT_EQ(level.springRecords.size(), 1u);
    const auto* prismatic = static_cast<const b2PrismaticJoint*>(level.jointRecords[0]->joint);
    EXPECT_EQ(prismatic->GetType(), e_prismaticJoint);
    EXPECT_FLOAT_EQ(prismatic->GetLowerLimit(), -2.0f);
    const auto* pulleyJoint = static_cast<const b2PulleyJoint*>(level.jointRecords[1]->joint);
    EXPECT_FLOAT_EQ(pulleyJoint->GetRatio(), 1.0f);
    EXPECT_TRUE(level.jointRecords[1]->track);
    level.Frames(90);
    for (const b2Body* body = level.world->GetBodyList(); body != nullptr; body = body->GetNext())
    {
        EXPECT_TRUE(std::isfinite(body->GetPosition().x));
        EXPECT_TRUE(std::isfinite(body->GetPosition().y));
    }

    // Objects that go take their joints with them; the per-frame pass skips the records.
    for (const char* name : {"a_x", "b_x", "g_x", "h_x"})
    {
        cGameObj* object = level.FindObjectByName(name);
        level.objects.Forget(object);
        delete object;
    }
    level.Frames(5);
}

TEST_F(LevelJointsTest, SquashableSpringOnlyPulls)
{
    // Body B's speed along x after one step with the spring's force (no gravity).
    auto speedAfter = [](float bx, bool canSquash) {
        b2World world(b2Vec2(0.0f, 0.0f));
        b2BodyDef def;
        def.type = b2_dynamicBody;
        b2Body* a = world.CreateBody(&def);
        def.position.Set(bx, 0.0f);
        b2Body* b = world.CreateBody(&def);
        // Masses of 1 each.
        b2MassData mass{1.0f, b2Vec2(0.0f, 0.0f), 0.0f};
        a->SetMassData(&mass);
        b->SetMassData(&mass);
        ApplySpringForce(a, b, 10.0f, 0.0f, 2.0f, canSquash, cVec2f(), cVec2f());
        world.Step(1.0f / 30.0f, 8, 3);
        EXPECT_TRUE(std::isfinite(a->GetLinearVelocity().x));
        return b->GetLinearVelocity().x;
    };
    EXPECT_FLOAT_EQ(speedAfter(1.0f, true), 0.0f);           // squashed: no force
    EXPECT_NEAR(speedAfter(1.0f, false), 10.0f / 30.0f, 1e-5f); // pushed apart
    EXPECT_NEAR(speedAfter(4.0f, true), -20.0f / 30.0f, 1e-5f); // stretched: pulls back
    EXPECT_FLOAT_EQ(speedAfter(0.0f, false), 0.0f);          // anchors together: no force
}
