// 2D drawing for real: pictures and a font loaded through a resource group onto atlas
// pages, drawn by the 2D drawers through the OpenGL renderer into the off-screen target
// under the offscreen video driver, and read back. The last test composes a whole screen
// and saves it as a TGA file in the test's own folder, which goes with the test.
#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FontFixtures.h"
#include "GLCounting.h"
#include "GLTestContext.h"
#include "TestSupport.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/RendererServices.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextLayout.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
constexpr int kTolerance = 3;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// Writes an RGBA picture (rows top to bottom, R in the low byte) as a PNG file.
bool WritePNG(const std::string& path, uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(w) * 4);
    for (uint32_t y = 0; y < h; ++y)
    {
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint32_t p = pixels[size_t(y) * w + x];
            for (int c = 0; c < 4; ++c)
                row[size_t(x) * 4 + size_t(c)] = uint8_t(p >> (8 * c));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// A 32 x 32 picture in four quadrants: red top-left, green top-right, blue bottom-left,
// white bottom-right; its pixels rows top to bottom.
std::vector<uint32_t> QuadrantPixels()
{
    std::vector<uint32_t> pixels(32 * 32);
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            pixels[y * 32 + x] = y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
    return pixels;
}

// The same picture as a 24-bit TGA file, its rows stored bottom first (origin bit clear)
// or top first (origin bit 0x20).
void WriteTGA(const std::string& path, uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels, bool topFirst)
{
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = uint8_t(w);
    bytes[13] = uint8_t(w >> 8);
    bytes[14] = uint8_t(h);
    bytes[15] = uint8_t(h >> 8);
    bytes[16] = 24;
    bytes[17] = topFirst ? 0x20 : 0x00;
    for (uint32_t i = 0; i < h; ++i)
    {
        const uint32_t y = topFirst ? i : h - 1 - i;
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint32_t p = pixels[size_t(y) * w + x];
            bytes.insert(bytes.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)}); // B, G, R
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The same picture as a 24-bit BMP file, its rows stored bottom first (positive height) or
// top first (negative height). Rows of 32 pixels need no padding.
void WriteBMP(const std::string& path, uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels, bool topFirst)
{
    std::vector<uint8_t> bytes(54, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, topFirst ? uint32_t(-int32_t(h)) : h);
    bytes[26] = 1;
    bytes[28] = 24;
    for (uint32_t i = 0; i < h; ++i)
    {
        const uint32_t y = topFirst ? i : h - 1 - i;
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint32_t p = pixels[size_t(y) * w + x];
            bytes.insert(bytes.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
    }
    put32(2, uint32_t(bytes.size()));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteQuadrants(const std::string& path) { ASSERT_TRUE(WritePNG(path, 32, 32, QuadrantPixels())); }

// A round, shaded ball with transparent corners.
void WriteBall(const std::string& path, uint32_t size, uint32_t rgb)
{
    std::vector<uint32_t> pixels(size_t(size) * size, 0);
    const float r = float(size) / 2.0f;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x)
        {
            const float dx = float(x) + 0.5f - r, dy = float(y) + 0.5f - r;
            const float d = std::sqrt(dx * dx + dy * dy) / r;
            if (d > 1.0f)
                continue;
            const float light = 1.0f - 0.6f * std::sqrt(std::max(0.0f, (dx + r * 0.4f) * (dx + r * 0.4f) +
                                                                         (dy + r * 0.4f) * (dy + r * 0.4f))) / (r * 1.4f);
            uint32_t p = 0xFF000000u;
            for (int c = 0; c < 3; ++c)
                p |= uint32_t(float((rgb >> (8 * c)) & 0xFF) * std::clamp(light, 0.2f, 1.0f)) << (8 * c);
            pixels[size_t(y) * size + x] = p;
        }
    ASSERT_TRUE(WritePNG(path, size, size, pixels));
}

// A 5 x 7 pixel font, each glyph seven rows of five columns ('#' lit).
struct GlyphBitmap
{
    char code;
    const char* rows[7];
};
const GlyphBitmap kGlyphs[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'J', {"  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'Q', {" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {'.', {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "}},
    {',', {"     ", "     ", "     ", "     ", " ##  ", "  #  ", " #   "}},
    {':', {"     ", " ##  ", " ##  ", "     ", " ##  ", " ##  ", "     "}},
    {'!', {"  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "     ", "  #  "}},
    {'?', {" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "}},
    {'-', {"     ", "     ", "     ", "#####", "     ", "     ", "     "}},
    {'\'', {"  #  ", "  #  ", " #   ", "     ", "     ", "     ", "     "}},
    {'\x93', {" # # ", "#  # ", "## ##", "     ", "     ", "     ", "     "}},
    {'\x94', {"## ##", " #  #", "# #  ", "     ", "     ", "     ", "     "}},
    {' ', {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
};

constexpr int kScale = 2;                    // each font pixel is 2 x 2
constexpr int kGlyphW = 5 * kScale;          // 10
constexpr int kGlyphH = 7 * kScale;          // 14
constexpr int kCellW = kGlyphW + 2, kCellH = kGlyphH + 2;
constexpr int kAdvance = kGlyphW + 2;

// Writes "font.bin" and its page "font.png": the glyphs above in white on transparent,
// lower-case letters sharing the upper-case cells.
void WriteFont()
{
    const uint32_t pageW = 256, pageH = 64;
    std::vector<uint32_t> page(pageW * pageH, 0);
    std::vector<tvtest::GlyphDesc> descs;
    int index = 0;
    for (const GlyphBitmap& g : kGlyphs)
    {
        const int cx = (index % 16) * kCellW, cy = (index / 16) * kCellH;
        ++index;
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c)
                if (g.rows[r][c] == '#')
                    for (int dy = 0; dy < kScale; ++dy)
                        for (int dx = 0; dx < kScale; ++dx)
                            page[size_t(cy + r * kScale + dy) * pageW + size_t(cx + c * kScale + dx)] = kWhite;
        const int32_t code = int32_t(uint8_t(g.code));
        descs.push_back({code, cx, cy, kGlyphW, kGlyphH, 0, kGlyphH, kAdvance});
        if (g.code >= 'A' && g.code <= 'Z')
            descs.push_back({code + 32, cx, cy, kGlyphW, kGlyphH, 0, kGlyphH, kAdvance});
    }
    ASSERT_TRUE(WritePNG("font.png", pageW, pageH, page));
    const auto bytes = tvtest::BuildFont(descs);
    std::ofstream("font.bin", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      std::streamsize(bytes.size()));
}

// A green 40 x 40 square mesh, placed in screen pixels.
struct SquareMesh
{
    cMesh mesh{4, 6, kMeshPosition | kMeshPositions2D};
    cMaterial material;

    SquareMesh()
    {
        mesh.indices = {0, 2, 1, 1, 2, 3};
        mesh.indexCount = 6;
        material.flags = kMaterialTwoSided;
        material.colour = kGreen;
    }
    // The top-left corner at (x, y).
    void PlaceAt(float x, float y)
    {
        for (uint32_t i = 0; i < 4; ++i)
        {
            const float corner[2] = {x + float(i & 1) * 40.0f, y + float(i >> 1) * 40.0f};
            std::memcpy(mesh.PositionPtr(i), corner, sizeof corner);
        }
    }
};

class Gfx2DRender : public testing::Test
{
protected:
    void SetUp() override
    {
        window = tvtest::AcquireGLWindow();
        ASSERT_NE(window, nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        RegisterImageResourceLoaders();

        WriteQuadrants("quadrants.png");
        WriteBall("ball.png", 48, 0xFF30A0FFu);
        WriteBall("small_ball.png", 24, 0xFF40FF60u);
        WriteFont();
        group = SelectResourceGroup("drawing");
        quadrants = LoadAtlasImage("quadrants.png");
        ball = LoadAtlasImage("ball.png");
        smallBall = LoadAtlasImage("small_ball.png");
        font = ClassCast<cFont>(LoadFont("font.bin"));
        FinishResourceGroup();
        group->UploadTextures(true);

        gfx = std::make_unique<cGfx2D>(renderer.get());
        gfx->SetFont(font);
        BeginFrame(0xFF200808u);
    }
    void TearDown() override
    {
        gfx.reset();
        ReleaseAllResourceGroups();
        gRenderer = nullptr;
        renderer.reset();
    }

    void BeginFrame(uint32_t background)
    {
        renderer->ResetRenderState();
        renderer->SetClearColour(background);
        renderer->Clear(kClearColour | kClearDepth);
    }

    // A pixel of the 1280 x 720 frame, y from the top.
    static uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720) | 0xFF000000u; }
    static void ExpectPixel(int x, int y, uint32_t expected)
    {
        const uint32_t got = Pixel(x, y);
        EXPECT_TRUE(tvtest::ColoursNear(got, expected | 0xFF000000u, kTolerance))
            << "at " << x << "," << y << " got " << Hex(got) << " expected " << Hex(expected);
    }
    // The box of pixels that differ from the background inside a region.
    struct Box
    {
        int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
    };
    static Box LitBox(int x0, int y0, int x1, int y1, uint32_t background)
    {
        const auto pixels = tvtest::ReadRGBA(x0, 720 - y1, x1 - x0, y1 - y0);
        Box box;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
            {
                const size_t i = (size_t(y1 - 1 - y) * size_t(x1 - x0) + size_t(x - x0)) * 4;
                const uint32_t p = uint32_t(pixels[i]) | uint32_t(pixels[i + 1]) << 8 | uint32_t(pixels[i + 2]) << 16 |
                                   0xFF000000u;
                if (tvtest::ColoursNear(p, background | 0xFF000000u, kTolerance))
                    continue;
                box.minX = std::min(box.minX, x);
                box.maxX = std::max(box.maxX, x);
                box.minY = std::min(box.minY, y);
                box.maxY = std::max(box.maxY, y);
            }
        return box;
    }

    cWinMain_OGL1* window = nullptr;
    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cGfx2D> gfx;
    cResourceGroup* group = nullptr;
    ImageRect* quadrants = nullptr;
    ImageRect* ball = nullptr;
    ImageRect* smallBall = nullptr;
    cFont* font = nullptr;
};
} // namespace

TEST_F(Gfx2DRender, SpriteFromAnAtlasPageIsUpright)
{
    ASSERT_NE(quadrants, nullptr);
    ASSERT_NE(quadrants->image, nullptr);
    EXPECT_EQ(quadrants->image, ball->image); // one page for the pictures
    EXPECT_NE(quadrants->image->texture, 0u);
    gfx->SaveRendererState();
    gfx->Begin();
    DrawFrameAt(*gfx, quadrants, 100, 100, kAlignTopLeft);
    gfx->RestoreRendererState();
    ExpectPixel(104, 104, kRed);
    ExpectPixel(127, 104, kGreen);
    ExpectPixel(104, 127, kBlue);
    ExpectPixel(127, 127, kWhite);
    ExpectPixel(98, 98, 0xFF200808u); // outside: the background
    ExpectPixel(133, 133, 0xFF200808u);
    // Exactly 32 x 32 pixels, neighbours on the page not bleeding in.
    const Box box = LitBox(80, 80, 160, 160, 0xFF200808u);
    EXPECT_EQ(box.minX, 100);
    EXPECT_EQ(box.minY, 100);
    EXPECT_EQ(box.maxX, 131);
    EXPECT_EQ(box.maxY, 131);
}

TEST_F(Gfx2DRender, EveryPictureFormatDrawsTheSameWayUpAndScreenshotsReadBackUpright)
{
    // The quadrant picture as PNG, as TGA and BMP with either row order, each through the
    // atlas of a group of its own, drawn side by side: every copy reads back like the PNG.
    const std::vector<uint32_t> pixels = QuadrantPixels();
    WriteTGA("rows_bottom_first.tga", 32, 32, pixels, false);
    WriteTGA("rows_top_first.tga", 32, 32, pixels, true);
    WriteBMP("rows_bottom_first.bmp", 32, 32, pixels, false);
    WriteBMP("rows_top_first.bmp", 32, 32, pixels, true);
    const char* names[] = {"quadrants.png", "rows_bottom_first.tga", "rows_top_first.tga", "rows_bottom_first.bmp",
                           "rows_top_first.bmp"};
    cResourceGroup* formats = SelectResourceGroup("formats");
    ImageRect* rects[5] = {};
    for (int i = 0; i < 5; ++i)
        rects[i] = LoadAtlasImage(names[i]);
    FinishResourceGroup();
    formats->UploadTextures(true);

    gfx->Begin();
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_NE(rects[i], nullptr) << names[i];
        DrawFrameAt(*gfx, rects[i], 100.0f + 50.0f * float(i), 200.0f, kAlignTopLeft);
    }
    gfx->Flush();
    ExpectPixel(104, 204, kRed);
    ExpectPixel(104, 227, kBlue);
    const std::vector<uint8_t> png = tvtest::ReadRGBA(100, 720 - 232, 32, 32);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(tvtest::ReadRGBA(100 + 50 * i, 720 - 232, 32, 32), png) << names[i];

    // The frame written as a screenshot and read back: upright without the flag, bottom
    // row first with it.
    const std::string shot = (tvtest::WorkFolder() / "rows_shot.tga").string();
    ASSERT_TRUE(WriteRendererScreenshot(shot));
    std::unique_ptr<cSurface> upright(DecodeTGA(shot, 0));
    ASSERT_NE(upright, nullptr);
    EXPECT_EQ(upright->flipped, 0);
    EXPECT_TRUE(tvtest::ColoursNear(upright->GetPixel(104, 204) | 0xFF000000u, kRed, kTolerance));
    EXPECT_TRUE(tvtest::ColoursNear(upright->GetPixel(104, 227) | 0xFF000000u, kBlue, kTolerance));
    std::unique_ptr<cSurface> bottomUp(DecodeTGA(shot, kDecodeBottomUp));
    ASSERT_NE(bottomUp, nullptr);
    EXPECT_EQ(bottomUp->flipped, 1);
    EXPECT_TRUE(tvtest::ColoursNear(bottomUp->GetPixel(104, 719 - 204) | 0xFF000000u, kRed, kTolerance));
}

TEST_F(Gfx2DRender, AlignedText)
{
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->page, nullptr);
    const int32_t width = font->MeasureText("TEXT").width;
    EXPECT_EQ(width, 4 * kAdvance);
    gfx->Begin();
    // Right edge and top at (640, 100); centred at (640, 300); left edge and base line at
    // (640, 500).
    DrawTextAt(*gfx, 640, 100, kAlignRight | kAlignTop, "TEXT");
    DrawTextAt(*gfx, 640, 300, 0, "TEXT");
    DrawTextAt(*gfx, 640, 500, kAlignLeft | kAlignBottom, "TEXT");
    gfx->Flush();
    const uint32_t bg = 0xFF200808u;
    Box right = LitBox(500, 80, 780, 140, bg);
    EXPECT_EQ(right.minX, 640 - width);
    EXPECT_LE(right.maxX, 639);
    EXPECT_EQ(right.minY, 100);
    EXPECT_EQ(right.maxY, 100 + kGlyphH - 1);
    Box centre = LitBox(500, 260, 780, 340, bg);
    EXPECT_EQ(centre.minX, 640 - width / 2);
    EXPECT_EQ(centre.minY, 300 - kGlyphH / 2);
    Box left = LitBox(500, 460, 780, 540, bg);
    EXPECT_EQ(left.minX, 640);
    EXPECT_EQ(left.maxY, 499);
    ExpectPixel(640 - width, 100, kWhite); // the T's top-left corner
}

TEST_F(Gfx2DRender, TextOfNegativeWidthLandsWhereItsWidthSays)
{
    // The fixture font's A and V with A kerned 30 pixels towards V, over the same page:
    // "AV" is 12 - 30 + 12 = -6 pixels wide, V drawn 18 pixels left of A.
    ASSERT_NE(font, nullptr);
    std::vector<tvtest::GlyphDesc> descs;
    for (const char code : {'A', 'V'})
    {
        const FontGlyph* g = font->GlyphOf(uint8_t(code));
        ASSERT_NE(g, nullptr);
        descs.push_back({g->code, g->x, g->y, g->w, g->h, g->offsetX, g->top, g->advance});
    }
    const auto bytes = tvtest::BuildFont(descs, {{{0, 1}, uint16_t(-30)}});
    std::unique_ptr<cFont> kerned(cFont::ReadFromMemory(bytes.data(), bytes.size()));
    ASSERT_NE(kerned, nullptr);
    kerned->SetPage(font->page);
    ASSERT_EQ(kerned->MeasureText("AV").width, -6);

    gfx->Begin();
    gfx->SetFont(kerned.get());
    // Aligned right at x 640 the pen ends there: A at 646, V at 628. Centred on 640: A at
    // 640 + 3, V at 625. Aligned left: A at 640, V at 622.
    DrawTextAt(*gfx, 640, 100, kAlignRight | kAlignTop, "AV");
    DrawTextAt(*gfx, 640, 300, kAlignTop, "AV");
    DrawTextAt(*gfx, 640, 500, kAlignLeft | kAlignTop, "AV");
    gfx->Flush();
    const uint32_t bg = 0xFF200808u;
    const struct
    {
        int y, minX, maxX;
    } rows[] = {{100, 628, 646 + kGlyphW - 1}, {300, 625, 643 + kGlyphW - 1}, {500, 622, 640 + kGlyphW - 1}};
    for (const auto& row : rows)
    {
        const Box box = LitBox(400, row.y - 20, 900, row.y + 40, bg);
        EXPECT_EQ(box.minX, row.minX) << row.y;
        EXPECT_EQ(box.maxX, row.maxX) << row.y;
        EXPECT_EQ(box.minY, row.y) << row.y;
    }
}

TEST_F(Gfx2DRender, RotatedAndTintedSprite)
{
    gfx->Begin();
    gfx->SetColour(0xFF808080u); // half brightness
    // A quarter turn clockwise on screen (y grows downwards): the red top-left quadrant
    // moves to the top-right.
    DrawFrameRotatedAt(*gfx, quadrants, 300, 300, kPi / 2.0f, kAlignCentre);
    gfx->SetColour(0xFF0000FFu); // red tint: green and blue drop out
    DrawFrameAt(*gfx, quadrants, 400, 300, kAlignCentre);
    gfx->Flush();
    ExpectPixel(308, 292, 0xFF000080u);
    ExpectPixel(292, 292, 0xFF800000u); // blue, from the bottom-left
    ExpectPixel(292, 308, 0xFF808080u); // white, from the bottom-right
    ExpectPixel(308, 308, 0xFF008000u);
    ExpectPixel(392, 292, kRed);
    ExpectPixel(408, 292, kBlack);
    ExpectPixel(408, 308, kRed);
}

TEST_F(Gfx2DRender, LayeredDrawingOrder)
{
    cGfx2Dx layered(renderer.get());
    layered.Begin();
    // Green on layer 0 first, then red on layer 5 over the same place: the higher layer
    // is drawn first, underneath. Blue, later on layer 0, overlaps green and stays above.
    layered.SetColour(kGreen);
    FillRectAt(layered, 500, 100, 60, 60);
    layered.layer = 5;
    layered.SetColour(kRed);
    FillRectAt(layered, 520, 120, 80, 80);
    layered.layer = 0;
    layered.SetColour(kBlue);
    FillRectAt(layered, 540, 140, 60, 60);
    layered.RestoreRendererState();
    ExpectPixel(510, 110, kGreen);
    ExpectPixel(530, 130, kGreen); // green over red
    ExpectPixel(550, 150, kBlue);  // blue over green and red
    ExpectPixel(595, 125, kRed);   // red where nothing covers it
    ExpectPixel(505, 195, 0xFF200808u);
}

TEST_F(Gfx2DRender, EveryItemKindLooksTheSameThroughTheLayeredDrawer)
{
    // Each kind of draw call in a colour that is neither white nor opaque, once through
    // the immediate drawer and once recorded and replayed: the two frames are equal.
    constexpr uint32_t kTint = 0x80C0A0FFu;
    const uint32_t bg = 0xFF200808u;
    cImage* page = quadrants->image;
    const cVec2f triangle[3] = {{0, 0}, {60, 10}, {10, 50}};
    const uint32_t corners[4] = {kRed, kGreen, kBlue, kWhite};
    const cVec2f uvs[3] = {{quadrants->uMin, quadrants->vMin},
                           {quadrants->uMax, quadrants->vMin},
                           {quadrants->uMin, quadrants->vMax}};
    // A 2D mesh quad with its own colour: neither the drawer's colour nor its transform
    // reaches it.
    SquareMesh square;
    square.PlaceAt(300, 300);

    struct Case
    {
        const char* name;
        std::function<void(cGfx2D&)> draw;
    };
    const Case cases[] = {
        {"frame", [&](cGfx2D& g) { g.DrawFrame(quadrants, kAlignTopLeft); }},
        {"frame region", [&](cGfx2D& g) { g.DrawFrameRegion(quadrants, 4, 4, 20, 20, kAlignTopLeft); }},
        {"image", [&](cGfx2D& g) { g.DrawImage(page, kAlignTopLeft); }},
        {"image region", [&](cGfx2D& g) { g.DrawImageRegion(page, 0, 0, 40, 40, kAlignTopLeft); }},
        {"mesh", [&](cGfx2D& g) { g.DrawMesh(&square.mesh, &square.material); }},
        {"open line strip", [&](cGfx2D& g) { g.DrawLineStrip(triangle, nullptr, 3, false); }},
        {"closed line strip with colours", [&](cGfx2D& g) { g.DrawLineStrip(triangle, corners, 3, true); }},
        {"polygon", [&](cGfx2D& g) { g.FillPolygon(triangle, nullptr, 3); }},
        {"polygon with colours", [&](cGfx2D& g) { g.FillPolygon(triangle, corners, 3); }},
        {"rectangle", [&](cGfx2D& g) { g.FillRect(50, 30, kAlignTopLeft); }},
        {"circle", [&](cGfx2D& g) { g.FillCircle(20); }},
        {"textured polygon", [&](cGfx2D& g) { g.DrawTexturedPolygon(triangle, nullptr, uvs, page, 3); }},
        {"textured polygon with colours", [&](cGfx2D& g) { g.DrawTexturedPolygon(triangle, corners, uvs, page, 3); }},
        {"thick line", [&](cGfx2D& g) { g.DrawThickLine(quadrants, cVec2f(0, 10), cVec2f(80, 30), 12); }},
        {"text", [&](cGfx2D& g) { g.DrawText(0x11, "TINT"); }},
        {"glyphs", [&](cGfx2D& g) { g.DrawTextRightAligned("TINT", nullptr); }},
        {"glyphs with colours", [&](cGfx2D& g) { g.DrawTextRightAligned("TINT", corners); }},
    };
    auto drawThrough = [&](cGfx2D& g, const Case& c) {
        BeginFrame(bg);
        g.SetFont(font);
        g.Begin();
        g.SetColour(kTint);
        g.PushTransform();
        g.Translate(300, 300);
        c.draw(g);
        g.PopTransform();
        g.Flush();
        return tvtest::ReadRGBA(200, 720 - 400, 200, 200);
    };
    const std::vector<uint8_t> background = [&] {
        BeginFrame(bg);
        return tvtest::ReadRGBA(200, 720 - 400, 200, 200);
    }();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> immediate = drawThrough(*gfx, c);
        EXPECT_NE(immediate, background); // something was drawn
        cGfx2Dx layered(renderer.get());
        EXPECT_EQ(drawThrough(layered, c), immediate);
    }
}

TEST_F(Gfx2DRender, LayeredDrawerJoinsBatchesWhereNothingItPassesOverlaps)
{
    // Balls of one atlas page, blended and glowing (added) in turn, with text, lines and a
    // mesh: the immediate drawer draws each change of mode or texture as a call of its own.
    // The layered drawer gives the same frame, pixel for pixel, in fewer calls: a ball goes
    // ahead of those it passes when it touches none of them. Overlapping balls and what
    // lies on either side of a line keep their order; so does everything drawn with a mesh
    // (which goes ahead of the batch under way, as the immediate drawer draws it).
    const uint32_t bg = 0xFF200808u;
    struct Step
    {
        char kind; // 'a' blended ball, 'g' glowing ball, 't' text, 'l' line, 'm' mesh
        float x, y;
    };
    SquareMesh square;
    struct Scene
    {
        const char* name;
        std::vector<Step> steps;
        uint32_t immediateCalls, layeredCalls;
    };
    const Scene scenes[] = {
        {"a row of both modes, then a stack of three",
         {{'a', 100, 100}, {'g', 200, 100}, {'a', 300, 100}, {'g', 400, 100}, {'a', 500, 100}, {'g', 600, 100},
          {'a', 900, 100}, {'g', 915, 105}, {'a', 930, 110}},
         9, 3},
        {"a line between", {{'a', 100, 100}, {'g', 200, 100}, {'l', 300, 100}, {'a', 400, 100}, {'g', 500, 100}}, 5, 5},
        {"balls and text", {{'a', 100, 100}, {'t', 300, 60}, {'a', 100, 160}, {'t', 300, 140}}, 4, 2},
        {"text between two balls it overlaps", {{'a', 700, 100}, {'t', 690, 95}, {'a', 720, 110}}, 3, 3},
        {"a mesh under the last ball", {{'a', 100, 100}, {'g', 200, 100}, {'a', 300, 100}, {'m', 290, 90}}, 4, 4},
    };
    ASSERT_NE(font->GlyphOf('B')->rect.image, ball->image); // the text draws from another texture
    auto draw = [&](cGfx2D& g, const std::vector<Step>& steps, uint32_t& calls) {
        BeginFrame(bg);
        g.SetFont(font);
        g.Begin();
        g.SetColour(0xFFFFFFFFu);
        g.SetRenderFlagsHigh(kBlendCodeAlpha);
        tvtest::GLCounting counting;
        for (const Step& step : steps)
        {
            if (step.kind == 'l')
            {
                g.DrawLine(step.x, step.y, step.x + 40.0f, step.y + 10.0f);
                continue;
            }
            if (step.kind == 'm')
            {
                square.PlaceAt(step.x, step.y);
                g.DrawMesh(&square.mesh, &square.material);
                continue;
            }
            if (step.kind == 'a' || step.kind == 'g')
                g.SetRenderFlagsHigh(step.kind == 'a' ? kBlendCodeAlpha : kBlendCodeAdditive);
            if (step.kind == 't')
                DrawTextAt(g, step.x, step.y, kAlignLeft | kAlignTop, "BALL");
            else
                DrawFrameAt(g, ball, step.x, step.y, kAlignCentre);
        }
        g.Flush();
        calls = counting.Count(eGLFunction::DrawElements);
        return tvtest::ReadRGBA(0, 720 - 200, 1280, 200);
    };
    for (const Scene& scene : scenes)
    {
        SCOPED_TRACE(scene.name);
        uint32_t immediateCalls = 0, layeredCalls = 0;
        const std::vector<uint8_t> immediate = draw(*gfx, scene.steps, immediateCalls);
        cGfx2Dx layered(renderer.get());
        EXPECT_TRUE(draw(layered, scene.steps, layeredCalls) == immediate);
        EXPECT_EQ(immediateCalls, scene.immediateCalls);
        EXPECT_EQ(layeredCalls, scene.layeredCalls);
    }
    // The stack's order shows: with its glowing ball last, the frame is another one.
    uint32_t calls = 0;
    const std::vector<uint8_t> stack = draw(*gfx, {{'a', 900, 100}, {'g', 915, 105}, {'a', 930, 110}}, calls);
    EXPECT_FALSE(draw(*gfx, {{'a', 900, 100}, {'a', 930, 110}, {'g', 915, 105}}, calls) == stack);
}

TEST_F(Gfx2DRender, ScreenOfTextSpritesAndShapes)
{
    const uint32_t bg = 0xFF3A2410u; // dark blue (R in the low byte)
    BeginFrame(bg);
    // Some room between lines: the test font's glyphs fill their whole line height.
    font->SetLineHeight(font->GetLineHeight() + 5);
    cGfx2Dx gfxx(renderer.get());
    cGfx2D& g = gfxx;
    g.SetFont(font);
    g.SaveRendererState();
    g.Begin();

    // A title bar.
    g.SetColour(0xFF6A4A20u);
    FillRectAt(g, 0, 0, 1280, 64);
    g.SetColour(0xFFFFFFFFu);
    g.PushTransform();
    g.Translate(640, 32);
    g.Scale(2, 2);
    g.DrawText(0, "KELPOBASE 2D DRAWING");
    g.PopTransform();

    // Sprites from the atlas page: a row of rotated, tinted quadrant pictures.
    const uint32_t tints[6] = {0xFFFFFFFFu, 0xFF8080FFu, 0xFF80FF80u, 0xFFFF8080u, 0xFF80FFFFu, 0xFFFFFFFFu};
    for (int i = 0; i < 6; ++i)
    {
        g.SetColour(tints[i]);
        DrawFrameRotatedAt(g, quadrants, 120.0f + float(i) * 70.0f, 140.0f, float(i) * kPi / 10.0f, kAlignCentre);
    }
    // Balls scaled, and on layers: the big ones on layer 1 lie under the small ones.
    g.SetColour(0xFFFFFFFFu);
    for (int i = 0; i < 5; ++i)
    {
        g.PushState();
        g.layer = 1;
        DrawFrameScaledAt(g, ball, 560.0f + float(i) * 60.0f, 140.0f, 1.0f + 0.15f * float(i), 1.0f + 0.15f * float(i));
        g.PopState();
        DrawFrameAt(g, smallBall, 575.0f + float(i) * 60.0f, 150.0f, kAlignCentre);
    }

    // Shapes: a filled circle, a pentagon with per-vertex colours, outlines and lines.
    g.SetColour(0xFF30C0F0u); // amber
    g.PushTransform();
    g.Translate(140, 330);
    g.FillCircle(60);
    g.SetColour(0xFFFFFFFFu);
    g.DrawCircleOutline(70);
    g.PopTransform();
    cVec2f pentagon[5];
    uint32_t pentagonColours[5] = {0xFF0000FFu, 0xFF00FFFFu, 0xFF00FF00u, 0xFFFFFF00u, 0xFFFF00FFu};
    for (int i = 0; i < 5; ++i)
    {
        const float a = float(i) * kTwoPi / 5.0f - kPi / 2.0f;
        pentagon[i] = cVec2f(340.0f + std::cos(a) * 70.0f, 330.0f + std::sin(a) * 70.0f);
    }
    g.FillPolygon(pentagon, pentagonColours, 5);
    g.SetColour(0xFF00FFFFu); // yellow
    const float outline[4] = {450, 260, 590, 400};
    g.DrawRectOutline(outline);
    for (int i = 0; i < 8; ++i)
        g.DrawLine(460.0f, 270.0f + float(i) * 16.0f, 580.0f, 390.0f - float(i) * 16.0f);
    g.SetColour(0xFFFFFFFFu);
    g.DrawOrientedBoxOutline(cOBox2f::FromCentreAngle(cVec2f(700, 330), cVec2f(60, 30), 0.4f));
    g.DrawThickLine(smallBall, cVec2f(800, 270), cVec2f(920, 390), 10);
    g.SetColour(0xC0FF80C0u);
    FillRectAt(g, 960, 260, 140, 140);
    g.SetColour(0xFF2020FFu); // red
    FillRectAt(g, 1000, 300, 140, 140); // overlaps the violet square

    // Numbers from the font's digit glyphs, aligned three ways.
    const ImageRect* digits[10];
    for (int d = 0; d < 10; ++d)
        digits[d] = &font->GlyphOf(uint8_t('0' + d))->rect;
    g.SetColour(0xFF40E0FFu);
    g.DrawNumber(1205, digits, 60, 460, kAlignLeft | kAlignBottom, 2);
    g.DrawNumber(4294967295u, digits, 640, 460, kAlignBottom, 2);
    g.DrawNumber(0, digits, 1220, 460, kAlignRight | kAlignBottom, 2);

    // A paragraph laid out in a box, and tinted lines of text.
    g.SetColour(0xFF503020u);
    FillRectAt(g, 60, 500, 520, 190);
    g.SetColour(0xFFFFFFFFu);
    const cTextLayout layout(font, 500,
                             "Text is broken into lines that fit the box. A word that would pass the edge moves "
                             "to the next line.\n\nAn empty line adds half a line of space. \x93Quotes\x94 too!");
    DrawTextLayoutAt(g, 70, 510, kAlignLeft | kAlignTop, &layout);
    g.SetColour(0xFF80FFFFu);
    DrawTextAt(g, 1220, 520, kAlignRight | kAlignTop, "RIGHT ALIGNED");
    g.SetColour(0xFFFFC080u);
    DrawTextAt(g, 920, 580, 0, "CENTRED: 12:34.5");
    g.SetColour(0xFF80FF80u);
    DrawTextAt(g, 640, 640, kAlignLeft, "LEFT, ON THE BASE LINE");
    g.RestoreRendererState();

    // Spot checks: the title bar, the circle's centre, the red square over the violet.
    ExpectPixel(5, 5, 0xFF6A4A20u);
    ExpectPixel(140, 330, 0xFF30C0F0u);
    ExpectPixel(1100, 420, 0xFF2020FFu);

    std::unique_ptr<cSurface> shot(renderer->ReadPixels());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->GetWidth(), 1280u);
    // Rows come bottom to top from the library; stored top to bottom, the file shows
    // upright in any viewer.
    shot->FlipVertical();
    EXPECT_TRUE(shot->SaveTGA("gfx2d_screen.tga"));
}
