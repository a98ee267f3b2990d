// What a touch means in play, decided for every contact Box2D is about to solve: bounce
// and impact sounds, the player's boost on bouncy surfaces, doors that open for a held key,
// killers ending the player's life, spawned objects bursting and dynamic objects taking
// damage. The contact itself is never changed; effects are flags and sounds (the world is
// locked during the step).
#include <box2d/box2d.h>

#include <cmath>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/MoverObject.h"
#include "game/objects/ObjectSounds.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"

namespace
{
constexpr int32_t kDoorVoice = 12;
constexpr int32_t kDoorMoverType = 3;
constexpr float kBouncyRestitution = 0.8f;
constexpr float kBouncyImpact = 2.0f;

// One side of a contact: its body controller, the owner object and the kinds it is.
struct Side
{
    b2Fixture* fixture = nullptr;
    cRigidBodyController* controller = nullptr;
    cDorvo* player = nullptr;
    cMoverObject* mover = nullptr;
    cSpawnedObject* spawned = nullptr;
    cDynamicObject* dynamic = nullptr;

    explicit Side(b2Fixture* f) : fixture(f)
    {
        controller = ControllerOfBody(f->GetBody());
        cGameObj* owner = controller != nullptr ? controller->owner : nullptr;
        cLogicController* logic = owner != nullptr ? owner->GetLogicController() : nullptr;
        if (logic == nullptr)
            return;
        player = ClassCast<cDorvo>(logic);
        mover = ClassCast<cMoverObject>(logic);
        spawned = ClassCast<cSpawnedObject>(logic);
        dynamic = ClassCast<cDynamicObject>(logic);
    }
    bool KillerDynamic() const { return dynamic != nullptr && dynamic->killer; }
    bool KillerSpawned() const { return spawned != nullptr && spawned->killer; }
    bool Killer() const { return KillerDynamic() || KillerSpawned(); }
    bool KillerFlag() const
    {
        if (dynamic != nullptr)
            return dynamic->killer;
        return spawned != nullptr && spawned->killer;
    }
};

b2Vec2 VelocityAt(const b2Body* body, const b2Vec2& p)
{
    const b2Vec2 v = body->GetLinearVelocity();
    const float w = body->GetAngularVelocity();
    const b2Vec2 c = body->GetWorldCenter();
    return b2Vec2(v.x - w * (p.y - c.y), v.y + w * (p.x - c.x));
}
} // namespace

void cLevel::OnPreSolve(b2Contact* contact, const b2Manifold* oldManifold)
{
    (void)oldManifold;
    if (contact == nullptr || contact->GetManifold()->pointCount <= 0)
        return;
    b2Fixture* fixtureA = contact->GetFixtureA();
    b2Fixture* fixtureB = contact->GetFixtureB();
    const Side a(fixtureA);
    const Side b(fixtureB);

    b2WorldManifold worldManifold;
    contact->GetWorldManifold(&worldManifold);
    const b2Vec2 point = worldManifold.points[0];
    const b2Vec2 normal = worldManifold.normal;
    const b2Vec2 relative = VelocityAt(fixtureB->GetBody(), point) - VelocityAt(fixtureA->GetBody(), point);
    float impact = std::fabs(b2Dot(normal, relative));
    if (!std::isfinite(impact))
        impact = 0.0f;

    ContactRecord& record = contactMap[contact];
    record.contact = contact;
    ++record.hits;
    record.touching = true;
    record.controllerA = a.controller;
    record.controllerB = b.controller;
    record.point = point;
    record.normal = normal;
    record.relativeVelocity = relative;
    record.impact = impact;

    const cVec2f at(point.x, point.y);
    const float restitutionA = fixtureA->GetRestitution();
    const float restitutionB = fixtureB->GetRestitution();

    // Bounce sound (the impact only counts for side B).
    if (restitutionA > kBouncyRestitution || (restitutionB > kBouncyRestitution && impact > kBouncyImpact))
        PlayPositionalSoundAt(*this, at);
    if (a.player != nullptr || b.player != nullptr)
        PlayImpactSound(*this, impact);

    // The player against the other side: boost, doors, killers.
    auto playerTouches = [this](cDorvo* dorvo, const Side& other, float otherRestitution) {
        dorvo->BoostOnBouncyContact(otherRestitution);
        if (other.mover != nullptr && other.mover->type == kDoorMoverType && other.mover->KeysFit(heldKeys))
        {
            if (!doorUnlockSounds.empty())
            {
                cSound* sound = doorUnlockSounds[size_t(RandomStep()) % doorUnlockSounds.size()];
                if (sound != nullptr && gAudioManager != nullptr)
                    gAudioManager->PlayOnVoice(0, kDoorVoice, sound, 1.0f, 1.0f);
            }
            other.mover->open = true;
        }
        else if (other.dynamic != nullptr)
        {
            if (other.dynamic->killer)
                playerDead = true;
        }
        else if (other.KillerSpawned())
            playerDead = true;
    };
    // A spawned object's hit, and its counted contact when the other side kills.
    auto spawnedTouches = [impact, at](cSpawnedObject* spawned, const Side& other) {
        OnSpawnedObjectHit(spawned, impact, at);
        if (other.Killer())
            OnSpawnedObjectContact(spawned);
    };
    // A dynamic object's hit by the other side (twice for two dynamic objects).
    auto dynamicTouches = [impact, at](cDynamicObject* dynamic, const Side& self, const Side& other) {
        if (other.dynamic != nullptr)
        {
            dynamic->OnContact(impact, false, other.dynamic->killer, at);
            other.dynamic->OnContact(impact, false, self.dynamic->killer, at);
        }
        else if (other.spawned != nullptr)
            dynamic->OnContact(impact, false, false, at);
        else if (other.player != nullptr)
            dynamic->OnContact(impact, true, false, at);
    };

    if (a.player != nullptr)
        playerTouches(a.player, b, restitutionB);
    else if (a.spawned != nullptr)
        spawnedTouches(a.spawned, b);
    else if (a.dynamic != nullptr)
        dynamicTouches(a.dynamic, a, b);

    if (b.player != nullptr)
        playerTouches(b.player, a, restitutionA);
    else if (b.spawned != nullptr)
        spawnedTouches(b.spawned, a);
    else if (b.dynamic != nullptr)
        dynamicTouches(b.dynamic, b, a);
}
