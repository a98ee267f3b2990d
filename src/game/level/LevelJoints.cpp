// Joints between the level's objects and the per-frame behaviours Box2D lacks.
#include "game/level/Level.h"

void cLevel::BuildSceneJoints(cGlaElement* element, const std::string& suffix, float offsetX, float offsetY)
{
    (void)element;
    (void)suffix;
    (void)offsetX;
    (void)offsetY;
}

void cLevel::UpdateJoints() {}
