// Input sources of the graphics tools code: the byte sources the POD reader reads
// through, the little-endian typed reads built on them, whole-file images
// (CToolsResourceFile), the process-wide table of named in-memory files that whole-file
// images fall back to, and the embedded-resource table that stands in for resources
// linked into the program's own module.
//
// Every read, skip and allocation reports false on failure and prints nothing. Reads never
// pass the end of the data: a request that would is refused whole and the position stays.
// Allocating reads check the requested length against the bytes left before allocating.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "GfxTools/ToolsString.h"

class CToolsResourceFile;

class CSource
{
public:
    CSource() = default;
    CSource(const CSource&) = delete;
    CSource& operator=(const CSource&) = delete;
    virtual ~CSource() = default;

    virtual bool Read(void* destination, uint32_t n) = 0;
    virtual bool Skip(uint32_t n) = 0;
    // Bytes between the position and the end of the data.
    virtual uint32_t Remaining() const = 0;

    // Four bytes b0..b3 as b0 | b1 << 8 | b2 << 16 | b3 << 24, whatever the host's order;
    // for unsigned, signed, float and enumeration destinations alike.
    template <class T> bool ReadU32(T& out)
    {
        static_assert(sizeof(T) == 4 && std::is_trivially_copyable_v<T>, "a 4-byte value");
        uint8_t b[4];
        if (!Read(b, 4))
            return false;
        const uint32_t v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        std::memcpy(&out, &v, 4);
        return true;
    }
    template <class T> bool ReadU16(T& out)
    {
        static_assert(sizeof(T) == 2 && std::is_trivially_copyable_v<T>, "a 2-byte value");
        uint8_t b[2];
        if (!Read(b, 2))
            return false;
        const uint16_t v = uint16_t(b[0] | b[1] << 8);
        std::memcpy(&out, &v, 2);
        return true;
    }
    // A block marker: identifier, then data length.
    bool ReadBlockHeader(uint32_t& identifier, uint32_t& length) { return ReadU32(identifier) && ReadU32(length); }

    // Element by element; true only when every element was read (a failed element leaves
    // its slot untouched and the loop goes on).
    template <class T> bool ReadU32Array(T* out, uint32_t count)
    {
        bool all = true;
        for (uint32_t i = 0; i < count; ++i)
            all = ReadU32(out[i]) && all;
        return all;
    }
    template <class T> bool ReadU16Array(T* out, uint32_t count)
    {
        bool all = true;
        for (uint32_t i = 0; i < count; ++i)
            all = ReadU16(out[i]) && all;
        return all;
    }

    // With a non-zero length: length zero-filled bytes (freed with std::free), read whole.
    bool AllocAndReadBytes(uint8_t*& out, uint32_t length);
    // length / 2 (length / 4) elements when length reaches the element size; the remainder
    // of an odd length is left in the source.
    template <class T> bool AllocAndReadU16(T*& out, uint32_t length)
    {
        if (length < 2)
            return true;
        if (length / 2 * 2 > Remaining() || !AllocZeroed(out, length / 2))
            return false;
        return ReadU16Array(out, length / 2);
    }
    template <class T> bool AllocAndReadU32(T*& out, uint32_t length)
    {
        if (length < 4)
            return true;
        if (length / 4 * 4 > Remaining() || !AllocZeroed(out, length / 4))
            return false;
        return ReadU32Array(out, length / 4);
    }

    // A zero-filled array of count records (freed with std::free); count 0 allocates
    // nothing and succeeds.
    template <class T> static bool AllocZeroed(T*& out, uint32_t count)
    {
        static_assert(std::is_trivially_copyable_v<T>, "plain records only");
        if (count == 0)
            return true;
        out = static_cast<T*>(std::calloc(count, sizeof(T)));
        return out != nullptr;
    }
};

// A source over a whole-file image.
class CSourceStream : public CSource
{
public:
    CSourceStream() = default;
    ~CSourceStream() override;

    // Loads the file (file root + name, else the memory-file table); false when neither has it.
    bool OpenFile(const char* fileName);
    // Reads the caller's memory in place (not copied, not freed).
    bool OpenMemory(const void* data, uint32_t size);

    bool Read(void* destination, uint32_t n) override;
    bool Skip(uint32_t n) override;
    uint32_t Remaining() const override;
    uint32_t Position() const { return m_Position; }

private:
    void Discard();

    CToolsResourceFile* m_pFile = nullptr;
    uint32_t m_Position = 0;
};

// A source over a resource embedded in the program (see RegisterEmbeddedResource).
class CSourceResource : public CSource
{
public:
    CSourceResource() = default;
    ~CSourceResource() override = default;

    // False when no embedded resource has the name, or it is empty.
    bool OpenResource(const char* name);

    bool Read(void* destination, uint32_t n) override;
    bool Skip(uint32_t n) override;
    uint32_t Remaining() const override { return m_Size - m_Position; }
    uint32_t Position() const { return m_Position; }

private:
    const uint8_t* m_pData = nullptr;
    uint32_t m_Size = 0;
    uint32_t m_Position = 0;
};

// A whole file in memory: loaded from disk (the file root put in front of the name), else
// taken from the memory-file table, or wrapped around a caller's block.
class CToolsResourceFile
{
public:
    explicit CToolsResourceFile(const char* fileName);
    CToolsResourceFile(const void* data, uint32_t size);
    CToolsResourceFile(const CToolsResourceFile&) = delete;
    CToolsResourceFile& operator=(const CToolsResourceFile&) = delete;
    virtual ~CToolsResourceFile();

    // Frees owned data and clears every field.
    void Close();

    bool IsOpen() const { return m_Open != 0; }
    bool IsBorrowed() const { return m_Borrowed != 0; }
    uint32_t Size() const { return m_Size; }
    const uint8_t* Data() const { return m_pData; }
    const char* StringData() const { return reinterpret_cast<const char*>(m_pData); }

    // Sets the text put in front of every file name opened from disk (null: empty).
    static void SetFileRoot(const char* root);
    static const CToolsString& GetFileRoot();

private:
    uint8_t m_Open = 0;
    uint8_t m_Borrowed = 0;
    uint32_t m_Size = 0;
    uint8_t* m_pData = nullptr;
};

// The process-wide table of named in-memory files. With copy set, the table keeps its own
// copies of the name and the data; otherwise both must outlive the table's use.
void AddMemoryFile(const char* name, const void* data, uint32_t size, bool copy);
// The first entry whose name equals the name exactly; each out parameter is written only
// when given.
bool FindMemoryFile(const char* name, const void** data, uint32_t* size);
uint32_t MemoryFileCount();
// The name of entry index, or null outside 0 .. count - 1.
const char* MemoryFileName(uint32_t index);
// Empties the table (copied entries are freed); also done at exit.
void ClearMemoryFiles();

// Resources linked into the program. Programs register their blobs at start-up (this one
// registers none); the data must stay alive and is never freed by the table.
void RegisterEmbeddedResource(const char* name, const void* data, uint32_t size);
bool FindEmbeddedResource(const char* name, const uint8_t** data, uint32_t* size);
void ClearEmbeddedResources();
