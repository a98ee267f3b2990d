// The level's side of Box2D's contact callbacks: the contact filter, the contact
// listener and the contact map.
//
// The filter applies Box2D's own rule (shared groups, then category and mask bits).
// The listener keeps one record per contact in the level's contact map from the
// contact's beginning to its end, and hands each pre-solve to the level's contact
// reactions (cLevelBase::OnPreSolve), which fill the rest of the record.
//
// A record is erased at every end of its contact, whatever the manifold holds and
// whether or not the level was just rebuilt: Box2D frees the contact right after the
// end, and a record kept under its address would be found again by an unrelated contact
// that reuses the memory.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>
#include <map>

class cLevelBase;
class cRigidBodyController;

struct ContactRecord
{
    b2Contact* contact = nullptr;
    cRigidBodyController* controllerA = nullptr;
    cRigidBodyController* controllerB = nullptr;
    b2Vec2 point{0.0f, 0.0f};
    b2Vec2 normal{0.0f, 0.0f};
    b2Vec2 relativeVelocity{0.0f, 0.0f};
    float impact = 0.0f;
    bool touching = false;
    uint32_t hits = 0;
};

using ContactMap = std::map<b2Contact*, ContactRecord>;

class cContactFilter : public b2ContactFilter
{
public:
    explicit cContactFilter(cLevelBase* level) : owner(level) {}
    ~cContactFilter() override = default;

    // Same non-zero group: collide when the group is positive. Otherwise each fixture's
    // mask must meet the other's category.
    bool ShouldCollide(b2Fixture* a, b2Fixture* b) override;

    cLevelBase* owner = nullptr;
};

class cContactListener : public b2ContactListener
{
public:
    explicit cContactListener(cLevelBase* level) : owner(level) {}
    ~cContactListener() override = default;

    // A fresh record for the contact (an existing one is reset).
    void BeginContact(b2Contact* contact) override;
    // The contact's record is erased.
    void EndContact(b2Contact* contact) override;
    // Handed to the level's contact reactions.
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;

    cLevelBase* owner = nullptr;
};
