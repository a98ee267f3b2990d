// cDorvoLevel: what the player character needs of the running level beyond cObjectLevel
// (frame counter, particle pool, performance mode): its four scenes, the images of its
// appearance and trail particles, the appear sounds, the look that colours its trail,
// the debug text switch and the jump statistics.
//
// The running level derives from it beside cObjectLevel; every operation has a quiet
// default, so the player also runs in a bare level (tests, tools): no scenes, no
// particles, no sounds. The player finds it from its object's level (DorvoLevelOf).
#pragma once

#include <cstdint>

#include "game/objects/ObjectLevel.h"

class cFont;
class cGameObj;
class cGlaScene;
struct ImageRect;

class cDorvoLevel
{
public:
    // The player's scenes, in the order the level loads them.
    enum PlayerScene : int
    {
        kSceneRight = 0,
        kSceneLeft = 1,
        kSceneAppear = 2,
        kSceneStart = 3,
        kPlayerSceneCount = 4,
    };

    virtual ~cDorvoLevel() = default;

    // One of the four player scenes (null when the level has none).
    virtual cGlaScene* PlayerScene(int which) const
    {
        (void)which;
        return nullptr;
    }
    // The images of the appearance particles, the closing burst and the trail.
    virtual const ImageRect* PlayerAppearImage() const { return nullptr; }
    virtual const ImageRect* PlayerBurstImage() const { return nullptr; }
    virtual const ImageRect* PlayerTrailImage() const { return nullptr; }
    // The sounds one of which is played when the player has appeared (may be empty).
    virtual const SoundList* PlayerAppearSounds() const { return nullptr; }
    // The look choice (0 to 10) that colours the trail.
    virtual int32_t PlayerTrailLook() const { return 0; }
    // When true the player writes its angle beside itself, in this font.
    virtual bool PlayerDebugText() const { return false; }
    virtual const cFont* PlayerDebugFont() const { return nullptr; }
    // Called on every jump input while control is allowed (the level's two jump
    // statistics each grow by 0.1).
    virtual void OnPlayerJumpInput() {}
};

// The object's level as a cDorvoLevel, or null.
cDorvoLevel* DorvoLevelOf(const cGameObj* object);
