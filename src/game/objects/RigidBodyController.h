// cRigidBodyController: the physics body of a game object.
//
// The controller creates one Box2D body in its level's world, hangs fixtures made from
// scene shapes on it, copies the body's state back into itself and its object every
// frame, and destroys the body when it loses its owner. The body's user data is the
// controller (ControllerOfBody reads it back).
//
// Units: one metre is 32 scene pixels (kPixelsToMetres converts); y points down the
// screen.
//
// Gravity per body: a body uses the world's gravity by default. A body that does not
// (SetUseWorldGravity(false)) is given a gravity scale of 0 and its own vector, (0, 0)
// until set, is applied as the force mass x gravity before every world step
// (ApplyOwnGravity, run by cLevelBase::StepWorld). The force does not wake a sleeping
// body, so resting bodies still go to sleep; when both vectors agree the motion is the
// same, bit for bit, as with the world's gravity.
//
// Box2D aborts on polygons it cannot take (fewer than 3 or more than 8 points, points
// that weld together, no area). Polygon fixtures are checked first (IsPolygonUsable) and
// refused with a message, and changes that Box2D refuses while the world steps (body
// destruction, moves, enabling) are deferred to the end of the step.
#pragma once

#include <box2d/box2d.h>

#include <cmath>
#include <cstdint>
#include <span>

#include "KelpoBase/core/Vec2.h"
#include "game/objects/Controller.h"

class cGlaElementPoly;
class cLevelBase;

inline constexpr float kPixelsToMetres = 0.03125f;
inline constexpr float kMetresToPixels = 32.0f;

// True when Box2D can make a polygon of the points (metres) without aborting: 3 to 8
// finite points, at least 3 of them apart by more than Box2D's weld distance, and a
// convex hull of real area. Why not is written to reason when given.
bool IsPolygonUsable(std::span<const b2Vec2> points, const char** reason = nullptr);

// The controller of a body (its user data), or null.
class cRigidBodyController;
cRigidBodyController* ControllerOfBody(const b2Body* body);

// Applies each body's own gravity (for bodies that do not use the world's) as a force.
void ApplyOwnGravity(b2World* world);

// Two level joints are built from Box2D joints that stand in for what Box2D lacks, and
// each stand-in carries a mark, so that the level's rules, which know only the level's
// joints, can pass over them:
//   - A line joint (slide along an axis, turn freely) is two Box2D joints and a carriage
//     body between them (no shapes, no controller): a prismatic joint to the carriage and
//     a revolute joint from it. The carriage goes when the body of either side goes.
//   - A pulley's longest side is a rope: a distance joint from the side's ground anchor
//     that only keeps the side from growing longer.
void MarkLineJointPiece(b2Joint* joint);
bool IsLineJointPiece(const b2Joint* joint);
void MarkPulleyRope(b2Joint* joint);
// A line joint's piece or a pulley's rope.
bool IsStandInJoint(const b2Joint* joint);
// Destroys the body, then the carriages of the line joints it was part of.
void DestroyBodyAndCarriages(b2World* world, b2Body* body);

// The damping to give Box2D so that a speed decays by clamp(1 - h x damping, 0, 1) each
// step of h seconds, the rule the levels are tuned to (Box2D itself divides by
// 1 + h x damping): damping / (1 - h x damping). From h x damping = 1 on, the speed is gone
// after every step (the largest damping Box2D takes); a damping below 0 (or not a number)
// damps nothing.
float Box2DDamping(float damping, float step);

class cRigidBodyController : public cController
{
    KELPO_DECLARE_CLASS(cRigidBodyController, cController)
public:
    cRigidBodyController() = default;
    // Releases the controller only: the body goes with SetOwner(null), which the object
    // always calls first.
    ~cRigidBodyController() override;

    // Copies the body's velocity and axis into the controller and its position and angle
    // into the owner. dt is not used.
    void Update(float dt) override;
    // Stores the owner; detaching (null) destroys the body in the old owner's world.
    void SetOwner(cGameObj* newOwner) override;
    // The body enabled again, its velocities zero.
    virtual void Reactivate();

    // A body at the origin in the owner's level's world (static or dynamic), using the
    // world's gravity, allowed to sleep, awake, enabled. Null (with a message) when the
    // controller has no owner, level or world, or already has a body.
    b2Body* CreateStaticBody();
    b2Body* CreateDynamicBody();
    b2Body* CreateBody(b2BodyType type);

    // A polygon fixture from a scene polygon element: each point becomes (point + the
    // element's frame-0 position) / 32. Density 1, not a sensor, group 0. Null (and no
    // fixture) when there is no body or the points make no usable polygon.
    b2Fixture* AddPolygonFixture(const cGlaElementPoly* element, float friction, float restitution,
                                 uint16_t categoryBits, uint16_t maskBits);
    // The same from points already in body coordinates (metres).
    b2Fixture* AddPolygonFixture(std::span<const b2Vec2> points, float friction, float restitution,
                                 uint16_t categoryBits, uint16_t maskBits);
    // A circle (centre and radius in metres, not scaled); density 1, group 0. Null when
    // there is no body or the radius is not a positive finite number.
    b2Fixture* AddCircleFixture(const cVec2f* centre, float radius, float friction, float restitution,
                                uint16_t categoryBits, uint16_t maskBits);

    // Linear and angular damping, converted for Box2D (Box2DDamping) with the time step
    // of the owner's level.
    void SetDamping(float linear, float angular);

    // World gravity or the body's own vector.
    void SetUseWorldGravity(bool use);
    bool UsesWorldGravity() const { return useWorldGravity; }
    // A vector that is not finite is ignored (the old one stays).
    void SetGravity(const cVec2f& g)
    {
        if (std::isfinite(g.x) && std::isfinite(g.y))
            gravity = g;
    }
    const cVec2f& GetGravity() const { return gravity; }

    // Transform helpers (each keeps axis up to date). Positions and angles that are not
    // finite are ignored: Box2D would carry them into its broad phase.
    // Moves the body to the position and angle, at rest: sleep time, velocities, force
    // and torque zero, then awake.
    void ResetBody(const cVec2f& p, float bodyAngle);
    void SetBodyAngle(float bodyAngle);      // position kept
    void SetBodyPosition(const cVec2f& p); // angle kept
    void SetBodyActive(bool active);
    // Between the owner's frame (its position and angle) and the world.
    cVec2f LocalToWorld(const cVec2f& local) const;
    cVec2f WorldToLocal(const cVec2f& world) const;
    // Rotates a vector by plus (ToWorld) or minus (ToLocal) the owner's angle.
    cVec2f RotateToWorld(const cVec2f& v) const;
    cVec2f RotateToLocal(const cVec2f& v) const;

    b2Body* GetBody() const { return body; }
    // The owner's level, or null.
    cLevelBase* GetLevel() const;

    cVec2f velocity;
    b2Body* body = nullptr;
    cVec2f axis{0.0f, 1.0f};

private:
    void UpdateAxis();
    b2World* World() const;

    bool useWorldGravity = true;
    cVec2f gravity;
};
