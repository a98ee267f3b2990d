#include "game/objects/DynamicObject.h"

#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <functional>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/PhysicsFixtures.h"
#include "game/objects/SpawnedObject.h"

using objecttest::AddBodyObject;
using objecttest::Images;
using objecttest::SceneKit;
using objecttest::TestObjectLevel;

namespace
{
cDynamicObject* MakeDynamic(TestObjectLevel& level, const std::string& name, b2BodyType type = b2_dynamicBody,
                            cGameObj** out = nullptr)
{
    cGameObj* obj = AddBodyObject(level, type, name);
    auto* dyn = new cDynamicObject(nullptr);
    obj->SetLogicController(dyn);
    if (out != nullptr)
        *out = obj;
    return dyn;
}

b2Body* BodyOf(cDynamicObject* dyn) { return dyn->GetOwner()->GetRigidBodyController()->GetBody(); }

// Runs a callback from inside the world step, at the first contact that begins.
struct StepHook : b2ContactListener
{
    void BeginContact(b2Contact*) override
    {
        if (action)
        {
            ranLocked = ranLocked || world->IsLocked();
            auto run = action;
            action = nullptr;
            run();
        }
    }
    b2World* world = nullptr;
    std::function<void()> action;
    bool ranLocked = false;
};
} // namespace

// Activation from inside the world step: the body is enabled after the step, not in it;
// the chain follows the activate events by name.
TEST(DynamicObject, ActivationInsideTheStepIsDeferred)
{
    TestObjectLevel level;
    cGameObj* ground = AddBodyObject(level, b2_staticBody, "ground");
    ground->SetPosition(cVec2f(0.0f, 3.0f));
    cGameObj* faller = AddBodyObject(level, b2_dynamicBody, "faller");
    faller->SetPosition(cVec2f(0.0f, 1.9f));

    cGameObj* gateObj = nullptr;
    cDynamicObject* gate = MakeDynamic(level, "gate", b2_dynamicBody, &gateObj);
    gateObj->SetPosition(cVec2f(10.0f, 0.0f));
    cDynamicObject* next = MakeDynamic(level, "next");
    BodyOf(next)->GetFixtureList()->SetSensor(true);
    for (cDynamicObject* d : {gate, next})
    {
        d->active = false;
        d->GetOwner()->GetRigidBodyController()->SetBodyActive(false);
    }
    gate->SetActivateEvent("next");

    StepHook hook;
    hook.world = level.world;
    hook.action = [gate] { gate->Activate(); };
    level.world->SetContactListener(&hook);
    for (int i = 0; i < 30 && hook.action; ++i)
        level.Step();
    level.world->SetContactListener(nullptr);
    ASSERT_TRUE(hook.ranLocked);
    EXPECT_TRUE(gate->active);
    EXPECT_TRUE(next->active);
    EXPECT_TRUE(BodyOf(gate)->IsEnabled());
    EXPECT_TRUE(BodyOf(next)->IsEnabled());

    // A missing target ends the chain quietly; an active destroyable target is destroyed.
    cDynamicObject* lonely = MakeDynamic(level, "lonely");
    lonely->active = false;
    lonely->SetActivateEvent("nobody");
    lonely->Activate();
    EXPECT_TRUE(lonely->active);
    next->destroyable = true;
    next->life = 3;
    next->Activate();
    EXPECT_EQ(next->life, 0);
}

// Hits: the threshold itself counts; one contact per frame is examined; the player and
// killer filters; at life 0 the object drops, bursts, fires its event and goes inactive.
TEST(DynamicObject, DestroyableTakesHitsAndBreaks)
{
    Images images;
    TestObjectLevel level;
    level.barrelPieces = images.List(4);
    level.effectImages = images.List(5);
    cDynamicObject* crate = MakeDynamic(level, "crate");
    crate->destroyable = true;
    crate->hitThreshold = 5.0f;
    crate->life = crate->fullLife = 3;
    crate->effectType = 1;
    crate->dropKind = 2;
    crate->dropCount = 3;
    crate->SetDestroyedEvent("door");
    cDynamicObject* door = MakeDynamic(level, "door");
    door->active = false;

    level.frameCounter = 1;
    crate->OnContact(4.9f, false, false, cVec2f());
    EXPECT_EQ(crate->life, 3);
    level.frameCounter = 2;
    crate->OnContact(5.0f, false, false, cVec2f());
    crate->OnContact(50.0f, false, false, cVec2f()); // same frame: ignored
    EXPECT_EQ(crate->life, 2);
    level.frameCounter = 3;
    crate->OnContact(50.0f, true, false, cVec2f()); // the player does not count
    EXPECT_EQ(crate->life, 2);
    level.frameCounter = 4;
    crate->OnContact(50.0f, false, false, cVec2f());
    level.frameCounter = 5;
    crate->OnContact(50.0f, false, false, cVec2f());
    EXPECT_EQ(crate->life, 0);

    const uint32_t before = level.pool.Used();
    level.Frame();
    EXPECT_FALSE(crate->active);
    EXPECT_EQ(level.drops.size(), 3u);
    EXPECT_EQ(level.drops[0].kind, 2);
    EXPECT_EQ(crate->dropKind, 0);
    EXPECT_GE(level.pool.Used(), before + 21u);
    EXPECT_TRUE(door->active);
    EXPECT_FALSE(BodyOf(crate)->IsEnabled());
    // Gone for good: no second burst.
    const uint32_t after = level.pool.Used();
    level.Frame();
    EXPECT_LE(level.pool.Used(), after);
    EXPECT_EQ(level.drops.size(), 3u);

    // By player only, and killers only.
    cDynamicObject* wall = MakeDynamic(level, "wall");
    wall->destroyable = true;
    wall->byPlayer = true;
    wall->life = 5;
    level.frameCounter = 10;
    wall->OnContact(1.0f, false, false, cVec2f());
    level.frameCounter = 11;
    wall->OnContact(1.0f, true, false, cVec2f());
    EXPECT_EQ(wall->life, 4);
    wall->killerOnly = true;
    level.frameCounter = 12;
    wall->OnContact(1.0f, true, false, cVec2f());
    level.frameCounter = 13;
    wall->OnContact(1.0f, true, true, cVec2f());
    EXPECT_EQ(wall->life, 3);

    // Falling out of the level destroys it.
    wall->GetOwner()->SetPosition(cVec2f(0.0f, 200.0f));
    wall->Update(0.0f);
    EXPECT_EQ(wall->life, 0);
}

TEST(DynamicObject, RotatorTurnsTheWorld)
{
    TestObjectLevel level;
    cDynamicObject* once = MakeDynamic(level, "once", b2_staticBody);
    once->rotateWorld = once->rotateOnce = true;
    once->rotateAmount = 90.0f;
    cDynamicObject* again = MakeDynamic(level, "again", b2_staticBody);
    again->rotateWorld = true;
    again->rotateAmount = 180.0f;
    again->rotateDirect = true;

    once->OnContact(1.0f, false, false, cVec2f()); // only the player counts
    EXPECT_TRUE(level.angleCalls.empty());
    for (int frame = 0; frame < 130; ++frame)
    {
        once->OnContact(1.0f, true, false, cVec2f());
        again->OnContact(1.0f, true, false, cVec2f());
        level.Frame();
    }
    // Once for "once"; "again" at frames 0, 60 and 120.
    EXPECT_EQ(level.angleCalls.size(), 1u + 3u);
    EXPECT_FLOAT_EQ(level.worldAngle, 180.0f);
}

// A spawner with a gap of 3 spawns on every third frame; once spawns a single object;
// one that waits for activation spawns again only after the next activation.
TEST(DynamicObject, SpawnerLivesByItsCounter)
{
    SceneKit kit;
    cGlaScene* scene = kit.AddScene("Level");
    cGlaElement* templ = kit.AddObject(scene, "ball");
    TestObjectLevel level;
    cDynamicObject* spawner = MakeDynamic(level, "spawner", b2_staticBody);
    spawner->GetOwner()->SetPosition(cVec2f(2.0f, 1.0f));
    spawner->spawnerOn = true;
    spawner->spawnerGap = 3;
    spawner->spawnerCounter = 3;
    spawner->spawnerObject = templ;
    for (int i = 0; i < 9; ++i)
        level.Frame();
    ASSERT_EQ(level.spawns.size(), 3u);
    EXPECT_EQ(level.spawns[0].element, templ);
    EXPECT_EQ(level.spawns[0].position, cVec2f(64.0f, 32.0f));

    spawner->spawnerOnce = true;
    spawner->spawnerNeedsActivation = true;
    for (int i = 0; i < 9; ++i)
        level.Frame();
    EXPECT_EQ(level.spawns.size(), 4u);
    EXPECT_FALSE(spawner->spawnerOn);
    spawner->Activate();
    EXPECT_TRUE(spawner->spawnerOn);
    for (int i = 0; i < 9; ++i)
        level.Frame();
    EXPECT_EQ(level.spawns.size(), 5u);

    // Player below: counts only while the player is within 20 pixels in x.
    cDynamicObject* dropper = MakeDynamic(level, "dropper", b2_staticBody);
    dropper->spawnerOn = dropper->spawnerPlayerBelow = true;
    dropper->spawnerGap = dropper->spawnerCounter = 2;
    dropper->spawnerObject = templ;
    level.hasPlayer = true;
    level.playerPos = cVec2f(5.0f, 0.0f);
    for (int i = 0; i < 4; ++i)
        level.Frame();
    EXPECT_EQ(level.spawns.size(), 5u);
    level.playerPos = cVec2f(0.5f, 3.0f);
    for (int i = 0; i < 4; ++i)
        level.Frame();
    EXPECT_EQ(level.spawns.size(), 7u);

    // No template: nothing is built, the counter still runs.
    dropper->spawnerObject = nullptr;
    for (int i = 0; i < 4; ++i)
        level.Frame();
    EXPECT_EQ(level.spawns.size(), 7u);
    EXPECT_EQ(dropper->spawnerCounter, 2);
}

// A frame spawner aims along its revolute joint: the spawn takes the negated joint angle,
// a particle flies out, and the jointed objects are hit.
TEST(DynamicObject, FrameSpawnerAimsAlongItsJoint)
{
    SceneKit kit;
    cGlaScene* scene = kit.AddScene("Level");
    cGlaElement* templ = kit.AddObject(scene, "shot");
    cGlaScene* look = kit.AddScene("gun", 5);
    Images images;
    TestObjectLevel level;
    level.effectImages = images.List(5);
    cDynamicObject* gun = MakeDynamic(level, "gun", b2_staticBody);
    gun->CreateSceneController(look);
    gun->spawnerOn = gun->spawnerOnFrame = gun->spawnerOnce = true;
    gun->spawnerGap = 2;
    gun->spawnerObject = templ;
    cDynamicObject* barrel = MakeDynamic(level, "barrel");
    barrel->GetOwner()->GetRigidBodyController()->SetUseWorldGravity(false);
    BodyOf(barrel)->SetTransform(b2Vec2(0.0f, 0.0f), 0.5f);
    barrel->destroyable = true;
    barrel->life = 5;
    b2RevoluteJointDef def;
    def.Initialize(BodyOf(gun), BodyOf(barrel), b2Vec2(0.0f, 0.0f));
    def.referenceAngle = 0.0f;
    level.world->CreateJoint(&def);

    for (int i = 0; i < 6 && level.spawns.empty(); ++i)
    {
        level.frameCounter += 1;
        for (cGameObj* o : level.objects)
            o->Update();
    }
    ASSERT_EQ(level.spawns.size(), 1u);
    EXPECT_NEAR(level.spawns[0].angle, -0.5f, 1e-4f);
    EXPECT_FALSE(gun->spawnerOn);
    EXPECT_EQ(barrel->life, 4);
    ASSERT_EQ(level.pool.Used(), 1u);
    const cParticle* p = level.pool.head;
    EXPECT_NEAR(p->velocity.Length(), 26.0f, 1e-3f);
    EXPECT_FLOAT_EQ(p->lifeRate, 0.1f);
}

// A spring between two joints is drawn as a band from one anchor to the other with its
// sprite hidden, and is heard on the spring voice; with one joint the sprite is drawn.
TEST(DynamicObject, SpringBandBetweenItsJoints)
{
    struct CountingGfx : physicstest::RecordingGfx
    {
        void DrawTexturedPolygon(const cVec2f*, const uint32_t*, const cVec2f*, cImage*, uint32_t n) override
        {
            bands += n == 4 ? 1 : 0;
        }
        void DrawFrame(const ImageRect*, uint32_t) override { frames += 1; }
        int bands = 0;
        int frames = 0;
    };
    SceneKit kit;
    cGlaScene* look = kit.AddScene("springLook", 1);
    auto* sprite = new cGlaElementSprite();
    sprite->name = "spring";
    sprite->visible.AddKey(true);
    sprite->position.AddKey(cVec2f());
    sprite->scale.AddKey(cVec2f(1.0f, 1.0f));
    ImageRect band;
    band.w = 8;
    band.h = 10;
    sprite->frames.AddNamedKey(&band, 0, "band.png");
    look->AddSpriteElement(sprite);

    objecttest::LoopbackAudio a;
    TestObjectLevel level;
    level.viewBox = cOrientedBox::FromCentreAngle(cVec2f(), cVec2f(10000.0f, 10000.0f), 0.0f);
    if (a.audio != nullptr)
        level.springLoudSounds = {a.NewSound()};
    cDynamicObject* spring = MakeDynamic(level, "spring");
    spring->effectType = 6;
    spring->CreateSceneController(look);
    auto* sc = FindSpriteController(spring->sceneController, "spring");
    ASSERT_NE(sc, nullptr);
    cDynamicObject* left = MakeDynamic(level, "left", b2_staticBody);
    cDynamicObject* right = MakeDynamic(level, "right", b2_staticBody);
    b2RevoluteJointDef def;
    def.Initialize(BodyOf(left), BodyOf(spring), b2Vec2(-1.0f, 0.0f));
    level.world->CreateJoint(&def);

    CountingGfx gfx;
    spring->Draw(&gfx);
    EXPECT_EQ(gfx.bands, 0);
    EXPECT_TRUE(sc->visible);

    def.Initialize(BodyOf(right), BodyOf(spring), b2Vec2(1.0f, 0.0f));
    level.world->CreateJoint(&def);
    spring->Draw(&gfx);
    EXPECT_EQ(gfx.bands, 1);
    EXPECT_FALSE(sc->visible);
    EXPECT_TRUE(gfx.transformStack.empty());
    EXPECT_EQ(gfx.layer, 0);
    if (a.audio != nullptr)
    {
        EXPECT_EQ(a.On(13), level.springLoudSounds[0]);
    }

    // Low performance modes draw no band.
    level.performance = 1;
    spring->Draw(&gfx);
    EXPECT_EQ(gfx.bands, 1);
}

// A static body is carried along its path; a dynamic one is pulled by a mouse joint; a
// path without length and a zero step keep everything finite.
TEST(DynamicObject, PathFollowing)
{
    SceneKit kit;
    cGlaScene* scene = kit.AddScene("Level");
    cGlaElementPath* track = kit.AddPath(scene, "track", {{0.0f, 0.0f}, {320.0f, 0.0f}});
    cGlaElementPath* dot = kit.AddPath(scene, "dot", {{32.0f, 32.0f}, {32.0f, 32.0f}});
    TestObjectLevel level;
    cDynamicObject* platform = MakeDynamic(level, "platform", b2_staticBody);
    platform->SetPath(1, track, 32.0f, 0.0f, 0.0f);
    EXPECT_TRUE(platform->bodyFixed);
    EXPECT_FLOAT_EQ(platform->pathStep, 0.05f);
    bool reversed = false;
    for (int i = 0; i < 25; ++i)
    {
        level.Frame();
        reversed = reversed || platform->pathStep < 0.0f;
    }
    EXPECT_TRUE(reversed);
    EXPECT_NE(platform->path, nullptr);

    cDynamicObject* crate = MakeDynamic(level, "crate");
    crate->SetPath(0, track, 16.0f, 0.25f, 0.0f);
    EXPECT_FALSE(crate->bodyFixed);
    level.Frame();
    EXPECT_TRUE(crate->placed);
    ASSERT_NE(crate->mouseJoint, nullptr);
    EXPECT_NEAR(crate->mouseJoint->GetTarget().x, track->GetPointAt(crate->pathPosition).x / 32.0f,
                1e-4f);

    cDynamicObject* stuck = MakeDynamic(level, "stuck", b2_staticBody);
    stuck->SetPath(2, dot, 10.0f, 0.0f, 5.0f);
    EXPECT_FLOAT_EQ(stuck->pathStep, 0.0f);
    EXPECT_FLOAT_EQ(stuck->pathStepIncrease, 0.0f);
    for (int i = 0; i < 5; ++i)
        level.Frame();
    EXPECT_TRUE(std::isfinite(stuck->GetOwner()->position.x));
    EXPECT_NEAR(stuck->GetOwner()->position.x, 1.0f, 1e-5f);

    // Type 4 waits until destroyed, then sets off and stays active.
    cDynamicObject* waiting = MakeDynamic(level, "waiting", b2_staticBody);
    waiting->SetPath(4, track, 32.0f, 0.0f, 0.0f);
    waiting->destroyable = true;
    waiting->life = 1;
    level.Frame();
    const float start = waiting->pathPosition;
    level.Frame();
    EXPECT_FLOAT_EQ(waiting->pathPosition, start);
    waiting->life = 0;
    level.Frame();
    level.Frame();
    EXPECT_TRUE(waiting->active);
    EXPECT_GT(waiting->pathPosition, start);
}

TEST(DynamicObject, FollowForceSleepAndLimits)
{
    TestObjectLevel level;
    level.hasPlayer = true;
    level.playerPos = cVec2f(10.0f, 0.0f);
    cDynamicObject* follower = MakeDynamic(level, "follower", b2_kinematicBody);
    follower->followsPlayer = true;
    follower->limitY = true;
    follower->limitYValue = 2.0f;
    level.Frame();
    EXPECT_FLOAT_EQ(follower->GetOwner()->position.x, 0.0f); // not in the zone
    level.zoneFlags = kObjectZoneFollow;
    level.Frame();
    EXPECT_NEAR(follower->GetOwner()->position.x, 0.375f, 1e-5f);
    EXPECT_FLOAT_EQ(follower->GetOwner()->position.y, 2.0f);
    level.playerPos = follower->GetOwner()->position;
    level.Frame(); // already there: no division by a zero distance
    EXPECT_TRUE(std::isfinite(follower->GetOwner()->position.x));

    cGameObj* pusherObj = nullptr;
    cDynamicObject* pusher = MakeDynamic(level, "pusher", b2_dynamicBody, &pusherObj);
    pusherObj->GetRigidBodyController()->SetUseWorldGravity(false);
    pusher->forceOn = true;
    pusher->force = cVec2f(50.0f, 0.0f);
    pusher->pushFrames = pusher->pushLeft = 2;
    pusher->pauseFrames = 3;
    level.Frame();
    level.Frame();
    EXPECT_EQ(pusher->pauseLeft, 3);
    level.Frame();
    EXPECT_GT(BodyOf(pusher)->GetLinearVelocity().x, 0.0f);

    cDynamicObject* sleeper = MakeDynamic(level, "sleeper");
    sleeper->active = false;
    sleeper->sleeping = true;
    sleeper->sleepFrames = 3;
    level.Frame();
    level.Frame();
    EXPECT_FALSE(sleeper->active);
    level.Frame();
    EXPECT_TRUE(sleeper->active);
    EXPECT_FALSE(sleeper->sleeping);

    physicstest::RecordingGfx gfx;
    for (cGameObj* o : level.objects)
        o->Draw(&gfx);
    EXPECT_TRUE(gfx.transformStack.empty());
}

// Spawned objects: life and death by contacts and by time.
TEST(SpawnedObject, LivesAndDies)
{
    Images images;
    TestObjectLevel level;
    level.barrelPieces = images.List(4);
    level.effectImages = images.List(5);

    auto make = [&](const std::string& name) {
        cGameObj* obj = AddBodyObject(level, b2_dynamicBody, name);
        auto* s = new cSpawnedObject(nullptr);
        obj->SetLogicController(s);
        return s;
    };

    // No life: dies on its first update, dropping its sugar and firing its event.
    cSpawnedObject* brief = make("brief");
    brief->carriesSugar = true;
    brief->destroyedEvent = true;
    brief->destroyedTarget = "gate";
    cGameObj* gateObj = AddBodyObject(level, b2_staticBody, "gate");
    auto* gate = new cDynamicObject(nullptr);
    gateObj->SetLogicController(gate);
    gate->active = false;
    brief->Update(0.0f);
    EXPECT_FALSE(brief->GetOwner()->IsAlive());
    ASSERT_EQ(level.drops.size(), 1u);
    EXPECT_EQ(level.drops[0].kind, 1);
    EXPECT_TRUE(gate->active);
    brief->Update(0.0f); // the death step runs once
    EXPECT_EQ(level.drops.size(), 1u);

    // Three counted contacts kill at once; the burst shows once.
    cSpawnedObject* ball = make("ball");
    ball->lifeLeft = 1000;
    ball->dieOnContact = true;
    ball->hitsToDie = 3;
    ball->effectType = 1;
    OnSpawnedObjectHit(ball, 1.0f, cVec2f());
    EXPECT_TRUE(ball->hit);
    EXPECT_EQ(ball->lifeLeft, 200);
    OnSpawnedObjectHit(ball, 1.0f, cVec2f());
    EXPECT_FALSE(ball->dead);
    const uint32_t before = level.pool.Used();
    OnSpawnedObjectHit(ball, 1.0f, cVec2f());
    EXPECT_TRUE(ball->dead);
    EXPECT_EQ(ball->lifeLeft, 0);
    EXPECT_EQ(level.pool.Used(), before + 2u + 21u);
    ball->Update(0.0f);
    EXPECT_FALSE(ball->GetOwner()->IsAlive());
    EXPECT_EQ(level.pool.Used(), before + 23u);

    // Without "DieOnContact" plain hits do not count, a killer's contact does.
    cSpawnedObject* rock = make("rock");
    rock->lifeLeft = 1000;
    rock->hitsToDie = 2;
    OnSpawnedObjectHit(rock, 5.0f, cVec2f());
    EXPECT_EQ(rock->hitCount, 0);
    OnSpawnedObjectContact(rock);
    EXPECT_EQ(rock->hitCount, 1);
    EXPECT_EQ(rock->lifeLeft, 200);
    for (int i = 0; i < 199; ++i)
        rock->Update(0.0f);
    EXPECT_TRUE(rock->GetOwner()->IsAlive());
    rock->Update(0.0f);
    EXPECT_FALSE(rock->GetOwner()->IsAlive());

    // One force cycle.
    cSpawnedObject* rocket = make("rocket");
    rocket->lifeLeft = 100;
    rocket->forceOn = true;
    rocket->force = cVec2f(0.0f, -100.0f);
    rocket->pushFrames = rocket->pushLeft = 2;
    rocket->Update(0.0f);
    rocket->Update(0.0f);
    EXPECT_FALSE(rocket->forceOn);
    rocket->turnToDirection = true;
    physicstest::RecordingGfx gfx;
    rocket->Draw(&gfx);
}
