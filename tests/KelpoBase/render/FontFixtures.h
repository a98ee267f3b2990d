// CFNT font files built in memory for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tvtest
{
struct GlyphDesc
{
    int32_t code = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t offsetX = 0;
    int32_t top = 0;
    int32_t advance = 0;
};

inline void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// "CFNT", the word 1, the count, then each record with its kerning row; kerning maps
// (from glyph index, to glyph index) to the 16-bit entry.
inline std::vector<uint8_t> BuildFont(const std::vector<GlyphDesc>& glyphs,
                                      const std::map<std::pair<uint32_t, uint32_t>, uint16_t>& kerning = {})
{
    std::vector<uint8_t> out;
    PutU32(out, 0x544E4643);
    PutU32(out, 1);
    PutU32(out, uint32_t(glyphs.size()));
    for (uint32_t i = 0; i < glyphs.size(); ++i)
    {
        const GlyphDesc& g = glyphs[i];
        for (int32_t v : {g.code, g.x, g.y, g.w, g.h, g.offsetX, g.top, g.advance})
            PutU32(out, uint32_t(v));
        for (uint32_t j = 0; j < glyphs.size(); ++j)
        {
            auto it = kerning.find({i, j});
            const uint16_t k = it == kerning.end() ? 0 : it->second;
            out.push_back(uint8_t(k));
            out.push_back(uint8_t(k >> 8));
        }
    }
    return out;
}

// A glyph of every given code with the same cell: w x h, top h, advance.
inline std::vector<GlyphDesc> UniformGlyphs(const std::string& codes, int32_t w, int32_t h, int32_t advance)
{
    std::vector<GlyphDesc> glyphs;
    int32_t x = 0;
    for (char c : codes)
    {
        glyphs.push_back({int32_t(uint8_t(c)), x, 0, w, h, 0, h, advance});
        x += w + 1;
    }
    return glyphs;
}
} // namespace tvtest
