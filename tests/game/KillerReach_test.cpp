// Every level of the sample data tree, built in the real world: no start, no checkpoint and
// no sticker lies within reach of anything that kills the player. A player respawned into a
// killer dies again at once, and again after every respawn.
//
// Reach is read off what the game built from the data, not off the data tools' layout:
//   - a kill area (lava, type 3; an unseen kill zone, type 4) reaches its polygon;
//   - a killer on a pivot (a revolute joint to a fixed body) reaches around the pivot as far
//     as its farthest shape is from it, whatever way it turns;
//   - a killer on a path reaches along the path as far as its shapes are from its middle;
//   - a fixed killer reaches as far as its shapes;
//   - what a spawner throws out is built once where the spawner throws it; a killer that
//     falls under gravity and dies at its first touch reaches the column below that place.
// Anything else that kills (a free body, a killer on a moving joint, a thrown killer that
// pushes itself) has no reach this check can bound, and fails it.
//
// A place to keep clear takes the player's radius about it; a checkpoint and the start also
// take the 20 pixels that a respawn raises the player by; a sticker keeps its whole area
// clear, since the player takes it anywhere in there.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "RealLevel.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"

namespace
{
constexpr float kMetres = 32.0f; // pixels a metre
constexpr float kRespawnRaise = 20.0f;
constexpr int kPathSamples = 512;

// A shape in level pixels: one point, a polyline, or (closed) a filled polygon; everything
// within `radius` of it belongs to it.
struct Shape
{
    std::string what;
    std::vector<cVec2f> points;
    bool closed = false;
    float radius = 0.0f;
};

bool Inside(const Shape& polygon, const cVec2f& p)
{
    if (!polygon.closed || polygon.points.size() < 3)
        return false;
    bool in = false;
    const std::vector<cVec2f>& v = polygon.points;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++)
        if ((v[i].y > p.y) != (v[j].y > p.y) && p.x < v[j].x + (v[i].x - v[j].x) * (p.y - v[j].y) / (v[i].y - v[j].y))
            in = !in;
    return in;
}

// The edges of a shape (a single point is an edge of no length).
std::vector<std::pair<cVec2f, cVec2f>> Edges(const Shape& s)
{
    std::vector<std::pair<cVec2f, cVec2f>> edges;
    if (s.points.size() == 1)
        edges.emplace_back(s.points[0], s.points[0]);
    for (size_t i = 0; i + 1 < s.points.size(); ++i)
        edges.emplace_back(s.points[i], s.points[i + 1]);
    if (s.closed && s.points.size() > 2)
        edges.emplace_back(s.points.back(), s.points.front());
    return edges;
}

// The gap between two shapes with their radii: 0 or less when they meet.
float Gap(const Shape& a, const Shape& b)
{
    float core = 1e30f;
    for (const cVec2f& p : a.points)
        if (Inside(b, p))
            core = 0.0f;
    for (const cVec2f& p : b.points)
        if (Inside(a, p))
            core = 0.0f;
    for (const auto& [a0, a1] : Edges(a))
        for (const auto& [b0, b1] : Edges(b))
        {
            if (SegmentsIntersect(a0, a1, b0, b1, nullptr))
                core = 0.0f;
            core = std::min({core, SegmentDistance(b0, b1, a0), SegmentDistance(b0, b1, a1), SegmentDistance(a0, a1, b0),
                             SegmentDistance(a0, a1, b1)});
        }
    return core - a.radius - b.radius;
}

cVec2f Pixels(const b2Vec2& metres) { return cVec2f(metres.x * kMetres, metres.y * kMetres); }

// How far the body's shapes reach from a point (pixels), as the body stands now.
float ShapesReachFrom(const b2Body* body, const cVec2f& from)
{
    float reach = 0.0f;
    for (const b2Fixture* f = body->GetFixtureList(); f != nullptr; f = f->GetNext())
    {
        const b2Shape* shape = f->GetShape();
        if (shape->GetType() == b2Shape::e_circle)
        {
            const auto* circle = static_cast<const b2CircleShape*>(shape);
            reach = std::max(reach, (Pixels(body->GetWorldPoint(circle->m_p)) - from).Length() + circle->m_radius * kMetres);
        }
        else if (shape->GetType() == b2Shape::e_polygon)
        {
            const auto* polygon = static_cast<const b2PolygonShape*>(shape);
            for (int i = 0; i < polygon->m_count; ++i)
                reach = std::max(reach, (Pixels(body->GetWorldPoint(polygon->m_vertices[i])) - from).Length() +
                                            polygon->m_radius * kMetres);
        }
        else
            reach = 1e30f; // no shape of that kind in the game's bodies
    }
    return reach;
}

const b2Body* BodyOf(const cGameObj* object)
{
    const cRigidBodyController* rb = object->GetRigidBodyController();
    return rb != nullptr ? rb->body : nullptr;
}

// Which ways of reaching the check met in the tree, so that a change to the data that
// leaves a way unused shows.
struct Seen
{
    std::set<std::string> ways;
};

// The reach of everything in the level that kills; what cannot be bounded is a failure.
std::vector<Shape> Killers(tvtest::RealLevel& real, Seen& seen)
{
    cLevel& level = real.Level();
    std::vector<Shape> killers;
    for (const PolygonArea* area : level.areas)
        if (area->type == 3 || area->type == 4)
        {
            Shape s{"kill area (type " + std::to_string(area->type) + ")", {}, true, 0.0f};
            for (const cVec2f& p : area->points)
                s.points.push_back(p * kMetres);
            killers.push_back(s);
            seen.ways.insert("area");
        }

    // Snapshot the list: building a spawner's object below appends to it.
    const std::vector<cGameObj*> objects(level.objects.live.begin(), level.objects.live.end());
    for (cGameObj* object : objects)
    {
        const cDynamicObject* dyn = cDynamicObject::Of(object);
        if (dyn == nullptr)
            continue;
        const b2Body* body = BodyOf(object);
        const cVec2f at = object->position * kMetres;
        if (dyn->killer && body != nullptr)
        {
            const std::string name = "killer " + object->GetName();
            // The joints it hangs on (a path follower's pull toward its path is not one).
            std::vector<const b2JointEdge*> joints;
            for (const b2JointEdge* e = body->GetJointList(); e != nullptr; e = e->next)
                if (e->joint->GetType() != e_mouseJoint)
                    joints.push_back(e);
            if (!joints.empty())
            {
                const b2JointEdge* e = joints.front();
                const bool pivot = joints.size() == 1 && e->joint->GetType() == e_revoluteJoint &&
                                   e->other->GetType() == b2_staticBody;
                if (!pivot)
                {
                    ADD_FAILURE() << name << " hangs on a joint whose reach is not bounded here";
                    continue;
                }
                const cVec2f pivotAt = Pixels(e->joint->GetAnchorA());
                killers.push_back({name + " about its pivot", {pivotAt}, false, ShapesReachFrom(body, pivotAt)});
                seen.ways.insert("pivot");
            }
            else if (dyn->pathOn && dyn->path != nullptr)
            {
                Shape s{name + " along its path", {}, false, ShapesReachFrom(body, at)};
                for (int i = 0; i <= kPathSamples; ++i)
                    s.points.push_back(dyn->path->GetPointAt(float(i) / kPathSamples));
                killers.push_back(s);
                seen.ways.insert("path");
            }
            else if (body->GetType() == b2_staticBody)
            {
                killers.push_back({name, {at}, false, ShapesReachFrom(body, at)});
                seen.ways.insert("fixed");
            }
            else
                ADD_FAILURE() << name << " moves freely: its reach is not bounded here";
        }

        if (dyn->spawnerObject == nullptr)
            continue;
        // One of what the spawner throws out, built as the spawner builds it.
        const size_t before = level.objects.live.size();
        level.BuildSpawnedObject(dyn->spawnerObject, 0.0f, 0.0f, at);
        if (level.objects.live.size() != before + 1)
        {
            ADD_FAILURE() << object->GetName() << " throws out nothing";
            continue;
        }
        cGameObj* thrown = level.objects.live.back();
        const cSpawnedObject* spawned = cSpawnedObject::Of(thrown);
        const b2Body* thrownBody = BodyOf(thrown);
        if (spawned != nullptr && spawned->killer && thrownBody != nullptr)
        {
            const std::string name = "killer " + thrown->GetName() + " thrown by " + object->GetName();
            const cVec2f from = thrown->position * kMetres;
            const float extent = ShapesReachFrom(thrownBody, from);
            const bool spawnerFixed = body != nullptr && body->GetType() == b2_staticBody && !dyn->pathOn;
            const bool still = Pixels(thrownBody->GetLinearVelocity()).Length() == 0.0f && !spawned->forceOn;
            const bool falls = thrownBody->GetType() == b2_dynamicBody && thrownBody->GetGravityScale() > 0.0f;
            const bool diesAtFirstTouch = spawned->dieOnContact && spawned->hitsToDie <= 1;
            if (!spawnerFixed || !still)
                ADD_FAILURE() << name << ": thrown from a moving place or with a speed of its own";
            else if (!falls)
            {
                killers.push_back({name, {from}, false, extent});
                seen.ways.insert("thrown and left");
            }
            else if (diesAtFirstTouch)
            {
                // Straight down, under the level's gravity, to the bottom of the level.
                killers.push_back({name + ", falling", {from, cVec2f(from.x, level.boundsMax.y * kMetres)}, false, extent});
                seen.ways.insert("thrown and falling");
            }
            else
                ADD_FAILURE() << name << " rolls on where it lands: its reach is not bounded here";
        }
        thrown->MarkDestroyed();
    }
    return killers;
}

// The places the player must be safe at: the start, the checkpoints, the stickers.
std::vector<Shape> PlacesToKeepClear(cLevel& level)
{
    const float player = cDorvo::kRadius * kMetres;
    std::vector<Shape> places;
    places.push_back({"the start", {level.playerStart * kMetres}, false, player + kRespawnRaise});
    for (const cGameObj* respawn : level.respawns.live)
        places.push_back({"checkpoint " + respawn->GetName(), {respawn->position * kMetres}, false,
                          player + kRespawnRaise});
    for (const cGameObj* object : level.pickups.live)
    {
        const auto* pickup = ClassCast<cPickupObject>(object->GetLogicController());
        const auto* area = pickup != nullptr ? ClassCast<PolygonArea>(pickup->area) : nullptr;
        if (pickup == nullptr || pickup->type < 6 || pickup->type > 10 || area == nullptr)
            continue;
        Shape s{"sticker " + object->GetName(), {}, true, player};
        const float c = std::cos(object->angle), sn = std::sin(object->angle);
        for (const cVec2f& p : area->points)
            s.points.push_back(
                (object->position + cVec2f(p.x * c - p.y * sn, p.x * sn + p.y * c)) * kMetres);
        places.push_back(s);
    }
    return places;
}

std::vector<int32_t> EveryLevelNumber()
{
    std::vector<int32_t> numbers;
    for (int32_t n = 0; n <= 40; ++n) // the story and the credits
        numbers.push_back(n);
    for (int32_t n = 50; n < 60; ++n) // bonus
        numbers.push_back(n);
    for (int32_t n = 200; n < 205; ++n) // survival
        numbers.push_back(n);
    for (int32_t n = 250; n < 255; ++n) // challenge
        numbers.push_back(n);
    return numbers;
}

// The scenes of the sample maps file that are levels: those with the bounds and the
// player's start the loader needs.
std::set<std::string> LevelScenesOfTheMapsFile()
{
    std::ifstream in("res/maps/maps.mac.cgla", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, "res/maps/"));
    std::set<std::string> levels;
    if (set == nullptr)
        return levels;
    for (const cGlaScene* scene : set->scenes)
    {
        bool bounds = false, start = false;
        for (const cGlaElement* e : scene->elements)
        {
            bounds = bounds || e->name == "boundary";
            start = start || e->name == "player";
        }
        if (bounds && start)
            levels.insert(scene->GetName());
    }
    return levels;
}
} // namespace

TEST(KillerReach, NoStartCheckpointOrStickerOfAnySampleLevelLiesWithinReachOfAKiller)
{
    Seen seen;
    std::set<std::string> played;
    for (int32_t number : EveryLevelNumber())
    {
        tvtest::RealLevelOptions options;
        options.levelNumber = number;
        tvtest::RealLevel real(options);
        ASSERT_TRUE(real.Ready()) << "level " << number << ": " << real.Error();
        cLevel& level = real.Level();
        const std::string scene = level.levelScene->GetName();
        played.insert(scene);
        SCOPED_TRACE(scene);
        const std::vector<Shape> killers = Killers(real, seen);
        for (const Shape& place : PlacesToKeepClear(level))
            for (const Shape& killer : killers)
            {
                const float gap = Gap(place, killer);
                EXPECT_GT(gap, 0.0f) << place.what << " lies within reach of the " << killer.what << " ("
                                     << -gap << " px too near)";
            }
    }
    EXPECT_EQ(played, LevelScenesOfTheMapsFile()) << "every level scene of the maps file, and only those";
    // The tree holds killers of each kind the check bounds.
    EXPECT_EQ(seen.ways, (std::set<std::string>{"area", "pivot", "path", "thrown and falling"}));
}

// The geometry the check rests on, on shapes whose gaps are known.
TEST(KillerReach, GapsBetweenShapes)
{
    const Shape square{"square", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true, 0.0f};
    const struct
    {
        const char* name;
        Shape other;
        float gap;
    } cases[] = {
        {"a point inside", {"p", {{50, 50}}, false, 5.0f}, -5.0f},
        {"a point beside", {"p", {{130, 50}}, false, 10.0f}, 20.0f},
        {"a point off a corner", {"p", {{103, 104}}, false, 0.0f}, 5.0f},
        {"a line through", {"l", {{-50, 50}, {150, 50}}, false, 0.0f}, 0.0f},
        {"a line below", {"l", {{-50, 140}, {150, 140}}, false, 15.0f}, 25.0f},
        {"a disc about a pivot", {"d", {{50, -200}}, false, 180.0f}, 20.0f},
        {"a polygon overlapping", {"q", {{90, 90}, {200, 90}, {200, 200}}, true, 0.0f}, 0.0f},
    };
    for (const auto& c : cases)
    {
        EXPECT_NEAR(Gap(square, c.other), c.gap, 1e-3f) << c.name;
        EXPECT_NEAR(Gap(c.other, square), c.gap, 1e-3f) << c.name << ", the other way";
    }
}
