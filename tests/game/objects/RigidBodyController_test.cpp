// Rigid bodies: gravity per body (its own vector or the world's), sleeping, polygons
// checked before they reach Box2D, fixtures from scene polygons, body destruction on
// detach (deferred when the world is stepping) and the transform helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "KelpoBase/gla/GlaElement.h"
#include "PhysicsFixtures.h"
#include "game/objects/ContactListener.h"

using namespace physicstest;

namespace
{
struct Fall
{
    const char* name;
    bool useWorldGravity;
    cVec2f ownGravity;
    b2Vec2 expectedDirection; // sign of the velocity after falling (0: at rest)
};

// ctest lists each case by its name, not by the bytes of the record.
void PrintTo(const Fall& f, std::ostream* os) { *os << f.name; }

class FallTest : public ::testing::TestWithParam<Fall>
{
};
} // namespace

TEST_P(FallTest, BodyFallsAlongTheGravityItUses)
{
    const Fall& f = GetParam();
    TestLevel level(b2Vec2(0.0f, 20.0f));
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    AddBox(rb, 0.5f);
    rb->SetUseWorldGravity(f.useWorldGravity);
    rb->SetGravity(f.ownGravity);
    level.Step(30);
    obj->Update();
    const b2Vec2 v = rb->body->GetLinearVelocity();
    // One second of free fall: v = g t.
    EXPECT_NEAR(v.x, f.expectedDirection.x, 0.01f) << f.name;
    EXPECT_NEAR(v.y, f.expectedDirection.y, 0.01f) << f.name;
    EXPECT_FLOAT_EQ(rb->velocity.y, v.y);
    delete obj;
}

INSTANTIATE_TEST_SUITE_P(
    Gravity, FallTest,
    ::testing::Values(Fall{"world gravity", true, {0, 0}, {0, 20}},
                      Fall{"own vector ignored while the world's is used", true, {7, 0}, {0, 20}},
                      Fall{"own vector, zero until set: floats", false, {0, 0}, {0, 0}},
                      Fall{"own vector sideways", false, {5, 0}, {5, 0}},
                      Fall{"own vector up", false, {0, -10}, {0, -10}}));

TEST(RigidBody, OwnGravityEqualToTheWorldsGivesTheSameMotionBitForBit)
{
    TestLevel level(b2Vec2(0.0f, 20.0f));
    cRigidBodyController* a = nullptr;
    cRigidBodyController* b = nullptr;
    cGameObj* objA = MakeBodyObject(&level, b2_dynamicBody, &a);
    cGameObj* objB = MakeBodyObject(&level, b2_dynamicBody, &b);
    AddBox(a, 0.5f, 1, 0); // no collisions between the two
    AddBox(b, 0.5f, 1, 0);
    a->body->SetLinearDamping(0.1f);
    b->body->SetLinearDamping(0.1f);
    b->SetUseWorldGravity(false);
    b->SetGravity({0.0f, 20.0f});
    for (int i = 0; i < 90; ++i)
    {
        level.Step();
        ASSERT_EQ(a->body->GetPosition().y, b->body->GetPosition().y) << "step " << i;
        ASSERT_EQ(a->body->GetLinearVelocity().y, b->body->GetLinearVelocity().y) << "step " << i;
    }
    delete objA;
    delete objB;
}

TEST(RigidBody, BodiesOnOwnGravityStillFallAsleepOnTheGround)
{
    TestLevel level(b2Vec2(0.0f, 0.0f));
    cRigidBodyController* ground = nullptr;
    cRigidBodyController* box = nullptr;
    cGameObj* groundObj = MakeBodyObject(&level, b2_staticBody, &ground);
    const b2Vec2 floor[4] = {{-10, 0}, {10, 0}, {10, 1}, {-10, 1}};
    ASSERT_NE(ground->AddPolygonFixture(floor, 0.5f, 0.0f, 1, 0xFFFF), nullptr);
    cGameObj* boxObj = MakeBodyObject(&level, b2_dynamicBody, &box);
    AddBox(box, 0.5f);
    boxObj->SetPosition({0.0f, -2.0f});
    box->SetUseWorldGravity(false);
    box->SetGravity({0.0f, 20.0f});
    level.Step(30 * 5);
    EXPECT_FALSE(box->body->IsAwake());
    EXPECT_NEAR(box->body->GetPosition().y, -0.5f, 0.02f);
    // Asleep, it is not pushed through the floor by the force.
    level.Step(30);
    EXPECT_FALSE(box->body->IsAwake());
    EXPECT_NEAR(box->body->GetPosition().y, -0.5f, 0.02f);
    delete boxObj;
    delete groundObj;
}

TEST(RigidBody, PolygonsBox2DWouldAbortOnAreRefusedFirst)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char* name;
        std::vector<b2Vec2> points;
        bool usable;
    } cases[] = {
        {"square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true},
        {"clockwise triangle", {{0, 0}, {0, 1}, {1, 0}}, true},
        {"eight points", {{1, 0}, {0.7f, 0.7f}, {0, 1}, {-0.7f, 0.7f}, {-1, 0}, {-0.7f, -0.7f}, {0, -1}, {0.7f, -0.7f}}, true},
        {"empty", {}, false},
        {"two points", {{0, 0}, {1, 0}}, false},
        {"nine points",
         {{1, 0}, {0.8f, 0.6f}, {0.3f, 0.95f}, {-0.3f, 0.95f}, {-0.8f, 0.6f}, {-1, 0}, {-0.8f, -0.6f}, {0, -1},
          {0.8f, -0.6f}},
         false},
        {"collinear", {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, false},
        {"welded to two", {{0, 0}, {1, 0}, {1.0001f, 0.0001f}, {0.0001f, 0}}, false},
        {"sliver", {{0, 0}, {1, 0}, {0.5f, 0.0000001f}}, false},
        {"not a number", {{0, 0}, {1, nan}, {0, 1}}, false},
        {"infinite", {{0, 0}, {std::numeric_limits<float>::infinity(), 0}, {0, 1}}, false},
    };
    TestLevel level;
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_staticBody, &rb);
    int fixtures = 0;
    for (const Case& c : cases)
    {
        EXPECT_EQ(IsPolygonUsable(c.points), c.usable) << c.name;
        b2Fixture* f = rb->AddPolygonFixture(c.points, 0.5f, 0.0f, 1, 0xFFFF);
        EXPECT_EQ(f != nullptr, c.usable) << c.name;
        fixtures += c.usable ? 1 : 0;
    }
    int count = 0;
    for (b2Fixture* f = rb->body->GetFixtureList(); f != nullptr; f = f->GetNext())
        ++count;
    EXPECT_EQ(count, fixtures);
    delete obj;
}

TEST(RigidBody, PolygonElementPointsBecomeMetresOffsetByTheElementPosition)
{
    TestLevel level;
    cGlaElementPoly element;
    element.position.AddKey({64.0f, 32.0f});
    element.points = {{0, 0}, {32, 0}, {32, 64}, {0, 64}};
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_staticBody, &rb);
    b2Fixture* f = rb->AddPolygonFixture(&element, 0.3f, 0.2f, 0x0002, 0x0007);
    ASSERT_NE(f, nullptr);
    EXPECT_FLOAT_EQ(f->GetFriction(), 0.3f);
    EXPECT_FLOAT_EQ(f->GetRestitution(), 0.2f);
    EXPECT_FLOAT_EQ(f->GetDensity(), 1.0f);
    EXPECT_FALSE(f->IsSensor());
    EXPECT_EQ(f->GetFilterData().categoryBits, 0x0002);
    EXPECT_EQ(f->GetFilterData().maskBits, 0x0007);
    EXPECT_EQ(f->GetFilterData().groupIndex, 0);
    const auto* shape = static_cast<const b2PolygonShape*>(f->GetShape());
    ASSERT_EQ(shape->m_count, 4);
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (int i = 0; i < shape->m_count; ++i)
    {
        minX = std::min(minX, shape->m_vertices[i].x);
        maxX = std::max(maxX, shape->m_vertices[i].x);
        minY = std::min(minY, shape->m_vertices[i].y);
        maxY = std::max(maxY, shape->m_vertices[i].y);
    }
    EXPECT_FLOAT_EQ(minX, 2.0f);
    EXPECT_FLOAT_EQ(maxX, 3.0f);
    EXPECT_FLOAT_EQ(minY, 1.0f);
    EXPECT_FLOAT_EQ(maxY, 3.0f);
    EXPECT_EQ(rb->body->GetPosition(), b2Vec2(0.0f, 0.0f)); // the body stays at the origin

    // A polygon element with a bad point list adds nothing.
    cGlaElementPoly line;
    line.points = {{0, 0}, {32, 0}};
    EXPECT_EQ(rb->AddPolygonFixture(&line, 0.3f, 0.2f, 1, 1), nullptr);
    delete obj;
}

TEST(RigidBody, CircleFixtureAndItsRefusals)
{
    TestLevel level;
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    const cVec2f centre(0.5f, -0.25f);
    b2Fixture* f = rb->AddCircleFixture(&centre, 0.625f, 0.0f, 0.1f, 4, 7);
    ASSERT_NE(f, nullptr);
    const auto* circle = static_cast<const b2CircleShape*>(f->GetShape());
    EXPECT_FLOAT_EQ(circle->m_radius, 0.625f);
    EXPECT_FLOAT_EQ(circle->m_p.x, 0.5f);
    EXPECT_FLOAT_EQ(circle->m_p.y, -0.25f);
    EXPECT_EQ(rb->AddCircleFixture(&centre, 0.0f, 0, 0, 4, 7), nullptr);
    EXPECT_EQ(rb->AddCircleFixture(&centre, -1.0f, 0, 0, 4, 7), nullptr);
    EXPECT_EQ(rb->AddCircleFixture(&centre, std::numeric_limits<float>::quiet_NaN(), 0, 0, 4, 7), nullptr);
    delete obj;
}

TEST(RigidBody, BodyCreationNeedsAnOwnerInALevelWithAWorld)
{
    cRigidBodyController loose;
    EXPECT_EQ(loose.CreateDynamicBody(), nullptr);
    loose.SetOwner(nullptr); // never owned: only the owner changes
    EXPECT_EQ(loose.owner, nullptr);

    TestLevel level;
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    EXPECT_EQ(ControllerOfBody(rb->body), rb);
    EXPECT_EQ(rb->CreateDynamicBody(), nullptr); // one body per controller
    EXPECT_EQ(rb->body->GetType(), b2_dynamicBody);
    EXPECT_TRUE(rb->body->IsSleepingAllowed());
    EXPECT_TRUE(rb->body->IsEnabled());
    EXPECT_TRUE(rb->UsesWorldGravity());
    delete obj;
    EXPECT_EQ(level.world->GetBodyCount(), 0);
}

namespace
{
// A level whose contact reactions delete the object of the second body inside the step.
struct DeletingLevel : TestLevel
{
    void OnPreSolve(b2Contact* contact, const b2Manifold*) override
    {
        if (victim == nullptr)
            return;
        ++calls;
        EXPECT_TRUE(world->IsLocked());
        (void)contact;
        delete victim; // the body is destroyed after the step
        victim = nullptr;
        bodiesRightAfter = world->GetBodyCount();
    }
    cGameObj* victim = nullptr;
    int calls = 0;
    int bodiesRightAfter = 0;
};
} // namespace

TEST(RigidBody, DetachingInsideTheStepDestroysTheBodyAfterIt)
{
    DeletingLevel level;
    cContactListener listener(&level);
    level.world->SetContactListener(&listener);
    cRigidBodyController* ground = nullptr;
    cGameObj* groundObj = MakeBodyObject(&level, b2_staticBody, &ground);
    AddBox(ground, 1.0f);
    cRigidBodyController* ball = nullptr;
    level.victim = MakeBodyObject(&level, b2_dynamicBody, &ball);
    AddBox(ball, 0.25f);
    level.victim->SetPosition({0.0f, -1.3f});
    for (int i = 0; i < 60 && level.calls == 0; ++i)
        level.Step();
    EXPECT_EQ(level.calls, 1);
    EXPECT_EQ(level.bodiesRightAfter, 2); // still there inside the step
    EXPECT_EQ(level.world->GetBodyCount(), 1);
    EXPECT_TRUE(level.contactMap.empty());
    level.Step(5);
    delete groundObj;
}

TEST(RigidBody, TransformHelpersAndReactivation)
{
    TestLevel level;
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    AddBox(rb, 0.5f);
    rb->body->SetLinearVelocity(b2Vec2(3, 4));
    rb->body->SetAngularVelocity(2);
    rb->ResetBody({1, 2}, 0.5f);
    EXPECT_EQ(rb->body->GetPosition(), b2Vec2(1, 2));
    EXPECT_FLOAT_EQ(rb->body->GetAngle(), 0.5f);
    EXPECT_EQ(rb->body->GetLinearVelocity(), b2Vec2(0, 0));
    EXPECT_EQ(rb->body->GetAngularVelocity(), 0.0f);
    EXPECT_TRUE(rb->body->IsAwake());
    EXPECT_NEAR(rb->axis.x, -std::sin(0.5f), 1e-6f);

    rb->SetBodyPosition({5, 6});
    EXPECT_FLOAT_EQ(rb->body->GetAngle(), 0.5f);
    rb->SetBodyAngle(-1.0f);
    EXPECT_EQ(rb->body->GetPosition(), b2Vec2(5, 6));

    obj->Update();
    const cVec2f local(1.0f, 0.0f);
    const cVec2f world = rb->LocalToWorld(local);
    EXPECT_NEAR(world.x, 5.0f + std::cos(-1.0f), 1e-5f);
    EXPECT_NEAR(world.y, 6.0f + std::sin(-1.0f), 1e-5f);
    const cVec2f back = rb->WorldToLocal(world);
    EXPECT_NEAR(back.x, 1.0f, 1e-5f);
    EXPECT_NEAR(back.y, 0.0f, 1e-5f);

    // Values that are not finite never reach the body.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    rb->SetBodyPosition({nan, 1.0f});
    rb->SetBodyAngle(std::numeric_limits<float>::infinity());
    rb->ResetBody({0.0f, 0.0f}, nan);
    EXPECT_EQ(rb->body->GetPosition(), b2Vec2(5, 6));
    EXPECT_FLOAT_EQ(rb->body->GetAngle(), -1.0f);
    rb->SetGravity({1.0f, 2.0f});
    rb->SetGravity({nan, 0.0f});
    EXPECT_EQ(rb->GetGravity(), cVec2f(1.0f, 2.0f));

    rb->SetBodyActive(false);
    EXPECT_FALSE(rb->body->IsEnabled());
    rb->body->SetLinearVelocity(b2Vec2(1, 1));
    rb->Reactivate();
    EXPECT_TRUE(rb->body->IsEnabled());
    EXPECT_EQ(rb->body->GetLinearVelocity(), b2Vec2(0, 0));
    delete obj;
}

TEST(RigidBody, EveryPolygonThatPassesTheCheckIsTakenByBox2D)
{
    // Near-degenerate point sets (close, collinear, tiny) from a fixed generator: each one
    // the check lets through must make a fixture without tripping Box2D's assertions.
    TestLevel level;
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_dynamicBody, &rb);
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float((seed >> 8) & 0xFFFF) / 65535.0f;
    };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round)
    {
        const int n = 3 + int(next() * 6.0f);
        const float scale = std::pow(10.0f, -4.0f + next() * 5.0f); // 1e-4 .. 10 metres
        const float squash = next() < 0.5f ? std::pow(10.0f, -7.0f + next() * 6.0f) : 1.0f;
        std::vector<b2Vec2> pts;
        for (int i = 0; i < n; ++i)
            pts.emplace_back(next() * scale, next() * scale * squash);
        if (!IsPolygonUsable(pts))
            continue;
        ++accepted;
        b2Fixture* f = rb->AddPolygonFixture(pts, 0.5f, 0.0f, 1, 0xFFFF);
        ASSERT_NE(f, nullptr);
        rb->body->DestroyFixture(f);
    }
    EXPECT_GT(accepted, 100);
    delete obj;
}
