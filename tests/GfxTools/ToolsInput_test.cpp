#include "GfxTools/ToolsInput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace
{
const uint8_t kBytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
}

TEST(ToolsInput, ReadsAreLittleEndianAndNeverPassTheEnd)
{
    CSourceStream source;
    ASSERT_TRUE(source.OpenMemory(kBytes, sizeof kBytes));
    uint32_t u = 0;
    ASSERT_TRUE(source.ReadU32(u));
    EXPECT_EQ(u, 0x04030201u);
    uint16_t h = 0;
    ASSERT_TRUE(source.ReadU16(h));
    EXPECT_EQ(h, 0x0605u);
    uint8_t rest[5] = {};
    EXPECT_FALSE(source.Read(rest, 5)); // one byte more than is left: nothing moves
    EXPECT_EQ(source.Position(), 6u);
    EXPECT_TRUE(source.Read(rest, 4));
    EXPECT_EQ(source.Position(), 10u);
    EXPECT_FALSE(source.Skip(1));
    EXPECT_TRUE(source.Skip(0));

    // A huge count is refused rather than wrapping the position.
    CSourceStream other;
    ASSERT_TRUE(other.OpenMemory(kBytes, sizeof kBytes));
    EXPECT_TRUE(other.Skip(2));
    EXPECT_FALSE(other.Skip(0xFFFFFFFFu));
    EXPECT_FALSE(other.Read(rest, 0xFFFFFFFEu));
    EXPECT_EQ(other.Position(), 2u);
    float f = 0;
    int32_t s = 0;
    EXPECT_TRUE(other.ReadU32(f));
    EXPECT_TRUE(other.ReadU32(s));
    EXPECT_EQ(s, 0x0A090807);
}

TEST(ToolsInput, AllocatingReads)
{
    CSourceStream source;
    ASSERT_TRUE(source.OpenMemory(kBytes, sizeof kBytes));
    uint32_t* words = nullptr;
    ASSERT_TRUE(source.AllocAndReadU32(words, 6)); // one element; two bytes stay
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words[0], 0x04030201u);
    EXPECT_EQ(source.Position(), 4u);
    std::free(words);

    uint16_t* halves = nullptr;
    ASSERT_TRUE(source.AllocAndReadU16(halves, 4));
    EXPECT_EQ(halves[1], 0x0807u);
    std::free(halves);

    uint8_t* bytes = nullptr;
    EXPECT_TRUE(source.AllocAndReadBytes(bytes, 0));
    EXPECT_EQ(bytes, nullptr);
    // A length beyond what is left allocates nothing.
    EXPECT_FALSE(source.AllocAndReadBytes(bytes, 0x7FFFFFFF));
    EXPECT_EQ(bytes, nullptr);
    ASSERT_TRUE(source.AllocAndReadBytes(bytes, 2));
    EXPECT_EQ(bytes[1], 10);
    std::free(bytes);

    uint32_t table[3] = {7, 7, 7};
    CSourceStream shortSource;
    ASSERT_TRUE(shortSource.OpenMemory(kBytes, 9));
    EXPECT_FALSE(shortSource.ReadU32Array(table, 3)); // the third element fails, untouched
    EXPECT_EQ(table[1], 0x08070605u);
    EXPECT_EQ(table[2], 7u);

    struct Record
    {
        int32_t a;
        float b;
    };
    Record* records = nullptr;
    EXPECT_TRUE(CSource::AllocZeroed(records, 0));
    EXPECT_EQ(records, nullptr);
    ASSERT_TRUE(CSource::AllocZeroed(records, 3));
    EXPECT_EQ(records[2].a, 0);
    std::free(records);
}

TEST(ToolsInput, FilesRootAndMemoryTable)
{
    std::ofstream("disk.bin", std::ios::binary).write("DISK", 4);
    AddMemoryFile("disk.bin", "MEMORY", 6, true);
    static const char kShared[] = "shared";
    AddMemoryFile("only/in/memory", kShared, 6, false);
    EXPECT_EQ(MemoryFileCount(), 2u);
    EXPECT_STREQ(MemoryFileName(1), "only/in/memory");
    EXPECT_EQ(MemoryFileName(2), nullptr);

    // A file on disk takes precedence over a table entry of the same name.
    CToolsResourceFile disk("disk.bin");
    ASSERT_TRUE(disk.IsOpen());
    EXPECT_FALSE(disk.IsBorrowed());
    EXPECT_EQ(disk.Size(), 4u);
    EXPECT_STREQ(disk.StringData(), "DISK"); // terminated after the bytes

    CToolsResourceFile memory("only/in/memory");
    ASSERT_TRUE(memory.IsOpen());
    EXPECT_TRUE(memory.IsBorrowed());
    EXPECT_EQ(memory.Data(), reinterpret_cast<const uint8_t*>(kShared));
    EXPECT_FALSE(CToolsResourceFile("Only/In/Memory").IsOpen()); // exact names only
    const void* data = nullptr;
    EXPECT_TRUE(FindMemoryFile("disk.bin", &data, nullptr));
    EXPECT_EQ(std::memcmp(data, "MEMORY", 6), 0);

    CToolsResourceFile::SetFileRoot("sub/");
    std::filesystem::create_directories("sub");
    std::ofstream("sub/rooted.bin", std::ios::binary).write("R", 1);
    CSourceStream rooted;
    EXPECT_TRUE(rooted.OpenFile("rooted.bin"));
    EXPECT_EQ(rooted.Remaining(), 1u);
    CToolsResourceFile::SetFileRoot(nullptr);
    EXPECT_FALSE(rooted.OpenFile("rooted.bin"));
    EXPECT_EQ(rooted.Remaining(), 0u);

    memory.Close();
    EXPECT_FALSE(memory.IsOpen());
    EXPECT_EQ(memory.Data(), nullptr);
    ClearMemoryFiles();
    EXPECT_EQ(MemoryFileCount(), 0u);
    // Growth by ten keeps earlier entries.
    for (int i = 0; i < 25; ++i)
    {
        // Appending (not "f" + string) keeps GCC 12's -O3 -Wrestrict false positive away.
        std::string name = "f";
        name += std::to_string(i);
        AddMemoryFile(name.c_str(), "x", 1, true);
    }
    EXPECT_STREQ(MemoryFileName(24), "f24");
    EXPECT_TRUE(FindMemoryFile("f3", nullptr, nullptr));
    ClearMemoryFiles();
}

TEST(ToolsInput, EmbeddedResources)
{
    CSourceResource source;
    EXPECT_FALSE(source.OpenResource("scene.pod")); // the program embeds nothing
    static const uint8_t kBlob[] = {0xAA, 0xBB, 0xCC};
    RegisterEmbeddedResource("scene.pod", kBlob, 3);
    RegisterEmbeddedResource("empty.pod", kBlob, 0);
    EXPECT_FALSE(source.OpenResource("empty.pod"));
    ASSERT_TRUE(source.OpenResource("scene.pod"));
    uint16_t h = 0;
    EXPECT_TRUE(source.ReadU16(h));
    EXPECT_EQ(h, 0xBBAAu);
    EXPECT_FALSE(source.ReadU16(h));
    EXPECT_TRUE(source.Skip(1));
    EXPECT_FALSE(source.Skip(1));
    ClearEmbeddedResources();
}
