// The level's per-frame rules (player sound, areas, camera zones, checkpoints, pickups)
// and the level's completion: the run's score into the progress record, the feats, the
// leaderboards, the save and the switch to the results.
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"

namespace
{
constexpr float kFullTurn = 6.2831853f;
// Slots of the ambient loops, in their load order.
constexpr size_t kSlotLava = 0, kSlotRain = 2, kSlotWind = 4, kSlotSlowAir = 8, kSlotFastAir = 9;
constexpr int32_t kVoiceLava = 14;
// Ambient channels used by the areas (wind on voice 16, slow air on 17, fast air on 15).
constexpr size_t kChannelWind = 2, kChannelSlowAir = 3, kChannelFastAir = 4;

// Even-odd point in polygon.
bool PolygonContains(const std::vector<cVec2f>& points, const cVec2f& p)
{
    bool inside = false;
    const size_t n = points.size();
    if (n < 3)
        return false;
    for (size_t i = 0, j = n - 1; i < n; j = i++)
    {
        const cVec2f& a = points[i];
        const cVec2f& b = points[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Distance (metres) from the point to the box of the points; 0 inside.
float DistanceToBox(const std::vector<cVec2f>& points, const cVec2f& p)
{
    if (points.empty())
        return 0.0f;
    cVec2f lo = points.front(), hi = points.front();
    for (const cVec2f& q : points)
    {
        lo.x = std::min(lo.x, q.x);
        lo.y = std::min(lo.y, q.y);
        hi.x = std::max(hi.x, q.x);
        hi.y = std::max(hi.y, q.y);
    }
    const float dx = std::max({lo.x - p.x, 0.0f, p.x - hi.x});
    const float dy = std::max({lo.y - p.y, 0.0f, p.y - hi.y});
    return std::sqrt(dx * dx + dy * dy);
}

cVec2f RandomPointIn(const std::vector<cVec2f>& points)
{
    if (points.empty())
        return cVec2f();
    cVec2f lo = points.front(), hi = points.front();
    for (const cVec2f& q : points)
    {
        lo.x = std::min(lo.x, q.x);
        lo.y = std::min(lo.y, q.y);
        hi.x = std::max(hi.x, q.x);
        hi.y = std::max(hi.y, q.y);
    }
    return cVec2f(RandomFloatRange(lo.x, hi.x), RandomFloatRange(lo.y, hi.y));
}

bool AudioReady(int32_t voice)
{
    return gAudioManager != nullptr && gAudioManager->IsEnabled() && gAudioManager->GetVoiceCount() > voice &&
           gAudioManager->IsVoiceFree(voice);
}

// The player's loop and the rain take their voice over unless it is locked.
bool VoiceUnlocked(int32_t voice)
{
    if (gAudioManager == nullptr || !gAudioManager->IsEnabled())
        return false;
    const AudioVoice* v = gAudioManager->GetVoice(voice);
    return v != nullptr && v->locked == 0;
}

void PlayRandom(const SoundList& list, int32_t voice, int flags = 0, float volume = 1.0f)
{
    if (list.empty())
        return;
    cSound* sound = list[size_t(RandomStep()) % list.size()];
    if (sound != nullptr && AudioReady(voice))
        gAudioManager->PlayOnVoice(flags, voice, sound, volume, 1.0f);
}

const ImageRect* Pick(const ImageList& list, size_t index)
{
    return index < list.size() ? list[index] : nullptr;
}

// A particle at a pixel position with a velocity (pixels a frame), life in frames and a
// start and end scale; fading out when asked.
cParticle* Emit(cParticlePool& pool, const ImageRect* image, const cVec2f& at, const cVec2f& velocity, float life,
                float sizeStart, float sizeEnd, bool fade, float damping = 1.0f)
{
    if (image == nullptr)
        return nullptr;
    cParticle* p = AllocParticle(pool);
    if (p == nullptr)
        return nullptr;
    p->image = image;
    p->position = at;
    p->velocity = velocity;
    p->damping = damping;
    p->lifeRate = 1.0f / std::max(1.0f, life);
    p->sizeStart = sizeStart;
    p->sizeEnd = sizeEnd;
    p->colourStart = 0xFFFFFFFFu;
    p->colourEnd = fade ? 0x00FFFFFFu : 0xFFFFFFFFu;
    return p;
}

// A burst of confetti (images 0 to 3 of the list) with a flash (image 4) first.
void ConfettiBurst(cParticlePool& pool, const ImageList& images, const cVec2f& at, float flashScale, int count,
                   float minSpeed, float maxSpeed, float minPull, float maxPull, float life, float minScale,
                   float maxScale)
{
    if (cParticle* flash = Emit(pool, Pick(images, 4), at, cVec2f(), 6.0f, 0.0f, flashScale, true))
        PrepareParticle(*flash, kParticleSizeIsScale);
    if (images.size() < 4)
        return;
    for (int i = 0; i < count; ++i)
    {
        const float speed = RandomFloatRange(minSpeed, maxSpeed);
        const float direction = RandomFloat(kFullTurn);
        cParticle* p = Emit(pool, images[size_t(RandomInt(4))], at,
                            cVec2f(std::cos(direction) * speed, std::sin(direction) * speed), life,
                            RandomFloatRange(minScale, maxScale), RandomFloatRange(minScale, maxScale), false, 0.9f);
        if (p == nullptr)
            continue;
        p->acceleration.Set(0.0f, RandomFloatRange(minPull, maxPull));
        p->delay = RandomIntRange(3, 13);
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}
} // namespace

void cLevel::RaiseChannel(size_t channel, size_t slot, float volume)
{
    AmbientChannel& c = ambientChannels[channel];
    c.target = std::max(c.target, volume);
    if (c.playing)
        return;
    c.playing = true;
    c.sound = slot < ambientSlots.size() ? ambientSlots[slot] : nullptr;
    c.voice.Start(kAmbientChannelVoices[channel], c.sound);
}

void cLevel::UpdateLevelRules()
{
    const int performance = PerformanceMode();
    cDorvo* dorvo = dynamic_cast<cDorvo*>(player);
    cVec2f playerPos;
    const bool hasPlayer = PlayerPosition(playerPos);

    // 1. Shooting stars over the backgrounds.
    if (performance > 1 && !backgrounds.live.empty() && frameCounter % 10 == 0)
    {
        const float turn = RandomFloatRange(-0.1f, 0.0f);
        const cVec2f at(RandomFloat(100.0f) * 32.0f, RandomFloatRange(-50.0f, -1.0f) * 32.0f);
        if (cParticle* p = Emit(particlePoolA, Pick(shootingStar, 0), at,
                                cVec2f(-16.0f * std::cos(turn), -16.0f * std::sin(turn)), 40.0f, 1.0f, 1.0f, false))
        {
            p->angle = turn;
            PrepareParticle(*p, kParticleSizeIsScale);
        }
    }

    // 2-3. The player's looping sound swells while jumping and fades after.
    playerSoundGainTarget = std::clamp(playerSoundGainTarget - 0.02f, 0.0f, 0.9f);
    playerSoundGain += std::clamp(playerSoundGainTarget - playerSoundGain, -0.05f, 0.05f);
    playerSoundGain = std::clamp(playerSoundGain, 0.0f, 0.9f);
    if (gAudioManager != nullptr && gAudioManager->GetVoiceCount() > 0)
        gAudioManager->SetVoiceGain(0, playerSoundGain);
    if (playerSoundGain <= 0.0f && !levelStartSounds.empty())
    {
        cSound* sound = levelStartSounds[size_t(RandomStep()) % levelStartSounds.size()];
        if (sound != nullptr && VoiceUnlocked(0))
            gAudioManager->PlayOnVoice(1, 0, sound, playerSoundGain, 1.0f);
    }
    playerSoundPitchTarget = std::clamp(playerSoundPitchTarget - 0.02f, 0.9f, 3.0f);
    playerSoundPitch += std::clamp(playerSoundPitchTarget - playerSoundPitch, -0.05f, 0.05f);

    // 4-5. Areas.
    if (dorvo != nullptr)
        dorvo->ClearZoneFlags();
    for (PolygonArea* area : std::vector<PolygonArea*>(areas))
    {
        const float distance = DistanceToBox(area->points, cameraPos);
        const float v = std::clamp(1.0f - 32.0f * distance / 768.0f, 0.0f, 1.0f);
        if (area->active)
        {
            const cVec2f spot = RandomPointIn(area->points) * kMetresToPixels;
            switch (area->type)
            {
            case 1:
                RaiseChannel(kChannelWind, kSlotWind, std::clamp(0.3f * v, 0.0f, 0.3f));
                RaiseChannel(kChannelSlowAir, kSlotSlowAir, v);
                if (frameCounter % 9 == 0)
                {
                    if (cParticle* p = Emit(particlePoolA, Pick(updraftImages, 0), spot, cVec2f(0.0f, -3.0f), 40.0f,
                                            1.0f, 1.0f, true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                    if (performance > 1)
                        if (cParticle* p = Emit(particlePoolA, Pick(updraftImages, 1), spot, cVec2f(0.0f, -4.0f), 40.0f,
                                                1.0f, 1.0f, true))
                            PrepareParticle(*p, kParticleSizeIsScale);
                }
                break;
            case 10:
                RaiseChannel(kChannelWind, kSlotWind, v);
                RaiseChannel(kChannelFastAir, kSlotFastAir, v);
                if (cParticle* p = Emit(particlePoolA, Pick(rainImages, 0), spot, cVec2f(0.0f, -8.0f), 30.0f, 1.0f,
                                        1.0f, true))
                    PrepareParticle(*p, kParticleSizeIsScale);
                if (frameCounter % 4 == 0)
                    if (cParticle* p = Emit(particlePoolA, Pick(fireFxImages, 0), spot, cVec2f(0.0f, -6.0f), 30.0f,
                                            1.0f, 0.5f, true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                break;
            case 3:
            {
                lavaTarget = std::max(lavaTarget, v);
                // Not eased: the voice takes the target at once (the loop started silent the
                // first time, and again wherever a voice is free should another sound take it).
                lavaPlaying = true;
                lavaVoice.Keep(kVoiceLava, kSlotLava < ambientSlots.size() ? ambientSlots[kSlotLava] : nullptr,
                               lavaTarget);
                const bool sixth = frameCounter % 6 == 0;
                const bool extra = performance > 1 && frameCounter % 24 == 0;
                for (int i = 0; i < int(sixth) + int(extra); ++i)
                    if (cParticle* p = Emit(particlePoolA, Pick(fireFxImages, 0), spot, cVec2f(0.0f, -2.0f), 30.0f,
                                            1.0f, 0.5f, true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                break;
            }
            case 7:
            case 8:
                RaiseChannel(kChannelWind, kSlotWind, v);
                if (frameCounter % 6 == 0 && !leafImages.empty())
                    if (cParticle* p = Emit(particlePoolA, leafImages[size_t(RandomInt(int32_t(leafImages.size())))],
                                            spot, cVec2f(area->type == 7 ? 6.0f : -6.0f, 0.0f), 60.0f, 1.0f, 1.0f,
                                            true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                break;
            case 13:
                if (performance > 1)
                {
                    if (!rainStarted)
                    {
                        rainStarted = true;
                        cSound* sound = kSlotRain < ambientSlots.size() ? ambientSlots[kSlotRain] : nullptr;
                        // It loops: the rain goes on until the pause menu stops the voices
                        // or the level is rebuilt, either of which starts it here again.
                        if (sound != nullptr && VoiceUnlocked(kVoiceLava))
                            gAudioManager->PlayOnVoice(kPlayLoop, kVoiceLava, sound, 0.75f, 1.0f);
                    }
                    for (int i = 0; i < 2; ++i)
                        if (cParticle* p = Emit(particlePoolA, Pick(rainImages, 0), RandomPointIn(area->points) * 32.0f,
                                                cVec2f(0.0f, 12.0f), 30.0f, 1.0f, 1.0f, false))
                            PrepareParticle(*p, kParticleSizeIsScale);
                }
                break;
            case 15:
                if (frameCounter % 6 == 0)
                    if (cParticle* p = Emit(particlePoolA, Pick(fireFxImages, 0), spot, cVec2f(0.0f, -2.0f), 30.0f,
                                            1.0f, 0.5f, true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                if (performance > 1 && frameCounter % 12 == 0)
                    if (cParticle* p = Emit(particlePoolA, Pick(dust, 0), spot, cVec2f(0.0f, -1.0f), 40.0f, 1.0f,
                                            1.5f, true))
                        PrepareParticle(*p, kParticleSizeIsScale);
                break;
            default:
                break;
            }
        }
        if (hasPlayer && PolygonContains(area->points, playerPos))
        {
            switch (area->type)
            {
            case 1:
                ambientChannels[kChannelWind].target = 0.6f;
                break;
            case 10:
                ambientChannels[kChannelWind].target = 1.0f;
                break;
            case 3:
            case 4:
                playerDead = true;
                break;
            case 6:
                if (!noPause)
                {
                    if (isChallenge)
                        CompleteChallengeLevel();
                    else
                        CompleteLevel();
                }
                break;
            case 5:
                if (cGameObj* target = FindObjectByName(area->GetName()))
                    if (auto* dynamic = dynamic_cast<cDynamicObject*>(target->GetLogicController()))
                        dynamic->Activate();
                break;
            default:
                break;
            }
            if (area->type != 3 && area->type != 4 && area->type != 5 && area->type != 6 && dorvo != nullptr)
                dorvo->ApplyTriggerZone(area->type);
        }
        area->active = 1;
    }

    // 6. No zone flags while killed or dying.
    if ((playerDead || deathSequence) && dorvo != nullptr)
        dorvo->ClearZoneFlags();

    // 7. Camera zones: the first one entered keeps the camera while the player is in one.
    bool inZone = false;
    for (const auto& zone : cameraZones)
    {
        if (zone->type < 1 || zone->type > 4 || !hasPlayer || !PolygonContains(zone->points, playerPos))
            continue;
        inZone = true;
        if (cameraMode != 0)
            continue;
        cameraMode = zone->type;
        cameraReturning = false;
        if (cameraBlendFrames == 0)
            cameraBlendFrames = 26;
        if (zone->type != 2)
            cameraTargetPos = zone->centre * kPixelsToMetres;
        cameraTargetZoom = zone->zoom * defaultZoom * std::clamp(defaultZoom + 0.45f, 0.0f, 1.0f);
    }
    if (!inZone)
    {
        cameraMode = 0;
        if (cameraBlendFrames == 0 && !cameraReturning)
        {
            cameraReturning = true;
            cameraBlendFrames = 20;
        }
    }

    // 8. Checkpoints.
    bool newCheckpoint = false;
    for (cGameObj* object : respawns.live)
    {
        auto* point = dynamic_cast<cRespawnObject*>(object->GetLogicController());
        if (point == nullptr || point->state != 0 || !hasPlayer || !RespawnContains(object, playerPos))
            continue;
        PlayRandom(checkpointSounds, 12);
        restartOnDeath = false;
        respawnPoint = object->position;
        point->SetState(2);
        angleAtCheckpoint = targetAngle;
        keysAtCheckpoint = heldKeys;
        sugarAtCheckpoint = sugarCollected;
        newCheckpoint = true;
    }
    if (newCheckpoint)
    {
        for (cGameObj* object : respawns.live)
        {
            auto* point = dynamic_cast<cRespawnObject*>(object->GetLogicController());
            if (point == nullptr)
                continue;
            if (point->state == 1)
                point->SetState(0);
            else if (point->state == 2)
                point->SetState(1);
        }
    }

    // 9. Pickups.
    if (!playerDead && !deathSequence)
    {
        for (cGameObj* object : std::vector<cGameObj*>(pickups.live.begin(), pickups.live.end()))
        {
            auto* pickup = dynamic_cast<cPickupObject*>(object->GetLogicController());
            if (pickup == nullptr)
                continue;
            if (newCheckpoint)
                pickup->canReappear = pickup->visible;
            const cVec2f at = object->position * kMetresToPixels;
            if (pickup->visible && pickup->type >= 6 && pickup->type <= 10 && frameCounter % 2 == 0)
            {
                const float r = RandomUnit();
                const cVec2f spot = at + cVec2f(RandomFloatRange(-30.0f, 30.0f), RandomFloatRange(-20.0f, 30.0f));
                if (cParticle* p = Emit(particlePoolA, Pick(fireFxImages, 0), spot, cVec2f(2.0f * r - 1.0f, -2.0f),
                                        30.0f, 0.5f, 0.5f, true, 0.99f))
                    PrepareParticle(*p, kParticleSizeIsScale);
            }
            if (!pickup->visible || !hasPlayer || !PickupContains(object, playerPos))
                continue;
            CollectPickup(object, *pickup);
        }
    }

    // 10. A dynamic object over a strong updraft silences its effects for a frame.
    if (anyAreaType10)
    {
        for (cGameObj* object : objects.live)
        {
            if (dynamic_cast<cDynamicObject*>(object->GetLogicController()) == nullptr)
                continue;
            for (PolygonArea* area : areas)
                if (area->type == 10 && PolygonContains(area->points, object->position))
                    area->active = 0;
        }
    }
}

bool cLevel::RespawnContains(cGameObj* object, const cVec2f& point) const
{
    if (const PolygonArea* area = RespawnAreaOf(object))
        return PolygonContains(area->points, point);
    // Without an area of its own, the point's body shapes are its zone.
    if (cRigidBodyController* body = object->GetRigidBodyController())
        if (b2Body* b = body->GetBody())
            for (b2Fixture* f = b->GetFixtureList(); f != nullptr; f = f->GetNext())
                if (f->TestPoint(b2Vec2(point.x, point.y)))
                    return true;
    return false;
}

bool cLevel::PickupContains(cGameObj* object, const cVec2f& point) const
{
    auto* pickup = dynamic_cast<cPickupObject*>(object->GetLogicController());
    if (pickup == nullptr)
        return false;
    if (const auto* area = dynamic_cast<const PolygonArea*>(pickup->area))
    {
        // The player's position in the pickup's own frame.
        cVec2f local = point - object->position;
        const float c = std::cos(-object->angle), s = std::sin(-object->angle);
        local = cVec2f(local.x * c - local.y * s, local.x * s + local.y * c);
        return PolygonContains(area->points, local);
    }
    if (cRigidBodyController* body = object->GetRigidBodyController())
        if (b2Body* b = body->GetBody())
            for (b2Fixture* f = b->GetFixtureList(); f != nullptr; f = f->GetNext())
                if (f->TestPoint(b2Vec2(point.x, point.y)))
                    return true;
    return false;
}

void cLevel::CollectPickup(cGameObj* object, cPickupObject& pickup)
{
    const cVec2f at = object->position * kMetresToPixels;
    const int32_t type = pickup.type;
    if (type == 1)
    {
        ++sugarCollected;
        bonusScore += 200;
        if (hudScene != nullptr)
            if (cGlaControllerSprite* sugar = FindSpriteController(hudScene, "suger"))
                sugar->scale.Set(1.1f, 1.1f);
        PlaySugarSequence();
        for (int i = 0; i < 10; ++i)
        {
            const float speed = RandomFloatRange(2.0f, 6.0f);
            const float direction = RandomFloat(kFullTurn);
            if (cParticle* p = Emit(particlePoolA, Pick(sugarSparkle, 0), at,
                                    cVec2f(std::cos(direction) * speed, std::sin(direction) * speed), 30.0f, 1.0f,
                                    0.0f, false, 0.9f))
                PrepareParticle(*p, kParticleSizeIsScale);
        }
    }
    else if (type >= 6 && type <= 10)
    {
        PlayRandom(stickerSounds, 2);
        bonusScore += 1000;
        stickerFound = true;
        ConfettiBurst(particlePoolA, confettiImages, at, 2.0f, 20, 3.0f, 12.0f, 0.15f, 0.25f, 90.0f, 1.0f, 1.0f);
    }
    else if (type >= 2 && type <= 5)
    {
        PlayRandom(keyPickupSounds, 12);
        heldKeys |= 1u << uint32_t(type - 2);
    }
    if (cRigidBodyController* body = object->GetRigidBodyController())
        body->SetBodyActive(false);
    pickup.visible = false;
}

void cLevel::PlaySugarSequence()
{
    // The four sugar sounds in turn, one step per frame at most.
    if (sequenceFrame != frameCounter)
    {
        sequenceFrame = frameCounter;
        if (!sequenceSounds.empty())
        {
            cSound* sound = sequenceSounds[size_t(sequenceIndex) % sequenceSounds.size()];
            if (sound != nullptr && AudioReady(2))
                gAudioManager->PlayOnVoice(0, 2, sound, 1.0f, 1.0f);
        }
        sequenceIndex = sequenceIndex >= 3 ? 0 : sequenceIndex + 1;
    }
}

// ---- completion --------------------------------------------------------------------------

bool cLevel::ScoreRun(LevelProgressRecord& record)
{
    int32_t total = score + bonusScore;
    record.completed = true;
    const bool allSugar = sugarCollected == sugarTotal;
    if (allSugar)
    {
        record.allSugar = true;
        total += 1000;
    }
    if (stickerFound)
        record.sticker = true;
    const bool perfect = perfectCounter == 0 && allSugar && stickerFound;
    if (perfect)
    {
        total += 1000;
        record.perfect = true;
        perfectTime = uint32_t(timeFrames);
        record.bestPerfectTime = std::min(record.bestPerfectTime, uint32_t(timeFrames));
    }
    record.bestScore = std::max(record.bestScore, total);
    return perfect;
}

void cLevel::BeginCompletion()
{
    if (resultsScene != nullptr)
    {
        resultsScene->Rewind();
        resultsScene->playbackPosition = 0.0f;
        resultsScene->fraction = 0.0f;
    }
    PlayRandom(levelEndSounds, 2);
}

void cLevel::CompleteLevel()
{
    cLevelHost* host = GetLevelHost();
    BeginCompletion();
    const int32_t r = mode * 50 + levelIndex;
    LevelProgressRecord record;
    if (host != nullptr)
        host->GetProgress(r, record);
    if (!record.completed)
    {
        if (r == 4 || r == 9 || r == 19 || r == 29 || r == 38)
            newSurvivalUnlocked = true;
        if (r == 19)
            newBonusUnlocked = true;
    }
    const bool perfect = ScoreRun(record);
    if (host != nullptr)
    {
        host->SetProgress(r, record);
        if (perfect && (mode == 0 || mode == 1))
        {
            const uint32_t frames = host->SumPerfectTimes(mode);
            host->UploadLeaderboard(mode == 0 ? "Time taken to complete all of the Story levels"
                                              : "Time taken to complete all of the Bonus levels",
                                    int32_t(double(frames) / 30.0 * 1000.0));
        }
        if (sugarCollected == 0)
            host->SetFeat(4);
        if (jumpRequested)
            host->SetFeat(3);
        if (r == 37 && heldKeys == 0)
            host->SetFeat(0);
        else if (r == 14 && sugarCollected <= 2)
            host->SetFeat(1);
        else if (r == 21 && moveRequested)
            host->SetFeat(2);
        host->CheckAchievements();
        host->Save();
    }
    EnterResults();
}

void cLevel::CompleteChallengeLevel()
{
    cLevelHost* host = GetLevelHost();
    BeginCompletion();
    const int32_t r = 250 + levelIndex;
    LevelProgressRecord record;
    if (host != nullptr)
        host->GetProgress(r, record);
    ScoreRun(record);
    if (host != nullptr)
    {
        host->SetProgress(r, record);
        host->CheckAchievements();
        host->Save();
        uint64_t frames = 0;
        for (int32_t i = 250; i <= 254; ++i)
        {
            LevelProgressRecord other;
            if (!host->GetProgress(i, other))
                other = LevelProgressRecord();
            frames += other.perfect ? other.bestPerfectTime : 9000u;
        }
        host->UploadLeaderboard("Time taken to complete all of the Challenge levels",
                                int32_t(double(frames) / 30.0 * 1000.0));
    }
    EnterResults();
}

void cLevel::EnterResults(int32_t indexStep, bool effect)
{
    levelIndex += indexStep;
    levelComplete = true;
    noPause = true;
    resultsTimer = 90;
    stateMachine.SetPendingState(&cLevel::StateResults, 0);
    if (effect)
    {
        cVec2f at;
        if (cGlaControllerElement* complete =
                levelSceneController != nullptr ? levelSceneController->FindController("complete") : nullptr)
        {
            cOrientedBox box;
            complete->GetBounds(box);
            at = box.centre;
        }
        ConfettiBurst(particlePoolA, confettiImages, at, 5.0f, 256, 12.0f, 48.0f, 0.3f, 0.5f, 3000.0f, 0.6f, 0.8f);
    }
    if (cDorvo* dorvo = dynamic_cast<cDorvo*>(player))
        dorvo->SetPendingState(&cDorvo::StateLevelEnd, 0);
}

void cLevel::NextLevel() { EnterResults(1, false); }

void cLevel::StepBackToResults() { EnterResults(-2, true); }
