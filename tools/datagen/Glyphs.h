// The built-in bitmap glyph set the data tools draw text with: 5x7 pixel glyphs in a
// 6x8 cell, for printable ASCII (32-126) and the curly double quotes 0x93 and 0x94.
#pragma once

#include <cstdint>
#include <string>

namespace datagen
{
constexpr int kGlyphWidth = 5;  // lit columns of a glyph
constexpr int kGlyphHeight = 7; // rows of a glyph, all above the base line
constexpr int kGlyphAdvance = 6;

// True when the glyph set has a glyph for the code.
bool HasGlyph(uint8_t code);
// Seven rows, top first; bit 4 is the leftmost column. Null when there is no glyph.
const uint8_t* GlyphRows(uint8_t code);

// Calls plot(x, y) for every lit glyph pixel of a line of text, in glyph pixels from the
// top-left of the first cell; bytes without a glyph advance like a space.
template <class Plot>
void ForEachGlyphPixel(const std::string& text, Plot&& plot)
{
    int x = 0;
    for (char ch : text)
    {
        if (const uint8_t* rows = GlyphRows(uint8_t(ch)))
            for (int r = 0; r < kGlyphHeight; ++r)
                for (int col = 0; col < kGlyphWidth; ++col)
                    if (rows[r] & (0x10 >> col))
                        plot(x + col, r);
        x += kGlyphAdvance;
    }
}
} // namespace datagen
