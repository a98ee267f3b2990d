// Game objects: controller slots and their replacement order, the update order with the
// deferred deletion of children, marking destroyed (once only), positions and bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "KelpoBase/core/Colour.h"
#include "PhysicsFixtures.h"

using namespace physicstest;

namespace
{
std::vector<std::string> gEvents;

// Records its owner changes, updates, draws and deletion under a tag.
struct TracingLogic : cLogicController
{
    explicit TracingLogic(std::string t) : tag(std::move(t)) {}
    ~TracingLogic() override { gEvents.push_back(tag + ":deleted"); }
    void SetOwner(cGameObj* o) override
    {
        gEvents.push_back(tag + (o != nullptr ? ":owned" : ":detached"));
        cLogicController::SetOwner(o);
    }
    void Update(float dt) override
    {
        lastDt = dt;
        gEvents.push_back(tag + ":update");
    }
    void Draw(cGfx2D*) override { gEvents.push_back(tag + ":draw"); }
    std::string tag;
    float lastDt = -1.0f;
};

// A logic controller that marks another object destroyed during its update.
struct MarkingLogic : TracingLogic
{
    MarkingLogic(std::string t, cGameObj* v) : TracingLogic(std::move(t)), victim(v) {}
    void Update(float dt) override
    {
        TracingLogic::Update(dt);
        victim->MarkDestroyed();
    }
    cGameObj* victim;
};

class GameObjTest : public ::testing::Test
{
protected:
    void SetUp() override { gEvents.clear(); }
    TestLevel level;
};
} // namespace

TEST_F(GameObjTest, ReplacingAControllerDetachesAndDeletesTheOldOneBeforeTheNewOneIsOwned)
{
    auto* obj = new cGameObj(&level);
    auto* first = new TracingLogic("a");
    obj->SetLogicController(first);
    EXPECT_EQ(first->owner, obj);
    obj->SetLogicController(new TracingLogic("b"));
    EXPECT_EQ(gEvents, (std::vector<std::string>{"a:owned", "a:detached", "a:deleted", "b:owned"}));

    gEvents.clear();
    obj->SetLogicController(nullptr); // null only empties the slot
    EXPECT_EQ(gEvents, (std::vector<std::string>{"b:detached", "b:deleted"}));
    EXPECT_EQ(obj->logicController, nullptr);

    obj->SetAuxController(new TracingLogic("aux"));
    obj->SetLogicController(new TracingLogic("logic"));
    gEvents.clear();
    delete obj; // body, auxiliary, logic: each detached then deleted
    EXPECT_EQ(gEvents, (std::vector<std::string>{"aux:detached", "aux:deleted", "logic:detached", "logic:deleted"}));
}

TEST_F(GameObjTest, ReplacingTheBodyControllerRemovesTheOldBodyFromTheWorld)
{
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody);
    EXPECT_EQ(level.world->GetBodyCount(), 1);
    auto* second = new cRigidBodyController;
    obj->SetRigidBodyController(second);
    EXPECT_EQ(level.world->GetBodyCount(), 0);
    second->CreateDynamicBody();
    EXPECT_EQ(level.world->GetBodyCount(), 1);
    delete obj;
    EXPECT_EQ(level.world->GetBodyCount(), 0);
}

TEST_F(GameObjTest, UpdateRunsBodyLogicChildrenThenFreesMarkedChildrenAfterAllHaveRun)
{
    auto* parent = new cGameObj(&level);
    parent->SetLogicController(new TracingLogic("p"));
    auto* c1 = new cGameObj(&level);
    auto* c2 = new cGameObj(&level);
    auto* c3 = new cGameObj(&level);
    c2->SetLogicController(new TracingLogic("c2"));
    c3->SetLogicController(new TracingLogic("c3"));
    // c1 marks c2 while updating: c2 still runs this frame and is freed at the end.
    c1->SetLogicController(new MarkingLogic("c1", c2));
    parent->AddChild(c1);
    parent->AddChild(c2);
    parent->AddChild(c3);
    gEvents.clear();

    parent->Update();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"p:update", "c1:update", "c2:update", "c3:update", "c2:detached",
                                                 "c2:deleted"}));
    EXPECT_EQ(parent->children.size(), 2u);
    EXPECT_TRUE(parent->deleteLater.empty());
    EXPECT_FLOAT_EQ(static_cast<TracingLogic*>(parent->logicController)->lastDt, level.timeStep);
    delete parent;
}

TEST_F(GameObjTest, MarkingTwiceQueuesAndDeletesOnce)
{
    auto* parent = new cGameObj(&level);
    auto* child = new cGameObj(&level);
    auto* grandchild = new cGameObj(&level);
    grandchild->SetLogicController(new TracingLogic("g"));
    parent->AddChild(child);
    child->AddChild(grandchild);

    child->MarkDestroyed();
    EXPECT_FALSE(child->IsAlive()); // at once, and still readable
    EXPECT_FALSE(grandchild->IsAlive());
    child->MarkDestroyed();
    grandchild->MarkDestroyed();
    EXPECT_EQ(parent->deleteLater.size(), 1u);
    EXPECT_EQ(child->deleteLater.size(), 1u);

    gEvents.clear();
    parent->Update(); // the child (and with it the grandchild) goes once; ASan sees any second delete
    EXPECT_TRUE(parent->children.empty());
    EXPECT_EQ(gEvents, (std::vector<std::string>{"g:update", "g:detached", "g:deleted"}));
    delete parent;
}

TEST_F(GameObjTest, AQueuedChildDeletedDirectlyLeavesTheQueue)
{
    auto* parent = new cGameObj(&level);
    auto* child = new cGameObj(&level);
    parent->AddChild(child);
    child->MarkDestroyed();
    delete child;
    EXPECT_TRUE(parent->deleteLater.empty());
    EXPECT_TRUE(parent->children.empty());
    parent->Update();
    delete parent;
}

TEST_F(GameObjTest, ObjectWithoutControllersUpdatesAndDrawsWithoutEffect)
{
    cGameObj obj(&level);
    EXPECT_EQ(obj.GetName(), "");
    EXPECT_TRUE(obj.IsAlive());
    obj.MarkDestroyed(); // no parent: only marked
    EXPECT_FALSE(obj.IsAlive());
    obj.Update();
    RecordingGfx gfx;
    obj.Draw(&gfx);
    EXPECT_TRUE(gfx.calls.empty());
}

TEST_F(GameObjTest, DrawGoesThroughLogicThenChildrenAndListsInOrder)
{
    auto* a = new cGameObj(&level);
    auto* b = new cGameObj(&level);
    a->SetLogicController(new TracingLogic("a"));
    b->SetLogicController(new TracingLogic("b"));
    auto* child = new cGameObj(&level);
    child->SetLogicController(new TracingLogic("a.child"));
    a->AddChild(child);
    gEvents.clear();
    DrawObjectList({a, b}, nullptr);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"a:draw", "a.child:draw", "b:draw"}));
    delete a;
    delete b;
}

TEST_F(GameObjTest, DrawBoundsOutlinesTheRectangleInRedWithChildren)
{
    cGameObj obj(&level);
    auto* child = new cGameObj(&level);
    obj.AddChild(child);
    obj.bounds[0] = 1;
    obj.bounds[1] = 2;
    obj.bounds[2] = 5;
    obj.bounds[3] = 7;
    RecordingGfx gfx;
    obj.DrawBounds(&gfx);
    ASSERT_EQ(gfx.calls.size(), 2u);
    EXPECT_EQ(gfx.calls[0].colour, cRGBA(255, 0, 0, 255).Word());
    EXPECT_TRUE(gfx.calls[0].closed);
    EXPECT_EQ(gfx.calls[0].points,
              (std::vector<cVec2f>{{1, 2}, {5, 2}, {5, 7}, {1, 7}}));
}

TEST_F(GameObjTest, SetPositionMovesTheBodyKeepingItsAngleAndUpdateReadsTheBodyBack)
{
    cGameObj plain(&level);
    plain.angle = 0.5f;
    plain.SetPosition({3, 4});
    EXPECT_EQ(plain.position, cVec2f(3, 4));
    EXPECT_FLOAT_EQ(plain.angle, 0.5f);

    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    AddBox(rb, 0.5f);
    rb->SetBodyAngle(1.0f);
    obj->SetPosition({2, -3});
    EXPECT_FLOAT_EQ(rb->body->GetPosition().x, 2.0f);
    EXPECT_FLOAT_EQ(rb->body->GetPosition().y, -3.0f);
    EXPECT_FLOAT_EQ(rb->body->GetAngle(), 1.0f);
    EXPECT_FLOAT_EQ(obj->angle, 0.0f); // the object's angle is not touched

    obj->position.Set(100, 100); // set on the object alone: the next update overwrites it
    level.Step();
    obj->Update();
    EXPECT_FLOAT_EQ(obj->position.x, rb->body->GetPosition().x);
    EXPECT_FLOAT_EQ(obj->position.y, rb->body->GetPosition().y);
    EXPECT_FLOAT_EQ(obj->angle, rb->body->GetAngle());
    EXPECT_NEAR(rb->axis.x, -std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(rb->axis.y, std::cos(1.0f), 1e-5f);
    EXPECT_GT(rb->velocity.y, 0.0f);
    delete obj;
}
