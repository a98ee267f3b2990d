// Bitmap fonts: the CFNT reader, its checks against the file, glyph rectangles on the
// page, text measuring and monospaced digits.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "FakeRenderer.h"
#include "FontFixtures.h"
#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Surface.h"

using tvtest::BuildFont;
using tvtest::GlyphDesc;

namespace
{
std::unique_ptr<cFont> Read(const std::vector<uint8_t>& bytes)
{
    return std::unique_ptr<cFont>(cFont::ReadFromMemory(bytes.data(), bytes.size()));
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
} // namespace

TEST(Font, ReadsGlyphsLineMetricsAndTable)
{
    // Tops 20 and 15, bottoms -5 and 2: line height 25.
    const auto font = Read(BuildFont({{65, 0, 0, 10, 25, 1, 20, 12}, {66, 11, 0, 10, 13, 0, 15, 11}}));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphCount, 2u);
    EXPECT_EQ(font->GetMaxTop(), 20);
    EXPECT_EQ(font->GetMinBottom(), -5);
    EXPECT_EQ(font->GetLineHeight(), 25);
    EXPECT_EQ(font->GetAscent(), 20);
    ASSERT_NE(font->GlyphOf('A'), nullptr);
    EXPECT_EQ(font->GlyphOf('A')->offsetX, 1);
    EXPECT_EQ(font->GlyphOf('B')->index, 1u);
    EXPECT_EQ(font->GlyphOf('C'), nullptr);
}

TEST(Font, LaterGlyphOfOneCodeWinsAndLargeCodesStayOut)
{
    const auto font = Read(BuildFont({{65, 0, 0, 1, 1, 0, 1, 5}, {65, 0, 0, 1, 1, 0, 1, 9}, {300, 0, 0, 1, 1, 0, 1, 7},
                                      {-1, 0, 0, 1, 1, 0, 1, 7}}));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GlyphOf('A')->advance, 9);
    EXPECT_EQ(font->GlyphOf('A')->index, 1u);
    for (int c = 0; c < 256; ++c)
    {
        if (c != 'A')
        {
            EXPECT_EQ(font->GlyphOf(uint8_t(c)), nullptr) << c;
        }
    }
}

TEST(Font, RefusesBadFiles)
{
    const auto good = BuildFont({{65, 0, 0, 1, 1, 0, 1, 5}, {66, 0, 0, 1, 1, 0, 1, 5}});
    ASSERT_NE(Read(good), nullptr);

    auto badMagic = good;
    badMagic[0] = 'X';
    EXPECT_EQ(Read(badMagic), nullptr);
    auto zeroWord = good;
    std::memset(zeroWord.data() + 4, 0, 4);
    EXPECT_EQ(Read(zeroWord), nullptr);
    // A count the records cannot fill (checked before anything is allocated).
    auto hugeCount = good;
    hugeCount[8] = 0xFF;
    hugeCount[9] = 0xFF;
    hugeCount[10] = 0xFF;
    hugeCount[11] = 0x7F;
    EXPECT_EQ(Read(hugeCount), nullptr);
    // Cut inside the last kerning row.
    auto cut = good;
    cut.pop_back();
    EXPECT_EQ(Read(cut), nullptr);
    EXPECT_EQ(Read(std::vector<uint8_t>(good.begin(), good.begin() + 11)), nullptr);
    EXPECT_EQ(cFont::ReadFromMemory(nullptr, 0), nullptr);
    // No glyphs at all is a valid (empty) font.
    const auto empty = Read(BuildFont({}));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->MeasureText("abc").width, 0);
}

TEST(Font, GlyphCountWhoseRecordSizeWrapsIsRefused)
{
    // 3037000492 glyphs of 32 + 2 x 3037000492 bytes each: the product passes 2^64 and
    // wraps to 290948256, which a 300 MB file would hold. A stream of that length (the
    // header, then zeros it makes up as they are read) must be refused before anything is
    // allocated.
    class cLongStream : public cDataStream
    {
    public:
        uint32_t Read(void* dest, uint32_t n) override
        {
            const uint32_t take = std::min(n, Remaining());
            for (uint32_t i = 0; i < take; ++i)
                static_cast<uint8_t*>(dest)[i] = at + i < header.size() ? header[at + i] : 0;
            at += take;
            return take;
        }
        uint32_t Tell() override { return at; }
        uint32_t GetLength() override { return 300000000u; }

        std::vector<uint8_t> header;
        uint32_t at = 0;
    } stream;
    tvtest::PutU32(stream.header, 0x544E4643);
    tvtest::PutU32(stream.header, 1);
    tvtest::PutU32(stream.header, 3037000492u);
    EXPECT_EQ(cFont::Read(stream), nullptr);
}

TEST(Font, MeasuresWithAdvancesAndKerning)
{
    // Glyph 0 'A', 1 'V', 2 line feed, 3 space. A before V: entry 0xFFFE (low byte -2).
    // The high byte of an entry is ignored.
    const auto font = Read(BuildFont(
        {{'A', 0, 0, 8, 10, 0, 10, 10}, {'V', 0, 0, 8, 10, 0, 10, 9}, {10, 0, 0, 0, 0, 0, 0, 0}, {' ', 0, 0, 0, 0, 0, 0, 4}},
        {{{0, 1}, 0xFFFE}, {{1, 0}, 0x7F01}}));
    ASSERT_NE(font, nullptr);
    const int32_t lh = font->GetLineHeight();
    EXPECT_EQ(lh, 10);
    EXPECT_EQ(font->MeasureText("").width, 0);
    EXPECT_EQ(font->MeasureText("").height, lh);
    EXPECT_EQ(font->MeasureText("AV").width, 10 - 2 + 9);
    EXPECT_EQ(font->MeasureText("VA").width, 9 + 1 + 10);
    // A character without a glyph adds nothing but kerns toward glyph index 0.
    EXPECT_EQ(font->MeasureText("V?").width, 9 + 1);
    // A line feed glyph adds a line; the width runs on over both lines.
    const TextSize twoLines = font->MeasureText("A\nA");
    EXPECT_EQ(twoLines.width, 20);
    EXPECT_EQ(twoLines.height, 2 * lh);

    // 16-bit text: the wider line, one line height per line.
    const TextSize wide = font->MeasureTextW(u"A\nAVA");
    EXPECT_EQ(wide.width, 10 - 2 + 9 + 1 + 10);
    EXPECT_EQ(wide.height, 2 * lh);
    EXPECT_EQ(font->MeasureTextWidthW(u"A\x0141"), 10); // a unit above 255 has no glyph
}

TEST(Font, BytesAbove127MeasureLikeAnyOther)
{
    // A font with the curly quotes 0x93 and 0x94: they count as the drawer draws them.
    const auto font = Read(BuildFont({{'A', 0, 0, 5, 5, 0, 5, 6}, {0x93, 0, 0, 5, 5, 0, 5, 4}, {0x94, 0, 0, 5, 5, 0, 5, 3}}));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->MeasureText("\x93" "A\x94").width, 4 + 6 + 3);
    // A byte above 127 without a glyph still adds nothing.
    EXPECT_EQ(font->MeasureText("A\xFF").width, 6);
}

TEST(Font, GlyphRectanglesOnThePage)
{
    const auto font = Read(BuildFont({{'A', 16, 10, 8, 20, 0, 20, 9}}));
    ASSERT_NE(font, nullptr);
    cImage page;
    page.width = 128;
    page.height = 256;
    font->SetPage(&page);
    const ImageRect& r = font->GlyphOf('A')->rect;
    EXPECT_EQ(r.image, &page);
    EXPECT_EQ(r.x, 16);
    EXPECT_EQ(r.y, 226); // rows bottom to top: 256 - 10 - 20
    EXPECT_EQ(r.w, 8);
    EXPECT_FLOAT_EQ(r.uMin, 16.0f / 128.0f);
    EXPECT_FLOAT_EQ(r.uMax, 24.0f / 128.0f);
    EXPECT_FLOAT_EQ(r.vMin, 226.0f / 256.0f);
    EXPECT_FLOAT_EQ(r.vMax, 246.0f / 256.0f);
}

TEST(Font, DigitsBecomeMonospaced)
{
    std::vector<GlyphDesc> glyphs;
    for (int d = 0; d < 10; ++d)
        glyphs.push_back({'0' + d, 0, 0, 4, 8, 0, 8, d == 1 ? 4 : 8});
    glyphs.push_back({'x', 0, 0, 4, 8, 0, 8, 5});
    // '1' kerns toward '2' (digit) and toward 'x' (not a digit).
    const auto font = Read(BuildFont(glyphs, {{{1, 2}, 0x01FF}, {{1, 10}, 0x00FF}}));
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->MakeDigitsMonospaced());
    const FontGlyph* one = font->GlyphOf('1');
    EXPECT_EQ(one->advance, 8);
    EXPECT_EQ(one->offsetX, 2); // centred in the wider cell
    EXPECT_EQ(font->GlyphOf('0')->offsetX, 0);
    EXPECT_EQ(uint16_t(one->kerning[2]), 0x0100); // low byte cleared toward a digit
    EXPECT_EQ(uint16_t(one->kerning[10]), 0x00FF); // kept toward other glyphs
    EXPECT_EQ(font->MeasureText("12").width, 16);
    EXPECT_EQ(font->GlyphOf('x')->advance, 5);
}

TEST(Font, LoadsFileAndPageThroughTheResourceLayer)
{
    tvtest::ScopedFakeRenderer fake;
    RegisterImageResourceLoaders();
    WriteFile("font.bin", BuildFont({{'A', 0, 2, 4, 6, 0, 6, 5}}));
    cSurface page(16, 8);
    ASSERT_TRUE(page.SaveTGA("font.tga"));
    SelectResourceGroup("fonts");
    // The page named explicitly (the plain loader looks for "font.png").
    auto* font = ClassCast<cFont>(LoadFontWithPage("font.bin", "font.tga"));
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->page, nullptr);
    EXPECT_EQ(fake.renderer.lastFlags & 0x1u, 0x1u);
    EXPECT_EQ(font->GlyphOf('A')->rect.y, 8 - 2 - 6);
    // Without its page a font still measures.
    auto* pageless = ClassCast<cFont>(LoadFont("font.bin"));
    ASSERT_NE(pageless, nullptr);
    EXPECT_EQ(pageless->page, nullptr);
    EXPECT_EQ(pageless->MeasureText("AA").width, 10);
    EXPECT_EQ(LoadFont("missing.bin"), nullptr);
    ReleaseAllResourceGroups();
}
