// cDataStream: the engine's byte stream, and its memory, read-only block and file
// streams.
//
// Every binary reader and writer of the engine moves its bytes through this one small
// interface. Multi-byte values travel in the machine's byte order, which is
// little-endian on every platform the engine runs on, so every engine format read
// through these helpers is little-endian.
//
// Reads report the bytes really delivered. The typed helpers never fail loudly: a value
// that the stream could not deliver whole reads as 0 (the bytes that did arrive are
// dropped), so a reader of bad data gets defined values and decides from its own checks
// (counts against Remaining()) when to give up.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class cDataStream
{
public:
    cDataStream() = default;
    cDataStream(const cDataStream&) = delete;
    cDataStream& operator=(const cDataStream&) = delete;
    virtual ~cDataStream();

    // Origins for Seek.
    enum : int
    {
        kSeekStart = 0,
        kSeekCurrent = 1,
        kSeekEnd = 2
    };

    // Releases what the stream holds; the base does nothing and answers 0
    // (cResourceFile answers -1).
    virtual int Close();
    // Writes n bytes; returns the bytes really written (the base writes nothing).
    virtual uint32_t Write(const void* bytes, uint32_t n);
    // Reads up to n bytes into dest; returns the bytes really delivered.
    virtual uint32_t Read(void* dest, uint32_t n);
    // Moves the cursor (origin kSeekStart, kSeekCurrent or kSeekEnd); returns the new position.
    virtual uint32_t Seek(int32_t offset, int origin);
    virtual uint32_t Tell();
    // The number of bytes the stream holds, when it knows it (0 otherwise).
    virtual uint32_t GetLength();

    // Bytes between the cursor and GetLength() (0 when the cursor is at or past it).
    uint32_t Remaining();

    // Typed helpers: one Read or Write of the value's own bytes.
    bool ReadBool() { return ReadValue<uint8_t>() != 0; }
    uint8_t ReadU8() { return ReadValue<uint8_t>(); }
    int8_t ReadS8() { return ReadValue<int8_t>(); }
    uint16_t ReadU16() { return ReadValue<uint16_t>(); }
    int16_t ReadS16() { return ReadValue<int16_t>(); }
    uint32_t ReadU32() { return ReadValue<uint32_t>(); }
    int32_t ReadS32() { return ReadValue<int32_t>(); }
    float ReadFloat() { return ReadValue<float>(); }

    // Reads 4 (8) bytes into a caller's 4-byte (8-byte) record and returns the record.
    // A short read leaves the record zeroed.
    template <class T> T& ReadBlock4(T& record) { return ReadRecord<T, 4>(record); }
    template <class T> T& ReadBlock8(T& record) { return ReadRecord<T, 8>(record); }

    void WriteBool(bool value) { WriteValue<uint8_t>(value ? 1 : 0); }
    void WriteU8(uint8_t value) { WriteValue(value); }
    void WriteU16(uint16_t value) { WriteValue(value); }
    void WriteS16(int16_t value) { WriteValue(value); }
    void WriteU32(uint32_t value) { WriteValue(value); }
    void WriteS32(int32_t value) { WriteValue(value); }
    void WriteFloat(float value) { WriteValue(value); }
    // Writes a caller's 12-byte record (such as a 3D vector of three floats).
    template <class T> void WriteBlock12(const T& record)
    {
        static_assert(sizeof(T) == 12 && std::is_trivially_copyable_v<T>, "a 12-byte plain record");
        Write(&record, 12);
    }

    // The path a file-backed stream was opened with; empty for memory streams.
    std::string name;

private:
    template <class T> T ReadValue()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        unsigned char bytes[sizeof(T)] = {};
        T value{};
        if (Read(bytes, sizeof(T)) == sizeof(T))
            std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    template <class T, size_t N> T& ReadRecord(T& record)
    {
        static_assert(sizeof(T) == N && std::is_trivially_copyable_v<T>, "a plain record of the block's size");
        unsigned char bytes[N] = {};
        if (Read(bytes, N) != N)
            std::memset(bytes, 0, N);
        std::memcpy(&record, bytes, N);
        return record;
    }
    template <class T> void WriteValue(T value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        Write(bytes, sizeof(T));
    }
};

// A one-byte length n, then n bytes read one at a time. out holds exactly the bytes
// that arrived; returns false when the stream ended early.
bool ReadShortString(cDataStream& stream, std::string& out);
// The length (at most 255: longer text is cut to its first 255 bytes) as one byte,
// then those bytes one at a time.
void WriteShortString(cDataStream& stream, const std::string& text);
// The same bytes without the length byte (the caller writes the length itself).
void WriteShortStringChars(cDataStream& stream, const std::string& text);
// One line: a line feed or a 0 byte ends it (neither is stored), carriage returns are
// dropped, the end of the stream ends it too. Returns false when the stream was already
// at its end (nothing was read).
bool ReadLine(cDataStream& stream, std::string& out);
// One line of UTF-8 appended (out is not emptied) to a 16-bit string: a line feed or
// the end of the stream ends it, carriage returns are dropped, a 0 byte is kept;
// code points above 0xFFFF become 0; stray bytes are skipped. Returns false when the
// stream was already at its end.
bool ReadWideLine(cDataStream& stream, std::u16string& out);
// A 16-bit big-endian length, then that many bytes; out holds the text up to the first
// 0 byte. Returns false when the stream ended early.
bool ReadLongString(cDataStream& stream, std::string& out);

// A growable stream over one heap buffer that it owns.
class cMemoryDataStream : public cDataStream
{
public:
    explicit cMemoryDataStream(uint32_t capacity = 0);
    // A stream holding a copy of the given bytes, positioned at 0 (size = capacity = n).
    cMemoryDataStream(const void* bytes, uint32_t n);
    ~cMemoryDataStream() override;

    // A fresh zeroed buffer of that capacity; position and size 0. Frees any earlier one.
    void Init(uint32_t capacity);
    uint8_t* GetBuffer() { return mBuffer.get(); }
    const uint8_t* GetBuffer() const { return mBuffer.get(); }
    uint32_t GetSize() const { return mSize; }
    uint32_t GetCapacity() const { return mCapacity; }
    // Sets the number of valid bytes after the owner filled GetBuffer() directly
    // (at most the capacity; the position is kept at or below it).
    void SetSize(uint32_t n);
    bool HasBuffer() const { return mCapacity > 0; }
    // With growth off, a write that would pass the capacity writes only what fits.
    void SetGrowable(bool growable) { mGrowable = growable; }

    int Close() override;
    uint32_t Write(const void* bytes, uint32_t n) override;
    uint32_t Read(void* dest, uint32_t n) override;
    uint32_t Seek(int32_t offset, int origin) override;
    uint32_t Tell() override { return mPosition; }
    uint32_t GetLength() override { return mSize; }

private:
    std::unique_ptr<uint8_t[]> mBuffer;
    uint32_t mPosition = 0;
    uint32_t mSize = 0;
    uint32_t mCapacity = 0;
    bool mGrowable = true;
};

// A read-only stream over a block of bytes that it takes over.
class cPlusPlusNetData : public cDataStream
{
public:
    cPlusPlusNetData(std::unique_ptr<uint8_t[]> buffer, uint32_t size);
    explicit cPlusPlusNetData(std::vector<uint8_t> bytes);
    ~cPlusPlusNetData() override;

    // Copies up to n bytes from the cursor (never past the block) and advances.
    uint32_t Read(void* dest, uint32_t n) override;
    uint32_t Tell() override { return mCursor; }
    uint32_t GetLength() override { return mSize; }
    const uint8_t* GetData() const { return mBuffer.get(); }

private:
    std::unique_ptr<uint8_t[]> mBuffer;
    uint32_t mSize = 0;
    uint32_t mCursor = 0;
};

// A stream over files; the engine uses it to write files (binary).
class cFileDataStream : public cDataStream
{
public:
    cFileDataStream() = default;
    explicit cFileDataStream(const std::string& path);
    ~cFileDataStream() override;

    // Creates or truncates the file for binary output; false when it cannot be created
    // (later writes then write nothing).
    bool OpenForWrite(const std::string& path);
    // Opens an existing file for binary input.
    bool OpenForRead(const std::string& path);
    bool IsOpen() const;
    // False once a write failed or the file could not be opened.
    bool Good() const;

    int Close() override;
    uint32_t Write(const void* bytes, uint32_t n) override;
    uint32_t Read(void* dest, uint32_t n) override;
    uint32_t Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;

private:
    std::ifstream mIn;
    std::ofstream mOut;
    bool mWriteMode = false;
};
