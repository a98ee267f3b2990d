#include "game/shell/SaveData.h"

#include "KelpoBase/platform/SystemServices.h"
#include "host/gameservice/GameService.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/UnreadableFiles.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// Little-endian bytes, built field by field as the file layout gives them.
struct Bytes
{
    std::vector<uint8_t> b;
    void u8(uint8_t v) { b.push_back(v); }
    void i32(int32_t v)
    {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(u >> (8 * i)));
    }
    void f32(float v)
    {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        i32(static_cast<int32_t>(u));
    }
};

struct FileDesc
{
    int32_t version = 3;
    float music = 0.25f;
    float sound = 0.75f;
    uint8_t flip = 1;
    uint32_t flags = 0x01020304;
    int32_t windowed = 1;
    int32_t lookFileOrder[5] = {3, 4, 5, 6, 7}; // base, body, cup, hair, trail
    int32_t controls[6] = {72, 73, 74, 75, 76, 77};
};

// Level n: completed when n is odd, best score n * 3, all sugar when n % 3 == 0, sticker
// when n % 5 == 0, perfect when n % 7 == 0, best perfect time 1000 + n.
std::vector<uint8_t> BuildFile(const FileDesc& s)
{
    Bytes out;
    out.i32(s.version);
    out.f32(s.music);
    out.f32(s.sound);
    out.u8(s.flip);
    out.i32(static_cast<int32_t>(s.flags));
    for (int n = 0; n < 300; ++n)
    {
        out.u8(n % 2 == 1 ? 1 : 0);
        out.i32(n * 3);
        out.u8(n % 3 == 0 ? 2 : 0); // any non-zero byte is true
        out.u8(n % 5 == 0 ? 1 : 0);
        out.u8(n % 7 == 0 ? 0xFF : 0);
        out.i32(1000 + n);
    }
    for (uint8_t feat : {1, 0, 1, 0, 1})
        out.u8(feat);
    out.i32(s.windowed);
    if (s.version == 2 || s.version == 3)
        for (int32_t v : s.lookFileOrder)
            out.i32(v);
    if (s.version == 3)
        for (int32_t v : s.controls)
            out.i32(v);
    return out.b;
}

// The file as the game writes it back: booleans as 0 or 1.
std::vector<uint8_t> Normalised(std::vector<uint8_t> file)
{
    for (int n = 0; n < 300; ++n)
    {
        file[17 + n * 12 + 5] = n % 3 == 0 ? 1 : 0;
        file[17 + n * 12 + 7] = n % 7 == 0 ? 1 : 0;
    }
    return file;
}

struct RecordingVolumes : cSaveDataVolumes
{
    float music = 0.5f;
    float sound = 0.5f;
    float GetMusicVolume() override { return music; }
    float GetSoundVolume() override { return sound; }
    void SetMusicVolume(float v) override { music = v; }
    void SetSoundVolume(float v) override { sound = v; }
};

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class SaveDataTest : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = tvtest::WorkFolder() / "save" / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        ASSERT_TRUE(GameServiceInit(folder.string()));
        SetSaveDataVolumes(&volumes);
        name = folder.string() + "/Data.sav";
    }
    void TearDown() override
    {
        SetSaveDataVolumes(nullptr);
        GameServiceShutdown();
        GameServiceFailWritesForTests(false);
        GameServiceFailReadsWithErrorForTests(0);
        GameServiceFailLookupsWithErrorForTests(0);
        GameServiceSetMidWriteHookForTests({});
    }
    fs::path folder;
    std::string name;
    RecordingVolumes volumes;
};

void ExpectDefaults(const cSaveData& s)
{
    EXPECT_EQ(s.flags, 0u);
    EXPECT_FALSE(s.flipScreen);
    for (int n = 0; n < cSaveData::kLevelCount; ++n)
    {
        EXPECT_FALSE(s.progress[n].completed);
        EXPECT_EQ(s.progress[n].bestPerfectTime, 9000);
    }
    EXPECT_EQ(s.windowed, 0);
    EXPECT_EQ(std::vector<int32_t>(std::begin(s.controls), std::end(s.controls)),
              (std::vector<int32_t>{70, 71, 68, 69, 72, 79}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(s.look), std::end(s.look)), std::vector<int32_t>(5, 0));
}
} // namespace

TEST_F(SaveDataTest, AFreshGameWritesTheExactLayoutAndReadsItBack)
{
    cSaveData fresh;
    ASSERT_TRUE(fresh.Write(name));
    const std::vector<uint8_t> written = ReadBytes(folder / "Data.sav");
    ASSERT_EQ(written.size(), 3670u);

    Bytes expected;
    expected.i32(3);
    expected.f32(0.5f);
    expected.f32(0.5f);
    expected.u8(0);
    expected.i32(0);
    for (int n = 0; n < 300; ++n)
    {
        expected.u8(0);
        expected.i32(0);
        expected.u8(0);
        expected.u8(0);
        expected.u8(0);
        expected.i32(9000);
    }
    for (int i = 0; i < 5; ++i)
        expected.u8(0);
    expected.i32(0);
    for (int i = 0; i < 5; ++i)
        expected.i32(0);
    for (int32_t c : {70, 71, 68, 69, 72, 79})
        expected.i32(c);
    EXPECT_EQ(written, expected.b);

    cSaveData back;
    back.controls[2] = 0;
    ASSERT_EQ(back.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_EQ(back.GetControl(2), 68);
    EXPECT_EQ(back.Serialise(), written);
}

TEST_F(SaveDataTest, Version3TakesEveryFieldInItsPlace)
{
    FileDesc desc;
    const std::vector<uint8_t> file = BuildFile(desc);
    ASSERT_EQ(file.size(), 3670u);
    ASSERT_TRUE(GameServiceFileWrite(name, file.data(), int32_t(file.size())));

    cSaveData s;
    ASSERT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_FLOAT_EQ(volumes.music, 0.25f);
    EXPECT_FLOAT_EQ(volumes.sound, 0.75f);
    EXPECT_TRUE(s.flipScreen);
    EXPECT_EQ(s.flags, 0x01020304u);
    for (int n : {0, 1, 21, 35, 299})
    {
        const LevelProgress p = s.GetLevelProgress(n);
        EXPECT_EQ(p.completed, n % 2 == 1) << n;
        EXPECT_EQ(p.bestScore, n * 3) << n;
        EXPECT_EQ(p.allSugar, n % 3 == 0) << n;
        EXPECT_EQ(p.sticker, n % 5 == 0) << n;
        EXPECT_EQ(p.perfect, n % 7 == 0) << n;
        EXPECT_EQ(p.bestPerfectTime, 1000 + n) << n;
    }
    EXPECT_EQ(std::vector<bool>(std::begin(s.feats), std::end(s.feats)),
              (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(s.windowed, 1);
    int32_t hair, body, base, trail, cup;
    s.GetLook(hair, body, base, trail, cup);
    EXPECT_EQ(base, 3);
    EXPECT_EQ(body, 4);
    EXPECT_EQ(cup, 5);
    EXPECT_EQ(hair, 6);
    EXPECT_EQ(trail, 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.GetControl(i), 72 + i);

    // Written back, the file is the same bytes (booleans normalised to 0 or 1).
    EXPECT_EQ(s.Serialise(), Normalised(file));
}

TEST_F(SaveDataTest, VersionsAndControlCodes)
{
    struct Case
    {
        const char* what;
        FileDesc desc;
        std::vector<int32_t> controls;
        int32_t hair;
    };
    FileDesc v2;
    v2.version = 2;
    FileDesc v1;
    v1.version = 1;
    FileDesc v4;
    v4.version = 4;
    FileDesc badControl;
    badControl.controls[0] = 70, badControl.controls[1] = 71, badControl.controls[2] = 68;
    badControl.controls[3] = 69, badControl.controls[4] = 72, badControl.controls[5] = 90;
    FileDesc lowControl;
    lowControl.controls[3] = 67;
    FileDesc badLook;
    badLook.lookFileOrder[3] = 11; // hair
    badLook.lookFileOrder[0] = -1; // base
    const std::vector<int32_t> keep = {1, 2, 3, 4, 5, 6};
    const std::vector<int32_t> defaults = {70, 71, 68, 69, 72, 79};
    const Case cases[] = {
        {"version 2 keeps the controls, takes the look", v2, keep, 6},
        {"version 1 keeps look and controls", v1, keep, 9},
        {"version 4 keeps look and controls", v4, keep, 9},
        {"a code above 87 resets all six", badControl, defaults, 6},
        {"a code below 68 resets all six", lowControl, defaults, 6},
        {"look values out of range become 0", badLook, {72, 73, 74, 75, 76, 77}, 0},
    };
    for (const Case& c : cases)
    {
        const std::vector<uint8_t> file = BuildFile(c.desc);
        cSaveData s;
        for (int i = 0; i < 6; ++i)
            s.controls[i] = i + 1;
        s.SetLook(9, 9, 9, 9, 9);
        ASSERT_TRUE(s.ReadFromMemory(file.data(), file.size(), false)) << c.what;
        EXPECT_EQ(std::vector<int32_t>(std::begin(s.controls), std::end(s.controls)), c.controls) << c.what;
        EXPECT_EQ(s.look[cSaveData::kLookHair], c.hair) << c.what;
        EXPECT_EQ(s.windowed, 1) << c.what; // the common part is always taken
        EXPECT_TRUE(s.progress[1].completed) << c.what;
    }
    EXPECT_EQ(BuildFile(v2).size(), 3646u);
}

TEST_F(SaveDataTest, VolumesAreClampedAndAppliedOnlyWhenAsked)
{
    FileDesc desc;
    desc.music = 1.5f;
    desc.sound = -0.5f;
    std::vector<uint8_t> file = BuildFile(desc);
    cSaveData s;
    ASSERT_TRUE(s.ReadFromMemory(file.data(), file.size(), false));
    EXPECT_FLOAT_EQ(volumes.music, 0.5f);
    EXPECT_FLOAT_EQ(volumes.sound, 0.5f);
    EXPECT_TRUE(s.flipScreen); // the rest is still taken
    ASSERT_TRUE(s.ReadFromMemory(file.data(), file.size(), true));
    EXPECT_FLOAT_EQ(volumes.music, 1.0f);
    EXPECT_FLOAT_EQ(volumes.sound, 0.0f);
    desc.music = std::nanf("");
    desc.sound = 0.3f;
    file = BuildFile(desc);
    ASSERT_TRUE(s.ReadFromMemory(file.data(), file.size(), true));
    EXPECT_FLOAT_EQ(volumes.music, 1.0f); // not a number: the volume stays
    EXPECT_FLOAT_EQ(volumes.sound, 0.3f);
}

TEST_F(SaveDataTest, VolumesAreKeptWithoutASoundDevice)
{
    SetSaveDataVolumes(nullptr); // the plain holder, as when no audio manager exists
    GetSaveDataVolumes().SetMusicVolume(0.2f);
    GetSaveDataVolumes().SetSoundVolume(0.4f);
    cSaveData s;
    ASSERT_TRUE(s.Write(name));
    GetSaveDataVolumes().SetMusicVolume(1.0f);
    GetSaveDataVolumes().SetSoundVolume(1.0f);
    ASSERT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_FLOAT_EQ(GetSaveDataVolumes().GetMusicVolume(), 0.2f);
    EXPECT_FLOAT_EQ(GetSaveDataVolumes().GetSoundVolume(), 0.4f);
}

TEST_F(SaveDataTest, AMissingFileMeansFullScreenAndKeepsTheRest)
{
    cSaveData s;
    s.windowed = 1;
    s.flags = 7;
    EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Missing);
    EXPECT_EQ(s.windowed, 0);
    EXPECT_EQ(s.flags, 7u);

    GameServiceShutdown(); // no remote storage at all
    s.windowed = 1;
    EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Missing);
    EXPECT_EQ(s.windowed, 0);
    EXPECT_FALSE(s.Write(name));
}

TEST_F(SaveDataTest, EmptyOrUnreadableFilesKeepTheDefaultsAndAreSetAside)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"zero-length", {}},
        {"three bytes: no whole version", {3, 0, 0}},
        {"far larger than any save file", std::vector<uint8_t>(70000, 3)},
    };
    for (const Case& c : cases)
    {
        fs::remove(folder / "Data.sav.bad");
        WriteBytes(folder / "Data.sav", c.bytes);
        cSaveData s;
        EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Damaged) << c.what;
        ExpectDefaults(s);
        EXPECT_FLOAT_EQ(volumes.music, 0.5f) << c.what;
        EXPECT_FALSE(fs::exists(folder / "Data.sav")) << c.what;
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), c.bytes) << c.what;
        // The next save makes a new file beside the kept one.
        ASSERT_TRUE(s.Write(name)) << c.what;
        EXPECT_EQ(fs::file_size(folder / "Data.sav"), 3670u);
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), c.bytes) << c.what;
    }
}

// The end offset of every field of a version 3 file, in file order.
std::vector<size_t> FieldEnds()
{
    std::vector<size_t> ends;
    size_t at = 0;
    auto field = [&](size_t n) { ends.push_back(at += n); };
    for (size_t n : {4, 4, 4, 1, 4})
        field(n);
    for (int r = 0; r < 300; ++r)
        for (size_t n : {1, 4, 1, 1, 1, 4})
            field(n);
    for (int i = 0; i < 5; ++i)
        field(1);
    for (int i = 0; i < 1 + 5 + 6; ++i)
        field(4);
    return ends;
}

TEST_F(SaveDataTest, AShortFileKeepsEveryFieldBeforeItsEndAndACopyOfItsBytes)
{
    // A whole file whose every field differs from a fresh record's.
    cSaveData stored;
    stored.flipScreen = true;
    stored.flags = 0x01020304;
    for (int n = 0; n < cSaveData::kLevelCount; ++n)
        stored.progress[n] = {true, 1000 + n, n % 2 == 0, true, n % 3 == 0, 100 + n};
    std::fill(std::begin(stored.feats), std::end(stored.feats), true);
    stored.windowed = 1;
    stored.SetLook(1, 2, 3, 4, 5);
    for (int i = 0; i < 6; ++i)
        stored.controls[i] = 72 + i;
    volumes.music = 0.25f;
    volumes.sound = 0.75f;
    const std::vector<uint8_t> whole = stored.Serialise();
    ASSERT_EQ(whole.size(), 3670u);
    ASSERT_EQ(FieldEnds().back(), 3670u);

    // Cuts between and inside fields: in the volumes, after the flags, at and inside
    // records, in the feats, in the look, one control short and one byte short.
    const size_t cuts[] = {4, 6, 17, 17 + 12 * 37, 17 + 12 * 150 + 5, 17 + 12 * 299 + 11, 3619, 3634, 3646, 3666, 3669};
    for (size_t cut : cuts)
    {
        for (const char* kept : {"Data.sav.bad", "Data.sav.bad2"})
            fs::remove(folder / kept);
        const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
        WriteBytes(folder / "Data.sav", bytes);
        volumes.music = volumes.sound = 0.5f;

        cSaveData s; // a fresh game's record: the values the fields past the cut keep
        const std::vector<uint8_t> fresh = s.Serialise();
        ASSERT_EQ(s.Read(name, true), cSaveData::ReadResult::Partial) << cut;

        // Every field that ends at or before the cut is the file's; every other one the
        // fresh record's.
        size_t taken = 0;
        for (size_t end : FieldEnds())
            if (end <= cut)
                taken = end;
        std::vector<uint8_t> expected = fresh;
        std::copy(whole.begin(), whole.begin() + std::ptrdiff_t(taken), expected.begin());
        EXPECT_EQ(s.Serialise(), expected) << cut;

        // The file read is still in place and a byte-identical copy lies beside it.
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), bytes) << cut;
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), bytes) << cut;
        // The next save writes the whole record; the copy stays.
        ASSERT_TRUE(s.Write(name)) << cut;
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), expected) << cut;
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), bytes) << cut;
    }

    // A second short file takes the next free name; the first copy is never replaced.
    const std::vector<uint8_t> first = ReadBytes(folder / "Data.sav.bad");
    const std::vector<uint8_t> other(whole.begin(), whole.begin() + 100);
    WriteBytes(folder / "Data.sav", other);
    cSaveData s;
    ASSERT_EQ(s.Read(name, false), cSaveData::ReadResult::Partial);
    EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), first);
    EXPECT_EQ(ReadBytes(folder / "Data.sav.bad2"), other);

    // A version 2 file cut in its records keeps its records up to the cut likewise.
    cSaveData v2;
    std::vector<uint8_t> v2Bytes(whole.begin(), whole.begin() + 17 + 12 * 10 + 3);
    v2Bytes[0] = 2;
    ASSERT_FALSE(v2.ReadFromMemory(v2Bytes.data(), v2Bytes.size(), false));
    EXPECT_EQ(v2.progress[9].bestScore, 1009);
    EXPECT_EQ(v2.progress[10].bestScore, 0);
    EXPECT_TRUE(v2.progress[10].completed);
}

TEST_F(SaveDataTest, AShortFileWhoseCopyCannotBeKeptIsNeverOverwritten)
{
    cSaveData stored;
    stored.progress[3].completed = true;
    const std::vector<uint8_t> whole = stored.Serialise();
    const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + 200);
    WriteBytes(folder / "Data.sav", bytes);
    GameServiceFailWritesForTests(true);
    cSaveData s;
    EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Partial);
    EXPECT_TRUE(s.progress[3].completed);
    EXPECT_TRUE(s.WritesBlocked());
    EXPECT_FALSE(s.Write(name));
    GameServiceFailWritesForTests(false);
    EXPECT_EQ(ReadBytes(folder / "Data.sav"), bytes);
    EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));
}

TEST_F(SaveDataTest, ALookAtOneSettingLeavesABadFileAlone)
{
    cSaveData stored;
    stored.windowed = 1;
    const std::vector<uint8_t> whole = stored.Serialise();
    for (size_t cut : {size_t(0), size_t(3640)})
    {
        const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
        WriteBytes(folder / "Data.sav", bytes);
        cSaveData temporary;
        temporary.Read(name, false, cSaveData::BadFile::LeaveAlone);
        EXPECT_EQ(temporary.windowed, cut > 3626 ? 1 : 0) << cut;
        EXPECT_FALSE(temporary.WritesBlocked()) << cut;
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), bytes) << cut;
        EXPECT_FALSE(fs::exists(folder / "Data.sav.bad")) << cut;
    }
}

TEST_F(SaveDataTest, ABadFileThatCannotBeMovedIsNeverOverwritten)
{
    // Every name a damaged file could be moved to is taken.
    std::ofstream(folder / "Data.sav.bad").put('x');
    for (int i = 2; i < 1000; ++i)
        std::ofstream(folder / ("Data.sav.bad" + std::to_string(i))).put('x');
    const std::vector<uint8_t> damaged = {3, 0, 0};
    WriteBytes(folder / "Data.sav", damaged);
    cSaveData s;
    EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Damaged);
    EXPECT_TRUE(s.WritesBlocked());
    EXPECT_FALSE(s.Write(name));
    EXPECT_EQ(ReadBytes(folder / "Data.sav"), damaged);
}

TEST_F(SaveDataTest, AFailedWriteIsReportedAndTheOldFileStays)
{
    FileDesc desc;
    const std::vector<uint8_t> old = BuildFile(desc);
    WriteBytes(folder / "Data.sav", old);
    GameServiceFailWritesForTests(true);
    cSaveData s;
    EXPECT_FALSE(s.Write(name));
    GameServiceFailWritesForTests(false);
    EXPECT_EQ(ReadBytes(folder / "Data.sav"), old);
}

TEST_F(SaveDataTest, AProcessKilledInTheMiddleOfASaveLeavesTheOldFileWhole)
{
    FileDesc desc;
    const std::vector<uint8_t> old = BuildFile(desc);
    WriteBytes(folder / "Data.sav", old);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        GameServiceSetMidWriteHookForTests([] { raise(SIGKILL); });
        cSaveData fresh;
        fresh.Write(name);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadBytes(folder / "Data.sav"), old);
    cSaveData s;
    ASSERT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(s.flipScreen);
}

TEST_F(SaveDataTest, RecordHelpers)
{
    cSaveData s;
    EXPECT_TRUE(s.IsLevelOpen(50));
    EXPECT_FALSE(s.IsLevelOpen(5));
    LevelProgress p;
    p.completed = true;
    p.bestPerfectTime = 100;
    s.SetLevelProgress(4, p);
    EXPECT_TRUE(s.IsLevelOpen(5));
    s.ResetLevelProgress(4);
    EXPECT_EQ(s.GetLevelProgress(4).bestPerfectTime, 9000);
    EXPECT_EQ(s.GetLevelProgress(300).bestPerfectTime, 9000); // out of range: a default record
    s.SetLevelProgress(-1, p);                                 // ignored
    s.SetControl(6, 1);                                        // ignored
    EXPECT_EQ(s.GetControl(6), 0);
}

TEST_F(SaveDataTest, StartUpReadsTheWindowedSettingThroughThePlatform)
{
    cSaveData live;
    RegisterSaveDataWithPlatform([&] { return &live; });
    FileDesc desc;
    desc.windowed = 1;
    const std::vector<uint8_t> file = BuildFile(desc);
    ASSERT_TRUE(GameServiceFileWrite(name, file.data(), int32_t(file.size())));
    // The platform reads through its own hook with a temporary record.
    EXPECT_EQ(GetSystemHooks().readWindowedSetting(name), 1);
    EXPECT_FLOAT_EQ(volumes.music, 0.5f); // volumes not applied
    GoFullscreen();
    EXPECT_EQ(live.windowed, 0);
    GoWindowed();
    EXPECT_EQ(live.windowed, 1);
    fs::remove(folder / "Data.sav");
    EXPECT_EQ(GetSystemHooks().readWindowedSetting(name), 0);
    GetSystemHooks() = SystemHooks();
}

namespace
{
bool Says(const std::string& text, const std::string& words) { return text.find(words) != std::string::npos; }

// A file read at start-up that a save may not replace before it is kept aside, as the
// read finds it in the folder.
struct UnkeptCase
{
    const char* what;
    cSaveData::ReadResult result;
    std::function<void(const fs::path& file)> make;
};

std::vector<uint8_t> ShortFileOfLevel3()
{
    cSaveData stored;
    stored.progress[3].completed = true;
    const std::vector<uint8_t> whole = stored.Serialise();
    return std::vector<uint8_t>(whole.begin(), whole.begin() + 200);
}

const std::vector<UnkeptCase>& UnkeptCases()
{
    static const std::vector<UnkeptCase> cases = {
        {"a short file", cSaveData::ReadResult::Partial, [](const fs::path& f) { WriteBytes(f, ShortFileOfLevel3()); }},
        {"a file too short for its version", cSaveData::ReadResult::Damaged,
         [](const fs::path& f) { WriteBytes(f, {3, 0}); }},
        {"a folder", cSaveData::ReadResult::Damaged,
         [](const fs::path& f) {
             fs::create_directory(f);
             WriteBytes(f / "inside", {1, 2, 3});
         }},
    };
    return cases;
}

// What lies under a name, to compare before and after: a file's bytes, or a folder's one
// file's bytes behind a marker.
std::vector<uint8_t> Contents(const fs::path& at)
{
    if (!fs::is_directory(at))
        return ReadBytes(at);
    std::vector<uint8_t> out = {'D', 'I', 'R'};
    const std::vector<uint8_t> inside = ReadBytes(at / "inside");
    out.insert(out.end(), inside.begin(), inside.end());
    return out;
}
} // namespace

// A full disk at start-up stops the copy (or the move) of a file that a save may not
// replace unseen. Every save tries again first, says on stderr why it was refused, and
// once space is freed the save lands with the file read kept aside unchanged.
TEST_F(SaveDataTest, AFileThatCouldNotBeKeptAsideAtStartIsKeptByALaterSave)
{
    for (const UnkeptCase& c : UnkeptCases())
    {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder / "Data.sav");
        fs::remove_all(folder / "Data.sav.bad");
        c.make(folder / "Data.sav");
        const std::vector<uint8_t> original = Contents(folder / "Data.sav");

        GameServiceFailWritesWithErrorForTests(ENOSPC);
        cSaveData s;
        testing::internal::CaptureStderr();
        EXPECT_EQ(s.Read(name, true), c.result);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "could not be kept aside (No space left on device)")) << said;
        EXPECT_TRUE(Says(said, "progress will not be kept")) << said;

        // Still full: each save is refused, with the reason, and changes nothing.
        for (int save = 0; save < 2; ++save)
        {
            testing::internal::CaptureStderr();
            EXPECT_FALSE(s.Write(name));
            said = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(Says(said, "The game was not saved")) << said;
            EXPECT_TRUE(Says(said, "No space left on device")) << said;
            EXPECT_TRUE(Says(said, "progress will not be kept")) << said;
            EXPECT_EQ(Contents(folder / "Data.sav"), original);
            EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));
        }

        // Space freed: the next save keeps the file read, then writes.
        GameServiceFailWritesWithErrorForTests(0);
        s.progress[9].completed = true;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(s.Write(name));
        said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "is now kept as Data.sav.bad")) << said;
        EXPECT_FALSE(s.WritesBlocked());
        EXPECT_EQ(Contents(folder / "Data.sav.bad"), original);
        cSaveData back;
        ASSERT_EQ(back.Read(name, false), cSaveData::ReadResult::Loaded);
        EXPECT_TRUE(back.progress[9].completed);
        EXPECT_EQ(back.progress[3].completed, c.result == cSaveData::ReadResult::Partial);
    }
}

// A folder the game cannot write (a read-only mount; file modes do not stop root, so the
// failure is injected where the folder is changed) still holds the player's save: it is
// read, and stderr says at start and at each failed save that progress will not be kept.
TEST_F(SaveDataTest, AReadOnlySaveFolderIsReadAndSaysProgressIsNotKept)
{
    FileDesc desc;
    const std::vector<uint8_t> file = BuildFile(desc);
    WriteBytes(folder / "Data.sav", file);
    GameServiceShutdown();

    struct Case
    {
        const char* what;
        std::function<bool()> makeReadOnly; // false when it cannot here
        std::function<void()> undo;
        const char* reason;
    };
    const Case cases[] = {
        {"a read-only mount", [] { GameServiceFailWritesWithErrorForTests(EROFS); return true; },
         [] { GameServiceFailWritesWithErrorForTests(0); }, "Read-only file system"},
        {"a folder without write permission",
         [this] {
             fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                             fs::perm_options::remove);
             // Root writes all the same: there the case proves nothing and is left out.
             return ::access(folder.c_str(), W_OK) != 0;
         },
         [this] { fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add); }, "Permission denied"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        if (!c.makeReadOnly())
        {
            c.undo();
            continue;
        }
        testing::internal::CaptureStderr();
        const bool running = GameServiceInit(folder.string());
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(running);
        EXPECT_TRUE(Says(said, "cannot be written (" + std::string(c.reason) + ")")) << said;
        EXPECT_TRUE(Says(said, "progress will not be kept")) << said;

        cSaveData s;
        EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
        EXPECT_TRUE(s.progress[1].completed);
        EXPECT_EQ(s.windowed, 1);
        EXPECT_EQ(s.look[cSaveData::kLookHair], 6);
        EXPECT_EQ(s.GetControl(0), 72);

        testing::internal::CaptureStderr();
        EXPECT_FALSE(s.Write(name));
        said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "could not be saved")) << said;
        EXPECT_TRUE(Says(said, c.reason)) << said;
        EXPECT_TRUE(Says(said, "progress will not be kept")) << said;
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), file);
        GameServiceShutdown();
        c.undo();
    }
    ASSERT_TRUE(GameServiceInit(folder.string())); // for TearDown
}

// A whole-size file of a version this game does not know (one flipped bit: 3 became 7)
// and files with bytes past their layout are read as before, and a byte-identical copy
// lies beside them before the first save writes a version 3 file over them.
TEST_F(SaveDataTest, FilesNotExactlyTheirLayoutAreCopiedBeforeTheFirstSave)
{
    FileDesc v3;
    FileDesc v2;
    v2.version = 2;
    std::vector<uint8_t> flipped = BuildFile(v3);
    flipped[0] = 7;
    std::vector<uint8_t> trailing = BuildFile(v3);
    trailing.insert(trailing.end(), {9, 8, 7});
    std::vector<uint8_t> longV2 = BuildFile(v2); // a version 2 file followed by six controls
    for (int32_t control : {72, 73, 74, 75, 76, 77})
        for (int i = 0; i < 4; ++i)
            longV2.push_back(uint8_t(uint32_t(control) >> (8 * i)));
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* said;
        int32_t hair;     // the look read, or kept (9)
        int32_t control0; // the first control read, or kept (1)
    };
    const Case cases[] = {
        {"version 7, whole size", flipped, "is of version 7", 9, 1},
        {"version 3 and three bytes more", trailing, "is longer than the 3670 bytes of its version 3", 6, 72},
        {"version 2 and six controls more", longV2, "is longer than the 3646 bytes of its version 2", 6, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        fs::remove(folder / "Data.sav.bad");
        WriteBytes(folder / "Data.sav", c.bytes);
        cSaveData s;
        for (int i = 0; i < 6; ++i)
            s.controls[i] = i + 1;
        s.SetLook(9, 9, 9, 9, 9);
        testing::internal::CaptureStderr();
        EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Partial);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, c.said)) << said;
        EXPECT_TRUE(Says(said, "a copy of it is kept as Data.sav.bad")) << said;
        // Read as before: the common part always, look and controls by version.
        EXPECT_TRUE(s.progress[1].completed);
        EXPECT_EQ(s.windowed, 1);
        EXPECT_EQ(s.look[cSaveData::kLookHair], c.hair);
        EXPECT_EQ(s.GetControl(0), c.control0);
        // The file stays as it was until a save; the copy is byte-identical.
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), c.bytes);
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), c.bytes);
        ASSERT_TRUE(s.Write(name));
        EXPECT_EQ(fs::file_size(folder / "Data.sav"), cSaveData::kFileSizeV3);
        EXPECT_EQ(ReadBytes(folder / "Data.sav.bad"), c.bytes);
    }
    // Exactly their layout, versions 2 and 3 are taken whole, with no copy.
    fs::remove(folder / "Data.sav.bad");
    for (const FileDesc& desc : {v2, v3})
    {
        WriteBytes(folder / "Data.sav", BuildFile(desc));
        cSaveData s;
        EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
        EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));
    }
}

// A folder under the save file's name is no save: stderr names it, it is moved aside
// whole (never replaced), and the game saves beside it. The look at the windowed setting
// leaves it alone.
TEST_F(SaveDataTest, AFolderUnderTheSaveNameIsNamedAndKept)
{
    fs::create_directory(folder / "Data.sav");
    WriteBytes(folder / "Data.sav" / "inside", {1, 2, 3});
    cSaveData temporary;
    temporary.windowed = 1;
    EXPECT_EQ(temporary.Read(name, false, cSaveData::BadFile::LeaveAlone), cSaveData::ReadResult::Damaged);
    EXPECT_TRUE(fs::is_directory(folder / "Data.sav"));

    cSaveData s;
    s.flags = 7;
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Damaged);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Says(said, "Data.sav is a folder, not a file")) << said;
    EXPECT_TRUE(Says(said, "kept as Data.sav.bad")) << said;
    EXPECT_EQ(s.flags, 7u);
    EXPECT_EQ(ReadBytes(folder / "Data.sav.bad" / "inside"), (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_TRUE(s.Write(name));
    EXPECT_EQ(fs::file_size(folder / "Data.sav"), cSaveData::kFileSizeV3);
    EXPECT_EQ(ReadBytes(folder / "Data.sav.bad" / "inside"), (std::vector<uint8_t>{1, 2, 3}));
}

// A save file the game cannot look up, open or read is not damage, whichever step fails
// (every way of tvtest::UnreadableWays): it stays where it is, untouched (no copy, no move),
// stderr says why with the system's words, the record keeps its defaults, and every save of
// the run is refused and said, even once the file could be read or is gone: the run never
// asks again. A later read that can read it takes every field.
TEST_F(SaveDataTest, AFileThatCannotBeReadIsLeftAsItIsAndNeverReplaced)
{
    const std::vector<uint8_t> file = Normalised(BuildFile(FileDesc()));
    tvtest::ForEachUnreadableWay([&](const tvtest::UnreadableWay& way) {
        WriteBytes(folder / "Data.sav", file);
        volumes.music = volumes.sound = 0.5f;
        {
            // The look at the windowed setting says nothing and blocks nothing.
            tvtest::UnreadableFiles unreadable(way, {folder / "Data.sav"});
            if (!unreadable.Made())
                GTEST_SKIP() << "files of mode 000 can be read here";
            cSaveData temporary;
            testing::internal::CaptureStderr();
            EXPECT_EQ(temporary.Read(name, false, cSaveData::BadFile::LeaveAlone), cSaveData::ReadResult::Unreadable);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
            EXPECT_FALSE(temporary.WritesBlocked());
        }

        tvtest::UnreadableFiles unreadable(way, {folder / "Data.sav"});
        cSaveData s;
        testing::internal::CaptureStderr();
        EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Unreadable);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "Data.sav could not be read (" + std::string(way.reason) + ")")) << said;
        EXPECT_FALSE(Says(said, "kept as")) << said;
        EXPECT_EQ(s.UnreadReason(), way.reason);
        ExpectDefaults(s);
        EXPECT_FLOAT_EQ(volumes.music, 0.5f);
        EXPECT_TRUE(s.WritesBlocked());
        for (int save = 0; save < 2; ++save)
        {
            testing::internal::CaptureStderr();
            EXPECT_FALSE(s.Write(name));
            said = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(Says(said, "The game was not saved")) << said;
            EXPECT_TRUE(Says(said, way.reason)) << said;
        }
        unreadable.Undo();
        EXPECT_FALSE(s.Write(name)) << "the file could be read now";
        EXPECT_EQ(ReadBytes(folder / "Data.sav"), file);
        EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));

        cSaveData later;
        ASSERT_EQ(later.Read(name, true), cSaveData::ReadResult::Loaded);
        EXPECT_EQ(later.Serialise(), file);

        fs::remove(folder / "Data.sav");
        EXPECT_FALSE(s.Write(name)) << "the file is gone now";
        EXPECT_FALSE(fs::exists(folder / "Data.sav"));
        EXPECT_TRUE(s.WritesBlocked());
    });
}

// Any error of looking at or reading the save file once it is open (EINVAL and EISDIR among
// them, which a file system may give for its own reasons) means it could not be read: only
// the mode of the file opened makes it "not a file". The file stays byte for byte, nothing is
// set aside, stderr says why, and every save of the run is refused.
TEST_F(SaveDataTest, AnyErrorOfReadingTheOpenFileLeavesItAsItIs)
{
    const std::vector<uint8_t> file = Normalised(BuildFile(FileDesc()));
    WriteBytes(folder / "Data.sav", file);
    for (GameServiceReadStep step : {GameServiceReadStep::Look, GameServiceReadStep::PartWay})
    {
        for (int error : {EIO, EINVAL, EISDIR})
        {
            const std::string reason = std::strerror(error);
            SCOPED_TRACE((step == GameServiceReadStep::Look ? "look, " : "part way, ") + reason);
            GameServiceFailReadsWithErrorForTests(error, step);
            cSaveData s;
            testing::internal::CaptureStderr();
            EXPECT_EQ(s.Read(name, true), cSaveData::ReadResult::Unreadable);
            const std::string said = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(Says(said, "Data.sav could not be read (" + reason + ")")) << said;
            EXPECT_EQ(s.Found().why, reason);
            ExpectDefaults(s);
            EXPECT_FALSE(s.Write(name));
            GameServiceFailReadsWithErrorForTests(0);
            EXPECT_FALSE(s.Write(name)) << "the file could be read now";
            EXPECT_EQ(ReadBytes(folder / "Data.sav"), file);
            EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));
        }
    }
}

// A link under the save's name is the player's (a save kept in a synced folder): the game
// reads and saves where it leads, a copy of a short file it leads to is kept beside that
// file, and the link stays. A link that leads to no file (a drive not mounted now) is a save
// that cannot be read: it stays, and no save of the run replaces it.
TEST_F(SaveDataTest, ALinkUnderTheSaveNameStaysThePlayers)
{
    const fs::path synced = tvtest::WorkFolder() / "synced";
    fs::create_directories(synced);
    const fs::path target = synced / "Tollivan.sav";
    fs::create_symlink(target, folder / "Data.sav");
    const std::vector<uint8_t> file = Normalised(BuildFile(FileDesc()));
    WriteBytes(target, file);

    cSaveData s;
    ASSERT_EQ(s.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_EQ(s.Serialise(), file);
    s.progress[2].completed = true;
    ASSERT_TRUE(s.Write(name));
    EXPECT_TRUE(fs::is_symlink(folder / "Data.sav"));
    EXPECT_EQ(ReadBytes(target), s.Serialise());

    EXPECT_TRUE(s.Found().linkFolder.empty());
    GameServiceFailWritesWithErrorForTests(EROFS); // the folder the link leads into cannot be written
    cSaveData readOnly;
    ASSERT_EQ(readOnly.Read(name, true), cSaveData::ReadResult::Loaded);
    EXPECT_EQ(readOnly.Found().linkFolder, synced.string());
    EXPECT_EQ(readOnly.Found().linkWhy, std::strerror(EROFS));
    GameServiceFailWritesWithErrorForTests(0);

    const std::vector<uint8_t> cut(file.begin(), file.begin() + 500);
    WriteBytes(target, cut);
    cSaveData partial;
    ASSERT_EQ(partial.Read(name, true), cSaveData::ReadResult::Partial);
    EXPECT_EQ(partial.Found().keptAs, (synced / "Tollivan.sav.bad").string());
    EXPECT_EQ(ReadBytes(synced / "Tollivan.sav.bad"), cut);
    ASSERT_TRUE(partial.Write(name));
    EXPECT_TRUE(fs::is_symlink(folder / "Data.sav"));
    EXPECT_EQ(fs::file_size(target), cSaveData::kFileSizeV3);
    EXPECT_FALSE(fs::exists(folder / "Data.sav.bad"));

    fs::remove_all(synced);
    cSaveData dangling;
    testing::internal::CaptureStderr();
    EXPECT_EQ(dangling.Read(name, true), cSaveData::ReadResult::Unreadable);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Says(dangling.Found().why, "a link to " + target.string())) << dangling.Found().why;
    EXPECT_TRUE(Says(said, dangling.Found().why)) << said;
    EXPECT_FALSE(dangling.Write(name));
    EXPECT_TRUE(fs::is_symlink(folder / "Data.sav"));
    EXPECT_FALSE(fs::exists(synced));
}
