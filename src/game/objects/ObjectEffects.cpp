#include "game/objects/ObjectEffects.h"

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/objects/ObjectSounds.h"

namespace
{
constexpr float kDegreesToRadians = 0.017453292f;
constexpr int32_t kDefaultLayer = 3600;
// Render modes: alpha blending (the particles' own default, so that they fade with their
// colour's alpha) and the additive glow of sparks, invaders and the dynamite.
constexpr int32_t kBlended = kBlendCodeAlpha;
constexpr int32_t kGlow = kBlendCodeAdditive;

uint32_t WithAlpha(uint32_t colour, float alpha)
{
    if (!(alpha == alpha))
        alpha = 0.0f;
    ClampFloat(alpha, 0.0f, 1.0f);
    const uint32_t a = static_cast<uint32_t>(alpha * 255.0f) & 0xFFu;
    return (colour & 0x00FFFFFFu) | (a << 24);
}

// A particle of the level's pool with its image, at the position; null when the pool is
// missing or full, or the list has no image (nothing would be drawn).
cParticle* NewParticle(cObjectLevel& level, const ImageRect* image, const cVec2f& position)
{
    if (level.particles == nullptr || image == nullptr)
        return nullptr;
    cParticle* p = AllocParticle(*level.particles);
    if (p == nullptr)
        return nullptr;
    p->image = image;
    p->position = position;
    p->size = 1.0f;
    return p;
}

void SetLife(cParticle& p, int ticks) { p.lifeRate = 1.0f / static_cast<float>(ticks); }

// One row of debris: count particles flying out from the position.
struct Debris
{
    const ImageList* images = nullptr;
    int count = 0;
    float speedMin = 0.0f, speedMax = 0.0f;
    float ringStep = 0.0f;  // degrees between ring directions; 0: random directions
    float damping = 1.0f;
    int life = 60;
    float sizeStart = 1.0f, sizeEnd = 1.1f;
    float gravity = 0.0f;
    float spinMin = 0.0f, spinMax = 0.02f;
    int32_t layer = kDefaultLayer;
    int32_t renderMode = kBlended;
    bool scatter = false;   // a random offset of -64..64 in x and -96..96 in y
    float jitter = 0.0f;    // placed up to this many pixels from the position
    cVec2f extraVelocity;   // added to each velocity (a share of the body's)
    bool rising = false;    // velocity (0, -1) instead of a speed and direction
    bool keepAlpha = false; // full alpha at both ends
    bool oneColour = false; // start and end colour the same
    uint32_t flags = kParticleSizeIsScale;
};

// Rising dust: the base of every puff, the caller adding what differs.
Debris DustPuff(cObjectLevel& level, int count, int life, float sizeStart, float sizeEnd)
{
    Debris puff;
    puff.images = &level.dust;
    puff.count = count;
    puff.rising = true;
    puff.damping = 0.95f;
    puff.life = life;
    puff.sizeStart = sizeStart;
    puff.sizeEnd = sizeEnd;
    return puff;
}

void SpawnDebris(cObjectLevel& level, const cVec2f& position, const Debris& row)
{
    for (int i = 0; i < row.count; ++i)
    {
        cVec2f velocity(0.0f, -1.0f);
        if (!row.rising)
        {
            velocity = cVec2f(0.0f, -RandomFloatRange(row.speedMin, row.speedMax));
            // The random angle is drawn in 0..360 and used as radians: any direction.
            const float angle = row.ringStep != 0.0f ? static_cast<float>(i) * row.ringStep * kDegreesToRadians
                                                     : RandomFloatRange(0.0f, 360.0f);
            velocity.Rotate(angle);
            velocity += row.extraVelocity;
        }
        cVec2f place = position;
        if (row.scatter)
            place += cVec2f(RandomFloatRange(-64.0f, 64.0f), RandomFloatRange(-96.0f, 96.0f));
        if (row.jitter > 0.0f)
        {
            cVec2f offset(0.0f, RandomFloatRange(0.0f, row.jitter));
            offset.Rotate(RandomFloatRange(0.0f, kTwoPi));
            place += offset;
        }
        cParticle* p = NewParticle(level, RandomVectorElement(*row.images), place);
        if (p == nullptr)
            continue;
        p->velocity = velocity;
        p->damping = row.damping;
        SetLife(*p, row.life);
        p->sizeStart = row.sizeStart;
        p->sizeEnd = row.sizeEnd;
        p->acceleration = cVec2f(0.0f, row.gravity);
        p->angle = RandomFloatRange(0.0f, kTwoPi);
        p->spin = RandomFloatRange(row.spinMin, row.spinMax);
        p->layerOffset = row.layer;
        p->renderMode = row.renderMode;
        if (row.keepAlpha || row.oneColour)
            p->colourEnd = p->colourStart;
        PrepareParticle(*p, row.flags);
    }
}

void SpawnFlash(cObjectLevel& level, const ImageRect* image, const cVec2f& position, int32_t layer,
                int32_t renderMode = kBlended)
{
    cParticle* p = NewParticle(level, image, position);
    if (p == nullptr)
        return;
    p->damping = 1.0f;
    SetLife(*p, 6);
    p->sizeStart = 2.0f;
    p->sizeEnd = 3.0f;
    p->colourStart = WithAlpha(p->colourStart, 1.0f);
    p->colourEnd = WithAlpha(p->colourEnd, 0.0f);
    p->angle = RandomFloatRange(0.0f, kTwoPi);
    p->spin = RandomFloatRange(-0.1f, 0.1f);
    p->layerOffset = layer;
    p->renderMode = renderMode;
    PrepareParticle(*p, kParticleSizeIsScale);
}

const ImageRect* ImageAt(const ImageList& list, size_t index)
{
    return index < list.size() ? list[index] : nullptr;
}

const ImageRect* FlashImage(cObjectLevel& level) { return ImageAt(level.effectImages, 4); }

// The explosion and pulse of the dynamite types.
void SpawnExplosion(cObjectLevel& level, const cVec2f& position)
{
    if (cParticle* p = NewParticle(level, ImageAt(level.dynamiteImages, 2), position))
    {
        SetLife(*p, 8);
        p->damping = 1.0f;
        p->sizeStart = 1.0f;
        p->sizeEnd = 2.0f;
        p->layerOffset = kDefaultLayer;
        PrepareParticle(*p, kParticleSizeIsScale);
    }
    if (cParticle* p = NewParticle(level, ImageAt(level.dynamiteImages, 3), position))
    {
        SetLife(*p, 6);
        p->damping = 1.0f;
        p->sizeStart = 0.5f;
        p->sizeEnd = 3.0f;
        p->delay = 3;
        p->layerOffset = kDefaultLayer;
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

void SpawnHearts(cObjectLevel& level, const cVec2f& position, int count, float speedMin, float speedMax,
                 bool burst)
{
    for (int i = 0; i < count; ++i)
    {
        cVec2f velocity(0.0f, -RandomFloatRange(speedMin, speedMax));
        velocity.Rotate(RandomFloatRange(0.0f, 360.0f));
        cParticle* p = NewParticle(level, RandomVectorElement(level.hearts), position);
        if (p == nullptr)
            continue;
        p->velocity = velocity;
        p->damping = 0.9f;
        SetLife(*p, 120);
        p->angle = RandomFloatRange(0.0f, kTwoPi);
        p->layerOffset = kDefaultLayer;
        if (burst)
        {
            p->sizeStart = RandomFloatRange(0.6f, 0.8f);
            p->sizeEnd = 0.0f;
            p->acceleration = cVec2f(0.0f, RandomFloatRange(0.3f, 0.5f));
            p->delay = 3 + RandomInt(10);
            p->swayDelay = 15;
            p->lateSwayAmplitude = RandomFloatRange(32.0f, 128.0f);
            p->lateSwayDecay = 1.0f;
            p->lateSwaySpeed = RandomFloatRange(0.005f, 0.01f);
            p->flipSpeed = RandomFloatRange(0.005f, 0.06f);
            p->flipAxis = RandomInt(2);
            p->spin = RandomFloatRange(-0.1f, 0.1f);
        }
        else
        {
            p->sizeStart = RandomFloatRange(0.26f, 0.76f);
            p->sizeEnd = p->sizeStart;
            p->colourStart = WithAlpha(p->colourStart, RandomFloatRange(0.3f, 0.5f));
            p->delay = 3 + RandomInt(5);
        }
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

// The sparks of the saw and dynamite types (and the dynamite's glow).
void SpawnSparks(cObjectLevel& level, const cVec2f& position, int life, int32_t layer)
{
    Debris sparks;
    sparks.images = &level.sparks;
    sparks.count = 2;
    sparks.speedMin = 5.0f;
    sparks.speedMax = 16.0f;
    sparks.damping = 0.97f;
    sparks.life = life;
    sparks.sizeStart = 1.0f;
    sparks.sizeEnd = 0.2f;
    sparks.gravity = 0.5f;
    sparks.layer = layer;
    sparks.renderMode = kGlow;
    SpawnDebris(level, position, sparks);
}

void SpawnSplinters(cObjectLevel& level, const cVec2f& point)
{
    for (int i = 0; i < 6; ++i)
    {
        cParticle* p = NewParticle(level, RandomVectorElement(level.barrelPieces), point);
        if (p == nullptr)
            continue;
        cVec2f velocity(0.0f, -3.0f);
        velocity.Rotate(static_cast<float>(i) * 60.0f * kDegreesToRadians);
        p->velocity = velocity;
        p->damping = 1.0f;
        SetLife(*p, 10);
        p->sizeStart = 1.0f;
        p->sizeEnd = 1.0f;
        p->spin = 0.02f;
        p->layerOffset = kDefaultLayer;
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

float DistanceVolume(const cObjectLevel& level, const cVec2f& pixels, float range)
{
    float volume = 1.0f - CameraDistancePixels(level, pixels * (1.0f / 32.0f)) / range;
    if (!(volume == volume))
        volume = 0.0f;
    ClampFloat(volume, 0.0f, 1.0f);
    return volume;
}
} // namespace

int AmbientLoopVoice(int type)
{
    switch (type)
    {
    case 1: return 3; // the barrel's rolling loop: no voice is named for it, so a spare one
    case 19: return 16;
    case 20: return 17;
    case 21:
    case 22:
    case 27: return 18;
    case 25: return 19;
    case 31: return 20;
    case 26: return 21;
    case 32: return 22;
    default: return -1;
    }
}

void KeepAmbientLoop(cObjectLevel& level, int type, float volume)
{
    const int home = AmbientLoopVoice(type);
    if (home < 0 || type >= kAmbientTypeCount)
        return;
    if (!(volume == volume))
        volume = 0.0f;
    ClampFloat(volume, 0.0f, 1.0f);
    AmbientLoop& loop = level.ambient[type];
    loop.volume = std::max(loop.volume, volume);
    if (!loop.started)
    {
        loop.started = true;
        loop.voice.Start(home, loop.sound);
    }
}

void ClearAmbientLoopVolumes(cObjectLevel& level)
{
    for (AmbientLoop& loop : level.ambient)
        loop.volume = 0.0f;
}

void ApplyAmbientLoopVolumes(cObjectLevel& level)
{
    for (int type = 0; type < kAmbientTypeCount; ++type)
    {
        AmbientLoop& loop = level.ambient[type];
        if (loop.started)
            loop.voice.Keep(AmbientLoopVoice(type), loop.sound, loop.volume);
    }
}

void ResetAmbientLoops(cObjectLevel& level)
{
    for (AmbientLoop& loop : level.ambient)
    {
        loop.voice.Stop();
        loop.started = false;
        loop.volume = 0.0f;
    }
}

void PlayEffectSound(cObjectLevel& level, const SoundList& list, const cVec2f& position, float range, float scale)
{
    const float volume = DistanceVolume(level, position, range) * scale;
    if (!(volume > 0.0f))
        return;
    PlayRandomOnVoice(list, TakeWorldVoice(level), volume);
}

void SpawnBurstEffect(cObjectLevel& level, int type, const cVec2f& position, const cVec2f& bodyVelocity)
{
    const cVec2f backwards = bodyVelocity * -0.25f;
    Debris row;
    row.speedMin = 6.0f;
    row.speedMax = 16.0f;
    row.damping = 0.95f;
    row.gravity = 0.5f;
    switch (type)
    {
    case 1:
    case 18:
    case 31:
        PlayEffectSound(level, level.barrelSounds, position, 1024.0f);
        SpawnFlash(level, FlashImage(level), position, kDefaultLayer);
        row.images = &level.barrelPieces;
        row.count = 20;
        if (type == 18)
        {
            row.speedMax = 12.0f;
            row.damping = 0.98f;
            row.extraVelocity = backwards;
        }
        row.oneColour = type == 31;
        SpawnDebris(level, position, row);
        break;
    case 2:
        PlayEffectSound(level, level.rainDropSounds, position, 1024.0f);
        row.images = &level.rainDropParts;
        row.count = 10;
        row.speedMax = 12.0f;
        row.ringStep = 36.0f;
        row.damping = 0.98f;
        row.life = 10;
        row.gravity = 0.0f;
        SpawnDebris(level, position, row);
        break;
    case 3:
        for (int i = 0; i < 20; ++i)
        {
            cVec2f velocity(0.0f, -RandomFloatRange(1.0f, 16.0f));
            velocity.Rotate(RandomFloatRange(0.0f, 360.0f));
            cParticle* p = NewParticle(level, RandomVectorElement(level.ropePieces), position);
            if (p == nullptr)
                continue;
            p->velocity = velocity;
            p->damping = 0.9f;
            SetLife(*p, 90);
            p->sizeStart = 1.0f;
            p->sizeEnd = 1.1f;
            p->acceleration = cVec2f(0.0f, 0.2f);
            p->swayDelay = 15;
            p->lateSwayAmplitude = RandomFloatRange(6.0f, 32.0f);
            p->lateSwayDecay = 1.0f;
            p->lateSwaySpeed = RandomFloatRange(0.01f, 0.02f);
            p->angle = kPi * 0.5f + RandomFloatRange(0.0f, kPi / 5.0f);
            p->layerOffset = kDefaultLayer;
            PrepareParticle(*p, kParticleSizeIsScale);
        }
        break;
    case 4:
    {
        PlayEffectSound(level, level.beanBagSounds, position, 1024.0f);
        Debris puff = DustPuff(level, 1, 8, 0.0f, 3.0f);
        SpawnDebris(level, position, puff);
        row.images = &level.beanPieces;
        row.count = 10;
        row.speedMin = 3.0f;
        row.speedMax = 12.0f;
        row.ringStep = 36.0f;
        row.damping = 0.98f;
        row.life = 10;
        row.gravity = 0.0f;
        row.spinMin = -0.1f;
        row.spinMax = 0.1f;
        SpawnDebris(level, position, row);
        break;
    }
    case 5:
    case 23:
        PlayEffectSound(level, level.barrelSounds, position, 1024.0f);
        SpawnFlash(level, FlashImage(level), position, 1000);
        row.images = &level.sawPieces;
        row.count = 12;
        row.scatter = true;
        row.layer = 1000;
        SpawnDebris(level, position, row);
        break;
    case 8:
    case 24:
    {
        PlayEffectSound(level, level.lavaDropSounds, position, 1024.0f);
        Debris puff = DustPuff(level, 1, 8, 1.0f, 4.0f);
        SpawnDebris(level, position, puff);
        row.images = &level.lavaPieces;
        row.count = 10;
        row.speedMax = 12.0f;
        row.damping = 0.98f;
        row.life = 15;
        row.sizeStart = 1.0f;
        row.sizeEnd = 0.1f;
        row.gravity = 0.0f;
        row.extraVelocity = backwards;
        SpawnDebris(level, position, row);
        row.images = &level.sparks;
        row.keepAlpha = true;
        row.flags = kParticleSizeIsScale | kParticleFaceVelocity;
        SpawnDebris(level, position, row);
        break;
    }
    case 9:
    case 10:
    case 11:
    case 12:
    {
        PlayEffectSound(level, level.invaderSounds, position, 1024.0f);
        SpawnFlash(level, FlashImage(level), position, kDefaultLayer, kGlow);
        // One colour per invader: green, blue, red, purple.
        const ImageRect* colour = ImageAt(level.invaderColours, static_cast<size_t>(type - 9));
        const ImageList single = {colour};
        row.images = colour != nullptr ? &single : &level.invaderColours;
        row.count = 15;
        row.renderMode = kGlow;
        SpawnDebris(level, position, row);
        break;
    }
    case 13:
        if (!level.FireEffectAllowed(position))
            break;
        row.images = &level.fireImages;
        row.count = 6;
        row.speedMax = 12.0f;
        row.ringStep = 60.0f;
        row.damping = 0.98f;
        row.life = 10;
        row.gravity = 0.0f;
        SpawnDebris(level, position, row);
        break;
    case 15:
        PlayEffectSound(level, level.waterCloudSounds, position, 1536.0f);
        SpawnFlash(level, ImageAt(level.waterCloudFlash, 0), position, kDefaultLayer);
        row.images = &level.waterCloudParts;
        row.count = 20;
        SpawnDebris(level, position, row);
        break;
    case 16:
        SpawnHearts(level, position, 16, 12.0f, 48.0f, true);
        break;
    case 17:
    {
        PlayEffectSound(level, level.rockSounds, position, 1024.0f);
        SpawnFlash(level, FlashImage(level), position, kDefaultLayer);
        Debris puff = DustPuff(level, 12, 30, 0.0f, 2.0f);
        puff.scatter = true;
        puff.spinMin = -0.02f;
        puff.spinMax = 0.02f;
        SpawnDebris(level, position, puff);
        row.images = &level.rocks;
        row.count = 20;
        row.scatter = true;
        row.layer = 1000;
        SpawnDebris(level, position, row);
        break;
    }
    case 33:
    case 34:
        if (!level.dynamiteSounds.empty())
        {
            const SoundList first = {level.dynamiteSounds[0]};
            PlayEffectSound(level, first, position, 1024.0f);
        }
        SpawnExplosion(level, position);
        if (type == 34)
        {
            row.images = &level.barrelPieces;
            row.count = 20;
            row.speedMin = 12.0f;
            row.speedMax = 24.0f;
            row.damping = 0.98f;
            row.extraVelocity = backwards;
            SpawnDebris(level, position, row);
        }
        break;
    default:
        return;
    }
    ObjectAmbientEffect(level, type, position);
}

void ObjectAmbientEffect(cObjectLevel& level, int type, const cVec2f& position)
{
    switch (type)
    {
    case 19:
    case 26:
        if (level.quietAmbientLoops)
            return;
        [[fallthrough]];
    case 20:
    case 21:
    case 22:
    case 25:
    case 27:
    case 32:
    {
        const float range = (type == 20 || type == 21) ? 1024.0f : 768.0f;
        KeepAmbientLoop(level, type, DistanceVolume(level, position, range));
        return;
    }
    case 5:
    case 23:
        SpawnSparks(level, position, 30, 4999);
        PlayEffectSound(level, level.metalSounds, position, 768.0f, 0.5f);
        return;
    case 33:
    case 34:
    {
        const cVec2f glowAt = position + cVec2f(RandomFloatRange(-1.0f, 1.0f), RandomFloatRange(-1.0f, 1.0f));
        if (cParticle* p = NewParticle(level, ImageAt(level.dynamiteImages, 1), glowAt))
        {
            SetLife(*p, 1);
            p->damping = 1.0f;
            p->angle = RandomFloatRange(-kPi, kPi);
            p->layerOffset = 2000;
            p->renderMode = kGlow;
            PrepareParticle(*p, kParticleSizeIsScale);
        }
        SpawnSparks(level, position, 15, 2100);
        PlayEffectSound(level, level.dynamiteSounds, position, 768.0f, 0.5f);
        return;
    }
    default:
        return;
    }
}

void SpawnDustPuff(cObjectLevel& level, const cVec2f& position, float endAlpha)
{
    const int count = 8 + RandomInt(5);
    const float step = kTwoPi / static_cast<float>(count);
    for (int i = 0; i < count; ++i)
    {
        cParticle* p = NewParticle(level, RandomVectorElement(level.dust), position);
        if (p == nullptr)
            continue;
        cVec2f velocity(0.0f, -1.0f);
        velocity.Rotate(kPi * 0.75f + static_cast<float>(i) * step);
        p->velocity = velocity;
        p->damping = 1.0f;
        SetLife(*p, 70);
        p->sizeStart = 1.0f;
        p->sizeEnd = 3.0f;
        p->colourStart = (p->colourStart & 0x00FFFFFFu) | (127u << 24);
        p->colourEnd = WithAlpha(p->colourEnd, endAlpha);
        p->layerOffset = 2000;
        p->angle = 0.0f;
        p->spin = RandomFloatRange(0.0f, 0.1f);
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

void SpawnDamageSmoke(cObjectLevel& level, const cVec2f& position, int damage)
{
    if (damage <= 0)
        return;
    Debris puff = DustPuff(level, std::min(damage, 4), 30, 0.5f, 2.0f);
    SpawnDebris(level, position, puff);
}

void SpawnHitEffect(cObjectLevel& level, int type, const cVec2f& point, float impact)
{
    switch (type)
    {
    case 1:
    case 7:
        if (type == 1 && impact > 0.1f)
            KeepAmbientLoop(level, type, DistanceVolume(level, point, 512.0f));
        if (impact > 10.0f)
        {
            PlayEffectSound(level, level.woodSounds, point, 1024.0f);
            SpawnSplinters(level, point);
            if (type == 1)
            {
                Debris puff = DustPuff(level, 1, 30, 0.0f, 1.0f);
                SpawnDebris(level, point, puff);
            }
        }
        return;
    case 31:
        if (impact > 0.1f)
            KeepAmbientLoop(level, type, DistanceVolume(level, point, 512.0f));
        if (impact > 3.0f && level.metalSoundFrame != level.frameCounter)
        {
            level.metalSoundFrame = level.frameCounter;
            PlayEffectSound(level, level.metalSounds, point, 768.0f, 0.1f);
        }
        return;
    case 28:
    case 29:
        if (level.beanBagSoundFrame != level.frameCounter)
        {
            level.beanBagSoundFrame = level.frameCounter;
            PlayEffectSound(level, level.beanBagLargeSounds, point, 1024.0f, 0.1f);
        }
        return;
    default:
        return;
    }
}

void SpawnContactEffect(cObjectLevel& level, int type, const cVec2f& point)
{
    Debris row;
    row.damping = 0.95f;
    row.life = 60;
    row.gravity = 0.5f;
    row.jitter = 2.0f;
    switch (type)
    {
    case 1:
    case 31:
        row.images = &level.barrelPieces;
        row.count = 2;
        row.speedMin = 1.0f;
        row.speedMax = 2.0f;
        SpawnDebris(level, point, row);
        return;
    case 15:
        row.images = &level.waterCloudParts;
        row.count = 10;
        row.speedMin = 8.0f;
        row.speedMax = 18.0f;
        SpawnDebris(level, point, row);
        return;
    case 16:
        SpawnHearts(level, point, 6, 6.0f, 24.0f, false);
        return;
    default:
        return;
    }
}
