#include "game/objects/PickupObject.h"

#include <gtest/gtest.h>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/PhysicsFixtures.h"

using objecttest::Images;
using objecttest::SceneKit;
using objecttest::TestObjectLevel;

namespace
{
// A stand-in level area that counts its deletions.
struct CountedArea : cKelpoObj
{
    explicit CountedArea(int* counter) : deleted(counter) {}
    ~CountedArea() override { *deleted += 1; }
    int* deleted;
};
} // namespace

TEST(PickupObject, ReadsTypeAndValueWithDefaults)
{
    SceneKit kit;
    cGlaScene* scene = kit.AddScene("Level");
    cGlaElementGameObj* key = kit.AddObject(scene, "key");
    SceneKit::Enum(key, "Type", 3);
    SceneKit::Int(key, "Value", 250);
    cGlaElementGameObj* bare = kit.AddObject(scene, "bare");
    SceneKit::Float(bare, "Value", 5.0f); // another kind: the default

    cPickupObject a(key), b(bare), c(nullptr);
    EXPECT_EQ(a.type, 3);
    EXPECT_EQ(a.value, 250);
    EXPECT_EQ(b.type, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_TRUE(c.visible);
    EXPECT_TRUE(c.canReappear);
    EXPECT_EQ(c.removeTimer, 0);
}

// A pickup with no remove timer stays; a timer of 3 marks the owner destroyed on the
// third update. The area goes with the pickup.
TEST(PickupObject, RemoveTimerAndArea)
{
    SceneKit kit;
    cGlaScene* look = kit.AddScene("sugar", 4);
    TestObjectLevel level;
    auto* obj = new cGameObj(&level);
    level.objects.push_back(obj);
    auto* pickup = new cPickupObject(nullptr);
    obj->SetLogicController(pickup);
    pickup->CreateSceneController(look);
    int areasDeleted = 0;
    pickup->SetArea(new CountedArea(&areasDeleted));
    pickup->SetArea(new CountedArea(&areasDeleted));
    EXPECT_EQ(areasDeleted, 1);

    for (int i = 0; i < 50; ++i)
        pickup->Update(0.0f);
    EXPECT_TRUE(obj->IsAlive());
    EXPECT_EQ(pickup->sceneController->frame, 50 % 4);

    pickup->removeTimer = 3;
    pickup->Update(0.0f);
    pickup->Update(0.0f);
    EXPECT_TRUE(obj->IsAlive());
    pickup->Update(0.0f);
    EXPECT_FALSE(obj->IsAlive());

    physicstest::RecordingGfx gfx;
    pickup->Draw(&gfx);
    pickup->visible = false;
    pickup->Draw(&gfx);
    EXPECT_TRUE(gfx.transformStack.empty());

    level.objects.clear();
    delete obj;
    EXPECT_EQ(areasDeleted, 2);
}

// Reaching an idle point shows one burst; 0 -> 1 -> 2 shows none; the scene follows.
TEST(RespawnObject, StatesAndBurst)
{
    SceneKit kit;
    cGlaScene* look = kit.AddScene("flag", 10);
    Images images;
    TestObjectLevel level;
    level.respawnEffectImages = images.List(3);
    auto* obj = new cGameObj(&level);
    level.objects.push_back(obj);
    obj->SetPosition(cVec2f(2.0f, 3.0f));
    auto* respawn = new cRespawnObject();
    obj->SetLogicController(respawn);
    respawn->CreateSceneController(look);
    EXPECT_FALSE(respawn->sceneController->playing);

    respawn->SetState(2);
    EXPECT_EQ(level.pool.Used(), 30u);
    for (const cParticle* p = level.pool.head; p != nullptr; p = p->next)
    {
        EXPECT_EQ(p->position, cVec2f(64.0f, 96.0f));
        EXPECT_TRUE(p->image == level.respawnEffectImages[1] || p->image == level.respawnEffectImages[2]);
        const float speed = p->velocity.Length();
        EXPECT_GE(speed, 3.0f - 1e-4f);
        EXPECT_LE(speed, 12.0f + 1e-4f);
        EXPECT_EQ(p->layerOffset, 3600);
    }
    respawn->SetState(2);
    EXPECT_EQ(level.pool.Used(), 30u);

    respawn->SetState(0);
    EXPECT_EQ(respawn->sceneController->frame, 0);
    respawn->SetState(1);
    EXPECT_TRUE(respawn->sceneController->playing);
    EXPECT_FALSE(respawn->sceneController->loop);
    respawn->Update(0.0f);
    EXPECT_EQ(respawn->sceneController->frame, 1);
    respawn->SetState(2);
    EXPECT_EQ(level.pool.Used(), 30u);
    EXPECT_EQ(respawn->state, 2);

    // Too few images or no pool: no particles, no crash.
    TestObjectLevel bare;
    bare.respawnEffectImages = images.List(1);
    auto* other = new cGameObj(&bare);
    bare.objects.push_back(other);
    auto* point = new cRespawnObject();
    other->SetLogicController(point);
    point->SetState(2);
    EXPECT_EQ(bare.pool.Used(), 0u);
    point->SetState(0);
    bare.particles = nullptr;
    point->SetState(2);
    physicstest::RecordingGfx gfx;
    point->Draw(&gfx);
    respawn->Draw(&gfx);
}
