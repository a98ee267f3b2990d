// The dynamic object builder, the spawned object builder and the pickup drop.
#include "game/level/Level.h"

void cLevel::BuildDynamicObject(cGlaElement* element, float angle, const cVec2f& offset, const std::string& suffix)
{
    (void)element;
    (void)angle;
    (void)offset;
    (void)suffix;
}

void cLevel::MakeSpawnedObject(cGlaElement* element, float angle, std::string suffix, float forceAngle, bool gravity,
                               const cVec2f& position)
{
    (void)element;
    (void)angle;
    (void)suffix;
    (void)forceAngle;
    (void)gravity;
    (void)position;
}

void cLevel::BuildSpawnedObject(cGlaElement* templateElement, float angle, float forceAngle, const cVec2f& position)
{
    MakeSpawnedObject(templateElement, angle, std::string(), forceAngle, true, position);
}

void cLevel::DropPickup(int kind, const cVec2f& position)
{
    (void)kind;
    (void)position;
}
