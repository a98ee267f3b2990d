// Ogg Vorbis decoding (bytes in, 16-bit samples out, no device), decoding ahead on worker
// threads, sounds loaded into buffers of the loopback device, and music tracks handed to
// the media commands.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/OggDecode.h"
#include "KelpoBase/platform/OggPrefetch.h"
#include "KelpoBase/platform/Sound.h"
#include "host/music/MediaControl.h"

namespace fs = std::filesystem;

namespace
{
std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Ogg page checksum (polynomial 0x04C11DB7, no reflection, starting at 0).
uint32_t OggCrc(const uint8_t* bytes, size_t n)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i)
    {
        crc ^= static_cast<uint32_t>(bytes[i]) << 24;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// Rewrites the granule position (the sample count so far) of the file's last page and
// fixes the page's checksum, so that the file announces another length.
std::vector<uint8_t> WithLastGranule(std::vector<uint8_t> bytes, uint64_t granule)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i + 27 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], "OggS", 4) == 0)
            last = i;
    EXPECT_NE(last, std::string::npos);
    uint8_t* page = &bytes[last];
    size_t segments = page[26];
    size_t size = 27 + segments;
    for (size_t i = 0; i < segments; ++i)
        size += page[27 + i];
    EXPECT_EQ(last + size, bytes.size());
    std::memcpy(page + 6, &granule, 8);
    std::memset(page + 22, 0, 4);
    uint32_t crc = OggCrc(page, size);
    std::memcpy(page + 22, &crc, 4);
    return bytes;
}

TEST(OggDecode, MonoAndStereoDecodeToTheirWholeLength)
{
    OggPcm pcm;
    std::vector<uint8_t> mono = ReadBytes(tvtest::SoundFixture("mono.ogg"));
    ASSERT_TRUE(DecodeOggMemory(mono.data(), mono.size(), pcm));
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.bytes.size(), 22050u); // 11025 samples
    EXPECT_EQ(pcm.announcedBytes, 22050u);
    // A 441 Hz tone at half scale: peaks near 16384.
    int16_t peak = 0;
    for (size_t i = 0; i + 1 < pcm.bytes.size(); i += 2)
    {
        int16_t v = 0;
        std::memcpy(&v, &pcm.bytes[i], 2);
        peak = std::max<int16_t>(peak, v);
    }
    EXPECT_NEAR(peak, 16384, 2500);

    ASSERT_TRUE(DecodeOggFile(tvtest::SoundFixture("stereo.ogg").string(), pcm));
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.bytes.size(), 44100u);
}

TEST(OggDecode, BadFilesFailCleanly)
{
    const std::vector<uint8_t> good = ReadBytes(tvtest::SoundFixture("mono.ogg"));
    // Two seconds of noise span several pages: the length comes from the last one.
    const std::vector<uint8_t> noise = ReadBytes(tvtest::SoundFixture("noise.ogg"));
    const std::vector<uint8_t> six = ReadBytes(tvtest::SoundFixture("six.ogg"));
    const std::vector<uint8_t> wav = ReadBytes(tvtest::SoundFixture("mono.wav"));
    ASSERT_GT(good.size(), 200u);
    std::vector<uint8_t> notVorbis(good.begin(), good.end());
    std::memcpy(&notVorbis[29], "XXXXXX", 6); // the identification header's "vorbis"
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", {0x4F}},
        {"a WAV file", wav},
        {"six channels", six},
        {"not a Vorbis stream", notVorbis},
        {"cut inside the headers", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
        {"absurd sample total", WithLastGranule(noise, 1ull << 40)},
        {"negative sample total", WithLastGranule(noise, 0x8000000000000000ull)},
    };
    for (const Case& c : cases)
    {
        OggPcm pcm;
        pcm.channels = 7;
        EXPECT_FALSE(DecodeOggMemory(c.bytes.data(), c.bytes.size(), pcm)) << c.what;
        EXPECT_TRUE(pcm.bytes.empty()) << c.what;
        EXPECT_EQ(pcm.channels, 0) << c.what;
    }
    OggPcm pcm;
    EXPECT_FALSE(DecodeOggFile("no/such/file.ogg", pcm));
}

// A stream that holds fewer samples than it announces hands over only what it holds.
TEST(OggDecode, ShortStreamsGiveOnlyTheSamplesTheyHold)
{
    const std::vector<uint8_t> good = ReadBytes(tvtest::SoundFixture("noise.ogg"));
    OggPcm pcm;
    ASSERT_TRUE(DecodeOggMemory(good.data(), good.size(), pcm));
    EXPECT_EQ(pcm.bytes.size(), 88200u);
    std::vector<uint8_t> longer = WithLastGranule(good, 44100 + 50000);
    ASSERT_TRUE(DecodeOggMemory(longer.data(), longer.size(), pcm));
    EXPECT_EQ(pcm.announcedBytes, (44100u + 50000u) * 2u);
    EXPECT_LE(pcm.bytes.size(), 88200u + 8192u);
    EXPECT_GE(pcm.bytes.size(), 80000u);

    // Truncated or damaged files: whatever decodes is whole frames, never past the end.
    for (size_t cut : {good.size() / 2, good.size() * 3 / 4, good.size() - 1})
    {
        std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        if (DecodeOggMemory(part.data(), part.size(), pcm))
        {
            EXPECT_LE(pcm.bytes.size(), pcm.announcedBytes) << cut;
            EXPECT_EQ(pcm.bytes.size() % 2, 0u) << cut;
        }
    }
    std::vector<uint8_t> damaged = good;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i)
        damaged[i] ^= 0x5A;
    if (DecodeOggMemory(damaged.data(), damaged.size(), pcm))
    {
        EXPECT_LE(pcm.bytes.size(), pcm.announcedBytes);
    }
}

class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
        manager = CreateAudioManager();
        ASSERT_TRUE(manager->IsEnabled());
    }
    void TearDown() override
    {
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
        MediaShutdown();
    }
    AudioManager* manager = nullptr;
};

TEST_F(SoundTest, LoadFillsABufferOfTheStreamsFormat)
{
    struct Case
    {
        const char* file;
        ALint channels;
        uint32_t bytes;
    };
    for (const Case& c : {Case{"mono.ogg", 1, 22050}, Case{"stereo.ogg", 2, 44100}})
    {
        cSoundBuffer sound(manager, 1.0f);
        ASSERT_TRUE(sound.Load(tvtest::SoundFixture(c.file).string())) << c.file;
        EXPECT_EQ(sound.GetByteSize(), c.bytes);
        ALint frequency = 0, channels = 0, bits = 0, size = 0;
        alGetBufferi(sound.GetBuffer(), AL_FREQUENCY, &frequency);
        alGetBufferi(sound.GetBuffer(), AL_CHANNELS, &channels);
        alGetBufferi(sound.GetBuffer(), AL_BITS, &bits);
        alGetBufferi(sound.GetBuffer(), AL_SIZE, &size);
        EXPECT_EQ(frequency, 22050);
        EXPECT_EQ(channels, c.channels);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(static_cast<uint32_t>(size), c.bytes);
    }
}

TEST_F(SoundTest, ReloadingAPlayingSoundStopsItsVoiceFirst)
{
    cSoundBuffer sound(manager, 1.0f);
    ASSERT_TRUE(sound.Load(tvtest::SoundFixture("mono.ogg").string()));
    manager->PlayOnVoice(kPlayLoop, 0, &sound, 1.0f);
    ASSERT_TRUE(manager->IsVoicePlaying(0));
    ASSERT_TRUE(sound.Load(tvtest::SoundFixture("stereo.ogg").string()));
    EXPECT_FALSE(manager->IsVoicePlaying(0));
    EXPECT_EQ(manager->GetVoice(0)->currentSound, nullptr);
    EXPECT_EQ(sound.GetByteSize(), 44100u);
    manager->PlayOnVoice(0, 0, &sound, 1.0f);
    EXPECT_GT(tvtest::Rms(tvtest::RenderLoopback(manager->GetDevice(), 2048)), 0.1);
}

TEST_F(SoundTest, RefusedFilesLeaveNoBuffer)
{
    // Files of this test's own: the tests of a program share its working folder.
    fs::copy_file(tvtest::SoundFixture("mono.ogg"), "refused-tone.OGG");
    fs::copy_file(tvtest::SoundFixture("mono.ogg"), "refused-tone");
    const std::string paths[] = {"refused-tone.OGG", "refused-tone", "missing.ogg",
                                 tvtest::SoundFixture("six.ogg").string(), tvtest::SoundFixture("mono.wav").string()};
    for (const std::string& path : paths)
    {
        cSoundBuffer sound(manager, 1.0f);
        EXPECT_FALSE(sound.Load(path)) << path;
        EXPECT_EQ(sound.GetBuffer(), 0u) << path;
        EXPECT_EQ(sound.GetByteSize(), 0u) << path;
    }
    cSoundBuffer sound(manager, 1.0f);
    const uint8_t junk[3] = {1, 2, 3};
    EXPECT_FALSE(sound.LoadFromMemory(junk, sizeof junk));
    EXPECT_EQ(sound.GetBuffer(), 0u);
    sound.SetGain(-2.0f);
    EXPECT_EQ(sound.GetGain(), 0.0f);
}

TEST_F(SoundTest, MusicTracksGoToTheMediaCommandsByFileName)
{
    std::ofstream("Theme.mp3").put('x');
    MediaClearCommandLog();
    cMusicTrack present(manager, "res/audio/Theme.mp3");
    cMusicTrack absent(manager, "res\\audio\\Other.mp3");
    PlayMusicIfEnabled(&present);
    PlayMusic(&absent);
    std::string longName(200, 'a');
    cMusicTrack tooLong(manager, "res/" + longName + ".mp3");
    tooLong.Play();
    std::string longOpen = "open \"../RuntimeRelease/";
    longOpen.append(127, 'a').append(".mp3\" type mpegvideo alias MediaFile");
    const std::vector<std::string> expected = {
        "open \"Theme.mp3\" type mpegvideo alias MediaFile",
        "play MediaFile REPEAT",
        // The file name is taken at the last '/' before '\\' becomes '/'.
        "open \"../RuntimeRelease/res/audio/Other.mp3\" type mpegvideo alias MediaFile",
        "play MediaFile REPEAT",
        longOpen,
        "play MediaFile REPEAT",
    };
    EXPECT_EQ(MediaCommandLog(), expected);
    EXPECT_EQ(present.GetFileName(), "res/audio/Theme.mp3");
}

TEST(SoundNoDevice, MusicIsNotPlayedWithoutAudio)
{
    SetAudioDeviceOpener([](std::vector<ALCint>&) -> ALCdevice* { return nullptr; });
    AudioManager* manager = CreateAudioManager();
    MediaClearCommandLog();
    cMusicTrack track(manager, "Theme.mp3");
    PlayMusicIfEnabled(&track);
    EXPECT_TRUE(MediaCommandLog().empty());
    // A sound made anyway loads nothing: there is no device to hold it.
    cSoundBuffer sound(manager, 1.0f);
    EXPECT_FALSE(sound.Load(tvtest::SoundFixture("mono.ogg").string()));
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
}
} // namespace

namespace
{
// A pack file in memory holding the given files.
std::vector<uint8_t> BuildPack(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files)
{
    std::vector<uint8_t> bytes = {'K', 'L', 'P', 'A'};
    auto put = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(uint32_t(files.size()));
    put(uint32_t(12 + 136 * files.size()));
    uint32_t at = 0;
    for (const auto& [name, data] : files)
    {
        put(at);
        put(uint32_t(data.size()));
        std::string field = name;
        field.resize(128, '\0');
        bytes.insert(bytes.end(), field.begin(), field.end());
        at += uint32_t(data.size());
    }
    for (const auto& file : files)
        bytes.insert(bytes.end(), file.second.begin(), file.second.end());
    return bytes;
}
} // namespace

TEST(OggPrefetch, WorkersDecodeWhatALoadWouldDecodeFromLooseFilesAndThePack)
{
    const std::string mono = tvtest::SoundFixture("mono.ogg").string();
    const std::string stereo = tvtest::SoundFixture("stereo.ogg").string();
    const std::string six = tvtest::SoundFixture("six.ogg").string();
    PackFile pack;
    const std::vector<uint8_t> packed =
        BuildPack({{"res/audio/a.ogg", ReadBytes(mono)}, {"res/audio/b.ogg", ReadBytes(tvtest::SoundFixture("noise.ogg"))}});
    ASSERT_TRUE(pack.OpenMemory(packed.data(), packed.size()));
    ASSERT_TRUE(pack.ReadIndex());
    SetPackFile(&pack);

    // Every worker count, the same path twice, a missing file and a refused one.
    const std::vector<std::string> paths = {mono, "res/audio/a.ogg", stereo, "res/audio/b.ogg", "missing.ogg",
                                            six, mono, "RES/AUDIO/B.OGG"};
    for (unsigned workers : {1u, 3u, 8u})
    {
        SCOPED_TRACE(workers);
        cOggPrefetch prefetch(paths, workers);
        EXPECT_EQ(cOggPrefetch::Current(), &prefetch);
        for (const std::string& path : paths)
        {
            SCOPED_TRACE(path);
            OggPcm expected, pcm;
            const bool expectDecoded = DecodeOggFile(path, expected);
            bool decoded = !expectDecoded;
            ASSERT_TRUE(TakePrefetchedOgg(path, pcm, decoded));
            EXPECT_EQ(decoded, expectDecoded);
            EXPECT_EQ(pcm.channels, expected.channels);
            EXPECT_EQ(pcm.rate, expected.rate);
            EXPECT_TRUE(pcm.bytes == expected.bytes);
        }
        // Each listed path is handed out as often as it was listed, then loads decode for
        // themselves.
        OggPcm pcm;
        bool decoded = false;
        EXPECT_FALSE(TakePrefetchedOgg(mono, pcm, decoded));
        EXPECT_FALSE(TakePrefetchedOgg(tvtest::SoundFixture("noise.ogg").string(), pcm, decoded));
    }
    EXPECT_EQ(cOggPrefetch::Current(), nullptr);
    SetPackFile(nullptr);
}

TEST(OggPrefetch, ResultsNoLoadTookAreDroppedAndPrefetchesNest)
{
    const std::string mono = tvtest::SoundFixture("mono.ogg").string();
    {
        cOggPrefetch outer(std::vector<std::string>(16, tvtest::SoundFixture("noise.ogg").string()), 2);
        {
            cOggPrefetch inner({mono});
            EXPECT_EQ(cOggPrefetch::Current(), &inner);
        }
        EXPECT_EQ(cOggPrefetch::Current(), &outer);
        // Destroyed while its workers may still decode: they stop and nothing leaks.
    }
    EXPECT_EQ(cOggPrefetch::Current(), nullptr);
    cOggPrefetch empty({});
    OggPcm pcm;
    bool decoded = false;
    EXPECT_FALSE(TakePrefetchedOgg(mono, pcm, decoded));
}

TEST_F(SoundTest, LoadsTakePrefetchedSamplesAndKeepTheirChecks)
{
    fs::copy_file(tvtest::SoundFixture("mono.ogg"), "prefetched-tone.OGG");
    const std::string stereo = tvtest::SoundFixture("stereo.ogg").string();
    cOggPrefetch prefetch({stereo, "prefetched-tone.OGG", "missing.ogg"});
    cSoundBuffer sound(manager, 1.0f);
    ASSERT_TRUE(sound.Load(stereo));
    EXPECT_EQ(sound.GetByteSize(), 44100u);
    ALint size = 0;
    alGetBufferi(sound.GetBuffer(), AL_SIZE, &size);
    EXPECT_EQ(size, 44100);
    // The extension is still checked before any samples are taken, and a file that did
    // not decode still fails.
    cSoundBuffer refused(manager, 1.0f);
    EXPECT_FALSE(refused.Load("prefetched-tone.OGG"));
    EXPECT_FALSE(refused.Load("missing.ogg"));
    EXPECT_EQ(refused.GetBuffer(), 0u);
}
