// One frame of a level: restart, world-turn and pause keys, a death played out (sound,
// burst, a 90-frame countdown, then respawn, restart or the survival score), the world
// step, the objects, the player's controls, joints, rules, camera, particles and the
// ambient channels' gains.
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/level/SurvivalResults.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectEffects.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"

namespace
{
constexpr float kHalfTurn = 3.14159265f;

void UpdateList(ObjectList& list)
{
    for (cGameObj* object : std::vector<cGameObj*>(list.live.begin(), list.live.end()))
    {
        if (object->IsAlive())
            object->Update();
    }
    list.MoveDeadToWaiting();
}

void UpdateAndDelete(ObjectList& list)
{
    UpdateList(list);
    list.DeleteWaiting();
}

// A random sound of the list on the voice, when audio is on and the voice is free.
void PlayRandomOnVoice(const SoundList& list, int32_t voice)
{
    if (list.empty())
        return;
    cSound* sound = list[size_t(RandomStep()) % list.size()];
    if (sound == nullptr || gAudioManager == nullptr || !gAudioManager->IsEnabled() ||
        gAudioManager->GetVoiceCount() <= voice || !gAudioManager->IsVoiceFree(voice))
        return;
    gAudioManager->PlayOnVoice(0, voice, sound, 1.0f, 1.0f);
}

cDorvo* DorvoOf(cPlayerControls* controls) { return dynamic_cast<cDorvo*>(controls); }
} // namespace

void cLevel::UpdateWorld()
{
    ++frameCounter;

    // Restart. F3 is ignored once the level is complete: the index has already moved on
    // to the next level, and the results screen has its own restart.
    if ((ControlPressed(13) && !levelComplete) || restartRequest)
    {
        ClearLevel();
        RestartLevel();
        contactsLocked = true;
        return;
    }

    if (ControlPressed(16))
        SetWorldAngle(90.0f, false);

    if (noPause)
        --resultsTimer;
    else if (ControlPressed(9) || ControlPressed(controls[kControlPause]))
    {
        pausedByFocus = !pausedByFocus;
        stateMachine.SetPendingState(pausedByFocus ? &cLevel::StatePauseOpen : &cLevel::StateRunning, 0);
    }

    // The displayed angle eases toward the world angle.
    worldAngle += (targetAngle - worldAngle) * 0.1f;
    if (std::fabs(targetAngle - worldAngle) <= 0.001f)
        worldAngle = targetAngle;

    cDorvo* dorvo = DorvoOf(player);
    if (playerDead)
    {
        if (dorvo != nullptr)
            dorvo->ClearZoneFlags();
        ++perfectCounter;
        playerDead = false;
        if (!deathSequence)
        {
            PlayRandomOnVoice(deathSounds, 2);
            if (dorvo != nullptr)
                dorvo->SetPendingState(&cDorvo::StateDead, 0);
            EmitDeathBurst();
            deathSequence = true;
            dyingCountdown = 90;
        }
    }

    if (deathSequence && --dyingCountdown <= 0)
    {
        if (isSurvival)
        {
            // The dying flag stays set; the run is posted once.
            if (!noPause)
                EndSurvivalRun();
        }
        else
        {
            deathSequence = false;
            if (restartOnDeath)
                restartRequest = true;
            else
                Respawn();
        }
    }

    lavaTarget = 0.0f;
    for (AmbientChannel& channel : ambientChannels)
        channel.target = 0.0f;
    ClearAmbientLoopVolumes(*this);

    StepWorld(timeStep, 8, 3);
    contactsLocked = false;

    UpdateAndDelete(objects);
    if (PerformanceMode() > 1)
        UpdateList(sceneBits);
    sceneBits.DeleteWaiting();
    UpdateAndDelete(respawns);
    UpdateAndDelete(pickups);

    // The player may have gone with the objects; look it up again.
    dorvo = DorvoOf(player);
    if (dorvo != nullptr && dorvo->jumpRepeat > 0)
        --dorvo->jumpRepeat;

    HandlePlayerInput();
    UpdateJoints();
    UpdateLevelRules();
    ApplyAmbientLoopVolumes(*this);
    UpdateCamera();

    cameraMove = cameraPos - cameraPrevPos;
    UpdateAndDelete(backgrounds);
    UpdateParticlePool(particlePoolA);
    UpdateParticlePool(particlePoolB);
    cameraPrevPos = cameraPos;

    // A channel sets only a voice that still plays its sound, and one whose voice was taken
    // starts again on a free voice.
    for (size_t i = 0; i < ambientChannels.size(); ++i)
    {
        AmbientChannel& channel = ambientChannels[i];
        if (!channel.playing)
            continue;
        channel.gain += (channel.target - channel.gain) * 0.1f;
        channel.voice.Keep(kAmbientChannelVoices[i], channel.sound, channel.gain);
    }
}

void cLevel::Respawn()
{
    if (cDorvo* dorvo = DorvoOf(player))
        dorvo->SetPendingState(&cDorvo::StateRespawn, 0);
    if (playerObject != nullptr)
        playerObject->SetPosition(respawnPoint + cVec2f(0.0f, -20.0f) * kPixelsToMetres);
    cameraPos = respawnPoint;
    cameraPrevPos = respawnPoint;
    sugarCollected = sugarAtCheckpoint;
    bonusScore -= 600;
    SetWorldAngle(angleAtCheckpoint * 180.0f / kHalfTurn, true);
    heldKeys = keysAtCheckpoint;
    for (cGameObj* object : pickups.live)
    {
        auto* pickup = dynamic_cast<cPickupObject*>(object->GetLogicController());
        if (pickup == nullptr || pickup->visible || !pickup->canReappear)
            continue;
        if (cRigidBodyController* body = object->GetRigidBodyController())
            body->SetBodyActive(true);
        pickup->visible = true;
        if (pickup->type >= 6 && pickup->type <= 10)
        {
            bonusScore -= 1000;
            stickerFound = false;
        }
        else if (pickup->type == 1)
            bonusScore -= 200;
    }
    bonusScore = std::clamp(bonusScore, 0, 99999);
}

void cLevel::EmitDeathBurst()
{
    if (playerObject == nullptr)
        return;
    const cVec2f at = playerObject->position * kMetresToPixels;
    if (confettiImages.size() > 4)
    {
        if (cParticle* flash = AllocParticle(particlePoolA))
        {
            flash->image = confettiImages[4];
            flash->position = at;
            flash->lifeRate = 1.0f / 6.0f;
            flash->sizeStart = 0.0f;
            flash->sizeEnd = 1.0f;
            flash->colourStart = 0xFFFFFFFFu;
            flash->colourEnd = 0x00FFFFFFu;
            PrepareParticle(*flash, kParticleSizeIsScale);
        }
    }
    if (badgeConfetti.empty())
        return;
    for (int i = 0; i < 32; ++i)
    {
        cParticle* piece = AllocParticle(particlePoolA);
        if (piece == nullptr)
            continue;
        piece->image = badgeConfetti[size_t(RandomInt(4)) % badgeConfetti.size()];
        piece->position = at;
        const float speed = RandomFloatRange(1.0f, 12.0f);
        const float direction = RandomFloat(2.0f * kHalfTurn);
        piece->velocity.Set(std::cos(direction) * speed, std::sin(direction) * speed);
        piece->damping = 0.9f;
        piece->acceleration.Set(0.0f, RandomFloatRange(0.05f, 0.1f));
        piece->delay = RandomIntRange(3, 8);
        piece->lifeRate = 1.0f / 90.0f;
        piece->sizeStart = RandomFloatRange(0.5f, 1.0f);
        piece->sizeEnd = RandomFloatRange(0.5f, 1.0f);
        PrepareParticle(*piece, kParticleSizeIsScale);
    }
}

void cLevel::EndSurvivalRun()
{
    // The run's sugar is its score: the leaderboard and the save record keep the best.
    if (resultsScene != nullptr)
    {
        resultsScene->Rewind();
        resultsScene->playbackPosition = 0.0f;
        resultsScene->fraction = 0.0f;
    }
    PostSurvivalLeaderboardScore(levelIndex, sugarCollected);
    RecordSurvivalBest(levelIndex, sugarCollected);
    noPause = true;
    resultsTimer = 90;
    stateMachine.SetPendingState(&cLevel::StateResults, 0);
    if (cDorvo* dorvo = DorvoOf(player))
        dorvo->SetPendingState(&cDorvo::StateLevelEnd, 0);
}
