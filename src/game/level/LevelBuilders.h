// Helpers that the level's element builders share: where an element goes, how an object
// is placed, the collision shapes of an object's scene and the checked mass scaling.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Vec2.h"

class b2Body;
class cGameObj;
class cGlaElement;
class cGlaScene;
class cRigidBodyController;
class PolygonArea;

// Degrees of the scene to radians of the physics world, whose rotation runs the other way.
inline constexpr float kSceneDegreesToBodyRadians = -0.017453293f;

// An element's place at frame 0: position (pixels) plus the offset, and the rotation in
// radians: -(the element's rotation + angle in degrees) turned into radians.
struct ElementPlacement
{
    cVec2f position;
    float rotation = 0.0f;
};
ElementPlacement PlaceElement(const cGlaElement* element, float angleDegrees, const cVec2f& offset);

// The object's position and then its angle, each also given to its body when it has one
// (the other half of the body's transform kept).
void PlaceObject(cGameObj* object, const cVec2f& position, float angle);

// The "scene" property's scene, or null.
cGlaScene* ElementScene(const cGlaElement* element);

// The collision shapes of the scene on the controller's body: one polygon fixture per
// "CollisionZone" zone, one circle per "CollisionZone" marker (centre and radius from the
// marker, / 32), each with its own "Friction" and "Restitution". When holeArea is given,
// each "Hole" zone makes a new area there (a later one replaces an earlier one) at the
// zone's position plus holeOffset (pixels), with the zone's "Type".
void AddSceneShapes(cRigidBodyController* controller, const cGlaScene* scene, uint16_t category, uint16_t mask,
                    PolygonArea** holeArea = nullptr, const cVec2f& holeOffset = cVec2f());

// Scales a dynamic body's mass and its rotational inertia about the body origin by the
// factors, keeping what Box2D accepts: factors that are not finite count as 0, a mass of 0
// or less becomes 1, and an inertia that would leave nothing about the centre drops the
// rotation instead of stopping the program. Static bodies are left alone.
void ScaleBodyMass(b2Body* body, float massFactor, float inertiaFactor);

// One spring's force pair: along the line between the anchors (local to each body),
// -k (length - rest) - damping (relative speed along the line), on B and, reversed, on A.
// A squashable spring only pulls. Anchors on top of each other give no force.
void ApplySpringForce(b2Body* bodyA, b2Body* bodyB, float k, float damping, float restLength, bool canSquash,
                      const cVec2f& localAnchorA, const cVec2f& localAnchorB);
