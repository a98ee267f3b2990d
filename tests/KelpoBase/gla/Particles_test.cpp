// The particle pool (capacity, delays, lives, persistence, colour hold, sizes, degenerate
// values) and the particle-emitter controller (rates and carry, the shared pool, a full
// pool, emitters without images or lives).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GlaControllerFixtures.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/render/TextureAtlas.h"

using namespace glatest;

namespace
{
ImageRect MakeImage(int32_t w, int32_t h)
{
    ImageRect r;
    r.w = w;
    r.h = h;
    return r;
}

size_t LiveCount(const cParticlePool& pool)
{
    size_t n = 0;
    for (const cParticle* p = pool.head; p != nullptr; p = p->next)
        ++n;
    return n;
}
} // namespace

TEST(Particles, PoolStopsAtCapacityAndFreesEverything)
{
    cParticlePool pool;
    EXPECT_EQ(pool.Capacity(), 1024u);
    std::vector<cParticle*> taken;
    for (int i = 0; i < 1024; ++i)
    {
        cParticle* p = AllocParticle(pool);
        ASSERT_NE(p, nullptr);
        taken.push_back(p);
    }
    EXPECT_EQ(AllocParticle(pool), nullptr);
    EXPECT_EQ(pool.Used(), 1024u);
    EXPECT_EQ(pool.head, taken.front());
    EXPECT_EQ(pool.tail, taken.back());
    EXPECT_EQ(LiveCount(pool), 1024u);

    FreeAllParticles(pool);
    EXPECT_EQ(pool.Used(), 0u);
    EXPECT_EQ(pool.head, nullptr);
    EXPECT_EQ(pool.tail, nullptr);
    EXPECT_NE(AllocParticle(pool), nullptr);

    pool.Create(256);
    EXPECT_EQ(pool.Capacity(), 256u);
    EXPECT_EQ(pool.head, nullptr);
    pool.Clear();
    EXPECT_EQ(AllocParticle(pool), nullptr); // nothing to take until re-created
    UpdateParticlePool(pool);
}

TEST(Particles, DelayLifeAndPersistence)
{
    ImageRect image = MakeImage(64, 64);
    cParticlePool pool;

    cParticle* delayed = AllocParticle(pool);
    delayed->image = &image;
    delayed->position = cVec2f(0.0f, 0.0f);
    delayed->velocity = cVec2f(1.0f, 0.0f);
    delayed->damping = 1.0f;
    delayed->delay = 3;
    PrepareParticle(*delayed, 0);
    EXPECT_EQ(delayed->flags & kParticleMove, kParticleMove);

    cParticle* brief = AllocParticle(pool);
    brief->image = &image;
    brief->lifeRate = 0.25f;
    PrepareParticle(*brief, 0);

    cParticle* lasting = AllocParticle(pool);
    lasting->image = &image;
    lasting->lifeRate = 0.5f;
    lasting->persistent = 1;
    PrepareParticle(*lasting, 0);

    UpdateParticlePool(pool);
    UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(delayed->position.x, 0.0f);
    UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(delayed->position.x, 1.0f);
    EXPECT_EQ(pool.Used(), 3u);
    UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(brief->progress, 1.0f); // reached on the fourth update ...
    EXPECT_EQ(pool.Used(), 3u);
    UpdateParticlePool(pool);
    EXPECT_EQ(pool.Used(), 2u); // ... removed by the fifth
    EXPECT_EQ(LiveCount(pool), 2u);

    for (int i = 0; i < 10; ++i)
        UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(lasting->progress, 1.0f);
    EXPECT_EQ(pool.tail, lasting);
    FreeAllParticles(pool);
    EXPECT_EQ(pool.Used(), 0u);
}

TEST(Particles, SizesColoursAndBounds)
{
    ImageRect image = MakeImage(64, 64);
    cParticlePool pool;

    cParticle* sized = AllocParticle(pool);
    sized->image = &image;
    sized->sizeStart = 32.0f;
    sized->sizeEnd = 32.0f;
    sized->position = cVec2f(100.0f, 50.0f);
    PrepareParticle(*sized, 0);
    EXPECT_FLOAT_EQ(sized->size, 1.0f); // half-width 32 on a 64-pixel image

    cParticle* scaled = AllocParticle(pool);
    scaled->image = &image;
    scaled->sizeStart = 2.0f;
    scaled->sizeEnd = 4.0f;
    scaled->lifeRate = 0.5f;
    scaled->position = cVec2f(-20.0f, 10.0f);
    PrepareParticle(*scaled, kParticleSizeIsScale);
    EXPECT_EQ(scaled->flags & kParticleSizeLerp, kParticleSizeLerp);

    // Held colour with hold rate 0: hold follows the life, so the start colour stays.
    cParticle* held = AllocParticle(pool);
    held->image = &image;
    held->colourStart = 0xFF0000FFu;
    held->colourEnd = 0x00FF0000u;
    held->lifeRate = 0.25f;
    held->position = cVec2f(0.0f, 20.0f);
    PrepareParticle(*held, kParticleColourHold);
    EXPECT_FLOAT_EQ(held->holdRate, 0.25f);

    UpdateParticlePool(pool);
    EXPECT_EQ(held->colour, 0xFF0000FFu);
    EXPECT_FLOAT_EQ(scaled->size, 2.0f);
    // The bounds hold both positions, grown by the largest size.
    EXPECT_FLOAT_EQ(pool.bounds.minX, -20.0f - 2.0f);
    EXPECT_FLOAT_EQ(pool.bounds.maxX, 100.0f + 2.0f);
    EXPECT_FLOAT_EQ(pool.bounds.minY, 10.0f - 2.0f);
    UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(scaled->size, 3.0f);
    UpdateParticlePool(pool);
    UpdateParticlePool(pool);
    EXPECT_EQ(held->colour, 0xFF0000FFu);

    // An empty pool keeps an empty box.
    FreeAllParticles(pool);
    UpdateParticlePool(pool);
    EXPECT_GT(pool.bounds.minX, pool.bounds.maxX);
}

TEST(Particles, DegenerateParticlesDieOrStayFinite)
{
    ImageRect wide = MakeImage(64, 64);
    ImageRect empty = MakeImage(0, 0);
    cParticlePool pool;

    cParticle* noImage = AllocParticle(pool);
    PrepareParticle(*noImage, 0);
    cParticle* zeroWidth = AllocParticle(pool);
    zeroWidth->image = &empty;
    zeroWidth->sizeStart = 8.0f;
    PrepareParticle(*zeroWidth, 0);

    // Facing a velocity of zero, jitter and flicker with a life rate of zero.
    cParticle* still = AllocParticle(pool);
    still->image = &wide;
    still->angle = 0.5f;
    still->sizeJitter = 0.1f;
    still->alphaFlicker = 0.5f;
    still->persistent = 1;
    PrepareParticle(*still, kParticleFaceVelocity | kParticleSizeJitter | kParticleAlphaFlicker);

    UpdateParticlePool(pool);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_EQ(pool.head, still);
    UpdateParticlePool(pool);
    EXPECT_FLOAT_EQ(still->angle, 0.5f);
    EXPECT_TRUE(std::isfinite(still->size));

    // Facing a real velocity: (1, 0) on a y-down screen is a quarter turn from up.
    still->velocity = cVec2f(1.0f, 0.0f);
    still->damping = 1.0f;
    still->flags |= kParticleMove;
    UpdateParticlePool(pool);
    EXPECT_NEAR(still->angle, 1.5707964f, 1e-2f);
    still->velocity = cVec2f(-1.0f, 0.0f);
    UpdateParticlePool(pool);
    EXPECT_NEAR(still->angle, 3.0f * 1.5707964f, 1e-2f);
}

namespace
{
struct EmitterScene
{
    EmitterScene()
    {
        image = MakeImage(16, 16);
        main = s.AddScene("Main", 1);
        nested = s.AddScene("Nested", 1);
        emitter = AddEmitter(main, "emitter", 0.25f);
        AddSceneElement(main, "child", nested);
        inner = AddEmitter(nested, "inner", 0.0f);
    }

    cGlaElementParticleEmiter* AddEmitter(cGlaScene* scene, const std::string& name, float rate)
    {
        auto* e = AddElement<cGlaElementParticleEmiter>(scene, kGlaParticleEmiter, name);
        e->visible.AddKey(true);
        e->position.AddKey(cVec2f(50.0f, 60.0f));
        e->emitterFloat.AddKey(rate);
        e->images.push_back(&image);
        e->settings.lifeTicks = 1000;
        e->settings.sizeStart = 8.0f;
        e->settings.sizeEnd = 8.0f;
        e->settings.speed = 2.0f;
        e->settings.colourStart = 0xFFFFFFFFu;
        return e;
    }

    SceneSet s;
    ImageRect image;
    cGlaScene* main = nullptr;
    cGlaScene* nested = nullptr;
    cGlaElementParticleEmiter* emitter = nullptr;
    cGlaElementParticleEmiter* inner = nullptr;
};
} // namespace

TEST(Particles, EmittersShareTheTopPoolAndKeepTheirCarry)
{
    EmitterScene f;
    cGlaControllerScene c(f.main);
    auto* outer = ClassCast<cGlaControllerParticleEmiter>(c.FindController("emitter"));
    auto* inner = ClassCast<cGlaControllerParticleEmiter>(c.FindController("inner"));
    ASSERT_NE(outer, nullptr);
    ASSERT_NE(inner, nullptr);
    ASSERT_NE(c.PeekParticlePool(), nullptr);
    EXPECT_EQ(outer->pool, c.PeekParticlePool());
    EXPECT_EQ(inner->pool, c.PeekParticlePool());
    cGlaControllerScene* child = c.nestedScenes[0]->GetNestedScene();
    EXPECT_EQ(child->PeekParticlePool(), nullptr);

    // Rate 0.25: one particle every fourth tick.
    std::vector<uint32_t> used;
    for (int i = 0; i < 8; ++i)
    {
        c.Update();
        used.push_back(c.PeekParticlePool()->Used());
    }
    EXPECT_EQ(used, (std::vector<uint32_t>{0, 0, 0, 1, 1, 1, 1, 2}));
    const cParticle* first = c.PeekParticlePool()->head;
    EXPECT_FLOAT_EQ(first->lifeRate, 1.0f / 1000.0f);
    EXPECT_NEAR(first->position.y, 60.0f - 2.0f * 4.0f, 1e-3f); // moving up at 2 a tick
    EXPECT_FLOAT_EQ(first->size, 1.0f); // half-width 8 on a 16-pixel image

    // Rate 2.5: 2, 3, 2, 3 ...
    outer->rate = 2.5f;
    outer->carry = 0.0f;
    std::vector<uint32_t> added;
    for (int i = 0; i < 4; ++i)
    {
        const uint32_t before = c.PeekParticlePool()->Used();
        c.Update();
        added.push_back(c.PeekParticlePool()->Used() - before);
    }
    EXPECT_EQ(added, (std::vector<uint32_t>{2, 3, 2, 3}));

    // Hidden: nothing, and the carry is forgotten.
    outer->rate = 0.5f;
    outer->carry = 0.0f;
    c.Update();
    EXPECT_FLOAT_EQ(outer->carry, 0.5f);
    outer->visible = false;
    const uint32_t before = c.PeekParticlePool()->Used();
    c.Update();
    EXPECT_EQ(c.PeekParticlePool()->Used(), before);
    EXPECT_FLOAT_EQ(outer->carry, 0.0f);
}

TEST(Particles, EmittersStopAtCapacityAndSurviveBadSettings)
{
    EmitterScene f;
    f.emitter->emitterFloat.keys.clear();
    f.emitter->emitterFloat.AddKey(300.0f);
    cGlaControllerScene c(f.main);
    for (int i = 0; i < 5; ++i)
        c.Update();
    EXPECT_EQ(c.PeekParticlePool()->Used(), 1024u);
    auto* outer = ClassCast<cGlaControllerParticleEmiter>(c.FindController("emitter"));
    outer->rate = 1e30f; // far beyond the pool: the tick still ends
    c.Update();
    EXPECT_EQ(c.PeekParticlePool()->Used(), 1024u);

    // No images, a life of 0 ticks and a range that would make it negative.
    EmitterScene g;
    g.emitter->images.clear();
    g.inner->settings.lifeTicks = 0;
    g.inner->settings.ranges[5] = {-5.0f, -5.0f};
    g.inner->emitterFloat.keys.clear();
    g.inner->emitterFloat.AddKey(1.0f);
    cGlaControllerScene d(g.main);
    for (int i = 0; i < 4; ++i)
        d.Update();
    // The imageless particles die at their first update; the short-lived ones live one tick.
    for (const cParticle* p = d.PeekParticlePool()->head; p != nullptr; p = p->next)
    {
        if (p->image == nullptr)
            EXPECT_FLOAT_EQ(p->progress, 1.0f);
        else
            EXPECT_FLOAT_EQ(p->lifeRate, 1.0f);
    }
    EXPECT_LE(d.PeekParticlePool()->Used(), 3u);
}
