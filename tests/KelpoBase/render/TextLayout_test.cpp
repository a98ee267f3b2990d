// Text layout: lines broken after spaces to fit a width and at line breaks, with their
// vertical offsets.
#include <gtest/gtest.h>

#include <memory>

#include "FontFixtures.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/TextLayout.h"

namespace
{
// Letters and the space advance 10; every glyph is 10 high (line height 10).
std::unique_ptr<cFont> MakeFont()
{
    auto glyphs = tvtest::UniformGlyphs("ABCDEFGHIJKLMNOPQRSTUVWXYZ \x93", 8, 10, 10);
    const auto bytes = tvtest::BuildFont(glyphs);
    return std::unique_ptr<cFont>(cFont::ReadFromMemory(bytes.data(), bytes.size()));
}

struct ExpectedLine
{
    std::string text;
    int32_t y;
};

void ExpectLines(const cTextLayout& layout, const std::vector<ExpectedLine>& expected, int32_t height)
{
    ASSERT_EQ(layout.lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(layout.lines[i].text, expected[i].text) << "line " << i;
        EXPECT_EQ(layout.lines[i].y, expected[i].y) << "line " << i;
        EXPECT_EQ(layout.lines[i].x, 0);
    }
    EXPECT_EQ(layout.height, height);
}
} // namespace

TEST(TextLayout, BreaksAtLineBreaksOnlyWithoutALimit)
{
    const auto font = MakeFont();
    ASSERT_NE(font, nullptr);
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "AAA BBB CCC DDD\nEE"), {{"AAA BBB CCC DDD", 0}, {"EE", 10}}, 20);
    // CR LF: the second break follows the first and adds half a line with an empty line.
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "A\r\nB"), {{"A", 0}, {"", 10}, {"B", 15}}, 25);
    // A break at the very start does not count as following one.
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "\nA"), {{"", 0}, {"A", 10}}, 20);
    // A final line feed records no extra line.
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "A\n"), {{"A", 0}}, 10);
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "A"), {{"A", 0}}, 10);
    // Characters without a glyph vanish and take no width.
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "A#b~B"), {{"AB", 0}}, 10);
    // Bytes above 127 are characters like any other.
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, "\x93" "A\x93"), {{"\x93" "A\x93", 0}}, 10);
    ExpectLines(cTextLayout(font.get(), 0x7FFFFFFF, ""), {}, 0);
}

TEST(TextLayout, WrapsWordsToTheWidth)
{
    const auto font = MakeFont();
    struct Case
    {
        int32_t width;
        const char* text;
        std::vector<ExpectedLine> lines;
    } cases[] = {
        // Each word would pass 50 with the next: one word a line, each ending in its space.
        {50, "AAA BBB CCC", {{"AAA ", 0}, {"BBB ", 10}, {"CCC", 20}}},
        // Two words fit 80 (70 up to the end of the second).
        {80, "AAA BBB CCC", {{"AAA BBB ", 0}, {"CCC", 10}}},
        // The look-ahead does not count the final byte's advance: 60 wide on a 50 line.
        {50, "AAA BB", {{"AAA BB", 0}}},
        // A word longer than the width stands alone and runs past it.
        {20, "AAAAA B", {{"AAAAA ", 0}, {"B", 10}}},
        // Width 0: every word ends its line.
        {0, "A B C", {{"A ", 0}, {"B ", 10}, {"C", 20}}},
        {-5, "A B", {{"A ", 0}, {"B", 10}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        const cTextLayout layout(font.get(), c.width, c.text);
        ExpectLines(layout, c.lines, int32_t(c.lines.size()) * 10);
    }
}

TEST(TextLayout, ResetAndSetters)
{
    const auto font = MakeFont();
    cTextLayout layout(font.get(), 50, "AAA BBB");
    EXPECT_EQ(layout.lines.size(), 2u);
    layout.SetMaxWidth(1000); // a plain store: the lines stay until SetText
    EXPECT_EQ(layout.lines.size(), 2u);
    layout.SetText("AAA BBB");
    EXPECT_EQ(layout.lines.size(), 1u);
    layout.Reset();
    EXPECT_EQ(layout.font, nullptr);
    EXPECT_EQ(layout.maxWidth, 0x7FFFFFFF);
    EXPECT_TRUE(layout.lines.empty());
    layout.SetText("AAA"); // no font: nothing to measure with
    EXPECT_TRUE(layout.lines.empty());
}
