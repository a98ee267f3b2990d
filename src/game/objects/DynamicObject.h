// cDynamicObject: the logic of every "DynamicObject" element of a level: crates,
// platforms, breakable walls, spawners, path followers, switches that turn the world.
//
// One class carries all the behaviours; the level's object builder switches each on from
// the element's properties and they combine freely:
//   force      pushes itself with a force in cycles of push and pause frames
//   destroyable loses life to hard enough contacts, then bursts, drops pickups and fires
//              its destroyed event
//   spawner    throws out objects from a template every few frames (or at a scene frame)
//   path       follows a path (a static body is moved, a dynamic one pulled by a mouse
//              joint)
//   follow     moves toward the player while the player is in its zone
//   rotate     a switch that turns the world when the player touches it
//   events     activates other objects by name; waits for activation or sleeps
//   animation  plays its scene on contacts, at random, or on a player's jump
//
// Units: the owner and body are in metres, drawing and effects in pixels (x 32). Contact
// handlers run inside the world step, so anything that changes a body from there (the
// body enabled on activation) is deferred to the end of the step.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/Vec2.h"
#include "game/objects/Controller.h"

class b2Joint;
class b2MouseJoint;
class b2RevoluteJoint;
class cGlaControllerScene;
class cGlaElement;
class cGlaElementPath;
class cGlaScene;
class cObjectLevel;
class cRigidBodyController;

// Zone flags of the player that the dynamic objects read.
inline constexpr uint32_t kObjectZoneMove = 0x1000;
inline constexpr uint32_t kObjectZoneFollow = 0x800;
inline constexpr uint32_t kObjectZoneNoJump = 0x4000;

class cDynamicObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cDynamicObject, cLogicController)
public:
    // Depth from the element's "Depth"; every other field empty or 0, except life 1, path
    // moving and active.
    explicit cDynamicObject(cGlaElement* element);
    ~cDynamicObject() override;

    void Update(float dt) override;
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // The controller of the object's sub-scene: animate mode 0 loops it, modes 3 and 4
    // play it once from the start, other modes leave it stopped.
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);
    // Follows the path: speed x 0.5 pixels a frame (plus the increase every frame); path
    // type 1 back and forth, 2 restart, 4 waits until destroyed, other: once.
    void SetPath(int32_t type, cGlaElementPath* newPath, float speed, float startPosition, float speedIncrease);
    void SetActivateEvent(const std::string& name);
    void SetDestroyedEvent(const std::string& name);

    // Wakes an inactive object (and the chain of objects its activate event names);
    // triggers an active one: a destroyable one is destroyed, a rotator armed, a spawner
    // that waits for activation started.
    void Activate();
    // A contact: impact is the normal speed (m/s), point in metres.
    void OnContact(float impact, bool otherIsPlayer, bool otherIsKiller, const cVec2f& point);

    // The dynamic object behind a game object, or null.
    static cDynamicObject* Of(const cGameObj* object);

    // --- scene ----------------------------------------------------------------------------
    cGlaControllerScene* sceneController = nullptr;
    // --- force ----------------------------------------------------------------------------
    bool forceOn = false;
    bool forceOnContact = false;
    cVec2f force;
    int32_t pushFrames = 0;
    int32_t pauseFrames = 0;
    int32_t pushLeft = 0;
    int32_t pauseLeft = 0;
    // --- player ---------------------------------------------------------------------------
    bool killer = false;
    bool carriesPlayer = false;
    bool pushesPlayer = false;
    // --- effects --------------------------------------------------------------------------
    int32_t effectType = 0;
    int32_t depth = 0;
    // --- spawner --------------------------------------------------------------------------
    bool spawnerOn = false;
    bool spawnerPlayerBelow = false;
    bool spawnerOnFrame = false;
    bool spawnerOnce = false;
    bool spawnerNeedsActivation = false;
    int32_t spawnerGap = 0;
    int32_t spawnerCounter = 0;
    cGlaElement* spawnerObject = nullptr;
    // --- motor (filled by the joint builder) ----------------------------------------------
    bool motorStart = false;
    // The revolute joint whose motor a contact starts; forgotten once Box2D has freed it.
    b2Joint* joint = nullptr;
    int32_t jointKind = 0;
    float motorSpeed = 0.0f;
    // --- animation ------------------------------------------------------------------------
    int32_t animateMode = 0;
    int32_t animationTimer = 0;
    float animateForce = 0.0f;
    // --- destroyable ----------------------------------------------------------------------
    bool destroyable = false;
    bool killerOnly = false;
    uint32_t lastHitFrame = 0xFFFFFFFFu; // no hit yet
    float hitThreshold = 0.0f;
    int32_t life = 1;
    int32_t fullLife = 0;
    bool byPlayer = false;
    int32_t dropKind = 0;
    int32_t dropCount = 0;
    // --- path -----------------------------------------------------------------------------
    bool pathOn = false;
    bool pathMoving = true;
    b2MouseJoint* mouseJoint = nullptr;
    bool placed = false;
    bool bodyFixed = false;
    float pathSpeed = 0.0f;
    int32_t pathType = 0;
    cGlaElementPath* path = nullptr;
    bool closed = false;
    float pathPosition = 0.0f;
    float pathStep = 0.0f;
    float pathStepIncrease = 0.0f;
    // --- follow ---------------------------------------------------------------------------
    bool followsPlayer = false;
    bool playerMove = false;
    // --- state and events -----------------------------------------------------------------
    bool active = true;
    bool destroyedEvent = false;
    std::string destroyedTarget;
    bool activateEvent = false;
    std::string activateTarget;
    bool sleeping = false;
    int32_t sleepFrames = 0;
    // --- rotate ---------------------------------------------------------------------------
    bool rotateWorld = false;
    bool rotateOnce = false;
    bool rotateDirect = false;
    float rotateAmount = 0.0f;
    int32_t rotateTimer = 0;
    // --- limits ---------------------------------------------------------------------------
    float limitXValue = 0.0f;
    float limitYValue = 0.0f;
    bool limitX = false;
    bool limitY = false;

private:
    cObjectLevel* Level() const;
    cRigidBodyController* Body() const;
    cVec2f Pixels() const;
    cVec2f BodyVelocity() const;
    void Trigger();
    void MoveTo(const cVec2f& metres);
    void StepPath(cObjectLevel* level);
    void ApplyPathPosition(cObjectLevel* level);
    void StepSpawner(cObjectLevel* level);
    void Spawn(cObjectLevel* level, bool withParticle);
    // The motor joint while it still exists (null, and forgotten, once it is gone).
    b2RevoluteJoint* LiveMotorJoint();
    // Hits the objects jointed to this one by revolute joints; returns the joint angle.
    float HitJointedObjects();
    void DestroyNow(cObjectLevel* level);
    bool DrawSpring(cGfx2D& gfx, cObjectLevel* level);
};

// Activates the object of that name when it is a dynamic object; false when there is none.
bool ActivateDynamicByName(cObjectLevel* level, const std::string& name);
