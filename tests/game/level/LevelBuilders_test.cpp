// The level's element builders over scenes made in code: scene bits (triangles on the
// ground body, slivers skipped, hole areas, depth, low-performance hiding), movers,
// pickups and respawn points with their areas and templates, dynamic objects and their
// properties and bodies (mass checks included), spawned objects and dropped pickups.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "KelpoBase/core/ObjectGrid.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/BackgroundObject.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/MoverObject.h"
#include "game/objects/ObjectTestSupport.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"
#include "game/objects/WorldObject.h"

namespace
{
using objecttest::SceneKit;

struct TestLevel : cLevel
{
    TestLevel() : cLevel(0) { CreatePhysicsWorld(); }
    int PerformanceMode() const override { return performance; }
    int performance = 3;
};

// Scenes, object types and elements for the builders.
struct Kit : SceneKit
{
    cGlaObjectType* Type(const std::string& name)
    {
        if (cGlaObjectType* t = set.FindType(name))
            return t;
        auto* t = new cGlaObjectType;
        t->name = name;
        set.types.push_back(t);
        return t;
    }
    cGlaElementZone* Zone(cGlaScene* scene, const std::string& type, const std::vector<cVec2f>& points,
                          const cVec2f& at = cVec2f())
    {
        auto* zone = new cGlaElementZone();
        zone->points = points;
        zone->position.AddKey(at);
        zone->type = Type(type);
        scene->AddObjectElement(zone);
        return zone;
    }
    cGlaElementMarker* Circle(cGlaScene* scene, const cVec2f& at, float radius)
    {
        auto* marker = new cGlaElementMarker();
        marker->position.AddKey(at);
        marker->scale.AddKey(cVec2f(radius, radius));
        marker->type = Type("CollisionZone");
        scene->AddObjectElement(marker);
        return marker;
    }
    // A game-object element of the type in the level scene, naming the scene when given.
    cGlaElementGameObj* Element(const std::string& type, const std::string& name, const cVec2f& at,
                                const std::string& sceneName = std::string(), float rotation = 0.0f)
    {
        cGlaElementGameObj* e = AddObject(level, name, at);
        e->type = Type(type);
        e->angle.AddKey(rotation);
        if (!sceneName.empty())
            SceneRef(e, "scene", sceneName);
        return e;
    }
    // A 64 by 64 pixel square scene with one collision zone.
    cGlaScene* Square(const std::string& name)
    {
        cGlaScene* s = AddScene(name);
        Zone(s, "CollisionZone", {{-32, -32}, {32, -32}, {32, 32}, {-32, 32}});
        return s;
    }
    cGlaScene* level = AddScene("level");
};

int FixtureCount(const b2Body* body)
{
    int n = 0;
    for (const b2Fixture* f = body->GetFixtureList(); f != nullptr; f = f->GetNext())
        ++n;
    return n;
}

b2Body* BodyOf(const cGameObj* object)
{
    const cRigidBodyController* rb = object != nullptr ? object->GetRigidBodyController() : nullptr;
    return rb != nullptr ? rb->body : nullptr;
}

class LevelBuildersTest : public ::testing::Test
{
protected:
    void SetUp() override { SetScreenSize(1280, 720); }
};
} // namespace

TEST_F(LevelBuildersTest, SceneBitTrianglesLandOnTheGroundBodyAndSliversAreSkipped)
{
    TestLevel level;
    level.grid = new cObjectGrid(cAABox2f{0, 0, 4096, 4096}, 512.0f);
    Kit kit;
    cGlaScene* bits = kit.AddScene("bits");
    kit.Zone(bits, "CollisionZone", {{0, 0}, {64, 0}, {64, 64}, {0, 64}});  // two triangles
    kit.Zone(bits, "CollisionZone", {{0, 0}, {64, 0}});                    // too few points
    kit.Zone(bits, "CollisionZone", {{0, 0}, {100, 0}, {200, 0.001f}});    // a sliver
    kit.Zone(bits, "Hole", {{0, 0}, {32, 0}, {32, 32}}, {16, 0});
    kit.Enum(bits->objectElements.back(), "Type", 6);
    bits->AddProp(new cGlaPropInt("Depth", 12));
    cGlaElementGameObj* e = kit.Element("SceneBit", "bit", {320, 160}, "bits");
    kit.Float(e, "Friction", 0.7f);
    kit.Float(e, "Restitution", 0.9f);

    level.BuildSceneBit(e, 0.0f, cVec2f(32, 0));
    ASSERT_EQ(level.sceneBits.live.size(), 1u);
    const cGameObj* object = level.sceneBits.live.front();
    EXPECT_EQ(object->GetName(), "");
    EXPECT_EQ(object->position, cVec2f(352, 160)); // scene units: no body
    EXPECT_EQ(object->GetRigidBodyController(), nullptr);
    const auto* world = ClassCast<cWorldObject>(object->GetLogicController());
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->depth, 12);

    ASSERT_EQ(FixtureCount(level.groundBody), 2);
    for (const b2Fixture* f = level.groundBody->GetFixtureList(); f != nullptr; f = f->GetNext())
    {
        EXPECT_EQ(f->GetFilterData().categoryBits, 0x0001);
        EXPECT_EQ(f->GetFilterData().maskBits, 0x000F);
        EXPECT_FLOAT_EQ(f->GetFriction(), 0.7f);
        EXPECT_FLOAT_EQ(f->GetRestitution(), 0.9f);
        const auto* shape = static_cast<const b2PolygonShape*>(f->GetShape());
        EXPECT_EQ(shape->m_count, 3);
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_GE(shape->m_vertices[i].x, 11.0f - 1e-4f); // (352 / 32)
            EXPECT_LE(shape->m_vertices[i].x, 13.0f + 1e-4f);
        }
    }
    ASSERT_EQ(level.areas.size(), 1u);
    EXPECT_EQ(level.areas[0]->type, 6);
    EXPECT_EQ(level.areas[0]->points[0], cVec2f(368, 160) * (1.0f / 32.0f)); // zone + placement

    // The triangles hold up a falling body.
    level.StepWorld(level.timeStep, 8, 3);
}

TEST_F(LevelBuildersTest, SceneBitTurnsItsZonesAndHidesOnLowerPerformance)
{
    Kit kit;
    cGlaScene* bits = kit.AddScene("bits");
    kit.Zone(bits, "CollisionZone", {{32, 0}, {64, 0}, {64, 32}});
    cGlaElementGameObj* turned = kit.Element("SceneBit", "turned", {0, 0}, "bits", 90.0f);
    cGlaElementGameObj* hidden = kit.Element("SceneBit", "hidden", {0, 0}, "bits");
    kit.Bool(hidden, "HideOnLower", true);
    {
        TestLevel level;
        level.BuildSceneBit(turned, 0.0f, cVec2f());
        ASSERT_EQ(FixtureCount(level.groundBody), 1);
        // Turned by -pi/2: (x, y) becomes (y, -x).
        const auto* shape = static_cast<const b2PolygonShape*>(level.groundBody->GetFixtureList()->GetShape());
        for (int i = 0; i < shape->m_count; ++i)
        {
            EXPECT_GE(shape->m_vertices[i].x, -1e-4f);
            EXPECT_LE(shape->m_vertices[i].x, 1.0f + 1e-4f);
            EXPECT_LE(shape->m_vertices[i].y, -1.0f + 1e-4f);
        }
        EXPECT_NEAR(level.sceneBits.live.front()->angle, -std::numbers::pi_v<float> / 2, 1e-5f);
        // No "Depth" in the scene: depth 0.
        EXPECT_EQ(ClassCast<cWorldObject>(level.sceneBits.live.front()->GetLogicController())->depth, 0);
        level.BuildSceneBit(hidden, 0.0f, cVec2f());
        EXPECT_EQ(level.sceneBits.live.size(), 2u);
    }
    {
        TestLevel level;
        level.performance = 1;
        level.BuildSceneBit(hidden, 0.0f, cVec2f());
        EXPECT_TRUE(level.sceneBits.live.empty());
    }
}

TEST_F(LevelBuildersTest, MoverKeepsTheLastZonesBodyAndItsOwnZeroGravity)
{
    TestLevel level;
    Kit kit;
    cGlaScene* s = kit.Square("mover");
    kit.Zone(s, "CollisionZone", {{0, 0}, {32, 0}, {32, 32}});
    cGlaElementGameObj* dynamic = kit.Element("Mover", "lift", {64, 96}, "mover");
    kit.Bool(dynamic, "Dynamic", true);
    cGlaElementGameObj* fixed = kit.Element("Mover", "door", {64, 96}, "mover");
    level.BuildMover(dynamic, 0.0f, cVec2f());
    level.BuildMover(fixed, 0.0f, cVec2f());
    ASSERT_EQ(level.objects.live.size(), 2u);
    const cGameObj* lift = level.FindObjectByName("lift");
    ASSERT_NE(lift, nullptr);
    EXPECT_NE(ClassCast<cMoverObject>(lift->GetLogicController()), nullptr);
    b2Body* body = BodyOf(lift);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetType(), b2_dynamicBody);
    ASSERT_EQ(FixtureCount(body), 1);
    EXPECT_EQ(static_cast<const b2PolygonShape*>(body->GetFixtureList()->GetShape())->m_count, 3);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().categoryBits, 0x0002);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().maskBits, 0x0007);
    EXPECT_FLOAT_EQ(body->GetFixtureList()->GetFriction(), 0.1f);
    EXPECT_EQ(BodyOf(level.FindObjectByName("door"))->GetFixtureList()->GetFilterData().maskBits, 0x0004);
    EXPECT_EQ(BodyOf(level.FindObjectByName("door"))->GetType(), b2_staticBody);
    EXPECT_EQ(lift->position, cVec2f(2, 3));
    for (int i = 0; i < 30; ++i)
        level.StepWorld(level.timeStep, 8, 3);
    EXPECT_NEAR(body->GetPosition().y, 3.0f, 1e-4f); // does not fall
}

TEST_F(LevelBuildersTest, PickupsCountSugarRecordTemplatesAndKeepTheirAreas)
{
    TestLevel level;
    Kit kit;
    cGlaScene* s = kit.Square("sugar");
    kit.Zone(s, "Hole", {{0, 0}, {32, 0}, {32, 32}}, {8, 8});
    cGlaElementGameObj* sugar[3];
    for (int i = 0; i < 3; ++i)
    {
        sugar[i] = kit.Element("Pickup", "sugar" + std::to_string(i), {320, 160}, "sugar");
        kit.Enum(sugar[i], "Type", 1);
        level.BuildPickup(sugar[i], 0.0f, cVec2f());
    }
    cGlaElementGameObj* sticker = kit.Element("Pickup", "sticker", {0, 0}, "sugar");
    kit.Enum(sticker, "Type", 7);
    level.BuildPickup(sticker, 0.0f, cVec2f());
    cGlaElementGameObj* key = kit.Element("Pickup", "key", {0, 0}, "sugar");
    kit.Enum(key, "Type", 3);
    kit.Bool(key, "DynamicObject", true);
    level.BuildPickup(key, 0.0f, cVec2f());

    EXPECT_EQ(level.sugarTotal, 3);
    EXPECT_EQ(level.pickupTemplates[0], sugar[2]);
    EXPECT_EQ(level.pickupTemplates[1], sticker);
    EXPECT_EQ(level.pickupTemplates[3], key); // kinds 2 to 5 follow kinds 1 and 6
    ASSERT_EQ(level.pickups.live.size(), 5u);

    const cGameObj* first = level.pickups.live.front();
    EXPECT_EQ(first->GetName(), "sugar0");
    EXPECT_EQ(first->position, cVec2f(10, 5));
    b2Body* still = BodyOf(first);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->GetType(), b2_staticBody);
    EXPECT_EQ(still->GetFixtureList()->GetFilterData().categoryBits, 0);
    EXPECT_EQ(still->GetFixtureList()->GetFilterData().maskBits, 0);
    const auto* pickup = ClassCast<cPickupObject>(first->GetLogicController());
    ASSERT_NE(pickup, nullptr);
    const auto* area = static_cast<const PolygonArea*>(pickup->area);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->points[0], cVec2f(0.25f, 0.25f)); // at the zone's own position

    b2Body* falling = BodyOf(level.FindObjectByName("key"));
    ASSERT_NE(falling, nullptr);
    EXPECT_EQ(falling->GetType(), b2_dynamicBody);
    EXPECT_EQ(falling->GetFixtureList()->GetFilterData().categoryBits, 0x0002);
    EXPECT_EQ(falling->GetFixtureList()->GetFilterData().maskBits, 0x000B);
    EXPECT_NEAR(falling->GetMass(), 4.0f * 0.01f, 1e-5f); // a 2 by 2 metre square, density 1
    EXPECT_FALSE(falling->IsFixedRotation());
}

TEST_F(LevelBuildersTest, RespawnAreaLiesAtTheZonePlusThePlacement)
{
    TestLevel level;
    Kit kit;
    cGlaScene* s = kit.Square("point");
    kit.Zone(s, "Hole", {{0, 0}, {32, 0}, {32, 32}}, {32, 0});
    cGlaElementGameObj* e = kit.Element("Respawn", "check", {64, 64}, "point");
    level.BuildRespawn(e, 0.0f, cVec2f());
    cGlaElementGameObj* bare = kit.Element("Respawn", "bare", {0, 0});
    level.BuildRespawn(bare, 0.0f, cVec2f());
    ASSERT_EQ(level.respawns.live.size(), 2u);
    const cGameObj* point = level.respawns.live.front();
    EXPECT_EQ(point->position, cVec2f(2, 2));
    const PolygonArea* area = cLevel::RespawnAreaOf(point);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->points[0], cVec2f(3, 2));
    b2Body* body = BodyOf(point);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().maskBits, 0);
    // Without a scene: the object, no body, no area.
    EXPECT_EQ(BodyOf(level.respawns.live.back()), nullptr);
    EXPECT_EQ(cLevel::RespawnAreaOf(level.respawns.live.back()), nullptr);
}

TEST_F(LevelBuildersTest, DynamicObjectPropertiesReachTheObjectAndItsBody)
{
    TestLevel level;
    Kit kit;
    kit.Square("crate");
    cGlaElementGameObj* spawnTemplate = kit.Element("SpawnTemplate", "drop", {0, 0});
    cGlaElementGameObj* e = kit.Element("DynamicObject", "crate", {64, 32}, "crate", 90.0f);
    kit.Float(e, "AnimateForce", 2.5f);
    kit.Enum(e, "Animate", 1);
    kit.Bool(e, "Spawner", true);
    kit.Ref(e, "SpawnerObject", "drop");
    kit.Int(e, "SpawnerGap", 30);
    kit.Int(e, "SpawnerInitGap", 15);
    kit.Bool(e, "SpawnerOnce", true);
    kit.Bool(e, "Destroyable", true);
    kit.Enum(e, "DestroyableSpawnType", 1);
    kit.Int(e, "DestroyableSpawnCount", 5);
    kit.Int(e, "DestroyableFrames", 3);
    kit.Enum(e, "DestroyableType", 7);
    kit.Float(e, "DestroyableForce", 4.0f);
    kit.Bool(e, "EventOnDestroyed", true);
    kit.Ref(e, "EventObject", "drop");
    kit.Bool(e, "EventOnActivate", true); // no reference: no event
    kit.Int(e, "SleepFrames", 1);
    kit.Bool(e, "PlayerMoveTo", true);
    kit.Enum(e, "Collide", 7);
    kit.Bool(e, "Mover", true);
    kit.Int(e, "ForceInitPause", 5);
    kit.Int(e, "ForcePause", 20);
    kit.Float(e, "ForceX", 10.0f);
    kit.Bool(e, "PathObject", true); // ignored for a mover
    kit.Bool(e, "LimitYAxis", true);

    level.BuildDynamicObject(e, 0.0f, cVec2f(), "_s");
    cGameObj* object = level.FindObjectByName("crate_s");
    ASSERT_NE(object, nullptr);
    cDynamicObject* dyn = cDynamicObject::Of(object);
    ASSERT_NE(dyn, nullptr);
    EXPECT_FLOAT_EQ(dyn->animateForce, 2.5f);
    EXPECT_EQ(dyn->animateMode, 1);
    EXPECT_TRUE(dyn->spawnerOn);
    EXPECT_TRUE(dyn->spawnerOnce);
    EXPECT_EQ(dyn->spawnerObject, spawnTemplate);
    EXPECT_EQ(dyn->spawnerCounter, 45);
    EXPECT_TRUE(dyn->destroyable);
    EXPECT_EQ(dyn->life, 3);
    EXPECT_EQ(dyn->fullLife, 3);
    EXPECT_EQ(dyn->effectType, 7);
    EXPECT_EQ(dyn->dropKind, 1);
    EXPECT_FLOAT_EQ(dyn->hitThreshold, 4.0f);
    EXPECT_EQ(level.sugarTotal, 5);
    EXPECT_TRUE(dyn->destroyedEvent);
    EXPECT_EQ(dyn->destroyedTarget, "drop_s");
    EXPECT_FALSE(dyn->activateEvent);
    EXPECT_TRUE(dyn->sleeping);
    EXPECT_TRUE(dyn->carriesPlayer);
    EXPECT_TRUE(dyn->forceOn);
    EXPECT_EQ(dyn->pauseLeft, 25);
    EXPECT_EQ(dyn->force, cVec2f(10, 0));
    EXPECT_FALSE(dyn->pathOn);
    EXPECT_TRUE(dyn->limitY);
    EXPECT_FALSE(dyn->limitX);

    b2Body* body = BodyOf(object);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().categoryBits, 0x0004);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().maskBits, 0x0007);
    EXPECT_NEAR(body->GetAngle(), -std::numbers::pi_v<float> / 2, 1e-5f);
    EXPECT_EQ(object->position, cVec2f(2, 1));
    EXPECT_FLOAT_EQ(dyn->limitYValue, 1.0f);
    // Without "Mass" Box2D's rule gives 1; without "MassRotation" it does not turn.
    EXPECT_FLOAT_EQ(body->GetMass(), 1.0f);
    EXPECT_FLOAT_EQ(body->GetInertia(), 0.0f);
}

TEST_F(LevelBuildersTest, DynamicObjectMassIsCheckedAndASceneIsOptional)
{
    TestLevel level;
    Kit kit;
    // A shape far from the body origin: the inertia about the origin is mostly m |c|^2,
    // so a small inertia factor with a large mass factor leaves nothing about the centre.
    cGlaScene* off = kit.AddScene("off");
    kit.Zone(off, "CollisionZone", {{320, -16}, {352, -16}, {352, 16}, {320, 16}});
    cGlaElementGameObj* bad = kit.Element("DynamicObject", "bad", {0, 0}, "off");
    kit.Float(bad, "Mass", 10.0f);
    kit.Float(bad, "MassRotation", 0.5f);
    level.BuildDynamicObject(bad, 0.0f, cVec2f());
    b2Body* body = BodyOf(level.FindObjectByName("bad"));
    ASSERT_NE(body, nullptr);
    EXPECT_NEAR(body->GetMass(), 10.0f, 1e-4f);
    // Rotation dropped instead of an abort: nothing left about the centre.
    const b2Vec2 centre = body->GetLocalCenter();
    EXPECT_NEAR(body->GetInertia() - body->GetMass() * centre.LengthSquared(), 0.0f, 1e-2f);
    body->ApplyTorque(100.0f, true);
    level.StepWorld(level.timeStep, 8, 3);
    EXPECT_FLOAT_EQ(body->GetAngularVelocity(), 0.0f);

    cGlaElementGameObj* spinning = kit.Element("DynamicObject", "spin", {0, 0}, "off");
    kit.Float(spinning, "Mass", -3.0f);
    kit.Float(spinning, "MassRotation", 1.0f);
    level.BuildDynamicObject(spinning, 0.0f, cVec2f());
    b2Body* spin = BodyOf(level.FindObjectByName("spin"));
    EXPECT_FLOAT_EQ(spin->GetMass(), 1.0f); // a mass of 0 or less becomes 1
    EXPECT_GT(spin->GetInertia() - spin->GetMass() * spin->GetLocalCenter().LengthSquared(), 0.0f);

    cGlaElementGameObj* still = kit.Element("DynamicObject", "still", {0, 0}, "off");
    kit.Bool(still, "StaticObject", true);
    kit.Float(still, "Mass", 5.0f);
    kit.Bool(still, "ActivateOnEvent", true);
    level.BuildDynamicObject(still, 0.0f, cVec2f());
    b2Body* fixed = BodyOf(level.FindObjectByName("still"));
    EXPECT_EQ(fixed->GetType(), b2_staticBody);
    EXPECT_TRUE(fixed->IsFixedRotation());
    EXPECT_FALSE(fixed->IsEnabled());
    EXPECT_FALSE(cDynamicObject::Of(level.FindObjectByName("still"))->active);

    // No scene: the object without a body, placed all the same.
    cGlaElementGameObj* bare = kit.Element("DynamicObject", "bare", {32, 64});
    kit.Bool(bare, "ActivateOnEvent", true);
    kit.Float(bare, "Mass", 2.0f);
    level.BuildDynamicObject(bare, 0.0f, cVec2f());
    const cGameObj* plain = level.FindObjectByName("bare");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(BodyOf(plain), nullptr);
    EXPECT_EQ(plain->position, cVec2f(1, 2));
    for (int i = 0; i < 10; ++i)
        level.StepWorld(level.timeStep, 8, 3);
}

TEST_F(LevelBuildersTest, SpawnedObjectsFromTheirTemplate)
{
    TestLevel level;
    Kit kit;
    kit.Square("shot");
    cGlaElementGameObj* plain = kit.Element("SpawnTemplate", "plain", {0, 0}, "shot");
    level.MakeSpawnedObject(plain, 0.0f, "", 0.0f, true, cVec2f(96, 64));
    cGameObj* object = level.FindObjectByName("plain");
    ASSERT_NE(object, nullptr);
    b2Body* body = BodyOf(object);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetType(), b2_dynamicBody);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().categoryBits, 0x0002);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().maskBits, 0x0006);
    EXPECT_FLOAT_EQ(body->GetMass(), 1.0f);
    EXPECT_FLOAT_EQ(body->GetInertia(), 0.0f);
    EXPECT_TRUE(body->IsBullet()); // "Gravity" absent: it floats
    EXPECT_FALSE(object->GetRigidBodyController()->UsesWorldGravity());
    EXPECT_EQ(object->position, cVec2f(3, 2));

    cGlaElementGameObj* thrown = kit.Element("SpawnTemplate", "thrown", {0, 0}, "shot");
    kit.Bool(thrown, "Gravity", true);
    kit.Float(thrown, "OffsetX", 32.0f);
    kit.Bool(thrown, "Mover", true);
    kit.Float(thrown, "ForceX", 10.0f);
    kit.Int(thrown, "ForceInitPause", 5);
    kit.Int(thrown, "ForcePause", 20);
    kit.Enum(thrown, "Collide", 3);
    kit.Int(thrown, "Life", 40);
    kit.Bool(thrown, "EventOnDestroyed", true);
    kit.Bool(thrown, "LimitXAxis", true);
    level.BuildSpawnedObject(thrown, 0.5f, std::numbers::pi_v<float> / 2, cVec2f(96, 64));
    cGameObj* second = level.FindObjectByName("thrown");
    ASSERT_NE(second, nullptr);
    const cSpawnedObject* spawned = cSpawnedObject::Of(second);
    ASSERT_NE(spawned, nullptr);
    EXPECT_NEAR(spawned->force.x, 0.0f, 1e-5f);
    EXPECT_NEAR(spawned->force.y, 10.0f, 1e-5f);
    EXPECT_EQ(spawned->pauseLeft, 25);
    EXPECT_EQ(spawned->lifeLeft, 40);
    EXPECT_TRUE(spawned->destroyedEvent);
    EXPECT_EQ(spawned->destroyedTarget, "");
    EXPECT_TRUE(spawned->limitX);
    EXPECT_FLOAT_EQ(spawned->limitXValue, 4.0f);
    EXPECT_EQ(second->position, cVec2f(4, 2));
    EXPECT_FLOAT_EQ(second->angle, 0.5f);
    b2Body* falling = BodyOf(second);
    EXPECT_FALSE(falling->IsBullet());
    EXPECT_EQ(falling->GetFixtureList()->GetFilterData().categoryBits, 0x0008);
    EXPECT_EQ(falling->GetFixtureList()->GetFilterData().maskBits, 0x000A);
    for (int i = 0; i < 10; ++i)
        level.StepWorld(level.timeStep, 8, 3);
    EXPECT_GT(falling->GetPosition().y, 2.1f);
    EXPECT_NEAR(body->GetPosition().y, 2.0f, 1e-4f);
}

TEST_F(LevelBuildersTest, DroppedPickupsComeFromTheTemplateOfTheirKindOnly)
{
    TestLevel level;
    Kit kit;
    cGlaScene* s = kit.Square("sugar");
    kit.Zone(s, "Hole", {{0, 0}, {32, 0}, {32, 32}});
    cGlaElementGameObj* sugar = kit.Element("Pickup", "sugar", {0, 0}, "sugar");
    kit.Enum(sugar, "Type", 1);
    level.BuildPickup(sugar, 0.0f, cVec2f());
    const size_t built = level.pickups.live.size();

    for (int kind : {-1, 0, 2, 6, 7, 1000})
        level.DropPickup(kind, cVec2f(1, 1)); // outside the table or without a template
    EXPECT_EQ(level.pickups.live.size(), built);

    level.DropPickup(1, cVec2f(3, 4));
    ASSERT_EQ(level.pickups.live.size(), built + 1);
    const cGameObj* drop = level.pickups.live.back();
    EXPECT_EQ(drop->position, cVec2f(3, 4));
    b2Body* body = BodyOf(drop);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().categoryBits, 0x0008);
    EXPECT_EQ(body->GetFixtureList()->GetFilterData().maskBits, 0x0001);
    EXPECT_TRUE(body->IsFixedRotation());
    EXPECT_NE(ClassCast<cPickupObject>(drop->GetLogicController())->area, nullptr);

    kit.Int(sugar, "Life", 3);
    level.DropPickup(1, cVec2f(3, 4));
    const cGameObj* living = level.pickups.live.back();
    EXPECT_EQ(ClassCast<cPickupObject>(living->GetLogicController())->removeTimer, 3);
    EXPECT_EQ(BodyOf(living)->GetFixtureList()->GetFilterData().categoryBits, 0x0002);
    EXPECT_EQ(BodyOf(living)->GetFixtureList()->GetFilterData().maskBits, 0x0003);
    for (int i = 0; i < 10; ++i)
        level.StepWorld(level.timeStep, 8, 3);
    EXPECT_GT(BodyOf(living)->GetPosition().y, 4.1f); // falls with the world
}

TEST_F(LevelBuildersTest, DroppedKeysSoundOnlyOnTheirTwoLevels)
{
    Kit kit;
    kit.Square("key");
    cGlaElementGameObj* key = kit.Element("Pickup", "key", {0, 0}, "key");
    kit.Enum(key, "Type", 2);
    cGlaElementGameObj* sugar = kit.Element("Pickup", "sugar", {0, 0}, "key");
    kit.Enum(sugar, "Type", 1);
    cSound sound(nullptr, 1.0f); // never played: no audio manager here
    for (int32_t index : {9, 18, 3})
    {
        TestLevel level;
        level.levelIndex = index;
        level.dropKeySoundsA = {&sound};
        level.dropKeySoundsB = {&sound};
        level.BuildPickup(key, 0.0f, cVec2f());
        level.BuildPickup(sugar, 0.0f, cVec2f());
        level.nextVoice = 11;
        level.DropPickup(1, cVec2f()); // sugar: silent
        EXPECT_EQ(level.nextVoice, 11);
        level.DropPickup(2, cVec2f());
        EXPECT_EQ(level.nextVoice, index == 3 ? 11 : 8) << index; // after 11 comes 8
    }
}

TEST_F(LevelBuildersTest, BackgroundsAreNamedAndHiddenOnLowerPerformance)
{
    Kit kit;
    cGlaElementGameObj* far = kit.Element("Background", "far", {0, 0});
    kit.Bool(far, "HideOnLower", true);
    TestLevel level;
    level.BuildBackground(far);
    ASSERT_EQ(level.backgrounds.live.size(), 1u);
    EXPECT_EQ(level.backgrounds.live.front()->GetName(), "far");
    EXPECT_NE(ClassCast<cBackgroundObject>(level.backgrounds.live.front()->GetLogicController()), nullptr);
    level.performance = 0;
    level.BuildBackground(far);
    level.BuildBackground(nullptr);
    EXPECT_EQ(level.backgrounds.live.size(), 1u);
}
