#include "KelpoBase/core/DataStream.h"

#include <algorithm>
#include <limits>

// ---------------------------------------------------------------------------
// cDataStream

cDataStream::~cDataStream() = default;

int cDataStream::Close() { return 0; }
uint32_t cDataStream::Write(const void*, uint32_t) { return 0; }
uint32_t cDataStream::Read(void*, uint32_t) { return 0; }
uint32_t cDataStream::Seek(int32_t, int) { return 0; }
uint32_t cDataStream::Tell() { return 0; }
uint32_t cDataStream::GetLength() { return 0; }

uint32_t cDataStream::Remaining()
{
    const uint32_t length = GetLength();
    const uint32_t at = Tell();
    return at < length ? length - at : 0;
}

// ---------------------------------------------------------------------------
// String helpers

bool ReadShortString(cDataStream& stream, std::string& out)
{
    uint8_t length = 0;
    const bool gotLength = stream.Read(&length, 1) == 1;
    out.clear();
    if (!gotLength)
        return false;
    for (uint32_t i = 0; i < length; ++i)
    {
        char c;
        if (stream.Read(&c, 1) != 1)
            return false;
        out.push_back(c);
    }
    return true;
}

void WriteShortString(cDataStream& stream, const std::string& text)
{
    // The length byte cannot say more than 255: longer text is cut there, so the
    // bytes written always agree with the length a reader will see.
    const uint8_t length = static_cast<uint8_t>(std::min<size_t>(text.size(), 255));
    stream.Write(&length, 1);
    for (size_t i = 0; i < length; ++i)
        stream.Write(&text[i], 1);
}

void WriteShortStringChars(cDataStream& stream, const std::string& text)
{
    const size_t length = std::min<size_t>(text.size(), 255);
    for (size_t i = 0; i < length; ++i)
        stream.Write(&text[i], 1);
}

bool ReadLine(cDataStream& stream, std::string& out)
{
    out.clear();
    bool any = false;
    for (;;)
    {
        char c;
        if (stream.Read(&c, 1) != 1)
            return any;
        any = true;
        if (c == '\n' || c == '\0')
            return true;
        if (c != '\r')
            out.push_back(c);
    }
}

bool ReadWideLine(cDataStream& stream, std::u16string& out)
{
    bool any = false;
    uint8_t sequence[4];
    int expected = 0; // length of the open sequence, 0 when none is open
    int have = 0;
    for (;;)
    {
        uint8_t b;
        if (stream.Read(&b, 1) != 1)
            return any;
        any = true;
        if (b == '\n')
            return true;
        if (b == '\r')
            continue;
        if (b < 0x80)
        {
            expected = 0;
            out.push_back(static_cast<char16_t>(b));
            continue;
        }
        if (b >= 0x80 && b <= 0xBF)
        {
            if (expected == 0)
                continue;
            sequence[have++] = b;
            if (have < expected)
                continue;
            if (expected == 2)
                out.push_back(static_cast<char16_t>(((sequence[0] & 0x1F) << 6) | (sequence[1] & 0x3F)));
            else if (expected == 3)
                out.push_back(static_cast<char16_t>(((sequence[0] & 0x0F) << 12) | ((sequence[1] & 0x3F) << 6) |
                                                    (sequence[2] & 0x3F)));
            else
                out.push_back(u'\0'); // beyond 0xFFFF: does not fit a 16-bit character
            expected = 0;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
            expected = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            expected = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            expected = 4;
        else
        {
            expected = 0;
            continue;
        }
        sequence[0] = b;
        have = 1;
    }
}

bool ReadLongString(cDataStream& stream, std::string& out)
{
    out.clear();
    uint8_t lengthBytes[2];
    if (stream.Read(lengthBytes, 2) != 2)
        return false;
    const uint32_t length = (uint32_t(lengthBytes[0]) << 8) | lengthBytes[1];
    std::string text(length, '\0');
    const uint32_t got = length ? stream.Read(text.data(), length) : 0;
    text.resize(got);
    out.assign(text.c_str());
    return got == length;
}

// ---------------------------------------------------------------------------
// cMemoryDataStream

cMemoryDataStream::cMemoryDataStream(uint32_t capacity) { Init(capacity); }

cMemoryDataStream::cMemoryDataStream(const void* bytes, uint32_t n)
{
    Init(n);
    if (n)
        std::memcpy(mBuffer.get(), bytes, n);
    mSize = n;
}

cMemoryDataStream::~cMemoryDataStream() = default;

void cMemoryDataStream::Init(uint32_t capacity)
{
    mBuffer.reset(capacity ? new uint8_t[capacity]() : nullptr);
    mCapacity = capacity;
    mPosition = 0;
    mSize = 0;
}

void cMemoryDataStream::SetSize(uint32_t n)
{
    mSize = std::min(n, mCapacity);
    mPosition = std::min(mPosition, mSize);
}

int cMemoryDataStream::Close()
{
    mBuffer.reset();
    mPosition = mSize = mCapacity = 0;
    return 0;
}

uint32_t cMemoryDataStream::Write(const void* bytes, uint32_t n)
{
    if (n == 0)
        return 0;
    const uint64_t end = uint64_t(mPosition) + n;
    if (end > mCapacity)
    {
        // Grow in steps of 4096 bytes; a stream cannot pass 4 GiB.
        const uint64_t limit = std::numeric_limits<uint32_t>::max();
        if (mGrowable && end <= limit)
        {
            uint64_t capacity = mCapacity;
            while (capacity < end)
                capacity += 4096;
            capacity = std::min(capacity, limit);
            std::unique_ptr<uint8_t[]> grown(new uint8_t[capacity]());
            if (mSize)
                std::memcpy(grown.get(), mBuffer.get(), mSize);
            mBuffer = std::move(grown);
            mCapacity = static_cast<uint32_t>(capacity);
        }
        else
        {
            n = mCapacity - mPosition; // write what fits
        }
    }
    if (n == 0)
        return 0;
    std::memcpy(mBuffer.get() + mPosition, bytes, n);
    mPosition += n;
    mSize = std::max(mSize, mPosition);
    return n;
}

uint32_t cMemoryDataStream::Read(void* dest, uint32_t n)
{
    const uint32_t left = mPosition < mSize ? mSize - mPosition : 0;
    n = std::min(n, left);
    if (n)
        std::memcpy(dest, mBuffer.get() + mPosition, n);
    mPosition += n;
    return n;
}

uint32_t cMemoryDataStream::Seek(int32_t offset, int origin)
{
    switch (origin)
    {
    case kSeekStart:
        mPosition = static_cast<uint32_t>(offset);
        break;
    case kSeekCurrent:
        mPosition += static_cast<uint32_t>(offset);
        break;
    case kSeekEnd:
        mPosition = mSize;
        break;
    default:
        break;
    }
    // Unsigned: a position driven below 0 counts as past the end.
    if (mPosition > mSize)
        mPosition = mSize;
    return Tell();
}

// ---------------------------------------------------------------------------
// cPlusPlusNetData

cPlusPlusNetData::cPlusPlusNetData(std::unique_ptr<uint8_t[]> buffer, uint32_t size)
    : mBuffer(std::move(buffer)), mSize(mBuffer ? size : 0)
{
}

cPlusPlusNetData::cPlusPlusNetData(std::vector<uint8_t> bytes)
{
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(bytes.size(), std::numeric_limits<uint32_t>::max()));
    if (size)
    {
        mBuffer.reset(new uint8_t[size]);
        std::memcpy(mBuffer.get(), bytes.data(), size);
    }
    mSize = size;
}

cPlusPlusNetData::~cPlusPlusNetData() = default;

uint32_t cPlusPlusNetData::Read(void* dest, uint32_t n)
{
    n = std::min(n, mSize - mCursor);
    if (n)
        std::memcpy(dest, mBuffer.get() + mCursor, n);
    mCursor += n;
    return n;
}

// ---------------------------------------------------------------------------
// cFileDataStream

cFileDataStream::cFileDataStream(const std::string& path) { OpenForWrite(path); }

cFileDataStream::~cFileDataStream() = default;

bool cFileDataStream::OpenForWrite(const std::string& path)
{
    name = path;
    mWriteMode = true;
    if (mOut.is_open())
        mOut.close();
    mOut.clear();
    mOut.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    return mOut.is_open();
}

bool cFileDataStream::OpenForRead(const std::string& path)
{
    name = path;
    mWriteMode = false;
    if (mIn.is_open())
        mIn.close();
    mIn.clear();
    mIn.open(path, std::ios::binary | std::ios::in);
    return mIn.is_open();
}

bool cFileDataStream::IsOpen() const { return mWriteMode ? mOut.is_open() : mIn.is_open(); }

bool cFileDataStream::Good() const { return mWriteMode ? mOut.is_open() && mOut.good() : mIn.is_open() && !mIn.bad(); }

int cFileDataStream::Close()
{
    if (mWriteMode)
    {
        if (mOut.is_open())
            mOut.close();
    }
    else if (mIn.is_open())
    {
        mIn.close();
    }
    return 0;
}

uint32_t cFileDataStream::Write(const void* bytes, uint32_t n)
{
    if (!mWriteMode || !mOut.is_open() || !mOut.good() || n == 0)
        return 0;
    mOut.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(n));
    return mOut.good() ? n : 0;
}

uint32_t cFileDataStream::Read(void* dest, uint32_t n)
{
    if (mWriteMode || !mIn.is_open() || n == 0)
        return 0;
    mIn.read(static_cast<char*>(dest), static_cast<std::streamsize>(n));
    const auto got = mIn.gcount();
    if (mIn.eof())
        mIn.clear(); // the end is not an error: later seeks must still work
    return static_cast<uint32_t>(got);
}

uint32_t cFileDataStream::Seek(int32_t offset, int origin)
{
    std::ios::seekdir dir;
    switch (origin)
    {
    case kSeekStart:
        dir = std::ios::beg;
        break;
    case kSeekCurrent:
        dir = std::ios::cur;
        break;
    case kSeekEnd:
        dir = std::ios::end;
        break;
    default:
        return Tell();
    }
    if (mWriteMode)
    {
        if (mOut.is_open())
            mOut.seekp(offset, dir);
    }
    else if (mIn.is_open())
    {
        mIn.clear();
        mIn.seekg(offset, dir);
        if (mIn.fail())
            mIn.clear();
    }
    return Tell();
}

uint32_t cFileDataStream::Tell()
{
    std::streamoff at = -1;
    if (mWriteMode)
    {
        if (mOut.is_open())
            at = mOut.tellp();
    }
    else if (mIn.is_open())
    {
        at = mIn.tellg();
    }
    return at < 0 ? 0 : static_cast<uint32_t>(at);
}
