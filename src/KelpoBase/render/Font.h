// cFont: a bitmap font read from a "CFNT" file, with its page image and text measuring.
//
// File layout (little-endian, 32-bit fields): "CFNT", a non-zero word, the glyph count N,
// then N glyph records: code, x, y, w, h, offsetX, top, advance, and a kerning row of N
// signed 16-bit entries (the adjustment toward each glyph of the file, in file order; only
// the low byte counts, as a signed 8-bit value). The page image has the font's name with
// the extension "png" and is loaded as a texture of its own.
//
// The reader (Read, ReadFromMemory) makes no graphics calls; Load adds the page through the
// resource layer. Text is measured and drawn byte by byte with bytes as unsigned values,
// so characters 128 to 255 have glyphs like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/TextureAtlas.h"

class cDataStream;
class cImage;

struct FontGlyph
{
    uint32_t index = 0; // position in the file
    int32_t code = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t offsetX = 0;
    int32_t top = 0;
    int32_t advance = 0;
    std::vector<int16_t> kerning; // one entry per glyph of the file
    ImageRect rect;               // on the page, once the page is loaded

    // The kerning toward the glyph of that index: the entry's low byte, signed.
    int32_t KerningTo(uint32_t otherIndex) const
    {
        return otherIndex < kerning.size() ? int32_t(int8_t(uint8_t(kerning[otherIndex] & 0xFF))) : 0;
    }
};

struct TextSize
{
    int32_t width = 0;
    int32_t height = 0;
};

class cFont : public cResource
{
    KELPO_DECLARE_CLASS(cFont, cResource)
public:
    cFont();
    ~cFont() override;

    // Reads the font file, then loads its page (through LoadTexture, linear filtering).
    // Null when the file is missing or not a valid font.
    static cFont* Load(const std::string& fontPath, const std::string& pagePath);
    // The loader registered with the resource layer.
    static cResource* LoadResource(const std::string& fontPath, const std::string& pagePath);
    // The glyph records only (no page). Null for a wrong magic, a second word of 0, or a
    // glyph count whose records do not fit in what the stream holds.
    static cFont* Read(cDataStream& stream);
    static cFont* ReadFromMemory(const uint8_t* data, size_t size);

    // Gives every glyph its rectangle on the page (rows of the page stored bottom to top).
    void SetPage(cImage* pageImage);

    // 8-bit text ended by a 0 byte: the width runs on over every line; the height is one
    // line plus one per line feed (when the font has a glyph of code 10).
    TextSize MeasureText(const char* text) const;
    TextSize MeasureText(const std::string& text) const { return MeasureText(text.c_str()); }
    // 16-bit text ended by 0: the widest line, and one line height per line.
    TextSize MeasureTextW(const char16_t* text) const;
    int32_t MeasureTextWidth(const char* text) const { return MeasureText(text).width; }
    int32_t MeasureTextHeight(const char* text) const { return MeasureText(text).height; }
    int32_t MeasureTextWidthW(const char16_t* text) const { return MeasureTextW(text).width; }
    int32_t MeasureTextHeightW(const char16_t* text) const { return MeasureTextW(text).height; }

    int32_t GetLineHeight() const { return lineHeight; }
    void SetLineHeight(int32_t n) { lineHeight = n; }
    int32_t GetMinBottom() const { return minBottom; }
    int32_t GetMaxTop() const { return maxTop; }
    int32_t GetAscent() const { return minBottom + lineHeight; }

    // The glyph of a byte, or null.
    const FontGlyph* GlyphOf(uint8_t c) const { return table[c]; }
    // The glyph index a following byte contributes to kerning (0 when it has no glyph).
    uint32_t KerningIndexOf(uint8_t c) const { return table[c] != nullptr ? table[c]->index : 0; }

    // Gives the digits "0" to "9" one common advance, centred in the wider cell, without
    // kerning between them.
    bool MakeDigitsMonospaced();

    cImage* page = nullptr; // owned by the resource group
    uint32_t glyphCount = 0;
    std::vector<FontGlyph> glyphs;
    int32_t lineHeight = 0;
    int32_t minBottom = 0;
    int32_t maxTop = 0;
    FontGlyph* table[256] = {};
};
