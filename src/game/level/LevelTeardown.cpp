// Closing and reshaping a level: the release of what the level start loaded, the state
// that closes a finished level and tells the game where to go next, and the world angle.
#include <box2d/box2d.h>

#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSounds.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// Where each mode's levels end (the index after the last one).
constexpr int32_t kStoryEnd = 40;
constexpr int32_t kBonusEnd = 10;
constexpr int32_t kChallengeEnd = 5;

void ReleaseGroup(cResourceGroup*& group)
{
    if (group == nullptr)
        return;
    if (group->uploaded != 0)
    {
        group->ReleaseTextures();
        group->uploaded = 0;
    }
    delete group; // unloads every resource of the group and its atlas
    group = nullptr;
}

template <class T>
void DeleteAndNull(T*& p)
{
    delete p;
    p = nullptr;
}
} // namespace

// ---- teardown ----------------------------------------------------------------------------------

cLevel::ResourceRelease::~ResourceRelease()
{
    // Runs after the level's destructor has cleared the world and deleted its own
    // scenes. The scene controllers that point into the groups' scene sets go before
    // the groups.
    DeleteAndNull(level->levelSceneController);
    DeleteAndNull(level->fireButtonScene);
    DeleteAndNull(level->resultsButtonsScene);
    ReleaseGroup(level->resourceGroupB);
    ReleaseGroup(level->resourceGroupA);
    level->levelSet = nullptr;
    level->hudSet = nullptr;
    level->levelScene = nullptr;
}

// ---- next level ------------------------------------------------------------------------------

int32_t cLevel::StateNextLevel(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        leaveRequested = false;
        StartTransition();
        break;
    case kStateUpdate:
    {
        UpdateWorld();
        if (leaveRequested)
            break; // the game leaves the level at its next update
        if (!StepTransition())
            break; // nothing changes while the transition plays
        int32_t modeEnd = kStoryEnd;
        if (isChallenge)
            modeEnd = kChallengeEnd;
        else if (mode == 1)
            modeEnd = kBonusEnd;
        const MenuHooks& hooks = GetMenuHooks();
        leaveRequested = true;
        if (!isSurvival && levelIndex < modeEnd)
        {
            // The global number of the next level; the level's own index stays, so the
            // panel still shows the level just finished until the game moves on.
            const int32_t next = isChallenge ? 250 + levelIndex : mode * 50 + levelIndex;
            if (hooks.fadeToLevel)
                hooks.fadeToLevel(next);
        }
        else if (hooks.leaveToFrontend)
            hooks.leaveToFrontend(!isSurvival && levelIndex == modeEnd ? 2 : 1);
        break;
    }
    case kStateDraw:
        if (gfx2D == nullptr)
            break;
        BeginStateDraw();
        DrawScene();
        gfx2D->SetColour(kWhite);
        DrawDimOverlay(1.0f);
        DrawResultsPanel(resultsTimer < 1 ? 20 : 0x7FFFFFFF, 0);
        gfx2D->SetColour(kWhite);
        if (overlayScene != nullptr)
            overlayScene->Draw(*gfx2D);
        if (transitionScene != nullptr)
            transitionScene->Draw(*gfx2D);
        EndStateDraw();
        break;
    default:
        break;
    }
    return 0;
}

// ---- world angle -----------------------------------------------------------------------------

void cLevel::SetWorldAngle(float degrees, bool absolute)
{
    if (!std::isfinite(degrees))
        return;
    const float before = targetAngle;
    const float r = degrees * 0.017453292f;
    cDorvo* dorvo = dynamic_cast<cDorvo*>(player);
    float change = r;
    if (absolute)
        change = NormaliseAngle(NormaliseAngle(r) - targetAngle);
    gravity.Rotate(change);
    if (world != nullptr)
        world->SetGravity(b2Vec2(gravity.x, gravity.y));
    if (dorvo != nullptr)
        dorvo->AddAngleDegrees(absolute ? change * 57.29578f : degrees);
    if (absolute)
        targetAngle = r;
    else
        targetAngle += r;

    // Within a turn of the drawn angle, so that the drawing turns the short way.
    targetAngle = NormaliseAngle(targetAngle);
    if (targetAngle - worldAngle > kPi)
        targetAngle -= kTwoPi;
    else if (targetAngle - worldAngle < -kPi)
        targetAngle += kTwoPi;

    if (targetAngle != before)
    {
        const int voice = TakeRotatingVoice(rotateVoice);
        if (rotateSound != nullptr && gAudioManager != nullptr && gAudioManager->IsVoiceFree(voice))
            gAudioManager->PlayOnVoice(0, voice, rotateSound, 1.0f, 1.0f);
    }

    // Resting bodies fall in the new direction.
    for (cGameObj* object : objects.live)
    {
        cLogicController* logic = object->GetLogicController();
        if (ClassCast<cDynamicObject>(logic) == nullptr && ClassCast<cSpawnedObject>(logic) == nullptr)
            continue;
        cRigidBodyController* body = object->GetRigidBodyController();
        if (body == nullptr || body->GetBody() == nullptr)
            continue;
        body->GetBody()->SetAwake(true); // also restarts the body's sleep time
    }
}
