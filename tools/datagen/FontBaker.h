// Bakes a "CFNT" font from the built-in glyphs: the glyph records (with a zero kerning
// table) and the page picture that holds every glyph, white on transparent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datagen/Canvas.h"

namespace datagen
{
struct BakedFont
{
    std::vector<uint8_t> file; // the CFNT bytes
    Canvas page{1, 1};
};

// Glyph pixels of clear space below the base line in every glyph's box.
constexpr int kLineGapRows = 3;

// Every code the built-in set has a glyph for (32-126, 0x93, 0x94), each glyph pixel
// drawn as scale x scale; glyphs sit on the base line (top = seven glyph pixels), their
// boxes reach kLineGapRows below it, and they advance by the glyph width plus a gap of
// one glyph pixel. With an outline, each glyph is ringed that many pixels thick in the
// dark ink, for a text that must read over light and dark alike (the text's colour tints
// the white and leaves the ring dark); its box grows by the ring on every side, about the
// same pen position and advance.
BakedFont BakeFont(int scale, int outline = 0);
// Writes "<stem>.bin" and "<stem>.png"; false when a file cannot be written.
bool WriteFont(const BakedFont& font, const std::string& stem);
} // namespace datagen
