#include "KelpoBase/gla/Particles.h"

#include <cmath>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
cVec2f gParticleWind;

// Whole ticks the particle has lived: progress / life rate, truncated. A particle whose
// life rate is 0 (a persistent one, usually) counts as tick 0.
int32_t TicksLived(const cParticle& p)
{
    if (!(p.lifeRate > 0.0f))
        return 0;
    return TruncToInt32(static_cast<double>(p.progress) / static_cast<double>(p.lifeRate));
}

// Advances a phase in 0..1 by speed, wrapping once above 1.
void StepPhase(float& phase, float speed)
{
    phase += speed;
    if (phase > 1.0f)
        phase -= 1.0f;
}

float SinSquared(float phase)
{
    const float s = SinF(kPi * phase);
    return s * s;
}

void UpdateParticle(cParticle& p, float& largestSize, cRect2f& bounds)
{
    if ((p.flags & kParticleSpin) != 0)
        p.angle += p.spin;

    if ((p.flags & kParticleMove) != 0)
    {
        if (p.wind != 0)
            p.position += gParticleWind;
        p.position += p.velocity;
        p.velocity *= p.damping;
        if (p.swayAmplitude > 0.0f)
        {
            StepPhase(p.swayPhase, p.swaySpeed);
            p.swayAmplitude *= p.swayDecay;
        }
    }

    if ((p.flags & kParticleAccelerate) != 0)
    {
        p.velocity += p.acceleration;
        p.swayDelay -= 1;
        if (p.lateSwayAmplitude > 0.0f && p.swayDelay <= 0)
        {
            StepPhase(p.lateSwayPhase, p.lateSwaySpeed);
            p.lateSwayAmplitude *= p.lateSwayDecay;
        }
    }

    if ((p.flags & kParticleSizeLerp) != 0)
        p.size = p.sizeStart + (p.sizeEnd - p.sizeStart) * p.progress;
    else if ((p.flags & kParticleSizeGrowth) != 0)
    {
        p.size += p.sizeGrowth;
        p.sizeGrowth *= p.growthDamping;
    }

    const int32_t ticks = TicksLived(p);
    if ((p.flags & kParticleSizeJitter) != 0)
    {
        p.size = p.sizeStart + (p.sizeEnd - p.sizeStart) * p.progress;
        p.size += (ticks % 2 == 0) ? p.sizeJitter : -p.sizeJitter;
    }

    if ((p.flags & kParticleColourHold) != 0)
    {
        if (p.hold >= 1.0f)
        {
            // Hold end below 1 always: hold reaches 1 at a progress that is then stored.
            const float span = 1.0f - p.holdEnd;
            const float t = span > 0.0f ? (p.progress - p.holdEnd) / span : 1.0f;
            p.colour = LerpColour(p.colourStart, p.colourEnd, t);
        }
    }
    else if ((p.flags & kParticleColourOutBack) != 0)
    {
        if (p.progress < 0.5f)
            p.colour = LerpColour(p.colourEnd, p.colourStart, 2.0f * p.progress);
        else
            p.colour = LerpColour(p.colourStart, p.colourEnd, 2.0f * (p.progress - 0.5f));
    }
    else if ((p.flags & kParticleAlphaFlicker) != 0)
    {
        p.colour = LerpColour(p.colourStart, p.colourEnd, p.progress);
        const float r = static_cast<float>(RandomStep()) / 32767.0f;
        const float a = static_cast<float>(p.colour >> 24);
        const float factor = (ticks % 2 == 0) ? 1.0f + r * p.alphaFlicker : 1.0f - r * p.alphaFlicker;
        const uint32_t alpha = static_cast<uint32_t>(TruncToInt32(a * factor)) & 0xFFu;
        p.colour = (p.colour & 0x00FFFFFFu) | (alpha << 24);
    }
    else
        p.colour = LerpColour(p.colourStart, p.colourEnd, p.progress);

    if (p.flipSpeed > 0.0f)
    {
        StepPhase(p.flipPhase, p.flipSpeed);
        const float edge = 1.0f - std::fabs(2.0f * SinSquared(p.flipPhase) - 1.0f);
        p.colour = LerpColour(p.colourStart, 0xFFC0C0C0u, edge);
    }

    if ((p.flags & kParticleFaceVelocity) != 0 && (p.velocity.x != 0.0f || p.velocity.y != 0.0f))
    {
        // A particle at rest keeps its angle: a zero vector has no direction.
        const cVec2f n = p.velocity.NormalisedFast();
        float y = -n.y;
        ClampFloat(y, -1.0f, 1.0f);
        float a = AcosF(y);
        if (p.velocity.x < 0.0f)
            a = kTwoPi - a;
        p.angle = a;
    }

    if (p.size > largestSize)
        largestSize = p.size;
    Rect2ExtendByPoint(bounds, p.position);

    p.progress += p.lifeRate;
    ClampFloat(p.progress, 0.0f, 1.0f);

    p.hold += p.holdRate;
    if (p.hold >= 1.0f && p.holdEnd == 0.0f)
        p.holdEnd = p.progress;
}
} // namespace

cParticlePool::cParticlePool()
{
    records.Create(kDefaultCapacity);
    Rect2Reset(bounds);
}

void cParticlePool::Create(uint32_t capacity)
{
    head = nullptr;
    tail = nullptr;
    records.Create(capacity);
}

void cParticlePool::Clear()
{
    head = nullptr;
    tail = nullptr;
    records.Destroy();
    records.ZeroCounts();
    cullMode = 0;
}

cParticle* AllocParticle(cParticlePool& pool)
{
    cParticle* p = pool.records.Take();
    if (p == nullptr)
        return nullptr;
    ResetParticle(*p);
    if (pool.tail != nullptr)
        pool.tail->next = p;
    else
        pool.head = p;
    pool.tail = p;
    return p;
}

void ResetParticle(cParticle& p)
{
    p.delay = 0;
    p.angle = 0.0f;
    p.spin = 0.0f;
    p.sizeStart = 0.0f;
    p.sizeEnd = 0.0f;
    p.sizeGrowth = 0.0f;
    p.growthDamping = 0.0f;
    p.colourStart = 0xFFFFFFFFu;
    p.colourEnd = 0x00FFFFFFu;
    p.hold = 0.0f;
    p.holdRate = 0.0f;
    p.holdEnd = 0.0f;
    p.progress = 0.0f;
    p.persistent = 0;
    p.lifeRate = 0.0f;
    p.damping = 0.0f;
    p.velocity = cVec2f();
    p.acceleration = cVec2f();
    p.swayDelay = 0;
    p.lateSwayAmplitude = 0.0f;
    p.lateSwayPhase = 0.0f;
    p.lateSwayDecay = 0.0f;
    p.lateSwaySpeed = 0.0f;
    p.flipSpeed = 0.0f;
    p.flipPhase = 0.0f;
    p.flipAxis = 0;
    p.image = nullptr;
    p.wind = 0;
    p.sizeJitter = 0.0f;
    p.alphaFlicker = 0.0f;
    p.swayAmplitude = 0.0f;
    p.swayPhase = 0.0f;
    p.swaySpeed = 0.0f;
    p.swayDecay = 0.0f;
    p.renderMode = 1;
    p.layerOffset = 0;
    p.flags = 0;
    p.next = nullptr;
}

void PrepareParticle(cParticle& p, uint32_t flags)
{
    // No picture to draw (or one of no width, which would also leave no scale to derive):
    // the particle dies at the next update.
    if (p.image == nullptr || ((flags & kParticleSizeIsScale) == 0 && p.image->w <= 0))
    {
        p.progress = 1.0f;
        return;
    }
    p.flags = flags;
    if (p.spin != 0.0f)
        p.flags |= kParticleSpin;
    if (p.velocity.x != 0.0f || p.velocity.y != 0.0f || p.wind != 0)
        p.flags |= kParticleMove;
    if (p.sizeEnd != p.sizeStart)
        p.flags |= kParticleSizeLerp;
    if (p.sizeGrowth != 0.0f)
        p.flags |= kParticleSizeGrowth;
    if (p.acceleration.x != 0.0f || p.acceleration.y != 0.0f)
        p.flags |= kParticleAccelerate;

    if ((p.flags & kParticleSizeIsScale) == 0)
    {
        const float k = 2.0f / static_cast<float>(p.image->w);
        p.sizeStart *= k;
        p.sizeEnd *= k;
        p.sizeGrowth *= k;
    }
    if (p.holdRate == 0.0f)
        p.holdRate = p.lifeRate;
    p.size = p.sizeStart;
    p.origin = p.position;
    p.colour = p.colourStart;
}

void UpdateParticlePool(cParticlePool& pool)
{
    Rect2Reset(pool.bounds);
    float largestSize = 0.0f;
    cParticle* previous = nullptr;
    for (cParticle* p = pool.head; p != nullptr;)
    {
        cParticle* following = p->next;
        if (p->progress >= 1.0f && p->persistent == 0)
        {
            if (previous != nullptr)
                previous->next = following;
            else
                pool.head = following;
            if (pool.tail == p)
                pool.tail = previous;
            p->next = nullptr;
            pool.records.Release(p);
            p = following;
            continue;
        }
        previous = p;
        if (p->delay > 0)
        {
            p->delay -= 1;
            if (p->delay > 0)
            {
                p = following;
                continue;
            }
        }
        UpdateParticle(*p, largestSize, pool.bounds);
        p = following;
    }
    if (pool.head != nullptr && pool.bounds.minX <= pool.bounds.maxX)
    {
        pool.bounds.minX -= largestSize;
        pool.bounds.minY -= largestSize;
        pool.bounds.maxX += largestSize;
        pool.bounds.maxY += largestSize;
    }
}

void FreeAllParticles(cParticlePool& pool)
{
    for (cParticle* p = pool.head; p != nullptr;)
    {
        cParticle* following = p->next;
        p->next = nullptr;
        pool.records.Release(p);
        p = following;
    }
    pool.head = nullptr;
    pool.tail = nullptr;
}

void DrawParticle(cGfx2D& gfx, const cParticle& p)
{
    gfx.PushState();
    gfx.SetRenderFlagsHigh(static_cast<uint16_t>(p.renderMode));
    gfx.AddLayer(p.layerOffset);
    const bool anchored = (p.flags & kParticleAnchored) != 0;
    if (anchored)
    {
        gfx.Translate(p.origin.x, p.origin.y);
        gfx.Rotate(p.angle);
        gfx.Translate(p.position.x - p.origin.x, p.position.y - p.origin.y);
    }
    else
        gfx.Translate(p.position.x, p.position.y);

    float sway = 0.0f;
    if (p.swayAmplitude != 0.0f)
        sway = p.swayAmplitude * SinSquared(p.swayPhase);
    else if (p.lateSwayAmplitude != 0.0f)
        sway = p.lateSwayAmplitude * SinSquared(p.lateSwayPhase);
    if (sway != 0.0f)
    {
        const cVec2f n = p.velocity.NormalisedFast();
        gfx.Translate(sway * -n.y, sway * n.x);
    }

    if (!anchored)
        gfx.Rotate(p.angle);
    if (p.flipSpeed > 0.0f)
    {
        const float k = 2.0f * SinSquared(p.flipPhase) - 1.0f;
        if (p.flipAxis == 0)
            gfx.Scale(p.size * k, p.size);
        else
            gfx.Scale(p.size, p.size * k);
    }
    else
        gfx.Scale(p.size, p.size);
    gfx.SetColour(p.colour);
    gfx.DrawFrame(p.image, kAlignCentre);
    gfx.PopState();
}

void DrawParticlePool(cParticlePool& pool, cGfx2D& gfx)
{
    for (const cParticle* p = pool.head; p != nullptr; p = p->next)
        if (p->delay <= 0)
            DrawParticle(gfx, *p);
}

void DrawParticlePoolCulled(cParticlePool& pool, cGfx2D& gfx, const cOrientedBox& view)
{
    if (pool.cullMode == 1)
    {
        if (OrientedBoxOverlapsRect(view, pool.bounds))
            DrawParticlePool(pool, gfx);
    }
    else if (pool.cullMode == 2)
    {
        for (const cParticle* p = pool.head; p != nullptr; p = p->next)
            if (p->delay <= 0 && OrientedBoxDistanceSquared(p->position, view) < 2.0f * p->size * p->size)
                DrawParticle(gfx, *p);
    }
    else
        DrawParticlePool(pool, gfx);
    gfx.SetColour(0xFFFFFFFFu);
    gfx.SetRenderFlagsHigh(1);
}

void SetParticleWind(const cVec2f& wind)
{
    gParticleWind = wind;
}

cVec2f& GetParticleWind()
{
    return gParticleWind;
}
