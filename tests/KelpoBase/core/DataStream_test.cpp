#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"

namespace
{
cMemoryDataStream StreamOf(const std::vector<uint8_t>& bytes)
{
    return cMemoryDataStream(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<uint8_t> Contents(const cMemoryDataStream& stream)
{
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.GetSize());
}

// A stream that delivers at most one byte per Read, to show that helpers do not rely
// on whole reads where they read byte by byte.
class cTrickle : public cDataStream
{
public:
    explicit cTrickle(std::string bytes) : mBytes(std::move(bytes)) {}
    uint32_t Read(void* dest, uint32_t n) override
    {
        if (n == 0 || mAt >= mBytes.size())
            return 0;
        std::memcpy(dest, &mBytes[mAt++], 1);
        return 1;
    }

private:
    std::string mBytes;
    size_t mAt = 0;
};
} // namespace

TEST(MemoryDataStream, GrowsInSteps)
{
    cMemoryDataStream stream(16);
    EXPECT_TRUE(stream.name.empty());
    std::vector<uint8_t> first(16);
    for (size_t i = 0; i < first.size(); ++i)
        first[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(stream.Write(first.data(), 16), 16u);
    EXPECT_EQ(stream.GetCapacity(), 16u);
    const uint8_t more[4] = {0xA, 0xB, 0xC, 0xD};
    EXPECT_EQ(stream.Write(more, 4), 4u);
    EXPECT_EQ(stream.GetCapacity(), 4112u);
    EXPECT_EQ(stream.GetSize(), 20u);
    EXPECT_EQ(std::memcmp(stream.GetBuffer(), first.data(), 16), 0);
    EXPECT_EQ(stream.GetBuffer()[19], 0xD);

    // Overwriting in place keeps the size.
    stream.Seek(2, 0);
    stream.WriteU8(0xEE);
    EXPECT_EQ(stream.GetSize(), 20u);
    EXPECT_EQ(stream.GetBuffer()[2], 0xEE);
}

TEST(MemoryDataStream, SeeksClampToTheSize)
{
    cMemoryDataStream stream = StreamOf({1, 2, 3});
    struct Case
    {
        uint32_t from;
        int32_t offset;
        int origin;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 5, 0, 3},  {0, 1, 0, 1},   {2, -1, 1, 1}, {1, -10, 1, 3}, // below 0 wraps and lands at the size
        {0, -2, 2, 3}, {1, 0, 7, 1},                                  // an unknown origin changes nothing
    };
    for (const Case& c : cases)
    {
        stream.Seek(static_cast<int32_t>(c.from), 0);
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected) << c.from << " " << c.offset << " " << c.origin;
        EXPECT_EQ(stream.Tell(), c.expected);
    }
    stream.Seek(0, 2);
    uint8_t byte = 9;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 9);
}

TEST(MemoryDataStream, ReadsReportWhatArrived)
{
    cMemoryDataStream stream = StreamOf({1, 2, 3, 4, 5});
    uint8_t bytes[8] = {};
    EXPECT_EQ(stream.Read(bytes, 3), 3u);
    EXPECT_EQ(stream.Remaining(), 2u);
    EXPECT_EQ(stream.Read(bytes, 8), 2u);
    EXPECT_EQ(bytes[1], 5);
    EXPECT_EQ(stream.Read(bytes, 8), 0u);
}

TEST(MemoryDataStream, CloseInitAndSetSize)
{
    cMemoryDataStream stream(64);
    EXPECT_TRUE(stream.HasBuffer());
    std::memcpy(stream.GetBuffer(), "hello", 5);
    stream.SetSize(5);
    EXPECT_EQ(stream.ReadU8(), 'h');
    stream.SetSize(1000); // never beyond the capacity
    EXPECT_EQ(stream.GetSize(), 64u);
    stream.Close();
    EXPECT_FALSE(stream.HasBuffer());
    EXPECT_EQ(stream.GetSize(), 0u);
    EXPECT_EQ(stream.ReadU32(), 0u);
    stream.Init(8);
    stream.WriteU32(0x01020304);
    EXPECT_EQ(Contents(stream), (std::vector<uint8_t>{4, 3, 2, 1}));
}

TEST(MemoryDataStream, FixedSizeWritesOnlyWhatFits)
{
    cMemoryDataStream stream(4);
    stream.SetGrowable(false);
    const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(stream.Write(bytes, 6), 4u);
    EXPECT_EQ(stream.GetCapacity(), 4u);
    EXPECT_EQ(Contents(stream), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(TypedHelpers, LittleEndianRoundTrip)
{
    cMemoryDataStream stream;
    stream.WriteBool(true);
    stream.WriteU8(200);
    stream.WriteU16(0xBEEF);
    stream.WriteS16(-2);
    stream.WriteU32(0xDEADBEEF);
    stream.WriteS32(-123456);
    stream.WriteFloat(1.25f);
    struct Vec3
    {
        float x, y, z;
    };
    stream.WriteBlock12(Vec3{1.0f, 2.0f, 3.0f});
    EXPECT_EQ(stream.GetSize(), 1u + 1 + 2 + 2 + 4 + 4 + 4 + 12);
    EXPECT_EQ(stream.GetBuffer()[2], 0xEF); // low byte first
    EXPECT_EQ(stream.GetBuffer()[3], 0xBE);

    stream.Seek(0, 0);
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_EQ(stream.ReadU8(), 200);
    EXPECT_EQ(stream.ReadU16(), 0xBEEF);
    EXPECT_EQ(stream.ReadS16(), -2);
    EXPECT_EQ(stream.ReadU32(), 0xDEADBEEFu);
    EXPECT_EQ(stream.ReadS32(), -123456);
    EXPECT_EQ(stream.ReadFloat(), 1.25f);
    struct Vec2
    {
        float x, y;
    } v2{};
    stream.ReadBlock8(v2);
    EXPECT_EQ(v2.x, 1.0f);
    EXPECT_EQ(v2.y, 2.0f);
    uint32_t raw = 0;
    stream.ReadBlock4(raw);
    float z;
    std::memcpy(&z, &raw, 4);
    EXPECT_EQ(z, 3.0f);
}

TEST(TypedHelpers, BoolIsAnyNonZeroByteAndShortReadsAreZero)
{
    cMemoryDataStream stream = StreamOf({0, 1, 2, 0xFF, 0xAA, 0xBB});
    EXPECT_FALSE(stream.ReadBool());
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_TRUE(stream.ReadBool());
    EXPECT_EQ(stream.ReadU32(), 0u); // only two bytes left
    EXPECT_EQ(stream.ReadU8(), 0u);
    uint64_t record = 0x1111111111111111ull;
    stream.ReadBlock8(record);
    EXPECT_EQ(record, 0u);
}

TEST(StringHelpers, ShortStrings)
{
    cMemoryDataStream in = StreamOf({3, 'a', 'b', 'c', 0, 9});
    std::string out = "junk";
    EXPECT_TRUE(ReadShortString(in, out));
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(in.Tell(), 4u);
    EXPECT_TRUE(ReadShortString(in, out));
    EXPECT_EQ(out, "");
    // A length that runs past the data gives what is there and says so.
    EXPECT_FALSE(ReadShortString(in, out));
    EXPECT_EQ(out, "");

    cMemoryDataStream truncated = StreamOf({5, 'x', 'y'});
    EXPECT_FALSE(ReadShortString(truncated, out));
    EXPECT_EQ(out, "xy");
}

TEST(StringHelpers, LongShortStringIsCutAt255)
{
    cMemoryDataStream stream;
    WriteShortString(stream, std::string(300, 'z'));
    EXPECT_EQ(stream.GetSize(), 256u);
    EXPECT_EQ(stream.GetBuffer()[0], 255);
    stream.Seek(0, 0);
    std::string back;
    EXPECT_TRUE(ReadShortString(stream, back));
    EXPECT_EQ(back, std::string(255, 'z'));

    cMemoryDataStream chars;
    WriteShortStringChars(chars, "hey");
    EXPECT_EQ(Contents(chars), (std::vector<uint8_t>{'h', 'e', 'y'}));
}

TEST(StringHelpers, Lines)
{
    cTrickle stream(std::string("ab\r\ncd\0ef\n\nlast", 16));
    std::string line;
    std::vector<std::string> lines;
    while (ReadLine(stream, line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd", "ef", "", "last"}));
    EXPECT_EQ(line, "");
}

TEST(StringHelpers, WideLines)
{
    // "Aé€" then a four-byte sequence, a stray continuation byte, a 0 byte and CR LF.
    const std::string bytes("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80" "\0x\r\nnext", 19);
    cTrickle stream(bytes);
    std::u16string out = u">";
    EXPECT_TRUE(ReadWideLine(stream, out));
    EXPECT_EQ(out, std::u16string(u">A\u00e9\u20ac\0\0x", 7));
    std::u16string next;
    EXPECT_TRUE(ReadWideLine(stream, next));
    EXPECT_EQ(next, u"next");
    EXPECT_FALSE(ReadWideLine(stream, next));
}

TEST(StringHelpers, LongStrings)
{
    cMemoryDataStream stream = StreamOf({0x00, 0x05, 'h', 'i', 0, 'x', 'y', 0x01, 0x00, 'q'});
    std::string out;
    EXPECT_TRUE(ReadLongString(stream, out));
    EXPECT_EQ(out, "hi");
    EXPECT_EQ(stream.Tell(), 7u);
    EXPECT_FALSE(ReadLongString(stream, out)); // claims 256 bytes, holds 1
    EXPECT_EQ(out, "q");
}

TEST(PlusPlusNetData, ReadsTheBlockItOwns)
{
    cPlusPlusNetData block(std::vector<uint8_t>{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(block.ReadU32(), 0x04030201u);
    EXPECT_EQ(block.Tell(), 4u);
    EXPECT_EQ(block.Seek(0, 0), 0u); // seeking is not supported
    EXPECT_EQ(block.Tell(), 4u);
    uint8_t bytes[8];
    EXPECT_EQ(block.Read(bytes, 8), 2u); // never past the block
    EXPECT_EQ(block.Read(bytes, 8), 0u);
    EXPECT_EQ(block.Write(bytes, 1), 0u);

    std::unique_ptr<uint8_t[]> raw(new uint8_t[2]{7, 8});
    cPlusPlusNetData taken(std::move(raw), 2);
    EXPECT_EQ(taken.ReadU16(), 0x0807);
}

TEST(FileDataStream, WritesFiles)
{
    {
        cFileDataStream file("out.bin");
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(file.name, "out.bin");
        file.WriteU32(0x11223344);
        WriteShortString(file, "name");
        EXPECT_EQ(file.Tell(), 9u);
        file.Seek(0, 0);
        file.WriteU8(0x55);
        EXPECT_TRUE(file.Good());
    }
    std::ifstream in("out.bin", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("\x55\x33\x22\x11\x04name", 9));

    cFileDataStream reader;
    ASSERT_TRUE(reader.OpenForRead("out.bin"));
    EXPECT_EQ(reader.ReadU8(), 0x55);
    EXPECT_EQ(reader.Seek(-4, 2), 5u);
    uint8_t rest[16];
    EXPECT_EQ(reader.Read(rest, 16), 4u);
    EXPECT_EQ(reader.Seek(0, 0), 0u); // still usable after reaching the end
    EXPECT_EQ(reader.ReadU8(), 0x55);
}

TEST(FileDataStream, FailedOpenWritesNothing)
{
    cFileDataStream file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.OpenForWrite("no/such/folder/out.bin"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Write("abc", 3), 0u);
    EXPECT_EQ(file.Tell(), 0u);
    EXPECT_FALSE(std::filesystem::exists("no/such/folder/out.bin"));
}
