// The running level's record: level number decoding, the object lists (live and
// waiting), lookup by name, the camera (follow, blend, boundary, view box), the player's
// controls, the object type sounds' voices and view test, the scene draw and clearing.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <string>
#include <vector>

#include "KelpoBase/core/ObjectGrid.h"
#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/ContactListener.h"
#include "game/objects/Controller.h"
#include "game/objects/GameObj.h"
#include "game/objects/PlayerControls.h"
#include "game/objects/RigidBodyController.h"

namespace
{
std::vector<std::string> gDrawn;

struct NamedDraw : cLogicController
{
    explicit NamedDraw(std::string t) : tag(std::move(t)) {}
    void Draw(cGfx2D*) override { gDrawn.push_back(tag); }
    std::string tag;
};

cGameObj* MakeObject(cLevel& level, const std::string& name, ObjectList& list)
{
    auto* obj = new cGameObj(&level);
    obj->SetName(name);
    obj->SetLogicController(new NamedDraw(name));
    list.Append(obj);
    return obj;
}

struct FakePlayer : cPlayerControls
{
    uint32_t GetZoneFlags() const override { return flags; }
    void Move(float force) override { moves.push_back(force); }
    void Jump() override { ++jumps; }
    uint32_t flags = 0;
    std::vector<float> moves;
    int jumps = 0;
};

class LevelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetScreenSize(1280, 720);
        ResetInputState();
        gDrawn.clear();
    }
    void TearDown() override { ResetInputState(); }
};
} // namespace

TEST_F(LevelTest, LevelNumberDecoding)
{
    struct Case
    {
        int32_t number;
        bool challenge, survival;
        int32_t mode, index;
    } cases[] = {
        {260, true, false, 0, 10}, {205, false, true, 0, 5}, {99, false, false, 1, 49}, {0, false, false, 0, 0},
        {450, true, true, 0, 0},   {57, false, false, 1, 7},
    };
    for (const Case& c : cases)
    {
        cLevel level(c.number);
        EXPECT_EQ(level.isChallenge, c.challenge) << c.number;
        EXPECT_EQ(level.isSurvival, c.survival) << c.number;
        EXPECT_EQ(level.mode, c.mode) << c.number;
        EXPECT_EQ(level.levelIndex, c.index) << c.number;
        EXPECT_EQ(level.stateMachine.owner, &level);
        EXPECT_NE(level.gfx2D, nullptr);
        EXPECT_EQ(level.world, nullptr);
    }
}

TEST_F(LevelTest, FindObjectByNameWalksGeneralRespawnThenPickupLists)
{
    cLevel level(0);
    cGameObj* pickup = MakeObject(level, "shared", level.pickups);
    cGameObj* general = MakeObject(level, "shared", level.objects);
    cGameObj* respawn = MakeObject(level, "spawn", level.respawns);
    MakeObject(level, "bg", level.backgrounds);
    EXPECT_EQ(level.FindObjectByName("shared"), general);
    EXPECT_EQ(level.FindObjectByName("spawn"), respawn);
    EXPECT_EQ(level.FindObjectByName("bg"), nullptr); // backgrounds are not searched
    EXPECT_EQ(level.FindObjectByName("Shared"), nullptr);
    EXPECT_EQ(level.FindObjectByName("shared "), nullptr);
    EXPECT_EQ(level.FindObjectByName(""), nullptr);
    general->SetName("other");
    EXPECT_EQ(level.FindObjectByName("shared"), pickup);
}

TEST_F(LevelTest, DeadObjectsMoveToWaitingAndAreDeletedOnce)
{
    cLevel level(0);
    cGameObj* a = MakeObject(level, "a", level.objects);
    cGameObj* b = MakeObject(level, "b", level.objects);
    cGameObj* c = MakeObject(level, "c", level.objects);
    b->MarkDestroyed();
    level.objects.MoveDeadToWaiting();
    EXPECT_EQ(level.objects.live, (std::list<cGameObj*>{a, c}));
    EXPECT_EQ(level.objects.waiting, (std::list<cGameObj*>{b}));
    level.objects.DeleteWaiting();
    EXPECT_TRUE(level.objects.waiting.empty());

    // An object with a parent that is also listed: whichever deletes it first, the other
    // forgets it.
    auto* child = new cGameObj(&level);
    a->AddChild(child);
    level.objects.Append(child);
    child->MarkDestroyed();
    level.objects.MoveDeadToWaiting();
    level.objects.DeleteWaiting(); // leaves the parent, so the parent's queue drops it
    EXPECT_TRUE(a->deleteLater.empty());
    a->Update();

    auto* child2 = new cGameObj(&level);
    c->AddChild(child2);
    level.objects.Append(child2);
    child2->MarkDestroyed();
    c->Update(); // the parent frees it first: the level's list forgets it
    EXPECT_EQ(level.objects.live, (std::list<cGameObj*>{a, c}));

    // A deleted camera target is forgotten too.
    level.cameraTarget = c;
    c->MarkDestroyed();
    level.objects.MoveDeadToWaiting();
    level.objects.DeleteWaiting();
    EXPECT_EQ(level.cameraTarget, nullptr);
}

TEST_F(LevelTest, CameraFollowBlendsByTheRemainingFrames)
{
    cLevel level(0);
    level.boundsMin = {-100000, -100000};
    level.boundsMax = {100000, 100000};
    level.defaultZoom = 1.0f;
    level.cameraZoom = 1.0f;
    cGameObj* target = MakeObject(level, "player", level.objects);
    target->position = {12.0f, -8.0f};
    level.cameraTarget = target;

    // Blend of 4: counted down first, so a third, a half, then all of the distance.
    level.cameraPos = {0.0f, 0.0f};
    level.cameraBlendFrames = 4;
    const float expectedX[] = {4.0f, 8.0f, 12.0f, 12.0f};
    for (float x : expectedX)
    {
        level.UpdateCamera();
        EXPECT_NEAR(level.cameraPos.x, x, 1e-4f);
        EXPECT_NEAR(level.cameraPos.y, x * -8.0f / 12.0f, 1e-4f);
    }
    EXPECT_EQ(level.cameraBlendFrames, 0);

    // Mode 1 holds, mode 3 takes only y, mode 4 only x, mode 2 snaps.
    target->position = {20.0f, 30.0f};
    level.cameraMode = 1;
    level.UpdateCamera();
    EXPECT_EQ(level.cameraPos, cVec2f(12.0f, -8.0f));
    level.cameraMode = 3;
    level.UpdateCamera();
    EXPECT_EQ(level.cameraPos, cVec2f(12.0f, 30.0f));
    target->position = {25.0f, 35.0f};
    level.cameraMode = 4;
    level.UpdateCamera();
    EXPECT_EQ(level.cameraPos, cVec2f(25.0f, 30.0f));
    target->position = {-3.0f, 4.0f};
    level.cameraMode = 2;
    level.cameraBlendFrames = 10;
    level.cameraTargetZoom = 2.0f;
    level.UpdateCamera();
    EXPECT_EQ(level.cameraPos, cVec2f(-3.0f, 4.0f));
    EXPECT_NEAR(level.cameraZoom, 1.0f + 1.0f / 9.0f, 1e-5f); // only the zoom blends
}

TEST_F(LevelTest, CameraStaysInsideTheBoundaryAndTheViewBoxFollows)
{
    cLevel level(0);
    level.defaultZoom = 1.0f;
    level.cameraZoom = 1.0f;
    level.boundsMin = {0, 0};
    level.boundsMax = {3200, 1600}; // 100 m by 50 m
    cGameObj* target = MakeObject(level, "player", level.objects);
    level.cameraTarget = target;

    target->position = {-10.0f, -10.0f};
    level.UpdateCamera();
    EXPECT_FLOAT_EQ(level.cameraPos.x, 640.0f / 32.0f);
    EXPECT_FLOAT_EQ(level.cameraPos.y, 360.0f / 32.0f);
    target->position = {500.0f, 500.0f};
    level.UpdateCamera();
    EXPECT_FLOAT_EQ(level.cameraPos.x, (3200.0f - 640.0f) / 32.0f);
    EXPECT_FLOAT_EQ(level.cameraPos.y, (1600.0f - 360.0f) / 32.0f);

    // Narrower than the view: the right-hand (upper) limit wins.
    level.boundsMax = {800, 1600};
    target->position = {10.0f, 20.0f};
    level.UpdateCamera();
    EXPECT_FLOAT_EQ(level.cameraPos.x, (800.0f - 640.0f) / 32.0f);

    EXPECT_EQ(level.viewBox.centre, level.cameraPos * 32.0f);
    EXPECT_FLOAT_EQ(level.viewBox.halfExtents.x, 640.0f);
    EXPECT_FLOAT_EQ(level.viewBox.halfExtents.y, 360.0f);
    level.debugDraw = true;
    level.worldAngle = 1.5707964f;
    level.UpdateCamera();
    EXPECT_FLOAT_EQ(level.viewBox.halfExtents.x, 615.0f);
    EXPECT_FLOAT_EQ(level.viewBox.halfExtents.y, 335.0f);
    EXPECT_NEAR(level.viewBox.axisX.y, 1.0f, 1e-6f);

    cLevel bonus(60); // bonus mode: both half sizes from the width
    bonus.cameraZoom = bonus.defaultZoom = 2.0f;
    bonus.boundsMin = {-1e5f, -1e5f};
    bonus.boundsMax = {1e5f, 1e5f};
    bonus.UpdateCamera();
    EXPECT_FLOAT_EQ(bonus.viewBox.halfExtents.x, 1280.0f / 2.0f * 0.6f);
    EXPECT_FLOAT_EQ(bonus.viewBox.halfExtents.y, 1280.0f / 2.0f * 0.6f);

    // A zoom of zero (never set) divides by nothing.
    cLevel unset(0);
    unset.cameraZoom = 0.0f;
    unset.cameraMode = 1;
    unset.UpdateCamera();
    EXPECT_TRUE(std::isfinite(unset.cameraPos.x));
    EXPECT_TRUE(std::isfinite(unset.viewBox.halfExtents.x));
}

TEST_F(LevelTest, PlayerInputFromHeldKeysAndSavedControls)
{
    cLevel level(0);
    FakePlayer player;
    level.player = &player;
    level.moveRequested = level.jumpRequested = true;

    level.HandlePlayerInput(); // nothing held
    EXPECT_TRUE(player.moves.empty());
    EXPECT_EQ(player.jumps, 0);

    KeyDown(KEY_D);
    KeyDown(KEY_LEFT); // right wins
    level.HandlePlayerInput();
    KeyUp(KEY_D);
    level.HandlePlayerInput();
    KeyUp(KEY_LEFT);
    EXPECT_EQ(player.moves, (std::vector<float>{2.8f, -2.8f}));
    EXPECT_FALSE(level.moveRequested);
    EXPECT_TRUE(level.jumpRequested);

    level.controls[kControlJump] = 72; // joystick button 1
    level.controls[kControlRight] = 200; // out of range: never held
    KeyDown(72);
    level.HandlePlayerInput();
    KeyUp(72);
    EXPECT_EQ(player.jumps, 1);
    EXPECT_FALSE(level.jumpRequested);
    EXPECT_EQ(player.moves.size(), 2u);

    player.flags = kZoneNoJump;
    level.HandlePlayerInput();
    EXPECT_EQ(level.noJumpState, 1);
    player.flags = 0;
    level.HandlePlayerInput();
    EXPECT_EQ(level.noJumpState, 0);
}

TEST_F(LevelTest, ObjectTypeSoundsNeedTheViewAndTakeVoicesEightToElevenInTurn)
{
    cLevel level(0);
    level.cameraZoom = level.defaultZoom = 0.5f;
    level.boundsMin = {-1e5f, -1e5f};
    level.boundsMax = {1e5f, 1e5f};
    level.UpdateCamera(); // view of 80 by 45 m around the origin
    // Without audio no sound plays, but the voices still turn.
    cSound sound(nullptr, 1.0f);
    for (auto& list : level.objectTypeSounds)
        list.assign(1, &sound);

    std::vector<int32_t> voices;
    for (int i = 0; i < 5; ++i)
    {
        level.PlayObjectTypeSound(4, 1.0f, 1.0f);
        voices.push_back(level.nextVoice);
    }
    EXPECT_EQ(voices, (std::vector<int32_t>{9, 10, 11, 8, 9}));

    const int32_t before = level.nextVoice;
    level.PlayObjectTypeSound(4, 41.0f, 0.0f); // outside the view
    level.PlayObjectTypeSound(7, 1.0f, 1.0f);  // no such type
    level.PlayObjectTypeSound(2, 24.0f, 0.0f); // in view but 24 m away: silent
    EXPECT_EQ(level.nextVoice, before);
    level.PlayObjectTypeSound(2, 5.0f, 0.0f); // close: plays
    EXPECT_EQ(level.nextVoice, before + 1);
    level.PlayObjectTypeSound(24, 0.0f, 0.0f); // its own list, then as type 2
    EXPECT_EQ(level.nextVoice, 8);

    // Empty lists play nothing and take no voice.
    for (auto& list : level.objectTypeSounds)
        list.clear();
    level.PlayObjectTypeSound(24, 0.0f, 0.0f);
    EXPECT_EQ(level.nextVoice, 8);
}

TEST_F(LevelTest, DrawSceneDrawsBackgroundsThenTheListsInOrder)
{
    cLevel level(0);
    level.cameraZoom = 1.0f;
    MakeObject(level, "pickup", level.pickups);
    MakeObject(level, "object", level.objects);
    MakeObject(level, "background", level.backgrounds);
    MakeObject(level, "respawn", level.respawns);
    MakeObject(level, "scenebit", level.sceneBits); // drawn through the grid only
    level.DrawScene();
    EXPECT_EQ(gDrawn, (std::vector<std::string>{"background", "object", "respawn", "pickup"}));
    EXPECT_TRUE(level.gfx2D->transformStack.empty());
}

TEST_F(LevelTest, ClearLevelFreesObjectsBeforeTheWorldAndEmptiesEverything)
{
    cLevel level(0);
    level.world = new b2World(b2Vec2(0, 20));
    level.contactListener = new cContactListener(&level);
    level.contactFilter = new cContactFilter(&level);
    level.world->SetContactListener(level.contactListener);
    level.world->SetContactFilter(level.contactFilter);
    level.grid = new cObjectGrid(cAABox2f{0, 0, 100, 100}, 10.0f);
    level.areas.push_back(new PolygonArea({{0, 0}, {32, 0}, {32, 32}}, {32, 64}, 1));
    EXPECT_EQ(level.areas[0]->points[1], cVec2f(2.0f, 2.0f));
    EXPECT_EQ(level.areas[0]->GetName(), "0");
    level.jointRecords.push_back(new JointRecord);
    level.springRecords.push_back(new SpringRecord);

    // Two touching bodies on their objects, so that contacts exist when clearing.
    for (ObjectList* list : {&level.objects, &level.pickups})
    {
        auto* obj = new cGameObj(&level);
        auto* rb = new cRigidBodyController;
        obj->SetRigidBodyController(rb);
        rb->CreateDynamicBody();
        const cVec2f centre;
        rb->AddCircleFixture(&centre, 1.0f, 0, 0, 1, 0xFFFF);
        list->Append(obj);
    }
    level.StepWorld(level.timeStep, 8, 3);
    EXPECT_FALSE(level.contactMap.empty());
    // A listed object whose parent is listed too goes once, with its parent.
    auto* parent = new cGameObj(&level);
    auto* child = new cGameObj(&level);
    parent->AddChild(child);
    level.objects.Append(parent);
    level.pickups.Append(child);

    level.ClearLevel();
    EXPECT_EQ(level.world, nullptr);
    EXPECT_EQ(level.grid, nullptr);
    EXPECT_EQ(level.contactListener, nullptr);
    EXPECT_EQ(level.contactFilter, nullptr);
    EXPECT_TRUE(level.objects.Empty());
    EXPECT_TRUE(level.pickups.Empty());
    EXPECT_TRUE(level.areas.empty());
    EXPECT_TRUE(level.jointRecords.empty());
    EXPECT_TRUE(level.springRecords.empty());
    EXPECT_TRUE(level.contactMap.empty());
    level.ClearLevel(); // twice is harmless
}

TEST_F(LevelTest, DimOverlayIsAFullScreenBlackVeilWithClampedAlpha)
{
    cLevel level(0);
    cGfx2Dx& g = *level.gfx2D;
    g.SetColour(0xFF123456u);
    struct Case
    {
        float alpha;
        uint32_t byte;
    } cases[] = {{0.5f, 96}, {1.0f, 192}, {3.0f, 192}, {-1.0f, 0}, {std::nanf(""), 0}};
    for (const Case& c : cases)
    {
        const uint32_t before = g.ItemCount();
        level.DrawDimOverlay(c.alpha);
        ASSERT_EQ(g.ItemCount(), before + 1);
        const cGfx2Dx::DrawItem* item = g.sentinel.prev;
        EXPECT_EQ(item->colour, c.byte << 24) << c.alpha;
        EXPECT_EQ(g.colour, 0xFF123456u); // the colour is restored
        ASSERT_EQ(item->count, 4u);
        // The rectangle covers the screen from the top-left corner.
        float maxX = 0, maxY = 0;
        for (uint32_t i = 0; i < item->count; ++i)
        {
            maxX = std::max(maxX, g.points[item->start + i].x);
            maxY = std::max(maxY, g.points[item->start + i].y);
            EXPECT_GE(g.points[item->start + i].x, 0.0f);
            EXPECT_GE(g.points[item->start + i].y, 0.0f);
        }
        EXPECT_EQ(maxX, 1280.0f);
        EXPECT_EQ(maxY, 720.0f);
    }
    EXPECT_TRUE(g.colourStack.empty());
    EXPECT_TRUE(g.transformStack.empty());

    // The panels without their scenes draw nothing and leave the stacks balanced.
    const uint32_t before = g.ItemCount();
    level.DrawPausePanel(0.5f);
    level.DrawExitPanel(2.0f);
    EXPECT_EQ(g.ItemCount(), before);
    EXPECT_TRUE(g.transformStack.empty());
}

TEST_F(LevelTest, PhysicsWorldWithFilterListenerAndGroundBody)
{
    cLevel level(0);
    level.CreatePhysicsWorld();
    ASSERT_NE(level.world, nullptr);
    EXPECT_EQ(level.world->GetGravity(), b2Vec2(0.0f, 20.0f));
    EXPECT_EQ(level.gravity, cVec2f(0.0f, 20.0f));
    ASSERT_NE(level.groundBody, nullptr);
    EXPECT_EQ(level.groundBody->GetType(), b2_staticBody);
    EXPECT_EQ(ControllerOfBody(level.groundBody), nullptr);
    EXPECT_FLOAT_EQ(level.timeStep, 1.0f / 30.0f);

    // A floor on the ground body, a player-like ball on its own gravity and a box on the
    // world's that the filter keeps from the ball.
    const b2Vec2 floorPts[4] = {{-10, 0}, {10, 0}, {10, 1}, {-10, 1}};
    b2PolygonShape floorShape;
    floorShape.Set(floorPts, 4);
    b2FixtureDef floorDef;
    floorDef.shape = &floorShape;
    floorDef.filter.categoryBits = 0x0001;
    floorDef.filter.maskBits = 0x000F;
    level.groundBody->CreateFixture(&floorDef);

    auto* playerObj = new cGameObj(&level);
    auto* rb = new cRigidBodyController;
    playerObj->SetRigidBodyController(rb);
    rb->CreateDynamicBody();
    const cVec2f centre;
    rb->AddCircleFixture(&centre, 0.625f, 0.0f, 0.1f, 0x0004, 0x0007);
    rb->SetUseWorldGravity(false);
    rb->SetGravity({0.0f, 20.0f});
    playerObj->SetPosition({0.0f, -3.0f});
    level.objects.Append(playerObj);
    level.cameraTarget = playerObj;

    auto* boxObj = new cGameObj(&level);
    auto* boxRb = new cRigidBodyController;
    boxObj->SetRigidBodyController(boxRb);
    boxRb->CreateDynamicBody();
    const b2Vec2 boxPts[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    boxRb->AddPolygonFixture(boxPts, 0.5f, 0.0f, 0x0008, 0x0001); // meets the floor, not the ball
    boxObj->SetPosition({0.0f, -6.0f});
    level.pickups.Append(boxObj);

    for (int i = 0; i < 90; ++i)
    {
        level.StepWorld(level.timeStep, 8, 3);
        for (cGameObj* o : level.objects.live)
            o->Update();
        for (cGameObj* o : level.pickups.live)
            o->Update();
    }
    EXPECT_NEAR(playerObj->position.y, -0.625f, 0.05f); // resting on the floor
    EXPECT_NEAR(boxObj->position.y, -0.5f, 0.05f);      // through the ball, onto the floor
    EXPECT_EQ(level.contactMap.size(), 2u);             // ball-floor and box-floor only

    level.CreatePhysicsWorld(); // a rebuild clears the old one first
    EXPECT_TRUE(level.objects.Empty());
    EXPECT_EQ(level.cameraTarget, nullptr);
    EXPECT_TRUE(level.contactMap.empty());
    EXPECT_EQ(level.world->GetBodyCount(), 1);
}

TEST_F(LevelTest, ObjectsReachTheLevelsServicesThroughTheirGameObject)
{
    struct ControlledPlayer : cLogicController, cPlayerControls
    {
        uint32_t GetZoneFlags() const override { return 0x4002; }
        void Move(float) override {}
        void Jump() override {}
    };
    cLevel level(0);
    auto* obj = new cGameObj(&level);
    obj->SetName("player");
    auto* controls = new ControlledPlayer;
    obj->SetLogicController(controls);
    obj->position = {3.0f, 4.0f};
    level.objects.Append(obj);

    cVec2f where;
    EXPECT_EQ(level.PlayerZoneFlags(), 0u);
    EXPECT_FALSE(level.PlayerPosition(where));
    level.player = controls;
    EXPECT_EQ(level.PlayerZoneFlags(), 0x4002u);
    ASSERT_TRUE(level.PlayerPosition(where));
    EXPECT_EQ(where, cVec2f(3.0f, 4.0f));

    EXPECT_EQ(ObjectLevelOf(obj), &level);
    EXPECT_EQ(DorvoLevelOf(obj), static_cast<cDorvoLevel*>(&level));
    cObjectLevel* services = &level;
    EXPECT_EQ(services->FindObjectByName("player"), obj);
}

TEST_F(LevelTest, DrawSceneDrawsTheGridsSceneryInViewOnly)
{
    struct Scenery : cGridEntry
    {
        Scenery(std::string t, cVec2f p) : tag(std::move(t)), at(p) {}
        cVec2f GetGridPosition() const override { return at; }
        void GetGridBounds(cAABox2f& out) const override { out = cAABox2f{-10, -10, 10, 10}; }
        void DrawGridEntry(void*) override { gDrawn.push_back(tag); }
        std::string tag;
        cVec2f at;
    };
    cLevel level(0);
    level.cameraZoom = 2.0f; // a view of 640 by 360 pixels
    level.cameraPos = {100.0f, 50.0f}; // centred on (3200, 1600) pixels
    level.grid = new cObjectGrid(cAABox2f{0, 0, 6400, 3200}, 128.0f);
    Scenery inside("inside", {3200 + 300, 1600 - 170});
    // The grid works by cells of 128 pixels: these two lie a cell beyond the view's.
    Scenery right("right", {3200 + 450, 1600});
    Scenery below("below", {3200, 1600 + 300});
    level.grid->Insert(&inside);
    level.grid->Insert(&right);
    level.grid->Insert(&below);
    level.DrawScene();
    EXPECT_EQ(gDrawn, (std::vector<std::string>{"inside"}));

    gDrawn.clear();
    cLevel bonus(60); // bonus mode sees 0.6 of the width each way, also vertically
    bonus.cameraZoom = 2.0f;
    bonus.cameraPos = {100.0f, 50.0f};
    bonus.grid = new cObjectGrid(cAABox2f{0, 0, 6400, 3200}, 128.0f);
    Scenery right2("right", right.at);
    Scenery below2("below", below.at);
    bonus.grid->Insert(&right2);
    bonus.grid->Insert(&below2);
    bonus.DrawScene();
    EXPECT_EQ(gDrawn.size(), 2u);
}

TEST_F(LevelTest, ObjectTypeSoundsPlayOnTheLoopbackDeviceWithTheirVolume)
{
    tvtest::LoopbackAudio loopback;
    if (!loopback.Ready())
        GTEST_SKIP() << "no loopback device";
    AudioManager* audio = loopback.manager;
    {
        cSound first(audio, 1.0f), second(audio, 1.0f), third(audio, 1.0f), fading(audio, 0.8f);
        cLevel level(0);
        level.cameraZoom = level.defaultZoom = 0.5f;
        level.boundsMin = {-1e5f, -1e5f};
        level.boundsMax = {1e5f, 1e5f};
        level.UpdateCamera();
        level.objectTypeSounds = {SoundList{&first}, SoundList{&second}, SoundList{&third}, SoundList{&fading}};

        auto on = [audio](int voice) { return audio->GetVoice(voice)->currentSound; };
        auto gain = [audio](int voice) {
            ALfloat g = -1.0f;
            alGetSourcef(audio->GetVoice(voice)->source, AL_GAIN, &g);
            return g;
        };
        level.PlayObjectTypeSound(4, 1.0f, 0.0f);
        EXPECT_EQ(on(8), &first);
        EXPECT_FLOAT_EQ(gain(8), 1.0f);
        level.PlayObjectTypeSound(8, 1.0f, 0.0f);
        EXPECT_EQ(on(9), &second);
        level.PlayObjectTypeSound(2, 12.0f, 0.0f); // 384 px away: half volume
        EXPECT_EQ(on(10), &fading);
        EXPECT_NEAR(gain(10), 0.8f * 0.5f, 1e-5f);
        level.PlayObjectTypeSound(24, 0.0f, 0.0f); // third list on 11, then the fading one on 8
        EXPECT_EQ(on(11), &third);
        EXPECT_EQ(on(8), &fading);
        EXPECT_NEAR(gain(8), 0.8f, 1e-5f);
        EXPECT_EQ(level.nextVoice, 9);

        // A locked voice is skipped without a sound, but the turn still moves on.
        audio->GetVoice(9)->locked = 1;
        level.PlayObjectTypeSound(4, 1.0f, 0.0f);
        EXPECT_EQ(on(9), &second);
        EXPECT_EQ(level.nextVoice, 10);
        audio->GetVoice(9)->locked = 0;
        audio->StopAllVoices();
    }
}

TEST_F(LevelTest, PausePanelTurnsAndZoomsItsSceneInFromTheScreenCentre)
{
    glatest::SceneSet kit;
    cGlaScene* pause = kit.AddScene("scrPause", 1);
    cImage image;
    image.width = 8;
    image.height = 8;
    ImageRect frame;
    frame.image = &image;
    frame.w = 8;
    frame.h = 8;
    cGlaElementSprite* panel = glatest::AddSprite(pause, "panel", cVec2f(0.0f, 0.0f));
    panel->frames.AddNamedKey(&frame, 0, "panel.png");
    panel->colour.AddKey(cRGBA(255, 255, 255, 255));

    cLevel level(3);
    level.pauseScene = new cGlaControllerScene(pause);
    cGfx2Dx& g = *level.gfx2D;
    struct Case
    {
        float t;
        float turnDegrees, zoom;
        uint32_t alpha;
    } cases[] = {{1.0f, 0.0f, 1.0f, 255}, {0.5f, 30.0f, 6.0f, 127}, {0.0f, 60.0f, 11.0f, 0}, {-2.0f, 60.0f, 11.0f, 0}};
    for (const Case& c : cases)
    {
        const uint32_t before = g.ItemCount();
        level.DrawPausePanel(c.t);
        ASSERT_EQ(g.ItemCount(), before + 1) << c.t;
        const cGfx2Dx::DrawItem* item = g.sentinel.prev;
        const float a = c.turnDegrees * 3.14159265f / 180.0f;
        EXPECT_NEAR(item->transform.tx, 640.0f, 1e-3f) << c.t;
        EXPECT_NEAR(item->transform.ty, 360.0f, 1e-3f) << c.t;
        EXPECT_NEAR(item->transform.m0, std::cos(a) * c.zoom, 1e-4f) << c.t;
        EXPECT_NEAR(item->transform.m1, std::sin(a) * c.zoom, 1e-4f) << c.t;
        EXPECT_EQ(item->colour >> 24, c.alpha) << c.t;
        EXPECT_TRUE(g.transformStack.empty());
    }
    level.DrawExitPanel(1.0f); // no exit scene: nothing
    EXPECT_EQ(g.ItemCount(), 4u);
}
