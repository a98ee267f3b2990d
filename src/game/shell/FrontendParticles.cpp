#include "game/shell/FrontendParticles.h"

#include <cmath>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/SystemServices.h"

namespace
{
constexpr float kTwoPiF = 6.2831855f;

// A fresh draw of the generator as 0..1.
float R() { return static_cast<float>(RandomNext()) / 32767.0f; }

// The shared set-up of hearts and confetti: the caller sets speed, image, life and scale.
void SetUpBurstParticle(cParticle& p, float x, float y, float speed)
{
    p.position = cVec2f(x, y);
    const float direction = R() * kTwoPiF;
    p.velocity = cVec2f(std::cos(direction) * speed, std::sin(direction) * speed);
    p.damping = 0.9f;
}

void FinishBurstParticle(cParticle& p)
{
    p.delay = 3 + RandomNext() % 10;
    p.acceleration = cVec2f(0.0f, 0.3f + 0.2f * R());
    p.swayDelay = 15;
    p.lateSwayAmplitude = 32.0f + 96.0f * R();
    p.lateSwayDecay = 1.0f;
    p.lateSwaySpeed = 0.005f + 0.005f * R();
    p.flipAxis = RandomNext() & 1;
    p.flipSpeed = 0.005f + 0.055f * R();
    p.angle = kTwoPiF * R();
    p.spin = -0.1f + 0.2f * R();
    p.layerOffset = 3200;
    PrepareParticle(p, kParticleSizeIsScale);
}
} // namespace

void SpawnHeartBurst(cParticlePool& particles, const std::vector<ImageRect*>& heartImages, float x, float y)
{
    for (int i = 0; i < 12; ++i)
    {
        cParticle* p = AllocParticle(particles);
        if (p == nullptr)
            return;
        SetUpBurstParticle(*p, x, y, 12.0f + 36.0f * R());
        p->image = RandomVectorElement(heartImages);
        p->lifeRate = 1.0f / 3000.0f;
        p->sizeStart = p->sizeEnd = 0.26f + 0.5f * R();
        FinishBurstParticle(*p);
    }
}

void SpawnConfettiBurst(cParticlePool& particles, ImageRect* flashImage, const std::vector<ImageRect*>& confettiImages,
                        float x, float y)
{
    cParticle* flash = AllocParticle(particles);
    if (flash == nullptr)
        return;
    flash->image = flashImage;
    flash->position = cVec2f(x, y);
    flash->velocity = cVec2f(0.0f, 0.0f);
    flash->damping = 1.0f;
    flash->sizeStart = 0.0f;
    flash->sizeEnd = 2.5f;
    flash->lifeRate = 1.0f / 6.0f;
    flash->colourStart = 0xFFFFFFFFu;
    flash->colourEnd = 0x00FFFFFFu;
    flash->layerOffset = 1000;
    flash->angle = kTwoPiF * R();
    flash->spin = -0.1f + 0.2f * R();
    PrepareParticle(*flash, kParticleSizeIsScale);

    for (int i = 0; i < 24; ++i)
    {
        cParticle* p = AllocParticle(particles);
        if (p == nullptr)
            return;
        SetUpBurstParticle(*p, x, y, 6.0f + 18.0f * R());
        p->image = RandomVectorElement(confettiImages);
        p->lifeRate = 1.0f / 180.0f;
        p->sizeStart = p->sizeEnd = 0.4f + 0.2f * R();
        FinishBurstParticle(*p);
    }
}

void SpawnFallingFlower(cParticlePool& particles, const std::vector<ImageRect*>& flowerImages)
{
    const float x = RandomFloat(static_cast<float>(GetScreenWidth()));
    cParticle* p = AllocParticle(particles);
    if (p == nullptr)
        return;
    p->position = cVec2f(x, -50.0f);
    p->velocity = cVec2f(0.0f, -5.0f);
    p->damping = 0.9f;
    p->image = RandomVectorElement(flowerImages);
    p->lifeRate = 0.005f;
    p->sizeStart = p->sizeEnd = RandomFloatRange(0.4f, 0.6f);
    p->delay = RandomIntRange(0, 10) + 3;
    p->acceleration = cVec2f(0.0f, RandomFloatRange(0.3f, 0.5f));
    p->swayDelay = 15;
    p->lateSwayAmplitude = RandomFloatRange(32.0f, 128.0f);
    p->lateSwayDecay = 1.0f;
    p->lateSwaySpeed = RandomFloatRange(0.005f, 0.01f);
    p->flipAxis = RandomIntRange(0, 2);
    p->flipSpeed = RandomFloatRange(0.005f, 0.06f);
    p->angle = RandomFloat(kTwoPiF);
    p->spin = RandomFloatRange(-0.1f, 0.1f);
    p->layerOffset = 3200;
    PrepareParticle(*p, kParticleSizeIsScale);
}
