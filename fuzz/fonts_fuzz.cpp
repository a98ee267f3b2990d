// Feeds arbitrary bytes to the font reader and to the multi-sprite reader. A font that
// reads is then exercised: its table, text measuring (8- and 16-bit), monospaced digits
// and a text layout over bytes of the input, so that any record the checks let through
// is touched.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/MultiSprite.h"
#include "KelpoBase/render/TextLayout.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
ImageRect gTile;

ImageRect* FakeTile(const std::string& path)
{
    gTile.w = int32_t(path.size());
    gTile.h = 16;
    return path.size() % 3 == 0 ? nullptr : &gTile;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(data, size));
    if (font)
    {
        // Text from the input itself, bytes above 127 included.
        const size_t take = size < 200 ? size : 200;
        std::string text(reinterpret_cast<const char*>(data + size - take), take);
        for (char& c : text)
            if (c == 0)
                c = ' ';
        // Sums are unsigned: glyph values are arbitrary.
        volatile uint32_t sink = uint32_t(font->MeasureText(text).width) + uint32_t(font->MeasureText(text).height);
        std::u16string wide;
        for (char c : text)
            wide.push_back(char16_t(uint8_t(c)) * 3u);
        sink = sink + uint32_t(font->MeasureTextW(wide.c_str()).width);
        for (const FontGlyph& g : font->glyphs)
            sink = sink + uint32_t(g.KerningTo(uint32_t(g.code)));
        const cTextLayout layout(font.get(), int32_t(size % 400) - 20, text);
        for (const cTextLayout::Line& line : layout.lines)
            sink = sink + uint32_t(line.text.size()) + uint32_t(line.y);
        font->MakeDigitsMonospaced();
        sink = sink + uint32_t(font->MeasureText("0123456789").width);
        (void)sink;
    }
    std::unique_ptr<cMultiSprite> sprite(cMultiSprite::ReadFromMemory(data, size, "fuzz/sprite.txt", &FakeTile));
    if (sprite)
    {
        volatile float sink = 0.0f;
        for (const cVec2f& o : sprite->offsets)
            sink = sink + o.x + o.y;
        (void)sink;
    }
    return 0;
}
