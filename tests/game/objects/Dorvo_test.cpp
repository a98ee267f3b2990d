// The player character in a small Box2D world: its own gravity, hovering, steering
// under its speed caps, jumping on its fuel, zones, death and respawn, the level end,
// vectors of no length, trail colours and where its sprite is drawn.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DorvoLevel.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/RigidBodyController.h"

namespace
{
// A level with a world, a particle pool and, when asked, player scenes.
struct PlayerLevel : cObjectLevel, cDorvoLevel
{
    PlayerLevel()
    {
        world = new b2World(b2Vec2(0.0f, 20.0f));
        particles = &pool;
    }
    ~PlayerLevel() override
    {
        for (cGameObj* o : owned)
            delete o;
        delete world;
    }

    cGlaScene* PlayerScene(int which) const override { return scenes[which]; }
    const ImageRect* PlayerAppearImage() const override { return &appearImage; }
    const ImageRect* PlayerBurstImage() const override { return &appearImage; }
    const ImageRect* PlayerTrailImage() const override { return &appearImage; }
    void OnPlayerJumpInput() override { ++jumpInputs; }

    // A static box (metres) that the probe sees: category 1, every mask bit.
    void AddGround(float top, float friction = 0.5f)
    {
        auto* obj = new cGameObj(this);
        auto* rb = new cRigidBodyController;
        obj->SetRigidBodyController(rb);
        rb->CreateStaticBody();
        const b2Vec2 pts[4] = {{-50.0f, top}, {50.0f, top}, {50.0f, top + 2.0f}, {-50.0f, top + 2.0f}};
        rb->AddPolygonFixture(pts, friction, 0.0f, 1, 0xFFFF);
        owned.push_back(obj);
    }

    cDorvo* AddPlayer(cVec2f at)
    {
        auto* obj = new cGameObj(this);
        auto* rb = new cRigidBodyController;
        obj->SetRigidBodyController(rb);
        rb->CreateDynamicBody();
        EXPECT_TRUE(cDorvo::SetUpBody(rb));
        auto* dorvo = new cDorvo;
        obj->SetLogicController(dorvo);
        obj->SetPosition(at);
        obj->Update();
        dorvo->Start();
        owned.push_back(obj);
        player = obj;
        return dorvo;
    }

    // One frame of the world update as the level runs it: the step, then the objects.
    void Frame(int times = 1)
    {
        for (int i = 0; i < times; ++i)
        {
            StepWorld(timeStep, 8, 3);
            for (cGameObj* o : owned)
                o->Update();
            UpdateParticlePool(pool);
            ++frameCounter;
        }
    }

    // Start, then the appearance (30 frames) and the switch to play.
    cDorvo* AddPlayingPlayer(cVec2f at)
    {
        cDorvo* d = AddPlayer(at);
        Frame(32);
        EXPECT_EQ(d->phase, kDorvoPlaying);
        EXPECT_TRUE(d->states.IsCurrent(&cDorvo::StatePlay));
        return d;
    }

    b2Body* Body() const { return player->GetRigidBodyController()->GetBody(); }

    cParticlePool pool;
    cGlaScene* scenes[kPlayerSceneCount] = {};
    ImageRect appearImage{nullptr, 0, 0, 8, 8};
    std::vector<cGameObj*> owned;
    cGameObj* player = nullptr;
    int jumpInputs = 0;
};

bool Finite(const b2Vec2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }
} // namespace

TEST(Dorvo, StartResetsThePlayerAndAppearsOverThirtyFrames)
{
    PlayerLevel level;
    cDorvo* d = level.AddPlayer({0.0f, 0.0f});
    EXPECT_EQ(d->jumpFuel, 1.0f);
    EXPECT_EQ(d->enabled, 1);
    EXPECT_EQ(d->gravity, cVec2f(0.0f, 20.0f));
    EXPECT_EQ(d->currentSprite, d->sceneRight);
    ASSERT_NE(d->sceneAppear, nullptr);

    level.Frame();
    EXPECT_TRUE(d->states.IsCurrent(&cDorvo::StateAppear));
    EXPECT_FALSE(level.Body()->IsEnabled()) << "the body waits while the player appears";
    EXPECT_EQ(level.pool.Used(), 4u) << "four converging particles a frame";
    level.Frame(28);
    EXPECT_FALSE(level.Body()->IsEnabled());
    EXPECT_NEAR(d->progress, 29.0f / 30.0f, 1e-5f);
    level.Frame(); // the 30th frame
    EXPECT_TRUE(level.Body()->IsEnabled());
    EXPECT_EQ(d->phase, kDorvoPlaying);
    level.Frame();
    EXPECT_TRUE(d->states.IsCurrent(&cDorvo::StatePlay));
}

TEST(Dorvo, FallsAlongItsOwnGravityAndTurnsWithTheWorld)
{
    PlayerLevel level;
    cDorvo* d = level.AddPlayingPlayer({0.0f, 0.0f});
    const b2Vec2 start = level.Body()->GetPosition();
    level.Frame(15);
    EXPECT_GT(level.Body()->GetPosition().y, start.y + 0.5f) << "falls down with no ground below";
    EXPECT_NEAR(level.Body()->GetPosition().x, start.x, 1e-4f);

    // A world turned by 90 degrees: the player's down is now -x (the world's own gravity
    // still points down and must not pull the player).
    d->AddAngleDegrees(90.0f);
    EXPECT_NEAR(d->gravity.x, -20.0f, 1e-4f);
    EXPECT_NEAR(d->gravity.y, 0.0f, 1e-4f);
    level.Frame(); // the body takes the new gravity at the next probe
    level.Body()->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    const b2Vec2 turned = level.Body()->GetPosition();
    level.Frame(15);
    EXPECT_LT(level.Body()->GetPosition().x, turned.x - 0.5f);
    EXPECT_NEAR(level.Body()->GetLinearVelocity().y, 0.0f, 1e-3f);
}

TEST(Dorvo, GroundSpringFallsWithTheDistance)
{
    EXPECT_FLOAT_EQ(cDorvo::GroundSpring(0.8f), 12.8f);
    EXPECT_FLOAT_EQ(cDorvo::GroundSpring(0.0f), 25.6f);
    EXPECT_EQ(cDorvo::GroundSpring(1.6f), 0.0f);
    EXPECT_EQ(cDorvo::GroundSpring(1.875f), 0.0f);
    EXPECT_FLOAT_EQ(cDorvo::GroundSpring(-0.1f), 25.6f);
}

TEST(Dorvo, HoversAboveTheGroundWithAFullTank)
{
    PlayerLevel level;
    level.AddGround(3.0f);
    cDorvo* d = level.AddPlayingPlayer({0.0f, 1.5f});
    level.Frame(300);
    // Balance of weight, lift and ground spring: about 0.69 m above the ground, a little
    // more than the radius.
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < 30; ++i)
    {
        level.Frame();
        const float gap = 3.0f - level.Body()->GetPosition().y;
        lowest = std::min(lowest, gap);
        highest = std::max(highest, gap);
    }
    EXPECT_GT(lowest, 0.6f);
    EXPECT_LT(highest, 0.8f);
    EXPECT_EQ(d->jumpFuel, 1.0f);
    EXPECT_FLOAT_EQ(d->refY, level.player->position.y) << "a full tank keeps refY at the current height";
}

namespace
{
struct SpeedCase
{
    const char* name;
    int32_t zone; // 0: none
    float axis;
    float cap;    // the local speed the push stops at
};

void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.name; }

class DorvoSpeedTest : public ::testing::TestWithParam<SpeedCase>
{
};
} // namespace

TEST_P(DorvoSpeedTest, MoveStopsPushingAtTheCap)
{
    const SpeedCase& c = GetParam();
    PlayerLevel level;
    level.AddGround(3.0f);
    cDorvo* d = level.AddPlayingPlayer({0.0f, 2.3f});
    level.Frame(60);
    float fastest = 0.0f;
    for (int i = 0; i < 240; ++i)
    {
        d->ClearZoneFlags();
        if (c.zone != 0)
            d->ApplyTriggerZone(c.zone);
        d->Move(c.axis);
        level.Frame();
        fastest = std::max(fastest, std::fabs(level.Body()->GetLinearVelocity().x));
    }
    // One frame's push (28 N on about 1.23 kg) may carry it past the cap once.
    EXPECT_LE(fastest, c.cap + 0.8f) << c.name;
    EXPECT_GE(fastest, c.cap - 1.0f) << c.name;
    EXPECT_EQ(d->currentSprite, c.axis > 0.0f ? d->sceneRight : d->sceneLeft);
}

INSTANTIATE_TEST_SUITE_P(Caps, DorvoSpeedTest,
                         ::testing::Values(SpeedCase{"right", 0, 2.8f, 8.0f}, SpeedCase{"left", 0, -2.8f, 8.0f},
                                           SpeedCase{"right in a push-right zone", 7, 2.8f, 16.0f},
                                           SpeedCase{"left in a push-right zone", 7, -2.8f, 6.0f},
                                           SpeedCase{"left in a push-left zone", 8, -2.8f, 16.0f}),
                         [](const ::testing::TestParamInfo<SpeedCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != 0; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

TEST(Dorvo, MoveWithoutAxisOrControlDoesNothing)
{
    PlayerLevel level;
    cDorvo* d = level.AddPlayingPlayer({0.0f, 0.0f});
    d->currentSprite = d->sceneLeft;
    d->Move(0.0f);
    EXPECT_EQ(d->moved, 0);
    EXPECT_EQ(d->currentSprite, d->sceneLeft) << "no facing change";
    d->Move(std::nanf(""));
    EXPECT_EQ(d->moved, 0);
    d->controlAllowed = 0;
    d->Move(2.8f);
    EXPECT_EQ(d->moved, 0);

    // The level's waiting phase ends with the first input, which starts the start scene.
    d->controlAllowed = 1;
    d->phase = kDorvoWaiting;
    d->Move(0.0f);
    EXPECT_EQ(d->phase, kDorvoStarted);
    EXPECT_TRUE(d->sceneStart->playing || d->sceneStart->GetFrameCount() <= 1);
}

TEST(Dorvo, JumpsWhileTheFuelLastsThenFallsBack)
{
    PlayerLevel level;
    level.AddGround(3.0f);
    cDorvo* d = level.AddPlayingPlayer({0.0f, 2.3f});
    level.Frame(90);
    const float rest = level.Body()->GetPosition().y;
    float highest = rest;
    int framesWithFuel = 0;
    for (int i = 0; i < 60; ++i)
    {
        d->Jump();
        level.Frame();
        highest = std::min(highest, level.Body()->GetPosition().y);
        if (d->jumpFuel > 0.0f)
            ++framesWithFuel;
    }
    EXPECT_LT(highest, rest - 1.0f) << "rises while the fuel lasts";
    EXPECT_EQ(d->jumpFuel, 0.0f);
    EXPECT_GT(framesWithFuel, 8);
    EXPECT_LT(framesWithFuel, 20);
    EXPECT_GT(level.jumpInputs, 0);
    // Held on an empty tank the player comes back down.
    for (int i = 0; i < 90; ++i)
    {
        d->Jump();
        level.Frame();
    }
    EXPECT_NEAR(level.Body()->GetPosition().y, rest, 0.3f);
    EXPECT_EQ(d->jumpRepeat, 2);
}

TEST(Dorvo, JumpOnAnEmptyTankIsMarkedButPushesNothing)
{
    // Two identical players in two worlds: one jumps on an empty tank, the other not.
    PlayerLevel a, b;
    cDorvo* da = a.AddPlayingPlayer({0.0f, 0.0f});
    cDorvo* db = b.AddPlayingPlayer({0.0f, 0.0f});
    da->jumpFuel = 0.0f;
    db->jumpFuel = 0.0f;
    da->Jump();
    EXPECT_EQ(da->jumped, 1);
    EXPECT_EQ(a.jumpInputs, 0);
    a.Frame();
    b.Frame();
    EXPECT_EQ(a.Body()->GetLinearVelocity().y, b.Body()->GetLinearVelocity().y);
    EXPECT_EQ(da->jumped, 0) << "the probe consumes the mark";
    EXPECT_EQ(da->jumpFuel, 0.0f) << "clamped at the bottom";

    // A no-jump zone refuses the jump altogether.
    da->ApplyTriggerZone(14);
    da->Jump();
    EXPECT_EQ(da->jumped, 0);
}

TEST(Dorvo, TriggerZonesSetTheirFlags)
{
    struct Case
    {
        int32_t type;
        uint32_t flag;
    };
    const Case cases[] = {{1, kZoneLift},      {10, kZoneStrongLift}, {7, kZonePushRight}, {8, kZonePushLeft},
                          {11, kZoneLevelA},   {12, kZoneLevelB},     {14, kZoneNoJump},   {3, 0u},
                          {-1, 0u}};
    PlayerLevel level;
    cDorvo* d = level.AddPlayingPlayer({0.0f, 0.0f});
    for (const Case& c : cases)
    {
        d->ClearZoneFlags();
        d->ApplyTriggerZone(c.type);
        EXPECT_EQ(d->GetZoneFlags(), c.flag) << "type " << c.type;
    }
    // A strong lift zone throws the player up whatever its speed.
    level.Body()->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    level.player->Update();
    d->ApplyTriggerZone(10);
    EXPECT_FLOAT_EQ(d->refY, level.player->position.y);
    level.StepWorld(level.timeStep, 8, 3);
    EXPECT_LT(level.Body()->GetLinearVelocity().y, -2.0f);
}

namespace
{
// A box (half size h, metres) at a position, with a dynamic object as its logic.
cDynamicObject* AddDynamicBox(PlayerLevel& level, const char* name, b2BodyType type, cVec2f at, float h)
{
    auto* obj = new cGameObj(&level);
    obj->SetName(name);
    auto* rb = new cRigidBodyController;
    obj->SetRigidBodyController(rb);
    rb->CreateBody(type);
    const b2Vec2 pts[4] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
    rb->AddPolygonFixture(pts, 0.5f, 0.0f, 1, 0xFFFF);
    rb->SetUseWorldGravity(false); // floats where it is put
    auto* logic = new cDynamicObject(nullptr);
    obj->SetLogicController(logic);
    obj->SetPosition(at);
    obj->Update();
    level.owned.push_back(obj);
    return logic;
}
} // namespace

TEST(Dorvo, ACarryingPlatformTakesThePlayerAlongItsMotion)
{
    PlayerLevel level;
    cDynamicObject* lift = AddDynamicBox(level, "lift", b2_staticBody, {0.0f, 4.0f}, 1.0f);
    lift->carriesPlayer = true;
    cDorvo* d = level.AddPlayingPlayer({0.0f, 2.3f});
    level.Frame(30);
    const float startX = level.player->position.x;
    for (int i = 0; i < 30; ++i)
    {
        cGameObj* platform = lift->GetOwner();
        platform->SetPosition(platform->position + cVec2f(0.05f, 0.0f));
        level.Frame();
        EXPECT_EQ(d->onPlatform, 1);
        EXPECT_EQ(d->platformName, "lift");
    }
    EXPECT_NEAR(level.player->position.x - startX, 1.5f, 0.1f);

    // Off the platform the player forgets it.
    lift->GetOwner()->SetPosition({40.0f, 4.0f});
    level.Frame(2);
    EXPECT_EQ(d->onPlatform, 0);
}

TEST(Dorvo, OnlyAPushableDynamicObjectFeelsThePlayersWeight)
{
    struct Case
    {
        const char* name;
        bool push, killer;
        bool sinks;
    };
    const Case cases[] = {{"pushable", true, false, true},
                          {"plain dynamic object", false, false, false},
                          {"pushable killer", true, true, false}};
    for (const Case& c : cases)
    {
        PlayerLevel level;
        cDynamicObject* box = AddDynamicBox(level, "box", b2_dynamicBody, {0.0f, 4.0f}, 1.0f);
        box->pushesPlayer = c.push;
        box->killer = c.killer;
        level.AddPlayingPlayer({0.0f, 2.3f});
        b2Body* boxBody = box->GetOwner()->GetRigidBodyController()->GetBody();
        // The box held in place while the player settles into its hover, then let go.
        for (int i = 0; i < 90; ++i)
        {
            boxBody->SetTransform(b2Vec2(0.0f, 4.0f), 0.0f);
            boxBody->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
            boxBody->SetAngularVelocity(0.0f);
            level.Frame();
        }
        boxBody->SetTransform(b2Vec2(0.0f, 4.0f), 0.0f);
        boxBody->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        boxBody->SetAngularVelocity(0.0f);
        level.Frame(5);
        if (c.sinks)
            EXPECT_GT(boxBody->GetLinearVelocity().y, 0.5f) << c.name;
        else
            EXPECT_NEAR(boxBody->GetLinearVelocity().y, 0.0f, 1e-4f) << c.name;
    }
}

TEST(Dorvo, DiesAndRespawnsIntoPlay)
{
    PlayerLevel level;
    level.AddGround(3.0f);
    cDorvo* d = level.AddPlayingPlayer({0.0f, 2.3f});
    level.Frame(10);

    d->SetPendingState(&cDorvo::StateDead);
    level.Frame();
    EXPECT_TRUE(d->states.IsCurrent(&cDorvo::StateDead));
    EXPECT_FALSE(level.Body()->IsEnabled());
    EXPECT_EQ(level.Body()->GetLinearVelocity().Length(), 0.0f);
    const b2Vec2 deadAt = level.Body()->GetPosition();
    level.Frame(20);
    EXPECT_EQ(level.Body()->GetPosition(), deadAt) << "a dead player does not move";

    // Back at a respawn point: 31 frames of growing in, then play.
    level.player->SetPosition({-5.0f, 2.3f});
    d->SetPendingState(&cDorvo::StateRespawn);
    level.Frame();
    EXPECT_EQ(d->phase, kDorvoRespawning);
    EXPECT_FALSE(level.Body()->IsEnabled());
    level.Frame(29);
    EXPECT_EQ(d->phase, kDorvoRespawning);
    level.Frame();
    EXPECT_EQ(d->phase, kDorvoPlaying);
    EXPECT_TRUE(level.Body()->IsEnabled());
    level.Frame();
    EXPECT_TRUE(d->states.IsCurrent(&cDorvo::StatePlay));
    EXPECT_NEAR(level.Body()->GetPosition().x, -5.0f, 1e-3f);
}

TEST(Dorvo, LevelEndHoldsTheSidewaysPositionAndTakesControlAway)
{
    PlayerLevel level;
    level.AddGround(3.0f);
    cDorvo* d = level.AddPlayingPlayer({0.0f, 1.0f});
    level.Body()->SetLinearVelocity(b2Vec2(5.0f, 0.0f));
    d->SetPendingState(&cDorvo::StateLevelEnd);
    level.Frame();
    const float x = d->lockX;
    EXPECT_EQ(level.player->position.x, x);
    level.Frame(30);
    EXPECT_EQ(d->controlAllowed, 0);
    EXPECT_NEAR(level.Body()->GetPosition().x, x, 1e-4f);
    EXPECT_GT(level.Body()->GetPosition().y, 1.5f) << "keeps falling under physics";
    d->Move(2.8f);
    d->Jump();
    EXPECT_EQ(d->moved, 0);
    EXPECT_EQ(d->jumped, 0);
}

TEST(Dorvo, VectorsOfNoLengthNeverFeedNaN)
{
    PlayerLevel level;
    cDorvo* d = level.AddPlayingPlayer({0.0f, 0.0f});
    // At rest a bouncy contact has no direction: nothing is thrown.
    level.Body()->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    level.player->Update();
    d->BoostOnBouncyContact(1.5f);
    level.StepWorld(level.timeStep, 8, 3);
    EXPECT_TRUE(Finite(level.Body()->GetLinearVelocity()));
    EXPECT_TRUE(Finite(level.Body()->GetPosition()));

    // Moving, it is thrown back along its velocity.
    level.Body()->SetLinearVelocity(b2Vec2(3.0f, 4.0f));
    level.player->Update();
    d->BoostOnBouncyContact(1.0f);
    level.StepWorld(level.timeStep, 8, 3);
    const b2Vec2 v = level.Body()->GetLinearVelocity();
    EXPECT_GT(v.x, 5.0f);
    EXPECT_TRUE(Finite(v));
    // Below 1 restitution nothing happens, not even the stop.
    level.player->Update();
    d->BoostOnBouncyContact(0.9f);
    EXPECT_EQ(level.Body()->GetLinearVelocity(), v);

    d->AddAngleDegrees(std::nanf(""));
    d->AddAngleDegrees(INFINITY);
    EXPECT_EQ(d->angle, 0.0f);
    level.Frame(10);
    EXPECT_TRUE(std::isfinite(d->displayAngle));
    EXPECT_TRUE(std::isfinite(d->tilt));
    EXPECT_TRUE(Finite(level.Body()->GetPosition()));
}

TEST(Dorvo, TiltFollowsASlopeWithinHalfARadian)
{
    PlayerLevel level;
    // A ramp falling to the right: y grows by 0.3 per metre.
    auto* ramp = new cGameObj(&level);
    auto* rb = new cRigidBodyController;
    ramp->SetRigidBodyController(rb);
    rb->CreateStaticBody();
    const b2Vec2 pts[4] = {{-10.0f, 0.0f}, {10.0f, 6.0f}, {10.0f, 8.0f}, {-10.0f, 8.0f}};
    rb->AddPolygonFixture(pts, 0.5f, 0.0f, 1, 0xFFFF);
    level.owned.push_back(ramp);

    cDorvo* d = level.AddPlayer({0.0f, 2.0f});
    level.Frame(3);
    EXPECT_NEAR(d->tilt, std::atan(0.3f), 0.02f);
    EXPECT_EQ(d->tiltMisses, 0);

    // Turned upside down over nothing, the tilt misses and fades.
    d->AddAngleDegrees(180.0f);
    EXPECT_FLOAT_EQ(d->angle, kPi) << "a half turn from 0 is +pi, never -pi";
    d->SetPendingState(&cDorvo::StateDead);
    level.Frame();
    for (int i = 0; i < 12; ++i)
        d->UpdateGroundTilt();
    EXPECT_GT(d->tiltMisses, 10);
    EXPECT_LT(std::fabs(d->tilt), 0.03f);
    EXPECT_LE(std::fabs(d->tilt), 0.5f);
}

TEST(Dorvo, TurningPastHalfATurnKeepsTheDrawnAngleOnTheShortWay)
{
    cDorvo d;
    d.angle = 3.0f;
    d.displayAngle = 3.0f;
    d.AddAngleDegrees(20.0f); // 3.349 wraps to about -2.934
    EXPECT_NEAR(d.angle, 3.0f + 0.34906584f - kTwoPi, 1e-5f);
    EXPECT_NEAR(d.displayAngle, 3.0f - kTwoPi, 1e-5f) << "eases by a small step, not most of a turn";
    d.AddAngleDegrees(-20.0f);
    EXPECT_NEAR(d.angle, 3.0f, 1e-5f);
    EXPECT_NEAR(d.displayAngle, 3.0f, 1e-5f);
    EXPECT_NEAR(d.gravity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(d.gravity.y, 20.0f, 1e-4f);
}

TEST(Dorvo, TrailColoursByLookAndHeight)
{
    struct Case
    {
        int32_t look;
        float y;
        cRGBA start, end;
    };
    const Case cases[] = {
        {0, -31.0f, {150, 255, 255, 75}, {255, 255, 255, 0}}, // high: fully blended up
        {0, 9.0f, {255, 100, 0, 75}, {255, 255, 50, 0}},      // low: fully blended down
        {0, 4.0f, {127, 177, 127, 75}, {255, 255, 152, 0}},   // half way down
        {1, 0.0f, {0, 42, 248, 75}, {255, 255, 255, 0}},
        {6, 0.0f, {255, 241, 0, 75}, {255, 241, 0, 0}},
        {8, -5.0f, {114, 214, 71, 75}, {114, 214, 71, 0}},
        {8, 9.0f, {186, 36, 58, 75}, {186, 36, 58, 0}},
        {10, 9.0f, {238, 255, 72, 75}, {238, 255, 72, 0}},
    };
    for (const Case& c : cases)
    {
        uint32_t start = 0, end = 0;
        cDorvo::TrailColours(c.look, c.y, start, end);
        EXPECT_EQ(start, c.start.Word()) << "look " << c.look << " at " << c.y;
        EXPECT_EQ(end, c.end.Word()) << "look " << c.look << " at " << c.y;
    }
}

namespace
{
// Records where frames are drawn (the transform's origin) and at which layer.
struct FrameRecorder : cGfx2D
{
    FrameRecorder() : cGfx2D(nullptr) {}
    void DrawFrame(const ImageRect* frame, uint32_t) override
    {
        draws.push_back({frame, transform.TransformPoint(cVec2f()), layer, transform});
    }
    void SetRenderFlagsHigh(uint16_t) override {}
    struct Draw
    {
        const ImageRect* frame;
        cVec2f at;
        int32_t layer;
        cAffine2D transform;
    };
    std::vector<Draw> draws;
};
} // namespace

TEST(Dorvo, SpriteIsDrawnAtTheBodyPositionInPixels)
{
    PlayerLevel level;
    cGlaSet set;
    ImageRect look{nullptr, 0, 0, 16, 16};
    cGlaScene* right = new cGlaScene();
    right->frameCount = 2;
    right->fps = 30.0f;
    set.AddScene(right);
    auto* sprite = static_cast<cGlaElementSprite*>(CreateGlaElement(kGlaSprite));
    sprite->name = "body";
    sprite->visible.AddKey(true);
    sprite->position.AddKey(cVec2f());
    sprite->scale.AddKey(cVec2f(1.0f, 1.0f));
    sprite->frames.AddNamedKey(&look, 0, "look");
    right->AddSpriteElement(sprite);
    level.scenes[cDorvoLevel::kSceneRight] = right;

    // Appearing, the sprite grows in from nothing while it spins.
    cDorvo* d = level.AddPlayer({2.0f, 1.0f});
    level.Frame(15);
    EXPECT_NEAR(d->progress, 0.5f, 1e-5f);
    {
        FrameRecorder growing;
        level.player->Draw(&growing);
        ASSERT_EQ(growing.draws.size(), 1u);
        const cAffine2D& t = growing.draws[0].transform;
        EXPECT_NEAR(std::hypot(t.m0, t.m1), 0.5f, 1e-4f);
    }
    level.Frame(17);
    ASSERT_EQ(d->phase, kDorvoPlaying);
    level.Frame();
    FrameRecorder gfx;
    level.player->Draw(&gfx);
    ASSERT_EQ(gfx.draws.size(), 1u);
    EXPECT_EQ(gfx.draws[0].frame, &look);
    EXPECT_NEAR(gfx.draws[0].at.x, level.player->position.x * 32.0f, 1e-3f);
    EXPECT_NEAR(gfx.draws[0].at.y, level.player->position.y * 32.0f, 1e-3f);
    EXPECT_EQ(gfx.draws[0].layer, 3401);
    EXPECT_TRUE(gfx.transformStack.empty());
    EXPECT_TRUE(gfx.layerStack.empty());

    // Dead, nothing is drawn.
    d->SetPendingState(&cDorvo::StateDead);
    level.Frame();
    gfx.draws.clear();
    level.player->Draw(&gfx);
    EXPECT_TRUE(gfx.draws.empty());
}
