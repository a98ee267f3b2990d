// Joints between built objects: each kind made and stepped without Box2D stopping the
// program (zero pulley ratios, limits given the wrong way round and sides that name no
// object are handled first), the values the per-frame drivers set (tracking, the sine
// swing and its creaks, turning toward the player, speeding up, the pulley spring, the
// springs), and joints whose objects have gone.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/level/LevelBuilders.h"
#include "game/objects/Controller.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/PlayerControls.h"
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
    cGlaElementGameObj* Crate(const std::string& name, const cVec2f& at, bool isStatic = false, float mass = 1.0f)
    {
        cGlaElementGameObj* e = AddObject(level, name, at);
        e->type = Type("DynamicObject");
        e->angle.AddKey(0.0f);
        SceneRef(e, "scene", "crate");
        Enum(e, "Collide", 5);
        Float(e, "Mass", mass);
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

// A crate at (10, 5) m that turns on a revolute joint to the ground at its centre; dress
// gives the joint element its properties. Null when the joint was not built.
template <class Dress>
b2RevoluteJoint* HingedCrate(JointLevel& level, JointKit& kit, const std::string& name, Dress dress)
{
    level.BuildDynamicObject(kit.Crate(name, {320, 160}), 0.0f, cVec2f());
    cGlaElementMarker* hinge = kit.Joint("RevoluteJoint", {320, 160}, nullptr, name.c_str());
    dress(hinge);
    const size_t before = level.jointRecords.size();
    level.BuildSceneJoints(hinge, "", 0.0f, 0.0f);
    if (level.jointRecords.size() != before + 1)
        return nullptr;
    return static_cast<b2RevoluteJoint*>(level.jointRecords.back()->joint);
}

// A player that is only a position: what turns a joint toward it.
struct PositionOnlyPlayer : cLogicController, cPlayerControls
{
    uint32_t GetZoneFlags() const override { return 0; }
    void Move(float) override {}
    void Jump() override {}
};

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

// The per-frame drivers, value by value: the speed that turns a body toward the player,
// the speed-up, the pulley spring's impulses, and the sine swing with the creak it makes
// when its motor turns round (which list, at which volume, on which voice).
TEST_F(LevelJointsTest, PerFrameDriversSetTheirValues)
{
    tvtest::LoopbackAudio loopback; // before the sounds and the levels

    // Toward the player: -4 x NormaliseAngle(joint angle - (pi - heading)), where the heading
    // is that of the way from the player to the joint (0 straight up, pi/2 to the right).
    // The heading comes from a fast normalisation, which is coarse near straight up or down,
    // so the ways tried here lie well away from those.
    {
        JointLevel level;
        JointKit kit;
        b2RevoluteJoint* joint = HingedCrate(level, kit, "head", [&](cGlaElementMarker* neck) {
            kit.Bool(neck, "Motor", true);
            kit.Float(neck, "MotorTorque", 10.0f);
            kit.Bool(neck, "RotateToPlayer", true);
            kit.Float(neck, "MotorSpeedInc", 0.5f); // turning toward the player comes first
        });
        ASSERT_NE(joint, nullptr);
        b2Body* head = BodyNamed(level, "head");
        auto* player = new PositionOnlyPlayer;
        auto* playerObject = new cGameObj(&level);
        playerObject->SetLogicController(player);
        level.objects.Append(playerObject);
        level.player = player;

        const struct
        {
            cVec2f player; // metres
            float angle;   // of the joint
            float speed;
        } cases[] = {
            {{7, 5}, 0.2f, 5.483185f},    // left of the joint: heading pi/2
            {{13, 5}, 0.2f, -7.083185f},  // right of it: heading 3 pi/2
            {{7, 9}, 0.2f, 9.192366f},    // (3, -4) from the player: heading acos(0.8)
            {{7, 5}, -2.0f, -10.849556f}, // -2 - pi/2 comes round to 2 pi - 2 - pi/2
        };
        for (const auto& c : cases)
        {
            playerObject->position = c.player;
            head->SetTransform(head->GetPosition(), c.angle);
            level.UpdateJoints();
            EXPECT_NEAR(joint->GetMotorSpeed(), c.speed, 0.02f)
                << "player at " << c.player.x << ", " << c.player.y << ", joint angle " << c.angle;
        }
        // Only while both bodies are in the world.
        head->SetEnabled(false);
        playerObject->position = cVec2f(13, 5);
        level.UpdateJoints();
        EXPECT_NEAR(joint->GetMotorSpeed(), -10.849556f, 0.02f);
        level.player = nullptr;
    }

    // Speeding up: "MotorSpeedInc" more every frame, only while both bodies are in the world.
    {
        JointLevel level;
        JointKit kit;
        b2RevoluteJoint* joint = HingedCrate(level, kit, "fan", [&](cGlaElementMarker* axle) {
            kit.Bool(axle, "Motor", true);
            kit.Float(axle, "MotorTorque", 10.0f);
            kit.Float(axle, "MotorSpeed", 1.0f);
            kit.Float(axle, "MotorSpeedInc", 0.25f);
        });
        ASSERT_NE(joint, nullptr);
        for (int i = 0; i < 3; ++i)
            level.UpdateJoints();
        EXPECT_FLOAT_EQ(joint->GetMotorSpeed(), 1.75f);
        BodyNamed(level, "fan")->SetEnabled(false);
        level.UpdateJoints();
        EXPECT_FLOAT_EQ(joint->GetMotorSpeed(), 1.75f);
    }

    // The pulley spring: the impulse (0, -strength x (length A - length B)) on side A and the
    // opposite on side B, at their anchors (y points down), so that the longer side is
    // pulled up and the shorter down. A pulley without "Spring" gets none.
    {
        JointLevel level;
        JointKit kit;
        const std::pair<const char*, float> crates[] = {
            {"left", 320.0f}, {"right", 480.0f}, {"slackL", 640.0f}, {"slackR", 800.0f}};
        for (const auto& [name, x] : crates)
            level.BuildDynamicObject(kit.Crate(name, {x, 320}), 0.0f, cVec2f()); // y 10 m
        auto pulley = [&](const char* a, const char* b, bool spring) {
            cGlaElementMarker* marker = kit.Joint("PulleyJoint", {0, 0}, a, b);
            kit.Float(marker, "GroundOff1Y", -3.0f); // side A 3 m long
            kit.Float(marker, "GroundOff2Y", -4.5f); // side B 4.5 m long
            kit.Float(marker, "Ratio", 1.0f);
            kit.Bool(marker, "Spring", spring);
            kit.Float(marker, "SpringStrength", 0.4f);
            level.BuildSceneJoints(marker, "", 0.0f, 0.0f);
        };
        pulley("left", "right", true);
        pulley("slackL", "slackR", false);
        ASSERT_EQ(level.jointRecords.size(), 2u);
        level.UpdateJoints();
        // 0.4 x (3 - 4.5) = -0.6: side A gets (0, 0.6), side B (0, -0.6).
        const struct
        {
            const char* name;
            float impulse;
        } sides[] = {{"left", 0.6f}, {"right", -0.6f}, {"slackL", 0.0f}, {"slackR", 0.0f}};
        for (const auto& side : sides)
        {
            const b2Body* body = BodyNamed(level, side.name);
            EXPECT_NEAR(body->GetMass() * body->GetLinearVelocity().y, side.impulse, 1e-5f) << side.name;
            EXPECT_FLOAT_EQ(body->GetLinearVelocity().x, 0.0f) << side.name;
            EXPECT_FLOAT_EQ(body->GetAngularVelocity(), 0.0f) << side.name; // at its centre
        }
    }

    // The sine swing: phase + "SineSpeed", motor speed -(joint angle - sin(phase / 2) x
    // "SineLength"). When the speed changes sign it creaks, by "Type", at the volume
    // 1 - d x 32 / 768 for the camera d metres from the joint, on the next world voice.
    if (!loopback.Ready())
        GTEST_SKIP() << "no loopback device: the creaks are not heard";
    AudioManager* audio = loopback.manager;
    cSound first(audio, 1.0f), second(audio, 1.0f), third(audio, 1.0f);
    {
        JointLevel level;
        JointKit kit;
        level.creakSounds = {SoundList{&first}, SoundList{&second}, SoundList{&third}};
        b2RevoluteJoint* joint = HingedCrate(level, kit, "swing", [&](cGlaElementMarker* pivot) {
            kit.Bool(pivot, "SineWave", true);
            kit.Float(pivot, "SineSpeed", 0.5f);
            kit.Float(pivot, "SineLength", 2.0f);
            kit.Float(pivot, "MotorTorque", 10.0f);
        });
        ASSERT_NE(joint, nullptr);
        JointRecord* record = level.jointRecords[0];
        b2Body* swing = BodyNamed(level, "swing");
        swing->SetTransform(swing->GetPosition(), 0.3f);
        const cSoundBuffer* lists[] = {&first, &second, &third};

        const struct
        {
            int32_t type;
            float before;   // motor speed
            bool downward;  // sin(phase / 2) = -1 after the step, else +1
            float distance; // of the camera, metres
            int list;       // -1: no creak
            float volume;
        } cases[] = {
            {1, 0.5f, true, 6, 0, 1.0f},    // type 1, positive to negative: the first list, full
            {1, -0.5f, false, 6, 1, 0.75f}, // negative to positive: the second, by distance
            {2, 0.5f, true, 6, 2, 0.75f},   // types 2 and 3, either way: the third
            {2, -0.5f, false, 12, 2, 0.5f},
            {3, -0.5f, false, 6, 2, 0.75f},
            {3, 0.5f, true, 6, 2, 0.75f},
            {1, 0.5f, false, 6, -1, 0.0f},  // no turn
            {1, 0.0f, true, 6, -1, 0.0f},   // from standing still is no turn
            {0, 0.5f, true, 6, -1, 0.0f},   // type 0 is silent
            {1, 0.5f, true, 24, -1, 0.0f},  // volume 0 from 24 m: out of hearing
            {2, -0.5f, false, 24, -1, 0.0f},
        };
        int voice = 9;
        for (const auto& c : cases)
        {
            SCOPED_TRACE(testing::Message() << "type " << c.type << " from " << c.before
                                            << (c.downward ? " down" : " up") << " at " << c.distance << " m");
            audio->StopAllVoices();
            level.nextVoice = voice;
            level.cameraPos = cVec2f(10.0f + c.distance, 5.0f);
            record->soundType = c.type;
            joint->SetMotorSpeed(c.before);
            const float pi = 3.14159265f;
            record->phase = (c.downward ? 3.0f * pi : pi) - 0.5f; // the step adds 0.5
            level.UpdateJoints();
            EXPECT_NEAR(joint->GetMotorSpeed(), c.downward ? -2.3f : 1.7f, 1e-5f);
            if (c.list < 0)
            {
                for (int v = 8; v <= 11; ++v)
                    EXPECT_EQ(audio->GetVoice(v)->currentSound, nullptr) << "voice " << v;
                EXPECT_EQ(level.nextVoice, voice);
                continue;
            }
            EXPECT_EQ(audio->GetVoice(voice)->currentSound, lists[c.list]);
            EXPECT_NEAR(audio->GetVoice(voice)->GetGain(), c.volume, 1e-5f);
            voice = voice == 11 ? 8 : voice + 1; // after 11 comes 8
            EXPECT_EQ(level.nextVoice, voice);
        }
        audio->StopAllVoices();
    }
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

// A body on a sine-wave line joint to the ground rides the wave, however heavy: up and
// down by the wave's length about where it was placed, never much past it, and on no
// carriage of its own (a carriage pinned to the ground, far lighter than the body, let
// the body swing ever wider past the wave).
TEST_F(LevelJointsTest, SineLineJointToTheGroundHoldsItsBodyToTheWave)
{
    for (const float mass : {1.0f, 6.0f, 40.0f})
    {
        SCOPED_TRACE(mass);
        JointLevel level;
        JointKit kit;
        level.BuildDynamicObject(kit.Crate("lift", {320, 160}, false, mass), 0.0f, cVec2f());
        cGlaElementMarker* axis = kit.Joint("PrismaticJoint", {320, 160}, "lift", nullptr);
        kit.Float(axis, "AxisY", 1.0f);
        kit.Bool(axis, "Motor", true);
        kit.Float(axis, "MotorForce", 500.0f * mass);
        kit.Bool(axis, "SineWave", true);
        kit.Float(axis, "SineSpeed", 0.05f);
        kit.Float(axis, "SineLength", 3.0f);
        const int bodiesBefore = level.world->GetBodyCount();
        level.BuildSceneJoints(axis, "", 0.0f, 0.0f);
        ASSERT_EQ(level.jointRecords.size(), 1u);
        EXPECT_EQ(level.world->GetBodyCount(), bodiesBefore) << "no carriage";
        const b2Body* body = BodyNamed(level, "lift");
        ASSERT_NE(body, nullptr);
        const float startY = body->GetPosition().y, startX = body->GetPosition().x;
        // Two whole waves: the phase steps 0.05 a frame and the wave is sin(phase / 2).
        float lowest = startY, highest = startY;
        for (int frame = 0; frame < 503; ++frame)
        {
            level.Frames(1);
            lowest = std::min(lowest, body->GetPosition().y);
            highest = std::max(highest, body->GetPosition().y);
            ASSERT_NEAR(body->GetPosition().x, startX, 0.01f) << "frame " << frame;
            ASSERT_NEAR(body->GetAngle(), 0.0f, 0.001f) << "frame " << frame;
        }
        EXPECT_LT(highest - startY, 3.3f);
        EXPECT_LT(startY - lowest, 3.3f);
        EXPECT_GT(highest - startY, 2.4f);
        EXPECT_GT(startY - lowest, 2.4f);
    }
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
