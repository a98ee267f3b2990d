// The music player driven by its command strings, heard through a loopback device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/music/MediaControl.h"
#include "host/music/MusicPlayer.h"

namespace fs = std::filesystem;

namespace
{
std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Renders seconds of the player's output in small steps, refilling between them as the
// background thread would; the samples of the last `keep` seconds are returned.
std::vector<float> Play(cMusicPlayer& player, double seconds, double keep = 0.2)
{
    const int chunk = 1024;
    int total = static_cast<int>(seconds * tvtest::kLoopbackRate);
    int kept = static_cast<int>(keep * tvtest::kLoopbackRate);
    std::vector<float> out;
    for (int done = 0; done < total; done += chunk)
    {
        player.Update();
        std::vector<float> part = tvtest::RenderLoopback(player.Device(), chunk);
        if (done + chunk > total - kept)
            out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Zero crossings per second of the left channel.
double Crossings(const std::vector<float>& stereo)
{
    int n = 0;
    for (size_t i = 2; i < stereo.size(); i += 2)
        if ((stereo[i - 2] < 0.0f) != (stereo[i] < 0.0f))
            ++n;
    return n / (static_cast<double>(stereo.size() / 2) / tvtest::kLoopbackRate);
}

class MusicPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(tvtest::SoundFixture("music.mp3"), "music.mp3", fs::copy_options::overwrite_existing);
        fs::copy_file(tvtest::SoundFixture("music2.mp3"), "music2.mp3", fs::copy_options::overwrite_existing);
        player.SetDeviceOpener(tvtest::OpenLoopbackDevice);
        player.SetBackgroundUpdates(false);
    }
    int Send(const std::string& command) { return player.Command(command); }
    cMusicPlayer player;
};

TEST_F(MusicPlayerTest, OpenPlayVolumeAndClose)
{
    EXPECT_EQ(Send("open \"music.mp3\" type mpegvideo alias MediaFile"), 0);
    EXPECT_EQ(player.OpenPath(), "music.mp3");
    EXPECT_EQ(player.Alias(), "MediaFile");
    EXPECT_TRUE(player.HasSound());
    EXPECT_EQ(player.Channels(), 1);
    EXPECT_EQ(player.Rate(), 22050);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(Send("play MediaFile REPEAT"), 0);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(player.IsRepeating());
    std::vector<float> full = Play(player, 0.4);
    double loud = tvtest::Rms(full);
    EXPECT_GT(loud, 0.1);
    EXPECT_NEAR(Crossings(full), 882.0, 40.0); // a 441 Hz tone

    // The volume is linear in the command's 0..1000.
    EXPECT_EQ(Send("setaudio MediaFile volume to 500"), 0);
    EXPECT_EQ(player.Volume(), 500);
    double half = tvtest::Rms(Play(player, 0.3));
    EXPECT_NEAR(half / loud, 0.5, 0.05);
    EXPECT_EQ(Send("setaudio MediaFile volume to 4000"), 0);
    EXPECT_EQ(player.Volume(), 1000);

    EXPECT_EQ(Send("close MediaFile"), 0);
    EXPECT_EQ(player.OpenPath(), "");
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(tvtest::Rms(Play(player, 0.1)), 0.0);
}

TEST_F(MusicPlayerTest, PauseResumeAndStop)
{
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
    EXPECT_EQ(Send("pause MediaFile"), 0);
    EXPECT_TRUE(player.IsPaused());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LT(tvtest::Rms(Play(player, 0.3, 0.2)), 1e-4);
    // A plain play resumes, still looping.
    EXPECT_EQ(Send("play MediaFile"), 0);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(player.IsRepeating());
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
    Send("pause MediaFile");
    EXPECT_EQ(Send("resume MediaFile"), 0);
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
    EXPECT_EQ(Send("stop MediaFile"), 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LT(tvtest::Rms(Play(player, 0.3, 0.2)), 1e-4);
    EXPECT_EQ(player.OpenPath(), "music.mp3"); // stopped, still open
    Send("play MediaFile");
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
}

TEST_F(MusicPlayerTest, RepeatLoopsAndAPlainPlayEnds)
{
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    EXPECT_GT(tvtest::Rms(Play(player, 2.6)), 0.1); // the 1 s track, a third time
    EXPECT_TRUE(player.IsPlaying());

    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile");
    EXPECT_LT(tvtest::Rms(Play(player, 1.8, 0.3)), 1e-4);
    EXPECT_FALSE(player.IsPlaying());
    // Played again after its end: from the start.
    Send("play MediaFile");
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
}

TEST_F(MusicPlayerTest, ASecondOpenClosesTheFirst)
{
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
    EXPECT_EQ(Send("open \"music2.mp3\" type mpegvideo alias MediaFile"), 0);
    EXPECT_EQ(player.OpenPath(), "music2.mp3");
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.IsRepeating());
    EXPECT_LT(tvtest::Rms(Play(player, 0.3, 0.2)), 1e-4);
    Send("play MediaFile REPEAT");
    EXPECT_EQ(player.Channels(), 2);
    EXPECT_GT(player.Rate(), 0); // the encoder's choice
    std::vector<float> second = Play(player, 0.4);
    EXPECT_GT(tvtest::Rms(second), 0.1);
    EXPECT_NEAR(Crossings(second), 1764.0, 60.0); // the 882 Hz track
}

TEST_F(MusicPlayerTest, UnreadableTracksStaySilent)
{
    std::ofstream("one.mp3").put('x');
    std::vector<uint8_t> junk(4096);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    std::ofstream("junk.mp3", std::ios::binary).write(reinterpret_cast<const char*>(junk.data()), junk.size());
    std::vector<uint8_t> mp3 = ReadBytes("music.mp3");
    std::ofstream("cut.mp3", std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), 300);
    fs::copy_file(tvtest::SoundFixture("mono.ogg"), "vorbis.mp3");
    std::ofstream("empty.mp3");

    for (const char* name : {"one.mp3", "junk.mp3", "vorbis.mp3", "empty.mp3", "missing.mp3"})
    {
        EXPECT_NE(Send(std::string("open \"") + name + "\" type mpegvideo alias MediaFile"), 0) << name;
        EXPECT_EQ(player.OpenPath(), name);
        EXPECT_FALSE(player.HasSound()) << name;
        EXPECT_EQ(Send("play MediaFile REPEAT"), 0) << name;
        EXPECT_EQ(Send("setaudio MediaFile volume to 800"), 0) << name;
        EXPECT_EQ(tvtest::Rms(Play(player, 0.1)), 0.0) << name;
    }
    // A track cut short plays what it holds, or nothing; either way it ends.
    Send("open \"cut.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    Play(player, 0.5);
    Send("close MediaFile");
}

TEST_F(MusicPlayerTest, BadCommandsAreRefused)
{
    const char* bad[] = {"", "dance MediaFile", "play", "open", "play Other", "open \"music.mp3\" sideways",
                         "play MediaFile backwards"};
    for (const char* command : bad)
        EXPECT_NE(Send(command), 0) << command;
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    const char* badVolume[] = {"setaudio MediaFile volume to", "setaudio MediaFile volume to loud",
                               "setaudio MediaFile volume 5", "setaudio MediaFile volume to 5x"};
    for (const char* command : badVolume)
        EXPECT_NE(Send(command), 0) << command;
    EXPECT_EQ(player.Volume(), 1000);
    EXPECT_NE(Send("play Other"), 0);
    EXPECT_EQ(Send("PLAY mediafile repeat"), 0); // words match without regard to case
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(Send("close all"), 0);
    EXPECT_EQ(player.OpenPath(), "");
}

// Tracks are read through the resource files: a pack entry plays like a loose file.
TEST_F(MusicPlayerTest, TracksPlayFromThePack)
{
    std::vector<uint8_t> mp3 = ReadBytes("music.mp3");
    const uint32_t count = 1, base = 12 + 136;
    std::vector<uint8_t> pack(base);
    std::memcpy(&pack[0], "KLPA", 4);
    std::memcpy(&pack[4], &count, 4);
    std::memcpy(&pack[8], &base, 4);
    const uint32_t offset = 0, size = static_cast<uint32_t>(mp3.size());
    std::memcpy(&pack[12], &offset, 4);
    std::memcpy(&pack[16], &size, 4);
    std::strcpy(reinterpret_cast<char*>(&pack[20]), "audio/packed.mp3");
    pack.insert(pack.end(), mp3.begin(), mp3.end());
    PackFile packFile;
    ASSERT_TRUE(packFile.OpenMemory(pack.data(), pack.size()));
    ASSERT_TRUE(packFile.ReadIndex());
    SetPackFile(&packFile);
    EXPECT_EQ(Send("open \"audio/Packed.mp3\" type mpegvideo alias MediaFile"), 0);
    Send("play MediaFile REPEAT");
    EXPECT_GT(tvtest::Rms(Play(player, 0.3)), 0.1);
    Send("close MediaFile");
    SetPackFile(nullptr);
}

// The effects volume is the effects device's listener gain; the music has its own output.
TEST_F(MusicPlayerTest, TheEffectsVolumeDoesNotTouchTheMusic)
{
    SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
    AudioManager* manager = CreateAudioManager();
    ASSERT_TRUE(manager->IsEnabled());
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    double before = tvtest::Rms(Play(player, 0.3));
    manager->SetSoundVolume(0.0f);
    double after = tvtest::Rms(Play(player, 0.3));
    EXPECT_GT(before, 0.1);
    EXPECT_NEAR(after / before, 1.0, 0.05);
    // The effects context is still the current one for the effects.
    EXPECT_EQ(alcGetCurrentContext(), manager->GetContext());
    ALfloat gain = -1.0f;
    alGetListenerf(AL_GAIN, &gain);
    EXPECT_EQ(gain, 0.0f);
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
}

TEST_F(MusicPlayerTest, TheBackgroundThreadKeepsTheStreamFilled)
{
    player.SetBackgroundUpdates(true);
    Send("open \"music.mp3\" type mpegvideo alias MediaFile");
    Send("play MediaFile REPEAT");
    // Three seconds of a looping one-second track: twice the queue's length.
    std::vector<float> last;
    for (int i = 0; i < 30; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        last = tvtest::RenderLoopback(player.Device(), tvtest::kLoopbackRate / 10);
    }
    EXPECT_GT(tvtest::Rms(last), 0.1);
    player.Shutdown();
    EXPECT_EQ(player.Device(), nullptr);
}

// The media-control calls of the system services reach the program's player.
TEST_F(MusicPlayerTest, MediaCallsDriveTheProgramsPlayer)
{
    cMusicPlayer& global = GetMusicPlayer();
    global.SetDeviceOpener(tvtest::OpenLoopbackDevice);
    global.SetBackgroundUpdates(false);
    MediaClearCommandLog();
    OpenAndPlayMedia("mp3", "music");
    EXPECT_EQ(MediaOpenPath(), "music.mp3");
    EXPECT_TRUE(global.HasSound());
    EXPECT_TRUE(MediaIsPlaying());
    EXPECT_GT(tvtest::Rms(Play(global, 0.3)), 0.1);
    SetMediaVolume(0.25f);
    EXPECT_EQ(MediaVolume(), 250);
    PauseMedia();
    EXPECT_TRUE(MediaIsPaused());
    EXPECT_LT(tvtest::Rms(Play(global, 0.3, 0.2)), 1e-4);
    PlayMedia();
    EXPECT_GT(tvtest::Rms(Play(global, 0.3)), 0.02);
    OpenAndPlayMedia("mp3", "music2");
    EXPECT_EQ(MediaOpenPath(), "music2.mp3");
    EXPECT_EQ(global.Channels(), 2);
    EXPECT_EQ(MediaCommandLog().size(), 7u);

    // A long run of commands keeps only the latest ones.
    for (int i = 0; i < 999; ++i)
        SetMediaVolume(i % 2 == 0 ? 0.25f : 0.5f);
    SetMediaVolume(1.0f);
    ASSERT_EQ(MediaCommandLog().size(), kMediaCommandLogLimit);
    EXPECT_EQ(MediaCommandLog().back(), "setaudio MediaFile volume to 1000");
    EXPECT_EQ(MediaCommandLog().front(), "setaudio MediaFile volume to 250"); // the 937th call, i = 936
    EXPECT_EQ(MediaCommandLog()[1], "setaudio MediaFile volume to 500");
    MediaShutdown();
    EXPECT_EQ(MediaOpenPath(), "");
    EXPECT_EQ(global.Device(), nullptr);
    global.SetDeviceOpener(nullptr);
    global.SetBackgroundUpdates(true);
}
} // namespace
