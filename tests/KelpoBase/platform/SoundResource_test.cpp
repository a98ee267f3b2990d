// Sounds and music as resources: made by the loaders into the current group, released
// with it, silent without a device.
#include <gtest/gtest.h>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "host/music/MediaControl.h"

namespace
{
class SoundResourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
        manager = CreateAudioManager();
        ASSERT_TRUE(manager->IsEnabled());
        RegisterSoundLoaders();
    }
    void TearDown() override
    {
        ReleaseAllResourceGroups();
        SetSoundLoader(nullptr);
        SetMusicLoader(nullptr);
        SetSoundByteSize(nullptr, nullptr);
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
        MediaShutdown();
    }
    AudioManager* manager = nullptr;
    const std::string mono = tvtest::SoundFixture("mono.ogg").string();
    const std::string stereo = tvtest::SoundFixture("stereo.ogg").string();
};

TEST_F(SoundResourceTest, LoadersMakeSoundsAndMusicInTheCurrentGroup)
{
    cResourceGroup* group = SelectResourceGroup("Sounds");
    cResource* sound = LoadSound(mono, 0.5f);
    ASSERT_NE(sound, nullptr);
    EXPECT_STREQ(sound->GetClassInfo()->name.c_str(), "cSound");
    cSound* asSound = ClassCast<cSound>(sound);
    ASSERT_NE(asSound, nullptr);
    EXPECT_FLOAT_EQ(asSound->GetGain(), 0.5f);
    EXPECT_EQ(asSound->GetManager(), manager);
    EXPECT_EQ(LoadSound("missing.ogg", 1.0f), nullptr);
    EXPECT_EQ(LoadSound(tvtest::SoundFixture("six.ogg").string(), 1.0f), nullptr);
    ASSERT_NE(LoadSound(stereo, 1.0f), nullptr);

    cResource* music = LoadMusic("res/audio/Theme.mp3");
    ASSERT_NE(music, nullptr);
    cMusic* asMusic = ClassCast<cMusic>(music);
    ASSERT_NE(asMusic, nullptr);
    EXPECT_EQ(ClassCast<cSound>(music), nullptr);
    EXPECT_EQ(group->resources.size(), 3u);

    group->uploaded = 1;
    EXPECT_EQ(GetSoundMemoryTotal(), 22050u + 44100u);

    MediaClearCommandLog();
    PlayMusicIfEnabled(asMusic);
    ASSERT_EQ(MediaCommandLog().size(), 2u);
    EXPECT_EQ(MediaCommandLog()[0], "open \"../RuntimeRelease/Theme.mp3\" type mpegvideo alias MediaFile");
}

TEST_F(SoundResourceTest, ReleasingAGroupStopsOnlyItsSounds)
{
    cSound* kept = CreateSound(mono, 1.0f);
    ASSERT_NE(kept, nullptr);
    SelectResourceGroup("Level");
    auto* levelSound = static_cast<cSound*>(LoadSound(stereo, 1.0f));
    ASSERT_NE(levelSound, nullptr);
    manager->PlayOnVoice(kPlayLoop, 0, levelSound, 1.0f);
    manager->PlayOnVoice(kPlayLoop, 1, kept, 1.0f);
    delete FindResourceGroup("Level");
    EXPECT_FALSE(manager->IsVoicePlaying(0));
    EXPECT_EQ(manager->GetVoice(0)->currentSound, nullptr);
    EXPECT_TRUE(manager->IsVoicePlaying(1));
    EXPECT_GT(tvtest::Rms(tvtest::RenderLoopback(manager->GetDevice(), 2048)), 0.1);
    delete kept;
    EXPECT_FALSE(manager->IsVoicePlaying(1));
}

TEST(SoundResourceNoDevice, NoSoundsButMusicObjects)
{
    SetAudioDeviceOpener([](std::vector<ALCint>&) -> ALCdevice* { return nullptr; });
    CreateAudioManager();
    RegisterSoundLoaders();
    EXPECT_EQ(CreateSound(tvtest::SoundFixture("mono.ogg").string(), 1.0f), nullptr);
    SelectResourceGroup("Silent");
    EXPECT_EQ(LoadSound(tvtest::SoundFixture("mono.ogg").string(), 1.0f), nullptr);
    cMusic* music = CreateMusic("Theme.mp3");
    ASSERT_NE(music, nullptr);
    MediaClearCommandLog();
    PlayMusicIfEnabled(music);
    EXPECT_TRUE(MediaCommandLog().empty());
    delete music;
    ReleaseAllResourceGroups();
    SetSoundLoader(nullptr);
    SetMusicLoader(nullptr);
    SetSoundByteSize(nullptr, nullptr);
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
}
} // namespace
