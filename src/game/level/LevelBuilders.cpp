// The level's element builders for backgrounds, pickups, respawn points, scene bits and
// movers.
#include "game/level/Level.h"

void cLevel::BuildBackground(cGlaElement* element) { (void)element; }

void cLevel::BuildPickup(cGlaElement* element, float angle, const cVec2f& offset)
{
    (void)element;
    (void)angle;
    (void)offset;
}

void cLevel::BuildRespawn(cGlaElement* element, float angle, const cVec2f& offset)
{
    (void)element;
    (void)angle;
    (void)offset;
}

void cLevel::BuildSceneBit(cGlaElement* element, float angle, const cVec2f& offset)
{
    (void)element;
    (void)angle;
    (void)offset;
}

void cLevel::BuildMover(cGlaElement* element, float angle, const cVec2f& offset)
{
    (void)element;
    (void)angle;
    (void)offset;
}

PolygonArea* cLevel::RespawnAreaOf(const cGameObj* object)
{
    (void)object;
    return nullptr;
}
