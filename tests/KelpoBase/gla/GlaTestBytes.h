// Builds scene file bytes by hand for the reader's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace glatest
{
struct Bytes
{
    std::vector<uint8_t> b;

    template <class T>
    Bytes& put(T v)
    {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        b.insert(b.end(), raw, raw + sizeof(T));
        return *this;
    }
    Bytes& u8(uint8_t v) { return put(v); }
    Bytes& u16(uint16_t v) { return put(v); }
    Bytes& s16(int16_t v) { return put(v); }
    Bytes& u32(uint32_t v) { return put(v); }
    Bytes& s32(int32_t v) { return put(v); }
    Bytes& f32(float v) { return put(v); }
    Bytes& str(const std::string& s)
    {
        u8(static_cast<uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& rgba(uint8_t r, uint8_t g, uint8_t bl, uint8_t a) { return u8(r).u8(g).u8(bl).u8(a); }
    // Reserves a u32 size field; Close fills it with the byte count that follows it.
    size_t open() { size_t at = b.size(); u32(0); return at; }
    Bytes& close(size_t at)
    {
        const uint32_t n = static_cast<uint32_t>(b.size() - at - 4);
        std::memcpy(b.data() + at, &n, 4);
        return *this;
    }
    // Empty tracks.
    Bytes& none() { return u16(0); }
    // The header with an empty type block.
    Bytes& header(uint16_t version) { return u16(version).u16(0).u32(2).u16(0); }
    // The start of a scene record up to its property count (exclusive); returns the size field's place.
    size_t scene(const std::string& name, uint16_t version, const std::vector<std::string>& needed = {},
                 const std::string& type = "", int16_t frames = 10)
    {
        size_t at = open();
        str(name).u16(static_cast<uint16_t>(needed.size()));
        for (const auto& n : needed)
            str(n);
        if (version >= 3)
            f32(0).f32(0).f32(30).u32(0);
        str(type).s16(frames);
        return at;
    }
};
} // namespace glatest
