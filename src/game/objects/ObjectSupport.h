// Small helpers the object kinds share: typed reads of the properties that the scene
// queries do not cover (integers, scene references), the per-tick step of an object's
// scene, and the usual culled draw of a scene at an object's place.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/Vec2.h"

class cGameObj;
class cGfx2D;
class cGlaControllerScene;
class cGlaElement;
class cGlaScene;
class cObjectLevel;

// The first property of that name when it is exactly an integer property, else 0.
int32_t ElementIntProp(const cGlaElement* element, const std::string& name);
int32_t SceneIntProp(const cGlaScene* scene, const std::string& name);
// The scene that the first property of that name refers to (a scene reference), else null.
cGlaScene* ElementSceneProp(const cGlaElement* element, const std::string& name);
// The position (pixels) of an element's first frame; the origin when it has none.
cVec2f ElementPosition(const cGlaElement* element);

// One tick of an object's scene: its update, then one step of playback. Null does nothing.
void TickScene(cGlaControllerScene* scene);

// The level's view box (pixels) seen from an object at the position (pixels) turned by
// the angle: offset by the position, turned by minus the angle.
cOrientedBox ViewInObjectFrame(const cOrientedBox& view, const cVec2f& position, float angle);

// The scene drawn at the object's position (metres, drawn x 32) turned by the angle, with
// the draw layer raised by the depth, culled to the level's view when the object lives in
// an object level (else drawn whole). Transform and layer are restored.
void DrawSceneAtObject(cGfx2D& gfx, cGlaControllerScene* scene, const cGameObj* owner, float angle, int32_t depth);

// A finite number, or the fallback.
inline float FiniteOr(float value, float fallback)
{
    return (value - value == 0.0f) ? value : fallback;
}
