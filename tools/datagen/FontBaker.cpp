#include "datagen/FontBaker.h"

#include <fstream>

#include "datagen/ArtParts.h"
#include "datagen/Glyphs.h"

namespace datagen
{
namespace
{
void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

int NextPowerOfTwo(int v)
{
    int p = 1;
    while (p < v)
        p *= 2;
    return p;
}
} // namespace

BakedFont BakeFont(int scale, int outline)
{
    std::vector<uint8_t> codes;
    for (int c = 0; c < 256; ++c)
        if (HasGlyph(uint8_t(c)))
            codes.push_back(uint8_t(c));

    // Cells with a one-pixel border of clear space, sixteen to a row. A cell reaches
    // kLineGapRows glyph pixels below the base line, left clear: the font's line height
    // then keeps that much space between the lines of a text.
    const int cellW = kGlyphWidth * scale + 2 * outline, cellH = (kGlyphHeight + kLineGapRows) * scale + 2 * outline;
    const int top = kGlyphHeight * scale + outline;
    const int stepX = cellW + 2, stepY = cellH + 2, perRow = 16;
    const int rows = (int(codes.size()) + perRow - 1) / perRow;
    BakedFont font;
    font.page = Canvas(NextPowerOfTwo(perRow * stepX), NextPowerOfTwo(rows * stepY));

    std::vector<uint8_t>& out = font.file;
    PutU32(out, 0x544E4643); // "CFNT"
    PutU32(out, 1);
    PutU32(out, uint32_t(codes.size()));
    for (size_t i = 0; i < codes.size(); ++i)
    {
        const int x = int(i % perRow) * stepX + 1, y = int(i / perRow) * stepY + 1;
        const std::string glyph(1, char(codes[i]));
        // The ring: the glyph stamped in ink at every offset within the outline's radius.
        for (int dy = -outline; dy <= outline; ++dy)
            for (int dx = -outline; dx <= outline; ++dx)
                if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= outline * outline)
                    font.page.DrawText(glyph, x + outline + dx, y + outline + dy, scale, kInk);
        font.page.DrawText(glyph, x + outline, y + outline, scale, kWhite);
        const int32_t fields[8] = {codes[i], x, y, cellW, cellH, -outline, top, kGlyphAdvance * scale};
        for (int32_t v : fields)
            PutU32(out, uint32_t(v));
        out.insert(out.end(), codes.size() * 2, 0); // no kerning
    }
    return font;
}

bool WriteFont(const BakedFont& font, const std::string& stem)
{
    if (!MakeParentFolders(stem + ".bin"))
        return false;
    std::ofstream file(stem + ".bin", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(font.file.data()), std::streamsize(font.file.size()));
    file.close();
    return file.good() && font.page.SavePng(stem + ".png");
}
} // namespace datagen
