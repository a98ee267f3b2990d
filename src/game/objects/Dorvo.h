// cDorvo: the player character, the logic controller of the player's game object.
//
// The player is a round dynamic body that hovers over the ground. Every frame it pulls
// itself along its own gravity vector, lifts itself, pushes itself away from the ground
// that a ray probe finds below it, tilts to the slope under it and is steered by the
// level's input (Move, Jump). A jump spends a fuel that refills while the player is near
// the ground. Its "down" is its own gravity direction, so a turned world (AddAngleDegrees)
// turns the player's frame with it.
//
// Behaviour is a set of state functions (appear, play, dead, respawn, level end) run by
// the player's own state machine. The level makes StateDead, StateRespawn and
// StateLevelEnd pending; Start makes StateAppear pending.
//
// Units: metres for physics (the object position is the body's), pixels for drawing (32
// to the metre). Angles are radians; y points down.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/core/Vec2.h"
#include "game/objects/Controller.h"
#include "game/objects/PlayerControls.h"

class b2Body;
class cGfx2D;
class cGlaControllerScene;
class cRigidBodyController;

// Zone flags of the player (kZoneNoJump, 0x4000, is in PlayerControls.h).
inline constexpr uint32_t kZoneLift = 0x2;
inline constexpr uint32_t kZonePushRight = 0x80;
inline constexpr uint32_t kZonePushLeft = 0x100;
inline constexpr uint32_t kZoneStrongLift = 0x400;
inline constexpr uint32_t kZoneLevelA = 0x800;
inline constexpr uint32_t kZoneLevelB = 0x1000;

// The player's phases.
enum DorvoPhase : int32_t
{
    kDorvoAppearing = 0,
    kDorvoWaiting = 1,  // the level's: the first Move or Jump turns it into kDorvoStarted
    kDorvoStarted = 2,
    kDorvoRespawning = 3,
    kDorvoPlaying = 4,
};

class cDorvo : public cLogicController, public cPlayerControls
{
    KELPO_DECLARE_CLASS(cDorvo, cLogicController)
public:
    using StateFunc = StateMachine<cDorvo>::StateFunc;

    // The player's body, as the level builds it.
    static constexpr float kRadius = 0.625f; // 20 pixels
    static constexpr float kFriction = 0.0f;
    static constexpr float kRestitution = 0.1f;
    static constexpr uint16_t kCategory = 0x0004;
    static constexpr uint16_t kMask = 0x0007;
    static constexpr float kDamping = 0.1f;
    // The ground and tilt rays: 60 pixels along the player's down; the tilt rays start
    // 18 pixels to either side.
    static constexpr float kProbeLength = 60.0f / 32.0f;
    static constexpr float kTiltOffset = 18.0f / 32.0f;
    static constexpr uint16_t kProbeCategories = 3;
    static constexpr uint16_t kProbeMasks = 4;

    cDorvo();
    // Deletes the four scene controllers.
    ~cDorvo() override;

    // The level's set-up of the player's body on the object's rigid-body controller: one
    // circle fixture, damping, its own gravity (0, 20). False without a body.
    static bool SetUpBody(cRigidBodyController* controller);

    // Runs the state machine while enabled.
    void Update(float dt) override;
    void Draw(cGfx2D* g) override;
    // Resets the player and makes StateAppear pending.
    void Start() override;

    // Player controls (the level's input step).
    uint32_t GetZoneFlags() const override { return zoneFlags; }
    void Move(float axis) override;
    void Jump() override;

    // The level's object pass: clears the zone flags, then applies each trigger zone that
    // holds the player, by the zone's type.
    void ClearZoneFlags() { zoneFlags = 0; }
    void ApplyTriggerZone(int32_t zoneType);
    // A bouncy contact of restitution r of at least 1 throws the player back along its
    // velocity.
    void BoostOnBouncyContact(float restitution);
    // Turns the player's frame (and its gravity) with the world.
    void AddAngleDegrees(float degrees);

    // States: (phase, argument) -> 0 (see StateMachine.h).
    int32_t StateAppear(int32_t phase, int32_t arg);
    int32_t StatePlay(int32_t phase, int32_t arg);
    int32_t StateDead(int32_t phase, int32_t arg);
    int32_t StateRespawn(int32_t phase, int32_t arg);
    int32_t StateLevelEnd(int32_t phase, int32_t arg);
    // Asks for a state change at the next update.
    void SetPendingState(StateFunc state, int32_t arg = 0) { states.SetPendingState(state, arg); }

    // One frame of physics: own gravity, hover lift, ground spring, fuel, platform
    // carrying, tilt and the trail.
    void ProbeAndMove();
    void UpdateGroundTilt();
    void EmitTrailParticle();

    // The ground spring's push (newtons) at a distance (metres) from the probe's start to
    // the ground: 25.6 at 0, falling by 16 a metre, none from 1.6 on.
    static float GroundSpring(float distance);
    // The trail colours of a look choice at a height y (metres, y down): start and end as
    // cRGBA words.
    static void TrailColours(int32_t look, float y, uint32_t& start, uint32_t& end);

    b2Body* GetBody() const;

    StateMachine<cDorvo> states;
    int32_t phase = kDorvoAppearing;
    float progress = 0.0f;
    cVec2f spawnPosition;
    uint8_t controlAllowed = 1;
    int32_t jumpRepeat = 0;
    cGfx2D* gfx = nullptr;
    uint8_t probeFlag = 0;
    uint8_t jumped = 0;
    uint8_t moved = 0;
    cVec2f gravity{0.0f, 20.0f};
    float angle = 0.0f;
    float displayAngle = 0.0f;
    float tilt = 0.0f;
    int32_t tiltMisses = 0;
    float lockX = 0.0f;
    float jumpFuel = 1.0f;
    float refY = 0.0f;
    uint8_t onPlatform = 0;
    cVec2f platformPosition;
    std::string platformName;
    cGlaControllerScene* sceneRight = nullptr;
    cGlaControllerScene* sceneLeft = nullptr;
    cGlaControllerScene* sceneAppear = nullptr;
    cGlaControllerScene* sceneStart = nullptr;
    cGlaControllerScene* currentSprite = nullptr;
    uint32_t zoneFlags = 0;
    uint8_t enabled = 0;
    // Frames since the appear or respawn state was entered.
    int32_t stateFrames = 0;

private:
    void DeleteScenes();
    void StartScene(cGlaControllerScene* scene, bool loop);
    // Leaves the level's waiting phase on the first control input.
    void LeaveWaitingPhase();
    // Appearance particles: four converging ones a frame, and the closing burst.
    void EmitAppearParticles();
    void EmitBurstParticle();
    void ApplyForce(const cVec2f& force);
    cVec2f BodyVelocity() const;
    cVec2f LastVelocity() const;
    void SetBodyVelocity(const cVec2f& v);
    void SetBodyActive(bool active);
    void PlayAppearSound();
};
