// Contacts and probes: the filter's group and bit rules, the contact map kept from the
// beginning to every end of a contact, pre-solve handed to the level, the ray probe's
// closest accepted fixture, and the debug drawer's shapes and colours.
#include <gtest/gtest.h>

#include "KelpoBase/core/Colour.h"
#include "PhysicsFixtures.h"
#include "game/objects/ContactListener.h"
#include "game/objects/PhysicsDebugDraw.h"
#include "game/objects/RayProbe.h"

using namespace physicstest;

TEST(ContactFilter, GroupsThenCategoryAndMaskBits)
{
    struct Case
    {
        const char* name;
        uint16_t catA, maskA;
        int16_t groupA;
        uint16_t catB, maskB;
        int16_t groupB;
        bool collide;
    } cases[] = {
        {"player and scene bit", 0x0004, 0x0007, 0, 0x0001, 0x000F, 0, true},
        {"player and mover", 0x0004, 0x0007, 0, 0x0002, 0x0007, 0, true},
        {"mask of A misses B", 0x0004, 0x0003, 0, 0x0004, 0x0007, 0, false},
        {"mask of B misses A", 0x0002, 0x0007, 0, 0x0008, 0x0001, 0, false},
        {"zero bits", 0, 0, 0, 0x0001, 0xFFFF, 0, false},
        {"same negative group, matching bits", 1, 0xFFFF, -3, 1, 0xFFFF, -3, false},
        {"same positive group, no matching bits", 1, 0, 5, 2, 0, 5, true},
        {"different groups fall back to bits", 1, 0, 5, 2, 0, 6, false},
        {"one group zero falls back to bits", 1, 2, 0, 2, 1, 0, true},
    };

    TestLevel level;
    cContactFilter filter(&level);
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_staticBody, &rb);
    b2Fixture* a = AddBox(rb, 0.5f);
    b2Fixture* b = AddBox(rb, 0.5f);
    for (const Case& c : cases)
    {
        b2Filter fa, fb;
        fa.categoryBits = c.catA;
        fa.maskBits = c.maskA;
        fa.groupIndex = c.groupA;
        fb.categoryBits = c.catB;
        fb.maskBits = c.maskB;
        fb.groupIndex = c.groupB;
        a->SetFilterData(fa);
        b->SetFilterData(fb);
        EXPECT_EQ(filter.ShouldCollide(a, b), c.collide) << c.name;
        EXPECT_EQ(filter.ShouldCollide(b, a), c.collide) << c.name << " (swapped)";
    }
    delete obj;
}

namespace
{
// Counts pre-solves and the largest the contact map ever was.
struct CountingLevel : TestLevel
{
    using TestLevel::TestLevel;
    void OnPreSolve(b2Contact* contact, const b2Manifold*) override
    {
        ++preSolves;
        auto it = contactMap.find(contact);
        EXPECT_NE(it, contactMap.end()); // begun before it is solved
        if (it != contactMap.end())
            ++it->second.hits;
    }
    int preSolves = 0;
};
} // namespace

TEST(ContactListener, RecordsLiveFromBeginToEveryEndWithoutPilingUp)
{
    CountingLevel level(b2Vec2(0.0f, 20.0f));
    cContactFilter filter(&level);
    cContactListener listener(&level);
    level.world->SetContactFilter(&filter);
    level.world->SetContactListener(&listener);

    cRigidBodyController* ground = nullptr;
    cGameObj* groundObj = MakeBodyObject(&level, b2_staticBody, &ground);
    const b2Vec2 floor[4] = {{-20, 0}, {20, 0}, {20, 1}, {-20, 1}};
    ground->AddPolygonFixture(floor, 0.5f, 0.0f, 0x0001, 0x000F);

    // Bouncy balls that hit the floor, leave it and come back many times.
    std::vector<cGameObj*> balls;
    for (int i = 0; i < 6; ++i)
    {
        cRigidBodyController* rb = nullptr;
        cGameObj* ball = MakeBodyObject(&level, b2_dynamicBody, &rb);
        const cVec2f centre;
        rb->AddCircleFixture(&centre, 0.3f, 0.0f, 1.0f, 0x0004, 0x0007);
        ball->SetPosition({float(i) * 2.0f - 5.0f, -2.0f - float(i)});
        balls.push_back(ball);
    }
    size_t largest = 0;
    for (int i = 0; i < 300; ++i)
    {
        level.contactsLocked = (i % 7 == 0); // a rebuilt frame must not keep stale records either
        level.Step();
        largest = std::max(largest, level.contactMap.size());
        ASSERT_LE(size_t(level.world->GetContactCount()), 6u);
        // Every record belongs to a contact that exists now.
        for (const auto& [contact, record] : level.contactMap)
        {
            bool found = false;
            for (b2Contact* c = level.world->GetContactList(); c != nullptr; c = c->GetNext())
                found = found || c == contact;
            ASSERT_TRUE(found) << "step " << i;
            EXPECT_EQ(record.contact, contact);
        }
    }
    EXPECT_GT(level.preSolves, 0);
    EXPECT_GE(largest, 1u);

    // Destroying the bodies ends their contacts: the map empties.
    for (cGameObj* ball : balls)
        delete ball;
    EXPECT_TRUE(level.contactMap.empty());
    delete groundObj;
}

TEST(ContactListener, BeginContactStartsAFreshRecordAndEndContactErases)
{
    TestLevel level;
    cContactListener listener(&level);
    auto* key = reinterpret_cast<b2Contact*>(uintptr_t(0x1000)); // never dereferenced
    ContactRecord& stale = level.contactMap[key];
    stale.touching = true;
    stale.hits = 9;
    stale.impact = 4.0f;
    listener.BeginContact(key);
    ASSERT_EQ(level.contactMap.size(), 1u);
    EXPECT_EQ(level.contactMap[key].contact, key);
    EXPECT_FALSE(level.contactMap[key].touching);
    EXPECT_EQ(level.contactMap[key].hits, 0u);
    level.contactsLocked = true;
    listener.EndContact(key);
    EXPECT_TRUE(level.contactMap.empty());
    listener.EndContact(key); // nothing left: nothing happens
    EXPECT_TRUE(level.contactMap.empty());
}

TEST(RayProbe, FindsTheClosestAcceptedFixture)
{
    TestLevel level(b2Vec2(0, 0));
    cRigidBodyController* rb = nullptr;
    cGameObj* obj = MakeBodyObject(&level, b2_staticBody, &rb);
    // Along +x: a rejected fixture (category 4) at 2, an accepted mover (2) at 4, an
    // accepted scene bit (1) at 6, one that does not collide with the player at 8.
    auto box = [&](float x, uint16_t cat, uint16_t mask) {
        const b2Vec2 pts[4] = {{x - 0.5f, -0.5f}, {x + 0.5f, -0.5f}, {x + 0.5f, 0.5f}, {x - 0.5f, 0.5f}};
        return rb->AddPolygonFixture(pts, 0.5f, 0.0f, cat, mask);
    };
    box(2.0f, 0x0004, 0x0007);
    b2Fixture* mover = box(4.0f, 0x0002, 0x0007);
    b2Fixture* sceneBit = box(6.0f, 0x0001, 0x000F);
    b2Fixture* deaf = box(8.0f, 0x0001, 0x0003);

    cRayTraceCallback probe(3, 4);
    level.world->RayCast(&probe, b2Vec2(0, 0), b2Vec2(10, 0));
    EXPECT_EQ(probe.fixture, mover);
    EXPECT_NEAR(probe.point.x, 3.5f, 1e-4f);
    EXPECT_NEAR(probe.normal.x, -1.0f, 1e-4f);

    cRayTraceCallback backwards(3, 4); // from the other side the scene bit is first... after the deaf one
    level.world->RayCast(&backwards, b2Vec2(10, 0), b2Vec2(0, 0));
    EXPECT_EQ(backwards.fixture, sceneBit);
    EXPECT_NEAR(backwards.point.x, 6.5f, 1e-4f);

    cRayTraceCallback onlyRejected(3, 4);
    level.world->RayCast(&onlyRejected, b2Vec2(0, 0), b2Vec2(2.8f, 0));
    EXPECT_EQ(onlyRejected.fixture, nullptr);
    cRayTraceCallback miss(3, 4);
    level.world->RayCast(&miss, b2Vec2(0, 5), b2Vec2(10, 5));
    EXPECT_EQ(miss.fixture, nullptr);
    (void)deaf;
    delete obj;
}

TEST(PhysicsDebugDraw, ShapesBecomeStripsAndFilledPolygonsInTheBox2DColour)
{
    TestLevel level(b2Vec2(0, 0));
    RecordingGfx gfx;
    cPhysicsDebugDraw draw(&gfx);
    EXPECT_EQ(draw.GetFlags(), uint32(b2Draw::e_shapeBit));
    EXPECT_FLOAT_EQ(draw.alpha, 0.95f);
    level.world->SetDebugDraw(&draw);

    cRigidBodyController* box = nullptr;
    cGameObj* boxObj = MakeBodyObject(&level, b2_staticBody, &box);
    AddBox(box, 1.0f);
    cRigidBodyController* ball = nullptr;
    cGameObj* ballObj = MakeBodyObject(&level, b2_dynamicBody, &ball);
    const cVec2f centre;
    ball->AddCircleFixture(&centre, 0.5f, 0, 0, 1, 0xFFFF);
    ballObj->SetPosition({5.0f, 0.0f});
    level.world->DebugDraw();
    level.world->SetDebugDraw(nullptr);

    // Box2D draws solid shapes: one filled quad for the box, a 16-point filled circle
    // around (5, 0) for the ball.
    ASSERT_EQ(gfx.calls.size(), 2u);
    if (gfx.calls[0].points.size() != 4u) // Box2D walks the newest body first
        std::swap(gfx.calls[0], gfx.calls[1]);
    const auto& quad = gfx.calls[0];
    EXPECT_EQ(quad.kind, "fill");
    EXPECT_EQ(quad.points.size(), 4u);
    cRGBA expected;
    expected.Set(0.5f, 0.9f, 0.5f, 0.95f); // Box2D's colour of static bodies
    EXPECT_EQ(quad.colour, expected.Word());
    EXPECT_EQ(quad.colour >> 24, 242u);
    const auto& circle = gfx.calls[1];
    EXPECT_EQ(circle.kind, "fill");
    ASSERT_EQ(circle.points.size(), 16u);
    for (const cVec2f& p : circle.points)
        EXPECT_NEAR((p - cVec2f(5.0f, 0.0f)).Length(), 0.5f, 1e-5f);
    EXPECT_TRUE(gfx.transformStack.empty()); // pushes and pops paired

    // The outline forms, called directly.
    gfx.calls.clear();
    const b2Vec2 tri[3] = {{0, 0}, {1, 0}, {0, 1}};
    draw.DrawPolygon(tri, 3, b2Color(1, 0, 0));
    ASSERT_EQ(gfx.calls.size(), 3u);
    EXPECT_EQ(gfx.calls[2].points, (std::vector<cVec2f>{{0, 1}, {0, 0}})); // back to the first
    EXPECT_FALSE(gfx.calls[2].closed);
    draw.DrawCircle(b2Vec2(1, 1), 2.0f, b2Color(0, 0, 1));
    EXPECT_EQ(gfx.calls.back().points.size(), 16u);
    EXPECT_TRUE(gfx.calls.back().closed);
    draw.DrawSegment(b2Vec2(0, 0), b2Vec2(3, 3), b2Color(1, 1, 1));
    EXPECT_EQ(gfx.calls.back().points.size(), 2u);
    const size_t before = gfx.calls.size();
    draw.DrawSolidCircle(b2Vec2(0, 0), 1.0f, b2Vec2(1, 0), b2Color(1, 1, 1));
    draw.DrawSolidCircle(b2Vec2(0, 0), 1.0f, b2Vec2(0, 1), b2Color(1, 1, 1));
    EXPECT_EQ(gfx.calls[before].points, gfx.calls[before + 1].points); // the axis changes nothing
    draw.DrawTransform(b2Transform());
    EXPECT_EQ(gfx.calls.size(), before + 2);
    delete ballObj;
    delete boxObj;
}
