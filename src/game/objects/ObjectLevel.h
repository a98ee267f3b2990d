// cObjectLevel: what the object kinds, their sounds and their effects need of the running
// level, beyond the physics that cLevelBase gives.
//
// The running level derives from this class (it sits between cLevelBase and the level)
// and fills it: the camera, the frame counter, the voice counters, the sound and
// effect-image lists loaded at level start, the particle pool, and the level services
// that the objects call (object lookup, world angle, pickup drop, spawning, the player's
// zone flags). The services are virtual with quiet defaults, so objects can run in a bare
// level (tests, tools) and do nothing where the level would act.
//
// Objects reach it from their game object: ObjectLevelOf(owner) is null when the object
// lives in a level that is not one of these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/Vec2.h"
#include "game/objects/LevelBase.h"
#include "game/objects/LoopVoice.h"

class cGameObj;
class cGlaElement;
class cParticlePool;
class cSound;
struct ImageRect;
class b2Body;

using SoundList = std::vector<cSound*>;
using ImageList = std::vector<const ImageRect*>;

// Effect types that keep a looping sound alive (ambient loops and rolling loops).
inline constexpr int kAmbientTypeCount = 35;

struct AmbientLoop
{
    float volume = 0.0f;    // the loudest request this frame; the level applies and resets it
    bool started = false;   // the loop was started in this level
    cSound* sound = nullptr; // the looping sound of the type (none: nothing plays)
    LoopVoice voice;        // the voice that holds it
};

class cObjectLevel : public cLevelBase
{
public:
    cObjectLevel() = default;
    ~cObjectLevel() override = default;

    // --- services (defaults do nothing) ----------------------------------------------
    // The first object of that name among the level's objects, or null.
    virtual cGameObj* FindObjectByName(const std::string& name)
    {
        (void)name;
        return nullptr;
    }
    // Turns the world by the amount in degrees, or sets it when direct.
    virtual void SetWorldAngle(float degrees, bool direct)
    {
        (void)degrees;
        (void)direct;
    }
    // A pickup of the kind (1 to 6) dropped at the position (metres).
    virtual void DropPickup(int kind, const cVec2f& position)
    {
        (void)kind;
        (void)position;
    }
    // A spawned object from the template element, at the position (pixels).
    virtual void BuildSpawnedObject(cGlaElement* templateElement, float angle, float forceAngle,
                                    const cVec2f& position)
    {
        (void)templateElement;
        (void)angle;
        (void)forceAngle;
        (void)position;
    }
    // The player's zone flags, state value and position (metres); 0 / false without one.
    virtual uint32_t PlayerZoneFlags() const { return 0; }
    virtual int32_t PlayerStateValue() const { return 0; }
    virtual bool PlayerPosition(cVec2f& out) const
    {
        (void)out;
        return false;
    }
    // The gate of the fire burst: a comparison of the effect position with a level value.
    virtual bool FireEffectAllowed(const cVec2f& position) const
    {
        (void)position;
        return true;
    }
    // True while the game is paused in the level's menus (spring creaks keep quiet).
    virtual bool IsPaused() const { return false; }
    // Screen size in pixels and the performance mode (the platform's unless overridden).
    virtual int ScreenWidth() const;
    virtual int ScreenHeight() const;
    virtual int PerformanceMode() const;

    // --- camera and time --------------------------------------------------------------
    uint32_t frameCounter = 0;
    cVec2f cameraPos;          // metres
    float cameraZoom = 1.0f;   // screen pixels per scene pixel
    cOrientedBox viewBox;      // the visible area, pixels
    b2Body* groundBody = nullptr;
    uint32_t heldKeys = 0;

    // --- voices -------------------------------------------------------------------------
    int32_t nextVoice = 8;     // positional voices 8 to 11 in turn
    int32_t sequenceIndex = 0; // 0 to 3
    uint32_t sequenceFrame = 0xFFFFFFFFu;   // frame of the last sequence advance
    uint32_t worldSoundFrame = 0xFFFFFFFFu; // frame of the last capped world sound
    uint32_t metalSoundFrame = 0xFFFFFFFFu;
    uint32_t beanBagSoundFrame = 0xFFFFFFFFu;
    // Set by the level code to keep the loops of the water and wind types quiet.
    bool quietAmbientLoops = false;
    AmbientLoop ambient[kAmbientTypeCount];

    // --- object sounds ------------------------------------------------------------------
    SoundList worldSounds1, worldSounds2, worldSounds3;
    SoundList impactSounds;
    SoundList springSoftSounds, springLoudSounds;
    SoundList sequenceSounds; // four, played in turn

    // --- effect sounds ------------------------------------------------------------------
    SoundList barrelSounds, rainDropSounds, beanBagSounds, lavaDropSounds, invaderSounds;
    SoundList waterCloudSounds, rockSounds, dynamiteSounds, woodSounds, metalSounds, beanBagLargeSounds;

    // --- effect images ------------------------------------------------------------------
    ImageList effectImages; // four confetti pieces, then the flash (entry 5)
    ImageList barrelPieces, rainDropParts, dust, ropePieces, beanPieces, sparks, invaderColours;
    ImageList waterCloudParts, hearts, dynamiteImages, sawPieces, lavaPieces, fireImages, rocks;
    ImageList waterCloudFlash;
    ImageList respawnEffectImages;

    // The pool the effects fill (the level's first pool); none: no particles.
    cParticlePool* particles = nullptr;
};

// The object's level as a cObjectLevel, or null.
cObjectLevel* ObjectLevelOf(const cGameObj* object);
