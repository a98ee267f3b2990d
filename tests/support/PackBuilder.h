// Pack files built in tests: header, table, then the entries' bytes in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tvtest
{
struct PackEntry
{
    std::string name;
    std::string bytes;
    // When set, the entry's table fields are written as given instead of from bytes.
    bool raw = false;
    uint32_t offset = 0;
    uint32_t size = 0;
};

inline void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The data area starts at the base, which is the end of the table unless padding is asked
// for; names longer than 128 bytes are cut (and so left unterminated).
inline std::string BuildPack(const std::vector<PackEntry>& entries, uint32_t padding = 0, const char* magic = "KLPA")
{
    const uint32_t base = 12 + 136 * static_cast<uint32_t>(entries.size()) + padding;
    std::string out(magic, 4);
    PutU32(out, static_cast<uint32_t>(entries.size()));
    PutU32(out, base);
    std::string data(padding, '\0');
    std::string dataArea;
    for (const PackEntry& e : entries)
    {
        PutU32(out, e.raw ? e.offset : padding + static_cast<uint32_t>(dataArea.size()));
        PutU32(out, e.raw ? e.size : static_cast<uint32_t>(e.bytes.size()));
        std::string name = e.name;
        name.resize(128, '\0');
        out += name;
        dataArea += e.bytes;
    }
    return out + data + dataArea;
}
} // namespace tvtest
