#include "KelpoBase/render/Font.h"

#include <algorithm>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/render/Image.h"

namespace
{
constexpr uint32_t kFontMagic = 0x544E4643; // "CFNT"
constexpr uint64_t kGlyphFixedBytes = 8 * 4;
} // namespace

cFont::cFont() = default;

cFont::~cFont()
{
    glyphs.clear();
    std::fill(std::begin(table), std::end(table), nullptr);
}

cFont* cFont::Read(cDataStream& stream)
{
    if (stream.Remaining() < 12)
        return nullptr;
    if (stream.ReadU32() != kFontMagic)
        return nullptr;
    if (stream.ReadU32() == 0)
        return nullptr;
    const uint32_t count = stream.ReadU32();
    // Every record (its fixed fields and its kerning row of count entries) must lie in
    // the file before anything is allocated. Divided rather than multiplied: count times
    // the record size can pass 2^64 for counts near 3e9.
    const uint64_t recordBytes = kGlyphFixedBytes + 2ull * count;
    if (count > stream.Remaining() / recordBytes)
        return nullptr;

    auto* font = new cFont();
    font->glyphCount = count;
    font->glyphs.resize(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        FontGlyph& g = font->glyphs[i];
        g.index = i;
        g.kerning.assign(count, 0);
        g.code = stream.ReadS32();
        g.x = stream.ReadS32();
        g.y = stream.ReadS32();
        g.w = stream.ReadS32();
        g.h = stream.ReadS32();
        g.offsetX = stream.ReadS32();
        g.top = stream.ReadS32();
        font->maxTop = std::max(font->maxTop, g.top);
        // Computed in 64 bits: extreme values must not overflow.
        const int64_t bottom = int64_t(g.top) - int64_t(g.h);
        font->minBottom = int32_t(std::clamp<int64_t>(std::min<int64_t>(font->minBottom, bottom), INT32_MIN, 0));
        g.advance = stream.ReadS32();
        if (count != 0 && stream.Read(g.kerning.data(), count * 2) != count * 2)
        {
            delete font;
            return nullptr;
        }
    }
    font->lineHeight = int32_t(std::clamp<int64_t>(int64_t(font->maxTop) - font->minBottom, 0, INT32_MAX));
    for (FontGlyph& g : font->glyphs)
        if (uint32_t(g.code) < 256)
            font->table[g.code] = &g;
    return font;
}

cFont* cFont::ReadFromMemory(const uint8_t* data, size_t size)
{
    if (data == nullptr || size > 0xFFFFFFFFu)
        return nullptr;
    cResourceFile file;
    if (!file.OpenMemory(data, uint32_t(size), "font"))
        return nullptr;
    return Read(file);
}

cFont* cFont::Load(const std::string& fontPath, const std::string& pagePath)
{
    cResourceFile file;
    if (!file.Open(fontPath))
        return nullptr;
    cFont* font = Read(file);
    if (font == nullptr)
        return nullptr;
    cImage* pageImage = ClassCast<cImage>(LoadTexture(pagePath, kTexLinearFilter));
    if (pageImage != nullptr)
        font->SetPage(pageImage);
    return font;
}

cResource* cFont::LoadResource(const std::string& fontPath, const std::string& pagePath)
{
    return Load(fontPath, pagePath);
}

void cFont::SetPage(cImage* pageImage)
{
    page = pageImage;
    if (page == nullptr)
        return;
    const int32_t pageHeight = int32_t(page->height);
    for (FontGlyph& g : glyphs)
    {
        ImageRect& r = g.rect;
        r.image = page;
        r.x = g.x;
        r.y = pageHeight - g.y - g.h;
        r.w = g.w;
        r.h = g.h;
        r.ComputeTexCoords();
    }
}

TextSize cFont::MeasureText(const char* text) const
{
    // Sums wrap (unsigned) rather than overflow on absurd glyph values.
    uint32_t width = 0, extra = 0;
    if (text != nullptr)
    {
        for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p != 0; ++p)
        {
            const FontGlyph* g = table[*p];
            if (g == nullptr)
                continue;
            if (g->code == 10)
                extra += uint32_t(lineHeight);
            else if (g->code >= 32)
                width += uint32_t(g->advance);
            if (p[1] != 0)
                width += uint32_t(g->KerningTo(KerningIndexOf(p[1])));
        }
    }
    return {int32_t(width), int32_t(uint32_t(lineHeight) + extra)};
}

TextSize cFont::MeasureTextW(const char16_t* text) const
{
    int32_t width = 0;
    uint32_t lineWidth = 0, extra = 0;
    if (text != nullptr)
    {
        for (const char16_t* p = text; *p != 0; ++p)
        {
            const char16_t c = *p;
            if (c == 10)
            {
                extra += uint32_t(lineHeight);
                width = std::max(width, int32_t(lineWidth));
                lineWidth = 0;
                continue;
            }
            const FontGlyph* g = c < 256 ? table[c] : nullptr;
            if (g == nullptr)
                continue;
            if (g->code >= 32)
                lineWidth += uint32_t(g->advance);
            if (p[1] != 0)
            {
                const FontGlyph* next = p[1] < 256 ? table[p[1]] : nullptr;
                lineWidth += uint32_t(g->KerningTo(next != nullptr ? next->index : 0));
            }
        }
    }
    return {std::max(width, int32_t(lineWidth)), int32_t(uint32_t(lineHeight) + extra)};
}

bool cFont::MakeDigitsMonospaced()
{
    if (glyphs.empty())
        return true;
    FontGlyph* digits[10];
    int32_t widest = INT32_MIN;
    for (int d = 0; d < 10; ++d)
    {
        digits[d] = table['0' + d] != nullptr ? table['0' + d] : &glyphs[0];
        widest = std::max(widest, digits[d]->advance);
    }
    for (FontGlyph* g : digits)
    {
        const int64_t d = int64_t(widest) - g->advance;
        g->advance = widest;
        g->offsetX = int32_t(uint32_t(g->offsetX) + uint32_t(d >> 1));
        for (const FontGlyph* other : digits)
            if (other->index < g->kerning.size())
                g->kerning[other->index] = int16_t(uint16_t(g->kerning[other->index]) & 0xFF00u);
    }
    return true;
}
