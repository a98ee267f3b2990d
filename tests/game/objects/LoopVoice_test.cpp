// Looping sounds that share named voices: each keeps a voice of its own, sets the gain of
// no voice but one that still plays it, and starts again when its voice was taken.
// Measured on OpenAL Soft's loopback device with real, looping samples.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/Sound.h"
#include "game/objects/LoopVoice.h"

namespace
{
class LoopVoiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!audio.Ready())
            GTEST_SKIP() << "no loopback device";
    }
    void TearDown() override
    {
        if (audio.Ready())
            audio.manager->StopAllVoices();
        sounds.clear();
    }
    cSoundBuffer* NewSound(const char* fixture = "mono.ogg")
    {
        sounds.push_back(std::make_unique<cSoundBuffer>(audio.manager, 1.0f));
        EXPECT_TRUE(sounds.back()->Load(tvtest::SoundFixture(fixture).string()));
        return sounds.back().get();
    }
    AudioVoice* Voice(int index) { return audio.manager->GetVoice(index); }
    bool Sounds(int index, const cSoundBuffer* sound) { return audio.manager->IsVoiceSounding(index, sound); }

    tvtest::LoopbackAudio audio;
    std::vector<std::unique_ptr<cSoundBuffer>> sounds;
};
} // namespace

TEST_F(LoopVoiceTest, StartsSilentOnItsHomeVoiceOrOnASpareOneWhenAnotherSoundHoldsIt)
{
    cSoundBuffer* air = NewSound();
    cSoundBuffer* fan = NewSound("stereo.ogg");
    LoopVoice fanLoop, airLoop;
    ASSERT_TRUE(fanLoop.Start(17, fan));
    EXPECT_EQ(fanLoop.voice, 17);
    EXPECT_TRUE(Sounds(17, fan));
    EXPECT_FLOAT_EQ(Voice(17)->GetGain(), 0.0f);
    fanLoop.Keep(17, fan, 0.75f);

    // The same home: the first spare voice, and the fan plays on, untouched.
    ASSERT_TRUE(airLoop.Start(17, air));
    EXPECT_EQ(airLoop.voice, kFirstSpareVoice);
    EXPECT_TRUE(Sounds(kFirstSpareVoice, air));
    airLoop.Keep(17, air, 0.5f);
    EXPECT_TRUE(Sounds(17, fan));
    EXPECT_FLOAT_EQ(Voice(17)->GetGain(), 0.75f);
    EXPECT_FLOAT_EQ(Voice(kFirstSpareVoice)->GetGain(), 0.5f);

    // Kept again, each stays where it is (a loop is not restarted while it plays).
    for (int frame = 0; frame < 3; ++frame)
    {
        fanLoop.Keep(17, fan, 0.7f);
        airLoop.Keep(17, air, 0.4f);
        tvtest::RenderLoopback(audio.manager->GetDevice(), tvtest::kLoopbackRate); // 1 s: past both sounds' ends
    }
    EXPECT_EQ(fanLoop.voice, 17);
    EXPECT_EQ(airLoop.voice, kFirstSpareVoice);
    EXPECT_TRUE(Sounds(17, fan)) << "looping";
    EXPECT_FLOAT_EQ(Voice(17)->GetGain(), 0.7f);
    EXPECT_FLOAT_EQ(Voice(kFirstSpareVoice)->GetGain(), 0.4f);
    EXPECT_GT(tvtest::Rms(tvtest::RenderLoopback(audio.manager->GetDevice(), 2048)), 0.05);

    // A loop with no voice named for it, its spare taken: the next free spare.
    cSoundBuffer* barrel = NewSound();
    LoopVoice barrelLoop;
    ASSERT_TRUE(barrelLoop.Start(kFirstSpareVoice, barrel));
    EXPECT_EQ(barrelLoop.voice, kFirstSpareVoice + 1);
}

TEST_F(LoopVoiceTest, LeavesATakenVoiceAloneAndTakesAVoiceBackOnceOneIsFree)
{
    cSoundBuffer* air = NewSound();
    cSoundBuffer* shot = NewSound("stereo.ogg");
    cSoundBuffer* filler = NewSound();
    LoopVoice loop;
    ASSERT_TRUE(loop.Start(15, air));
    // Every spare voice busy, then another sound takes voice 15 at its own gain.
    for (int v = kFirstSpareVoice; v <= kLastSpareVoice; ++v)
        audio.manager->PlayOnVoice(kPlayLoop, v, filler, 0.3f);
    audio.manager->PlayOnVoice(0, 15, shot, 0.9f);
    ASSERT_TRUE(Sounds(15, shot));
    EXPECT_FALSE(loop.Holds());
    loop.Keep(15, air, 0.2f);
    EXPECT_FALSE(loop.Holds()) << "no voice is free";
    EXPECT_EQ(loop.voice, -1);
    EXPECT_TRUE(Sounds(15, shot));
    EXPECT_FLOAT_EQ(Voice(15)->GetGain(), 0.9f) << "the taker keeps its gain";
    for (int v = kFirstSpareVoice; v <= kLastSpareVoice; ++v)
        EXPECT_FLOAT_EQ(Voice(v)->GetGain(), 0.3f) << v;

    // The shot ends: the loop is back on its voice at its gain.
    tvtest::RenderLoopback(audio.manager->GetDevice(), tvtest::kLoopbackRate);
    ASSERT_FALSE(audio.manager->IsVoicePlaying(15));
    loop.Keep(15, air, 0.2f);
    EXPECT_EQ(loop.voice, 15);
    EXPECT_TRUE(Sounds(15, air));
    EXPECT_FLOAT_EQ(Voice(15)->GetGain(), 0.2f);

    // Stopped from outside (the pause menu stops every voice): it starts again.
    audio.manager->StopVoice(15);
    loop.Keep(15, air, 0.25f);
    EXPECT_TRUE(Sounds(15, air));
    EXPECT_FLOAT_EQ(Voice(15)->GetGain(), 0.25f);
}

TEST_F(LoopVoiceTest, StopsOnlyItsOwnSound)
{
    cSoundBuffer* air = NewSound();
    cSoundBuffer* other = NewSound("stereo.ogg");
    LoopVoice loop;
    ASSERT_TRUE(loop.Start(16, air));
    loop.Stop();
    EXPECT_FALSE(audio.manager->IsVoicePlaying(16));
    EXPECT_EQ(loop.voice, -1);

    // Its voice taken, a stop leaves the other sound playing.
    ASSERT_TRUE(loop.Start(16, air));
    audio.manager->PlayOnVoice(kPlayLoop, 16, other, 1.0f);
    loop.Stop();
    EXPECT_TRUE(Sounds(16, other));
    EXPECT_EQ(loop.voice, -1);
}

TEST_F(LoopVoiceTest, PlaysNothingWithoutASoundALiveVoiceOrWhileAllSoundIsPaused)
{
    cSoundBuffer* air = NewSound();
    LoopVoice loop;
    EXPECT_FALSE(loop.Start(15, nullptr));
    loop.Keep(15, nullptr, 1.0f);
    EXPECT_FALSE(audio.manager->IsVoicePlaying(15));

    // Every voice locked: none is free.
    for (int v = 0; v < audio.manager->GetVoiceCount(); ++v)
        Voice(v)->locked = 1;
    EXPECT_FALSE(loop.Start(15, air));
    audio.manager->UnlockAllVoices();

    audio.manager->PauseAll();
    EXPECT_FALSE(loop.Start(15, air));
    EXPECT_FALSE(audio.manager->IsVoicePlaying(15));
    audio.manager->ResumeAll();
    EXPECT_TRUE(loop.Start(15, air));

    // A home voice beyond the manager's voices: a spare one.
    loop.Stop();
    EXPECT_TRUE(loop.Start(99, air));
    EXPECT_EQ(loop.voice, kFirstSpareVoice);
}
