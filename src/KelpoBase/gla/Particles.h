// 2D particles: the particle record, the fixed-capacity particle pool that advances and
// draws its live particles once per tick, and the process-wide wind.
//
// An effect takes fresh particles from a pool (AllocParticle), fills in their start values
// and behaviour parameters, and calls PrepareParticle, which derives the behaviour flags
// from the parameters that are non-zero. Live particles stay in creation order, so later
// particles are drawn on top. All rates are per tick (30 ticks a second).
#pragma once

#include <cstdint>

#include "KelpoBase/core/Pool.h"
#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/Vec2.h"

class cGfx2D;
struct ImageRect;

// Behaviour flags of a particle.
enum : uint32_t
{
    kParticleSpin = 0x1,          // angle += spin (set by PrepareParticle)
    kParticleMove = 0x2,          // wind, velocity, damping and sway (set by PrepareParticle)
    kParticleSizeLerp = 0x4,      // size from start to end over the life (set by PrepareParticle)
    kParticleSizeGrowth = 0x8,    // size += growth, growth damped (set by PrepareParticle)
    kParticleColourOutBack = 0x10, // end to start over the first half of life, back over the second
    kParticleColourHold = 0x20,   // start colour until hold reaches 1, then start to end
    kParticleAlphaFlicker = 0x40, // random alpha variation
    kParticleSizeJitter = 0x80,   // size plus and minus the jitter on alternate ticks
    kParticleSizeIsScale = 0x100, // sizes are scale factors of the image, not half-widths in pixels
    kParticleAnchored = 0x200,    // turns about its origin by its angle
    kParticleAccelerate = 0x400,  // velocity += acceleration, late sway (set by PrepareParticle)
    kParticleFaceVelocity = 0x1000, // the angle follows the velocity's direction
};

// One particle (a plain record; the pool hands them out).
struct cParticle
{
    int32_t delay;        // ticks before the particle lives; neither moved nor drawn while above 0
    float angle;          // radians
    float spin;           // radians per tick
    float sizeStart;
    float sizeEnd;
    float sizeGrowth;     // added per tick (growth mode)
    float growthDamping;  // growth factor per tick
    float size;           // current size (a scale factor once prepared)
    uint32_t colourStart; // cRGBA words
    uint32_t colourEnd;
    float hold;           // colour hold counter
    float holdRate;       // 0: the life rate
    float holdEnd;        // progress at which hold first reached 1
    float progress;       // life, 0 to 1
    uint8_t persistent;   // does not die at progress 1
    float lifeRate;       // progress per tick
    float damping;        // velocity factor per tick
    cVec2f velocity;
    cVec2f position;
    cVec2f origin;        // position at prepare time; centre of anchored particles
    cVec2f acceleration;
    int32_t swayDelay;    // ticks before the late sway starts
    float lateSwayAmplitude, lateSwayPhase, lateSwayDecay, lateSwaySpeed;
    float flipSpeed, flipPhase;
    int32_t flipAxis; // 0: the flip squeezes x, otherwise y
    const ImageRect* image;
    uint32_t colour;
    uint8_t wind;
    float sizeJitter;
    float alphaFlicker;
    float swayAmplitude, swayPhase, swaySpeed, swayDecay;
    int32_t renderMode;  // the 2D context's render-flag high half
    int32_t layerOffset; // added to the draw-order layer while drawn
    uint32_t flags;
    cParticle* next;
};

class cParticlePool
{
public:
    static constexpr uint32_t kDefaultCapacity = 1024;

    cParticlePool();
    cParticlePool(const cParticlePool&) = delete;
    cParticlePool& operator=(const cParticlePool&) = delete;
    ~cParticlePool() = default;

    // Re-creates the record pool with the capacity; every live particle is dropped first.
    void Create(uint32_t capacity);
    // Drops every particle and frees the record pool (capacity 0: nothing can be taken
    // until Create); cull mode 0.
    void Clear();

    uint32_t Used() const { return records.Used(); }
    uint32_t Capacity() const { return records.Capacity(); }

    cParticle* head = nullptr;
    cParticle* tail = nullptr;
    cPool<cParticle> records;
    cRect2f bounds;           // of the live particles, remade by every update
    int32_t cullMode = 0;     // 0 none, 1 the pool's box, 2 per particle by distance
};

// A fresh particle at the tail of the live list, reset; null when the pool is full.
cParticle* AllocParticle(cParticlePool& pool);
// Every field to its default (position, origin, size and colour are left alone).
void ResetParticle(cParticle& particle);
// Called once after the caller has filled the particle: derives the flags, turns pixel
// sizes into scale factors and takes the start values. A particle without an image (or
// with an image of no width) dies at the next update.
void PrepareParticle(cParticle& particle, uint32_t flags);
// One tick of every live particle; dead ones go back to the free stack.
void UpdateParticlePool(cParticlePool& pool);
// Draws every live particle whose delay is over, in list order.
void DrawParticlePool(cParticlePool& pool, cGfx2D& gfx);
// The same with the pool's cull mode applied against the view box; leaves the drawing
// colour opaque white and the render-flag high half 1.
void DrawParticlePoolCulled(cParticlePool& pool, cGfx2D& gfx, const cOrientedBox& view);
void DrawParticle(cGfx2D& gfx, const cParticle& particle);
// Every live particle back to the free stack, in list order; empty list.
void FreeAllParticles(cParticlePool& pool);

void SetParticleWind(const cVec2f& wind);
cVec2f& GetParticleWind();
