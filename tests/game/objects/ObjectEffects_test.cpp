#include "game/objects/ObjectEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/objects/ObjectSounds.h"
#include "game/objects/ObjectTestSupport.h"

using objecttest::Images;
using objecttest::LoopbackAudio;
using objecttest::TestObjectLevel;

namespace
{
void FillImages(TestObjectLevel& level, Images& images)
{
    level.effectImages = images.List(5);
    for (ImageList* list : {&level.barrelPieces, &level.rainDropParts, &level.dust, &level.ropePieces,
                            &level.beanPieces, &level.sparks, &level.invaderColours, &level.waterCloudParts,
                            &level.hearts, &level.dynamiteImages, &level.sawPieces, &level.lavaPieces,
                            &level.fireImages, &level.rocks, &level.waterCloudFlash})
        *list = images.List(4);
}

bool AllFinite(const cParticlePool& pool)
{
    for (const cParticle* p = pool.head; p != nullptr; p = p->next)
        if (!std::isfinite(p->position.x) || !std::isfinite(p->position.y) || !std::isfinite(p->velocity.x) ||
            !std::isfinite(p->velocity.y))
            return false;
    return true;
}
} // namespace

// Each break effect fills the pool with its row's particles; unlisted types do nothing.
TEST(ObjectEffects, BurstCountsByType)
{
    Images images;
    struct Case
    {
        int type;
        uint32_t particles;
    } cases[] = {{1, 21},  {2, 10}, {3, 20}, {4, 11},  {5, 13 + 2}, {6, 0},  {7, 0},  {8, 21},  {9, 16},
                 {12, 16}, {13, 6}, {14, 0}, {15, 21}, {16, 16},     {17, 33}, {18, 21}, {19, 0}, {31, 21},
                 {33, 2 + 1 + 2},   {34, 2 + 20 + 1 + 2},            {35, 0}, {-1, 0}};
    for (const Case& c : cases)
    {
        TestObjectLevel level;
        FillImages(level, images);
        SpawnBurstEffect(level, c.type, cVec2f(100.0f, 50.0f), cVec2f(3.0f, -2.0f));
        EXPECT_EQ(level.pool.Used(), c.particles) << "type " << c.type;
        EXPECT_TRUE(AllFinite(level.pool));
    }
}

// The flash is entry 5 of the effect images and fades out over six ticks.
TEST(ObjectEffects, FlashAndDebrisValues)
{
    Images images;
    TestObjectLevel level;
    FillImages(level, images);
    SpawnBurstEffect(level, 1, cVec2f(10.0f, 20.0f), cVec2f());
    const cParticle* flash = level.pool.head;
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->image, level.effectImages[4]);
    EXPECT_FLOAT_EQ(flash->lifeRate, 1.0f / 6.0f);
    EXPECT_EQ(flash->colourStart >> 24, 255u);
    EXPECT_EQ(flash->colourEnd >> 24, 0u);
    EXPECT_EQ(flash->layerOffset, 3600);
    const cParticle* piece = flash->next;
    ASSERT_NE(piece, nullptr);
    const float speed = piece->velocity.Length();
    EXPECT_GE(speed, 6.0f - 1e-3f);
    EXPECT_LE(speed, 16.0f + 1e-3f);
    EXPECT_FLOAT_EQ(piece->acceleration.y, 0.5f);
    EXPECT_FLOAT_EQ(piece->damping, 0.95f);
    EXPECT_EQ(piece->position, cVec2f(10.0f, 20.0f));

    // The ring of the rain drop: ten directions 36 degrees apart.
    TestObjectLevel ring;
    FillImages(ring, images);
    SpawnBurstEffect(ring, 2, cVec2f(), cVec2f());
    const cParticle* first = ring.pool.head;
    const cParticle* second = first->next;
    const float cosine = first->velocity.Dot(second->velocity) / (first->velocity.Length() * second->velocity.Length());
    EXPECT_NEAR(cosine, std::cos(36.0f * 3.14159265f / 180.0f), 1e-4f);
}

// A full pool gives fewer particles; the sound still plays. Far effects make particles but
// no sound, and the voice stays. Four heard effects take voices 8 to 11, the fifth 8.
TEST(ObjectEffects, PoolLimitDistanceAndVoices)
{
    LoopbackAudio a;
    Images images;
    TestObjectLevel level(5);
    FillImages(level, images);
    if (a.audio != nullptr)
        level.barrelSounds = {a.NewSound()};
    SpawnBurstEffect(level, 1, cVec2f(), cVec2f());
    EXPECT_EQ(level.pool.Used(), 5u);
    EXPECT_EQ(level.nextVoice, 9);
    if (a.audio != nullptr)
    {
        EXPECT_EQ(a.On(8), level.barrelSounds[0]);
    }

    TestObjectLevel far;
    FillImages(far, images);
    far.barrelSounds = level.barrelSounds;
    SpawnBurstEffect(far, 1, cVec2f(1024.0f, 0.0f), cVec2f());
    EXPECT_EQ(far.pool.Used(), 21u);
    EXPECT_EQ(far.nextVoice, 8);

    for (int expected : {8, 9, 10, 11, 8})
    {
        if (a.audio != nullptr)
            a.audio->StopAllVoices();
        SpawnBurstEffect(far, 1, cVec2f(0.0f, 100.0f), cVec2f());
        if (a.audio != nullptr)
        {
            EXPECT_EQ(a.On(expected), level.barrelSounds[0]) << expected;
        }
    }
}

// Ambient loops start once per level, silent and looping, and keep the loudest request;
// the quiet flag holds back the water and wind loops.
TEST(ObjectEffects, AmbientLoops)
{
    LoopbackAudio a;
    TestObjectLevel level;
    cSound* loop = a.audio != nullptr ? a.NewSound() : nullptr;
    level.ambient[20].sound = loop;
    ObjectAmbientEffect(level, 20, cVec2f(512.0f, 0.0f)); // d = 512 over 1024
    EXPECT_TRUE(level.ambient[20].started);
    EXPECT_NEAR(level.ambient[20].volume, 0.5f, 1e-5f);
    ObjectAmbientEffect(level, 20, cVec2f(2000.0f, 0.0f));
    EXPECT_NEAR(level.ambient[20].volume, 0.5f, 1e-5f);
    ObjectAmbientEffect(level, 20, cVec2f(0.0f, 0.0f));
    EXPECT_NEAR(level.ambient[20].volume, 1.0f, 1e-5f);
    if (a.audio != nullptr)
    {
        EXPECT_EQ(a.On(17), loop);
        EXPECT_FLOAT_EQ(a.audio->GetVoice(17)->GetGain(), 0.0f);
    }
    level.quietAmbientLoops = true;
    ObjectAmbientEffect(level, 19, cVec2f());
    EXPECT_FALSE(level.ambient[19].started);
    level.quietAmbientLoops = false;
    ObjectAmbientEffect(level, 19, cVec2f());
    EXPECT_TRUE(level.ambient[19].started);

    // The rolling loop of type 1 follows hits above 0.1; a soft touch does nothing.
    SpawnHitEffect(level, 1, cVec2f(), 0.05f);
    EXPECT_FALSE(level.ambient[1].started);
    SpawnHitEffect(level, 1, cVec2f(256.0f, 0.0f), 0.5f);
    EXPECT_TRUE(level.ambient[1].started);
    EXPECT_NEAR(level.ambient[1].volume, 0.5f, 1e-5f);
}

TEST(ObjectEffects, HitContactAndDust)
{
    Images images;
    TestObjectLevel level;
    FillImages(level, images);
    SpawnHitEffect(level, 1, cVec2f(), 5.0f);
    EXPECT_EQ(level.pool.Used(), 0u);
    SpawnHitEffect(level, 1, cVec2f(), 11.0f); // 6 splinters and a dust puff
    EXPECT_EQ(level.pool.Used(), 7u);
    SpawnHitEffect(level, 7, cVec2f(), 11.0f); // splinters only
    EXPECT_EQ(level.pool.Used(), 13u);
    SpawnHitEffect(level, 2, cVec2f(), 100.0f);
    EXPECT_EQ(level.pool.Used(), 13u);

    level.pool.Create(1024);
    SpawnContactEffect(level, 1, cVec2f(5.0f, 5.0f));
    EXPECT_EQ(level.pool.Used(), 2u);
    for (const cParticle* p = level.pool.head; p != nullptr; p = p->next)
        EXPECT_LE((p->position - cVec2f(5.0f, 5.0f)).Length(), 2.0f + 1e-4f);
    SpawnContactEffect(level, 15, cVec2f());
    SpawnContactEffect(level, 16, cVec2f());
    SpawnContactEffect(level, 4, cVec2f());
    EXPECT_EQ(level.pool.Used(), 18u);

    level.pool.Create(1024);
    SpawnDustPuff(level, cVec2f(), 0.5f);
    EXPECT_GE(level.pool.Used(), 8u);
    EXPECT_LE(level.pool.Used(), 12u);
    EXPECT_EQ(level.pool.head->colourStart >> 24, 127u);
    EXPECT_EQ(level.pool.head->colourEnd >> 24, 127u);

    // Damage smoke grows with the damage, up to four puffs; none without damage.
    for (auto [damage, puffs] : {std::pair{0, 0u}, {-3, 0u}, {2, 2u}, {10, 4u}})
    {
        level.pool.Create(1024);
        SpawnDamageSmoke(level, cVec2f(), damage);
        EXPECT_EQ(level.pool.Used(), puffs) << damage;
    }
}

// No pool, no images, empty sound lists and NaN positions: nothing breaks.
TEST(ObjectEffects, MissingResourcesAreSafe)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TestObjectLevel bare;
    for (int type = -2; type < 40; ++type)
    {
        SpawnBurstEffect(bare, type, cVec2f(nan, 0.0f), cVec2f(nan, nan));
        ObjectAmbientEffect(bare, type, cVec2f(nan, nan));
        SpawnHitEffect(bare, type, cVec2f(), 20.0f);
        SpawnContactEffect(bare, type, cVec2f());
    }
    EXPECT_EQ(bare.pool.Used(), 0u);
    bare.particles = nullptr;
    Images images;
    FillImages(bare, images);
    SpawnBurstEffect(bare, 1, cVec2f(), cVec2f());
    SpawnDustPuff(bare, cVec2f(), 0.0f);
}
