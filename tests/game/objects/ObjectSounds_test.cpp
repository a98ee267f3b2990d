#include "game/objects/ObjectSounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/objects/ObjectTestSupport.h"

using objecttest::LoopbackAudio;
using objecttest::TestObjectLevel;

namespace
{
float VoiceGain(AudioManager* audio, int voice) { return audio->GetVoice(voice)->GetGain(); }
} // namespace

// World sounds take the voices 8, 9, 10, 11 and then 8 again; the capped sound plays at
// most once a frame and even at volume 0; the fading one skips far sounds altogether.
TEST(ObjectSounds, WorldSoundsRotateVoicesAndFade)
{
    LoopbackAudio a;
    if (a.audio == nullptr)
        GTEST_SKIP() << "no loopback device";
    TestObjectLevel level;
    cSound* near = a.NewSound();
    level.worldSounds1 = {near};
    level.worldSounds3 = {a.NewSound()};

    for (int expected : {8, 9, 10, 11, 8})
    {
        a.audio->StopAllVoices();
        PlayPositionalSound(level, cVec2f(0.0f, 0.0f));
        EXPECT_EQ(a.On(expected), near) << expected;
    }
    EXPECT_EQ(level.nextVoice, 9);

    // 24 m = 768 pixels: silent and no voice taken.
    a.audio->StopAllVoices();
    PlayPositionalSound(level, cVec2f(24.0f, 0.0f));
    EXPECT_EQ(level.nextVoice, 9);
    EXPECT_EQ(a.On(9), nullptr);
    // Half way (12 m): volume 0.5.
    PlayPositionalSound(level, cVec2f(0.0f, 12.0f));
    EXPECT_NEAR(VoiceGain(a.audio, 9), 0.5f, 1e-4f);

    // The capped sound: 40 m away plays at volume 0; a second call in the frame does nothing.
    level.frameCounter = 7;
    a.audio->StopAllVoices();
    PlayPositionalSoundAt(level, cVec2f(40.0f, 0.0f));
    EXPECT_EQ(a.On(10), level.worldSounds3[0]);
    EXPECT_FLOAT_EQ(VoiceGain(a.audio, 10), 0.0f);
    PlayPositionalSoundAt(level, cVec2f(0.0f, 0.0f));
    EXPECT_EQ(a.On(11), nullptr);
    EXPECT_EQ(level.nextVoice, 11);
    level.frameCounter = 8;
    PlayPositionalSoundAt(level, cVec2f(0.0f, 0.0f));
    EXPECT_EQ(a.On(11), level.worldSounds3[0]);
}

TEST(ObjectSounds, ImpactVolumeFollowsSpeed)
{
    LoopbackAudio a;
    if (a.audio == nullptr)
        GTEST_SKIP() << "no loopback device";
    TestObjectLevel level;
    level.impactSounds = {a.NewSound()};
    struct Case
    {
        float speed;
        bool plays;
        float gain;
    } cases[] = {{3.0f, false, 0.0f}, {-2.0f, false, 0.0f}, {3.5f, true, 0.25f}, {-3.5f, true, 0.25f},
                 {4.0f, true, 0.5f}, {50.0f, true, 0.5f}};
    for (const Case& c : cases)
    {
        a.audio->StopAllVoices();
        PlayImpactSound(level, c.speed);
        EXPECT_EQ(a.On(kPlayerVoice) != nullptr, c.plays) << c.speed;
        if (c.plays)
        {
            EXPECT_NEAR(VoiceGain(a.audio, kPlayerVoice), c.gain, 1e-4f) << c.speed;
        }
    }
}

TEST(ObjectSounds, SpringChoosesSoftOrLoudAndRespectsPause)
{
    LoopbackAudio a;
    if (a.audio == nullptr)
        GTEST_SKIP() << "no loopback device";
    TestObjectLevel level;
    cSound* soft = a.NewSound();
    cSound* loud = a.NewSound();
    level.springSoftSounds = {soft};
    level.springLoudSounds = {loud};
    const float width = 10.0f; // L = 1024 |s|^2 - 100
    struct Case
    {
        float stretch;
        cSoundBuffer* expected;
    } cases[] = {{0.0f, nullptr}, {164.0f, nullptr}, {200.0f, soft}, {228.0f, soft}, {300.0f, loud}};
    for (const Case& c : cases)
    {
        a.audio->StopAllVoices();
        // Stretch along x with |s|^2 = c.stretch / 1024.
        PlaySpringSound(level, width, cVec2f(), cVec2f(std::sqrt(c.stretch / 1024.0f), 0.0f));
        EXPECT_EQ(a.On(kSpringVoice), c.expected) << c.stretch;
    }
    a.audio->StopAllVoices();
    level.paused = true;
    PlaySpringSound(level, width, cVec2f(), cVec2f(1.0f, 0.0f));
    EXPECT_EQ(a.On(kSpringVoice), nullptr);
    level.paused = false;
    // Out of earshot (24 m).
    PlaySpringSound(level, width, cVec2f(24.0f, 0.0f), cVec2f(1.0f, 0.0f));
    EXPECT_EQ(a.On(kSpringVoice), nullptr);
}

TEST(ObjectSounds, SequenceAdvancesOncePerFrame)
{
    LoopbackAudio a;
    if (a.audio == nullptr)
        GTEST_SKIP() << "no loopback device";
    TestObjectLevel level;
    for (int i = 0; i < 4; ++i)
        level.sequenceSounds.push_back(a.NewSound());
    level.frameCounter = 1;
    PlaySequenceSound(level);
    EXPECT_EQ(a.On(kSequenceVoice), level.sequenceSounds[0]);
    PlaySequenceSound(level); // same frame: the next sound, but no further step
    EXPECT_EQ(a.On(kSequenceVoice), level.sequenceSounds[1]);
    EXPECT_EQ(level.sequenceIndex, 1);
    for (uint32_t f = 2; f <= 4; ++f)
    {
        level.frameCounter = f;
        PlaySequenceSound(level);
    }
    EXPECT_EQ(a.On(kSequenceVoice), level.sequenceSounds[3]);
    EXPECT_EQ(level.sequenceIndex, 0);
}

// Empty lists, no audio manager and non-finite points: nothing plays, nothing breaks, and
// the positional voices keep their turn.
TEST(ObjectSounds, EmptyListsAndBadPointsAreSafe)
{
    TestObjectLevel level;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PlayPositionalSound(level, cVec2f());
    PlayPositionalSound2(level, cVec2f());
    PlayPositionalSoundAt(level, cVec2f(nan, nan));
    PlayImpactSound(level, 100.0f);
    PlaySpringSound(level, 0.0f, cVec2f(), cVec2f(10.0f, 0.0f));
    PlaySequenceSound(level);
    EXPECT_EQ(level.nextVoice, 11);
    PlayPositionalSound(level, cVec2f(nan, 0.0f));
    EXPECT_EQ(level.nextVoice, 11);

    LoopbackAudio a;
    if (a.audio == nullptr)
        return;
    level.frameCounter = 5;
    PlayPositionalSound(level, cVec2f());
    PlayPositionalSoundAt(level, cVec2f());
    PlaySequenceSound(level);
    EXPECT_EQ(level.nextVoice, 9);
    // A counter set out of range starts again at 8.
    level.nextVoice = 40;
    EXPECT_EQ(TakeWorldVoice(level), 8);
}
