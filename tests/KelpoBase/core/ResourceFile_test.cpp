#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/ResourceFile.h"
#include "support/PackBuilder.h"

namespace fs = std::filesystem;

namespace
{
using tvtest::BuildPack;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadAll(cResourceFile& file)
{
    std::string out;
    char buffer[7]; // an odd size, so that reads cross chunk boundaries
    for (;;)
    {
        const uint32_t got = file.Read(buffer, sizeof buffer);
        if (got == 0)
            return out;
        out.append(buffer, got);
    }
}

class PackTest : public testing::Test
{
protected:
    void TearDown() override { SetPackFile(nullptr); }

    PackFile& UsePack(const std::string& bytes, const std::string& fileName = "game.dat")
    {
        WriteFile(fileName, bytes);
        mPack = std::make_unique<PackFile>(fileName);
        SetPackFile(mPack.get());
        return *mPack;
    }

    std::unique_ptr<PackFile> mPack;
};
} // namespace

TEST_F(PackTest, NamesMatchInAnyLetterCase)
{
    PackFile& pack = UsePack(BuildPack({{"Res/Audio/Button_Forward.ogg", "OggS-data"},
                                        {"res\\maps\\maps.mac.cgla", "scene"},
                                        {"\"quoted/name.txt/\"", "q"}}));
    EXPECT_EQ(pack.GetEntries().size(), 3u);
    EXPECT_EQ(pack.GetDamage(), "");
    for (const char* path : {"res/audio/button_forward.ogg", "RES/AUDIO/BUTTON_FORWARD.OGG", "Res/Audio/Button_Forward.ogg"})
    {
        cResourceFile file;
        ASSERT_TRUE(file.Open(path)) << path;
        EXPECT_EQ(ReadAll(file), "OggS-data");
    }
    cResourceFile file;
    EXPECT_TRUE(file.Open("res/maps/maps.mac.cgla"));
    EXPECT_EQ(ReadAll(file), "scene");
    EXPECT_TRUE(file.Open("res\\MAPS\\maps.mac.cgla"));
    EXPECT_TRUE(file.Open("quoted/name.txt"));
    EXPECT_FALSE(file.Open("res/audio/missing.ogg"));
    EXPECT_EQ(file.GetMode(), cResourceFile::kClosed);
}

TEST_F(PackTest, LaterEntryOfTheSameNameWins)
{
    UsePack(BuildPack({{"a/File.txt", "first"}, {"A/FILE.TXT", "second"}}));
    cResourceFile file;
    ASSERT_TRUE(file.Open("a/file.txt"));
    EXPECT_EQ(ReadAll(file), "second");
}

TEST_F(PackTest, EntryOffsetsCountFromTheBase)
{
    // Base 4000 (12 + 136 + padding), entry offset 100: the bytes lie at 4100.
    std::string bytes = BuildPack({{"x.bin", "", true, 100, 5}}, 4000 - 148);
    ASSERT_EQ(bytes.size(), 4000u);
    bytes.resize(4100, '.');
    bytes += "HELLO-tail";
    PackFile& pack = UsePack(bytes);
    EXPECT_EQ(pack.GetDataBase(), 4000u);
    EXPECT_EQ(pack.FindOffset("x.bin"), 4100u);
    EXPECT_EQ(pack.FindSize("X.BIN"), 5u);
    EXPECT_EQ(pack.FindOffset("y.bin"), PackFile::kNone);
    cResourceFile file;
    ASSERT_TRUE(file.Open("x.bin"));
    EXPECT_EQ(ReadAll(file), "HELLO");
}

TEST_F(PackTest, LooseFilesComeFirst)
{
    UsePack(BuildPack({{"res/shadow.txt", "packed"}, {"res/only.txt", "packed only"}, {"res/Mixed.txt", "packed"}}));
    WriteFile("res/shadow.txt", "loose");
    WriteFile("res/MIXED.TXT", "loose, other case");
    cResourceFile file;
    ASSERT_TRUE(file.Open("res/shadow.txt"));
    EXPECT_EQ(ReadAll(file), "loose");
    ASSERT_TRUE(file.OpenStream("res/shadow.txt"));
    EXPECT_EQ(file.GetMode(), cResourceFile::kLooseStream);
    EXPECT_EQ(ReadAll(file), "loose");
    // A loose file whose name differs only in case is still taken before the pack.
    ASSERT_TRUE(file.Open("res/Mixed.txt"));
    EXPECT_EQ(ReadAll(file), "loose, other case");
    ASSERT_TRUE(file.OpenStream("res/only.txt"));
    EXPECT_EQ(file.GetMode(), cResourceFile::kPackStream);
    EXPECT_EQ(ReadAll(file), "packed only");
}

TEST_F(PackTest, NoPackMeansLooseFilesOnly)
{
    WriteFile("loose.txt", "abc");
    cResourceFile file;
    EXPECT_TRUE(file.Open("loose.txt"));
    EXPECT_FALSE(file.Open("elsewhere.txt"));
    EXPECT_FALSE(file.Open(""));
    EXPECT_FALSE(file.Open(".")); // a folder is not a file
    EXPECT_FALSE(ResourceFileExists("elsewhere.txt"));
    EXPECT_TRUE(ResourceFileExists("loose.txt"));
}

TEST_F(PackTest, WrongMagicGivesNoEntries)
{
    PackFile& pack = UsePack(BuildPack({{"a.txt", "data"}}, 0, "KLPX"));
    EXPECT_FALSE(pack.IsOpen());
    EXPECT_TRUE(pack.GetEntries().empty());
    EXPECT_EQ(pack.FindOffset("a.txt"), PackFile::kNone);
    WriteFile("b.txt", "loose");
    cResourceFile file;
    EXPECT_FALSE(file.Open("a.txt"));
    EXPECT_TRUE(file.Open("b.txt"));
}

TEST_F(PackTest, BadTablesAreRefused)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* damage; // what the pack says is wrong with it
    };
    std::string huge = BuildPack({{"a.txt", "data"}});
    huge[4] = 0, huge[5] = 0, huge[6] = 0, huge[7] = static_cast<char>(0x80); // count 2^31
    std::string wraps = BuildPack({{"a.txt", "data"}});
    // 0x01E1E1E2 x 136 wraps to a small number in 32 bits.
    wraps[4] = static_cast<char>(0xE2), wraps[5] = static_cast<char>(0xE1), wraps[6] = static_cast<char>(0xE1),
    wraps[7] = 0x01;
    const std::string whole = BuildPack({{"a.txt", "data"}, {"b.txt", "more"}});
    const std::string cutIndex = "it is cut short (its index runs past the end of the file)";
    const Case cases[] = {
        {"count 2^31", huge, cutIndex.c_str()},
        {"count whose table size wraps", wraps, cutIndex.c_str()},
        {"table cut short", whole.substr(0, 12 + 136 + 50), cutIndex.c_str()},
        {"header only", whole.substr(0, 10), "it is cut short within its header"},
        {"empty file", "", "it is not a pack file"},
        {"another kind of file", "PK\3\4 a zip archive, say, of some length", "it is not a pack file"},
    };
    for (const Case& c : cases)
    {
        PackFile& pack = UsePack(c.bytes);
        EXPECT_TRUE(pack.GetEntries().empty()) << c.what;
        EXPECT_FALSE(pack.IsOpen()) << c.what;
        EXPECT_EQ(pack.GetDamage(), c.damage) << c.what;
        cResourceFile file;
        EXPECT_FALSE(file.Open("a.txt")) << c.what;
    }
}

TEST_F(PackTest, BadEntriesAreDropped)
{
    std::string unterminated(128, 'n');
    PackFile& pack = UsePack(BuildPack({
        {"good.txt", "good"},
        {"past-end.txt", "", true, 0, 1000},         // runs past the end of the file
        {"far.txt", "", true, 0xFFFFFFF0u, 0x20},    // base + offset wraps 32 bits
        {unterminated, "x"},                         // no terminator within 128 bytes
        {"", "x"},                                   // no name
        {"last.txt", "", true, 4, 0},                // an empty entry is fine
    }));
    EXPECT_EQ(pack.GetEntries().size(), 2u);
    EXPECT_EQ(pack.GetDroppedCount(), 4u);
    EXPECT_EQ(pack.GetDamage(), "it is cut short (2 of its 6 files run past its end); 2 of its entries have no valid name");
    EXPECT_TRUE(pack.IsCutEntry("PAST-END.txt"));
    EXPECT_TRUE(pack.IsCutEntry("far.txt"));
    EXPECT_FALSE(pack.IsCutEntry("good.txt"));
    EXPECT_FALSE(pack.IsCutEntry("missing.txt"));
    cResourceFile file;
    ASSERT_TRUE(file.Open("good.txt"));
    EXPECT_EQ(ReadAll(file), "good");
    EXPECT_FALSE(file.Open("past-end.txt"));
    EXPECT_FALSE(file.Open("far.txt"));
    ASSERT_TRUE(file.Open("last.txt"));
    EXPECT_EQ(file.GetFileSize(), 0u);
    EXPECT_EQ(ReadAll(file), "");
}

// The damage is told in words whose verbs agree with their counts.
TEST_F(PackTest, DamageCountsOfOneTakeTheSingular)
{
    const struct
    {
        std::vector<tvtest::PackEntry> entries;
        const char* damage;
    } cases[] = {
        {{{"a.txt", "a"}, {"cut.txt", "", true, 0, 1000}, {"b.txt", "b"}},
         "it is cut short (1 of its 3 files runs past its end)"},
        {{{"a.txt", "a"}, {"", "x"}}, "1 of its entries has no valid name"},
        {{{"cut.txt", "", true, 0, 1000}, {"", "x"}, {"b.txt", "b"}},
         "it is cut short (1 of its 3 files runs past its end); 1 of its entries has no valid name"},
        {{{"cut.txt", "", true, 0, 1000}}, "it is cut short (its only file runs past its end)"},
        {{{"", "x"}}, "its only entry has no valid name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UsePack(BuildPack(c.entries)).GetDamage(), c.damage);
}

TEST_F(PackTest, PackReadsStopAtTheEndOfTheFile)
{
    PackFile& pack = UsePack(BuildPack({{"a.txt", "abcdef"}}));
    pack.SeekTo(pack.GetFileSize() - 3);
    char buffer[16];
    EXPECT_EQ(pack.ReadPack(buffer, 16), 3u);
    EXPECT_EQ(std::string(buffer, 3), "def");
    EXPECT_EQ(pack.ReadPack(buffer, 16), 0u);
    pack.SeekTo(pack.GetFileSize() + 100);
    EXPECT_EQ(pack.ReadPack(buffer, 16), 0u);
    pack.ClosePack();
    EXPECT_EQ(pack.ReadPack(buffer, 16), 0u);
    EXPECT_EQ(pack.TellPack(), 0u);
}

TEST_F(PackTest, SeeksClampToTheResource)
{
    UsePack(BuildPack({{"four.bin", "1234"}}));
    WriteFile("loose4.bin", "1234");
    struct Case
    {
        uint32_t from;
        int32_t offset;
        int origin;
        uint32_t expected;
    };
    const Case blockCases[] = {
        {0, 10, 0, 4}, {0, 2, 0, 2}, {3, -2, 1, 1}, {1, -2, 1, 4}, {0, -2, 2, 4}, {0, 9, 2, 4}, {2, 1, 5, 2},
    };
    // The loose stream seeks like the file underneath: before the end works, past it stops.
    const Case looseCases[] = {
        {0, 10, 0, 4}, {0, 2, 0, 2}, {3, -2, 1, 1}, {1, -2, 1, 1}, {0, -2, 2, 2}, {0, 9, 2, 4}, {2, 1, 5, 2},
    };
    cResourceFile inMemory, entry, loose;
    ASSERT_TRUE(inMemory.Open("four.bin"));
    ASSERT_TRUE(entry.OpenStream("four.bin"));
    ASSERT_TRUE(loose.OpenStream("loose4.bin"));
    for (size_t i = 0; i < std::size(blockCases); ++i)
    {
        for (cResourceFile* file : {&inMemory, &entry, &loose})
        {
            const Case& c = file == &loose ? looseCases[i] : blockCases[i];
            file->Seek(static_cast<int32_t>(c.from), 0);
            EXPECT_EQ(file->Seek(c.offset, c.origin), c.expected) << "mode " << file->GetMode() << " case " << i;
            EXPECT_EQ(file->Tell(), c.expected);
        }
    }
    for (cResourceFile* file : {&inMemory, &entry, &loose})
    {
        file->Seek(10, 0);
        EXPECT_EQ(file->ReadByte(), -1);
        file->Seek(1, 0);
        EXPECT_EQ(file->ReadByte(), '2');
        EXPECT_EQ(file->GetFileSize(), 4u);
        EXPECT_EQ(file->Remaining(), 2u);
    }
}

TEST_F(PackTest, StreamsShareThePack)
{
    UsePack(BuildPack({{"one.txt", "AAAAAAAAAA"}, {"two.txt", "bbbbbbbbbb"}}));
    cResourceFile one, two;
    ASSERT_TRUE(one.OpenStream("one.txt"));
    ASSERT_TRUE(two.OpenStream("two.txt"));
    std::string a, b;
    char buffer[3];
    for (int round = 0; round < 4; ++round)
    {
        a.append(buffer, one.Read(buffer, 3));
        b.append(buffer, two.Read(buffer, 3));
    }
    EXPECT_EQ(a, "AAAAAAAAAA");
    EXPECT_EQ(b, "bbbbbbbbbb");
}

TEST_F(PackTest, ClosedFilesReadNothing)
{
    cResourceFile file;
    char byte;
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(file.Seek(3, 0), 0u);
    EXPECT_EQ(file.GetFileSize(), 0u);
    EXPECT_EQ(file.Close(), -1);
    WriteFile("c.txt", "abc");
    ASSERT_TRUE(file.OpenStream("c.txt"));
    EXPECT_EQ(file.Close(), -1);
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(file.GetMode(), cResourceFile::kClosed);
}

TEST_F(PackTest, ExistsWithoutReading)
{
    UsePack(BuildPack({{"res/big.bin", std::string(1000, 'z')}}));
    EXPECT_TRUE(ResourceFileExists("res/BIG.bin"));
    EXPECT_TRUE(PathExists("res/big.bin"));
    EXPECT_TRUE(IsFile("res/big.bin"));
    EXPECT_FALSE(IsFolder("res/big.bin"));
    EXPECT_FALSE(ResourceFileExists("res/small.bin"));
}

TEST_F(PackTest, FolderListings)
{
    PackFile& pack = UsePack(BuildPack({{"res/a/x.png", "1"},
                                        {"res/b/c/y.png", "2"},
                                        {"res/a/W.png", "3"},
                                        {"res/top.txt", "4"},
                                        {"res/a/sub/z.png", "5"}}));
    EXPECT_EQ(pack.ListSubfolders("res"), (std::vector<std::string>{"res/a"}));
    EXPECT_EQ(pack.ListSubfolders("res/a"), (std::vector<std::string>{"res/a/sub"}));
    EXPECT_EQ(pack.ListSubfolders("res/b"), (std::vector<std::string>{"res/b/c"}));
    EXPECT_EQ(pack.ListFiles("res/a"), (std::vector<std::string>{"res/a/w.png", "res/a/x.png"}));
    EXPECT_EQ(pack.ListFiles("res"), (std::vector<std::string>{"res/top.txt"}));
    EXPECT_TRUE(pack.HasPrefix("res/b/"));
    EXPECT_TRUE(pack.HasPrefix(""));
    EXPECT_FALSE(pack.HasPrefix("RES/"));
    EXPECT_FALSE(pack.HasPrefix("res/c"));
}

TEST_F(PackTest, TheWorkingFolderPack)
{
    // No pack in an empty folder.
    fs::create_directories("work");
    EXPECT_EQ(FindPackInFolder("work"), "");
    WriteFile("work/zz.dat", BuildPack({{"z.txt", "z"}}));
    WriteFile("work/Aa.DAT", BuildPack({{"a.txt", "a"}}));
    WriteFile("work/00.txt", "not a pack");
    const std::string found = FindPackInFolder("work");
    EXPECT_EQ(found, "work/Aa.DAT");
    PackFile pack(found);
    EXPECT_EQ(pack.GetPath(), "work/Aa.DAT");
    EXPECT_NE(pack.FindOffset("a.txt"), PackFile::kNone);

    PackFile missing("work/none.dat");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(missing.GetEntries().empty());
}

TEST_F(PackTest, PackFromMemory)
{
    const std::string bytes = BuildPack({{"m.txt", "memory"}});
    PackFile pack;
    ASSERT_TRUE(pack.OpenMemory(bytes.data(), bytes.size()));
    ASSERT_TRUE(pack.ReadIndex());
    SetPackFile(&pack);
    cResourceFile file;
    ASSERT_TRUE(file.Open("M.TXT"));
    EXPECT_EQ(ReadAll(file), "memory");
    EXPECT_NE(file.GetMemory(), nullptr);
    EXPECT_EQ(file.GetMemorySize(), 6u);

    cResourceFile copy;
    ASSERT_TRUE(copy.OpenMemory("xyz", 3, "label"));
    EXPECT_EQ(copy.name, "label");
    EXPECT_EQ(ReadAll(copy), "xyz");
}
