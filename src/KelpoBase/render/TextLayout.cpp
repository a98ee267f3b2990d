#include "KelpoBase/render/TextLayout.h"

#include "KelpoBase/render/Font.h"

namespace
{
// The glyph of a byte (bytes as unsigned values, as the drawer reads them).
const FontGlyph* Glyph(const cFont& font, char c) { return font.GlyphOf(uint8_t(c)); }

// The width a glyph adds when followed by the byte at `next` (the end when past the text).
int64_t GlyphWidth(const cFont& font, const FontGlyph& g, const std::string& text, size_t next)
{
    int64_t width = g.code >= 32 ? g.advance : 0;
    if (next < text.size() && text[next] != 0)
    {
        const FontGlyph* n = Glyph(font, text[next]);
        if (n != nullptr && n->index != 0)
            width += g.KerningTo(n->index);
    }
    return width;
}

bool IsLineBreak(char c) { return c == 10 || c == 13; }
} // namespace

cTextLayout::cTextLayout(const cFont* layoutFont, int32_t width, const std::string& text)
    : font(layoutFont), maxWidth(width)
{
    SetText(text);
}

void cTextLayout::Reset()
{
    font = nullptr;
    maxWidth = 0x7FFFFFFF;
    lines.clear();
}

void cTextLayout::SetText(const std::string& input)
{
    lines.clear();
    height = 0;
    if (font == nullptr)
        return;
    const cFont& f = *font;
    // The text ends at its first 0 byte, as a C string would.
    const std::string text = input.substr(0, input.find('\0'));
    std::string cur;
    int64_t w = 0;

    auto endLine = [&](bool halfLine) {
        lines.push_back({cur, 0, height});
        const int32_t step = halfLine ? f.lineHeight / 2 : f.lineHeight;
        height = int32_t(uint32_t(height) + uint32_t(step));
        cur.clear();
        w = 0;
    };

    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i)
    {
        const char c = text[i];
        const FontGlyph* g = Glyph(f, c);
        if (g == nullptr)
        {
            // A line break right after another one adds half a line: an empty line
            // between paragraphs.
            if (IsLineBreak(c))
                endLine(i > 0 && IsLineBreak(text[i - 1]));
            continue;
        }
        cur += c;
        w += GlyphWidth(f, *g, text, i + 1);
        if (g->code != 32)
            continue;
        if (w > maxWidth)
        {
            endLine(false);
            continue;
        }
        // Look ahead over the next word: move it to the next line when it would pass the
        // width.
        int64_t w2 = w;
        for (size_t j = i + 1; j < n; ++j)
        {
            const char c2 = text[j];
            const FontGlyph* g2 = Glyph(f, c2);
            if (g2 == nullptr)
                continue;
            if (c2 == ' ' || j == n - 1)
            {
                if (w2 > maxWidth)
                    endLine(false);
                break;
            }
            w2 += GlyphWidth(f, *g2, text, j + 1);
            if (w2 > maxWidth)
            {
                endLine(false);
                break;
            }
        }
    }
    if (!cur.empty())
        endLine(false);
}
