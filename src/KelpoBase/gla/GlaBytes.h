// A bounds-checked little-endian cursor over bytes in memory, used by the scene readers.
//
// Every read checks what is left before it touches the data. A read past the end marks
// the cursor failed, yields zeros and moves nowhere, so a reader of damaged data never
// reads past its end and finds out from Failed() (or Need()) when to give up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class cGlaBytes
{
public:
    cGlaBytes(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    size_t Position() const { return mPos; }
    size_t Size() const { return mSize; }
    size_t Remaining() const { return mSize - mPos; }
    bool Failed() const { return mFailed; }
    void Fail() { mFailed = true; }

    // True when n more bytes are there; marks the cursor failed otherwise.
    bool Need(size_t n)
    {
        if (mFailed || n > mSize - mPos)
        {
            mFailed = true;
            return false;
        }
        return true;
    }
    // True when count items of at least itemSize bytes each can still be there.
    bool NeedItems(uint64_t count, size_t itemSize)
    {
        if (itemSize != 0 && count > (mSize - mPos) / itemSize)
        {
            mFailed = true;
            return false;
        }
        return !mFailed;
    }

    void Skip(size_t n)
    {
        if (Need(n))
            mPos += n;
    }
    // Moves to an absolute position within the data; fails beyond its end.
    void SeekTo(size_t pos)
    {
        if (mFailed || pos > mSize)
            mFailed = true;
        else
            mPos = pos;
    }
    // Narrows the readable data to end there (for reading one record within its size);
    // returns the end to restore with Unlimit.
    size_t Limit(size_t end)
    {
        const size_t old = mSize;
        if (end < mSize)
            mSize = end < mPos ? mPos : end;
        return old;
    }
    void Unlimit(size_t oldEnd) { mSize = oldEnd; }

    uint8_t U8() { return Get<uint8_t>(); }
    uint16_t U16() { return Get<uint16_t>(); }
    int16_t S16() { return Get<int16_t>(); }
    uint32_t U32() { return Get<uint32_t>(); }
    int32_t S32() { return Get<int32_t>(); }
    float F32() { return Get<float>(); }

    // A u8 byte count and that many bytes.
    std::string Str()
    {
        const uint8_t n = U8();
        if (!Need(n))
            return std::string();
        std::string text(reinterpret_cast<const char*>(mData + mPos), n);
        mPos += n;
        return text;
    }
    void SkipStr() { Skip(U8()); }

private:
    template <class T>
    T Get()
    {
        T value{};
        if (Need(sizeof(T)))
        {
            std::memcpy(&value, mData + mPos, sizeof(T));
            mPos += sizeof(T);
        }
        return value;
    }

    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
    bool mFailed = false;
};
