#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "game/objects/BackgroundObject.h"
#include "game/objects/MoverObject.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/PhysicsFixtures.h"
#include "game/objects/WorldObject.h"

using objecttest::AddBodyObject;
using objecttest::SceneKit;
using objecttest::TestObjectLevel;

namespace
{
// A mover on a straight path of 320 pixels (10 m) along x; speed 32 gives a step of 0.05.
struct MoverFixture
{
    explicit MoverFixture(int32_t type, bool closedPath = false, float pathPosition = 0.0f, bool dynamic = false)
    {
        scene = kit.AddScene("Level");
        if (closedPath)
            track = kit.AddPath(scene, "track", {{0.0f, 0.0f}, {320.0f, 0.0f}, {320.0f, 320.0f}, {0.0f, 320.0f}}, true);
        else
            track = kit.AddPath(scene, "track", {{0.0f, 0.0f}, {320.0f, 0.0f}});
        cGlaElementGameObj* e = kit.AddObject(scene, "door");
        SceneKit::Float(e, "Speed", 32.0f);
        SceneKit::Ref(e, "Path", "track");
        SceneKit::Enum(e, "Type", type);
        SceneKit::Enum(e, "KeyCode", 2);
        if (pathPosition != 0.0f)
            SceneKit::Float(e, "PathPosition", pathPosition);
        SceneKit::Bool(e, "Dynamic", dynamic);
        obj = AddBodyObject(level, b2_kinematicBody, "door");
        mover = new cMoverObject(e);
        obj->SetLogicController(mover);
        mover->CreateSceneController(kit.AddScene("look", 4));
    }
    float X() const { return obj->position.x; }
    // Where the path puts the mover at fraction t, in metres.
    float PathX(float t) const { return track->GetPointAt(t).x / 32.0f; }
    SceneKit kit;
    cGlaScene* scene = nullptr;
    cGlaElementPath* track = nullptr;
    TestObjectLevel level;
    cGameObj* obj = nullptr;
    cMoverObject* mover = nullptr;
};
} // namespace

TEST(MoverObject, ReadsItsElement)
{
    MoverFixture f(3, false, 0.5f, true);
    EXPECT_FLOAT_EQ(f.mover->speed, 32.0f);
    EXPECT_FLOAT_EQ(f.mover->step, 0.05f);
    EXPECT_EQ(f.mover->keyBits, 0x2u);
    EXPECT_FALSE(f.mover->open);
    EXPECT_TRUE(f.mover->holdAtStart);
    EXPECT_FLOAT_EQ(f.mover->position, 0.5f);
    EXPECT_TRUE(f.mover->IsKindOf(cLogicController::StaticClassInfo()));
    for (auto [code, bits] : {std::pair{1, 1u}, {2, 2u}, {3, 4u}, {4, 8u}, {0, 0u}, {12, 12u}})
        EXPECT_EQ(cMoverObject::KeyBitsOfCode(code), bits);
}

// Travels once: the first update places it and steps; it stops where the path ended.
TEST(MoverObject, TravelsOnceAndStops)
{
    MoverFixture f(0);
    f.level.Frame();
    EXPECT_NEAR(f.X(), f.PathX(0.05f), 1e-4f); // placed, then one step on
    EXPECT_NEAR(f.mover->position, 0.1f, 1e-6f);
    for (int i = 0; i < 40; ++i)
        f.level.Frame();
    EXPECT_EQ(f.mover->path, nullptr);
    EXPECT_NEAR(f.X(), f.PathX(0.95f), 1e-3f);
    EXPECT_NEAR(f.obj->GetRigidBodyController()->GetBody()->GetPosition().x, f.PathX(0.95f), 1e-3f);
}

// A locked door stands until opened, then travels once.
TEST(MoverObject, LockedDoorOpensAndTravelsOnce)
{
    MoverFixture f(3);
    for (int i = 0; i < 10; ++i)
        f.level.Frame();
    EXPECT_NEAR(f.X(), 0.0f, 1e-5f);
    EXPECT_FALSE(f.mover->KeysFit(0x1));
    EXPECT_TRUE(f.mover->KeysFit(0x3));
    f.mover->open = true;
    f.level.Frame();
    EXPECT_EQ(f.mover->type, 0);
    EXPECT_GT(f.X(), 0.0f);
    for (int i = 0; i < 40; ++i)
        f.level.Frame();
    EXPECT_EQ(f.mover->path, nullptr);
    const float end = f.X();
    f.level.Frame();
    EXPECT_FLOAT_EQ(f.X(), end);
}

TEST(MoverObject, BouncesRestartsWrapsAndHolds)
{
    // Back and forth: the step turns at the far end and again at the start.
    MoverFixture bounce(1);
    float furthest = 0.0f;
    bool turned = false, cameBack = false;
    for (int i = 0; i < 60; ++i)
    {
        bounce.level.Frame();
        furthest = std::max(furthest, bounce.X());
        turned = turned || bounce.mover->step < 0.0f;
        cameBack = cameBack || (turned && bounce.mover->step > 0.0f);
    }
    EXPECT_TRUE(turned);
    EXPECT_TRUE(cameBack);
    EXPECT_GT(furthest, 9.0f);
    EXPECT_NE(bounce.mover->path, nullptr);

    // Restart: back to 0 after the end.
    MoverFixture restart(2);
    for (int i = 0; i < 19; ++i)
        restart.level.Frame();
    EXPECT_LT(restart.mover->position, 0.2f);

    // A closed path wraps for any type.
    MoverFixture loop(1, true);
    for (int i = 0; i < 200; ++i)
        loop.level.Frame();
    EXPECT_GT(loop.mover->step, 0.0f);
    EXPECT_GE(loop.mover->position, 0.0f);
    EXPECT_LT(loop.mover->position, 1.0f);

    // Starting half way along.
    MoverFixture half(0, false, 0.5f);
    half.level.Frame();
    EXPECT_NEAR(half.X(), half.PathX(0.55f), 1e-3f);

    // A locked "Dynamic" door is held at its start even when pushed.
    MoverFixture hold(3, false, 0.5f, true);
    hold.level.Frame();
    hold.obj->SetPosition(cVec2f(3.0f, 3.0f));
    hold.level.Frame();
    EXPECT_NEAR(hold.X(), 0.0f, 1e-5f);
}

// A path without length, a mover without a path or element: no NaN, no movement.
TEST(MoverObject, DegeneratePathsStayFinite)
{
    SceneKit kit;
    cGlaScene* scene = kit.AddScene("Level");
    kit.AddPath(scene, "dot", {{64.0f, 64.0f}, {64.0f, 64.0f}});
    cGlaElementGameObj* e = kit.AddObject(scene, "m");
    SceneKit::Float(e, "Speed", 10.0f);
    SceneKit::Ref(e, "Path", "dot");
    TestObjectLevel level;
    cGameObj* obj = AddBodyObject(level, b2_kinematicBody);
    auto* mover = new cMoverObject(e);
    obj->SetLogicController(mover);
    EXPECT_FLOAT_EQ(mover->step, 0.0f);
    for (int i = 0; i < 5; ++i)
        level.Frame();
    EXPECT_TRUE(std::isfinite(obj->position.x));
    EXPECT_NEAR(obj->position.x, 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(PathStepFor(5.0f, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_FLOAT_EQ(PathStepFor(std::numeric_limits<float>::infinity(), 10.0f), 0.0f);

    cGameObj* bare = AddBodyObject(level, b2_kinematicBody);
    bare->SetLogicController(new cMoverObject(nullptr));
    bare->SetPosition(cVec2f(1.0f, 1.0f));
    level.Frame();
    EXPECT_EQ(bare->position, cVec2f(1.0f, 1.0f));
    physicstest::RecordingGfx gfx;
    bare->Draw(&gfx);
    obj->Draw(&gfx);
}

TEST(WorldObject, SpriteFlagsAndAnimation)
{
    SceneKit kit;
    cGlaScene* still = kit.AddScene("still", 1);
    cGlaScene* moving = kit.AddScene("moving", 10);
    TestObjectLevel level;
    auto* obj = new cGameObj(&level);
    level.objects.push_back(obj);
    auto* world = new cWorldObject();
    obj->SetLogicController(world);
    EXPECT_EQ(world->depth, 4000);
    world->CreateSceneController(still);
    EXPECT_FALSE(world->spriteFlag);
    world->Update(0.0f);
    EXPECT_EQ(world->sceneController->frame, 0);
    world->CreateSceneController(moving);
    world->Update(0.0f);
    world->Update(0.0f);
    EXPECT_EQ(world->sceneController->frame, 2);
    physicstest::RecordingGfx gfx;
    world->Draw(&gfx);
    EXPECT_TRUE(gfx.transformStack.empty());
    EXPECT_EQ(gfx.layer, 0);
}

TEST(BackgroundObject, WrapTable)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case
    {
        float offset, width, expected;
    } cases[] = {{50.0f, 100.0f, 50.0f},   {100.0f, 100.0f, 100.0f}, {150.0f, 100.0f, 50.0f},
                 {200.0f, 100.0f, 100.0f}, {-30.0f, 100.0f, 70.0f},  {-100.0f, 100.0f, 0.0f},
                 {-250.0f, 100.0f, 50.0f}, {1e30f, 3.0f, -1.0f},     {50.0f, 0.0f, 50.0f},
                 {50.0f, nan, 50.0f},      {50.0f, -10.0f, 50.0f},   {nan, 100.0f, 0.0f},
                 {inf, 100.0f, 0.0f},      {50.0f, inf, 50.0f}};
    const auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases)
    {
        const float got = cBackgroundObject::WrapOffset(c.offset, c.width);
        if (c.expected >= 0.0f)
        {
            EXPECT_FLOAT_EQ(got, c.expected) << c.offset << " by " << c.width;
        }
        else
        {
            EXPECT_GE(got, 0.0f);
            EXPECT_LE(got, c.width);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// The copies that cover a 1280-pixel screen (half 640) for a 800-pixel repeat.
TEST(BackgroundObject, CopiesCoverTheScreen)
{
    struct Case
    {
        float x;
        std::vector<float> copies;
    } cases[] = {{0.0f, {0.0f, -800.0f}},          {-100.0f, {-100.0f, -900.0f}}, {-200.0f, {-200.0f, -1000.0f, 600.0f}},
                 {-700.0f, {-700.0f, 100.0f}},     {-800.0f, {-800.0f, 0.0f}},
                 {-1500.0f, {-700.0f}}};
    for (const Case& c : cases)
    {
        float out[3];
        const int n = cBackgroundObject::CopyPositions(c.x, 800.0f, 640.0f, out);
        EXPECT_EQ(std::vector<float>(out, out + n), c.copies) << c.x;
    }
    float out[3];
    EXPECT_EQ(cBackgroundObject::CopyPositions(-5.0f, 0.0f, 640.0f, out), 1);
    EXPECT_FLOAT_EQ(out[0], -5.0f);
}

// The view as an object sees it: offset by the object's place and turned back by its angle.
TEST(ObjectSupport, ViewInObjectFrame)
{
    const cOrientedBox view = cOrientedBox::FromCentreAngle(cVec2f(100.0f, 0.0f), cVec2f(50.0f, 20.0f), 0.0f);
    const cOrientedBox local = ViewInObjectFrame(view, cVec2f(100.0f, -100.0f), 1.5707964f);
    EXPECT_NEAR(local.centre.x, 100.0f, 1e-3f);
    EXPECT_NEAR(local.centre.y, 0.0f, 1e-3f);
    EXPECT_NEAR(local.axisX.x, 0.0f, 1e-5f);
    EXPECT_NEAR(local.axisX.y, -1.0f, 1e-5f);
    EXPECT_EQ(local.halfExtents, view.halfExtents);
}

TEST(BackgroundObject, ScrollsWithCameraAndDrift)
{
    SceneKit kit;
    cGlaScene* level_scene = kit.AddScene("Level");
    cGlaScene* look = kit.AddScene("hills", 5);
    kit.AddRectangle(look, "bound", cVec2f(800.0f, 100.0f));
    cGlaElementGameObj* e = kit.AddObject(level_scene, "bg");
    SceneKit::Int(e, "Depth", 7);
    SceneKit::Float(e, "Parallax", 0.5f);
    SceneKit::Float(e, "Speed", -3.0f);
    SceneKit::Float(e, "YOffset", 12.0f);
    SceneKit::SceneRef(e, "scene", "hills");

    TestObjectLevel level;
    level.performance = 0;
    auto* obj = new cGameObj(&level);
    level.objects.push_back(obj);
    auto* bg = new cBackgroundObject(e);
    obj->SetLogicController(bg);
    EXPECT_EQ(bg->depth, 7);
    EXPECT_FLOAT_EQ(bg->width, 800.0f);
    EXPECT_FLOAT_EQ(bg->yOffset, 12.0f);

    // A negative drift wraps up from below 0; performance mode 0 keeps the scene still.
    bg->Update(0.0f);
    EXPECT_FLOAT_EQ(bg->offset, 797.0f);
    EXPECT_EQ(bg->sceneController->frame, 0);
    // The camera moves 2 m: 0.5 x 64 pixels.
    level.cameraPos.x = 2.0f;
    bg->Update(0.0f);
    EXPECT_FLOAT_EQ(bg->offset, 797.0f + 32.0f - 3.0f - 800.0f);
    level.performance = 3;
    bg->Update(0.0f);
    EXPECT_EQ(bg->sceneController->frame, 1);

    physicstest::RecordingGfx gfx;
    bg->Draw(&gfx);
    EXPECT_TRUE(gfx.transformStack.empty());
    EXPECT_EQ(gfx.layer, 0);

    // Still: no parallax and no speed.
    cGlaElementGameObj* plain = kit.AddObject(level_scene, "still");
    SceneKit::SceneRef(plain, "scene", "hills");
    cBackgroundObject still(plain);
    for (int i = 0; i < 5; ++i)
        still.Update(0.0f);
    EXPECT_FLOAT_EQ(still.offset, 0.0f);
}

// Without a "bound" the layer has no width: it scrolls without wrapping and draws once,
// and bad numbers never hang it.
TEST(BackgroundObject, NoWidthNeverHangs)
{
    SceneKit kit;
    cGlaScene* level_scene = kit.AddScene("Level");
    kit.AddScene("bare");
    cGlaElementGameObj* e = kit.AddObject(level_scene, "bg");
    SceneKit::Float(e, "Speed", 5.0f);
    SceneKit::SceneRef(e, "scene", "bare");
    TestObjectLevel level;
    level.cameraZoom = 0.0f;
    auto* obj = new cGameObj(&level);
    level.objects.push_back(obj);
    auto* bg = new cBackgroundObject(e);
    obj->SetLogicController(bg);
    EXPECT_FLOAT_EQ(bg->width, 0.0f);
    for (int i = 0; i < 3; ++i)
        bg->Update(0.0f);
    EXPECT_FLOAT_EQ(bg->offset, 15.0f);
    bg->speed = std::numeric_limits<float>::quiet_NaN();
    bg->Update(0.0f);
    EXPECT_FLOAT_EQ(bg->offset, 0.0f);
    physicstest::RecordingGfx gfx;
    bg->Draw(&gfx);
    cBackgroundObject none(nullptr);
    none.Update(0.0f);
    none.Draw(&gfx);
}
