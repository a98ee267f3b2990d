// cTextLayout: a string broken into lines that fit a width in pixels, measured with a
// font's advances and kerning. Lines break after spaces (a word that would pass the
// width moves to the next line) and at line feeds and carriage returns; an empty line
// between paragraphs adds half a line of space. The drawer aligns each line when it draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cFont;

class cTextLayout
{
public:
    struct Line
    {
        std::string text; // the characters with a glyph, with the space the line broke at
        int32_t x = 0;    // always 0: the alignment places the line
        int32_t y = 0;    // from the top of the block
    };

    cTextLayout() = default;
    cTextLayout(const cFont* font, int32_t maxWidth, const std::string& text);

    void SetFont(const cFont* newFont) { font = newFont; }
    void SetMaxWidth(int32_t width) { maxWidth = width; }
    void Reset();
    // Discards the lines and lays the text out anew (no lines without a font).
    void SetText(const std::string& text);

    const cFont* font = nullptr;
    int32_t maxWidth = 0x7FFFFFFF;
    int32_t height = 0;
    std::vector<Line> lines;
};
