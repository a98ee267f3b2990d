// The player's states, its appearance and trail particles, and its drawing.
#include <cmath>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/objects/Dorvo.h"
#include "game/objects/DorvoLevel.h"
#include "game/objects/GameObj.h"
#include "game/objects/RigidBodyController.h"

namespace
{
// The appearance: four converging particles a frame for the first 20 frames, the burst
// on frame 19, and the player takes over after 30 frames.
constexpr int32_t kAppearParticleFrames = 20;
constexpr int32_t kAppearBurstFrame = 19;
constexpr int32_t kAppearFrames = 30;
constexpr int32_t kAppearParticlesPerFrame = 4;
constexpr int32_t kAppearSoundVoice = 2;
constexpr float kRespawnRate = 0.033f;

// Appearance particles travel 20 frames onto the player and end there.
constexpr float kAppearTravelFrames = 20.0f;
constexpr float kAppearLifeRate = 1.0f / kAppearTravelFrames;

cParticlePool* PlayerParticlePool(const cGameObj* object)
{
    cObjectLevel* level = ObjectLevelOf(object);
    return level != nullptr ? level->particles : nullptr;
}

// The common set-up of the appearance particles: image, turn, spin, blend mode 2, no
// damping, sizes as scale factors from 0 to sizeEnd.
void FillAppearParticle(cParticle& p, const ImageRect* image, const cVec2f& velocity, const cVec2f& position,
                        float sizeEnd, float spinUnit, float turnUnit)
{
    p.velocity = velocity;
    p.position = position;
    p.image = image;
    p.angle = kTwoPi * turnUnit;
    p.spin = 0.4f * spinUnit - 0.2f;
    p.renderMode = 2;
    p.lifeRate = kAppearLifeRate;
    p.damping = 1.0f;
    p.sizeStart = 0.0f;
    p.sizeEnd = sizeEnd;
    PrepareParticle(p, kParticleSizeIsScale);
}

cRGBA Blend(const cRGBA& a, const cRGBA& b, float t) { return LerpColour(a, b, t); }
} // namespace

// ---- particles ---------------------------------------------------------------------------

void cDorvo::EmitAppearParticles()
{
    cParticlePool* pool = PlayerParticlePool(owner);
    const cDorvoLevel* level = DorvoLevelOf(owner);
    if (pool == nullptr || owner == nullptr)
        return;
    const ImageRect* image = level != nullptr ? level->PlayerAppearImage() : nullptr;
    for (int32_t i = 0; i < kAppearParticlesPerFrame; ++i)
    {
        const float u1 = RandomUnit();
        const float u2 = RandomUnit();
        const float u3 = RandomUnit();
        const float u4 = RandomUnit();
        cParticle* p = AllocParticle(*pool);
        if (p == nullptr)
            return;
        cVec2f v(0.0f, 4.0f + 8.0f * u1);
        v.Rotate(360.0f * u2); // the factor is used as radians: a scattered direction
        const cVec2f start = owner->position * 32.0f - v * kAppearTravelFrames;
        FillAppearParticle(*p, image, v, start, 1.0f, u3, u4);
    }
}

void cDorvo::EmitBurstParticle()
{
    cParticlePool* pool = PlayerParticlePool(owner);
    const cDorvoLevel* level = DorvoLevelOf(owner);
    if (pool == nullptr || owner == nullptr)
        return;
    const float u3 = RandomUnit();
    const float u4 = RandomUnit();
    cParticle* p = AllocParticle(*pool);
    if (p == nullptr)
        return;
    FillAppearParticle(*p, level != nullptr ? level->PlayerBurstImage() : nullptr, cVec2f(), owner->position * 32.0f,
                       3.0f, u3, u4);
}

void cDorvo::TrailColours(int32_t look, float y, uint32_t& start, uint32_t& end)
{
    float up = (-1.0f - y) / 30.0f;
    float down = (y + 1.0f) / 10.0f;
    ClampFloat(up, 0.0f, 1.0f);
    ClampFloat(down, 0.0f, 1.0f);
    const bool high = y <= -1.0f;
    const cRGBA white0(255, 255, 255, 0);
    cRGBA s(255, 255, 255, 75);
    cRGBA e = white0;
    switch (look)
    {
    case 0:
    default:
        if (high)
            s = Blend(cRGBA(0, 255, 255, 75), cRGBA(150, 255, 255, 75), up);
        else
        {
            s = Blend(cRGBA(0, 255, 255, 75), cRGBA(255, 100, 0, 75), down);
            e = Blend(white0, cRGBA(255, 255, 50, 0), down);
        }
        break;
    case 1:
        s = cRGBA(0, 42, 248, 75);
        break;
    case 2:
        s = cRGBA(255, 99, 196, 75);
        break;
    case 3:
        s = cRGBA(194, 48, 247, 75);
        break;
    case 4:
        s = cRGBA(255, 171, 20, 75);
        e = cRGBA(255, 171, 20, 0);
        break;
    case 5:
        s = cRGBA(23, 255, 56, 75);
        e = cRGBA(23, 255, 56, 0);
        break;
    case 6:
        s = cRGBA(255, 241, 0, 75);
        e = cRGBA(255, 241, 0, 0);
        break;
    case 7:
        s = high ? cRGBA(241, 113, 185, 75) : Blend(cRGBA(241, 113, 185, 75), cRGBA(103, 40, 153, 75), down);
        break;
    case 8:
        s = high ? cRGBA(114, 214, 71, 75) : Blend(cRGBA(114, 214, 71, 75), cRGBA(186, 36, 58, 75), down);
        e = high ? cRGBA(114, 214, 71, 0) : cRGBA(186, 36, 58, 0);
        break;
    case 9:
        s = high ? cRGBA(223, 38, 21, 75) : Blend(cRGBA(223, 38, 21, 75), cRGBA(255, 246, 77, 75), down);
        e = high ? cRGBA(223, 38, 21, 0) : cRGBA(255, 246, 77, 0);
        break;
    case 10:
        s = high ? cRGBA(80, 255, 132, 75) : Blend(cRGBA(80, 255, 132, 75), cRGBA(238, 255, 72, 75), down);
        e = high ? cRGBA(80, 255, 132, 0) : cRGBA(238, 255, 72, 0);
        break;
    }
    start = s.Word();
    end = e.Word();
}

void cDorvo::EmitTrailParticle()
{
    if (phase != kDorvoWaiting && phase != kDorvoPlaying)
        return;
    cObjectLevel* objectLevel = ObjectLevelOf(owner);
    cParticlePool* pool = PlayerParticlePool(owner);
    if (pool == nullptr || owner == nullptr)
        return;
    const cDorvoLevel* level = DorvoLevelOf(owner);
    const ImageRect* image = level != nullptr ? level->PlayerTrailImage() : nullptr;
    uint32_t start = 0, end = 0;
    TrailColours(level != nullptr ? level->PlayerTrailLook() : 0, owner->position.y, start, end);
    const cVec2f at = owner->position * 32.0f;

    // The trail: a soft blob left behind that fades and shrinks over 20 frames.
    auto emit = [&](float turn, float drift) {
        cParticle* p = AllocParticle(*pool);
        if (p == nullptr)
            return;
        p->position = at;
        p->image = image;
        p->colourStart = start;
        p->colourEnd = end;
        p->colour = start;
        p->angle = turn;
        p->velocity = cVec2f(drift, 0.0f);
        p->velocity.Rotate(turn);
        p->damping = 0.9f;
        p->lifeRate = 1.0f / 20.0f;
        p->sizeStart = 1.0f;
        p->sizeEnd = 0.2f;
        p->renderMode = 2;
        PrepareParticle(*p, kParticleSizeIsScale);
    };
    emit(0.0f, 0.0f);
    const uint32_t frame = objectLevel != nullptr ? objectLevel->frameCounter : 0;
    const int mode = objectLevel != nullptr ? objectLevel->PerformanceMode() : 0;
    if ((frame & 1u) == 0 && mode > 1)
        emit(RandomFloat(kTwoPi), 0.5f);
}

void cDorvo::PlayAppearSound()
{
    const cDorvoLevel* level = DorvoLevelOf(owner);
    const SoundList* sounds = level != nullptr ? level->PlayerAppearSounds() : nullptr;
    if (sounds == nullptr || sounds->empty() || gAudioManager == nullptr)
        return;
    cSound* sound = RandomVectorElement(*sounds);
    if (sound == nullptr || !gAudioManager->IsVoiceFree(kAppearSoundVoice))
        return;
    gAudioManager->PlayOnVoice(0, kAppearSoundVoice, sound, 1.0f, 1.0f);
}

// ---- states ------------------------------------------------------------------------------

int32_t cDorvo::StateAppear(int32_t statePhase, int32_t arg)
{
    (void)arg;
    switch (statePhase)
    {
    case kStateEnter:
        SetBodyActive(false);
        progress = 0.0f;
        phase = kDorvoAppearing;
        StartScene(sceneAppear, false);
        spawnPosition = owner != nullptr ? owner->position : cVec2f();
        stateFrames = 0;
        break;
    case kStateUpdate:
        // The appearance is timed by its own frame count, so a short or missing appear
        // scene still ends it.
        if (stateFrames < kAppearParticleFrames)
            EmitAppearParticles();
        if (stateFrames == kAppearBurstFrame)
            EmitBurstParticle();
        ProbeAndMove();
        if (currentSprite != nullptr)
            currentSprite->Advance();
        if (sceneAppear != nullptr)
            sceneAppear->Advance();
        stateFrames += 1;
        progress = static_cast<float>(stateFrames) / static_cast<float>(kAppearFrames);
        if (stateFrames >= kAppearFrames)
        {
            progress = 1.0f;
            PlayAppearSound();
            SetBodyActive(true);
            phase = kDorvoPlaying;
            states.SetPendingState(&cDorvo::StatePlay, 0);
        }
        break;
    case kStateDraw:
        if (currentSprite != nullptr && gfx != nullptr)
            currentSprite->Draw(*gfx);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cDorvo::StatePlay(int32_t statePhase, int32_t arg)
{
    (void)arg;
    switch (statePhase)
    {
    case kStateUpdate:
        ProbeAndMove();
        if (currentSprite != nullptr)
            currentSprite->Advance();
        if (sceneAppear != nullptr)
            sceneAppear->Advance();
        break;
    case kStateDraw:
        if (currentSprite != nullptr && gfx != nullptr)
            currentSprite->Draw(*gfx);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cDorvo::StateDead(int32_t statePhase, int32_t arg)
{
    (void)arg;
    switch (statePhase)
    {
    case kStateEnter:
        SetBodyVelocity(cVec2f());
        SetBodyActive(false);
        break;
    case kStateUpdate:
        if (currentSprite != nullptr)
            currentSprite->Advance();
        break;
    default:
        break; // draws nothing
    }
    return 0;
}

int32_t cDorvo::StateRespawn(int32_t statePhase, int32_t arg)
{
    (void)arg;
    switch (statePhase)
    {
    case kStateEnter:
        SetBodyActive(false);
        progress = 0.0f;
        phase = kDorvoRespawning;
        stateFrames = 0;
        break;
    case kStateUpdate:
        stateFrames += 1;
        if (stateFrames < kAppearParticleFrames)
            EmitAppearParticles();
        if (stateFrames == kAppearBurstFrame)
            EmitBurstParticle();
        ProbeAndMove();
        if (currentSprite != nullptr)
        {
            currentSprite->Update();
            currentSprite->Advance();
        }
        progress += kRespawnRate;
        if (progress >= 1.0f)
        {
            SetBodyActive(true);
            phase = kDorvoPlaying;
            states.SetPendingState(&cDorvo::StatePlay, 0);
        }
        break;
    case kStateDraw:
        if (currentSprite != nullptr && gfx != nullptr)
            currentSprite->Draw(*gfx);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cDorvo::StateLevelEnd(int32_t statePhase, int32_t arg)
{
    (void)arg;
    switch (statePhase)
    {
    case kStateEnter:
        controlAllowed = 0;
        SetBodyVelocity(cVec2f(0.0f, BodyVelocity().y));
        lockX = owner != nullptr ? owner->position.x : 0.0f;
        break;
    case kStateUpdate:
        SetBodyVelocity(cVec2f(0.0f, BodyVelocity().y));
        ProbeAndMove();
        if (owner != nullptr)
            owner->SetPosition(cVec2f(lockX, owner->position.y));
        tilt = 0.0f;
        if (currentSprite != nullptr)
            currentSprite->Advance();
        break;
    case kStateDraw:
        if (currentSprite != nullptr && gfx != nullptr)
            currentSprite->Draw(*gfx);
        break;
    default:
        break;
    }
    return 0;
}

// ---- drawing -----------------------------------------------------------------------------

void cDorvo::Draw(cGfx2D* g)
{
    gfx = g;
    if (g == nullptr || owner == nullptr)
        return;

    if (sceneAppear != nullptr && sceneAppear->playing)
    {
        g->PushTransform();
        g->Translate(spawnPosition.x * 32.0f, spawnPosition.y * 32.0f);
        g->PushLayer();
        g->AddLayer(1000);
        sceneAppear->Draw(*g);
        g->PopLayer();
        g->PopTransform();
    }

    g->PushTransform();
    g->Translate(owner->position.x * 32.0f, owner->position.y * 32.0f);
    if (phase == kDorvoAppearing || phase == kDorvoRespawning)
    {
        g->Rotate(progress * 4.0f * kPi);
        g->Scale(progress, progress);
    }
    else if (AbsFloat(displayAngle) > 0.01f)
    {
        g->Rotate(displayAngle);
    }

    g->PushLayer();
    g->AddLayer(3401);
    states.Draw();

    const cDorvoLevel* level = DorvoLevelOf(owner);
    if (level != nullptr && level->PlayerDebugText())
    {
        char text[64];
        FormatToBuffer(text, sizeof(text), "rot=%f", static_cast<double>(angle + tilt));
        g->SetFont(level->PlayerDebugFont());
        g->SetColour(cRGBA(0, 0, 0, 255).Word());
        g->DrawText(0, text);
        g->SetColour(0xFFFFFFFFu);
    }

    g->PopLayer();
    g->PopTransform();
}
