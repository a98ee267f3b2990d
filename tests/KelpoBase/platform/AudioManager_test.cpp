// The audio manager on OpenAL Soft's loopback device: what plays is rendered and measured.
#include <gtest/gtest.h>

#include <AL/al.h>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Sound.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "host/music/MediaControl.h"

namespace
{
class AudioManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
        manager = CreateAudioManager();
        ASSERT_TRUE(manager->IsEnabled());
        tone = std::make_unique<cSoundBuffer>(manager, 1.0f);
        ASSERT_TRUE(tone->Load(tvtest::SoundFixture("mono.ogg").string()));
    }
    void TearDown() override
    {
        tone.reset();
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
        MediaShutdown();
    }
    double RenderRms(int frames = 2048) { return tvtest::Rms(tvtest::RenderLoopback(manager->GetDevice(), frames)); }
    float ListenerGain()
    {
        ALfloat g = -1.0f;
        alGetListenerf(AL_GAIN, &g);
        return g;
    }

    AudioManager* manager = nullptr;
    std::unique_ptr<cSoundBuffer> tone;
};

TEST_F(AudioManagerTest, StartsWith32VoicesAndDefaults)
{
    EXPECT_EQ(gAudioManager, manager);
    EXPECT_EQ(manager->GetVoiceCount(), 32);
    EXPECT_FLOAT_EQ(manager->GetSoundVolume(), 1.0f);
    EXPECT_FLOAT_EQ(manager->GetMusicVolume(), 1.0f);
    EXPECT_FLOAT_EQ(manager->GetMaxDistance(), 100.0f);
    ALint model = 0;
    model = alGetInteger(AL_DISTANCE_MODEL);
    EXPECT_EQ(model, AL_LINEAR_DISTANCE_CLAMPED);
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(manager->IsVoiceFree(i)) << i;
}

TEST_F(AudioManagerTest, ToneIsHeardUntilStopped)
{
    EXPECT_EQ(RenderRms(), 0.0);
    manager->PlayOnVoice(0, 3, tone.get(), 1.0f);
    EXPECT_TRUE(manager->IsVoicePlaying(3));
    double playing = RenderRms();
    EXPECT_GT(playing, 0.1);
    manager->StopVoice(3);
    EXPECT_FALSE(manager->IsVoicePlaying(3));
    EXPECT_EQ(manager->GetVoice(3)->currentSound, nullptr);
    EXPECT_EQ(RenderRms(), 0.0);
    // A non-looping sound ends by itself (0.5 s of samples).
    manager->PlayOnVoice(0, 3, tone.get(), 1.0f);
    tvtest::RenderLoopback(manager->GetDevice(), tvtest::kLoopbackRate);
    EXPECT_FALSE(manager->IsVoicePlaying(3));
    EXPECT_TRUE(manager->IsVoiceFree(3));
}

TEST_F(AudioManagerTest, SoundVolumeIsAppliedSquaredAsListenerGain)
{
    struct Case
    {
        float set, stored, gain;
    };
    const Case cases[] = {{0.5f, 0.5f, 0.25f}, {2.0f, 1.0f, 1.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}};
    for (const Case& c : cases)
    {
        manager->SetSoundVolume(c.set);
        EXPECT_FLOAT_EQ(manager->GetSoundVolume(), c.stored) << c.set;
        EXPECT_FLOAT_EQ(ListenerGain(), c.gain) << c.set;
    }
    // What is heard follows: half the volume is a quarter of the amplitude.
    manager->PlayOnVoice(kPlayLoop, 0, tone.get(), 1.0f);
    manager->SetSoundVolume(1.0f);
    tvtest::RenderLoopback(manager->GetDevice(), 4096); // let the gain settle
    double full = RenderRms(8192);
    manager->SetSoundVolume(0.5f);
    tvtest::RenderLoopback(manager->GetDevice(), 4096);
    double half = RenderRms(8192);
    ASSERT_GT(full, 0.05);
    EXPECT_NEAR(half / full, 0.25, 0.02);
}

TEST_F(AudioManagerTest, PlayAppliesSoundGainTimesVolumeAndReplacesTheVoice)
{
    cSoundBuffer other(manager, 0.5f);
    ASSERT_TRUE(other.Load(tvtest::SoundFixture("stereo.ogg").string()));
    manager->PlayOnVoice(0, 5, tone.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 5, &other, 0.8f, 1.5f);
    AudioVoice* voice = manager->GetVoice(5);
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(voice->currentSound, &other);
    EXPECT_NEAR(voice->GetGain(), 0.4f, 1e-6);
    ALint looping = 0, buffer = 0, relative = 0;
    alGetSourcei(voice->source, AL_LOOPING, &looping);
    alGetSourcei(voice->source, AL_BUFFER, &buffer);
    alGetSourcei(voice->source, AL_SOURCE_RELATIVE, &relative);
    ALfloat pitch = 0.0f;
    alGetSourcef(voice->source, AL_PITCH, &pitch);
    EXPECT_EQ(looping, AL_TRUE);
    EXPECT_EQ(static_cast<ALuint>(buffer), other.GetBuffer());
    EXPECT_EQ(relative, AL_TRUE);
    EXPECT_FLOAT_EQ(pitch, 1.5f);
    EXPECT_EQ(voice->priority, 0);
    manager->PlayOnVoice(kPlayKeep, 5, &other, 1.0f);
    EXPECT_EQ(voice->priority, kKeepPriority);
    // A looping sound is still playing after twice its length.
    manager->PlayOnVoice(kPlayLoop, 6, tone.get(), 1.0f);
    tvtest::RenderLoopback(manager->GetDevice(), tvtest::kLoopbackRate);
    EXPECT_TRUE(manager->IsVoicePlaying(6));
}

// A voice sounds a sound while that sound is on it, playing or paused; not once it has
// ended, been stopped or been replaced, nor on a bad index or with no sound.
TEST_F(AudioManagerTest, VoiceSoundsItsSoundUntilItEndsIsStoppedOrReplaced)
{
    cSoundBuffer other(manager, 1.0f);
    ASSERT_TRUE(other.Load(tvtest::SoundFixture("stereo.ogg").string()));
    EXPECT_FALSE(manager->IsVoiceSounding(4, tone.get())) << "never played";
    manager->PlayOnVoice(0, 4, tone.get(), 1.0f);
    EXPECT_TRUE(manager->IsVoiceSounding(4, tone.get()));
    EXPECT_FALSE(manager->IsVoiceSounding(4, &other));
    manager->PauseVoice(4);
    EXPECT_TRUE(manager->IsVoiceSounding(4, tone.get())) << "paused";
    manager->ResumeVoice(4);
    tvtest::RenderLoopback(manager->GetDevice(), tvtest::kLoopbackRate); // 0.5 s of samples: over
    EXPECT_EQ(manager->GetVoice(4)->currentSound, tone.get());
    EXPECT_FALSE(manager->IsVoiceSounding(4, tone.get())) << "ended";

    manager->PlayOnVoice(kPlayLoop, 4, tone.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 4, &other, 1.0f);
    EXPECT_FALSE(manager->IsVoiceSounding(4, tone.get())) << "replaced";
    EXPECT_TRUE(manager->IsVoiceSounding(4, &other));
    manager->StopVoice(4);
    EXPECT_FALSE(manager->IsVoiceSounding(4, &other)) << "stopped";
    for (int index : {-1, 32, 1000})
        EXPECT_FALSE(manager->IsVoiceSounding(index, tone.get())) << index;
    EXPECT_FALSE(manager->IsVoiceSounding(4, nullptr));
}

TEST_F(AudioManagerTest, BadIndicesNullSoundsAndLockedVoicesDoNothing)
{
    const int bad[] = {-1, -32, 32, 1000};
    for (int index : bad)
    {
        manager->PlayOnVoice(0, index, tone.get(), 1.0f);
        manager->PlayPositionalOnVoice(0, index, tone.get(), cVec3f{1, 2, 3}, cVec3f{}, 1.0f);
        manager->SetVoiceGain(index, 0.5f);
        manager->SetVoicePitch(index, 2.0f);
        manager->StopVoice(index);
        manager->PauseVoice(index);
        manager->ResumeVoice(index);
        EXPECT_EQ(manager->GetVoice(index), nullptr) << index;
        EXPECT_FALSE(manager->IsVoicePlaying(index)) << index;
        EXPECT_FALSE(manager->IsVoiceFree(index)) << index;
    }
    manager->PlayOnVoice(0, 0, nullptr, 1.0f);
    EXPECT_FALSE(manager->IsVoicePlaying(0));
    manager->GetVoice(1)->locked = 1;
    manager->PlayOnVoice(0, 1, tone.get(), 1.0f);
    EXPECT_FALSE(manager->IsVoicePlaying(1));
    EXPECT_FALSE(manager->IsVoiceFree(1));
    manager->UnlockAllVoices();
    EXPECT_TRUE(manager->IsVoiceFree(1));
    EXPECT_EQ(RenderRms(), 0.0);
}

// Voice choice: a free voice first; else the voice furthest through its sound among
// those whose priority allows it, a higher priority after a lower one being passed over.
TEST_F(AudioManagerTest, FindVoiceStealsTheVoiceFurthestThrough)
{
    // Only voices 0 to 2 take part.
    for (int i = 3; i < 32; ++i)
        manager->GetVoice(i)->locked = 1;
    EXPECT_EQ(manager->FindVoice(tone.get(), 0), manager->GetVoice(0));

    const uint32_t size = tone->GetByteSize();
    ASSERT_EQ(size, 22050u);
    struct Case
    {
        int keepVoice;  // voice played with the keep flag, -1 for none
        int flags;      // flags of the sound looking for a voice
        int expected;   // voice index chosen, -1 for none
    };
    const Case cases[] = {
        {-1, 0, 1},          // 30 %, 80 %, 50 %: the second
        {1, 0, 2},           // the second is kept: the third
        {1, kPlayKeep, 2},   // kept voice after a lower-priority candidate: passed over
        {0, 0, 1},           // the first kept, others at 0: still the second
    };
    const float progress[3] = {0.3f, 0.8f, 0.5f};
    for (const Case& c : cases)
    {
        for (int i = 0; i < 3; ++i)
        {
            manager->PlayOnVoice(i == c.keepVoice ? kPlayKeep : 0, i, tone.get(), 1.0f);
            // Whole samples of 2 bytes.
            alSourcei(manager->GetVoice(i)->source, AL_BYTE_OFFSET, static_cast<ALint>(size * progress[i]) & ~1);
        }
        EXPECT_NEAR(manager->GetVoice(1)->GetProgress(), 0.8f, 0.01f);
        AudioVoice* chosen = manager->FindVoice(tone.get(), c.flags);
        AudioVoice* expected = c.expected < 0 ? nullptr : manager->GetVoice(c.expected);
        EXPECT_EQ(chosen, expected) << "keep " << c.keepVoice << " flags " << c.flags;
        if (chosen != nullptr)
        {
            EXPECT_FALSE(chosen->IsPlaying());
            EXPECT_EQ(chosen->currentSound, nullptr);
        }
    }

    // Every voice kept: a sound of priority 0 finds none.
    for (int i = 0; i < 3; ++i)
        manager->PlayOnVoice(kPlayKeep | kPlayLoop, i, tone.get(), 1.0f);
    EXPECT_EQ(manager->FindVoice(tone.get(), 0), nullptr);
    // Reuse finds the voice that holds the sound, whatever its state.
    cSoundBuffer other(manager, 1.0f);
    ASSERT_TRUE(other.Load(tvtest::SoundFixture("stereo.ogg").string()));
    manager->PlayOnVoice(kPlayKeep, 2, &other, 1.0f);
    EXPECT_EQ(manager->FindVoice(&other, kPlayReuse), manager->GetVoice(2));
    // PlaySound takes the voice and sets its priority.
    manager->StopVoice(0);
    AudioVoice* voice = manager->PlaySound(0, &other, 1.0f);
    EXPECT_EQ(voice, manager->GetVoice(0));
    EXPECT_TRUE(voice->IsPlaying());
}

TEST_F(AudioManagerTest, ProgressOfAnEmptyBufferIsWhole)
{
    ALuint empty = 0;
    alGenBuffers(1, &empty);
    const int16_t nothing[2] = {};
    alBufferData(empty, AL_FORMAT_MONO16, nothing, 0, 22050);
    AudioVoice* voice = manager->GetVoice(0);
    alSourcei(voice->source, AL_BUFFER, static_cast<ALint>(empty));
    alSourcePlay(voice->source);
    EXPECT_FLOAT_EQ(voice->GetProgress(), 1.0f);
    voice->Stop();
    alDeleteBuffers(1, &empty);
}

TEST_F(AudioManagerTest, PauseAllTwiceResumesTheVoicesThatPlayedAtTheFirstPause)
{
    manager->PlayOnVoice(kPlayLoop, 0, tone.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 1, tone.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 2, tone.get(), 1.0f);
    manager->PauseVoice(2); // paused on its own: not resumed by ResumeAll
    MediaClearCommandLog();
    manager->PauseAll();
    manager->PauseAll();
    EXPECT_TRUE(manager->IsPaused());
    EXPECT_FALSE(manager->IsVoicePlaying(0));
    EXPECT_EQ(RenderRms(), 0.0);
    manager->ResumeAll();
    EXPECT_FALSE(manager->IsPaused());
    EXPECT_TRUE(manager->IsVoicePlaying(0));
    EXPECT_TRUE(manager->IsVoicePlaying(1));
    EXPECT_FALSE(manager->IsVoicePlaying(2));
    EXPECT_GT(RenderRms(), 0.1);
    const std::vector<std::string> expected = {"pause MediaFile", "play MediaFile"};
    EXPECT_EQ(MediaCommandLog(), expected);
}

TEST_F(AudioManagerTest, DeletingAPlayingSoundStopsOnlyItsVoices)
{
    auto doomed = std::make_unique<cSoundBuffer>(manager, 1.0f);
    ASSERT_TRUE(doomed->Load(tvtest::SoundFixture("stereo.ogg").string()));
    manager->PlayOnVoice(kPlayLoop, 0, doomed.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 1, doomed.get(), 1.0f);
    manager->PlayOnVoice(kPlayLoop, 2, tone.get(), 1.0f);
    doomed.reset();
    EXPECT_FALSE(manager->IsVoicePlaying(0));
    EXPECT_FALSE(manager->IsVoicePlaying(1));
    EXPECT_EQ(manager->GetVoice(0)->currentSound, nullptr);
    EXPECT_TRUE(manager->IsVoicePlaying(2));
    EXPECT_GT(RenderRms(), 0.1);
}

TEST_F(AudioManagerTest, PositionalPlayUsesTheMaxDistance)
{
    manager->SetMaxDistance(40.0f);
    manager->PlayPositionalOnVoice(0, 4, tone.get(), cVec3f{10, 0, 0}, cVec3f{1, 0, 0}, 1.0f);
    AudioVoice* voice = manager->GetVoice(4);
    ALfloat distance = 0.0f, rolloff = 0.0f;
    ALfloat position[3] = {};
    alGetSourcef(voice->source, AL_MAX_DISTANCE, &distance);
    alGetSourcef(voice->source, AL_ROLLOFF_FACTOR, &rolloff);
    alGetSourcefv(voice->source, AL_POSITION, position);
    EXPECT_FLOAT_EQ(distance, 40.0f);
    EXPECT_FLOAT_EQ(rolloff, 1.0f);
    EXPECT_FLOAT_EQ(position[0], 10.0f);
    // Beyond the maximum distance the clamped linear model gives silence.
    manager->PlayPositionalOnVoice(0, 4, tone.get(), cVec3f{500, 0, 0}, cVec3f{}, 1.0f);
    tvtest::RenderLoopback(manager->GetDevice(), 2048);
    EXPECT_LT(RenderRms(), 1e-4);
    manager->SetVoicePositional(4, false); // back at the listener
    tvtest::RenderLoopback(manager->GetDevice(), 2048);
    EXPECT_GT(RenderRms(), 0.05);
}

TEST_F(AudioManagerTest, MusicVolumeGoesSquaredToTheMediaPlayer)
{
    MediaClearCommandLog();
    manager->SetMusicVolume(0.5f);
    manager->SetMusicVolume(3.0f);
    EXPECT_FLOAT_EQ(manager->GetMusicVolume(), 1.0f);
    manager->StopMusic();
    const std::vector<std::string> expected = {"setaudio MediaFile volume to 250", "setaudio MediaFile volume to 1000",
                                               "stop MediaFile"};
    EXPECT_EQ(MediaCommandLog(), expected);
}

TEST(AudioManagerNoDevice, RunsSilentAndKeepsEveryVolume)
{
    SetAudioDeviceOpener([](std::vector<ALCint>&) -> ALCdevice* { return nullptr; });
    AudioManager* manager = CreateAudioManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_FALSE(manager->IsEnabled());
    EXPECT_FALSE(IsAudioEnabled());
    EXPECT_EQ(manager->GetVoiceCount(), 0);
    MediaClearCommandLog();
    manager->SetSoundVolume(0.3f);
    manager->SetMusicVolume(0.6f);
    manager->SetMusicVolume(-1.0f);
    manager->SetMusicVolume(0.7f);
    EXPECT_FLOAT_EQ(manager->GetSoundVolume(), 0.3f);
    EXPECT_FLOAT_EQ(manager->GetMusicVolume(), 0.7f);
    cSoundBuffer sound(manager, 1.0f);
    manager->PlayOnVoice(0, 0, &sound, 1.0f);
    EXPECT_EQ(manager->PlaySound(0, &sound, 1.0f), nullptr);
    EXPECT_EQ(manager->GetVoice(0), nullptr);
    manager->PauseAll();
    manager->ResumeAll();
    manager->StopMusic();
    // Nothing reaches the media player while audio is off.
    EXPECT_TRUE(MediaCommandLog().empty());
    SuspendAudio();
    ResumeAudio();
    DeleteAudioManager();
    EXPECT_EQ(gAudioManager, nullptr);
    SetAudioDeviceOpener(nullptr);
}

TEST(AudioManagerHooks, StartUpAndShutdownHooksCreateAndDeleteTheManager)
{
    SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
    InstallAudioHooks();
    GetWinMainHooks().createAudio();
    ASSERT_NE(gAudioManager, nullptr);
    EXPECT_TRUE(IsAudioEnabled());
    GetSystemHooks().shutdownAudio();
    EXPECT_EQ(gAudioManager, nullptr);
    GetWinMainHooks().createAudio = nullptr;
    GetSystemHooks().shutdownAudio = nullptr;
    SetAudioDeviceOpener(nullptr);
}
} // namespace
