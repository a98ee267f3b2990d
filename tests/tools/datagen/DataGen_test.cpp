#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaProp.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"
#include "support/TestSupport.h"
#include "datagen/FontBaker.h"
#include "datagen/Glyphs.h"
#include "datagen/Pictures.h"
#include "datagen/SampleScenes.h"
#include "datagen/Art.h"
#include "datagen/Sketch.h"

namespace
{
using SurfacePtr = std::unique_ptr<cSurface>;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SurfacePtr DecodeFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return SurfacePtr(bytes.empty() ? nullptr : DecodePNGFromMemory(bytes.data(), bytes.size(), 0));
}

bool Lit(const cSurface& s, int x, int y)
{
    const SurfaceRGBA p = s.GetPixelRGBA(x, y);
    return p.r == 255 && p.g == 255 && p.b == 255 && p.a == 255;
}

TEST(FontBaker, FontAndPageReadBackWithTheEngineReaders)
{
    for (int scale : {1, 3})
    {
        SCOPED_TRACE(scale);
        const datagen::BakedFont baked = datagen::BakeFont(scale);
        std::unique_ptr<cFont> font(cFont::ReadFromMemory(baked.file.data(), baked.file.size()));
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->glyphCount, 97u); // printable ASCII and the two curly quotes
        for (int code : {int(' '), int('0'), int('9'), int(':'), int('.'), int('A'), int('~'), 0x93, 0x94})
            EXPECT_NE(font->GlyphOf(uint8_t(code)), nullptr) << code;
        EXPECT_EQ(font->GlyphOf('\n'), nullptr);
        // Lines are the glyphs' seven rows apart plus a gap, so lines of text never touch.
        EXPECT_EQ(font->GetLineHeight(), (7 + datagen::kLineGapRows) * scale);
        EXPECT_EQ(font->GetMaxTop(), 7 * scale);
        EXPECT_EQ(font->MeasureText("12:34").width, 5 * 6 * scale);

        // Every glyph's cell on the page shows its rows: 'T' has a full top row and a
        // single middle column below it.
        ASSERT_TRUE(datagen::WriteFont(baked, "font"));
        SurfacePtr page = DecodeFile("font.png");
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->GetFormat(), uint32_t(kFormatRGBA8888));
        const FontGlyph* t = font->GlyphOf('T');
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->w, 5 * scale);
        EXPECT_EQ(t->h, (7 + datagen::kLineGapRows) * scale);
        for (int col = 0; col < 5; ++col)
            EXPECT_TRUE(Lit(*page, t->x + col * scale, t->y)) << col;
        EXPECT_TRUE(Lit(*page, t->x + 2 * scale, t->y + 6 * scale));
        EXPECT_FALSE(Lit(*page, t->x, t->y + 6 * scale));
        EXPECT_EQ(page->GetPixelRGBA(t->x - 1, t->y).a, 0); // the clear border between cells
        EXPECT_EQ(ReadBytes("font.bin"), baked.file);
    }
}

// A font baked with an outline keeps the plain font's pen: the same advance and text width,
// each glyph's box grown by the ring on every side about the same place; on the page each
// glyph stays white inside a round ring of the dark ink.
TEST(FontBaker, AnOutlineRingsEveryGlyphInInkAboutTheSamePen)
{
    constexpr int kScale = 4, kRing = 2;
    const datagen::BakedFont plainBaked = datagen::BakeFont(kScale), ringedBaked = datagen::BakeFont(kScale, kRing);
    std::unique_ptr<cFont> plain(cFont::ReadFromMemory(plainBaked.file.data(), plainBaked.file.size()));
    std::unique_ptr<cFont> ringed(cFont::ReadFromMemory(ringedBaked.file.data(), ringedBaked.file.size()));
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(ringed, nullptr);
    EXPECT_EQ(ringed->MeasureText("01:35").width, plain->MeasureText("01:35").width);
    const FontGlyph* p = plain->GlyphOf('T');
    const FontGlyph* t = ringed->GlyphOf('T');
    ASSERT_NE(p, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->w, p->w + 2 * kRing);
    EXPECT_EQ(t->h, p->h + 2 * kRing);
    EXPECT_EQ(t->offsetX, p->offsetX - kRing);
    EXPECT_EQ(t->top, p->top + kRing);
    EXPECT_EQ(t->advance, p->advance);

    // 'T': its top row white from the ring's width in, ink beside and above it, and the
    // box's corner (beyond the round ring) clear.
    const datagen::Canvas& page = ringedBaked.page;
    const auto white = [&](int x, int y) { return page.At(x, y) == datagen::Colour{255, 255, 255, 255}; };
    const auto ink = [&](int x, int y) {
        const datagen::Colour c = page.At(x, y);
        return c.a == 255 && c.r < 80 && c.g < 80 && c.b < 120;
    };
    EXPECT_TRUE(white(t->x + kRing, t->y + kRing));
    EXPECT_TRUE(white(t->x + kRing + 5 * kScale - 1, t->y + kRing));
    EXPECT_TRUE(ink(t->x + kRing - 1, t->y + kRing));
    EXPECT_TRUE(ink(t->x + kRing, t->y + kRing - 1));
    EXPECT_TRUE(ink(t->x + kRing + 2 * kScale, t->y + kRing + 7 * kScale));
    EXPECT_EQ(page.At(t->x, t->y).a, 0);
}

// The zero is an open ring, nothing inside it (a slash or a dot there reads as an 8 once the
// digit is outlined): in the middle row only its sides are lit, where the 8 has its waist
// and no side. So in the glyph set, and as drawn: the display's digit pictures of the
// picture list and the survival clock's ringed font show the zero clear in its middle and
// the 8 white there.
TEST(Glyphs, ZeroIsAnOpenRingThatCannotBeTakenForAnEight)
{
    const uint8_t* zero = datagen::GlyphRows('0');
    const uint8_t* eight = datagen::GlyphRows('8');
    ASSERT_NE(zero, nullptr);
    ASSERT_NE(eight, nullptr);
    for (int row = 1; row < datagen::kGlyphHeight - 1; ++row)
        EXPECT_EQ(zero[row] & 0x0E, 0) << "inside the zero, row " << row;
    EXPECT_EQ(zero[3], 0x11);
    EXPECT_EQ(eight[3], 0x0E);

    std::vector<datagen::PictureDesc> descs;
    std::string error;
    ASSERT_TRUE(datagen::ReadPictureList((tvtest::SourceDir() / "data/pictures.txt").string(), descs, &error)) << error;
    std::map<std::string, datagen::Canvas> digits;
    for (const auto& d : descs)
        if (d.path == "res/hud/Hud_Numbers/No_0.png" || d.path == "res/hud/Hud_Numbers/No_8.png")
            digits.emplace(d.path.substr(d.path.size() - 5, 1), datagen::DrawPicture(d));
    ASSERT_EQ(digits.size(), 2u);
    for (const auto& [digit, picture] : digits)
    {
        const datagen::Colour middle = picture.At(picture.Width() / 2, picture.Height() / 2);
        if (digit == "0")
            EXPECT_EQ(middle.a, 0) << "the display's 0";
        else
            EXPECT_EQ(middle, (datagen::Colour{255, 255, 255, 255})) << "the display's 8";
    }

    // The clock's font as the data build bakes it: scale 8, ringed 3 pixels thick.
    const datagen::BakedFont clock = datagen::BakeFont(8, 3);
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(clock.file.data(), clock.file.size()));
    ASSERT_NE(font, nullptr);
    const auto middle = [&](char c) {
        const FontGlyph* g = font->GlyphOf(uint8_t(c));
        // The glyph's middle column and row: column 2 and row 3 of its 5 x 7.
        return clock.page.At(g->x + 3 + 2 * 8 + 4, g->y + 3 + 3 * 8 + 4);
    };
    EXPECT_EQ(middle('0').a, 0) << "the clock's 0";
    EXPECT_EQ(middle('8'), (datagen::Colour{255, 255, 255, 255})) << "the clock's 8";
}

TEST(Pictures, ShapesAndLabelsDecodeToTheDrawnPixels)
{
    std::vector<datagen::PictureDesc> descs;
    std::string error;
    ASSERT_TRUE(datagen::ParsePictureLine("p/box.png 64 32 box #ff0000", descs, &error)) << error;
    ASSERT_TRUE(datagen::ParsePictureLine("p/disc.png 32 32 circle #00ff0080", descs, &error)) << error;
    ASSERT_TRUE(datagen::ParsePictureLine("p/word.png 60 20 rect #000000 I", descs, &error)) << error;
    ASSERT_EQ(descs.size(), 3u);
    for (const auto& desc : descs)
        ASSERT_TRUE(datagen::DrawPicture(desc).SavePng(desc.path));

    SurfacePtr box = DecodeFile("p/box.png");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetWidth(), 64u);
    EXPECT_EQ(box->GetHeight(), 32u);
    const SurfaceRGBA edge = box->GetPixelRGBA(0, 0), inside = box->GetPixelRGBA(32, 16);
    EXPECT_EQ((std::vector<int>{edge.r, edge.g, edge.b, edge.a}), (std::vector<int>{127, 0, 0, 255}));
    EXPECT_EQ((std::vector<int>{inside.r, inside.g, inside.b, inside.a}), (std::vector<int>{255, 0, 0, 255}));

    SurfacePtr disc = DecodeFile("p/disc.png");
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(disc->GetPixelRGBA(0, 0).a, 0);
    EXPECT_EQ(disc->GetPixelRGBA(16, 16).g, 255);
    EXPECT_EQ(disc->GetPixelRGBA(16, 16).a, 128);

    // A single "I" in white on black: the glyph's eleven pixels (a row of three, five of
    // one, a row of three), scaled up as far as the picture allows, in its middle.
    SurfacePtr word = DecodeFile("p/word.png");
    ASSERT_NE(word, nullptr);
    int lit = 0, minX = 60, maxX = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            if (Lit(*word, x, y))
            {
                ++lit;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    const int scale = (maxX - minX + 1) / 3;
    EXPECT_GE(scale, 2);
    EXPECT_EQ(maxX - minX + 1, 3 * scale);
    EXPECT_EQ(lit, 11 * scale * scale);
    EXPECT_NEAR((minX + maxX) / 2.0, 30, 2);
}

TEST(Pictures, LinesAndRanges)
{
    struct Case
    {
        const char* line;
        bool ok;
        std::vector<std::string> paths;
        std::string lastLabel;
    } cases[] = {
        {"a/No_{0..2}.png 8 8 rect #ffffff {}", true, {"a/No_0.png", "a/No_1.png", "a/No_2.png"}, "2"},
        {"h/hair_{09..11}.png 8 8 box #ffffff hair {}", true, {"h/hair_09.png", "h/hair_10.png", "h/hair_11.png"}, "hair 11"},
        {"c/cup_{00..02}.png 8 8 cup #00000000", true, {"c/cup_00.png", "c/cup_01.png", "c/cup_02.png"}, ""},
        {"one.png 8 8 frame #123456 Play Game", true, {"one.png"}, "Play Game"},
        {"# a comment", true, {}, ""},
        {"", true, {}, ""},
        {"big.png 4096 8 box #ffffff", false, {}, ""},
        {"bad.png 8 8 box red", false, {}, ""},
        {"short.png 8", false, {}, ""},
        {"r/{1..}.png 8 8 box #ffffff", false, {}, ""},
        {"odd.png 8 8 blob #ffffff", false, {}, ""}, // neither a plain shape nor a painter
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        std::vector<datagen::PictureDesc> descs;
        EXPECT_EQ(datagen::ParsePictureLine(c.line, descs, nullptr), c.ok);
        std::vector<std::string> paths;
        for (const auto& s : descs)
            paths.push_back(s.path);
        EXPECT_EQ(paths, c.paths);
        if (!descs.empty())
        {
            EXPECT_EQ(descs.back().label, c.lastLabel);
            // A range's number is each picture's variant.
            EXPECT_EQ(descs.back().variant, c.paths.size() > 1 ? std::atoi(c.paths.back().c_str() + c.paths.back().find('_') + 1) : 0);
        }
    }
}

// A picture line's output path stays inside the output folder, and a range stands for a
// bounded number of pictures: each slip is refused with a message naming the path or range.
TEST(Pictures, RefusesPathsThatLeaveTheFolderAndUnboundedRanges)
{
    const struct
    {
        const char* path;
        const char* message; // empty: accepted
        size_t count;
    } cases[] = {
        {"../x.png", "the output path \"../x.png\" leaves the output folder through \"..\"", 0},
        {"a/../../x.png", "the output path \"a/../../x.png\" leaves the output folder through \"..\"", 0},
        {"a/..", "the output path \"a/..\" leaves", 0},
        {"{0..1}/../x.png", "the output path \"0/../x.png\" leaves", 0},
        {"/tmp/x.png", "the output path \"/tmp/x.png\" is absolute", 0},
        {"a/{0..2147483647}.png", "range {0..2147483647} stands for 2147483648 pictures; a range makes at most 1000", 0},
        {"a/{0..1000}.png", "range {0..1000} stands for 1001 pictures", 0},
        {"a/{5..2}.png", "range {5..2} runs backwards", 0},
        {"a/{0..99999999999}.png", "range {0..99999999999} holds 99999999999, too large a number", 0},
        {"a/{x..2}.png", "range {x..2} needs two whole numbers", 0},
        {"a/{-1..2}.png", "range {-1..2} needs two whole numbers", 0},
        {"a/{1..1000}.png", "", 1000},
        {"a/{2147483647..2147483647}.png", "", 1},
        {"..a/b..c/x.png", "", 1}, // dots inside a name are only a name
        {"a/{0000000000001..3}.png", "", 3}, // padding is not cut short, however wide
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        std::vector<datagen::PictureDesc> descs;
        std::string error;
        const bool ok = datagen::ParsePictureLine(std::string(c.path) + " 8 8 box #ffffff", descs, &error);
        EXPECT_EQ(ok, c.message[0] == '\0');
        EXPECT_EQ(descs.size(), c.count);
        if (!ok)
        {
            EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        }
    }
    std::vector<datagen::PictureDesc> padded;
    ASSERT_TRUE(datagen::ParsePictureLine("a/{0000000000001..3}.png 8 8 box #ffffff {}", padded, nullptr));
    EXPECT_EQ(padded.back().path, "a/0000000000003.png");
    EXPECT_EQ(padded.back().label, "0000000000003");
    EXPECT_EQ(padded.back().variant, 3);
}

// Writing a list: a link inside the output folder cannot carry a picture out of it, and the
// command refuses a bad list with one line naming the list, the line and what is wrong. The
// folder holds a link out to a folder that exists and one, in a picture's place, to a place
// that does not exist yet (outside/).
class PictureListOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        base = tvtest::WorkFolder() / "picture-list";
        std::filesystem::create_directories(base / "out");
        std::filesystem::create_directories(base / "elsewhere");
        std::filesystem::create_directory_symlink(base / "elsewhere", base / "out" / "link");
        std::filesystem::create_symlink("../outside/new.png", base / "out" / "n.png");
    }
    void TearDown() override { std::filesystem::remove_all(base); }
    std::string List(const std::string& text) const
    {
        const std::filesystem::path path = base / "list.txt";
        std::ofstream(path) << text;
        return path.string();
    }
    // Everything below base, links not followed: what a refused list must leave as it was.
    std::set<std::string> Tree() const
    {
        std::set<std::string> paths;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(base))
            paths.insert(entry.path().lexically_relative(base).string());
        return paths;
    }
    std::filesystem::path base;
};

TEST_F(PictureListOutput, StaysInsideTheFolderThroughLinks)
{
    const std::string out = (base / "out").string();
    std::string error;
    EXPECT_TRUE(datagen::WritePictureList(List("in/a.png 8 8 box #ffffff\n"), out, &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(base / "out/in/a.png"));

    EXPECT_FALSE(datagen::WritePictureList(List("in/b.png 8 8 box #ffffff\nlink/x.png 8 8 box #ffffff\n"), out, &error));
    EXPECT_EQ(error, "the output path \"link/x.png\" resolves outside " + out);
    EXPECT_TRUE(std::filesystem::is_empty(base / "elsewhere"));
}

TEST_F(PictureListOutput, CommandRefusesABadListInOneLine)
{
    const std::string tool = std::string(TOLLIVAN_BINARY_DIR) + "/tools/datagen/tvdatagen";
    const std::string out = (base / "out").string(), errors = (base / "stderr.txt").string();
    const struct
    {
        std::string list;
        std::string message;
    } cases[] = {
        {"# pictures\nn/{0..2147483647}.png 8 8 box #ffffff\n",
         ":2: range {0..2147483647} stands for 2147483648 pictures; a range makes at most 1000"},
        {"ok.png 8 8 box #ffffff\n../up.png 8 8 box #ffffff\n", ":2: the output path \"../up.png\" leaves the output folder"},
        {"link/x.png 8 8 box #ffffff\n", "the output path \"link/x.png\" resolves outside " + out},
        {"ok.png 8 8 box #ffffff\nn.png 8 8 box #ffffff\n", "the output path \"n.png\" is a link"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.list);
        const std::string list = List(c.list);
        const int raw = std::system(("'" + tool + "' pictures '" + list + "' '" + out + "' 2> '" + errors + "'").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
        std::ifstream in(errors);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("tvdatagen: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
        EXPECT_FALSE(std::filesystem::exists(base / "up.png"));
        EXPECT_FALSE(std::filesystem::exists(base / "out/ok.png")) << "nothing is drawn from a bad list";
        EXPECT_TRUE(std::filesystem::is_empty(base / "elsewhere"));
        EXPECT_FALSE(std::filesystem::exists(base / "outside"));
    }
}

// A picture whose name is a hard link to a file outside the folder takes the name as a new
// file: the file outside keeps every byte (once the picture was written into it, and the
// command succeeded), and nothing is left beside the picture.
TEST_F(PictureListOutput, CommandReplacesAHardLinkWithoutWritingIntoItsOtherName)
{
    namespace fs = std::filesystem;
    const std::string tool = std::string(TOLLIVAN_BINARY_DIR) + "/tools/datagen/tvdatagen";
    const fs::path out = base / "out", kept = base / "kept.bin", errors = base / "stderr.txt";
    const std::string bytes = std::string("not a picture\n\0\xff", 16);
    std::ofstream(kept, std::ios::binary) << bytes;
    fs::create_directories(out / "in");
    fs::create_hard_link(kept, out / "shared.png");
    fs::create_hard_link(kept, out / "in" / "deeper.png");
    const std::string list = List("shared.png 8 4 box #ff0000\nin/deeper.png 6 6 circle #00ff00\n");
    std::ofstream{errors};
    const std::set<std::string> before = Tree();

    const int raw = std::system(
        ("'" + tool + "' pictures '" + list + "' '" + out.string() + "' 2> '" + errors.string() + "'").c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_EQ(fs::file_size(errors), 0u);

    const std::vector<uint8_t> read = ReadBytes(kept.string());
    EXPECT_EQ(std::string(read.begin(), read.end()), bytes);
    EXPECT_EQ(fs::hard_link_count(kept), 1u);
    for (const auto& [name, width] : {std::pair{"shared.png", 8u}, {"in/deeper.png", 6u}})
    {
        SurfacePtr picture = DecodeFile((out / name).string());
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->GetWidth(), width) << name;
    }
    EXPECT_EQ(Tree(), before) << "the pictures alone, under their names";
}

// A picture that cannot take its name fails and leaves everything as it was, with nothing
// beside the name: a folder stands there, or a link (which is neither followed nor replaced).
TEST_F(PictureListOutput, SavingInPlaceOfAFolderOrALinkLeavesEverythingAsItWas)
{
    namespace fs = std::filesystem;
    const fs::path out = base / "out";
    fs::create_directories(out / "folder.png" / "inside");
    std::ofstream(base / "target.png") << "kept";
    fs::create_symlink("../target.png", out / "file-link.png");
    const datagen::Canvas picture(4, 4, {1, 2, 3, 255});
    for (const char* name : {"folder.png", "file-link.png", "n.png" /* dangling */, "link" /* to a folder */})
    {
        SCOPED_TRACE(name);
        const std::set<std::string> before = Tree();
        const fs::file_type type = fs::symlink_status(out / name).type();
        EXPECT_FALSE(picture.SavePng((out / name).string()));
        EXPECT_EQ(Tree(), before);
        EXPECT_EQ(fs::symlink_status(out / name).type(), type);
        const std::vector<uint8_t> target = ReadBytes((base / "target.png").string());
        EXPECT_EQ(std::string(target.begin(), target.end()), "kept");
    }
}

// Every path of a list is resolved, links followed (dangling ones too, in a folder part or in
// the picture's own place), before any picture is drawn: a list refused on its second line
// leaves everything as it was, without the first line's picture or folder. A link in a
// picture's own place is refused even when it leads inside, since the picture would land
// where it points or take the place of the link.
TEST_F(PictureListOutput, RefusesPathsLeadingOutThroughLinksBeforeDrawingAny)
{
    namespace fs = std::filesystem;
    const fs::path out = base / "out";
    fs::create_directories(out / "in");
    std::ofstream(out / "in" / "old.png") << "not yet a picture";
    fs::create_directory_symlink("../outside", out / "gone");          // dangling, out
    fs::create_directory_symlink("link/deeper", out / "hop");          // through another link, out
    fs::create_directory_symlink("..", out / "up");                    // to the folder above
    fs::create_directory_symlink("in/../../elsewhere", out / "round"); // ".." after a real folder
    fs::create_symlink("../list.txt", out / "l.png");                  // to a file that exists, out
    fs::create_symlink("in/old.png", out / "same.png");                // inside, but a link
    fs::create_symlink("loop", out / "loop");                          // to itself
    fs::create_directory_symlink("in", out / "alias");                 // inside: followed

    const struct
    {
        const char* line;
        const char* message;
    } refused[] = {
        {"n.png", "\"n.png\" is a link (to \"../outside/new.png\")"},
        {"gone/x.png", "\"gone/x.png\" resolves outside"},
        {"gone/deeper/x.png", "\"gone/deeper/x.png\" resolves outside"},
        {"hop/x.png", "\"hop/x.png\" resolves outside"},
        {"up/x.png", "\"up/x.png\" resolves outside"},
        {"round/x.png", "\"round/x.png\" resolves outside"},
        {"l.png", "\"l.png\" is a link (to \"../list.txt\")"},
        {"same.png", "\"same.png\" is a link (to \"in/old.png\")"},
        {"loop/x.png", "\"loop/x.png\" cannot be resolved below"},
        {"in/old.png/x.png", "\"in/old.png/x.png\" cannot be resolved below"},
        {"in", "\"in\" is a folder"},
    };
    for (const auto& c : refused)
    {
        SCOPED_TRACE(c.line);
        const std::string list = List("first/a.png 8 8 box #ffffff\n" + std::string(c.line) + " 8 8 box #ffffff\n");
        const std::set<std::string> before = Tree();
        std::string error;
        EXPECT_FALSE(datagen::WritePictureList(list, out.string(), &error));
        EXPECT_NE(error.find("the output path " + std::string(c.message)), std::string::npos) << error;
        EXPECT_EQ(Tree(), before);
    }

    // A picture where another line's folder goes is refused as well, before either is drawn.
    std::string error;
    const std::set<std::string> before = Tree();
    EXPECT_FALSE(datagen::WritePictureList(List("c.png 8 8 box #ffffff\nc.png/x.png 8 8 box #ffffff\n"), out.string(),
                                           &error));
    EXPECT_EQ(error, "the output path \"c.png\" is a picture and the folder of another at once");
    EXPECT_EQ(Tree(), before);

    // Links in a folder part that stay inside are followed, and a plain file is drawn over.
    ASSERT_TRUE(datagen::WritePictureList(List("alias/x.png 8 8 box #ffffff\nin/old.png 4 4 box #ffffff\n"),
                                          out.string(), &error))
        << error;
    EXPECT_NE(DecodeFile((out / "in" / "x.png").string()), nullptr);
    EXPECT_NE(DecodeFile((out / "in" / "old.png").string()), nullptr);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(out / "alias")));
}

// The sample pictures' drawing: shapes sampled finely and averaged down, so edges blend;
// everything painted over what lies below.
TEST(Sketch, ShapesCoverTheirAreaWithSmoothEdgesAndPaintOver)
{
    const datagen::Colour red{255, 0, 0, 255}, blue{0, 0, 255, 128};
    auto coverage = [](const datagen::Canvas& c)
    {
        double sum = 0;
        for (int y = 0; y < c.Height(); ++y)
            for (int x = 0; x < c.Width(); ++x)
                sum += c.At(x, y).a / 255.0;
        return sum;
    };
    {
        datagen::Sketch s(20, 20, 4);
        s.Rect(0, 0, 10, 10, red);
        s.Rect(5, 5, 10, 10, blue); // half see-through, over the red in one corner
        s.Rect(12.5f, 0, 1, 2, red); // across a pixel boundary: two half-covered pixels
        const datagen::Canvas c = s.Finish();
        EXPECT_EQ(c.At(2, 2), red);
        EXPECT_EQ(c.At(18, 18).a, 0);
        const datagen::Colour over = c.At(7, 7), alone = c.At(12, 12);
        EXPECT_EQ(over.a, 255);
        EXPECT_NEAR(over.r, 127, 2);
        EXPECT_NEAR(over.b, 128, 2);
        EXPECT_NEAR(alone.a, 128, 2);
        EXPECT_EQ(alone.b, 255);
        EXPECT_NEAR(c.At(12, 0).a, 128, 2);
        EXPECT_NEAR(c.At(13, 0).a, 128, 2);
        EXPECT_EQ(c.At(12, 0).r, 255) << "clear samples add no black";
    }
    const struct
    {
        const char* name;
        void (*draw)(datagen::Sketch&);
        double area;
    } shapes[] = {
        {"triangle", [](datagen::Sketch& s) { s.Polygon({{0, 0}, {40, 0}, {0, 40}}, {0, 0, 0, 255}); }, 800},
        {"circle", [](datagen::Sketch& s) { s.Circle(20, 20, 15, {0, 0, 0, 255}); }, 3.14159 * 225},
        {"ring", [](datagen::Sketch& s) { s.Ring(20, 20, 15, 10, {0, 0, 0, 255}); }, 3.14159 * 125},
        {"rounded", [](datagen::Sketch& s) { s.RoundRect(0, 0, 40, 20, 10, {0, 0, 0, 255}); }, 800 - (400 - 3.14159 * 100)},
        {"line", [](datagen::Sketch& s) { s.Line(5, 20, 35, 20, 4, {0, 0, 0, 255}); }, 120},
    };
    for (const auto& shape : shapes)
    {
        SCOPED_TRACE(shape.name);
        datagen::Sketch s(40, 40);
        shape.draw(s);
        EXPECT_NEAR(coverage(s.Finish()), shape.area, shape.area * 0.03);
    }
}

// Every painter draws into a picture of the size asked, for each of its looks.
TEST(Pictures, EveryPainterDrawsItsPictureAtAnySize)
{
    const std::vector<std::string> names = datagen::PainterNames();
    EXPECT_GE(names.size(), 40u);
    for (const std::string& name : names)
        for (const auto& [w, h] : std::vector<std::pair<int, int>>{{12, 12}, {96, 40}, {150, 220}})
            for (int variant : {0, 1, 10})
            {
                SCOPED_TRACE(name + " " + std::to_string(w) + "x" + std::to_string(h) + " look " +
                             std::to_string(variant));
                datagen::PictureDesc desc;
                desc.width = w;
                desc.height = h;
                desc.shape = name;
                desc.colour = {0, 0, 0, 0};
                desc.label = "Ab1";
                desc.variant = variant;
                const datagen::Canvas c = datagen::DrawPicture(desc);
                ASSERT_EQ(c.Width(), w);
                ASSERT_EQ(c.Height(), h);
                int drawn = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        drawn += c.At(x, y).a > 0 ? 1 : 0;
                EXPECT_GT(drawn, std::min(w * h / 50, 200)) << "next to nothing drawn";
            }
}

TEST(SampleTree, PictureListNamesTheFixedFiles)
{
    std::vector<datagen::PictureDesc> descs;
    std::string error;
    ASSERT_TRUE(datagen::ReadPictureList((tvtest::SourceDir() / "data/pictures.txt").string(), descs, &error)) << error;
    std::set<std::string> paths;
    for (const auto& s : descs)
        EXPECT_TRUE(paths.insert(s.path).second) << "twice: " << s.path;
    for (const char* want : {"res/frontend/1024_768/Loading/Loading_3.png", "res/frontend/mac/vattrel_1280x720.png",
                             "res/hud/Hud_Numbers/No_9.png", "res/frontend/customise/trail/trail_10.png",
                             "res/dorvo/handles/handle_00.png", "res/fx/SpaceInvaders/Purple.png", "res/fx/z.png",
                             "res/frontend/1024_768/LevelSelect/Small_Icons/Tick.png"})
        EXPECT_TRUE(paths.count(want)) << want;
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(), [](const std::string& p) { return p.rfind("res/fx/", 0) == 0; }),
              71); // the effect lists' 70 files and the comic's "z.png"
}

std::unique_ptr<cGlaSet> ReadSet(const std::string& path, const std::string& scene = "")
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const std::string dir = std::filesystem::path(path).parent_path().string() + "/";
    if (scene.empty())
        return std::unique_ptr<cGlaSet>(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, dir));
    return std::unique_ptr<cGlaSet>(LoadGlaSetForSceneFromMemory(bytes.data(), bytes.size(), scene, dir));
}

// Every scene a set names (scene properties and scene-element tracks) that it lacks, and
// every element reference ("scene/name") that names no element of its scene.
std::vector<std::string> DanglingReferences(const cGlaSet& set)
{
    std::vector<std::string> missing;
    auto check = [&](const std::string& name)
    {
        if (FindObjectByName(&set, name) == nullptr)
            missing.push_back(name);
    };
    for (const cGlaScene* scene : set.scenes)
        for (const cGlaElement* e : scene->elements)
        {
            for (const cGlaProp* p : e->props)
                if (p->Code() == kGlaPropRefScene)
                    check(static_cast<const cGlaPropRefScene*>(p)->target);
                else if (p->Code() == kGlaPropRefElement)
                {
                    // Element references name an element of the same scene.
                    const std::string& target = static_cast<const cGlaPropRefElement*>(p)->target;
                    bool found = false;
                    for (const cGlaElement* other : scene->elements)
                        found = found || other->name == target;
                    if (!found)
                        missing.push_back(scene->GetName() + "/" + target);
                }
            if (e->code == kGlaScene)
            {
                const auto* s = static_cast<const cGlaElementScene*>(e);
                for (size_t i = 0; i < s->scenes.keys.size(); ++i)
                    check(s->scenes.NameOf(i));
            }
        }
    return missing;
}

TEST(SampleTree, SceneFilesReadBackAndHoldWhatTheGameLooksUp)
{
    for (const datagen::SceneFile& file : datagen::BuildAllScenes())
    {
        std::string error;
        ASSERT_TRUE(file.Write("res", "json/" + file.FileName() + ".json", &error)) << error;
    }
    const std::map<std::string, std::string> files = {{"hud", "res/hud.mac.720p.cgla"},
                                                      {"frontend", "res/frontend/frontend.mac.720p.cgla"},
                                                      {"comic", "res/comic/comic.cgla"},
                                                      {"maps", "res/maps/maps.mac.cgla"}};
    std::map<std::string, std::unique_ptr<cGlaSet>> sets;
    for (const auto& [key, path] : files)
    {
        sets[key] = ReadSet(path);
        ASSERT_NE(sets[key], nullptr) << path;
        EXPECT_EQ(DanglingReferences(*sets[key]), std::vector<std::string>()) << path;

        // Every picture a sprite names exists beside the file and decodes.
        const std::string dir = std::filesystem::path(path).parent_path().string() + "/";
        std::set<std::string> pictures;
        for (const cGlaScene* scene : sets[key]->scenes)
            for (const cGlaElement* e : scene->elements)
                if (e->code == kGlaSprite || e->code == kGlaSpriteSimple || e->code == kGlaSpriteStatic ||
                    e->code == kGlaSpriteCropped)
                {
                    const auto* s = static_cast<const cGlaElementSprite*>(e);
                    for (size_t i = 0; i < s->frames.keys.size(); ++i)
                        pictures.insert(s->frames.NameOf(i));
                }
        for (const std::string& picture : pictures)
        {
            if (picture.rfind("customise/", 0) == 0 || picture.rfind("1024_768/", 0) == 0)
                continue; // from the picture list, checked above
            EXPECT_NE(DecodeFile(dir + picture), nullptr) << dir + picture;
        }
    }

    // Scenes the game looks up by name, with the least frame count that keeps it going.
    const std::map<std::string, std::vector<std::pair<std::string, int>>> required = {
        {"hud",
         {{"Controls01", 1}, {"ControlsS", 1}, {"scrFireButton", 1}, {"scrJumpButton", 1}, {"scrPause", 1},
          {"scrExit", 1}, {"LevelComplete", 29}, {"LevelCompleteS", 25}, {"LevelComplete_Buttons", 1},
          {"LevelComplete_Buttons_End", 1}, {"LevelComplete_ButtonsS", 1}, {"LevelExit", 2}}},
        {"frontend",
         {{"scrBackground", 1}, {"scrSplash", 1}, {"scrMainMenu", 32}, {"scrMainMenuButtons", 1}, {"scrChapter", 1},
          {"scrLevelScreen_000", 1}, {"scrLevelScreen_003", 1}, {"scrLevelSelect", 1}, {"scrLevelDots", 4},
          {"scrLevelScreen_S_000", 1}, {"scrLevelSelect_S", 1}, {"scrLevelSelect_C", 1}, {"scrLevelStats", 1},
          {"scrOptions", 1}, {"scrOptionsControls", 1}, {"scrOptionsRedefineControls", 1},
          {"scrOptionsRedefineConfirm", 1}, {"scrCustomise", 1}, {"scrCustomiseHair", 1}, {"scrCustomiseTrail", 1},
          {"Hair_000", 1}, {"Hair_010", 1}, {"scrCredits", 1}, {"scrCreditsBack", 1}, {"scrHelp_000", 1},
          {"scrEnd", 1}}},
        {"comic", {{"Full", 1}, {"LevelExit", 1}, {"skipmenu", 1}, {"skipmenu4", 1}, {"skipmenu3", 1}}},
        {"maps", {{"dorvoIdleRight", 1}, {"dorvoIdleLeft", 1}, {"dorvoStart", 30}, {"dorvoStart_001", 1}, {"Hair_010", 1}}},
    };
    for (const auto& [key, scenes] : required)
        for (const auto& [name, frames] : scenes)
        {
            const cGlaScene* scene = FindObjectByName(sets[key].get(), name);
            ASSERT_NE(scene, nullptr) << key << ": " << name;
            EXPECT_GE(scene->frameCount, frames) << key << ": " << name;
        }

    // Every level loads on its own with the rig and everything it refers to, and holds the
    // elements the game reads through controllers and its sticker.
    std::vector<std::string> levels;
    for (int i = 0; i <= 40; ++i)
        levels.push_back("level_" + std::string(i < 10 ? "00" : "0") + std::to_string(i));
    for (int i = 0; i < 10; ++i)
        levels.push_back("level_2_00" + std::to_string(i));
    for (int i = 0; i < 5; ++i)
        levels.push_back("level_C_00" + std::to_string(i));
    for (const char* s : {"level_038_S", "level_000_S", "level_001_S", "level_012_S", "level_019_S"})
        levels.push_back(s);
    ASSERT_EQ(levels.size(), 61u);
    for (const std::string& level : levels)
    {
        SCOPED_TRACE(level);
        std::unique_ptr<cGlaSet> set = ReadSet(files.at("maps"), level);
        ASSERT_NE(set, nullptr);
        const cGlaScene* scene = FindObjectByName(set.get(), level);
        ASSERT_NE(scene, nullptr);
        for (const char* rig : {"dorvoIdleRight", "dorvoIdleLeft", "dorvoStart", "dorvoStart_001", "dorvoChar", "Hair_000"})
            EXPECT_NE(FindObjectByName(set.get(), rig), nullptr) << rig;
        EXPECT_EQ(DanglingReferences(*set), std::vector<std::string>());
        std::set<std::string> rects;
        for (const cGlaElement* e : scene->elements)
            if (e->code == kGlaRectangle)
                rects.insert(e->name);
        for (const char* name : {"boundary", "player", "complete"})
            EXPECT_TRUE(rects.count(name)) << name;
        const bool survival = level.size() > 2 && level.substr(level.size() - 2) == "_S";
        const cGlaProp* flag = scene->FindProp("Survival");
        EXPECT_EQ(flag != nullptr, survival);
        // A sticker (a pickup of type 6 to 10) in every level: it opens a customisation item
        // and a perfect run needs it. A survival arena keeps only its sugar count, so it has
        // none.
        int stickers = 0;
        for (const cGlaElement* e : scene->elements)
            if (e->typeName == "Pickup" && e->GetEnumProp("Type") >= 6 && e->GetEnumProp("Type") <= 10)
                ++stickers;
        EXPECT_EQ(stickers, survival ? 0 : 1);
    }
}
} // namespace
