#include "game/objects/ContactListener.h"

#include "game/objects/LevelBase.h"

bool cContactFilter::ShouldCollide(b2Fixture* a, b2Fixture* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    const b2Filter& fa = a->GetFilterData();
    const b2Filter& fb = b->GetFilterData();
    if (fa.groupIndex == fb.groupIndex && fa.groupIndex != 0)
        return fa.groupIndex > 0;
    return (fa.maskBits & fb.categoryBits) != 0 && (fa.categoryBits & fb.maskBits) != 0;
}

void cContactListener::BeginContact(b2Contact* contact)
{
    if (owner == nullptr || contact == nullptr)
        return;
    ContactRecord& record = owner->contactMap[contact];
    record = ContactRecord{};
    record.contact = contact;
}

void cContactListener::EndContact(b2Contact* contact)
{
    if (owner == nullptr || contact == nullptr)
        return;
    owner->contactMap.erase(contact);
}

void cContactListener::PreSolve(b2Contact* contact, const b2Manifold* oldManifold)
{
    if (owner != nullptr)
        owner->OnPreSolve(contact, oldManifold);
}
